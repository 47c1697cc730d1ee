// BStringView: a view that draws one line of text.
#include "interface/StringView.h"

#include "interface/Font.h"
#include "interface/ViewNativeWindow.h"
#include "interface/WindowLockCheck.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

namespace {

// Every font aspect, as SetFont's mask.
constexpr uint32 kAllFontAspects = 0xFF;

}  // namespace

BStringView::BStringView(BRect frame, const char* name, const BString& text, uint32 followMode, uint32 viewFlags)
	: BView(frame, name, followMode, viewFlags), fText(text)
{
	if (PlainFont() != nullptr)
		SetFont(*PlainFont(), kAllFontAspects);
}

BStringView::BStringView(BRect frame, const char* name, const char* text, uint32 followMode, uint32 viewFlags)
	: BStringView(frame, name, text != nullptr ? BString(text) : BString(), followMode, viewFlags)
{
}

void BStringView::SetText(const BString& text)
{
	BPrivate::WindowLockCheck check(Window(), "SetText");
	fText = text;
	ShowTextNatively();
	Invalidate();
}

void BStringView::SetAlignment(int32 alignment)
{
	BPrivate::WindowLockCheck check(Window(), "SetAlignment");
	fAlignment = alignment;
	Invalidate();
}

void BStringView::SetTruncation(int32 mode)
{
	BPrivate::WindowLockCheck check(Window(), "SetTruncation");
	fTruncation = mode;
	Invalidate();
}

void BStringView::SetInsets(float horizontal, float vertical)
{
	BPrivate::WindowLockCheck check(Window(), "SetInsets");
	fHorizontalInset = horizontal;
	fVerticalInset = vertical;
	Invalidate();
}

// Right-aligned text keeps the inset from the right edge; centred text ignores
// the insets. Only these two measure the text, which costs as much as drawing it.
float BStringView::TextLeft(BRender* render, BRect bounds) const
{
	switch (fAlignment) {
		case kAlignRight:
			return bounds.right - std::ceil(render->StringWidth(fText)) - fHorizontalInset;
		case kAlignCenter:
			return bounds.left + std::floor(bounds.Width() * 0.5f - std::ceil(render->StringWidth(fText)) * 0.5f);
		default:
			return bounds.left + fHorizontalInset;
	}
}

void BStringView::OnDraw(BRender* render, BRect)
{
	if (fText.IsEmpty())
		return;
	BRect bounds = Bounds();
	const BFont& font = render->Font();
	float x = TextLeft(render, bounds);
	float baseline = bounds.bottom - (font.CombinedHeight(kDescentPart | kLeadingPart) + fVerticalInset) - 1.0f;
	baseline = std::max(baseline, bounds.top);
	if (fTruncation == kNoTruncation)
		render->DrawString(fText, x, baseline);
	else
		render->DrawStringInWidth(fText, x, baseline, bounds.Width(), static_cast<uint32>(fTruncation));
}

void BStringView::PreferredSize(float* width, float* height)
{
	const BFont& font = Render()->Font();
	*width = std::ceil(StringWidth(fText) + 2.0f * fHorizontalInset);
	*height = std::ceil(2.0f * fVerticalInset + font.Leading() + font.Descent() + font.Ascent());
}

status_t BStringView::SizeHint(int32 kind, float size[2])
{
	const BFont& font = Render()->Font();
	switch (kind) {
		case kContentSizeHint:
			if (!fText.IsEmpty())
				size[0] = std::ceil(StringWidth(fText)) + 2.0f * fHorizontalInset;
			size[1] = font.CombinedHeight(kAscentPart | kDescentPart) + 2.0f * fVerticalInset + 1.0f;
			return kOk;
		case kBelowBaselineSizeHint:
			size[0] = 0.0f;
			size[1] = std::ceil(font.Descent()) + fVerticalInset;
			return kOk;
		default:
			return -1;
	}
}

void BStringView::OnAttached()
{
	BView::OnAttached();
	// The attach pass has already given a view that follows its parent the parent's background.
	SetSecondaryColor(BackgroundColor());
	ShowTextNatively();
}

void BStringView::ShowTextNatively()
{
	// Only assistive technology reads the window text: the drawing does not
	// depend on it, and without a native window there is none to give.
	(void)BPrivate::ViewNativeWindow::ShowText(this, fText);
}
