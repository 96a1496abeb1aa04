#include "tools/SoundFileWriter.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/TunkSound.h"
#include "kits/media/MediaFile.h"
#include "kits/media/MediaFormats.h"
#include "kits/media/MediaTrack.h"
#include "kits/storage/Entry.h"

namespace {

// The writer's short names for our format names (Ogg files are "oga" to some writers).
bool short_name_matches(const std::string& format, const char* shortName)
{
	if (format == "ogg")
		return std::strcmp(shortName, "oga") == 0 || std::strcmp(shortName, "ogg") == 0;
	if (format == "aiff")
		return std::strcmp(shortName, "aiff") == 0 || std::strcmp(shortName, "aif") == 0;
	return format == shortName;
}

} // namespace

status_t WriteSoundFile(const TunkSound& sound, const std::string& path, const std::string& format)
{
	media_file_format fileFormat;
	int32 cookie = 0;
	bool found = false;
	while (!found && get_next_file_format(&cookie, &fileFormat) == B_OK)
		found = short_name_matches(format, fileFormat.short_name);
	if (!found)
		return B_MEDIA_NO_CODEC;

	entry_ref ref;
	if (status_t status = get_ref_for_path(path.c_str(), &ref); status != B_OK)
		return status;

	media_format trackFormat;
	trackFormat.type = B_MEDIA_RAW_AUDIO;
	trackFormat.u.raw_audio.frame_rate = float(kSampleRate);
	trackFormat.u.raw_audio.channel_count = 1;
	trackFormat.u.raw_audio.format = media_raw_audio_format::B_AUDIO_SHORT;
	trackFormat.u.raw_audio.byte_order = B_MEDIA_LITTLE_ENDIAN;

	auto file = std::make_unique<BMediaFile>(&ref, &fileFormat);
	if (file->InitCheck() != B_OK)
		return file->InitCheck();
	BMediaTrack* track = file->CreateTrack(&trackFormat);
	if (track == nullptr)
		return B_MEDIA_NO_CODEC;

	int64 count = 0;
	const int16* samples = sound.GetBuffer(&count);
	status_t status = file->CommitHeader();
	if (status == B_OK)
		status = track->WriteFrames(samples, samples != nullptr ? count : 0);
	status_t closed = file->CloseFile();
	if (status == B_OK)
		status = closed;
	if (status != B_OK)
		remove_written_file(&ref);
	return status;
}

std::string DescribeStatus(status_t status)
{
	switch (status) {
		case B_OK: return "no error";
		case B_ENTRY_NOT_FOUND: return "No such file or directory";
		case B_PERMISSION_DENIED: return "Permission denied";
		case B_IS_A_DIRECTORY: return "Is a directory";
		case B_NOT_A_DIRECTORY: return "Not a directory";
		case B_DEVICE_FULL: return "No space left on device";
		case B_READ_ONLY_DEVICE: return "Read-only file system";
		case B_NAME_TOO_LONG: return "File name too long";
		case B_IO_ERROR: return "Input/output error";
		case B_NO_MEMORY: return "Out of memory";
		case B_BAD_DATA: return "not a valid Tunk preset";
		case B_MEDIA_NO_CODEC: return "this format cannot be written";
		default: break;
	}
	char text[32];
	std::snprintf(text, sizeof(text), "error 0x%08x", unsigned(status));
	return text;
}
