// A drum kit: a named list of pads, each a whole sound with the note that plays it, its level,
// its pan, its choke group and the output it goes to. The lookups a player needs on its
// real-time thread (the pads of a note, the pads a pad chokes, a pad's gains) are pure
// functions here that neither allocate nor lock. No window toolkit, no SDL, no files: the
// window, the plugin and tunk-render share it (the file codec is preset/KitFile.h).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/core/Params.h"

// At most this many pads; a pad's index fits a bit of PadMask.
constexpr size_t kMaxPads = 16;
// Choke groups 1 to 8; 0 is none.
constexpr int kChokeGroups = 8;
constexpr int kLowestNote = 0;
constexpr int kHighestNote = 127;
// A pad's level in dB: full scale at 0. The range the window offers and the pad plays in
// (LevelGain); a kit file keeps a level beyond it as given.
constexpr float kMinPadLevel = -60;
constexpr float kMaxPadLevel = 12;

// Pads as bits: bit i is pad i.
using PadMask = uint32_t;
static_assert(kMaxPads <= 32);

enum class PadOutput : uint8_t {
	Main,  // the stereo main output, panned
	Own,   // the pad's own mono output, unpanned
};

// Values a kit file carries that this program does not know (keys from a newer Tunk): key to
// the value's JSON text, written back unchanged. The same form as a preset's unknown values.
using KeptValues = std::map<std::string, std::string>;

struct Pad {
	std::string name;
	std::string soundName;    // the preset the sound came from; "" when none
	tunk::SoundParams sound;  // every parameter of the table
	int note = 36;            // MIDI note, kLowestNote..kHighestNote
	float level = 0;          // dB, kMinPadLevel..kMaxPadLevel
	float pan = 0;            // -1 all left .. 0 centre .. 1 all right
	int choke = 0;            // 0 none, 1..kChokeGroups
	PadOutput output = PadOutput::Main;
	KeptValues unknown;       // the pad's keys this program does not know
	KeptValues soundUnknown;  // the sound's keys this program does not know
	uint32_t soundReserved = 0;  // the sound's reserved word from a preset; no meaning, kept

	bool operator==(const Pad&) const = default;
};

// A pattern: a row of steps for each pad, played in a loop (kit/Pattern.h says where each
// step falls). Steps beyond `steps` are kept, so that shortening a pattern and lengthening it
// again gives its steps back.
constexpr size_t kMaxPatterns = 16;
constexpr int kMaxSteps = 64;
struct Step {
	uint8_t velocity = 0;      // 0 none, 1..127
	uint8_t probability = 100; // percent of the times the step plays
	bool operator==(const Step&) const = default;
};
using PatternLane = std::array<Step, kMaxSteps>;
struct Pattern {
	std::string name;
	int steps = 16;       // 1..kMaxSteps
	int stepsPerBeat = 4; // 2, 3, 4, 6 or 8
	float swing = 0;      // percent of a step that odd steps come late, 0..75
	std::array<PatternLane, kMaxPads> lanes{}; // a lane per pad, by the pad's index
	KeptValues unknown;

	bool operator==(const Pattern&) const = default;
};

struct Kit {
	std::string name;
	std::vector<Pad> pads;  // at most kMaxPads
	KeptValues unknown;     // top-level keys this program does not know
	std::vector<Pattern> patterns; // at most kMaxPatterns
	float tempo = 120;             // BPM, 20..300 where it plays
	std::vector<int> chain;        // indices into patterns, in the order a song plays them

	bool operator==(const Kit&) const = default;
};

// Bit for bit, as a file would hold them: a NaN level is the same as itself, -0 is not 0.
bool SameBits(const Pad& a, const Pad& b);
bool SameBits(const Kit& a, const Kit& b);

// One pad of the General MIDI drum map: its usual name, note and choke group.
struct GmDrum {
	const char* name;
	int note;
	int choke;
};
// The sixteen pads of a new kit in note order; the closed, pedal and open hats share choke
// group 1, so that a closed hat ends a ringing open one.
inline constexpr GmDrum kGmDrums[kMaxPads] = {
	{"Kick", 36, 0},
	{"Side Stick", 37, 0},
	{"Snare", 38, 0},
	{"Clap", 39, 0},
	{"Low Tom", 41, 0},
	{"Closed Hat", 42, 1},
	{"Pedal Hat", 44, 1},
	{"Mid Tom", 45, 0},
	{"Open Hat", 46, 1},
	{"High Tom", 48, 0},
	{"Crash", 49, 0},
	{"Ride", 51, 0},
	{"Tambourine", 54, 0},
	{"Cowbell", 56, 0},
	{"Shaker", 70, 0},
	{"Claves", 75, 0},
};

// A new kit named `name`: the sixteen pads of kGmDrums, each with the factory sound, level,
// pan and output data/kits/new-kit.tsv gives it (library tunk_new_kit, made with the program).
Kit NewKit(const std::string& name = "New Kit");

// The General MIDI drum name of `note` ("Acoustic Snare" for 38), "" outside 35..81.
const char* GmDrumName(int note);

// Whether a value may stand in a pad: a note in 0..127, a choke group in 0..8.
constexpr bool ValidNote(int note)
{
	return note >= kLowestNote && note <= kHighestNote;
}
constexpr bool ValidChoke(int choke)
{
	return choke >= 0 && choke <= kChokeGroups;
}

// The pads that `note` plays (several pads on one note play together); 0 when none does,
// also for a note outside 0..127. Pads beyond kMaxPads are never looked at.
PadMask PadsOnNote(const Kit& kit, int note);

// The pads whose voices pad `pad` ends when it plays: the other pads of its choke group.
// 0 for a pad of no group or an index beyond the kit.
PadMask PadsChokedBy(const Kit& kit, size_t pad);

// The linear gain of a level in dB: exactly 1 at 0 dB, so that a pad at 0 dB plays its
// sound's samples unchanged; a level below kMinPadLevel is silence, one above kMaxPadLevel
// counts as kMaxPadLevel and one that is no number as 0 dB.
float LevelGain(float levelDb);

// Gains of the two main channels for a pan position. The balance law: the centre passes
// both channels at full level, and panning lowers only the far side, linearly, to silence at
// -1 (right) or 1 (left). A centred pad is therefore bit-identical to its mono sound on each
// channel, and the loudest channel never rises. Positions beyond -1..1 count as the end,
// a position that is no number as the centre.
struct StereoGain {
	float left;
	float right;
	bool operator==(const StereoGain&) const = default;
};
StereoGain PanGains(float pan);

// A pad's gains on the main pair: its level times its pan's. A pad on its own output uses
// LevelGain(pad.level) alone.
StereoGain PadGains(const Pad& pad);
