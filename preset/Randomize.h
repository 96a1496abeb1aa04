// New sounds at the press of a key: Randomize draws a sound of a category from ranges that
// suit it, Mutate moves every parameter of a sound a little. Both are deterministic for a
// seed: the generator is std::mt19937_64, whose sequence the C++ standard fixes, and the
// mapping to numbers is our own, so every standard library gives the same sounds.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/core/Params.h"
#include "preset/PresetRecord.h"

// The drums of a kit follow Anything so that the earlier codes (kept by menus) stand.
enum class SoundCategory {
	Kick, Tom, Zap, Blip, Bass, Click, Anything, Snare, Clap, Hat, Cymbal, Rim, Metal
};

struct SoundCategoryName {
	SoundCategory category;
	const char* key;  // for command lines and file names: "kick"
	const char* name; // as menus show it, the factory folder's name: "Kicks"
};

// Every category, in menu order; "Anything" last.
const std::vector<SoundCategoryName>& SoundCategories();

// A category by its key or its name, without regard to case.
std::optional<SoundCategory> FindSoundCategory(std::string_view keyOrName);
const SoundCategoryName& NameOf(SoundCategory category);

// A sound of the category without a clipped sample, its peak at most -1 dBFS (mostly -6 to
// -1; at least -12 where the levels are full). Kicks fall to an end pitch above 30 Hz;
// the drums (snare to metal) use the noise layer and the second tone where they need them.
tunk::SoundParams Randomize(SoundCategory category, uint64_t seed);

// Every parameter of the record moved a small random amount, the waveform and the switches
// kept. When the moved sound would clip, its amplitude is lowered until it does not.
PresetParams Mutate(const PresetParams& params, uint64_t seed);
// The same for a whole sound: the record's values move as above and the added ones (noise,
// second tone, end pitch) stay; a sound that would clip has its tone and noise lowered alike.
tunk::SoundParams Mutate(const tunk::SoundParams& params, uint64_t seed);
