// tunk-render --random: sample packs of new sounds of a category, repeatable by their seed.
// Runs the real program.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "kits/media/SoundFiles.h"
#include "kits/storage/TempDir.h"
#include "preset/PresetRecord.h"
#include "tools/RunProgram.h"

namespace fs = std::filesystem;

namespace {

class RenderRandom : public ::testing::Test {
protected:
	ProgramRun Render(const std::vector<std::string>& args, const std::string& folder = "")
	{
		const std::string where = folder.empty() ? fDir.Path() : fDir / folder;
		fs::create_directories(where);
		return RunProgram(TUNK_RENDER_PATH, args, where);
	}

	// The folder's files by name, with their bytes.
	std::map<std::string, std::string> Contents(const std::string& folder) const
	{
		return FolderContents(fDir / folder);
	}

	TempDir fDir;
};

} // namespace

TEST_F(RenderRandom, TheSameSeedGivesTheSameFiles)
{
	const std::vector<std::string> args = {"--random", "kick", "--count", "12", "--seed", "2024"};
	ProgramRun first = Render(args, "a");
	ASSERT_EQ(first.status, 0) << first.err;
	EXPECT_EQ(first.err, "");
	ASSERT_EQ(Render(args, "b").status, 0);
	std::map<std::string, std::string> a = Contents("a");
	ASSERT_EQ(a.size(), 12u);
	EXPECT_EQ(a.begin()->first, "kick-001.wav");
	EXPECT_EQ(a.rbegin()->first, "kick-012.wav");
	EXPECT_TRUE(a == Contents("b"));

	// Every sound of the pack is a different one, and is a sound.
	std::map<std::string, std::string> distinct;
	for (const auto& [name, bytes] : a) {
		EXPECT_TRUE(distinct.emplace(bytes, name).second) << name << " repeats " << distinct[bytes];
		SoundFile sound = read_sound_file(fDir / ("a/" + name));
		ASSERT_TRUE(sound.opened) << name;
		int peak = 0;
		for (int16 sample : sound.samples)
			peak = std::max(peak, std::abs(int(sample)));
		EXPECT_GT(peak, 32767 / 4) << name;  // above -12 dBFS
	}

	// Another seed, another pack; the category may be named as the menus name it.
	ASSERT_EQ(Render({"--random", "Kicks", "--count", "12", "--seed", "2025"}, "c").status, 0);
	std::map<std::string, std::string> c = Contents("c");
	ASSERT_EQ(c.size(), 12u);
	EXPECT_NE(c["kick-001.wav"], a["kick-001.wav"]);
	// One job or several: the same pack.
	ASSERT_EQ(Render({"-j", "3", "--random", "kick", "--count", "12", "--seed", "2024"}, "d").status, 0);
	EXPECT_TRUE(Contents("d") == a);
}

TEST_F(RenderRandom, PresetsBesideTheSoundsRenderToTheSameSounds)
{
	ProgramRun run = Render({"--random", "zap", "--count", "3", "--seed", "7", "--save-preset",
		"-d", "pack/zaps", "-f", "flac"});
	ASSERT_EQ(run.status, 0) << run.err;
	std::map<std::string, std::string> pack = Contents("pack/zaps");
	ASSERT_EQ(pack.size(), 6u);
	for (const char* stem : {"zap-001", "zap-002", "zap-003"}) {
		ASSERT_EQ(pack.count(std::string(stem) + ".tunk"), 1u) << stem;
		PresetParams params;
		ASSERT_EQ(ReadPresetFile((fDir / "pack/zaps/" + stem + ".tunk").c_str(), &params), B_OK);
		run = Render({"-f", "flac", "-o", std::string(stem) + ".flac", "pack/zaps/" + std::string(stem) + ".tunk"});
		ASSERT_EQ(run.status, 0) << run.err;
		EXPECT_EQ(ReadWholeFile(fDir / (std::string(stem) + ".flac")), pack[std::string(stem) + ".flac"])
			<< stem;
	}

	// Settings apply to every random sound.
	run = Render({"--random", "anything", "--count", "2", "--seed", "1", "--set", "duration=50"}, "short");
	ASSERT_EQ(run.status, 0) << run.err;
	for (const auto& [name, bytes] : Contents("short"))
		EXPECT_EQ(read_sound_file(fDir / ("short/" + name)).info.frames, 2205) << name;
}

TEST_F(RenderRandom, WrongRandomCommandLinesExitWithTwo)
{
	for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
			 {"--random", "cowbell"}, {"--random"}, {"--random", "kick", "--count", "0"},
			 {"--random", "kick", "--count", "ten"}, {"--random", "kick", "--seed", "-1x"},
			 {"--random", "kick", "some.tunk"}, {"--random", "kick", "-o", "x.wav"},
			 {"--count", "3"}, {"--seed", "3"}}) {
		ProgramRun run = Render(args, "wrong");
		EXPECT_EQ(run.status, 2) << args.back();
		EXPECT_NE(run.err.find("--help"), std::string::npos) << run.err;
	}
	EXPECT_TRUE(Contents("wrong").empty());
	ProgramRun run = Render({"--random", "cowbell"});
	EXPECT_NE(run.err.find("kick"), std::string::npos) << "the categories are listed: " << run.err;
}
