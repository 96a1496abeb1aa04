// BMediaFile: a sound file being written in one of the formats of get_next_file_format.
// The constructor checks the format and the target, so that a bad path fails at InitCheck;
// the container is started when the track's format is known (CreateTrack). Every write goes
// through one descriptor, and the first I/O failure is kept and reported by CommitHeader,
// WriteFrames and CloseFile. The file is written beside its target and takes its place only
// when CloseFile has finished it (a pipe or a device gets the finished file), so a failure
// leaves whatever was there before.
#pragma once

#include <string>

#include "kits/media/MediaDefs.h"
#include "kits/storage/EntryRef.h"
#include "kits/storage/ReplacingFile.h"
#include "kits/support/SupportDefs.h"

class BMediaTrack;

class BMediaFile {
public:
	// InitCheck: B_BAD_VALUE without a reference or format, B_BAD_INDEX for a format the
	// writer does not have, B_MISSING_SYMBOL for one it cannot write, B_MEDIA_NO_CODEC
	// when it has no codec for sound; a file that cannot be opened gives its file error.
	BMediaFile(const entry_ref* ref, const media_file_format* fileFormat, int32 flags = 0);
	// A file that CloseFile did not finish is thrown away; the target keeps what it held.
	~BMediaFile();

	BMediaFile(const BMediaFile&) = delete;
	BMediaFile& operator=(const BMediaFile&) = delete;

	status_t InitCheck() const { return fStatus; }

	// The file's one track, owned by the file; nullptr for a format the container
	// cannot hold (not raw audio, no channels, no rate, an unsupported sample format),
	// for a second track, or after CloseFile.
	BMediaTrack* CreateTrack(media_format* format, uint32 flags = 0);

	status_t CommitHeader();
	// Finishes the container and puts the file in place. A file that never got a track, or
	// whose writing failed, is thrown away.
	status_t CloseFile();

private:
	friend class BMediaTrack;
	struct Io;

	status_t WriteStatus() const;
	int Fd() const { return fFile.FileDescriptor(); }

	media_file_format fFileFormat;
	status_t fStatus = B_NO_INIT;
	ReplacingFile fFile;
	bool fClosed = false;
	void* fSound = nullptr;  // the library's handle once the container is started
	status_t fIoError = B_OK;
	BMediaTrack* fTrack = nullptr;
};
