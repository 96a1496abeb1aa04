#pragma once

#include <cstddef>
#include <string>

// The length of the UTF-8 character starting at text[i], 0 when none starts there.
size_t Utf8Length(const std::string& text, size_t i);

// `text` as XML character data or a double-quoted attribute value: markup escaped, control
// characters left out, bytes that are not UTF-8 as "?". Shared by the sample pack's Hydrogen
// kit and the plugin's note names, which both show the user's pad names.
std::string XmlText(const std::string& text);
