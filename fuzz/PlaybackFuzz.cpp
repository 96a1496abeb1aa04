// The playback callback called directly: random buffer sizes, formats, positions, beat
// lengths, switches, plays, stops and sound lengths, checked against what the callback must
// hand out; then callbacks racing a regenerating thread. Each generation carries a signature
// (a square wave at 0 Hz is one constant level per amplitude), so a hit that mixed two
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
// A stopped hit has faded out within this many samples.
constexpr uint64 kFade = 64;

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

// What the fuzzer knows of the device between callbacks.
struct Expect {
	bool requestPending = false;  // a Play or Stop the device has not taken yet
	bool stopPending = false;     // that request is a Stop
	bool everPlayed = false;
	uint64 sinceStop = 0;         // samples handed out since a Stop took effect
	bool stopped = true;
};

// The beat's clock after `count` samples from `position`: with repeat and a beat it starts
// over at 0 on reaching the beat, without it stops at the largest value it holds.
uint64 PositionAfter(uint64 position, uint64 count, uint64 beat, bool repeat)
{
	if (!(repeat && beat != 0))
		return std::min<uint64>(position + count, UINT32_MAX);
	for (uint64 k = 0; k < count; k++) {
		if (position >= beat)
			position = 0;
		position++;
	}
	return position >= beat ? 0 : position;
}

// One callback of `size` bytes, checked against the device's state before the call.
void CheckedCallback(TunkSound* sound, size_t size, const media_raw_audio_format& format,
	Expect* expect)
{
	TunkSound* cookie = sound;
	const uint64 pos = sound->GetPlaySamplePosition();
	const uint64 beat = sound->GetBeatLength();
	const bool repeat = sound->IsSequencerEnabled();

	std::vector<int16> out(size / 2 + 1, kCanary);
	SoundBufferProc(&cookie, out.data(), size, format);
	const uint64 count = size / 2;
	FUZZ_CHECK(out[count] == kCanary);  // an odd last byte and beyond: untouched

	if (format.format != media_raw_audio_format::B_AUDIO_SHORT) {
		// Another format is not served: nothing written, no request taken.
		for (int16 value : out)
			FUZZ_CHECK(value == kCanary);
		FUZZ_CHECK(sound->GetPlaySamplePosition() == pos);
		return;
	}
	const uint64 start = expect->requestPending ? 0 : pos;
	if (expect->requestPending) {
		expect->stopped = expect->stopPending;
		expect->sinceStop = 0;
		expect->requestPending = false;
	}
	FUZZ_CHECK(sound->GetPlaySamplePosition() == PositionAfter(start, count, beat, repeat));
	// Silence where nothing can sound: before the first play, and once a stop has faded.
	for (uint64 k = 0; k < count; k++) {
		const bool silent = !expect->everPlayed || (expect->stopped && expect->sinceStop + k >= kFade);
		if (silent)
			FUZZ_CHECK(out[k] == 0);
	}
	expect->sinceStop += count;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
	fuzz::QuietAlerts();
	// No device: PlaySound then only sends its request, and no player thread calls back
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
	Expect expect;
	Generate(&sound, input.ConsumeFloatingPointInRange<float>(0, 300), 0.5f);
	media_raw_audio_format format = sound.Player()->Format();

	for (int step = 0; step < 48 && input.remaining_bytes() > 0; step++) {
		switch (input.ConsumeIntegralInRange<int>(0, 7)) {
			case 0:
				format.format = input.ConsumeBool() ? media_raw_audio_format::B_AUDIO_SHORT
													: input.ConsumeIntegral<uint32>();
				CheckedCallback(
					&sound, input.ConsumeIntegralInRange<size_t>(0, 20000), format, &expect);
				break;
			case 1: sound.SetPlaySamplePosition(input.ConsumeIntegral<uint32>()); break;
			case 2: sound.SetBeatLength(input.ConsumeFloatingPoint<float>()); break;
			case 3: sound.SetSequencerEnabled(input.ConsumeBool()); break;
			case 4:
				// A plain play, or one at a level as a MIDI note's velocity gives.
				if (input.ConsumeBool())
					sound.PlaySound();
				else
					sound.PlaySound(float(input.ConsumeIntegralInRange<int>(1, 127)) / 127.0f);
				expect.requestPending = true;
				expect.stopPending = false;
				expect.everPlayed = true;
				break;
			case 5:
				sound.StopSound();
				expect.requestPending = true;
				expect.stopPending = true;
				break;
			case 6:
				Generate(&sound, input.ConsumeFloatingPoint<float>(),
					input.ConsumeFloatingPointInRange<float>(0.01f, 1.0f));
				break;
			case 7: {
				// One hit while generations of distinct signatures replace the sound: the hit
				// keeps the one sound it started with, whole.
				const int generations = input.ConsumeIntegralInRange<int>(1, 8);
				std::vector<float> durations;
				for (int g = 0; g < generations; g++)
					durations.push_back(input.ConsumeFloatingPointInRange<float>(0, 100));
				const size_t bytes = input.ConsumeIntegralInRange<size_t>(2, 4096);
				format.format = media_raw_audio_format::B_AUDIO_SHORT;
				sound.SetSequencerEnabled(false);
				// Whatever sounded before fades out first.
				sound.StopSound();
				expect.requestPending = true;
				expect.stopPending = true;
				CheckedCallback(&sound, 4 * kFade, format, &expect);
				const float before = sound.Params()[tunk::Param::amplitude];
				sound.PlaySound();
				expect = Expect{};
				expect.everPlayed = true;
				std::thread writer([&] {
					for (int g = 0; g < generations; g++)
						Generate(&sound, durations[g], 0.1f + 0.1f * float(g));
				});
				std::vector<int16> out(bytes / 2);
				TunkSound* cookie = &sound;
				int16 level = 0;
				bool ended = false;
				for (int c = 0; c < 16; c++) {
					SoundBufferProc(&cookie, out.data(), bytes, format);
					for (int16 value : out) {
						if (value == 0) {
							ended = level != 0;
							continue;
						}
						FUZZ_CHECK(!ended);  // one hit: once over, it stays over
						FUZZ_CHECK(level == 0 || value == level);
						level = value;
					}
				}
				writer.join();
				bool known = level == 0 || level == Level(before);
				for (int g = 0; g < generations && !known; g++)
					known = level == Level(0.1f + 0.1f * float(g));
				FUZZ_CHECK(known);
				expect.stopped = false;
				break;
			}
		}
	}
	return 0;
}
