// ViewInput: what a native message of a view's native window becomes, the
// mouse messages' fields, pointer tracking and the cursor, and the same mouse
// messages for the steps of a drag. Private to the interface layer.
//
// Used on the view's window thread with the window locked, for a native
// message of the view's and for the steps of a drag alike.
#pragma once

#include "interface/NativeDispatch.h"
#include "interface/Point.h"

#include <windows.h>

#include <memory>

class BMessage;
class BView;

namespace BPrivate {

// The framework's mouse buttons held in the platform's mouse-key bits.
int32 ButtonsOfMouseKeys(WPARAM keys);

// What a native message of a view becomes.
struct view_event : native_event {
	explicit view_event(HWND handle) : native_event(handle), receiver(handle) {}

	bool HasMessage() const { return message.what != 0 || paint; }
	// A control's command or notification goes to the control's view, which
	// owes it no default handling: the receiver's previous procedure gets it.
	bool ForReceiver() const { return target == receiver; }

	// The native window whose message this is.
	HWND receiver;
	// Made for the mouse-up that ends an in-process drag.
	std::unique_ptr<BMessage> dropped;
	bool callPrevious = false;
	bool paint = false;
};

class ViewInput {
public:
	enum class MouseKind { kDown, kUp, kMove, kLeave };

	// Turns a native message of `view`'s native window `handle` into its
	// event; an event without message or paint leaves the native message to
	// the previous procedure.
	static void BuildEvent(BView* view, HWND handle, UINT message, WPARAM wParam, LPARAM lParam, view_event* event);

	// The mouse message a drag makes over `view` at `client` (client
	// coordinates of its native window), with the fields a native one has:
	// a kMove with the transit given, a kLeave in the exit form, a kUp that
	// takes the current drag message into `dropped` with the drop point.
	static void BuildDragMouseMessage(BView* view, POINT client, MouseKind kind, int32 transit, int32 buttons,
		BMessage* message, std::unique_ptr<BMessage>* dropped);
	// A drag step over the view: the first one, or any while the view does not
	// track the pointer, enters it and shows its cursor. The transit.
	static int32 TrackDrag(BView* view, bool entering);
	// The view tracks the pointer no more: a drag left it or dropped on it, a
	// drag it started ended, or its window's activation changed.
	static void ForgetTracking(BView* view);
	// A drop on the view ends any drag it started and gives the pointer back.
	static void EndDrop(BView* view);
	// Disarms the leave notification and forgets the tracking, before the
	// platform's drag loop takes the pointer.
	static void StopTracking(BView* view);

private:
	static void BuildMouseEvent(BView* view, HWND handle, LPARAM lParam, MouseKind kind, int32 buttons,
		int32 clicks, view_event* event);
	static void AddMouseFields(BView* view, BPoint point, MouseKind kind, int32 transit, int32 buttons,
		int32 clicks, BMessage* message);
	static int32 TransitOf(BView* view, BPoint point);
	static int32 ExitForm(BView* view, BPoint* point);
	static void StartTracking(BView* view, HWND handle);
	static void ShowCursorOf(const BView* view);
};

}  // namespace BPrivate
