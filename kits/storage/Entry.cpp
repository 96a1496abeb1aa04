#include "kits/storage/Entry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "kits/storage/Path.h"
#include "kits/storage/StorageDefs.h"

namespace {

// Checks that the directory part of an absolute, normalised path is a directory.
status_t check_parent(const std::string& path)
{
	size_t slash = path.rfind('/');
	std::string parent = slash == 0 ? "/" : path.substr(0, slash);
	struct stat st;
	if (stat(parent.c_str(), &st) != 0)
		return status_from_errno(errno);
	return S_ISDIR(st.st_mode) ? B_OK : B_NOT_A_DIRECTORY;
}

// Follows symbolic links until the path names something else (or nothing).
status_t resolve_links(std::string* path)
{
	for (int hops = 0; hops < 32; hops++) {
		char target[B_PATH_NAME_LENGTH];
		ssize_t length = readlink(path->c_str(), target, sizeof(target) - 1);
		if (length < 0)
			return errno == EINVAL || errno == ENOENT ? B_OK : status_from_errno(errno);
		target[length] = '\0';
		BPath next;
		if (target[0] == '/') {
			next.SetTo(target, nullptr, true);
		} else {
			BPath here(path->c_str());
			BPath parent;
			here.GetParent(&parent);
			next.SetTo(parent.Path(), target, true);
		}
		if (next.InitCheck() != B_OK)
			return next.InitCheck();
		*path = next.Path();
	}
	return status_from_errno(ELOOP);
}

} // namespace

BEntry::BEntry(const entry_ref* ref, bool traverse)
{
	SetTo(ref, traverse);
}

BEntry::BEntry(const char* path, bool traverse)
{
	SetTo(path, traverse);
}

status_t BEntry::SetTo(const entry_ref* ref, bool traverse)
{
	if (ref == nullptr || ref->name.empty() || ref->directory.empty()) {
		Unset();
		return fStatus = B_BAD_VALUE;
	}
	return SetTo(ref->Path().c_str(), traverse);
}

status_t BEntry::SetTo(const char* path, bool traverse)
{
	Unset();
	BPath normal;
	if (status_t status = normal.SetTo(path, nullptr, true); status != B_OK)
		return fStatus = status;
	std::string full = normal.Path();
	if (full == "/")
		return fStatus = B_BAD_VALUE;
	if (traverse) {
		if (status_t status = resolve_links(&full); status != B_OK)
			return fStatus = status;
	}
	if (status_t status = check_parent(full); status != B_OK)
		return fStatus = status;
	fPath = full;
	return fStatus = B_OK;
}

void BEntry::Unset()
{
	fPath.clear();
	fStatus = B_NO_INIT;
}

bool BEntry::Exists() const
{
	struct stat st;
	return fStatus == B_OK && lstat(fPath.c_str(), &st) == 0;
}

status_t BEntry::GetPath(BPath* path) const
{
	if (path == nullptr)
		return B_BAD_VALUE;
	if (fStatus != B_OK)
		return B_NO_INIT;
	return path->SetTo(fPath.c_str());
}

status_t BEntry::GetRef(entry_ref* ref) const
{
	if (ref == nullptr)
		return B_BAD_VALUE;
	if (fStatus != B_OK)
		return B_NO_INIT;
	size_t slash = fPath.rfind('/');
	*ref = entry_ref(slash == 0 ? "/" : fPath.substr(0, slash).c_str(), fPath.c_str() + slash + 1);
	return B_OK;
}

status_t BEntry::GetName(char* buffer) const
{
	if (buffer == nullptr)
		return B_BAD_VALUE;
	if (fStatus != B_OK)
		return B_NO_INIT;
	std::string leaf = fPath.substr(fPath.rfind('/') + 1);
	std::strncpy(buffer, leaf.c_str(), B_FILE_NAME_LENGTH - 1);
	buffer[B_FILE_NAME_LENGTH - 1] = '\0';
	return B_OK;
}

status_t BEntry::Remove()
{
	if (fStatus != B_OK)
		return B_NO_INIT;
	struct stat st;
	if (lstat(fPath.c_str(), &st) != 0)
		return status_from_errno(errno);
	int result = S_ISDIR(st.st_mode) ? rmdir(fPath.c_str()) : unlink(fPath.c_str());
	return result == 0 ? B_OK : status_from_errno(errno);
}

status_t get_ref_for_path(const char* path, entry_ref* ref)
{
	if (ref == nullptr)
		return B_BAD_VALUE;
	BEntry entry(path);
	if (entry.InitCheck() != B_OK)
		return entry.InitCheck();
	return entry.GetRef(ref);
}
