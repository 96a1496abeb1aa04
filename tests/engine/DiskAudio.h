// Runs one test of the current test program in a child process whose audio device is
// SDL's disk driver, so that what the players deliver ends up in a file. The device is
// process-wide and opened once, hence the separate process; the file is complete once
// the child has exited.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "kits/support/SupportDefs.h"

extern char** environ;

namespace disk_audio {

constexpr const char* kChildVariable = "TUNK_DISK_AUDIO_CHILD";

// True inside the child started by RunChild; child-only tests skip themselves otherwise.
inline bool InChild()
{
	return std::getenv(kChildVariable) != nullptr;
}

// Runs the test `name` (Suite.Test) of this program with the disk driver writing to
// `file` (or with another audio driver), its standard error going to `errorFile` if one
// is given; returns the child's exit status, or -1 if it did not exit normally.
inline int RunChild(const std::string& name, const std::string& file,
	const std::string& driver = "disk", const std::string& errorFile = "")
{
	std::vector<std::string> settings = {"SDL_AUDIODRIVER=" + driver, "SDL_DISKAUDIOFILE=" + file,
		std::string(kChildVariable) + "=1"};
	std::vector<char*> env;
	for (char** e = environ; *e != nullptr; e++) {
		std::string entry(*e);
		if (entry.rfind("SDL_AUDIODRIVER=", 0) != 0 && entry.rfind("SDL_DISKAUDIOFILE=", 0) != 0)
			env.push_back(*e);
	}
	for (std::string& s : settings)
		env.push_back(s.data());
	env.push_back(nullptr);

	std::string filter = "--gtest_filter=" + name;
	char program[] = "/proc/self/exe";
	char* argv[] = {program, filter.data(), nullptr};
	posix_spawn_file_actions_t actions;
	posix_spawn_file_actions_init(&actions);
	if (!errorFile.empty()) {
		posix_spawn_file_actions_addopen(
			&actions, STDERR_FILENO, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
	}
	pid_t child = 0;
	int spawned = posix_spawn(&child, program, &actions, nullptr, argv, env.data());
	posix_spawn_file_actions_destroy(&actions);
	if (spawned != 0)
		return -1;
	int status = 0;
	if (waitpid(child, &status, 0) != child || !WIFEXITED(status))
		return -1;
	return WEXITSTATUS(status);
}

inline std::string TempFile(const char* stem)
{
	return std::string(::testing::TempDir()) + stem + "-" + std::to_string(getpid()) + ".raw";
}

// What the device wrote: frames of two signed 16-bit little-endian samples, left first. A
// frame still being written when the file was read is left out.
struct Channels {
	std::vector<int16> left;
	std::vector<int16> right;
};

inline Channels ReadChannels(const std::string& file)
{
	Channels channels;
	if (FILE* f = std::fopen(file.c_str(), "rb")) {
		unsigned char frame[4];
		while (std::fread(frame, 1, 4, f) == 4) {
			channels.left.push_back(int16(uint16(frame[0] | (frame[1] << 8))));
			channels.right.push_back(int16(uint16(frame[2] | (frame[3] << 8))));
		}
		std::fclose(f);
	}
	return channels;
}

// What mono players played: one channel, after checking that the other holds the same.
inline std::vector<int16> ReadMono(const std::string& file)
{
	Channels channels = ReadChannels(file);
	auto [left, right] =
		std::mismatch(channels.left.begin(), channels.left.end(), channels.right.begin());
	if (left != channels.left.end()) {
		ADD_FAILURE() << "the channels part at frame " << (left - channels.left.begin()) << ": "
					  << *left << " against " << *right;
	}
	return channels.left;
}

}  // namespace disk_audio
