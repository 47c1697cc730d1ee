// The current drag message slot and its ReadWriteLock.
#include "interface/DragMessage.h"

#include "messaging/Message.h"
#include "support/ReadWriteLock.h"

#include "support/ProcessService.h"

namespace {

ReadWriteLock* gDragMessageLock = nullptr;
BMessage* gDragMessage = nullptr;

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
	gDragMessageLock->WriteUnlock();
	delete previous;
	return kOk;
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
	DestroyProcessService(&gDragMessageLock);
}
