// The line protocol between a plugin's UI library and Tunk's editor process, spoken over one
// stream socket. Each message is one line of text, so that either end reads whatever has
// arrived without waiting for the rest, and a person can follow a session with strace.
//
//   UI to editor:  set SYMBOL VALUE   a parameter as the plugin has it now (host, preset,
//                                     session); lines before "open" describe the first sound
//                  open NAME          show the sound described so far, under NAME
//   editor to UI:  set SYMBOL VALUE   the user changed a parameter
//                  play VELOCITY      the user played the sound: a note for the plugin (1-127)
//                  stop               every voice off
//                  size WIDTH HEIGHT  the editor's window needs this size, in pixels
//
// Values are written in the C locale whatever the process's locale (the editor runs under the
// user's), as the shortest text that reads back as the same float. End of file on the socket
// ends the other side: the host hid the UI, or the editor was closed or died.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tunk::editor_link {

struct Message {
	enum Kind { kSet, kOpen, kPlay, kStop, kSize };
	Kind kind = kStop;
	std::string name; // kSet: the parameter's symbol; kOpen: the sound's name
	float value = 0;  // kSet
	int first = 0;    // kPlay: the velocity; kSize: the width
	int second = 0;   // kSize: the height
};

std::string SetLine(std::string_view symbol, float value);
std::string OpenLine(std::string_view name);
std::string PlayLine(int velocity);
std::string StopLine();
std::string SizeLine(int width, int height);

// The message of one line (without its newline); nothing for a line that is no message, or
// one whose numbers do not read (a velocity outside 1-127, a size below 1).
std::optional<Message> ReadLine(std::string_view line);

// Bytes as they arrive, handed back as whole lines.
class LineBuffer {
public:
	void Append(const char* bytes, size_t count) { fPending.append(bytes, count); }
	// The next whole line without its newline; nothing until one has arrived. A line longer
	// than kMaxLine is dropped whole, so that a peer gone wrong cannot grow the buffer.
	std::optional<std::string> Next();

	static constexpr size_t kMaxLine = 4096;

private:
	std::string fPending;
	bool fSkipping = false;
};

} // namespace tunk::editor_link
