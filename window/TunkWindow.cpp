#include "window/TunkWindow.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/SpaceBarFilter.h"
#include "engine/TunkSound.h"
#include "kits/app/Application.h"
#include "kits/app/Message.h"
#include "kits/app/MessageQueue.h"
#include "kits/app/Messenger.h"
#include "kits/interface/Alert.h"
#include "kits/interface/Box.h"
#include "kits/interface/Button.h"
#include "kits/interface/CheckBox.h"
#include "kits/interface/FilePanel.h"
#include "kits/interface/MenuField.h"
#include "kits/interface/MenuItem.h"
#include "kits/interface/PopUpMenu.h"
#include "kits/interface/Slider.h"
#include "kits/interface/TextControl.h"
#include "kits/storage/Directory.h"
#include "kits/storage/File.h"
#include "views/DistortionView.h"
#include "views/EnvelopeView.h"
#include "views/SoundView.h"
#include "views/TunkView.h"

namespace {

constexpr uint32 kFollow = B_FOLLOW_LEFT | B_FOLLOW_TOP;
constexpr uint32 kControlFlags = B_WILL_DRAW | B_NAVIGABLE;
constexpr rgb_color kBarColor = {0, 51, 102, 255};

// A slider value from a parameter: truncated toward zero, and kept inside int32 so that a
// typed value far beyond any slider (or not a number) stays defined.
int32 SliderValue(double value)
{
	if (std::isnan(value))
		return 0;
	if (value >= 2147483647.0)
		return 2147483647;
	if (value <= -2147483648.0)
		return -2147483647 - 1;
	return int32(value);
}

BBox* MakeBox(BView* parent, BRect frame, const char* name, const char* label)
{
	BBox* box = new BBox(
	    frame, name, kFollow, B_WILL_DRAW | B_FRAME_EVENTS | B_NAVIGABLE_JUMP, B_FANCY_BORDER);
	box->SetLabel(label);
	parent->AddChild(box);
	return box;
}

struct SliderSetup {
	BRect frame;
	const char* name;
	const char* label;
	uint32 code;
	int32 minimum;
	int32 maximum;
	int32 hashMarks;
	const char* minLabel; // nullptr: no limit labels
	const char* maxLabel;
};

// Configured but not yet added: some sliders get their value before they join their box.
BSlider* MakeSlider(const SliderSetup& setup)
{
	BSlider* slider =
	    new BSlider(setup.frame, setup.name, setup.label, new BMessage(setup.code), setup.minimum,
	        setup.maximum, B_TRIANGLE_THUMB, kFollow, B_WILL_DRAW | B_FRAME_EVENTS | B_NAVIGABLE);
	slider->SetHashMarks(B_HASH_MARKS_TOP);
	slider->SetHashMarkCount(setup.hashMarks);
	slider->SetBarColor(kBarColor);
	if (setup.minLabel != nullptr)
		slider->SetLimitLabels(setup.minLabel, setup.maxLabel);
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

std::string TitleFor(const char* documentName)
{
	return std::string(kTunkTitlePrefix) + documentName;
}

} // namespace

TunkWindow::TunkWindow(BRect frame)
    : BWindow(frame, TitleFor(kUntitledName).c_str(), B_TITLED_WINDOW,
          B_NOT_RESIZABLE | B_ASYNCHRONOUS_CONTROLS, B_CURRENT_WORKSPACE)
{
	InitWindow();
	MakeNewDocument();
	FinishConstruction();
}

TunkWindow::TunkWindow(BRect frame, entry_ref* ref)
    : BWindow(frame, TitleFor(kUntitledName).c_str(), B_TITLED_WINDOW,
          B_NOT_RESIZABLE | B_ASYNCHRONOUS_CONTROLS, B_CURRENT_WORKSPACE)
{
	InitWindow();
	MakeNewDocument();
	ReadPresetFromFile(ref);
	FinishConstruction();
}

TunkWindow::~TunkWindow()
{
	ReleasePanels();
	// The engine's destructor stops its player and waits for the callback to return, so no
	// buffer is pulled from a deleted engine.
	delete fSound;
	fSound = nullptr;
}

void TunkWindow::MakeNewDocument()
{
	fParams = DefaultPresetParams();
	RefreshParams();
}

void TunkWindow::FinishConstruction()
{
	dataChanged = 0;
	Regenerate();
}

void TunkWindow::InitWindow()
{
	fSpaceBarFilter = new SpaceBarFilter();
	AddCommonFilter(fSpaceBarFilter);

	MainView = new TunkView(Bounds(), "MainView");
	AddChild(MainView);

	// Oscillator.
	OSCBox = MakeBox(MainView, BRect(15, 5, 215, 210), "OSCBox", "OSC");
	fOscMenu = new BPopUpMenu("", true, true, B_ITEMS_IN_COLUMN);
	FieldOsc = new BMenuField(
	    BRect(5, 10, 150, 30), "FieldOsc", "Oscillator", fOscMenu, kFollow, kControlFlags);
	fOscMenu->AddItem(new BMenuItem("Sine", new BMessage(kMsgSine)));
	fOscMenu->AddItem(new BMenuItem("Square", new BMessage(kMsgSquare)));
	fOscMenu->AddItem(new BMenuItem("Saw", new BMessage(kMsgSaw)));
	fOscMenu->AddItem(new BMenuItem("Triangle", new BMessage(kMsgTriangle)));
	fOscMenu->ItemAt(0)->SetMarked(true);
	OSCBox->AddChild(FieldOsc);

	FreqSlider = MakeSlider({BRect(5, 35, 150, 85), "FreqSlider", "Frequency (hz)", kMsgFreqSlider,
	    0, 4000, 5, "0", "4000"});
	OSCBox->AddChild(FreqSlider);
	TextFreqStart = MakeBareText(BRect(150, 50, 190, 69), "TextFreqStart", "1000", kMsgFreqText);
	FreqSlider->SetValue(SliderValue(std::atof(TextFreqStart->Text())));
	OSCBox->AddChild(TextFreqStart);

	DurSlider = MakeSlider({BRect(5, 85, 150, 135), "DurSlider", "Duration (ms)", kMsgDurSlider, 0,
	    3000, 5, "0", "3000"});
	OSCBox->AddChild(DurSlider);
	TextDuration = MakeBareText(BRect(150, 100, 190, 119), "TextDuration", "200", kMsgDurText);
	DurSlider->SetValue(SliderValue(std::atof(TextDuration->Text())));
	OSCBox->AddChild(TextDuration);

	AmpSlider = MakeSlider({BRect(5, 135, 150, 185), "AmpSlider", "Amplitude", kMsgAmpSlider, 0,
	    100, 5, "0%", "100%"});
	OSCBox->AddChild(AmpSlider);
	AmpText = MakeBareText(BRect(150, 150, 190, 169), "AmpText", "0.95", kMsgAmpText);
	AmpSlider->SetValue(SliderValue(std::atof(AmpText->Text()) * 100.0));
	OSCBox->AddChild(AmpText);

	// Frequency envelope.
	FENVBox = MakeBox(MainView, BRect(225, 5, 355, 120), "FENVBox", "Freq ENV");
	CheckEnFreqEnv =
	    MakeCheckBox(FENVBox, BRect(10, 12, 63, 31), "CheckEnFreqEnv", "Enable", kMsgEnableFreqEnv);
	TextFreqCurve = new BTextControl(BRect(10, 32, 120, 51), "TextFreqCurve", "Freq Curve:", "1",
	    new BMessage(kMsgFreqCurveText), kFollow, kControlFlags);
	TextFreqCurve->SetEnabled(false);
	FENVBox->AddChild(TextFreqCurve);
	FreqEnvView = new EnvelopeView(BRect(10, 55, 120, 105), "FreqEnvView", kFreqCurveType);
	FENVBox->AddChild(FreqEnvView);

	// Amplitude envelope.
	AENVBox = MakeBox(MainView, BRect(365, 5, 495, 120), "AENVBox", "Amp ENV");
	CheckEnAmpEnv =
	    MakeCheckBox(AENVBox, BRect(10, 12, 63, 31), "CheckEnAmpEnv", "Enable", kMsgEnableAmpEnv);
	TextAmpCurve = new BTextControl(BRect(10, 32, 120, 51), "TextAmpCurve", "Amp Curve:", "1",
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
	DistSlider = MakeSlider(
	    {BRect(70, 30, 155, 65), "DistSlider", "Amount", kMsgDistSlider, 1, 10, 5, "1", "10"});
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
	    20, 20000, 101, nullptr, nullptr});
	CutoffSlider->SetValue(5000);
	CutoffSlider->SetEnabled(false);
	FilterBox->AddChild(CutoffSlider);
	ResonanceSlider = MakeSlider({BRect(240, 30, 460, 70), "ResonanceSlider", "Resonance",
	    kMsgResonanceSlider, 10, 400, 101, nullptr, nullptr});
	ResonanceSlider->SetValue(10);
	ResonanceSlider->SetEnabled(false);
	FilterBox->AddChild(ResonanceSlider);

