#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "kits/media/MediaFile.h"
#include "kits/media/MediaFormats.h"
#include "kits/media/MediaTrack.h"
#include "kits/media/SoundFiles.h"
#include "kits/storage/TempDir.h"

namespace {

media_format mono_short_format()
{
	media_format format;
	format.type = B_MEDIA_RAW_AUDIO;
	format.u.raw_audio.frame_rate = 44100.0f;
	format.u.raw_audio.channel_count = 1;
	format.u.raw_audio.format = media_raw_audio_format::B_AUDIO_SHORT;
	format.u.raw_audio.byte_order = B_MEDIA_LITTLE_ENDIAN;
	return format;
}

std::vector<int16> ramp(size_t count)
{
	std::vector<int16> samples(count);
	for (size_t i = 0; i < count; i++)
		samples[i] = short(int(i * 37 % 65536) - 32768);
	return samples;
}

// Writes the samples into `name` in the given format; the statuses of each step.
struct WriteResult {
	status_t init, commit, write, close;
	bool track;
};

WriteResult write_file(const std::string& path, const media_file_format& fileFormat,
	media_format format, const void* data, int64 frames)
{
	entry_ref ref;
	std::filesystem::path p(path);
	ref = entry_ref(p.parent_path().c_str(), p.filename().c_str());
	BMediaFile file(&ref, &fileFormat);
	WriteResult result = {file.InitCheck(), B_ERROR, B_ERROR, B_ERROR, false};
	BMediaTrack* track = file.CreateTrack(&format);
	result.track = track != nullptr;
	if (track == nullptr)
		return result;
	result.commit = file.CommitHeader();
	result.write = track->WriteFrames(data, frames);
	result.close = file.CloseFile();
	return result;
}

} // namespace

TEST(FileFormats, TheFirstWavIsMicrosoftWavAndTheListEnds)
{
	int32 cookie = 0;
	media_file_format format;
	ASSERT_EQ(get_next_file_format(&cookie, &format), B_OK);
	EXPECT_EQ(cookie, 1);
	std::vector<std::string> names{format.short_name};
	while (get_next_file_format(&cookie, &format) == B_OK) {
		EXPECT_NE(format.short_name[0], '\0');
		names.push_back(format.short_name);
	}
	EXPECT_EQ(get_next_file_format(&cookie, &format), B_BAD_INDEX);
	EXPECT_EQ(size_t(cookie), names.size());
	for (const char* wanted : {"aiff", "flac"})
		EXPECT_NE(std::find(names.begin(), names.end(), wanted), names.end()) << wanted;

	const media_file_format wav = find_file_format("wav");
	EXPECT_EQ(wav.id, SF_FORMAT_WAV);
	EXPECT_NE(std::string(wav.pretty_name).find("Microsoft"), std::string::npos);
	EXPECT_TRUE(wav.capabilities & B_WRITABLE);

	int32 negative = -1;
	EXPECT_EQ(get_next_file_format(&negative, &format), B_BAD_INDEX);
	EXPECT_EQ(get_next_file_format(nullptr, &format), B_BAD_VALUE);
}

TEST(FileFormats, OverrideReplacesTheList)
{
	std::vector<media_file_format> list(1);
	std::strcpy(list[0].short_name, "WAV");
	set_file_formats_override(&list);
	int32 cookie = 0;
	media_file_format format;
	EXPECT_EQ(get_next_file_format(&cookie, &format), B_OK);
	EXPECT_STREQ(format.short_name, "WAV");
	EXPECT_EQ(get_next_file_format(&cookie, &format), B_BAD_INDEX);

	set_file_formats_override(nullptr);
	EXPECT_EQ(find_file_format("wav").id, SF_FORMAT_WAV);
}

