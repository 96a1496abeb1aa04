#include "kits/media/MediaTrack.h"

#include <sndfile.h>

#include <bit>
#include <cstring>
#include <vector>

#include "kits/media/MediaFile.h"

namespace {

bool host_matches(uint32 byteOrder)
{
	if (byteOrder != B_MEDIA_BIG_ENDIAN && byteOrder != B_MEDIA_LITTLE_ENDIAN)
		return true;
	return (byteOrder == B_MEDIA_LITTLE_ENDIAN) == (std::endian::native == std::endian::little);
}

// A copy of the samples in host byte order.
std::vector<char> swapped(const void* data, size_t count, size_t width)
{
	std::vector<char> out(count * width);
	const char* in = static_cast<const char*>(data);
	for (size_t i = 0; i < count; i++) {
		for (size_t b = 0; b < width; b++)
			out[i * width + b] = in[i * width + width - 1 - b];
	}
	return out;
}

} // namespace

BMediaTrack::BMediaTrack(BMediaFile* file, const media_format& format)
	: fFile(file), fFormat(format)
{
}

status_t BMediaTrack::WriteFrames(const void* data, int64 frameCount, int64)
{
	if (fFile->fClosed || fFile->fSound == nullptr)
		return B_NO_INIT;
	if (frameCount < 0 || (data == nullptr && frameCount > 0))
		return B_BAD_VALUE;
	if (frameCount == 0)
		return fFile->WriteStatus();

	SNDFILE* sound = static_cast<SNDFILE*>(fFile->fSound);
	const media_raw_audio_format& raw = fFormat.u.raw_audio;
	const size_t samples = size_t(frameCount) * raw.channel_count;
	const size_t width = raw.format == media_raw_audio_format::B_AUDIO_SHORT ? 2 : 4;
	std::vector<char> copy;
	if (!host_matches(raw.byte_order)) {
		copy = swapped(data, samples, width);
		data = copy.data();
	}

	sf_count_t written = 0;
	switch (raw.format) {
		case media_raw_audio_format::B_AUDIO_SHORT:
			written = sf_writef_short(sound, static_cast<const short*>(data), frameCount);
			break;
		case media_raw_audio_format::B_AUDIO_INT:
			written = sf_writef_int(sound, static_cast<const int*>(data), frameCount);
			break;
		default:
			written = sf_writef_float(sound, static_cast<const float*>(data), frameCount);
			break;
	}
	status_t status = fFile->WriteStatus();
	if (status == B_OK && written != frameCount)
		status = B_IO_ERROR;
	return status;
}
