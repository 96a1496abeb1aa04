#include "kits/interface/Window.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include "kits/app/AppDefs.h"
#include "kits/app/Message.h"
#include "kits/app/MessageFilter.h"
#include "kits/app/Messenger.h"
#include "kits/interface/Alert.h"
#include "kits/interface/FilePanel.h"
#include "kits/interface/QtEnvironment.h"
#include "kits/interface/TextControl.h"
#include "kits/interface/View.h"

namespace {

constexpr uint32 kText = four_char_code("tfrs");

class KeyWindow : public BWindow {
public:
	KeyWindow() : BWindow(BRect(50, 50, 300, 200), "keys", B_TITLED_WINDOW, B_NOT_RESIZABLE) {}
	std::vector<int8> keys;
	std::vector<BMessage> messages;
	int32 quitAsked = 0;
	bool allowQuit = false;
	bool* deleted = nullptr;
	~KeyWindow() override
	{
		if (deleted != nullptr)
			*deleted = true;
	}
	void MessageReceived(BMessage* message) override
	{
		int8 byte = 0;
		if (message->what == B_KEY_DOWN && message->FindInt8("byte", &byte) == B_OK)
			keys.push_back(byte);
		else
			messages.push_back(*message);
	}
	bool QuitRequested() override
	{
		quitAsked++;
		return allowQuit;
	}
};

// Sends the space bar to the window itself, every other key on to its target.
class SpaceFilter : public BMessageFilter {
public:
	SpaceFilter() : BMessageFilter(B_ANY_DELIVERY, B_ANY_SOURCE, B_KEY_DOWN) {}
	std::vector<int8> seen;
	filter_result Filter(BMessage* message, BHandler** target) override
	{
		int8 byte = 0;
		message->FindInt8("byte", &byte);
		seen.push_back(byte);
		if (byte == ' ')
			*target = Looper();
		return B_DISPATCH_MESSAGE;
	}
};

class Window : public ::testing::Test {
protected:
	void SetUp() override
	{
		window = new KeyWindow;
		filter = new SpaceFilter;
		window->AddCommonFilter(filter);
		text = new BTextControl(BRect(10, 10, 100, 29), "text", "", "12", new BMessage(kText));
		window->AddChild(text);
		window->Show();
		QApplication::setActiveWindow(window->Widget());
		ASSERT_TRUE(QTest::qWaitForWindowActive(window->Widget()));
		text->MakeFocus();
		QTest::keyClick(text->TextView(), Qt::Key_End);
		filter->seen.clear();
	}

	void TearDown() override
	{
		if (window != nullptr)
			window->Quit();
	}

