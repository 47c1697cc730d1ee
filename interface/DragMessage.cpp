// The current drag message slot and its ReadWriteLock.
#include "interface/DragMessage.h"

#include "messaging/Message.h"
#include "support/ReadWriteLock.h"

#include "support/ProcessService.h"

#include <atomic>
#include <new>

namespace {

ReadWriteLock* gDragMessageLock = nullptr;
BMessage* gDragMessage = nullptr;
// Follows gDragMessage, written under the write lock, read without a lock.
std::atomic<bool> gHasDragMessage{false};

}  // namespace

status_t SetCurrentDragMessage(BMessage* message)
{
	if (gDragMessageLock == nullptr) {
		delete message;
		return kNotInitialised;
	}
	if (!gDragMessageLock->WriteLock()) {
		delete message;
		return kError;
	}
	BMessage* previous = gDragMessage;
	gDragMessage = message;
	gHasDragMessage.store(message != nullptr, std::memory_order_release);
	gDragMessageLock->WriteUnlock();
	delete previous;
	return kOk;
}

bool HasCurrentDragMessage()
{
	return gHasDragMessage.load(std::memory_order_acquire);
}

std::unique_ptr<BMessage> CurrentDragMessageCopy()
{
	DragMessageReader reader;
	if (reader.Message() == nullptr)
		return nullptr;
	return std::unique_ptr<BMessage>(new (std::nothrow) BMessage(*reader.Message()));
}

DragMessageReader::DragMessageReader()
{
	if (gDragMessageLock == nullptr || !gDragMessageLock->ReadLock())
		return;
	fLocked = true;
	fMessage = gDragMessage;
}

DragMessageReader::~DragMessageReader()
{
	if (fLocked)
		gDragMessageLock->ReadUnlock();
}

status_t BPrivate::CreateDragMessageLock()
{
	return CreateProcessService(&gDragMessageLock);
}

void BPrivate::DestroyDragMessageLock()
{
	delete gDragMessage;
	gDragMessage = nullptr;
	gHasDragMessage.store(false, std::memory_order_release);
	DestroyProcessService(&gDragMessageLock);
}
