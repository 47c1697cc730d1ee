// WinComPtr: the one owner of a reference to a COM object.
//
// It releases the reference when it goes, the way WinOwner releases a kernel
// handle, so that no path can leak a COM object it was handed. Owners move and
// never copy, and are used by one thread at a time. Any layer that talks to
// COM (OLE drag and drop in the interface, the shell's file operations in
// storage) holds its interface pointers in one.
#pragma once

// Holds one reference to a COM object and releases it when it goes.
template <typename Interface>
class WinComPtr {
public:
	WinComPtr() = default;
	// Takes over a reference the caller already holds.
	explicit WinComPtr(Interface* object) : fObject(object) {}
	~WinComPtr() { Reset(); }

	WinComPtr(WinComPtr&& other) noexcept : fObject(other.Detach()) {}
	WinComPtr& operator=(WinComPtr&& other) noexcept
	{
		if (this != &other) {
			Reset();
			fObject = other.Detach();
		}
		return *this;
	}

	WinComPtr(const WinComPtr&) = delete;
	WinComPtr& operator=(const WinComPtr&) = delete;

	Interface* Get() const { return fObject; }
	Interface* operator->() const { return fObject; }
	explicit operator bool() const { return fObject != nullptr; }

	// For creators that answer through an out parameter; releases what was held.
	Interface** Receive()
	{
		Reset();
		return &fObject;
	}

	Interface* Detach()
	{
		Interface* object = fObject;
		fObject = nullptr;
		return object;
	}

	void Reset()
	{
		if (fObject != nullptr) {
			Interface* object = fObject;
			fObject = nullptr;
			object->Release();
		}
	}

private:
	Interface* fObject = nullptr;
};
