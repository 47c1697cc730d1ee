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
#include "tests/harness/FileDataObject.h"

#include <windows.h>

#include <ole2.h>

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

class LeftButtonSource final : public BPrivate::WinComObject<IDropSource, IID_IDropSource> {
public:
	HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keyState) override
	{
		if (escapePressed)
			return DRAGDROP_S_CANCEL;
		return (keyState & MK_LBUTTON) != 0 ? S_OK : DRAGDROP_S_DROP;
	}
	HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

private:
	~LeftButtonSource() override = default;
};

int DragFiles()
{
	zeltest::FileDataObject* data = new zeltest::FileDataObject(gFiles);
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
