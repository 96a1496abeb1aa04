#include "tools/RenderOptions.h"

#include <cctype>
#include <charconv>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>
#include "audio/SoundFileWriter.h"
#include "engine/core/Params.h"
#include "preset/PresetRecord.h"
#include "preset/Randomize.h"

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
		{"x.aiff", "aiff"}, {"x.oga", "ogg"}, {"x.ogg", "ogg"}, {"x", "wav"},
		{"dir.flac/x", "wav"}, {".hidden", "wav"}, {"-", "wav"}};
	for (auto [output, format] : kCases) {
		ParsedArgs parsed = parse({"-o", output});
		ASSERT_TRUE(parsed.ok) << output;
		EXPECT_EQ(parsed.options.format, format) << output;
		EXPECT_EQ(OutputPathFor(parsed.options, "ignored.tunk"), output);
		EXPECT_TRUE(parsed.warnings.empty()) << output;
	}

	// An extension of no format we write is a mistake unless -f says what to write.
	for (const char* output : {"x.snd", "x.mp3", "dir/x.WAVE"}) {
		ParsedArgs parsed = parse({"-o", output});
		EXPECT_FALSE(parsed.ok) << output;
		EXPECT_NE(parsed.error.find(output), std::string::npos) << parsed.error;
		parsed = parse({"-o", output, "-f", "aiff"});
		ASSERT_TRUE(parsed.ok) << output;
		EXPECT_EQ(parsed.options.format, "aiff");
		EXPECT_TRUE(parsed.warnings.empty()) << output;
	}
	// -f against a name of another format we write: done, with a warning.
	ParsedArgs parsed = parse({"-f", "wav", "-o", "y.flac"});
	ASSERT_TRUE(parsed.ok);
	EXPECT_EQ(parsed.options.format, "wav");
	ASSERT_EQ(parsed.warnings.size(), 1u);
	EXPECT_NE(parsed.warnings[0].find("y.flac"), std::string::npos);
	EXPECT_TRUE(parse({"-f", "aiff", "-o", "y.aif"}).warnings.empty());
}

TEST(RenderOptions, JobsAndRandomPacks)
{
	EXPECT_EQ(parse({}).options.jobs, 0);
	EXPECT_EQ(parse({"-j", "3"}).options.jobs, 3);
	EXPECT_EQ(parse({"-j7"}).options.jobs, 7);
	EXPECT_EQ(parse({"--jobs=2"}).options.jobs, 2);
	for (const std::vector<const char*>& args : std::vector<std::vector<const char*>>{{"-j", "0"},
			 {"-j", "1025"}, {"-j", "2", "-j", "3"}, {"-jx"}, {"--jobs"}}) {
		EXPECT_FALSE(parse(args).ok) << args.back();
	}

	ParsedArgs parsed = parse({"--random", "Zaps and Lasers", "--count", "1000", "--seed",
		"18446744073709551615", "-d", "pack", "--save-preset", "-f", "ogg"});
	ASSERT_TRUE(parsed.ok) << parsed.error;
	const RenderOptions& options = parsed.options;
	EXPECT_EQ(options.random, "zap");
	EXPECT_EQ(options.SoundCount(), 1000u);
	EXPECT_EQ(options.seed, 18446744073709551615ull);
	EXPECT_TRUE(options.presetsBeside);
	EXPECT_TRUE(options.savePreset.empty());
	EXPECT_EQ(RandomOutputPath(options, 0), "pack/zap-0001.ogg");
	EXPECT_EQ(RandomPresetPath(options, 999), "pack/zap-1000.tunk");
	parsed = parse({"--random", "kick"});
	ASSERT_TRUE(parsed.ok);
	EXPECT_EQ(parsed.options.SoundCount(), 1u);
	EXPECT_FALSE(parsed.options.seedGiven);
	EXPECT_EQ(RandomOutputPath(parsed.options, 0), "kick-001.wav");

	// Neighbouring run seeds share no sound seeds.
	std::set<uint64_t> seeds;
	for (uint64_t run = 0; run < 20; run++) {
		for (size_t index = 0; index < 50; index++)
			seeds.insert(RandomSoundSeed(run, index));
	}
	EXPECT_EQ(seeds.size(), 1000u);

	// Without --random, --save-preset still needs its file.
	EXPECT_FALSE(parse({"--save-preset"}).ok);
	EXPECT_FALSE(parse({"--save-preset", "--random"}).ok);
	EXPECT_FALSE(parse({"-o", "--random", "--save-preset"}).ok);
}

