// BClipboard and the process's one clipboard object.
#include "interface/Clipboard.h"

#include <new>

BClipboard* gClipboard = nullptr;

BClipboard::BClipboard()
	: mLock("BClipboard::mLock")
{
}

BClipboard::~BClipboard() = default;

status_t BPrivate::CreateClipboard()
{
	if (gClipboard != nullptr)
		return kOk;
	gClipboard = new (std::nothrow) BClipboard();
	return gClipboard != nullptr ? kOk : kNoMemory;
}

void BPrivate::DestroyClipboard()
{
	delete gClipboard;
	gClipboard = nullptr;
}
