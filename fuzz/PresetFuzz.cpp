// Any bytes as a preset file: decoded, turned into the core's parameters as the window
// does, its extension read over them, then rendered in full (twice: a render depends on the
// parameters only).
#include <bit>
#include <cmath>
#include <cstring>

#include "engine/core/Render.h"
#include "fuzz/FuzzSupport.h"
#include "preset/PresetExtension.h"
#include "preset/PresetRecord.h"

namespace {

// The extension after a valid record: a refusal or no marker changes nothing; what is read
// is finite, as given, and is written and read back unchanged.
void CheckExtension(const uint8_t* tail, size_t size, tunk::SoundParams* sound)
{
	const tunk::SoundParams before = *sound;
	PresetUnknownValues unknown;
	const ExtensionRead read = DecodePresetExtension(tail, size, sound, &unknown);
	if (!read.present || read.refused) {
		FUZZ_CHECK(tunk::SameBits(*sound, before) && unknown.empty());
		FUZZ_CHECK(read.refused == (read.messages.size() == 1));
		return;
	}
	for (const tunk::ParamInfo& info : tunk::kParams) {
		if (info.since >= 2) {
			FUZZ_CHECK(std::isfinite((*sound)[info.id]));
		} else {
			FUZZ_CHECK(std::bit_cast<uint32_t>((*sound)[info.id]) == std::bit_cast<uint32_t>(before[info.id]));
		}
	}
	const std::vector<uint8_t> written = EncodePresetExtension(*sound, unknown, read.version);
	tunk::SoundParams again = before;
	PresetUnknownValues unknownAgain;
	const ExtensionRead reread
		= DecodePresetExtension(written.data(), written.size(), &again, &unknownAgain);
	FUZZ_CHECK(!reread.refused);
	FUZZ_CHECK(tunk::SameBits(again, *sound));
	FUZZ_CHECK(unknownAgain == unknown);
	FUZZ_CHECK(reread.version == read.version);
	// The unknown values are mentioned once, and nothing else is.
	FUZZ_CHECK(reread.messages.size() == (unknown.empty() ? 0u : 1u));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	PresetParams params;
	const PresetCheck check = DecodePresetRecord(data, size, &params);
	// A short file reads as if padded with zeros: "T0NK" alone carries its terminator.
	uint8 head[sizeof(kPresetMagic)] = {};
	std::memcpy(head, data, size < sizeof(head) ? size : sizeof(head));
	const bool magic = std::memcmp(head, kPresetMagic, sizeof(kPresetMagic)) == 0;
	FUZZ_CHECK((check == PresetCheck::Valid) == magic);
	if (check == PresetCheck::Valid && size >= kPresetRecordSize) {
		// Every body, whatever its floats hold, is written back byte for byte.
		const PresetBytes again = EncodePresetRecord(params);
		FUZZ_CHECK(std::memcmp(again.data() + kPresetParamsOffset, data + kPresetParamsOffset,
					   kPresetParamsSize)
			== 0);
	}

	tunk::SoundParams sound = ToSoundParams(params);
	if (check == PresetCheck::Valid && size > kPresetRecordSize)
		CheckExtension(data + kPresetRecordSize, size - kPresetRecordSize, &sound);
	const int64_t count = tunk::SampleCount(sound);
	const double wanted = std::ceil(double(params.duration) * tunk::kSampleRate / 1000.0);
	if (wanted >= 0 && wanted <= double(tunk::kMaxSampleCount))
		FUZZ_CHECK(double(count) == wanted);
	else
		FUZZ_CHECK(count == -1);

	fuzz::CheckRenderRepeats(sound);
	return 0;
}
