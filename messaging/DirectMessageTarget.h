// BPrivate::BDirectMessageTarget: something that accepts messages for an object
// addressed by token, such as a looper's queue or a waiting sender's reply slot.
//
// Targets are reference counted: whoever hands one out takes a reference for
// the receiver, and the last Release deletes the target.
#pragma once

#include "support/SupportDefs.h"

class BMessage;

namespace BPrivate {

class BDirectMessageTarget {
public:
	// Takes a reference; false refuses it (a target that is going away).
	virtual bool Acquire() = 0;
	// Drops a reference; the last one deletes the target.
	virtual void Release() = 0;
	// Takes ownership of the heap message in every case, delivered or not.
	virtual status_t DeliverMessage(BMessage* message) = 0;

protected:
	virtual ~BDirectMessageTarget() = default;
};

}  // namespace BPrivate
