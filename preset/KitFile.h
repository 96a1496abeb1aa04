// The kit file (.tunkkit): a whole kit by value in JSON, each pad's sound keyed by the
// parameters' symbols as in a preset's extension:
//   {"tunkKit": 1, "name": "808", "pads": [{"name": "Kick", "note": 36, "level": 0,
//    "pan": 0, "choke": 0, "output": "main", "sound": {"startFreq": 55, ...}}, ...]}
// A kit may hold patterns, its tempo and a chain of patterns for a song:
//   "tempo": 120, "chain": [1, 1, 2],
//   "patterns": [{"name": "Basic", "steps": 16, "stepsPerBeat": 4, "swing": 0,
//                 "velocity": [[127, 0, 0, 0, 127], [], [0, 0, 0, 0, 110]],
//                 "probability": [[], [], [100, 100, 100, 100, 50]]}]
// "velocity" and "probability" hold a list of steps per pad in the pads' order (a velocity 0
// is no hit; a probability in percent, 100 where none is given); steps and pads left out are
// none. A kit without patterns writes none of these keys, as before patterns were.
// "tunkKit" comes first and holds the format's version, so that the desktop knows the file by
// its first bytes. Every failure to read is a value with words for the user; keys this
// program does not know are kept and written back, and so is a newer format's version (as
// the kit's unknown value of "tunkKit"), which is never lowered. A sound from a preset whose
// head holds a reserved word other than 0 keeps it as "reserved" among its values; the
// preset's name is the pad's "soundName".
//
// DecodeKit, EncodeKit and ReadKitFile need nothing but the core and the JSON library, so a
// plugin can link them (library tunk_kit_codec); WriteKitFile replaces the file through the
// storage kit (library tunk_preset).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "kit/Kit.h"
#include "kits/support/SupportDefs.h"

constexpr char kKitMimeType[] = "application/x-tunk-kit";
constexpr char kKitShortDescription[] = "Tunk drum kit";
constexpr char kKitLongDescription[] = "Tunk drum kit: sounds on MIDI notes";
// Where every kit this program writes carries its version's key: after "{" and a line break
// with its indent.
constexpr char kKitMagic[] = "\"tunkKit\"";
constexpr int32 kKitMagicOffset = 4;
constexpr char kKitFileExtension[] = ".tunkkit";
// The key of the format's version, first in every kit file.
constexpr char kKitFormatKey[] = "tunkKit";
constexpr int kKitFormatVersion = 1;
// Larger files are refused unread: sixteen pads of every value take some 20 kB.
constexpr size_t kKitFileLimit = 1024 * 1024;
// The longest name of a kit or pad, in bytes, and the most text of keys this program does not
// know that a kit may carry: together they keep every kit it reads writable within the limit.
constexpr size_t kKitNameLimit = 1024;
constexpr size_t kKitUnknownLimit = 64 * 1024;

struct KitRead {
	std::string error;                  // why the kit could not be read; "" when it was
	std::vector<std::string> messages;  // said once each: a newer format, unknown keys
	bool Ok() const { return error.empty(); }
};

// Reads a kit file's text into `kit`; on an error `kit` is unchanged. Errors: text that is
// not JSON, too large, nested too deeply or beyond ParseKeyed's bounds on keys and values; no
// "tunkKit" version; a name that is no text or longer than kKitNameLimit; more than
// kKitUnknownLimit of unknown keys' values; "pads" missing, no list or longer than kMaxPads; a
// pad with no note, a note that is no whole number in 0..127, a choke group outside 0..8, an
// output other than "main" or "own"; a level, a pan, a tempo, a swing or a sound's value that
// is no number or too large for a float; a sound that is no object; more than kMaxPatterns
// patterns, a pattern's length outside 1..64, steps per beat other than 2, 3, 4, 6 or 8, a
// velocity that is no whole number in 0..127 or a probability in 0..100, a chain naming a
// pattern the kit has not. Every other number is kept as given, also beyond the range the
// window offers (where a pad plays, its level and pan count as the nearest end of their
// range, and where a pattern plays its tempo and swing); a pad's name, level, pan, choke, output and sound values left
// out take a new pad's.
KitRead DecodeKit(std::string_view text, Kit* kit);

// The file's text: the kit's own keys a line each, each pad on a line of its own. Every
// parameter of every pad is written as it is; values that JSON cannot hold (no number, an
// infinity) as values that play the same where that can be (a level or pan that is no number
// as 0, an infinite one as the largest float of its sign), and text that is not UTF-8 has its
// bad bytes replaced.
std::string EncodeKit(const Kit& kit);

// Reads the kit file at `path`. Besides DecodeKit's errors: the system's reason a file
// cannot be opened or read, a path that is no regular file (never waited on, so a pipe does
// not hang), a file over kKitFileLimit.
KitRead ReadKitFile(const char* path, Kit* kit);

// Writes EncodeKit(kit) to `path`, replacing the file only once the new one is whole, and
// tags it with the kit type where the file system keeps attributes. Failures are the
// system's reasons (B_PERMISSION_DENIED, B_DEVICE_FULL, ...).
status_t WriteKitFile(const char* path, const Kit& kit);
// A pad's sound as a preset holds it, and a preset's sound put on a pad: the reserved word, the
// unknown values and a newer preset's version, which the pad keeps among its sound's values
// as "version" so that the kit file carries it and the sound saved again never lowers it.
struct PresetExtras;
PresetExtras PadSoundExtras(const Pad& pad);
void SetPadSound(Pad* pad, const tunk::SoundParams& values, const PresetExtras& extras);

// Tags a file as a kit for this application.
class BNode;
status_t TagKitFile(BNode* node);
// Registers the kit type (descriptions, preferred application, magic) for this user, installing
// it when the registry does not have it yet.
status_t RegisterKitType();
