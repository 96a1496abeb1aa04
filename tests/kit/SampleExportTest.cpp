// A kit's sample pack as other programs meet it: tunk-render --kit writes every pad's sound
// bit for bit as the pad's sound rendered alone, an SFZ file whose regions (read by a reader
// of this test's own) name existing samples on the pads' notes, and a Hydrogen drum kit that
// Hydrogen's own schema and its command-line tool accept.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "engine/core/Hit.h"
#include "engine/core/Render.h"
#include "engine/voices/Player.h"
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

// The texts of every <name>...</name> in `xml`, in order (elements of that name do not nest).
std::vector<std::string> Elements(const std::string& xml, const std::string& name)
{
	std::vector<std::string> texts;
	const std::string open = "<" + name + ">", close = "</" + name + ">";
	for (size_t at = xml.find(open); at != std::string::npos; at = xml.find(open, at)) {
		const size_t end = xml.find(close, at);
		if (end == std::string::npos)
			break;
		texts.push_back(xml.substr(at + open.size(), end - at - open.size()));
		at = end;
	}
	return texts;
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
ProgramRun RenderPack(const TempDir& dir, const Kit& kit, std::vector<std::string> more = {})
{
	EXPECT_EQ(WriteKitFile((dir / "kit.tunkkit").c_str(), kit), B_OK);
	std::vector<std::string> args = {"--kit", "kit.tunkkit", "-d", "pack"};
	args.insert(args.end(), more.begin(), more.end());
	return RunProgram(TUNK_RENDER_PATH, args, dir.Path());
}

// The pack's kit softer and varied: the snare darker when soft on a curve, with round robins.
Kit LayeredKit()
{
	Kit kit = PackKit();
	tunk::SoundParams& snare = kit.pads[1].sound;
	snare[tunk::Param::velBright] = -2;
	snare[tunk::Param::velDecay] = -50;
	snare[tunk::Param::velCurve] = 2;
	snare[tunk::Param::varPitch] = 40;
	snare[tunk::Param::varLevel] = 3;
	snare[tunk::Param::varNoise] = 1;
	return kit;
}

// What a folder holds: each entry by name with its bytes, a link's target or "folder".
std::map<std::string, std::string> Entries(const fs::path& folder)
{
	std::map<std::string, std::string> entries;
	for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
		const std::string name = entry.path().filename();
		if (entry.is_symlink())
			entries[name] = "link to " + fs::read_symlink(entry.path()).string();
		else if (entry.is_directory())
			entries[name] = "folder";
		else
			entries[name] = Slurp(entry.path());
	}
	return entries;
}

