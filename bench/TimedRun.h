// Runs a program to its end as a benchmark iteration: its wall time and the processor time of
// all its threads, so that a benchmark can count whole processes, start-up included.
#pragma once

#include <chrono>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

struct RunTimes {
	double wall = -1; // seconds; negative when the run failed
	double cpu = 0;   // user and system seconds of the process, all its threads
};

// `args[0]` is looked up in PATH unless it holds a slash. The program runs in `folder` (the
// current one when empty); `quiet` sends its error output to /dev/null, for tools that warn
// about what they were asked to do.
inline RunTimes TimedRun(
    std::vector<std::string> args, const std::string& folder = "", bool quiet = false)
{
	std::vector<char*> argv;
	for (std::string& arg : args)
		argv.push_back(arg.data());
	argv.push_back(nullptr);

	posix_spawn_file_actions_t actions;
	posix_spawn_file_actions_init(&actions);
	if (!folder.empty())
		posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
	if (quiet)
		posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
	const auto started = std::chrono::steady_clock::now();
	pid_t child = 0;
	const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
	posix_spawn_file_actions_destroy(&actions);
	RunTimes times;
	if (spawned != 0)
		return times;
	int status = 0;
	struct rusage usage = {};
	wait4(child, &status, 0, &usage);
	const auto ended = std::chrono::steady_clock::now();
	if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
		return times;
	times.wall = std::chrono::duration<double>(ended - started).count();
	times.cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
	            double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
	return times;
}
