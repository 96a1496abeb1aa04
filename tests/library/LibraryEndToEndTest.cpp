// The real program on a virtual X display: a factory sound opened from the command line,
// Alt+Down loads the next sound of its folder, and space plays that sound.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <thread>
#include <vector>

#include "engine/DiskAudio.h"
#include "engine/core/Render.h"
#include "kits/storage/TempDir.h"
#include "preset/FactoryLibrary.h"
#include "preset/PresetRecord.h"

// Last: it brings in Xlib.
#include "app/RealProgram.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

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
		if (Count(disk_audio::ReadMono(audio), sound) >= times)
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
	VirtualDisplay screen;
	ASSERT_TRUE(screen.Start(*xvfb, 110, "800x700x24", dir / "xvfb.log"))
	    << "the virtual display did not come up";
	Display* x = screen.x;

	const std::string audio = dir / "out.raw";
	Child tunk;
	ASSERT_TRUE(tunk.Start({TUNK_BINARY, sounds[0].path.string()},
	    {"DISPLAY=" + screen.name, "QT_QPA_PLATFORM=xcb", "SDL_AUDIODRIVER=disk",
	        "SDL_DISKAUDIOFILE=" + audio, "XDG_DATA_HOME=" + dir.Path(),
	        "XDG_RUNTIME_DIR=" + dir.Path()},
	    dir / "tunk.log"));
	Window window = WaitForWindow(x, "Tunk v1.1 - " + sounds[0].path.filename().string());
	ASSERT_NE(window, 0u) << "no window for the factory sound";
	FocusWhenShown(x, window);

	auto press = [&](const char* keys) { Xdotool(*xdotool, screen.name, {"key", keys}); };
	// Browsing plays the next sound at once; space plays it again.
	const std::vector<int16> next = Rendered(sounds[1].path);
	press("alt+Down");
	EXPECT_NE(WaitForWindow(x, "Tunk v1.1 - " + sounds[1].path.filename().string()), 0u)
	    << "Alt+Down did not load the next sound of the folder";
	EXPECT_TRUE(WaitForPlays(audio, next, 1)) << sounds[1].name << " was not played on Alt+Down";
	press("space");
	EXPECT_TRUE(WaitForPlays(audio, next, 2)) << "space did not play " << sounds[1].name;
	EXPECT_EQ(Count(disk_audio::ReadMono(audio), Rendered(sounds[0].path)), 0)
	    << "opening a preset plays nothing";

	tunk.Stop();
}
