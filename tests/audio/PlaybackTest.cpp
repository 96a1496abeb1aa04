#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <future>
#include <thread>
#include <vector>

#include "engine/AlertCapture.h"
#include "engine/DiskAudio.h"
#include "engine/TunkSound.h"
#include "kits/media/SoundPlayer.h"

namespace {

using namespace std::chrono_literals;

constexpr int16 kUntouched = 0x7777;

// An engine whose player thread is out of the way: the test calls the buffer callback
// itself. PlaySound starts the player (on the dummy driver), so it is stopped again.
class PlaybackTest : public ::testing::Test {
protected:
	void SetUp() override
	{
		sound.GenerateSound();
		sound.PlaySound();
		sound.Player()->Stop();
		sound.SetPlaySamplePosition(0);
	}

	// One buffer of `count` samples from the callback, prefilled to see what it writes.
	std::vector<int16> Pull(size_t count)
	{
		std::vector<int16> buffer(count, kUntouched);
		SoundBufferProc(&cookie, buffer.data(), count * 2, format);
		return buffer;
	}

	// A buffer while the test holds the buffer lock. On another thread, so that a callback
	// that waits shows as a failure, not a hang.
	std::vector<int16> PullHeld(size_t count)
	{
		const sem_id lock = sound.WriteBufferSemaphore();
		auto pulled = std::async(std::launch::async, [&, count] { return Pull(count); });
		if (pulled.wait_for(20s) != std::future_status::ready) {
			release_sem(lock);
			ADD_FAILURE() << "the callback waited for the held buffer";
			pulled.wait();
			acquire_sem(lock);
		}
		return pulled.get();
	}

	std::vector<int16> SoundSamples(int64 from, int64 to)
	{
		int64 length = 0;
		int16* samples = sound.GetBuffer(&length);
		std::vector<int16> out;
		for (int64 i = from; i < to; i++)
			out.push_back(i < length ? samples[i] : int16(0));
		return out;
	}

	static std::vector<int16> Zeros(size_t count) { return std::vector<int16>(count, 0); }

	TunkSound sound;
	TunkSound* cookie = &sound;
	media_raw_audio_format format = sound.Player()->Format();
};

}  // namespace

TEST_F(PlaybackTest, OnceThroughTheSoundThenSilence)
{
	ASSERT_EQ(sound.GetSampleLength(), 8820);
	for (int b = 0; b < 8; b++)
		ASSERT_EQ(Pull(1024), SoundSamples(b * 1024, (b + 1) * 1024)) << b;
	std::vector<int16> ninth = Pull(1024);
	EXPECT_EQ(std::vector<int16>(ninth.begin(), ninth.begin() + 628), SoundSamples(8192, 8820));
	EXPECT_EQ(std::vector<int16>(ninth.begin() + 628, ninth.end()), Zeros(396));
	EXPECT_EQ(sound.GetPlaySamplePosition(), 9216u);
	for (int b = 0; b < 3; b++)
		EXPECT_EQ(Pull(1024), Zeros(1024));
	EXPECT_EQ(sound.GetPlaySamplePosition(), 12288u);
}

// Whatever the buffer size, the output is the first beatLength samples of the sound
// over and over: each restart lands on its exact sample inside the buffer.
TEST_F(PlaybackTest, RepeatRestartsOnTheBeatsExactSample)
{
	sound.SetDuration(1000);  // longer than the beat, so that the cut is audible
	sound.GenerateSound();
	sound.SetBeatLength(120);
	ASSERT_EQ(sound.GetBeatLength(), 22050u);
	sound.SetSequencerEnabled(true);
	const std::vector<int16> beat = SoundSamples(0, 22050);
	for (size_t size : {1024u, 1000u, 333u, 4096u}) {
		SCOPED_TRACE(size);
		sound.PlaySound();
		sound.Player()->Stop();
		std::vector<int16> played;
		while (played.size() < 3 * 22050 + 100) {
			std::vector<int16> buffer = Pull(size);
			played.insert(played.end(), buffer.begin(), buffer.end());
		}
		for (size_t i = 0; i < played.size(); i++)
			ASSERT_EQ(played[i], beat[i % 22050]) << "sample " << i;
		EXPECT_EQ(sound.GetPlaySamplePosition(), played.size() % 22050);
	}
}

