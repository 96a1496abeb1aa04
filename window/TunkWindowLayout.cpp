// The window's layout: every box, control and view at its frame, and the tables that tie the
// controls to their parameters and sections.
#include <QLabel>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "engine/TunkSound.h"
#include "engine/core/Params.h"
#include "kits/app/Message.h"
#include "kits/app/Messenger.h"
#include "kits/interface/Box.h"
#include "kits/interface/Button.h"
#include "kits/interface/CheckBox.h"
#include "kits/interface/FilePanel.h"
#include "kits/interface/MenuField.h"
#include "kits/interface/MenuItem.h"
#include "kits/interface/PopUpMenu.h"
#include "kits/interface/Slider.h"
#include "kits/interface/StringView.h"
#include "kits/interface/TextControl.h"
#include "views/DistortionView.h"
#include "views/EnvelopeView.h"
#include "views/SoundView.h"
#include "views/TunkView.h"
#include "window/DragOut.h"
#include "window/ExportFormats.h"
#include "window/NumberText.h"
#include "window/ParamControls.h"
#include "window/SliderValue.h"
#include "window/TunkWindow.h"

namespace {

constexpr uint32 kFollow = B_FOLLOW_LEFT | B_FOLLOW_TOP;
constexpr uint32 kControlFlags = B_WILL_DRAW | B_NAVIGABLE;
constexpr rgb_color kBarColor = {0, 51, 102, 255};

BBox* MakeBox(BView* parent, BRect frame, const char* name, const char* label)
{
	BBox* box = new BBox(
	    frame, name, kFollow, B_WILL_DRAW | B_FRAME_EVENTS | B_NAVIGABLE_JUMP, B_FANCY_BORDER);
	box->SetLabel(label);
	parent->AddChild(box);
	return box;
}

// A slider's limit from a parameter's bound, in the slider's units.
constexpr int32 Bound(float value)
{
	return int32(value + (value < 0 ? -0.5f : 0.5f));
}

// A slider over a parameter's row: the slider's value is the parameter's times `factor`.
struct SliderSetup {
	BRect frame;
	const char* name;
	const char* label;
	uint32 code;
	tunk::Param param;
	float factor;
	int32 hashMarks;
	const char* limitSuffix; // after the row's bounds as limit labels; nullptr: none
};

// Configured but not yet added: some sliders get their value before they join their box.
BSlider* MakeSlider(const SliderSetup& setup)
{
	const tunk::ParamInfo& info = tunk::Info(setup.param);
	BSlider* slider = new BSlider(setup.frame, setup.name, setup.label, new BMessage(setup.code),
	    Bound(info.min * setup.factor), Bound(info.max * setup.factor), B_TRIANGLE_THUMB, kFollow,
	    B_WILL_DRAW | B_FRAME_EVENTS | B_NAVIGABLE);
	slider->SetHashMarks(B_HASH_MARKS_TOP);
	slider->SetHashMarkCount(setup.hashMarks);
	slider->SetBarColor(kBarColor);
	if (setup.limitSuffix != nullptr) {
		slider->SetLimitLabels((FormatNumber(info.min * setup.factor) + setup.limitSuffix).c_str(),
		    (FormatNumber(info.max * setup.factor) + setup.limitSuffix).c_str());
	}
	slider->SetModificationMessage(new BMessage(setup.code));
	return slider;
}

// A text field without a label takes its whole frame.
BTextControl* MakeBareText(BRect frame, const char* name, const char* text, uint32 code)
{
	BTextControl* control =
	    new BTextControl(frame, name, "", text, new BMessage(code), kFollow, kControlFlags);
	control->SetDivider(0);
	return control;
}

BButton* MakeButton(BView* parent, BRect frame, const char* name, const char* label, uint32 code)
{
	BButton* button = new BButton(frame, name, label, new BMessage(code), kFollow, kControlFlags);
	button->ResizeToPreferred();
	parent->AddChild(button);
	return button;
}

BCheckBox* MakeCheckBox(
    BView* parent, BRect frame, const char* name, const char* label, uint32 code)
{
	BCheckBox* box = new BCheckBox(frame, name, label, new BMessage(code), kFollow, kControlFlags);
	parent->AddChild(box);
	return box;
}

} // namespace

