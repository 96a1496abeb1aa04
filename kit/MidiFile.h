// A pattern loop as a Standard MIDI File: format 0, one track at 480 ticks a beat, the tempo,
// the kit's name, and each hit as its pad's note on channel 10 (General MIDI's drums) at its
// velocity, one step long (a late last step ends with the loop), swing included. Bytes only; the
// caller writes them.
#pragma once

#include <cstdint>
#include <vector>

#include "kit/Pattern.h"

constexpr int kMidiTicksPerBeat = 480;
constexpr int kMidiDrumChannel = 9; // channel 10, counted from 0

std::vector<uint8_t> PatternMidiFile(const Kit& kit, const PatternLoop& loop, float bpm);
