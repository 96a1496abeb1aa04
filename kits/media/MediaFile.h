// BMediaFile: a sound file being written in one of the formats of get_next_file_format.
// The constructor checks the format and opens (creating if needed) the file, so that a
// bad path fails at InitCheck; the container is started when the track's format is known
// (CreateTrack). Every write goes through one descriptor, and the first I/O failure is kept
// and reported by CommitHeader, WriteFrames and CloseFile.
#pragma once

#include <string>

#include "kits/media/MediaDefs.h"
#include "kits/storage/EntryRef.h"
#include "kits/support/SupportDefs.h"

class BMediaTrack;

class BMediaFile {
public:
	// InitCheck: B_BAD_VALUE without a reference or format, B_BAD_INDEX for a format the
	// writer does not have, B_MISSING_SYMBOL for one it cannot write, B_MEDIA_NO_CODEC
	// when it has no codec for sound; a file that cannot be opened gives its file error.
	BMediaFile(const entry_ref* ref, const media_file_format* fileFormat, int32 flags = 0);
	~BMediaFile();

	BMediaFile(const BMediaFile&) = delete;
	BMediaFile& operator=(const BMediaFile&) = delete;

	status_t InitCheck() const { return fStatus; }

	// The file's one track, owned by the file; nullptr for a format the container
	// cannot hold (not raw audio, no channels, no rate, an unsupported sample format),
	// for a second track, or after CloseFile.
	BMediaTrack* CreateTrack(media_format* format, uint32 flags = 0);

	status_t CommitHeader();
	// Finishes the container and closes the file. A file that never got a track is
	// removed again if this object created it.
	status_t CloseFile();

private:
	friend class BMediaTrack;
	struct Io;

	status_t WriteStatus() const;

	std::string fPath;
	media_file_format fFileFormat;
	status_t fStatus = B_NO_INIT;
	int fFd = -1;
	bool fCreated = false;
	bool fClosed = false;
	void* fSound = nullptr;  // the library's handle once the container is started
	status_t fIoError = B_OK;
	BMediaTrack* fTrack = nullptr;
};
