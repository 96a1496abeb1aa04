#include "kits/support/Errors.h"

#include <cerrno>
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
