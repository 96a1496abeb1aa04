// The side column's controls, made from the parameter table: each sets its row and the sound
// the window plays is the engine's render of the values; undo, the noise switch, Tab, the
// readouts beside the filter's sliders, and presets that carry the added values.
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "engine/core/Params.h"
#include "engine/core/Render.h"
#include "kits/interface/Box.h"
#include "kits/interface/Menu.h"
#include "kits/interface/MenuField.h"
#include "kits/interface/MenuItem.h"
#include "kits/interface/StringView.h"
#include "preset/PresetExtension.h"
#include "views/EnvelopeView.h"
#include "window/LibraryMenu.h"
#include "window/NumberText.h"
#include "window/ParamControls.h"
#include "window/StatusBar.h"
#include "window/WindowHarness.h"

using namespace window_test;

namespace {

class TableControls : public WindowFixture {};

std::vector<int16> Rendered(const tunk::SoundParams& values)
{
	std::vector<int16> samples;
	EXPECT_EQ(tunk::Render(values, &samples), tunk::RenderStatus::Ok);
	return samples;
}

std::string Name(tunk::Param param, const char* part)
{
	return std::string(tunk::Info(param).symbol) + part;
}

std::string Readout(TunkWindow* window, const char* name)
{
	return Find<BStringView>(window, name)->Text();
}

void Post(TunkWindow* window, uint32 code)
{
	window->PostMessage(code);
	ProcessEvents();
}

} // namespace

TEST_F(TableControls, EachControlSetsItsRowAndTheWindowPlaysTheEnginesRender)
{
	TunkWindow* window = New();
	Click(window, "CheckEnNoise");
	ASSERT_GT(window->Values()[tunk::Param::noiseLevel], 0.0f);
	int rows = 0;
	for (const tunk::ParamInfo& info : tunk::kParams) {
		ParamControl* control = window->TableControlFor(info.id);
		if (control == nullptr)
			continue;
		SCOPED_TRACE(info.symbol);
		rows++;
		float expected = 0;
		if (info.kind == tunk::ParamKind::Choice) {
			BMenu* menu = Find<BMenuField>(window, Name(info.id, "Field").c_str())->Menu();
			menu->ItemAt(1)->Invoke();
			ProcessEvents();
			expected = info.min + 1;
			EXPECT_STREQ(Find<BMenuField>(window, Name(info.id, "Field").c_str())->MenuLabel(),
			    info.choices[1]);
		} else {
			// A third of the way along the slider: a value away from either end.
			const int32 position = (2 * ParamSliderMin(info) + ParamSliderMax(info)) / 3;
			Slide(window, Name(info.id, "Slider").c_str(), position);
			expected = ParamFromSlider(info, position);
			EXPECT_GT(expected, info.min);
			EXPECT_LT(expected, info.max);
			EXPECT_EQ(Text(window, Name(info.id, "Text").c_str()), FormatFixed(expected, info.digits));
		}
		EXPECT_EQ(window->Values()[info.id], expected);
		EXPECT_EQ(window->UndoHistory().UndoName(), info.label);
		EXPECT_EQ(window->LevelDisplay()->ChangeText(),
		    std::string(info.label) + ": " + ShownValue(info, expected));
		EXPECT_EQ(Samples(window), Rendered(window->Values()));
	}
	// The second engine's rows, every one of them.
	EXPECT_EQ(rows, std::count_if(std::begin(tunk::kParams), std::end(tunk::kParams),
	                    [](const tunk::ParamInfo& info) { return info.since > 1 && !tunk::ShapesHits(info); }));
	// With every layer changed the sound is still the render of the values.
	EXPECT_NE(Samples(window), Rendered(tunk::SoundParams()));
}

