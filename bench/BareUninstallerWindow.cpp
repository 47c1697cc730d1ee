// The uninstall window made with nothing but Win32 and flat GDI+: the baseline of
// the start-to-first-paint benchmark, and a stand-in on which the end-to-end
// tooling is developed.
//
// It shows what the uninstaller shows: the window "Uninstall Brisca" with a
// tool-window frame, not resizable, its client area's left-top at (20, 40); the
// explanatory line, the folder in bold (Documents\Quorvane\Brisca, or Quorvane
// when it holds nothing else), and native "OK" and "Cancel" buttons
// right-aligned under the text, laid out the way the uninstaller lays them out.
// Without the folder it says "There are no folders to remove." and "OK" is
// disabled. It never deletes anything: "OK", "Cancel" and the close box all end
// it with exit code 0. Everything runs on the main thread.
//
// With the argument --hooked, that thread carries a pass-through
// WH_CALLWNDPROC hook from the start, as every thread of the framework carries
// its foreground hook: the baseline of start to first paint on a hooked thread.
#include "bench/BenchHook.h"

#include <windows.h>
#include <commctrl.h>
#include <objidl.h>
#include <gdiplus.h>
#include <shlobj.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

constexpr wchar_t kTitle[] = L"Uninstall Brisca";
constexpr wchar_t kRemoveLine[] = L"This utility will remove the following folder from your computer:";
constexpr wchar_t kNothingLine[] = L"There are no folders to remove.";
constexpr int kOkId = 1;
constexpr int kCancelId = 2;
constexpr POINT kClientOrigin = {20, 40};
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;
// Layout, in pixels: the content's offset in the client area, a line's insets
// and the gap below it, the buttons' margin and their padding around the label.
constexpr float kContentOffset = 2.0f;
constexpr float kInsetX = 2.0f;
constexpr float kInsetY = 1.0f;
constexpr float kLineGap = 2.0f;
constexpr float kButtonMargin = 5.0f;
constexpr float kButtonPadding = 12.0f;
constexpr int kRightExtra = 2;
constexpr int kBottomExtra = 5;

struct TextLine {
	std::wstring text;
	bool bold;
	RectF frame;
};

struct Layout {
	TextLine lines[2];
	int lineCount = 0;
	RECT okButton;
	RECT cancelButton;
	SIZE client;
};

struct Screen {
	GpFont* plain = nullptr;
	GpFont* bold = nullptr;
	HFONT buttonFont = nullptr;
	Layout layout;
	bool folderFound = false;
};

std::wstring DocumentsFolder()
{
	wchar_t path[MAX_PATH];
	if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path)))
		return std::wstring();
	return path;
}

