// File-system conditions for the bad-input tests: files only another user can read or
// write, a device that is always full, and a file system with no room left.
#pragma once

#include <gtest/gtest.h>

#include <linux/fs.h>
#include <sys/ioctl.h>
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

}  // namespace badinput
