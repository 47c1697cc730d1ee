// BWindow: a looper that owns one native top-level window and a tree of views.
//
// The window's looper thread creates the native window, receives its native
// messages and dispatches the framework messages they become, so native
// messages, framework messages and painting of one window all run on that
// thread, and only that thread acts on the native windows. Every other thread
// changes a window by posting to it (Show and Hide post) or with the window
// locked; everything else, SetSize included, expects the window locked by the
// caller, as for any looper, and the mutating operations report a call made
// without the lock through the debugger hook (WindowLockCheck). A change made
// on another thread changes the window's state at once and reaches the native
// windows at the window thread's next turn (the '_RSN' it posts). The window
// owns its views and deletes itself when its looper quits.
#pragma once

#include "interface/Color.h"
#include "interface/Point.h"
#include "interface/Rect.h"
#include "interface/WinTypes.h"
#include "messaging/Looper.h"
#include "support/List.h"

class BMenuBar;
class BMenuItem;
class BNativeWindow;
class BView;
class BWindow;

namespace BPrivate {
struct WindowNative;
}

// Looks: the native frame of a window. Other values give an ordinary frame
// with a caption.
constexpr int32 kToolWindowLook = 7;
constexpr int32 kSizeBoxLook = 11;
constexpr int32 kBorderlessLook = 19;

// Feels. kOwnedFeel windows are owned by the window of the thread that made
// them, which cannot be activated while they live; kOwnedFeel to
// kLastModalFeel are modal (no quit shortcut); floating windows stay on top
// and are never activated.
constexpr int32 kNormalFeel = 0;
constexpr int32 kOwnedFeel = 1;
constexpr int32 kLastModalFeel = 3;
constexpr int32 kFirstFloatingFeel = 4;
constexpr int32 kLastFloatingFeel = 6;

// Window flags.
constexpr uint32 kNotResizable = 0x2;
constexpr uint32 kNoSystemMenu = 0x20;
constexpr uint32 kNotMinimizable = 0x4000;
constexpr uint32 kUsesOpacity = 0x200000;
constexpr uint32 kDropShadow = 0x400000;

// Window state bits.
constexpr uint32 kWindowHidden = 0x1;
constexpr uint32 kUsesColorKey = 0x2;

// Modes of keyboard navigation.
constexpr uint32 kNavigateForward = 0x1;
constexpr uint32 kNavigateGroups = 0x2;

// The pending drop hand-over of a drag between views of this window.
struct drop_hand_over {
	bool pendingRelease = false;
	int32 x = 0;
	int32 y = 0;
	uint32 keyState = 0;
};

class BWindow : public BLooper {
public:
	// Hidden, with no native window until it is shown. The new window is
	// locked by the constructing thread, as every new looper is.
	BWindow(BRect frame, const BString& name, int32 look, int32 feel, uint32 flags);
	~BWindow() override;

	void HandleMessage(BMessage* message) override;
	void DispatchToHandler(BMessage* message, BHandler* handler) override;
	int32 Run() override;
	// Without the caller holding the lock, reports the misuse and goes on.
	void Quit() override;
	// Hands a changed modifier state to the preferred handler as '_MCH' first.
	void DispatchOne(BMessage* message, BHandler* handler, token_t token, bool preferred) override;
	void ThreadStartHook() override;

	virtual void OnMenusBeginning();
	virtual void OnMenusEnded();
	virtual void OnWindowActivated(bool active);
	// True when the key was consumed.
	virtual bool OnKeyDown(const char* bytes, int32 numBytes);
	virtual bool OnKeyUp(const char* bytes, int32 numBytes);
	// The next shown navigable view after `from` in depth-first order (before
	// it without kNavigateForward), wrapping; null when there is none.
	virtual BView* NextNavigationTarget(BView* from, uint32 mode);
	virtual void ShowFocusCues();
	virtual void OnFrameMoved(float x, float y);
	virtual void OnFrameResized(float width, float height);
	virtual void Show();
	virtual void Hide();
	virtual void OnScreenChanged(uint32 mode);
	// Both exempt a window from the application's polite quit.
	virtual bool IsQuitExempt();
	virtual bool IsSystemWindow();
	virtual void OnWindowCreated();
	virtual void OnFocusChanged(BView* focus);

	// The native frame (client area in screen coordinates) when it can be
	// read, else the stored frame.
	BRect Frame() const;
	// (0, 0, client width, client height), else the stored frame at (0, 0).
	BRect Bounds() const;
	// Keeps the left-top corner. Without a native window the frame changes at
	// once; with one, the change is applied by the '_RSN' it posts, however
	// many SetSize calls come before. Either way it writes the window's frame
	// state: the caller holds the window's lock.
	[[nodiscard]] status_t SetSize(float width, float height);
	// On the window's thread: moves the native window to the pending frame
	// and the views' native windows to theirs, and gives the native windows
	// what other threads changed meanwhile (views added and removed, their
	// visibility, enabling and text, the focus). A call on another thread is
	// reported and does nothing.
	void ApplyPendingFrame();
	// Screen to client coordinates, rounded; -1 without a native window.
	[[nodiscard]] status_t ScreenToWindow(BPoint* point) const;
	bool IsActive() const;

