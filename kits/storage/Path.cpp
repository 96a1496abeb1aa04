#include "kits/storage/Path.h"

#include <unistd.h>

#include <cerrno>

#include <vector>

#include "kits/storage/StorageDefs.h"

std::string normalize_path(const std::string& absolutePath)
{
	std::vector<std::string> parts;
	size_t start = 0;
	while (start <= absolutePath.size()) {
		size_t end = absolutePath.find('/', start);
		if (end == std::string::npos)
			end = absolutePath.size();
		std::string part = absolutePath.substr(start, end - start);
		if (part == "..") {
			if (!parts.empty())
				parts.pop_back();
		} else if (!part.empty() && part != ".") {
			parts.push_back(part);
		}
		start = end + 1;
	}
	std::string result;
	for (const std::string& part : parts)
		result += "/" + part;
	return result.empty() ? "/" : result;
}

BPath::BPath(const char* path, const char* leaf, bool normalize)
{
	SetTo(path, leaf, normalize);
}

status_t BPath::SetTo(const char* path, const char* leaf, bool normalize)
{
	Unset();
	if (path == nullptr || path[0] == '\0' || (leaf != nullptr && leaf[0] == '/'))
		return fStatus = B_BAD_VALUE;

	std::string full = path;
	if (full[0] != '/') {
		char cwd[B_PATH_NAME_LENGTH];
		if (getcwd(cwd, sizeof(cwd)) == nullptr)
			return fStatus = status_from_errno(errno);
		full = std::string(cwd) + "/" + full;
	}
	if (leaf != nullptr && leaf[0] != '\0') {
		if (full.back() != '/')
			full += '/';
		full += leaf;
	}
	if (normalize)
		full = normalize_path(full);
	else if (full.size() > 1 && full.back() == '/')
		full.pop_back();
	if (full.size() >= size_t(B_PATH_NAME_LENGTH))
		return fStatus = B_NAME_TOO_LONG;
	fPath = full;
	return fStatus = B_OK;
}

status_t BPath::Append(const char* path, bool normalize)
{
	if (fStatus != B_OK)
		return B_NO_INIT;
	std::string current = fPath;
	return SetTo(current.c_str(), path, normalize);
}

void BPath::Unset()
{
	fPath.clear();
	fStatus = B_NO_INIT;
}

const char* BPath::Path() const
{
	return fStatus == B_OK ? fPath.c_str() : nullptr;
}

const char* BPath::Leaf() const
{
	if (fStatus != B_OK)
		return nullptr;
	return fPath.c_str() + fPath.rfind('/') + 1;
}

status_t BPath::GetParent(BPath* parent) const
{
	if (parent == nullptr)
		return B_BAD_VALUE;
	if (fStatus != B_OK || fPath == "/") {
		parent->Unset();
		return fStatus != B_OK ? B_NO_INIT : B_ENTRY_NOT_FOUND;
	}
	size_t slash = fPath.rfind('/');
	return parent->SetTo(slash == 0 ? "/" : fPath.substr(0, slash).c_str());
}
