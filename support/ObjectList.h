// BObjectList<T>: a typed pointer list that can own its objects.
//
// An owning list deletes every object it still holds when it is destroyed or
// emptied; removing a single item hands it back to the caller undeleted.
// Not locked.
#pragma once

#include "support/PointerList.h"

template<class T>
class BObjectList : public _PointerList_ {
public:
	explicit BObjectList(int32 blockSize = 1, bool owning = false)
		: _PointerList_(blockSize, owning)
	{
	}
	~BObjectList() override { DeleteOwnedItems(); }

	void MakeEmpty()
	{
		DeleteOwnedItems();
		_PointerList_::MakeEmpty();
	}

	T* ItemAt(int32 index) const { return static_cast<T*>(BList::ItemAt(index)); }
	T* ItemAtFast(int32 index) const { return static_cast<T*>(BList::ItemAtFast(index)); }
	int32 IndexOf(const T* item) const { return BList::IndexOf(item); }
	bool HasItem(const T* item) const { return BList::HasItem(item); }
	bool AddItem(T* item) { return BList::AddItem(item); }
	bool AddItem(T* item, int32 index) { return BList::AddItem(item, index); }
	// The item, now the caller's, or null when the index is out of range.
	T* RemoveItem(int32 index) { return static_cast<T*>(BList::RemoveItem(index)); }
	bool RemoveItem(T* item) { return BList::RemoveItem(static_cast<void*>(item)); }

private:
	void DeleteOwnedItems()
	{
		if (!Owning())
			return;
		for (int32 i = 0; i < CountItems(); i++)
			delete ItemAtFast(i);
	}
};
