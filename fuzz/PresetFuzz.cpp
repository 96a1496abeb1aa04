// Any bytes as a preset file: decoded, turned into the core's parameters as the window
// does, then rendered in full (twice: a render depends on the parameters only).
#include <cmath>
#include <cstring>

#include "engine/core/Render.h"
#include "fuzz/FuzzSupport.h"
#include "preset/PresetRecord.h"

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

	const tunk::SoundParams sound = ToSoundParams(params);
	const int64_t count = tunk::SampleCount(sound);
	const double wanted = std::ceil(double(params.duration) * tunk::kSampleRate / 1000.0);
	if (wanted >= 0 && wanted <= double(tunk::kMaxSampleCount))
		FUZZ_CHECK(double(count) == wanted);
	else
		FUZZ_CHECK(count == -1);

	fuzz::CheckRenderRepeats(sound);
	return 0;
}