	KeyWindow* window = nullptr;
	SpaceFilter* filter = nullptr;
	BTextControl* text = nullptr;
};

TEST_F(Window, SpaceGoesToTheWindowBeforeTheFocusedFieldOtherKeysReachTheField)
{
	QTest::keyClick(text->TextView(), Qt::Key_Space);
	ProcessEvents();
	EXPECT_EQ(window->keys, (std::vector<int8>{32}));
	EXPECT_STREQ(text->Text(), "12") << "the field never saw the space";

	QTest::keyClick(text->TextView(), Qt::Key_A);
	ProcessEvents();
	EXPECT_STREQ(text->Text(), "12a");
	EXPECT_EQ(window->keys, (std::vector<int8>{32})) << "other keys keep their target";

	QTest::sendKeyEvent(QTest::Click, text->TextView(), Qt::Key_Eacute,
	    QString::fromUtf8("\xc3\xa9"), Qt::NoModifier);
	ProcessEvents();
	EXPECT_EQ(filter->seen, (std::vector<int8>{32, 97, int8(0xc3)}));
	EXPECT_LT(filter->seen.back(), 0) << "bytes above 127 are negative";
	EXPECT_STREQ(text->Text(), "12a\xc3\xa9");
}

TEST_F(Window, EachKeyPressReachesTheFiltersOnceEvenWhenQtPassesItToTheParents)
{
	// The field ignores Escape, so Qt offers it to every parent widget in turn.
	QTest::keyClick(text->TextView(), Qt::Key_Escape);
	ProcessEvents();
	EXPECT_EQ(filter->seen, (std::vector<int8>{int8(B_ESCAPE)}));
}

TEST_F(Window, SkippedKeysAreGone)
{
	class Swallow : public BMessageFilter {
	public:
		Swallow() : BMessageFilter(B_ANY_DELIVERY, B_ANY_SOURCE, B_KEY_DOWN) {}
		filter_result Filter(BMessage*, BHandler**) override { return B_SKIP_MESSAGE; }
	};
	auto* swallow = new Swallow;
	window->AddCommonFilter(swallow);
	QTest::keyClick(text->TextView(), Qt::Key_B);
	ProcessEvents();
	EXPECT_STREQ(text->Text(), "12");
	EXPECT_TRUE(window->keys.empty());
	window->RemoveCommonFilter(swallow);
	delete swallow;
}

TEST_F(Window, ClosingAsksQuitRequestedWhichMayKeepTheWindow)
{
	bool deleted = false;
	window->deleted = &deleted;
	window->Widget()->close();
	ProcessEvents();
	EXPECT_EQ(window->quitAsked, 1);
	EXPECT_FALSE(deleted);
	EXPECT_FALSE(window->IsHidden());

	// Asked again and agreed: the window is gone (so its counter can no longer be read).
	window->allowQuit = true;
	window->Widget()->close();
	ProcessEvents();
	EXPECT_TRUE(deleted);
	window = nullptr;
}

TEST_F(Window, QuittingWhileAFieldHoldsAnUncommittedEditIsSafe)
{
	bool deleted = false;
	window->deleted = &deleted;
	QTest::keyClick(text->TextView(), Qt::Key_5);
	window->Quit();
	window = nullptr;
	ProcessEvents();
	EXPECT_TRUE(deleted);
}

TEST_F(Window, SavePanelRepliesWithDirectoryAndName)
{
	BMessenger messenger(nullptr, window);
	auto* panel = new BFilePanel(B_SAVE_PANEL, &messenger, nullptr, B_FILE_NODE, false);
	BFilePanel::SetAnswerHook(
	    [](BFilePanel& answered, std::vector<entry_ref>*, std::string* name, entry_ref* directory) {
		    EXPECT_EQ(answered.PanelMode(), B_SAVE_PANEL);
		    *name = "kick.tnk";
		    *directory = entry_ref("/home/user", "presets");
		    return true;
	    });
	panel->Show();
	ProcessEventsUntil([&] { return !window->messages.empty(); });
	BFilePanel::SetAnswerHook(nullptr);
	ASSERT_EQ(window->messages.size(), 1u);
	const BMessage& reply = window->messages[0];
	EXPECT_EQ(reply.what, B_SAVE_REQUESTED);
	entry_ref directory;
	ASSERT_EQ(reply.FindRef("directory", &directory), B_OK);
	EXPECT_EQ(directory.Path(), "/home/user/presets");
	std::string name;
	ASSERT_EQ(reply.FindString("name", &name), B_OK);
	EXPECT_EQ(name, "kick.tnk");
	EXPECT_FALSE(panel->IsShowing());

	// A cancelled panel sends nothing.
	BFilePanel::SetAnswerHook(
	    [](BFilePanel&, std::vector<entry_ref>*, std::string*, entry_ref*) { return false; });
	panel->Show();
	ProcessEvents();
	BFilePanel::SetAnswerHook(nullptr);
	EXPECT_EQ(window->messages.size(), 1u);

	// The dialog speaks Qt's words until the program gives its own title and button.
	panel->Show();
	ASSERT_NE(panel->Dialog(), nullptr);
	const QString qtTitle = panel->Dialog()->windowTitle();
	panel->Hide();
	panel->Window()->SetTitle("Export Sample Pack");
	panel->SetButtonLabel(B_DEFAULT_BUTTON, "Export");
	panel->Show();
	EXPECT_NE(qtTitle, "Export Sample Pack");
	EXPECT_EQ(panel->Dialog()->windowTitle(), "Export Sample Pack");
	EXPECT_EQ(panel->Dialog()->labelText(QFileDialog::Accept), "Export");
	panel->Hide();
	delete panel;
}

TEST(FilePanel, ASaveNameWithoutAnExtensionGetsTheChosenTypes)
{
	EXPECT_EQ(NameWithTypeExtension("my1", "Tunk presets (*.tunk)"), "my1.tunk");
	EXPECT_EQ(NameWithTypeExtension("ex", "FLAC audio (*.flac)"), "ex.flac");
	// The first of several patterns.
	EXPECT_EQ(NameWithTypeExtension("ex", "AIFF audio (*.aiff *.aif)"), "ex.aiff");
	EXPECT_EQ(NameWithTypeExtension("ex", "Ogg audio (*.ogg;*.oga)"), "ex.ogg");
	// A name with an extension of its own keeps it, whatever the type.
	EXPECT_EQ(NameWithTypeExtension("ex.wav", "FLAC audio (*.flac)"), "ex.wav");
	EXPECT_EQ(NameWithTypeExtension("kick.v2", "Tunk presets (*.tunk)"), "kick.v2");
	EXPECT_EQ(NameWithTypeExtension(".hidden", "Tunk presets (*.tunk)"), ".hidden");
	// No extension to add.
	EXPECT_EQ(NameWithTypeExtension("full", "All files (*)"), "full");
	EXPECT_EQ(NameWithTypeExtension("full", ""), "full");
	EXPECT_EQ(NameWithTypeExtension("", "Tunk presets (*.tunk)"), "");
}

TEST(Alert, GoReturnsTheChosenButtonAndEscapeUsesItsShortcut)
{
	BAlert::SetAnswerHook([](BAlert& alert) {
		EXPECT_EQ(alert.ButtonSpacing(), B_OFFSET_SPACING);
		EXPECT_EQ(alert.Type(), B_WARNING_ALERT);
		return 2;
	});
	auto* alert = new BAlert("title", "Save changes before closing?", "Cancel", "Don't save",
	    "Save", B_WIDTH_AS_USUAL, B_OFFSET_SPACING, B_WARNING_ALERT);
	EXPECT_EQ(alert->Go(), 2);

	// Escape, pressed in the dialog, presses the button bound to it.
	BAlert::SetAnswerHook([](BAlert& alert) {
		QTest::keyClick(alert.Dialog(), Qt::Key_Escape);
		return -1;
	});
	alert = new BAlert("title", "text", "Cancel", "Don't save", "Save", B_WIDTH_AS_USUAL,
	    B_OFFSET_SPACING, B_WARNING_ALERT);
	alert->SetShortcut(0, B_ESCAPE);
	EXPECT_EQ(alert->Go(), 0);

	// Closed without a button and without an Escape shortcut.
	BAlert::SetAnswerHook([](BAlert&) { return -1; });
	EXPECT_EQ((new BAlert("", "text", "OK"))->Go(), -1);
	BAlert::SetAnswerHook(nullptr);
}

TEST(Alert, AFileNameTooLongForTheScreenLosesItsMiddleAndTheButtonStaysReachable)
{
	const std::string name = "/tmp/" + std::string(300, 'k') + ".tunk";
	const std::string text = "Error: Could not open file!\n" + name + ": No such file or directory";
	const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
	QString shown;
	QRect dialogFrame;
	QRect buttonFrame;
	BAlert::SetAnswerHook([&](BAlert& alert) {
		EXPECT_EQ(alert.Text(), text) << "the alert keeps its whole text";
		QDialog* dialog = alert.Dialog();
		shown = dialog->findChildren<QLabel*>().back()->text();
		dialogFrame = dialog->frameGeometry();
		QPushButton* button = alert.ButtonAt(0);
		buttonFrame = QRect(button->mapToGlobal(QPoint(0, 0)), button->size());
		return 0;
	});
	EXPECT_EQ((new BAlert("", text.c_str(), "OK"))->Go(), 0);
	BAlert::SetAnswerHook(nullptr);

	EXPECT_LE(dialogFrame.width(), screen.width());
	EXPECT_TRUE(screen.contains(buttonFrame)) << buttonFrame.x() << "," << buttonFrame.y();
	EXPECT_TRUE(shown.startsWith("Error: Could not open file!\n/tmp/kkk")) << shown.toStdString();
	EXPECT_TRUE(shown.contains(QChar(0x2026))) << "the middle of the name is left out";
	EXPECT_TRUE(shown.endsWith(".tunk: No such file or directory")) << shown.toStdString();

	// A text that fits is shown as it is.
	BAlert::SetAnswerHook([&](BAlert& alert) {
		shown = alert.Dialog()->findChildren<QLabel*>().back()->text();
		return 0;
	});
	(new BAlert("", "Save changes before closing?", "OK"))->Go();
	BAlert::SetAnswerHook(nullptr);
	EXPECT_EQ(shown.toStdString(), "Save changes before closing?");
}

class TransitView : public BView {
public:
	TransitView() : BView(BRect(20, 20, 69, 69), "transit", B_FOLLOW_NONE, B_WILL_DRAW) {}
	std::vector<std::string> log;
	void MouseDown(BPoint where) override { log.push_back("down " + Where(where)); }
	void MouseUp(BPoint where) override { log.push_back("up " + Where(where)); }
	void MouseMoved(BPoint where, uint32 transit, const BMessage*) override
	{
		static const char* names[] = {"entered", "inside", "exited", "outside"};
		log.push_back(std::string(names[transit]) + " " + Where(where));
	}

private:
	static std::string Where(BPoint p)
	{
		return std::to_string(int(p.x)) + "," + std::to_string(int(p.y));
	}
};

TEST(Mouse, DraggingOutOfAViewReportsTheCrossingThenOutsideMoves)
{
	auto* window = new BWindow(BRect(50, 50, 249, 249), "mouse", B_TITLED_WINDOW, 0);
	auto* view = new TransitView;
	window->AddChild(view);
	window->Show();
	ASSERT_TRUE(QTest::qWaitForWindowExposed(window->Widget()));
	QWidget* widget = view->Widget();
	QTest::mouseMove(widget, QPoint(10, 10));
	QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
	QTest::mouseMove(widget, QPoint(20, 10));
	QTest::mouseMove(widget, QPoint(60, 10));
	QTest::mouseMove(widget, QPoint(70, 10));
	QTest::mouseMove(widget, QPoint(30, 10));
	QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, QPoint(30, 10));
	ProcessEvents();
	std::vector<std::string> log = view->log;
	auto from = std::find(log.begin(), log.end(), "down 10,10");
	ASSERT_NE(from, log.end());
	EXPECT_EQ(std::vector<std::string>(from, log.end()),
	    (std::vector<std::string>{"down 10,10", "inside 20,10", "exited 60,10", "outside 70,10",
	        "entered 30,10", "up 30,10"}));
	window->Quit();
}

