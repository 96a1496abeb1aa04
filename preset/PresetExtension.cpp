#include "preset/PresetExtension.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::ordered_json;

// Deep enough for any value a later version may carry (a list of lists), shallow enough
// that nothing built from it or written back recurses far.
constexpr int kMaxDepth = 8;

bool IsAdded(const tunk::ParamInfo& info)
{
	return info.since >= 2;
}

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

ExtensionRead Refused(const char* why)
{
	ExtensionRead read;
	read.present = true;
	read.refused = true;
	read.messages.push_back(std::string("The sound's added values could not be read (") + why
		+ "); only its tone was loaded.");
	return read;
}

}  // namespace

namespace {

// The extension's text after the marker; throws what the JSON library throws.
ExtensionRead DecodeJson(const char* text, size_t length, tunk::SoundParams* params,
	PresetUnknownValues* unknown)
{
	ExtensionRead read;

	bool tooDeep = false;
	const Json::parser_callback_t watchDepth
		= [&tooDeep](int depth, Json::parse_event_t, Json&) {
			  if (depth > kMaxDepth)
				  tooDeep = true;
			  return !tooDeep;
		  };
	const Json root = Json::parse(text, text + length, watchDepth, false);
	if (tooDeep)
		return Refused("nested too deeply");
	if (root.is_discarded())
		return Refused("not well-formed; cut short?");
	if (!root.is_object())
		return Refused("not a list of named values");
	const auto version = root.find("version");
	if (version == root.end() || !version->is_number_integer() || version->get<int64_t>() < 1)
		return Refused("no version");

	// Everything is checked before anything is changed, so a refusal changes nothing.
	tunk::SoundParams values = *params;
	PresetUnknownValues kept;
	std::vector<std::string> clamped;
	for (const auto& [symbol, value] : root.items()) {
		if (symbol == "version")
			continue;
		const std::optional<tunk::Param> param = tunk::FindParam(symbol);
		if (!param) {
			kept[symbol] = value.dump();
			continue;
		}
		const tunk::ParamInfo& info = tunk::Info(*param);
		if (!value.is_number())
			return Refused(("the value of " + symbol + " is no number").c_str());
		if (!IsAdded(info))
			continue;  // the record holds these
		const double wanted = value.get<double>();
		float v = float(wanted);
		if (!(v >= info.min && v <= info.max)) {
			v = v < info.min ? info.min : info.max;
			clamped.push_back(symbol + " " + Format(float(wanted)) + " is beyond its range " + Format(info.min)
				+ " to " + Format(info.max) + "; set to " + Format(v) + ".");
		}
		values[*param] = v;
	}

	*params = values;
	read.present = true;
	read.messages = clamped;
	if (!kept.empty()) {
		std::string names;
		for (const auto& [symbol, text] : kept)
			names += (names.empty() ? "" : ", ") + symbol;
		read.messages.push_back("Values from a newer version of Tunk are kept as they are: " + names + ".");
		unknown->insert(kept.begin(), kept.end());
	}
	return read;
}

}  // namespace

ExtensionRead DecodePresetExtension(const uint8_t* tail, size_t size, tunk::SoundParams* params,
	PresetUnknownValues* unknown)
{
	if (size < sizeof(kPresetExtensionMarker)
		|| std::memcmp(tail, kPresetExtensionMarker, sizeof(kPresetExtensionMarker)) != 0)
		return {};
	if (size > kPresetExtensionLimit)
		return Refused("too large");
	try {
		return DecodeJson(reinterpret_cast<const char*>(tail) + sizeof(kPresetExtensionMarker),
			size - sizeof(kPresetExtensionMarker), params, unknown);
	} catch (const std::exception&) {
		return Refused("unreadable");
	}
}

std::vector<uint8_t> EncodePresetExtension(const tunk::SoundParams& params,
	const PresetUnknownValues& unknown)
{
	Json root = Json::object();
	root["version"] = kPresetExtensionVersion;
	bool any = false;
	for (const tunk::ParamInfo& info : tunk::kParams) {
		if (!IsAdded(info))
			continue;
		const float value = params[info.id];
		if (std::bit_cast<uint32_t>(value) == std::bit_cast<uint32_t>(info.def))
			continue;
		const double number = ShortestDouble(Writable(info, value));
		// Whole numbers (codes, counts, seeds) as integers; -0 keeps its sign as a float.
		if (std::trunc(number) == number && std::fabs(number) < 1e15 && !std::signbit(number))
			root[info.symbol] = int64_t(number);
		else
			root[info.symbol] = number;
		any = true;
	}
	for (const auto& [symbol, text] : unknown) {
		if (tunk::FindParam(symbol) || symbol == "version")
			continue;
		Json value = Json::parse(text, nullptr, false);
		if (value.is_discarded())
			continue;
		root[symbol] = std::move(value);
		any = true;
	}
	if (!any)
		return {};
	const std::string json = root.dump();
	std::vector<uint8_t> bytes(kPresetExtensionMarker, kPresetExtensionMarker + sizeof(kPresetExtensionMarker));
	bytes.insert(bytes.end(), json.begin(), json.end());
	return bytes;
}

status_t ReadPreset(const char* path, tunk::SoundParams* values, PresetExtras* extras,
	std::vector<std::string>* messages)
{
	PresetParams record;
	std::vector<uint8> tail;
	if (status_t status = ReadPresetFile(path, &record, &tail); status != B_OK)
		return status;
	*values = ToSoundParams(record);
	*extras = PresetExtras{record.reserved, {}};
	ExtensionRead read = DecodePresetExtension(tail.data(), tail.size(), values, &extras->unknown);
	messages->insert(messages->end(), read.messages.begin(), read.messages.end());
	return B_OK;
}

status_t WritePreset(const char* path, const tunk::SoundParams& values, const PresetExtras& extras)
{
	PresetParams record = ToPresetParams(values);
	record.reserved = extras.reserved;
	return WritePresetFile(path, record, EncodePresetExtension(values, extras.unknown));
}
