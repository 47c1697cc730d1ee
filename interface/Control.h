// BControl: a view that is also an invoker, with a label and a value.
//
// Invoking a control sends a copy of its message with the float "be:value"
// added. A control attached without a valid target becomes its own target, so
// its messages reach it and, unless it handles them, its window through the
// handler chain. Used on its window's thread, like any view.
#pragma once

#include "interface/Invoker.h"
#include "interface/View.h"
#include "support/String.h"

class BControl : public BView, public BInvoker {
public:
	// The control takes `message` (may be null); its value starts at 0.
	BControl(BRect frame, const char* name, const BString& label, BMessage* message, uint32 followMode,
		uint32 viewFlags);
	~BControl() override;

	// Adds float "be:value" to a copy of `message` (or of the held message).
	[[nodiscard]] status_t Invoke(BMessage* message = nullptr) override;
	// A native click ('BVBC') calls OnClicked.
	void HandleMessage(BMessage* message) override;
	void OnAttached() override;

	// A changed value is stored and invoked; either way the control hears
	// OnValueChanged and redraws.
	virtual void SetValue(float value);
	// Only a changed value: stored, OnValueChanged, redrawn; nothing is sent.
	virtual void SetValueQuietly(float value);
	// Null clears the label.
	virtual void SetLabel(const char* label);
	virtual void SetLabel(const BString& label);
	virtual void OnValueChanged(float value);
	// Shows the label; -1 for a control that cannot.
	[[nodiscard]] virtual status_t ApplyLabel(const BString& label);
	[[nodiscard]] virtual status_t OnClicked();

	float Value() const { return fValue; }
	const BString& Label() const { return fLabel; }

private:
	BString fLabel;
	float fValue = 0.0f;
};
