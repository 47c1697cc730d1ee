// BPrivate::_ObserverList: observer registration and notices.
#include "messaging/ObserverList.h"

#include "messaging/Handler.h"
#include "messaging/Message.h"

#include <new>

namespace BPrivate {

namespace {

constexpr bigtime_t kNoticeTimeout = 1000000;

// An observer is alive while its looper is and it names a handler that still
// exists; a preferred messenger names no handler and lives with its looper.
bool ObserverIsAlive(const BMessenger& observer)
{
	if (!observer.IsValid())
		return false;
	BLooper* looper = nullptr;
	BHandler* handler = observer.Target(&looper);
	return handler != nullptr || (observer.IsPreferredTarget() && looper != nullptr);
}

}  // namespace

_ObserverWhatList::_ObserverWhatList(uint32 what)
	: fWhat(what),
	  fObservers(1, true)
{
}

int32 _ObserverWhatList::MatchWhat(const void* entry, const void* what)
{
	uint32 entryWhat = static_cast<const _ObserverWhatList*>(entry)->fWhat;
	uint32 wanted = *static_cast<const uint32*>(what);
	return entryWhat < wanted ? -1 : (entryWhat > wanted ? 1 : 0);
}

bool _ObserverWhatList::Add(const BMessenger& observer)
{
	BMessenger* copy = new (std::nothrow) BMessenger(observer);
	if (copy == nullptr)
		return false;
	if (!fObservers.AddItem(copy)) {
		delete copy;
		return false;
	}
	return true;
}

void _ObserverWhatList::Remove(const BMessenger& observer)
{
	for (int32 i = 0; i < fObservers.CountItems(); i++) {
		if (*fObservers.ItemAtFast(i) == observer) {
			delete fObservers.RemoveItem(i);
			return;
		}
	}
}

void _ObserverWhatList::Notify(BMessage* notice)
{
	for (int32 i = 0; i < fObservers.CountItems();) {
		BMessenger* observer = fObservers.ItemAtFast(i);
		if (ObserverIsAlive(*observer)) {
			// An observer that goes away meanwhile is dropped at the next notice.
			(void)observer->Send(notice, nullptr, kNoticeTimeout);
			i++;
		} else {
			delete fObservers.RemoveItem(i);
		}
	}
}

_ObserverList::_ObserverList()
	: fEntries(1, true)
{
}

_ObserverWhatList* _ObserverList::Find(uint32 what) const
{
	int32 index = fEntries.BinarySearch(&what, _ObserverWhatList::MatchWhat);
	return index >= 0 ? fEntries.ItemAtFast(index) : nullptr;
}

void _ObserverList::Add(const BMessenger& observer, uint32 what)
{
	int32 index = fEntries.BinarySearch(&what, _ObserverWhatList::MatchWhat);
	if (index >= 0) {
		fEntries.ItemAtFast(index)->Add(observer);
		return;
	}
	_ObserverWhatList* entry = new (std::nothrow) _ObserverWhatList(what);
	if (entry == nullptr)
		return;
	if (!entry->Add(observer) || !fEntries.AddItem(entry, -index - 1)) {
		delete entry;
		return;
	}
	if (what == kObserveAllCodes && fAllCodes == nullptr)
		fAllCodes = entry;
}

void _ObserverList::Remove(const BMessenger& observer, uint32 what)
{
	if (_ObserverWhatList* entry = Find(what))
		entry->Remove(observer);
}

int32 _ObserverList::CountObservers(uint32 what) const
{
	_ObserverWhatList* entry = Find(what);
	return entry == nullptr ? 0 : entry->CountObservers();
}

void _ObserverList::Notify(uint32 what, const BMessage* message)
{
	_ObserverWhatList* entry = Find(what);
	if (entry == nullptr && fAllCodes == nullptr)
		return;
	// Observers are told of the change even when memory ran out for a field
	// of the notice: the notice's code says what it is.
	BMessage notice(kObserverNotice);
	if (message != nullptr) {
		notice = *message;
		(void)notice.AddInt32(kObserveOriginalField, static_cast<int32>(message->what));
		notice.what = kObserverNotice;
	}
	(void)notice.AddInt32(kObserveChangeField, static_cast<int32>(what));
	if (entry != nullptr)
		entry->Notify(&notice);
	// A notice for the all-codes value itself must not reach those observers twice.
	if (fAllCodes != nullptr && fAllCodes != entry)
		fAllCodes->Notify(&notice);
}

}  // namespace BPrivate
