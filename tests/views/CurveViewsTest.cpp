#include <QTest>
#include <cmath>

#include "engine/TunkSound.h"
#include "views/DistortionView.h"
#include "views/EnvelopeView.h"
#include "views/TunkView.h"
#include "views/ViewGeometry.h"
#include "views/ViewTestSupport.h"

using namespace view_test;

namespace {

// The window's views: envelope 111 by 51, distortion 56 by 56.
const BRect kEnvelopeFrame(10, 10, 120, 60);
const BRect kDistortionFrame(10, 80, 65, 135);

bool IsPanelOnly(const QImage& image)
{
	for (int y = 1; y < image.height() - 1; y++)
		for (int x = 1; x < image.width() - 1; x++)
			if (!(PixelAt(image, x, y) == kPanel))
				return false;
	return true;
}

// ---- Envelope view: drawing ----

class EnvelopeViewTest : public WindowTest {
protected:
	void SetUp() override
	{
		WindowTest::SetUp();
		view = Attach(new EnvelopeView(kEnvelopeFrame, "AmpEnvView", kAmpCurveType));
	}

	// The topmost curve row of column x, or -1 when the column shows no curve. Checks on the
	// way that the curve fills the column down to row 49 in the blended curve colour.
	int CurveTop(int x) const
	{
		const QImage& image = view->Image();
		int top = -1;
		for (int y = 1; y <= 49; y++) {
			rgb_color c = PixelAt(image, x, y);
			if (top < 0 && c == kCurveOnPanel)
				top = y;
			else if (top >= 0)
				EXPECT_EQ(c, kCurveOnPanel) << "gap at " << x << ", " << y;
			else
				EXPECT_EQ(c, kPanel) << "at " << x << ", " << y;
		}
		EXPECT_EQ(PixelAt(image, x, 50), kHighlight);
		return top;
	}

	std::vector<int> CurveTops() const
	{
		std::vector<int> tops;
		for (int x = 1; x <= 109; x++)
			tops.push_back(CurveTop(x));
		return tops;
	}

