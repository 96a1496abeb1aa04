// The kit file: a kit goes through its text and back bit for bit, keys of a newer Tunk stay,
// values beyond the window's ranges are kept as given, and damaged or hostile files are
// refused with words for the user, leaving the kit as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <bit>
#include <fstream>
#include <limits>
#include <random>
#include <string>

#include "engine/core/Render.h"
#include "kits/storage/MimeType.h"
#include "kits/storage/StorageDefs.h"
#include "kits/storage/TempDir.h"
#include "kit/Pattern.h"
#include "preset/KitFile.h"
#include "preset/PresetRecord.h"

namespace {

// Every parameter of every pad away from its default with odd bits, within its range.
Kit OddKit()
{
	std::mt19937 random(20);
	Kit kit;
	kit.name = "Ünïcode \"quoted\" \\ kit\n";
	for (size_t i = 0; i < kMaxPads; i++) {
		Pad pad;
		pad.name = "Pad \t" + std::to_string(i);
		if (i % 2 == 0)
			pad.soundName = "Sound \"" + std::to_string(i) + "\" ü";
		pad.note = int(i * 8);
		pad.level = kMinPadLevel + (kMaxPadLevel - kMinPadLevel) * std::generate_canonical<float, 24>(random);
		pad.pan = std::generate_canonical<float, 24>(random) * 2 - 1;
		pad.choke = int(i % (kChokeGroups + 1));
		pad.output = i % 3 == 0 ? PadOutput::Own : PadOutput::Main;
		for (const tunk::ParamInfo& info : tunk::kParams) {
			float v;
			if (info.kind == tunk::ParamKind::Number)
				v = info.min + (info.max - info.min) * std::generate_canonical<float, 24>(random);
			else
				v = info.min + float(random() % uint32_t(info.max - info.min + 1));
			pad.sound[info.id] = v;
		}
		kit.pads.push_back(pad);
	}
	kit.pads[0].sound[tunk::Param::startFreq] = -0.0f;
	kit.pads[1].sound[tunk::Param::filterQ] = std::nextafter(4.0f, 0.0f);
	kit.pads[2].level = -0.0f;
	// The reserved word of a preset's head, at both ends of its range.
	kit.pads[3].soundReserved = 1;
	kit.pads[4].soundReserved = UINT32_MAX;
	return kit;
}

void ExpectSameBits(const Kit& a, const Kit& b)
{
	EXPECT_EQ(a.name, b.name);
	ASSERT_EQ(a.pads.size(), b.pads.size());
	for (size_t i = 0; i < a.pads.size(); i++) {
		const Pad& p = a.pads[i];
		const Pad& q = b.pads[i];
		EXPECT_EQ(p.name, q.name);
		EXPECT_EQ(p.note, q.note);
		EXPECT_EQ(std::bit_cast<uint32_t>(p.level), std::bit_cast<uint32_t>(q.level)) << i;
		EXPECT_EQ(std::bit_cast<uint32_t>(p.pan), std::bit_cast<uint32_t>(q.pan)) << i;
		EXPECT_EQ(p.choke, q.choke);
		EXPECT_EQ(p.output, q.output);
		for (const tunk::ParamInfo& info : tunk::kParams) {
			EXPECT_EQ(std::bit_cast<uint32_t>(p.sound[info.id]), std::bit_cast<uint32_t>(q.sound[info.id]))
				<< "pad " << i << " " << info.symbol;
		}
		EXPECT_EQ(p.unknown, q.unknown);
		EXPECT_EQ(p.soundUnknown, q.soundUnknown);
		EXPECT_EQ(p.soundReserved, q.soundReserved) << i;
		EXPECT_EQ(p.soundName, q.soundName) << i;
	}
	EXPECT_EQ(a.unknown, b.unknown);
	EXPECT_EQ(std::bit_cast<uint32_t>(a.tempo), std::bit_cast<uint32_t>(b.tempo));
	EXPECT_EQ(a.chain, b.chain);
	ASSERT_EQ(a.patterns.size(), b.patterns.size());
	for (size_t i = 0; i < a.patterns.size(); i++) {
		EXPECT_EQ(std::bit_cast<uint32_t>(a.patterns[i].swing), std::bit_cast<uint32_t>(b.patterns[i].swing));
		EXPECT_EQ(a.patterns[i], b.patterns[i]) << "pattern " << i;
	}
}

Kit Decoded(const std::string& text, KitRead* read = nullptr)
{
	Kit kit;
	KitRead r = DecodeKit(text, &kit);
	EXPECT_TRUE(r.Ok()) << r.error;
	if (read)
		*read = r;
	return kit;
}

std::string Slurp(const std::string& path)
{
	std::ifstream in(path, std::ios::binary);
	return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(KitFile, EveryValueOfEveryPadComesBackBitForBit)
{
	const Kit kit = OddKit();
	const std::string text = EncodeKit(kit);
	KitRead read;
	const Kit back = Decoded(text, &read);
	EXPECT_TRUE(read.messages.empty()) << read.messages.front();
	ExpectSameBits(kit, back);
	EXPECT_EQ(EncodeKit(back), text);

	// The desktop knows the file by its first bytes.
	EXPECT_EQ(text.rfind("{\n  \"tunkKit\": 1,\n", 0), 0u) << text.substr(0, 40);
	// An empty kit is a kit.
	ExpectSameBits(Decoded(EncodeKit(Kit())), Kit());
}

TEST(KitFile, PatternsTempoAndChainComeBackWithTheirStepsAndUnknownKeys)
{
	Kit kit = OddKit();
	kit.tempo = 97.25f;
	for (size_t i = 0; i < kMaxPatterns; i++) {
		Pattern pattern;
		pattern.name = "Pattern " + std::to_string(i);
		pattern.steps = 1 + int(i * 4 % kMaxSteps);
		pattern.stepsPerBeat = kStepRates[i % std::size(kStepRates)];
		pattern.swing = float(i) * 4.7f;
		for (size_t pad = 0; pad < kMaxPads; pad++) {
			for (size_t step = 0; step < size_t(kMaxSteps); step++) {
				if ((pad * 7 + step * 3 + i) % 5 == 0)
					pattern.lanes[pad][step] = {uint8_t(1 + (pad + step) % 127), uint8_t((step * 13) % 101)};
			}
		}
		kit.patterns.push_back(pattern);
	}
	// Steps beyond a short pattern's length are kept, and an empty lane between full ones.
	kit.patterns[0].lanes[3] = {};
	kit.patterns[0].lanes[2][kMaxSteps - 1] = {127, 100};
	kit.patterns[1].unknown["fill"] = R"({"every":4})";
	kit.chain = {0, 0, 15, 3};
	const std::string text = EncodeKit(kit);
	ExpectSameBits(Decoded(text), kit);
	EXPECT_TRUE(SameBits(Decoded(text), kit));
	EXPECT_EQ(EncodeKit(Decoded(text)), text);
	for (auto change : {+[](Kit* k) { k->patterns[3].lanes[2][5].probability ^= 1; },
	         +[](Kit* k) { k->patterns[3].swing = -k->patterns[3].swing; },
	         +[](Kit* k) { k->chain.pop_back(); }, +[](Kit* k) { k->tempo = std::nextafter(k->tempo, 0.0f); }}) {
		Kit other = kit;
		change(&other);
		EXPECT_FALSE(SameBits(other, kit));
	}
	EXPECT_NE(text.find("\n  \"chain\": [1,1,16,4],\n"), std::string::npos);

	// A kit without patterns is written as it was before kits had any.
	EXPECT_EQ(EncodeKit(OddKit()).find("tempo"), std::string::npos);
	EXPECT_EQ(Decoded(R"({"tunkKit": 1, "pads": []})").tempo, 120.0f);
	// Left-out values of a pattern are a new pattern's; a tempo beyond the range is kept.
	const Kit sparse = Decoded(R"({"tunkKit": 1, "pads": [], "tempo": 900,
		"patterns": [{"velocity": [[], [0, 90]], "probability": [[], [100, 25]]}]})");
	ASSERT_EQ(sparse.patterns.size(), 1u);
	Pattern expected;
	expected.lanes[1][1] = {90, 25};
	EXPECT_EQ(sparse.patterns[0], expected);
	EXPECT_EQ(sparse.tempo, 900.0f);
	EXPECT_EQ(PlayedTempo(sparse.tempo), kMaxTempo);
}

TEST(KitFile, KeysOfANewerTunkAreKeptAndMentionedOnce)
{
	const std::string text = R"({"tunkKit": 1, "name": "K", "groove": [120, {"x": null}],
		"pads": [{"note": 38, "sound": {"startFreq": 200, "warp": 0.5, "noiseLevel": 1},
		          "colour": "#ff0000", "warp": 1}]})";
	KitRead read;
	const Kit kit = Decoded(text, &read);
	ASSERT_EQ(kit.pads.size(), 1u);
	EXPECT_EQ(kit.unknown.at("groove"), R"([120,{"x":null}])");
	EXPECT_EQ(kit.pads[0].unknown.at("colour"), R"("#ff0000")");
	EXPECT_EQ(kit.pads[0].soundUnknown.at("warp"), "0.5");
	EXPECT_EQ(kit.pads[0].sound[tunk::Param::noiseLevel], 1.0f);
	ASSERT_EQ(read.messages.size(), 1u);
	EXPECT_EQ(read.messages[0], "Values from a newer version of Tunk are kept as they are: colour, groove, warp.");

	// Written back and read again, nothing is lost.
	const Kit again = Decoded(EncodeKit(kit));
	ExpectSameBits(kit, again);

	// Nor is a newer format's version lowered.
	KitRead newer;
	const Kit two = Decoded(R"({"tunkKit": 2, "pads": [{"note": 36}]})", &newer);
	ASSERT_EQ(newer.messages.size(), 1u);
	EXPECT_NE(newer.messages[0].find("newer version of Tunk (format 2)"), std::string::npos);
	EXPECT_EQ(EncodeKit(two).rfind("{\n  \"tunkKit\": 2,\n", 0), 0u) << EncodeKit(two);
	ExpectSameBits(Decoded(EncodeKit(two)), two);

	// A sound's name that is no text is refused, as a pad's name is.
	Kit untouched;
	EXPECT_FALSE(DecodeKit(R"({"tunkKit": 1, "pads": [{"note": 36, "soundName": 5}]})", &untouched).Ok());

	// A "reserved" that is no reserved word (a newer Tunk's own) stays a kept value.
	const Kit odd = Decoded(R"({"tunkKit": 1, "pads": [{"note": 36, "sound": {"reserved": -1}},
		{"note": 37, "sound": {"reserved": 4294967295}}]})");
	EXPECT_EQ(odd.pads[0].soundReserved, 0u);
	EXPECT_EQ(odd.pads[0].soundUnknown.at("reserved"), "-1");
	EXPECT_EQ(odd.pads[1].soundReserved, UINT32_MAX);
	EXPECT_TRUE(odd.pads[1].soundUnknown.empty());
}

