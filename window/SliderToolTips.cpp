#include "window/SliderToolTips.h"

#include <cstdio>
#include <string>

#include "kits/interface/Slider.h"
#include "window/SliderValue.h"

namespace {

std::string DriveToolTip(int32 value)
{
	return "Drive: " + std::to_string(value) + "\u00d7";
}

std::string CutoffToolTip(int32 value)
{
	return "Cutoff: " + std::to_string(value) + " Hz";
}

std::string ResonanceToolTip(int32 value)
{
	// Whole hundredths, written without the locale's decimal mark.
	char text[32];
	std::snprintf(text, sizeof(text), "Resonance: Q %d.%02d", value / kResonanceScale,
	    value % kResonanceScale);
	return text;
}

} // namespace

void ShowSliderToolTips(BSlider* distortion, BSlider* cutoff, BSlider* resonance)
{
	distortion->SetToolTip(DriveToolTip(distortion->Value()).c_str());
	cutoff->SetToolTip(CutoffToolTip(cutoff->Value()).c_str());
	resonance->SetToolTip(ResonanceToolTip(resonance->Value()).c_str());
}
