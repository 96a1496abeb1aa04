// The playback callback called directly: random buffer sizes, positions, beat lengths,
// switches, sound lengths and formats, checked against what the callback must hand out;
// then callbacks racing a regenerating thread (which may find the sound busy and hand
// out silence). Each generation carries a signature (a
// square wave at 0 Hz is one constant level per amplitude), so a buffer that mixes two
// generations shows as two different levels.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <thread>
#include <vector>

#include "engine/TunkSound.h"
#include "fuzz/FuzzSupport.h"
#include "kits/media/SoundPlayer.h"

namespace {

constexpr int16 kCanary = 0x5a5a;

// The level every sample of a generation at this amplitude holds.
int16 Level(float amplitude)
{
	return int16(std::floor(double(amplitude) * 32767.0));
}

void Generate(TunkSound* sound, float ms, float amplitude)
{
	sound->SetDuration(ms);
	sound->SetAmplitude(amplitude);
	sound->GenerateSound();
}

// One callback of `size` bytes, checked sample by sample against the engine's state
// before the call.
void CheckedCallback(
	TunkSound* sound, size_t size, const media_raw_audio_format& format, float gain)
{
	TunkSound* cookie = sound;
	const uint64 pos = sound->GetPlaySamplePosition();
	const uint64 beat = sound->GetBeatLength();
	const bool repeat = sound->IsSequencerEnabled();
	const bool on = sound->IsPlaying();
	int64 length = 0;
	const int16* samples = sound->GetBuffer(&length);

	std::vector<int16> out(size / 2 + 1, kCanary);
	SoundBufferProc(&cookie, out.data(), size, format);
	const uint64 count = size / 2;
	FUZZ_CHECK(out[count] == kCanary);  // an odd last byte and beyond: untouched

	if (format.format != media_raw_audio_format::B_AUDIO_SHORT) {
		for (int16 value : out)
			FUZZ_CHECK(value == kCanary);
		FUZZ_CHECK(sound->GetPlaySamplePosition() == pos);
		return;
	}
	// Each sample advances the position by one; with repeat on and a beat length, a
	// position at or past the beat starts over at 0 before its sample is taken. Without
	// repeat the position saturates rather than wrapping into the sound again.
	const bool restarts = repeat && beat != 0;
	uint64 i = pos;
	for (uint64 k = 0; k < count; k++, i++) {
		if (restarts && i >= beat)
			i = 0;
		const int16 sample = (on && i < uint64(length)) ? samples[i] : int16(0);
		const int16 expected = gain == 1.0f ? sample : int16(std::lrint(float(sample) * gain));
		FUZZ_CHECK(out[k] == expected);
	}
	if (restarts && i >= beat)
		i = 0;
	const uint64 end = restarts ? i : std::min<uint64>(i, UINT32_MAX);
	FUZZ_CHECK(sound->GetPlaySamplePosition() == end);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
	fuzz::QuietAlerts();
	// No device: PlaySound then only sets the flags, and no player thread calls back
	// behind the checks.
	setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
	return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	FuzzedDataProvider input(data, size);
	TunkSound sound;
	sound.SetOscType(2);
	sound.GenerateWaveTable();
	sound.SetStartFreq(0);
	float amplitude = 0.5f;  // of the generation that made the current buffer
	float gain = 1.0f;  // of the last play
	Generate(&sound, input.ConsumeFloatingPointInRange<float>(0, 300), amplitude);
	media_raw_audio_format format = sound.Player()->Format();

	for (int step = 0; step < 48 && input.remaining_bytes() > 0; step++) {
		switch (input.ConsumeIntegralInRange<int>(0, 7)) {
			case 0:
				format.format = input.ConsumeBool() ? media_raw_audio_format::B_AUDIO_SHORT
													: input.ConsumeIntegral<uint32>();
				CheckedCallback(
					&sound, input.ConsumeIntegralInRange<size_t>(0, 20000), format, gain);
				break;
			case 1: sound.SetPlaySamplePosition(input.ConsumeIntegral<uint32>()); break;
			case 2: sound.SetBeatLength(input.ConsumeFloatingPoint<float>()); break;
			case 3: sound.SetSequencerEnabled(input.ConsumeBool()); break;
			case 4:
				// A plain play, or one at a level as a MIDI note's velocity gives.
				gain = input.ConsumeBool()
					? 1.0f
					: float(input.ConsumeIntegralInRange<int>(1, 127)) / 127.0f;
				if (gain == 1.0f)
					sound.PlaySound();
				else
					sound.PlaySound(gain);
				break;
			case 5: sound.StopSound(); break;
			case 6:
				amplitude = input.ConsumeFloatingPointInRange<float>(0.01f, 1.0f);
				Generate(&sound, input.ConsumeFloatingPoint<float>(), amplitude);
				break;
			case 7: {
				// Callbacks race generations of distinct signatures.
				const int generations = input.ConsumeIntegralInRange<int>(1, 8);
				std::vector<float> durations;
				for (int g = 0; g < generations; g++)
					durations.push_back(input.ConsumeFloatingPointInRange<float>(0, 100));
				const size_t bytes = input.ConsumeIntegralInRange<size_t>(2, 4096);
				format.format = media_raw_audio_format::B_AUDIO_SHORT;
				sound.PlaySound();
				gain = 1.0f;
				std::thread writer([&] {
					for (int g = 0; g < generations; g++)
						Generate(&sound, durations[g], 0.1f + 0.1f * float(g));
				});
				std::vector<int16> out(bytes / 2);
				TunkSound* cookie = &sound;
				for (int c = 0; c < 16; c++) {
					SoundBufferProc(&cookie, out.data(), bytes, format);
					int16 level = 0;
					for (int16 value : out) {
						FUZZ_CHECK(value == 0 || level == 0 || value == level);
						if (value != 0)
							level = value;
					}
					bool known = level == 0 || level == Level(amplitude);
					for (int g = 0; g < generations && !known; g++)
						known = level == Level(0.1f + 0.1f * float(g));
					FUZZ_CHECK(known);
				}
				writer.join();
				amplitude = 0.1f + 0.1f * float(generations - 1);
				break;
			}
		}
	}
	return 0;
}
