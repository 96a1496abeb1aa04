// The editor window driven through its Qt widgets and its real message queue.
#include "window/TunkWindow.h"

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QPushButton>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

#include "app/SpaceBarFilter.h"
#include "engine/TunkSound.h"
#include "engine/core/Hit.h"
#include "kits/app/MessageFilter.h"
#include "kits/app/MessageQueue.h"
#include "kits/interface/Box.h"
#include "kits/interface/Button.h"
#include "kits/interface/MenuField.h"
#include "kits/interface/MenuItem.h"
#include "kits/interface/PopUpMenu.h"
#include "views/DistortionView.h"
#include "views/EnvelopeView.h"
#include "views/SoundView.h"
#include "window/WindowHarness.h"

using namespace window_test;

namespace {

class EditorWindow : public ::testing::Test {
protected:
	void SetUp() override
	{
		App();
		window = new TunkWindow(BRect(50, 50, 560, 515), new SpaceBarFilter);
		window->Show();
		ProcessEvents();
	}

	void TearDown() override
	{
		if (BLooper::IsAlive(window))
			window->Quit();
		ProcessEvents();
	}

	TunkSound* Sound() const { return window->Sound(); }

	QImage Image(const char* view) const { return window->FindView(view)->Image().copy(); }

	std::string Title() const { return window->Title(); }

	AlertAnswers alerts;
	TunkWindow* window = nullptr;
};

constexpr char kUntitled[] = "Tunk v1.1 - Untitled";
constexpr char kUntitledChanged[] = "Tunk v1.1 - Untitled*";

struct ExpectedControl {
	const char* name;
	const char* parent;
	BRect frame;
	const char* label;
	const char* code; // nullptr: the control sends nothing of its own
	bool enabled;
};

const ExpectedControl kControls[] = {
    {"FieldOsc", "OSCBox", BRect(5, 10, 150, 30), "Oscillator", nullptr, true},
    {"FreqSlider", "OSCBox", BRect(5, 35, 150, 85), "Frequency (hz)", "slfm", true},
    {"TextFreqStart", "OSCBox", BRect(150, 50, 190, 69), "", "tfrs", true},
    {"DurSlider", "OSCBox", BRect(5, 85, 150, 135), "Duration (ms)", "sdrm", true},
    {"TextDuration", "OSCBox", BRect(150, 100, 190, 119), "", "tdur", true},
    {"AmpSlider", "OSCBox", BRect(5, 135, 150, 185), "Amplitude", "slam", true},
    {"AmpText", "OSCBox", BRect(150, 150, 190, 169), "", "tamp", true},
    {"CheckEnFreqEnv", "FENVBox", BRect(10, 12, 63, 31), "Enable", "cefm", true},
    {"TextFreqCurve", "FENVBox", BRect(10, 32, 120, 51), "Freq Curve:", "tfcm", false},
    {"CheckEnAmpEnv", "AENVBox", BRect(10, 12, 63, 31), "Enable", "ceam", true},
    {"TextAmpCurve", "AENVBox", BRect(10, 32, 120, 51), "Amp Curve:", "tacm", false},
    {"CheckEnDistortion", "DistortionBox", BRect(70, 15, 155, 35), "Enable", "cedm", true},
    {"DistSlider", "DistortionBox", BRect(70, 30, 155, 65), "Amount", "sdtm", false},
    {"SavePresetButton", "PresetsBox", BRect(20, 15, 76, 55), "Save", "saps", true},
    {"OpenPresetButton", "PresetsBox", BRect(20, 47, 76, 95), "Open", "sopm", true},
    {"CheckEnFilter", "FilterBox", BRect(10, 12, 63, 31), "Enable", "celm", true},
    {"CutoffSlider", "FilterBox", BRect(10, 30, 230, 70), "Cutoff", "scom", false},
    {"ResonanceSlider", "FilterBox", BRect(240, 30, 460, 70), "Resonance", "sres", false},
    {"PlayButton", "OutputBox", BRect(400, 20, 436, 45), "Play", "play", true},
    {"SaveWaveButton", "OutputBox", BRect(400, 46, 436, 71), "Save", "sawv", true},
    {"StopButton", "OutputBox", BRect(400, 72, 436, 95), "Stop", "stop", true},
    {"CheckEnSeq", "OutputBox", BRect(400, 100, 470, 120), "Repeat", "cesm", true},
    {"TextSeqBPM", "OutputBox", BRect(400, 125, 470, 145), "BPM:", "tbpm", true},
};

uint32 Code(const char* text)
{
	return (uint32(uint8(text[0])) << 24) | (uint32(uint8(text[1])) << 16) |
	       (uint32(uint8(text[2])) << 8) | uint32(uint8(text[3]));
}

} // namespace

