// BNativeWindow: creation and destruction of a window's native window, its
// style words and frame conversions, the owned-window map, the size box and
// the off-screen buffer.
#include "interface/NativeWindow.h"

#include "interface/GdiPlus.h"
#include "interface/GdiPlusFlat.h"
#include "interface/InterfaceMetrics.h"
#include "interface/Menu.h"
#include "interface/NativeCoordinates.h"
#include "interface/ViewDropTarget.h"
#include "interface/WinClassRegistry.h"
#include "interface/Window.h"
#include "interface/WindowNative.h"
#include "kernel/ProcessSlots.h"
#include "support/Autolock.h"
#include "support/KeyedVector.h"
#include "support/Locker.h"

#include <ole2.h>

#include <cstring>
#include <utility>

namespace {

// Style words.
constexpr uint32 kPopupStyle = WS_POPUP;
constexpr uint32 kFramedStyle = WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr uint32 kClipStyle = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
constexpr uint32 kFloatingExStyle = WS_EX_NOACTIVATE | WS_EX_TOPMOST;

// A frame this far to the left asks for the platform's default place.
constexpr float kDefaultPlaceLeft = -31000.0f;
constexpr int kDefaultPlaceWidth = 600;
constexpr int kDefaultPlaceHeight = 400;

constexpr DWORD kSizeBoxStyle = WS_CHILD | WS_VISIBLE | SBS_SIZEBOX;

// Every owner's owned native windows, in the order of their creation.
BKeyedVector<HWND, BVector<HWND>> gOwnedWindows;
BLocker gModals("WinWindow:gModals");

void AddOwnedWindow(HWND owner, HWND owned)
{
	BAutolock lock(gModals);
	if (!lock.IsLocked())
		return;
	BVector<HWND> list = gOwnedWindows.ValueFor(owner);
	// Without memory the window is simply not tracked as owned.
	if (list.AddItem(owned) >= 0)
		gOwnedWindows.AddItem(owner, list);
}

void RemoveOwnedWindow(HWND owner, HWND owned)
{
	BAutolock lock(gModals);
	if (!lock.IsLocked())
		return;
	if (BVector<HWND>* list = gOwnedWindows.EditValueFor(owner)) {
		for (int32 i = list->CountItems() - 1; i >= 0; i--) {
			if (list->ItemAt(i) == owned)
				list->RemoveItemsAt(i);
		}
		if (list->CountItems() == 0)
			gOwnedWindows.RemoveItemFor(owner);
	}
}

uint32 ColorWord(rgb_color colour)
{
	uint32 word;
	std::memcpy(&word, &colour, sizeof(word));
	return word;
}

// The translation GDI+ shows inside a freshly begun container: none where
// containers compose with the outer transform, the outer one where they keep it.
BPoint TranslationInsideContainer(WinGdipGraphics* graphics)
{
	Gdiplus::GpMatrix* matrix = nullptr;
	if (gdip::GdipCreateMatrix(&matrix) != Gdiplus::Ok)
		return BPoint();
	Gdiplus::REAL elements[6] = {};
	BPoint offset;
	if (gdip::GdipGetWorldTransform(graphics->Native(), matrix) == Gdiplus::Ok &&
		gdip::GdipGetMatrixElements(matrix, elements) == Gdiplus::Ok)
		offset = BPoint(elements[4], elements[5]);
	gdip::GdipDeleteMatrix(matrix);
	return offset;
}

}  // namespace

// --- styles and frames ---

uint32 ComputeWindowStyle(const BWindow* window)
{
	uint32 style = kPopupStyle;
	if (window->Look() != kBorderlessLook) {
		style = kFramedStyle;
		if ((window->Flags() & kNoSystemMenu) == 0)
			style |= WS_SYSMENU;
		if ((window->Flags() & kNotMinimizable) != 0)
			style &= ~static_cast<uint32>(WS_MINIMIZEBOX);
		if ((window->Flags() & kNotResizable) != 0)
			style &= ~static_cast<uint32>(WS_THICKFRAME | WS_MAXIMIZEBOX);
	}
	return style | kClipStyle;
}