TEST(RenderOptions, SettingsAreParsedStrictly)
{
	ParsedArgs parsed = parse({"--set", "duration=1e3", "--set=oscType=4", "--set",
		"filterEnabled=1", "--set", "amplitude=-0.25", "--set", "duration=12.5"});
	ASSERT_TRUE(parsed.ok) << parsed.error;
	tunk::SoundParams params;
	ApplySettings(parsed.options.settings, &params);
	EXPECT_EQ(params[tunk::Param::duration], 12.5f);  // the later setting wins
	EXPECT_EQ(params[tunk::Param::oscType], 4.0f);
	EXPECT_EQ(params[tunk::Param::filterEnabled], 1.0f);
	EXPECT_EQ(params[tunk::Param::amplitude], -0.25f);
	EXPECT_EQ(params[tunk::Param::startFreq], 1000.0f);

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

	// --notes: a kit, one stereo file and notes that are notes.
	for (const std::vector<const char*>& args : std::vector<std::vector<const char*>>{
	         {"--notes", "36@0"}, {"--kit", "k", "--notes", "36@0", "-d", "dir"},
	         {"--kit", "k", "--notes", "36@0"}, {"--kit", "k", "--notes", "36@0", "-o", "-"},
	         {"--kit", "k", "--notes", "36@0", "-o", "a.wav", "p1"}}) {
		EXPECT_FALSE(parse(args).ok) << args.size();
	}
	// A note's velocity and hit shape one sound; a pack's layers a kit's pack.
	for (const std::vector<const char*>& args : std::vector<std::vector<const char*>>{
	         {"--velocity", "0"}, {"--velocity", "128"}, {"--velocity", "64", "--velocity", "64"},
	         {"--hit", "-1"}, {"--hit", "4294967296"}, {"--kit", "k", "-d", "dir", "--velocity", "9"},
	         {"--kit", "k", "--notes", "36@0", "-o", "a.wav", "--hit", "2"}, {"--layers", "2"},
	         {"--kit", "k", "-d", "dir", "--layers", "0"}, {"--kit", "k", "-d", "dir", "--layers", "128"},
	         {"--kit", "k", "-d", "dir", "--round-robins", "65"},
	         {"--kit", "k", "--notes", "36@0", "-o", "a.wav", "--round-robins", "2"}}) {
		EXPECT_FALSE(parse(args).ok) << args[0] << " " << args[1];
	}
	const ParsedArgs note = parse({"--velocity=1", "--hit", "4294967295"});
	ASSERT_TRUE(note.ok) << note.error;
	EXPECT_EQ(note.options.velocity, 1);
	EXPECT_EQ(note.options.hit, 4294967295u);
	const ParsedArgs pack = parse({"--kit", "k", "-d", "dir", "--layers", "127", "--round-robins=64"});
	ASSERT_TRUE(pack.ok) << pack.error;
	EXPECT_EQ(pack.options.layers, 127);
	EXPECT_EQ(pack.options.roundRobins, 64);
	EXPECT_EQ(parse({}).options.velocity, 127);
	EXPECT_EQ(parse({}).options.hit, 0u);

	for (const char* notes : {"", "36", "36@", "@0", "128@0", "36@-1", "36@0:0", "36@0:128",
	         "36@0:", "36@0,", "36:100@0", "36@0x", "36@26460001"}) {
		std::vector<KitEvent> events;
		EXPECT_FALSE(ParseKitNotes(notes, &events).empty()) << notes;
	}
}

