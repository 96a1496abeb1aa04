// Tunk's editor as a process of the host's: started with one end of a socket pair as its
// descriptor 3, talked to in lines (EditorLink.h), ended when the UI goes. Nothing here
// blocks the host's GUI thread: the socket is non-blocking on this side, what cannot be
// written at once waits for the next Poll, and ending waits a bounded few milliseconds.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

#include "plugin/ui/EditorLink.h"

namespace tunk::editor_link {

// The descriptor the editor finds its socket on.
constexpr int kEditorSocketFd = 3;

// The editor program for a bundle at `bundleDir` (its links followed): $TUNK_EDITOR when set,
// then `tunk` where an install puts it beside the bundle (PREFIX/bin for
// PREFIX/lib/lv2/tunk.lv2), then where the build tree has it, then `tunk` on the PATH. ""
// when none of them is an executable file.
std::string FindEditor(const std::string& bundleDir);

class EditorProcess {
public:
	EditorProcess() = default;
	~EditorProcess() { End(); }
	EditorProcess(const EditorProcess&) = delete;
	EditorProcess& operator=(const EditorProcess&) = delete;

	// Starts `program` in the editor mode for `kind` ("tunk"), inside the X window `parent`
	// when it is not 0. False when the process could not be started.
	bool Start(const std::string& program, const char* kind, unsigned long parent);
	bool Running() const { return fSocket >= 0; }
	pid_t Pid() const { return fPid; }

	// Queues lines and writes what the socket takes now.
	void Send(const std::string& lines);
	// Lines still queued: the editor is behind.
	bool Sending() const { return !fOut.empty(); }
	// Writes what is queued, reads what has arrived and hands back its messages. After the
	// editor's end of file (it closed or died) Running is false.
	std::vector<Message> Poll();
	// Closes the socket and ends the process: it has a moment to go by itself, then is killed.
	void End();

private:
	void Flush();
	void Reap(bool wait);

	int fSocket = -1;
	pid_t fPid = -1;
	std::string fOut;
	LineBuffer fIn;
};

} // namespace tunk::editor_link
