// A kit as a sample pack for other samplers and drum machines: each pad's sound rendered to a
// file named after the pad, an SFZ file that maps them to their notes, and a Hydrogen drum kit
// (drumkit.xml, the format Hydrogen 1.2 reads). The sound files hold each pad's sound as it is
// (the sound alone, as tunk-render writes it); level, pan and choke group are the
// instruments' settings in the SFZ and Hydrogen files, taken through the kit's rule for a
// stereo pair (PadMixOf: a pad on its own output in the middle, as the window plays it). No window toolkit: the window's
// "Export Sample Pack…" and tunk-render --kit share it.
#pragma once

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

// The SFZ text: a one-shot region per pad on its note (`key=`, so it plays unpitched), its
// `sample=` from `files`, its level as `volume=` in dB, its pan as `pan=` in -100..100 and its
// choke group as `group=` and `off_by=` (a pad of the group ends the others, as in the kit).
std::string SfzText(const Kit& kit, const std::vector<std::string>& files);

struct DrumkitCredits {
	std::string author = "Tunk";
	std::string info;
	std::string license;
};

// The Hydrogen drum kit: one instrument per pad, its volume from the level, pan_L and pan_R the
// kit's pan gains, its mute group from the choke group (-1 for none), its MIDI out note the
// pad's note, and one layer over every velocity holding its file from `files`.
std::string HydrogenDrumkitXml(const Kit& kit, const std::vector<std::string>& files,
	const DrumkitCredits& credits);

struct SamplePackResult {
	status_t status = B_OK;
	std::string failedFile;          // the file that could not be made, when status is not B_OK
	bool soundRefused = false;       // its sound could not be rendered (B_BAD_VALUE)
	std::vector<std::string> files;  // what was written, sound files first, as paths; none
	                                 // after a failure
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
	const std::string& format, const DrumkitCredits& credits = {});
