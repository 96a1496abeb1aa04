#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/xattr.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "engine/ApplyPreset.h"
#include "engine/TunkSound.h"
#include "engine/core/Render.h"
#include "kits/storage/File.h"
#include "kits/storage/MimeType.h"
#include "kits/storage/NodeInfo.h"
#include "kits/storage/TempDir.h"

namespace {

PresetParams sample_params()
{
	PresetParams params = DefaultPresetParams();
	params.startFreq = 440.0f;
	params.reserved = 0xA1B2C3D4;
	params.duration = 350.5f;
	params.amplitude = 0.5f;
	params.freqEnvelope = -3.25f;
	params.ampEnvelope = 7.0f;
	params.distortion = 4.0f;
	params.filterCutoff = 1200.0f;
	params.filterQ = 2.5f;
	params.oscType = 3;
	params.ampEnvEnabled = 1;
	params.freqEnvEnabled = 0;
	params.distortionEnabled = 1;
	params.filterEnabled = 1;
	return params;
}

std::vector<uint8> file_bytes(const std::string& path)
{
	std::ifstream in(path, std::ios::binary);
	return std::vector<uint8>(std::istreambuf_iterator<char>(in), {});
}

void write_bytes(const std::string& path, const std::vector<uint8>& bytes)
{
	std::ofstream(path, std::ios::binary)
		.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

bool same_bytes(const PresetParams& a, const PresetParams& b)
{
	return std::memcmp(&a, &b, sizeof(a)) == 0;
}

std::vector<int16> render(TunkSound& sound)
{
	sound.GenerateSound();
	int64 count = 0;
	const int16* samples = sound.GetBuffer(&count);
	return std::vector<int16>(samples, samples + count);
}

} // namespace

TEST(PresetRecord, DefaultsAreThoseOfANewSound)
{
	const PresetParams params = DefaultPresetParams();
	EXPECT_EQ(params.startFreq, 1000.0f);
	EXPECT_EQ(params.reserved, 0u);
	EXPECT_EQ(params.duration, 200.0f);
	EXPECT_EQ(params.amplitude, 0.95f);
	EXPECT_EQ(params.freqEnvelope, 1.0f);
	EXPECT_EQ(params.ampEnvelope, 1.0f);
	EXPECT_EQ(params.distortion, 1.0f);
	EXPECT_EQ(params.filterCutoff, 5000.0f);
	EXPECT_EQ(params.filterQ, 1.0f);
	EXPECT_EQ(params.oscType, 1);
	EXPECT_EQ(params.ampEnvEnabled + params.freqEnvEnabled + params.distortionEnabled
			+ params.filterEnabled,
		0);
}

TEST(PresetRecord, ARecordMadeWithoutValuesHoldsTheDefaults)
{
	// Made over bytes that are not zero, as a record on the stack may be.
	alignas(PresetParams) unsigned char storage[sizeof(PresetParams)];
	std::memset(storage, 0xA5, sizeof(storage));
	const PresetParams* made = new (storage) PresetParams;
	uint8 bytes[kPresetParamsSize];
	uint8 defaults[kPresetParamsSize];
	EncodePresetParams(*made, bytes);
	EncodePresetParams(DefaultPresetParams(), defaults);
	EXPECT_EQ(std::memcmp(bytes, defaults, sizeof(bytes)), 0);
	EncodePresetParams(PresetParams(), bytes);
	EXPECT_EQ(std::memcmp(bytes, defaults, sizeof(bytes)), 0);
}

TEST(PresetRecord, EncodesEveryFieldAtItsOffsetLittleEndian)
{
	PresetParams params = DefaultPresetParams();
	params.reserved = 0x01020304;
	params.oscType = -2;
	params.ampEnvEnabled = 1;
	params.filterEnabled = 7;
	const PresetBytes bytes = EncodePresetRecord(params);
	const PresetBytes expected = {
		'T', '0', 'N', 'K', 0, 0, 0, 0,  // magic, terminator, filler
		0x00, 0x00, 0x7A, 0x44,          // 1000.0
		0x04, 0x03, 0x02, 0x01,          // reserved
		0x00, 0x00, 0x48, 0x43,          // 200.0
		0x33, 0x33, 0x73, 0x3F,          // 0.95
		0x00, 0x00, 0x80, 0x3F,          // frequency curve 1.0
		0x00, 0x00, 0x80, 0x3F,          // amplitude curve 1.0
		0x00, 0x00, 0x80, 0x3F,          // distortion 1.0
		0x00, 0x40, 0x9C, 0x45,          // 5000.0
		0x00, 0x00, 0x80, 0x3F,          // resonance 1.0
		0xFE, 0xFF, 0xFF, 0xFF,          // oscillator -2
		1, 0, 0, 7,                      // flags
	};
	EXPECT_EQ(bytes, expected);
}

TEST(PresetRecord, RoundTripKeepsAllFortyFourBytes)
{
	PresetParams params = sample_params();
	params.amplitude = std::bit_cast<float>(0x7FC12345u);  // a NaN with a payload
	PresetParams back;
	const PresetBytes bytes = EncodePresetRecord(params);
	ASSERT_EQ(DecodePresetRecord(bytes.data(), bytes.size(), &back), PresetCheck::Valid);
	EXPECT_TRUE(same_bytes(params, back));

	uint8 body[kPresetParamsSize];
	EncodePresetParams(params, body);
	EXPECT_EQ(std::memcmp(body, bytes.data() + kPresetParamsOffset, sizeof(body)), 0);
	EXPECT_TRUE(same_bytes(DecodePresetParams(body), params));
}

TEST(PresetRecord, OnlyTheMagicAndItsTerminatorDecideValidity)
{
	PresetBytes bytes = EncodePresetRecord(sample_params());
	PresetParams params;

	// The filler may hold anything.
	bytes[5] = 0xAA;
	bytes[6] = 0xBB;
	bytes[7] = 0xCC;
	EXPECT_EQ(DecodePresetRecord(bytes.data(), bytes.size(), &params), PresetCheck::Valid);
	EXPECT_TRUE(same_bytes(params, sample_params()));

	bytes[4] = '!';  // "T0NK" without its terminator
	EXPECT_EQ(DecodePresetRecord(bytes.data(), bytes.size(), &params), PresetCheck::NotValid);
	EXPECT_TRUE(same_bytes(params, DefaultPresetParams()));

	bytes[4] = 0;
	bytes[1] = 'O';  // the letter, not the digit
	EXPECT_EQ(DecodePresetRecord(bytes.data(), bytes.size(), &params), PresetCheck::NotValid);
	EXPECT_EQ(DecodePresetRecord(nullptr, 0, &params), PresetCheck::NotValid);
	// Four bytes "T0NK" read as if the terminator followed: a (mostly zero) preset.
	EXPECT_EQ(DecodePresetRecord("T0NK", 4, &params), PresetCheck::Valid);
	EXPECT_EQ(params.duration, 0.0f);
}

TEST(PresetRecord, ShortRecordsReadZerosBeyondTheirEnd)
{
	const PresetBytes full = EncodePresetRecord(sample_params());
	PresetParams params;
	ASSERT_EQ(DecodePresetRecord(full.data(), 16, &params), PresetCheck::Valid);
	EXPECT_EQ(params.startFreq, 440.0f);
	EXPECT_EQ(params.reserved, 0xA1B2C3D4);
	EXPECT_EQ(params.duration, 0.0f);
	EXPECT_EQ(params.oscType, 0);
	EXPECT_EQ(params.filterEnabled, 0);

	ASSERT_EQ(DecodePresetRecord(full.data(), 5, &params), PresetCheck::Valid);
	EXPECT_EQ(params.startFreq, 0.0f);

	std::vector<uint8> longer(full.begin(), full.end());
	longer.resize(200, 0xFF);
	ASSERT_EQ(DecodePresetRecord(longer.data(), longer.size(), &params), PresetCheck::Valid);
	EXPECT_TRUE(same_bytes(params, sample_params()));
}

TEST(PresetRecord, ApplyGivesTheEngineThePresetsSoundAndTheStartTempo)
{
	PresetParams params = sample_params();
	params.freqEnvEnabled = 2;  // anything but 1 is off
	TunkSound sound;
	sound.SetFreqEnvEnabled(true);
	sound.SetSequencerEnabled(true);
	sound.SetBeatLength(60.0f);
	ApplyPresetToEngine(params, &sound);
	EXPECT_FALSE(sound.IsFreqEnvEnabled());
	EXPECT_EQ(sound.GetBeatLength(), 22050u);
	EXPECT_FALSE(sound.IsSequencerEnabled());

	std::vector<int16_t> expected;
	ASSERT_EQ(tunk::Render(ToSoundParams(params), &expected), tunk::RenderStatus::Ok);
	EXPECT_EQ(render(sound), expected);
}

TEST(PresetRecord, ConvertsToTheCoreParametersAndBack)
{
	PresetParams params = sample_params();
	params.freqEnvEnabled = 2;  // anything but 1 is off
	const tunk::SoundParams p = ToSoundParams(params);
	EXPECT_EQ(p[tunk::Param::startFreq], 440.0f);
	EXPECT_EQ(p[tunk::Param::duration], 350.5f);
	EXPECT_EQ(p[tunk::Param::amplitude], 0.5f);
	EXPECT_EQ(p[tunk::Param::freqEnvelope], -3.25f);
	EXPECT_EQ(p[tunk::Param::ampEnvelope], 7.0f);
	EXPECT_EQ(p[tunk::Param::distortion], 4.0f);
	EXPECT_EQ(p[tunk::Param::filterCutoff], 1200.0f);
	EXPECT_EQ(p[tunk::Param::filterQ], 2.5f);
	EXPECT_EQ(p[tunk::Param::oscType], 3);
	EXPECT_TRUE(p.On(tunk::Param::ampEnvEnabled) && p.On(tunk::Param::distortionEnabled) &&
	            p.On(tunk::Param::filterEnabled));
	EXPECT_FALSE(p.On(tunk::Param::freqEnvEnabled));

	// Back again: flags written as 0 and 1, the reserved field as 0.
	PresetParams expected = sample_params();
	expected.reserved = 0;
	EXPECT_TRUE(same_bytes(ToPresetParams(p), expected));
	EXPECT_EQ(ToSoundParams(DefaultPresetParams()), tunk::SoundParams());
}

class PresetFile : public ::testing::Test {
protected:
	void SetUp() override { setenv("XDG_DATA_HOME", fData.Path().c_str(), 1); }
	void TearDown() override
	{
		wait_for_mime_database();
		unsetenv("XDG_DATA_HOME");
	}