TEST(RenderOptions, KitNotesComeInFrameOrderAtTheirVelocities)
{
	const ParsedArgs parsed =
	    parse({"--kit", "k.tunkkit", "--notes", "38@22050:100,36@0,42@22050:1,127@26460000", "-o", "b.flac"});
	ASSERT_TRUE(parsed.ok) << parsed.error;
	EXPECT_EQ(parsed.options.format, "flac");
	const std::vector<KitEvent>& notes = parsed.options.notes;
	ASSERT_EQ(notes.size(), 4u);
	const int keys[] = {36, 38, 42, 127};
	const int64_t frames[] = {0, 22050, 22050, 26460000};
	const int velocities[] = {127, 100, 1, 127};
	for (size_t i = 0; i < notes.size(); i++) {
		EXPECT_EQ(notes[i].kind, KitEvent::kNoteOn);
		EXPECT_EQ(notes[i].key, keys[i]) << i;
		EXPECT_EQ(notes[i].frame, frames[i]) << i;
		EXPECT_EQ(notes[i].velocity, velocities[i]) << i;
		EXPECT_EQ(notes[i].channel, 0);
	}
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

// Each parameter's name reaches its own value, and the record's thirteen its field in the record.
TEST(RenderOptions, EverySettingReachesItsOwnParameter)
{
	for (const tunk::ParamInfo& info : tunk::kParams) {
		const float value = info.kind == tunk::ParamKind::Number   ? -7.5f
		                    : info.kind == tunk::ParamKind::Choice ? 3.0f
		                                                           : 1.0f;
		const std::string setting =
		    std::string(info.symbol) + (info.kind == tunk::ParamKind::Number      ? "=-7.5"
		                                   : info.kind == tunk::ParamKind::Choice ? "=3"
		                                                                          : "=1");
		ParsedArgs parsed = parse({"--set", setting.c_str()});
		ASSERT_TRUE(parsed.ok) << parsed.error;
		tunk::SoundParams params;
		ApplySettings(parsed.options.settings, &params);

		tunk::SoundParams expected;
		expected[info.id] = value;
		EXPECT_TRUE(tunk::SameBits(params, expected)) << setting;
		if (info.since == 1) {
			EXPECT_TRUE(tunk::SameBits(ToSoundParams(ToPresetParams(params)), expected)) << setting;
		}
	}
}

// The help and the format errors list what the tables hold, each line within the help's width.
TEST(RenderOptions, HelpAndErrorsNameEveryFormatAndCategory)
{
	const std::string usage = RenderUsage();
	const std::string unknown = parse({"-f", "xyz"}).error;
	const std::string unnamed = parse({"-o", "a.xyz"}).error;
	for (const SoundFileFormat& format : SoundFileFormats()) {
		EXPECT_NE(usage.find(format.name), std::string::npos) << format.name;
		EXPECT_NE(unknown.find(format.name), std::string::npos) << format.name;
		EXPECT_NE(unnamed.find(format.name), std::string::npos) << format.name;
	}
	EXPECT_NE(usage.find("wav (default), flac, aiff or ogg; without it the\n"), std::string::npos);
	for (const SoundCategoryName& category : SoundCategories())
		EXPECT_NE(usage.find(std::string(" ") + category.key), std::string::npos) << category.key;
	EXPECT_NE(usage.find("kick, tom, zap, blip,\n                         bass, click, snare, clap, "
						 "hat, cymbal, rim, metal or\n                         anything, "),
		std::string::npos);
	for (size_t start = 0, end; (end = usage.find('\n', start)) != std::string::npos; start = end + 1)
		EXPECT_LE(end - start, 83u) << usage.substr(start, end - start);
}

// The help lists every row of the parameter table with its values, default, unit and comment,
// and --set refuses a choice or switch beyond the row's codes.
TEST(RenderOptions, HelpAndSetCoverEveryParameterRow)
{
	const std::string usage = RenderUsage();
	auto shortest = [](float value) {
		char text[32];
		return std::string(text, std::to_chars(text, text + sizeof(text), value).ptr);
	};
	for (const tunk::ParamInfo& info : tunk::kParams) {
		SCOPED_TRACE(info.symbol);
		const size_t at = usage.find("\n  " + std::string(info.symbol) + " ");
		ASSERT_NE(at, std::string::npos);
		// The entry runs to the next line that does not continue it.
		size_t end = at + 1;
		while ((end = usage.find('\n', end + 1)) != std::string::npos &&
		       usage.compare(end + 1, 25, std::string(25, ' ')) == 0) {
		}
		std::string entry = usage.substr(at, end - at);
		for (size_t wrap; (wrap = entry.find("\n" + std::string(25, ' '))) != std::string::npos;)
			entry.replace(wrap, 26, " ");
		EXPECT_NE(entry.find("default " + shortest(info.def)), std::string::npos) << entry;
		EXPECT_NE(entry.find(info.comment), std::string::npos) << entry;
		const std::string past = std::to_string(int(info.max) + 1);
		switch (info.kind) {
			case tunk::ParamKind::Number:
				EXPECT_NE(entry.find(shortest(info.min) + " to " + shortest(info.max) +
				                     (*info.unit != '\0' ? std::string(" ") + info.unit : "")),
				    std::string::npos)
				    << entry;
				break;
			case tunk::ParamKind::Choice:
				for (const char* choice : info.choices) {
					std::string lower(choice);
					for (char& c : lower)
						c = char(std::tolower((unsigned char)c));
					EXPECT_NE(entry.find("(" + lower + ")"), std::string::npos) << entry;
				}
				EXPECT_FALSE(parse({"--set", (std::string(info.symbol) + "=" + past).c_str()}).ok);
				// The codes run from the row's minimum: one below it names no choice.
				EXPECT_FALSE(parse({"--set",
				    (std::string(info.symbol) + "=" + std::to_string(int(info.min) - 1)).c_str()})
				        .ok);
				break;
			case tunk::ParamKind::Switch:
				EXPECT_NE(entry.find("0 (off) or 1 (on)"), std::string::npos) << entry;
				EXPECT_FALSE(parse({"--set", (std::string(info.symbol) + "=" + past).c_str()}).ok);
				break;
		}
	}
}
