// Releasing the kernel handles that WinHandle and WinFindHandle own.
#include "kernel/WinOwner.h"

#include <windows.h>

namespace BPrivate {

void KernelHandleTraits::Release(Handle handle)
{
	// Closing fails only for a handle that is not open, which an owner never holds.
	CloseHandle(handle);
}

void FindHandleTraits::Release(Handle handle)
{
	FindClose(handle);
}

}  // namespace BPrivate
