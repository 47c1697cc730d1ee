// BControl: a view that is also an invoker, with a label and a value.
#include "interface/Control.h"

#include "interface/WindowLockCheck.h"

#include "messaging/Message.h"
#include "messaging/MessageCodes.h"

BControl::BControl(BRect frame, const char* name, const BString& label, BMessage* message, uint32 followMode,
	uint32 viewFlags)
	: BView(frame, name, followMode, viewFlags), BInvoker(message, nullptr, nullptr), fLabel(label)
{
}

BControl::~BControl() = default;

status_t BControl::Invoke(BMessage* message)
{
	if (message == nullptr)
		message = Message();
	if (message == nullptr)
		return kBadValue;
	BMessage copy(*message);
	status_t status = copy.AddFloat("be:value", fValue);
	if (status != kOk)
		return status;
	return BInvoker::Invoke(&copy);
}

void BControl::HandleMessage(BMessage* message)
{
	if (message->what == kNativeButtonClicked) {
		// The click has been acted on; what the send answered is the target's business.
		(void)OnClicked();
		return;
	}
	BView::HandleMessage(message);
}

void BControl::OnAttached()
{
	BView::OnAttached();
	if (!Messenger().IsValid())
		(void)SetTarget(this, nullptr);  // attached, so the control always has a looper to address
}

void BControl::SetValue(float value)
{
	BPrivate::WindowLockCheck check(Window(), "SetValue");
	if (value != fValue) {
		fValue = value;
		(void)Invoke();  // a value change is announced once; nobody waits for its delivery
	}
	OnValueChanged(fValue);
	Invalidate();
}

void BControl::SetValueQuietly(float value)
{
	BPrivate::WindowLockCheck check(Window(), "SetValueQuietly");
	if (value == fValue)
		return;
	fValue = value;
	OnValueChanged(fValue);
	Invalidate();
}

void BControl::SetLabel(const char* label)
{
	SetLabel(label != nullptr ? BString(label) : BString());
}

void BControl::SetLabel(const BString& label)
{
	BPrivate::WindowLockCheck check(Window(), "SetLabel");
	fLabel = label;
	// Before the native control exists the label is only stored; it is shown when the control is made.
	(void)ApplyLabel(fLabel);
}

void BControl::OnValueChanged(float)
{
}

status_t BControl::ApplyLabel(const BString&)
{
	return -1;
}

status_t BControl::OnClicked()
{
	return kOk;
}
