// The sliders without a text field of their own show their value, with its unit, as a tool tip
// (on hover, and beside the knob while it is dragged).
#pragma once

class BSlider;

// Sets each slider's tool tip from its value: the distortion's drive, the filter's cutoff in
// hertz, and its resonance as Q.
void ShowSliderToolTips(BSlider* distortion, BSlider* cutoff, BSlider* resonance);
