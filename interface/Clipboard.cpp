// BClipboard and the process's one clipboard object.
#include "interface/Clipboard.h"

#include "support/ProcessService.h"

BClipboard* gClipboard = nullptr;

BClipboard::BClipboard()
	: mLock("BClipboard::mLock")
{
}

BClipboard::~BClipboard() = default;

status_t BPrivate::CreateClipboard()
{
	return CreateProcessService(&gClipboard);
}

void BPrivate::DestroyClipboard()
{
	DestroyProcessService(&gClipboard);
}