	TunkSound engine;
	EnvelopeView* view = nullptr;
};

TEST_F(EnvelopeViewTest, StartsDisabledWithTheBackgroundRecorded)
{
	EXPECT_FALSE(view->IsEnabled());
	EXPECT_FALSE(view->IsPressed());
	EXPECT_EQ(view->CurveType(), 1);
	EXPECT_FALSE(view->BackgroundPicture()->IsEmpty());
	EXPECT_TRUE(view->CurvePicture()->IsEmpty());
	view->Expose();
	ExpectSunkenFrame(view->Image());
	EXPECT_TRUE(IsPanelOnly(view->Image()));
}

TEST_F(EnvelopeViewTest, TheCurveFillsColumnsOneTo107FromRowFortyNineUp)
{
	engine.SetAmpEnvelope(5);
	view->SetEnabled(true);
	engine.DrawAmpEnvToView(view);

	std::vector<int> tops = CurveTops();
	ExpectSunkenFrame(view->Image());
	// Value 1 at the start reaches row 1; the envelope only falls; columns 108 and 109 are
	// left empty.
	EXPECT_EQ(tops[0], 1);
	for (size_t i = 1; i < 107; i++)
		EXPECT_GE(tops[i], tops[i - 1]) << "column " << i + 1;
	EXPECT_GT(tops[106], 40);
	EXPECT_EQ(tops[107], -1);
	EXPECT_EQ(tops[108], -1);
	// Each column sits where the envelope puts it.
	for (int i : {1, 27, 54, 81, 107}) {
		float v = TunkSound::ExpEnvelope(float(i) / 108.0f, 5);
		EXPECT_NEAR(tops[size_t(i - 1)], 49.0f - v * 48.0f, 0.5f) << "column " << i;
	}
}

TEST_F(EnvelopeViewTest, EachOperationDrawsItsOwnEnvelopeAndAPositiveCurveHoldsLonger)
{
	engine.SetAmpEnvelope(30);
	engine.SetFreqEnvelope(-30);
	view->SetEnabled(true);
	engine.DrawAmpEnvToView(view);
	int holding = CurveTop(54);
	engine.DrawFreqEnvToView(view);
	int falling = CurveTop(54);
	EXPECT_LT(holding, 5);
	EXPECT_GT(falling, 45);
}

TEST_F(EnvelopeViewTest, ExposingShowsTheCurveOnlyWhileEnabled)
{
	engine.SetAmpEnvelope(1);
	view->SetEnabled(true);
	engine.DrawAmpEnvToView(view);
	QImage drawn = view->Image();

	view->Expose();
	EXPECT_EQ(view->Image(), drawn);

	view->SetEnabled(false);
	EXPECT_EQ(view->Image(), drawn) << "SetEnabled alone draws nothing";
	view->Clear();
	EXPECT_TRUE(IsPanelOnly(view->Image()));
	view->Expose();
	EXPECT_TRUE(IsPanelOnly(view->Image()));

	// Drawing a disabled view shows the curve at once, but an exposure hides it again.
	engine.DrawAmpEnvToView(view);
	EXPECT_EQ(view->Image(), drawn);
	view->Expose();
	EXPECT_TRUE(IsPanelOnly(view->Image()));
	view->SetEnabled(true);
	view->Expose();
	EXPECT_EQ(view->Image(), drawn);
}

TEST_F(EnvelopeViewTest, RedrawingReplacesTheCurve)
{
	view->SetEnabled(true);
	engine.SetAmpEnvelope(40);
	engine.DrawAmpEnvToView(view);
	QImage first = view->Image();
	engine.SetAmpEnvelope(-40);
	engine.DrawAmpEnvToView(view);
	EXPECT_NE(view->Image(), first);
	// Every column is drawn once over a fresh background, so the colours stay exact.
	CurveTops();
}

// ---- Envelope view: the mouse ----

class EnvelopeMouseTest : public EnvelopeViewTest {
protected:
	// The curve messages the window has handled so far.
	int CurveMessages()
	{
		ProcessEvents();
		int count = 0;
		for (const BMessage& message : window->received) {
			if (message.what != kCurveMessage)
				continue;
			int32 type = 0;
			EXPECT_EQ(message.FindInt32("curvetype", &type), B_OK);
			EXPECT_EQ(type, view->CurveType());
			count++;
		}
		return count;
	}
};

TEST_F(EnvelopeMouseTest, EachGestureStoresItsValueWithZeroStoredAsOne)
{
	view->SetEnabled(true);
	view->MouseDown(BPoint(54, 20));
	EXPECT_EQ(view->CurveValue(), -1.0f);
	view->MouseMoved(BPoint(55, 20), B_INSIDE_VIEW, nullptr);
	EXPECT_EQ(view->CurveValue(), 1.0f);
	view->MouseMoved(BPoint(0, 20), B_INSIDE_VIEW, nullptr);
	EXPECT_EQ(view->CurveValue(), -50.0f);
	view->MouseMoved(BPoint(57, 20), B_INSIDE_VIEW, nullptr);
	EXPECT_EQ(view->CurveValue(), 1.0f);
	view->MouseUp(BPoint(56, 20));
	EXPECT_EQ(view->CurveValue(), 1.0f);
	view->MouseDown(BPoint(110, 20));
	EXPECT_EQ(view->CurveValue(), 50.0f);
	// Beyond the right edge the value goes on past 50.
	view->MouseUp(BPoint(121, 20));
	EXPECT_EQ(view->CurveValue(), 60.0f);
	EXPECT_EQ(CurveMessages(), 7);
}

TEST_F(EnvelopeMouseTest, ADragPostsOnPressOnEachMoveInsideAndOnRelease)
{
	view->SetEnabled(true);
	view->MouseMoved(BPoint(30, 20), B_ENTERED_VIEW, nullptr);
	view->MouseMoved(BPoint(31, 20), B_INSIDE_VIEW, nullptr);
	EXPECT_EQ(CurveMessages(), 0) << "moving without a press";

	view->MouseDown(BPoint(30, 20));
	EXPECT_TRUE(view->IsPressed());
	EXPECT_EQ(CurveMessages(), 1);
	view->MouseMoved(BPoint(40, 20), B_INSIDE_VIEW, nullptr);
	view->MouseMoved(BPoint(50, 20), B_INSIDE_VIEW, nullptr);
	EXPECT_EQ(CurveMessages(), 3);
	view->MouseUp(BPoint(60, 20));
	EXPECT_FALSE(view->IsPressed());
	EXPECT_EQ(CurveMessages(), 4);
	EXPECT_EQ(view->CurveValue(), 4.0f);
	view->MouseMoved(BPoint(70, 20), B_INSIDE_VIEW, nullptr);
	EXPECT_EQ(CurveMessages(), 4) << "moving after the release";
}

TEST_F(EnvelopeMouseTest, LeavingTheViewEndsTheDrag)
{
	view->SetEnabled(true);
	view->MouseDown(BPoint(30, 20));
	view->MouseMoved(BPoint(115, 20), B_EXITED_VIEW, nullptr);
	EXPECT_FALSE(view->IsPressed());
	view->MouseMoved(BPoint(130, 20), B_OUTSIDE_VIEW, nullptr);
	view->MouseMoved(BPoint(100, 20), B_ENTERED_VIEW, nullptr);
	view->MouseMoved(BPoint(90, 20), B_INSIDE_VIEW, nullptr);
	EXPECT_EQ(CurveMessages(), 1);
	EXPECT_EQ(view->CurveValue(), float(std::floor(30.0 / 110.0 * 100.0 - 50.0)));

	view->MouseDown(BPoint(80, 20));
	view->MouseMoved(BPoint(85, 20), B_INSIDE_VIEW, nullptr);
	EXPECT_EQ(CurveMessages(), 3);
}

TEST_F(EnvelopeMouseTest, ADisabledViewPostsNothingButAPressStillCounts)
{
	view->MouseDown(BPoint(30, 20));
	EXPECT_TRUE(view->IsPressed());
	view->MouseMoved(BPoint(40, 20), B_INSIDE_VIEW, nullptr);
	view->MouseMoved(BPoint(115, 20), B_EXITED_VIEW, nullptr);
	EXPECT_TRUE(view->IsPressed()) << "a disabled view ignores the move entirely";
	view->MouseUp(BPoint(50, 20));
	EXPECT_FALSE(view->IsPressed());
	EXPECT_EQ(CurveMessages(), 0);
	EXPECT_EQ(view->CurveValue(), 0.0f);
	view->Expose();
	EXPECT_TRUE(IsPanelOnly(view->Image()));
}

TEST_F(EnvelopeMouseTest, RealMouseEventsReachTheGestures)
{
	view->SetEnabled(true);
	window->Show();
	QWidget* widget = view->Widget();
	ASSERT_TRUE(QTest::qWaitForWindowExposed(window->Widget()));

	// The pointer reaches the view before the button goes down.
	QTest::mouseMove(widget, QPoint(10, 20));
	QTest::mouseMove(widget, QPoint(15, 20));
	EXPECT_EQ(CurveMessages(), 0);
	QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(20, 20));
	EXPECT_EQ(CurveMessages(), 1);
	EXPECT_EQ(view->CurveValue(), float(std::floor(20.0 / 110.0 * 100.0 - 50.0)));
	QTest::mouseMove(widget, QPoint(40, 20));
	QTest::mouseMove(widget, QPoint(57, 20));
	EXPECT_EQ(CurveMessages(), 3);
	EXPECT_EQ(view->CurveValue(), 1.0f);
	QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(56, 20));
	EXPECT_EQ(CurveMessages(), 4);
	EXPECT_EQ(view->CurveValue(), 1.0f);
	EXPECT_FALSE(view->IsPressed());
}

