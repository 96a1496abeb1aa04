// The real program on a virtual X display: the space bar pressed in its window plays the
// default sound, whose samples reach SDL's disk driver, and closing the window ends the
// program with status 0.
#include <algorithm>
#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/DiskAudio.h"
#include "engine/core/Render.h"
#include "kits/storage/TempDir.h"
#include "preset/PresetRecord.h"

// Last: it brings in Xlib.
#include "app/RealProgram.h"

namespace {

using namespace std::chrono_literals;

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
	// False (with the reason in `skip`) when the machine lacks the tools.
	bool Start(std::string* skip)
	{
		std::optional<std::string> xvfb = FindProgram("Xvfb");
		xdotool = FindProgram("xdotool").value_or("");
		if (!xvfb || xdotool.empty()) {
			*skip = "needs Xvfb and xdotool (scripts/install-deps installs them)";
			return false;
		}
		EXPECT_TRUE(screen.Start(*xvfb, 90, "800x600x24", dir / "xvfb.log"))
		    << "the virtual display did not come up";
		x = screen.x;
		if (x == nullptr)
			return false;

		audio = dir / "out.raw";
		EXPECT_TRUE(tunk.Start({TUNK_BINARY},
		    {"DISPLAY=" + screen.name, "QT_QPA_PLATFORM=xcb", "SDL_AUDIODRIVER=disk",
		        "SDL_DISKAUDIOFILE=" + audio, "XDG_DATA_HOME=" + dir.Path(),
		        "XDG_RUNTIME_DIR=" + dir.Path(), "XDG_CONFIG_HOME=" + dir.Path()},
		    dir / "stdout.txt"));
		window = WaitForTitle("Tunk v1.1 - Untitled");
		EXPECT_NE(window, 0u) << "no editor window appeared";
		if (window == 0)
			return false;
		bool viewable = FocusWhenShown(x, window);
		EXPECT_TRUE(viewable);
		return viewable;
	}

	Window WaitForTitle(const std::string& title) { return WaitForWindow(x, title); }

	// Runs xdotool with the arguments, as a keyboard and mouse do.
	void Tool(std::vector<std::string> args)
	{
		Xdotool(xdotool, screen.name, std::move(args));
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
	// Declared before the program, so that the program ends before its display does.
	VirtualDisplay screen;
	Child tunk;
	Display* x = nullptr;
	Window window = 0;
	std::string audio;
	std::string xdotool;
};

// Each test with the program started and its window given the keyboard.
class EndToEnd : public ::testing::Test {
protected:
	void SetUp() override
	{
		std::string skip;
		if (!session.Start(&skip)) {
			if (!skip.empty())
				GTEST_SKIP() << skip;
			FAIL() << "the program did not come up on the virtual display";
		}
	}

	Session session;
};

TEST_F(EndToEnd, SpaceBarPlaysTheSoundAndClosingEndsTheProgram)
{
	// Space through the X test extension, as a keyboard does.
	session.Tool({"key", "space"});

	const std::vector<int16> expected = DefaultSound();
	ASSERT_EQ(expected.size(), 8820u);
	EXPECT_TRUE(session.Played(expected)) << "the default sound never reached the audio device";

	SendDelete(session.x, session.window);
	std::optional<int> status = session.tunk.Wait(15s);
	ASSERT_TRUE(status.has_value()) << "the program did not end when its window closed";
	EXPECT_EQ(*status, 0);

	std::ifstream out(session.dir / "stdout.txt");
	std::string printed((std::istreambuf_iterator<char>(out)), {});
	EXPECT_NE(printed.find("Got key: 32\n"), std::string::npos) << printed;
}

TEST_F(EndToEnd, UndoAndRedoAFrequencyFromTheKeyboardChangeWhatIsPlayed)
{
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
