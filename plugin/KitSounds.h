// What the kit instrument plays: a kit read off the audio thread (the worker, or the host's
// thread that restores a state) and handed over by pointer. Its voices compute each pad's
// sound as they play, so a kit holds no samples and costs no time to make, whatever its pads'
// lengths. The pads' names for hosts that show them on their notes.
#pragma once

#include <memory>
#include <string>

#include "kit/Kit.h"

namespace tunk::lv2 {

struct KitSounds {
	Kit kit;
	std::string path;  // the kit file it was read from; empty for a state or a preset
	// The audio thread's, once the kit is replaced: the next kit waiting to be freed on the
	// worker (voices copy their pad's sound, so none needs a replaced kit).
	KitSounds* retiredNext = nullptr;
};

// The kit to hand to the audio thread; pads beyond kMaxPads are left out. Allocates.
std::unique_ptr<KitSounds> MakeKitSounds(Kit kit);

// The name hosts show on each note a pad plays: the pad's name (its General MIDI name, or
// "Pad N", when it has none), pads sharing a note joined by " + "; "" for a note no pad
// plays.
std::string NoteName(const Kit& kit, int note);

// A MIDNAM document (the MIDI Manufacturers Association's note names) naming the kit's
// notes on every channel, for the device `model`.
std::string MidnamDocument(const Kit& kit, const std::string& model);

} // namespace tunk::lv2
