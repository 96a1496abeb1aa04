// Media formats: raw audio descriptions and file format descriptions.
#pragma once

#include <cstddef>

#include "kits/support/SupportDefs.h"

enum media_type : int32 {
	B_MEDIA_NO_TYPE = -1,
	B_MEDIA_UNKNOWN_TYPE = 0,
	B_MEDIA_RAW_AUDIO = 1,
};

struct media_raw_audio_format {
	enum : uint32 {
		B_AUDIO_FLOAT = 0x24,
		B_AUDIO_INT = 0x4,
		B_AUDIO_SHORT = 0x2,
		B_AUDIO_UCHAR = 0x11,
		B_AUDIO_CHAR = 0x1,
	};

	float frame_rate = 0;
	uint32 channel_count = 0;
	uint32 format = 0;      // one of the B_AUDIO_* sample formats
	uint32 byte_order = 0;  // B_MEDIA_LITTLE_ENDIAN or B_MEDIA_BIG_ENDIAN
	size_t buffer_size = 0; // bytes per buffer; 0 lets the player choose
};

enum : uint32 {
	B_MEDIA_BIG_ENDIAN = 1,
	B_MEDIA_LITTLE_ENDIAN = 2,
};

struct media_format {
	media_type type = B_MEDIA_UNKNOWN_TYPE;
	type_code user_data_type = 0;
	union {
		media_raw_audio_format raw_audio;
	} u{media_raw_audio_format{}};
};

// One file format that the writer can produce, as get_next_file_format yields it.
struct media_file_format {
	uint32 capabilities = 0;
	int32 family = 0;
	int32 version = 0;
	char mime_type[64] = {};
	char pretty_name[64] = {};
	char short_name[32] = {};  // the format's usual file extension: "wav", "flac", ...
	char file_extension[8] = {};
	int32 id = 0;  // the writer's own handle for the format
};
