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
#include "audio/DevicePlayer.h"
#include "engine/DiskAudio.h"
#include "engine/TunkSound.h"
#include "kits/media/SoundPlayer.h"
#include "tests/plugin/AllocationCounter.h"

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

	// `played` is a hit of the current sound every `beat` samples from its first sample: each
	// hit exact, except that the hit before fades out under the first kFadeSamples of the
	// next (a new hit ends the one before, without a click), never louder than it was.
	void ExpectHitsEvery(const std::vector<int16>& played, size_t beat)
	{
		const std::vector<int16> sound = SoundSamples(0, int64(2 * beat));
		for (size_t i = 0; i < played.size(); i++) {
			const size_t k = i % beat;
			if (i >= beat && k < size_t(tunk::voices::kFadeSamples)) {
				const int tail = std::abs(int(sound[beat + k]));
				ASSERT_LE(std::abs(int(played[i]) - int(sound[k])), tail + 1) << "sample " << i;
			} else {
				ASSERT_EQ(played[i], sound[k]) << "sample " << i;
			}
		}
	}

	std::vector<int16> PullMany(size_t total, size_t size)
	{
		std::vector<int16> played;
		while (played.size() < total) {
			std::vector<int16> buffer = Pull(size);
			played.insert(played.end(), buffer.begin(), buffer.end());
		}
		return played;
	}

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

// Whatever the buffer size, a hit starts every beatLength samples on its exact sample inside
// the buffer: a sound shorter than the beat is heard whole, a longer one up to the next hit.
TEST_F(PlaybackTest, RepeatRestartsOnTheBeatsExactSample)
{
	sound.SetBeatLength(120);
	ASSERT_EQ(sound.GetBeatLength(), 22050u);
	sound.SetSequencerEnabled(true);
	for (int64 ms : {200, 1000}) {
		sound.SetDuration(float(ms));
		sound.GenerateSound();
		for (size_t size : {512u, 2048u, 1000u, 333u}) {
			SCOPED_TRACE(testing::Message() << ms << " ms, buffers of " << size);
			sound.StopSound();
			Pull(1024);  // the run before has faded out
			sound.PlaySound();
			sound.Player()->Stop();
			std::vector<int16> played = PullMany(3 * 22050 + 100, size);
			ExpectHitsEvery(played, 22050);
			EXPECT_EQ(sound.GetPlaySamplePosition(), played.size() % 22050);
		}
	}
}

// A beat shorter than a buffer restarts several times inside it; a position past the beat
// starts over at once.
TEST_F(PlaybackTest, ShortBeatsRestartInsideOneBuffer)
{
	sound.SetBeatLength(6000);  // 441 samples
	sound.SetSequencerEnabled(true);
	ExpectHitsEvery(Pull(1024), 441);
	EXPECT_EQ(sound.GetPlaySamplePosition(), 1024u % 441);

	sound.SetPlaySamplePosition(5000);
	std::vector<int16> out = Pull(100);
	EXPECT_EQ(std::vector<int16>(out.begin() + tunk::voices::kFadeSamples, out.end()),
		SoundSamples(tunk::voices::kFadeSamples, 100));
	EXPECT_EQ(sound.GetPlaySamplePosition(), 100u);
}

TEST_F(PlaybackTest, BeatOnABufferBoundaryFillsEveryBuffer)
{
	sound.SetBeatLength(1291.9921875f);  // exactly 2048 samples
	ASSERT_EQ(sound.GetBeatLength(), 2048u);
	sound.SetSequencerEnabled(true);
	std::vector<int16> played;
	for (int cycle = 0; cycle < 6; cycle++) {
		std::vector<int16> buffer = Pull(1024);
		played.insert(played.end(), buffer.begin(), buffer.end());
		EXPECT_EQ(sound.GetPlaySamplePosition(), cycle % 2 == 0 ? 1024u : 0u) << cycle;
	}
	ExpectHitsEvery(played, 2048);
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
	PullMany(9000, 1024);
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
	PullMany(9000, 1024);
	sound.SetPlaySamplePosition(UINT32_MAX);
	sound.SetBeatLength(120);
	sound.SetSequencerEnabled(true);
	EXPECT_EQ(Pull(1024), SoundSamples(0, 1024));
	EXPECT_EQ(sound.GetPlaySamplePosition(), 1024u);
}

// Whoever holds the buffer (a generation, a drawing, an export), the device plays on: it
// never waits for the lock, and never hands out silence for it either.
TEST_F(PlaybackTest, HeldBufferNeitherStopsNorSilencesTheDevice)
{
	sound.SetBeatLength(1291.9921875f);  // 2048 samples
	sound.SetSequencerEnabled(true);
	const sem_id lock = sound.WriteBufferSemaphore();
	ASSERT_EQ(acquire_sem(lock), B_OK);
	std::vector<int16> played;
	for (size_t size : {1024u, 1000u, 1000u, 1072u}) {
		std::vector<int16> buffer = PullHeld(size);
		played.insert(played.end(), buffer.begin(), buffer.end());
	}
	ASSERT_EQ(release_sem(lock), B_OK);
	ExpectHitsEvery(played, 2048);
	EXPECT_EQ(sound.GetPlaySamplePosition(), 0u);

	// Nor does a lock that is gone.
	ASSERT_EQ(delete_sem(lock), B_OK);
	sound.SetSequencerEnabled(false);
	sound.StopSound();
	Pull(1024);
	sound.PlaySound();
	sound.Player()->Stop();
	EXPECT_EQ(Pull(1024), SoundSamples(0, 1024));
}

