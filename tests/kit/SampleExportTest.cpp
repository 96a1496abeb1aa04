// A kit's sample pack as other programs meet it: tunk-render --kit writes every pad's sound
// bit for bit as the pad's sound rendered alone, an SFZ file whose regions (read by a reader
// of this test's own) name existing samples on the pads' notes, and a Hydrogen drum kit that
// Hydrogen's own schema and its command-line tool accept.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "engine/core/Render.h"
#include "kit/SampleExport.h"
#include "kits/media/SoundFiles.h"
#include "kits/storage/TempDir.h"
#include "preset/KitFile.h"
#include "tools/RunProgram.h"

namespace {

namespace fs = std::filesystem;


// Short sounds of several engines and layers, with names a file system would not take as
// they are, two alike but for case, and the hats in a choke group.
Kit PackKit()
{
	Kit kit;
	kit.name = "Test: Kit/1";
	auto add = [&kit](const char* name, int note, float level, float pan, int choke,
				   std::initializer_list<std::pair<tunk::Param, float>> values) {
		Pad pad;
		pad.name = name;
		pad.note = note;
		pad.level = level;
		pad.pan = pan;
		pad.choke = choke;
		pad.sound[tunk::Param::duration] = 150;
		for (const auto& [param, value] : values)
			pad.sound[param] = value;
		kit.pads.push_back(pad);
	};
	using P = tunk::Param;
	add("Kick", 36, -3.5f, 0, 0, {{P::startFreq, 60}, {P::freqEnvEnabled, 1}, {P::freqEnvelope, -3}});
	add("Snare <Tight>", 38, 0, 0.2f, 0, {{P::startFreq, 190}, {P::noiseLevel, 0.7f}, {P::noiseSeed, 7}});
	add("Hat/Closed", 42, -6, 0.5f, 1, {{P::noiseLevel, 1}, {P::noiseType, 3}, {P::amplitude, 0}});
	add("hat/closed", 46, -1, -0.5f, 1, {{P::noiseLevel, 1}, {P::noiseType, 3}, {P::duration, 400}});
	add("", 39, 2, -1, 3, {{P::noiseLevel, 0.8f}, {P::clapCount, 4}, {P::noiseFilter, 2}});
	return kit;
}

struct SfzRegion {
	std::map<std::string, std::string> opcodes;
};

// Regions of an SFZ file: "<region>" starts one, "name=value" opcodes follow (a sample's
// name runs to the end of its line, spaces and all), "//" starts a comment; opcodes under
// <global> apply to every region.
std::vector<SfzRegion> ReadSfz(const std::string& path, std::map<std::string, std::string>* global)
{
	std::vector<SfzRegion> regions;
	std::ifstream in(path);
	std::string line;
	std::map<std::string, std::string>* into = nullptr;
	while (std::getline(in, line)) {
		if (line.starts_with("//") || line.empty())
			continue;
		if (line == "<global>") {
			into = global;
			continue;
		}
		if (line == "<region>") {
			regions.emplace_back();
			into = &regions.back().opcodes;
			continue;
		}
		const size_t equals = line.find('=');
		EXPECT_NE(equals, std::string::npos) << line;
		EXPECT_NE(into, nullptr) << "an opcode before any header: " << line;
		if (equals == std::string::npos || into == nullptr)
			continue;
		const std::string name = line.substr(0, equals);
		EXPECT_EQ(into->count(name), 0u) << "given twice: " << line;
		(*into)[name] = line.substr(equals + 1);
	}
	return regions;
}

std::string Slurp(const std::string& path)
{
	std::ifstream in(path, std::ios::binary);
	return std::string(std::istreambuf_iterator<char>(in), {});
}

ProgramRun Shell(const std::string& command, const std::string& folder)
{
	return RunProgram("/bin/sh", {"-c", command}, folder);
}

// The pack written by the real program into dir/pack.
ProgramRun RenderPack(const TempDir& dir, const Kit& kit)
{
	EXPECT_EQ(WriteKitFile((dir / "kit.tunkkit").c_str(), kit), B_OK);
	return RunProgram(TUNK_RENDER_PATH, {"--kit", "kit.tunkkit", "-d", "pack"}, dir.Path());
}

}  // namespace

