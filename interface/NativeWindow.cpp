// BNativeWindow: creation and destruction of a window's native window, the
// native windows and drop targets left to the window's thread, the size box,
// the display's scale and the controls' font, and the window's use of its
// off-screen buffer.
#include "interface/NativeWindow.h"

#include "interface/InterfaceMetrics.h"
#include "interface/Menu.h"
#include "interface/NativeCoordinates.h"
#include "interface/NativeHandle.h"
#include "interface/NativeWindowStyle.h"
#include "interface/OffscreenBuffer.h"
#include "interface/OwnedWindows.h"
#include "interface/WinClassRegistry.h"
#include "interface/Window.h"
#include "interface/WindowNative.h"
#include "kernel/ProcessSlots.h"

#include <cstring>
#include <new>
#include <utility>

namespace {

// A frame this far to the left asks for the platform's default place.
constexpr float kDefaultPlaceLeft = -31000.0f;
constexpr int kDefaultPlaceWidth = 600;
constexpr int kDefaultPlaceHeight = 400;

constexpr DWORD kSizeBoxStyle = WS_CHILD | WS_VISIBLE | SBS_SIZEBOX;

uint32 ColorWord(rgb_color colour)
{
	uint32 word;
	std::memcpy(&word, &colour, sizeof(word));
	return word;
}

}  // namespace

// --- creation and destruction ---

BNativeWindow::BNativeWindow(int32 look, int32 feel) : fLook(look)
{
	if (feel != kOwnedFeel)
		return;
	if (BWindow* creator = BWindow::ThreadWindow())
		fOwner = BPrivate::NativeHandleOf(creator);
}

BNativeWindow::~BNativeWindow() = default;