uint32 ComputeWindowExStyle(const BWindow* window)
{
	uint32 exStyle = WS_EX_CONTROLPARENT;
	if ((window->State() & kUsesColorKey) != 0 || (window->Flags() & kUsesOpacity) != 0)
		exStyle |= WS_EX_LAYERED;
	if (window->Feel() >= kFirstFloatingFeel && window->Feel() <= kLastFloatingFeel)
		exStyle |= kFloatingExStyle;
	if (window->Look() == kToolWindowLook)
		exStyle |= WS_EX_TOOLWINDOW;
	return exStyle;
}

void ApplyLayeredAttributes(const BWindow* window, HWND handle)
{
	DWORD mode = 0;
	if ((window->Flags() & kUsesOpacity) != 0)
		mode |= LWA_ALPHA;
	if ((window->State() & kUsesColorKey) != 0)
		mode |= LWA_COLORKEY;
	if (mode == 0)
		return;
	BYTE alpha = static_cast<BYTE>(window->Opacity() * 255.0f);
	SetLayeredWindowAttributes(handle, window->ColorKey(), alpha, mode);
}

RECT FrameAdjustment(const BWindow* window)
{
	RECT adjustment = {0, 0, 0, 0};
	AdjustWindowRectEx(&adjustment, ComputeWindowStyle(window), window->MenuBar() != nullptr,
		ComputeWindowExStyle(window));
	return adjustment;
}

BRect OuterRectFromFrame(BRect frame, const RECT& adjustment, BPrivate::DisplayScale scale)
{
	return BRect(scale.ToNative(frame.left) + adjustment.left, scale.ToNative(frame.top) + adjustment.top,
		scale.ToNative(frame.right) + adjustment.right, scale.ToNative(frame.bottom) + adjustment.bottom);
}

BRect FrameFromOuterRect(const RECT& outer, const RECT& adjustment, BPrivate::DisplayScale scale)
{
	return BRect(scale.ToFramework(outer.left - adjustment.left), scale.ToFramework(outer.top - adjustment.top),
		scale.ToFramework(outer.right - adjustment.right), scale.ToFramework(outer.bottom - adjustment.bottom));
}