// A folder on a disk of its own of 512 kB where this process may mount one; elsewhere a limit
// on the size of the files it writes, which fails the writes alike.
class SmallDisk {
public:
	explicit SmallDisk(const TempDir& dir) : fPath(dir / "disk")
	{
		fs::create_directory(fPath);
		fMounted = mount("tmpfs", fPath.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=512k,mode=0700") == 0;
	}
	~SmallDisk()
	{
		if (fMounted)
			umount2(fPath.c_str(), MNT_DETACH);
	}

	// tunk-render --kit `kit` -d `pack`, run in the disk's folder.
	ProgramRun RenderInto(const std::string& kit, const std::string& pack, bool limited) const
	{
		const std::string render = std::string(TUNK_RENDER_PATH) + " --kit '" + kit + "' -d " + pack;
		// The limit in blocks of 512 bytes: 200 kB, more than any sound of the first pack.
		return Shell(limited && !fMounted ? "trap '' XFSZ; ulimit -f 400; exec " + render : render, fPath);
	}

	const std::string& Path() const { return fPath; }
	bool Mounted() const { return fMounted; }

private:
	std::string fPath;
	bool fMounted = false;
};

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
	EXPECT_NE(SfzText(own, PackSamples(own, "wav")).find("\nvolume=2.00\npan=0.0\n"), std::string::npos)
	    << SfzText(own, PackSamples(own, "wav"));
	EXPECT_NE(HydrogenDrumkitXml(own, PackSamples(own, "wav"), {}).find(
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

	// What the schema leaves open, instrument by instrument: its sample, name, note, mute
	// group, volume (the level's gain) and pans (the balance law: the far side falls).
	const struct {
		const char* name;
		const char* muteGroup;
		double left, right;
	} expected[] = {
		{"Kick", "-1", 1, 1},
		{"Snare &lt;Tight&gt;", "-1", 0.8, 1},
		{"Hat/Closed", "1", 0.5, 1},
		{"hat/closed", "1", 1, 0.5},
		{"Pad 5", "3", 1, 0},
	};
	const std::vector<std::string> instruments = Elements(xml, "instrument");
	const std::vector<std::string> files = PadFileNames(kit, "wav");
	ASSERT_EQ(instruments.size(), kit.pads.size());
	for (size_t i = 0; i < kit.pads.size(); i++) {
		SCOPED_TRACE(expected[i].name);
		const std::string& instrument = instruments[i];
		const auto number = [&instrument](const char* name) {
			const std::vector<std::string> found = Elements(instrument, name);
			EXPECT_EQ(found.size(), 1u) << name;
			return found.empty() ? NAN : std::stod(found[0]);
		};
		EXPECT_EQ(Elements(instrument, "filename"), std::vector<std::string>{files[i]});
		EXPECT_EQ(Elements(instrument, "name")[0], expected[i].name);
		EXPECT_EQ(Elements(instrument, "midiOutNote"), std::vector<std::string>{std::to_string(kit.pads[i].note)});
		EXPECT_EQ(Elements(instrument, "muteGroup"), std::vector<std::string>{expected[i].muteGroup});
		EXPECT_NEAR(number("volume"), std::pow(10.0, kit.pads[i].level / 20.0), 1e-6);
		EXPECT_NEAR(number("pan_L"), expected[i].left, 1e-6);
		EXPECT_NEAR(number("pan_R"), expected[i].right, 1e-6);
	}

	// A layered pack too: three bands, the snare's with two round robins taking turns.
	TempDir layeredDir;
	ASSERT_EQ(RenderPack(layeredDir, LayeredKit(), {"--layers", "3", "--round-robins", "2"}).status, 0);
	const ProgramRun layeredLint =
	    Shell("xmllint --noout --schema '" + schema + "' pack/drumkit.xml", layeredDir.Path());
	EXPECT_EQ(layeredLint.status, 0) << layeredLint.err;
	const std::vector<std::string> layered =
	    Elements(Slurp(layeredDir / "pack/drumkit.xml"), "instrument");
	ASSERT_EQ(layered.size(), kit.pads.size());
	EXPECT_EQ(Elements(layered[1], "layer").size(), 6u);
	EXPECT_EQ(Elements(layered[1], "sampleSelectionAlgo"), std::vector<std::string>{"ROUND_ROBIN"});
	EXPECT_EQ(Elements(layered[0], "min"), (std::vector<std::string>{"0", "0.330709", "0.669291"}));
	EXPECT_EQ(Elements(layered[0], "max"), (std::vector<std::string>{"0.330709", "0.669291", "1"}));

	// Hydrogen's own tool checks a packed kit the way it installs one.
	if (!fs::exists("/usr/bin/h2cli"))
		GTEST_SKIP() << "hydrogen's h2cli is missing: only the schema was checked";
	for (const fs::path& folder : {dir.Path(), layeredDir.Path()}) {
		fs::rename(folder / "pack", folder / "TestKit");
		ASSERT_EQ(Shell("tar czf TestKit.h2drumkit TestKit", folder).status, 0);
		const std::string home = folder / "home";
		fs::create_directory(home);
		// Its audio engine starts too: it must neither start a JACK server nor join another test's.
		const ProgramRun check = Shell("HOME='" + home + "' TMPDIR='" + home
				+ "' JACK_NO_START_SERVER=1 JACK_DEFAULT_SERVER=tunk-none-$$ h2cli --check '"
				+ (folder / "TestKit.h2drumkit").string() + "' 2>&1",
			folder);
		EXPECT_NE(check.out.find("Provided drumkit [" + (folder / "TestKit.h2drumkit").string() + "] is valid"),
			std::string::npos)
			<< check.out;
	}
}

TEST(SamplePack, LayersCoverEveryVelocityAndRoundRobinsAreTheHitsOfVariation)
{
	TempDir dir;
	const Kit kit = LayeredKit();
	const ProgramRun run = RenderPack(dir, kit, {"--layers", "4", "--round-robins", "3"});
	ASSERT_EQ(run.status, 0) << run.err;
	// Every pad but the snare repeats itself: said once each, and one sample a band.
	EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 4) << run.err;
	EXPECT_NE(run.err.find("pad 1 (Kick) does not vary from hit to hit"), std::string::npos) << run.err;

	const fs::path pack = dir / "pack";
	std::map<std::string, std::string> global;
	const std::vector<SfzRegion> regions = ReadSfz((pack / "Test_ Kit_1.sfz").string(), &global);
	ASSERT_EQ(regions.size(), 4 * 4 + 4 * 3u);
	std::map<int, int> nextLow; // by note: the lowest velocity the next band must start at
	for (const SfzRegion& r : regions) {
		std::map<std::string, std::string> region = r.opcodes;
		SCOPED_TRACE(region["sample"]);
		const int note = std::stoi(region["key"]);
		const size_t pad = size_t(std::find_if(kit.pads.begin(), kit.pads.end(),
		                              [note](const Pad& p) { return p.note == note; })
		    - kit.pads.begin());
		const int low = std::stoi(region["lovel"]), high = std::stoi(region["hivel"]);
		const int count = region.count("seq_length") ? std::stoi(region["seq_length"]) : 1;
		const int position = region.count("seq_position") ? std::stoi(region["seq_position"]) : 1;
		EXPECT_EQ(count, pad == 1 ? 3 : 1);
		// Bands follow one another without a gap; a band's round robins share it.
		if (position == 1) {
			EXPECT_EQ(low, nextLow.count(note) ? nextLow[note] : 1);
			nextLow[note] = high + 1;
		}
		// The band's top plays the sample as it is; its bottom at Tunk's level there.
		EXPECT_EQ(region["amp_velcurve_" + std::to_string(high)], "1.000000");
		const float bottom = tunk::HitOf(kit.pads[pad].sound, low).level
		                     / tunk::HitOf(kit.pads[pad].sound, high).level;
		EXPECT_NEAR(std::stod(region["amp_velcurve_" + std::to_string(low)]), bottom, 1e-6);
		// The sample: the band's top note, its hit's variation and level.
		const tunk::Hit hit = tunk::HitOf(kit.pads[pad].sound, high, count > 1 ? uint32_t(position) : 0);
		std::vector<int16_t> expected;
		ASSERT_EQ(tunk::Render(hit.params, &expected), tunk::RenderStatus::Ok);
		for (int16_t& sample : expected)
			sample = tunk::voices::ToShort(float(sample) / 32768.0f * hit.gain);
		const SoundFile sound = read_sound_file((pack / region["sample"]).string());
		ASSERT_TRUE(sound.opened);
		EXPECT_TRUE(sound.samples == expected);
	}
	for (const auto& [note, low] : nextLow)
		EXPECT_EQ(low, 128) << note;
	// The snare's round robins differ, and its softest band is shorter than its loudest.
	EXPECT_NE(read_sound_file((pack / "Snare _Tight_ v4 1.wav").string()).samples,
	    read_sound_file((pack / "Snare _Tight_ v4 2.wav").string()).samples);
	EXPECT_LT(read_sound_file((pack / "Snare _Tight_ v1 1.wav").string()).samples.size(),
	    read_sound_file((pack / "Snare _Tight_ v4 1.wav").string()).samples.size());
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

	// A duration beyond the longest sound is read as given and refused where it would play:
	// the pack is not written, not even its other pads.
	std::ofstream(dir / "long.tunkkit")
		<< R"({"tunkKit": 1, "pads": [{"name": "Kick", "note": 36}, {"name": "Long", "note": 38,
		"sound": {"duration": 600001}}]})";
	run = RunProgram(TUNK_RENDER_PATH, {"--kit", "long.tunkkit", "-d", "pack"}, dir.Path());
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err, "tunk-render: pack/Long.wav: the sound could not be generated: its "
					   "duration must be 0 to 600000 ms\n");
	EXPECT_TRUE(fs::is_empty(dir / "pack"));

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