// A beat shorter than a buffer restarts several times inside it; a longer sound
// reaching the beat from a position past it starts over at once.
TEST_F(PlaybackTest, ShortBeatsRestartInsideOneBuffer)
{
	sound.SetBeatLength(6000);  // 441 samples
	sound.SetSequencerEnabled(true);
	std::vector<int16> out = Pull(1024);
	const std::vector<int16> beat = SoundSamples(0, 441);
	for (size_t i = 0; i < out.size(); i++)
		ASSERT_EQ(out[i], beat[i % 441]) << i;
	EXPECT_EQ(sound.GetPlaySamplePosition(), 1024u % 441);

	sound.SetPlaySamplePosition(5000);
	EXPECT_EQ(Pull(100), SoundSamples(0, 100));
}

TEST_F(PlaybackTest, BeatOnABufferBoundaryFillsEveryBuffer)
{
	sound.SetBeatLength(1291.9921875f);  // exactly 2048 samples
	ASSERT_EQ(sound.GetBeatLength(), 2048u);
	sound.SetSequencerEnabled(true);
	for (int cycle = 0; cycle < 3; cycle++) {
		EXPECT_EQ(Pull(1024), SoundSamples(0, 1024)) << cycle;
		EXPECT_EQ(Pull(1024), SoundSamples(1024, 2048)) << cycle;
		EXPECT_EQ(sound.GetPlaySamplePosition(), 0u) << cycle;
	}
}

TEST_F(PlaybackTest, BeatLengthZeroNeverRestarts)
{
	sound.SetBeatLength(0);
	sound.SetSequencerEnabled(true);
	for (int b = 0; b < 12; b++)
		Pull(1024);
	EXPECT_EQ(sound.GetPlaySamplePosition(), 12u * 1024);
}

TEST_F(PlaybackTest, RepeatKeepsTheBeatWhileSilent)
{
	sound.StopSound();
	sound.SetBeatLength(1291.9921875f);
	sound.SetSequencerEnabled(true);
	EXPECT_EQ(Pull(1024), Zeros(1024));
	EXPECT_EQ(Pull(1024), Zeros(1024));
	EXPECT_EQ(sound.GetPlaySamplePosition(), 0u);
	EXPECT_EQ(Pull(1024), Zeros(1024));
	EXPECT_EQ(sound.GetPlaySamplePosition(), 1024u);
}

// A finished sound stays silent however long the device runs: the position holds
// instead of wrapping round to the start of the sound.
TEST_F(PlaybackTest, FinishedSoundNeverComesBackByItself)
{
	const uint32 nearWrap = UINT32_MAX - 1500;
	sound.SetPlaySamplePosition(nearWrap);
	for (int b = 0; b < 4; b++)
		ASSERT_EQ(Pull(1024), Zeros(1024)) << b;
	EXPECT_EQ(sound.GetPlaySamplePosition(), UINT32_MAX);
	EXPECT_EQ(Pull(1024), Zeros(1024));
	EXPECT_EQ(sound.GetPlaySamplePosition(), UINT32_MAX);

	// Play, and Repeat, still start from the first sample.
	sound.PlaySound();
	sound.Player()->Stop();
	EXPECT_EQ(Pull(1024), SoundSamples(0, 1024));
	sound.SetPlaySamplePosition(UINT32_MAX);
	sound.SetBeatLength(120);
	sound.SetSequencerEnabled(true);
	EXPECT_EQ(Pull(1024), SoundSamples(0, 1024));
	EXPECT_EQ(sound.GetPlaySamplePosition(), 1024u);
}

