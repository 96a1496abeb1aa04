// The sound-file writer that Export WAV and tunk-render share, used directly: every
// format either of them writes, and where and why a write stops.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "audio/SoundFileWriter.h"
#include "kits/media/SoundFiles.h"
#include "kits/storage/TempDir.h"

namespace {

using Step = SoundFileWriter::Step;

std::vector<int16> ramp()
{
	std::vector<int16> samples(3000);
	for (size_t i = 0; i < samples.size(); i++)
		samples[i] = int16(int(i * 21) - 32000);
	return samples;
}

}  // namespace

TEST(SoundFileWriter, WritesEveryFormatOfTheProgramAsMonoOrStereo44100)
{
	TempDir dir;
	const std::vector<int16> samples = ramp();
	struct Case {
		const char* format;
		int type;
	};
	const Case cases[] = {{"wav", SF_FORMAT_WAV}, {"flac", SF_FORMAT_FLAC},
		{"aiff", SF_FORMAT_AIFF}, {"ogg", SF_FORMAT_OGG}};
	for (const Case& c : cases) {
		const std::string path = dir / (std::string("out.") + c.format);
		Step step = Step::Header;
		ASSERT_EQ(WriteSoundFile(samples.data(), int64(samples.size()), path, c.format, &step),
			B_OK)
			<< c.format;
		EXPECT_EQ(step, Step::None);
		const SoundFile read = read_sound_file(path);
		ASSERT_TRUE(read.opened) << c.format;
		EXPECT_EQ(read.info.format & SF_FORMAT_TYPEMASK, c.type) << c.format;
		EXPECT_EQ(read.info.samplerate, 44100);
		EXPECT_EQ(read.info.channels, 1);
		if (c.type != SF_FORMAT_OGG)  // the only lossy one
			EXPECT_EQ(read.samples, samples) << c.format;
		else
			EXPECT_EQ(read.info.frames, sf_count_t(samples.size()));
	}

	// An empty sound is a valid file without frames.
	ASSERT_EQ(WriteSoundFile(nullptr, 0, dir / "empty.wav", "wav"), B_OK);
	EXPECT_EQ(read_sound_file(dir / "empty.wav").info.frames, 0);

	// A kit's stereo mix: the samples as frames of two, left first; no other channel count.
	for (const Case& c : cases) {
		const std::string path = dir / (std::string("stereo.") + c.format);
		ASSERT_EQ(WriteSoundFile(samples.data(), int64(samples.size() / 2), path, c.format, nullptr, 2), B_OK)
			<< c.format;
		const SoundFile read = read_sound_file(path);
		EXPECT_EQ(read.info.channels, 2) << c.format;
		EXPECT_EQ(read.info.frames, sf_count_t(samples.size() / 2)) << c.format;
		if (c.type != SF_FORMAT_OGG) {
			EXPECT_EQ(read.samples, samples) << c.format;
		}
	}
	Step step = Step::None;
	EXPECT_EQ(WriteSoundFile(samples.data(), 1000, dir / "three.wav", "wav", &step, 3), B_BAD_VALUE);
	EXPECT_EQ(step, Step::Format);
	EXPECT_FALSE(std::filesystem::exists(dir / "three.wav"));
}

TEST(SoundFileWriter, SaysWhereAndWhyItStopped)
{
	TempDir dir;
	const std::vector<int16> samples = ramp();
	Step step = Step::None;
	EXPECT_EQ(WriteSoundFile(samples.data(), 10, dir / "no/such.wav", "wav", &step),
		B_ENTRY_NOT_FOUND);
	EXPECT_EQ(step, Step::Path);

	// Format names are matched exactly.
	for (const char* format : {"mp3", "WAV", "", "wav "}) {
		EXPECT_EQ(WriteSoundFile(samples.data(), 10, dir / "x", format, &step), B_MEDIA_NO_CODEC)
			<< format;
		EXPECT_EQ(step, Step::Format);
	}

	std::filesystem::create_directory(dir / "folder");
	EXPECT_EQ(WriteSoundFile(samples.data(), 10, dir / "folder", "wav", &step), B_IS_A_DIRECTORY);
	EXPECT_EQ(step, Step::Track);
	EXPECT_TRUE(std::filesystem::is_empty(dir / "folder"));

	// A device gets the finished file: the full one refuses it, and the link to it stays.
	std::filesystem::create_symlink("/dev/full", dir / "full.wav");
	SoundFileWriter writer;
	EXPECT_EQ(writer.Open((dir / "full.wav").c_str(), "wav"), B_OK);
	EXPECT_EQ(writer.Write(samples.data(), 10), B_DEVICE_FULL);
	EXPECT_EQ(writer.FailedStep(), Step::Data);
	EXPECT_EQ(writer.Path(), dir / "full.wav");
	EXPECT_EQ(DescribeStatus(writer.Status()), "No space left on device");
	EXPECT_TRUE(std::filesystem::is_symlink(dir / "full.wav"));
	// Writing again reports that failure again and writes nothing.
	EXPECT_EQ(writer.Write(samples.data(), 10), B_DEVICE_FULL);

	// A file opened and then abandoned never appears, nor does anything beside it; an
	// existing one keeps what it held.
	std::ofstream(dir / "kept.flac") << "an older sound";
	for (const char* name : {"abandoned.flac", "kept.flac"}) {
		SoundFileWriter abandoned;
		ASSERT_EQ(abandoned.Open((dir / name).c_str(), "flac"), B_OK);
		EXPECT_FALSE(std::filesystem::exists(dir / "abandoned.flac"));
	}
	EXPECT_FALSE(std::filesystem::exists(dir / "abandoned.flac"));
	std::ifstream kept(dir / "kept.flac");
	EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "an older sound");
	size_t entries = 0;
	for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path()))
		entries++;
	EXPECT_EQ(entries, 3u) << "folder, full.wav and kept.flac only";
}
