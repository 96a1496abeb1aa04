// The preset file: one sound's parameters behind the magic "T0NK". The codec packs every
// field byte by byte (little-endian), so it reads and writes the same file on any host.
// No window toolkit here: the editor window and the command-line tools share it.
#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "engine/core/Params.h"
#include "kits/support/SupportDefs.h"

class BFile;
class BNode;

// One sound's parameters as the file holds them, laid out as the file body. A record made
// without values holds the default sound (DefaultPresetParams), never stray bytes.
struct PresetParams {
	float startFreq = 1000;
	uint32 reserved = 0;  // no meaning; kept as loaded
	float duration = 200;
	float amplitude = 0.95f;
	float freqEnvelope = 1;
	float ampEnvelope = 1;
	float distortion = 1;
	float filterCutoff = 5000;
	float filterQ = 1;
	int32 oscType = 1;
	// 1 is on; every other value counts as off.
	uint8 ampEnvEnabled = 0;
	uint8 freqEnvEnabled = 0;
	uint8 distortionEnabled = 0;
	uint8 filterEnabled = 0;
};
static_assert(sizeof(PresetParams) == 44);

constexpr size_t kPresetParamsSize = 44;
constexpr size_t kPresetRecordSize = 52;
// The most of what follows the record that reading looks at (the extension's limit).
constexpr size_t kPresetTailLimit = 64 * 1024;
// Where the parameters start in the record: after the magic, its terminator and the filler.
constexpr size_t kPresetParamsOffset = 8;

constexpr char kPresetMimeType[] = "document/tunk-preset";
constexpr char kPresetShortDescription[] = "Tunk preset file";
constexpr char kPresetLongDescription[] = "Tunk sample generation preset file";
constexpr char kPresetAppSignature[] = "application/x-vnd.Quillfeather-Tunk!";
// The magic with its terminator, as it stands at the start of every preset.
constexpr char kPresetMagic[5] = {'T', '0', 'N', 'K', '\0'};

using PresetBytes = std::array<uint8, kPresetRecordSize>;

// The parameters of a new sound (tunk::SoundParams' defaults), reserved field 0.
PresetParams DefaultPresetParams();

// Between the record and the core's parameters. A flag is on when it holds 1, as the
// window reads it; the way back writes 1 and 0 and a reserved field of 0.
tunk::SoundParams ToSoundParams(const PresetParams& params);
PresetParams ToPresetParams(const tunk::SoundParams& params);

// Values a file carries that this program does not know (from a newer Tunk): symbol to
// the value's JSON text, written back unchanged on save.
using PresetUnknownValues = std::map<std::string, std::string>;

// What a preset file holds beyond the sound's values, carried with the sound and written back
// unchanged on save: the record's reserved word and the extension's values this program does
// not know.
struct PresetExtras {
	uint32 reserved = 0;
	PresetUnknownValues unknown;
	bool operator==(const PresetExtras&) const = default;
};
// The record of `values` with `extras` in their places; the extras of a record.
PresetParams ToPresetParams(const tunk::SoundParams& values, const PresetExtras& extras);
PresetExtras ExtrasOf(const PresetParams& record);

// The 44-byte body alone.
void EncodePresetParams(const PresetParams& params, uint8* out);
PresetParams DecodePresetParams(const uint8* in);

// The whole 52-byte record: magic, terminator, three zero filler bytes, body.
PresetBytes EncodePresetRecord(const PresetParams& params);

enum class PresetCheck { Valid, NotValid };
// Reads a record of `size` bytes; bytes beyond the end of a short record count as zero.
// NotValid when bytes 0 to 4 are not the magic and its terminator: `params` then holds
// the defaults. The filler is ignored.
PresetCheck DecodePresetRecord(const void* data, size_t size, PresetParams* params);

// Opens a preset for reading: B_BAD_TYPE (without waiting) for a pipe, a device or anything
// else that is not a regular file, else BFile's status.
status_t OpenPresetFile(const char* path, BFile* file);
// Reading: B_OK, the file's open or read error, or B_BAD_DATA for a file that is not a
// preset (`params` then holds the defaults). Writing replaces the whole file, so a longer
// file keeps exactly the 52 bytes of the record, and tags it with the preset type; a file
// system without attributes does not fail it. The record is written beside the file and
// renamed over it once it is on the disk: after a failure the old file is whole. Failures
// are the system's reasons (B_PERMISSION_DENIED, B_DEVICE_FULL, ...).
// `tail`, when given, receives what follows the record (at most kPresetTailLimit bytes and
// one more, so that a caller can tell a longer tail) and is written after it.
status_t ReadPresetFile(const char* path, PresetParams* params, std::vector<uint8>* tail = nullptr);
status_t WritePresetFile(
	const char* path, const PresetParams& params, std::span<const uint8> tail = {});

// Registers the preset type (descriptions, preferred application, magic), installing it
// when the registry does not have it yet.
status_t RegisterPresetType();
// Tags a file as a preset for this application unless it already names the application.
status_t TagPresetFile(BNode* node);