// While another thread holds the buffer (a generation, a drawing), the callback does
// not wait: it hands out silence. A single play holds its place; a repeat keeps its beat.
TEST_F(PlaybackTest, BusyBufferGivesSilenceWithoutWaiting)
{
	Pull(1024);
	const sem_id lock = sound.WriteBufferSemaphore();
	ASSERT_EQ(acquire_sem(lock), B_OK);
	auto pullHeld = [&](size_t count) { return PullHeld(count); };
	EXPECT_EQ(pullHeld(1024), Zeros(1024));
	EXPECT_EQ(sound.GetPlaySamplePosition(), 1024u);
	sound.SetBeatLength(1291.9921875f);  // 2048 samples
	sound.SetSequencerEnabled(true);
	EXPECT_EQ(pullHeld(1000), Zeros(1000));
	EXPECT_EQ(sound.GetPlaySamplePosition(), 2024u);
	EXPECT_EQ(pullHeld(1000), Zeros(1000));
	EXPECT_EQ(sound.GetPlaySamplePosition(), 976u);
	ASSERT_EQ(release_sem(lock), B_OK);
	EXPECT_EQ(Pull(1072), SoundSamples(976, 2048));
	EXPECT_EQ(sound.GetPlaySamplePosition(), 0u);
}

// A repeating sound played (or stopped) just before the lock is taken by a drawing or a
// generation: the busy buffers keep the position at 0 until the sound is heard from its
// first sample, and the restarts from there on are one beat apart, busy buffers or not.
TEST_F(PlaybackTest, BusyBufferAfterPlayKeepsTheStart)
{
	sound.SetBeatLength(1291.9921875f);  // 2048 samples
	sound.SetSequencerEnabled(true);
	const sem_id lock = sound.WriteBufferSemaphore();
	for (bool stop : {false, true}) {
		SCOPED_TRACE(stop);
		Pull(1500);
		if (stop) {
			sound.StopSound();
		} else {
			sound.PlaySound();
			sound.Player()->Stop();
		}
		ASSERT_EQ(acquire_sem(lock), B_OK);
		EXPECT_EQ(PullHeld(1024), Zeros(1024));
		EXPECT_EQ(PullHeld(700), Zeros(700));
		EXPECT_EQ(sound.GetPlaySamplePosition(), 0u);
		ASSERT_EQ(release_sem(lock), B_OK);
		EXPECT_EQ(Pull(1024), stop ? Zeros(1024) : SoundSamples(0, 1024));
		ASSERT_EQ(acquire_sem(lock), B_OK);
		EXPECT_EQ(PullHeld(1000), Zeros(1000));  // busy from a played position: moves on
		EXPECT_EQ(sound.GetPlaySamplePosition(), 2024u);
		ASSERT_EQ(release_sem(lock), B_OK);
		// The restart falls exactly one beat after the first sample.
		std::vector<int16> across = SoundSamples(2024, 2048);
		std::vector<int16> again = SoundSamples(0, 1000);
		across.insert(across.end(), again.begin(), again.end());
		EXPECT_EQ(Pull(1024), stop ? Zeros(1024) : across);
		EXPECT_EQ(sound.GetPlaySamplePosition(), 1000u);
	}
}

TEST_F(PlaybackTest, StopSilencesAndPlayStartsOver)
{
	Pull(1024);
	Pull(1024);
	sound.StopSound();
	EXPECT_FALSE(sound.IsPlaying());
	EXPECT_EQ(sound.GetPlaySamplePosition(), 0u);
	EXPECT_EQ(Pull(1024), Zeros(1024));

	sound.PlaySound();
	sound.Player()->Stop();
	EXPECT_TRUE(sound.IsPlaying());
	EXPECT_EQ(Pull(512), SoundSamples(0, 512));
	// Play while playing restarts too.
	sound.PlaySound();
	sound.Player()->Stop();
	EXPECT_EQ(Pull(512), SoundSamples(0, 512));
}

