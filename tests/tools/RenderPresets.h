// A preset that runs every stage of the chain, so that a render of it shows any difference
// between tunk-render and the window's engine anywhere along the way.
#pragma once

#include "preset/PresetRecord.h"

inline PresetParams EveryStagePreset(float startFreq, float duration, int32 oscType)
{
	PresetParams params = DefaultPresetParams();
	params.startFreq = startFreq;
	params.duration = duration;
	params.oscType = oscType;
	params.freqEnvelope = 3.5f;
	params.ampEnvelope = 2.0f;
	params.distortion = 5.0f;
	params.filterCutoff = 1800.0f;
	params.filterQ = 3.0f;
	params.freqEnvEnabled = 1;
	params.ampEnvEnabled = 1;
	params.distortionEnabled = 1;
	params.filterEnabled = 1;
	return params;
}
