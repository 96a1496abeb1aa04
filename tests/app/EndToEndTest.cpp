// The real program on a virtual X display: the space bar pressed in its window plays the
// default sound, whose samples reach SDL's disk driver, and closing the window ends the
// program with status 0.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "engine/DiskAudio.h"
#include "engine/core/Render.h"
#include "kits/storage/TempDir.h"
#include "preset/PresetRecord.h"

// Last: Xlib's macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xlib.h>
#undef Bool
#undef None
#undef Status

extern char** environ;

namespace {

using namespace std::chrono_literals;

std::optional<std::string> FindProgram(const char* name)
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

// A child process that this test started and ends.
class Child {
public:
	Child() = default;
	Child(const Child&) = delete;
	Child& operator=(const Child&) = delete;
	~Child() { Kill(); }

	bool Start(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
	    const std::string& outputFile = "")
	{
		// The test's environment with the given variables set anew.
		std::vector<std::string> envStrings;
		for (char** e = environ; *e != nullptr; e++) {
			std::string entry(*e);
			std::string key = entry.substr(0, entry.find('=') + 1);
			bool replaced = std::any_of(extraEnv.begin(), extraEnv.end(),
			    [&](const std::string& extra) { return extra.rfind(key, 0) == 0; });
			if (!replaced)
				envStrings.push_back(entry);
		}
		envStrings.insert(envStrings.end(), extraEnv.begin(), extraEnv.end());
		std::vector<char*> env;
		for (std::string& s : envStrings)
			env.push_back(s.data());
		env.push_back(nullptr);
		std::vector<std::string> argStrings = args;
		std::vector<char*> argv;
		for (std::string& s : argStrings)
			argv.push_back(s.data());
		argv.push_back(nullptr);

		posix_spawn_file_actions_t actions;
		posix_spawn_file_actions_init(&actions);
		if (!outputFile.empty())
			posix_spawn_file_actions_addopen(
			    &actions, STDOUT_FILENO, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
		int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), env.data());
		posix_spawn_file_actions_destroy(&actions);
		if (spawned != 0)
			pid_ = -1;
		return pid_ > 0;
	}

	// The exit status, or nullopt if the child did not exit normally within the time.
	std::optional<int> Wait(std::chrono::milliseconds limit)
	{
		auto end = std::chrono::steady_clock::now() + limit;
		while (pid_ > 0 && std::chrono::steady_clock::now() < end) {
			int status = 0;
			pid_t done = waitpid(pid_, &status, WNOHANG);
			if (done == pid_) {
				pid_ = -1;
				if (WIFEXITED(status))
					return WEXITSTATUS(status);
				return std::nullopt;
			}
			std::this_thread::sleep_for(20ms);
		}
		return std::nullopt;
	}

	void Kill(int signal = SIGKILL)
	{
		if (pid_ > 0) {
			kill(pid_, signal);
			waitpid(pid_, nullptr, 0);
			pid_ = -1;
		}
	}

	pid_t Pid() const { return pid_; }

private:
	pid_t pid_ = -1;
};

// Finds a top-level window by its exact title.
Window FindWindow(Display* display, Window root, const std::string& title)
{
	char* name = nullptr;
	if (XFetchName(display, root, &name) && name != nullptr) {
		bool match = title == name;
		XFree(name);
		if (match)
			return root;
	}
	Window rootReturn, parent;
	Window* children = nullptr;
	unsigned int count = 0;
	Window found = 0;
	if (XQueryTree(display, root, &rootReturn, &parent, &children, &count)) {
		for (unsigned int i = 0; i < count && found == 0; i++)
			found = FindWindow(display, children[i], title);
		if (children != nullptr)
			XFree(children);
	}
	return found;
}

// Asks the window to close as a window manager's close button does.
void SendDelete(Display* display, Window window)
{
	XEvent event = {};
	event.xclient.type = ClientMessage;
	event.xclient.window = window;
	event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
	event.xclient.format = 32;
	event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
	event.xclient.data.l[1] = CurrentTime;
	XSendEvent(display, window, False, NoEventMask, &event);
	XFlush(display);
}

std::vector<int16> DefaultSound()
{
	std::vector<int16> samples;
	tunk::Render(ToSoundParams(DefaultPresetParams()), &samples);
	return samples;
}

bool Contains(const std::vector<int16>& haystack, const std::vector<int16>& needle)
{
	return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) !=
	       haystack.end();
}

} // namespace

