#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/RenderOptions.h"
#include "preset/PresetRecord.h"

namespace {

ParsedArgs parse(const std::vector<const char*>& args)
{
	std::vector<const char*> argv{"tunk-render"};
	argv.insert(argv.end(), args.begin(), args.end());
	return ParseRenderArgs(int(argv.size()), argv.data());
}

} // namespace

TEST(RenderOptions, NoArgumentsRenderTheDefaultSoundAsWav)
{
	ParsedArgs parsed = parse({});
	ASSERT_TRUE(parsed.ok);
	EXPECT_EQ(parsed.options.action, RenderOptions::Action::Render);
	EXPECT_TRUE(parsed.options.presets.empty());
	EXPECT_EQ(parsed.options.format, "wav");
	EXPECT_EQ(OutputPathFor(parsed.options, ""), "Untitled.wav");
}

TEST(RenderOptions, OptionsTakeSeparateOrInlineValues)
{
	ParsedArgs parsed = parse({"a.tunk", "--output=out.wav", "--save-preset", "p", "--format", "flac"});
	ASSERT_TRUE(parsed.ok) << parsed.error;
	EXPECT_EQ(parsed.options.presets, std::vector<std::string>{"a.tunk"});
	EXPECT_EQ(parsed.options.output, "out.wav");
	EXPECT_EQ(parsed.options.savePreset, "p");
	EXPECT_EQ(parsed.options.format, "flac");  // -f wins over the name's extension

	parsed = parse({"-d", "sounds", "x", "y", "--", "-odd-name"});
	ASSERT_TRUE(parsed.ok) << parsed.error;
	EXPECT_EQ(parsed.options.directory, "sounds");
	EXPECT_EQ(parsed.options.presets, (std::vector<std::string>{"x", "y", "-odd-name"}));

	EXPECT_EQ(parse({"--help", "--bogus"}).options.action, RenderOptions::Action::Help);
	EXPECT_EQ(parse({"-h"}).options.action, RenderOptions::Action::Help);
	EXPECT_EQ(parse({"--version"}).options.action, RenderOptions::Action::Version);
}

TEST(RenderOptions, FormatFollowsTheOutputsExtension)
{
	const std::pair<const char*, const char*> kCases[] = {{"x.FLAC", "flac"}, {"x.aif", "aiff"},
		{"x.aiff", "aiff"}, {"x.oga", "ogg"}, {"x.ogg", "ogg"}, {"x.snd", "wav"}, {"x", "wav"},
		{"dir.flac/x", "wav"}};
	for (auto [output, format] : kCases) {
		ParsedArgs parsed = parse({"-o", output});
		ASSERT_TRUE(parsed.ok) << output;
		EXPECT_EQ(parsed.options.format, format) << output;
		EXPECT_EQ(OutputPathFor(parsed.options, "ignored.tunk"), output);
	}
}

TEST(RenderOptions, SettingsAreParsedStrictly)
{
	ParsedArgs parsed = parse({"--set", "duration=1e3", "--set=oscType=4", "--set",
		"filterEnabled=1", "--set", "amplitude=-0.25", "--set", "duration=12.5"});
	ASSERT_TRUE(parsed.ok) << parsed.error;
	PresetParams params = DefaultPresetParams();
	ApplySettings(parsed.options.settings, &params);
	EXPECT_EQ(params.duration, 12.5f);  // the later setting wins
	EXPECT_EQ(params.oscType, 4);
	EXPECT_EQ(params.filterEnabled, 1);
	EXPECT_EQ(params.amplitude, -0.25f);
	EXPECT_EQ(params.startFreq, 1000.0f);

	for (const char* bad : {"duration=abc", "duration=", "duration= 5", "duration=5 ",
			 "duration=nan", "duration=inf", "duration=1e99", "duration=0x10", "oscType=1.0",
			 "oscType=5", "oscType=0", "filterEnabled=2", "filterEnabled=-1", "reserved=0",
			 "Duration=5", "duration", "=5"}) {
		ParsedArgs result = parse({"--set", bad});
		EXPECT_FALSE(result.ok) << bad;
		EXPECT_FALSE(result.error.empty()) << bad;
	}
	EXPECT_NE(parse({"--set", "duration=abc"}).error.find("duration"), std::string::npos);
}

TEST(RenderOptions, WrongCommandLinesAreRefused)
{
	for (const std::vector<const char*>& args : std::vector<std::vector<const char*>>{{"--bogus"}, {"-x"}, {"-o"},
			 {"--set"}, {"-o", "a.wav", "p1", "p2"}, {"-o", "a.wav", "-d", "dir"},
			 {"-o", "a", "-o", "b"}, {"-f", "wav", "-f", "flac"}, {"-f", "mp3"}, {"-f", "WAV"},
			 {"--save-preset", "s", "p1", "p2"}, {"--output="}, {"-d", ""}}) {
		ParsedArgs result = parse(args);
		EXPECT_FALSE(result.ok) << args[0];
		EXPECT_FALSE(result.error.empty());
	}
	EXPECT_NE(parse({"--bogus"}).error.find("--bogus"), std::string::npos);
}

TEST(RenderOptions, OutputNamesComeFromThePresets)
{
	RenderOptions options;
	options.format = "flac";
	EXPECT_EQ(OutputPathFor(options, "kicks/deep kick.tunk"), "deep kick.flac");
	EXPECT_EQ(OutputPathFor(options, "kick1"), "kick1.flac");
	EXPECT_EQ(OutputPathFor(options, "a.b.c"), "a.b.flac");
	EXPECT_EQ(OutputPathFor(options, ".hidden"), ".hidden.flac");
	EXPECT_EQ(OutputPathFor(options, "dir.v2/kick"), "kick.flac");
	options.directory = "out";
	EXPECT_EQ(OutputPathFor(options, "kick1"), "out/kick1.flac");
	options.directory = "/tmp/";
	EXPECT_EQ(OutputPathFor(options, ""), "/tmp/Untitled.flac");
}