	// Output.
	OutputBox = MakeBox(MainView, BRect(15, 300, 495, 450), "OutputBox", "Output");
	SoundView = new ::SoundView(BRect(10, 20, 390, 120), "SoundView");
	OutputBox->AddChild(SoundView);
	PlayButton = MakeButton(OutputBox, BRect(400, 20, 436, 45), "PlayButton", "Play", kMsgPlay);
	SaveWaveButton =
	    MakeButton(OutputBox, BRect(400, 46, 436, 71), "SaveWaveButton", "Save", kMsgSaveWave);
	StopButton = MakeButton(OutputBox, BRect(400, 72, 436, 95), "StopButton", "Stop", kMsgStop);
	CheckEnSeq = MakeCheckBox(
	    OutputBox, BRect(400, 100, 470, 120), "CheckEnSeq", "Repeat", kMsgEnableRepeat);
	TextSeqBPM = new BTextControl(BRect(400, 125, 470, 145), "TextSeqBPM", "BPM:", "120",
	    new BMessage(kMsgTempoText), kFollow, kControlFlags);
	TextSeqBPM->SetEnabled(false);
	OutputBox->AddChild(TextSeqBPM);

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
}

// The three parameters that a slider and a text field show together, in the order of the
// refresh. Either control sets the parameter and mirrors it into the other.
struct TunkWindow::PairedParam {
	uint32 sliderCode;
	uint32 textCode;
	float PresetParams::*field;
	void (TunkSound::*setter)(float);
	BSlider* TunkWindow::*slider;
	BTextControl* TunkWindow::*text;
	float factor; // slider value = parameter x factor
};

