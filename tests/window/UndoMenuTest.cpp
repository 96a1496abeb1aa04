// Undo and redo through real editor windows, the menu bar and its shortcuts with the focus in
// each kind of control, and Quit over several changed windows.
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QTest>
#include <cstring>
#include <filesystem>
#include <map>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "badinput/BadInput.h"
#include "engine/TunkSound.h"
#include "kits/interface/MenuField.h"
#include "kits/interface/MenuItem.h"
#include "kits/interface/PopUpMenu.h"
#include "views/EnvelopeView.h"
#include "window/TunkMenus.h"
#include "window/TunkWindow.h"
#include "window/WindowHarness.h"

using namespace window_test;
using badinput::FreshRender;

namespace {

const char* const kTexts[] = {"TextFreqStart", "TextDuration", "AmpText", "TextAmpCurve",
    "TextFreqCurve"};
const char* const kControls[] = {"FreqSlider", "DurSlider", "AmpSlider", "DistSlider",
    "CutoffSlider", "ResonanceSlider", "CheckEnAmpEnv", "CheckEnFreqEnv", "CheckEnDistortion",
    "CheckEnFilter", "TextAmpCurve", "TextFreqCurve"};
const char* const kViews[] = {"AmpEnvView", "FreqEnvView", "DistortionView"};

// Everything a user can see or hear of a window's sound.
struct Snapshot {
	PresetParams params;
	std::vector<int16> samples;
	std::vector<std::string> texts;
	std::vector<int32> values;
	std::vector<bool> enabled;
	std::string oscillator;
	std::vector<QImage> views;
	std::string title;
};

Snapshot Take(TunkWindow* window)
{
	Snapshot shot;
	shot.params = window->Params();
	shot.samples = Samples(window);
	for (const char* name : kTexts)
		shot.texts.push_back(Text(window, name));
	for (const char* name : kControls) {
		shot.values.push_back(Value(window, name));
		shot.enabled.push_back(Enabled(window, name));
	}
	shot.oscillator = Find<BMenuField>(window, "FieldOsc")->MenuLabel();
	window->UpdateIfNeeded();
	for (const char* name : kViews)
		shot.views.push_back(window->FindView(name)->Image().copy());
	shot.title = window->Title();
	return shot;
}

void ExpectSame(const Snapshot& a, const Snapshot& b)
{
	EXPECT_EQ(std::memcmp(&a.params, &b.params, sizeof(PresetParams)), 0);
	EXPECT_TRUE(a.samples == b.samples) << "the sound is bit-identical";
	EXPECT_EQ(a.texts, b.texts);
	EXPECT_EQ(a.values, b.values);
	EXPECT_EQ(a.enabled, b.enabled);
	EXPECT_EQ(a.oscillator, b.oscillator);
	for (size_t i = 0; i < a.views.size(); i++)
		EXPECT_TRUE(a.views[i] == b.views[i]) << kViews[i];
	EXPECT_EQ(a.title, b.title);
}

QAction* ActionOf(TunkWindow* window, uint32 code)
{
	QAction* action = window->Menus()->Action(code);
	EXPECT_NE(action, nullptr) << code;
	return action;
}

void Trigger(TunkWindow* window, uint32 code)
{
	ActionOf(window, code)->trigger();
	ProcessEvents();
}

// A drag across an envelope view with the mouse: press, moves, release.
void DragCurve(TunkWindow* window, const char* view, std::vector<int> xs)
{
	QWidget* widget = window->FindView(view)->Widget();
	QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, QPoint(xs.front(), 20));
	for (int x : xs) {
		QMouseEvent move(QEvent::MouseMove, QPointF(x, 20), widget->mapToGlobal(QPointF(x, 20)),
		    Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
		QApplication::sendEvent(widget, &move);
	}
	QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, QPoint(xs.back(), 20));
	ProcessEvents();
}

void Activate(TunkWindow* window)
{
	QApplication::setActiveWindow(window->Widget());
	ASSERT_TRUE(QTest::qWaitForWindowActive(window->Widget()));
}

class UndoWindow : public WindowFixture {};

} // namespace

