// The looper list: an array of {looper, id} entries that grows by 20.
#include "messaging/LooperList.h"

#include "messaging/Looper.h"
#include "support/List.h"
#include "support/Locker.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace BPrivate {

namespace {

struct LooperEntry {
	BLooper* looper;
	int32 id;
};

constexpr int32 kLooperListGrowth = 20;

// The list's state; its destructor runs at static shutdown.
struct LooperListState {
	LooperListState();
	~LooperListState();

	BLocker lock{"looper_list_lock"};
	LooperEntry* entries = nullptr;
	int32 capacity = 0;
	int32 live = 0;
	// Also the source of list ids.
	int32 changes = 0;
};

// Constant-initialised, so it reads false both before the list is built and
// after static shutdown has destroyed it.
std::atomic<bool> gLooperListAlive{false};
LooperListState gLooperList;

LooperListState::LooperListState()
{
	gLooperListAlive = true;
}

LooperListState::~LooperListState()
{
	lock.Lock();
	gLooperListAlive = false;
	free(entries);
	entries = nullptr;
	capacity = 0;
	lock.Unlock();
}

bool GrowLooperList()
{
	int32 capacity = gLooperList.capacity + kLooperListGrowth;
	void* grown = realloc(gLooperList.entries, sizeof(LooperEntry) * static_cast<size_t>(capacity));
	if (grown == nullptr)
		return false;
	gLooperList.entries = static_cast<LooperEntry*>(grown);
	for (int32 i = gLooperList.capacity; i < capacity; i++)
		gLooperList.entries[i] = LooperEntry{nullptr, -1};
	gLooperList.capacity = capacity;
	return true;
}

LooperEntry* FreeLooperEntry()
{
	for (int32 i = 0; i < gLooperList.capacity; i++) {
		if (gLooperList.entries[i].looper == nullptr)
			return &gLooperList.entries[i];
	}
	int32 first = gLooperList.capacity;
	return GrowLooperList() ? &gLooperList.entries[first] : nullptr;
}

// The listed looper at `index` counting live entries only, or null.
BLooper* LiveLooperAt(int32 index)
{
	for (int32 i = 0; i < gLooperList.capacity; i++) {
		BLooper* looper = gLooperList.entries[i].looper;
		if (looper != nullptr && index-- == 0)
			return looper;
	}
	return nullptr;
}

}  // namespace

bool LooperList::Lock(const char* lateText)
{
	if (gLooperListAlive && gLooperList.lock.Lock()) {
		if (gLooperListAlive)
			return true;
		gLooperList.lock.Unlock();
	}
	if (lateText != nullptr) {
		fputs(lateText, stdout);
		fflush(stdout);
	}
	return false;
}

void LooperList::Unlock()
{
	gLooperList.lock.Unlock();
}

int32 LooperList::Insert(BLooper* looper)
{
	LooperEntry* entry = FreeLooperEntry();
	if (entry == nullptr)
		return -1;
	entry->looper = looper;
	entry->id = gLooperList.changes++;
	gLooperList.live++;
	return entry->id;
}

void LooperList::Remove(const BLooper* looper, int32 id)
{
	for (int32 i = 0; i < gLooperList.capacity; i++) {
		LooperEntry& entry = gLooperList.entries[i];
		if (entry.looper == looper && entry.id == id) {
			entry = LooperEntry{nullptr, -1};
			gLooperList.live--;
			gLooperList.changes++;
			return;
		}
	}
}

bool LooperList::IsListed(const BLooper* looper)
{
	if (looper == nullptr)
		return false;
	for (int32 i = 0; i < gLooperList.capacity; i++) {
		const LooperEntry& entry = gLooperList.entries[i];
		// The id is read only once the pointer matched a live entry, so a
		// pointer to a destroyed looper is never followed.
		if (entry.looper == looper)
			return entry.id == looper->fListId;
	}
	return false;
}

status_t ListedLooperToken(const BLooper* looper, token_t* token)
{
	if (!LooperList::Lock())
		return kNotALooper;
	bool listed = LooperList::IsListed(looper);
	if (listed && token != nullptr)
		*token = looper->LooperToken();
	LooperList::Unlock();
	return listed ? kOk : kNotALooper;
}

BLooper* ListedLooperWithToken(token_t token)
{
	if (token == kNoToken || !LooperList::Lock())
		return nullptr;
	BLooper* found = nullptr;
	for (int32 i = 0; i < gLooperList.capacity && found == nullptr; i++) {
		BLooper* looper = gLooperList.entries[i].looper;
		if (looper != nullptr && looper->LooperToken() == token)
			found = looper;
	}
	LooperList::Unlock();
	return found;
}

int32 CountListedLoopers()
{
	if (!LooperList::Lock())
		return -1;
	int32 count = gLooperList.live;
	LooperList::Unlock();
	return count;
}

BLooper* ListedLooperAt(int32 index)
{
	if (index < 0 || !LooperList::Lock())
		return nullptr;
	BLooper* looper = LiveLooperAt(index);
	LooperList::Unlock();
	return looper;
}

bool SnapshotListedLoopers(BList* loopers)
{
	if (loopers == nullptr || !LooperList::Lock())
		return false;
	bool complete = true;
	for (int32 i = 0; i < gLooperList.capacity && complete; i++) {
		BLooper* looper = gLooperList.entries[i].looper;
		if (looper != nullptr)
			complete = loopers->AddItem(looper);
	}
	LooperList::Unlock();
	return complete;
}

int32 LooperListChanges()
{
	if (!LooperList::Lock())
		return -1;
	int32 changes = gLooperList.changes;
	LooperList::Unlock();
	return changes;
}

}  // namespace BPrivate