const TunkWindow::PairedParam* TunkWindow::PairedParams()
{
	static const PairedParam params[kPairedParamCount] = {
	    {kMsgAmpSlider, kMsgAmpText, &PresetParams::amplitude, &TunkSound::SetAmplitude,
	        &TunkWindow::AmpSlider, &TunkWindow::AmpText, 100.0f},
	    {kMsgFreqSlider, kMsgFreqText, &PresetParams::startFreq, &TunkSound::SetStartFreq,
	        &TunkWindow::FreqSlider, &TunkWindow::TextFreqStart, 1.0f},
	    {kMsgDurSlider, kMsgDurText, &PresetParams::duration, &TunkSound::SetDuration,
	        &TunkWindow::DurSlider, &TunkWindow::TextDuration, 1.0f},
	};
	return params;
}

bool TunkWindow::HandlePairedParam(uint32 code)
{
	for (int32 i = 0; i < kPairedParamCount; i++) {
		const PairedParam& pair = PairedParams()[i];
		BSlider* slider = this->*pair.slider;
		BTextControl* text = this->*pair.text;
		float& value = fParams.*pair.field;
		if (code == pair.sliderCode) {
			value = float(slider->Value()) / pair.factor;
			(fSound->*pair.setter)(value);
			MirrorToText(text, value);
		} else if (code == pair.textCode) {
			value = ParseText(text);
			(fSound->*pair.setter)(value);
			slider->SetValue(SliderValue(value * pair.factor));
		} else {
			continue;
		}
		SetDataChanged(true);
		Regenerate();
		return true;
	}
	return false;
}

