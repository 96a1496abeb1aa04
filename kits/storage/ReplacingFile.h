// ReplacingFile: the new contents of a file, written where no reader sees them and put in
// the file's place only when they are whole. A failed write (a full disk, a lost device, a
// closed pipe) leaves the old file as it was, and never a half-written file under its name.
//
// A regular file (or a new one) is written into a hidden file beside it, flushed to the disk
// and renamed over it: the replaced file keeps its mode, its owner where this process may
// set it and its user attributes; a new file gets the usual mode (0666 less the umask). A
// symbolic link is followed: its target is replaced and the link stays. A target that is no
// regular file (a pipe, a terminal, a device such as /dev/null) cannot be replaced: the
// contents are gathered in an unnamed file and copied into it on Commit, so a writer can
// still seek while it writes. Nothing here waits for a pipe's reader to appear.
#pragma once

#include <sys/types.h>

#include <string>

#include "kits/support/SupportDefs.h"

class ReplacingFile {
public:
	ReplacingFile() = default;
	// Abandons what was not committed.
	~ReplacingFile();

	ReplacingFile(const ReplacingFile&) = delete;
	ReplacingFile& operator=(const ReplacingFile&) = delete;

	// Prepares new contents for `path`. Fails, touching nothing, with the reason the target
	// cannot be written: B_IS_A_DIRECTORY, B_PERMISSION_DENIED (a file this process may not
	// write, a folder it may not add to), B_ENTRY_NOT_FOUND (no such folder), B_LINK_LIMIT,
	// B_NAME_TOO_LONG, B_BUSTED_PIPE (a pipe that no program reads), ...
	status_t SetTo(const char* path);
	status_t InitCheck() const { return fStatus; }

	// Where the contents go: a regular file open for reading and writing, empty at first.
	int FileDescriptor() const { return fFd; }
	// The path as given.
	const std::string& Path() const { return fPath; }
	// True when the target is no regular file, so the contents are copied into it on Commit.
	bool IsStream() const { return fTargetFd >= 0; }

	// Writes all of `size` bytes at the current position.
	status_t Write(const void* buffer, size_t size);

	// Puts the contents in place: flushes them to the disk, closes the file (checking both)
	// and renames it over the target; or copies them into a stream target. On failure the
	// target keeps what it held (a stream may have taken part of the contents) and the
	// reason is returned. Either way nothing is left to abandon.
	status_t Commit();
	// Throws the new contents away; the target is left as it was.
	void Abandon();

private:
	status_t FailWith(int error);  // an errno value
	status_t Fail(status_t status);
	status_t OpenBeside(const std::string& target, const struct stat* old);
	status_t OpenUnnamed();

	std::string fPath;
	std::string fTarget;     // the file the rename replaces, links followed
	std::string fTemporary;  // the hidden file beside it, "" when unnamed
	int fFd = -1;
	int fTargetFd = -1;  // a stream target, open for writing
	status_t fStatus = B_NO_INIT;
};

// Writes all of `size` bytes to `fd`. A pipe whose reader has gone gives B_BUSTED_PIPE
// instead of ending the process with SIGPIPE.
status_t write_fully(int fd, const void* buffer, size_t size);