TEST_F(TableControls, TypedValuesAreKeptAsGivenAndUndoRedoBringBackControlAndSound)
{
	TunkWindow* window = New();
	Click(window, "CheckEnNoise");
	// The tune pitches the metal noise alone: grey for white and pink.
	EXPECT_FALSE(Enabled(window, "noiseTuneText"));
	Find<BMenuField>(window, "noiseTypeField")->Menu()->ItemAt(2)->Invoke();
	ProcessEvents();
	EXPECT_TRUE(Enabled(window, "noiseTuneText"));
	const std::vector<int16> before = Samples(window);
	// Beyond the slider's end, as a preset or --set may hold it: the sound plays it brought
	// into range, and the preset keeps it as typed.
	Type(window, "noiseTuneText", "5000");
	EXPECT_EQ(window->Values()[tunk::Param::noiseTune], 5000.0f);
	EXPECT_EQ(Text(window, "noiseTuneText"), "5000");
	EXPECT_EQ(Value(window, "noiseTuneSlider"), ParamSliderMax(tunk::Info(tunk::Param::noiseTune)));
	const std::vector<int16> tuned = Samples(window);
	EXPECT_EQ(tuned, Rendered(window->Values()));
	EXPECT_EQ(window->LevelDisplay()->ChangeText(), "Noise Tune: 5000 Hz");

	// Text that is no number is taken back and makes no step; a number no float holds says so.
	const size_t steps = window->UndoHistory().CountSteps();
	Type(window, "noiseTuneText", "loud");
	EXPECT_EQ(Text(window, "noiseTuneText"), "5000");
	Type(window, "noiseTuneText", "1e40");
	EXPECT_EQ(Text(window, "noiseTuneText"), "5000");
	EXPECT_EQ(window->Values()[tunk::Param::noiseTune], 5000.0f);
	EXPECT_EQ(window->LevelDisplay()->ChangeText(), "Noise Tune: 1e40 is too large");
	EXPECT_EQ(window->UndoHistory().CountSteps(), steps);
	EXPECT_EQ(window->UndoHistory().UndoName(), "Noise Tune");
	window->Undo();
	ProcessEvents();
	EXPECT_EQ(window->LevelDisplay()->ChangeText(), "Undo Noise Tune");
	EXPECT_EQ(window->Values()[tunk::Param::noiseTune], 540.0f);
	EXPECT_EQ(Text(window, "noiseTuneText"), "540");
	EXPECT_EQ(Value(window, "noiseTuneSlider"),
	    ParamSliderPosition(tunk::Info(tunk::Param::noiseTune), 540.0f));
	EXPECT_EQ(Samples(window), before);
	window->Redo();
	ProcessEvents();
	EXPECT_EQ(Text(window, "noiseTuneText"), "5000");
	EXPECT_EQ(Samples(window), tuned);

	// A choice's undo marks the choice again.
	Find<BMenuField>(window, "noiseTypeField")->Menu()->ItemAt(1)->Invoke();
	ProcessEvents();
	EXPECT_STREQ(Find<BMenuField>(window, "noiseTypeField")->MenuLabel(), "Pink");
	EXPECT_EQ(window->LevelDisplay()->ChangeText(), "Noise Type: Pink");
	EXPECT_FALSE(Enabled(window, "noiseTuneSlider"));
	window->Undo();
	ProcessEvents();
	EXPECT_STREQ(Find<BMenuField>(window, "noiseTypeField")->MenuLabel(), "Metal");
	EXPECT_TRUE(Enabled(window, "noiseTuneSlider"));
	EXPECT_EQ(Samples(window), tuned);
}

TEST_F(TableControls, TheNoiseSwitchTurnsTheLevelOffAndBringsItBack)
{
	TunkWindow* window = New();
	EXPECT_EQ(Value(window, "CheckEnNoise"), B_CONTROL_OFF);
	EXPECT_FALSE(Enabled(window, "noiseDecaySlider")) << "the noise is off in a new sound";
	EXPECT_TRUE(Enabled(window, "noiseLevelSlider")) << "moving the level up switches it on";

	Type(window, "noiseLevelText", "0.3");
	EXPECT_EQ(Value(window, "CheckEnNoise"), B_CONTROL_ON);
	EXPECT_TRUE(Enabled(window, "noiseDecaySlider"));
	EXPECT_TRUE(Find<EnvelopeView>(window, "NoiseEnvView")->IsEnabled());

	Click(window, "CheckEnNoise");
	EXPECT_EQ(window->Values()[tunk::Param::noiseLevel], 0.0f);
	EXPECT_EQ(Text(window, "noiseLevelText"), "0.00");
	EXPECT_EQ(window->UndoHistory().UndoName(), "Noise Level");
	EXPECT_FALSE(Enabled(window, "noiseDecaySlider"));
	EXPECT_FALSE(Find<EnvelopeView>(window, "NoiseEnvView")->IsEnabled());
	EXPECT_EQ(Samples(window), Rendered(tunk::SoundParams())) << "the tone alone again";

	Click(window, "CheckEnNoise");
	EXPECT_FLOAT_EQ(window->Values()[tunk::Param::noiseLevel], 0.3f);
	EXPECT_EQ(Samples(window), Rendered(window->Values()));
	window->Undo();
	ProcessEvents();
	EXPECT_EQ(Value(window, "CheckEnNoise"), B_CONTROL_OFF);
}

