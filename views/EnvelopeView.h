// EnvelopeView: one envelope curve (amplitude or frequency) as a filled area, and its editor:
// while the button is held, the mouse's horizontal position sets the curve value from -50 at
// the left edge to +50 at the right edge; with the keyboard focus, each arrow key moves the
// curve one step. The view does not touch the sound: it posts a curve message to its window,
// which reads CurveValue() and has the engine redraw the curve.
#pragma once

#include "kits/interface/Rect.h"
#include "kits/support/SupportDefs.h"
#include "views/CurveMessage.h"
#include "views/CurvePanelView.h"

class BMessage;
namespace tunk {
struct SoundParams;
}


class EnvelopeView : public CurvePanelView {
public:
	EnvelopeView(BRect frame, const char* name, int32 curveType);

	// A disabled view ignores the mouse, but a press still marks the view pressed.
	void MouseDown(BPoint where) override;
	void MouseUp(BPoint where) override;
	void MouseMoved(BPoint where, uint32 transit, const BMessage* dragged) override;
	// Left and Down bend the curve one step towards -50, Right and Up towards +50.
	void KeyDown(const char* bytes, int32 numBytes) override;
	// An enabled view takes the keyboard focus (Tab reaches it); a disabled one gives it up.
	void SetEnabled(bool enabled) override;

	// floor(x / width * 100 - 50).
	float CalcCurve(float x, float width) const;

	// The value the last gesture computed (0 stored as 1).
	float CurveValue() const { return fCurveValue; }
	int32 CurveType() const { return fCurveType; }
	bool IsPressed() const { return fPressed; }

	// The curve value the view shows, set by whoever draws the curve: the keyboard's steps
	// start from it.
	void SetShownCurve(float value) { fShownCurve = value; }
	float ShownCurve() const { return fShownCurve; }

private:
	// Stores the curve value and posts a curve message to the window.
	void TakeCurve(float value);
	// Stores the curve value for the position and posts a curve message to the window.
	void TakeCurveFrom(BPoint where);

	float fCurveValue = 0;
	float fShownCurve = 1;
	int32 fCurveType;
	bool fPressed = false;
};

// The noise layer's envelope over the sound's length, clap bursts included, as the sound's
// noise will follow it; the view's curve value is the noise curve's.
void DrawNoiseEnvelopeToView(EnvelopeView* view, const tunk::SoundParams& params);
