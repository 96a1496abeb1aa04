#include "kits/storage/NodeInfo.h"

#include <cstring>

#include "kits/storage/Node.h"
#include "kits/storage/StorageDefs.h"

namespace {
// Attribute names below "user.".
constexpr char kTypeAttr[] = "mime_type";
constexpr char kPreferredAppAttr[] = "tunk.preferred_app";
} // namespace

BNodeInfo::BNodeInfo(BNode* node)
{
	SetTo(node);
}

status_t BNodeInfo::SetTo(BNode* node)
{
	fNode = node;
	return InitCheck();
}

status_t BNodeInfo::InitCheck() const
{
	if (fNode == nullptr)
		return B_NO_INIT;
	return fNode->InitCheck();
}

status_t BNodeInfo::GetString(const char* attribute, char* buffer) const
{
	if (buffer == nullptr)
		return B_BAD_VALUE;
	if (status_t status = InitCheck(); status != B_OK)
		return status;
	char value[B_MIME_TYPE_LENGTH];
	ssize_t length = fNode->ReadAttr(attribute, value, sizeof(value) - 1);
	if (length < 0)
		return status_t(length);
	value[length] = '\0';  // stored without the terminator, but one is tolerated
	std::strcpy(buffer, value);
	return B_OK;
}

status_t BNodeInfo::SetString(const char* attribute, const char* value)
{
	if (status_t status = InitCheck(); status != B_OK)
		return status;
	if (value == nullptr) {
		status_t status = fNode->RemoveAttr(attribute);
		return status == B_ENTRY_NOT_FOUND ? B_OK : status;
	}
	size_t length = std::strlen(value);
	if (length >= size_t(B_MIME_TYPE_LENGTH))
		return B_BAD_VALUE;
	return fNode->WriteAttr(attribute, value, length);
}

status_t BNodeInfo::GetType(char* type) const
{
	return GetString(kTypeAttr, type);
}

status_t BNodeInfo::SetType(const char* type)
{
	return SetString(kTypeAttr, type);
}

status_t BNodeInfo::GetPreferredApp(char* signature, app_verb) const
{
	return GetString(kPreferredAppAttr, signature);
}

status_t BNodeInfo::SetPreferredApp(const char* signature, app_verb)
{
	return SetString(kPreferredAppAttr, signature);
}
