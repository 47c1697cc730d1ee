// BStringView: a view that draws one line of text.
//
// The text is drawn with GDI+ into the view, so the platform never sees it as
// text; the view therefore also gives the text to its native window as window
// text, kept current, for screen readers and automation. Used on its window's
// thread, like any view; before attachment by the thread that made it.
#pragma once

#include "interface/View.h"
#include "support/String.h"

// Where the text sits horizontally.
constexpr int32 kAlignLeft = 0;
constexpr int32 kAlignRight = 1;
constexpr int32 kAlignCenter = 2;

// Truncation mode: draw the whole text, clipped to nothing. Other modes are
// the trimming bits of the render's DrawStringInWidth.
constexpr int32 kNoTruncation = 1;

// The size hint of the room under a text's baseline.
constexpr int32 kBelowBaselineSizeHint = 5;

class BStringView : public BView {
public:
	// Drawn in the plain system font, left-aligned, not truncated.
	BStringView(BRect frame, const char* name, const BString& text, uint32 followMode, uint32 viewFlags);
	BStringView(BRect frame, const char* name, const char* text, uint32 followMode, uint32 viewFlags);

	void SetText(const BString& text);
	const BString& Text() const { return fText; }
	void SetAlignment(int32 alignment);
	int32 Alignment() const { return fAlignment; }
	void SetTruncation(int32 mode);
	int32 Truncation() const { return fTruncation; }
	void SetInsets(float horizontal, float vertical);

	void OnDraw(BRender* render, BRect update) override;
	// The text's width and the font's full line height, with the insets.
	void PreferredSize(float* width, float* height) override;
	// kContentSizeHint: the text's width and its ascent and descent, with the
	// insets (an empty text leaves the width alone); kBelowBaselineSizeHint:
	// width 0 and the room under the baseline. -1 for other kinds.
	[[nodiscard]] status_t SizeHint(int32 kind, float size[2]) override;
	// Takes the background colour as its secondary colour and hands the text
	// to the native window.
	void OnAttached() override;

private:
	void ShowTextNatively();
	float TextLeft(BRender* render, BRect bounds) const;

	BString fText;
	int32 fAlignment = kAlignLeft;
	int32 fTruncation = kNoTruncation;
	float fHorizontalInset = 2.0f;
	float fVerticalInset = 1.0f;
};