HBITMAP CreateBufferBitmap(HDC dc, int32 width, int32 height)
{
	BITMAPINFO info = {};
	info.bmiHeader.biSize = sizeof(info.bmiHeader);
	info.bmiHeader.biWidth = width;
	// Positive: bottom-up rows.
	info.bmiHeader.biHeight = height;
	info.bmiHeader.biPlanes = 1;
	info.bmiHeader.biBitCount = 24;
	info.bmiHeader.biCompression = BI_RGB;
	void* bits = nullptr;
	return CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

HWND LastOwnedWindow(HWND owner)
{
	BAutolock lock(gModals);
	if (!lock.IsLocked())
		return nullptr;
	const BVector<HWND>& list = gOwnedWindows.ValueFor(owner);
	return list.CountItems() > 0 ? list.ItemAt(list.CountItems() - 1) : nullptr;
}

// --- creation and destruction ---

BNativeWindow::BNativeWindow(int32 look, int32 feel) : fLook(look)
{
	if (feel != kOwnedFeel)
		return;
	if (BWindow* creator = BWindow::ThreadWindow())
		fOwner = creator->NativeHandle();
}

BNativeWindow::~BNativeWindow()
{
	FreeBuffer();
}

HWND BNativeWindow::CreateNativeWindow(BWindow* window)
{
	BPrivate::_WinClassRegistry* registry = BPrivate::_WinClassRegistry::Get();
	if (registry == nullptr)
		return nullptr;
	// The creation messages already run the views' attach pass on this thread.
	fThreadId = GetCurrentThreadId();
	// OLE on this thread serves the views' drop targets.
	fOleInitialized = SUCCEEDED(OleInitialize(nullptr));
	fStateCopy = window->State();

	BString className;
	BString title = window->Name();
	HWND handle = nullptr;
	if (registry->FindOrRegisterClass(className, ColorWord(window->BackgroundColor()), window->Flags()) == kOk &&
		!className.IsEmpty() && !title.IsEmpty()) {
		BRect outer = OuterRectFromFrame(window->fFrame, FrameAdjustment(window), fScale);
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
		if (fOleInitialized)
			OleUninitialize();
		fOleInitialized = false;
		return nullptr;
	}
	fHandle = handle;
	if (fOwner != nullptr)
		AddOwnedWindow(fOwner, handle);
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
		RemoveOwnedWindow(fOwner, fHandle);
	// The window object is going: the messages destruction sends (activation,
	// focus) find no handler.
	SetWindowLongPtrW(fHandle, GWLP_USERDATA, 0);
	DestroyWindow(fHandle);
	fHandle = nullptr;
	fSizeBox = nullptr;
	if (fOleInitialized)
		OleUninitialize();
	fOleInitialized = false;
}

void BNativeWindow::DeferDestruction(HWND handle)
{
	// Without memory for the note the native window stays until the window's
	// own goes, which takes its children with it; it reaches no view either way.
	(void)fDeferredWindows.AddItem(handle);
}

void BNativeWindow::DeferRevocation(HWND handle, WinViewDropTarget* target)
{
	// Without memory for the note the target stays registered (it reaches no
	// view any more) until the process ends.
	(void)fDeferredTargets.AddItem(deferred_revocation{handle, target});
}

// The targets go first: a native window takes its registration with it, but
// not the reference the registration held. The native windows have their own
// procedures back already; what is noted of them goes, since the platform
// may hand their handles to new windows.
void BNativeWindow::DestroyDeferred()
{
	for (const deferred_revocation& revocation : fDeferredTargets)
		WinViewDropTarget::Revoke(revocation.target, revocation.handle);
	fDeferredTargets.MakeEmpty();
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
	if (width <= 0 || height <= 0 || fContainer != 0)
		return nullptr;
	if (fGraphics != nullptr && (fBufferWidth < width || fBufferHeight < height)) {
		// The buffer only grows, in each direction.
		int32 grownWidth = width > fBufferWidth ? width : fBufferWidth;
		int32 grownHeight = height > fBufferHeight ? height : fBufferHeight;
		FreeBuffer();
		width = grownWidth;
		height = grownHeight;
	}
	if (fGraphics == nullptr && !MakeBuffer(width, height))
		return nullptr;

	fDrawRect = update;
	fGraphics->SetTranslation(-update.left, -update.top);
	uint32 state = 0;
	if (fGraphics->BeginContainer(&state) != 0 || state == 0)
		return nullptr;
	fContainer = state;
	fContainerOffset = TranslationInsideContainer(fGraphics.get());
	return fGraphics.get();
}

void BNativeWindow::EndOffscreenDraw(HDC target)
{
	if (fContainer == 0)
		return;
	fGraphics->EndContainer(fContainer);
	fGraphics->FlushSync();
	fContainer = 0;
	GdiFlush();
	BitBlt(target, BPrivate::WholePixels(fDrawRect.left), BPrivate::WholePixels(fDrawRect.top),
		BPrivate::CeiledPixels(fDrawRect.right - fDrawRect.left),
		BPrivate::CeiledPixels(fDrawRect.bottom - fDrawRect.top), fMemoryDC.Get(), 0, 0, SRCCOPY);
}

bool BNativeWindow::MakeBuffer(int32 width, int32 height)
{
	WinWindowDC windowDC(fHandle);
	if (!windowDC)
		return false;
	WinCreatedDC memoryDC(CreateCompatibleDC(windowDC.Get()));
	if (!memoryDC)
		return false;

	WinBitmap bitmap(CreateBufferBitmap(windowDC.Get(), width, height));
	if (!bitmap)
		return false;
	HGDIOBJ previous = SelectObject(memoryDC.Get(), bitmap.Get());
	if (previous == nullptr || previous == HGDI_ERROR)
		return false;
	std::unique_ptr<WinGdipGraphics> graphics = WinGdipGraphics::CreateFromDC(memoryDC.Get());
	if (graphics == nullptr) {
		SelectObject(memoryDC.Get(), previous);
		return false;
	}
	fMemoryDC = std::move(memoryDC);
	fBitmap = std::move(bitmap);
	fPreviousBitmap = previous;
	fGraphics = std::move(graphics);
	fBufferWidth = width;
	fBufferHeight = height;
	return true;
}

void BNativeWindow::FreeBuffer()
{
	fGraphics.reset();
	fContainer = 0;
	if (fMemoryDC && fPreviousBitmap != nullptr)
		SelectObject(fMemoryDC.Get(), fPreviousBitmap);
	fPreviousBitmap = nullptr;
	fBitmap.Reset();
	fMemoryDC.Reset();
	fBufferWidth = 0;
	fBufferHeight = 0;
}
