#include "window/NumberText.h"

#include <locale.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace {

locale_t CLocale()
{
	static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
	return locale;
}

} // namespace

std::string FormatNumber(float value)
{
	// uselocale changes only this thread's locale, and only until it is put back.
	const locale_t previous = uselocale(CLocale());
	char text[64];
	std::snprintf(text, sizeof(text), "%g", double(value));
	uselocale(previous);
	return text;
}

std::string FormatFixed(float value, int digits)
{
	const locale_t previous = uselocale(CLocale());
	char text[64];
	std::snprintf(text, sizeof(text), "%.*f", digits < 0 ? 0 : digits > 9 ? 9 : digits, double(value));
	uselocale(previous);
	return text;
}

std::optional<double> ParseNumber(const char* text)
{
	if (text == nullptr)
		return std::nullopt;
	char* end = nullptr;
	const double value = strtod_l(text, &end, CLocale());
	if (end == text)
		return std::nullopt;
	// What was read began with digits or a point, not with a word (nan, inf, infinity).
	const char* start = text;
	while (std::isspace(static_cast<unsigned char>(*start)))
		start++;
	if (*start == '+' || *start == '-')
		start++;
	if (std::isalpha(static_cast<unsigned char>(*start)))
		return std::nullopt;
	return value;
}
