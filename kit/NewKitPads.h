// What a new kit's pads hold besides their General MIDI name, note and choke group (kGmDrums):
// level, pan, output and the factory sound each takes, with its name. Written into a source when the program
// is built, from data/kits/new-kit.tsv and the factory sounds, by tunk-factory-kits --new-kit.
#pragma once

#include <array>

#include "kit/Kit.h"

struct NewKitPad {
	float level;
	float pan;
	PadOutput output;
	const char* soundName;  // the factory sound's
	std::array<float, tunk::kParamCount> sound;  // by the parameter table's order
};

// In kGmDrums' order.
extern const NewKitPad kNewKitPads[kMaxPads];