TEST(SamplePack, AFailedExportLeavesTheEarlierPackAsItWas)
{
	TempDir dir;
	SmallDisk disk(dir);
	const Kit first = PackKit();
	ASSERT_EQ(WriteKitFile((dir / "first.tunkkit").c_str(), first), B_OK);
	ProgramRun run = disk.RenderInto(dir / "first.tunkkit", "pack", false);
	ASSERT_EQ(run.status, 0) << run.err;
	const fs::path pack = disk.Path() + "/pack";
	const std::map<std::string, std::string> before = Entries(pack);
	ASSERT_EQ(before.size(), first.pads.size() + 2);

	// The same pads, each 3 s long: the disk fills (or a file outgrows the limit) halfway.
	Kit second = first;
	second.name = "Second";
	for (Pad& pad : second.pads)
		pad.sound[tunk::Param::duration] = 3000;
	ASSERT_EQ(WriteKitFile((dir / "second.tunkkit").c_str(), second), B_OK);
	run = disk.RenderInto(dir / "second.tunkkit", "pack", true);
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err.rfind("tunk-render: pack/", 0), 0u) << run.err;
	if (disk.Mounted()) {
		EXPECT_NE(run.err.find("No space left on device"), std::string::npos) << run.err;
	}
	EXPECT_TRUE(Entries(pack) == before) << "the first pack changed, or the attempt left files";

	// A folder where the pack's last file goes: every file already in place goes back.
	fs::remove(pack / "drumkit.xml");
	fs::create_directory(pack / "drumkit.xml");
	const std::map<std::string, std::string> blocked = Entries(pack);
	Kit third = first;
	for (Pad& pad : third.pads)
		pad.sound[tunk::Param::startFreq] *= 2;
	const SamplePackResult result = ExportSamplePack(third, pack, "wav");
	EXPECT_EQ(result.status, B_IS_A_DIRECTORY);
	EXPECT_EQ(result.failedFile, (pack / "drumkit.xml").string());
	EXPECT_TRUE(result.files.empty());
	EXPECT_TRUE(Entries(pack) == blocked);
}