void TunkWindow::InitWindow(BMessageFilter* keyFilter)
{
	if (keyFilter != nullptr)
		AddCommonFilter(keyFilter);
	const tunk::SoundParams defaults;

	MainView = new TunkView(Bounds(), "MainView");
	AddChild(MainView);

	// Oscillator.
	OSCBox = MakeBox(MainView, BRect(15, 5, 215, 210), "OSCBox", "OSC");
	fOscMenu = new BPopUpMenu("", true, true, B_ITEMS_IN_COLUMN);
	FieldOsc = new BMenuField(
	    BRect(5, 10, 150, 30), "FieldOsc", "Oscillator", fOscMenu, kFollow, kControlFlags);
	// The waveforms in code order: item i is code i + 1.
	const uint32 waveCodes[] = {kMsgSine, kMsgSquare, kMsgSaw, kMsgTriangle};
	const std::span<const char* const> waves = tunk::Info(tunk::Param::oscType).choices;
	for (size_t i = 0; i < waves.size() && i < std::size(waveCodes); i++)
		fOscMenu->AddItem(new BMenuItem(waves[i], new BMessage(waveCodes[i])));
	fOscMenu->ItemAt(0)->SetMarked(true);
	OSCBox->AddChild(FieldOsc);

	FreqSlider = MakeSlider({BRect(5, 35, 150, 85), "FreqSlider", "Frequency (hz)", kMsgFreqSlider,
	    tunk::Param::startFreq, 1, 5, ""});
	OSCBox->AddChild(FreqSlider);
	TextFreqStart = MakeBareText(BRect(150, 50, 190, 69), "TextFreqStart",
	    FormatNumber(defaults[tunk::Param::startFreq]).c_str(), kMsgFreqText);
	FreqSlider->SetValue(
	    SliderValue(ParseNumber(TextFreqStart->Text()).value_or(defaults[tunk::Param::startFreq])));
	OSCBox->AddChild(TextFreqStart);

	DurSlider = MakeSlider({BRect(5, 85, 150, 135), "DurSlider", "Duration (ms)", kMsgDurSlider,
	    tunk::Param::duration, 1, 5, ""});
	OSCBox->AddChild(DurSlider);
	TextDuration = MakeBareText(BRect(150, 100, 190, 119), "TextDuration",
	    FormatNumber(defaults[tunk::Param::duration]).c_str(), kMsgDurText);
	DurSlider->SetValue(
	    SliderValue(ParseNumber(TextDuration->Text()).value_or(defaults[tunk::Param::duration])));
	OSCBox->AddChild(TextDuration);

	AmpSlider = MakeSlider({BRect(5, 135, 150, 185), "AmpSlider", "Amplitude", kMsgAmpSlider,
	    tunk::Param::amplitude, 100, 5, "%"});
	OSCBox->AddChild(AmpSlider);
	AmpText = MakeBareText(BRect(150, 150, 190, 169), "AmpText",
	    FormatNumber(defaults[tunk::Param::amplitude]).c_str(), kMsgAmpText);
	AmpSlider->SetValue(SliderValue(
	    ParseNumber(AmpText->Text()).value_or(defaults[tunk::Param::amplitude]) * 100.0));
	OSCBox->AddChild(AmpText);

	// Frequency envelope.
	FENVBox = MakeBox(MainView, BRect(225, 5, 355, 120), "FENVBox", "Freq ENV");
	CheckEnFreqEnv =
	    MakeCheckBox(FENVBox, BRect(10, 12, 63, 31), "CheckEnFreqEnv", "Enable", kMsgEnableFreqEnv);
	TextFreqCurve = new BTextControl(BRect(10, 32, 120, 51), "TextFreqCurve",
	    "Freq Curve:", FormatNumber(defaults[tunk::Param::freqEnvelope]).c_str(),
	    new BMessage(kMsgFreqCurveText), kFollow, kControlFlags);
	TextFreqCurve->SetEnabled(false);
	FENVBox->AddChild(TextFreqCurve);
	FreqEnvView = new EnvelopeView(BRect(10, 55, 120, 105), "FreqEnvView", kFreqCurveType);
	FENVBox->AddChild(FreqEnvView);

	// Amplitude envelope.
	AENVBox = MakeBox(MainView, BRect(365, 5, 495, 120), "AENVBox", "Amp ENV");
	CheckEnAmpEnv =
	    MakeCheckBox(AENVBox, BRect(10, 12, 63, 31), "CheckEnAmpEnv", "Enable", kMsgEnableAmpEnv);
	TextAmpCurve = new BTextControl(BRect(10, 32, 120, 51), "TextAmpCurve",
	    "Amp Curve:", FormatNumber(defaults[tunk::Param::ampEnvelope]).c_str(),
	    new BMessage(kMsgAmpCurveText), kFollow, kControlFlags);
	TextAmpCurve->SetEnabled(false);
	AENVBox->AddChild(TextAmpCurve);
	AmpEnvView = new EnvelopeView(BRect(10, 55, 120, 105), "AmpEnvView", kAmpCurveType);
	AENVBox->AddChild(AmpEnvView);

	// Distortion.
	DistortionBox = MakeBox(MainView, BRect(225, 125, 385, 210), "DistortionBox", "Distortion");
	DistortionView = new ::DistortionView(BRect(10, 15, 65, 70), "DistortionView");
	DistortionBox->AddChild(DistortionView);
	CheckEnDistortion = MakeCheckBox(
	    DistortionBox, BRect(70, 15, 155, 35), "CheckEnDistortion", "Enable", kMsgEnableDistortion);
	DistSlider = MakeSlider({BRect(70, 30, 155, 65), "DistSlider", "Amount", kMsgDistSlider,
	    tunk::Param::distortion, 1, 5, ""});
	DistSlider->SetEnabled(false);
	DistortionBox->AddChild(DistSlider);

	// Presets.
	PresetsBox = MakeBox(MainView, BRect(395, 125, 495, 210), "PresetsBox", "Presets");
	SavePresetButton =
	    MakeButton(PresetsBox, BRect(20, 15, 76, 55), "SavePresetButton", "Save", kMsgSavePreset);
	OpenPresetButton =
	    MakeButton(PresetsBox, BRect(20, 47, 76, 95), "OpenPresetButton", "Open", kMsgOpenPreset);

	// Filter.
	FilterBox = MakeBox(MainView, BRect(15, 215, 495, 295), "FilterBox", "Filter");
	CheckEnFilter =
	    MakeCheckBox(FilterBox, BRect(10, 12, 63, 31), "CheckEnFilter", "Enable", kMsgEnableFilter);
	CutoffSlider = MakeSlider({BRect(10, 30, 230, 70), "CutoffSlider", "Cutoff", kMsgCutoffSlider,
	    tunk::Param::filterCutoff, 1, 101, nullptr});
	CutoffSlider->SetValue(5000);
	CutoffSlider->SetEnabled(false);
	FilterBox->AddChild(CutoffSlider);
	ResonanceSlider = MakeSlider({BRect(240, 30, 460, 70), "ResonanceSlider", "Resonance",
	    kMsgResonanceSlider, tunk::Param::filterQ, kResonanceScale, 101, nullptr});
	ResonanceSlider->SetValue(10);
	ResonanceSlider->SetEnabled(false);
	FilterBox->AddChild(ResonanceSlider);
	// Each slider's value with its unit, right of its label.
	auto readout = [](BSlider* slider, const char* name) {
		const float width = slider->Frame().Width();
		const float height = float(slider->LabelWidget()->sizeHint().height());
		auto* view = new BStringView(BRect(width - 90, 0, width, height - 1), name, "");
		view->SetAlignment(B_ALIGN_RIGHT);
		slider->AddChild(view);
		return view;
	};
	CutoffReadout = readout(CutoffSlider, "CutoffReadout");
	ResonanceReadout = readout(ResonanceSlider, "ResonanceReadout");

	// Output.
	OutputBox = MakeBox(MainView, BRect(15, 300, 495, 450), "OutputBox", "Output");
	SoundView = new ::SoundView(BRect(10, 20, 390, 120), "SoundView");
	OutputBox->AddChild(SoundView);
	// Dragging the waveform carries the sound out as a WAV file named after the document.
	SoundView->SetDragHandler(SoundDragStartDistance(),
	    [this] { DragSoundOut(*fSound, DocumentNameFromTitle(Title()), SoundView); });
	PlayButton = MakeButton(OutputBox, BRect(400, 20, 436, 45), "PlayButton", "Play", kMsgPlay);
	SaveWaveButton =
	    MakeButton(OutputBox, BRect(400, 46, 436, 71), "SaveWaveButton", "Save", kMsgSaveWave);
	StopButton = MakeButton(OutputBox, BRect(400, 72, 436, 95), "StopButton", "Stop", kMsgStop);
	CheckEnSeq = MakeCheckBox(
	    OutputBox, BRect(400, 100, 470, 120), "CheckEnSeq", "Repeat", kMsgEnableRepeat);
	TextSeqBPM = new BTextControl(BRect(400, 125, 470, 145), "TextSeqBPM", "BPM:", "120",
	    new BMessage(kMsgTempoText), kFollow, kControlFlags);
	OutputBox->AddChild(TextSeqBPM);

	InitSideView();

	fSound = new TunkSound();

	BMessenger self(this);
	fSavePanel = new BFilePanel(
	    B_SAVE_PANEL, &self, nullptr, B_FILE_NODE, false, nullptr, nullptr, false, true);
	fOpenPanel =
	    new BFilePanel(B_OPEN_PANEL, nullptr, nullptr, 0, true, nullptr, nullptr, false, true);
	// The WAV export has a panel of its own, whose reply code keeps it away from the preset
	// writer.
	fWavePanel = new BFilePanel(B_SAVE_PANEL, &self, nullptr, B_FILE_NODE, false,
	    new BMessage(kMsgWaveSaveReply), nullptr, false, true);
	OfferExportFormats(fWavePanel);
}

