#include "kits/media/MediaFormats.h"

#include <sndfile.h>

#include <atomic>
#include <cstring>


namespace {

std::atomic<const std::vector<media_file_format>*> sOverride{nullptr};

void copy_text(char* target, size_t size, const char* text)
{
	std::strncpy(target, text != nullptr ? text : "", size - 1);
	target[size - 1] = '\0';
}

} // namespace

void set_file_formats_override(const std::vector<media_file_format>* formats)
{
	sOverride = formats;
}

status_t get_next_file_format(int32* cookie, media_file_format* format)
{
	if (cookie == nullptr || format == nullptr)
		return B_BAD_VALUE;
	if (*cookie < 0)
		return B_BAD_INDEX;
	if (const std::vector<media_file_format>* formats = sOverride.load()) {
		if (size_t(*cookie) >= formats->size())
			return B_BAD_INDEX;
		*format = (*formats)[size_t(*cookie)];
		++*cookie;
		return B_OK;
	}

	int count = 0;
	sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof(count));
	if (*cookie >= count)
		return B_BAD_INDEX;
	SF_FORMAT_INFO info = {};
	info.format = *cookie;
	if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof(info)) != 0)
		return B_BAD_INDEX;

	*format = media_file_format();
	format->id = info.format;
	copy_text(format->short_name, sizeof(format->short_name), info.extension);
	copy_text(format->file_extension, sizeof(format->file_extension), info.extension);
	copy_text(format->pretty_name, sizeof(format->pretty_name), info.name);
	format->capabilities = B_READABLE | B_KNOWS_RAW_AUDIO;
	if (sndfile_can_write(info.format))
		format->capabilities |= B_WRITABLE;
	++*cookie;
	return B_OK;
}

bool sndfile_major_known(int32 major)
{
	int count = 0;
	sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof(count));
	for (int i = 0; i < count; i++) {
		SF_FORMAT_INFO info = {};
		info.format = i;
		if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof(info)) == 0
			&& info.format == major)
			return true;
	}
	return false;
}

int32 sndfile_format_for(int32 major, uint32 sampleFormat)
{
	int32 codec = 0;
	switch (sampleFormat) {
		case media_raw_audio_format::B_AUDIO_SHORT: codec = SF_FORMAT_PCM_16; break;
		case media_raw_audio_format::B_AUDIO_INT: codec = SF_FORMAT_PCM_32; break;
		case media_raw_audio_format::B_AUDIO_FLOAT: codec = SF_FORMAT_FLOAT; break;
		default: return 0;
	}
	// Containers that carry only compressed or narrower streams encode what they get.
	if (major == SF_FORMAT_OGG)
		codec = SF_FORMAT_VORBIS;
	else if (major == SF_FORMAT_MPEG)
		codec = SF_FORMAT_MPEG_LAYER_III;
	else if (major == SF_FORMAT_FLAC && codec == SF_FORMAT_PCM_32)
		codec = SF_FORMAT_PCM_24;
	return major | codec;
}

bool sndfile_can_write(int32 major)
{
	SF_INFO info = {};
	info.samplerate = 44100;  // only a probe: a rate every container takes, not the file's
	info.channels = 1;
	info.format = sndfile_format_for(major, media_raw_audio_format::B_AUDIO_SHORT);
	return sf_format_check(&info) != 0;
}
