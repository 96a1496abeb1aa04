// The application object: launch with and without preset files, files handed over later,
// and the end of Run when the last editor window closes.
#include "app/TunkApp.h"
#include "app/WindowPlacement.h"

#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "engine/TunkSound.h"
#include "preset/PresetRecord.h"
#include "window/TunkWindow.h"
#include "window/OffscreenScreen.h"
#include "window/WindowHarness.h"

using namespace window_test;

namespace {

// A desktop's screen: the window with its side column stands where it is asked to.
const OffscreenScreen kScreen(1280, 1024);

struct Shown {
	std::string title;
	BRect frame;
};

void WritePreset(const std::string& path, float startFreq)
{
	PresetParams params = DefaultPresetParams();
	params.startFreq = startFreq;
	ASSERT_EQ(WritePresetFile(path.c_str(), params), B_OK);
}

// Where the window was placed, with the size of its content: the window itself grows by its
// menu bar (and whatever bars it adds below the content).
BRect ContentFrame(const BWindow* window)
{
	BRect frame = window->Frame();
	BRect content = window->FindView("MainView")->Frame();
	return BRect(frame.left, frame.top, frame.left + content.Width(), frame.top + content.Height());
}

std::vector<TunkWindow*> EditorWindows()
{
	std::vector<TunkWindow*> windows;
	for (int32 i = 0; i < be_app->CountWindows(); i++) {
		if (auto* window = dynamic_cast<TunkWindow*>(be_app->WindowAt(i)))
			windows.push_back(window);
	}
	return windows;
}

// Runs a TunkApp started with the arguments. Once launching is over, `during` runs inside the
// application's loop; then every editor window is closed as its close box would, and Run must
// return by itself. Returns the editor windows that were open after launch.
class Launch {
public:
	explicit Launch(std::vector<std::string> files) : files_(std::move(files)) {}

	std::vector<Shown> Run(const std::function<void(TunkApp&)>& during = {})
	{
		std::vector<const char*> argv = {"tunk"};
		for (const std::string& file : files_)
			argv.push_back(file.c_str());
		BApplication::SetArgs(int(argv.size()), argv.data());

		std::vector<Shown> shown;
		TunkApp app;
		// A timer of its own rather than a posted call: work run from a posted call cannot
		// let the loopers' posted drains through.
		QTimer poll;
		poll.setInterval(10);
		QObject::connect(&poll, &QTimer::timeout, [&] {
			if (app.IsLaunching())
				return;
			poll.stop();
			ProcessEvents();
			openedAtLaunch = app.OpenedAtLaunch();
			for (TunkWindow* window : EditorWindows()) {
				shown.push_back({window->Title(), ContentFrame(window)});
				EXPECT_FALSE(window->IsHidden()) << window->Title();
			}
			if (during)
				during(app);
			for (TunkWindow* window : EditorWindows())
				window->PostMessage(B_QUIT_REQUESTED);
		});
		poll.start();
		// Run must end with the last window; should it not, end it here and say so.
		bool hung = false;
		QTimer guard;
		guard.setSingleShot(true);
		QObject::connect(&guard, &QTimer::timeout, [&] {
			hung = true;
			app.Quit();
		});
		guard.start(20000);
		app.Run();
		EXPECT_FALSE(hung) << "Run did not return after the last window closed";
		EXPECT_TRUE(EditorWindows().empty());
		BApplication::SetArgs(0, nullptr);
		ProcessEvents();
		return shown;
	}

	bool openedAtLaunch = false;

private:
	std::vector<std::string> files_;
};

class TunkAppTest : public ::testing::Test {
protected:
	ScratchDataHome home;  // saving registers the preset type there
	TempDir dir;
	AlertAnswers alerts;
	PanelAnswers panels;
};

} // namespace

TEST_F(TunkAppTest, WithoutFilesOneEmptyWindowOpens)
{
	Launch launch({});
	std::vector<Shown> shown = launch.Run();
	ASSERT_EQ(shown.size(), 1u);
	EXPECT_EQ(shown[0].title, "Tunk v1.1 - Untitled");
	EXPECT_EQ(shown[0].frame, BRect(50, 50, 560, 515));
	EXPECT_FALSE(launch.openedAtLaunch);
	EXPECT_TRUE(alerts.Texts().empty());
}

TEST_F(TunkAppTest, WithOnePresetOnlyItsWindowOpens)
{
	WritePreset(dir / "kick1", 60.0f);
	Launch launch({dir / "kick1"});
	float startFreq = 0;
	std::vector<Shown> shown = launch.Run([&](TunkApp&) {
		ASSERT_EQ(EditorWindows().size(), 1u);
		startFreq = EditorWindows()[0]->Sound()->GetStartFreq();
	});
	ASSERT_EQ(shown.size(), 1u);
	EXPECT_EQ(shown[0].title, "Tunk v1.1 - kick1");
	EXPECT_EQ(shown[0].frame, BRect(100, 100, 610, 565));
	EXPECT_EQ(startFreq, 60.0f);
	EXPECT_TRUE(launch.openedAtLaunch);
}

