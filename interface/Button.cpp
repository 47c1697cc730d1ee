// BButton: a control shown as a native push button.
#include "interface/Button.h"

#include "interface/Font.h"
#include "interface/NativeCoordinates.h"
#include "interface/NativeHandle.h"
#include "interface/ViewNativeWindow.h"
#include "interface/WindowLockCheck.h"
#include "interface/WindowNative.h"
#include "messaging/Message.h"
#include "messaging/MessageCodes.h"

#include <windows.h>

namespace {

// The room a native push button needs around its label, in each direction.
constexpr float kButtonPadding = 12.0f;

}  // namespace

BButton::BButton(BRect frame, const char* name, const BString& label, BMessage* message, uint32 followMode,
	uint32 viewFlags)
	: BControl(frame, name, label, message, followMode, viewFlags)
{
}

void BButton::SetDefault(bool isDefault)
{
	BPrivate::WindowLockCheck check(Window(), "SetDefault");
	if (isDefault)
		fButtonFlags |= kDefaultButton;
	else
		fButtonFlags &= ~kDefaultButton;
}

void BButton::HandleMessage(BMessage* message)
{
	if (message->what == kNativeCommand) {
		// The press has been acted on; what the send answered is the target's business.
		(void)Invoke();
		return;
	}
	BControl::HandleMessage(message);
}

void BButton::PreferredSize(float* width, float* height)
{
	float size[2] = {0.0f, 0.0f};
	(void)SizeHint(kContentSizeHint, size);  // the content hint of a button always answers
	*width = size[0];
	*height = size[1];
}

status_t BButton::SizeHint(int32 kind, float size[2])
{
	if (kind != kContentSizeHint)
		return BControl::SizeHint(kind, size);
	const BFont& font = Render()->Font();
	size[0] = StringWidth(Label()) + kButtonPadding;
	size[1] = font.CombinedHeight(kAscentPart | kDescentPart) + kButtonPadding;
	return kOk;
}

uint32 BButton::NativeStyle() const
{
	DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
	if (!IsEnabled())
		style |= WS_DISABLED;
	if (IsDefault())
		style |= BS_DEFPUSHBUTTON;
	return style;
}

HWND BButton::CreateNativeView(HWND parent, HINSTANCE instance)
{
	if (parent == nullptr)
		return nullptr;
	BRect frame = Frame();
	BPrivate::DisplayScale scale = BPrivate::ScaleOf(this);
	return CreateWindowExW(0, L"button", Label().CharsOrEmpty(), NativeStyle(), BPrivate::NativeUnits(frame.left, scale),
		BPrivate::NativeUnits(frame.top, scale), BPrivate::NativeUnits(frame.Width(), scale),
		BPrivate::NativeUnits(frame.Height(), scale), parent,
		reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonControlId)), instance, this);
}

status_t BButton::ApplyLabel(const BString& label)
{
	return BPrivate::ViewNativeWindow::ShowText(this, label);
}

status_t BButton::OnClicked()
{
	return Invoke();
}
