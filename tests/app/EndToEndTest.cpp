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
	// False (with the reason in `skip`) when the machine lacks the tools. `args` follow the
	// program's name; its window comes up titled `title`.
	bool Start(std::string* skip, const std::vector<std::string>& args = {},
	    const std::string& title = "Tunk v1.1 - Untitled")
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
		std::vector<std::string> command = {TUNK_BINARY};
		command.insert(command.end(), args.begin(), args.end());
		EXPECT_TRUE(tunk.Start(command,
		    {"DISPLAY=" + screen.name, "QT_QPA_PLATFORM=xcb", "SDL_AUDIODRIVER=disk",
		        "SDL_DISKAUDIOFILE=" + audio, "HOME=" + dir.Path(), "XDG_DATA_HOME=" + dir.Path(),
		        "XDG_RUNTIME_DIR=" + dir.Path(), "XDG_CONFIG_HOME=" + dir.Path(),
		        "XDG_CACHE_HOME=" + dir.Path()},
		    dir / "stdout.txt"));
		window = WaitForTitle(title);
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
			std::vector<int16> out = disk_audio::ReadMono(audio);
			if (out.size() > from &&
			    Contains(std::vector<int16>(out.begin() + long(from), out.end()), sound))
				return true;
			std::this_thread::sleep_for(50ms);
		}
		return false;
	}

	size_t Heard() { return disk_audio::ReadMono(audio).size(); }

	// The window's title as the desktop reads it (xdotool getwindowname).
	std::string TitleSeen()
	{
		const std::string file = dir / "title.txt";
		Child tool;
		if (!tool.Start({xdotool, "getwindowname", std::to_string(window)},
		        {"DISPLAY=" + screen.name}, file) ||
		    tool.Wait(10s) != 0)
			return "";
		std::ifstream in(file);
		std::string title;
		std::getline(in, title);
		return title;
	}

	// Waits for the title to read `title`; false when it does not within ten seconds.
	bool TitleBecomes(const std::string& title)
	{
		for (int i = 0; i < 100; i++) {
			if (TitleSeen() == title)
				return true;
			std::this_thread::sleep_for(100ms);
		}
		return false;
	}

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

namespace {

std::string FileBytes(const std::string& path)
{
	std::ifstream in(path, std::ios::binary);
	return std::string((std::istreambuf_iterator<char>(in)), {});
}

} // namespace

// A browsed preset survives an undo and a save: after Alt+Down from a.tunk to b.tunk, Ctrl+Z
// brings back a.tunk (its sound and its name), so Ctrl+S writes a.tunk and b.tunk stays.
TEST(EndToEndDocument, UndoAfterBrowsingSavesTheFirstFileAndKeepsTheBrowsedOne)
{
	Session session;
	PresetParams a = DefaultPresetParams();
	a.startFreq = 220;
	a.duration = 350;
	PresetParams b = DefaultPresetParams();
	b.startFreq = 1760;
	b.oscType = 3;
	b.filterEnabled = 1;
	const std::string aPath = session.dir / "a.tunk";
	const std::string bPath = session.dir / "b.tunk";
	ASSERT_EQ(WritePresetFile(aPath.c_str(), a), B_OK);
	ASSERT_EQ(WritePresetFile(bPath.c_str(), b), B_OK);
	const std::string aBytes = FileBytes(aPath);
	const std::string bBytes = FileBytes(bPath);

	std::string skip;
	if (!session.Start(&skip, {aPath}, "Tunk v1.1 - a.tunk")) {
		if (!skip.empty())
			GTEST_SKIP() << skip;
		FAIL() << "the program did not come up with a.tunk";
	}

	session.Tool({"key", "alt+Down"});
	ASSERT_TRUE(session.TitleBecomes("Tunk v1.1 - b.tunk")) << session.TitleSeen();
	session.Tool({"key", "ctrl+z"});
	EXPECT_TRUE(session.TitleBecomes("Tunk v1.1 - a.tunk")) << session.TitleSeen();
	session.Tool({"key", "ctrl+s"});
	EXPECT_TRUE(session.TitleBecomes("Tunk v1.1 - a.tunk")) << session.TitleSeen();

	// Once the program has ended, whatever the save wrote is on disk.
	SendDelete(session.x, session.window);
	ASSERT_TRUE(session.tunk.Wait(15s).has_value()) << "the program did not end";
	EXPECT_EQ(FileBytes(bPath), bBytes) << "b.tunk was overwritten";
	PresetParams saved;
	ASSERT_EQ(ReadPresetFile(aPath.c_str(), &saved), B_OK);
	EXPECT_EQ(EncodePresetRecord(saved), EncodePresetRecord(a)) << "a.tunk lost its sound";
}