void TunkWindow::MirrorToText(BTextControl* control, float value)
{
	char text[64];
	std::snprintf(text, sizeof(text), "%g\n", double(value));
	control->SetText(text);
}

float TunkWindow::ParseText(BTextControl* control)
{
	return float(std::atof(control->Text()));
}

void TunkWindow::RefreshParams()
{
	// Amplitude, start frequency, duration: each slider takes the value read back from its
	// text, so that both show the same number.
	for (int32 i = 0; i < kPairedParamCount; i++) {
		const PairedParam& pair = PairedParams()[i];
		float value = fParams.*pair.field;
		(fSound->*pair.setter)(value);
		MirrorToText(this->*pair.text, value);
		(this->*pair.slider)
		    ->SetValue(SliderValue(std::atof((this->*pair.text)->Text()) * double(pair.factor)));
	}

	fSound->SetOscType(fParams.oscType);
	if (fParams.oscType >= 1 && fParams.oscType <= 4)
		fOscMenu->ItemAt(fParams.oscType - 1)->SetMarked(true);

	fSound->SetAmpEnvelope(fParams.ampEnvelope);
	MirrorToText(TextAmpCurve, fParams.ampEnvelope);
	fSound->SetFreqEnvelope(fParams.freqEnvelope);
	MirrorToText(TextFreqCurve, fParams.freqEnvelope);

	fSound->SetDistortion(fParams.distortion);
	DistSlider->SetValue(SliderValue(fParams.distortion));
	fSound->SetFilterCutoff(fParams.filterCutoff);
	CutoffSlider->SetValue(SliderValue(fParams.filterCutoff));
	fSound->SetFilterQ(fParams.filterQ);
	// The slider stands for Q x 100; rounded, so that a Q the slider set (a float of n / 100)
	// comes back as n.
	ResonanceSlider->SetValue(SliderValue(std::round(double(fParams.filterQ) * 100.0)));

	fSound->GenerateWaveTable();
	fSound->GenerateWaveShapeTable();

	fSound->SetAmpEnvEnabled(fParams.ampEnvEnabled == 1);
	if (fParams.ampEnvEnabled == 1) {
		CheckEnAmpEnv->SetValue(B_CONTROL_ON);
		AmpEnvView->SetEnabled(true);
		fSound->DrawAmpEnvToView(AmpEnvView);
		TextAmpCurve->SetEnabled(true);
	}
	fSound->SetFreqEnvEnabled(fParams.freqEnvEnabled == 1);
	if (fParams.freqEnvEnabled == 1) {
		CheckEnFreqEnv->SetValue(B_CONTROL_ON);
		FreqEnvView->SetEnabled(true);
		fSound->DrawFreqEnvToView(FreqEnvView);
		TextFreqCurve->SetEnabled(true);
	}
	fSound->SetDistortionEnabled(fParams.distortionEnabled == 1);
	if (fParams.distortionEnabled == 1) {
		DistortionView->SetEnabled(true);
		CheckEnDistortion->SetValue(B_CONTROL_ON);
		DistSlider->SetEnabled(true);
		fSound->DrawDistortedWaveToView(DistortionView);
	}
	fSound->SetFilterEnabled(fParams.filterEnabled == 1);
	if (fParams.filterEnabled == 1) {
		CheckEnFilter->SetValue(B_CONTROL_ON);
		CutoffSlider->SetEnabled(true);
		ResonanceSlider->SetEnabled(true);
	}

	fSound->SetBeatLength(120.0f);
	fSound->SetSequencerEnabled(false);
}