TEST_F(UndoWindow, EveryKindOfChangeIsOneStepAndUndoRedoRestoreEverythingExactly)
{
	TunkWindow* window = New();
	std::vector<Snapshot> states = {Take(window)};
	std::vector<std::string> names;
	auto step = [&](const char* name) {
		names.push_back(name);
		states.push_back(Take(window));
		EXPECT_EQ(window->UndoHistory().CountSteps(), names.size()) << name;
	};

	Type(window, "TextFreqStart", "440");
	step("Frequency");
	Slide(window, "DurSlider", 900);
	step("Duration");
	Click(window, "CheckEnFilter");
	step("Filter Switch");
	Slide(window, "CutoffSlider", 1200);
	step("Cutoff");
	Find<BMenuField>(window, "FieldOsc")->Menu()->ItemAt(2)->Invoke();
	ProcessEvents();
	step("Oscillator");
	Click(window, "CheckEnDistortion");
	step("Distortion Switch");
	Slide(window, "DistSlider", 7);
	step("Distortion");
	Click(window, "CheckEnAmpEnv");
	step("Amp Envelope Switch");
	DragCurve(window, "AmpEnvView", {10, 30, 50, 70, 90, 100});
	step("Amp Curve");
	Click(window, "CheckEnFreqEnv");
	step("Freq Envelope Switch");
	Type(window, "TextFreqCurve", "-12");
	step("Freq Curve");
	Type(window, "AmpText", "0.5");
	step("Amplitude");
	Slide(window, "ResonanceSlider", 300);
	step("Resonance");
	Click(window, "CheckEnFilter");
	step("Filter Switch");

	// Repeat and tempo are not steps.
	Click(window, "CheckEnSeq");
	Type(window, "TextSeqBPM", "90");
	EXPECT_EQ(window->UndoHistory().CountSteps(), names.size());
	EXPECT_EQ(ActionOf(window, kMsgUndo)->text().toStdString(), "Undo Filter Switch");
	EXPECT_FALSE(ActionOf(window, kMsgRedo)->isEnabled());

	for (size_t i = names.size(); i-- > 0;) {
		SCOPED_TRACE("undo " + names[i]);
		Trigger(window, kMsgUndo);
		ExpectSame(Take(window), states[i]);
		EXPECT_EQ(ActionOf(window, kMsgRedo)->text().toStdString(), "Redo " + names[i]);
	}
	EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - Untitled");
	EXPECT_FALSE(window->DataChanged());
	EXPECT_FALSE(ActionOf(window, kMsgUndo)->isEnabled());
	EXPECT_EQ(ActionOf(window, kMsgUndo)->text().toStdString(), "Undo");
	EXPECT_TRUE(window->IsRepeatOn()) << "undo leaves repeat alone";
	EXPECT_TRUE(window->Sound()->IsSequencerEnabled());

	for (size_t i = 0; i < names.size(); i++) {
		SCOPED_TRACE("redo " + names[i]);
		Trigger(window, kMsgRedo);
		ExpectSame(Take(window), states[i + 1]);
	}
	EXPECT_TRUE(window->DataChanged());

	// A new change after undos drops the redo steps.
	Trigger(window, kMsgUndo);
	Trigger(window, kMsgUndo);
	Slide(window, "FreqSlider", 2000);
	EXPECT_FALSE(ActionOf(window, kMsgRedo)->isEnabled());
	EXPECT_EQ(window->UndoHistory().CountSteps(), names.size() - 1);
}