	TempDir fDir;
	TempDir fData;
};

TEST_F(PresetFile, WriteThenReadGivesTheSameParameters)
{
	const std::string path = fDir / "kick1";
	write_bytes(path, std::vector<uint8>(300, 0x55));  // a longer file is replaced whole
	ASSERT_EQ(WritePresetFile(path.c_str(), sample_params()), B_OK);
	const std::vector<uint8> bytes = file_bytes(path);
	const PresetBytes expected = EncodePresetRecord(sample_params());
	EXPECT_EQ(bytes, std::vector<uint8>(expected.begin(), expected.end()));

	PresetParams params;
	ASSERT_EQ(ReadPresetFile(path.c_str(), &params), B_OK);
	EXPECT_TRUE(same_bytes(params, sample_params()));

	char type[64] = {};
	ssize_t length = getxattr(path.c_str(), "user.mime_type", type, sizeof(type));
	EXPECT_EQ(std::string(type, length > 0 ? size_t(length) : 0), "document/tunk-preset");
}

TEST_F(PresetFile, ReadingReportsWhatWentWrong)
{
	PresetParams params = sample_params();
	EXPECT_EQ(ReadPresetFile((fDir / "missing").c_str(), &params), B_ENTRY_NOT_FOUND);
	EXPECT_LT(ReadPresetFile(fDir.Path().c_str(), &params), 0);

	write_bytes(fDir / "empty", {});
	EXPECT_EQ(ReadPresetFile((fDir / "empty").c_str(), &params), B_BAD_DATA);
	EXPECT_TRUE(same_bytes(params, DefaultPresetParams()));

	PresetBytes record = EncodePresetRecord(sample_params());
	write_bytes(fDir / "short", std::vector<uint8>(record.begin(), record.begin() + 12));
	ASSERT_EQ(ReadPresetFile((fDir / "short").c_str(), &params), B_OK);
	EXPECT_EQ(params.startFreq, 440.0f);
	EXPECT_EQ(params.duration, 0.0f);

	EXPECT_EQ(WritePresetFile((fDir / "no/such").c_str(), params), B_ENTRY_NOT_FOUND);
	EXPECT_EQ(WritePresetFile(fDir.Path().c_str(), params), B_IS_A_DIRECTORY);

	// Anything but a regular file is refused at once: a pipe would wait for a writer.
	ASSERT_EQ(mkfifo((fDir / "pipe").c_str(), 0600), 0);
	EXPECT_EQ(ReadPresetFile((fDir / "pipe").c_str(), &params), B_BAD_TYPE);
	EXPECT_EQ(ReadPresetFile("/dev/zero", &params), B_BAD_TYPE);
}

TEST_F(PresetFile, SavingOverAPresetThroughALinkKeepsTheLinkAndTheMode)
{
	const std::string real = fDir / "real.tunk";
	ASSERT_EQ(WritePresetFile(real.c_str(), DefaultPresetParams()), B_OK);
	chmod(real.c_str(), 0604);
	std::filesystem::create_symlink("real.tunk", fDir / "link.tunk");
	ASSERT_EQ(WritePresetFile((fDir / "link.tunk").c_str(), sample_params()), B_OK);
	EXPECT_TRUE(std::filesystem::is_symlink(fDir / "link.tunk"));
	PresetParams params;
	ASSERT_EQ(ReadPresetFile(real.c_str(), &params), B_OK);
	EXPECT_TRUE(same_bytes(params, sample_params()));
	struct stat st;
	ASSERT_EQ(stat(real.c_str(), &st), 0);
	EXPECT_EQ(st.st_mode & 07777, 0604u);
	char type[64] = {};
	const ssize_t length = getxattr(real.c_str(), "user.mime_type", type, sizeof(type));
	EXPECT_EQ(std::string(type, length > 0 ? size_t(length) : 0), "document/tunk-preset");
}

TEST_F(PresetFile, RegisteringTheTypeInstallsItOnce)
{
	BMimeType type(kPresetMimeType);
	EXPECT_FALSE(type.IsInstalled());
	ASSERT_EQ(RegisterPresetType(), B_OK);
	EXPECT_TRUE(type.IsInstalled());
	ASSERT_EQ(RegisterPresetType(), B_OK);

	char text[B_MIME_TYPE_LENGTH];
	ASSERT_EQ(type.GetShortDescription(text), B_OK);
	EXPECT_STREQ(text, "Tunk preset file");
	ASSERT_EQ(type.GetLongDescription(text), B_OK);
	EXPECT_STREQ(text, "Tunk sample generation preset file");
	ASSERT_EQ(type.GetPreferredApp(text), B_OK);
	EXPECT_STREQ(text, "application/x-vnd.Quillfeather-Tunk!");
	std::string magic;
	int32 offset = -1;
	ASSERT_EQ(type.GetMagic(&magic, &offset), B_OK);
	EXPECT_EQ(magic, std::string("T0NK", 5));
	EXPECT_EQ(offset, 0);
}

TEST_F(PresetFile, TaggingLeavesFilesThatAlreadyNameTheApplication)
{
	BFile file((fDir / "p").c_str(), B_READ_WRITE | B_CREATE_FILE);
	BNodeInfo info(&file);
	ASSERT_EQ(TagPresetFile(&file), B_OK);
	char text[B_MIME_TYPE_LENGTH];
	ASSERT_EQ(info.GetType(text), B_OK);
	EXPECT_STREQ(text, "document/tunk-preset");
	ASSERT_EQ(info.GetPreferredApp(text), B_OK);
	EXPECT_STREQ(text, "application/x-vnd.Quillfeather-Tunk!");

	info.SetType("application/octet-stream");
	ASSERT_EQ(TagPresetFile(&file), B_OK);
	ASSERT_EQ(info.GetType(text), B_OK);
	EXPECT_STREQ(text, "application/octet-stream");
}

// The bitwise comparison the window and the plugin use to tell a changed sound.
TEST(SoundParams, SameBitsTellsEveryFieldAndTheSignOfZero)
{
	const tunk::SoundParams base;
	EXPECT_TRUE(tunk::SameBits(base, tunk::SoundParams{}));
	for (const tunk::ParamInfo& info : tunk::kParams) {
		tunk::SoundParams changed = base;
		if (info.kind == tunk::ParamKind::Switch)
			changed[info.id] = changed.On(info.id) ? 0.0f : 1.0f;
		else
			changed[info.id] += 1;
		EXPECT_FALSE(tunk::SameBits(base, changed)) << info.symbol;
		// Each field of the record once: its round trip keeps the change.
		if (info.since == 1) {
			EXPECT_TRUE(tunk::SameBits(ToSoundParams(ToPresetParams(changed)), changed))
				<< info.symbol;
		}
	}

	tunk::SoundParams a;
	tunk::SoundParams b;
	a[tunk::Param::filterQ] = 0.0f;
	b[tunk::Param::filterQ] = -0.0f;
	EXPECT_TRUE(a == b);
	EXPECT_FALSE(tunk::SameBits(a, b));
	a[tunk::Param::startFreq] = b[tunk::Param::startFreq] = std::nanf("");
	b[tunk::Param::filterQ] = 0.0f;
	EXPECT_FALSE(a == b);
	EXPECT_TRUE(tunk::SameBits(a, b));
}