void TunkWindow::SetDataChanged(bool changed)
{
	if (changed && dataChanged == 0) {
		SetTitle((std::string(Title()) + "*").c_str());
		dataChanged = 1;
	} else if (!changed && dataChanged == 1) {
		dataChanged = 0;
	}
}

void TunkWindow::Regenerate()
{
	fSound->GenerateSound();
	fSound->DrawSoundToView(SoundView);
}

void TunkWindow::MessageReceived(BMessage* message)
{
	if (HandlePairedParam(message->what))
		return;

	switch (message->what) {
		case kMsgSine: SelectOscillator(1); break;
		case kMsgSquare: SelectOscillator(2); break;
		case kMsgSaw: SelectOscillator(3); break;
		case kMsgTriangle: SelectOscillator(4); break;

		case kMsgAmpCurveText:
			fParams.ampEnvelope = ParseText(TextAmpCurve);
			fSound->SetAmpEnvelope(fParams.ampEnvelope);
			fSound->DrawAmpEnvToView(AmpEnvView);
			SetDataChanged(true);
			Regenerate();
			break;
		case kMsgFreqCurveText:
			fParams.freqEnvelope = ParseText(TextFreqCurve);
			fSound->SetFreqEnvelope(fParams.freqEnvelope);
			fSound->DrawFreqEnvToView(FreqEnvView);
			SetDataChanged(true);
			Regenerate();
			break;

		case kMsgCurveMoved: CurveMoved(message); break;

		case kMsgEnableAmpEnv: SwitchSection(kMsgEnableAmpEnv, CheckEnAmpEnv->Value() == 1); break;
		case kMsgEnableFreqEnv:
			SwitchSection(kMsgEnableFreqEnv, CheckEnFreqEnv->Value() == 1);
			break;
		case kMsgEnableDistortion:
			SwitchSection(kMsgEnableDistortion, CheckEnDistortion->Value() == 1);
			break;
		case kMsgEnableFilter: SwitchSection(kMsgEnableFilter, CheckEnFilter->Value() == 1); break;

		case kMsgDistSlider:
			fParams.distortion = float(DistSlider->Value());
			fSound->SetDistortion(fParams.distortion);
			fSound->GenerateWaveShapeTable();
			fSound->DrawDistortedWaveToView(DistortionView);
			SetDataChanged(true);
			Regenerate();
			break;
		case kMsgCutoffSlider:
			fParams.filterCutoff = float(CutoffSlider->Value());
			fSound->SetFilterCutoff(fParams.filterCutoff);
			SetDataChanged(true);
			Regenerate();
			break;
		case kMsgResonanceSlider:
			fParams.filterQ = float(ResonanceSlider->Value()) / 100.0f;
			fSound->SetFilterQ(fParams.filterQ);
			SetDataChanged(true);
			Regenerate();
			break;

		case kMsgEnableRepeat:
			// Repeat and tempo are not part of the document: no changed mark.
			if (CheckEnSeq->Value() == 1) {
				fSound->SetSequencerEnabled(true);
				TextSeqBPM->SetEnabled(true);
			} else {
				fSound->SetSequencerEnabled(false);
				TextSeqBPM->SetEnabled(false);
				fSound->StopSound();
			}
			Regenerate();
			break;
		case kMsgTempoText:
			// A tempo without a beat (0, or text that is no number) makes the engine store a
			// beat length of 0, which playback takes as "never restart".
			fSound->SetBeatLength(ParseText(TextSeqBPM));
			break;

		case kMsgPlay: fSound->PlaySound(); break;
		case kMsgStop: fSound->StopSound(); break;
		case kMsgOpenPreset: fOpenPanel->Show(); break;
		case kMsgSavePreset: fSavePanel->Show(); break;
		case B_SAVE_REQUESTED: WritePresetToFile(message); break;
		case kMsgSaveWave: fWavePanel->Show(); break;
		case kMsgWaveSaveReply: fSound->WriteSoundToFile(message); break;

		case B_KEY_DOWN: {
			int8 byte = 0;
			if (message->FindInt8("byte", &byte) == B_OK && byte == 0x20)
				fSound->PlaySound();
			break;
		}

		default:
			// Not a command of this window: dropped.
			break;
	}
}