// ---- Envelope view: the keyboard ----

// Each arrow press steps the shown curve one whole number and posts one curve message; the
// steps skip 0 and stop at the mouse's range, and the engine's drawing sets where they start.
TEST_F(EnvelopeMouseTest, ArrowKeysStepTheShownCurve)
{
	view->SetEnabled(true);
	engine.SetAmpEnvelope(2.5f);
	engine.DrawAmpEnvToView(view);
	EXPECT_EQ(view->ShownCurve(), 2.5f);
	window->Show();
	ASSERT_TRUE(QTest::qWaitForWindowExposed(window->Widget()));
	window->Activate();
	view->MakeFocus();
	ASSERT_TRUE(ProcessEventsUntil([&] { return view->IsFocus(); }));

	QWidget* widget = view->Widget();
	QTest::keyClick(widget, Qt::Key_Right);
	EXPECT_EQ(view->CurveValue(), 3.0f);
	QTest::keyClick(widget, Qt::Key_Up);
	EXPECT_EQ(view->CurveValue(), 4.0f);
	EXPECT_EQ(CurveMessages(), 2);
	for (int i = 0; i < 4; i++)
		QTest::keyClick(widget, Qt::Key_Left);
	EXPECT_EQ(view->CurveValue(), -1.0f) << "0 has no shape and is skipped";
	QTest::keyClick(widget, Qt::Key_Down);
	EXPECT_EQ(view->CurveValue(), -2.0f);
	EXPECT_EQ(CurveMessages(), 7);

	engine.SetAmpEnvelope(49);
	engine.DrawAmpEnvToView(view);
	QTest::keyClick(widget, Qt::Key_Right);
	QTest::keyClick(widget, Qt::Key_Right);
	EXPECT_EQ(view->CurveValue(), 50.0f);
	EXPECT_EQ(CurveMessages(), 8) << "no step beyond the edge";
	QTest::keyClick(widget, Qt::Key_A);
	EXPECT_EQ(CurveMessages(), 8);

	view->SetEnabled(false);
	EXPECT_FALSE(view->IsFocus()) << "a disabled view gives up the focus";
	QTest::keyClick(widget, Qt::Key_Left);
	EXPECT_EQ(CurveMessages(), 8);
}