TEST_F(EditorWindow, BuildsTheWindowWithItsBoxesInOrder)
{
	EXPECT_EQ(Title(), kUntitled);
	EXPECT_EQ(window->Type(), B_TITLED_WINDOW);
	EXPECT_EQ(window->Flags(), uint32(B_NOT_RESIZABLE | B_ASYNCHRONOUS_CONTROLS));
	EXPECT_EQ(window->Bounds(), BRect(0, 0, 510, 465));
	EXPECT_EQ(window->Frame().LeftTop(), BPoint(50, 50));
	EXPECT_FALSE(window->DataChanged());

	ASSERT_EQ(window->CountChildren(), 1);
	BView* main = window->ChildAt(0);
	EXPECT_STREQ(main->Name(), "MainView");
	EXPECT_EQ(main->Frame(), BRect(0, 0, 510, 465));

	struct ExpectedBox {
		const char* name;
		const char* label;
		BRect frame;
		std::vector<const char*> children;
	};
	const ExpectedBox boxes[] = {
	    {"OSCBox", "OSC", BRect(15, 5, 215, 210),
	        {"FieldOsc", "FreqSlider", "TextFreqStart", "DurSlider", "TextDuration", "AmpSlider",
	            "AmpText"}},
	    {"FENVBox", "Freq ENV", BRect(225, 5, 355, 120),
	        {"CheckEnFreqEnv", "TextFreqCurve", "FreqEnvView"}},
	    {"AENVBox", "Amp ENV", BRect(365, 5, 495, 120),
	        {"CheckEnAmpEnv", "TextAmpCurve", "AmpEnvView"}},
	    {"DistortionBox", "Distortion", BRect(225, 125, 385, 210),
	        {"DistortionView", "CheckEnDistortion", "DistSlider"}},
	    {"PresetsBox", "Presets", BRect(395, 125, 495, 210),
	        {"SavePresetButton", "OpenPresetButton"}},
	    {"FilterBox", "Filter", BRect(15, 215, 495, 295),
	        {"CheckEnFilter", "CutoffSlider", "ResonanceSlider"}},
	    {"OutputBox", "Output", BRect(15, 300, 495, 450),
	        {"SoundView", "PlayButton", "SaveWaveButton", "StopButton", "CheckEnSeq",
	            "TextSeqBPM"}},
	};
	ASSERT_EQ(main->CountChildren(), 7);
	for (int32 i = 0; i < 7; i++) {
		const ExpectedBox& expected = boxes[i];
		BBox* box = dynamic_cast<BBox*>(main->ChildAt(i));
		ASSERT_NE(box, nullptr) << expected.name;
		EXPECT_STREQ(box->Name(), expected.name);
		EXPECT_STREQ(box->Label(), expected.label);
		EXPECT_EQ(box->Frame(), expected.frame) << expected.name;
		EXPECT_EQ(box->Border(), B_FANCY_BORDER);
		ASSERT_EQ(box->CountChildren(), int32(expected.children.size())) << expected.name;
		for (size_t c = 0; c < expected.children.size(); c++)
			EXPECT_STREQ(box->ChildAt(int32(c))->Name(), expected.children[c]) << expected.name;
	}
	// The display views' frames.
	EXPECT_EQ(window->FindView("FreqEnvView")->Frame(), BRect(10, 55, 120, 105));
	EXPECT_EQ(window->FindView("AmpEnvView")->Frame(), BRect(10, 55, 120, 105));
	EXPECT_EQ(window->FindView("DistortionView")->Frame(), BRect(10, 15, 65, 70));
	EXPECT_EQ(window->FindView("SoundView")->Frame(), BRect(10, 20, 390, 120));
	EXPECT_EQ(dynamic_cast<EnvelopeView*>(window->FindView("AmpEnvView"))->CurveType(), 1);
	EXPECT_EQ(dynamic_cast<EnvelopeView*>(window->FindView("FreqEnvView"))->CurveType(), 2);
}