TEST_F(TableControls, TheNoiseEnvelopeViewEditsTheNoiseCurve)
{
	TunkWindow* window = New();
	Click(window, "CheckEnNoise");
	auto* view = Find<EnvelopeView>(window, "NoiseEnvView");
	EXPECT_EQ(view->ShownCurve(), 1.0f);
	view->MakeFocus(true);
	QTest::keyClick(view->Widget(), Qt::Key_Left);
	ProcessEvents();
	const float curve = window->Values()[tunk::Param::noiseCurve];
	EXPECT_LT(curve, 1.0f);
	EXPECT_EQ(view->ShownCurve(), curve);
	EXPECT_EQ(Text(window, "noiseCurveText"), FormatFixed(curve, 2));
	EXPECT_EQ(window->UndoHistory().UndoName(), "Noise Curve");
	EXPECT_EQ(Samples(window), Rendered(window->Values()));

	// Claps show in the view as restarts of the envelope: more columns rise to full height.
	const QImage one = view->Widget()->grab().toImage();
	Type(window, "clapCountText", "4");
	Type(window, "clapSpacingText", "40");
	EXPECT_NE(view->Widget()->grab().toImage(), one);
}

TEST_F(TableControls, TabReachesEveryNewControlInLayoutOrder)
{
	TunkWindow* window = New();
	Click(window, "CheckEnNoise");
	// Metal noise, whose tune takes the focus too.
	Find<BMenuField>(window, "noiseTypeField")->Menu()->ItemAt(2)->Invoke();
	ProcessEvents();
	// The rows as they stand, top to bottom, the tone's section above the noise's.
	std::vector<ParamControl*> rows;
	for (const tunk::ParamInfo& info : tunk::kParams) {
		if (ParamControl* row = window->TableControlFor(info.id))
			rows.push_back(row);
	}
	auto place = [](ParamControl* row) {
		return std::make_pair(std::string(row->Control()->Parent()->Name()) == "NoiseBox",
		    row->Control()->Frame().top);
	};
	std::sort(rows.begin(), rows.end(),
	    [&](ParamControl* a, ParamControl* b) { return place(a) < place(b); });
	std::vector<std::string> expected;
	for (ParamControl* row : rows) {
		if (row->Info().kind == tunk::ParamKind::Number) {
			expected.push_back(Name(row->Param(), "Slider"));
			expected.push_back(Name(row->Param(), "Text"));
		} else {
			expected.push_back(Name(row->Param(), "Field"));
		}
	}
	// From the last control of the classic content on.
	Find<BView>(window, "CheckEnSeq")->MakeFocus(true);
	std::vector<std::string> visited;
	for (int i = 0; i < 60; i++) {
		QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
		ProcessEvents();
		BView* focus = window->CurrentFocus();
		ASSERT_NE(focus, nullptr);
		visited.push_back(focus->Name());
	}
	size_t from = 0;
	for (const std::string& name : expected) {
		auto found = std::find(visited.begin() + long(from), visited.end(), name);
		ASSERT_NE(found, visited.end()) << name << " not reached in order: " << testing::PrintToString(visited);
		from = size_t(found - visited.begin()) + 1;
	}
	EXPECT_NE(std::find(visited.begin(), visited.end(), "CheckEnNoise"), visited.end());
	EXPECT_NE(std::find(visited.begin(), visited.end(), "NoiseEnvView"), visited.end());
}

