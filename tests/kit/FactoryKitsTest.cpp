// The factory kits the build made from the factory sounds, and the new kit: where a program
// finds them, that each reads cleanly and plays a drum kit on the General MIDI notes, and that
// the maker refuses a table it cannot follow.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <fstream>
#include <set>

#include "engine/core/Hit.h"
#include "engine/core/Render.h"
#include "kit/Pattern.h"
#include "kits/storage/TempDir.h"
#include "preset/FactoryKits.h"
#include "preset/KitFile.h"
#include "tools/RunProgram.h"

namespace {

namespace fs = std::filesystem;

int PadOn(const Kit& kit, int note)
{
	const PadMask pads = PadsOnNote(kit, note);
	return pads == 0 ? -1 : std::countr_zero(pads);
}

}  // namespace

TEST(FactoryKits, EachReadsCleanlyAndPlaysADrumKitOnItsNotes)
{
	const fs::path folder = FindFactoryKitsFolder();
	ASSERT_FALSE(folder.empty()) << "a test of this build finds the kits the build made";
	const std::vector<fs::path> files = KitFilesIn(folder);
	ASSERT_GE(files.size(), 4u);
	std::vector<Kit> kits = {NewKit()};
	std::set<std::string> names = {kits[0].name};
	// Every pad names the factory sound it was made from, the new kit's as the files' do.
	std::set<std::string> sounds;
	for (const auto& entry : fs::recursive_directory_iterator(TUNK_SOURCE_PRESETS)) {
		if (entry.path().extension() == ".tunk")
			sounds.insert(entry.path().stem().string());
	}
	for (const fs::path& file : files) {
		Kit kit;
		const KitRead read = ReadKitFile(file.c_str(), &kit);
		ASSERT_TRUE(read.Ok()) << file << ": " << read.error;
		EXPECT_TRUE(read.messages.empty()) << file << ": " << read.messages.front();
		EXPECT_EQ(kit.name + kKitFileExtension, file.filename().string());
		EXPECT_TRUE(names.insert(kit.name).second);
		kits.push_back(kit);
	}
	for (const Kit& kit : kits) {
		EXPECT_GE(kit.pads.size(), 12u) << kit.name;

		std::set<int> notes;
		for (const Pad& pad : kit.pads) {
			EXPECT_TRUE(notes.insert(pad.note).second) << kit.name << ": two pads on " << pad.note;
			EXPECT_TRUE(sounds.count(pad.soundName)) << kit.name << ": " << pad.name << " names no factory sound";
			std::vector<int16_t> samples;
			ASSERT_EQ(tunk::Render(pad.sound, &samples), tunk::RenderStatus::Ok);
			int peak = 0;
			for (int16_t s : samples)
				peak = std::max(peak, std::abs(int(s)));
			// Heard, and not pushed into the saturation of the sum.
			EXPECT_GT(peak, 32768 / 10) << kit.name << ": " << pad.name << " is nearly silent";
			EXPECT_LT(peak, 32767) << kit.name << ": " << pad.name << " clips";
		}
		for (int note : {36, 38, 39, 42, 46})
			EXPECT_GE(PadOn(kit, note), 0) << kit.name << " has no pad on " << note;
		// The factory kits' snares, claps and hats vary hit by hit, so that their packs'
		// round robins differ; the new kit plays its sounds as the library has them.
		for (int note : {38, 39, 42, 46}) {
			const tunk::SoundParams& sound = kit.pads[size_t(PadOn(kit, note))].sound;
			std::vector<int16_t> first, second;
			ASSERT_EQ(tunk::Render(tunk::HitOf(sound, 127, 1).params, &first), tunk::RenderStatus::Ok);
			ASSERT_EQ(tunk::Render(tunk::HitOf(sound, 127, 2).params, &second), tunk::RenderStatus::Ok);
			EXPECT_EQ(first != second, &kit != &kits[0]) << kit.name << ": the pad on " << note;
		}
		// Factory kits come with a beat: four patterns or more, kick and snare or clap in each,
		// and a chain that plays them all.
		if (kit.name != NewKit().name) {
			EXPECT_GE(kit.patterns.size(), 4u) << kit.name;
			EXPECT_EQ(PlayedTempo(kit.tempo), kit.tempo) << kit.name;
			EXPECT_EQ(kit.chain.size(), kit.patterns.size()) << kit.name;
			for (const Pattern& pattern : kit.patterns) {
				const int order[] = {int(&pattern - kit.patterns.data())};
				const PatternLoop loop = MakePatternLoop(kit, order, 1, kit.tempo, 0, 44100);
				std::set<int> notes;
				for (const KitEvent& hit : loop.hits)
					notes.insert(kit.pads[size_t(hit.key)].note);
				EXPECT_TRUE(notes.contains(36) && (notes.contains(38) || notes.contains(39)))
					<< kit.name << ": " << pattern.name;
				EXPECT_EQ(PatternTicks(pattern) % kTicksPerBeat, 0) << kit.name << ": " << pattern.name;
			}
		}
		const int closed = PadOn(kit, 42);
		const int open = PadOn(kit, 46);
		if (closed >= 0 && open >= 0) {
			EXPECT_NE(PadsChokedBy(kit, size_t(closed)) & (PadMask(1) << open), 0u)
				<< kit.name << ": the closed hat does not choke the open one";
		}
	}
}