// Stop and a new Play end the hit in flight with a fade of kFadeSamples (well within
// 5 ms) instead of a click.
TEST_F(PlaybackTest, StopFadesOutAndPlayStartsOver)
{
	static_assert(tunk::voices::kFadeSamples <= kSampleRate * 5 / 1000);
	constexpr size_t kFade = size_t(tunk::voices::kFadeSamples);
	Pull(1024);
	Pull(1024);
	sound.StopSound();
	EXPECT_FALSE(sound.IsPlaying());
	std::vector<int16> out = Pull(1024);
	EXPECT_EQ(sound.GetPlaySamplePosition(), 1024u);
	const std::vector<int16> tail = SoundSamples(2048, 2048 + kFade);
	bool heard = false;
	for (size_t i = 0; i < kFade; i++) {
		EXPECT_LE(std::abs(int(out[i])), std::abs(int(tail[i]))) << i;
		heard = heard || out[i] != 0;
	}
	EXPECT_TRUE(heard) << "the fade starts at the stop's buffer, not later";
	EXPECT_EQ(std::vector<int16>(out.begin() + kFade, out.end()), Zeros(1024 - kFade));
	EXPECT_EQ(Pull(1024), Zeros(1024));

	sound.PlaySound();
	sound.Player()->Stop();
	EXPECT_TRUE(sound.IsPlaying());
	EXPECT_EQ(Pull(512), SoundSamples(0, 512));
	// Play while playing restarts too, the hit before fading out under the new one.
	sound.PlaySound();
	sound.Player()->Stop();
	out = Pull(512);
	EXPECT_EQ(std::vector<int16>(out.begin() + kFade, out.end()), SoundSamples(kFade, 512));
	// Play then Stop before the device looks: the newest request wins.
	sound.PlaySound();
	sound.StopSound();
	sound.Player()->Stop();
	out = Pull(512);
	EXPECT_EQ(std::vector<int16>(out.begin() + kFade, out.end()), Zeros(512 - kFade));
}

// A play at a lower level scales what the callback hands out, never the sound; a plain
// play afterwards is the sound's own samples again, and so is a gain of 1.
TEST_F(PlaybackTest, GainScalesTheSamplesHandedOutOnly)
{
	const std::vector<int16> original = SoundSamples(0, 8820);
	auto playAt = [&](float gain, bool plain) {
		PullMany(9000, 1024);  // the hit before has ended
		if (plain)
			sound.PlaySound();
		else
			sound.PlaySound(gain);
		sound.Player()->Stop();
		return Pull(2048);
	};
	for (float gain : {64.0f / 127.0f, 1.0f / 127.0f, 0.0f}) {
		SCOPED_TRACE(gain);
		std::vector<int16> out = playAt(gain, false);
		for (size_t i = 0; i < out.size(); i++)
			ASSERT_EQ(out[i], int16(std::lrint(float(original[i]) * gain))) << i;
	}
	EXPECT_EQ(SoundSamples(0, 8820), original);
	EXPECT_EQ(playAt(1.0f, false), SoundSamples(0, 2048));
	sound.PlaySound(0.25f);
	EXPECT_EQ(playAt(1.0f, true), SoundSamples(0, 2048));
	// Out of range: clamped, a value that is no number is silence.
	EXPECT_EQ(playAt(7.0f, false), SoundSamples(0, 2048));
	EXPECT_EQ(playAt(std::nanf(""), false), Zeros(2048));
}

