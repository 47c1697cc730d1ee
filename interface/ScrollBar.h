// BScrollBar: a view shown as a native scroll bar that scrolls a target view.
//
// As much of a scroll bar as the framework calls: a value within a range,
// moved by the native control's notifications (line and page steps, the
// thumb) and by the wheel of its target view, which it scrolls along its own
// axis. It attaches itself to its target as the target's vertical or
// horizontal bar and detaches when either of them goes.
//
// Used with its window locked, like any view; a change made on another
// thread reaches the native bar on the window's thread.
#pragma once

#include "interface/View.h"

class BScrollBar : public BView {
public:
	// `vertical` chooses the axis; `target` may be null.
	BScrollBar(BRect frame, const char* name, BView* target, float minimum, float maximum, bool vertical);
	~BScrollBar() override;

	HWND CreateNativeView(HWND parent, HINSTANCE instance) override;
	void HandleMessage(BMessage* message) override;

	// Clamped to the range; scrolls the target along the bar's axis.
	void SetValue(float value);
	float Value() const { return fValue; }
	void SetRange(float minimum, float maximum);
	void GetRange(float* minimum, float* maximum) const;
	// The small step moves by a line, the large one by a page.
	void SetSteps(float smallStep, float largeStep);
	float SmallStep() const { return fSmallStep; }
	float LargeStep() const { return fLargeStep; }
	bool IsVertical() const { return fVertical; }
	BView* Target() const { return fTarget; }

	// A native scroll notification (the wParam of WM_HSCROLL or WM_VSCROLL);
	// the result is what the notification's procedure answers.
	LRESULT HandleNativeScroll(WPARAM notification);

	// The bar scrolls nothing from now on: its target goes, or takes another
	// bar for the same axis.
	void ClearTarget() { fTarget = nullptr; }

private:
	void UpdateNativeBar();

	BView* fTarget;
	float fMinimum;
	float fMaximum;
	float fValue;
	float fSmallStep = 1.0f;
	float fLargeStep = 10.0f;
	bool fVertical;
};
