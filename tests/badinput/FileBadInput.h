// File-system conditions for the bad-input tests: files only another user can read or
// write, a device that is always full, and a file system with no room left.
#pragma once

#include <gtest/gtest.h>

#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace badinput {

inline std::string ReadBytes(const std::string& path)
{
	std::ifstream in(path, std::ios::binary);
	return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::string& bytes)
{
	std::ofstream(path, std::ios::binary) << bytes;
}

// The user the permission cases run as: the super-user ignores file modes.
constexpr uid_t kNobody = 65534;

inline bool IsRoot()
{
	return geteuid() == 0;
}

// Runs `body` where file modes are enforced: in a child that has become `nobody` when this
// process is the super-user, here otherwise. Gives body's result, or -1 if the child died.
inline int WithFileModesEnforced(const std::function<int()>& body)
{
	if (!IsRoot())
		return body();
	pid_t child = fork();
	if (child == 0) {
		if (setgid(kNobody) != 0 || setuid(kNobody) != 0)
			_exit(120);
		_exit(body());
	}
	int status = 0;
	waitpid(child, &status, 0);
	return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The command prefix that runs a program under the same rule.
inline std::string EnforcingPrefix()
{
	return IsRoot() ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
}

// Lets `nobody` into a test folder.
inline void OpenToAll(const std::string& directory)
{
	std::filesystem::permissions(directory, std::filesystem::perms::all);
}

// A device that takes no data, like /dev/full, made inside the test folder so that nothing
// outside it is at risk. False when this process may not make devices.
inline bool MakeFullDevice(const std::string& path)
{
	return mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0;
}

inline bool IsFullDevice(const std::string& path)
{
	struct stat st;
	return lstat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode) && st.st_rdev == makedev(1, 7);
}

// Makes a file that this process cannot write: by its mode, or, for the super-user whom
// modes do not stop, by the immutable flag. False when neither is possible here.
inline bool SetReadOnly(const std::string& path, bool readOnly = true)
{
	if (!IsRoot())
		return chmod(path.c_str(), readOnly ? 0444 : 0644) == 0;
	int fd = open(path.c_str(), O_RDONLY);
	if (fd < 0)
		return false;
	int flags = 0;
	bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
	flags = readOnly ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
	done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
	close(fd);
	return done;
}

// Runs `body` in a child whose `directory` is a file system of `bytes` bytes: a tmpfs mounted
// in a mount namespace of the child's own, so that nothing outside the child ever sees it.
// Gives body's result, or -2 with `why` saying what this process may not do.
inline int OnSmallFileSystem(const std::string& directory, size_t bytes,
	const std::function<int()>& body, std::string* why)
{
	if (!IsRoot()) {
		*why = "only the super-user may mount a small file system";
		return -2;
	}
	pid_t child = fork();
	if (child == 0) {
		if (unshare(CLONE_NEWNS) != 0)
			_exit(121);
		// Mounts made in the child must not reach the system's namespace.
		if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
			_exit(122);
		const std::string size = "size=" + std::to_string(bytes);
		if (mount("tmpfs", directory.c_str(), "tmpfs", 0, size.c_str()) != 0)
			_exit(123);
		_exit(body());
	}
	int status = 0;
	waitpid(child, &status, 0);
	const int result = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
	if (result >= 121 && result <= 123) {
		*why = result == 121 ? "no mount namespace of its own here (unshare refused)"
			: result == 122  ? "the mounts cannot be made private here"
							 : "a tmpfs cannot be mounted here";
		return -2;
	}
	return result;
}

// Fills the file system of `path` until it takes no more data.
inline void FillUp(const std::string& path)
{
	int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
	const std::string block(4096, 'f');
	while (fd >= 0 && write(fd, block.data(), block.size()) > 0) {
	}
	for (char byte = 'f'; fd >= 0 && write(fd, &byte, 1) == 1;) {
	}
	if (fd >= 0)
		close(fd);
}

// What went wrong in a child, written where the parent can read it (outside the child's
// own mounts).
class ChildReport {
public:
	explicit ChildReport(std::string path) : fPath(std::move(path)) {}
	void Expect(bool good, const std::string& what)
	{
		if (!good)
			std::ofstream(fPath, std::ios::app) << what << "\n";
		fGood = fGood && good;
	}
	int Result() const { return fGood ? 0 : 1; }

private:
	std::string fPath;
	bool fGood = true;
};

}  // namespace badinput
