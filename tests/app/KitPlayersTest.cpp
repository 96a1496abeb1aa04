// One kit, one run of notes, three players: the kit window on SDL's disk driver, the kit
// plugin in a lilv host at 44100 Hz and tunk-render --notes. The kit has two pads on one note
// in one choke group, a choke, a pad at +6 dB, hard pans and a pad on its own output; the
// three play it to the same samples, and those samples are what the kit says.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <sndfile.h>
#include <thread>

#include "engine/DiskAudio.h"
#include "engine/core/Hit.h"
#include "engine/core/Render.h"
#include "kit/KitVoices.h"
#include "kits/storage/TempDir.h"
#include "plugin/KitHost.h"
#include "preset/KitFile.h"
#include "tools/RunProgram.h"
#include "window/KitSound.h"
#include "window/KitWindow.h"
#include "window/WindowHarness.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kKick = 0, kSnare = 2, kClap = 3, kTom = 4, kClosed = 5, kPedal = 6, kOpen = 8;

Kit PlayersKit()
{
	Kit kit = NewKit("Players");
	for (size_t i = 0; i < kit.pads.size(); i++) {
		kit.pads[i].level = 0;
		kit.pads[i].pan = 0;
		kit.pads[i].sound[tunk::Param::startFreq] = 120.0f + 53.0f * float(i);
		kit.pads[i].sound[tunk::Param::duration] = 60.0f;
		// Soft and varied only where the run says so.
		for (const tunk::ParamInfo& row : tunk::kParams)
			if (tunk::ShapesHits(row))
				kit.pads[i].sound[row.id] = row.def;
	}
	kit.pads[kPedal].note = 42; // with the closed hat, in its choke group
	kit.pads[kOpen].sound[tunk::Param::duration] = 500;
	kit.pads[kKick].level = 6;
	kit.pads[kClap].pan = -1;
	kit.pads[kTom].pan = 1;
	// Soft notes shorter, and a tom whose first hit is lower and varies.
	kit.pads[kClap].sound[tunk::Param::velDecay] = -50;
	kit.pads[kTom].sound[tunk::Param::velPitch] = -5;
	kit.pads[kTom].sound[tunk::Param::varPitch] = 40;
	kit.pads[kSnare].output = PadOutput::Own;
	kit.pads[kSnare].pan = -0.5f; // unpanned on its own output and in the window's pair
	return kit;
}

// Each sound alone except the hats: the closed and pedal hat end the open one.
constexpr const char* kNotes = "36@0,39@3000:100,41@6000:64,38@9000,46@12000,42@15000:90";

struct Note {
	uint8_t key;
	int64_t frame;
	uint8_t velocity;
};
constexpr Note kRun[] = {{36, 0, 127}, {39, 3000, 100}, {41, 6000, 64}, {38, 9000, 127},
    {46, 12000, 127}, {42, 15000, 90}};
constexpr int64_t kLength = 15000 + 2646; // the hats' last sample

// The pad's first hit at `velocity`, as HitOf makes it.
std::vector<float> PadSound(const Kit& kit, size_t pad, uint8_t velocity = 127)
{
	std::vector<int16_t> samples;
	EXPECT_EQ(tunk::Render(tunk::HitOf(kit.pads[pad].sound, velocity, 1).params, &samples),
	    tunk::RenderStatus::Ok);
	std::vector<float> sound;
	for (int16_t s : samples)
		sound.push_back(float(s) / 32768.0f);
	return sound;
}

struct Stereo {
	std::vector<int16_t> left, right;
};

// Where the window's child starts the run on its sound's clock.
constexpr int64_t kWindowStart = 8192;

} // namespace

TEST(KitPlayersDiskChild, TheKitWindowPlaysTheRun)
{
	if (!disk_audio::InChild())
		GTEST_SKIP() << "runs in the child of KitPlayersTest";
	window_test::App();
	KitWindow* window = new KitWindow(BPoint(60, 60));
	window->Show();
	window->CommitKit(PlayersKit(), "Players");
	ProcessEvents();
	KitSound* sound = window->Sound();
	for (const Note& note : kRun) {
		KitEvent event;
		event.key = note.key;
		event.velocity = note.velocity;
		event.frame = kWindowStart + note.frame;
		ASSERT_TRUE(sound->Schedule(event));
	}
	auto waitFor = [](const std::function<bool()>& done) {
		for (int i = 0; i < 2000 && !done(); i++) {
			ProcessEvents();
			std::this_thread::sleep_for(std::chrono::milliseconds(5));
		}
		return done();
	};
	ASSERT_TRUE(waitFor(
	    [&] { return sound->Frames() > kWindowStart + kLength + 4096 && sound->Sounding() == 0; }));
	window->Quit();
	ProcessEvents();
}

