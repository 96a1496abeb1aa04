#include "kit/XmlText.h"

#include <cstdint>

size_t Utf8Length(const std::string& text, size_t i)
{
	const auto byte = [&](size_t k) { return uint8_t(text[k]); };
	const uint8_t first = byte(i);
	size_t length;
	uint32_t code;
	if (first < 0x80)
		return 1;
	else if (first >= 0xc2 && first < 0xe0)
		length = 2, code = first & 0x1f;
	else if (first >= 0xe0 && first < 0xf0)
		length = 3, code = first & 0x0f;
	else if (first >= 0xf0 && first < 0xf5)
		length = 4, code = first & 0x07;
	else
		return 0;
	if (i + length > text.size())
		return 0;
	for (size_t k = 1; k < length; k++) {
		if ((byte(i + k) & 0xc0) != 0x80)
			return 0;
		code = code << 6 | (byte(i + k) & 0x3f);
	}
	// No overlong forms, no surrogates, nothing beyond U+10FFFF.
	const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
	if (code < least[length] || (code >= 0xd800 && code < 0xe000) || code > 0x10ffff)
		return 0;
	return length;
}

std::string XmlText(const std::string& text)
{
	std::string out;
	for (size_t i = 0; i < text.size();) {
		const size_t length = Utf8Length(text, i);
		if (length == 0) {
			out += '?';
			i++;
			continue;
		}
		const char c = text[i];
		if (length > 1)
			out.append(text, i, length);
		else if (c == '&')
			out += "&amp;";
		else if (c == '<')
			out += "&lt;";
		else if (c == '>')
			out += "&gt;";
		else if (c == '"')
			out += "&quot;";
		else if (uint8_t(c) >= 0x20 || c == '\t' || c == '\n')
			out += c;
		i += length;
	}
	return out;
}