TEST_F(EditorWindow, EveryControlHasItsFrameLabelCodeAndState)
{
	for (const ExpectedControl& expected : kControls) {
		SCOPED_TRACE(expected.name);
		BControl* control = Find<BControl>(window, expected.name);
		ASSERT_NE(control, nullptr);
		EXPECT_STREQ(control->Parent()->Name(), expected.parent);
		EXPECT_STREQ(control->Label(), expected.label);
		EXPECT_EQ(control->IsEnabled(), expected.enabled);
		EXPECT_EQ(control->ResizingMode(), uint32(B_FOLLOW_LEFT | B_FOLLOW_TOP));
		EXPECT_TRUE(control->Flags() & B_NAVIGABLE);
		if (expected.code != nullptr) {
			EXPECT_EQ(control->Command(), Code(expected.code));
		}
		if (dynamic_cast<BButton*>(control) != nullptr) {
			// Preferred size, top-left corner kept.
			EXPECT_EQ(control->Frame().LeftTop(), expected.frame.LeftTop());
			float width = 0, height = 0;
			control->GetPreferredSize(&width, &height);
			EXPECT_EQ(control->Frame().Width(), width);
			EXPECT_EQ(control->Frame().Height(), height);
		} else {
			EXPECT_EQ(control->Frame(), expected.frame);
		}
	}
	for (const char* bare : {"TextFreqStart", "TextDuration", "AmpText"})
		EXPECT_EQ(Find<BTextControl>(window, bare)->Divider(), 0.0f) << bare;

	struct ExpectedSlider {
		const char* name;
		int32 minimum, maximum, hashMarks;
		const char* minLabel;
		const char* maxLabel;
		int32 value;
	};
	const ExpectedSlider sliders[] = {
	    {"FreqSlider", 0, 4000, 5, "0", "4000", 1000},
	    {"DurSlider", 0, 3000, 5, "0", "3000", 200},
	    {"AmpSlider", 0, 100, 5, "0%", "100%", 95},
	    {"DistSlider", 1, 10, 5, "1", "10", 1},
	    {"CutoffSlider", 20, 20000, 101, "", "", 5000},
	    // Q x 100 for the default Q of 1.
	    {"ResonanceSlider", 10, 400, 101, "", "", 100},
	};
	for (const ExpectedSlider& expected : sliders) {
		SCOPED_TRACE(expected.name);
		BSlider* slider = Find<BSlider>(window, expected.name);
		int32 minimum = 0, maximum = 0;
		slider->GetLimits(&minimum, &maximum);
		EXPECT_EQ(minimum, expected.minimum);
		EXPECT_EQ(maximum, expected.maximum);
		EXPECT_EQ(slider->HashMarkCount(), expected.hashMarks);
		EXPECT_EQ(slider->HashMarks(), B_HASH_MARKS_TOP);
		EXPECT_EQ(slider->Style(), B_TRIANGLE_THUMB);
		EXPECT_EQ(slider->BarColor(), make_color(0, 51, 102, 255));
		EXPECT_STREQ(slider->MinLimitLabel(), expected.minLabel);
		EXPECT_STREQ(slider->MaxLimitLabel(), expected.maxLabel);
		ASSERT_NE(slider->ModificationMessage(), nullptr);
		EXPECT_EQ(slider->ModificationMessage()->what, slider->Command());
		EXPECT_EQ(slider->Value(), expected.value);
	}

	EXPECT_EQ(Text(window, "TextFreqStart"), "1000");
	EXPECT_EQ(Text(window, "TextDuration"), "200");
	EXPECT_EQ(Text(window, "AmpText"), "0.95");
	EXPECT_EQ(Text(window, "TextAmpCurve"), "1");
	EXPECT_EQ(Text(window, "TextFreqCurve"), "1");
	EXPECT_EQ(Text(window, "TextSeqBPM"), "120");
	for (const char* check :
	    {"CheckEnAmpEnv", "CheckEnFreqEnv", "CheckEnDistortion", "CheckEnFilter", "CheckEnSeq"})
		EXPECT_EQ(Value(window, check), 0) << check;

	BMenuField* field = Find<BMenuField>(window, "FieldOsc");
	BMenu* menu = field->Menu();
	ASSERT_EQ(menu->CountItems(), 4);
	const char* labels[] = {"Sine", "Square", "Saw", "Triangle"};
	const char* codes[] = {"msim", "msqm", "mswm", "mtrm"};
	for (int32 i = 0; i < 4; i++) {
		EXPECT_STREQ(menu->ItemAt(i)->Label(), labels[i]);
		EXPECT_EQ(menu->ItemAt(i)->Command(), Code(codes[i]));
		EXPECT_EQ(menu->ItemAt(i)->Shortcut(), 0);
	}
	EXPECT_TRUE(menu->IsRadioMode());
	EXPECT_TRUE(menu->IsLabelFromMarked());
	EXPECT_STREQ(field->MenuLabel(), "Sine");

	// The engine got the defaults and made the default sound: 200 ms at 44100 Hz.
	EXPECT_EQ(Sound()->GetSampleLength(), 8820);
	EXPECT_EQ(Sound()->GetBeatLength(), 22050u);
	EXPECT_FALSE(Sound()->IsSequencerEnabled());
	EXPECT_EQ(Samples(window)[1], 4420);

	// The panels: a save panel for files answering this window, an open panel answering the
	// application.
	ASSERT_NE(window->SavePanel(), nullptr);
	EXPECT_EQ(window->SavePanel()->PanelMode(), B_SAVE_PANEL);
	EXPECT_FALSE(window->SavePanel()->AllowsMultipleSelection());
	EXPECT_EQ(window->SavePanel()->NodeFlavors(), uint32(B_FILE_NODE));
	BLooper* target = nullptr;
	window->SavePanel()->Messenger().Target(&target);
	EXPECT_EQ(target, window);
	EXPECT_EQ(window->OpenPanel()->PanelMode(), B_OPEN_PANEL);
	EXPECT_TRUE(window->OpenPanel()->AllowsMultipleSelection());
	EXPECT_FALSE(window->SavePanel()->IsShowing());
	EXPECT_FALSE(window->OpenPanel()->IsShowing());
}