TEST(KitPlayersTest, TheWindowThePluginAndTunkRenderPlayAKitToTheSameSamples)
{
	TempDir dir;
	const Kit kit = PlayersKit();
	const std::string kitFile = dir / "players.tunkkit";
	std::ofstream(kitFile) << EncodeKit(kit);

	// tunk-render --notes: a 16-bit stereo file.
	const std::string wav = dir / "run.wav";
	const ProgramRun render =
	    RunProgram(TUNK_RENDER_PATH, {"--kit", kitFile, "--notes", kNotes, "-o", wav}, dir.Path());
	ASSERT_EQ(render.status, 0) << render.err;
	SF_INFO info = {};
	SNDFILE* file = sf_open(wav.c_str(), SFM_READ, &info);
	ASSERT_NE(file, nullptr);
	EXPECT_EQ(info.channels, 2);
	EXPECT_EQ(info.samplerate, 44100);
	std::vector<int16_t> frames(size_t(info.frames) * 2);
	EXPECT_EQ(sf_readf_short(file, frames.data(), info.frames), info.frames);
	sf_close(file);
	Stereo rendered;
	for (size_t i = 0; i < frames.size(); i += 2) {
		rendered.left.push_back(frames[i]);
		rendered.right.push_back(frames[i + 1]);
	}
	ASSERT_EQ(int64_t(rendered.left.size()), kLength);

	// What the kit says, part by part.
	using tunk::voices::ToShort;
	auto expect = [&](size_t pad, int64_t at, float left, float right, uint8_t velocity = 127) {
		const std::vector<float> sound = PadSound(kit, pad, velocity);
		for (size_t i = 0; i < sound.size(); i++) {
			ASSERT_EQ(rendered.left[size_t(at) + i], ToShort(sound[i] * left)) << pad << " " << i;
			ASSERT_EQ(rendered.right[size_t(at) + i], ToShort(sound[i] * right)) << pad << " " << i;
		}
	};
	expect(kKick, 0, LevelGain(6), LevelGain(6)); // above 0 dB, never held to it
	expect(kClap, 3000, 100.0f / 127.0f, 0, 100); // hard left, shorter
	expect(kTom, 6000, 0, 64.0f / 127.0f, 64);    // hard right, lower and varied
	const size_t clap = PadSound(kit, kClap, 100).size();
	EXPECT_LT(clap, 2600u);
	EXPECT_TRUE(std::all_of(rendered.left.begin() + 3000 + long(clap), rendered.left.begin() + 6000,
	    [](int16_t s) { return s == 0; }));
	EXPECT_NE(PadSound(kit, kTom, 64), PadSound(kit, kTom, 127));
	expect(kSnare, 9000, 1, 1);                   // its own output, unpanned in the pair
	const std::vector<float> closed = PadSound(kit, kClosed);
	const std::vector<float> pedal = PadSound(kit, kPedal);
	const float velocity = 90.0f / 127.0f;
	for (size_t i = tunk::voices::kFadeSamples; i < 2646; i++) {
		// Both pads of the note, the open hat gone after its fade.
		const int16_t both = ToShort(closed[i] * velocity + pedal[i] * velocity);
		ASSERT_EQ(rendered.left[15000 + i], both) << i;
		ASSERT_EQ(rendered.right[15000 + i], both) << i;
	}
	EXPECT_NE(rendered.left[15000 + 10], ToShort(closed[10] * velocity + pedal[10] * velocity))
	    << "the open hat is still fading";

	// The plugin at 44100 Hz: its main pair and the snare's own output.
	PluginWorld world{TUNK_LV2_BUNDLE_DIR, kKitUri};
	KitInstance plugin(world, 44100);
	plugin.SetKitFile(0, kitFile);
	for (int i = 0; i < 3; i++)
		plugin.Run(64);
	plugin.ClearRecordings();
	constexpr uint32_t kBlock = 256;
	for (int64_t start = 0; start < kLength + 1024; start += kBlock) {
		for (const Note& note : kRun) {
			if (note.frame >= start && note.frame < start + kBlock)
				plugin.NoteOn(uint32_t(note.frame - start), note.key, note.velocity);
		}
		plugin.Run(kBlock);
	}
	const std::vector<float>& left = plugin.Recorded("out_l");
	const std::vector<float>& right = plugin.Recorded("out_r");
	const std::vector<float>& own = plugin.Recorded("out_pad" + std::to_string(kSnare + 1));
	Stereo played;
	for (size_t i = 0; i < left.size(); i++) {
		// The snare sounds alone: its own output adds to silence on the pair.
		played.left.push_back(ToShort(left[i] + own[i]));
		played.right.push_back(ToShort(right[i] + own[i]));
		if (own[i] != 0) {
			ASSERT_EQ(left[i], 0.0f) << i;
		}
	}
	EXPECT_NE(own[9000 + 100], 0.0f) << "the snare plays on its own output";
	EXPECT_EQ(
	    std::vector<int16_t>(played.left.begin(), played.left.begin() + kLength), rendered.left);
	EXPECT_EQ(
	    std::vector<int16_t>(played.right.begin(), played.right.begin() + kLength), rendered.right);
	EXPECT_TRUE(std::all_of(
	    played.left.begin() + kLength, played.left.end(), [](int16_t s) { return s == 0; }));

	// The kit window on the disk driver: the run, wherever it starts in the device's output.
	const std::string raw = disk_audio::TempFile("kit-players");
	ASSERT_EQ(disk_audio::RunChild("KitPlayersDiskChild.TheKitWindowPlaysTheRun", raw), 0);
	const disk_audio::Channels device = disk_audio::ReadChannels(raw);
	std::remove(raw.c_str());
	auto at = std::search(
	    device.left.begin(), device.left.end(), rendered.left.begin(), rendered.left.end());
	ASSERT_NE(at, device.left.end()) << "the window's left channel holds the run";
	const size_t offset = size_t(at - device.left.begin());
	ASSERT_GE(device.right.size(), offset + rendered.right.size());
	EXPECT_TRUE(std::equal(
	    rendered.right.begin(), rendered.right.end(), device.right.begin() + long(offset)))
	    << "and its right channel, at the same frames";
}

