// EnvelopeView: one envelope curve (amplitude or frequency) as a filled area, and its editor:
// while the button is held, the mouse's horizontal position sets the curve value from -50 at
// the left edge to +50 at the right edge. The view does not touch the sound: it posts a curve
// message to its window, which reads CurveValue() and has the engine redraw the curve.
#pragma once

#include "kits/interface/Rect.h"
#include "kits/support/SupportDefs.h"
#include "views/CurvePanelView.h"

class BMessage;

// The curve message: its "curvetype" field names the view that sent it.
inline constexpr uint32 kCurveMessage = four_char_code("cvmm");
inline constexpr int32 kAmpCurveType = 1;
inline constexpr int32 kFreqCurveType = 2;

class EnvelopeView : public CurvePanelView {
public:
	EnvelopeView(BRect frame, const char* name, int32 curveType);

	// A disabled view ignores the mouse, but a press still marks the view pressed.
	void MouseDown(BPoint where) override;
	void MouseUp(BPoint where) override;
	void MouseMoved(BPoint where, uint32 transit, const BMessage* dragged) override;

	// floor(x / width * 100 - 50).
	float CalcCurve(float x, float width) const;

	// The value the last gesture computed (0 stored as 1).
	float CurveValue() const { return fCurveValue; }
	int32 CurveType() const { return fCurveType; }
	bool IsPressed() const { return fPressed; }

private:
	// Stores the curve value for the position and posts a curve message to the window.
	void TakeCurveFrom(BPoint where);

	float fCurveValue = 0;
	int32 fCurveType;
	bool fPressed = false;
};