TEST_F(TableControls, TheFilterReadoutsFollowSlidersUndoAndMutate)
{
	TunkWindow* window = New();
	EXPECT_EQ(Readout(window, "CutoffReadout"), "5000 Hz");
	EXPECT_EQ(Readout(window, "ResonanceReadout"), "1.00");
	Click(window, "CheckEnFilter");
	Slide(window, "CutoffSlider", 1234);
	EXPECT_EQ(Readout(window, "CutoffReadout"), "1234 Hz");
	Slide(window, "ResonanceSlider", 250);
	EXPECT_EQ(Readout(window, "ResonanceReadout"), "2.50");
	window->Undo();
	ProcessEvents();
	EXPECT_EQ(Readout(window, "ResonanceReadout"), "1.00");
	window->Undo();
	ProcessEvents();
	EXPECT_EQ(Readout(window, "CutoffReadout"), "5000 Hz");
	window->Redo();
	ProcessEvents();
	EXPECT_EQ(Readout(window, "CutoffReadout"), "1234 Hz");

	for (int i = 0; i < 5; i++) {
		Post(window, kMsgMutate);
		const tunk::SoundParams& values = window->Values();
		EXPECT_EQ(Readout(window, "CutoffReadout"),
		    ShownValue(tunk::Info(tunk::Param::filterCutoff), values[tunk::Param::filterCutoff]));
		EXPECT_EQ(Readout(window, "ResonanceReadout"),
		    ShownValue(tunk::Info(tunk::Param::filterQ), values[tunk::Param::filterQ]));
		// The table's controls follow a mutation too.
		EXPECT_EQ(Text(window, "endFreqText"), FormatFixed(values[tunk::Param::endFreq], 0));
	}
}

TEST_F(TableControls, AnOpenedPresetShowsItsAddedValuesInTheControls)
{
	tunk::SoundParams values;
	values[tunk::Param::endFreq] = 45.0f;
	values[tunk::Param::noiseLevel] = 0.25f;
	values[tunk::Param::noiseType] = 3.0f;
	values[tunk::Param::noiseFilter] = 2.0f;
	values[tunk::Param::clapCount] = 4.0f;
	values[tunk::Param::filterType] = 3.0f;
	ASSERT_EQ(WritePreset((dir / "clap.tunk").c_str(), values, PresetExtras()), B_OK);

	TunkWindow* window = Open(dir.Path(), "clap.tunk");
	EXPECT_EQ(Text(window, "endFreqText"), "45");
	EXPECT_EQ(Text(window, "noiseLevelText"), "0.25");
	EXPECT_EQ(Value(window, "CheckEnNoise"), B_CONTROL_ON);
	EXPECT_STREQ(Find<BMenuField>(window, "noiseTypeField")->MenuLabel(), "Metal");
	EXPECT_STREQ(Find<BMenuField>(window, "noiseFilterField")->MenuLabel(), "Band-pass");
	EXPECT_STREQ(Find<BMenuField>(window, "filterTypeField")->MenuLabel(), "High-pass");
	EXPECT_EQ(Value(window, "clapCountSlider"), 4);
	EXPECT_TRUE(Enabled(window, "clapSpacingSlider"));
	EXPECT_EQ(Samples(window), Rendered(values));
	EXPECT_FALSE(window->DataChanged());
}

TEST_F(TableControls, TheSideColumnStandsBesideTheContentWithItsRowsInsideTheirBoxes)
{
	TunkWindow* window = New();
	EXPECT_EQ(window->Bounds(), BRect(0, 0, 510, 465));
	BView* side = window->SideView();
	ASSERT_NE(side, nullptr);
	EXPECT_EQ(side->Frame().left, 511.0f);
	EXPECT_LE(side->Frame().bottom, 465.0f);
	EXPECT_EQ(window->Widget()->width(), 511 + side->Widget()->width());
	for (const char* name : {"ToneBox", "NoiseBox"}) {
		SCOPED_TRACE(name);
		BBox* box = Find<BBox>(window, name);
		const QRect inner(2, int(box->FrameTop()) + 2, box->Widget()->width() - 4,
		    box->Widget()->height() - int(box->FrameTop()) - 4);
		EXPECT_TRUE(QRect(QPoint(0, 0), side->Widget()->size()).contains(box->Widget()->geometry()));
		for (int32 i = 0; i < box->CountChildren(); i++) {
			BView* child = box->ChildAt(i);
			SCOPED_TRACE(child->Name());
			EXPECT_TRUE(inner.contains(child->Widget()->geometry()));
			// No two parts of the column overlap.
			for (int32 j = i + 1; j < box->CountChildren(); j++) {
				EXPECT_FALSE(child->Widget()->geometry().intersects(box->ChildAt(j)->Widget()->geometry()))
				    << box->ChildAt(j)->Name();
			}
		}
	}
	// A row's label is shown whole.
	for (const tunk::ParamInfo& info : tunk::kParams) {
		if (window->TableControlFor(info.id) == nullptr || info.kind != tunk::ParamKind::Number)
			continue;
		QLabel* label = Find<BStringView>(window, Name(info.id, "Label").c_str())->LabelWidget();
		EXPECT_GE(label->width(), label->sizeHint().width()) << info.symbol;
	}
}
