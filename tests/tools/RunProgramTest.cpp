// The child-process runner's failures before a child runs: no stray exit status, no leaked
// descriptors.
#include <dirent.h>
#include <dlfcn.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include "tools/RunProgram.h"

namespace {

bool gFailFork = false;

int OpenDescriptors()
{
	int count = 0;
	DIR* dir = opendir("/proc/self/fd");
	while (dirent* entry = readdir(dir)) {
		if (entry->d_name[0] != '.')
			count++;
	}
	closedir(dir);
	return count;
}

}  // namespace

// The program's own fork, which RunProgram's inline code calls in place of the library's, so that
// a test can make it fail as it does when the process limit is reached.
extern "C" pid_t fork()
{
	if (gFailFork) {
		errno = EAGAIN;
		return -1;
	}
	using Fork = pid_t (*)();
	static const auto realFork = reinterpret_cast<Fork>(dlsym(RTLD_NEXT, "fork"));
	return realFork();
}

TEST(RunProgram, AFailedForkIsNoRunEvenWhileAnotherChildHasExitedCleanly)
{
	const pid_t other = fork();
	ASSERT_GE(other, 0);
	if (other == 0)
		_exit(0);
	// Let the other child finish, so that a wait for any child would collect its clean exit.
	siginfo_t info{};
	ASSERT_EQ(waitid(P_PID, other, &info, WEXITED | WNOWAIT), 0);

	gFailFork = true;
	const ProgramRun run = RunProgram("/bin/true", {}, ".");
	gFailFork = false;
	EXPECT_EQ(run.status, -1);
	int status = -1;
	EXPECT_EQ(waitpid(other, &status, WNOHANG), other) << "the other child was collected";
}

TEST(RunProgram, ReturnsEveryDescriptorWhenItCannotStart)
{
	const int before = OpenDescriptors();
	rlimit saved{};
	ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
	// Room for the two pipes but not the terminal: opening the terminal is what fails.
	int fd = 0;
	for (int free = 0; free < 4; fd++) {
		if (fcntl(fd, F_GETFD) < 0)
			free++;
	}
	rlimit tight = saved;
	tight.rlim_cur = rlim_t(fd);
	ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
	const ProgramRun run = RunProgram("/bin/true", {}, ".", Terminal::Out);
	ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
	EXPECT_EQ(run.status, -1);
	EXPECT_EQ(OpenDescriptors(), before);

	// A failed fork gives back its pipes and terminal too.
	gFailFork = true;
	EXPECT_EQ(RunProgram("/bin/true", {}, ".", Terminal::Err).status, -1);
	gFailFork = false;
	EXPECT_EQ(OpenDescriptors(), before);
}
