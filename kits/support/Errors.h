// The platform's error codes: negative 32-bit values grouped by kit.
#pragma once

#include <cstdint>
#include <string>

enum : int32_t {
	B_GENERAL_ERROR_BASE = INT32_MIN,
	B_OS_ERROR_BASE = B_GENERAL_ERROR_BASE + 0x1000,
	B_APP_ERROR_BASE = B_GENERAL_ERROR_BASE + 0x2000,
	B_INTERFACE_ERROR_BASE = B_GENERAL_ERROR_BASE + 0x3000,
	B_MEDIA_ERROR_BASE = B_GENERAL_ERROR_BASE + 0x4000,
	B_STORAGE_ERROR_BASE = B_GENERAL_ERROR_BASE + 0x6000,
	B_POSIX_ERROR_BASE = B_GENERAL_ERROR_BASE + 0x7000,
};

enum : int32_t {
	B_OK = 0,
	B_ERROR = -1,

	B_NO_MEMORY = B_GENERAL_ERROR_BASE + 0,
	B_IO_ERROR = B_GENERAL_ERROR_BASE + 1,
	B_PERMISSION_DENIED = B_GENERAL_ERROR_BASE + 2,
	B_BAD_INDEX = B_GENERAL_ERROR_BASE + 3,
	B_BAD_TYPE = B_GENERAL_ERROR_BASE + 4,
	B_BAD_VALUE = B_GENERAL_ERROR_BASE + 5,
	B_MISMATCHED_VALUES = B_GENERAL_ERROR_BASE + 6,
	B_NAME_NOT_FOUND = B_GENERAL_ERROR_BASE + 7,
	B_NAME_IN_USE = B_GENERAL_ERROR_BASE + 8,
	B_TIMED_OUT = B_GENERAL_ERROR_BASE + 9,
	B_INTERRUPTED = B_GENERAL_ERROR_BASE + 10,
	B_WOULD_BLOCK = B_GENERAL_ERROR_BASE + 11,
	B_CANCELED = B_GENERAL_ERROR_BASE + 12,
	B_NO_INIT = B_GENERAL_ERROR_BASE + 13,
	B_BUSY = B_GENERAL_ERROR_BASE + 14,
	B_NOT_ALLOWED = B_GENERAL_ERROR_BASE + 15,
	B_BAD_DATA = B_GENERAL_ERROR_BASE + 16,
	B_UNSUPPORTED = B_GENERAL_ERROR_BASE + 17,

	B_BAD_SEM_ID = B_OS_ERROR_BASE + 0,
	B_NO_MORE_SEMS = B_OS_ERROR_BASE + 1,
	B_MISSING_SYMBOL = B_OS_ERROR_BASE + 0x304,

	B_BAD_REPLY = B_APP_ERROR_BASE + 0,
	B_MESSAGE_NOT_UNDERSTOOD = B_APP_ERROR_BASE + 7,

	// The writer has no codec for the requested format.
	B_MEDIA_NO_CODEC = B_MEDIA_ERROR_BASE + 0x11b,

	B_FILE_ERROR = B_STORAGE_ERROR_BASE + 0,
	B_FILE_EXISTS = B_STORAGE_ERROR_BASE + 2,
	B_ENTRY_NOT_FOUND = B_STORAGE_ERROR_BASE + 3,
	B_NAME_TOO_LONG = B_STORAGE_ERROR_BASE + 4,
	B_NOT_A_DIRECTORY = B_STORAGE_ERROR_BASE + 5,
	B_DIRECTORY_NOT_EMPTY = B_STORAGE_ERROR_BASE + 6,
	B_DEVICE_FULL = B_STORAGE_ERROR_BASE + 7,
	B_READ_ONLY_DEVICE = B_STORAGE_ERROR_BASE + 8,
	B_IS_A_DIRECTORY = B_STORAGE_ERROR_BASE + 9,
	B_NO_MORE_FDS = B_STORAGE_ERROR_BASE + 10,
	B_CROSS_DEVICE_LINK = B_STORAGE_ERROR_BASE + 11,
	B_LINK_LIMIT = B_STORAGE_ERROR_BASE + 12,
	B_BUSTED_PIPE = B_STORAGE_ERROR_BASE + 13,

	B_FILE_TOO_LARGE = B_POSIX_ERROR_BASE + 4,
};

static_assert(uint32_t(B_NO_MEMORY) == 0x80000000u);
static_assert(uint32_t(B_BAD_INDEX) == 0x80000003u);
static_assert(uint32_t(B_MISSING_SYMBOL) == 0x80001304u);
static_assert(uint32_t(B_MEDIA_NO_CODEC) == 0x8000411bu);

// The platform code for a POSIX errno value. One the platform has no name for (a disk quota
// exceeded) keeps its number in a code of its own, so that its words still reach the user.
int32_t status_from_errno(int error);
// The system's words for a status made from a POSIX error ("Permission denied"); nullptr
// for a status of no system call. The words are the kit's own copy of the C library's, or
// the library's own table for errors the platform has no name for, so any thread may ask at
// any time (strerror may share one buffer between threads).
const char* status_text(int32_t status);

// Words for any status: "no error" for B_OK, the writer's media codes' own words, "Not a
// regular file" for B_BAD_TYPE (a pipe or a device where a file was wanted), the system's
// words for one made from a POSIX error, else "error 0x80001234".
std::string DescribeStatus(int32_t status);

// "path: reason": what went wrong with which file.
std::string FileProblemText(const std::string& path, const std::string& reason);
// "text\npath: reason": an alert's own text, then the line naming the file and the reason.
std::string FileAlertText(const std::string& text, const std::string& path, const std::string& reason);
