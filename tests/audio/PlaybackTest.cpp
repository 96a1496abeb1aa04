#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
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

TEST_F(PlaybackTest, RepeatRestartsAtTheFirstBufferBoundaryAfterTheBeat)
{
	sound.SetDuration(1000);  // longer than the beat, so that the cut is audible
	sound.GenerateSound();
	sound.SetBeatLength(120);
	sound.SetSequencerEnabled(true);
	for (int cycle = 0; cycle < 2; cycle++) {
		for (int b = 0; b < 21; b++)
			ASSERT_EQ(Pull(1024), SoundSamples(b * 1024, (b + 1) * 1024)) << cycle << " " << b;
		// Buffer 22 carries positions 21504 to 22050 and silence after the beat.
		std::vector<int16> last = Pull(1024);
		EXPECT_EQ(std::vector<int16>(last.begin(), last.begin() + 547), SoundSamples(21504, 22051));
		EXPECT_EQ(std::vector<int16>(last.begin() + 547, last.end()), Zeros(477));
		EXPECT_EQ(sound.GetPlaySamplePosition(), 0u) << cycle;
	}
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
		uint32 position = sound.GetPlaySamplePosition();
		ASSERT_TRUE(position == 0 || position == 1024) << round << " " << position;
		if (position == 1024) {
			ASSERT_EQ(buffer, SoundSamples(0, 1024)) << round;
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
