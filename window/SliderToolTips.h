// The sliders without a text field of their own show their value, with its unit, as a tool tip
// (on hover, and beside the knob while it is dragged).
#pragma once

#include <string>

#include "kits/support/SupportDefs.h"

class BSlider;

// The tool tip texts for the sliders' values: the distortion's drive, the filter's cutoff in
// hertz, and its resonance as Q (the slider holds Q x 100).
std::string DriveToolTip(int32 value);
std::string CutoffToolTip(int32 value);
std::string ResonanceToolTip(int32 value);

// Sets each slider's tool tip from its value.
void ShowSliderToolTips(BSlider* distortion, BSlider* cutoff, BSlider* resonance);