// The program on a virtual display of its own, its sound going to a file through SDL's disk
// driver.
class Session {
public:
	~Session()
	{
		tunk.Kill();
		if (x != nullptr)
			XCloseDisplay(x);
		// The server ends as it is meant to: on SIGTERM.
		server.Kill(SIGTERM);
	}

	// False (with the reason in `skip`) when the machine lacks the tools.
	bool Start(std::string* skip)
	{
		std::optional<std::string> xvfb = FindProgram("Xvfb");
		xdotool = FindProgram("xdotool").value_or("");
		if (!xvfb || xdotool.empty()) {
			*skip = "needs Xvfb and xdotool (scripts/install-deps installs them)";
			return false;
		}
		// A display number of our own: the first free one from 90 on.
		int number = 90;
		while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number)) ||
		       std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock"))
			number++;
		display = ":" + std::to_string(number);
		EXPECT_TRUE(server.Start({*xvfb, display, "-noreset", "-screen", "0", "800x600x24",
		                             "-nolisten", "tcp"},
		    {}, dir / "xvfb.log"));
		for (int i = 0; i < 250 && x == nullptr; i++) {
			std::this_thread::sleep_for(20ms);
			x = XOpenDisplay(display.c_str());
		}
		EXPECT_NE(x, nullptr) << "the virtual display did not come up";
		if (x == nullptr)
			return false;

		audio = dir / "out.raw";
		EXPECT_TRUE(tunk.Start({TUNK_BINARY},
		    {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb", "SDL_AUDIODRIVER=disk",
		        "SDL_DISKAUDIOFILE=" + audio, "XDG_DATA_HOME=" + dir.Path(),
		        "XDG_RUNTIME_DIR=" + dir.Path(), "XDG_CONFIG_HOME=" + dir.Path()},
		    dir / "stdout.txt"));
		window = WaitForTitle("Tunk v1.1 - Untitled");
		EXPECT_NE(window, 0u) << "no editor window appeared";
		if (window == 0)
			return false;

		// Give the window the keyboard once it shows.
		bool viewable = false;
		for (int i = 0; i < 250 && !viewable; i++) {
			XWindowAttributes attributes;
			viewable =
			    XGetWindowAttributes(x, window, &attributes) && attributes.map_state == IsViewable;
			if (!viewable)
				std::this_thread::sleep_for(20ms);
		}
		EXPECT_TRUE(viewable);
		XSetInputFocus(x, window, RevertToParent, CurrentTime);
		XSync(x, False);
		std::this_thread::sleep_for(300ms);
		return viewable;
	}

	Window WaitForTitle(const std::string& title)
	{
		Window found = 0;
		for (int i = 0; i < 250 && found == 0; i++) {
			found = FindWindow(x, DefaultRootWindow(x), title);
			if (found == 0)
				std::this_thread::sleep_for(20ms);
		}
		return found;
	}

	// Runs xdotool with the arguments, as a keyboard and mouse do.
	void Tool(std::vector<std::string> args)
	{
		args.insert(args.begin(), xdotool);
		Child tool;
		ASSERT_TRUE(tool.Start(args, {"DISPLAY=" + display}));
		ASSERT_EQ(tool.Wait(10s), 0);
		std::this_thread::sleep_for(100ms);
	}

	// Waits until the sound has reached the audio device, after `from` samples of it.
	bool Played(const std::vector<int16>& sound, size_t from = 0)
	{
		for (int i = 0; i < 200; i++) {
			std::vector<int16> out = disk_audio::ReadSamples(audio);
			if (out.size() > from &&
			    Contains(std::vector<int16>(out.begin() + long(from), out.end()), sound))
				return true;
			std::this_thread::sleep_for(50ms);
		}
		return false;
	}

	size_t Heard() { return disk_audio::ReadSamples(audio).size(); }

	TempDir dir;
	Child server;
	Child tunk;
	Display* x = nullptr;
	Window window = 0;
	std::string display;
	std::string audio;
	std::string xdotool;
};

