// BPrivate::_ObserverList: the observers of a handler, by command code.
//
// An owning list of _ObserverWhatList entries sorted by code (unsigned), each
// holding the messengers that observe that code; the entry for 0xFFFFFFFF
// holds those that observe every code. Observers whose handler has gone are
// dropped at the next notice they would have received. Used under the
// handler's looper lock.
#pragma once

#include "messaging/Messenger.h"
#include "support/ObjectList.h"

namespace BPrivate {

class _ObserverWhatList {
public:
	explicit _ObserverWhatList(uint32 what);

	uint32 What() const { return fWhat; }
	bool Add(const BMessenger& observer);
	// Removes the first observer equal to `observer`.
	void Remove(const BMessenger& observer);
	// Sends `notice` to every live observer and drops the others.
	void Notify(BMessage* notice);
	int32 CountObservers() const { return fObservers.CountItems(); }

	// The predicate that finds an entry by code in the sorted list.
	static int32 MatchWhat(const void* entry, const void* what);

private:
	uint32 fWhat;
	BObjectList<BMessenger> fObservers;
};

class _ObserverList {
public:
	_ObserverList();

	void Add(const BMessenger& observer, uint32 what);
	void Remove(const BMessenger& observer, uint32 what);
	// Sends a 'NTCH' notice for `what`, built from `message` when given, to
	// the observers of `what` and then to those of every code.
	void Notify(uint32 what, const BMessage* message);
	// How many observers the entry for `what` holds.
	int32 CountObservers(uint32 what) const;

	_ObserverList(const _ObserverList&) = delete;
	_ObserverList& operator=(const _ObserverList&) = delete;

private:
	_ObserverWhatList* Find(uint32 what) const;

	BObjectList<_ObserverWhatList> fEntries;
	_ObserverWhatList* fAllCodes = nullptr;
};

}  // namespace BPrivate
