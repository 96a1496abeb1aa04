// tunk-render --kit: a kit file's sample pack, with --notes the kit playing them into one file,
// with --pattern its pattern as a loop (its stems, its MIDI file).
#pragma once

#include <string>

#include "tools/RenderOptions.h"

struct KitRenderResult {
	int exitStatus = 0;    // 0 written, 1 the kit could not be read or a file not written, 2 the
	                       // kit has no such pattern
	std::string messages;  // whole lines for standard error
};

// Reads options.kit and writes its sample pack into options.directory in options.format.
// The kit's notes (a newer format, keys of a newer Tunk) are said and the pack still written.
KitRenderResult RenderKit(const RenderOptions& options);