TEST(KitFile, LeftOutValuesTakeANewPadsAndValuesBeyondTheirRangeAreKeptAsGiven)
{
	KitRead read;
	const Kit kit = Decoded(R"({"tunkKit": 1, "pads": [{"note": 42},
		{"name": "Loud", "note": 0, "level": 40, "pan": -3, "choke": 8, "output": "own",
		 "sound": {"startFreq": 99999, "filterEnabled": 0.5, "clapCount": 1e30,
		           "duration": 10000, "noiseDecay": 20000}}]})",
		&read);
	ASSERT_EQ(kit.pads.size(), 2u);
	EXPECT_EQ(kit.name, "");
	const Pad fresh;
	EXPECT_EQ(kit.pads[0].name, "");
	EXPECT_EQ(kit.pads[0].note, 42);
	EXPECT_EQ(kit.pads[0].level, fresh.level);
	EXPECT_EQ(kit.pads[0].pan, fresh.pan);
	EXPECT_EQ(kit.pads[0].choke, 0);
	EXPECT_EQ(kit.pads[0].output, PadOutput::Main);
	EXPECT_TRUE(tunk::SameBits(kit.pads[0].sound, tunk::SoundParams()));

	// Where it plays, the pad counts as 12 dB and all left; the file keeps what it said.
	const Pad& loud = kit.pads[1];
	EXPECT_EQ(loud.level, 40);
	EXPECT_EQ(loud.pan, -3);
	EXPECT_EQ(loud.choke, 8);
	EXPECT_EQ(loud.output, PadOutput::Own);
	EXPECT_EQ(loud.sound[tunk::Param::startFreq], 99999);
	EXPECT_EQ(loud.sound[tunk::Param::filterEnabled], 0.5f);
	EXPECT_EQ(loud.sound[tunk::Param::clapCount], 1e30f);
	EXPECT_EQ(loud.sound[tunk::Param::duration], 10000);
	EXPECT_EQ(loud.sound[tunk::Param::noiseDecay], 20000);
	EXPECT_TRUE(read.messages.empty()) << read.messages.front();
	ExpectSameBits(Decoded(EncodeKit(kit)), kit);

	// What JSON cannot hold is written as a value that plays the same.
	Kit odd = kit;
	odd.pads[0].level = INFINITY;
	odd.pads[0].pan = -INFINITY;
	odd.pads[1].level = -INFINITY;
	odd.pads[1].pan = NAN;
	odd.pads[0].sound[tunk::Param::startFreq] = INFINITY;  // from a preset's record
	odd.pads[0].sound[tunk::Param::filterEnabled] = 1;
	odd.pads[0].sound[tunk::Param::filterCutoff] = -INFINITY;
	const Kit back = Decoded(EncodeKit(odd));
	for (size_t i = 0; i < odd.pads.size(); i++) {
		EXPECT_EQ(LevelGain(back.pads[i].level), LevelGain(odd.pads[i].level)) << i;
		EXPECT_EQ(PanGains(back.pads[i].pan), PanGains(odd.pads[i].pan)) << i;
	}
	std::vector<int16_t> infinite;
	std::vector<int16_t> written;
	ASSERT_EQ(tunk::Render(odd.pads[0].sound, &infinite), tunk::RenderStatus::Ok);
	ASSERT_EQ(tunk::Render(back.pads[0].sound, &written), tunk::RenderStatus::Ok);
	EXPECT_EQ(back.pads[0].sound[tunk::Param::startFreq], std::numeric_limits<float>::max());
	EXPECT_TRUE(infinite == written);
}

