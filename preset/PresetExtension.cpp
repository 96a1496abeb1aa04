#include "preset/PresetExtension.h"

#include <algorithm>
#include <cstring>
#include <string_view>

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
ExtensionRead DecodeJson(std::string_view text, tunk::SoundParams* params,
	PresetUnknownValues* unknown)
{
	Json root;
	if (const std::string why = ParseKeyed(text, {kMaxDepth}, &root); !why.empty())
		return Refused(why.c_str());
	if (!root.is_object())
		return Refused("not a list of named values");
	const auto version = root.find("version");
	if (version == root.end() || !version->is_number_integer() || version->get<int64_t>() < 1)
		return Refused("no version");

	PresetUnknownValues kept;
	if (const std::string why = ReadKeyedValues(root, IsAdded, "version", params, &kept);
		!why.empty())
		return Refused(why.c_str());

	ExtensionRead read;
	read.present = true;
	if (version->get<int64_t>() > kPresetExtensionVersion)
		read.version = version->get<int64_t>();
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
		return DecodeJson(std::string_view(reinterpret_cast<const char*>(tail), size)
							  .substr(sizeof(kPresetExtensionMarker)),
			params, unknown);
	} catch (const std::exception&) {
		return Refused("unreadable");
	}
}

std::vector<uint8_t> EncodePresetExtension(const tunk::SoundParams& params,
	const PresetUnknownValues& unknown, int64_t version)
{
	Json root = Json::object();
	root["version"] = std::max<int64_t>(version, kPresetExtensionVersion);
	WriteKeyedValues(params, IsAdded, true, unknown, "version", &root);
	if (root.size() == 1 && version <= kPresetExtensionVersion)
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
	extras->version = read.version;
	messages->insert(messages->end(), read.messages.begin(), read.messages.end());
	return B_OK;
}

status_t WritePreset(const char* path, const tunk::SoundParams& values, const PresetExtras& extras)
{
	PresetParams record = ToPresetParams(values);
	record.reserved = extras.reserved;
	return WritePresetFile(path, record, EncodePresetExtension(values, extras.unknown, extras.version));
}
