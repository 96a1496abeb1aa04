#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/DiskAudio.h"
#include "tests/plugin/AllocationCounter.h"
#include "kits/media/SoundPlayer.h"

namespace {

using namespace std::chrono_literals;

// What one player's callback saw.
struct Probe {
	std::atomic<int> calls{0};
	std::atomic<bool> inside{false};
	std::atomic<bool> otherThread{false};
	std::atomic<size_t> size{0};
	std::atomic<uint32> sampleFormat{0};
	std::thread::id testThread = std::this_thread::get_id();
	std::chrono::milliseconds delay{0};
};

void Record(void* cookie, void*, size_t size, const media_raw_audio_format& format)
{
	Probe* probe = static_cast<Probe*>(cookie);
	probe->inside = true;
	probe->otherThread = std::this_thread::get_id() != probe->testThread;
	probe->size = size;
	probe->sampleFormat = format.format;
	std::this_thread::sleep_for(probe->delay);
	probe->calls++;
	probe->inside = false;
}

// Waits up to two seconds for `done`.
template <typename Condition>
bool WaitFor(Condition done)
{
	for (int i = 0; i < 200 && !done(); i++)
		std::this_thread::sleep_for(10ms);
	return done();
}

media_raw_audio_format DeviceFormat()
{
	media_raw_audio_format format;
	format.frame_rate = 44100;
	format.channel_count = 1;
	format.format = media_raw_audio_format::B_AUDIO_SHORT;
	format.byte_order = B_MEDIA_LITTLE_ENDIAN;
	return format;
}

}  // namespace

TEST(SoundPlayerTest, AcceptsOnlyTheDeviceFormat)
{
	media_raw_audio_format format = DeviceFormat();
	BSoundPlayer plain(&format, "plain", Record);
	EXPECT_EQ(plain.InitCheck(), B_OK);
	EXPECT_STREQ(plain.Name(), "plain");
	EXPECT_EQ(plain.Format().buffer_size, 1024u);

	BSoundPlayer defaults(nullptr, "defaults", Record);
	EXPECT_EQ(defaults.InitCheck(), B_OK);
	EXPECT_EQ(defaults.Format().frame_rate, 44100.0f);
	EXPECT_EQ(defaults.Format().channel_count, 1u);
	EXPECT_EQ(defaults.Format().format, uint32(media_raw_audio_format::B_AUDIO_SHORT));

	media_raw_audio_format stereo = DeviceFormat();
	stereo.channel_count = 2;
	BSoundPlayer wide(&stereo, "stereo", Record);
	EXPECT_EQ(wide.InitCheck(), B_OK);
	EXPECT_EQ(wide.Format().buffer_size, 2048u);  // 512 frames of two samples

	media_raw_audio_format three = DeviceFormat();
	three.channel_count = 3;
	EXPECT_EQ(BSoundPlayer(&three, "three", Record).InitCheck(), B_BAD_VALUE);
	media_raw_audio_format floats = DeviceFormat();
	floats.format = media_raw_audio_format::B_AUDIO_FLOAT;
	EXPECT_EQ(BSoundPlayer(&floats, "floats", Record).InitCheck(), B_BAD_VALUE);
	EXPECT_EQ(BSoundPlayer(&format, "none", nullptr).InitCheck(), B_BAD_VALUE);
	BSoundPlayer bad(&three, "bad", Record);
	EXPECT_EQ(bad.Start(), B_BAD_VALUE);
}

TEST(SoundPlayerTest, VolumeIsNeverNegativeOrNotANumber)
{
	BSoundPlayer player(nullptr, "volume", Record);
	EXPECT_EQ(player.Volume(), 1.0f);
	player.SetVolume(0.25f);
	EXPECT_EQ(player.Volume(), 0.25f);
	player.SetVolume(-1);
	EXPECT_EQ(player.Volume(), 0.0f);
	player.SetVolume(std::numeric_limits<float>::quiet_NaN());
	EXPECT_EQ(player.Volume(), 0.0f);
}

