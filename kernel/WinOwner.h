// WinOwner: the one owner of a platform handle.
//
// Every kernel handle, find handle, GDI object, device context, window, cursor
// and similar platform resource is held by exactly one WinOwner, which releases
// it in its destructor, so that no path (an early return included) can leak it.
// Owners move and never copy. The traits say what the handle type is, which
// value means "none" and how the handle is released:
//
//   struct Traits {
//       typedef HANDLE Handle;
//       static Handle Invalid();           // the "none" value
//       static bool IsValid(Handle h);     // anything else may be released
//       static void Release(Handle h);     // called once per valid handle
//   };
//
// An owner is used by one thread at a time, like the object that holds it.
//
// The kernel owners below need no platform header, so that the support and
// messaging headers that hold them stay free of it.
#pragma once

#include <cstdint>

template <typename Traits>
class WinOwner {
public:
	typedef typename Traits::Handle Handle;

	WinOwner() = default;
	explicit WinOwner(Handle handle) : fHandle(handle) {}
	~WinOwner() { Reset(); }

	WinOwner(WinOwner&& other) noexcept : fHandle(other.Release()) {}
	WinOwner& operator=(WinOwner&& other) noexcept
	{
		if (this != &other)
			Reset(other.Release());
		return *this;
	}

	WinOwner(const WinOwner&) = delete;
	WinOwner& operator=(const WinOwner&) = delete;

	Handle Get() const { return fHandle; }
	bool IsValid() const { return Traits::IsValid(fHandle); }
	explicit operator bool() const { return IsValid(); }

	// Gives the handle up without releasing it.
	Handle Release()
	{
		Handle handle = fHandle;
		fHandle = Traits::Invalid();
		return handle;
	}

	// Releases the held handle, then holds `handle`.
	void Reset(Handle handle = Traits::Invalid())
	{
		if (handle == fHandle)
			return;
		if (Traits::IsValid(fHandle))
			Traits::Release(fHandle);
		fHandle = handle;
	}

private:
	Handle fHandle = Traits::Invalid();
};

namespace BPrivate {

// The platform's INVALID_HANDLE_VALUE.
inline void* InvalidHandleValue()
{
	return reinterpret_cast<void*>(static_cast<intptr_t>(-1));
}

// Kernel objects (threads, events, semaphores, mutexes, files). Both null and
// INVALID_HANDLE_VALUE mean none, since the platform's creators fail with either.
struct KernelHandleTraits {
	typedef void* Handle;
	static Handle Invalid() { return nullptr; }
	static bool IsValid(Handle handle) { return handle != nullptr && handle != InvalidHandleValue(); }
	static void Release(Handle handle);
};

// Directory searches, closed with FindClose rather than CloseHandle.
struct FindHandleTraits {
	typedef void* Handle;
	static Handle Invalid() { return InvalidHandleValue(); }
	static bool IsValid(Handle handle) { return handle != nullptr && handle != InvalidHandleValue(); }
	static void Release(Handle handle);
};

}  // namespace BPrivate

typedef WinOwner<BPrivate::KernelHandleTraits> WinHandle;
typedef WinOwner<BPrivate::FindHandleTraits> WinFindHandle;
