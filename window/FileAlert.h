// The text of an alert about one file: the alert's own text, then a line naming the file and
// what went wrong, so that a user can tell what failed where.
#pragma once

#include <string>

#include "kits/support/SupportDefs.h"

// The system's words for a status of the storage calls ("Permission denied"); "Not a Tunk
// preset" for B_BAD_DATA.
std::string ReasonText(status_t status);

// "text\npath: reason".
std::string FileAlertText(const char* text, const std::string& path, status_t status);