// A play at a lower level scales what the callback hands out, never the sound; a plain
// play afterwards is the sound's own samples again, and so is a gain of 1.
TEST_F(PlaybackTest, GainScalesTheSamplesHandedOutOnly)
{
	const std::vector<int16> original = SoundSamples(0, 8820);
	for (float gain : {64.0f / 127.0f, 1.0f / 127.0f, 0.0f}) {
		SCOPED_TRACE(gain);
		sound.PlaySound(gain);
		sound.Player()->Stop();
		std::vector<int16> out = Pull(2048);
		for (size_t i = 0; i < out.size(); i++)
			ASSERT_EQ(out[i], int16(std::lrint(float(original[i]) * gain))) << i;
	}
	EXPECT_EQ(SoundSamples(0, 8820), original);
	sound.PlaySound(1.0f);
	sound.Player()->Stop();
	EXPECT_EQ(Pull(1024), SoundSamples(0, 1024));
	sound.PlaySound(0.25f);
	sound.PlaySound();
	sound.Player()->Stop();
	EXPECT_EQ(Pull(1024), SoundSamples(0, 1024));
	// Out of range: clamped, a value that is no number is silence.
	sound.PlaySound(7.0f);
	sound.Player()->Stop();
	EXPECT_EQ(Pull(1024), SoundSamples(0, 1024));
	sound.PlaySound(std::nanf(""));
	sound.Player()->Stop();
	EXPECT_EQ(Pull(1024), Zeros(1024));
}

TEST_F(PlaybackTest, ShorterSoundTakesEffectAtTheNextBuffer)
{
	Pull(1024);
	sound.SetDuration(30);  // 1323 samples
	sound.GenerateSound();
	std::vector<int16> next = Pull(1024);
	EXPECT_EQ(std::vector<int16>(next.begin(), next.begin() + 299), SoundSamples(1024, 1323));
	EXPECT_EQ(std::vector<int16>(next.begin() + 299, next.end()), Zeros(725));
}

TEST_F(PlaybackTest, AbsentBufferPlaysSilence)
{
	AlertCapture alerts;
	sound.SetDuration(-5);
	sound.GenerateSound();
	ASSERT_EQ(AlertCapture::Alerts().size(), 1u);
	EXPECT_EQ(Pull(1024), Zeros(1024));
	EXPECT_EQ(sound.GetPlaySamplePosition(), 1024u);

	// So does an engine that has never generated.
	TunkSound fresh;
	TunkSound* freshCookie = &fresh;
	fresh.PlaySound();
	fresh.Player()->Stop();
	std::vector<int16> buffer(512, kUntouched);
	SoundBufferProc(&freshCookie, buffer.data(), buffer.size() * 2, format);
	EXPECT_EQ(buffer, Zeros(512));
}

TEST_F(PlaybackTest, OtherSampleFormatsAreLeftAlone)
{
	format.format = media_raw_audio_format::B_AUDIO_FLOAT;
	EXPECT_EQ(Pull(256), std::vector<int16>(256, kUntouched));
	EXPECT_EQ(sound.GetPlaySamplePosition(), 0u);
}

TEST_F(PlaybackTest, LostSemaphoreLeavesBufferAndPosition)
{
	ASSERT_EQ(delete_sem(sound.WriteBufferSemaphore()), B_OK);
	testing::internal::CaptureStdout();
	std::vector<int16> buffer = Pull(256);
	std::string out = testing::internal::GetCapturedStdout();
	EXPECT_EQ(out, "There was an error acquiring the write semaphore on playback\n");
	EXPECT_EQ(buffer, std::vector<int16>(256, kUntouched));
	EXPECT_EQ(sound.GetPlaySamplePosition(), 0u);
}

// A callback that was already waiting for the buffer when Play was pressed must not
// overwrite the reset with its own end position.
TEST_F(PlaybackTest, ResetIsNeverLostToACallbackInFlight)
{
	for (int round = 0; round < 200; round++) {
		sound.SetPlaySamplePosition(50000);  // long past the end
		std::vector<int16> buffer(1024, kUntouched);
		std::thread callback(
			[&] { SoundBufferProc(&cookie, buffer.data(), buffer.size() * 2, format); });
		sound.PlaySound();
		sound.Player()->Stop();
		callback.join();
		// A lost reset would leave the position beyond 50000. The device may pull a buffer of
		// its own while its player runs between the start and the stop above.
		uint32 position = sound.GetPlaySamplePosition();
		ASSERT_LT(position, 8192u) << round;
		// A callback that ran after the reset played the sound from a position the reset began.
		if (buffer != std::vector<int16>(buffer.size(), 0)) {
			bool fromReset = false;
			for (uint32 start = 0; start + 1024 <= position && !fromReset; start += 512)
				fromReset = buffer == SoundSamples(start, start + 1024);
			ASSERT_TRUE(fromReset) << round << " " << position;
		}
	}
}

