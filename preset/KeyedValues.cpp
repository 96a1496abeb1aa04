#include "preset/KeyedValues.h"

#include <bit>
#include <charconv>
#include <cmath>

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

// JSON has no infinities or non-numbers: those are written as the nearest end of the range
// (a non-number as the default), which is what reading them back would give.
float Writable(const tunk::ParamInfo& info, float value)
{
	if (std::isnan(value))
		return info.def;
	if (std::isinf(value))
		return value > 0 ? info.max : info.min;
	return value;
}

std::string Format(float value)
{
	char text[32];
	auto [end, error] = std::to_chars(text, text + sizeof(text), value);
	return error == std::errc() ? std::string(text, end) : std::string("?");
}

}  // namespace

bool AllRows(const tunk::ParamInfo&)
{
	return true;
}

KeyedRead ReadKeyedValues(const KeyedJson& object, KeyedRows rows, std::string_view ignored,
	tunk::SoundParams* params, KeyedUnknown* unknown)
{
	KeyedRead read;
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
		const tunk::ParamInfo& info = tunk::Info(*param);
		if (!value.is_number())
			return {"the value of " + symbol + " is no number", {}};
		if (!rows(info))
			continue;
		const double wanted = value.get<double>();
		float v = float(wanted);
		if (!(v >= info.min && v <= info.max)) {
			v = v < info.min ? info.min : info.max;
			read.clamped.push_back(symbol + " " + Format(float(wanted)) + " is beyond its range "
				+ Format(info.min) + " to " + Format(info.max) + "; set to " + Format(v) + ".");
		}
		if (info.kind == tunk::ParamKind::Switch)
			v = v != 0 ? 1 : 0;
		values[*param] = v;
	}
	*params = values;
	unknown->insert(kept.begin(), kept.end());
	return read;
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
		(*object)[info.symbol] = ShortestNumber(Writable(info, value));
	}
	for (const auto& [key, text] : unknown) {
		if (tunk::FindParam(key) || key == ignored)
			continue;
		KeyedJson value = KeyedJson::parse(text, nullptr, false);
		if (!value.is_discarded())
			(*object)[key] = std::move(value);
	}
}

KeyedJson ShortestNumber(float value)
{
	const double number = ShortestDouble(value);
	// Whole numbers (codes, counts, seeds) as integers; -0 keeps its sign as a float.
	if (std::trunc(number) == number && std::fabs(number) < 1e15 && !std::signbit(number))
		return int64_t(number);
	return number;
}

std::string KeptValuesMessage(const KeyedUnknown& unknown)
{
	std::string names;
	for (const auto& [key, text] : unknown)
		names += (names.empty() ? "" : ", ") + key;
	return "Values from a newer version of Tunk are kept as they are: " + names + ".";
}