// The three parameters that a slider and a text field show together, in the order of the
// refresh.
const TunkWindow::PairedParam* TunkWindow::PairedParams()
{
	static const PairedParam params[kPairedParamCount] = {
	    {kMsgAmpSlider, kMsgAmpText, tunk::Param::amplitude, &TunkSound::SetAmplitude,
	        &TunkWindow::AmpSlider, &TunkWindow::AmpText, 100.0f, tunk::Info(tunk::Param::amplitude).label},
	    {kMsgFreqSlider, kMsgFreqText, tunk::Param::startFreq, &TunkSound::SetStartFreq,
	        &TunkWindow::FreqSlider, &TunkWindow::TextFreqStart, 1.0f, tunk::Info(tunk::Param::startFreq).label},
	    {kMsgDurSlider, kMsgDurText, tunk::Param::duration, &TunkSound::SetDuration,
	        &TunkWindow::DurSlider, &TunkWindow::TextDuration, 1.0f, tunk::Info(tunk::Param::duration).label},
	};
	return params;
}

// The four switchable sections: the parameter and engine flag, the check box, the controls
// that follow it and the view that shows the section's curve.
std::array<TunkWindow::Section, TunkWindow::kSectionCount> TunkWindow::Sections()
{
	return {{
	    {kMsgEnableFreqEnv, tunk::Param::freqEnvEnabled, &TunkSound::SetFreqEnvEnabled,
	        CheckEnFreqEnv, {TextFreqCurve, nullptr}, FreqEnvView,
	        [](TunkSound* sound, CurvePanelView* view) {
		        sound->DrawFreqEnvToView(static_cast<EnvelopeView*>(view));
	        },
	        tunk::Info(tunk::Param::freqEnvEnabled).label},
	    {kMsgEnableAmpEnv, tunk::Param::ampEnvEnabled, &TunkSound::SetAmpEnvEnabled,
	        CheckEnAmpEnv, {TextAmpCurve, nullptr}, AmpEnvView,
	        [](TunkSound* sound, CurvePanelView* view) {
		        sound->DrawAmpEnvToView(static_cast<EnvelopeView*>(view));
	        },
	        tunk::Info(tunk::Param::ampEnvEnabled).label},
	    {kMsgEnableDistortion, tunk::Param::distortionEnabled, &TunkSound::SetDistortionEnabled,
	        CheckEnDistortion, {DistSlider, nullptr}, DistortionView,
	        [](TunkSound* sound, CurvePanelView* view) {
		        sound->DrawDistortedWaveToView(static_cast<::DistortionView*>(view));
	        },
	        tunk::Info(tunk::Param::distortionEnabled).label},
	    {kMsgEnableFilter, tunk::Param::filterEnabled, &TunkSound::SetFilterEnabled,
	        CheckEnFilter, {CutoffSlider, ResonanceSlider}, nullptr, nullptr, tunk::Info(tunk::Param::filterEnabled).label},
	}};
}

