// The real program's command line: --help and --version answer and end without a window, an
// unknown option is refused with the usage on standard error and status 2, and "--" ends the
// options so that a preset named like an option still opens.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "kits/storage/TempDir.h"
#include "preset/PresetRecord.h"
#include "tools/RunProgram.h"

// Last: it brings in Xlib.
#include "app/RealProgram.h"

namespace {

using namespace std::chrono_literals;

// Runs tunk where no display can be reached: a window would end it with an error instead.
ProgramRun RunWithoutDisplay(const std::vector<std::string>& args, const std::string& folder)
{
	std::string previous = std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "";
	setenv("QT_QPA_PLATFORM", "xcb", 1);
	setenv("DISPLAY", ":none", 1);
	ProgramRun run = RunProgram(TUNK_BINARY, args, folder);
	setenv("QT_QPA_PLATFORM", previous.c_str(), 1);
	unsetenv("DISPLAY");
	return run;
}

std::string FirstLine(const std::string& text)
{
	return text.substr(0, text.find('\n'));
}

TEST(CommandLine, HelpAndVersionAnswerWithoutAWindow)
{
	TempDir dir;
	ProgramRun help = RunWithoutDisplay({"--help"}, dir.Path());
	EXPECT_EQ(help.status, 0);
	EXPECT_EQ(FirstLine(help.out), "Usage: tunk [OPTION]... [--] [PRESET]...");
	EXPECT_NE(help.out.find("--version"), std::string::npos);
	EXPECT_EQ(help.err, "");

	// Options end the reading at once, whatever follows.
	ProgramRun version = RunWithoutDisplay({"--version", "missing.tunk"}, dir.Path());
	EXPECT_EQ(version.status, 0);
	EXPECT_EQ(version.out, "tunk " TUNK_VERSION "\n");
	EXPECT_EQ(version.err, "");
}

TEST(CommandLine, AnUnknownOptionIsRefusedWithTheUsage)
{
	TempDir dir;
	for (const char* option : {"--bogus", "-x", "-help"}) {
		SCOPED_TRACE(option);
		ProgramRun run = RunWithoutDisplay({"preset.tunk", option}, dir.Path());
		EXPECT_EQ(run.status, 2);
		EXPECT_EQ(run.out, "");
		EXPECT_EQ(FirstLine(run.err), std::string("tunk: unknown option '") + option + "'");
		EXPECT_NE(run.err.find("Usage: tunk"), std::string::npos);
	}
}

// The titles of the top-level windows of the display that begin with the prefix.
void CollectTitles(
    Display* display, Window window, const std::string& prefix, std::vector<std::string>* titles)
{
	char* name = nullptr;
	if (XFetchName(display, window, &name) && name != nullptr) {
		if (std::string(name).rfind(prefix, 0) == 0)
			titles->push_back(name);
		XFree(name);
	}
	Window root, parent;
	Window* children = nullptr;
	unsigned int count = 0;
	if (XQueryTree(display, window, &root, &parent, &children, &count)) {
		for (unsigned int i = 0; i < count; i++)
			CollectTitles(display, children[i], prefix, titles);
		if (children != nullptr)
			XFree(children);
	}
}

std::vector<std::string> TunkTitles(Display* display)
{
	std::vector<std::string> titles;
	CollectTitles(display, DefaultRootWindow(display), "Tunk", &titles);
	return titles;
}

// The real program on a virtual display of its own, started with the arguments in a folder;
// Titles() lists its editor windows.
class VirtualDisplayRun {
public:
	VirtualDisplayRun(const std::vector<std::string>& args, const std::string& folder)
	{
		if (!screen_.Start("/usr/bin/Xvfb", 70, "1280x1024x24"))
			return;
		std::vector<std::string> argv = {TUNK_BINARY};
		argv.insert(argv.end(), args.begin(), args.end());
		tunk_.Start(argv,
		    {"DISPLAY=" + screen_.name, "QT_QPA_PLATFORM=xcb", "SDL_AUDIODRIVER=dummy",
		        "XDG_DATA_HOME=" + folder, "XDG_RUNTIME_DIR=" + folder},
		    "", folder);
	}

	bool Started() const { return screen_.x != nullptr; }

	// The titles once the first window has shown and a little longer, for any further ones.
	std::vector<std::string> Titles()
	{
		std::vector<std::string> titles;
		for (int i = 0; i < 500 && titles.empty(); i++) {
			std::this_thread::sleep_for(20ms);
			titles = TunkTitles(screen_.x);
		}
		std::this_thread::sleep_for(500ms);
		return TunkTitles(screen_.x);
	}

	Child& Tunk() { return tunk_; }

private:
	// Declared before the program, so that the program ends before its display does.
	VirtualDisplay screen_;
	Child tunk_{SIGTERM};
};

TEST(CommandLine, DoubleDashEndsTheOptions)
{
	if (access("/usr/bin/Xvfb", X_OK) != 0)
		GTEST_SKIP() << "needs Xvfb (scripts/install-deps installs it)";
	TempDir dir;
	ASSERT_EQ(WritePresetFile((dir / "-x").c_str(), DefaultPresetParams()), B_OK);
	VirtualDisplayRun run({"--", "-x"}, dir.Path());
	ASSERT_TRUE(run.Started()) << "the virtual display did not come up";
	// One window: "--" is no file.
	EXPECT_EQ(run.Titles(), std::vector<std::string>{"Tunk v1.1 - -x"});
	EXPECT_EQ(run.Tunk().Wait(200ms), std::nullopt) << "the program runs on with its window";
}

// A preset named twice, by two spellings of its path, opens once.
TEST(CommandLine, APresetOpenedTwiceGetsOneWindow)
{
	if (access("/usr/bin/Xvfb", X_OK) != 0)
		GTEST_SKIP() << "needs Xvfb (scripts/install-deps installs it)";
	TempDir dir;
	ASSERT_EQ(WritePresetFile((dir / "kick.tunk").c_str(), DefaultPresetParams()), B_OK);
	ASSERT_EQ(WritePresetFile((dir / "snare.tunk").c_str(), DefaultPresetParams()), B_OK);
	VirtualDisplayRun run({"kick.tunk", "snare.tunk", "./kick.tunk"}, dir.Path());
	ASSERT_TRUE(run.Started()) << "the virtual display did not come up";
	std::vector<std::string> titles = run.Titles();
	std::sort(titles.begin(), titles.end());
	EXPECT_EQ(
	    titles, (std::vector<std::string>{"Tunk v1.1 - kick.tunk", "Tunk v1.1 - snare.tunk"}));
}

} // namespace
