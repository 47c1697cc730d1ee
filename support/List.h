// BList: an ordered array of untyped pointers.
//
// A list holding at most one item keeps it in an inline slot; more go to a heap
// array that grows by half (at least two items) and gives memory back when less
// than four ninths of it is in use, never below the block size given to the
// constructor. The list neither owns nor dereferences its items. An insertion
// that finds memory exhausted answers false and leaves the list as it was.
// Not locked; one thread uses a list at a time.
#pragma once

#include "support/SupportDefs.h"

class BList {
public:
	// Called for each item RemoveItems is asked to remove; non-zero vetoes.
	typedef int32 (*CheckFunction)(void* item, void* data);

	// A block size above 1 allocates that many slots at once.
	explicit BList(int32 blockSize = 1);
	virtual ~BList();

	BList(const BList&) = delete;
	BList& operator=(const BList&) = delete;

	// Drops every item and returns to the storage the constructor made.
	void MakeEmpty();

	int32 CountItems() const { return fCount; }
	bool IsEmpty() const { return fCount == 0; }
	// Slots in the current storage: 1 for the inline slot.
	int32 Capacity() const { return fCapacity; }
	int32 BlockSize() const { return fBlockSize; }

	// Null when the index is out of range.
	void* ItemAt(int32 index) const;
	// For callers that have checked the index against CountItems().
	void* ItemAtFast(int32 index) const { return fItems[index]; }
	void* const* Items() const { return fItems; }

	// The first index holding `item`, or -1.
	int32 IndexOf(const void* item) const;
	bool HasItem(const void* item) const { return IndexOf(item) >= 0; }

	// Inserts at 0..CountItems(); false for any other index or when memory runs out.
	bool AddItem(void* item, int32 index);
	bool AddItem(void* item);

	// Removes up to `n` items from `start` unless `check` vetoes one of them:
	// false for a start out of range, a negative n or a veto, removing nothing.
	bool RemoveItems(int32 start, int32 n, CheckFunction check = nullptr, void* data = nullptr);
	// The removed item, or null when the index is out of range.
	void* RemoveItem(int32 index);
	// Removes the first occurrence; false when the item is not listed.
	bool RemoveItem(void* item);

protected:
	// Room for later operations; they do nothing.
	virtual void _ReservedList1();
	virtual void _ReservedList2();

private:
	bool UsesInlineSlot() const { return fItems == &fInline; }
	void UseInitialStorage();
	void UseInlineSlot(void* item);
	bool GrowFor(int64 needed);
	void ShrinkFor(int32 remaining);

	void** fItems;
	// In items; 1 while the inline slot is used.
	int32 fCapacity;
	int32 fCount;
	void* fInline;
	int32 fBlockSize;
};
