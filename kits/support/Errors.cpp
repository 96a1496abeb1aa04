#include "kits/support/Errors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

struct ErrnoStatus {
	int error;
	int32_t status;
};

// The POSIX errors the platform has names for. Where two errors share a status, the first
// is the one whose words describe it.
constexpr ErrnoStatus kErrnoStatus[] = {
	{ENOMEM, B_NO_MEMORY},
	{EIO, B_IO_ERROR},
	{EACCES, B_PERMISSION_DENIED},
	{EPERM, B_PERMISSION_DENIED},
	{EPERM, B_NOT_ALLOWED},
	{EINVAL, B_BAD_VALUE},
	{ETIMEDOUT, B_TIMED_OUT},
	{EINTR, B_INTERRUPTED},
	{EAGAIN, B_WOULD_BLOCK},
	{EBUSY, B_BUSY},
	{EEXIST, B_FILE_EXISTS},
	{ENOENT, B_ENTRY_NOT_FOUND},
	{ENAMETOOLONG, B_NAME_TOO_LONG},
	{ENOTDIR, B_NOT_A_DIRECTORY},
	{ENOTEMPTY, B_DIRECTORY_NOT_EMPTY},
	{ENOSPC, B_DEVICE_FULL},
	{EROFS, B_READ_ONLY_DEVICE},
	{EISDIR, B_IS_A_DIRECTORY},
	{ENOTSUP, B_UNSUPPORTED},
};

}  // namespace

int32_t status_from_errno(int error)
{
	if (error == 0)
		return B_OK;
	for (const ErrnoStatus& entry : kErrnoStatus) {
		if (entry.error == error)
			return entry.status;
	}
	return B_ERROR;
}

const char* status_text(int32_t status)
{
	for (const ErrnoStatus& entry : kErrnoStatus) {
		if (entry.status == status)
			return std::strerror(entry.error);
	}
	return nullptr;
}

std::string DescribeStatus(int32_t status)
{
	switch (status) {
		case B_OK: return "no error";
		case B_MEDIA_NO_CODEC: return "this format cannot be written";
		case B_BAD_INDEX: return "no writer for this format";
		case B_MISSING_SYMBOL: return "this format is read-only";
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
