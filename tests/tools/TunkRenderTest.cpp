#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/ApplyPreset.h"
#include "engine/TunkSound.h"
#include "engine/core/Render.h"
#include "kits/media/SoundFiles.h"
#include "kits/storage/TempDir.h"
#include "preset/KitFile.h"
#include "preset/PresetExtension.h"
#include "tools/RenderPresets.h"
#include "tools/RunProgram.h"

namespace {

// The samples the window's engine makes of these parameters.
std::vector<int16> engine_samples(const PresetParams& params)
{
	TunkSound sound;
	ApplyPresetToEngine(params, &sound);
	sound.GenerateSound();
	int64 count = 0;
	const int16* buffer = sound.GetBuffer(&count);
	return std::vector<int16>(buffer, buffer + count);
}

// A kick drum with every stage on.
PresetParams kick()
{
	return EveryStagePreset(180.0f, 450.0f, 2);
}

class TunkRender : public ::testing::Test {
protected:
	// Runs the program in the test's folder.
	ProgramRun Render(const std::vector<std::string>& args)
	{
		return RunProgram(TUNK_RENDER_PATH, args, fDir.Path());
	}

	void WritePreset(const std::string& name, const PresetParams& params)
	{
		ASSERT_EQ(WritePresetFile((fDir / name).c_str(), params), B_OK);
	}

	// Every entry of the folder, sorted.
	std::vector<std::string> Files() const
	{
		std::vector<std::string> names;
		for (const auto& entry : std::filesystem::directory_iterator(fDir.Path()))
			names.push_back(entry.path().filename());
		std::sort(names.begin(), names.end());
		return names;
	}

	TempDir fDir;
};

} // namespace

