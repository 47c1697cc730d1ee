// BPrivate::BDirectMessageTarget: something that accepts messages for an object
// addressed by token, such as a looper's queue or a waiting sender's reply slot.
//
// Targets are reference counted: whoever hands one out takes a reference for
// the receiver, and the last Release deletes the target. Any thread may take
// and drop references.
#pragma once

#include "support/SupportDefs.h"

#include <atomic>

class BMessage;

namespace BPrivate {

class BDirectMessageTarget {
public:
	// Takes a reference; false refuses it (a target that is going away).
	virtual bool Acquire();
	// Drops a reference; the last one deletes the target.
	virtual void Release();
	// Takes ownership of the heap message in every case, delivered or not.
	[[nodiscard]] virtual status_t DeliverMessage(BMessage* message) = 0;

	BDirectMessageTarget(const BDirectMessageTarget&) = delete;
	BDirectMessageTarget& operator=(const BDirectMessageTarget&) = delete;

protected:
	explicit BDirectMessageTarget(int32 initialReferences) : fReferences(initialReferences) {}
	virtual ~BDirectMessageTarget() = default;

private:
	std::atomic<int32> fReferences;
};

}  // namespace BPrivate
