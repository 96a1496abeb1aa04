#include "window/FileAlert.h"

#include <cerrno>
#include <cstring>

namespace {

// The errno value a storage status was made from; 0 for a status of no system call.
int ErrnoFor(status_t status)
{
	switch (status) {
		case B_NO_MEMORY: return ENOMEM;
		case B_IO_ERROR: return EIO;
		case B_PERMISSION_DENIED: return EACCES;
		case B_BAD_VALUE: return EINVAL;
		case B_TIMED_OUT: return ETIMEDOUT;
		case B_INTERRUPTED: return EINTR;
		case B_WOULD_BLOCK: return EAGAIN;
		case B_BUSY: return EBUSY;
		case B_FILE_EXISTS: return EEXIST;
		case B_ENTRY_NOT_FOUND: return ENOENT;
		case B_NAME_TOO_LONG: return ENAMETOOLONG;
		case B_NOT_A_DIRECTORY: return ENOTDIR;
		case B_DIRECTORY_NOT_EMPTY: return ENOTEMPTY;
		case B_DEVICE_FULL: return ENOSPC;
		case B_READ_ONLY_DEVICE: return EROFS;
		case B_IS_A_DIRECTORY: return EISDIR;
		case B_UNSUPPORTED: return ENOTSUP;
		default: return 0;
	}
}

} // namespace

std::string ReasonText(status_t status)
{
	if (status == B_BAD_DATA)
		return "Not a Tunk preset";
	int error = ErrnoFor(status);
	if (error == 0)
		return "Unknown error";
	return std::strerror(error);
}

std::string FileAlertText(const char* text, const std::string& path, status_t status)
{
	return std::string(text) + "\n" + path + ": " + ReasonText(status);
}
