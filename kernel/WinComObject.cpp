// The count of the framework's live COM objects.
#include "kernel/WinComObject.h"

#include <atomic>

namespace BPrivate {

namespace {

std::atomic<int32> gLiveComObjects{0};

}  // namespace

int32 CountLiveComObjects()
{
	return gLiveComObjects.load(std::memory_order_relaxed);
}

void NoteComObjectMade()
{
	gLiveComObjects.fetch_add(1, std::memory_order_relaxed);
}

void NoteComObjectGone()
{
	gLiveComObjects.fetch_sub(1, std::memory_order_relaxed);
}

}  // namespace BPrivate