TEST(SoundPlayerTest, StartedPlayerWithDataIsPulledOnAnotherThread)
{
	Probe probe;
	BSoundPlayer player(nullptr, "pulled", Record, nullptr, &probe);
	std::this_thread::sleep_for(50ms);
	EXPECT_EQ(probe.calls, 0);  // never started

	ASSERT_EQ(player.Start(), B_OK);
	EXPECT_TRUE(player.IsPlaying());
	std::this_thread::sleep_for(50ms);
	EXPECT_EQ(probe.calls, 0);  // started, but no data yet

	player.SetHasData(true);
	ASSERT_TRUE(WaitFor([&] { return probe.calls >= 5; }));
	EXPECT_TRUE(probe.otherThread);
	EXPECT_EQ(probe.size, 1024u);
	EXPECT_EQ(probe.sampleFormat, uint32(media_raw_audio_format::B_AUDIO_SHORT));

	player.Stop();
	EXPECT_FALSE(player.IsPlaying());
	int after = probe.calls;
	std::this_thread::sleep_for(100ms);
	EXPECT_EQ(probe.calls, after);

	// A second start resumes the callbacks.
	player.Start();
	ASSERT_TRUE(WaitFor([&] { return probe.calls >= after + 3; }));
}

TEST(SoundPlayerTest, StopWaitsForTheCallbackInFlight)
{
	Probe probe;
	probe.delay = 15ms;
	{
		BSoundPlayer player(nullptr, "slow", Record, nullptr, &probe);
		player.Start();
		player.SetHasData(true);
		for (int round = 0; round < 5; round++) {
			ASSERT_TRUE(WaitFor([&] { return probe.inside.load(); }));
			player.Stop();
			EXPECT_FALSE(probe.inside) << round;
			player.Start();
		}
	}  // the destructor stops too
	EXPECT_FALSE(probe.inside);
	int after = probe.calls;
	std::this_thread::sleep_for(60ms);
	EXPECT_EQ(probe.calls, after);
}

namespace {

// Holds the device thread in its callback until the test opens the gate (two seconds at most).
struct Gate {
	std::atomic<bool> inside{false};
	std::atomic<bool> open{false};
};

void Hold(void* cookie, void*, size_t, const media_raw_audio_format&)
{
	Gate* gate = static_cast<Gate*>(cookie);
	gate->inside = true;
	for (int i = 0; i < 200 && !gate->open; i++)
		std::this_thread::sleep_for(10ms);
	gate->inside = false;
}

// A player that its thread starts and stops again and again, each time while its callback
// is in flight.
struct Racing {
	std::atomic<bool> stopped{true};
	std::atomic<int> entered{0};
	std::atomic<int> faults{0};
};

void Race(void* cookie, void*, size_t, const media_raw_audio_format&)
{
	Racing* racing = static_cast<Racing*>(cookie);
	racing->faults += racing->stopped ? 1 : 0;
	racing->entered++;
	std::this_thread::sleep_for(2ms);  // the Stop lands in here
	racing->faults += racing->stopped ? 1 : 0;
}

// Counts what the device thread allocates outside this player's own callback: the device's
// work and every other player's callback.
struct AllocationWatch {
	std::atomic<bool> watching{true};
	std::atomic<int> rounds{0};
};

void Watch(void* cookie, void*, size_t, const media_raw_audio_format&)
{
	AllocationWatch* watch = static_cast<AllocationWatch*>(cookie);
	alloc_count::End();
	if (watch->watching)
		alloc_count::Begin();
	watch->rounds++;
}

}  // namespace