TEST(PlaybackPlayerTest, PlayerRunsOnlyAfterTheFirstPlay)
{
	TunkSound sound;
	sound.GenerateSound();
	std::this_thread::sleep_for(60ms);
	EXPECT_EQ(sound.GetPlaySamplePosition(), 0u);  // no callback has run
	EXPECT_FALSE(sound.Player()->IsPlaying());

	sound.PlaySound();
	EXPECT_TRUE(sound.Player()->HasData());
	EXPECT_EQ(sound.Player()->Volume(), 1.0f);
	for (int i = 0; i < 200 && sound.GetPlaySamplePosition() < 10000; i++)
		std::this_thread::sleep_for(10ms);
	EXPECT_GE(sound.GetPlaySamplePosition(), 10000u);

	// Stop only silences: the player keeps pulling.
	sound.StopSound();
	for (int i = 0; i < 200 && sound.GetPlaySamplePosition() < 2048; i++)
		std::this_thread::sleep_for(10ms);
	EXPECT_GE(sound.GetPlaySamplePosition(), 2048u);
	EXPECT_TRUE(sound.Player()->IsPlaying());
}

TEST(PlaybackDiskChild, PlayDefaultSound)
{
	if (!disk_audio::InChild())
		GTEST_SKIP() << "runs in the child of PlaybackPlayerTest.PlayedSoundReachesTheDevice";
	TunkSound sound;
	sound.GenerateSound();
	sound.PlaySound();
	for (int i = 0; i < 300 && sound.GetPlaySamplePosition() < 8820 + 4096; i++)
		std::this_thread::sleep_for(10ms);
	ASSERT_GE(sound.GetPlaySamplePosition(), 8820u + 4096);
}

TEST(PlaybackPlayerTest, PlayedSoundReachesTheDevice)
{
	std::string file = disk_audio::TempFile("play");
	ASSERT_EQ(disk_audio::RunChild("PlaybackDiskChild.PlayDefaultSound", file), 0);
	std::vector<int16> device = disk_audio::ReadSamples(file);
	std::remove(file.c_str());

	TunkSound sound;
	sound.GenerateSound();
	int64 length = 0;
	int16* samples = sound.GetBuffer(&length);
	ASSERT_EQ(length, 8820);
	ASSERT_EQ(samples[0], 0);
	// Silence, the whole sound from its first sample (which is 0), silence.
	auto first = std::find_if(device.begin(), device.end(), [](int16 v) { return v != 0; });
	ASSERT_NE(first, device.end());
	ASSERT_GE(first - device.begin(), 1);
	auto start = first - 1;
	ASSERT_GE(device.end() - start, 8820 + 2048);
	EXPECT_TRUE(std::equal(samples, samples + length, start));
	EXPECT_TRUE(std::all_of(start + length, device.end(), [](int16 v) { return v == 0; }));
}

namespace {

// A square wave at 0 Hz holds one level for its whole length: easy to find on the device.
void MakeLevelSound(TunkSound* sound, float ms, float amplitude)
{
	sound->SetOscType(2);
	sound->GenerateWaveTable();
	sound->SetStartFreq(0);
	sound->SetDuration(ms);
	sound->SetAmplitude(amplitude);
	sound->GenerateSound();
}

int16 LevelOf(float amplitude)
{
	return int16(std::floor(double(amplitude) * 32767.0));
}

// The indices at which a run of non-zero samples begins.
std::vector<size_t> Onsets(const std::vector<int16>& samples)
{
	std::vector<size_t> onsets;
	for (size_t i = 0; i < samples.size(); i++)
		if (samples[i] != 0 && (i == 0 || samples[i - 1] == 0))
			onsets.push_back(i);
	return onsets;
}

}  // namespace

TEST(PlaybackDiskChild, RepeatAt120Bpm)
{
	if (!disk_audio::InChild())
		GTEST_SKIP() << "runs in the child of PlaybackPlayerTest.RepeatKeepsTheTempoOnTheDevice";
	TunkSound sound;
	MakeLevelSound(&sound, 100, 0.5f);
	sound.SetBeatLength(120);
	sound.SetSequencerEnabled(true);
	sound.PlaySound();
	std::this_thread::sleep_for(2600ms);  // five beats
}

