#include "kits/support/Errors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

struct ErrnoStatus {
	int error;
	int32_t status;
	const char* words;  // the C library's words in the "C" locale
};

// The POSIX errors the platform has names for. Where two errors share a status, the first
// is the one whose words describe it.
constexpr ErrnoStatus kErrnoStatus[] = {
	{ENOMEM, B_NO_MEMORY, "Cannot allocate memory"},
	{EIO, B_IO_ERROR, "Input/output error"},
	{EACCES, B_PERMISSION_DENIED, "Permission denied"},
	{EPERM, B_PERMISSION_DENIED, "Operation not permitted"},
	{EPERM, B_NOT_ALLOWED, "Operation not permitted"},
	{EINVAL, B_BAD_VALUE, "Invalid argument"},
	{ETIMEDOUT, B_TIMED_OUT, "Connection timed out"},
	{EINTR, B_INTERRUPTED, "Interrupted system call"},
	{EAGAIN, B_WOULD_BLOCK, "Resource temporarily unavailable"},
	{EBUSY, B_BUSY, "Device or resource busy"},
	{EEXIST, B_FILE_EXISTS, "File exists"},
	{ENOENT, B_ENTRY_NOT_FOUND, "No such file or directory"},
	{ENAMETOOLONG, B_NAME_TOO_LONG, "File name too long"},
	{ENOTDIR, B_NOT_A_DIRECTORY, "Not a directory"},
	{ENOTEMPTY, B_DIRECTORY_NOT_EMPTY, "Directory not empty"},
	{ENOSPC, B_DEVICE_FULL, "No space left on device"},
	{EROFS, B_READ_ONLY_DEVICE, "Read-only file system"},
	{EISDIR, B_IS_A_DIRECTORY, "Is a directory"},
	{EMFILE, B_NO_MORE_FDS, "Too many open files"},
	{EXDEV, B_CROSS_DEVICE_LINK, "Invalid cross-device link"},
	{ELOOP, B_LINK_LIMIT, "Too many levels of symbolic links"},
	{EPIPE, B_BUSTED_PIPE, "Broken pipe"},
	{ENOTSUP, B_UNSUPPORTED, "Operation not supported"},
	{EFBIG, B_FILE_TOO_LARGE, "File too large"},
};

// Errors without a platform name: this base plus the errno, above the platform's own POSIX
// codes (the system's errno values stay far below the range's end).
constexpr int32_t kUnnamedErrnoBase = B_POSIX_ERROR_BASE + 0x800;
constexpr int kUnnamedErrnoCount = 0x800;

}  // namespace

int32_t status_from_errno(int error)
{
	if (error == 0)
		return B_OK;
	for (const ErrnoStatus& entry : kErrnoStatus) {
		if (entry.error == error)
			return entry.status;
	}
	return error > 0 && error < kUnnamedErrnoCount ? kUnnamedErrnoBase + error : B_ERROR;
}

const char* status_text(int32_t status)
{
	for (const ErrnoStatus& entry : kErrnoStatus) {
		if (entry.status == status)
			return entry.words;
	}
	if (status > kUnnamedErrnoBase && status < kUnnamedErrnoBase + kUnnamedErrnoCount)
		return strerrordesc_np(status - kUnnamedErrnoBase);
	return nullptr;
}

std::string DescribeStatus(int32_t status)
{
	switch (status) {
		case B_OK: return "no error";
		case B_MEDIA_NO_CODEC: return "this format cannot be written";
		case B_BAD_INDEX: return "no writer for this format";
		case B_MISSING_SYMBOL: return "this format is read-only";
		case B_BAD_TYPE: return "Not a regular file";
		default: break;
	}
	if (const char* text = status_text(status))
		return text;
	char text[32];
	std::snprintf(text, sizeof(text), "error 0x%08x", unsigned(status));
	return text;
}

std::string FileProblemText(const std::string& path, const std::string& reason)
{
	return path + ": " + reason;
}

std::string FileAlertText(const std::string& text, const std::string& path, const std::string& reason)
{
	return text + "\n" + FileProblemText(path, reason);
}