TEST(FactoryKits, TheMakerRefusesATableItCannotFollow)
{
	TempDir dir;
	const std::string header = "Kit\tPad\tNote\tLevel\tPan\tChoke\tOutput\tSound\tSettings\n";
	const struct {
		std::string lines;
		const char* says;
	} cases[] = {
		{"A\tKick\t36\t0\t0\t0\tmain\tKicks/No Such Kick\t-\n", "no factory sound"},
		{"A\tKick\t128\t0\t0\t0\tmain\t-\t-\n", "no MIDI note: 128"},
		{"A\tKick\t36\t0\t0\t9\tmain\t-\t-\n", "no choke group: 9"},
		{"A\tKick\t36\t0\t0\t0\tleft\t-\t-\n", "no output: left"},
		{"A\tKick\t36\t0\t0\t0\tmain\t-\tloudness=3\n", "unknown parameter 'loudness'"},
		{"A\tKick\t36\t0\t0\t0\tmain\t-\n", "needs 9 columns, has 8"},
		{"A\tKick\t36\t0\t0\t0\tmain\t-\t-\nB\tKick\t36\t0\t0\t0\tmain\t-\t-\nA\tSnare\t38\t0\t0\t0\tmain\t-\t-\n",
			"not on consecutive lines"},
	};
	for (const auto& c : cases) {
		std::ofstream(dir / "kits.tsv") << header << c.lines;
		const ProgramRun run = RunProgram(TUNK_FACTORY_KITS_PATH,
			{dir / "kits.tsv", TUNK_SOURCE_PRESETS, dir / "out"}, dir.Path());
		EXPECT_EQ(run.status, 1) << c.lines;
		EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
	}
	std::string seventeen = header;
	for (int i = 0; i < 17; i++)
		seventeen += "A\tPad\t" + std::to_string(40 + i) + "\t0\t0\t0\tmain\t-\tduration=10\n";
	std::ofstream(dir / "kits.tsv") << seventeen;
	const ProgramRun run = RunProgram(TUNK_FACTORY_KITS_PATH,
		{dir / "kits.tsv", TUNK_SOURCE_PRESETS, dir / "out"}, dir.Path());
	EXPECT_EQ(run.status, 1);
	EXPECT_NE(run.err.find("kits.tsv:18: more than 16 pads"), std::string::npos) << run.err;

	// The pattern table: each fault named with its line.
	std::ofstream(dir / "kits.tsv") << header << "A\tKick\t36\t0\t0\t0\tmain\t-\t-\n";
	const struct {
		std::string lines;
		const char* says;
	} lanes[] = {
		{"B\t120\tP\t4\t0\t36\tx...\n", ":2: no kit B"},
		{"A\t310\tP\t4\t0\t36\tx...\n", "no tempo: 310"},
		{"A\t120\tP\t4\t0\t36\tx...\nA\t121\tQ\t4\t0\t36\tx...\n", ":3: the kit's tempo differs"},
		{"A\t120\tP\t5\t0\t36\tx...\n", "no steps per beat: 5"},
		{"A\t120\tP\t4\t80\t36\tx...\n", "no swing: 80"},
		{"A\t120\tP\t4\t0\t38\tx...\n", "no pad of the kit on note 38"},
		{"A\t120\tP\t4\t0\t36\tx...\nA\t120\tP\t4\t0\t36\tx..\n", "a lane of 3 steps in a pattern of 4"},
		{"A\t120\tP\t4\t0\t36\tx.-.\n", "no step: -"},
		{"A\t120\tP\t4\t0\t36\tx...\nA\t120\tQ\t4\t0\t36\tx...\nA\t120\tP\t4\t0\t36\tx...\n",
			"pattern P are not on consecutive lines"},
		{"A\t120\tP\t4\t0\t36\n", "needs 7 columns, has 6"},
	};
	for (const auto& c : lanes) {
		std::ofstream(dir / "patterns.tsv") << "Kit\tTempo\tPattern\tStepsPerBeat\tSwing\tNote\tSteps\n" << c.lines;
		const ProgramRun refused = RunProgram(TUNK_FACTORY_KITS_PATH,
			{dir / "kits.tsv", TUNK_SOURCE_PRESETS, dir / "out", dir / "patterns.tsv"}, dir.Path());
		EXPECT_EQ(refused.status, 1) << c.lines;
		EXPECT_NE(refused.err.find(c.says), std::string::npos) << refused.err;
	}

	// The new kit is the General MIDI pads, in their order.
	std::string gm = header;
	for (const GmDrum& drum : kGmDrums)
		gm += std::string("New\t") + drum.name + "\t" + std::to_string(drum.note) + "\t0\t0\t"
			+ std::to_string(drum.choke) + "\tmain\t-\tduration=10\n";
	const struct {
		std::string table;
		const char* says;
	} newKits[] = {
		{header + "New\tKick\t36\t0\t0\t0\tmain\t-\t-\n", "one kit of 16 pads"},
		{std::string(gm).replace(gm.find("\t36\t"), 4, "\t35\t"), "pad 1 is not Kick on 36"},
		{gm + "Other\tKick\t36\t0\t0\t0\tmain\t-\t-\n", "one kit of 16 pads"},
	};
	for (const auto& c : newKits) {
		std::ofstream(dir / "new-kit.tsv") << c.table;
		const ProgramRun refused = RunProgram(TUNK_FACTORY_KITS_PATH,
			{"--new-kit", dir / "new-kit.tsv", TUNK_SOURCE_PRESETS, dir / "NewKit.cpp"}, dir.Path());
		EXPECT_EQ(refused.status, 1) << c.table;
		EXPECT_NE(refused.err.find(c.says), std::string::npos) << refused.err;
		EXPECT_FALSE(fs::exists(dir / "NewKit.cpp"));
	}
}