namespace {

// Where the window's controls are, from its top left corner (the menu bar included).
constexpr const char* kFrequencyField[] = {"185", "87"};
constexpr const char* kRepeatBox[] = {"440", "432"};
constexpr const char* kTempoField[] = {"460", "457"};
constexpr const char* kPlayButton[] = {"433", "355"};

// A sound's samples and where its first sound-making sample lies: a hit in the output is
// found by that sample, and starts that many samples before it.
struct Made {
	float frequency;
	std::vector<int16> samples;
	size_t lead = 0;
};

Made MakeSound(const PresetParams& params)
{
	Made made{params.startFreq, {}, 0};
	tunk::Render(ToSoundParams(params), &made.samples);
	while (made.lead < made.samples.size() && made.samples[made.lead] == 0)
		made.lead++;
	return made;
}

// One hit of the output: where it starts and which sound it is.
struct Hit {
	size_t start;
	size_t sound;
};

// Reads the output as hits of the sounds with silence between them. Sets `fault` to the
// first stretch that is neither (a sound cut, mixed or changed within one hit); a hit the
// end of the file cuts short is left out.
std::vector<Hit> ReadHits(const std::vector<int16>& out, const std::vector<Made>& sounds,
    std::string* fault)
{
	std::vector<Hit> hits;
	size_t at = 0;
	for (;;) {
		while (at < out.size() && out[at] == 0)
			at++;
		if (at == out.size())
			return hits;
		bool found = false;
		bool cut = false;
		for (size_t i = 0; i < sounds.size() && !found; i++) {
			const Made& made = sounds[i];
			if (at < made.lead)
				continue;
			const size_t start = at - made.lead;
			const size_t length = std::min(made.samples.size(), out.size() - start);
			if (!std::equal(made.samples.begin(), made.samples.begin() + long(length),
			        out.begin() + long(start)))
				continue;
			if (length < made.samples.size()) {
				cut = true;
				continue;
			}
			hits.push_back({start, i});
			at = start + made.samples.size();
			found = true;
		}
		if (found)
			continue;
		if (!cut)
			*fault = "samples at " + std::to_string(at) + " are no hit of any sound made";
		return hits;
	}
}

} // namespace

// Twenty frequencies typed into the window while it repeats at 240 BPM: every hit that
// reaches the device is one whole sound that was made (never silence, a cut or a mix), and
// every beat has its hit, on the beat.
TEST(EndToEndRepeat, TypingWhileRepeatingAt240BpmKeepsEveryBeatWhole)
{
	Session session;
	// A short sound, so that hits at 240 BPM (250 ms apart) never overlap.
	PresetParams start = DefaultPresetParams();
	start.duration = 100;
	const std::string preset = session.dir / "beat.tunk";
	ASSERT_EQ(WritePresetFile(preset.c_str(), start), B_OK);
	std::string skip;
	if (!session.Start(&skip, {preset}, "Tunk v1.1 - beat.tunk")) {
		if (!skip.empty())
			GTEST_SKIP() << skip;
		FAIL() << "the program did not come up";
	}
	const std::string window = std::to_string(session.window);
	auto click = [&](const char* const* where) {
		session.Tool({"mousemove", "--window", window, where[0], where[1], "click",
		    "--clearmodifiers", "1"});
	};
	auto enter = [&](const std::string& text) {
		session.Tool({"key", "ctrl+a"});
		session.Tool({"type", text});
		session.Tool({"key", "Return"});
	};

	std::vector<Made> sounds = {MakeSound(start)};
	click(kRepeatBox);
	click(kTempoField);
	enter("240");
	click(kPlayButton);
	ASSERT_TRUE(session.Played(sounds[0].samples)) << "Play did not start";

	click(kFrequencyField);
	for (int i = 0; i < 20; i++) {
		PresetParams typed = start;
		typed.startFreq = float(150 + 97 * i);
		sounds.push_back(MakeSound(typed));
		enter(std::to_string(150 + 97 * i));
		std::this_thread::sleep_for(250ms);
	}
	// The last value's sound repeats: everything typed has been taken.
	const size_t typedUntil = session.Heard();
	ASSERT_TRUE(session.Played(sounds.back().samples, typedUntil))
	    << "the last value typed was never heard";
	session.tunk.Stop();

	const std::vector<int16> out = disk_audio::ReadMono(session.audio);
	std::string fault;
	const std::vector<Hit> hits = ReadHits(out, sounds, &fault);
	EXPECT_EQ(fault, "");
	ASSERT_GE(hits.size(), 2u);

	// The tempo was set before Play: every beat has its hit, exactly one beat after the last.
	constexpr size_t kBeat = 44100 * 60 / 240;
	std::vector<bool> heard(sounds.size(), false);
	for (size_t i = 0; i < hits.size(); i++) {
		heard[hits[i].sound] = true;
		if (i > 0) {
			EXPECT_EQ(hits[i].start - hits[i - 1].start, kBeat)
			    << "before the hit at " << hits[i].start;
		}
	}
	// The edits were heard while repeating, not only the last.
	const long kinds = std::count(heard.begin(), heard.end(), true);
	EXPECT_GE(kinds, 3) << "hits of only " << kinds << " sounds";
	::testing::Test::RecordProperty("hits", int(hits.size()));
	::testing::Test::RecordProperty("sounds", int(kinds));
}
