#include "app/SpaceBarFilter.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "kits/app/AppDefs.h"
#include "kits/app/Message.h"
#include "kits/interface/QtEnvironment.h"
#include "kits/interface/TextControl.h"
#include "kits/interface/View.h"
#include "kits/interface/Window.h"

namespace {

// A window with the filter installed first, a text field and a plain view; it keeps the key
// presses that reach its own handler.
class KeyWindow : public BWindow {
public:
	KeyWindow() : BWindow(BRect(50, 50, 350, 200), "keys", B_TITLED_WINDOW, B_NOT_RESIZABLE)
	{
		filter = new SpaceBarFilter;
		AddCommonFilter(filter);
		text = new BTextControl(
		    BRect(10, 10, 200, 30), "TextFreqStart", nullptr, "", new BMessage(kTextCode));
		AddChild(text);
		plain = new BView(BRect(10, 50, 100, 100), "plain", B_FOLLOW_NONE, B_WILL_DRAW);
		AddChild(plain);
	}

	static constexpr uint32 kTextCode = four_char_code("tfrs");

	void MessageReceived(BMessage* message) override
	{
		codes.push_back(message->what);
		if (message->what == kTextCode)
			committed.push_back(text->Text());
		if (message->what == B_KEY_DOWN) {
			int8 byte = 0;
			message->FindInt8("byte", &byte);
			keyBytes.push_back(byte);
		}
	}

	SpaceBarFilter* filter;
	BTextControl* text;
	BView* plain;
	std::vector<int8> keyBytes;
	std::vector<uint32> codes;
	std::vector<std::string> committed;
};

class SpaceBarFilterTest : public ::testing::Test {
protected:
	void SetUp() override
	{
		window = new KeyWindow;
		window->Show();
		ASSERT_TRUE(QTest::qWaitForWindowExposed(window->Widget()));
		window->text->MakeFocus(true);
		field = window->text->TextView();
	}

	void TearDown() override
	{
		window->Quit();
		ProcessEvents();
	}

	// Runs the key presses and returns what they printed, once the window has handled them.
	template <typename Keys> std::string Console(Keys keys)
	{
		testing::internal::CaptureStdout();
		keys();
		ProcessEvents();
		return testing::internal::GetCapturedStdout();
	}