TEST(SamplePack, EveryPadIsItsSoundRenderedAloneAndTheSfzMapsThemToTheirNotes)
{
	TempDir dir;
	const Kit kit = PackKit();
	const ProgramRun run = RenderPack(dir, kit);
	ASSERT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(run.err, "");

	const fs::path pack = dir / "pack";
	const std::vector<std::string> files = PadFileNames(kit, "wav");
	EXPECT_EQ(files, (std::vector<std::string>{"Kick.wav", "Snare _Tight_.wav", "Hat_Closed.wav",
						 "hat_closed 2.wav", "Pad 5.wav"}));
	for (size_t i = 0; i < kit.pads.size(); i++) {
		const SoundFile sound = read_sound_file((pack / files[i]).string());
		ASSERT_TRUE(sound.opened) << files[i];
		EXPECT_EQ(sound.info.samplerate, tunk::kSampleRate);
		EXPECT_EQ(sound.info.channels, 1);
		std::vector<int16_t> alone;
		ASSERT_EQ(tunk::Render(kit.pads[i].sound, &alone), tunk::RenderStatus::Ok);
		ASSERT_FALSE(alone.empty());
		EXPECT_TRUE(sound.samples == alone) << files[i] << " differs from its pad's sound";
	}

	std::map<std::string, std::string> global;
	const std::string sfz = (pack / "Test_ Kit_1.sfz").string();
	ASSERT_TRUE(fs::exists(sfz));
	const std::vector<SfzRegion> regions = ReadSfz(sfz, &global);
	EXPECT_EQ(global["loop_mode"], "one_shot");
	ASSERT_EQ(regions.size(), kit.pads.size());
	for (size_t i = 0; i < regions.size(); i++) {
		std::map<std::string, std::string> region = regions[i].opcodes;
		const Pad& pad = kit.pads[i];
		EXPECT_TRUE(fs::is_regular_file(pack / region["sample"])) << region["sample"];
		EXPECT_EQ(region["key"], std::to_string(pad.note));
		EXPECT_NEAR(std::stod(region["volume"]), pad.level, 0.006);
		EXPECT_NEAR(std::stod(region["pan"]), pad.pan * 100, 0.06);
		if (pad.choke != 0) {
			EXPECT_EQ(region["group"], std::to_string(pad.choke));
			EXPECT_EQ(region["off_by"], std::to_string(pad.choke));
		} else {
			EXPECT_EQ(region.count("group") + region.count("off_by"), 0u);
		}
	}

	// A pad on its own output plays in the middle of a stereo pair, as the kit window and
	// tunk-render --notes play it: unpanned in both files, at its level.
	Kit own;
	own.pads.push_back(kit.pads[4]);
	own.pads[0].output = PadOutput::Own;
	EXPECT_NE(SfzText(own, {"a.wav"}).find("\nvolume=2.00\npan=0.0\n"), std::string::npos)
	    << SfzText(own, {"a.wav"});
	EXPECT_NE(HydrogenDrumkitXml(own, {"a.wav"}, {}).find(
	              "<pan_L>1.000000</pan_L>\n      <pan_R>1.000000</pan_R>"),
	    std::string::npos);
}