void TunkWindow::ShowSection(const Section& section, bool on)
{
	(fSound->*section.setEnabled)(on);
	section.check->SetValue(on ? B_CONTROL_ON : B_CONTROL_OFF);
	for (BControl* control : section.controls) {
		if (control != nullptr)
			control->SetEnabled(on);
	}
	if (section.view == nullptr)
		return;
	section.view->SetEnabled(on);
	if (on)
		section.draw(fSound, section.view);
	else
		section.view->Clear();
}

namespace {

// The side column's width: the window, a window manager's frame included, still fits a
// screen 800 pixels wide.
constexpr float kSideWidth = 280;
constexpr float kSideMargin = 5;
constexpr float kBoxTop = 18;  // below the box's label
constexpr float kRowLeft = 8;
constexpr float kRowRight = 266;
constexpr float kNoiseViewHeight = 40;

} // namespace

void TunkWindow::InitSideView()
{
	SideColumn = new TunkView(BRect(0, 0, kSideWidth - 1, Bounds().Height()), "SideColumn");
	// The rows without a control of their own: the noise layer's in its section, the tone's
	// in theirs, section by section as the table orders them.
	std::vector<tunk::Param> tone;
	std::vector<tunk::Param> noise;
	for (const tunk::ParamInfo& info : tunk::kParams) {
		// How notes play the sound is not the sound: the column has no room for those rows
		// within the window's height, so --set, presets, kits and the plugins carry them.
		if (HandPlacedControl(info.id) == nullptr && !tunk::ShapesHits(info))
			(info.group == tunk::ParamGroup::Noise ? noise : tone).push_back(info.id);
	}
	std::stable_sort(tone.begin(), tone.end(), [](tunk::Param a, tunk::Param b) {
		return tunk::Info(a).group < tunk::Info(b).group;
	});
	// Rows a pixel or three closer when the table holds more than the window's height takes
	// at their full pitch.
	const float fixed = 3 * kSideMargin + 2 * (kBoxTop + 4) + kNoiseViewHeight + 4;
	const float pitch = std::min(ParamControl::kRowHeight,
	    std::floor((Bounds().Height() + 1 - fixed) / float(tone.size() + noise.size())));
	auto addRows = [this, pitch](BBox* box, const std::vector<tunk::Param>& rows, float top,
	                   const char* section) {
		for (tunk::Param param : rows) {
			fParamControls.push_back(std::make_unique<ParamControl>(box,
			    BRect(kRowLeft, top, kRowRight, top + pitch - 2), param, section));
			top += pitch;
		}
	};

	float top = kSideMargin;
	ToneBox = MakeBox(SideColumn,
	    BRect(0, top, kSideWidth - 1 - kSideMargin,
	        top + kBoxTop + float(tone.size()) * pitch + 4),
	    "ToneBox", "Tone");
	addRows(ToneBox, tone, kBoxTop, "");
	top = ToneBox->Frame().bottom + kSideMargin;

	const char* section = tunk::GroupInfo(tunk::ParamGroup::Noise).label;
	NoiseBox = MakeBox(SideColumn,
	    BRect(0, top, kSideWidth - 1 - kSideMargin,
	        top + kBoxTop + kNoiseViewHeight + 4 + float(noise.size()) * pitch + 4),
	    "NoiseBox", section);
	CheckEnNoise = MakeCheckBox(
	    NoiseBox, BRect(kRowLeft, kBoxTop, 80, kBoxTop + 19), "CheckEnNoise", "Enable", kMsgEnableNoise);
	NoiseEnvView = new EnvelopeView(
	    BRect(84, kBoxTop, kRowRight, kBoxTop + kNoiseViewHeight - 1), "NoiseEnvView", kNoiseCurveType);
	NoiseBox->AddChild(NoiseEnvView);
	addRows(NoiseBox, noise, kBoxTop + kNoiseViewHeight + 4, section);
	SetSideView(SideColumn);
}

