// Test helpers around sound files: the installed format of a short name, and a file read
// back with the sound-file library.
#pragma once

#include <sndfile.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kits/media/MediaFormats.h"

// The first installed format with this short name.
inline media_file_format find_file_format(const char* shortName)
{
	int32 cookie = 0;
	media_file_format format;
	while (get_next_file_format(&cookie, &format) == B_OK) {
		if (std::strcmp(format.short_name, shortName) == 0)
			return format;
	}
	ADD_FAILURE() << "no format " << shortName;
	return media_file_format();
}

struct SoundFile {
	bool opened = false;
	SF_INFO info = {};
	std::vector<int16> samples;  // interleaved
};

inline SoundFile read_sound_file(const std::string& path)
{
	SoundFile sound;
	SNDFILE* file = sf_open(path.c_str(), SFM_READ, &sound.info);
	if (file == nullptr)
		return sound;
	sound.opened = true;
	sound.samples.resize(size_t(sound.info.frames * sound.info.channels));
	sf_readf_short(file, sound.samples.data(), sound.info.frames);
	sf_close(file);
	return sound;
}
