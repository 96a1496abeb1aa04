// The kit instrument through a lilv host: pads on their notes, choke groups, the outputs,
// the kit as the session's state, the kit file parameter, panic messages and the audio
// thread's manners, with the worker run after each block and inside schedule_work.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

#include "AllocationCounter.h"
#include "KitHost.h"
#include "PluginTestSupport.h"
#include "engine/voices/Player.h"
#include "kit/Kit.h"
#include "plugin/PresetTurtle.h"
#include "preset/KitFile.h"

// Test names say how the host runs its worker.
void PrintTo(Worker worker, std::ostream* out)
{
	*out << (worker == Worker::Queued ? "queued" : "inline");
}

namespace {

namespace fs = std::filesystem;

constexpr size_t kOpenHat = 8;  // note 46, choke group 1 with the closed and pedal hats
constexpr size_t kClosedHat = 5;

// Sixteen different short sounds on the General MIDI pads, centred at 0 dB.
Kit TestKit()
{
	Kit kit = NewKit("Test Kit");
	for (size_t i = 0; i < kit.pads.size(); i++) {
		kit.pads[i].level = 0;
		kit.pads[i].pan = 0;
		kit.pads[i].sound = BusySound(float(20 + 2 * i));
		kit.pads[i].sound[tunk::Param::startFreq] = float(90 + 45 * i);
		kit.pads[i].sound[tunk::Param::oscType] = float(1 + i % 4);
	}
	return kit;
}

std::string Output(size_t pad)
{
	return "out_pad" + std::to_string(pad + 1);
}

class KitHostTest : public ::testing::Test {
protected:
	KitHostTest()
	{
		char pattern[] = "/tmp/tunk-kit-plugin-XXXXXX";
		if (mkdtemp(pattern) == nullptr)
			throw std::runtime_error("no temporary folder");
		dir = pattern;
	}
	~KitHostTest() override { fs::remove_all(dir); }

	std::string WriteKit(const Kit& kit, const std::string& name = "test.tunkkit")
	{
		const fs::path path = dir / name;
		std::ofstream(path) << EncodeKit(kit);
		return path.string();
	}

	// Sets the kit file and runs until the worker's kit plays and the plugin said so.
	static void Load(KitInstance& plugin, const std::string& path)
	{
		plugin.SetKitFile(0, path);
		plugin.Run(64);
		plugin.Run(64);
		plugin.Run(64);
		plugin.ClearRecordings();
	}

	static std::vector<float> PadSound(const Kit& kit, size_t pad)
	{
		return AsFloat(EngineSamples(kit.pads[pad].sound));
	}

