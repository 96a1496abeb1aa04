// Writes an engine's generated sound into a file through the media kit.
#pragma once

#include <string>

#include "kits/support/SupportDefs.h"

class TunkSound;

// Writes the engine's current buffer (it is not regenerated) as 16-bit mono at 44100 Hz in
// `format` (wav, flac, aiff or ogg). A file left half-written by a failure is removed.
status_t WriteSoundFile(const TunkSound& sound, const std::string& path, const std::string& format);

// A short description of a status for messages ("No such file or directory", ...).
std::string DescribeStatus(status_t status);
