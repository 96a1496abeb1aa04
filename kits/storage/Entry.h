// BEntry: a named location in the file system, which need not exist as long as its
// directory does. get_ref_for_path turns a path into an entry_ref on the same terms.
#pragma once

#include <string>

#include "kits/storage/EntryRef.h"
#include "kits/support/SupportDefs.h"

class BPath;

class BEntry {
public:
	BEntry() = default;
	explicit BEntry(const entry_ref* ref, bool traverse = false);
	explicit BEntry(const char* path, bool traverse = false);

	// B_ENTRY_NOT_FOUND when the entry's directory does not exist, B_NOT_A_DIRECTORY
	// when it is not a directory. With traverse a symbolic link is followed to its target.
	status_t SetTo(const entry_ref* ref, bool traverse = false);
	status_t SetTo(const char* path, bool traverse = false);
	void Unset();

	status_t InitCheck() const { return fStatus; }
	bool Exists() const;
	status_t GetPath(BPath* path) const;
	status_t GetRef(entry_ref* ref) const;
	status_t GetName(char* buffer) const;
	// Deletes the entry (a directory only when empty); the BEntry keeps naming it.
	status_t Remove();

private:
	std::string fPath;
	status_t fStatus = B_NO_INIT;
};

status_t get_ref_for_path(const char* path, entry_ref* ref);
