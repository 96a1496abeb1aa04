// Writing a kit file: through the storage kit, which the plugin does not link.
#include <cstdint>
#include <span>

#include "kits/storage/MimeType.h"
#include "kits/storage/NodeInfo.h"
#include "preset/KitFile.h"
#include "preset/PresetRecord.h"
#include "preset/TypedFile.h"

status_t WriteKitFile(const char* path, const Kit& kit)
{
	const std::string text = EncodeKit(kit);
	const std::span<const uint8> bytes(reinterpret_cast<const uint8*>(text.data()), text.size());
	return WriteTypedFile(path, {bytes}, TagKitFile);
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