TEST(KitFile, DamagedAndHostileTextIsRefusedWithWordsAndChangesNothing)
{
	const std::string pad = R"({"note": 36})";
	std::string seventeen = R"({"tunkKit": 1, "pads": [)";
	for (int i = 0; i < 17; i++)
		seventeen += (i ? "," : "") + pad;
	seventeen += "]}";
	std::string deep = R"({"tunkKit": 1, "pads": [], "x": )" + std::string(5000, '[')
		+ std::string(5000, ']') + "}";
	std::string huge = R"({"tunkKit": 1, "name": ")" + std::string(kKitFileLimit, 'a') + R"(", "pads": []})";
	// The bounds that keep any text under the size limit quick to read.
	const auto object = [](size_t keys, bool sameKey) {
		std::string text = "{";
		for (size_t i = 0; i < keys; i++)
			text += (i ? ",\"k" : "\"k") + (sameKey ? "" : std::to_string(i)) + "\":0";
		return text + "}";
	};
	std::string manyKeys = R"({"tunkKit": 1, "pads": [], "x": [)";
	for (int i = 0; i < 129; i++)
		manyKeys += (i ? "," : "") + object(255, false);
	manyKeys += "]}";
	std::string manyValues = R"({"tunkKit": 1, "pads": [], "x": [0)";
	for (int i = 0; i < 65536; i++)
		manyValues += ",0";
	manyValues += "]}";

	std::string seventeenPatterns = R"({"tunkKit": 1, "pads": [], "patterns": [{})";
	for (int i = 1; i < 17; i++)
		seventeenPatterns += ",{}";
	seventeenPatterns += "]}";
	std::string longLane = R"({"tunkKit": 1, "pads": [], "patterns": [{"velocity": [[0)";
	for (int i = 1; i <= kMaxSteps; i++)
		longLane += ",0";
	longLane += "]]}]}";

	const struct {
		std::string text;
		const char* says;
	} cases[] = {
		{"", "not well-formed JSON"},
		{"T0NK", "not well-formed JSON at byte 1"},
		{R"({"tunkKit": 1, "pads": [{"note": 3)", "cut short"},
		{R"({"tunkKit": 1, "pads": [{"note": NaN}]})", "not well-formed JSON"},
		{"[1, 2]", "no \"tunkKit\" version"},
		{R"({"name": "x", "pads": []})", "no \"tunkKit\" version"},
		{R"({"tunkKit": "1", "pads": []})", "no \"tunkKit\" version"},
		{R"({"tunkKit": 0, "pads": []})", "no \"tunkKit\" version"},
		{R"({"tunkKit": 1, "name": 7, "pads": []})", "the kit's name is not text"},
		{R"({"tunkKit": 1})", "the kit has no \"pads\""},
		{R"({"tunkKit": 1, "pads": {"note": 36}})", "\"pads\" is not a list"},
		{seventeen, "the kit has 17 pads; a kit has at most 16"},
		{R"({"tunkKit": 1, "pads": [36]})", "pad 1 is not a list of named values"},
		{R"({"tunkKit": 1, "pads": [{"name": "Kick"}]})", "pad 1 (Kick) has no note"},
		{R"({"tunkKit": 1, "pads": [{"note": 36}, {"note": 128}]})", "the note of pad 2 is no MIDI note"},
		{R"({"tunkKit": 1, "pads": [{"note": -1}]})", "no MIDI note"},
		{R"({"tunkKit": 1, "pads": [{"note": 36.5}]})", "no MIDI note"},
		{R"({"tunkKit": 1, "pads": [{"note": "36"}]})", "no MIDI note"},
		{R"({"tunkKit": 1, "pads": [{"note": 1e300}]})", "no MIDI note"},
		{R"({"tunkKit": 1, "pads": [{"note": 36, "choke": 9}]})", "choke group of pad 1"},
		{R"({"tunkKit": 1, "pads": [{"note": 36, "level": "loud"}]})", "the level of pad 1 is no number"},
		{R"({"tunkKit": 1, "pads": [{"note": 36, "output": "left"}]})", "neither \"main\" nor \"own\""},
		{R"({"tunkKit": 1, "pads": [{"name": 3, "note": 36}]})", "the name of pad 1 is not text"},
		{R"({"tunkKit": 1, "pads": [{"note": 36, "sound": [1]}]})", "the sound of pad 1 is not a list"},
		{R"({"tunkKit": 1, "pads": [{"note": 36, "sound": {"duration": "long"}}]})",
			"the sound of pad 1: the value of duration is no number"},
		{R"({"tunkKit": 1, "pads": [{"note": 36, "sound": {"duration": 1e999}}]})",
			"a number too large to read"},
		{R"({"tunkKit": 1, "pads": [{"note": 36, "sound": {"duration": 1e39}}]})",
			"the sound of pad 1: the value of duration (1e+39) is too large"},
		{R"({"tunkKit": 1, "pads": [{"note": 36, "level": -1e300}]})",
			"the level of pad 1 (-1e+300) is too large"},
		{R"({"tunkKit": 1, "pads": [{"note": 36, "pan": 1e40}]})", "the pan of pad 1 (1e+40) is too large"},
		{R"({"tunkKit": 1, "pads": [], "x": )" + object(257, false) + "}",
			"not a Tunk kit (an object holds more than 256 keys)"},
		{R"({"tunkKit": 1, "pads": [], "x": )" + object(257, true) + "}", "more than 256 keys"},
		{manyKeys, "not a Tunk kit (more than 32768 keys)"},
		{manyValues, "not a Tunk kit (more than 65536 values)"},
		{deep, "nested too deeply"},
		{R"({"tunkKit": 1, "pads": [], "name": ")" + std::string(kKitNameLimit + 1, 'n') + "\"}",
			"the kit's name is longer than 1024 bytes"},
		{R"({"tunkKit": 1, "pads": [{"note": 1, "name": ")" + std::string(kKitNameLimit + 1, 'n') + "\"}]}",
			"the name of pad 1 is longer than 1024 bytes"},
		{R"({"tunkKit": 1, "pads": [{"note": 1, "x": ")" + std::string(kKitUnknownLimit, 'x') + "\"}]}",
			"more than 64 kB of values this version of Tunk does not know"},
		{huge, "too large"},
		{R"({"tunkKit": 1, "pads": [], "patterns": {}})", "\"patterns\" is not a list of at most 16"},
		{seventeenPatterns, "at most 16 patterns"},
		{R"({"tunkKit": 1, "pads": [], "patterns": [{}, {"name": "B", "steps": 65}]})",
			"the length of pattern 2 (B) is no whole number of steps from 1 to 64"},
		{R"({"tunkKit": 1, "pads": [], "patterns": [{"steps": 0}]})", "the length of pattern 1"},
		{R"({"tunkKit": 1, "pads": [], "patterns": [{"stepsPerBeat": 5}]})",
			"the steps per beat of pattern 1 are none of 2, 3, 4, 6 and 8"},
		{R"({"tunkKit": 1, "pads": [], "patterns": [{"swing": "lots"}]})", "the swing of pattern 1 is no number"},
		{R"({"tunkKit": 1, "pads": [], "patterns": [{"velocity": [[128]]}]})",
			"the velocities of pattern 1 of pad 1 has a step that is no whole number from 0 to 127"},
		{R"({"tunkKit": 1, "pads": [], "patterns": [{"velocity": [[], [], [0.5]]}]})", "of pad 3 has a step"},
		{R"({"tunkKit": 1, "pads": [], "patterns": [{"probability": [[101]]}]})",
			"the probabilities of pattern 1 of pad 1 has a step that is no whole number from 0 to 100"},
		{longLane, "the velocities of pattern 1 of pad 1 is not a list of at most 64 steps"},
		{R"({"tunkKit": 1, "pads": [], "patterns": [{"velocity": [[], [], [], [], [], [], [], [], [], [],
			[], [], [], [], [], [], []]}]})", "is not a list of at most 16 lists"},
		{R"({"tunkKit": 1, "pads": [], "tempo": "fast"})", "the kit's tempo is no number"},
		{R"({"tunkKit": 1, "pads": [], "patterns": [{}], "chain": [1, 2]})",
			"the kit's chain names a pattern it does not have (patterns are numbered 1 to 1)"},
		{R"({"tunkKit": 1, "pads": [], "chain": [1]})", "the kit's chain names patterns, but the kit has none"},
		{R"({"tunkKit": 1, "pads": [], "patterns": [{}], "chain": 1})", "\"chain\" is not a list"},
		{std::string("{\"tunkKit\": 1, \"name\": \"\xff\", \"pads\": []}"), "not well-formed JSON"},
	};
	for (const auto& c : cases) {
		Kit kit = NewKit("Before");
		const KitRead read = DecodeKit(c.text, &kit);
		EXPECT_FALSE(read.Ok()) << c.text.substr(0, 80);
		EXPECT_NE(read.error.find(c.says), std::string::npos)
			<< c.text.substr(0, 80) << "\nsaid: " << read.error;
		EXPECT_EQ(kit, NewKit("Before")) << c.text.substr(0, 80);
	}
}

