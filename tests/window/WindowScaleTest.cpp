// The editor window at twice the scale on a screen of 1280 by 1024 pixels (640 by 512 at that
// scale): the whole window, status bar included, lies on the screen, and the content scrolls
// inside it with every frame as it was.
#include <QApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <gtest/gtest.h>
#include <optional>
#include <string>

#include "app/SpaceBarFilter.h"
#include "app/TunkApp.h"
#include "app/WindowPlacement.h"
#include "kits/interface/Screen.h"
#include "window/OffscreenScreen.h"
#include "window/WindowHarness.h"

using namespace window_test;

namespace {

const OffscreenScreen kSmallScreen(1280, 1024, "2");

} // namespace

TEST(WindowScale, AtTwiceTheScaleTheWholeWindowIsOnAScreenOf1280By1024)
{
	App();
	ASSERT_EQ(QGuiApplication::primaryScreen()->size(), QSize(640, 512))
	    << "1280 by 1024 at twice the scale";

	ScratchDataHome home;
	AlertAnswers alerts;
	auto* window = new TunkWindow(kEmptyWindowFrame, new SpaceBarFilter);
	const BRect screen = BScreen().Frame();
	const BRect frame = window->Frame();
	window->MoveTo(CascadePlace(screen, kEmptyWindowFrame.LeftTop(), std::nullopt,
	    BPoint(frame.Width() + 1, frame.Height() + 1)));
	window->Show();
	ProcessEvents();

	const QRect shown = window->Widget()->frameGeometry();
	const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
	EXPECT_TRUE(area.contains(shown)) << "window at " << shown.x() << "," << shown.y() << " "
	                                  << shown.width() << "x" << shown.height();
	QWidget* status = window->StatusBar();
	ASSERT_NE(status, nullptr);
	EXPECT_TRUE(status->isVisible());
	EXPECT_TRUE(QRect(QPoint(0, 0), window->Widget()->size()).contains(status->geometry()));

	// The views scroll: all of them are there at their frames, reached by the scroll bars.
	QScrollArea* scroller = window->Scroller();
	ASSERT_NE(scroller, nullptr);
	EXPECT_EQ(window->Bounds(), BRect(0, 0, 510, 465));
	EXPECT_EQ(window->FindView("MainView")->Frame(), BRect(0, 0, 510, 465));
	EXPECT_EQ(scroller->widget()->size(), QSize(511 + window->SideView()->Widget()->width(), 466));
	EXPECT_GT(scroller->verticalScrollBar()->maximum(), 0);
	EXPECT_GT(scroller->horizontalScrollBar()->maximum(), 0);
	EXPECT_EQ(scroller->geometry().bottom() + 1, status->geometry().top());

	// Tab to the side column's last field scrolls it into sight.
	BView* seed = window->FindView("noiseSeedText");
	ASSERT_NE(seed, nullptr);
	Click(window, "CheckEnNoise");
	seed->MakeFocus(true);
	QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
	QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
	ProcessEvents();
	const QRect seen(scroller->viewport()->mapTo(window->Widget(), QPoint(0, 0)), scroller->viewport()->size());
	const QRect field(seed->Widget()->mapTo(window->Widget(), QPoint(0, 0)), seed->Widget()->size());
	// Qt scrolls a text field's cursor into sight, at the field's left.
	EXPECT_TRUE(seen.contains(field.topLeft())) << field.x() << "," << field.y();

	window->Quit();
	ProcessEvents();
}
