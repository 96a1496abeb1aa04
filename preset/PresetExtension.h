// The preset file's extension: what a sound holds beyond the 52-byte record's thirteen
// values. It follows the record as a marker and a JSON object naming each value by its
// parameter's symbol, with the format's version:
//   T0NK\0... (52 bytes) "TNKX" {"version":3,"endFreq":45,"noiseLevel":0.5}
// A program that reads only the record plays the tone; a sound whose added values all
// hold their defaults has no extension at all, so it stays a 52-byte file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/core/Params.h"
#include "kits/support/SupportDefs.h"
#include "preset/PresetRecord.h"

// Put right after the record.
constexpr char kPresetExtensionMarker[4] = {'T', 'N', 'K', 'X'};
// The version this program writes: the newest `since` of the parameters it knows.
constexpr int kPresetExtensionVersion = tunk::NewestSince();
// Beyond this many bytes (marker included) an extension is refused unread: the longest
// this program writes is well under a kilobyte.
constexpr size_t kPresetExtensionLimit = kPresetTailLimit;


struct ExtensionRead {
	bool present = false;  // a marker followed the record
	bool refused = false;  // damaged or hostile: the added values kept their defaults
	int64_t version = 0;   // the version the extension names when newer than this program's, else 0
	// Said once each, for the user: unknown values, a refusal.
	std::vector<std::string> messages;
};

// Reads the bytes after the record (`tail`, `size` of them) into the added values of
// `params` and the values this program does not know into `unknown`. Bytes that do not
// begin with the marker are no extension (older programs ignored them) and change nothing.
// A damaged extension (not JSON, cut short, too large, too deep, no version, a known value
// that is no number or too large for a float) changes nothing and says why. Every other value
// is kept as given, also beyond the range the window offers, as the record's are. Known
// values of the record's own thirteen are ignored.
ExtensionRead DecodePresetExtension(const uint8_t* tail, size_t size, tunk::SoundParams* params,
	PresetUnknownValues* unknown);

// The extension for `params` and `unknown`: empty when every added value holds its default,
// nothing unknown is carried and `version` is not newer than this program's. It names
// `version` when that is newer, so that a file of a newer Tunk keeps its version.
std::vector<uint8_t> EncodePresetExtension(const tunk::SoundParams& params,
	const PresetUnknownValues& unknown, int64_t version = kPresetExtensionVersion);


// A whole preset file: the record's values, then the extension's over them. The statuses are
// ReadPresetFile's; `messages` receives what the user should hear of the extension (unknown
// values, a refusal, in which case the sound is the record's alone).
status_t ReadPreset(const char* path, tunk::SoundParams* values, PresetExtras* extras,
	std::vector<std::string>* messages);
// The record and, unless every added value holds its default and nothing unknown is carried,
// the extension after it.
status_t WritePreset(const char* path, const tunk::SoundParams& values, const PresetExtras& extras);