// A sound made while a hit plays leaves that hit whole; the next hit plays the new sound
// whole. Never a mix of the two within one hit, never silence.
TEST_F(PlaybackTest, HitPlaysTheSoundItStartedWith)
{
	sound.SetBeatLength(120);  // 22050 samples
	sound.SetSequencerEnabled(true);
	const std::vector<int16> before = SoundSamples(0, 22050);
	std::vector<int16> played = Pull(1024);
	sound.SetDuration(30);  // 1323 samples
	sound.GenerateSound();
	const std::vector<int16> after = SoundSamples(0, 22050);
	ASSERT_NE(before, after);
	std::vector<int16> rest = PullMany(2 * 22050 - 1024, 1024);
	played.insert(played.end(), rest.begin(), rest.end());
	for (size_t i = 0; i < 2 * 22050; i++)
		ASSERT_EQ(played[i], i < 22050 ? before[i] : after[i - 22050]) << i;
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

// A buffer rendered while Play is pressed either plays the new hit from its first sample
// or leaves the request to the next buffer: a play is never lost. On the device player
// itself, so that no device thread renders besides the test's.
TEST(DevicePlayerTest, PlayIsNeverLostToABufferInFlight)
{
	std::vector<int16> sound(3000);
	for (size_t i = 0; i < sound.size(); i++)
		sound[i] = int16(i + 1);
	DevicePlayer device;
	ASSERT_TRUE(device.Offer(sound.data(), int64(sound.size())));
	std::vector<int16> buffer(1024);
	std::vector<int16> next(1024);
	for (int round = 0; round < 200; round++) {
		for (int b = 0; b < 4; b++)
			device.Render(buffer.data(), 1024, 0, false);  // the hit before has ended
		std::thread callback([&] { device.Render(buffer.data(), 1024, 0, false); });
		device.Play(1.0f);
		callback.join();
		device.Render(next.data(), 1024, 0, false);
		const bool seen = buffer[0] != 0;
		const int16 first = seen ? int16(1025) : int16(1);
		ASSERT_EQ(buffer[0], seen ? 1 : 0) << round;
		for (size_t i = 0; i < next.size(); i++)
			ASSERT_EQ(next[i], int16(first + int16(i))) << round << " " << i;
	}
}

// Everything the device's callback reaches, through new sounds, plays, stops, repeats and
// the hand-back of the sounds no hit plays any more, runs without one allocation or free:
// the device thread must never wait on the allocator's locks.
TEST_F(PlaybackTest, DevicePathNeverAllocates)
{
	ASSERT_TRUE(alloc_count::Installed());
	sound.SetBeatLength(6000);  // 441 samples: several hits per buffer
	alloc_count::Reset();
	std::vector<int16> buffer(1024);
	int64 heard = 0;
	for (int round = 0; round < 40; round++) {
		sound.SetDuration(float(5 + round));
		sound.GenerateSound();
		sound.SetSequencerEnabled(round % 3 != 0);
		if (round % 7 == 3)
			sound.StopSound();
		else if (round % 5 == 0)
			sound.PlaySound(0.5f);
		sound.Player()->Stop();
		for (int b = 0; b < 3; b++) {
			alloc_count::Begin();
			SoundBufferProc(&cookie, buffer.data(), buffer.size() * 2, format);
			alloc_count::End();
			heard += std::count_if(buffer.begin(), buffer.end(), [](int16 v) { return v != 0; });
		}
	}
	EXPECT_GT(heard, 0) << "the callback played nothing, so it proved nothing";
	EXPECT_EQ(alloc_count::Totals().allocations, 0);
	EXPECT_EQ(alloc_count::Totals().frees, 0);
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
	std::vector<int16> device = disk_audio::ReadMono(file);
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
		const std::vector<int16> device = disk_audio::ReadMono(file);
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
	// The free sound is heard before the held one starts: two starts in a row may reach the
	// device in either order.
	other.PlaySound();
	for (int i = 0; i < 300 && other.GetPlaySamplePosition() == 0; i++)
		std::this_thread::sleep_for(10ms);
	ASSERT_GT(other.GetPlaySamplePosition(), 0u);
	held.PlaySound();
	for (int i = 0; i < 300 && held.GetPlaySamplePosition() < 2048; i++)
		std::this_thread::sleep_for(10ms);
	ASSERT_GE(held.GetPlaySamplePosition(), 2048u);

	// As a long generation or a drawing would: the device serves both sounds on.
	ASSERT_EQ(acquire_sem(held.WriteBufferSemaphore()), B_OK);
	const uint32 from = other.GetPlaySamplePosition();
	const uint32 heldFrom = held.GetPlaySamplePosition();
	for (int i = 0; i < 500 && other.GetPlaySamplePosition() < from + 8192; i++)
		std::this_thread::sleep_for(10ms);
	const uint32 reached = other.GetPlaySamplePosition();
	const uint32 heldReached = held.GetPlaySamplePosition();
	ASSERT_EQ(release_sem(held.WriteBufferSemaphore()), B_OK);
	ASSERT_GE(reached, from + 8192);
	EXPECT_GE(heldReached, heldFrom + 8192);
	std::this_thread::sleep_for(100ms);
	// The held sound ends first: the locals go in reverse order, which would leave it a
	// buffer or two alone on a slow machine after the free one has gone.
	held.StopSound();
}

TEST(PlaybackPlayerTest, HeldSoundDoesNotStopTheOthers)
{
	const std::string file = disk_audio::TempFile("held");
	ASSERT_EQ(disk_audio::RunChild("PlaybackDiskChild.OneSoundHeldByAnotherThread", file), 0);
	const std::vector<int16> device = disk_audio::ReadMono(file);
	std::remove(file.c_str());

	// The free sound starts first, then both sound together from the held one's first
	// buffer on, through the hold, to the end: the held sound never fell silent.
	const int16 both = int16(LevelOf(0.1f) + LevelOf(0.3f));
	EXPECT_EQ(std::count(device.begin(), device.end(), LevelOf(0.1f)), 0);
	auto start = std::find(device.begin(), device.end(), both);
	ASSERT_NE(start, device.end());
	auto last = std::find_if(device.rbegin(), device.rend(), [&](int16 v) { return v == both; });
	EXPECT_GE(last.base() - start, 8192);
	EXPECT_EQ(std::count(start, last.base(), both), last.base() - start);
}
