#include "preset/TypedFile.h"

#include "kits/storage/File.h"
#include "kits/storage/ReplacingFile.h"

status_t WriteTypedFile(const char* path, std::initializer_list<std::span<const uint8>> parts,
	status_t (*tag)(BNode* node))
{
	ReplacingFile file;
	if (status_t status = file.SetTo(path); status != B_OK)
		return status;
	for (std::span<const uint8> part : parts) {
		if (part.empty())
			continue;
		if (status_t status = file.Write(part.data(), part.size()); status != B_OK)
			return status;
	}
	const bool stream = file.IsStream();
	if (status_t status = file.Commit(); status != B_OK)
		return status;
	if (!stream) {
		BFile written(path, B_READ_ONLY);
		if (written.InitCheck() == B_OK)
			tag(&written);
	}
	return B_OK;
}
