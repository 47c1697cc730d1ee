// WinComObject: the IUnknown part that every COM object of the framework
// shares: a reference count changed with the platform's atomic increment and
// decrement, self-deletion when it reaches 0, and QueryInterface answering
// IUnknown and the object's one interface only.
//
// AddRef, Release and QueryInterface may be called from any thread; what the
// interface's own operations allow is said by each object. The framework
// counts its live COM objects, so that a leak of one shows in a test.
#pragma once

#include "support/SupportDefs.h"

#include <windows.h>

#include <objbase.h>

namespace BPrivate {

// COM objects of the framework alive in the process.
int32 CountLiveComObjects();
void NoteComObjectMade();
void NoteComObjectGone();

// The platform's interfaces declare no destructor: an object goes only
// through its own Release, which deletes it as what it is.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
template <typename Interface, const IID& kInterfaceId>
class WinComObject : public Interface {
public:
	WinComObject(const WinComObject&) = delete;
	WinComObject& operator=(const WinComObject&) = delete;

	HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
	{
		if (object == nullptr)
			return E_POINTER;
		if (!IsEqualIID(id, IID_IUnknown) && !IsEqualIID(id, kInterfaceId)) {
			*object = nullptr;
			return E_NOINTERFACE;
		}
		*object = static_cast<Interface*>(this);
		AddRef();
		return S_OK;
	}

	ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&fReferences)); }

	ULONG STDMETHODCALLTYPE Release() override
	{
		LONG left = InterlockedDecrement(&fReferences);
		if (left == 0)
			delete this;
		return static_cast<ULONG>(left);
	}

protected:
	// The maker holds the first reference.
	WinComObject() { NoteComObjectMade(); }
	virtual ~WinComObject() { NoteComObjectGone(); }

private:
	volatile LONG fReferences = 1;
};
#pragma GCC diagnostic pop

}  // namespace BPrivate
