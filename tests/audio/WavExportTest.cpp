#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/AlertCapture.h"
#include "engine/TunkSound.h"
#include "kits/app/Message.h"
#include "kits/media/MediaFormats.h"
#include "kits/media/SoundFiles.h"
#include "kits/storage/TempDir.h"

namespace {

constexpr char kTitle[] = "Error In TunkSound Object";

BMessage save_reply(const std::string& directory, const char* name)
{
	BMessage reply(four_char_code("SAVE"));
	std::filesystem::path dir(directory);
	entry_ref ref(dir.parent_path().c_str(), dir.filename().c_str());
	reply.AddRef("directory", &ref);
	if (name != nullptr)
		reply.AddString("name", name);
	return reply;
}

std::vector<int16> engine_samples(const TunkSound& sound)
{
	int64 count = 0;
	const int16* buffer = sound.GetBuffer(&count);
	return buffer != nullptr ? std::vector<int16>(buffer, buffer + count) : std::vector<int16>();
}

std::vector<std::string> alert_texts()
{
	std::vector<std::string> texts;
	for (const AlertCapture::Alert& alert : AlertCapture::Alerts()) {
		EXPECT_EQ(alert.title, kTitle);
		texts.push_back(alert.text);
	}
	return texts;
}

class WavExport : public ::testing::Test {
protected:
	void TearDown() override { set_file_formats_override(nullptr); }

	// Exports into the temporary folder and returns the alerts shown.
	std::vector<std::string> Export(const char* name)
	{
		AlertCapture capture;
		BMessage reply = save_reply(fDir.Path(), name);
		fSound.WriteSoundToFile(&reply);
		return alert_texts();
	}

	// Exports with only the given formats installed; no file may appear.
	std::vector<std::string> ExportWithFormats(const std::vector<media_file_format>& formats)
	{
		set_file_formats_override(&formats);
		std::vector<std::string> alerts = Export("out.wav");
		set_file_formats_override(nullptr);
		EXPECT_FALSE(std::filesystem::exists(fDir / "out.wav"));
		return alerts;
	}

	TempDir fDir;
	TunkSound fSound;
};

using Alerts = std::vector<std::string>;

// An alert about a file: its own text, then the file and the system's reason.
std::string about(const char* text, const std::filesystem::path& file, const char* reason)
{
	return std::string(text) + "\n" + file.string() + ": " + reason;
}

} // namespace

