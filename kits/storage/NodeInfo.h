// BNodeInfo: the file type and preferred application of a node, kept in the node's
// attributes "user.mime_type" (the desktop's own) and "user.tunk.preferred_app".
#pragma once

#include "kits/support/SupportDefs.h"

class BNode;

enum app_verb { B_OPEN = 0 };

class BNodeInfo {
public:
	BNodeInfo() = default;
	explicit BNodeInfo(BNode* node);

	status_t SetTo(BNode* node);
	status_t InitCheck() const;

	// Buffers hold B_MIME_TYPE_LENGTH bytes; B_ENTRY_NOT_FOUND when the node has none.
	status_t GetType(char* type) const;
	// nullptr removes the type.
	status_t SetType(const char* type);
	status_t GetPreferredApp(char* signature, app_verb verb = B_OPEN) const;
	status_t SetPreferredApp(const char* signature, app_verb verb = B_OPEN);

private:
	status_t GetString(const char* attribute, char* buffer) const;
	status_t SetString(const char* attribute, const char* value);

	BNode* fNode = nullptr;
};