TEST(EndToEnd, SpaceBarPlaysTheSoundAndClosingEndsTheProgram)
{
	std::optional<std::string> xvfb = FindProgram("Xvfb");
	std::optional<std::string> xdotool = FindProgram("xdotool");
	if (!xvfb || !xdotool)
		GTEST_SKIP() << "needs Xvfb and xdotool (scripts/install-deps installs them)";

	TempDir dir;
	// A display number of our own: the first free one from 90 on.
	int number = 90;
	while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number)) ||
	       std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock"))
		number++;
	std::string display = ":" + std::to_string(number);
	Child server;
	ASSERT_TRUE(server.Start({*xvfb, display, "-noreset", "-screen", "0", "800x600x24",
	                             "-nolisten", "tcp"},
	    {}, dir / "xvfb.log"));
	Display* x = nullptr;
	for (int i = 0; i < 250 && x == nullptr; i++) {
		std::this_thread::sleep_for(20ms);
		x = XOpenDisplay(display.c_str());
	}
	ASSERT_NE(x, nullptr) << "the virtual display did not come up";

	std::string audio = dir / "out.raw";
	Child tunk;
	ASSERT_TRUE(tunk.Start({TUNK_BINARY},
	    {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb", "SDL_AUDIODRIVER=disk",
	        "SDL_DISKAUDIOFILE=" + audio, "XDG_DATA_HOME=" + dir.Path(),
	        "XDG_RUNTIME_DIR=" + dir.Path()},
	    dir / "stdout.txt"));

	Window window = 0;
	for (int i = 0; i < 500 && window == 0; i++) {
		std::this_thread::sleep_for(20ms);
		window = FindWindow(x, DefaultRootWindow(x), "Tunk v1.1 - Untitled");
	}
	ASSERT_NE(window, 0u) << "no editor window appeared";

	// Give the window the keyboard once it shows, then press space through the X test
	// extension, as a keyboard does.
	bool viewable = false;
	for (int i = 0; i < 250 && !viewable; i++) {
		XWindowAttributes attributes;
		viewable =
		    XGetWindowAttributes(x, window, &attributes) && attributes.map_state == IsViewable;
		if (!viewable)
			std::this_thread::sleep_for(20ms);
	}
	ASSERT_TRUE(viewable);
	XSetInputFocus(x, window, RevertToParent, CurrentTime);
	XSync(x, False);
	std::this_thread::sleep_for(300ms);
	Child key;
	ASSERT_TRUE(key.Start({*xdotool, "key", "space"}, {"DISPLAY=" + display}));
	ASSERT_EQ(key.Wait(10s), 0);

	const std::vector<int16> expected = DefaultSound();
	ASSERT_EQ(expected.size(), 8820u);
	bool played = false;
	for (int i = 0; i < 200 && !played; i++) {
		std::this_thread::sleep_for(50ms);
		played = Contains(disk_audio::ReadSamples(audio), expected);
	}
	EXPECT_TRUE(played) << "the default sound never reached the audio device";

	SendDelete(x, window);
	std::optional<int> status = tunk.Wait(15s);
	ASSERT_TRUE(status.has_value()) << "the program did not end when its window closed";
	EXPECT_EQ(*status, 0);
	XCloseDisplay(x);
	server.Kill(SIGTERM);

	std::ifstream out(dir / "stdout.txt");
	std::string printed((std::istreambuf_iterator<char>(out)), {});
	EXPECT_NE(printed.find("Got key: 32\n"), std::string::npos) << printed;
}

TEST(EndToEnd, UndoAndRedoAFrequencyFromTheKeyboardChangeWhatIsPlayed)
{
	Session session;
	std::string skip;
	if (!session.Start(&skip)) {
		if (!skip.empty())
			GTEST_SKIP() << skip;
		return;
	}
	// Into the frequency field, below the menu bar: a click, then the typed value.
	session.Tool({"mousemove", "--window", std::to_string(session.window), "185", "87", "click",
	    "--clearmodifiers", "1"});
	session.Tool({"key", "ctrl+a"});
	session.Tool({"type", "440"});
	session.Tool({"key", "Return"});
	ASSERT_NE(session.WaitForTitle("Tunk v1.1 - Untitled*"), 0u) << "the typed value was taken";

	session.Tool({"key", "ctrl+z"});
	EXPECT_NE(session.WaitForTitle("Tunk v1.1 - Untitled"), 0u) << "no mark after the undo";
	size_t before = session.Heard();
	session.Tool({"key", "space"});
	EXPECT_TRUE(session.Played(DefaultSound(), before)) << "the default sound after the undo";

	session.Tool({"key", "ctrl+shift+z"});
	EXPECT_NE(session.WaitForTitle("Tunk v1.1 - Untitled*"), 0u);
	PresetParams typed = DefaultPresetParams();
	typed.startFreq = 440;
	std::vector<int16> sound;
	tunk::Render(ToSoundParams(typed), &sound);
	before = session.Heard();
	session.Tool({"key", "space"});
	EXPECT_TRUE(session.Played(sound, before)) << "the typed frequency's sound after the redo";
}
