// Repeat playback at a fast tempo while a thousand parameter changes regenerate the sound,
// every length from 0 to 3000 ms. Each generation carries a signature: a square wave at
// 0 Hz holds one level, and every generation gets a level of its own, so a callback buffer
// that mixed two generations, or one generation's samples with another's length, shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "engine/DiskAudio.h"
#include "engine/TunkSound.h"
#include "engine/voices/Player.h"
#include "kits/media/SoundPlayer.h"

namespace {

using namespace std::chrono_literals;

constexpr int kChanges = 1001;  // durations 0, 3, 6 ... 3000 ms
constexpr int32 kFrames = 512;  // the device's buffer

float DurationOf(int generation)
{
	return float(3 * generation);
}

// Amplitude whose constant level is generation + 1: floor(a * 32767) lands mid-step.
float AmplitudeOf(int generation)
{
	return float((generation + 1.5) / 32767.0);
}

int64 LengthOf(int generation)
{
	return int64(std::ceil(double(DurationOf(generation)) * 44100.0 / 1000.0));
}

// A square wave at 0 Hz: every sample is the first table entry (1) times the amplitude.
void PrepareSignatureSound(TunkSound* sound)
{
	sound->SetOscType(2);
	sound->GenerateWaveTable();
	sound->SetStartFreq(0);
	sound->SetDuration(DurationOf(0));
	sound->SetAmplitude(AmplitudeOf(0));
	sound->GenerateSound();
	sound->SetBeatLength(1200.0f);  // a beat of 2205 samples: restarts every few buffers
	sound->SetSequencerEnabled(true);
}

// What is wrong with one callback buffer that began at `position`, "" if nothing. Each hit
// (counting from 0 again at each beat) must be one generation whole: its level below that
// generation's length and silence from there. The first kFadeSamples of a hit are left out:
// the hit before fades out under them.
std::string Inspect(const std::vector<int16>& out, uint64 position, uint32 beat)
{
	const uint64 fade = uint64(tunk::voices::kFadeSamples);
	size_t k = 0;
	uint64 i = position;
	while (k < out.size()) {
		if (i >= beat)
			i = 0;  // the restart lands on the beat's own sample
		// One hit's stretch of this buffer.
		const size_t end = std::min(out.size(), k + size_t(beat - i));
		int16 level = 0;
		for (size_t j = k; j < end; j++) {
			const int16 value = out[j];
			if (i + (j - k) < fade || value == 0)
				continue;
			if (level != 0 && value != level)
				return "levels " + std::to_string(level) + " and " + std::to_string(value)
					+ " in one hit";
			level = value;
		}
		if (level != 0) {
			const int generation = level - 1;
			if (generation < 0 || generation >= kChanges)
				return "level " + std::to_string(level) + " belongs to no generation";
			const uint64 length = uint64(LengthOf(generation));
			for (size_t j = k; j < end; j++) {
				const uint64 at = i + (j - k);
				if (at >= fade && (out[j] != 0) != (at < length))
					return "sample " + std::to_string(at) + " of generation "
						+ std::to_string(generation) + " (length " + std::to_string(length)
						+ ") is " + std::to_string(out[j]);
			}
		}
		i += end - k;
		k = end;
	}
	return "";
}

// Runs the thousand changes on this thread.
void RegenerateThroughEveryLength(TunkSound* sound)
{
	for (int g = 0; g < kChanges; g++) {
		sound->SetDuration(DurationOf(g));
		sound->SetAmplitude(AmplitudeOf(g));
		sound->GenerateSound();
	}
}

}  // namespace

TEST(PlaybackStress, CallbacksRacingRegenerationSeeWholeGenerations)
{
	TunkSound sound;
	PrepareSignatureSound(&sound);
	sound.PlaySound();
	sound.Player()->Stop();  // this test's thread is the player
	sound.SetPlaySamplePosition(0);
	const media_raw_audio_format format = sound.Player()->Format();

	std::atomic<bool> done{false};
	std::vector<std::string> faults;
	int buffers = 0;
	int sounding = 0;
	int afterDone = 0;  // buffers pulled once the last, longest generation stands
	int silentAfterDone = 0;
	std::thread player([&] {
		TunkSound* cookie = &sound;
		std::vector<int16> out(kFrames);
		// A starved thread may see few buffers during the changes: it goes on until it has
		// pulled some of the final sound too, which sounds in every buffer.
		while (buffers < 100 || afterDone < 20) {
			const bool finished = done.load();
			const uint64 position = sound.GetPlaySamplePosition();
			SoundBufferProc(&cookie, out.data(), out.size() * 2, format);
			std::string fault = Inspect(out, position, sound.GetBeatLength());
			if (!fault.empty() && faults.size() < 10)
				faults.push_back(fault);
			buffers++;
			const bool heard = std::any_of(out.begin(), out.end(), [](int16 v) { return v != 0; });
			sounding += heard ? 1 : 0;
			if (finished) {
				afterDone++;
				silentAfterDone += heard ? 0 : 1;
			}
		}
	});
	RegenerateThroughEveryLength(&sound);
	done = true;
	player.join();

	EXPECT_TRUE(faults.empty()) << faults.front();
	EXPECT_GE(buffers, 100);
	// It really played: the final 3000 ms sound is heard in every buffer of every beat.
	EXPECT_GE(sounding, afterDone);
	EXPECT_EQ(silentAfterDone, 0);
}