	void SetFocus(BView* view);
	BView* CurrentFocus() const { return fFocusView; }
	// Adds a view under the root view, marked top-level: its Parent() is null.
	[[nodiscard]] status_t AddChild(BView* view, BView* before = nullptr);
	BView* RootView() const { return fRootView; }
	BView* MouseView() const { return fMouseView; }

	// A key with exactly these modifiers (shift, control, alt, menu) posts a
	// message with `what` to `target` (with no target: to the preferred
	// handler). The key is compared case-insensitively. Before the window runs.
	[[nodiscard]] status_t AddShortcut(uint32 key, uint32 modifiers, uint32 what, BHandler* target);
	// As above, invoking a menu item (not owned) instead of posting.
	[[nodiscard]] status_t AddShortcut(uint32 key, uint32 modifiers, BMenuItem* item);

	int32 Look() const { return fLook; }
	int32 Feel() const { return fFeel; }
	uint32 Flags() const { return fFlags; }
	uint32 State() const { return fState; }
	// The colour and the flags choose the native window class; set them before
	// the window is shown.
	rgb_color BackgroundColor() const { return fBackgroundColor; }
	void SetBackgroundColor(rgb_color colour);
	// The transparent colour of a layered window as the platform's colour
	// word (red in the low byte).
	uint32 ColorKey() const { return fColorKey; }
	// Makes the colour transparent in a layered window; before it is shown.
	void SetColorKey(uint32 key);
	float Opacity() const { return fOpacity; }
	// 0..1, used with kUsesOpacity; before the window is shown.
	void SetOpacity(float opacity);
	BMenuBar* MenuBar() const { return fMenuBar; }
	// Before the window is shown; the window does not own the menu bar.
	void SetMenuBar(BMenuBar* menuBar);

	// Modifier words: the last ones reported with '_MCH', and those of the
	// latest input.
	uint32 PreviousModifiers() const { return fPreviousModifiers; }
	uint32 CurrentModifiers() const { return fCurrentModifiers; }

	// The view under a drag started in this window, or null.
	BView* DragView() const { return fDragView; }

	// The window whose looper runs the calling thread, or null.
	static BWindow* ThreadWindow();

private:
	// The few operations its views and the native layer need (WindowNative.h).
	friend struct BPrivate::WindowNative;

	struct shortcut_entry;

	static constexpr uint8 kHandlingNativeFocus = 0x1;
	// Left by other threads to the window's: the attach pass over views they
	// added, and the native focus of a focus view they set.
	static constexpr uint8 kAttachPending = 0x4;
	static constexpr uint8 kNativeFocusPending = 0x8;

	HWND NativeHandle() const;
	// Asks for an ApplyPendingFrame: posts one '_RSN' unless one is outstanding.
	void RequestPendingFrame();
	// The native window procedures report the window's frame changes here.
	void ReportFrameChange();
	// True while a native focus change is handled, during which SetFocus does
	// not move the native focus back.
	bool IsHandlingNativeFocus() const { return (fTransientBits & kHandlingNativeFocus) != 0; }
	void SetHandlingNativeFocus(bool handling);

	void ShowNativeWindow();
	void AttachViews();
	// A view was added on another thread: the window's thread runs the attach
	// pass at its next turn.
	void RequestAttachPass();
	// Moves every view's native window to its frame at the window's current
	// scale and gives it the control font made for that scale.
	void RescaleViews();
	void InvokeMenuCommand(BMessage* message);
	void GiveNativeFocus();
	// Forgets a view that leaves the window as focus, mouse or drag view.
	void ForgetView(BView* view);

	// Dispatch of the system messages.
	void HandleActivation(BMessage* message);
	void HandleKey(BMessage* message, BHandler* target);
	void HandleShortcutKey(BMessage* message, uint32 key, uint32 modifiers);
	void HandleMouseDown(BMessage* message, BView* view);
	void HandleMouseMoved(BMessage* message, BView* view);
	void HandleMouseUp(BMessage* message, BView* view);
	void HandleWheel(BMessage* message);
	// Appends the views of the tree under `view` in depth-first order.
	static void CollectViews(BView* view, BList* views);
	void NavigateByTab(uint32 modifiers);
	void NavigateKeyboard(uint32 mode);
	void DeleteShortcuts();

	BRect fFrame;
	BView* fRootView = nullptr;
	BView* fFocusView = nullptr;
	BView* fDragView = nullptr;
	BView* fMouseView = nullptr;
	BMenuBar* fMenuBar = nullptr;
	rgb_color fBackgroundColor{255, 255, 255, 255};
	bool fStarted = false;
	bool fActive = false;
	int32 fLook;
	int32 fFeel;
	uint32 fFlags;
	uint32 fState = 0;
	uint8 fTransientBits = 0;
	uint32 fColorKey = 0;
	float fOpacity = 1.0f;
	drop_hand_over fDropHandOver;
	uint32 fPreviousModifiers = 0;
	uint32 fCurrentModifiers = 0;
	BList fShortcuts;
	int32 fShortcutRepeat = -1;
	BNativeWindow* fNativeWindow = nullptr;
};
