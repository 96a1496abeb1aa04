// BPath: an absolute path held as text. Relative paths are taken from the current
// directory; normalising resolves ".", ".." and repeated slashes without looking at the disk.
#pragma once

#include <string>

#include "kits/support/SupportDefs.h"

class BPath {
public:
	BPath() = default;
	explicit BPath(const char* path, const char* leaf = nullptr, bool normalize = false);

	status_t SetTo(const char* path, const char* leaf = nullptr, bool normalize = false);
	// Appends a relative path; B_NO_INIT on an empty BPath, B_BAD_VALUE for an absolute one.
	status_t Append(const char* path, bool normalize = false);
	void Unset();

	status_t InitCheck() const { return fStatus; }
	// nullptr while the path is not set.
	const char* Path() const;
	// The last component ("" for "/"), nullptr while the path is not set.
	const char* Leaf() const;
	status_t GetParent(BPath* parent) const;

private:
	std::string fPath;
	status_t fStatus = B_NO_INIT;
};

// "/a/./b//c/../d" -> "/a/b/d"; the argument must be absolute.
std::string normalize_path(const std::string& absolutePath);
