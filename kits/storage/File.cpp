#include "kits/storage/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "kits/storage/Directory.h"
#include "kits/storage/Path.h"

namespace {

int posix_flags(uint32 openMode)
{
	int flags = O_CLOEXEC;
	switch (openMode & 0x3) {
		case B_WRITE_ONLY: flags |= O_WRONLY; break;
		case B_READ_WRITE: flags |= O_RDWR; break;
		default: flags |= O_RDONLY; break;
	}
	if (openMode & B_CREATE_FILE)
		flags |= O_CREAT;
	if (openMode & B_FAIL_IF_EXISTS)
		flags |= O_CREAT | O_EXCL;
	if (openMode & B_ERASE_FILE)
		flags |= O_TRUNC;
	if (openMode & B_OPEN_AT_END)
		flags |= O_APPEND;
	return flags;
}

// Retries a transfer that a signal interrupted; the rest of the count goes on.
template <typename Op>
ssize_t transfer(size_t size, Op op)
{
	size_t done = 0;
	while (done < size) {
		ssize_t n = op(done);
		if (n < 0) {
			if (errno == EINTR)
				continue;
			return done > 0 ? ssize_t(done) : status_from_errno(errno);
		}
		if (n == 0)
			break;
		done += size_t(n);
	}
	return ssize_t(done);
}

} // namespace

BFile::BFile(const entry_ref* ref, uint32 openMode)
{
	SetTo(ref, openMode);
}

BFile::BFile(const BDirectory* directory, const char* name, uint32 openMode)
{
	SetTo(directory, name, openMode);
}

BFile::BFile(const char* path, uint32 openMode)
{
	SetTo(path, openMode);
}

status_t BFile::SetTo(const entry_ref* ref, uint32 openMode)
{
	if (ref == nullptr || ref->name.empty())
		return SetFd(-1, "", EINVAL);
	return SetTo(ref->Path().c_str(), openMode);
}

status_t BFile::SetTo(const BDirectory* directory, const char* name, uint32 openMode)
{
	if (directory == nullptr || name == nullptr || name[0] == '\0')
		return SetFd(-1, "", EINVAL);
	if (directory->InitCheck() != B_OK)
		return SetFd(-1, "", EBADF);
	BPath path(directory->NodePath(), name);
	return Open(directory->FileDescriptor(), name, path.Path() ? path.Path() : "", openMode);
}

status_t BFile::SetTo(const char* path, uint32 openMode)
{
	BPath full;
	if (status_t status = full.SetTo(path); status != B_OK)
		return SetFd(-1, "", status == B_NAME_TOO_LONG ? ENAMETOOLONG : EINVAL);
	return Open(AT_FDCWD, full.Path(), full.Path(), openMode);
}

status_t BFile::Open(int directoryFd, const char* name, const std::string& path, uint32 openMode)
{
	fMode = openMode;
	// Without O_NONBLOCK, opening a pipe waits for its other end; the caller sees what it
	// opened (GetStat) and reads or writes with waiting as usual.
	int fd = openat(directoryFd, name, posix_flags(openMode) | O_NONBLOCK | O_NOCTTY, 0666);
	if (fd < 0)
		return SetFd(-1, "", errno == ENXIO ? EPIPE : errno);
	struct stat st;
	if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
		close(fd);
		return SetFd(-1, "", EISDIR);
	}
	fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
	return SetFd(fd, path, 0);
}

ssize_t BFile::Read(void* buffer, size_t size)
{
	if (InitCheck() != B_OK)
		return B_NO_INIT;
	char* bytes = static_cast<char*>(buffer);
	return transfer(size, [&](size_t done) { return read(FileDescriptor(), bytes + done, size - done); });
}

ssize_t BFile::Write(const void* buffer, size_t size)
{
	if (InitCheck() != B_OK)
		return B_NO_INIT;
	const char* bytes = static_cast<const char*>(buffer);
	return transfer(
		size, [&](size_t done) { return write(FileDescriptor(), bytes + done, size - done); });
}

ssize_t BFile::ReadAt(off_t position, void* buffer, size_t size)
{
	if (InitCheck() != B_OK)
		return B_NO_INIT;
	if (position < 0)
		return B_BAD_VALUE;
	char* bytes = static_cast<char*>(buffer);
	return transfer(size, [&](size_t done) {
		return pread(FileDescriptor(), bytes + done, size - done, position + off_t(done));
	});
}

ssize_t BFile::WriteAt(off_t position, const void* buffer, size_t size)
{
	if (InitCheck() != B_OK)
		return B_NO_INIT;
	if (position < 0)
		return B_BAD_VALUE;
	const char* bytes = static_cast<const char*>(buffer);
	return transfer(size, [&](size_t done) {
		return pwrite(FileDescriptor(), bytes + done, size - done, position + off_t(done));
	});
}

off_t BFile::Position() const
{
	if (InitCheck() != B_OK)
		return B_NO_INIT;
	off_t result = lseek(FileDescriptor(), 0, SEEK_CUR);
	return result < 0 ? status_from_errno(errno) : result;
}

status_t BFile::GetSize(off_t* size) const
{
	if (size == nullptr)
		return B_BAD_VALUE;
	if (InitCheck() != B_OK)
		return B_NO_INIT;
	struct stat st;
	if (fstat(FileDescriptor(), &st) != 0)
		return status_from_errno(errno);
	*size = st.st_size;
	return B_OK;
}

bool BFile::IsReadable() const
{
	return InitCheck() == B_OK && (fMode & 0x3) != B_WRITE_ONLY;
}

bool BFile::IsWritable() const
{
	return InitCheck() == B_OK && (fMode & 0x3) != B_READ_ONLY;
}
