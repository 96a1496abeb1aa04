// The preset file's keyed extension: what it writes, what it reads back, and what it does
// with values it does not know, values beyond the window's ranges and damaged or hostile text.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "kits/storage/TempDir.h"
#include "preset/PresetExtension.h"

namespace {

std::vector<uint8_t> Extension(const std::string& json)
{
	std::vector<uint8_t> bytes(kPresetExtensionMarker, kPresetExtensionMarker + 4);
	bytes.insert(bytes.end(), json.begin(), json.end());
	return bytes;
}

struct Decoded {
	tunk::SoundParams params;
	PresetUnknownValues unknown;
	ExtensionRead read;
};

Decoded Decode(const std::vector<uint8_t>& bytes)
{
	Decoded d;
	d.read = DecodePresetExtension(bytes.data(), bytes.size(), &d.params, &d.unknown);
	return d;
}

// Every added parameter away from its default, within its range.
tunk::SoundParams AllAdded()
{
	tunk::SoundParams p;
	for (const tunk::ParamInfo& info : tunk::kParams) {
		if (info.since < 2)
			continue;
		float v = info.def != info.max ? info.max : info.min;
		if (info.kind == tunk::ParamKind::Number)
			v = info.min + (info.max - info.min) * 0.3f;
		p[info.id] = v;
	}
	return p;
}

std::vector<uint8_t> FileBytes(const std::string& path)
{
	std::ifstream in(path, std::ios::binary);
	return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string Text(const std::vector<uint8_t>& bytes)
{
	return std::string(bytes.begin() + 4, bytes.end());
}

}  // namespace

TEST(PresetExtensionTest, OnlyAddedValuesAwayFromTheirDefaultsAreWritten)
{
	// Today's sounds, whatever their first thirteen values, have no extension.
	tunk::SoundParams p;
	p[tunk::Param::startFreq] = 55;
	p[tunk::Param::filterEnabled] = 1;
	EXPECT_TRUE(EncodePresetExtension(p, {}).empty());

	p[tunk::Param::endFreq] = 45;
	p[tunk::Param::noiseLevel] = 0.95f;
	const std::vector<uint8_t> bytes = EncodePresetExtension(p, {});
	ASSERT_FALSE(bytes.empty());
	EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "TNKX");
	EXPECT_EQ(Text(bytes), R"({"version":4,"endFreq":45,"noiseLevel":0.95})");

	// Every added value comes back bit for bit.
	const tunk::SoundParams all = AllAdded();
	const Decoded d = Decode(EncodePresetExtension(all, {}));
	EXPECT_TRUE(d.read.present);
	EXPECT_FALSE(d.read.refused);
	EXPECT_TRUE(d.read.messages.empty());
	EXPECT_TRUE(tunk::SameBits(d.params, all));
}

TEST(PresetExtensionTest, UnknownValuesAreKeptWrittenBackAndMentionedOnce)
{
	const Decoded d = Decode(Extension(
		R"({"version":3,"noiseLevel":0.5,"ringMod":0.25,"sampleName":"snare 1","zone":[1,[2,3]]})"));
	EXPECT_FALSE(d.read.refused);
	EXPECT_EQ(d.params[tunk::Param::noiseLevel], 0.5f);
	ASSERT_EQ(d.unknown.size(), 3u);
	EXPECT_EQ(d.unknown.at("sampleName"), R"("snare 1")");
	ASSERT_EQ(d.read.messages.size(), 1u);
	EXPECT_NE(d.read.messages[0].find("ringMod, sampleName, zone"), std::string::npos);

	// Saved again, with nothing of ours to say, the unknown values still make an extension.
	const Decoded again = Decode(EncodePresetExtension(tunk::SoundParams(), d.unknown));
	EXPECT_EQ(again.unknown, d.unknown);
	EXPECT_EQ(again.params[tunk::Param::noiseLevel], 0.0f);
	// A later value of ours of the same name would not be taken for an unknown one.
	PresetUnknownValues clash = {{"noiseLevel", "7"}, {"version", "9"}};
	EXPECT_TRUE(EncodePresetExtension(tunk::SoundParams(), clash).empty());
}

