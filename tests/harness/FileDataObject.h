// A data object that offers a list of files as CF_HDROP, as the shell's drags
// do: for tests of drop targets with data that is not the framework's own.
#pragma once

#include "kernel/WinComObject.h"

#include <windows.h>

#include <ole2.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

namespace zeltest {

class FileDataObject final : public BPrivate::WinComObject<IDataObject, IID_IDataObject> {
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
	~FileDataObject() override = default;

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
