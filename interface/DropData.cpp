// The bundle format, the data object of an in-process drag and its stream.
#include "interface/DropData.h"

#include "support/Autolock.h"
#include "support/Locker.h"

#include <new>

namespace {

constexpr wchar_t kBundleFormatName[] = L"Quorvane Bundle";
// The shell's standard format enumerator, exported by ordinal only on older
// systems.
constexpr WORD kStdEnumFormatOrdinal = 74;

BLocker gBundleFormatLock("DropData:gBundleFormatLock");
CLIPFORMAT gBundleFormat = 0;

typedef HRESULT(WINAPI* StdEnumFormatFactory)(UINT count, const FORMATETC* formats, IEnumFORMATETC** enumerator);

StdEnumFormatFactory FindStdEnumFormatFactory()
{
	// The framework imports the shell library, so it stays loaded for the
	// life of the process.
	HMODULE shell = GetModuleHandleW(L"shell32.dll");
	if (shell == nullptr)
		return nullptr;
	return reinterpret_cast<StdEnumFormatFactory>(
		reinterpret_cast<void*>(GetProcAddress(shell, MAKEINTRESOURCEA(kStdEnumFormatOrdinal))));
}

}  // namespace

CLIPFORMAT BundleClipboardFormat()
{
	BAutolock lock(gBundleFormatLock);
	if (!lock.IsLocked())
		return 0;
	if (gBundleFormat == 0)
		gBundleFormat = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(kBundleFormatName));
	return gBundleFormat;
}

FORMATETC BundleFormatEtc()
{
	return FORMATETC{BundleClipboardFormat(), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM};
}

// --- the data object ---

WinDropData* WinDropData::Create()
{
	CLIPFORMAT bundle = BundleClipboardFormat();
	if (bundle == 0)
		return nullptr;
	MessageStream* stream = new (std::nothrow) MessageStream();
	if (stream == nullptr)
		return nullptr;
	WinDropData* data = new (std::nothrow) WinDropData(bundle, stream);
	if (data == nullptr)
		stream->Release();
	return data;
}

WinDropData::WinDropData(CLIPFORMAT bundle, IStream* stream)
{
	fFormats[0] = FORMATETC{bundle, nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM};
	fMedia[0] = STGMEDIUM{};
	fMedia[0].tymed = TYMED_ISTREAM;
	fMedia[0].pstm = stream;
	fMedia[0].pUnkForRelease = nullptr;
}

WinDropData::~WinDropData()
{
	for (STGMEDIUM& medium : fMedia)
		ReleaseStgMedium(&medium);
}

int WinDropData::FindEntry(const FORMATETC* format) const
{
	for (int i = 0; i < kEntryCount; i++) {
		const FORMATETC& entry = fFormats[i];
		if ((entry.tymed & format->tymed) != 0 && entry.cfFormat == format->cfFormat &&
			entry.dwAspect == format->dwAspect)
			return i;
	}
	return -1;
}

HRESULT WinDropData::GetData(FORMATETC* format, STGMEDIUM* medium)
{
	if (format == nullptr || medium == nullptr)
		return E_INVALIDARG;
	int index = FindEntry(format);
	if (index < 0)
		return DV_E_FORMATETC;
	// The one entry holds a stream, handed out with a reference of its own.
	medium->tymed = fMedia[index].tymed;
	medium->pUnkForRelease = nullptr;
	medium->pstm = fMedia[index].pstm;
	medium->pstm->AddRef();
	return S_OK;
}

HRESULT WinDropData::GetDataHere(FORMATETC*, STGMEDIUM*)
{
	return DV_E_FORMATETC;
}

HRESULT WinDropData::QueryGetData(FORMATETC* format)
{
	if (format == nullptr)
		return E_INVALIDARG;
	return FindEntry(format) >= 0 ? S_OK : DV_E_FORMATETC;
}

HRESULT WinDropData::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* canonical)
{
	if (canonical != nullptr)
		canonical->ptd = nullptr;
	return E_NOTIMPL;
}

HRESULT WinDropData::SetData(FORMATETC*, STGMEDIUM*, BOOL)
{
	return E_NOTIMPL;
}

HRESULT WinDropData::EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator)
{
	if (enumerator == nullptr)
		return E_INVALIDARG;
	*enumerator = nullptr;
	if (direction != DATADIR_GET)
		return E_NOTIMPL;
	static const StdEnumFormatFactory factory = FindStdEnumFormatFactory();
	if (factory == nullptr)
		return E_NOTIMPL;
	return factory(kEntryCount, fFormats, enumerator);
}

HRESULT WinDropData::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*)
{
	return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT WinDropData::DUnadvise(DWORD)
{
	return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT WinDropData::EnumDAdvise(IEnumSTATDATA**)
{
	return OLE_E_ADVISENOTSUPPORTED;
}

// --- the stream ---

HRESULT WinDropData::MessageStream::Read(void*, ULONG, ULONG* read)
{
	if (read != nullptr)
		*read = 0;
	return S_FALSE;
}

HRESULT WinDropData::MessageStream::Write(const void*, ULONG, ULONG* written)
{
	if (written != nullptr)
		*written = 0;
	return STG_E_ACCESSDENIED;
}

HRESULT WinDropData::MessageStream::Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*)
{
	return STG_E_INVALIDFUNCTION;
}

HRESULT WinDropData::MessageStream::SetSize(ULARGE_INTEGER)
{
	return STG_E_INVALIDFUNCTION;
}

HRESULT WinDropData::MessageStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*)
{
	return STG_E_INVALIDFUNCTION;
}

HRESULT WinDropData::MessageStream::Commit(DWORD)
{
	return S_OK;
}

HRESULT WinDropData::MessageStream::Revert()
{
	return STG_E_INVALIDFUNCTION;
}

HRESULT WinDropData::MessageStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD)
{
	return STG_E_INVALIDFUNCTION;
}

HRESULT WinDropData::MessageStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD)
{
	return STG_E_INVALIDFUNCTION;
}

HRESULT WinDropData::MessageStream::Stat(STATSTG*, DWORD)
{
	return STG_E_INVALIDFUNCTION;
}

HRESULT WinDropData::MessageStream::Clone(IStream**)
{
	return STG_E_INVALIDFUNCTION;
}