TEST(CurveGeometry, KeyStepsSkipZeroAndKeepToTheMouseRange)
{
	using view_geometry::CurveKeyStep;
	EXPECT_EQ(CurveKeyStep(1, -1), -1.0f);
	EXPECT_EQ(CurveKeyStep(-1, 1), 1.0f);
	EXPECT_EQ(CurveKeyStep(0.5f, -1), -1.0f);
	EXPECT_EQ(CurveKeyStep(2.5f, -1), 2.0f);
	EXPECT_EQ(CurveKeyStep(-50, -1), -50.0f);
	EXPECT_EQ(CurveKeyStep(50, 1), 50.0f);
	EXPECT_EQ(CurveKeyStep(60, 1), 50.0f) << "a value from beyond the edge comes back";
	EXPECT_EQ(CurveKeyStep(-75, -1), -50.0f);
}

// The focus shows as a ring inside the frame on the screen; the view's image stays as drawn.
TEST_F(EnvelopeViewTest, TheFocusShowsAsARingOutsideTheImage)
{
	view->SetEnabled(true);
	engine.DrawAmpEnvToView(view);
	window->Show();
	ASSERT_TRUE(QTest::qWaitForWindowExposed(window->Widget()));
	window->Activate();
	// Activation hands the focus to the first view that takes it: this one.
	view->MakeFocus(false);
	ProcessEvents();
	QImage unfocused = view->Widget()->grab().toImage();
	QImage image = view->Image();
	view->MakeFocus();
	ASSERT_TRUE(ProcessEventsUntil([&] { return view->IsFocus(); }));
	QImage focused = view->Widget()->grab().toImage();
	EXPECT_EQ(view->Image(), image);
	// The ring stands out against the dark panel: a contrast of at least 3 to 1 with what it
	// covers, as for any control's outline.
	auto luminance = [](QRgb c) {
		auto linear = [](int v) {
			double x = v / 255.0;
			return x <= 0.04045 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
		};
		return 0.2126 * linear(qRed(c)) + 0.7152 * linear(qGreen(c)) + 0.0722 * linear(qBlue(c));
	};
	int ring = 0;
	int visible = 0;
	int elsewhere = 0;
	for (int y = 0; y < focused.height(); y++) {
		for (int x = 0; x < focused.width(); x++) {
			bool changed = focused.pixel(x, y) != unfocused.pixel(x, y);
			bool onRing = (x == 1 || y == 1 || x == focused.width() - 2 ||
			                  y == focused.height() - 2) &&
			              x >= 1 && y >= 1 && x <= focused.width() - 2 &&
			              y <= focused.height() - 2;
			(onRing ? ring : elsewhere) += changed;
			const double a = luminance(focused.pixel(x, y)) + 0.05;
			const double b = luminance(unfocused.pixel(x, y)) + 0.05;
			visible += onRing && std::max(a, b) / std::min(a, b) >= 3.0;
		}
	}
	EXPECT_GT(ring, 2 * (focused.width() + focused.height()) - 20);
	EXPECT_GT(visible, (2 * (focused.width() + focused.height()) - 20) * 3 / 4);
	EXPECT_EQ(elsewhere, 0);
	view->MakeFocus(false);
	ProcessEvents();
	EXPECT_EQ(view->Widget()->grab().toImage(), unfocused);
}

// ---- Distortion view ----

class DistortionViewTest : public WindowTest {
protected:
	void SetUp() override
	{
		WindowTest::SetUp();
		view = Attach(new DistortionView(kDistortionFrame, "DistortionView"));
		view->SetEnabled(true);
	}

	void DrawWave(int32 oscType, float drive)
	{
		engine.SetOscType(oscType);
		engine.SetDistortion(drive);
		engine.GenerateWaveTable();
		engine.GenerateWaveShapeTable();
		engine.DrawDistortedWaveToView(view);
	}