TEST_F(WavExport, WritesTheRegeneratedSoundUnderTheTypedName)
{
	fSound.SetDuration(123.4f);
	fSound.SetOscType(2);
	fSound.GenerateWaveTable();
	fSound.SetFilterEnabled(true);
	fSound.SetAmpEnvEnabled(true);
	// Not generated yet: the export must do it.
	EXPECT_EQ(Export("kick drum"), Alerts{});

	const std::vector<int16> expected = engine_samples(fSound);
	ASSERT_EQ(expected.size(), 5442u);
	EXPECT_EQ(std::filesystem::directory_iterator(fDir.Path())->path().filename(), "kick drum");
	SoundFile wav = read_sound_file(fDir / "kick drum");
	ASSERT_TRUE(wav.opened);
	EXPECT_EQ(wav.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
	EXPECT_EQ(wav.info.channels, 1);
	EXPECT_EQ(wav.info.samplerate, 44100);
	EXPECT_EQ(wav.samples, expected);
	EXPECT_EQ(std::filesystem::file_size(fDir / "kick drum"), 44u + 2 * 5442u);
}

TEST_F(WavExport, SampleCountFollowsTheDuration)
{
	const std::pair<float, int64> kCases[] = {{200.0f, 8820}, {1.0f, 45}, {3000.0f, 132300}};
	for (auto [duration, frames] : kCases) {
		fSound.SetDuration(duration);
		ASSERT_EQ(Export("len.wav"), Alerts{});
		SoundFile wav = read_sound_file(fDir / "len.wav");
		EXPECT_EQ(wav.info.frames, frames);
		EXPECT_EQ(wav.samples, engine_samples(fSound));
	}
	// An empty sound is an empty but valid file.
	fSound.SetDuration(0.0f);
	ASSERT_EQ(Export("empty.wav"), Alerts{});
	SoundFile wav = read_sound_file(fDir / "empty.wav");
	EXPECT_TRUE(wav.opened);
	EXPECT_EQ(wav.info.frames, 0);
}

TEST_F(WavExport, IncompleteRepliesEndSilently)
{
	fSound.GenerateSound();
	const int64 before = fSound.GetSampleLength();
	fSound.SetDuration(500.0f);

	AlertCapture capture;
	BMessage noName = save_reply(fDir.Path(), nullptr);
	fSound.WriteSoundToFile(&noName);
	BMessage noDirectory(four_char_code("SAVE"));
	noDirectory.AddString("name", "x.wav");
	fSound.WriteSoundToFile(&noDirectory);
	// A directory whose own parent is missing cannot even be named.
	BMessage unreachable = save_reply(fDir / "gone/deeper", "x.wav");
	fSound.WriteSoundToFile(&unreachable);
	fSound.WriteSoundToFile(nullptr);

	EXPECT_TRUE(AlertCapture::Alerts().empty());
	EXPECT_EQ(fSound.GetSampleLength(), before);  // nothing regenerated
	EXPECT_TRUE(std::filesystem::is_empty(fDir.Path()));
}

TEST_F(WavExport, MissingDirectoryFailsToMakeAReference)
{
	AlertCapture capture;
	BMessage reply = save_reply(fDir / "missing", "x.wav");
	fSound.WriteSoundToFile(&reply);
	EXPECT_EQ(alert_texts(), Alerts{about("Problem with get_ref_for_path()",
								 fDir / "missing/x.wav", "No such file or directory")});
	EXPECT_TRUE(std::filesystem::is_empty(fDir.Path()));
}

TEST_F(WavExport, NeedsAFormatNamedExactlyWav)
{
	std::vector<media_file_format> withoutWav;
	int32 cookie = 0;
	media_file_format format;
	while (get_next_file_format(&cookie, &format) == B_OK) {
		if (std::strcmp(format.short_name, "wav") != 0)
			withoutWav.push_back(format);
	}
	ASSERT_FALSE(withoutWav.empty());
	const Alerts noWav{about("Failed to find wav file format handler!", fDir / "out.wav",
		"this format cannot be written")};
	EXPECT_EQ(ExportWithFormats(withoutWav), noWav);

	std::vector<media_file_format> upperCase{find_file_format("wav")};
	std::strcpy(upperCase[0].short_name, "WAV");
	EXPECT_EQ(ExportWithFormats(upperCase), noWav);
	EXPECT_EQ(ExportWithFormats({}), noWav);
}

TEST_F(WavExport, EachMediaFileCodeHasItsAlert)
{
	media_file_format unknown = find_file_format("wav");
	unknown.id = 0x7f0000;
	EXPECT_EQ(ExportWithFormats({unknown}),
		Alerts{about("Cannot create media file - The required add-on wasn't found",
			fDir / "out.wav", "no writer for this format")});

	media_file_format readOnly = find_file_format("wav");
	readOnly.capabilities &= ~uint32(B_WRITABLE);
	EXPECT_EQ(ExportWithFormats({readOnly}),
		Alerts{about("Cannot create media file - The add-on doesn't support writing",
			fDir / "out.wav", "this format is read-only")});

	media_file_format noCodec = find_file_format("xi");
	std::strcpy(noCodec.short_name, "wav");
	noCodec.capabilities |= B_WRITABLE;
	EXPECT_EQ(ExportWithFormats({noCodec}),
		Alerts{about(
			"Cannot create media file - No codec available for the requested audio format",
			fDir / "out.wav", "this format cannot be written")});
}

TEST_F(WavExport, OtherFileErrorsEndAtTheTrack)
{
	std::filesystem::create_directory(fDir / "taken");
	EXPECT_EQ(Export("taken"),
		Alerts{about("Unable to create audio track", fDir / "taken", "Is a directory")});
	EXPECT_TRUE(std::filesystem::is_directory(fDir / "taken"));
}

TEST_F(WavExport, AFailedWriteIsReportedAndLeavesWhatWasThere)
{
	std::filesystem::create_symlink("/dev/full", fDir / "full.wav");
	EXPECT_EQ(Export("full.wav"), Alerts{about("Could not write the sound file!",
									  fDir / "full.wav", "No space left on device")});
	EXPECT_TRUE(std::filesystem::is_symlink(fDir / "full.wav"));

	// The next export into a good place works as usual.
	EXPECT_EQ(Export("fine.wav"), Alerts{});
	EXPECT_EQ(read_sound_file(fDir / "fine.wav").samples, engine_samples(fSound));
}

TEST_F(WavExport, AFailedGenerationExportsNothing)
{
	fSound.SetDuration(-5.0f);
	EXPECT_EQ(Export("neg.wav"), Alerts{"Could not allocate a sufficient sample buffer in RAM!"});
	EXPECT_TRUE(std::filesystem::is_empty(fDir.Path()));
}

TEST_F(WavExport, ReplacesAnExistingFile)
{
	std::filesystem::path target = fDir / "old.wav";
	std::vector<char> junk(100000, 'x');
	FILE* file = std::fopen(target.c_str(), "wb");
	std::fwrite(junk.data(), 1, junk.size(), file);
	std::fclose(file);
	ASSERT_EQ(Export("old.wav"), Alerts{});
	EXPECT_EQ(std::filesystem::file_size(target), 44u + 2 * 8820u);
	EXPECT_EQ(read_sound_file(target).samples, engine_samples(fSound));
}