TEST_F(TunkAppTest, EachOfThreePresetsOpensInAWindowOfItsOwn)
{
	WritePreset(dir / "one", 100.0f);
	WritePreset(dir / "two", 200.0f);
	WritePreset(dir / "three", 300.0f);
	Launch launch({dir / "one", dir / "two", dir / "three"});
	std::vector<float> frequencies;
	std::vector<Shown> shown = launch.Run([&](TunkApp&) {
		for (TunkWindow* window : EditorWindows())
			frequencies.push_back(window->Sound()->GetStartFreq());
	});
	ASSERT_EQ(shown.size(), 3u);
	EXPECT_EQ(shown[0].title, "Tunk v1.1 - one");
	EXPECT_EQ(shown[1].title, "Tunk v1.1 - two");
	EXPECT_EQ(shown[2].title, "Tunk v1.1 - three");
	EXPECT_EQ(frequencies, (std::vector<float>{100.0f, 200.0f, 300.0f}));
}

TEST_F(TunkAppTest, AFileThatCannotBeOpenedStillGetsItsWindow)
{
	Launch launch({dir / "missing"});
	std::vector<Shown> shown = launch.Run();
	ASSERT_EQ(shown.size(), 1u);
	EXPECT_EQ(shown[0].title, "Tunk v1.1 - Untitled");
	EXPECT_EQ(shown[0].frame, BRect(100, 100, 610, 565));
	EXPECT_EQ(alerts.Texts(), std::vector<std::string>{"Error: Could not open file!\n" +
	                              dir.Path() + "/missing: No such file or directory"});
}

// Files that fail say so, and leave no empty window behind unless it is the only one.
TEST_F(TunkAppTest, FilesThatFailLeaveNoEmptyWindowBesideOthers)
{
	WritePreset(dir / "good.tunk", 440.0f);
	std::filesystem::create_directory(dir / "folder");
	{
		std::ofstream empty(dir / "empty.tunk");
	}
	Launch launch({dir / "missing.tunk", dir / "good.tunk", dir / "folder", dir / "empty.tunk"});
	std::vector<std::string> later;
	std::vector<Shown> shown = launch.Run([&](TunkApp& app) {
		// Handed over while a window is open: the alert, and no new window.
		BMessage message(B_REFS_RECEIVED);
		entry_ref missing(dir.Path().c_str(), "gone.tunk");
		message.AddRef("refs", &missing);
		app.PostMessage(&message);
		ProcessEvents();
		for (TunkWindow* window : EditorWindows()) {
			if (!window->IsHidden())
				later.push_back(window->Title());
		}
	});
	ASSERT_EQ(shown.size(), 1u);
	EXPECT_EQ(shown[0].title, "Tunk v1.1 - good.tunk");
	EXPECT_EQ(later, std::vector<std::string>{"Tunk v1.1 - good.tunk"});
	const std::vector<std::string> texts = alerts.Texts();
	ASSERT_EQ(texts.size(), 4u);
	EXPECT_EQ(texts[0], "Error: Could not open file!\n" + dir.Path() + "/missing.tunk: No such file or directory");
	EXPECT_EQ(texts[1], "Error: Could not open file!\n" + dir.Path() + "/folder: Is a directory");
	EXPECT_EQ(texts[2].substr(0, texts[2].find('\n')),
	    "Error: Not a valid Tunk file! Loading default parameters...");
	EXPECT_EQ(texts[3], "Error: Could not open file!\n" + dir.Path() + "/gone.tunk: No such file or directory");
}

TEST(WindowPlacement, WindowsCascadeAndStayOnTheScreen)
{
	const BRect screen(0, 0, 1279, 1023);
	const BPoint size(510, 510);
	EXPECT_EQ(CascadePlace(screen, BPoint(100, 100), std::nullopt, size), BPoint(100, 100));
	EXPECT_EQ(CascadePlace(screen, BPoint(100, 100), BPoint(100, 100), size), BPoint(124, 124));
	// At the bottom edge the next goes back up and still steps right.
	EXPECT_EQ(CascadePlace(screen, BPoint(100, 100), BPoint(200, 500), size), BPoint(224, 100));
	EXPECT_EQ(CascadePlace(screen, BPoint(100, 100), BPoint(760, 500), size), BPoint(100, 100));
	EXPECT_EQ(CascadePlace(screen, BPoint(100, 100), BPoint(700, 400), size), BPoint(724, 424));

	// A screen of 640 by 512 (1280 by 1024 at twice the scale): the first place is moved up
	// so that the whole window shows, and later windows step sideways.
	const BRect small(0, 0, 639, 511);
	EXPECT_EQ(CascadePlace(small, BPoint(100, 100), std::nullopt, size), BPoint(100, 2));
	EXPECT_EQ(CascadePlace(small, BPoint(100, 100), BPoint(100, 2), size), BPoint(124, 2));
	EXPECT_EQ(CascadePlace(small, BPoint(100, 100), BPoint(124, 2), size), BPoint(100, 2));
	// A screen smaller than the window: its top left corner shows.
	EXPECT_EQ(CascadePlace(BRect(10, 20, 309, 219), BPoint(100, 100), std::nullopt, size),
	    BPoint(10, 20));
}