TEST(MediaFile, WritesPcmWavThatReadsBackSampleForSample)
{
	TempDir dir;
	const std::string path = dir / "out";
	const std::vector<int16> samples = ramp(5000);
	WriteResult result = write_file(path, find_file_format("wav"), mono_short_format(),
		samples.data(), int64(samples.size()));
	EXPECT_EQ(result.init, B_OK);
	ASSERT_TRUE(result.track);
	EXPECT_EQ(result.commit, B_OK);
	EXPECT_EQ(result.write, B_OK);
	EXPECT_EQ(result.close, B_OK);

	SoundFile back = read_sound_file(path);
	ASSERT_TRUE(back.opened);
	EXPECT_EQ(back.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
	EXPECT_EQ(back.info.channels, 1);
	EXPECT_EQ(back.info.samplerate, 44100);
	EXPECT_EQ(back.samples, samples);
	// RIFF header of 44 bytes followed by the samples, nothing else.
	EXPECT_EQ(std::filesystem::file_size(path), 44 + 2 * samples.size());
}

TEST(MediaFile, OtherContainersCarryTheSameSound)
{
	TempDir dir;
	const std::vector<int16> samples = ramp(4410);
	for (const char* name : {"flac", "aiff"}) {
		const std::string path = dir / (std::string("out.") + name);
		WriteResult result = write_file(path, find_file_format(name), mono_short_format(),
			samples.data(), int64(samples.size()));
		ASSERT_TRUE(result.track) << name;
		EXPECT_EQ(result.close, B_OK) << name;
		SoundFile back = read_sound_file(path);
		EXPECT_EQ(back.info.format & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_16) << name;
		EXPECT_EQ(back.samples, samples) << name;
	}
	// Ogg encodes with loss: the length is what survives exactly.
	const std::string ogg = dir / "out.ogg";
	WriteResult result = write_file(ogg, find_file_format("oga"), mono_short_format(), samples.data(),
		int64(samples.size()));
	ASSERT_TRUE(result.track);
	EXPECT_EQ(result.close, B_OK);
	SoundFile back = read_sound_file(ogg);
	EXPECT_EQ(back.info.format, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
	EXPECT_EQ(back.info.frames, int64(samples.size()));
}

TEST(MediaFile, BigEndianSamplesAreTurnedAround)
{
	TempDir dir;
	const std::vector<int16> samples = {1, -2, 0x1234, -32768};
	std::vector<int16> swapped;
	for (short s : samples)
		swapped.push_back(short(uint16(s) >> 8 | uint16(s) << 8));
	media_format format = mono_short_format();
	format.u.raw_audio.byte_order = B_MEDIA_BIG_ENDIAN;
	write_file(dir / "be.wav", find_file_format("wav"), format, swapped.data(), 4);
	EXPECT_EQ(read_sound_file(dir / "be.wav").samples, samples);
}

TEST(MediaFile, InitCheckTellsFormatAndPathFailuresApart)
{
	TempDir dir;
	entry_ref ref(dir.Path().c_str(), "x.wav");
	media_file_format wav = find_file_format("wav");
	EXPECT_EQ(BMediaFile(nullptr, &wav).InitCheck(), B_BAD_VALUE);
	EXPECT_EQ(BMediaFile(&ref, nullptr).InitCheck(), B_BAD_VALUE);

	media_file_format unknown = wav;
	unknown.id = 0x7f0000;
	EXPECT_EQ(BMediaFile(&ref, &unknown).InitCheck(), B_BAD_INDEX);
	media_file_format readOnly = wav;
	readOnly.capabilities &= ~uint32(B_WRITABLE);
	EXPECT_EQ(BMediaFile(&ref, &readOnly).InitCheck(), B_MISSING_SYMBOL);
	// The XI container takes only its own delta codec, never plain 16-bit samples.
	media_file_format xi = find_file_format("xi");
	EXPECT_FALSE(xi.capabilities & B_WRITABLE);
	xi.capabilities |= B_WRITABLE;
	EXPECT_EQ(BMediaFile(&ref, &xi).InitCheck(), B_MEDIA_NO_CODEC);
	EXPECT_FALSE(std::filesystem::exists(dir / "x.wav"));

	entry_ref noDirectory((dir / "missing").c_str(), "x.wav");
	EXPECT_EQ(BMediaFile(&noDirectory, &wav).InitCheck(), B_ENTRY_NOT_FOUND);
	std::filesystem::create_directory(dir / "sub");
	entry_ref isDirectory(dir.Path().c_str(), "sub");
	BMediaFile onDirectory(&isDirectory, &wav);
	EXPECT_EQ(onDirectory.InitCheck(), B_IS_A_DIRECTORY);
	media_format format = mono_short_format();
	EXPECT_EQ(onDirectory.CreateTrack(&format), nullptr);
}

TEST(MediaFile, CreateTrackRefusesFormatsItCannotWrite)
{
	TempDir dir;
	entry_ref ref(dir.Path().c_str(), "x.wav");
	media_file_format wav = find_file_format("wav");
	{
		BMediaFile file(&ref, &wav);
		ASSERT_EQ(file.InitCheck(), B_OK);
		// Nothing appears under the name before the file is finished.
		EXPECT_FALSE(std::filesystem::exists(dir / "x.wav"));

		media_format none = mono_short_format();
		none.u.raw_audio.channel_count = 0;
		EXPECT_EQ(file.CreateTrack(&none), nullptr);
		media_format bytes = mono_short_format();
		bytes.u.raw_audio.format = media_raw_audio_format::B_AUDIO_UCHAR;
		EXPECT_EQ(file.CreateTrack(&bytes), nullptr);
		media_format noRate = mono_short_format();
		noRate.u.raw_audio.frame_rate = 0;
		EXPECT_EQ(file.CreateTrack(&noRate), nullptr);
		media_format notAudio = mono_short_format();
		notAudio.type = B_MEDIA_UNKNOWN_TYPE;
		EXPECT_EQ(file.CreateTrack(&notAudio), nullptr);
		EXPECT_EQ(file.CreateTrack(nullptr), nullptr);
		EXPECT_EQ(file.CommitHeader(), B_NO_INIT);
	}
	// A file this writer created but never started is not left behind.
	EXPECT_FALSE(std::filesystem::exists(dir / "x.wav"));

	// An existing file is left as it was until a track is made.
	std::ofstream(dir / "x.wav") << "keep";
	{
		BMediaFile file(&ref, &wav);
		ASSERT_EQ(file.InitCheck(), B_OK);
	}
	EXPECT_EQ(std::filesystem::file_size(dir / "x.wav"), 4u);

	BMediaFile file(&ref, &wav);
	media_format format = mono_short_format();
	BMediaTrack* track = file.CreateTrack(&format);
	ASSERT_NE(track, nullptr);
	EXPECT_EQ(file.CreateTrack(&format), nullptr);
	EXPECT_EQ(track->WriteFrames(nullptr, -1), B_BAD_VALUE);
	EXPECT_EQ(track->WriteFrames(nullptr, 0), B_OK);
	EXPECT_EQ(std::filesystem::file_size(dir / "x.wav"), 4u) << "replaced before it was closed";
	EXPECT_EQ(file.CloseFile(), B_OK);
	short sample = 0;
	EXPECT_EQ(track->WriteFrames(&sample, 1), B_NO_INIT);
	SoundFile empty = read_sound_file(dir / "x.wav");
	EXPECT_TRUE(empty.opened);
	EXPECT_EQ(empty.info.frames, 0);
}

TEST(MediaFile, ADeviceGetsTheFinishedFileAndItsRefusalIsReported)
{
	TempDir dir;
	std::filesystem::create_symlink("/dev/full", dir / "full.wav");
	entry_ref ref(dir.Path().c_str(), "full.wav");
	media_file_format wav = find_file_format("wav");
	BMediaFile file(&ref, &wav);
	ASSERT_EQ(file.InitCheck(), B_OK);
	media_format format = mono_short_format();
	BMediaTrack* track = file.CreateTrack(&format);
	ASSERT_NE(track, nullptr);
	EXPECT_EQ(file.CommitHeader(), B_OK);
	const std::vector<int16> samples = ramp(100);
	EXPECT_EQ(track->WriteFrames(samples.data(), 100), B_OK);
	EXPECT_EQ(file.CloseFile(), B_DEVICE_FULL);
	EXPECT_TRUE(std::filesystem::is_symlink(dir / "full.wav"));
}