TEST(SamplePack, TheHydrogenKitPassesHydrogensSchemaAndItsOwnCheck)
{
	TempDir dir;
	const Kit kit = PackKit();
	ASSERT_EQ(RenderPack(dir, kit).status, 0);
	const fs::path pack = dir / "pack";
	const std::string xml = Slurp((pack / "drumkit.xml").string());

	// The schema Hydrogen's data package ships, wherever it puts it.
	const ProgramRun listed = Shell("dpkg -L hydrogen-data | grep '/drumkit.xsd$'", dir.Path());
	const std::string schema = listed.out.substr(0, listed.out.find('\n'));
	ASSERT_TRUE(fs::is_regular_file(schema)) << "scripts/install-deps installs hydrogen-data";
	const ProgramRun lint = Shell("xmllint --noout --schema '" + schema + "' pack/drumkit.xml", dir.Path());
	EXPECT_EQ(lint.status, 0) << lint.err;
	EXPECT_NE(lint.err.find("validates"), std::string::npos) << lint.err;

	// What the schema leaves open: the instruments' samples, notes, mute groups and pans.
	for (const std::string& file : PadFileNames(kit, "wav"))
		EXPECT_NE(xml.find("<filename>" + file + "</filename>"), std::string::npos) << file;
	EXPECT_NE(xml.find("<name>Snare &lt;Tight&gt;</name>"), std::string::npos);
	EXPECT_NE(xml.find("<muteGroup>1</muteGroup>\n      <midiOutChannel>-1</midiOutChannel>\n"
					   "      <midiOutNote>46</midiOutNote>"),
		std::string::npos);
	EXPECT_NE(xml.find("<pan_L>0.500000</pan_L>\n      <pan_R>1.000000</pan_R>"), std::string::npos);
	EXPECT_NE(xml.find("<volume>0.501187</volume>"), std::string::npos) << "-6 dB";

	// Hydrogen's own tool checks a packed kit the way it installs one.
	if (!fs::exists("/usr/bin/h2cli"))
		GTEST_SKIP() << "hydrogen's h2cli is missing: only the schema was checked";
	fs::rename(pack, dir / "TestKit");
	ASSERT_EQ(Shell("tar czf TestKit.h2drumkit TestKit", dir.Path()).status, 0);
	const std::string home = dir / "home";
	fs::create_directory(home);
	// Its audio engine starts too: it must neither start a JACK server nor join another test's.
	const ProgramRun check = Shell("HOME='" + home + "' TMPDIR='" + home
			+ "' JACK_NO_START_SERVER=1 JACK_DEFAULT_SERVER=tunk-none-$$ h2cli --check '"
			+ (dir / "TestKit.h2drumkit") + "' 2>&1",
		dir.Path());
	EXPECT_NE(check.out.find("Provided drumkit [" + (dir / "TestKit.h2drumkit") + "] is valid"),
		std::string::npos)
		<< check.out;
}

TEST(SamplePack, OtherFormatsAndNamesThatAreNoFileNames)
{
	TempDir dir;
	Kit kit = PackKit();
	kit.pads.resize(2);
	EXPECT_EQ(WriteKitFile((dir / "kit.tunkkit").c_str(), kit), B_OK);
	const ProgramRun run = RunProgram(TUNK_RENDER_PATH, {"--kit", "kit.tunkkit", "-d", "flac pack", "-f", "flac"}, dir.Path());
	ASSERT_EQ(run.status, 0) << run.err;
	const SoundFile kick = read_sound_file(dir / "flac pack/Kick.flac");
	std::vector<int16_t> alone;
	tunk::Render(kit.pads[0].sound, &alone);
	EXPECT_TRUE(kick.opened && kick.samples == alone);
	EXPECT_NE(Slurp(dir / "flac pack/drumkit.xml").find("<filename>Kick.flac</filename>"), std::string::npos);

	EXPECT_EQ(SafeFileStem("../etc/passwd"), "_etc_passwd");
	EXPECT_EQ(SafeFileStem(" .hidden. "), "hidden");
	EXPECT_EQ(SafeFileStem("a:b*c?d\"e<f>g|h=i#j\\k\tl"), "a_b_c_d_e_f_g_h_i_j_k_l");
	EXPECT_EQ(SafeFileStem("Bad \xff\xfe byte"), "Bad __ byte");
	EXPECT_EQ(SafeFileStem("\xe2\x82"), "__");  // a character cut short
	EXPECT_EQ(SafeFileStem("Händclap"), "Händclap");
	std::string accents;
	for (int i = 0; i < 60; i++)
		accents += "é";
	EXPECT_EQ(SafeFileStem(accents), accents.substr(0, 100));  // 50 whole characters
	EXPECT_EQ(SafeFileStem(" .. "), "");

	Kit names;
	for (const char* name : {"", "  ", "Tom", "tom", "TOM", "Tom 2"}) {
		Pad pad;
		pad.name = name;
		names.pads.push_back(pad);
	}
	EXPECT_EQ(PadFileNames(names, "wav"), (std::vector<std::string>{"Pad 1.wav", "Pad 2.wav",
		"Tom.wav", "tom 2.wav", "TOM 3.wav", "Tom 2 2.wav"}));
}

