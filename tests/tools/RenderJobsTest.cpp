// tunk-render as a user at a terminal and a script meet it: parallel rendering, the progress
// line, output folders and names, and standard output as the target. Runs the real program.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "kits/media/SoundFiles.h"
#include "kits/storage/TempDir.h"
#include "preset/PresetRecord.h"
#include "tools/RenderPresets.h"
#include "tools/RunProgram.h"

namespace fs = std::filesystem;

namespace {

class RenderJobs : public ::testing::Test {
protected:
	ProgramRun Render(const std::vector<std::string>& args, Terminal terminal = Terminal::None,
		const std::string& folder = "")
	{
		return RunProgram(TUNK_RENDER_PATH, args, folder.empty() ? fDir.Path() : folder, terminal);
	}

	void WritePreset(const std::string& path, const PresetParams& params)
	{
		ASSERT_EQ(WritePresetFile(path.c_str(), params), B_OK) << path;
	}

	// A folder of presets of several kinds with, among them, faults of every stage: a file that
	// is no preset, a missing one, a sound the engine refuses, an output that cannot be
	// written, and two presets whose sounds would share a name.
	std::vector<std::string> MakeBatch(const std::string& folder)
	{
		fs::create_directories(folder + "/a");
		fs::create_directories(folder + "/out/blocked.wav");  // a folder where a sound would go
		std::vector<std::string> names;
		for (int i = 0; i < 12; i++) {
			const std::string name = "p" + std::to_string(i) + ".tunk";
			WritePreset(folder + "/" + name,
				EveryStagePreset(60.0f + 45.0f * float(i), 40.0f + 23.0f * float(i), 1 + i % 4));
			names.push_back(name);
		}
		std::ofstream(folder + "/junk") << "not a preset at all, but long enough to hold one";
		PresetParams refused = DefaultPresetParams();
		refused.duration = -5.0f;
		WritePreset(folder + "/refused", refused);
		WritePreset(folder + "/blocked", EveryStagePreset(90.0f, 120.0f, 2));
		WritePreset(folder + "/a/p3.tunk", EveryStagePreset(500.0f, 60.0f, 3));
		names.insert(names.begin() + 2, "junk");
		names.insert(names.begin() + 5, "missing");
		names.insert(names.begin() + 7, "refused");
		names.insert(names.begin() + 9, "blocked");
		names.push_back("a/p3.tunk");
		return names;
	}

	TempDir fDir;
};

} // namespace

TEST_F(RenderJobs, EveryJobCountWritesTheSameFilesStatusAndMessages)
{
	std::map<std::string, std::string> reference;
	ProgramRun first;
	for (const char* jobs : {"1", "4", "2", ""}) {
		const std::string folder = fDir / (std::string("j") + jobs);
		std::vector<std::string> args = MakeBatch(folder);
		if (*jobs != '\0')
			args.insert(args.begin(), {"-j", jobs});
		args.insert(args.begin(), {"-d", "out"});
		ProgramRun run = Render(args, Terminal::None, folder);
		std::map<std::string, std::string> files = FolderContents(folder + "/out");
		if (reference.empty()) {
			EXPECT_EQ(run.status, 1);
			EXPECT_EQ(files.size(), 12u);  // the twelve good presets; a/p3 collides with p3
			EXPECT_NE(run.err.find("junk: not a valid Tunk preset"), std::string::npos) << run.err;
			EXPECT_NE(run.err.find("missing: No such file or directory"), std::string::npos);
			EXPECT_NE(run.err.find("refused"), std::string::npos);
			EXPECT_NE(run.err.find("out/blocked.wav: Is a directory"), std::string::npos);
			EXPECT_NE(run.err.find("out/p3.wav: already written"), std::string::npos);
			// Messages come in the order of the presets on the command line.
			EXPECT_LT(run.err.find("junk:"), run.err.find("missing:"));
			EXPECT_LT(run.err.find("missing:"), run.err.find("refused"));
			EXPECT_LT(run.err.find("refused"), run.err.find("blocked.wav:"));
			EXPECT_LT(run.err.find("blocked.wav:"), run.err.find("out/p3.wav:"));
			reference = files;
			first = run;
			continue;
		}
		EXPECT_EQ(run.status, first.status) << "-j " << jobs;
		EXPECT_EQ(run.err, first.err) << "-j " << jobs;
		EXPECT_EQ(run.out, first.out) << "-j " << jobs;
		EXPECT_TRUE(files == reference) << "-j " << jobs;
	}
	const SoundFile sound = read_sound_file(fDir / "j1/out/p11.wav");
	EXPECT_EQ(sound.info.frames, 12922);  // ceil(293 ms * 44.1)
}

TEST_F(RenderJobs, JobCountsMustBePositiveNumbers)
{
	for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
			 {"-j", "0"}, {"-j", "-3"}, {"-j", "many"}, {"-j"}, {"--jobs=2x"}, {"-j", ""}}) {
		ProgramRun run = Render(args);
		EXPECT_EQ(run.status, 2) << args.back();
		EXPECT_NE(run.err.find("--help"), std::string::npos);
	}
	EXPECT_EQ(Render({"--jobs=3", "-o", "a.wav"}).status, 0);
	EXPECT_EQ(Render({"-j2", "-o", "b.wav"}).status, 0);
	EXPECT_EQ(ReadWholeFile(fDir / "a.wav"), ReadWholeFile(fDir / "b.wav"));
}

