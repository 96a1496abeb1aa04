// DistortionView: one period of the current waveform passed through the wave shaper, drawn by
// the engine (TunkSound::DrawDistortedWaveToView). It takes no input.
#pragma once

#include "kits/interface/Rect.h"
#include "views/CurvePanelView.h"

class DistortionView : public CurvePanelView {
public:
	DistortionView(BRect frame, const char* name);
};
