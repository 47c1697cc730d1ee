// BButton: a control shown as a native push button.
//
// The button's native window is the platform's "button" control with the
// control identifier 500; it paints itself. Its click comes back through the
// parent view's native procedure as 'BVBC' (or, placed directly in a window,
// through the window as 'BWnC') and invokes the button's message. A label set
// before the native button exists is stored and shown when it is made. Used on
// its window's thread, like any view.
#pragma once

#include "interface/Control.h"

// The identifier every native button sends its commands with.
constexpr int32 kButtonControlId = 500;

class BButton : public BControl {
public:
	BButton(BRect frame, const char* name, const BString& label, BMessage* message, uint32 followMode,
		uint32 viewFlags);

	// The default button gets the platform's default-button frame. Takes
	// effect when the native button is made.
	virtual void SetDefault(bool isDefault);
	bool IsDefault() const { return (fButtonFlags & kDefaultButton) != 0; }

	void HandleMessage(BMessage* message) override;
	// The size of kContentSizeHint.
	void PreferredSize(float* width, float* height) override;
	// kContentSizeHint: the label's width and the font's height, each plus 12.
	[[nodiscard]] status_t SizeHint(int32 kind, float size[2]) override;
	HWND CreateNativeView(HWND parent, HINSTANCE instance) override;
	// -1 before the native button exists.
	[[nodiscard]] status_t ApplyLabel(const BString& label) override;
	[[nodiscard]] status_t OnClicked() override;

private:
	static constexpr uint32 kDefaultButton = 0x1;

	uint32 NativeStyle() const;

	uint32 fButtonFlags = 0;
};