// The device thread never waits for Start or Stop, nor they for another player's callback.
TEST(SoundPlayerTest, AnotherPlayersCallbackHoldsUpNeitherStartNorStop)
{
	Gate gate;
	BSoundPlayer slow(nullptr, "slow", Hold, nullptr, &gate);
	slow.Start();
	slow.SetHasData(true);
	ASSERT_TRUE(WaitFor([&] { return gate.inside.load(); }));
	Probe probe;
	{
		BSoundPlayer other(nullptr, "other", Record, nullptr, &probe);
		EXPECT_EQ(other.Start(), B_OK);
		other.SetHasData(true);
		other.Stop();
	}
	EXPECT_TRUE(gate.inside) << "Start or Stop waited for the callback of another player";
	EXPECT_EQ(probe.calls, 0);
	gate.open = true;
	slow.Stop();
}

TEST(SoundPlayerTest, PlayersStartedAndStoppedOnManyThreadsNeverMeetALateCallback)
{
	std::array<Racing, 4> racing;
	std::vector<std::thread> threads;
	for (Racing& r : racing) {
		threads.emplace_back([&r] {
			BSoundPlayer player(nullptr, "racing", Race, nullptr, &r);
			for (int round = 0; round < 30; round++) {
				r.stopped = false;
				EXPECT_EQ(player.Start(), B_OK);
				player.SetHasData(true);
				const int from = r.entered;
				for (int i = 0; i < 20000 && r.entered == from; i++)
					std::this_thread::sleep_for(100us);
				EXPECT_GT(r.entered, from) << "the device stopped pulling";
				player.Stop();
				r.stopped = true;
			}
		});
	}
	for (std::thread& t : threads)
		t.join();
	for (const Racing& r : racing) {
		EXPECT_EQ(r.faults, 0) << "a callback ran after its player's Stop returned";
	}
}

TEST(SoundPlayerTest, TheDeviceThreadAllocatesNothingWhilePlayersComeAndGo)
{
	ASSERT_TRUE(alloc_count::Installed());
	AllocationWatch watch;
	BSoundPlayer watching(nullptr, "watching", Watch, nullptr, &watch);
	watching.Start();
	watching.SetHasData(true);
	ASSERT_TRUE(WaitFor([&] { return watch.rounds >= 2; }));
	alloc_count::Reset();
	const int from = watch.rounds;

	Probe probe;
	media_raw_audio_format stereo = DeviceFormat();
	stereo.channel_count = 2;
	for (int round = 0; round < 10; round++) {
		BSoundPlayer mono(nullptr, "mono", Record, nullptr, &probe);
		BSoundPlayer wide(&stereo, "wide", Record, nullptr, &probe);
		wide.SetVolume(0.5f);
		for (BSoundPlayer* p : {&mono, &wide}) {
			p->Start();
			p->SetHasData(true);
		}
		const int calls = probe.calls;
		ASSERT_TRUE(WaitFor([&] { return probe.calls >= calls + 2; }));
	}
	EXPECT_GE(watch.rounds, from + 10);
	watch.watching = false;
	const int last = watch.rounds;
	ASSERT_TRUE(WaitFor([&] { return watch.rounds > last; }));  // counting is off again
	watching.Stop();
	EXPECT_EQ(alloc_count::Totals().allocations, 0);
	EXPECT_EQ(alloc_count::Totals().frees, 0);
}

// A device full of players refuses one more, and takes it once another has stopped.
TEST(SoundPlayerTest, AFullDeviceRefusesAPlayerUntilAnotherStops)
{
	std::vector<std::unique_ptr<BSoundPlayer>> players;
	status_t status = B_OK;
	while (status == B_OK && players.size() < 1000) {
		players.push_back(std::make_unique<BSoundPlayer>(nullptr, "many", Record));
		status = players.back()->Start();
	}
	EXPECT_EQ(status, B_NO_MEMORY);
	EXPECT_FALSE(players.back()->IsPlaying());
	players.front()->Stop();
	EXPECT_EQ(players.back()->Start(), B_OK);
	EXPECT_TRUE(players.back()->IsPlaying());
}

