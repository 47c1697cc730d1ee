// WinOleInitialization: starting and stopping OLE on the calling thread.
#include "kernel/WinOleInitialization.h"

#include <windows.h>

#include <ole2.h>

WinOleInitialization WinOleInitialization::Begin()
{
	WinOleInitialization owner;
	owner.fStarted = SUCCEEDED(OleInitialize(nullptr));
	return owner;
}

WinOleInitialization& WinOleInitialization::operator=(WinOleInitialization&& other) noexcept
{
	if (this != &other) {
		Reset();
		fStarted = other.fStarted;
		other.fStarted = false;
	}
	return *this;
}

void WinOleInitialization::Reset()
{
	if (fStarted)
		OleUninitialize();
	fStarted = false;
}
