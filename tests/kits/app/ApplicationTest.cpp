#include "kits/app/Application.h"

#include <QDir>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "kits/app/AppDefs.h"
#include "kits/app/Message.h"
#include "kits/interface/Alert.h"
#include "kits/interface/FilePanel.h"
#include "kits/interface/QtEnvironment.h"
#include "kits/interface/Window.h"
#include "kits/support/AlertHook.h"

namespace {

constexpr uint32 kClose = four_char_code("clos");

// A window that, asked to, tells the application to quit, as the last editor window does.
class LastWindow : public BWindow {
public:
	LastWindow() : BWindow(BRect(50, 50, 560, 515), "last", B_TITLED_WINDOW, B_NOT_RESIZABLE) {}
	void MessageReceived(BMessage* message) override
	{
		if (message->what == kClose) {
			be_app->PostMessage(B_QUIT_REQUESTED);
			Quit();
		}
	}
};

class LaunchApp : public BApplication {
public:
	LaunchApp() : BApplication("application/x-vnd.test-launch") {}

	std::vector<std::string> log;
	std::vector<entry_ref> refs;

	void RefsReceived(BMessage* message) override
	{
		log.push_back(IsLaunching() ? "refs while launching" : "refs after launch");
		entry_ref ref;
		for (int32 i = 0; message->FindRef("refs", i, &ref) == B_OK; i++)
			refs.push_back(ref);
	}

	void ReadyToRun() override
	{
		log.push_back(IsLaunching() ? "ready while launching" : "ready after launch");
		auto* window = new LastWindow;
		window->Show();
		window->PostMessage(kClose);
	}
};

TEST(Application, CommandLineRefsArriveDuringLaunchAndRunEndsWithTheLastWindow)
{
	std::string cwd = QDir::currentPath().toStdString();
	const char* argv[] = {"tunk", "presets/kick.tnk", "/tmp/snare.tnk"};
	BApplication::SetArgs(3, argv);
	{
		LaunchApp app;
		EXPECT_EQ(be_app, &app);
		EXPECT_TRUE(app.IsLaunching());
		app.Run();
		EXPECT_FALSE(app.IsLaunching());
		EXPECT_EQ(
		    app.log, (std::vector<std::string>{"refs while launching", "ready while launching"}));
		ASSERT_EQ(app.refs.size(), 2u);
		EXPECT_EQ(app.refs[0], entry_ref((cwd + "/presets").c_str(), "kick.tnk"));
		EXPECT_EQ(app.refs[1], entry_ref("/tmp", "snare.tnk"));
		EXPECT_EQ(app.CountWindows(), 0) << "the window went before Run returned";
	}
	EXPECT_EQ(be_app, nullptr);
	BApplication::SetArgs(0, nullptr);
}

TEST(Application, WithoutFilesOnlyReadyToRunRuns)
{
	LaunchApp app;
	app.Run();
	EXPECT_EQ(app.log, (std::vector<std::string>{"ready while launching"}));
	EXPECT_TRUE(app.refs.empty());
}

TEST(Application, FilePanelsCountAsWindowsWhileTheyExist)
{
	BApplication app("application/x-vnd.test-count");
	EXPECT_EQ(app.CountWindows(), 0);
	auto* window = new BWindow(BRect(0, 0, 99, 99), "editor", B_TITLED_WINDOW, 0);
	auto* save = new BFilePanel(B_SAVE_PANEL);
	auto* open = new BFilePanel(B_OPEN_PANEL);
	EXPECT_EQ(app.CountWindows(), 3);
	EXPECT_EQ(app.WindowAt(0), window);
	EXPECT_EQ(app.WindowAt(2), open->Window());
	delete open;
	delete save;
	EXPECT_EQ(app.CountWindows(), 1);
	window->Quit();
	EXPECT_EQ(app.CountWindows(), 0);
}

TEST(Application, OpenPanelSendsRefsToTheApplicationWhenItHasNoTarget)
{
	class RefsApp : public BApplication {
	public:
		RefsApp() : BApplication("application/x-vnd.test-refs") {}
		std::vector<entry_ref> refs;
		void RefsReceived(BMessage* message) override
		{
			entry_ref ref;
			for (int32 i = 0; message->FindRef("refs", i, &ref) == B_OK; i++)
				refs.push_back(ref);
			Quit();
		}
	} app;
	BFilePanel::SetAnswerHook(
	    [](BFilePanel& panel, std::vector<entry_ref>* refs, std::string*, entry_ref*) {
		    EXPECT_EQ(panel.PanelMode(), B_OPEN_PANEL);
		    refs->push_back(entry_ref("/data", "one.tnk"));
		    refs->push_back(entry_ref("/data", "two.tnk"));
		    return true;
	    });
	BFilePanel panel;
	panel.Show();
	EXPECT_TRUE(panel.IsShowing());
	app.Run();
	BFilePanel::SetAnswerHook(nullptr);
	EXPECT_EQ(app.refs,
	    (std::vector<entry_ref>{entry_ref("/data", "one.tnk"), entry_ref("/data", "two.tnk")}));
	EXPECT_FALSE(panel.IsShowing()) << "the panel hides itself once the user has chosen";
}

TEST(Application, EngineErrorsShowAsAnAlertWithOneOkButton)
{
	std::vector<std::string> seen;
	BAlert::SetAnswerHook([&](BAlert& alert) {
		seen = {alert.Title(), alert.Text(), alert.ButtonLabel(0)};
		EXPECT_EQ(alert.CountButtons(), 1);
		EXPECT_EQ(alert.Type(), B_INFO_ALERT);
		return 0;
	});
	{
		BApplication app("application/x-vnd.test-alert");
		show_error_alert("Error In TunkSound Object", "Out of memory");
	}
	BAlert::SetAnswerHook(nullptr);
	EXPECT_EQ(seen, (std::vector<std::string>{"Error In TunkSound Object", "Out of memory", "OK"}));
}

} // namespace