	PluginWorld world{TUNK_LV2_BUNDLE_DIR, kKitUri};
	fs::path dir;
};

class KitPluginTest : public KitHostTest, public ::testing::WithParamInterface<Worker> {};

INSTANTIATE_TEST_SUITE_P(Worker, KitPluginTest, ::testing::Values(Worker::Queued, Worker::Inline),
    [](const ::testing::TestParamInfo<Worker>& info) {
	    return info.param == Worker::Queued ? "AfterTheBlock" : "InsideSchedule";
    });

TEST_P(KitPluginTest, EachPadOnItsNoteIsItsSoundBitForBitOnBothMainChannels)
{
	const Kit kit = TestKit();
	KitInstance plugin(world, 44100, GetParam());
	Load(plugin, WriteKit(kit));
	for (size_t pad = 0; pad < kit.pads.size(); pad++) {
		SCOPED_TRACE(kit.pads[pad].name);
		const std::vector<float> sound = PadSound(kit, pad);
		ASSERT_FALSE(sound.empty());
		plugin.ClearRecordings();
		plugin.NoteOn(37, uint8_t(kit.pads[pad].note));
		plugin.RunFor(uint32_t(sound.size() + 300), 128);
		std::vector<float> expected(plugin.Recorded("out_l").size(), 0.0f);
		Place(expected, sound, 37);
		EXPECT_EQ(FirstDifference(plugin.Recorded("out_l"), expected), -1);
		EXPECT_EQ(FirstDifference(plugin.Recorded("out_r"), expected), -1);
		EXPECT_EQ(FirstDifference(plugin.Recorded(Output(pad)), {}), -1) << "routed to main";
	}
	// A note no pad plays is silent.
	plugin.ClearRecordings();
	plugin.NoteOn(0, 100);
	plugin.Run(512);
	EXPECT_EQ(FirstDifference(plugin.Recorded("out_l"), {}), -1);
}

// At another rate a pad goes through the single-sound instrument's own resampling.
TEST_P(KitPluginTest, AtOtherRatesAPadSoundsAsTheSingleInstrumentPlaysItsSound)
{
	const Kit kit = TestKit();
	const size_t pad = 2;
	PluginWorld single;
	for (double rate : {48000.0, 22050.0}) {
		SCOPED_TRACE(rate);
		KitInstance plugin(world, rate, GetParam());
		Load(plugin, WriteKit(kit));
		PluginInstance reference(single, rate);
		SetSound(reference, kit.pads[pad].sound);
		for (const tunk::ParamInfo& row : tunk::kParams)
			if (reference.HasControl(row.symbol))
				reference.SetControl(row.symbol, kit.pads[pad].sound[row.id]);
		plugin.NoteOn(11, uint8_t(kit.pads[pad].note));
		reference.NoteOn(11);
		std::vector<float> expected;
		for (int block = 0; block < 40; block++) {
			plugin.Run(100);
			reference.Run(100, &expected);
		}
		EXPECT_EQ(FirstDifference(plugin.Recorded("out_l"), expected), -1);
		EXPECT_NE(FirstDifference(expected, {}), -1) << "the sound was heard";
		EXPECT_EQ(plugin.Recorded("out_l").size(), expected.size());
	}
}

TEST_P(KitPluginTest, AClosedHatEndsTheOpenHatWithin64FramesAndNoOtherPad)
{
	Kit kit = TestKit();
	// The open hat and the kick on outputs of their own, long enough to be cut.
	kit.pads[kOpenHat].output = PadOutput::Own;
	kit.pads[kOpenHat].sound[tunk::Param::duration] = 400;
	kit.pads[0].output = PadOutput::Own;
	kit.pads[0].sound[tunk::Param::duration] = 400;
	KitInstance plugin(world, 44100, GetParam());
	Load(plugin, WriteKit(kit));
	plugin.NoteOn(0, uint8_t(kit.pads[kOpenHat].note));
	plugin.NoteOn(0, uint8_t(kit.pads[0].note));
	plugin.Run(1000);
	plugin.NoteOn(200, uint8_t(kit.pads[kClosedHat].note), 127, 7);  // a choke spans channels
	plugin.Run(1000);
	const std::vector<float>& open = plugin.Recorded(Output(kOpenHat));
	const std::vector<float> openSound = PadSound(kit, kOpenHat);
	const std::vector<float> kickSound = PadSound(kit, 0);
	EXPECT_EQ(FirstDifference(std::vector<float>(open.begin(), open.begin() + 1200),
	              std::vector<float>(openSound.begin(), openSound.begin() + 1200)),
	    -1);
	for (size_t i = 1200 + tunk::voices::kFadeSamples; i < open.size(); i++)
		ASSERT_EQ(open[i], 0.0f) << "frame " << i;
	// The kick is in no group: it plays on whole.
	EXPECT_EQ(FirstDifference(plugin.Recorded(Output(0)),
	              std::vector<float>(kickSound.begin(), kickSound.begin() + 2000)),
	    -1);
	// The closed hat itself plays on the main pair.
	std::vector<float> expected(2000, 0.0f);
	Place(expected, PadSound(kit, kClosedHat), 1200);
	EXPECT_EQ(FirstDifference(plugin.Recorded("out_l"), expected), -1);
}

TEST_P(KitPluginTest, OwnOutputsCarryOnlyTheirPadAndTheMainPairTheRestPanned)
{
	Kit kit = TestKit();
	kit.pads[2].pan = 0.5f;
	kit.pads[2].level = -6;
	kit.pads[3].output = PadOutput::Own;
	kit.pads[3].level = 3;
	kit.pads[3].pan = -1;  // an own output is not panned
	KitInstance plugin(world, 44100, GetParam());
	Load(plugin, WriteKit(kit));
	plugin.SetControl("level_pad3", -4.5f);
	plugin.NoteOn(5, uint8_t(kit.pads[2].note));
	plugin.NoteOn(5, uint8_t(kit.pads[3].note));
	plugin.RunFor(3000);

	const float trim = LevelGain(-4.5f);
	// The balance law: pan right lowers only the left channel.
	const StereoGain gains = PadGains(kit.pads[2]);
	EXPECT_EQ(gains.right, LevelGain(-6));
	EXPECT_LT(gains.left, gains.right);
	std::vector<float> left(3000, 0.0f), right(3000, 0.0f), own(3000, 0.0f);
	Place(left, PadSound(kit, 2), 5, gains.left * trim);
	Place(right, PadSound(kit, 2), 5, gains.right * trim);
	Place(own, PadSound(kit, 3), 5, LevelGain(3));
	EXPECT_EQ(FirstDifference(plugin.Recorded("out_l"), left), -1);
	EXPECT_EQ(FirstDifference(plugin.Recorded("out_r"), right), -1);
	EXPECT_EQ(FirstDifference(plugin.Recorded(Output(3)), own), -1);
	for (size_t pad = 0; pad < kMaxPads; pad++) {
		if (pad == 3)
			continue;
		EXPECT_EQ(FirstDifference(plugin.Recorded(Output(pad)), {}), -1) << pad;
	}
}

TEST_P(KitPluginTest, PanicMessagesEndEveryVoiceOnEveryOutputWithin64Frames)
{
	Kit kit = TestKit();
	for (Pad& pad : kit.pads)
		pad.sound[tunk::Param::duration] = 500;
	kit.pads[4].output = PadOutput::Own;
	const std::string path = WriteKit(kit);
	const std::vector<std::vector<uint8_t>> panics = {{0xB0, 120, 0}, {0xB9, 123, 0}};
	for (const std::vector<uint8_t>& panic : panics) {
		KitInstance plugin(world, 44100, GetParam());
		Load(plugin, path);
		for (size_t pad = 0; pad < kit.pads.size(); pad++)
			plugin.NoteOn(uint32_t(pad), uint8_t(kit.pads[pad].note), 100, uint8_t(pad % 3));
		plugin.Run(500);
		plugin.Midi(100, panic[0], panic[1], panic[2]);
		plugin.Run(500);
		for (const std::string& output : {std::string("out_l"), std::string("out_r"), Output(4)}) {
			const std::vector<float>& out = plugin.Recorded(output);
			EXPECT_NE(out[599], 0.0f) << output << " sounded before";
			for (size_t i = 600 + tunk::voices::kFadeSamples; i < out.size(); i++)
				ASSERT_EQ(out[i], 0.0f) << output << " frame " << i;
		}
	}
}

TEST_P(KitPluginTest, ARestoredStatePlaysAsTheSavedInstanceWithoutItsFile)
{
	Kit kit = TestKit();
	kit.pads[1].pan = -0.25f;
	kit.pads[6].output = PadOutput::Own;
	kit.pads[7].name = "Tom \"Mid\" <2>";
	KitInstance saved(world, 48000, GetParam());
	const std::string path = WriteKit(kit);
	Load(saved, path);
	saved.SetControl("level_pad2", -2);
	const std::string session = saved.SaveState();
	fs::remove(path);
	EXPECT_EQ(session.find(path), std::string::npos) << "the kit is saved by value";

	KitInstance restored(world, 48000, GetParam());
	restored.RestoreState(session);
	for (KitInstance* plugin : {&saved, &restored}) {
		plugin->ClearRecordings();
		for (size_t pad = 0; pad < kit.pads.size(); pad++)
			plugin->NoteOn(uint32_t(7 * pad), uint8_t(kit.pads[pad].note), uint8_t(60 + pad));
		plugin->RunFor(4000, 200);
	}
	for (const std::string& output : {std::string("out_l"), std::string("out_r"), Output(6)}) {
		EXPECT_EQ(FirstDifference(restored.Recorded(output), saved.Recorded(output)), -1) << output;
		EXPECT_NE(FirstDifference(restored.Recorded(output), {}), -1) << output;
	}
	EXPECT_NE(restored.Midnam().find("Name=\"Tom &quot;Mid&quot; &lt;2&gt;\""), std::string::npos);
}

TEST_P(KitPluginTest, TheKitFileParameterLoadsGoodFilesAndLeavesTheKitForBadOnes)
{
	const Kit kit = TestKit();
	KitInstance plugin(world, 44100, GetParam());
	const int updates = plugin.NameUpdates();
	const std::string good = WriteKit(kit);
	Load(plugin, good);
	EXPECT_GT(plugin.NameUpdates(), updates) << "hosts hear that the names changed";
	EXPECT_EQ(plugin.AnnouncedFile(), good);
	EXPECT_NE(plugin.Midnam().find("<Note Number=\"46\" Name=\"Open Hat\"/>"), std::string::npos);

	const fs::path bad = dir / "bad.tunkkit";
	std::ofstream(bad) << "{\"tunkKit\": 1, \"pads\": [";
	// An empty path and one longer than any the plugin takes are refused on the worker, which
	// may log (the audio thread may not).
	const std::string tooLong = (dir / std::string(5000, 'k')).string();
	for (const std::string& path :
	    {bad.string(), (dir / "missing.tunkkit").string(), std::string(), tooLong}) {
		SCOPED_TRACE(path.substr(0, 80));
		const size_t logged = plugin.Log().size();
		Load(plugin, path);
		ASSERT_EQ(plugin.Log().size(), logged + 1);
		const std::string said = plugin.Log().back();
		if (path.empty() || path == tooLong)
			EXPECT_EQ(said, "Tunk Kit: cannot load a kit file here\n");
		else
			EXPECT_NE(said.find(path), std::string::npos) << said;
		plugin.AskKitFile(0);
		plugin.Run(64);
		EXPECT_EQ(plugin.AnnouncedFile(), good);
		plugin.ClearRecordings();
		plugin.NoteOn(0, uint8_t(kit.pads[9].note));
		plugin.Run(2000);
		std::vector<float> expected(2000, 0.0f);
		Place(expected, PadSound(kit, 9), 0);
		EXPECT_EQ(FirstDifference(plugin.Recorded("out_l"), expected), -1);
	}

	// A host without a worker cannot load files: it hears so when it makes the plugin, and
	// the kit stays.
	KitInstance lone(world, 44100, Worker::None);
	ASSERT_EQ(lone.Log().size(), 1u);
	EXPECT_NE(lone.Log()[0].find("no worker"), std::string::npos) << lone.Log()[0];
	Load(lone, good);
	EXPECT_EQ(lone.Log().size(), 1u);
	EXPECT_EQ(lone.AnnouncedFile(), "");
	EXPECT_EQ(plugin.LoggedOnAudioThread() + lone.LoggedOnAudioThread(), 0);
}

// The first pad of a kit alone on its note and on the main pair, plays with `plugin`'s kit.
void ExpectPlaysItsFirstLonePad(KitInstance& plugin, const Kit& kit)
{
	SCOPED_TRACE(kit.name);
	for (size_t pad = 0; pad < kit.pads.size(); pad++) {
		const Pad& lone = kit.pads[pad];
		if (PadsOnNote(kit, lone.note) != (PadMask(1) << pad) || lone.output != PadOutput::Main)
			continue;
		plugin.ClearRecordings();
		plugin.NoteOn(0, uint8_t(lone.note));
		plugin.RunFor(6000);
		std::vector<float> left(6000, 0.0f), right(6000, 0.0f);
		const std::vector<float> sound = AsFloat(EngineSamples(lone.sound));
		Place(left, sound, 0, PadGains(lone).left);
		Place(right, sound, 0, PadGains(lone).right);
		EXPECT_EQ(FirstDifference(plugin.Recorded("out_l"), left), -1) << lone.name;
		EXPECT_EQ(FirstDifference(plugin.Recorded("out_r"), right), -1) << lone.name;
		return;
	}
	ADD_FAILURE() << kit.name << " has no pad alone on its note";
}

// A host saves the kit that plays, or the one the worker has sent on its way, never another:
// not one the host refused, nor one that a restore overtook.
TEST_F(KitHostTest, TheSavedKitIsTheKitThatPlaysOrTheOneOnItsWay)
{
	auto kitNamed = [](const char* name, float freq) {
		Kit kit = TestKit();
		kit.name = name;
		kit.pads[0].sound[tunk::Param::startFreq] = freq;
		return kit;
	};
	const Kit playing = kitNamed("Playing", 70), loaded = kitNamed("Loaded", 140),
	          restored = kitNamed("Restored", 210);
	auto saved = [](KitInstance& plugin) {
		Kit kit;
		EXPECT_TRUE(DecodeKit(plugin.SavedKit(), &kit).Ok());
		return kit.name;
	};
	const std::string playingFile = WriteKit(playing, "playing.tunkkit");
	const std::string loadedFile = WriteKit(loaded, "loaded.tunkkit");
	std::string session;
	{
		KitInstance source(world, 44100);
		Load(source, WriteKit(restored, "restored.tunkkit"));
		session = source.SaveState();
	}

	// The host refuses the worker's answer: the kit playing stays, and is saved.
	KitInstance plugin(world, 44100, Worker::Threaded);
	plugin.SetKitFile(0, playingFile);
	plugin.Run(64);
	plugin.WaitForWorker();
	plugin.RefuseAnswers(true);
	plugin.SetKitFile(0, loadedFile);
	plugin.Run(64);
	plugin.WaitForWorker();
	plugin.RunFor(192, 64);
	EXPECT_EQ(saved(plugin), "Playing");
	ExpectPlaysItsFirstLonePad(plugin, playing);
	plugin.RefuseAnswers(false);

	// A load the worker gets to only after a restore: the restored kit stays.
	plugin.HoldWorker(true);
	plugin.SetKitFile(0, loadedFile);
	plugin.Run(64);
	plugin.RestoreState(session);
	plugin.HoldWorker(false);
	plugin.WaitForWorker();
	plugin.RunFor(192, 64);
	EXPECT_EQ(saved(plugin), "Restored");
	ExpectPlaysItsFirstLonePad(plugin, restored);

	// A load answered, its kit not yet on the audio side: that kit is saved, and plays next.
	KitInstance queued(world, 44100);
	queued.SetKitFile(0, playingFile);
	queued.Run(64);
	queued.Run(64);
	queued.SetKitFile(0, loadedFile);
	queued.Run(64);
	EXPECT_EQ(saved(queued), "Loaded");
	queued.Run(64);
	ExpectPlaysItsFirstLonePad(queued, loaded);
	// An answer that arrives after a restore does not replace the restored kit.
	queued.SetKitFile(0, playingFile);
	queued.Run(64);
	queued.RestoreState(session);
	queued.RunFor(192, 64);
	EXPECT_EQ(saved(queued), "Restored");
	ExpectPlaysItsFirstLonePad(queued, restored);
}

TEST_P(KitPluginTest, TheNewKitAndEveryFactoryKitArePresetsThatPlayThem)
{
	std::vector<Kit> kits = {NewKit()};
	for (const fs::directory_entry& file : fs::directory_iterator(TUNK_BUILD_DIR "/data/kits")) {
		if (file.path().extension() != kKitFileExtension)
			continue;
		kits.emplace_back();
		ASSERT_TRUE(ReadKitFile(file.path().c_str(), &kits.back()).Ok()) << file.path();
	}
	EXPECT_GE(kits.size(), 5u) << "a new kit and four factory kits";
	KitInstance plugin(world, 44100, GetParam());
	Load(plugin, WriteKit(TestKit()));
	for (const Kit& kit : kits) {
		SCOPED_TRACE(kit.name);
		plugin.LoadPreset(tunk::lv2::KitPresetUri(kit.name));
		ExpectPlaysItsFirstLonePad(plugin, kit);
		const std::string names = plugin.Midnam();
		for (const Pad& pad : kit.pads)
			EXPECT_NE(names.find("<Note Number=\"" + std::to_string(pad.note) + "\" Name=\""),
			    std::string::npos)
			    << pad.name;
		EXPECT_NE(names.find(kit.pads.front().name), std::string::npos);
	}
}

TEST_P(KitPluginTest, TheAudioThreadNeitherAllocatesNorFreesEvenWhileKitsChange)
{
	ASSERT_TRUE(alloc_count::Installed());
	Kit kit = TestKit();
	kit.pads[3].output = PadOutput::Own;
	const std::string first = WriteKit(kit, "first.tunkkit");
	kit.pads[3].output = PadOutput::Main;
	kit.pads[0].choke = 2;
	kit.pads[1].choke = 2;
	const std::string second = WriteKit(kit, "second.tunkkit");
	alloc_count::Reset();
	int64_t loud = 0;
	for (double rate : {44100.0, 48000.0}) {
		KitInstance plugin(world, rate, GetParam());
		plugin.SetAudioHooks(alloc_count::Begin, alloc_count::End);
		std::mt19937 random(11);
		for (int block = 0; block < 300; block++) {
			if (block % 50 == 0)
				plugin.SetKitFile(uint32_t(random() % 256), block % 100 == 0 ? first : second);
			if (block % 60 == 30)
				plugin.AskKitFile(0);
			if (block % 50 == 25)
				plugin.SetKitFile(0, "");
			for (int n = 0; n < 3; n++)
				plugin.NoteOn(uint32_t(n * 80 + random() % 80), uint8_t(kit.pads[random() % 16].note),
				    uint8_t(1 + random() % 127), uint8_t(random() % 16));
			if (block % 40 == 39)
				plugin.Midi(255, 0xB0, 120, 0);
			plugin.SetControl("retrigger", float(random() % 2));
			plugin.Run(256);
		}
		for (const std::string& output : {std::string("out_l"), Output(3)})
			loud += std::count_if(plugin.Recorded(output).begin(), plugin.Recorded(output).end(),
			    [](float s) { return s != 0.0f; });
		EXPECT_EQ(plugin.LoggedOnAudioThread(), 0);
	}
	EXPECT_GT(loud, 50000) << "the voices played";
	const alloc_count::Counts counts = alloc_count::Totals();
	EXPECT_EQ(counts.allocations, 0);
	EXPECT_EQ(counts.frees, 0);
}

} // namespace