void TunkWindow::SelectOscillator(int32 type)
{
	fParams.oscType = type;
	fSound->SetOscType(type);
	fSound->GenerateWaveTable();
	SetDataChanged(true);
	if (fSound->IsDistortionEnabled()) {
		fParams.distortionEnabled = 1;
		DistortionView->SetEnabled(true);
		fSound->DrawDistortedWaveToView(DistortionView);
	}
	Regenerate();
}

void TunkWindow::SwitchSection(uint32 code, bool on)
{
	switch (code) {
		case kMsgEnableAmpEnv:
			fParams.ampEnvEnabled = on ? 1 : 0;
			if (on) {
				TextAmpCurve->SetEnabled(true);
				fSound->SetAmpEnvEnabled(true);
				AmpEnvView->SetEnabled(true);
				fSound->DrawAmpEnvToView(AmpEnvView);
			} else {
				fSound->SetAmpEnvEnabled(false);
				TextAmpCurve->SetEnabled(false);
				AmpEnvView->SetEnabled(false);
				AmpEnvView->Clear();
			}
			break;
		case kMsgEnableFreqEnv:
			fParams.freqEnvEnabled = on ? 1 : 0;
			fSound->SetFreqEnvEnabled(on);
			TextFreqCurve->SetEnabled(on);
			FreqEnvView->SetEnabled(on);
			if (on)
				fSound->DrawFreqEnvToView(FreqEnvView);
			else
				FreqEnvView->Clear();
			break;
		case kMsgEnableDistortion:
			fParams.distortionEnabled = on ? 1 : 0;
			if (on) {
				DistortionView->SetEnabled(true);
				DistSlider->SetEnabled(true);
				fSound->DrawDistortedWaveToView(DistortionView);
			} else {
				DistSlider->SetEnabled(false);
				DistortionView->SetEnabled(false);
				DistortionView->Clear();
			}
			fSound->SetDistortionEnabled(on);
			break;
		case kMsgEnableFilter:
			fParams.filterEnabled = on ? 1 : 0;
			CutoffSlider->SetEnabled(on);
			ResonanceSlider->SetEnabled(on);
			fSound->SetFilterEnabled(on);
			break;
	}
	SetDataChanged(true);
	Regenerate();
}

void TunkWindow::CurveMoved(BMessage* message)
{
	int32 curveType = 0;
	if (message->FindInt32("curvetype", &curveType) == B_OK) {
		if (fParams.ampEnvEnabled == 1 && curveType == kAmpCurveType) {
			fParams.ampEnvelope = AmpEnvView->CurveValue();
			MirrorToText(TextAmpCurve, fParams.ampEnvelope);
			fSound->SetAmpEnvelope(fParams.ampEnvelope);
			fSound->DrawAmpEnvToView(AmpEnvView);
		}
		if (fParams.freqEnvEnabled == 1 && curveType == kFreqCurveType) {
			fParams.freqEnvelope = FreqEnvView->CurveValue();
			MirrorToText(TextFreqCurve, fParams.freqEnvelope);
			fSound->SetFreqEnvelope(fParams.freqEnvelope);
			fSound->DrawFreqEnvToView(FreqEnvView);
		}
	}
	SetDataChanged(true);
	Regenerate();
	PruneCurveMessages();
}

