#include "kits/storage/Directory.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "kits/storage/Entry.h"
#include "kits/storage/Path.h"

BDirectory::BDirectory(const entry_ref* ref)
{
	SetTo(ref);
}

BDirectory::BDirectory(const char* path)
{
	SetTo(path);
}

status_t BDirectory::SetTo(const entry_ref* ref)
{
	if (ref == nullptr) {
		Unset();
		return SetFd(-1, "", EINVAL);
	}
	return SetTo(ref->Path().c_str());
}

status_t BDirectory::SetTo(const char* path)
{
	BPath full;
	if (full.SetTo(path, nullptr, true) != B_OK)
		return SetFd(-1, "", EINVAL);
	int fd = open(full.Path(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
	return SetFd(fd, full.Path(), errno);
}

status_t BDirectory::GetEntry(BEntry* entry) const
{
	if (entry == nullptr)
		return B_BAD_VALUE;
	if (InitCheck() != B_OK)
		return B_NO_INIT;
	return entry->SetTo(NodePath());
}

bool BDirectory::Contains(const char* name) const
{
	if (InitCheck() != B_OK || name == nullptr)
		return false;
	struct stat st;
	return fstatat(FileDescriptor(), name, &st, AT_SYMLINK_NOFOLLOW) == 0;
}
