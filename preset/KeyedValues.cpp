#include "preset/KeyedValues.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

// The shortest decimal that reads back as `value` through a double, so that files say
// 0.95 rather than 0.949999988079071.
double ShortestDouble(float value)
{
	char text[32];
	auto [end, error] = std::to_chars(text, text + sizeof(text), value);
	if (error == std::errc()) {
		double shortest = 0;
		auto [last, bad] = std::from_chars(text, end, shortest);
		if (bad == std::errc() && last == end && float(shortest) == value)
			return shortest;
	}
	return double(value);
}

// The first pass of ParseKeyed: counts what the text holds, building nothing, and stops at the
// first bound it exceeds or the first fault of the text.
class ShapeCheck {
public:
	explicit ShapeCheck(const KeyedLimits& limits) : fLimits(limits) {}

	std::string refusal;

	bool null() { return Value(); }
	bool boolean(bool) { return Value(); }
	bool number_integer(KeyedJson::number_integer_t) { return Value(); }
	bool number_unsigned(KeyedJson::number_unsigned_t) { return Value(); }
	bool number_float(KeyedJson::number_float_t, const std::string&) { return Value(); }
	bool string(std::string&) { return Value(); }
	bool binary(KeyedJson::binary_t&) { return Value(); }
	bool start_object(size_t) { return Open(); }
	bool end_object() { return Close(); }
	bool start_array(size_t) { return Open(); }
	bool end_array() { return Close(); }

	bool key(std::string&)
	{
		if (++fKeys > fLimits.keys)
			return Refuse("more than " + std::to_string(fLimits.keys) + " keys");
		if (++fObjectKeys.back() > fLimits.objectKeys)
			return Refuse("an object holds more than " + std::to_string(fLimits.objectKeys) + " keys");
		return true;
	}

	bool parse_error(size_t position, const std::string&, const KeyedJson::exception& error)
	{
		// 406: a number beyond a double's range.
		return Refuse(error.id == 406 ? "it holds a number too large to read"
			: "not well-formed JSON at byte " + std::to_string(position) + "; cut short?");
	}

private:
	bool Refuse(std::string why)
	{
		refusal = std::move(why);
		return false;
	}

	bool Value()
	{
		if (++fValues > fLimits.values)
			return Refuse("more than " + std::to_string(fLimits.values) + " values");
		return true;
	}

	// A list has an entry too, never counted up: keys come only inside objects.
	bool Open()
	{
		if (!Value())
			return false;
		if (fObjectKeys.size() == size_t(fLimits.depth))
			return Refuse("nested too deeply");
		fObjectKeys.push_back(0);
		return true;
	}

	bool Close()
	{
		fObjectKeys.pop_back();
		return true;
	}

	const KeyedLimits& fLimits;
	size_t fKeys = 0;
	size_t fValues = 0;
	std::vector<size_t> fObjectKeys;  // keys so far of each open object or list, outermost first
};

}  // namespace

bool AllRows(const tunk::ParamInfo&)
{
	return true;
}

std::string ParseKeyed(std::string_view text, const KeyedLimits& limits, KeyedJson* root)
{
	ShapeCheck check(limits);
	KeyedJson::sax_parse(text.begin(), text.end(), &check);
	if (!check.refusal.empty())
		return check.refusal;
	*root = KeyedJson::parse(text.begin(), text.end());
	return "";
}

std::string ReadKeyedValues(const KeyedJson& object, KeyedRows rows, std::string_view ignored,
	tunk::SoundParams* params, KeyedUnknown* unknown)
{
	// Everything is checked before anything is changed, so a refusal changes nothing.
	tunk::SoundParams values = *params;
	KeyedUnknown kept;
	for (const auto& [symbol, value] : object.items()) {
		if (symbol == ignored)
			continue;
		const std::optional<tunk::Param> param = tunk::FindParam(symbol);
		if (!param) {
			kept[symbol] = value.dump(-1, ' ', false, KeyedJson::error_handler_t::replace);
			continue;
		}
		if (!value.is_number())
			return "the value of " + symbol + " is no number";
		const double wanted = value.get<double>();
		if (!std::isfinite(float(wanted)))
			return "the value of " + symbol + " (" + NumberText(wanted) + ") is too large";
		if (rows(tunk::Info(*param)))
			values[*param] = float(wanted);
	}
	*params = values;
	unknown->insert(kept.begin(), kept.end());
	return "";
}

void WriteKeyedValues(const tunk::SoundParams& params, KeyedRows rows, bool skipDefaults,
	const KeyedUnknown& unknown, std::string_view ignored, KeyedJson* object)
{
	for (const tunk::ParamInfo& info : tunk::kParams) {
		if (!rows(info))
			continue;
		const float value = params[info.id];
		if (skipDefaults && std::bit_cast<uint32_t>(value) == std::bit_cast<uint32_t>(info.def))
			continue;
		(*object)[info.symbol] = WritableNumber(value, info.def);
	}
	for (const auto& [key, text] : unknown) {
		if (tunk::FindParam(key) || key == ignored)
			continue;
		KeyedJson value = KeyedJson::parse(text, nullptr, false);
		if (!value.is_discarded())
			(*object)[key] = std::move(value);
	}
}

KeyedJson WritableNumber(float value, float otherwise)
{
	if (std::isnan(value))
		value = otherwise;
	else if (std::isinf(value))
		value = std::copysign(std::numeric_limits<float>::max(), value);
	return ShortestNumber(value);
}

KeyedJson ShortestNumber(float value)
{
	const double number = ShortestDouble(value);
	// Whole numbers (codes, counts, seeds) as integers; -0 keeps its sign as a float.
	if (std::trunc(number) == number && std::fabs(number) < 1e15 && !std::signbit(number))
		return int64_t(number);
	return number;
}

std::string NumberText(double value)
{
	char text[32];
	auto [end, error] = std::to_chars(text, text + sizeof(text), value);
	return error == std::errc() ? std::string(text, end) : std::string("?");
}

std::string KeptValuesMessage(const KeyedUnknown& unknown)
{
	std::string names;
	for (const auto& [key, text] : unknown)
		names += (names.empty() ? "" : ", ") + key;
	return "Values from a newer version of Tunk are kept as they are: " + names + ".";
}