// A fast drag queues curve messages faster than the sound regenerates. The view holds the
// latest value, so only the newest waiting message is worth handling.
void TunkWindow::PruneCurveMessages()
{
	BMessageQueue* queue = MessageQueue();
	queue->Lock();
	while (queue->FindMessage(kMsgCurveMoved, 1) != nullptr) {
		BMessage* oldest = queue->FindMessage(kMsgCurveMoved, 0);
		queue->RemoveMessage(oldest);
		delete oldest;
	}
	queue->Unlock();
}

bool TunkWindow::QuitRequested()
{
	if (dataChanged == 1) {
		BAlert* alert = new BAlert("title", "Save changes before closing?", "Cancel", "Don't save",
		    "Save", B_WIDTH_AS_USUAL, B_OFFSET_SPACING, B_WARNING_ALERT);
		alert->SetShortcut(0, B_ESCAPE);
		switch (alert->Go()) {
			case 0: return false;
			case 2:
				// Closing now would delete the panel before it answers; the save clears the
				// changed mark, so the next close asks nothing.
				fSavePanel->Show();
				return false;
			default: break;
		}
	}

	int32 editors = 0;
	for (int32 i = 0; be_app != nullptr && i < be_app->CountWindows(); i++) {
		if (dynamic_cast<TunkWindow*>(be_app->WindowAt(i)) != nullptr)
			editors++;
	}
	// The last editor window ends the application, whatever file panels still exist.
	if (editors <= 1 && be_app != nullptr)
		be_app->PostMessage(B_QUIT_REQUESTED);

	ReleasePanels();
	// Silence now rather than when the window is finally deleted.
	fSound->StopSound();
	return true;
}

void TunkWindow::ReleasePanels()
{
	delete fOpenPanel;
	fOpenPanel = nullptr;
	delete fSavePanel;
	fSavePanel = nullptr;
	delete fWavePanel;
	fWavePanel = nullptr;
}

void TunkWindow::ErrorMsg(const char* text)
{
	BAlert* alert = new BAlert("", text, "OK", nullptr, nullptr, B_WIDTH_AS_USUAL, B_INFO_ALERT);
	alert->Go();
}

void TunkWindow::WritePresetToFile(BMessage* reply)
{
	entry_ref directoryRef;
	const char* name = nullptr;
	if (reply->FindRef("directory", &directoryRef) != B_OK ||
	    reply->FindString("name", &name) != B_OK)
		return;
	BDirectory directory(&directoryRef);
	if (directory.InitCheck() != B_OK)
		return;
	// Write-only and created when missing; an existing longer file keeps its tail.
	BFile file(&directory, name, B_WRITE_ONLY | B_CREATE_FILE);
	if (file.InitCheck() != B_OK) {
		ErrorMsg("Error: Could not write to file!");
		return;
	}

	RegisterPresetType();
	TagPresetFile(&file);

	const PresetBytes record = EncodePresetRecord(fParams);
	if (file.WriteAt(0, record.data(), record.size()) != ssize_t(record.size())) {
		// Not saved: the title and the changed mark stay as they were.
		ErrorMsg("Error: Could not write to file!");
		return;
	}
	SetTitle(TitleFor(name).c_str());
	SetDataChanged(false);
}

void TunkWindow::ReadPresetFromFile(entry_ref* ref)
{
	BFile file;
	if (file.SetTo(ref, B_READ_ONLY) != B_OK) {
		ErrorMsg("Error: Could not open file!");
		return;
	}

	PresetBytes record = {};
	ssize_t length = file.ReadAt(0, record.data(), record.size());
	if (length < 0) {
		ErrorMsg("Error: Could not read from file!");
		length = 0;
	}

	if (DecodePresetRecord(record.data(), size_t(length), &fParams) != PresetCheck::Valid) {
		ErrorMsg("Error: Not a valid Tunk file! Loading default parameters...");
		fParams = DefaultPresetParams();
		RefreshParams();
		dataChanged = 0;
		return;
	}
	RefreshParams();
	SetTitle(TitleFor(ref->name.c_str()).c_str());
	SetDataChanged(false);
}