class QuittingView : public BView {
public:
	QuittingView() : BView(BRect(0, 0, 49, 49), "quitter", B_FOLLOW_NONE, B_WILL_DRAW) {}
	bool windowAliveAfterQuit = false;
	bool* windowDeleted = nullptr;
	void MouseDown(BPoint) override
	{
		Window()->Quit();
		windowAliveAfterQuit = !*windowDeleted && Window() != nullptr;
	}
};

TEST(Mouse, QuitFromAMouseHookWaitsUntilTheHookReturns)
{
	bool deleted = false;
	auto* window = new KeyWindow;
	window->deleted = &deleted;
	auto* view = new QuittingView;
	view->windowDeleted = &deleted;
	window->AddChild(view);
	window->Show();
	ASSERT_TRUE(QTest::qWaitForWindowExposed(window->Widget()));
	QTest::mousePress(view->Widget(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
	EXPECT_TRUE(view->windowAliveAfterQuit);
	ASSERT_TRUE(ProcessEventsUntil([&] { return deleted; }));
}

// A bar of a set height, as a menu or status bar.
class Bar : public QWidget {
public:
	explicit Bar(int height) : fHeight(height) {}
	QSize sizeHint() const override { return QSize(40, fHeight); }

private:
	int fHeight;
};

// The bars sit across the window, above and below its views: the views keep their frames and
// Bounds keeps the views' area, whether the bars come before or after the views, and across a
// resize, which also stretches both bars to the new width.
TEST(Bars, SitAroundTheViewsWhichKeepTheirFramesAndFollowAResize)
{
	for (bool resizable : {false, true}) {
		SCOPED_TRACE(resizable ? "resizable" : "fixed size");
		auto* shown = new BWindow(BRect(50, 50, 249, 149), "bars", B_TITLED_WINDOW,
		    resizable ? 0u : uint32(B_NOT_RESIZABLE));
		BWindow& window = *shown;
		auto* before = new BView(BRect(10, 20, 59, 39), "before", B_FOLLOW_NONE, 0);
		window.AddChild(before);
		window.SetStatusBar(new Bar(15));
		window.SetMenuBar(new Bar(25));
		auto* after = new BView(BRect(0, 0, 9, 9), "after", B_FOLLOW_NONE, 0);
		window.AddChild(after);

		EXPECT_EQ(window.Bounds(), BRect(0, 0, 199, 99));
		EXPECT_EQ(window.Widget()->size(), QSize(200, 25 + 100 + 15));
		EXPECT_EQ(window.MenuBar()->geometry(), QRect(0, 0, 200, 25));
		EXPECT_EQ(window.StatusBar()->geometry(), QRect(0, 125, 200, 15));
		EXPECT_EQ(before->Frame(), BRect(10, 20, 59, 39));
		EXPECT_EQ(before->Widget()->geometry(), QRect(10, 45, 50, 20));
		EXPECT_EQ(after->Widget()->geometry(), QRect(0, 25, 10, 10));

		window.ResizeTo(299, 149);
		EXPECT_EQ(window.Bounds(), BRect(0, 0, 299, 149));
		EXPECT_EQ(window.Widget()->size(), QSize(300, 25 + 150 + 15));
		EXPECT_EQ(window.MenuBar()->geometry(), QRect(0, 0, 300, 25));
		EXPECT_EQ(window.StatusBar()->geometry(), QRect(0, 175, 300, 15));
		EXPECT_EQ(before->Widget()->geometry(), QRect(10, 45, 50, 20));
		shown->Quit();
	}
}

} // namespace
