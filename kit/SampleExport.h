// A kit as a sample pack for other samplers and drum machines: each pad's sound rendered to a
// file named after the pad, an SFZ file that maps them to their notes, and a Hydrogen drum kit
// (drumkit.xml, the format Hydrogen 1.2 reads). The sound files hold each pad's sound as it is
// (the sound alone, as tunk-render writes it); level, pan and choke group are the
// instruments' settings in the SFZ and Hydrogen files, taken through the kit's rule for a
// stereo pair (PadMixOf: a pad on its own output in the middle, as the window plays it). No window toolkit: the window's
// "Export Sample Pack…" and tunk-render --kit share it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kit/Kit.h"
#include "kits/support/SupportDefs.h"

// The drum kit's file for Hydrogen, always this name in its folder.
constexpr char kHydrogenDrumkitFile[] = "drumkit.xml";

// A name made safe as a file name on any desktop system and in SFZ and XML: no path
// separators, none of \ : * ? " < > | = #, no control characters, bytes that are not UTF-8
// replaced by "_"; no leading or trailing spaces or dots; at most 100 bytes, cut between
// characters. Empty when nothing is left.
std::string SafeFileStem(const std::string& name);

// The sound file of each pad, in pad order: its SafeFileStem ("Pad 3" for a pad whose name
// leaves nothing) with `extension` ("wav"), unique without regard to case ("Tom.wav",
// "Tom 2.wav") so that the pack unpacks whole on any file system.
std::vector<std::string> PadFileNames(const Kit& kit, const std::string& extension);

// The SFZ file's name: the kit's SafeFileStem (or "Kit") with ".sfz".
std::string SfzFileName(const Kit& kit);

// How many velocity bands each pad's samples cover 1..127 with, and how many hits of
// variation (round robins) each band holds.
struct PackLayers {
	int32_t layers = 1;      // 1..127
	int32_t roundRobins = 1; // 1..kMaxRoundRobins
};
constexpr int32_t kMaxRoundRobins = 64;

// One sample of a pack: a pad's hit rendered at the top of its velocity band, as a note of
// that velocity plays it at full level (its variation's level included).
struct PackSample {
	size_t pad = 0;
	uint8_t low = 1, high = 127; // the band, from the lowest velocity to the highest
	uint32_t hit = 0;            // its variation: 0 for none
	int32_t position = 1;        // its place among the band's round robins, from 1
	int32_t count = 1;           // the band's round robins
	std::string file;
};

// The samples of every pad, pad by pad, band by band from the softest, round robin by round
// robin. A pack of one band and one round robin holds each pad's sound as it is, in the files
// PadFileNames names; a layered pack names them "Kick v2 3.wav" (band 2, hit 3; without the
// hit when there is one). A pad whose hits do not vary has one sample per band.
std::vector<PackSample> PackSamples(const Kit& kit, const std::string& extension,
	PackLayers layers = {});

// The SFZ text: a one-shot region per sample on its pad's note (`key=`, so it plays
// unpitched), its `sample=`, its level as `volume=` in dB, its pan as `pan=` in -100..100 and
// its choke group as `group=` and `off_by=` (a pad of the group ends the others, as in the
// kit). A layered pack's regions carry their band (`lovel`, `hivel`), points of the sound's
// velocity curve (`amp_velcurve_N`) so that a velocity inside a band plays at Tunk's level,
// and their round robin (`seq_length`, `seq_position`).
std::string SfzText(const Kit& kit, const std::vector<PackSample>& samples);

struct DrumkitCredits {
	std::string author = "Tunk";
	std::string info;
	std::string license;
};

// The Hydrogen drum kit: one instrument per pad, its volume from the level, pan_L and pan_R the
// kit's pan gains, its mute group from the choke group (-1 for none), its MIDI out note the
// pad's note, and a layer per sample with its band as `min` and `max` (0 to 1, the bands
// covering the whole range); round robins take turns.
std::string HydrogenDrumkitXml(const Kit& kit, const std::vector<PackSample>& samples,
	const DrumkitCredits& credits);

struct SamplePackResult {
	status_t status = B_OK;
	std::string failedFile;          // the file that could not be made, when status is not B_OK
	bool soundRefused = false;       // its sound could not be rendered (B_BAD_VALUE)
	std::vector<std::string> files;  // what was written, sound files first, as paths; none
	                                 // after a failure
	std::vector<size_t> unvaried;    // pads of a pack with round robins whose hits are all alike
};

// Writes the pack into `folder` (made if missing): the pads' sound files in `format` ("wav",
// "flac", "aiff" or "ogg"), the SFZ file and drumkit.xml. The pack is written whole or not at
// all: every file is made in a hidden folder inside `folder` first, and only then are they
// moved into their places, each replacing the entry of its name; an entry that is a symbolic
// link is itself replaced, never followed out of the folder. After a failure `folder` holds
// what it held before (an earlier pack stays as it was) and nothing more. Stops at the first
// failure: B_BAD_VALUE for a sound that cannot be rendered (a duration beyond the longest
// sound), else the system's reason.
SamplePackResult ExportSamplePack(const Kit& kit, const std::string& folder,
	const std::string& format, const DrumkitCredits& credits = {}, PackLayers layers = {});