bool IsFolder(const std::wstring& path)
{
	DWORD attributes = GetFileAttributesW(path.c_str());
	return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// True when the folder holds exactly one entry, named `name`.
bool OnlyHolds(const std::wstring& folder, const wchar_t* name)
{
	WIN32_FIND_DATAW found;
	HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
	if (search == INVALID_HANDLE_VALUE)
		return false;
	int others = 0;
	bool named = false;
	do {
		if (wcscmp(found.cFileName, L".") == 0 || wcscmp(found.cFileName, L"..") == 0)
			continue;
		if (_wcsicmp(found.cFileName, name) == 0)
			named = true;
		else
			others++;
	} while (FindNextFileW(search, &found));
	FindClose(search);
	return named && others == 0;
}

// The folder the uninstaller would remove; empty when there is none.
std::wstring FolderToRemove()
{
	std::wstring documents = DocumentsFolder();
	if (documents.empty())
		return documents;
	std::wstring vendor = documents + L"\\Quorvane";
	std::wstring product = vendor + L"\\Brisca";
	if (!IsFolder(product))
		return std::wstring();
	return OnlyHolds(vendor, L"Brisca") ? vendor : product;
}

float TextWidth(GpGraphics* graphics, GpFont* font, const std::wstring& text)
{
	RectF layout(0, 0, 0, 0);
	RectF box;
	if (GdipMeasureString(graphics, text.c_str(), static_cast<INT>(text.size()), font, &layout, nullptr, &box,
		    nullptr, nullptr) != Ok)
		return 0.0f;
	return box.Width;
}

float FontHeight(GpGraphics* graphics, GpFont* font)
{
	REAL height = 0;
	GdipGetFontHeight(font, graphics, &height);
	return std::ceil(height);
}

// Lines stacked from the top, the folder a line's height below the text, and
// both buttons as wide as "Cancel" wants, right-aligned 5 pixels under it all.
Layout LayOut(GpGraphics* graphics, const Screen& screen, const std::wstring& folder)
{
	Layout layout;
	float y = kContentOffset;
	float widest = 0;
	auto addLine = [&](const std::wstring& text, bool bold) {
		GpFont* font = bold ? screen.bold : screen.plain;
		TextLine& line = layout.lines[layout.lineCount++];
		line.text = text;
		line.bold = bold;
		line.frame = RectF(kContentOffset, y, std::ceil(TextWidth(graphics, font, text)) + 2 * kInsetX,
			FontHeight(graphics, font) + 2 * kInsetY + 1);
		y += line.frame.Height + kLineGap;
		widest = std::max(widest, line.frame.GetRight());
	};
	addLine(folder.empty() ? kNothingLine : kRemoveLine, false);
	if (!folder.empty()) {
		y += FontHeight(graphics, screen.plain);
		addLine(folder, true);
	}

	float width = std::ceil(TextWidth(graphics, screen.plain, L"Cancel")) + kButtonPadding;
	float height = FontHeight(graphics, screen.plain) + kButtonPadding;
	float top = y - kLineGap + kButtonMargin;
	float cancelLeft = widest - kButtonMargin - width;
	float okLeft = cancelLeft - kButtonMargin - width;
	// Text narrower than the buttons: both move right until "OK" starts at the content's edge.
	float shift = std::max(0.0f, kContentOffset - okLeft);
	okLeft += shift;
	cancelLeft += shift;
	auto pixels = [](float left, float top_, float w, float h) {
		return RECT{static_cast<LONG>(left), static_cast<LONG>(top_), static_cast<LONG>(left + w),
			static_cast<LONG>(top_ + h)};
	};
	layout.okButton = pixels(okLeft, top, width, height);
	layout.cancelButton = pixels(cancelLeft, top, width, height);
	layout.client.cx = static_cast<LONG>(std::max(widest, cancelLeft + width)) + kRightExtra;
	layout.client.cy = layout.cancelButton.bottom + kBottomExtra;
	return layout;
}

void Paint(HWND window, const Screen& screen)
{
	PAINTSTRUCT paint;
	HDC dc = BeginPaint(window, &paint);
	GpGraphics* graphics = nullptr;
	if (GdipCreateFromHDC(dc, &graphics) == Ok) {
		GpSolidFill* background = nullptr;
		GpSolidFill* ink = nullptr;
		GdipCreateSolidFill(0xFFDCDCDC, &background);
		GdipCreateSolidFill(0xFF000000, &ink);
		RECT client;
		GetClientRect(window, &client);
		GdipFillRectangleI(graphics, background, 0, 0, client.right, client.bottom);
		for (int i = 0; i < screen.layout.lineCount; i++) {
			const TextLine& line = screen.layout.lines[i];
			RectF at(line.frame.X + kInsetX, line.frame.Y + kInsetY, 0, 0);
			GdipDrawString(graphics, line.text.c_str(), static_cast<INT>(line.text.size()),
				line.bold ? screen.bold : screen.plain, &at, nullptr, ink);
		}
		GdipDeleteBrush(ink);
		GdipDeleteBrush(background);
		GdipDeleteGraphics(graphics);
	}
	EndPaint(window, &paint);
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
	const Screen* screen = reinterpret_cast<const Screen*>(GetWindowLongPtrW(window, GWLP_USERDATA));
	switch (message) {
	case WM_PAINT:
		if (screen == nullptr)
			break;
		Paint(window, *screen);
		return 0;
	case WM_ERASEBKGND:
		return 1;
	case WM_COMMAND:
		if (LOWORD(wParam) == kOkId || LOWORD(wParam) == kCancelId)
			DestroyWindow(window);
		return 0;
	case WM_DESTROY:
		PostQuitMessage(0);
		return 0;
	default:
		break;
	}
	return DefWindowProcW(window, message, wParam, lParam);
}

bool MakeFonts(Screen& screen, HDC dc)
{
	NONCLIENTMETRICSW metrics = {};
	metrics.cbSize = sizeof(metrics);
	if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
		return false;
	LOGFONTW font = metrics.lfMessageFont;
	screen.buttonFont = CreateFontIndirectW(&font);
	if (GdipCreateFontFromLogfontW(dc, &font, &screen.plain) != Ok)
		return false;
	font.lfWeight = FW_BOLD;
	return GdipCreateFontFromLogfontW(dc, &font, &screen.bold) == Ok;
}

HWND MakeButton(HWND parent, const wchar_t* label, int id, const RECT& frame, bool enabled, HFONT font)
{
	DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | (enabled ? 0 : WS_DISABLED);
	HWND button = CreateWindowExW(0, L"button", label, style, frame.left, frame.top, frame.right - frame.left,
		frame.bottom - frame.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
		GetModuleHandleW(nullptr), nullptr);
	SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
	return button;
}

int RunWindow(HINSTANCE instance)
{
	Screen screen;
	HDC screenDC = GetDC(nullptr);
	GpGraphics* measuring = nullptr;
	bool ready = MakeFonts(screen, screenDC) && GdipCreateFromHDC(screenDC, &measuring) == Ok;
	if (ready) {
		std::wstring folder = FolderToRemove();
		screen.folderFound = !folder.empty();
		screen.layout = LayOut(measuring, screen, folder);
		GdipDeleteGraphics(measuring);
	}
	ReleaseDC(nullptr, screenDC);
	if (!ready)
		return 0;

	WNDCLASSEXW windowClass = {};
	windowClass.cbSize = sizeof(windowClass);
	windowClass.lpfnWndProc = WindowProcedure;
	windowClass.hInstance = instance;
	windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
	windowClass.lpszClassName = L"BareUninstallerWindow";
	RegisterClassExW(&windowClass);

	RECT frame = {kClientOrigin.x, kClientOrigin.y, kClientOrigin.x + screen.layout.client.cx,
		kClientOrigin.y + screen.layout.client.cy};
	AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
	HWND window = CreateWindowExW(kExStyle, windowClass.lpszClassName, kTitle, kStyle, frame.left, frame.top,
		frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
	if (window == nullptr)
		return 0;
	SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&screen));
	MakeButton(window, L"OK", kOkId, screen.layout.okButton, screen.folderFound, screen.buttonFont);
	MakeButton(window, L"Cancel", kCancelId, screen.layout.cancelButton, true, screen.buttonFont);
	ShowWindow(window, SW_SHOW);
	UpdateWindow(window);

	MSG message;
	while (GetMessageW(&message, nullptr, 0, 0) > 0) {
		// Tab moves between the buttons and Space presses one, as in a dialog.
		if (IsDialogMessageW(window, &message))
			continue;
		TranslateMessage(&message);
		DispatchMessageW(&message);
	}
	GdipDeleteFont(screen.bold);
	GdipDeleteFont(screen.plain);
	DeleteObject(screen.buttonFont);
	return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
	std::unique_ptr<BenchThreadHook> hook;
	if (std::strcmp(commandLine, "--hooked") == 0)
		hook.reset(new BenchThreadHook);
	INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
	InitCommonControlsEx(&controls);
	GdiplusStartupInput input;
	ULONG_PTR token = 0;
	if (GdiplusStartup(&token, &input, nullptr) != Ok)
		return 0;
	RunWindow(instance);
	GdiplusShutdown(token);
	return 0;
}