TEST_F(UndoWindow, GesturesAreOneStepAndKeyStepsMergeWhileTheSliderKeepsTheFocus)
{
	TunkWindow* window = New();
	Activate(window);
	QSlider* slider = Find<BSlider>(window, "FreqSlider")->SliderWidget();
	slider->setSliderDown(true);
	for (int value : {100, 200, 300, 400})
		slider->setValue(value);
	ProcessEvents();
	EXPECT_EQ(window->UndoHistory().CountSteps(), 0u) << "no step while the knob is held";
	EXPECT_TRUE(window->DataChanged()) << "but the mark shows at once";
	slider->setSliderDown(false);
	ProcessEvents();
	EXPECT_EQ(window->UndoHistory().CountSteps(), 1u);
	EXPECT_EQ(window->Params().startFreq, 400.0f);

	slider->setFocus();
	for (int i = 0; i < 5; i++)
		QTest::keyClick(slider, Qt::Key_Right);
	ProcessEvents();
	EXPECT_EQ(window->Params().startFreq, 405.0f);
	EXPECT_EQ(window->UndoHistory().CountSteps(), 2u);
	Find<BTextControl>(window, "AmpText")->TextView()->setFocus();
	ProcessEvents();
	slider->setFocus();
	QTest::keyClick(slider, Qt::Key_Right);
	ProcessEvents();
	EXPECT_EQ(window->UndoHistory().CountSteps(), 3u) << "the focus left in between";
	window->Undo();
	window->Undo();
	EXPECT_EQ(window->Params().startFreq, 400.0f);

	// A curve drag of many moves is one step; so is each arrow key on the focused view.
	Click(window, "CheckEnFreqEnv");
	const size_t before = window->UndoHistory().CountSteps();
	DragCurve(window, "FreqEnvView", {5, 15, 25, 35, 45, 55, 65, 75, 85, 95, 105});
	EXPECT_EQ(window->UndoHistory().CountSteps(), before + 1);
	EXPECT_EQ(window->UndoHistory().UndoName(), "Freq Curve");
	const float dragged = window->Params().freqEnvelope;
	window->Undo();
	EXPECT_EQ(window->Params().freqEnvelope, 1.0f);
	window->Redo();
	EXPECT_EQ(window->Params().freqEnvelope, dragged);

	// The changes of the sound's owner (a plugin's host) in a row are one step, shown at once
	// and not told back to the owner; the user's step in between splits them.
	std::vector<float> told;
	window->EditSoundOf(window->Values(), PresetExtras{}, "Tunk",
	    [&](const tunk::SoundParams& values, const PresetExtras&) {
		    told.push_back(values[tunk::Param::startFreq]);
	    });
	tunk::SoundParams host = window->Values();
	for (float hz : {300.0f, 310.0f, 320.0f}) {
		host.values[size_t(tunk::Param::startFreq)] = hz;
		window->TakeOwnerValues(host);
	}
	EXPECT_TRUE(told.empty());
	EXPECT_EQ(Text(window, "TextFreqStart"), "320");
	EXPECT_EQ(window->UndoHistory().CountSteps(), 1u);
	EXPECT_EQ(window->UndoHistory().UndoName(), "Change in Host");
	Type(window, "TextFreqStart", "440");
	EXPECT_EQ(told, std::vector<float>{440.0f});
	host.values[size_t(tunk::Param::startFreq)] = 500;
	window->TakeOwnerValues(host);
	window->TakeOwnerValues(host);
	EXPECT_EQ(window->UndoHistory().CountSteps(), 3u) << "the same values again are no step";
	window->Undo();
	window->Undo();
	EXPECT_EQ(window->Values()[tunk::Param::startFreq], 320.0f);
	EXPECT_EQ(told.back(), 320.0f) << "the user's undo goes to the owner";
}

TEST_F(UndoWindow, TheMarkFollowsTheSavedStateAndTheCloseQuestionFollowsTheMark)
{
	TunkWindow* window = New();
	Slide(window, "FreqSlider", 300);
	Slide(window, "FreqSlider", 400);
	panels.SaveAs(dir.Path(), "kick");
	Click(window, "SavePresetButton");
	EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - kick.tunk");
	Slide(window, "FreqSlider", 500);
	EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - kick.tunk*");
	window->Undo();
	EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - kick.tunk");
	window->Undo();
	EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - kick.tunk*");
	window->Redo();
	EXPECT_FALSE(window->DataChanged());
	Close(window);
	EXPECT_TRUE(alerts.Texts().empty()) << "an unchanged window closes without a question";
	EXPECT_FALSE(BLooper::IsAlive(window));

	// Save Preset writes to the window's file without asking; the Save button still asks.
	TunkWindow* opened = Open(dir.Path(), "kick.tunk");
	Slide(opened, "DurSlider", 1000);
	panels.shown.clear();
	Trigger(opened, kMsgSaveToFile);
	EXPECT_TRUE(panels.shown.empty());
	PresetParams saved;
	ASSERT_EQ(ReadPresetFile((dir / "kick.tunk").c_str(), &saved), B_OK);
	EXPECT_EQ(saved.duration, 1000.0f);
	EXPECT_FALSE(opened->DataChanged());
	Click(opened, "SavePresetButton");
	EXPECT_EQ(panels.shown, std::vector<file_panel_mode>{B_SAVE_PANEL});
	// A new window has no file: Save Preset asks.
	TunkWindow* fresh = New();
	panels.shown.clear();
	panels.saveName.clear();
	Trigger(fresh, kMsgSaveToFile);
	EXPECT_EQ(panels.shown, std::vector<file_panel_mode>{B_SAVE_PANEL});
}