ParamControl* TunkWindow::TableControlFor(tunk::Param param) const
{
	for (const std::unique_ptr<ParamControl>& control : fParamControls) {
		if (control->Param() == param)
			return control.get();
	}
	return nullptr;
}

BView* TunkWindow::ControlFor(tunk::Param param) const
{
	if (BView* control = HandPlacedControl(param))
		return control;
	ParamControl* made = TableControlFor(param);
	return made != nullptr ? made->Control() : nullptr;
}

BView* TunkWindow::HandPlacedControl(tunk::Param param) const
{
	switch (param) {
		case tunk::Param::startFreq: return FreqSlider;
		case tunk::Param::duration: return DurSlider;
		case tunk::Param::amplitude: return AmpSlider;
		case tunk::Param::freqEnvelope: return TextFreqCurve;
		case tunk::Param::ampEnvelope: return TextAmpCurve;
		case tunk::Param::distortion: return DistSlider;
		case tunk::Param::filterCutoff: return CutoffSlider;
		case tunk::Param::filterQ: return ResonanceSlider;
		case tunk::Param::oscType: return FieldOsc;
		case tunk::Param::freqEnvEnabled: return CheckEnFreqEnv;
		case tunk::Param::ampEnvEnabled: return CheckEnAmpEnv;
		case tunk::Param::distortionEnabled: return CheckEnDistortion;
		case tunk::Param::filterEnabled: return CheckEnFilter;
		default: break;
	}
	return nullptr;
}