TEST(PresetExtensionTest, ValuesBeyondTheWindowsRangesAreKeptAsGiven)
{
	const Decoded d = Decode(
		Extension(R"({"version":2,"noiseQ":25,"clapCount":-3,"endFreq":1e30,"noiseDecay":20000})"));
	EXPECT_FALSE(d.read.refused);
	EXPECT_EQ(d.params[tunk::Param::noiseQ], 25.0f);
	EXPECT_EQ(d.params[tunk::Param::clapCount], -3.0f);
	EXPECT_EQ(d.params[tunk::Param::endFreq], 1e30f);
	EXPECT_EQ(d.params[tunk::Param::noiseDecay], 20000.0f);
	EXPECT_TRUE(d.read.messages.empty());
	EXPECT_TRUE(tunk::SameBits(Decode(EncodePresetExtension(d.params, {})).params, d.params));

	// Values JSON cannot hold: an infinity as the largest float of its sign, which plays as it
	// does; a non-number as the default.
	tunk::SoundParams p;
	p[tunk::Param::noiseCutoff] = INFINITY;
	p[tunk::Param::noiseTune] = NAN;
	p[tunk::Param::attack] = 3;
	const Decoded written = Decode(EncodePresetExtension(p, {}));
	EXPECT_FALSE(written.read.refused);
	EXPECT_EQ(written.params[tunk::Param::noiseCutoff], std::numeric_limits<float>::max());
	EXPECT_EQ(written.params[tunk::Param::noiseTune], tunk::Info(tunk::Param::noiseTune).def);
	EXPECT_EQ(written.params[tunk::Param::attack], 3.0f);
}

TEST(PresetExtensionTest, DamagedOrHostileExtensionsLeaveTheToneAlone)
{
	std::string deep = R"({"version":2,"x":)";
	for (int i = 0; i < 100000; i++)
		deep += "[";
	std::string huge = R"({"version":2,"x":")" + std::string(kPresetExtensionLimit, 'a') + R"("})";
	std::string many = R"({"version":2)";
	for (int i = 0; i < 300; i++)
		many += ",\"k" + std::to_string(i) + "\":0";
	many += "}";
	const std::string cases[] = {
		R"({"version":2,"noiseLevel":0.5,"endFreq":4)",         // cut short
		R"({"version":2,"noiseLevel":0.5,"endFreq":"high"})",   // a known value not a number
		R"({"version":2,"noiseLevel":0.5,"endFreq":[45]})",
		R"({"version":2,"noiseLevel":0.5,"endFreq":true})",
		R"({"version":2,"noiseLevel":0.5,"endFreq":null})",
		R"({"version":2,"noiseLevel":0.5,"endFreq":NaN})",
		R"({"version":2,"noiseLevel":0.5,"endFreq":1e39})",      // beyond a float
		R"({"version":2,"noiseLevel":0.5,"endFreq":1e999})",     // beyond a double
		R"({"noiseLevel":0.5})",                                // no version
		R"({"version":"2","noiseLevel":0.5})",
		R"({"version":-1,"noiseLevel":0.5})",
		R"([2,0.5])",
		R"({"version":2,"noiseLevel":0.5,"a":{"b":{"c":{"d":{"e":{"f":{"g":{"h":{"i":1}}}}}}}}})",
		deep,
		huge,
		many,
		std::string("{\"version\":2,\"noiseLevel\":0.5,\"x\":\"\xff\xfe\"}"),  // not UTF-8
		"",
	};
	for (const std::string& json : cases) {
		const Decoded d = Decode(Extension(json));
		EXPECT_TRUE(d.read.present);
		EXPECT_TRUE(d.read.refused) << json.substr(0, 80);
		EXPECT_TRUE(tunk::SameBits(d.params, tunk::SoundParams())) << json.substr(0, 80);
		EXPECT_TRUE(d.unknown.empty());
		ASSERT_EQ(d.read.messages.size(), 1u);
		EXPECT_NE(d.read.messages[0].find("only its tone"), std::string::npos);
	}
	// Bytes after the record without the marker were ignored before there was an
	// extension, and still are.
	for (const std::string& tail : {std::string("TNK"), std::string("garbage after the record")}) {
		const Decoded d = Decode(std::vector<uint8_t>(tail.begin(), tail.end()));
		EXPECT_FALSE(d.read.present);
		EXPECT_TRUE(d.read.messages.empty());
		EXPECT_TRUE(tunk::SameBits(d.params, tunk::SoundParams()));
	}
	// The record's own values in the extension do not override the record.
	const Decoded record = Decode(Extension(R"({"version":2,"startFreq":5,"noiseLevel":0.25})"));
	EXPECT_EQ(record.params[tunk::Param::startFreq], tunk::SoundParams()[tunk::Param::startFreq]);
	EXPECT_EQ(record.params[tunk::Param::noiseLevel], 0.25f);
}

