#include "audio/SoundFileWriter.h"

#include <cctype>
#include <cstring>

#include "engine/core/Params.h"
#include "kits/media/MediaFile.h"
#include "kits/media/MediaFormats.h"
#include "kits/media/MediaTrack.h"
#include "kits/storage/Entry.h"

namespace {

const SoundFileFormat kFormats[] = {
	{"wav", "WAV", {"wav"}},
	{"flac", "FLAC", {"flac"}},
	{"aiff", "AIFF", {"aiff", "aif"}},
	{"ogg", "Ogg Vorbis", {"ogg", "oga"}},
};

// Some media writers go by a format's other extension ("oga", "aif").
bool short_name_matches(const char* format, const char* shortName)
{
	const SoundFileFormat* known = FindSoundFileFormat(format);
	if (known == nullptr)
		return std::strcmp(format, shortName) == 0;
	for (const char* extension : known->extensions) {
		if (std::strcmp(extension, shortName) == 0)
			return true;
	}
	return false;
}

} // namespace

std::span<const SoundFileFormat> SoundFileFormats()
{
	return kFormats;
}

const SoundFileFormat* FindSoundFileFormat(const std::string& name)
{
	for (const SoundFileFormat& format : kFormats) {
		if (name == format.name)
			return &format;
	}
	return nullptr;
}

std::string FileExtension(const std::string& path)
{
	const size_t slash = path.rfind('/');
	const size_t leaf = slash == std::string::npos ? 0 : slash + 1;
	const size_t dot = path.rfind('.');
	if (dot == std::string::npos || dot <= leaf)
		return "";
	std::string extension = path.substr(dot + 1);
	for (char& c : extension)
		c = char(std::tolower(static_cast<unsigned char>(c)));
	return extension;
}

std::string SoundFileFormatOfPath(const std::string& path)
{
	const std::string extension = FileExtension(path);
	for (const SoundFileFormat& format : kFormats) {
		for (const char* known : format.extensions) {
			if (extension == known)
				return format.name;
		}
	}
	return "";
}

SoundFileWriter::~SoundFileWriter()
{
	if (fFile != nullptr)
		Discard();
}

status_t SoundFileWriter::Fail(Step step, status_t status)
{
	fStep = step;
	fStatus = status;
	return status;
}

void SoundFileWriter::Discard()
{
	// Deleting an unfinished media file throws it away; the target was never touched.
	delete fFile;
	fFile = nullptr;
	fTrack = nullptr;
}

status_t SoundFileWriter::Open(const char* path, const char* format, int32 channels)
{
	delete fFile;
	fFile = nullptr;
	fTrack = nullptr;
	fStep = Step::None;
	fPath = path != nullptr ? path : "";
	if (channels != 1 && channels != 2)
		return Fail(Step::Format, B_BAD_VALUE);
	if (status_t status = get_ref_for_path(fPath.c_str(), &fRef); status != B_OK)
		return Fail(Step::Path, status);

	media_file_format fileFormat;
	int32 cookie = 0;
	bool found = false;
	while (!found && get_next_file_format(&cookie, &fileFormat) == B_OK)
		found = short_name_matches(format, fileFormat.short_name);
	if (!found)
		return Fail(Step::Format, B_MEDIA_NO_CODEC);

	fFile = new BMediaFile(&fRef, &fileFormat);
	const status_t init = fFile->InitCheck();
	if (init == B_MEDIA_NO_CODEC || init == B_NO_MEMORY || init == B_BAD_INDEX
		|| init == B_MISSING_SYMBOL) {
		delete fFile;
		fFile = nullptr;
		return Fail(Step::File, init);
	}

	// Other codes (a file that cannot be opened) surface here: no track without a file.
	media_format trackFormat;
	trackFormat.type = B_MEDIA_RAW_AUDIO;
	trackFormat.user_data_type = 0;
	trackFormat.u.raw_audio.frame_rate = float(tunk::kSampleRate);
	trackFormat.u.raw_audio.channel_count = uint32(channels);
	trackFormat.u.raw_audio.format = media_raw_audio_format::B_AUDIO_SHORT;
	trackFormat.u.raw_audio.byte_order = B_MEDIA_LITTLE_ENDIAN;
	trackFormat.u.raw_audio.buffer_size = 0;
	fTrack = fFile->CreateTrack(&trackFormat);
	if (fTrack == nullptr) {
		delete fFile;
		fFile = nullptr;
		return Fail(Step::Track, init != B_OK ? init : B_MEDIA_NO_CODEC);
	}
	if (status_t status = fFile->CommitHeader(); status != B_OK) {
		Discard();
		return Fail(Step::Header, status);
	}
	fStatus = B_OK;
	return B_OK;
}

status_t SoundFileWriter::Write(const int16* samples, int64 frames)
{
	if (fFile == nullptr)
		return fStep != Step::None ? fStatus : Fail(Step::Data, B_NO_INIT);
	status_t status = fTrack->WriteFrames(samples, samples != nullptr ? frames : 0, 0);
	if (status == B_OK)
		status = fFile->CloseFile();
	if (status != B_OK) {
		Discard();
		return Fail(Step::Data, status);
	}
	delete fFile;
	fFile = nullptr;
	fTrack = nullptr;
	return B_OK;
}

status_t WriteSoundFile(const int16* samples, int64 frames, const std::string& path,
	const std::string& format, SoundFileWriter::Step* failedStep, int32 channels)
{
	SoundFileWriter writer;
	status_t status = writer.Open(path.c_str(), format.c_str(), channels);
	if (status == B_OK)
		status = writer.Write(samples, frames);
	if (failedStep != nullptr)
		*failedStep = writer.FailedStep();
	return status;
}
