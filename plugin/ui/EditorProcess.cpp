#include "plugin/ui/EditorProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace tunk::editor_link {

namespace {

bool IsProgram(const std::filesystem::path& path)
{
	std::error_code error;
	return std::filesystem::is_regular_file(path, error) && access(path.c_str(), X_OK) == 0;
}

} // namespace

std::string FindEditor(const std::string& bundleDir)
{
	if (const char* chosen = std::getenv("TUNK_EDITOR"); chosen != nullptr && *chosen != '\0')
		return IsProgram(chosen) ? chosen : "";
	// A bundle linked into ~/.lv2 finds the program beside where it really lies.
	std::error_code error;
	std::filesystem::path bundle = std::filesystem::canonical(bundleDir, error);
	if (error)
		bundle = bundleDir;
	for (const char* relative :
	    {TUNK_EDITOR_FROM_INSTALLED_BUNDLE, TUNK_EDITOR_FROM_BUILT_BUNDLE}) {
		const std::filesystem::path candidate = (bundle / relative).lexically_normal();
		if (IsProgram(candidate))
			return candidate.string();
	}
	const char* path = std::getenv("PATH");
	std::stringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
	std::string dir;
	while (std::getline(dirs, dir, ':')) {
		const std::filesystem::path candidate = std::filesystem::path(dir) / "tunk";
		if (!dir.empty() && IsProgram(candidate))
			return candidate.string();
	}
	return "";
}

bool EditorProcess::Start(const std::string& program, const char* kind, unsigned long parent)
{
	End();
	int pair[2];
	// Close-on-exec on both: the editor's copy is made by the dup2 below, and no other
	// program the host starts holds the socket open past the editor's end.
	if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pair) != 0)
		return false;
	posix_spawn_file_actions_t actions;
	posix_spawn_file_actions_init(&actions);
	posix_spawn_file_actions_adddup2(&actions, pair[1], kEditorSocketFd);
	std::vector<std::string> args = {program, std::string("--plugin-editor=") + kind};
	if (parent != 0)
		args.push_back("--parent=" + std::to_string(parent));
	std::vector<char*> argv;
	for (std::string& arg : args)
		argv.push_back(arg.data());
	argv.push_back(nullptr);
	// Hosts often block or ignore signals on their GUI and audio threads: the editor starts with
	// none blocked and the end signal at its default, so that End ends it at once.
	posix_spawnattr_t attributes;
	posix_spawnattr_init(&attributes);
	sigset_t none, ends;
	sigemptyset(&none);
	sigemptyset(&ends);
	sigaddset(&ends, SIGTERM);
	posix_spawnattr_setsigmask(&attributes, &none);
	posix_spawnattr_setsigdefault(&attributes, &ends);
	posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
	pid_t pid = -1;
	const int failed =
	    posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
	posix_spawnattr_destroy(&attributes);
	posix_spawn_file_actions_destroy(&actions);
	close(pair[1]);
	if (failed != 0) {
		close(pair[0]);
		return false;
	}
	// The editor reads its end blocking, under its event loop's notifier.
	fSocket = pair[0];
	fPid = pid;
	fOut.clear();
	fIn = LineBuffer();
	return true;
}

void EditorProcess::Send(const std::string& lines)
{
	if (fSocket < 0)
		return;
	fOut += lines;
	Flush();
}

void EditorProcess::Flush()
{
	while (fSocket >= 0 && !fOut.empty()) {
		// No SIGPIPE for the host when the editor has gone: the error says so instead.
		const ssize_t written = send(fSocket, fOut.data(), fOut.size(), MSG_NOSIGNAL);
		if (written > 0) {
			fOut.erase(0, size_t(written));
			continue;
		}
		if (written < 0 && errno == EINTR)
			continue;
		return; // full (the rest goes at the next Poll) or gone (the read sees it)
	}
}

std::vector<Message> EditorProcess::Poll()
{
	std::vector<Message> messages;
	if (fSocket < 0) {
		Reap(false);
		return messages;
	}
	Flush();
	char bytes[4096];
	for (;;) {
		const ssize_t count = recv(fSocket, bytes, sizeof bytes, 0);
		if (count > 0) {
			fIn.Append(bytes, size_t(count));
			continue;
		}
		if (count < 0 && errno == EINTR)
			continue;
		if (count == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
			// The editor closed its window, or died: the host and the plugin go on.
			close(fSocket);
			fSocket = -1;
			fOut.clear();
		}
		break;
	}
	while (std::optional<std::string> line = fIn.Next()) {
		if (std::optional<Message> message = ReadLine(*line))
			messages.push_back(*message);
	}
	if (fSocket < 0)
		Reap(false);
	return messages;
}

void EditorProcess::End()
{
	if (fSocket >= 0) {
		close(fSocket);
		fSocket = -1;
	}
	fOut.clear();
	if (fPid > 0) {
		// The end of file alone ends the editor; the signal makes sure of it without waiting
		// for its event loop.
		kill(fPid, SIGTERM);
		Reap(true);
	}
}

void EditorProcess::Reap(bool wait)
{
	if (fPid <= 0)
		return;
	using namespace std::chrono;
	const auto deadline = steady_clock::now() + milliseconds(wait ? 50 : 0);
	for (;;) {
		const pid_t done = waitpid(fPid, nullptr, WNOHANG);
		// Gone, or reaped by the host itself (a host that ignores SIGCHLD reaps everything).
		if (done == fPid || (done < 0 && errno != EINTR)) {
			fPid = -1;
			return;
		}
		if (steady_clock::now() >= deadline)
			break;
		std::this_thread::sleep_for(milliseconds(1));
	}
	if (wait) {
		// Killed processes end at once: the wait is short.
		kill(fPid, SIGKILL);
		while (waitpid(fPid, nullptr, 0) < 0 && errno == EINTR) {
		}
		fPid = -1;
	}
}

} // namespace tunk::editor_link