TEST_F(UndoWindow, MenusNameTheirStepsAndDoWhatTheControlsDo)
{
	TunkWindow* window = New();
	QMenuBar* bar = window->Menus()->Bar();
	std::vector<std::string> titles;
	for (QAction* menu : bar->actions())
		titles.push_back(menu->text().toStdString());
	EXPECT_EQ(titles, (std::vector<std::string>{"&File", "&Edit", "&Sound", "&Library", "&Help"}));
	std::vector<std::string> file;
	for (QAction* item : window->Menus()->FileMenu()->actions()) {
		if (!item->isSeparator())
			file.push_back(item->text().toStdString());
	}
	EXPECT_EQ(file, (std::vector<std::string>{"New Window", "New Kit", "Open…", "Save Preset",
	                    "Save Preset As…", "Export…", "Close", "Quit"}));

	// The content keeps its frames below the bar; the window grew by the bar's height.
	EXPECT_EQ(window->Bounds(), BRect(0, 0, 510, 465));
	EXPECT_EQ(window->FindView("MainView")->Widget()->y(), bar->height());
	EXPECT_EQ(window->Widget()->height(), 466 + bar->height() + window->StatusBar()->height());

	Trigger(window, kMsgPlay);
	EXPECT_TRUE(window->Sound()->IsPlaying());
	Trigger(window, kMsgStop);
	EXPECT_FALSE(window->Sound()->IsPlaying());
	QAction* repeat = ActionOf(window, kMsgToggleRepeat);
	EXPECT_TRUE(repeat->isCheckable());
	Trigger(window, kMsgToggleRepeat);
	EXPECT_EQ(Value(window, "CheckEnSeq"), 1);
	EXPECT_TRUE(window->Sound()->IsSequencerEnabled());
	EXPECT_TRUE(repeat->isChecked());
	Click(window, "CheckEnSeq");
	EXPECT_FALSE(repeat->isChecked());
	EXPECT_FALSE(window->Sound()->IsSequencerEnabled());

	Trigger(window, kMsgSaveWave);
	Trigger(window, kMsgOpenPreset);
	Trigger(window, kMsgSavePreset);
	EXPECT_EQ(panels.shown, (std::vector<file_panel_mode>{B_SAVE_PANEL, B_OPEN_PANEL, B_SAVE_PANEL}));
	App()->messages.clear();
	Trigger(window, kMsgNewWindow);
	EXPECT_EQ(App()->messages, std::vector<uint32>{kMsgNewWindow});

	Trigger(window, kMsgAbout);
	// The shortcuts' keys and commands stand in two aligned columns.
	std::map<std::string, QRect> cells;
	alerts.Answer([&](BAlert& alert) {
		for (QLabel* label : alert.Dialog()->findChildren<QLabel*>())
			cells[label->text().toStdString()] = label->geometry();
		return 0;
	});
	Trigger(window, kMsgShowShortcuts);
	for (const char* key : {"Ctrl+E", "Ctrl+Z", "Space", "Tab"})
		ASSERT_EQ(cells.count(key), 1u) << key;
	for (const char* command : {"Export…", "Undo", "Play, from any control", "Next control"}) {
		ASSERT_EQ(cells.count(command), 1u) << command;
		EXPECT_EQ(cells[command].left(), cells["Export…"].left()) << command;
		EXPECT_GT(cells[command].left(), cells["Ctrl+Shift+S"].right()) << command;
	}
	EXPECT_LT(cells["Ctrl+E"].top(), cells["Ctrl+Z"].top());
	EXPECT_EQ(cells["Ctrl+E"].top(), cells["Export…"].top()) << "a key beside its command";
	ASSERT_EQ(alerts.All().size(), 2u);
	EXPECT_EQ(alerts.All()[0].title, "About Tunk");
	EXPECT_EQ(alerts.All()[0].text.substr(0, alerts.All()[0].text.find('\n')), "Tunk v1.1");
	EXPECT_NE(alerts.All()[1].text.find("Undo"), std::string::npos);
	EXPECT_NE(alerts.All()[1].text.find("Ctrl+Z"), std::string::npos);

	Trigger(window, kMsgCloseWindow);
	EXPECT_FALSE(BLooper::IsAlive(window));
}

