// Command line of tunk-render, parsed into a plain record with no side effects, so that
// it can be tested (and fuzzed) on its own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/Params.h"
#include "kit/KitPlay.h"
#include "kits/support/SupportDefs.h"

// One --set NAME=VALUE, already checked: `number` holds a float field's value, `integer`
// an integer field's (oscType, the flags).
struct ParamSetting {
	std::string name;
	float number = 0;
	int32 integer = 0;
};

struct RenderOptions {
	enum class Action { Render, Help, Version };
	Action action = Action::Render;
	std::vector<std::string> presets;
	std::string output;     // -o: the one output file; "-" is standard output
	std::string directory;  // -d: where outputs go
	std::string format = "wav";  // wav, flac, aiff or ogg
	std::vector<ParamSetting> settings;
	std::string savePreset;
	int32 jobs = 0;  // -j: threads; 0 is one per processor

	// --random CATEGORY: `count` new sounds of the category's key ("kick"), named
	// "kick-001.wav" and so on, from `seed` (drawn from the clock when none is given).
	std::string random;
	int32 count = 1;
	bool seedGiven = false;
	uint64_t seed = 0;
	// --save-preset without a value, with --random: each sound's preset beside it.
	bool presetsBeside = false;

	// --kit FILE: the kit's sample pack (each pad's sound, an SFZ file, a Hydrogen drum kit)
	// goes into -d DIR; with --notes, the kit playing them goes into -o FILE in stereo.
	std::string kit;
	std::vector<KitEvent> notes;  // in frame order
	// The pack's velocity bands and round robins per pad (--layers, --round-robins).
	int32 layers = 1;
	int32 roundRobins = 1;

	// A sound as a note of `velocity` plays it, with the variation of hit number `hit` (0: none).
	int32 velocity = 127;
	uint32_t hit = 0;

	// With --pattern N|NAME|chain, the kit's pattern (its number from 1 or its name) or its chain
	// played `bars` times at `bpm` (0: the kit's tempo) as a seamless loop: the mix into -o FILE,
	// with --stems each pad alone into -d DIR, with --midi its notes into a MIDI file.
	std::string pattern;
	int32 bars = 1;
	float bpm = 0;
	bool stems = false;
	std::string midi;

	bool ToStandardOutput() const { return output == "-"; }
	// The number of sounds the run makes.
	size_t SoundCount() const;
};

struct ParsedArgs {
	bool ok = false;
	RenderOptions options;
	std::string error;  // what was wrong, for a usage message
	std::vector<std::string> warnings;  // said on standard error; the run goes on
};

// argv[0] is the program's name and is skipped.
ParsedArgs ParseRenderArgs(int argc, const char* const* argv);

// The most times --bars plays a pattern.
constexpr int32 kMaxLoopBars = 256;

// Checks one NAME=VALUE as --set takes it; an error text, "" when it is good.
std::string ParseSetting(std::string_view text, ParamSetting* setting);

// Reads --notes: NOTE@FRAME[:VELOCITY] separated by commas ("36@0:127,38@22050:100"), a
// note 0 to 127 at a frame of 44100 Hz from 0 on, at a velocity of 1 to 127 (127 when none
// is given); the notes come out in frame order, those of one frame as given. An error text,
// "" when they are good.
std::string ParseKitNotes(std::string_view text, std::vector<KitEvent>* notes);

// Applies the settings in order.
void ApplySettings(const std::vector<ParamSetting>& settings, tunk::SoundParams* params);

// Where the sound of `preset` ("" for the default sound) goes.
std::string OutputPathFor(const RenderOptions& options, const std::string& preset);

// Where random sound `index` (from 0) goes, and where its preset goes beside it.
std::string RandomOutputPath(const RenderOptions& options, size_t index);
std::string RandomPresetPath(const RenderOptions& options, size_t index);

// The seed of random sound `index` of a run seeded with `seed`: runs of nearby seeds share no
// sounds.
uint64_t RandomSoundSeed(uint64_t seed, size_t index);

// The help text.
const char* RenderUsage();
