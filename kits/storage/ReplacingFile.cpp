#include "kits/storage/ReplacingFile.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <vector>

#include "kits/storage/Entry.h"
#include "kits/storage/Path.h"

namespace {

// The hidden file's name: the leaf's start, so that a person who finds one left by a crash
// knows whose it is, short enough that the name stays within the system's limit of 255 bytes.
constexpr size_t kLeafKept = 200;

// Differs between threads, calls and processes, so that two writers of one file never pick
// the same hidden name.
std::string unique_suffix()
{
	static std::atomic<uint64_t> counter{0};
	uint64_t value = uint64_t(getpid()) * 0x9E3779B97F4A7C15ull
		^ uint64_t(std::chrono::steady_clock::now().time_since_epoch().count())
		^ (counter.fetch_add(1) << 40);
	static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
	std::string text;
	for (int i = 0; i < 8; i++) {
		text += kDigits[value % 36];
		value /= 36;
	}
	return text;
}

// The user attributes of the replaced file (a type, a comment a file manager keeps) go to its
// replacement. Best effort: a file system without attributes has none to keep.
void copy_user_attributes(const std::string& from, int to)
{
	ssize_t length = listxattr(from.c_str(), nullptr, 0);
	if (length <= 0)
		return;
	std::vector<char> names(static_cast<size_t>(length));
	length = listxattr(from.c_str(), names.data(), names.size());
	for (ssize_t at = 0; at < length;) {
		const std::string name(names.data() + at);
		at += ssize_t(name.size()) + 1;
		if (name.rfind("user.", 0) != 0)
			continue;
		ssize_t size = getxattr(from.c_str(), name.c_str(), nullptr, 0);
		if (size < 0)
			continue;
		std::vector<char> value(static_cast<size_t>(size));
		size = getxattr(from.c_str(), name.c_str(), value.data(), value.size());
		if (size >= 0)
			fsetxattr(to, name.c_str(), value.data(), size_t(size), 0);
	}
}

// Makes the rename itself survive a crash. A folder that cannot be flushed costs nothing.
void flush_folder(const std::string& folder)
{
	int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
	if (fd >= 0) {
		fsync(fd);
		close(fd);
	}
}

std::string folder_of(const std::string& path)
{
	const size_t slash = path.rfind('/');
	return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

status_t write_fully(int fd, const void* buffer, size_t size)
{
	// SIGPIPE is held back while writing, and one this write raised is taken away again,
	// so that the caller hears of a closed pipe as a status.
	sigset_t pipe;
	sigemptyset(&pipe);
	sigaddset(&pipe, SIGPIPE);
	sigset_t before;
	sigset_t pending;
	pthread_sigmask(SIG_BLOCK, &pipe, &before);
	sigpending(&pending);
	const bool alreadyPending = sigismember(&pending, SIGPIPE) == 1;

	const char* bytes = static_cast<const char*>(buffer);
	int error = 0;
	for (size_t done = 0; done < size;) {
		const ssize_t n = write(fd, bytes + done, size - done);
		if (n < 0 && errno == EINTR)
			continue;
		if (n <= 0) {
			error = n < 0 ? errno : EIO;
			break;
		}
		done += size_t(n);
	}
	if (error == EPIPE && !alreadyPending) {
		const timespec now = {0, 0};
		while (sigtimedwait(&pipe, nullptr, &now) < 0 && errno == EINTR) {
		}
	}
	pthread_sigmask(SIG_SETMASK, &before, nullptr);
	return status_from_errno(error);
}

ReplacingFile::~ReplacingFile()
{
	Abandon();
}

status_t ReplacingFile::FailWith(int error)
{
	return Fail(status_from_errno(error));
}

status_t ReplacingFile::Fail(status_t status)
{
	Abandon();
	return fStatus = status;
}

status_t ReplacingFile::SetTo(const char* path)
{
	Abandon();
	fPath = path != nullptr ? path : "";
	if (fPath.empty())
		return fStatus = B_BAD_VALUE;

	struct stat old;
	const bool exists = stat(fPath.c_str(), &old) == 0;
	if (!exists && errno != ENOENT)
		return FailWith(errno);
	if (exists && S_ISDIR(old.st_mode))
		return FailWith(EISDIR);
	if (exists && !S_ISREG(old.st_mode)) {
		// Without O_NONBLOCK, opening a pipe would wait for a reader; a pipe (or socket) that
		// nobody reads refuses instead, and writing to it would break it.
		const int fd = open(fPath.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
		if (fd < 0)
			return FailWith(errno == ENXIO ? EPIPE : errno);
		fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
		fTargetFd = fd;
		return OpenUnnamed();
	}
	// A file this process may not write (by its mode, a flag, a read-only disk) is refused,
	// although the rename could replace it.
	if (exists && faccessat(AT_FDCWD, fPath.c_str(), W_OK, AT_EACCESS) != 0)
		return FailWith(errno);

	// The file the rename replaces: a link's target, so that the link stays a link.
	BEntry entry(fPath.c_str(), true);
	BPath target;
	if (status_t status = entry.GetPath(&target); status != B_OK)
		return Fail(entry.InitCheck() != B_OK ? entry.InitCheck() : status);
	return OpenBeside(target.Path(), exists ? &old : nullptr);
}

status_t ReplacingFile::OpenBeside(const std::string& target, const struct stat* old)
{
	fTarget = target;
	const std::string leaf = target.substr(target.rfind('/') + 1);
	const std::string stem = folder_of(target) + "/." + leaf.substr(0, kLeafKept) + ".";
	for (int attempt = 0; fFd < 0; attempt++) {
		fTemporary = stem + unique_suffix();
		// 0666 less the umask (and the folder's default access list): a new file's usual mode.
		fFd = open(fTemporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
		if (fFd < 0) {
			const int error = errno;
			fTemporary.clear();
			if (error != EEXIST || attempt == 100)
				return FailWith(error);
		}
	}
	if (old != nullptr) {
		// The owner first: changing it clears the set-id bits, which the mode then restores.
		// A process that may not give the file away keeps it as its own.
		if (fchown(fFd, old->st_uid, old->st_gid) != 0 && fchown(fFd, -1, old->st_gid) != 0) {
		}
		fchmod(fFd, old->st_mode & 07777);
		copy_user_attributes(target, fFd);
	}
	return fStatus = B_OK;
}

status_t ReplacingFile::OpenUnnamed()
{
	const char* folder = std::getenv("TMPDIR");
	if (folder == nullptr || folder[0] != '/')
		folder = "/tmp";
	fFd = open(folder, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
	if (fFd < 0) {
		// File systems without unnamed files: a named one, unlinked at once.
		std::string name = std::string(folder) + "/tunk-XXXXXX";
		fFd = mkostemp(name.data(), O_CLOEXEC);
		if (fFd < 0)
			return FailWith(errno);
		unlink(name.c_str());
	}
	return fStatus = B_OK;
}

status_t ReplacingFile::Write(const void* buffer, size_t size)
{
	if (fFd < 0)
		return fStatus != B_OK ? fStatus : B_NO_INIT;
	return write_fully(fFd, buffer, size);
}

status_t ReplacingFile::Commit()
{
	if (fFd < 0)
		return fStatus != B_OK ? fStatus : B_NO_INIT;
	int error = 0;
	if (IsStream()) {
		if (lseek(fFd, 0, SEEK_SET) != 0)
			error = errno;
		char buffer[65536];
		while (error == 0) {
			const ssize_t got = read(fFd, buffer, sizeof(buffer));
			if (got < 0 && errno == EINTR)
				continue;
			if (got <= 0) {
				error = got < 0 ? errno : 0;
				break;
			}
			if (status_t status = write_fully(fTargetFd, buffer, size_t(got)); status != B_OK)
				return Fail(status);
		}
		const int target = fTargetFd;
		fTargetFd = -1;
		if (close(target) != 0 && error == 0 && errno != EINTR)
			error = errno;
		if (error != 0)
			return FailWith(error);
		Abandon();
		return B_OK;
	}

	// The data reach the disk before the name moves, so that a crash leaves the old file or
	// the whole new one; close reports what a network file system kept back until then.
	if (fsync(fFd) != 0)
		error = errno;
	const int fd = fFd;
	fFd = -1;
	if (close(fd) != 0 && error == 0 && errno != EINTR)
		error = errno;
	if (error == 0 && rename(fTemporary.c_str(), fTarget.c_str()) != 0)
		error = errno;
	if (error != 0)
		return FailWith(error);
	fTemporary.clear();
	flush_folder(folder_of(fTarget));
	Abandon();
	return B_OK;
}

void ReplacingFile::Abandon()
{
	if (fFd >= 0)
		close(fFd);
	fFd = -1;
	if (fTargetFd >= 0)
		close(fTargetFd);
	fTargetFd = -1;
	if (!fTemporary.empty())
		unlink(fTemporary.c_str());
	fTemporary.clear();
	fTarget.clear();
	fStatus = B_NO_INIT;
}
