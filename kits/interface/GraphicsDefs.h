// Colours, patterns, drawing modes and colour spaces.
#pragma once

#include "kits/support/SupportDefs.h"

struct rgb_color {
	uint8 red;
	uint8 green;
	uint8 blue;
	uint8 alpha;

	constexpr bool operator==(const rgb_color& c) const = default;
};

constexpr rgb_color make_color(uint8 red, uint8 green, uint8 blue, uint8 alpha = 255)
{
	return rgb_color{red, green, blue, alpha};
}

// A view whose view colour is this is not erased before it draws.
inline constexpr rgb_color B_TRANSPARENT_COLOR = {0x77, 0x74, 0x77, 0x00};

// An 8 by 8 pattern: a set bit takes the high colour, a clear bit the low colour. Row y uses
// data[y % 8]; column x the bit 0x80 >> (x % 8).
struct pattern {
	uint8 data[8];

	constexpr bool operator==(const pattern& p) const = default;
};

inline constexpr pattern B_SOLID_HIGH = {{0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff}};
inline constexpr pattern B_SOLID_LOW = {{0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr pattern B_MIXED_COLORS = {{0xaa, 0x55, 0xaa, 0x55, 0xaa, 0x55, 0xaa, 0x55}};

// How drawing combines with what lies beneath. B_OP_COPY writes the colour; B_OP_OVER writes
// only the high-colour pixels of the pattern; B_OP_ERASE only the low-colour pixels;
// B_OP_ALPHA blends the colour by its alpha a:
//   out = dst + (src - dst) * a / 255, rounded to the nearest integer (halves away from 0),
// per colour channel. The others behave as B_OP_COPY.
enum drawing_mode {
	B_OP_COPY,
	B_OP_OVER,
	B_OP_ERASE,
	B_OP_INVERT,
	B_OP_ADD,
	B_OP_SUBTRACT,
	B_OP_BLEND,
	B_OP_MIN,
	B_OP_MAX,
	B_OP_SELECT,
	B_OP_ALPHA,
};

// Pixel layouts. B_RGBA32 holds blue, green, red, alpha bytes in memory order (0xAARRGGBB read
// as a little-endian 32-bit word).
enum color_space {
	B_NO_COLOR_SPACE = 0x0000,
	B_RGB32 = 0x0008,
	B_RGBA32 = 0x2008,
};
