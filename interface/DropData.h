// The data object of a drag started in this process, and the registered
// clipboard format "Quorvane Bundle" that is its only format.
//
// The dragged BMessage never leaves the process: it travels through the
// current drag message (DragMessage.h). The data object only tells a drop
// target that a bundle is offered; the bundle's stream carries no bytes, so
// other programs cannot read the message.
//
// The objects are made on the thread that runs the drag; a drop target on
// another thread reaches them through the platform's proxies. The format may
// be asked for from any thread.
#pragma once

#include "kernel/WinComObject.h"

#include <objidl.h>

// The bundle format, registered once per process; 0 when the platform refused
// the registration (tried again by the next caller).
CLIPFORMAT BundleClipboardFormat();

// The format entry of a bundle: the bundle format as a stream of content.
FORMATETC BundleFormatEtc();

class WinDropData final : public BPrivate::WinComObject<IDataObject, IID_IDataObject> {
public:
	class MessageStream;

	// Holds one entry: the bundle format with a message stream. Null when the
	// format cannot be registered or memory is short.
	static WinDropData* Create();

	HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
	HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
	HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
	HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* format, FORMATETC* canonical) override;
	HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
	HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator) override;
	HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection) override;
	HRESULT STDMETHODCALLTYPE DUnadvise(DWORD connection) override;
	HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** enumerator) override;

private:
	static constexpr int kEntryCount = 1;

	WinDropData(CLIPFORMAT bundle, IStream* stream);
	// Releases every medium.
	~WinDropData() override;

	// The entry serving `format`: one whose medium type shares a bit with the
	// requested one, of the same clipboard format and aspect. -1 for none.
	int FindEntry(const FORMATETC* format) const;

	FORMATETC fFormats[kEntryCount];
	STGMEDIUM fMedia[kEntryCount];
};

// The bundle's stream: a reference count and nothing else. It answers every
// read with no data and refuses every other request.
class WinDropData::MessageStream final : public BPrivate::WinComObject<IStream, IID_IStream> {
public:
	MessageStream() = default;

	HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) override;
	HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG size, ULONG* written) override;
	HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override;
	HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override;
	HRESULT STDMETHODCALLTYPE CopyTo(IStream* stream, ULARGE_INTEGER size, ULARGE_INTEGER* read,
		ULARGE_INTEGER* written) override;
	HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override;
	HRESULT STDMETHODCALLTYPE Revert() override;
	HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD type) override;
	HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD type) override;
	HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override;
	HRESULT STDMETHODCALLTYPE Clone(IStream** clone) override;

private:
	~MessageStream() override = default;
};
