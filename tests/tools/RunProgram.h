// Runs a program to its end in a folder and collects what it wrote, with standard output or
// standard error optionally on a pseudo-terminal, so that tests see what a user at a terminal
// sees. Both streams are read at once, so a child writing much to either never blocks.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

struct ProgramRun {
	int status = -1;  // the exit status, -1 when the program did not exit normally
	std::string out;
	std::string err;
};

enum class Terminal { None, Out, Err };

inline ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
	const std::string& folder, Terminal terminal = Terminal::None)
{
	ProgramRun run;
	int outPipe[2] = {-1, -1};
	int errPipe[2] = {-1, -1};
	int ptyMaster = -1;
	int ptySlave = -1;
	// Every descriptor opened so far, on a failure before the child runs.
	const auto closeAll = [&] {
		for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1], ptyMaster, ptySlave}) {
			if (fd >= 0)
				close(fd);
		}
	};
	if (pipe(outPipe) != 0 || pipe(errPipe) != 0 ||
	    (terminal != Terminal::None &&
	        openpty(&ptyMaster, &ptySlave, nullptr, nullptr, nullptr) != 0)) {
		closeAll();
		return run;
	}

	std::vector<std::string> words{program};
	words.insert(words.end(), args.begin(), args.end());
	std::vector<char*> argv;
	for (std::string& word : words)
		argv.push_back(word.data());
	argv.push_back(nullptr);

	const pid_t child = fork();
	if (child == 0) {
		if (chdir(folder.c_str()) != 0)
			_exit(127);
		const int devNull = open("/dev/null", O_RDONLY);
		dup2(devNull, STDIN_FILENO);
		dup2(terminal == Terminal::Out ? ptySlave : outPipe[1], STDOUT_FILENO);
		dup2(terminal == Terminal::Err ? ptySlave : errPipe[1], STDERR_FILENO);
		for (int fd = 3; fd < 256; fd++)
			close(fd);
		execv(program.c_str(), argv.data());
		_exit(127);
	}
	if (child < 0) {
		// No child: waiting now would reap any other child of this process instead.
		closeAll();
		return run;
	}
	close(outPipe[1]);
	close(errPipe[1]);
	if (ptySlave >= 0)
		close(ptySlave);

	// A terminal's output comes through the master side, in place of its pipe.
	const int outFd = terminal == Terminal::Out ? ptyMaster : outPipe[0];
	const int errFd = terminal == Terminal::Err ? ptyMaster : errPipe[0];
	struct pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
	std::string* sinks[2] = {&run.out, &run.err};
	int open = 2;
	while (open > 0) {
		if (poll(fds, 2, -1) < 0) {
			if (errno == EINTR)
				continue;
			break;
		}
		for (int i = 0; i < 2; i++) {
			if (fds[i].fd < 0 || fds[i].revents == 0)
				continue;
			char buffer[65536];
			const ssize_t got = read(fds[i].fd, buffer, sizeof(buffer));
			if (got > 0) {
				sinks[i]->append(buffer, size_t(got));
			} else if (got == 0 || errno != EINTR) {
				// A terminal whose last writer has gone reports EIO rather than an end.
				fds[i].fd = -1;
				open--;
			}
		}
	}
	close(outPipe[0]);
	close(errPipe[0]);
	if (ptyMaster >= 0)
		close(ptyMaster);
	int status = 0;
	waitpid(child, &status, 0);
	run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
	return run;
}

inline std::string ReadWholeFile(const std::string& path)
{
	std::ifstream in(path, std::ios::binary);
	return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every regular file under `folder`, by its path relative to it, with its bytes: what runs left
// behind, compared whole.
inline std::map<std::string, std::string> FolderContents(const std::string& folder)
{
	std::map<std::string, std::string> files;
	for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
		if (entry.is_regular_file())
			files[std::filesystem::relative(entry.path(), folder).string()] = ReadWholeFile(entry.path());
	}
	return files;
}
