#include "kits/storage/Node.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>

namespace {

std::string attr_key(const char* name)
{
	return std::string("user.") + name;
}

status_t attr_status(int error)
{
	return error == ENODATA ? B_ENTRY_NOT_FOUND : status_from_errno(error);
}

} // namespace

BNode::~BNode()
{
	BNode::Unset();
}

void BNode::Unset()
{
	if (fFd >= 0)
		close(fFd);
	fFd = -1;
	fPath.clear();
	fStatus = B_NO_INIT;
}

status_t BNode::SetFd(int fd, const std::string& path, int openErrno)
{
	Unset();
	if (fd < 0)
		return fStatus = status_from_errno(openErrno);
	fFd = fd;
	fPath = path;
	return fStatus = B_OK;
}

status_t BNode::GetStat(struct stat* st) const
{
	if (fStatus != B_OK)
		return B_NO_INIT;
	if (st == nullptr)
		return B_BAD_VALUE;
	return fstat(fFd, st) == 0 ? B_OK : status_from_errno(errno);
}

ssize_t BNode::ReadAttr(const char* name, void* buffer, size_t size) const
{
	if (fStatus != B_OK)
		return B_NO_INIT;
	if (name == nullptr)
		return B_BAD_VALUE;
	ssize_t length = fgetxattr(fFd, attr_key(name).c_str(), buffer, size);
	return length < 0 ? attr_status(errno) : length;
}

status_t BNode::WriteAttr(const char* name, const void* buffer, size_t size)
{
	if (fStatus != B_OK)
		return B_NO_INIT;
	if (name == nullptr || (buffer == nullptr && size > 0))
		return B_BAD_VALUE;
	if (fsetxattr(fFd, attr_key(name).c_str(), buffer, size, 0) != 0)
		return attr_status(errno);
	return B_OK;
}

status_t BNode::RemoveAttr(const char* name)
{
	if (fStatus != B_OK)
		return B_NO_INIT;
	if (name == nullptr)
		return B_BAD_VALUE;
	if (fremovexattr(fFd, attr_key(name).c_str()) != 0)
		return attr_status(errno);
	return B_OK;
}
