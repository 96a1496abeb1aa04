// Writing a file of one of Tunk's types: its new contents replace it only when whole, then the
// file is tagged with its type. Shared by the preset and the kit file.
#pragma once

#include <initializer_list>
#include <span>

#include "kits/support/SupportDefs.h"

class BNode;

// Writes `parts` one after the other as the whole new contents of `path` (see ReplacingFile:
// after a failure the old file is whole), then tags the written file through `tag` unless the
// path is a pipe or a device, which keep no type; a failed tag (no attributes on the file
// system) fails nothing. Failures are the system's reasons.
status_t WriteTypedFile(const char* path, std::initializer_list<std::span<const uint8>> parts,
	status_t (*tag)(BNode* node));