TEST(KitFile, FilesAreWrittenWholeTypedAndReadBack)
{
	TempDir dir;
	const Kit kit = OddKit();
	const std::string path = dir / "odd.tunkkit";
	ASSERT_EQ(WriteKitFile(path.c_str(), kit), B_OK);
	Kit back;
	const KitRead read = ReadKitFile(path.c_str(), &back);
	ASSERT_TRUE(read.Ok()) << read.error;
	ExpectSameBits(kit, back);
	char type[64] = {};
	const ssize_t length = getxattr(path.c_str(), "user.mime_type", type, sizeof(type) - 1);
	if (length >= 0)
		EXPECT_STREQ(type, kKitMimeType);
	else
		EXPECT_EQ(errno, ENOTSUP) << "only a file system without attributes may leave it untyped";

	// A save that cannot happen leaves the old file as it was.
	const std::string before = Slurp(path);
	ASSERT_EQ(chmod(dir.Path().c_str(), 0500), 0);
	if (access(dir.Path().c_str(), W_OK) != 0) {  // root writes anyway
		EXPECT_NE(WriteKitFile(path.c_str(), NewKit()), B_OK);
		EXPECT_EQ(Slurp(path), before);
	}
	chmod(dir.Path().c_str(), 0700);
}

TEST(KitFile, FilesThatAreNoKitsAreRefusedWithoutWaiting)
{
	TempDir dir;
	Kit kit = NewKit();
	EXPECT_NE(ReadKitFile((dir / "missing.tunkkit").c_str(), &kit).error.find("No such file"),
		std::string::npos);
	EXPECT_EQ(ReadKitFile(dir.Path().c_str(), &kit).error, "is a folder, not a Tunk kit");
	// A pipe with no writer: opening it for reading must not wait for one.
	const std::string fifo = dir / "pipe.tunkkit";
	ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
	EXPECT_EQ(ReadKitFile(fifo.c_str(), &kit).error, "not a file");

	const std::string big = dir / "big.tunkkit";
	std::ofstream(big) << EncodeKit(NewKit()) << std::string(kKitFileLimit, ' ');
	EXPECT_NE(ReadKitFile(big.c_str(), &kit).error.find("too large"), std::string::npos);
	const std::string preset = dir / "sound.tunk";
	std::ofstream(preset) << "T0NK" << std::string(48, '\0');
	EXPECT_NE(ReadKitFile(preset.c_str(), &kit).error.find("not a Tunk kit"), std::string::npos);
	EXPECT_EQ(kit, NewKit());
}

TEST(KitFile, TheRegisteredTypeKnowsKitsByWhatTheWriterPutsFirst)
{
	TempDir data;
	setenv("XDG_DATA_HOME", data.Path().c_str(), 1);
	BMimeType type(kKitMimeType);
	EXPECT_FALSE(type.IsInstalled());
	ASSERT_EQ(RegisterKitType(), B_OK);
	EXPECT_TRUE(type.IsInstalled());
	ASSERT_EQ(RegisterKitType(), B_OK);
	std::string magic;
	int32 offset = -1;
	ASSERT_EQ(type.GetMagic(&magic, &offset), B_OK);
	for (const Kit& kit : {Kit(), NewKit(), OddKit()})
		EXPECT_EQ(EncodeKit(kit).substr(size_t(offset), magic.size()), magic);
	char text[B_MIME_TYPE_LENGTH];
	ASSERT_EQ(type.GetPreferredApp(text), B_OK);
	EXPECT_STREQ(text, kPresetAppSignature);
	wait_for_mime_database();
	unsetenv("XDG_DATA_HOME");
}