TEST_F(TunkRender, WithoutPresetsRendersTheDefaultSound)
{
	ProgramRun run = Render({});
	ASSERT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(run.err, "");
	SoundFile sound = read_sound_file(fDir / "Untitled.wav");
	EXPECT_EQ(sound.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
	EXPECT_EQ(sound.info.channels, 1);
	EXPECT_EQ(sound.info.samplerate, 44100);
	ASSERT_EQ(sound.samples.size(), 8820u);
	EXPECT_EQ(sound.samples, engine_samples(DefaultPresetParams()));
}

TEST_F(TunkRender, RendersEachPresetAsTheWindowWould)
{
	WritePreset("kick.tunk", kick());
	PresetParams zap = DefaultPresetParams();
	zap.oscType = 3;
	zap.duration = 80.0f;
	WritePreset("zap", zap);
	std::filesystem::create_directory(fDir / "out");

	ProgramRun run = Render({"-d", "out", "kick.tunk", "zap"});
	ASSERT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(read_sound_file(fDir / "out/kick.wav").samples, engine_samples(kick()));
	EXPECT_EQ(read_sound_file(fDir / "out/zap.wav").samples, engine_samples(zap));

	run = Render({"kick.tunk", "-o", "single.wav"});
	ASSERT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(read_sound_file(fDir / "single.wav").samples, engine_samples(kick()));
}

TEST_F(TunkRender, OtherFormatsCarryTheSameSamples)
{
	WritePreset("kick.tunk", kick());
	const std::vector<int16> expected = engine_samples(kick());
	ASSERT_EQ(Render({"-f", "flac", "kick.tunk"}).status, 0);
	SoundFile flac = read_sound_file(fDir / "kick.flac");
	EXPECT_EQ(flac.info.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
	EXPECT_EQ(flac.samples, expected);

	ASSERT_EQ(Render({"-o", "k.aif", "kick.tunk"}).status, 0);
	SoundFile aiff = read_sound_file(fDir / "k.aif");
	EXPECT_EQ(aiff.info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_AIFF);
	EXPECT_EQ(aiff.samples, expected);

	ASSERT_EQ(Render({"-f", "ogg", "kick.tunk"}).status, 0);
	SoundFile ogg = read_sound_file(fDir / "kick.ogg");
	EXPECT_EQ(ogg.info.format, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
	EXPECT_EQ(ogg.info.frames, int64(expected.size()));
}

TEST_F(TunkRender, SettingsOverrideAndCanBeSavedAsAPreset)
{
	WritePreset("kick.tunk", kick());
	ProgramRun run = Render({"kick.tunk", "--set", "duration=100", "--set", "filterEnabled=0",
		"--set", "oscType=4", "--save-preset", "tweaked"});
	ASSERT_EQ(run.status, 0) << run.err;

	PresetParams expected = kick();
	expected.duration = 100.0f;
	expected.filterEnabled = 0;
	expected.oscType = 4;
	PresetParams saved;
	ASSERT_EQ(ReadPresetFile((fDir / "tweaked").c_str(), &saved), B_OK);
	EXPECT_EQ(EncodePresetRecord(saved), EncodePresetRecord(expected));
	SoundFile sound = read_sound_file(fDir / "kick.wav");
	EXPECT_EQ(sound.samples.size(), 4410u);
	EXPECT_EQ(sound.samples, engine_samples(expected));
}

TEST_F(TunkRender, AddedValuesAreSetSavedAndReadBackWithThePreset)
{
	ProgramRun run = Render({"--set", "noiseLevel=0.5", "--set", "noiseType=3", "--set",
		"clapCount=3", "--set", "freqEnvEnabled=1", "--set", "endFreq=60", "--set",
		"noiseFilter=0", "--save-preset", "layered.tunk", "-o", "a.wav"});
	ASSERT_EQ(run.status, 0) << run.err;
	tunk::SoundParams expected;
	expected[tunk::Param::noiseLevel] = 0.5f;
	expected[tunk::Param::noiseType] = 3;
	expected[tunk::Param::clapCount] = 3;
	expected[tunk::Param::freqEnvEnabled] = 1;
	expected[tunk::Param::endFreq] = 60;
	tunk::SoundParams saved;
	PresetExtras extras;
	std::vector<std::string> notes;
	ASSERT_EQ(ReadPreset((fDir / "layered.tunk").c_str(), &saved, &extras, &notes), B_OK);
	EXPECT_TRUE(tunk::SameBits(saved, expected));
	EXPECT_GT(std::filesystem::file_size(fDir / "layered.tunk"), kPresetRecordSize);
	std::vector<int16_t> rendered;
	ASSERT_EQ(tunk::Render(expected, &rendered), tunk::RenderStatus::Ok);
	EXPECT_EQ(read_sound_file(fDir / "a.wav").samples, rendered);

	ASSERT_EQ(Render({"layered.tunk", "-o", "b.wav"}).status, 0);
	EXPECT_EQ(read_sound_file(fDir / "b.wav").samples, rendered);

	// A newer program's file: its unknown value is kept and said once, the value beyond the
	// window's range kept as given, and its version is not lowered.
	PresetParams record = DefaultPresetParams();
	const int newer = kPresetExtensionVersion + 1;
	const std::string json = "{\"version\":" + std::to_string(newer)
		+ ",\"noiseLevel\":0.5,\"noiseQ\":99,\"shimmer\":0.25}";
	std::vector<uint8> tail(kPresetExtensionMarker, kPresetExtensionMarker + 4);
	tail.insert(tail.end(), json.begin(), json.end());
	ASSERT_EQ(WritePresetFile((fDir / "newer.tunk").c_str(), record, tail), B_OK);
	run = Render({"newer.tunk", "--save-preset", "again.tunk"});
	ASSERT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(run.err, "tunk-render: newer.tunk: Values from a newer version of Tunk are kept as "
					   "they are: shimmer.\n");
	ASSERT_EQ(ReadPreset((fDir / "again.tunk").c_str(), &saved, &extras, &notes), B_OK);
	EXPECT_EQ(extras.unknown.at("shimmer"), "0.25");
	EXPECT_EQ(extras.version, newer);
	EXPECT_EQ(saved[tunk::Param::noiseQ], 99.0f);
}

// A value is kept as given at every door (--set, the preset's record and extension, the kit
// file) and brought into range only where it plays, so a sound plays the same samples
// however many files it went through.
TEST_F(TunkRender, WhatAFileHoldsIsWhatPlaysThroughEveryDoor)
{
	const std::vector<std::vector<std::string>> settings = {
		{"--set", "duration=10000"},
		{"--set", "noiseLevel=1", "--set", "noiseDecay=20000", "--set", "clapCount=12"},
	};
	Kit kit;
	kit.name = "Doors";
	std::vector<std::vector<int16>> played;
	for (size_t i = 0; i < settings.size(); i++) {
		const std::string name = "sound" + std::to_string(i);
		std::vector<std::string> args = settings[i];
		args.insert(args.end(), {"--save-preset", name + ".tunk", "-o", name + "-set.wav"});
		ProgramRun run = Render(args);
		ASSERT_EQ(run.status, 0) << run.err;
		played.push_back(read_sound_file(fDir / (name + "-set.wav")).samples);
		run = Render({name + ".tunk", "-o", name + "-preset.wav"});
		ASSERT_EQ(run.status, 0) << run.err;
		EXPECT_EQ(run.err, "");
		EXPECT_EQ(read_sound_file(fDir / (name + "-preset.wav")).samples, played.back()) << name;

		Pad pad;
		pad.name = name;
		PresetExtras extras;
		std::vector<std::string> notes;
		ASSERT_EQ(ReadPreset((fDir / (name + ".tunk")).c_str(), &pad.sound, &extras, &notes), B_OK);
		kit.pads.push_back(pad);
	}
	EXPECT_EQ(played[0].size(), size_t(10 * tunk::kSampleRate));
	kit.pads[0].level = 40;  // plays as the highest level, 12 dB
	ASSERT_EQ(WriteKitFile((fDir / "doors.tunkkit").c_str(), kit), B_OK);
	const ProgramRun run = Render({"--kit", "doors.tunkkit", "-d", "pack"});
	ASSERT_EQ(run.status, 0) << run.err;
	EXPECT_EQ(run.err, "");
	for (size_t i = 0; i < kit.pads.size(); i++) {
		EXPECT_EQ(read_sound_file(fDir / ("pack/" + kit.pads[i].name + ".wav")).samples, played[i])
			<< kit.pads[i].name;
	}
	std::ifstream sfz(fDir / "pack/Doors.sfz");
	const std::string text(std::istreambuf_iterator<char>(sfz), {});
	EXPECT_NE(text.find("volume=12.00\n"), std::string::npos) << text;
}

TEST_F(TunkRender, BadInputsAreNamedWhileTheOthersRender)
{
	WritePreset("good", kick());
	std::ofstream(fDir / "bad") << "not a preset at all, but long enough to hold one";
	ProgramRun run = Render({"bad", "missing", "good"});
	EXPECT_EQ(run.status, 1);
	EXPECT_NE(run.err.find("bad: not a valid Tunk preset"), std::string::npos) << run.err;
	EXPECT_NE(run.err.find("missing: No such file or directory"), std::string::npos) << run.err;
	EXPECT_EQ(read_sound_file(fDir / "good.wav").samples, engine_samples(kick()));
	EXPECT_EQ(Files(), (std::vector<std::string>{"bad", "good", "good.wav"}));
}

TEST_F(TunkRender, OutputsThatCannotBeWrittenFail)
{
	ProgramRun run = Render({"-o", "no/such/dir.wav"});
	EXPECT_EQ(run.status, 1);
	EXPECT_NE(run.err.find("no/such/dir.wav"), std::string::npos) << run.err;

	std::filesystem::create_symlink("/dev/full", fDir / "full.wav");
	run = Render({"-o", "full.wav"});
	EXPECT_EQ(run.status, 1);
	EXPECT_NE(run.err.find("No space left on device"), std::string::npos) << run.err;
	EXPECT_TRUE(std::filesystem::is_symlink(fDir / "full.wav"));

	// Beyond a file-size limit: the system's words, and neither the sound nor the pack made.
	Kit kit;
	kit.pads.resize(2);
	kit.pads[1].name = "Long";
	kit.pads[1].sound[tunk::Param::duration] = 3000;
	ASSERT_EQ(WriteKitFile((fDir / "kit.tunkkit").c_str(), kit), B_OK);
	for (const char* output : {"--set duration=3000 -o long.wav", "--kit kit.tunkkit -d pack"}) {
		const std::string command = std::string("ulimit -f 8 && exec \"$0\" ") + output;
		run = RunProgram("/bin/sh", {"-c", command, TUNK_RENDER_PATH}, fDir.Path());
		EXPECT_EQ(run.status, 1) << output;
		EXPECT_NE(run.err.find(": File too large\n"), std::string::npos) << run.err;
	}
	EXPECT_EQ(Files(), (std::vector<std::string>{"full.wav", "kit.tunkkit", "pack"}));
	EXPECT_TRUE(std::filesystem::is_empty(fDir / "pack"));

	// A sound the core refuses to make.
	run = Render({"--set", "duration=-5"});
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(run.err,
		"tunk-render: Untitled.wav: the sound could not be generated: its duration must be 0 "
		"to 600000 ms\n");
	EXPECT_FALSE(std::filesystem::exists(fDir / "Untitled.wav"));

	// A sound never replaces a preset of the same run.
	WritePreset("kick.wav", kick());
	run = Render({"kick.wav"});
	EXPECT_EQ(run.status, 1);
	EXPECT_NE(run.err.find("kick.wav: is a preset of this run"), std::string::npos) << run.err;
	PresetParams kept;
	EXPECT_EQ(ReadPresetFile((fDir / "kick.wav").c_str(), &kept), B_OK);
	std::filesystem::remove(fDir / "kick.wav");

	// Two presets of the same name would overwrite each other's sound.
	std::filesystem::create_directory(fDir / "a");
	WritePreset("a/kick", kick());
	WritePreset("kick", DefaultPresetParams());
	run = Render({"a/kick", "kick"});
	EXPECT_EQ(run.status, 1);
	EXPECT_EQ(read_sound_file(fDir / "kick.wav").samples, engine_samples(kick()));
}

TEST_F(TunkRender, WrongCommandLinesExitWithTwoAndWriteNothing)
{
	for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
			 {"--bogus"}, {"--set", "duration=loud"}, {"--set", "oscType=9"}, {"-f", "mp3"},
			 {"-o", "a.wav", "p1", "p2"}, {"-o"}}) {
		ProgramRun run = Render(args);
		EXPECT_EQ(run.status, 2) << args[0];
		EXPECT_NE(run.err.find("tunk-render: "), std::string::npos);
		EXPECT_NE(run.err.find("--help"), std::string::npos);
	}
	EXPECT_TRUE(Files().empty());
}

TEST_F(TunkRender, HelpAndVersion)
{
	ProgramRun run = Render({"--help"});
	EXPECT_EQ(run.status, 0);
	EXPECT_EQ(run.out.rfind("Usage: tunk-render", 0), 0u);
	EXPECT_NE(run.out.find("--save-preset"), std::string::npos);
	EXPECT_NE(run.out.find("is kept as given, by --set as by presets\nand kits"), std::string::npos);
	run = Render({"--version"});
	EXPECT_EQ(run.status, 0);
	EXPECT_EQ(run.out.rfind("tunk-render (Tunk) 1.1", 0), 0u);
	EXPECT_TRUE(Files().empty());
}
