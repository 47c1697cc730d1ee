// BList: growth into and shrinking out of the heap array.
#include "support/List.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int64 kMaxItems = 0x7FFFFFFF;

// Null when the byte size of `items` pointers does not fit the address space.
void** ReallocateItems(void** items, int64 count)
{
	if (count <= 0 || count > kMaxItems || uint64(count) > SIZE_MAX / sizeof(void*))
		return nullptr;
	return static_cast<void**>(std::realloc(items, size_t(count) * sizeof(void*)));
}

}  // namespace

BList::BList(int32 blockSize)
	: fItems(&fInline),
	  fCapacity(1),
	  fCount(0),
	  fInline(nullptr),
	  fBlockSize(blockSize > 1 ? blockSize : 1)
{
	UseInitialStorage();
}

BList::~BList()
{
	if (!UsesInlineSlot())
		std::free(fItems);
}

void BList::UseInlineSlot(void* item)
{
	if (!UsesInlineSlot())
		std::free(fItems);
	fItems = &fInline;
	fInline = item;
	fCapacity = 1;
}

// Without memory for the block, the list starts on its inline slot and grows later.
void BList::UseInitialStorage()
{
	UseInlineSlot(nullptr);
	if (fBlockSize <= 1)
		return;
	void** block = ReallocateItems(nullptr, fBlockSize);
	if (block != nullptr) {
		fItems = block;
		fCapacity = fBlockSize;
	}
}

void BList::MakeEmpty()
{
	fCount = 0;
	UseInitialStorage();
}

void* BList::ItemAt(int32 index) const
{
	if (index < 0 || index >= fCount)
		return nullptr;
	return fItems[index];
}

int32 BList::IndexOf(const void* item) const
{
	for (int32 i = 0; i < fCount; i++) {
		if (fItems[i] == item)
			return i;
	}
	return -1;
}

bool BList::AddItem(void* item, int32 index)
{
	if (index < 0 || index > fCount)
		return false;
	if (fCapacity < int64(fCount) + 1 && !GrowFor(int64(fCount) + 1))
		return false;
	std::memmove(fItems + index + 1, fItems + index, size_t(fCount - index) * sizeof(void*));
	fItems[index] = item;
	fCount += 1;
	return true;
}

bool BList::AddItem(void* item)
{
	return AddItem(item, fCount);
}

bool BList::RemoveItems(int32 start, int32 n, CheckFunction check, void* data)
{
	if (start < 0 || start >= fCount || n < 0)
		return false;
	if (n > fCount - start)
		n = fCount - start;
	if (check != nullptr) {
		for (int32 i = start; i < start + n; i++) {
			if (check(fItems[i], data) != 0)
				return false;
		}
	}
	int32 remaining = fCount - n;
	std::memmove(fItems + start, fItems + start + n, size_t(remaining - start) * sizeof(void*));
	ShrinkFor(remaining);
	fCount = remaining;
	return true;
}

void* BList::RemoveItem(int32 index)
{
	if (index < 0 || index >= fCount)
		return nullptr;
	void* item = fItems[index];
	RemoveItems(index, 1);
	return item;
}

bool BList::RemoveItem(void* item)
{
	int32 index = IndexOf(item);
	return index >= 0 && RemoveItems(index, 1);
}

void BList::_ReservedList1() {}
void BList::_ReservedList2() {}

bool BList::GrowFor(int64 needed)
{
	int64 candidate = int64(fCapacity) * 3 / 2;
	int64 capacity = needed;
	if (candidate >= needed)
		capacity = candidate > fCapacity + 2 ? candidate : fCapacity + 2;
	if (UsesInlineSlot()) {
		void** array = ReallocateItems(nullptr, capacity);
		if (array == nullptr)
			return false;
		if (fCount >= 1)
			array[0] = fInline;
		fItems = array;
	} else {
		void** array = ReallocateItems(fItems, capacity);
		if (array == nullptr)
			return false;
		fItems = array;
	}
	fCapacity = static_cast<int32>(capacity);
	return true;
}

// A failed reallocation keeps the larger array.
void BList::ShrinkFor(int32 remaining)
{
	if (UsesInlineSlot())
		return;
	if (remaining <= 1) {
		UseInlineSlot(remaining == 1 ? fItems[0] : nullptr);
		return;
	}
	if (int64(remaining) * 9 / 4 >= fCapacity)
		return;
	int64 capacity = int64(remaining) * 3 / 2;
	if (capacity < fBlockSize)
		capacity = fBlockSize;
	if (capacity >= fCapacity)
		return;
	void** array = ReallocateItems(fItems, capacity);
	if (array != nullptr) {
		fItems = array;
		fCapacity = static_cast<int32>(capacity);
	}
}