namespace {

// A player of our own on the shared device pulls the engine's buffers through the same
// callback and inspects each one; the engine's own player stays stopped.
struct CheckedPlayer {
	TunkSound* sound;
	TunkSound* cookie;
	std::atomic<int> buffers{0};
	std::atomic<int> sounding{0};
	std::atomic<int> faults{0};
	std::string firstFault;  // written by the device thread before `faults` counts it

	static void Pull(void* self, void* buffer, size_t size, const media_raw_audio_format& format)
	{
		CheckedPlayer* p = static_cast<CheckedPlayer*>(self);
		const uint64 position = p->sound->GetPlaySamplePosition();
		SoundBufferProc(&p->cookie, buffer, size, format);
		const int16* samples = static_cast<const int16*>(buffer);
		std::vector<int16> out(samples, samples + size / 2);
		std::string fault = Inspect(out, position, p->sound->GetBeatLength());
		if (!fault.empty() && p->faults.load() == 0)
			p->firstFault = fault;
		if (!fault.empty())
			p->faults++;
		p->sounding += std::any_of(out.begin(), out.end(), [](int16 v) { return v != 0; });
		p->buffers++;
	}
};

}  // namespace

TEST(PlaybackStress, RepeatOnTheDeviceWhileAThousandChangesRegenerate)
{
	TunkSound sound;
	PrepareSignatureSound(&sound);
	sound.PlaySound();
	sound.Player()->Stop();

	CheckedPlayer checked{&sound, &sound, {0}, {0}, {0}, {}};
	BSoundPlayer device(nullptr, "checked", &CheckedPlayer::Pull, nullptr, &checked);
	device.Start();
	device.SetHasData(true);
	RegenerateThroughEveryLength(&sound);
	// A few buffers after the last change, at the device's own pace.
	const int seen = checked.buffers.load();
	for (int wait = 0; wait < 400 && checked.buffers.load() < seen + 8; wait++)
		std::this_thread::sleep_for(10ms);
	device.Stop();

	EXPECT_EQ(checked.faults.load(), 0) << checked.firstFault;
	EXPECT_GE(checked.buffers.load(), seen + 8) << "the dummy device stopped pulling";
	EXPECT_GT(checked.sounding.load(), 0);
}

TEST(EngineMixChild, ThreeLoudEngines)
{
	if (!disk_audio::InChild())
		GTEST_SKIP() << "runs in the child of EngineMix.LoudEnginesSaturateInsteadOfWrapping";
	// Three engines at 0.95 of full scale, each a constant 31128 (or -31129) for a second.
	const float amplitude = std::getenv("TUNK_MIX_NEGATIVE") != nullptr ? -0.95f : 0.95f;
	std::vector<TunkSound*> engines;
	for (int i = 0; i < 3; i++) {
		TunkSound* sound = new TunkSound;
		sound->SetOscType(2);
		sound->GenerateWaveTable();
		sound->SetStartFreq(0);
		sound->SetDuration(1000);
		sound->SetAmplitude(amplitude);
		sound->GenerateSound();
		engines.push_back(sound);
	}
	for (TunkSound* sound : engines)
		sound->PlaySound();
	// Several times what the check needs, so that a slow start on a busy machine still fills it.
	std::this_thread::sleep_for(600ms);
	for (TunkSound* sound : engines)
		delete sound;
}

TEST(EngineMix, LoudEnginesSaturateInsteadOfWrapping)
{
	for (bool negative : {false, true}) {
		SCOPED_TRACE(negative ? "negative" : "positive");
		const std::string file = disk_audio::TempFile("engines");
		if (negative)
			setenv("TUNK_MIX_NEGATIVE", "1", 1);
		ASSERT_EQ(disk_audio::RunChild("EngineMixChild.ThreeLoudEngines", file), 0);
		unsetenv("TUNK_MIX_NEGATIVE");
		const std::vector<int16> samples = disk_audio::ReadMono(file);
		std::remove(file.c_str());

		// Three at once clip at the rail; a wrap-around would flip the sign.
		const int16 rail = negative ? -32768 : 32767;
		const size_t railed = size_t(std::count(samples.begin(), samples.end(), rail));
		EXPECT_GE(railed, 10u * kFrames);
		for (int16 v : samples)
			ASSERT_TRUE(negative ? v <= 0 : v >= 0) << v;
	}
}
