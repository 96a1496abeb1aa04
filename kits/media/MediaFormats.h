// The file formats the media-file writer knows, walked one by one with a cookie.
#pragma once

#include <vector>

#include "kits/media/MediaDefs.h"
#include "kits/support/SupportDefs.h"

// media_file_format::capabilities
enum : uint32 {
	B_READABLE = 0x1,
	B_WRITABLE = 0x2,
	B_KNOWS_RAW_AUDIO = 0x20,
	B_KNOWS_ENCODED_AUDIO = 0x100,
};

// With *cookie 0 at the start, fills `format` with the next installed file format and
// advances the cookie; B_BAD_INDEX after the last one. The short name is the format's
// file extension ("wav" first for Microsoft WAV), the id the writer's own format code.
status_t get_next_file_format(int32* cookie, media_file_format* format);

// For tests: makes get_next_file_format yield exactly these formats (the caller keeps the
// list alive); nullptr goes back to the installed ones.
void set_file_formats_override(const std::vector<media_file_format>* formats);

// How these formats map onto the sound-file library's format codes (for the writer).
// True when `major` is one of the library's container formats.
bool sndfile_major_known(int32 major);
// The container's codec for samples of the given raw-audio sample format (B_AUDIO_*),
// combined with the container code; 0 when there is none.
int32 sndfile_format_for(int32 major, uint32 sampleFormat);
// True when the library can write a mono 16-bit stream into the container.
bool sndfile_can_write(int32 major);