TEST_F(RenderJobs, ProgressShowsOnlyOnATerminalAndForSeveralSounds)
{
	for (int i = 0; i < 3; i++)
		WritePreset(fDir / ("s" + std::to_string(i)), EveryStagePreset(100.0f, 50.0f, 2));
	std::ofstream(fDir / "junk") << "not a preset at all, but long enough to hold one";

	ProgramRun run = Render({"-j", "1", "s0", "s1", "s2"}, Terminal::Err);
	EXPECT_EQ(run.status, 0) << run.err;
	const size_t one = run.err.find("1 of 3");
	const size_t two = run.err.find("2 of 3");
	const size_t three = run.err.find("3 of 3");
	ASSERT_NE(one, std::string::npos) << run.err;
	ASSERT_NE(two, std::string::npos) << run.err;
	ASSERT_NE(three, std::string::npos) << run.err;
	EXPECT_LT(one, two);
	EXPECT_LT(two, three);

	// A failure's message stays readable among the progress, and failures count as done.
	run = Render({"-d", "o", "s0", "junk", "s2"}, Terminal::Err);
	EXPECT_EQ(run.status, 1);
	const size_t message = run.err.find("tunk-render: junk: not a valid Tunk preset");
	ASSERT_NE(message, std::string::npos) << run.err;
	EXPECT_NE(run.err.find("3 of 3", message), std::string::npos) << run.err;

	// Nothing for progress when standard error is a file or a pipe, or for one sound.
	EXPECT_EQ(Render({"-d", "p", "s0", "s1", "s2"}).err, "");
	run = Render({"s1"}, Terminal::Err);
	EXPECT_EQ(run.status, 0);
	EXPECT_EQ(run.err, "");
}

TEST_F(RenderJobs, OutputFolderIsCreatedWithItsParents)
{
	WritePreset(fDir / "kick", EveryStagePreset(70.0f, 300.0f, 1));
	ASSERT_EQ(Render({"-o", "reference.wav", "kick"}).status, 0);

	ProgramRun run = Render({"-d", "packs/deep/kicks", "kick"});
	ASSERT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(ReadWholeFile(fDir / "packs/deep/kicks/kick.wav"), ReadWholeFile(fDir / "reference.wav"));
	ASSERT_EQ(Render({"-d", "packs/deep/kicks", "kick"}).status, 0);  // existing is fine

	// A folder that cannot be made fails every sound with one message, and writes nothing.
	std::ofstream(fDir / "plain") << "a file, not a folder";
	run = Render({"-d", "plain/sub", "kick"});
	EXPECT_EQ(run.status, 1);
	EXPECT_NE(run.err.find("plain/sub: "), std::string::npos) << run.err;
	EXPECT_FALSE(fs::exists(fDir / "plain/sub"));
}

TEST_F(RenderJobs, OutputExtensionsMustNameAFormatUnlessTheFormatIsGiven)
{
	ProgramRun run = Render({"-o", "x.mp3"});
	EXPECT_EQ(run.status, 2);
	EXPECT_NE(run.err.find("x.mp3"), std::string::npos) << run.err;
	EXPECT_NE(run.err.find("--help"), std::string::npos) << run.err;
	EXPECT_FALSE(fs::exists(fDir / "x.mp3"));

	run = Render({"-f", "wav", "-o", "x.mp3"});
	EXPECT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(run.err, "");
	EXPECT_EQ(read_sound_file(fDir / "x.mp3").info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);

	// A name that says one format we write while -f asks for another: written as asked, with a
	// word about it.
	run = Render({"-f", "wav", "-o", "y.flac"});
	EXPECT_EQ(run.status, 0) << run.err;
	EXPECT_NE(run.err.find("y.flac"), std::string::npos) << run.err;
	EXPECT_NE(run.err.find("WAV"), std::string::npos) << run.err;
	EXPECT_EQ(read_sound_file(fDir / "y.flac").info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);

	// Names without an extension stay WAV, as before.
	run = Render({"-o", "plain"});
	EXPECT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(run.err, "");
	EXPECT_EQ(read_sound_file(fDir / "plain").info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
}

TEST_F(RenderJobs, DashWritesTheSoundToStandardOutput)
{
	WritePreset(fDir / "kick", EveryStagePreset(70.0f, 900.0f, 2));  // larger than a pipe's buffer
	ASSERT_EQ(Render({"-o", "reference.wav", "kick"}).status, 0);
	ASSERT_EQ(Render({"-o", "reference.flac", "kick"}).status, 0);

	ProgramRun run = Render({"-o", "-", "kick"});
	ASSERT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(run.err, "");
	EXPECT_EQ(run.out, ReadWholeFile(fDir / "reference.wav"));
	run = Render({"-f", "flac", "kick", "-o", "-"});
	ASSERT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(run.out, ReadWholeFile(fDir / "reference.flac"));

	// A terminal gets no sound data; a preset that fails leaves standard output empty.
	run = Render({"-o", "-", "kick"}, Terminal::Out);
	EXPECT_EQ(run.status, 2);
	EXPECT_EQ(run.out, "");
	EXPECT_NE(run.err.find("terminal"), std::string::npos) << run.err;
	run = Render({"-o", "-", "missing"});
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.out, "");
	EXPECT_FALSE(fs::exists(fDir / "-"));
}