// One sound with velocity and variation rows, three notes: the single-sound plugin at
// 44100 Hz plays its nth note as tunk-render --velocity V --hit n writes it, and both as
// HitOf says (the window's MIDI notes: MidiInputTest).
TEST(SoundPlayersTest, ThePluginAndTunkRenderPlayEachNoteAsItsHit)
{
	TempDir dir;
	tunk::SoundParams sound;
	sound[tunk::Param::duration] = 40;
	sound[tunk::Param::noiseLevel] = 0.3f;
	sound[tunk::Param::filterEnabled] = 1;
	sound[tunk::Param::filterCutoff] = 3000;
	sound[tunk::Param::velDecay] = -40;
	sound[tunk::Param::velBright] = -1;
	sound[tunk::Param::velCurve] = 1.5f;
	sound[tunk::Param::varPitch] = 30;
	sound[tunk::Param::varLevel] = 2;
	sound[tunk::Param::varNoise] = 1;
	std::vector<std::string> sets;
	for (const tunk::ParamInfo& row : tunk::kParams) {
		if (!(sound[row.id] == row.def)) {
			sets.push_back("--set");
			std::ostringstream value;
			value << row.symbol << "=" << sound[row.id];
			sets.push_back(value.str());
		}
	}

	struct Hit {
		uint32_t number;
		uint8_t velocity;
	};
	constexpr Hit kHits[] = {{1, 127}, {2, 64}, {3, 20}};
	constexpr uint32_t kApart = 2048; // longer than the sound
	PluginWorld world{TUNK_LV2_BUNDLE_DIR};
	PluginInstance plugin(world, 44100);
	for (const tunk::ParamInfo& row : tunk::kParams)
		plugin.SetControl(row.symbol, sound[row.id]);
	std::vector<float> played;
	for (const Hit& hit : kHits) {
		plugin.NoteOn(7, hit.velocity);
		plugin.Run(kApart, &played);
	}

	std::vector<int16_t> previous;
	for (size_t i = 0; i < std::size(kHits); i++) {
		SCOPED_TRACE(i);
		const std::string wav = dir / ("hit" + std::to_string(i) + ".wav");
		std::vector<std::string> args = sets;
		for (const char* arg : {"--velocity", "--hit"})
			args.push_back(arg);
		args.insert(args.end() - 1, std::to_string(kHits[i].velocity));
		args.push_back(std::to_string(kHits[i].number));
		args.insert(args.end(), {"-o", wav});
		const ProgramRun run = RunProgram(TUNK_RENDER_PATH, args, dir.Path());
		ASSERT_EQ(run.status, 0) << run.err;
		SF_INFO info = {};
		SNDFILE* file = sf_open(wav.c_str(), SFM_READ, &info);
		ASSERT_NE(file, nullptr);
		std::vector<int16_t> rendered(size_t(info.frames));
		sf_readf_short(file, rendered.data(), info.frames);
		sf_close(file);

		const tunk::Hit hit = tunk::HitOf(sound, kHits[i].velocity, kHits[i].number);
		std::vector<int16_t> own;
		ASSERT_EQ(tunk::Render(hit.params, &own), tunk::RenderStatus::Ok);
		ASSERT_EQ(rendered.size(), own.size());
		for (size_t k = 0; k < own.size(); k++) {
			ASSERT_EQ(rendered[k], tunk::voices::ToShort(float(own[k]) / 32768.0f * hit.level * hit.gain))
			    << k;
			ASSERT_EQ(tunk::voices::ToShort(played[i * kApart + 7 + k]), rendered[k]) << k;
		}
		EXPECT_EQ(played[i * kApart + 7 + own.size()], 0.0f);
		EXPECT_NE(rendered, previous);
		previous = rendered;
	}
}