TEST_F(EditorWindow, SlidersAndTextFieldsMirrorEachOther)
{
	Slide(window, "FreqSlider", 440);
	EXPECT_EQ(Sound()->GetStartFreq(), 440.0f);
	EXPECT_EQ(window->Params().startFreq, 440.0f);
	EXPECT_EQ(Text(window, "TextFreqStart"), "440");
	EXPECT_EQ(Title(), kUntitledChanged);

	Type(window, "TextFreqStart", "440.7");
	EXPECT_EQ(Sound()->GetStartFreq(), 440.7f);
	EXPECT_EQ(Value(window, "FreqSlider"), 440);

	// Typed values are not limited to the slider's range: the engine gets them as they are.
	Type(window, "TextFreqStart", "5000");
	EXPECT_EQ(Sound()->GetStartFreq(), 5000.0f);
	EXPECT_EQ(Value(window, "FreqSlider"), 4000);

	Slide(window, "DurSlider", 500);
	EXPECT_EQ(Sound()->GetDuration(), 500.0f);
	EXPECT_EQ(Text(window, "TextDuration"), "500");
	EXPECT_EQ(Sound()->GetSampleLength(), 22050);
	Type(window, "TextDuration", "123.4");
	EXPECT_EQ(Value(window, "DurSlider"), 123);
	EXPECT_EQ(Sound()->GetSampleLength(), 5442);

	Slide(window, "AmpSlider", 37);
	EXPECT_EQ(Sound()->GetAmplitude(), 0.37f);
	EXPECT_EQ(Text(window, "AmpText"), "0.37");
	Type(window, "AmpText", "0.5");
	EXPECT_EQ(Sound()->GetAmplitude(), 0.5f);
	EXPECT_EQ(Value(window, "AmpSlider"), 50);

	// Text that is no number changes nothing: the field shows the value again.
	Type(window, "TextFreqStart", "abc");
	EXPECT_EQ(Sound()->GetStartFreq(), 5000.0f);
	EXPECT_EQ(Value(window, "FreqSlider"), 4000);
	EXPECT_EQ(Text(window, "TextFreqStart"), "5000");
	EXPECT_EQ(Title(), kUntitledChanged);
	EXPECT_TRUE(alerts.Texts().empty());
}

TEST_F(EditorWindow, AMirroredValueTakesDigitsTypedAtItsEnd)
{
	Slide(window, "DurSlider", 300);
	QLineEdit* edit = Find<BTextControl>(window, "TextDuration")->TextView();
	edit->setFocus();
	edit->end(false);
	QTest::keyClick(edit, Qt::Key_0);
	QTest::keyClick(edit, Qt::Key_Return);
	ProcessEvents();
	EXPECT_EQ(Sound()->GetDuration(), 3000.0f);
	EXPECT_EQ(Value(window, "DurSlider"), 3000);

	Slide(window, "AmpSlider", 37);
	edit = Find<BTextControl>(window, "AmpText")->TextView();
	edit->setFocus();
	edit->end(false);
	QTest::keyClick(edit, Qt::Key_5);
	QTest::keyClick(edit, Qt::Key_Return);
	ProcessEvents();
	EXPECT_EQ(Sound()->GetAmplitude(), 0.375f);
}

