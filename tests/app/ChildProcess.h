// Child processes a test starts and ends: programs under test, servers and tools.
#pragma once

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

// The program called `name` on the PATH, nullopt when there is none.
inline std::optional<std::string> FindProgram(const char* name)
{
	const char* path = std::getenv("PATH");
	std::stringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
	std::string dir;
	while (std::getline(dirs, dir, ':')) {
		std::string candidate = dir + "/" + name;
		if (access(candidate.c_str(), X_OK) == 0)
			return candidate;
	}
	return std::nullopt;
}

// A process the test started; ended with the signal given at construction when the test is
// done with it.
class Child {
public:
	explicit Child(int signal = SIGKILL) : signal_(signal) {}
	Child(const Child&) = delete;
	Child& operator=(const Child&) = delete;
	~Child() { Stop(); }

	// The next Start gives the child a pipe for its standard input, which Send writes to, as
	// a person types at a console program.
	void PipeInput() { wantInput_ = true; }

	// Runs args[0] (looked up on the PATH unless it holds a slash) with the test's environment, the "NAME=value" entries of `extraEnv` set anew.
	// Its standard output and error go to `output` when given; it starts in `folder` when
	// given.
	bool Start(std::vector<std::string> args, const std::vector<std::string>& extraEnv = {},
	    const std::string& output = "", const std::string& folder = "")
	{
		std::vector<std::string> envStrings;
		for (char** e = environ; *e != nullptr; e++) {
			const std::string entry(*e);
			const std::string key = entry.substr(0, entry.find('=') + 1);
			if (std::none_of(extraEnv.begin(), extraEnv.end(),
			        [&](const std::string& extra) { return extra.rfind(key, 0) == 0; }))
				envStrings.push_back(entry);
		}
		envStrings.insert(envStrings.end(), extraEnv.begin(), extraEnv.end());
		std::vector<char*> env;
		for (std::string& s : envStrings)
			env.push_back(s.data());
		env.push_back(nullptr);
		std::vector<char*> argv;
		for (std::string& s : args)
			argv.push_back(s.data());
		argv.push_back(nullptr);

		posix_spawn_file_actions_t actions;
		posix_spawn_file_actions_init(&actions);
		int input[2] = {-1, -1};
		if (wantInput_) {
			// Close-on-exec, so that no other child holds the pipe open; the child's own
			// copy is its standard input.
			if (pipe2(input, O_CLOEXEC) != 0)
				return false;
			posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
			// A reader gone must fail a Send, not end the test program.
			std::signal(SIGPIPE, SIG_IGN);
		}
		if (!output.empty()) {
			posix_spawn_file_actions_addopen(
			    &actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
			posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
		}
		if (!folder.empty())
			posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
		if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), env.data()) != 0)
			pid_ = -1;
		posix_spawn_file_actions_destroy(&actions);
		if (wantInput_) {
			close(input[0]);
			CloseInput();
			input_ = input[1];
		}
		return pid_ > 0;
	}

	// Writes `text` to the child's standard input; false when it cannot.
	bool Send(const std::string& text)
	{
		size_t done = 0;
		while (input_ >= 0 && done < text.size()) {
			const ssize_t wrote = write(input_, text.data() + done, text.size() - done);
			if (wrote < 0 && errno == EINTR)
				continue;
			if (wrote <= 0)
				return false;
			done += size_t(wrote);
		}
		return input_ >= 0;
	}

	// The child reads the end of its input.
	void CloseInput()
	{
		if (input_ >= 0)
			close(input_);
		input_ = -1;
	}

	// Waits for the child to end: its exit status, nullopt when it did not exit normally.
	std::optional<int> Finish()
	{
		if (pid_ <= 0)
			return std::nullopt;
		int status = 0;
		const bool ended = waitpid(pid_, &status, 0) == pid_;
		pid_ = -1;
		return ended && WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::nullopt;
	}

	// The exit status, or nullopt when the child did not exit normally within the time.
	std::optional<int> Wait(std::chrono::milliseconds limit)
	{
		for (auto end = std::chrono::steady_clock::now() + limit;
		     pid_ > 0 && std::chrono::steady_clock::now() < end;) {
			int status = 0;
			if (waitpid(pid_, &status, WNOHANG) == pid_) {
				pid_ = -1;
				return WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::nullopt;
			}
			std::this_thread::sleep_for(std::chrono::milliseconds(20));
		}
		return std::nullopt;
	}

	// The process's id while it runs; -1 once it has ended.
	pid_t Pid()
	{
		int status = 0;
		if (pid_ > 0 && waitpid(pid_, &status, WNOHANG) == pid_)
			pid_ = -1;
		return pid_;
	}

	// Ends the child with its signal, and with SIGKILL should it still run five seconds later.
	void Stop()
	{
		CloseInput();
		if (pid_ <= 0)
			return;
		kill(pid_, signal_);
		if (!Wait(std::chrono::seconds(5)) && Pid() > 0) {
			kill(pid_, SIGKILL);
			waitpid(pid_, nullptr, 0);
		}
		pid_ = -1;
	}

private:
	pid_t pid_ = -1;
	int signal_;
	bool wantInput_ = false;
	int input_ = -1; // the writing end of the child's standard input
};

// Waits for `done` for up to `limit`: the machine may be busy building, so the limits are
// generous, and a test waits only as long as its condition takes.
inline bool WaitFor(const std::function<bool()>& done,
    std::chrono::seconds limit = std::chrono::seconds(120))
{
	for (auto end = std::chrono::steady_clock::now() + limit;
	     std::chrono::steady_clock::now() < end;) {
		if (done())
			return true;
		std::this_thread::sleep_for(std::chrono::milliseconds(20));
	}
	return done();
}
