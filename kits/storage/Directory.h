// BDirectory: an open directory; files are opened relative to it.
#pragma once

#include "kits/storage/EntryRef.h"
#include "kits/storage/Node.h"

class BEntry;

class BDirectory : public BNode {
public:
	BDirectory() = default;
	explicit BDirectory(const entry_ref* ref);
	explicit BDirectory(const char* path);

	// B_NOT_A_DIRECTORY when the entry exists but is no directory.
	status_t SetTo(const entry_ref* ref);
	status_t SetTo(const char* path);

	status_t GetEntry(BEntry* entry) const;
	bool Contains(const char* name) const;
};
