// Every control of the editor window operated from the keyboard, through real key events with
// the application's space-bar filter installed: the space bar plays from every control, Enter
// presses and toggles, the oscillator steps with the arrows, the envelope curves move with them.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "engine/TunkSound.h"
#include "kits/interface/MenuField.h"
#include "views/EnvelopeView.h"
#include "window/TunkWindow.h"
#include "window/WindowHarness.h"

using namespace window_test;

namespace {

class WindowKeyboard : public WindowFixture {
protected:
	void SetUp() override
	{
		WindowFixture::SetUp();
		window = New();
		window->Activate();
		ProcessEvents();
	}

	// The Qt widget that takes the keys of a control or view.
	QWidget* KeyWidget(const char* name)
	{
		BView* view = window->FindView(name);
		EXPECT_NE(view, nullptr) << name;
		QWidget* widget = view->Widget();
		return widget->focusProxy() != nullptr ? widget->focusProxy() : widget;
	}

	// Gives the control the focus and presses the key there.
	void Press(const char* name, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
	{
		QWidget* widget = KeyWidget(name);
		while (widget->focusProxy() != nullptr)
			widget = widget->focusProxy();
		widget->setFocus(Qt::TabFocusReason);
		ProcessEvents();
		QTest::keyClick(widget, key, modifiers);
		ProcessEvents();
	}

	bool Playing() { return window->Sound()->IsPlaying(); }

	void Stop()
	{
		window->Sound()->StopSound();
		ASSERT_FALSE(Playing());
	}

	TunkWindow* window = nullptr;
};

TEST_F(WindowKeyboard, SpacePlaysFromEveryControl)
{
	for (const char* check :
	    {"CheckEnAmpEnv", "CheckEnFreqEnv", "CheckEnDistortion", "CheckEnFilter", "CheckEnSeq"})
		Click(window, check);
	for (const char* name :
	    {"FieldOsc", "FreqSlider", "TextFreqStart", "DurSlider", "TextDuration", "AmpSlider",
	        "AmpText", "CheckEnFreqEnv", "TextFreqCurve", "FreqEnvView", "CheckEnAmpEnv",
	        "TextAmpCurve", "AmpEnvView", "CheckEnDistortion", "DistSlider", "SavePresetButton",
	        "OpenPresetButton", "CheckEnFilter", "CutoffSlider", "ResonanceSlider", "PlayButton",
	        "SaveWaveButton", "StopButton", "CheckEnSeq", "TextSeqBPM"}) {
		SCOPED_TRACE(name);
		Stop();
		PresetParams before = window->Params();
		Press(name, Qt::Key_Space);
		EXPECT_TRUE(Playing());
		EXPECT_TRUE(window_test::SameRecord(before, window->Params()))
		    << "the space changed nothing else";
	}
	EXPECT_EQ(Value(window, "CheckEnSeq"), B_CONTROL_ON);
}

TEST_F(WindowKeyboard, EnterPressesButtonsAndTogglesSections)
{
	Press("PlayButton", Qt::Key_Return);
	EXPECT_TRUE(Playing());
	Press("StopButton", Qt::Key_Enter, Qt::KeypadModifier);
	EXPECT_FALSE(Playing());

	Press("CheckEnFilter", Qt::Key_Return);
	EXPECT_EQ(window->Params().filterEnabled, 1);
	EXPECT_TRUE(Enabled(window, "CutoffSlider"));
	Press("CheckEnFilter", Qt::Key_Enter, Qt::KeypadModifier);
	EXPECT_EQ(window->Params().filterEnabled, 0);
	EXPECT_FALSE(Enabled(window, "CutoffSlider"));
}

TEST_F(WindowKeyboard, ArrowsChooseTheWaveformAndMoveTheCurves)
{
	Press("FieldOsc", Qt::Key_Down);
	EXPECT_EQ(window->Params().oscType, 2);
	EXPECT_EQ(window->Sound()->GetOscType(), 2);
	Press("FieldOsc", Qt::Key_Down);
	Press("FieldOsc", Qt::Key_Down);
	Press("FieldOsc", Qt::Key_Down);
	EXPECT_EQ(window->Params().oscType, 4) << "Triangle is the last";
	Press("FieldOsc", Qt::Key_Up);
	EXPECT_EQ(window->Params().oscType, 3);
	EXPECT_STREQ(Find<BMenuField>(window, "FieldOsc")->MenuLabel(), "Saw");

	Click(window, "CheckEnFreqEnv");
	ASSERT_EQ(window->Params().freqEnvelope, 1.0f);
	Press("FreqEnvView", Qt::Key_Right);
	EXPECT_EQ(window->Params().freqEnvelope, 2.0f);
	EXPECT_EQ(window->Sound()->GetFreqEnvelope(), 2.0f);
	EXPECT_EQ(Text(window, "TextFreqCurve"), "2");
	Press("FreqEnvView", Qt::Key_Left);
	Press("FreqEnvView", Qt::Key_Left);
	EXPECT_EQ(window->Params().freqEnvelope, -1.0f) << "0 is skipped";

	// A value typed into the field is where the next step starts.
	Type(window, "TextFreqCurve", "20");
	Press("FreqEnvView", Qt::Key_Up);
	EXPECT_EQ(window->Params().freqEnvelope, 21.0f);

	// The amplitude curve is still off: its view takes no keys.
	float amp = window->Params().ampEnvelope;
	Press("AmpEnvView", Qt::Key_Right);
	EXPECT_EQ(window->Params().ampEnvelope, amp);
}

TEST_F(WindowKeyboard, SpaceAfterAnUncommittedEditPlaysTheTypedValue)
{
	QLineEdit* edit = Find<BTextControl>(window, "TextFreqStart")->TextView();
	edit->setFocus();
	edit->selectAll();
	QTest::keyClicks(edit, "440");
	ProcessEvents();
	EXPECT_EQ(window->Params().startFreq, 1000.0f) << "not committed yet";
	QTest::keyClick(edit, Qt::Key_Space);
	ProcessEvents();
	EXPECT_TRUE(Playing());
	EXPECT_EQ(window->Params().startFreq, 440.0f);
	EXPECT_EQ(window->Sound()->GetStartFreq(), 440.0f);
	EXPECT_EQ(Value(window, "FreqSlider"), 440);
	EXPECT_EQ(Text(window, "TextFreqStart"), "440") << "the space is not typed";
}

// The sliders without a field of their own show their value with its unit as a tool tip, from
// the start and after each move.
TEST_F(WindowKeyboard, SlidersWithoutAFieldShowTheirValueAsAToolTip)
{
	EXPECT_STREQ(Find<BSlider>(window, "DistSlider")->ToolTip(), "Drive: 1\u00d7");
	EXPECT_STREQ(Find<BSlider>(window, "CutoffSlider")->ToolTip(), "Cutoff: 5000 Hz");
	EXPECT_STREQ(Find<BSlider>(window, "ResonanceSlider")->ToolTip(), "Resonance: Q 1.00");
	Click(window, "CheckEnDistortion");
	Click(window, "CheckEnFilter");
	Slide(window, "DistSlider", 7);
	Slide(window, "CutoffSlider", 880);
	Slide(window, "ResonanceSlider", 250);
	EXPECT_STREQ(Find<BSlider>(window, "DistSlider")->ToolTip(), "Drive: 7\u00d7");
	EXPECT_STREQ(Find<BSlider>(window, "CutoffSlider")->ToolTip(), "Cutoff: 880 Hz");
	EXPECT_STREQ(Find<BSlider>(window, "ResonanceSlider")->ToolTip(), "Resonance: Q 2.50");
	EXPECT_EQ(window->Params().filterQ, 2.5f);
}

// Text that is no number changes nothing: the field shows its last value again and the sound
// stays; numbers beyond a slider's range are still taken.
TEST_F(WindowKeyboard, TextThatIsNoNumberRestoresTheField)
{
	Click(window, "CheckEnFreqEnv");
	Click(window, "CheckEnSeq");
	Type(window, "TextFreqStart", "440");
	PresetParams before = window->Params();
	std::vector<int16> samples = Samples(window);
	ASSERT_EQ(samples.size(), 8820u);

	struct Case {
		const char* field;
		const char* typed;
		const char* shown;
	};
	for (Case c : {Case{"TextFreqStart", "abc", "440"}, Case{"TextDuration", "", "200"},
	         Case{"AmpText", "x1", "0.95"}, Case{"TextFreqCurve", "-", "1"},
	         Case{"TextSeqBPM", "fast", "120"}}) {
		SCOPED_TRACE(c.field);
		Type(window, c.field, c.typed);
		EXPECT_EQ(Text(window, c.field), c.shown);
	}
	EXPECT_TRUE(window_test::SameRecord(before, window->Params()));
	EXPECT_EQ(Value(window, "FreqSlider"), 440);
	EXPECT_EQ(window->Sound()->GetBeatLength(), 22050u) << "120 beats a minute";
	EXPECT_EQ(Samples(window), samples);

	Type(window, "TextFreqStart", "5000");
	EXPECT_EQ(window->Params().startFreq, 5000.0f) << "beyond the slider's range";
	EXPECT_EQ(Value(window, "FreqSlider"), 4000);
	EXPECT_EQ(Text(window, "TextFreqStart"), "5000");
}

// Each arrow press on a curve is one step of the window's history.
TEST_F(WindowKeyboard, EachCurveKeyStepIsOneUndoableStep)
{
	Click(window, "CheckEnAmpEnv");
	size_t steps = window->UndoHistory().CountSteps();
	Press("AmpEnvView", Qt::Key_Right);
	Press("AmpEnvView", Qt::Key_Right);
	Press("AmpEnvView", Qt::Key_Up);
	EXPECT_EQ(window->Params().ampEnvelope, 4.0f);
	EXPECT_EQ(window->UndoHistory().CountSteps(), steps + 3);
	EXPECT_EQ(window->UndoHistory().UndoName(), "Amp Curve");

	window->Undo();
	ProcessEvents();
	EXPECT_EQ(window->Params().ampEnvelope, 3.0f);
	EXPECT_EQ(window->Sound()->GetAmpEnvelope(), 3.0f);
	EXPECT_EQ(Text(window, "TextAmpCurve"), "3");
	window->Undo();
	window->Undo();
	ProcessEvents();
	EXPECT_EQ(window->Params().ampEnvelope, 1.0f);
	// The next press starts from the curve the undo brought back.
	Press("AmpEnvView", Qt::Key_Left);
	EXPECT_EQ(window->Params().ampEnvelope, -1.0f);
}

} // namespace
