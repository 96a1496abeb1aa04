// New sounds at the press of a key: Randomize draws a sound of a category from ranges that
// suit it, Mutate moves every parameter of a sound a little. Both are deterministic for a
// seed: the generator is std::mt19937_64, whose sequence the C++ standard fixes, and the
// mapping to numbers is our own, so every standard library gives the same sounds.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "preset/PresetRecord.h"

enum class SoundCategory { Kick, Tom, Zap, Blip, Bass, Click, Anything };

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
// -1; at least -12 where the amplitude is full).
PresetParams Randomize(SoundCategory category, uint64_t seed);

// Every parameter moved a small random amount, the waveform and the switches kept. When the
// moved sound would clip, its amplitude is lowered until it does not.
PresetParams Mutate(const PresetParams& params, uint64_t seed);
