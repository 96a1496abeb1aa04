// Helpers of the bad-input tests: a fresh engine's render of a parameter block, and a check
// that an engine still renders a good sound exactly as a fresh one does.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "engine/ApplyPreset.h"
#include "engine/TunkSound.h"

namespace badinput {

inline std::vector<int16> Samples(const TunkSound& sound)
{
	int64 count = 0;
	const int16* samples = sound.GetBuffer(&count);
	return samples == nullptr ? std::vector<int16>() : std::vector<int16>(samples, samples + count);
}

inline std::vector<int16> FreshRender(const PresetParams& params)
{
	TunkSound sound;
	ApplyPresetToEngine(params, &sound);
	sound.GenerateSound();
	return Samples(sound);
}

// Every section on, so that a bad value anywhere would have a stage to spoil.
inline PresetParams AllOn()
{
	PresetParams params = DefaultPresetParams();
	params.oscType = 2;
	params.startFreq = 220.0f;
	params.freqEnvelope = 3.0f;
	params.ampEnvelope = 2.0f;
	params.distortion = 4.0f;
	params.filterCutoff = 2000.0f;
	params.filterQ = 2.0f;
	params.ampEnvEnabled = 1;
	params.freqEnvEnabled = 1;
	params.distortionEnabled = 1;
	params.filterEnabled = 1;
	return params;
}

// Nothing of a bad sound outlasts it: the engine renders a good preset afterwards exactly
// as a fresh engine does.
inline void ExpectRecovers(TunkSound* sound)
{
	const PresetParams good = AllOn();
	ApplyPresetToEngine(good, sound);
	sound->GenerateSound();
	EXPECT_EQ(Samples(*sound), FreshRender(good));
}

}  // namespace badinput
