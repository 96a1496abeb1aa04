// Steps an engine through its waveforms and stage switches the way the window does, one
// setter at a time, so that tests can compare each render without repeating the sweep.
#pragma once

#include <gtest/gtest.h>

#include "engine/TunkSound.h"

// Switch bits as in core/RenderHash.h: 1 frequency envelope, 2 distortion, 4 amplitude
// envelope, 8 filter.
inline void SetStageSwitches(TunkSound& sound, int switches)
{
	sound.SetFreqEnvEnabled((switches & 1) != 0);
	sound.SetDistortionEnabled((switches & 2) != 0);
	sound.SetAmpEnvEnabled((switches & 4) != 0);
	sound.SetFilterEnabled((switches & 8) != 0);
}

// Generates the sound with each waveform and each of the sixteen switch settings in turn and
// calls check(type, switches) after each; stops at a fatal failure.
template <typename Check> void ForEachWaveformAndSwitches(TunkSound& sound, Check check)
{
	for (int32 type = 1; type <= 4; type++) {
		sound.SetOscType(type);
		sound.GenerateWaveTable();
		for (int switches = 0; switches < 16; switches++) {
			SetStageSwitches(sound, switches);
			sound.GenerateSound();
			check(type, switches);
			if (::testing::Test::HasFatalFailure())
				return;
		}
	}
}
