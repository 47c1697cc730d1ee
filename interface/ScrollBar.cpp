// BScrollBar: the native scroll bar control and the scrolling of its target.
#include "interface/ScrollBar.h"

#include "interface/NativeCoordinates.h"
#include "interface/NativeHandle.h"
#include "interface/WindowLockCheck.h"
#include "interface/WindowNative.h"
#include "messaging/Message.h"
#include "messaging/Messenger.h"
#include "messaging/TypeCodes.h"

#include <windows.h>

#include <cmath>

namespace {

// Sent by the bar to itself when another thread changed it: the native bar
// follows on the window's thread.
constexpr uint32 kUpdateNativeBar = FourCC("BSBN");

// The native bar counts in whole units of the value.
int ToNativeUnits(float value)
{
	return static_cast<int>(std::lround(value));
}

}  // namespace

// A vertical bar keeps to its parent's right edge and grows with its height;
// a horizontal one keeps to the bottom edge and grows with the width.
constexpr uint32 kVerticalBarFollowMode = 0x1434;
constexpr uint32 kHorizontalBarFollowMode = 0x3234;

BScrollBar::BScrollBar(BRect frame, const char* name, BView* target, float minimum, float maximum, bool vertical)
	: BView(frame, name, vertical ? kVerticalBarFollowMode : kHorizontalBarFollowMode, 0),
	  fTarget(target),
	  fMinimum(minimum),
	  fMaximum(maximum > minimum ? maximum : minimum),
	  fValue(minimum),
	  fVertical(vertical)
{
	if (fTarget != nullptr)
		fTarget->AttachScrollBar(this, fVertical);
}

BScrollBar::~BScrollBar()
{
	if (fTarget != nullptr)
		fTarget->DetachScrollBar(this);
}

HWND BScrollBar::CreateNativeView(HWND parent, HINSTANCE instance)
{
	// A native control, which paints itself.
	DWORD style = WS_CHILD | WS_VISIBLE | (fVertical ? SBS_VERT : SBS_HORZ);
	BRect frame = Frame();
	BPrivate::DisplayScale scale = BPrivate::ScaleOf(this);
	HWND handle = CreateWindowExW(0, L"SCROLLBAR", L"", style, BPrivate::NativeUnits(frame.left, scale),
		BPrivate::NativeUnits(frame.top, scale), BPrivate::NativeUnits(frame.right - frame.left, scale),
		BPrivate::NativeUnits(frame.bottom - frame.top, scale), parent, nullptr, instance, nullptr);
	if (handle != nullptr) {
		SCROLLINFO info = {sizeof(info), SIF_RANGE | SIF_POS | SIF_PAGE, ToNativeUnits(fMinimum),
			ToNativeUnits(fMaximum), 0, ToNativeUnits(fValue), 0};
		SetScrollInfo(handle, SB_CTL, &info, FALSE);
	}
	return handle;
}

void BScrollBar::HandleMessage(BMessage* message)
{
	if (message->what == kUpdateNativeBar)
		UpdateNativeBar();
	else
		BView::HandleMessage(message);
}

void BScrollBar::SetValue(float value)
{
	BPrivate::WindowLockCheck check(Window(), "SetValue");
	value = std::fmin(std::fmax(value, fMinimum), fMaximum);
	if (value == fValue)
		return;
	fValue = value;
	UpdateNativeBar();
	if (fTarget == nullptr)
		return;
	BPoint origin = fTarget->ScrollOrigin();
	if (fVertical)
		origin.y = value;
	else
		origin.x = value;
	fTarget->SetScrollOrigin(origin);
}

void BScrollBar::SetRange(float minimum, float maximum)
{
	BPrivate::WindowLockCheck check(Window(), "SetRange");
	fMinimum = minimum;
	fMaximum = maximum > minimum ? maximum : minimum;
	UpdateNativeBar();
	SetValue(fValue);
}

void BScrollBar::GetRange(float* minimum, float* maximum) const
{
	*minimum = fMinimum;
	*maximum = fMaximum;
}

void BScrollBar::SetSteps(float smallStep, float largeStep)
{
	BPrivate::WindowLockCheck check(Window(), "SetSteps");
	fSmallStep = smallStep;
	fLargeStep = largeStep;
}

LRESULT BScrollBar::HandleNativeScroll(WPARAM notification)
{
	float value = fValue;
	switch (LOWORD(notification)) {
	case SB_LINEUP:
		value -= fSmallStep;
		break;
	case SB_LINEDOWN:
		value += fSmallStep;
		break;
	case SB_PAGEUP:
		value -= fLargeStep;
		break;
	case SB_PAGEDOWN:
		value += fLargeStep;
		break;
	case SB_TOP:
		value = fMinimum;
		break;
	case SB_BOTTOM:
		value = fMaximum;
		break;
	case SB_THUMBTRACK:
	case SB_THUMBPOSITION:
		value = static_cast<float>(static_cast<int16>(HIWORD(notification)));
		break;
	default:
		return 0;
	}
	SetValue(value);
	return 0;
}

void BScrollBar::UpdateNativeBar()
{
	if (BPrivate::NativeHandleOf(this) == nullptr)
		return;
	if (!BPrivate::OnWindowThread(Window())) {
		BMessage update(kUpdateNativeBar);
		// A bar whose message cannot be queued is leaving its window, and its
		// native bar with it.
		(void)BMessenger(this, Window()).Send(&update);
		return;
	}
	SCROLLINFO info = {sizeof(info), SIF_RANGE | SIF_POS, ToNativeUnits(fMinimum), ToNativeUnits(fMaximum), 0,
		ToNativeUnits(fValue), 0};
	SetScrollInfo(BPrivate::NativeHandleOf(this), SB_CTL, &info, TRUE);
}