HWND BNativeWindow::CreateNativeWindow(BWindow* window)
{
	BPrivate::_WinClassRegistry* registry = BPrivate::_WinClassRegistry::Get();
	if (registry == nullptr)
		return nullptr;
	// The creation messages already run the views' attach pass on this thread.
	fThreadId = GetCurrentThreadId();
	fOle = WinOleInitialization::Begin();
	fStateCopy = window->State();

	BString className;
	BString title = window->Name();
	HWND handle = nullptr;
	if (registry->FindOrRegisterClass(className, ColorWord(window->BackgroundColor()), window->Flags()) == kOk &&
		!className.IsEmpty() && !title.IsEmpty()) {
		BRect outer = OuterRectFromFrame(BPrivate::WindowNative::StoredFrame(window), FrameAdjustment(window), fScale);
		int x = BPrivate::WholePixels(outer.left);
		int y = BPrivate::WholePixels(outer.top);
		int width = BPrivate::WholePixels(outer.right - outer.left);
		int height = BPrivate::WholePixels(outer.bottom - outer.top);
		if (x < kDefaultPlaceLeft) {
			x = 0;
			y = 0;
			width = kDefaultPlaceWidth;
			height = kDefaultPlaceHeight;
		}
		HMENU menu = window->MenuBar() != nullptr ? window->MenuBar()->BuildNativeMenu(window) : nullptr;
		handle = CreateWindowExW(ComputeWindowExStyle(window), className.Chars(), title.Chars(),
			ComputeWindowStyle(window), x, y, width, height, fOwner, menu, ProcessModuleHandle(), window);
	}
	if (handle == nullptr) {
		fHandle = nullptr;
		fOle.Reset();
		return nullptr;
	}
	fHandle = handle;
	if (fOwner != nullptr)
		BPrivate::AddOwnedWindow(fOwner, handle);
	// Made at the system's scale; a display of another one takes the window
	// and its views to its own.
	BPrivate::DisplayScale scale = BPrivate::DisplayScaleOf(handle);
	if (scale != fScale)
		BPrivate::WindowNative::ApplyDisplayScale(window, scale, nullptr);
	// The creation message is answered without the default handling that
	// would have set the text.
	SetWindowTextW(handle, title.Chars());
	ApplyLayeredAttributes(window, handle);
	if ((fStateCopy & kWindowHidden) == 0) {
		SetWindowPos(handle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
		ShowWindow(handle, SW_SHOWNORMAL);
	}
	return handle;
}

void BNativeWindow::DestroyNativeWindow()
{
	DestroyDeferred();
	if (fHandle == nullptr)
		return;
	if (fOwner != nullptr)
		BPrivate::RemoveOwnedWindow(fOwner, fHandle);
	// The window object is going: the messages destruction sends (activation,
	// focus) find no handler.
	SetWindowLongPtrW(fHandle, GWLP_USERDATA, 0);
	DestroyWindow(fHandle);
	fHandle = nullptr;
	fSizeBox = nullptr;
	fOle.Reset();
}

void BNativeWindow::DeferDestruction(HWND handle)
{
	// Without memory for the note the native window stays until the window's
	// own goes, which takes its children with it; it reaches no view either way.
	(void)fDeferredWindows.AddItem(handle);
}

void BNativeWindow::DeferRevocation(WinDropTargetRegistration registration)
{
	WinDropTargetRegistration* kept = new (std::nothrow) WinDropTargetRegistration(std::move(registration));
	if (kept != nullptr && fDeferredRevocations.AddItem(kept))
		return;
	// Without memory for the note the target stays registered (it reaches no
	// view any more) until the process ends: this thread cannot revoke it.
	if (kept != nullptr) {
		kept->Abandon();
		delete kept;
	} else {
		registration.Abandon();
	}
}

// The targets go first: a native window takes its registration with it, but
// not the reference the registration held. The native windows have their own
// procedures back already; what is noted of them goes, since the platform
// may hand their handles to new windows.
void BNativeWindow::DestroyDeferred()
{
	fDeferredRevocations.MakeEmpty();
	for (HWND handle : fDeferredWindows) {
		ForgetViewProcedure(handle);
		EnumChildWindows(handle, &BNativeWindow::ForgetChildProcedure, reinterpret_cast<LPARAM>(this));
		DestroyWindow(handle);
	}
	fDeferredWindows.MakeEmpty();
}

BOOL CALLBACK BNativeWindow::ForgetChildProcedure(HWND child, LPARAM nativeWindow)
{
	reinterpret_cast<BNativeWindow*>(nativeWindow)->ForgetViewProcedure(child);
	return TRUE;
}

void BNativeWindow::NoteViewProcedure(HWND handle, WNDPROC previous)
{
	// Without memory for the note the view's procedure hands untranslated
	// messages to the default procedure instead.
	(void)fViewProcedures.AddItem(handle, previous);
}

void BNativeWindow::ForgetViewProcedure(HWND handle)
{
	(void)fViewProcedures.RemoveItemFor(handle);  // a window never noted has nothing to forget
}

WNDPROC BNativeWindow::ViewProcedureOf(HWND handle) const
{
	return fViewProcedures.ValueFor(handle);
}

void BNativeWindow::CreateSizeBox(HWND parent)
{
	if (fLook != kSizeBoxLook)
		return;
	fSizeBox = CreateWindowExW(0, L"SCROLLBAR", L"Size Box", kSizeBoxStyle, 0, 0, 0, 0, parent, nullptr,
		ProcessModuleHandle(), nullptr);
	PlaceSizeBox();
}

void BNativeWindow::PlaceSizeBox()
{
	if (fSizeBox == nullptr || fHandle == nullptr)
		return;
	int width = static_cast<int>(InterfaceMetric(kVerticalScrollBarWidthMetric));
	int height = static_cast<int>(InterfaceMetric(kHorizontalScrollBarHeightMetric));
	RECT client;
	if (!GetClientRect(fHandle, &client))
		return;
	MoveWindow(fSizeBox, client.right - width, client.bottom - height, width, height, TRUE);
}

// --- the display's scale ---

WinFont BNativeWindow::SetScale(BPrivate::DisplayScale scale)
{
	fScale = scale;
	return std::move(fControlFont);
}

// The stock GUI font is made for the system's DPI: brought back to its 96-DPI
// height in whole pixels, then to the window's scale, the buttons' labels
// grow with everything else.
HFONT BNativeWindow::ControlFont()
{
	if (fControlFont)
		return fControlFont.Get();
	HFONT stock = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
	LOGFONTW logfont = {};
	if (stock == nullptr || GetObjectW(stock, sizeof(logfont), &logfont) != sizeof(logfont))
		return stock;
	LONG heightAt96 = BPrivate::FontHeightAt96Dpi(logfont.lfHeight, BPrivate::SystemDisplayScale());
	logfont.lfHeight = fScale.FontHeight(heightAt96);
	fControlFont.Reset(CreateFontIndirectW(&logfont));
	return fControlFont ? fControlFont.Get() : stock;
}

void BNativeWindow::SetPendingFrame(BRect frame)
{
	fPendingFrame = frame;
	fPendingFrameValid = true;
}

// --- off-screen drawing ---

WinGdipGraphics* BNativeWindow::BeginOffscreenDraw(BRect update)
{
	int32 width = BPrivate::CeiledPixels(update.right - update.left);
	int32 height = BPrivate::CeiledPixels(update.bottom - update.top);
	if (width <= 0 || height <= 0 || (fBuffer != nullptr && fBuffer->IsDrawing()))
		return nullptr;
	if (fBuffer == nullptr || fBuffer->Width() < width || fBuffer->Height() < height) {
		// The buffer only grows, in each direction; the old one goes first.
		if (fBuffer != nullptr) {
			width = width > fBuffer->Width() ? width : fBuffer->Width();
			height = height > fBuffer->Height() ? height : fBuffer->Height();
			fBuffer.reset();
		}
		fBuffer = BPrivate::OffscreenBuffer::Create(fHandle, width, height);
		if (fBuffer == nullptr)
			return nullptr;
	}
	return fBuffer->BeginDraw(update);
}

void BNativeWindow::EndOffscreenDraw(HDC target)
{
	if (fBuffer != nullptr)
		fBuffer->EndDraw(target);
}

BPoint BNativeWindow::ContainerOffset() const
{
	return fBuffer != nullptr ? fBuffer->ContainerOffset() : BPoint();
}

int32 BNativeWindow::BufferWidth() const
{
	return fBuffer != nullptr ? fBuffer->Width() : 0;
}

int32 BNativeWindow::BufferHeight() const
{
	return fBuffer != nullptr ? fBuffer->Height() : 0;
}
