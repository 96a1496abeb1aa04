// CurvePanelView: what the envelope and distortion views share. A dark panel with a sunken
// frame, recorded once as the background picture, and a curve picture that the engine records
// anew over that background for every change. Exposing the view replays at most these two
// pictures; the curve shows only while the view is enabled.
#pragma once

#include "kits/interface/Picture.h"
#include "kits/interface/Rect.h"
#include "kits/interface/View.h"

class CurvePanelView : public BView {
public:
	CurvePanelView(BRect frame, const char* name);
	~CurvePanelView() override;

	// Records the background (panel and frame) and an empty curve picture.
	void AttachedToWindow() override;
	// The background, and the curve picture on top while enabled. The update rectangle is not
	// used.
	void Draw(BRect updateRect) override;

	// Shows the background only, hiding any curve on the screen.
	void Clear();
	// Only stores the flag: the caller follows it with a drawing of the curve or Clear().
	virtual void SetEnabled(bool enabled);
	bool IsEnabled() const { return fEnabled; }

	// Starts recording a new curve picture: the background first, then the curve colour in
	// alpha mode for whatever the caller strokes.
	void BeginCurve();
	// Ends the recording and shows it at once, enabled or not.
	void EndCurve();

	BPicture* BackgroundPicture() { return &fBackground; }
	BPicture* CurvePicture() { return &fCurve; }

private:
	BPicture fBackground;
	BPicture fCurve;
	bool fEnabled = false;
};