	// Where two line ends meet a pixel is blended twice, so the curve is every pixel that is
	// not the panel.
	bool IsCurve(int x, int y) const { return !(PixelAt(view->Image(), x, y) == kPanel); }

	// The rows of column x that the curve covers, as [first, last]; {-1, -1} when none.
	std::pair<int, int> CurveRows(int x) const
	{
		int first = -1;
		int last = -1;
		for (int y = 1; y <= 54; y++) {
			if (IsCurve(x, y)) {
				if (first < 0)
					first = y;
				last = y;
			}
		}
		return {first, last};
	}

	TunkSound engine;
	DistortionView* view = nullptr;
};

TEST_F(DistortionViewTest, TheSineStartsOnTheMiddleRowAndRisesFirst)
{
	DrawWave(1, 1);
	// The first point (x = 2) shows phase 0 on row m = 27.
	EXPECT_TRUE(IsCurve(2, 27));
	EXPECT_FALSE(IsCurve(2, 20));
	EXPECT_FALSE(IsCurve(2, 34));
	// The first half period (x = 2 to 28) lies above the middle row, the second below it.
	for (int x = 4; x <= 26; x++) {
		std::pair<int, int> rows = CurveRows(x);
		EXPECT_LE(rows.second, 27) << "column " << x;
		EXPECT_LT(rows.first, 27) << "column " << x;
	}
	for (int x = 30; x <= 52; x++) {
		std::pair<int, int> rows = CurveRows(x);
		EXPECT_GE(rows.first, 27) << "column " << x;
		EXPECT_GT(rows.second, 27) << "column " << x;
	}
	// The shaper at drive 1 gives tanh(1) at the peak: about 76% of the way to row 2.
	int peak = CurveRows(15).first;
	EXPECT_NEAR(peak, 27 - 25 * std::tanh(1.0), 1.5);
}

TEST_F(DistortionViewTest, EveryWaveformStaysWithinRowsTwoToTwoMMinusTwo)
{
	for (int32 type = 1; type <= 4; type++) {
		for (float drive : {1.0f, 10.0f}) {
			DrawWave(type, drive);
			int top = 55;
			int bottom = 0;
			for (int x = 1; x <= 54; x++) {
				std::pair<int, int> rows = CurveRows(x);
				ASSERT_NE(rows.first, -1) << "type " << type << " column " << x;
				top = std::min(top, rows.first);
				bottom = std::max(bottom, rows.second);
			}
			EXPECT_GE(top, 2) << "type " << type << " drive " << drive;
			EXPECT_LE(bottom, 52) << "type " << type << " drive " << drive;
			if (drive == 10.0f) {
				// Driven hard, every waveform reaches close to both limits.
				EXPECT_LE(top, 3) << "type " << type;
				EXPECT_GE(bottom, 51) << "type " << type;
			}
		}
	}
}

TEST_F(DistortionViewTest, RedrawingAnUnchangedSoundGivesTheSamePicture)
{
	DrawWave(3, 4);
	QImage first = view->Image();
	engine.DrawDistortedWaveToView(view);
	EXPECT_EQ(view->Image(), first);
	view->Expose();
	EXPECT_EQ(view->Image(), first);
}

TEST_F(DistortionViewTest, ADisabledViewShowsOnlyThePanel)
{
	DrawWave(2, 3);
	ASSERT_FALSE(IsPanelOnly(view->Image()));
	view->SetEnabled(false);
	view->Clear();
	EXPECT_TRUE(IsPanelOnly(view->Image()));
	view->Expose();
	ExpectSunkenFrame(view->Image());
	EXPECT_TRUE(IsPanelOnly(view->Image()));
}

// ---- Background view ----

TEST_F(WindowTest, TheBackgroundViewShowsLightGrey)
{
	auto* background = Attach(new TunkView(window->Bounds(), "MainView"));
	EXPECT_EQ(background->ViewColor(), (rgb_color{216, 216, 216, 255}));
	EXPECT_EQ(background->ResizingMode(), uint32(B_FOLLOW_NONE));
	background->Expose();
	const QImage& image = background->Image();
	ASSERT_EQ(image.width(), 511);
	ASSERT_EQ(image.height(), 466);
	for (int y = 0; y < image.height(); y += 15)
		for (int x = 0; x < image.width(); x += 15)
			ASSERT_EQ(PixelAt(image, x, y), (rgb_color{216, 216, 216, 255})) << x << ", " << y;
}

} // namespace
