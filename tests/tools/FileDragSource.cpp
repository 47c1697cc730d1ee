// FileDragSource: another program that drags files, as the shell does, for
// tests of drop targets across processes.
//
//   FileDragSource LEFT TOP WIDTH HEIGHT TITLE FILE...
//
// Shows a window titled TITLE at the given screen rectangle. A press of the
// left button in it starts the platform's drag loop (DoDragDrop, effects copy,
// move and link) with a data object of its own that offers the files as
// CF_HDROP; the drag drops when the button is released and is cancelled by
// Escape. The program then ends.
//
// Exit code: the effect the drop target chose (0 to 7) after a drop; 16 plus
// the effect after a cancel; 64 when the drag loop failed; 65 when the window
// could not be made; 66 when no press came within 30 seconds; 2 on a usage
// error.
#include <windows.h>

#include <ole2.h>
#include <shlobj.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int kCancelled = 16;
constexpr int kLoopFailed = 64;
constexpr int kNoWindow = 65;
constexpr int kNoPress = 66;
constexpr UINT_PTR kGiveUpTimer = 1;
constexpr UINT kGiveUpMillis = 30000;

int gExitCode = kNoPress;
std::vector<std::wstring> gFiles;

// Holds a reference count for the two small COM objects below. The
// platform's interfaces declare no destructor; Release deletes the object.
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

// A DROPFILES block listing the files, double-null terminated, in UTF-16.
HGLOBAL MakeFileList()
{
	size_t characters = 1;
	for (const std::wstring& file : gFiles)
		characters += file.size() + 1;
	HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + characters * sizeof(wchar_t));
	if (block == nullptr)
		return nullptr;
	auto* header = static_cast<DROPFILES*>(GlobalLock(block));
	header->pFiles = sizeof(DROPFILES);
	header->fWide = TRUE;
	wchar_t* names = reinterpret_cast<wchar_t*>(header + 1);
	for (const std::wstring& file : gFiles) {
		std::memcpy(names, file.c_str(), (file.size() + 1) * sizeof(wchar_t));
		names += file.size() + 1;
	}
	GlobalUnlock(block);
	return block;
}

class FileData : public ComObject<IDataObject> {
public:
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
};

class LeftButtonSource : public ComObject<IDropSource> {
public:
	HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keyState) override
	{
		if (escapePressed)
			return DRAGDROP_S_CANCEL;
		return (keyState & MK_LBUTTON) != 0 ? S_OK : DRAGDROP_S_DROP;
	}
	HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

int DragFiles()
{
	FileData* data = new FileData();
	LeftButtonSource* source = new LeftButtonSource();
	DWORD effect = DROPEFFECT_NONE;
	HRESULT result = DoDragDrop(data, source, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, &effect);
	data->Release();
	source->Release();
	if (result == DRAGDROP_S_DROP)
		return static_cast<int>(effect);
	if (result == DRAGDROP_S_CANCEL)
		return kCancelled + static_cast<int>(effect);
	return kLoopFailed;
}

LRESULT CALLBACK SourceProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
	switch (message) {
	case WM_LBUTTONDOWN:
		KillTimer(window, kGiveUpTimer);
		gExitCode = DragFiles();
		DestroyWindow(window);
		return 0;
	case WM_TIMER:
		DestroyWindow(window);
		return 0;
	case WM_DESTROY:
		PostQuitMessage(0);
		return 0;
	default:
		return DefWindowProcW(window, message, wParam, lParam);
	}
}

}  // namespace

int wmain(int argc, wchar_t** argv);

int wmain(int argc, wchar_t** argv)
{
	if (argc < 7)
		return 2;
	int left = _wtoi(argv[1]);
	int top = _wtoi(argv[2]);
	int width = _wtoi(argv[3]);
	int height = _wtoi(argv[4]);
	for (int i = 6; i < argc; i++)
		gFiles.emplace_back(argv[i]);
	if (FAILED(OleInitialize(nullptr)))
		return kNoWindow;

	WNDCLASSEXW windowClass = {};
	windowClass.cbSize = sizeof(windowClass);
	windowClass.lpfnWndProc = SourceProcedure;
	windowClass.hInstance = GetModuleHandleW(nullptr);
	windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
	windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
	windowClass.lpszClassName = L"FileDragSource";
	HWND window = nullptr;
	if (RegisterClassExW(&windowClass) != 0)
		window = CreateWindowExW(WS_EX_TOPMOST, windowClass.lpszClassName, argv[5], WS_POPUP | WS_VISIBLE, left,
			top, width, height, nullptr, nullptr, windowClass.hInstance, nullptr);
	if (window == nullptr) {
		OleUninitialize();
		return kNoWindow;
	}
	SetForegroundWindow(window);
	SetTimer(window, kGiveUpTimer, kGiveUpMillis, nullptr);
	MSG message;
	while (GetMessageW(&message, nullptr, 0, 0) > 0) {
		TranslateMessage(&message);
		DispatchMessageW(&message);
	}
	OleUninitialize();
	return gExitCode;
}
