// Numbers in the window's text fields, written and read the same way in every locale: the
// program runs under the user's locale (for menus and file names), but a preset value typed
// as 0.5 must not read as 0 where the decimal mark is a comma.
#pragma once

#include <optional>
#include <string>

// The value, widened to double, in "%g" with a decimal point: one line, so that digits typed
// at its end belong to the number.
std::string FormatNumber(float value);

// The value with `digits` decimals (0 to 9), with a decimal point in every locale.
std::string FormatFixed(float value, int digits);

// The text read as the standard library's atof reads it in the "C" locale: leading blanks
// skipped, the longest number at the start taken. Nothing when no number starts the text: no
// digits at all, or the words "nan" and "inf".
std::optional<double> ParseNumber(const char* text);