	KeyWindow* window = nullptr;
	QLineEdit* field = nullptr;
};

TEST_F(SpaceBarFilterTest, IsBoundToKeyPressesOfItsWindow)
{
	EXPECT_EQ(window->filter->Command(), uint32(B_KEY_DOWN));
	EXPECT_FALSE(window->filter->FiltersAnyCommand());
	EXPECT_EQ(window->filter->MessageDelivery(), B_ANY_DELIVERY);
	EXPECT_EQ(window->filter->MessageSource(), B_ANY_SOURCE);
	EXPECT_EQ(window->filter->Looper(), window);
}

TEST_F(SpaceBarFilterTest, ASpaceInTheTextFieldGoesToTheWindowInstead)
{
	std::string out = Console([&] { QTest::keyClick(field, Qt::Key_Space, Qt::NoModifier); });
	EXPECT_EQ(out, "Got key: 32\n");
	EXPECT_EQ(window->keyBytes, std::vector<int8>{32});
	EXPECT_EQ(field->text().toStdString(), "");
}

TEST_F(SpaceBarFilterTest, OtherKeysReachTheTextField)
{
	std::string out = Console([&] {
		QTest::keyClick(field, Qt::Key_A, Qt::NoModifier);
		QTest::keyClick(field, Qt::Key_B, Qt::NoModifier);
	});
	EXPECT_EQ(out, "Got key: 97\nGot key: 98\n");
	EXPECT_TRUE(window->keyBytes.empty());
	EXPECT_EQ(field->text().toStdString(), "ab");
}

TEST_F(SpaceBarFilterTest, ASpaceWithoutATextFieldInFocusAlsoReachesTheWindow)
{
	std::string out = Console([&] {
		QTest::keyClick(window->plain->Widget(), Qt::Key_Space, Qt::NoModifier);
		QTest::keyClick(field, Qt::Key_1, Qt::NoModifier);
		QTest::keyClick(field, Qt::Key_Space, Qt::NoModifier);
	});
	EXPECT_EQ(out, "Got key: 32\nGot key: 49\nGot key: 32\n");
	EXPECT_EQ(window->keyBytes, (std::vector<int8>{32, 32}));
	EXPECT_EQ(field->text().toStdString(), "1");
}

TEST_F(SpaceBarFilterTest, KeysWithoutTextPrintTheirCodeAndStillWorkInTheField)
{
	QTest::keyClicks(field, "12");
	std::string out = Console([&] {
		QTest::keyClick(field, Qt::Key_Home, Qt::NoModifier);
		QTest::keyClick(field, Qt::Key_Delete, Qt::NoModifier);
		QTest::keyClick(field, Qt::Key_End, Qt::NoModifier);
		QTest::keyClick(field, Qt::Key_PageUp, Qt::NoModifier);
		QTest::keyClick(field, Qt::Key_F1, Qt::NoModifier);
		QTest::keyClick(field, Qt::Key_Shift, Qt::NoModifier);
	});
	// One line a key press; a modifier key alone is none.
	EXPECT_EQ(out, "Got key: 1\nGot key: 127\nGot key: 4\nGot key: 11\nGot key: 16\n");
	EXPECT_TRUE(window->keyBytes.empty());
	EXPECT_EQ(field->text().toStdString(), "2");
}

TEST_F(SpaceBarFilterTest, AByteAboveOneHundredTwentySevenPrintsAsANegativeNumber)
{
	// U+00E9 is C3 A9 in UTF-8: the first byte, 0xC3, is -61 as a signed byte.
	std::string out = Console([&] {
		QTest::sendKeyEvent(
		    QTest::Click, field, Qt::Key_Eacute, QString::fromUtf8("\xc3\xa9"), Qt::NoModifier);
	});
	EXPECT_EQ(out, "Got key: -61\n");
	EXPECT_TRUE(window->keyBytes.empty());
	EXPECT_EQ(field->text(), QString::fromUtf8("\xc3\xa9"));
}

TEST_F(SpaceBarFilterTest, AKeyMessageWithoutItsByteIsLeftAlone)
{
	BMessage message(B_KEY_DOWN);
	BHandler* target = window->text;
	testing::internal::CaptureStdout();
	filter_result result = window->filter->Filter(&message, &target);
	EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
	EXPECT_EQ(result, B_DISPATCH_MESSAGE);
	EXPECT_EQ(target, window->text);

	// The same message with a space is retargeted.
	message.AddInt8("byte", ' ');
	testing::internal::CaptureStdout();
	result = window->filter->Filter(&message, &target);
	EXPECT_EQ(testing::internal::GetCapturedStdout(), "Got key: 32\n");
	EXPECT_EQ(result, B_DISPATCH_MESSAGE);
	EXPECT_EQ(target, window);
}

// An edit not yet committed is committed before the space plays: the window handles the text
// control's message first, so the sound it plays is the one typed. Nothing is sent twice.
TEST_F(SpaceBarFilterTest, ASpaceCommitsAPendingEditBeforeItPlays)
{
	QTest::keyClicks(field, "440");
	ProcessEvents();
	EXPECT_TRUE(window->codes.empty());
	Console([&] { QTest::keyClick(field, Qt::Key_Space, Qt::NoModifier); });
	EXPECT_EQ(window->codes, (std::vector<uint32>{KeyWindow::kTextCode, uint32(B_KEY_DOWN)}));
	EXPECT_EQ(window->committed, std::vector<std::string>{"440"});
	EXPECT_EQ(field->text().toStdString(), "440");

	window->codes.clear();
	Console([&] {
		QTest::keyClick(field, Qt::Key_Space, Qt::NoModifier);
		QTest::keyClick(field, Qt::Key_Return, Qt::NoModifier);
	});
	// Enter still commits, edited or not.
	EXPECT_EQ(window->codes, (std::vector<uint32>{uint32(B_KEY_DOWN), KeyWindow::kTextCode}));
}

} // namespace