namespace {

// Writes a ramp that continues across buffers: 1, 2, ... 30000, 1, 2, ...
void Ramp(void* cookie, void* buffer, size_t size, const media_raw_audio_format&)
{
	auto* next = static_cast<std::atomic<int>*>(cookie);
	int16* out = static_cast<int16*>(buffer);
	for (size_t i = 0; i < size / 2; i++)
		out[i] = int16((*next)++ % 30000 + 1);
}

// Fills every buffer with the same pattern of four samples, given by the cookie.
void Pattern(void* cookie, void* buffer, size_t size, const media_raw_audio_format&)
{
	const int16* pattern = static_cast<const int16*>(cookie);
	int16* out = static_cast<int16*>(buffer);
	for (size_t i = 0; i < size / 2; i++)
		out[i] = pattern[i % 4];
}

// The same for a stereo player: four frames, left first.
void StereoPattern(void* cookie, void* buffer, size_t size, const media_raw_audio_format&)
{
	const int16* pattern = static_cast<const int16*>(cookie);
	int16* out = static_cast<int16*>(buffer);
	for (size_t i = 0; i < size / 2; i++)
		out[i] = pattern[i % 8];
}

int16 gFirst[4] = {20000, -20000, 20000, -20000};
int16 gSecond[4] = {20000, 20000, -20000, -20000};
int16 gQuiet[4] = {1000, 2000, -3000, 4000};
int16 gWide[8] = {10, -10, 12, -12, 14, -14, 16, -16};

}  // namespace

TEST(SoundPlayerDiskChild, Ramp)
{
	if (!disk_audio::InChild())
		GTEST_SKIP() << "runs in the child of SoundPlayerDiskTest.RampReachesTheDevice";
	std::atomic<int> next{0};
	BSoundPlayer player(nullptr, "ramp", Ramp, nullptr, &next);
	player.Start();
	player.SetHasData(true);
	ASSERT_TRUE(WaitFor([&] { return next >= 20 * 512; }));
	player.Stop();
}

TEST(SoundPlayerDiskTest, RampReachesTheDevice)
{
	std::string file = disk_audio::TempFile("ramp");
	ASSERT_EQ(disk_audio::RunChild("SoundPlayerDiskChild.Ramp", file), 0);
	// A mono player's samples reach both channels unchanged.
	std::vector<int16> samples = disk_audio::ReadMono(file);
	std::remove(file.c_str());

	// Silence until the player joined the device, then the ramp without a gap.
	auto start = std::find_if(samples.begin(), samples.end(), [](int16 v) { return v != 0; });
	ASSERT_NE(start, samples.end());
	ASSERT_GE(samples.end() - start, 20 * 512);
	for (int i = 0; i < 20 * 512; i++)
		ASSERT_EQ(start[i], int16(i % 30000 + 1)) << i;
}

TEST(SoundPlayerDiskChild, Mix)
{
	if (!disk_audio::InChild())
		GTEST_SKIP() << "runs in the child of SoundPlayerDiskTest.PlayersAreMixedWithSaturation";
	BSoundPlayer first(nullptr, "first", Pattern, nullptr, gFirst);
	BSoundPlayer second(nullptr, "second", Pattern, nullptr, gSecond);
	BSoundPlayer quiet(nullptr, "quiet", Pattern, nullptr, gQuiet);
	quiet.SetVolume(0.5f);
	media_raw_audio_format stereo;
	stereo.channel_count = 2;
	BSoundPlayer wide(&stereo, "wide", StereoPattern, nullptr, gWide);
	wide.SetVolume(0.5f);
	for (BSoundPlayer* p : {&first, &second, &quiet, &wide}) {
		p->Start();
		p->SetHasData(true);
	}
	// Several times what the check needs, so that a slow start on a busy machine still fills it.
	std::this_thread::sleep_for(600ms);
}

