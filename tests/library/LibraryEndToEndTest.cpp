// The real program on a virtual X display: a factory sound opened from the command line,
// Alt+Down loads the next sound of its folder, and space plays that sound.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "engine/DiskAudio.h"
#include "engine/core/Render.h"
#include "kits/storage/TempDir.h"
#include "preset/FactoryLibrary.h"
#include "preset/PresetRecord.h"

// Last: Xlib's macros would clash with the headers above.
#include <X11/Xlib.h>
#undef Bool
#undef None
#undef Status

extern char** environ;

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::optional<std::string> FindProgram(const std::string& name)
{
	for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"})
		if (access((std::string(dir) + "/" + name).c_str(), X_OK) == 0)
			return std::string(dir) + "/" + name;
	return std::nullopt;
}

// A process this test started; ended with `signal` when the test is done with it.
class Child {
public:
	explicit Child(int signal = SIGKILL) : fSignal(signal) {}
	Child(const Child&) = delete;
	Child& operator=(const Child&) = delete;
	~Child() { Stop(); }

	bool Start(std::vector<std::string> args, const std::vector<std::string>& extraEnv,
	    const std::string& output = "/dev/null")
	{
		// The test's environment with the given variables set anew (ctest sets the Qt
		// platform and the audio driver for the test itself).
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
		posix_spawn_file_actions_addopen(
		    &actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
		posix_spawn_file_actions_adddup2(&actions, 1, 2);
		if (posix_spawn(&fPid, argv[0], &actions, nullptr, argv.data(), env.data()) != 0)
			fPid = -1;
		posix_spawn_file_actions_destroy(&actions);
		return fPid > 0;
	}

	// The exit status, or nullopt when the child did not exit normally in time.
	std::optional<int> Wait(std::chrono::milliseconds limit)
	{
		for (auto end = std::chrono::steady_clock::now() + limit;
		     fPid > 0 && std::chrono::steady_clock::now() < end;) {
			int status = 0;
			if (waitpid(fPid, &status, WNOHANG) == fPid) {
				fPid = -1;
				return WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::nullopt;
			}
			std::this_thread::sleep_for(20ms);
		}
		return std::nullopt;
	}

	void Stop()
	{
		if (fPid > 0) {
			kill(fPid, fSignal);
			waitpid(fPid, nullptr, 0);
			fPid = -1;
		}
	}

private:
	pid_t fPid = -1;
	int fSignal;
};

// The top-level window whose title starts with `title`, 0 when none.
Window FindWindow(Display* display, Window root, const std::string& title)
{
	char* name = nullptr;
	if (XFetchName(display, root, &name) && name != nullptr) {
		bool match = std::string(name) == title;
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

Window WaitForWindow(Display* display, const std::string& title)
{
	Window window = 0;
	for (int i = 0; i < 500 && window == 0; i++) {
		std::this_thread::sleep_for(20ms);
		window = FindWindow(display, DefaultRootWindow(display), title);
	}
	return window;
}

std::vector<int16> Rendered(const fs::path& preset)
{
	PresetParams params;
	EXPECT_EQ(ReadPresetFile(preset.c_str(), &params), B_OK);
	std::vector<int16> samples;
	tunk::Render(ToSoundParams(params), &samples);
	return samples;
}

// How many times the whole sound stands in the recording.
int Count(const std::vector<int16>& haystack, const std::vector<int16>& needle)
{
	int count = 0;
	for (auto at = haystack.begin();
	     (at = std::search(at, haystack.end(), needle.begin(), needle.end())) != haystack.end();
	     at += std::ptrdiff_t(needle.size()))
		count++;
	return count;
}

// Waits until the recording holds the sound `times` times.
bool WaitForPlays(const std::string& audio, const std::vector<int16>& sound, int times)
{
	for (int i = 0; i < 200; i++) {
		if (Count(disk_audio::ReadSamples(audio), sound) >= times)
			return true;
		std::this_thread::sleep_for(50ms);
	}
	return false;
}

} // namespace

TEST(LibraryEndToEnd, AltDownLoadsTheNextSoundOfTheFolderAndSpacePlaysIt)
{
	std::optional<std::string> xvfb = FindProgram("Xvfb");
	std::optional<std::string> xdotool = FindProgram("xdotool");
	if (!xvfb || !xdotool)
		GTEST_SKIP() << "needs Xvfb and xdotool";
	std::vector<FactoryCategory> library = ReadFactoryLibrary(FindFactoryFolder());
	ASSERT_FALSE(library.empty());
	const std::vector<FactorySound>& sounds = library.front().sounds;
	ASSERT_GE(sounds.size(), 2u);

	TempDir dir;
	int number = 110;
	while (fs::exists("/tmp/.X11-unix/X" + std::to_string(number)) ||
	       fs::exists("/tmp/.X" + std::to_string(number) + "-lock"))
		number++;
	const std::string display = ":" + std::to_string(number);
	Child server(SIGTERM);
	ASSERT_TRUE(
	    server.Start({*xvfb, display, "-noreset", "-screen", "0", "800x700x24", "-nolisten", "tcp"},
	        {}, dir / "xvfb.log"));
	Display* x = nullptr;
	for (int i = 0; i < 250 && x == nullptr; i++) {
		std::this_thread::sleep_for(20ms);
		x = XOpenDisplay(display.c_str());
	}
	ASSERT_NE(x, nullptr) << "the virtual display did not come up";

	const std::string audio = dir / "out.raw";
	Child tunk;
	ASSERT_TRUE(tunk.Start({TUNK_BINARY, sounds[0].path.string()},
	    {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb", "SDL_AUDIODRIVER=disk",
	        "SDL_DISKAUDIOFILE=" + audio, "XDG_DATA_HOME=" + dir.Path(),
	        "XDG_RUNTIME_DIR=" + dir.Path()},
	    dir / "tunk.log"));
	Window window = WaitForWindow(x, "Tunk v1.1 - " + sounds[0].path.filename().string());
	ASSERT_NE(window, 0u) << "no window for the factory sound";
	for (int i = 0; i < 250; i++) {
		XWindowAttributes attributes;
		if (XGetWindowAttributes(x, window, &attributes) && attributes.map_state == IsViewable)
			break;
		std::this_thread::sleep_for(20ms);
	}
	XSetInputFocus(x, window, RevertToParent, CurrentTime);
	XSync(x, False);
	std::this_thread::sleep_for(300ms);

	auto press = [&](const char* keys) {
		Child key;
		ASSERT_TRUE(key.Start({*xdotool, "key", keys}, {"DISPLAY=" + display}));
		ASSERT_EQ(key.Wait(10s), 0);
	};
	// Browsing plays the next sound at once; space plays it again.
	const std::vector<int16> next = Rendered(sounds[1].path);
	press("alt+Down");
	EXPECT_NE(WaitForWindow(x, "Tunk v1.1 - " + sounds[1].path.filename().string()), 0u)
	    << "Alt+Down did not load the next sound of the folder";
	EXPECT_TRUE(WaitForPlays(audio, next, 1)) << sounds[1].name << " was not played on Alt+Down";
	press("space");
	EXPECT_TRUE(WaitForPlays(audio, next, 2)) << "space did not play " << sounds[1].name;
	EXPECT_EQ(Count(disk_audio::ReadSamples(audio), Rendered(sounds[0].path)), 0)
	    << "opening a preset plays nothing";

	tunk.Stop();
	XCloseDisplay(x);
	server.Stop();
}
