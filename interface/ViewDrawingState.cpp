// BView: the drawing state, which the view's render keeps: its font, pen
// width, colours and blend mode, and the width of a text in its font.
#include "interface/View.h"

#include "interface/WindowLockCheck.h"

float BView::StringWidth(const BString& text)
{
	return fRender.StringWidth(text);
}

void BView::SetFont(const BFont& font, uint32 mask)
{
	BPrivate::WindowLockCheck check(fWindow, "SetFont");
	fRender.SetFont(font, mask);
}

void BView::SetPenWidth(float width)
{
	BPrivate::WindowLockCheck check(fWindow, "SetPenWidth");
	fRender.SetPenWidth(width);
}

void BView::SetBackgroundColor(rgb_color colour)
{
	BPrivate::WindowLockCheck check(fWindow, "SetBackgroundColor");
	fViewState &= ~kBackgroundFollowsParent;
	fRender.SetColor(kBackgroundColorIndex, colour.red, colour.green, colour.blue, colour.alpha);
}

void BView::SetForegroundColor(rgb_color colour)
{
	BPrivate::WindowLockCheck check(fWindow, "SetForegroundColor");
	fRender.SetColor(kForegroundColorIndex, colour.red, colour.green, colour.blue, colour.alpha);
}

void BView::SetForegroundColor(uint8 red, uint8 green, uint8 blue, uint8 alpha)
{
	SetForegroundColor(rgb_color{red, green, blue, alpha});
}

void BView::SetSecondaryColor(rgb_color colour)
{
	BPrivate::WindowLockCheck check(fWindow, "SetSecondaryColor");
	fRender.SetColor(kSecondaryColorIndex, colour.red, colour.green, colour.blue, colour.alpha);
}

void BView::SetBlendMode(bool blend)
{
	BPrivate::WindowLockCheck check(fWindow, "SetBlendMode");
	fRender.SetBlendMode(blend);
}

rgb_color BView::BackgroundColor() const
{
	return fRender.Color(kBackgroundColorIndex);
}

rgb_color BView::ForegroundColor() const
{
	return fRender.Color(kForegroundColorIndex);
}