TEST(SamplePack, KitsThatCannotBeReadOrCommandLinesThatCannotBeMetWriteNothing)
{
	TempDir dir;
	std::ofstream(dir / "bad.tunkkit") << R"({"tunkKit": 1, "pads": [{"note": 200}]})";
	ProgramRun run = RunProgram(TUNK_RENDER_PATH, {"--kit", "bad.tunkkit", "-d", "pack"}, dir.Path());
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err, "tunk-render: bad.tunkkit: the note of pad 1 is no MIDI note (a whole number from 0 to 127)\n");
	EXPECT_TRUE(!fs::exists(dir / "pack") || fs::is_empty(dir / "pack"));

	run = RunProgram(TUNK_RENDER_PATH, {"--kit", "missing.tunkkit", "-d", "pack"}, dir.Path());
	EXPECT_EQ(run.status, 1);
	EXPECT_NE(run.err.find("missing.tunkkit: No such file or directory"), std::string::npos) << run.err;

	std::ofstream(dir / "empty.tunkkit") << R"({"tunkKit": 1, "pads": []})";
	run = RunProgram(TUNK_RENDER_PATH, {"--kit", "empty.tunkkit", "-d", "pack"}, dir.Path());
	EXPECT_EQ(run.status, 1);
	EXPECT_NE(run.err.find("the kit has no pads"), std::string::npos) << run.err;

	for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
			 {"--kit", "bad.tunkkit"}, {"--kit", "bad.tunkkit", "-o", "x.wav"},
			 {"--kit", "bad.tunkkit", "-d", "pack", "a.tunk"},
			 {"--kit", "bad.tunkkit", "-d", "pack", "--set", "duration=5"}}) {
		run = RunProgram(TUNK_RENDER_PATH, args, dir.Path());
		EXPECT_EQ(run.status, 2) << args.back();
		EXPECT_NE(run.err.find("--kit"), std::string::npos) << run.err;
	}
}

// Hydrogen installs the packed kit and plays one of its own demo songs with it: a kit of
// silent pads gives silence, the same kit with sounding pads does not, so what it plays is
// the pack's samples.
TEST(SamplePack, HydrogenPlaysASongOnTheKit)
{
	TempDir dir;
	const ProgramRun listed = Shell("dpkg -L hydrogen-data | grep '/TR808kit-demo.h2song$'", dir.Path());
	const std::string song = listed.out.substr(0, listed.out.find('\n'));
	if (!fs::exists("/usr/bin/h2cli") || !fs::is_regular_file(song))
		GTEST_SKIP() << "hydrogen's h2cli or its demo song is missing";
	const std::string home = dir / "home";
	fs::create_directory(home);
	const std::string environment = "HOME='" + home + "' TMPDIR='" + home
		+ "' JACK_NO_START_SERVER=1 JACK_DEFAULT_SERVER=tunk-none-$$ ";

	// The song's sixteen instruments are the kit's sixteen pads.
	const auto peakOfSongOn = [&](const std::string& name, const Kit& kit) {
		EXPECT_EQ(ExportSamplePack(kit, dir / name, "wav").status, B_OK);
		EXPECT_EQ(Shell("tar czf " + name + ".h2drumkit " + name, dir.Path()).status, 0);
		Shell(environment + "h2cli --install '" + (dir / name) + ".h2drumkit' >/dev/null 2>&1", dir.Path());
		EXPECT_TRUE(fs::exists(home + "/.hydrogen/data/drumkits/" + name + "/drumkit.xml"));
		// Its --kit is known only by its short name.
		const ProgramRun run = Shell(environment + "h2cli --song '" + song + "' -k " + name
				+ " --outfile '" + (dir / name) + ".wav' 2>&1",
			dir.Path());
		const SoundFile played = read_sound_file(dir / (name + ".wav"));
		EXPECT_TRUE(played.opened && played.info.frames > tunk::kSampleRate) << name << "\n" << run.out;
		int peak = played.opened ? 0 : -1;
		for (int16 sample : played.samples)
			peak = std::max(peak, std::abs(int(sample)));
		return peak;
	};
	Kit quiet = NewKit("Quiet");
	for (Pad& pad : quiet.pads) {
		pad.sound = tunk::SoundParams();
		pad.sound[tunk::Param::amplitude] = 0;
	}
	EXPECT_EQ(peakOfSongOn("TunkQuiet", quiet), 0);
	EXPECT_GT(peakOfSongOn("TunkLoud", NewKit("Loud")), 32768 / 4);
}
