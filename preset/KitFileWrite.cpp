// Writing a kit file: through the storage kit, which the plugin does not link.
#include <charconv>
#include <cstdint>
#include <span>
#include <string>
#include <system_error>

#include "kits/storage/MimeType.h"
#include "kits/storage/NodeInfo.h"
#include "preset/KitFile.h"
#include "preset/PresetExtension.h"
#include "preset/PresetRecord.h"
#include "preset/TypedFile.h"

status_t WriteKitFile(const char* path, const Kit& kit)
{
	const std::string text = EncodeKit(kit);
	const std::span<const uint8> bytes(reinterpret_cast<const uint8*>(text.data()), text.size());
	return WriteTypedFile(path, {bytes}, TagKitFile);
}

namespace {

// The preset extension's own key, which names no parameter.
constexpr char kSoundVersionKey[] = "version";

}  // namespace

PresetExtras PadSoundExtras(const Pad& pad)
{
	PresetExtras extras{pad.soundReserved, pad.soundUnknown};
	if (const auto kept = extras.unknown.find(kSoundVersionKey); kept != extras.unknown.end()) {
		int64_t version = 0;
		const std::string& text = kept->second;
		const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), version);
		if (error == std::errc() && end == text.data() + text.size() && version > kPresetExtensionVersion)
			extras.version = version;
		extras.unknown.erase(kept);
	}
	return extras;
}

void SetPadSound(Pad* pad, const tunk::SoundParams& values, const PresetExtras& extras)
{
	pad->sound = values;
	pad->soundUnknown = extras.unknown;
	pad->soundReserved = extras.reserved;
	if (extras.version > kPresetExtensionVersion)
		pad->soundUnknown[kSoundVersionKey] = std::to_string(extras.version);
}

status_t TagKitFile(BNode* node)
{
	BNodeInfo info(node);
	if (status_t status = info.SetType(kKitMimeType); status != B_OK)
		return status;
	return info.SetPreferredApp(kPresetAppSignature);
}

status_t RegisterKitType()
{
	BMimeType type(kKitMimeType);
	type.SetShortDescription(kKitShortDescription);
	type.SetLongDescription(kKitLongDescription);
	type.SetPreferredApp(kPresetAppSignature);
	type.SetMagic(kKitMagic, sizeof(kKitMagic) - 1, kKitMagicOffset);
	if (!type.IsInstalled())
		return type.Install();
	return B_OK;
}