// The program runs under the user's locale; a comma as the decimal mark must not change
// what a field shows or how it reads.
TEST_F(EditorWindow, NumbersReadAndShowTheSameInAGermanLocale)
{
	std::string previous = setlocale(LC_ALL, nullptr);
	if (setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
		GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
	char probe[16];
	std::snprintf(probe, sizeof(probe), "%g", 0.5);
	ASSERT_STREQ(probe, "0,5") << "the locale is in force";

	TunkWindow* german = new TunkWindow(BRect(60, 60, 570, 525));
	german->Show();
	ProcessEvents();
	EXPECT_EQ(Text(german, "AmpText"), "0.95");
	Type(german, "AmpText", "0.5");
	EXPECT_EQ(german->Params().amplitude, 0.5f);
	EXPECT_EQ(german->Sound()->GetAmplitude(), 0.5f);
	EXPECT_EQ(Value(german, "AmpSlider"), 50);
	Slide(german, "ResonanceSlider", 250);
	Slide(german, "AmpSlider", 37);
	EXPECT_EQ(Text(german, "AmpText"), "0.37");
	Click(german, "CheckEnFreqEnv");
	Type(german, "TextFreqCurve", "-2.5");
	EXPECT_EQ(german->Params().freqEnvelope, -2.5f);
	german->Quit();
	ProcessEvents();
	setlocale(LC_ALL, previous.c_str());
}

TEST_F(EditorWindow, EveryParameterChangeRegeneratesAndRedrawsTheWaveform)
{
	std::vector<int16> before = Samples(window);
	QImage waveform = Image("SoundView");
	Slide(window, "AmpSlider", 10);
	EXPECT_NE(Samples(window), before);
	EXPECT_NE(Image("SoundView"), waveform);

	// A dragged slider sends its code while it moves and once more when let go; the window
	// handles each as it comes.
	QSlider* slider = Find<BSlider>(window, "FreqSlider")->SliderWidget();
	slider->setSliderDown(true);
	for (int value : {100, 200, 300}) {
		slider->setSliderPosition(value);
		ProcessEvents();
		EXPECT_EQ(Sound()->GetStartFreq(), float(value));
		EXPECT_EQ(Text(window, "TextFreqStart"), std::to_string(value));
	}
	slider->setSliderDown(false);
	ProcessEvents();
	EXPECT_EQ(Sound()->GetStartFreq(), 300.0f);

	// The filter sliders act only while the filter is on, but their values are taken anyway.
	Click(window, "CheckEnFilter");
	before = Samples(window);
	Slide(window, "ResonanceSlider", 250);
	EXPECT_EQ(window->Params().filterQ, 2.5f);
	EXPECT_DOUBLE_EQ(Sound()->GetFilterQ(), double(2.5f));
	Slide(window, "CutoffSlider", 800);
	EXPECT_EQ(window->Params().filterCutoff, 800.0f);
	EXPECT_DOUBLE_EQ(Sound()->GetFilterCutoff(), 800.0);
	EXPECT_NE(Samples(window), before);

	Click(window, "CheckEnDistortion");
	QImage shape = Image("DistortionView");
	Slide(window, "DistSlider", 8);
	EXPECT_EQ(Sound()->GetDistortion(), 8.0f);
	EXPECT_NE(Image("DistortionView"), shape);

	Click(window, "CheckEnAmpEnv");
	QImage curve = Image("AmpEnvView");
	Type(window, "TextAmpCurve", "-20");
	EXPECT_EQ(Sound()->GetAmpEnvelope(), -20.0f);
	EXPECT_EQ(window->Params().ampEnvelope, -20.0f);
	EXPECT_NE(Image("AmpEnvView"), curve);
	Click(window, "CheckEnFreqEnv");
	Type(window, "TextFreqCurve", "7.5");
	EXPECT_EQ(Sound()->GetFreqEnvelope(), 7.5f);
	EXPECT_EQ(window->Params().freqEnvelope, 7.5f);
}

TEST_F(EditorWindow, ChoosingAnOscillatorMarksItAndRebuildsTheWave)
{
	BMenuField* field = Find<BMenuField>(window, "FieldOsc");
	const char* labels[] = {"Sine", "Square", "Saw", "Triangle"};
	std::vector<std::vector<int16>> sounds = {Samples(window)};
	// Each waveform in turn, back to the sine last.
	for (int32 index : {1, 2, 3, 0}) {
		SCOPED_TRACE(labels[index]);
		field->Menu()->ItemAt(index)->Action()->trigger();
		ProcessEvents();
		EXPECT_EQ(Sound()->GetOscType(), index + 1);
		EXPECT_EQ(window->Params().oscType, index + 1);
		EXPECT_STREQ(field->MenuLabel(), labels[index]);
		EXPECT_EQ(field->Menu()->FindMarked(), field->Menu()->ItemAt(index));
		sounds.push_back(Samples(window));
	}
	for (size_t i = 1; i < 4; i++)
		EXPECT_NE(sounds[i], sounds[i - 1]) << labels[i];
	EXPECT_EQ(sounds[4], sounds[0]);
	// Back at the first waveform: the parameters are those of the new document again.
	EXPECT_EQ(Title(), kUntitled);

	// With the shaper on, the distortion display follows the new waveform.
	Click(window, "CheckEnDistortion");
	QImage sine = Image("DistortionView");
	field->Menu()->ItemAt(2)->Action()->trigger();
	ProcessEvents();
	EXPECT_EQ(Sound()->GetOscType(), 3);
	EXPECT_NE(Image("DistortionView"), sine);
}

TEST_F(EditorWindow, SectionSwitchesEnableTheirControlsAndViews)
{
	struct Section {
		const char* check;
		std::vector<const char*> controls;
		const char* view;
		uint8 PresetParams::*flag;
		bool (TunkSound::*engineFlag)() const;
	};
	const Section sections[] = {
	    {"CheckEnAmpEnv", {"TextAmpCurve"}, "AmpEnvView", &PresetParams::ampEnvEnabled,
	        &TunkSound::IsAmpEnvEnabled},
	    {"CheckEnFreqEnv", {"TextFreqCurve"}, "FreqEnvView", &PresetParams::freqEnvEnabled,
	        &TunkSound::IsFreqEnvEnabled},
	    {"CheckEnDistortion", {"DistSlider"}, "DistortionView", &PresetParams::distortionEnabled,
	        &TunkSound::IsDistortionEnabled},
	    {"CheckEnFilter", {"CutoffSlider", "ResonanceSlider"}, nullptr,
	        &PresetParams::filterEnabled, &TunkSound::IsFilterEnabled},
	};
	auto viewEnabled = [this](const char* name) {
		BView* view = window->FindView(name);
		if (auto* envelope = dynamic_cast<EnvelopeView*>(view))
			return envelope->IsEnabled();
		return dynamic_cast<DistortionView*>(view)->IsEnabled();
	};
	for (const Section& section : sections) {
		SCOPED_TRACE(section.check);
		QImage blank = section.view != nullptr ? Image(section.view) : QImage();
		std::vector<int16> before = Samples(window);

		Click(window, section.check);
		EXPECT_EQ(Value(window, section.check), 1);
		EXPECT_EQ(window->Params().*section.flag, 1);
		EXPECT_TRUE((Sound()->*section.engineFlag)());
		for (const char* control : section.controls)
			EXPECT_TRUE(Enabled(window, control)) << control;
		if (section.view != nullptr) {
			EXPECT_TRUE(viewEnabled(section.view));
			EXPECT_NE(Image(section.view), blank) << "curve drawn";
		}
		EXPECT_NE(Samples(window), before);

		Click(window, section.check);
		EXPECT_EQ(window->Params().*section.flag, 0);
		EXPECT_FALSE((Sound()->*section.engineFlag)());
		for (const char* control : section.controls)
			EXPECT_FALSE(Enabled(window, control)) << control;
		if (section.view != nullptr) {
			EXPECT_FALSE(viewEnabled(section.view));
			EXPECT_EQ(Image(section.view), blank) << "curve cleared";
		}
		EXPECT_EQ(Samples(window), before);
	}
	// Every section off again: nothing differs from the new document.
	EXPECT_EQ(Title(), kUntitled);
}

TEST_F(EditorWindow, CurveDragSetsTheEnvelopeOfAnEnabledSection)
{
	auto* ampView = dynamic_cast<EnvelopeView*>(window->FindView("AmpEnvView"));
	auto* freqView = dynamic_cast<EnvelopeView*>(window->FindView("FreqEnvView"));

	// A curve message for a section that is off changes no curve, and so marks nothing, but
	// regenerates.
	int16* buffer = Sound()->GetBuffer(nullptr);
	buffer[0] = 1234;
	BMessage curve(kMsgCurveMoved);
	curve.AddInt32("curvetype", 1);
	window->PostMessage(&curve);
	ProcessEvents();
	EXPECT_EQ(Sound()->GetAmpEnvelope(), 1.0f);
	EXPECT_EQ(Text(window, "TextAmpCurve"), "1");
	EXPECT_EQ(Title(), kUntitled);
	EXPECT_EQ(Samples(window)[0], 0) << "regenerated";

	Click(window, "CheckEnAmpEnv");
	Click(window, "CheckEnFreqEnv");
	// Press at the right edge: +50; the window reads the value from the view.
	ampView->MouseDown(BPoint(110, 20));
	ampView->MouseUp(BPoint(110, 20));
	ProcessEvents();
	EXPECT_EQ(Sound()->GetAmpEnvelope(), 50.0f);
	EXPECT_EQ(window->Params().ampEnvelope, 50.0f);
	EXPECT_EQ(Text(window, "TextAmpCurve"), "50");
	EXPECT_EQ(Sound()->GetFreqEnvelope(), 1.0f) << "only the view that sent it";

	freqView->MouseDown(BPoint(0, 20));
	freqView->MouseUp(BPoint(0, 20));
	ProcessEvents();
	EXPECT_EQ(Sound()->GetFreqEnvelope(), -50.0f);
	EXPECT_EQ(Text(window, "TextFreqCurve"), "-50");
	EXPECT_EQ(Sound()->GetAmpEnvelope(), 50.0f);

	// Without a curve type neither curve moves.
	ampView->MouseDown(BPoint(30, 20));
	window->MessageQueue()->Lock();
	while (BMessage* queued = window->MessageQueue()->FindMessage(kMsgCurveMoved, 0)) {
		window->MessageQueue()->RemoveMessage(queued);
		delete queued;
	}
	window->MessageQueue()->Unlock();
	window->PostMessage(kMsgCurveMoved);
	ProcessEvents();
	EXPECT_EQ(Sound()->GetAmpEnvelope(), 50.0f);
}

// Sees every message the window dispatches. When the first curve message comes up, it queues
// four more behind it (and another command), as a fast drag does while the sound regenerates.
class DragRecorder : public BMessageFilter {
public:
	DragRecorder() : BMessageFilter(B_ANY_DELIVERY, B_ANY_SOURCE) {}

	filter_result Filter(BMessage* message, BHandler**) override
	{
		dispatched.push_back(message->what);
		int32 serial = -1;
		if (message->what == kMsgCurveMoved && message->FindInt32("serial", &serial) == B_OK) {
			serials.push_back(serial);
			if (serial == 0) {
				for (int32 i = 1; i <= 4; i++)
					Looper()->PostMessage(CurveMessage(i));
				Looper()->PostMessage(kMsgStop);
			}
		}
		return B_DISPATCH_MESSAGE;
	}

	static BMessage* CurveMessage(int32 serial)
	{
		static BMessage message;
		message = BMessage(kMsgCurveMoved);
		message.AddInt32("curvetype", 1);
		message.AddInt32("serial", serial);
		return &message;
	}

	std::vector<uint32> dispatched;
	std::vector<int32> serials;
};

TEST_F(EditorWindow, CurveMessagesWaitingBehindOneAreCutToTheNewest)
{
	Click(window, "CheckEnAmpEnv");
	auto* recorder = new DragRecorder;
	window->AddCommonFilter(recorder);
	window->PostMessage(DragRecorder::CurveMessage(0));
	ProcessEvents();

	EXPECT_EQ(recorder->serials, (std::vector<int32>{0, 4}));
	// The other command is left alone and still follows the surviving curve message.
	ASSERT_EQ(recorder->dispatched.size(), 3u);
	EXPECT_EQ(recorder->dispatched[1], kMsgCurveMoved);
	EXPECT_EQ(recorder->dispatched[2], kMsgStop);
	EXPECT_TRUE(window->MessageQueue()->IsEmpty());
	window->RemoveCommonFilter(recorder);
	delete recorder;
}

TEST_F(EditorWindow, RepeatAndTempoLeaveTheDocumentUnchanged)
{
	// A tempo typed before Repeat is on is the one Repeat plays at.
	EXPECT_TRUE(Enabled(window, "TextSeqBPM"));
	Type(window, "TextSeqBPM", "90");
	Click(window, "CheckEnSeq");
	EXPECT_TRUE(Sound()->IsSequencerEnabled());
	EXPECT_EQ(Sound()->GetBeatLength(), 29400u);
	EXPECT_FALSE(Sound()->IsPlaying()) << "switching repeat on does not play";

	int16* buffer = Sound()->GetBuffer(nullptr);
	buffer[0] = 1234;
	Type(window, "TextSeqBPM", "100");
	EXPECT_EQ(Sound()->GetBeatLength(), 26460u);
	EXPECT_EQ(Samples(window)[0], 1234) << "a tempo does not regenerate";
	// A tempo without a beat leaves the engine without restarts instead of dividing by zero.
	Type(window, "TextSeqBPM", "0");
	EXPECT_EQ(Sound()->GetBeatLength(), 0u);
	Type(window, "TextSeqBPM", "fast");
	EXPECT_EQ(Sound()->GetBeatLength(), 0u);
	Type(window, "TextSeqBPM", "128");
	EXPECT_EQ(Sound()->GetBeatLength(), 20671u);

	Click(window, "PlayButton");
	EXPECT_TRUE(Sound()->IsPlaying());
	Click(window, "CheckEnSeq");
	EXPECT_FALSE(Sound()->IsSequencerEnabled());
	EXPECT_FALSE(Sound()->IsPlaying()) << "repeat off stops the sound";
	EXPECT_TRUE(Enabled(window, "TextSeqBPM"));
	EXPECT_EQ(Sound()->GetBeatLength(), 20671u);

	EXPECT_FALSE(window->DataChanged());
	EXPECT_EQ(Title(), kUntitled);
}

TEST_F(EditorWindow, PlayStopAndTheSpaceBar)
{
	Click(window, "PlayButton");
	EXPECT_TRUE(Sound()->IsPlaying());
	Click(window, "StopButton");
	EXPECT_FALSE(Sound()->IsPlaying());

	// Space in a text field plays and leaves the text alone; other keys reach the field.
	QLineEdit* edit = Find<BTextControl>(window, "TextFreqStart")->TextView();
	edit->setFocus();
	edit->setCursorPosition(0);
	QTest::keyClick(edit, Qt::Key_Space);
	ProcessEvents();
	EXPECT_TRUE(Sound()->IsPlaying());
	EXPECT_EQ(edit->text().toStdString(), "1000");
	QTest::keyClick(edit, Qt::Key_A);
	ProcessEvents();
	EXPECT_EQ(edit->text().toStdString(), "a1000");

	Sound()->StopSound();
	// A key message without a byte, or with another byte, plays nothing.
	window->PostMessage(B_KEY_DOWN);
	BMessage other(B_KEY_DOWN);
	other.AddInt8("byte", 'x');
	window->PostMessage(&other);
	ProcessEvents();
	EXPECT_FALSE(Sound()->IsPlaying());
	EXPECT_EQ(Title(), kUntitled);

	// Shift+Space plays a soft note, here a shorter hit; what the window shows and exports
	// stays the sound itself.
	tunk::SoundParams shorter = window->Values();
	shorter[tunk::Param::velDecay] = -50;
	window->ApplyParams(shorter, "Vel Decay");
	const std::vector<int16> drawn = Samples(window);
	QTest::keyClick(edit, Qt::Key_Space, Qt::ShiftModifier);
	ProcessEvents();
	EXPECT_TRUE(Sound()->IsPlaying());
	EXPECT_EQ(edit->text().toStdString(), "1000");
	EXPECT_EQ(Samples(window), drawn);
	EXPECT_EQ(drawn.size(), 8820u) << "the whole 200 ms, not the soft hit's 150";
	Click(window, "StopButton");
	ProcessEvents();
	EXPECT_FALSE(Sound()->IsPlaying());

	// With an output of its owner's (a plugin's editor), Play, the space bar and Stop go there
	// and the window's own player stays silent; a soft note goes there at its level.
	std::vector<float> played;
	int stopped = 0;
	window->SetSoundOutput([&](float gain) { played.push_back(gain); }, [&] { stopped++; });
	Click(window, "PlayButton");
	QTest::keyClick(edit, Qt::Key_Space);
	QTest::keyClick(edit, Qt::Key_Space, Qt::ShiftModifier);
	ProcessEvents();
	Click(window, "StopButton");
	EXPECT_EQ(played, (std::vector<float>{1.0f, 1.0f, float(tunk::kSoftVelocity) / 127.0f}));
	EXPECT_EQ(stopped, 1);
	EXPECT_FALSE(Sound()->IsPlaying());
}

TEST_F(EditorWindow, UnknownCommandsAndRepeatedChangesKeepOneMark)
{
	PresetParams before = window->Params();
	std::vector<int16> samples = Samples(window);
	window->PostMessage(four_char_code("zzzz"));
	ProcessEvents();
	EXPECT_TRUE(window_test::SameRecord(before, window->Params()));
	EXPECT_EQ(Samples(window), samples);
	EXPECT_EQ(Title(), kUntitled);

	Slide(window, "FreqSlider", 500);
	Slide(window, "FreqSlider", 600);
	Type(window, "AmpText", "0.3");
	EXPECT_EQ(Title(), kUntitledChanged);

	window->SetDataChanged(false);
	EXPECT_FALSE(window->DataChanged());
	EXPECT_EQ(Title(), kUntitled);
}

TEST_F(EditorWindow, DurationsBeyondTheEngineFailInItsAlertAndTheWindowGoesOn)
{
	Type(window, "TextDuration", "1e9");
	ASSERT_EQ(alerts.Texts().size(), 1u);
	EXPECT_EQ(alerts.All()[0].title, "Error In TunkSound Object");
	EXPECT_EQ(alerts.Texts()[0], "Could not allocate a sufficient sample buffer in RAM!");
	Click(window, "PlayButton");
	Type(window, "TextDuration", "-5");
	EXPECT_EQ(alerts.Texts().size(), 2u);

	Type(window, "TextDuration", "200");
	EXPECT_EQ(Sound()->GetSampleLength(), 8820);
	EXPECT_EQ(Samples(window)[1], 4420);
	EXPECT_EQ(alerts.Texts().size(), 2u);
}

TEST_F(EditorWindow, TabReachesEveryControl)
{
	// Sections on, so that their controls can take the focus.
	for (const char* check :
	    {"CheckEnAmpEnv", "CheckEnFreqEnv", "CheckEnDistortion", "CheckEnFilter", "CheckEnSeq"})
		Click(window, check);
	window->Activate();
	ProcessEvents();

	std::set<std::string> reached;
	QWidget* start = Find<BControl>(window, "FieldOsc")->ControlWidget();
	start->setFocus(Qt::TabFocusReason);
	ProcessEvents();
	for (int i = 0; i < 60; i++) {
		if (BView* focus = window->CurrentFocus())
			reached.insert(focus->Name());
		QWidget* focused = QApplication::focusWidget();
		ASSERT_NE(focused, nullptr);
		QTest::keyClick(focused, Qt::Key_Tab);
		ProcessEvents();
	}
	for (const ExpectedControl& expected : kControls)
		EXPECT_TRUE(reached.count(expected.name)) << expected.name << " not reached with Tab";
}

TEST_F(EditorWindow, CheckBoxLabelsAreShownWhole)
{
	for (const char* name : {"CheckEnFreqEnv", "CheckEnAmpEnv", "CheckEnDistortion",
	         "CheckEnFilter", "CheckEnSeq"}) {
		QCheckBox* box = Find<BCheckBox>(window, name)->CheckBox();
		EXPECT_GE(box->width(), box->sizeHint().width()) << name;
	}

	// A picture for people, as the README shows it: every section switched on.
	for (const char* name : {"CheckEnFreqEnv", "CheckEnAmpEnv", "CheckEnDistortion",
	         "CheckEnFilter"})
		Click(window, name);
	QImage shot = window->Widget()->grab().toImage();
	ASSERT_NE(window->MenuBar(), nullptr);
	ASSERT_NE(window->StatusBar(), nullptr);
	// The content and the side column beside it, between the bars.
	EXPECT_EQ(shot.size(), QSize(511 + window->FindView("SideColumn")->Widget()->width(),
	                           466 + window->MenuBar()->height() + window->StatusBar()->height()));
	EXPECT_TRUE(shot.save("tunk-window.png"));
}
