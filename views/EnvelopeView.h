// EnvelopeView: one envelope curve (amplitude or frequency) as a filled area, and its editor:
// while the button is held, the mouse's horizontal position sets the curve value from -50 at
// the left edge to +50 at the right edge. The view does not touch the sound: it posts a curve
// message to its window, which reads CurveValue() and has the engine redraw the curve.
#pragma once

#include "kits/interface/Picture.h"
#include "kits/interface/Rect.h"
#include "kits/interface/View.h"
#include "kits/support/SupportDefs.h"

class BMessage;

// The curve message: its "curvetype" field names the view that sent it.
inline constexpr uint32 kCurveMessage = four_char_code("cvmm");
inline constexpr int32 kAmpCurveType = 1;
inline constexpr int32 kFreqCurveType = 2;

class EnvelopeView : public BView {
public:
	EnvelopeView(BRect frame, const char* name, int32 curveType);
	~EnvelopeView() override;

	// Records the background (panel and frame) and an empty curve picture.
	void AttachedToWindow() override;
	// The background, and the curve picture on top while enabled.
	void Draw(BRect updateRect) override;
	void MouseDown(BPoint where) override;
	void MouseUp(BPoint where) override;
	void MouseMoved(BPoint where, uint32 transit, const BMessage* dragged) override;

	// Shows the background only, hiding any curve on the screen.
	void Clear();
	// Only stores the flag: the caller follows it with a drawing of the curve or Clear().
	void SetEnabled(bool enabled);
	bool IsEnabled() const { return fEnabled; }

	// floor(x / width * 100 - 50).
	float CalcCurve(float x, float width) const;

	// The value the last gesture computed (0 stored as 1).
	float CurveValue() const { return fCurveValue; }
	int32 CurveType() const { return fCurveType; }
	bool IsPressed() const { return fPressed; }

	// The pictures: the engine records into the curve picture.
	BPicture* BackgroundPicture() { return &fBackground; }
	BPicture* CurvePicture() { return &fCurve; }

private:
	// Stores the curve value for the position and posts a curve message to the window.
	void TakeCurveFrom(BPoint where);

	float fCurveValue = 0;
	int32 fCurveType;
	BPicture fBackground;
	BPicture fCurve;
	bool fEnabled = false;
	bool fPressed = false;
};
