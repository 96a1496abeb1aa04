// Numbers in the window's text fields, written and read the same way in every locale: the
// program runs under the user's locale (for menus and file names), but a preset value typed
// as 0.5 must not read as 0 where the decimal mark is a comma.
#pragma once

#include <string>

// The value, widened to double, in "%g\n" with a decimal point.
std::string FormatNumber(float value);

// What a one-line field shows of a formatted number: the text up to its first line break.
std::string FieldText(const std::string& formatted);

// The text read as the standard library's atof reads it in the "C" locale: leading blanks
// skipped, the longest number at the start taken, 0 when there is none.
double ParseNumber(const char* text);