TEST(SamplePack, LinksInThePacksFolderAreReplacedNeverFollowed)
{
	TempDir dir;
	fs::create_directories(dir / "pack");
	fs::create_directories(dir / "outside");
	std::ofstream(dir / "outside/kick.wav") << "not to be overwritten";
	fs::create_symlink("../outside/kick.wav", dir / "pack/Kick.wav");
	fs::create_symlink("../outside/made.xml", dir / "pack/drumkit.xml");  // dangling

	const Kit kit = PackKit();
	const SamplePackResult result = ExportSamplePack(kit, dir / "pack", "wav");
	ASSERT_EQ(result.status, B_OK);
	EXPECT_EQ(result.files.size(), kit.pads.size() + 2);
	EXPECT_EQ(Slurp(dir / "outside/kick.wav"), "not to be overwritten");
	EXPECT_FALSE(fs::exists(dir / "outside/made.xml"));
	EXPECT_EQ(Entries(dir / "outside").size(), 1u);
	for (const char* name : {"Kick.wav", "drumkit.xml"})
		EXPECT_FALSE(fs::is_symlink(dir / (std::string("pack/") + name))) << name;
	std::vector<int16_t> kick;
	tunk::Render(kit.pads[0].sound, &kick);
	EXPECT_TRUE(read_sound_file(dir / "pack/Kick.wav").samples == kick);
	EXPECT_NE(Slurp(dir / "pack/drumkit.xml").find("<drumkit_info"), std::string::npos);
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