TEST_F(TunkAppTest, FilesHandedOverLaterOpenCascadingWindows)
{
	WritePreset(dir / "snare", 900.0f);
	WritePreset(dir / "hat", 5000.0f);
	WritePreset(dir / "tom", 150.0f);
	WritePreset(dir / "clap", 1200.0f);
	Launch launch({});
	std::vector<std::string> titles;
	launch.Run([&](TunkApp& app) {
		TunkWindow* first = EditorWindows().at(0);
		Slide(first, "FreqSlider", 123);

		// The window's Open button: every chosen file reaches the application and opens.
		panels.openRefs = {entry_ref(dir.Path().c_str(), "snare"),
		    entry_ref(dir.Path().c_str(), "hat")};
		Click(first, "OpenPresetButton");
		// Straight from the desktop, with no reference at all: nothing opens.
		app.PostMessage(B_REFS_RECEIVED);
		// Two files in one message from the desktop: both open.
		BMessage two(B_REFS_RECEIVED);
		entry_ref tom(dir.Path().c_str(), "tom");
		entry_ref clap(dir.Path().c_str(), "clap");
		two.AddRef("refs", &tom);
		two.AddRef("refs", &clap);
		app.PostMessage(&two);
		ProcessEvents();
		for (TunkWindow* window : EditorWindows())
			titles.push_back(window->Title());
		EXPECT_FALSE(app.OpenedAtLaunch());
		// Each window stands one step down and right of the one opened before it, the size of
		// the file frame.
		const std::vector<TunkWindow*> windows = EditorWindows();
		for (size_t i = 1; i < windows.size(); i++) {
			const BPoint step = windows[i]->Frame().LeftTop() - windows[i - 1]->Frame().LeftTop();
			EXPECT_EQ(step, BPoint(kCascadeStep, kCascadeStep)) << windows[i]->Title();
			EXPECT_EQ(ContentFrame(windows[i]).Width(), kFileWindowFrame.Width());
		}
		// The first keeps its own document: close it without saving.
		alerts.Press(1);
	});
	EXPECT_EQ(titles, (std::vector<std::string>{"Tunk v1.1 - Untitled*", "Tunk v1.1 - snare",
	                      "Tunk v1.1 - hat", "Tunk v1.1 - tom", "Tunk v1.1 - clap"}));
}

// A file handed over again brings its window to the front, whatever name the window had when
// it opened: the window's file now decides, not the one it was opened with.
TEST_F(TunkAppTest, AFileAlreadyOpenInAWindowIsNotOpenedTwice)
{
	WritePreset(dir / "kick", 60.0f);
	Launch launch({dir / "kick"});
	launch.Run([&](TunkApp& app) {
		auto handOver = [&](const std::string& directory, const char* name) {
			BMessage message(B_REFS_RECEIVED);
			entry_ref ref(directory.c_str(), name);
			message.AddRef("refs", &ref);
			app.PostMessage(&message);
			ProcessEvents();
		};
		ASSERT_EQ(EditorWindows().size(), 1u);
		TunkWindow* kick = EditorWindows()[0];
		handOver(dir.Path(), "kick");
		handOver(dir.Path() + "/.", "kick");
		EXPECT_EQ(EditorWindows().size(), 1u) << "the same file, spelled two ways";

		// Saved under a longer name, the window holds that file and no longer "kick".
		ASSERT_TRUE(kick->WritePresetTo(entry_ref(dir.Path().c_str(), "kick1")));
		handOver(dir.Path(), "kick1");
		EXPECT_EQ(EditorWindows().size(), 1u);
		handOver(dir.Path(), "kick");
		ASSERT_EQ(EditorWindows().size(), 2u) << "the old file gets a window of its own";
		EXPECT_EQ(std::string(EditorWindows()[1]->Title()), "Tunk v1.1 - kick");

		// A new window, once saved, holds its file.
		app.PostMessage(kMsgNewWindow);
		ProcessEvents();
		ASSERT_EQ(EditorWindows().size(), 3u);
		TunkWindow* fresh = EditorWindows()[2];
		ASSERT_TRUE(fresh->WritePresetTo(entry_ref(dir.Path().c_str(), "snare")));
		handOver(dir.Path(), "snare");
		EXPECT_EQ(EditorWindows().size(), 3u);
	});
	EXPECT_TRUE(alerts.Texts().empty());
}
