// BRender: the drawing state of one view and its bridge to GDI+.
//
// It keeps the view's three colours (background, foreground, secondary), its
// pen width, font, blend mode and scroll origin, and, while the view paints,
// the GDI+ graphics it draws on. Brushes and pens are made once per render and
// recoloured only when their colour changed and they are next used; the bitmap
// that text is measured on outside painting is made once per render.
//
// Every BView embeds one. A render is used only on its window's thread; while
// painting, the process-wide draw lock is held as well.
#pragma once

#include "interface/Color.h"
#include "interface/Font.h"
#include "interface/GdiPlus.h"
#include "interface/Point.h"
#include "interface/Rect.h"
#include "support/String.h"

#include <memory>

// The render's colours by index.
constexpr int32 kBackgroundColorIndex = 0;
constexpr int32 kForegroundColorIndex = 1;
constexpr int32 kSecondaryColorIndex = 2;

// Drawing modes of the text operations.
// DrawStringAt: y is a baseline, not the top of the text.
constexpr uint32 kAtBaseline = 0x2;
// DrawStringInRect and DrawStringInWidth: end a text that does not fit with an
// ellipsis, or (without 0x2) put the ellipsis in the middle of a path.
constexpr uint32 kTruncateWithEllipsis = 0x2;
constexpr uint32 kTruncatePath = 0x4;

class BRender {
public:
	// The plain system font, pen width 1, every colour opaque black, copy mode off
	// (blending), origin (0, 0), no graphics.
	BRender();
	virtual ~BRender();

	BRender(const BRender&) = delete;
	BRender& operator=(const BRender&) = delete;

	// Compositing over (true) or copy (false), applied to the graphics at once
	// when the view is painting, and to every graphics set afterwards.
	virtual void SetBlendMode(bool blend);
	bool BlendMode() const;

	// index is one of the three colour indexes above; others are ignored.
	void SetColor(int32 index, uint8 red, uint8 green, uint8 blue, uint8 alpha);
	// Opaque black for an index out of range.
	rgb_color Color(int32 index) const;

	void SetPenWidth(float width);
	float PenWidth() const { return fPenWidth; }

	// Takes family, face and size of `font`; the mask is accepted for the
	// view's interface and does not select aspects.
	void SetFont(const BFont& font, uint32 mask);
	const BFont& Font() const { return fFont; }
	// The distance from the top of a text to its baseline: ceil(ascent).
	float AscentCeiling() const { return fAscentCeiling; }

	// The view's scroll origin: the graphics translate by (-x, -y), at once
	// when the view is painting.
	void SetOrigin(BPoint origin);
	BPoint Origin() const { return fOrigin; }

	// Draws on `graphics` until DetachGraphics, and sets their transform,
	// blend mode and quality modes. The graphics stay their owner's (a
	// window's off-screen buffer, a paint's own): the render never deletes
	// them. -1 for null. A paint lends them through BPrivate::RenderTarget.
	// The graphics address pixels of a display `scale` times 96 DPI, with
	// (0, 0) of the view's pixels at `offset`: the render draws in units of
	// 96 DPI all the same, scaled up, at the same layout. `bounds` are the
	// view's (an unset rectangle when unknown): text at the display's size
	// may take the room its view gives it.
	[[nodiscard]] status_t SetGraphics(WinGdipGraphics* graphics, float scale = 1.0f, BPoint offset = BPoint(),
		BRect bounds = BRect());
	// Stops drawing on the graphics set; answers them.
	WinGdipGraphics* DetachGraphics();
	WinGdipGraphics* Graphics() const { return fGraphics; }

	// Fills `rect` with the background colour, unless its alpha is 0.
	void FillBackground(BRect rect);

	// Text in the foreground colour; an empty text draws nothing.
	void DrawStringInRect(const BString& text, float left, float top, float right, float bottom, uint32 mode);
	void DrawStringInWidth(const BString& text, float x, float baseline, float width, uint32 mode);
	void DrawStringAt(const BString& text, float x, float y, uint32 mode);
	void DrawString(const BString& text, float x, float baseline);

	// The width of the text's bounding box in the render's font; 0 for an empty
	// text, without a font and on failure.
	float StringWidth(const BString& text);

private:
	// Brush and pen of colour index i, recoloured first when the colour changed.
	WinGdipSolidBrush* BrushFor(int32 index);
	WinGdipPen* PenFor(int32 index);
	// The graphics' transform and compositing mode from the origin and blend mode.
	void ApplyTranslation();
	void ApplyCompositingMode();
	bool CanDrawText(const BString& text) const;
	// At a display scale other than 1, shrinks the graphics' transform
	// around (x, y) so that `text` covers no more than the room it has: its
	// 96-DPI width, or up to `right` within its view where that is more; the
	// factor applied (1 when none was needed).
	float FitTextToItsWidth(const BString& text, float x, float y, float right);
	float RoomBetween(float x, float right) const;
	// The bold font draws no heavier than its regular face at the display's
	// scale: bold text is struck twice.
	bool NeedsOverstrike();
	// Draws `text` in the foreground colour, struck twice where needed.
	void DrawLaidOut(const BString& text, const Gdiplus::RectF& layout, const Gdiplus::GpStringFormat* format,
		float factor);

	BFont fFont;
	float fPenWidth = 1.0f;
	BPoint fOrigin;
	// The graphics' pixels per unit and the place of the view's origin on
	// them, while graphics are set.
	float fDeviceScale = 1.0f;
	BPoint fDeviceOffset;
	// The bounds of the view being painted; unset outside painting.
	BRect fPaintBounds;
	// The scale the overstrike was decided for (0: not yet), and the decision.
	float fOverstrikeScale = 0.0f;
	bool fOverstrike = false;
	// The last text fitted, the scale (0: none yet) and the room its view
	// gave it (pixels), and the factor it is drawn at.
	BString fFitText;
	float fFitScale = 0.0f;
	float fFitRoom = 0.0f;
	float fFitFactor = 1.0f;
	float fAscentCeiling = 0.0f;
	int32 fBlend = 1;
	WinGdipGraphics* fGraphics = nullptr;
	uint32 fColors[3] = {0xFF000000u, 0xFF000000u, 0xFF000000u};
	// Bit i set while pen i (or brush i) carries colour i; the pens also carry
	// the pen width. Both start black, as the colours do.
	uint32 fPenCurrent = 0x7;
	WinGdipPen fPens[3];
	uint32 fBrushCurrent = 0x7;
	WinGdipSolidBrush fBrushes[3];
	// Made on the first measurement outside painting, kept until the render goes.
	std::unique_ptr<WinGdipBitmap> fMeasuringBitmap;
};

namespace BPrivate {

// Lends graphics to a render for one scope: the render draws on them from
// construction and lets go of them when the scope ends, whatever way it ends,
// so that the graphics' owner never finds the render still holding them.
class RenderTarget {
public:
	// Draws nothing when `graphics` is null.
	RenderTarget(BRender* render, WinGdipGraphics* graphics, float scale = 1.0f, BPoint offset = BPoint(),
		BRect bounds = BRect())
		: fRender(render)
	{
		(void)render->SetGraphics(graphics, scale, offset, bounds);  // fails only for null, which draws nothing
	}
	~RenderTarget() { fRender->DetachGraphics(); }

	RenderTarget(const RenderTarget&) = delete;
	RenderTarget& operator=(const RenderTarget&) = delete;

private:
	BRender* fRender;
};

}  // namespace BPrivate