TEST(PresetExtensionFile, TodaysSoundsStayFiftyTwoBytesAndAddedValuesFollowTheRecord)
{
	TempDir dir;
	const std::string plain = dir / "plain.tunk", layered = dir / "layered.tunk";
	tunk::SoundParams p;
	p[tunk::Param::startFreq] = 180;
	const PresetExtras extras{0xA1B2C3D4, {}};
	ASSERT_EQ(WritePreset(plain.c_str(), p, extras), B_OK);
	EXPECT_EQ(std::filesystem::file_size(plain), kPresetRecordSize);

	p[tunk::Param::noiseLevel] = 0.7f;
	p[tunk::Param::clapCount] = 4;
	ASSERT_EQ(WritePreset(layered.c_str(), p, extras), B_OK);
	const auto bytes = FileBytes(layered);
	const auto record = FileBytes(plain);
	ASSERT_GT(bytes.size(), kPresetRecordSize);
	// A reader of the record alone plays the same tone.
	EXPECT_TRUE(std::equal(record.begin(), record.end(), bytes.begin()));

	tunk::SoundParams read;
	PresetExtras readExtras;
	std::vector<std::string> messages;
	ASSERT_EQ(ReadPreset(layered.c_str(), &read, &readExtras, &messages), B_OK);
	EXPECT_TRUE(tunk::SameBits(read, p));
	EXPECT_EQ(readExtras, extras);
	EXPECT_TRUE(messages.empty());
}

TEST(PresetExtensionFile, UnknownValuesSurviveASaveAndDamageLoadsTheToneAlone)
{
	TempDir dir;
	const std::string newer = dir / "newer.tunk";
	tunk::SoundParams tone;
	tone[tunk::Param::duration] = 321;
	PresetParams record = ToPresetParams(tone);
	const int newerVersion = kPresetExtensionVersion + 1;
	const std::string json = "{\"version\":" + std::to_string(newerVersion) + ",\"noiseLevel\":0.5,\"ringMod\":0.25}";
	std::vector<uint8> tail(kPresetExtensionMarker, kPresetExtensionMarker + 4);
	tail.insert(tail.end(), json.begin(), json.end());
	ASSERT_EQ(WritePresetFile(newer.c_str(), record, tail), B_OK);

	tunk::SoundParams read;
	PresetExtras extras;
	std::vector<std::string> messages;
	ASSERT_EQ(ReadPreset(newer.c_str(), &read, &extras, &messages), B_OK);
	EXPECT_EQ(read[tunk::Param::duration], 321.0f);
	EXPECT_EQ(read[tunk::Param::noiseLevel], 0.5f);
	EXPECT_EQ(messages.size(), 1u);
	read[tunk::Param::noiseLevel] = 0;  // the user turns the noise off and saves
	ASSERT_EQ(WritePreset(newer.c_str(), read, extras), B_OK);
	tunk::SoundParams again;
	PresetExtras againExtras;
	messages.clear();
	ASSERT_EQ(ReadPreset(newer.c_str(), &again, &againExtras, &messages), B_OK);
	EXPECT_EQ(againExtras.unknown.at("ringMod"), "0.25");
	EXPECT_EQ(again[tunk::Param::noiseLevel], 0.0f);
	// The newer file keeps its version, also with nothing of ours left to say.
	EXPECT_EQ(againExtras.version, newerVersion);
	const std::vector<uint8_t> saved = FileBytes(newer);
	EXPECT_EQ(std::string(saved.begin() + kPresetRecordSize, saved.end()),
		"TNKX{\"version\":" + std::to_string(newerVersion) + ",\"ringMod\":0.25}");
	EXPECT_EQ(Text(EncodePresetExtension(tunk::SoundParams(), {}, newerVersion)),
		"{\"version\":" + std::to_string(newerVersion) + "}");
	EXPECT_TRUE(EncodePresetExtension(tunk::SoundParams(), {}, 1).empty());

	// Cut short in the middle of the extension: the tone, and a word about the rest.
	const auto whole = FileBytes(newer);
	std::ofstream(newer, std::ios::binary | std::ios::trunc)
		.write(reinterpret_cast<const char*>(whole.data()), std::streamsize(whole.size() - 5));
	messages.clear();
	ASSERT_EQ(ReadPreset(newer.c_str(), &again, &againExtras, &messages), B_OK);
	EXPECT_EQ(again[tunk::Param::duration], 321.0f);
	EXPECT_TRUE(againExtras.unknown.empty());
	ASSERT_EQ(messages.size(), 1u);
	EXPECT_NE(messages[0].find("only its tone"), std::string::npos);
}
