// A preset pushed into a window's engine, for the tests that hold a record and a TunkSound;
// the caller generates. Tempo 120 beats per minute, repeat off.
#pragma once

#include "engine/TunkSound.h"
#include "preset/PresetRecord.h"

inline void ApplyPresetToEngine(const PresetParams& params, TunkSound* sound)
{
	sound->SetParams(ToSoundParams(params));
	sound->SetBeatLength(120.0f);
	sound->SetSequencerEnabled(false);
}