TEST_F(UndoWindow, ShortcutsWorkWhicheverControlHasTheFocus)
{
	TunkWindow* window = New();
	Activate(window);
	Click(window, "CheckEnAmpEnv");
	const PresetParams start = window->Params();
	Slide(window, "FreqSlider", 250);
	const PresetParams changed = window->Params();

	QWidget* targets[] = {
	    Find<BTextControl>(window, "TextDuration")->TextView(),
	    Find<BSlider>(window, "DurSlider")->SliderWidget(),
	    Find<BCheckBox>(window, "CheckEnFilter")->CheckBox(),
	    Find<BButton>(window, "PlayButton")->PushButton(),
	    window->FindView("FieldOsc")->Widget(),
	    window->FindView("AmpEnvView")->Widget(),
	};
	for (QWidget* target : targets) {
		SCOPED_TRACE(target->metaObject()->className());
		target->setFocus();
		ProcessEvents();
		QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier);
		ProcessEvents();
		EXPECT_TRUE(window_test::SameRecord(window->Params(), start)) << "Ctrl+Z undoes";
		QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
		ProcessEvents();
		EXPECT_TRUE(window_test::SameRecord(window->Params(), changed))
		    << "Ctrl+Shift+Z redoes";
		QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier);
		ProcessEvents();
		QTest::keyClick(target, Qt::Key_Y, Qt::ControlModifier);
		ProcessEvents();
		EXPECT_TRUE(window_test::SameRecord(window->Params(), changed)) << "Ctrl+Y redoes";
	}

	// The file keys.
	QWidget* field = Find<BTextControl>(window, "TextDuration")->TextView();
	field->setFocus();
	QTest::keyClick(field, Qt::Key_E, Qt::ControlModifier);
	QTest::keyClick(field, Qt::Key_O, Qt::ControlModifier);
	QTest::keyClick(field, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
	ProcessEvents();
	EXPECT_EQ(panels.shown, (std::vector<file_panel_mode>{B_SAVE_PANEL, B_OPEN_PANEL, B_SAVE_PANEL}));
	App()->messages.clear();
	QTest::keyClick(field, Qt::Key_N, Qt::ControlModifier);
	ProcessEvents();
	EXPECT_EQ(App()->messages, std::vector<uint32>{kMsgNewWindow});
	panels.SaveAs(dir.Path(), "by-key.tunk");
	QTest::keyClick(field, Qt::Key_S, Qt::ControlModifier);
	ProcessEvents();
	EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - by-key.tunk");
	QTest::keyClick(field, Qt::Key_W, Qt::ControlModifier);
	ProcessEvents();
	EXPECT_FALSE(BLooper::IsAlive(window));
}

TEST_F(UndoWindow, ATextFieldTakesCtrlZForItsUncommittedEditFirst)
{
	TunkWindow* window = New();
	Activate(window);
	Slide(window, "FreqSlider", 250);
	QLineEdit* edit = Find<BTextControl>(window, "AmpText")->TextView();
	edit->setFocus();
	edit->end(false);
	QTest::keyClicks(edit, "12");
	ProcessEvents();
	EXPECT_EQ(edit->text().toStdString(), "0.9512");
	QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
	ProcessEvents();
	EXPECT_EQ(edit->text().toStdString(), "0.95") << "the field took its own edit back";
	EXPECT_EQ(window->Params().startFreq, 250.0f) << "the window's step stays";
	QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
	ProcessEvents();
	EXPECT_EQ(window->Params().startFreq, 1000.0f) << "then the window's history";

	// A committed value is the window's step.
	window->Redo();
	Type(window, "AmpText", "0.5");
	QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
	ProcessEvents();
	EXPECT_EQ(window->Params().amplitude, 0.95f);
	EXPECT_EQ(edit->text().toStdString(), "0.95");
}

