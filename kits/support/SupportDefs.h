// Fixed-width types, status codes and four-character codes of the platform layer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kits/support/Errors.h"

typedef int8_t int8;
typedef uint8_t uint8;
typedef int16_t int16;
typedef uint16_t uint16;
typedef int32_t int32;
typedef uint32_t uint32;
typedef int64_t int64;
typedef uint64_t uint64;
typedef int64_t bigtime_t;
typedef int32_t status_t;
typedef uint32_t type_code;

// A message or type code of four characters, the first in the most significant byte:
// four_char_code("slfm") == 0x736C666D.
constexpr uint32 four_char_code(const char (&s)[5])
{
	return (uint32(uint8(s[0])) << 24) | (uint32(uint8(s[1])) << 16) | (uint32(uint8(s[2])) << 8)
		| uint32(uint8(s[3]));
}

static_assert(four_char_code("slfm") == 0x736C666D);
