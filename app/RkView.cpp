// RkView: the content of the uninstall window.
#include "app/RkView.h"

#include "interface/Button.h"
#include "interface/Font.h"
#include "interface/StringView.h"
#include "messaging/Message.h"
#include "messaging/MessageCodes.h"

#include <algorithm>
#include <new>

namespace {

// Added below each line before the next one starts.
constexpr float kLineGap = 2.0f;
// Between the right edge and "Cancel", between the buttons, and between the
// last line and the buttons.
constexpr float kButtonMargin = 5.0f;
// Every child keeps its place: left and top follow the parent's left and top.
constexpr uint32 kChildFollowMode = kFollowLeftTop;
// Every line draws its text; the buttons are keyboard-navigable too.
constexpr uint32 kLineFlags = kDrawsContent;
constexpr uint32 kButtonFlags = kLineFlags | kNavigable;
constexpr uint32 kAllFontAspects = 0xFF;

bool IsValid(BRect frame)
{
	return frame.right >= frame.left && frame.bottom >= frame.top;
}

// Sizes the button to its label and puts it `kButtonMargin` left of `right`
// and below `top`; answers its width.
float PlaceButton(BButton* button, float top, float right)
{
	(void)button->FitToSizeHint(kContentSizeHint);  // a button's content hint always answers
	BRect frame = button->Frame();
	float width = frame.Width();
	float height = frame.Height();
	float left = right - kButtonMargin - width;
	button->SetFrame(BRect(left, top + kButtonMargin, left + width, top + kButtonMargin + height));
	return width;
}

BButton* NewButton(BRect frame, const char* label, uint32 what)
{
	// Without memory for the message the button still shows; it just sends nothing.
	return new (std::nothrow)
		BButton(frame, nullptr, BString(label), new (std::nothrow) BMessage(what), kChildFollowMode, kButtonFlags);
}

}  // namespace

RkView::RkView(
	BRect frame, const char* name, const char* const* lines, const BVector<BString>& folders, bool removable)
	: BView(frame, name, kChildFollowMode, 0)
{
	float y = 0.0f;
	float widest = 0.0f;
	for (int32 index = 0; lines != nullptr && index < kMaxLines && lines[index] != nullptr; index++) {
		BRect line = AddTextLine(BString(lines[index]), y, false);
		if (!IsValid(line))
			continue;
		y = line.bottom + kLineGap;
		widest = std::max(widest, line.right);
	}

	if (folders.CountItems() > 0)
		y += Render()->Font().CombinedHeight(kAscentPart | kDescentPart | kLeadingPart);
	int32 listed = 0;
	for (const BString& folder : folders) {
		BRect line = AddTextLine(folder, y, true);
		if (!IsValid(line))
			continue;
		y = line.bottom + kLineGap;
		widest = std::max(widest, line.right);
		listed++;
	}

	AddButtons(y - kLineGap, widest, listed == 0 || !removable);
}

RkView::~RkView() = default;

BRect RkView::AddTextLine(const BString& text, float top, bool bold)
{
	BStringView* line =
		new (std::nothrow) BStringView(BRect(0.0f, top, 0.0f, top), nullptr, text, kChildFollowMode, kLineFlags);
	if (line == nullptr)
		return BRect();
	line->SetForegroundColor(0, 0, 0, 255);
	if (bold) {
		BFont font = line->Render()->Font();
		(void)font.SetFace(kBoldFace);  // a face the family lacks falls back inside the font
		line->SetFont(font, kAllFontAspects);
	}
	(void)line->FitToSizeHint(kContentSizeHint);  // a string view's content hint always answers
	BRect lineFrame = line->Frame();
	(void)AddChild(line);  // a new view under a view without a window is always taken
	return lineFrame;
}

void RkView::AddButtons(float top, float right, bool disableOK)
{
	BButton* cancel = NewButton(BRect(0.0f, 0.0f, 0.0f, 0.0f), "Cancel", kCancelMessage);
	BRect okFrame;
	if (cancel != nullptr) {
		float width = PlaceButton(cancel, top, right);
		okFrame = cancel->Frame();
		okFrame.left -= width + kButtonMargin;
		okFrame.right -= width + kButtonMargin;
	}

	BButton* ok = NewButton(okFrame, "OK", kUninstallMessage);
	if (ok != nullptr && !IsValid(ok->Frame()))
		PlaceButton(ok, top, right);
	if (ok != nullptr && disableOK)
		ok->SetEnabled(false, false);
	if (ok != nullptr && cancel != nullptr && ok->Frame().left < 0.0f) {
		// Text narrower than the buttons: both move right so that "OK" starts at the left edge.
		float shift = -ok->Frame().left;
		ok->MoveBy(shift, 0.0f);
		cancel->MoveBy(shift, 0.0f);
	}

	// New views under a view without a window are always taken.
	if (ok != nullptr)
		(void)AddChild(ok);
	if (cancel != nullptr)
		(void)AddChild(cancel);
}