// The restarts on the device are exactly one beat (22050 samples at 120 BPM) apart at
// two device buffer sizes; restarts at buffer boundaries would be 22528 apart at both.
TEST(PlaybackPlayerTest, RepeatKeepsTheTempoOnTheDevice)
{
	for (const char* frames : {"512", "2048"}) {
		SCOPED_TRACE(frames);
		const std::string file = disk_audio::TempFile("repeat");
		setenv("TUNK_AUDIO_FRAMES", frames, 1);
		const int status = disk_audio::RunChild("PlaybackDiskChild.RepeatAt120Bpm", file);
		unsetenv("TUNK_AUDIO_FRAMES");
		ASSERT_EQ(status, 0);
		const std::vector<int16> device = disk_audio::ReadSamples(file);
		std::remove(file.c_str());

		const std::vector<size_t> onsets = Onsets(device);
		ASSERT_GE(onsets.size(), 3u) << device.size() << " samples";
		for (size_t k = 1; k < onsets.size(); k++)
			EXPECT_EQ(onsets[k] - onsets[k - 1], 22050u) << "restart " << k;
		// Each beat carries the whole 100 ms sound at its level.
		for (size_t k = 0; k + 1 < onsets.size(); k++) {
			auto begin = device.begin() + std::ptrdiff_t(onsets[k]);
			EXPECT_EQ(std::count(begin, begin + 22050, LevelOf(0.5f)), 4410) << k;
		}
	}
}

TEST(PlaybackDiskChild, OneSoundHeldByAnotherThread)
{
	if (!disk_audio::InChild())
		GTEST_SKIP() << "runs in the child of PlaybackPlayerTest.HeldSoundDoesNotStopTheOthers";
	TunkSound held;
	TunkSound other;
	MakeLevelSound(&held, 10000, 0.1f);
	MakeLevelSound(&other, 10000, 0.3f);  // sounding until the child ends
	other.PlaySound();
	held.PlaySound();
	for (int i = 0; i < 300 && held.GetPlaySamplePosition() < 2048; i++)
		std::this_thread::sleep_for(10ms);
	ASSERT_GE(held.GetPlaySamplePosition(), 2048u);

	// As a long generation would: the device must go on serving the other sound.
	ASSERT_EQ(acquire_sem(held.WriteBufferSemaphore()), B_OK);
	const uint32 from = other.GetPlaySamplePosition();
	const uint32 heldAt = held.GetPlaySamplePosition();
	for (int i = 0; i < 500 && other.GetPlaySamplePosition() < from + 8192; i++)
		std::this_thread::sleep_for(10ms);
	const uint32 reached = other.GetPlaySamplePosition();
	EXPECT_EQ(held.GetPlaySamplePosition(), heldAt);
	ASSERT_EQ(release_sem(held.WriteBufferSemaphore()), B_OK);
	ASSERT_GE(reached, from + 8192);
	std::this_thread::sleep_for(100ms);
}

TEST(PlaybackPlayerTest, HeldSoundDoesNotStopTheOthers)
{
	const std::string file = disk_audio::TempFile("held");
	ASSERT_EQ(disk_audio::RunChild("PlaybackDiskChild.OneSoundHeldByAnotherThread", file), 0);
	const std::vector<int16> device = disk_audio::ReadSamples(file);
	std::remove(file.c_str());

	// Both sounds mixed, then the free one alone while the other was held (its buffers
	// silence), then both again: the held sound went on where it had stopped.
	const int16 both = int16(LevelOf(0.1f) + LevelOf(0.3f));
	EXPECT_EQ(std::count(device.begin(), device.end(), LevelOf(0.1f)), 0);
	auto hold = std::search_n(device.begin(), device.end(), 8192, LevelOf(0.3f));
	ASSERT_NE(hold, device.end()) << "no stretch of the free sound alone";
	EXPECT_NE(std::find(device.begin(), hold, both), hold);
	auto after = std::find_if(hold, device.end(), [&](int16 v) { return v != LevelOf(0.3f); });
	EXPECT_NE(std::find(after, device.end(), both), device.end());
}