TEST(SoundPlayerDiskTest, PlayersAreMixedWithSaturation)
{
	std::string file = disk_audio::TempFile("mix");
	ASSERT_EQ(disk_audio::RunChild("SoundPlayerDiskChild.Mix", file), 0);
	const disk_audio::Channels out = disk_audio::ReadChannels(file);
	std::remove(file.c_str());

	// first + second + quiet at half volume on both channels, the stereo player at half
	// volume on its own side, clamped to 16 bits.
	const int16 left[4] = {32767, 1006, -1493, -32768};
	const int16 right[4] = {32767, 994, -1507, -32768};
	int full = 0;
	for (size_t block = 0; block + 512 <= out.left.size(); block += 512) {
		bool match = true;
		for (size_t i = 0; i < 512 && match; i++)
			match = out.left[block + i] == left[i % 4] && out.right[block + i] == right[i % 4];
		full += match ? 1 : 0;
	}
	EXPECT_GE(full, 10);
}

TEST(SoundPlayerDiskChild, NoDevice)
{
	if (!disk_audio::InChild())
		GTEST_SKIP() << "runs in the child of SoundPlayerDiskTest.WithoutADeviceOneLineAndSilence";
	Probe probe;
	BSoundPlayer first(nullptr, "first", Record, nullptr, &probe);
	BSoundPlayer second(nullptr, "second", Record, nullptr, &probe);
	for (BSoundPlayer* p : {&first, &second}) {
		EXPECT_EQ(p->Start(), B_OK);
		p->SetHasData(true);
		p->Stop();
		EXPECT_EQ(p->Start(), B_OK);
	}
	std::this_thread::sleep_for(50ms);
	EXPECT_EQ(probe.calls, 0);
}

TEST(SoundPlayerDiskTest, WithoutADeviceOneLineAndSilence)
{
	std::string errors = disk_audio::TempFile("nodevice-err");
	ASSERT_EQ(
		disk_audio::RunChild("SoundPlayerDiskChild.NoDevice", "", "no-such-driver", errors), 0);
	std::string text;
	if (FILE* f = std::fopen(errors.c_str(), "r")) {
		char chunk[256];
		while (size_t n = std::fread(chunk, 1, sizeof(chunk), f))
			text.append(chunk, n);
		std::fclose(f);
	}
	std::remove(errors.c_str());
	EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
	EXPECT_NE(text.find("BSoundPlayer"), std::string::npos) << text;
}

TEST(SoundPlayerDiskChild, BufferSize)
{
	if (!disk_audio::InChild())
		GTEST_SKIP() << "runs in the child of SoundPlayerDiskTest.BufferSizeFromTheEnvironment";
	Probe probe;
	BSoundPlayer player(nullptr, "sized", Record, nullptr, &probe);
	ASSERT_EQ(player.Start(), B_OK);
	player.SetHasData(true);
	ASSERT_TRUE(WaitFor([&] { return probe.calls >= 2; }));
	const char* expected = std::getenv("TUNK_TEST_EXPECTED_BYTES");
	ASSERT_NE(expected, nullptr);
	EXPECT_EQ(probe.size, size_t(std::atoi(expected)));
	// The format the player reports says the same size as the buffers it is handed.
	EXPECT_EQ(player.Format().buffer_size, size_t(std::atoi(expected)));
}

// TUNK_AUDIO_FRAMES sets the device buffer and the size the player's format reports; a value
// the device cannot take leaves 512.
TEST(SoundPlayerDiskTest, BufferSizeFromTheEnvironment)
{
	const std::pair<const char*, const char*> cases[] = {
		{"2048", "4096"}, {"64", "128"}, {"100", "1024"}, {"65536", "1024"}, {"12x", "1024"}};
	for (const auto& [frames, bytes] : cases) {
		SCOPED_TRACE(frames);
		setenv("TUNK_AUDIO_FRAMES", frames, 1);
		setenv("TUNK_TEST_EXPECTED_BYTES", bytes, 1);
		const std::string file = disk_audio::TempFile("sized");
		EXPECT_EQ(disk_audio::RunChild("SoundPlayerDiskChild.BufferSize", file), 0);
		std::remove(file.c_str());
	}
	unsetenv("TUNK_AUDIO_FRAMES");
	unsetenv("TUNK_TEST_EXPECTED_BYTES");
}
