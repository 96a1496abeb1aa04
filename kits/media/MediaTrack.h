// BMediaTrack: the audio track of a BMediaFile being written.
#pragma once

#include "kits/media/MediaDefs.h"
#include "kits/support/SupportDefs.h"

class BMediaFile;

class BMediaTrack {
public:
	// Appends frames (one sample per channel each) in the track's raw-audio format. B_OK,
	// B_BAD_VALUE for a negative count, B_NO_INIT once the file is closed, or the file's
	// first write error (B_DEVICE_FULL, B_IO_ERROR...).
	status_t WriteFrames(const void* data, int64 frameCount, int64 flags = 0);

private:
	friend class BMediaFile;
	BMediaTrack(BMediaFile* file, const media_format& format);
	~BMediaTrack() = default;

	BMediaFile* fFile;
	media_format fFormat;
};
