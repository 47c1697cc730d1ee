// WindowProbe: tells end-to-end tests where a program's native windows are.
//
// Native child windows (buttons and the like) are not X windows of their own, so
// a test that wants to press one asks this helper, run in the same Wine prefix,
// where it is on the screen, and clicks its centre with real X input.
//
//   WindowProbe wait TITLE MILLISECONDS   waits until a visible top-level window
//                                        titled TITLE exists; prints it
//   WindowProbe list TITLE [MILLISECONDS] prints the window, its client area, its
//                                        close box and every descendant
//   WindowProbe box TITLE [MILLISECONDS]  as list, for a message box (a dialog of
//                                        class #32770) titled TITLE
//
// wait and list pass over message boxes, which a program may caption with its
// window's title.
//
// Output, one record a line, fields separated by '|' ('%', '|', CR and LF in a
// text are written as %25, %7C, %0D and %0A); rectangles are screen pixels
// left|top|right|bottom, flags are 0 or 1:
//
//   window|HANDLE|LEFT|TOP|RIGHT|BOTTOM|ENABLED|VISIBLE|TITLE
//   client|LEFT|TOP|RIGHT|BOTTOM
//   close|X|Y                      centre of the caption's close box
//   child|CLASS|TEXT|LEFT|TOP|RIGHT|BOTTOM|ENABLED|VISIBLE|ID
//
// Exit code 0 when the window was found, 1 when the deadline passed without it,
// 2 on a usage error.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Utf8(const std::wstring& text)
{
	if (text.empty())
		return std::string();
	int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
		nullptr);
	std::string utf8(static_cast<size_t>(size), '\0');
	WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], size, nullptr, nullptr);
	return utf8;
}

std::string Field(const std::wstring& text)
{
	std::string escaped;
	for (char c : Utf8(text)) {
		switch (c) {
		case '%': escaped += "%25"; break;
		case '|': escaped += "%7C"; break;
		case '\r': escaped += "%0D"; break;
		case '\n': escaped += "%0A"; break;
		default: escaped += c; break;
		}
	}
	return escaped;
}

std::wstring WindowText(HWND window)
{
	int length = GetWindowTextLengthW(window);
	std::wstring text(static_cast<size_t>(length) + 1, L'\0');
	text.resize(static_cast<size_t>(GetWindowTextW(window, &text[0], length + 1)));
	return text;
}

std::wstring ClassOf(HWND window)
{
	wchar_t name[256];
	int length = GetClassNameW(window, name, 256);
	return std::wstring(name, static_cast<size_t>(length > 0 ? length : 0));
}

void PrintRect(const RECT& rect)
{
	printf("|%ld|%ld|%ld|%ld", rect.left, rect.top, rect.right, rect.bottom);
}

// The class of dialogs, message boxes among them.
const wchar_t* const kDialogClass = L"#32770";

// The first visible top-level window of that title that is a dialog, or is not.
HWND FindShownWindow(const std::wstring& title, bool dialog)
{
	HWND window = nullptr;
	while ((window = FindWindowExW(nullptr, window, nullptr, title.c_str())) != nullptr) {
		if (IsWindowVisible(window) && (ClassOf(window) == kDialogClass) == dialog)
			return window;
	}
	return nullptr;
}

HWND WaitForWindow(const std::wstring& title, bool dialog, DWORD deadlineMillis)
{
	DWORD start = GetTickCount();
	for (;;) {
		HWND window = FindShownWindow(title, dialog);
		if (window != nullptr)
			return window;
		if (GetTickCount() - start >= deadlineMillis)
			return nullptr;
		Sleep(20);
	}
}

RECT ClientOnScreen(HWND window)
{
	RECT client;
	GetClientRect(window, &client);
	POINT origin = {0, 0};
	ClientToScreen(window, &origin);
	OffsetRect(&client, origin.x, origin.y);
	return client;
}

// The close box sits at the right end of the caption, which ends where the
// client area begins; tool windows have the small caption and buttons.
POINT CloseBoxCentre(HWND window, const RECT& frame, const RECT& client)
{
	bool tool = (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0;
	int captionHeight = GetSystemMetrics(tool ? SM_CYSMCAPTION : SM_CYCAPTION);
	int buttonWidth = GetSystemMetrics(tool ? SM_CXSMSIZE : SM_CXSIZE);
	int border = client.left - frame.left;
	return POINT{frame.right - border - buttonWidth / 2 - 1, client.top - captionHeight / 2};
}

void PrintWindow(HWND window)
{
	RECT frame;
	GetWindowRect(window, &frame);
	printf("window|%p", static_cast<void*>(window));
	PrintRect(frame);
	printf("|%d|%d|%s\n", IsWindowEnabled(window) ? 1 : 0, IsWindowVisible(window) ? 1 : 0,
		Field(WindowText(window)).c_str());
}

BOOL CALLBACK PrintChild(HWND child, LPARAM)
{
	RECT frame;
	GetWindowRect(child, &frame);
	printf("child|%s|%s", Field(ClassOf(child)).c_str(), Field(WindowText(child)).c_str());
	PrintRect(frame);
	printf("|%d|%d|%ld\n", IsWindowEnabled(child) ? 1 : 0, IsWindowVisible(child) ? 1 : 0,
		static_cast<long>(GetDlgCtrlID(child)));
	return TRUE;
}

void PrintAll(HWND window)
{
	PrintWindow(window);
	RECT frame;
	GetWindowRect(window, &frame);
	RECT client = ClientOnScreen(window);
	printf("client");
	PrintRect(client);
	printf("\n");
	POINT close = CloseBoxCentre(window, frame, client);
	printf("close|%ld|%ld\n", close.x, close.y);
	EnumChildWindows(window, PrintChild, 0);
}

}  // namespace

// The wide entry point of -municode programs.
int wmain(int argc, wchar_t** argv);

int wmain(int argc, wchar_t** argv)
{
	if (argc < 3) {
		fprintf(stderr, "usage: WindowProbe wait|list|box TITLE [MILLISECONDS]\n");
		return 2;
	}
	std::wstring mode = argv[1];
	DWORD deadline = argc > 3 ? static_cast<DWORD>(wcstoul(argv[3], nullptr, 10)) : 0;
	if (mode != L"wait" && mode != L"list" && mode != L"box")
		return 2;
	HWND window = WaitForWindow(argv[2], mode == L"box", deadline);
	if (window == nullptr) {
		fprintf(stderr, "WindowProbe: no visible window \"%s\"\n", Utf8(argv[2]).c_str());
		return 1;
	}
	if (mode == L"wait")
		PrintWindow(window);
	else
		PrintAll(window);
	fflush(stdout);
	return 0;
}
