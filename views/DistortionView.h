// DistortionView: one period of the current waveform passed through the wave shaper, drawn by
// the engine (TunkSound::DrawDistortedWaveToView). It takes no input.
#pragma once

#include "kits/interface/Picture.h"
#include "kits/interface/Rect.h"
#include "kits/interface/View.h"

class DistortionView : public BView {
public:
	DistortionView(BRect frame, const char* name);
	~DistortionView() override;

	// Records the background (panel and frame) and an empty curve picture.
	void AttachedToWindow() override;
	// The background, and the curve picture on top while enabled.
	void Draw(BRect updateRect) override;

	// Shows the background only.
	void Clear();
	// Only stores the flag.
	void SetEnabled(bool enabled);
	bool IsEnabled() const { return fEnabled; }

	BPicture* BackgroundPicture() { return &fBackground; }
	BPicture* CurvePicture() { return &fCurve; }

private:
	BPicture fBackground;
	BPicture fCurve;
	bool fEnabled = false;
};
