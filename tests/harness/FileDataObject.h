// A data object that offers a list of files as CF_HDROP, as the shell's drags
// do: for tests of drop targets with data that is not the framework's own.
// Header only, so that the helper programs can use it without the framework.
#pragma once

#include <windows.h>

#include <ole2.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

namespace zeltest {

// The platform's interfaces declare no destructor; Release deletes the object.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
template <typename Interface>
class ComObject : public Interface {
public:
	virtual ~ComObject() = default;

	HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
	{
		if (object == nullptr)
			return E_POINTER;
		if (!IsEqualIID(id, IID_IUnknown) && !IsEqualIID(id, __uuidof(Interface))) {
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

private:
	volatile LONG fReferences = 1;
};
#pragma GCC diagnostic pop

class FileDataObject : public ComObject<IDataObject> {
public:
	explicit FileDataObject(std::vector<std::wstring> files) : fFiles(std::move(files)) {}

	HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override
	{
		if (QueryGetData(format) != S_OK)
			return DV_E_FORMATETC;
		medium->tymed = TYMED_HGLOBAL;
		medium->pUnkForRelease = nullptr;
		medium->hGlobal = MakeFileList();
		return medium->hGlobal != nullptr ? S_OK : E_OUTOFMEMORY;
	}
	HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
	HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override
	{
		bool files = format != nullptr && format->cfFormat == CF_HDROP && (format->tymed & TYMED_HGLOBAL) != 0 &&
		             format->dwAspect == DVASPECT_CONTENT;
		return files ? S_OK : DV_E_FORMATETC;
	}
	HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* canonical) override
	{
		if (canonical != nullptr)
			canonical->ptd = nullptr;
		return E_NOTIMPL;
	}
	HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
	HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator) override
	{
		if (direction != DATADIR_GET)
			return E_NOTIMPL;
		FORMATETC files = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
		return SHCreateStdEnumFmtEtc(1, &files, enumerator);
	}
	HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override
	{
		return OLE_E_ADVISENOTSUPPORTED;
	}
	HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
	HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
	// A DROPFILES block listing the files, double-null terminated, in UTF-16.
	HGLOBAL MakeFileList() const
	{
		size_t characters = 1;
		for (const std::wstring& file : fFiles)
			characters += file.size() + 1;
		HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + characters * sizeof(wchar_t));
		if (block == nullptr)
			return nullptr;
		auto* header = static_cast<DROPFILES*>(GlobalLock(block));
		header->pFiles = sizeof(DROPFILES);
		header->fWide = TRUE;
		wchar_t* names = reinterpret_cast<wchar_t*>(header + 1);
		for (const std::wstring& file : fFiles) {
			std::memcpy(names, file.c_str(), (file.size() + 1) * sizeof(wchar_t));
			names += file.size() + 1;
		}
		GlobalUnlock(block);
		return block;
	}

	std::vector<std::wstring> fFiles;
};

}  // namespace zeltest