TEST_F(UndoWindow, QuitAsksEachChangedWindowInTurnAndStopsAtTheFirstCancel)
{
	TunkWindow* first = New();
	TunkWindow* clean = New();
	TunkWindow* third = New();
	Slide(first, "FreqSlider", 300);
	Slide(third, "FreqSlider", 400);
	App()->quitRequests = 0;

	alerts.Press(1); // first: Don't save
	alerts.Press(0); // third: Cancel
	Trigger(clean, kMsgQuitAll);
	EXPECT_EQ(alerts.Texts().size(), 2u);
	EXPECT_FALSE(BLooper::IsAlive(first));
	EXPECT_FALSE(BLooper::IsAlive(clean));
	ASSERT_TRUE(BLooper::IsAlive(third));
	EXPECT_EQ(App()->quitRequests, 0);

	// Escape is Cancel too; a later Quit answered "Don't save" ends the application.
	alerts.PressEscape();
	Trigger(third, kMsgQuitAll);
	EXPECT_TRUE(BLooper::IsAlive(third));
	alerts.Press(1);
	Trigger(third, kMsgQuitAll);
	EXPECT_FALSE(BLooper::IsAlive(third));
	EXPECT_EQ(App()->quitRequests, 1);

	// "Save" writes a window that has a file and closes it; one without a file shows the save
	// panel and stops the quit there.
	std::filesystem::path file = dir / "tom";
	ASSERT_EQ(WritePresetFile(file.c_str(), DefaultPresetParams()), B_OK);
	TunkWindow* withFile = Open(dir.Path(), "tom");
	TunkWindow* untitled = New();
	TunkWindow* last = New();
	Slide(withFile, "FreqSlider", 700);
	Slide(untitled, "FreqSlider", 500);
	Slide(last, "FreqSlider", 600);
	alerts.Press(2);
	alerts.Press(2);
	panels.shown.clear();
	panels.saveName.clear();
	Trigger(last, kMsgQuitAll);
	EXPECT_EQ(alerts.Texts().size(), 6u) << "the last window was not asked";
	EXPECT_FALSE(BLooper::IsAlive(withFile));
	PresetParams saved;
	ASSERT_EQ(ReadPresetFile(file.c_str(), &saved), B_OK);
	EXPECT_EQ(saved.startFreq, 700.0f);
	EXPECT_TRUE(BLooper::IsAlive(untitled));
	EXPECT_TRUE(BLooper::IsAlive(last));
	EXPECT_EQ(panels.shown, std::vector<file_panel_mode>{B_SAVE_PANEL});
}

namespace {

struct Heard {
	const int16* buffer;
	std::vector<int16> samples;
};

Heard Listen(TunkWindow* window)
{
	return {window->Sound()->GetBuffer(nullptr), Samples(window)};
}

} // namespace

TEST_F(UndoWindow, UndoAndRedoPutBackTheSoundFirstHeardAndNoOtherStatesSound)
{
	TunkWindow* window = New();
	Click(window, "CheckEnAmpEnv");
	Type(window, "TextFreqStart", "440");
	const Heard a = Listen(window);
	const PresetParams stateA = window->Params();
	Slide(window, "DurSlider", 900);
	const Heard b = Listen(window);
	const PresetParams stateB = window->Params();
	ASSERT_NE(a.samples, b.samples);

	// A step back and forth hands over the very buffers first heard, not new ones.
	for (int round = 0; round < 2; round++) {
		SCOPED_TRACE(round);
		window->Undo();
		EXPECT_EQ(Listen(window).buffer, a.buffer) << "undo generated again";
		EXPECT_EQ(Listen(window).samples, a.samples);
		EXPECT_EQ(a.samples, FreshRender(stateA));
		window->Redo();
		EXPECT_EQ(Listen(window).buffer, b.buffer) << "redo generated again";
		EXPECT_EQ(Listen(window).samples, FreshRender(stateB));
	}

	// A held gesture through many sounds still leaves the sound before it for the undo.
	QSlider* slider = Find<BSlider>(window, "FreqSlider")->SliderWidget();
	slider->setSliderDown(true);
	for (int value : {100, 200, 300, 400})
		slider->setValue(value);
	ProcessEvents();
	slider->setSliderDown(false);
	ProcessEvents();
	const PresetParams stateC = window->Params();
	ASSERT_EQ(stateC.startFreq, 400.0f);
	window->Undo();
	EXPECT_EQ(Listen(window).buffer, b.buffer);
	EXPECT_EQ(Listen(window).samples, b.samples);

	// Walking further than what is kept, and branching off, every state sounds as a new
	// engine generates it: a sound kept for another state is never taken.
	Type(window, "AmpText", "0.5");
	EXPECT_FALSE(window->UndoHistory().CanRedo());
	Click(window, "CheckEnFilter");
	Slide(window, "CutoffSlider", 800);
	const PresetParams stateF = window->Params();
	size_t steps = 0;
	while (window->UndoHistory().CanUndo()) {
		window->Undo();
		steps++;
		EXPECT_EQ(Listen(window).samples, FreshRender(window->Params())) << "undo " << steps;
	}
	while (window->UndoHistory().CanRedo()) {
		window->Redo();
		EXPECT_EQ(Listen(window).samples, FreshRender(window->Params())) << "redo";
	}
	EXPECT_TRUE(window_test::SameRecord(window->Params(), stateF));
}
