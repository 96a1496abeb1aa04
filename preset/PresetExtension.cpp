#include "preset/PresetExtension.h"

#include <cstring>

#include "preset/KeyedValues.h"

namespace {

using Json = KeyedJson;

// Deep enough for any value a later version may carry (a list of lists), shallow enough
// that nothing built from it or written back recurses far.
constexpr int kMaxDepth = 8;

bool IsAdded(const tunk::ParamInfo& info)
{
	return info.since >= 2;
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

	PresetUnknownValues kept;
	const KeyedRead values = ReadKeyedValues(root, IsAdded, "version", params, &kept);
	if (values.Refused())
		return Refused(values.refusal.c_str());

	read.present = true;
	read.messages = values.clamped;
	if (!kept.empty()) {
		read.messages.push_back(KeptValuesMessage(kept));
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
	WriteKeyedValues(params, IsAdded, true, unknown, "version", &root);
	if (root.size() == 1)
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
