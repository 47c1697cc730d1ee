// RkView: the content of the uninstall window.
//
// Stacks the explanatory text lines, then the folders in question in bold,
// then the buttons "OK" and "Cancel", right-aligned under the text. All of its
// work is the layout, done once in the constructor before the view is
// attached; it draws nothing itself (its children do) and handles no messages
// (the buttons' messages go to the window). Built on the thread that makes the
// window; afterwards used on the window's thread.
#pragma once

#include "interface/View.h"
#include "support/String.h"
#include "support/Vector.h"

class BButton;

class RkView : public BView {
public:
	// At most this many text lines are shown.
	static constexpr int32 kMaxLines = 100;

	// `lines` is a null-terminated list of UTF-8 lines; `folders` are the
	// folders shown, read here only. "OK" is disabled when no folder is shown,
	// or when the folders shown are not `removable` (left alone for safety).
	RkView(BRect frame, const char* name, const char* const* lines, const BVector<BString>& folders,
		bool removable = true);
	~RkView() override;

private:
	// Each adds a line at `top` and answers its frame; an unset frame when the
	// line could not be made.
	BRect AddTextLine(const BString& text, float top, bool bold);
	void AddButtons(float top, float right, bool disableOK);
};
