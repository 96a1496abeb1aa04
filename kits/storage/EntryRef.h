// entry_ref: names a file system entry by its directory's path and its leaf name.
#pragma once

#include <string>

#include "kits/support/SupportDefs.h"

struct entry_ref {
	entry_ref() = default;
	entry_ref(const char* directoryPath, const char* leafName)
		: directory(directoryPath != nullptr ? directoryPath : ""),
		  name(leafName != nullptr ? leafName : "")
	{
	}

	status_t set_name(const char* leafName)
	{
		name = leafName != nullptr ? leafName : "";
		return B_OK;
	}

	// The full path, "" for an empty reference.
	std::string Path() const
	{
		if (name.empty())
			return directory;
		if (directory.empty() || directory.back() == '/')
			return directory + name;
		return directory + "/" + name;
	}

	bool operator==(const entry_ref&) const = default;

	std::string directory;  // absolute path of the directory holding the entry
	std::string name;       // leaf name
};
