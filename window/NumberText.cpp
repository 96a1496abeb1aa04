#include "window/NumberText.h"

#include <locale.h>

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
	std::snprintf(text, sizeof(text), "%g\n", double(value));
	uselocale(previous);
	return text;
}

std::string FieldText(const std::string& formatted)
{
	return formatted.substr(0, formatted.find_first_of("\r\n"));
}

double ParseNumber(const char* text)
{
	return text != nullptr ? strtod_l(text, nullptr, CLocale()) : 0;
}
