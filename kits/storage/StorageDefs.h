// Open modes and limits of the storage kit.
#pragma once

#include "kits/support/SupportDefs.h"

enum : uint32 {
	B_READ_ONLY = 0x0000,
	B_WRITE_ONLY = 0x0001,
	B_READ_WRITE = 0x0002,
	B_FAIL_IF_EXISTS = 0x0100,
	B_CREATE_FILE = 0x0200,
	B_ERASE_FILE = 0x0400,
	B_OPEN_AT_END = 0x0800,
};

constexpr int32 B_FILE_NAME_LENGTH = 256;
constexpr int32 B_PATH_NAME_LENGTH = 1024;
// Buffers for type strings, signatures and descriptions hold this many bytes with the NUL.
constexpr int32 B_MIME_TYPE_LENGTH = 240;
