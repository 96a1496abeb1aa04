// The window's commands: what each control's message does to the parameters, the engine and
// the other controls.
#include <QLineEdit>
#include <QSlider>
#include <algorithm>

#include "engine/TunkSound.h"
#include "engine/core/Hit.h"
#include "engine/core/Params.h"
#include "kits/app/AppDefs.h"
#include "kits/app/Application.h"
#include "kits/app/Message.h"
#include "kits/app/MessageQueue.h"
#include "kits/interface/CheckBox.h"
#include "kits/interface/FilePanel.h"
#include "kits/interface/Slider.h"
#include "kits/interface/TextControl.h"
#include "views/DistortionView.h"
#include "views/EnvelopeView.h"
#include "window/ExportFormats.h"
#include "window/KitWindow.h"
#include "window/MidiSources.h"
#include "window/ParamControls.h"
#include "window/SliderToolTips.h"
#include "window/SliderValue.h"
#include "window/StatusBar.h"
#include "window/TunkMenus.h"
#include "window/TunkWindow.h"

bool TunkWindow::HandlePairedParam(uint32 code)
{
	for (int32 i = 0; i < kPairedParamCount; i++) {
		const PairedParam& pair = PairedParams()[i];
		BSlider* slider = this->*pair.slider;
		BTextControl* text = this->*pair.text;
		float& value = fParams[pair.param];
		if (code == pair.sliderCode) {
			value = float(slider->Value()) / pair.factor;
			(fSound->*pair.setter)(value);
			MirrorToText(text, value);
		} else if (code == pair.textCode) {
			value = ParseText(text).value_or(value);
			(fSound->*pair.setter)(value);
			slider->SetValue(SliderValue(value * pair.factor));
		} else {
			continue;
		}
		// The noise envelope's view spans the sound's length.
		if (pair.param == tunk::Param::duration)
			ShowNoise();
		Regenerate();
		if (code == pair.sliderCode)
			SliderStep(slider, pair.name);
		else
			TextStep(text, pair.name);
		return true;
	}
	return false;
}

bool TunkWindow::HandleParamControl(BMessage* message)
{
	int32 row = -1;
	if (message->FindInt32("param", &row) != B_OK || row < 0 || size_t(row) >= tunk::kParamCount)
		return false;
	const auto param = tunk::Param(row);
	ParamControl* control = TableControlFor(param);
	if (control == nullptr)
		return false;
	std::string refusal;
	const std::optional<float> value = control->Read(*message, fParams[param], &refusal);
	if (!value) {
		if (!refusal.empty())
			fStatusBar->ShowChange(refusal);
		return true;
	}
	fParams[param] = *value;
	control->Show(*value);
	fSound->SetParams(fParams);
	if (param == tunk::Param::noiseLevel && *value > 0)
		fNoiseLevelWhenOff = *value;
	ShowNoise();
	Regenerate();
	const char* name = control->Info().label;
	ShowChange(param);
	if (message->what == kMsgParamSlider)
		SliderStep(static_cast<BSlider*>(control->Control()), name, kMsgParamSlider + uint32(row));
	else if (message->what == kMsgParamText)
		TextStep(control->Field(), name);
	else
		CommitStep(name);
	return true;
}

void TunkWindow::SwitchNoise(bool on)
{
	float& level = fParams[tunk::Param::noiseLevel];
	if (on == (level > 0))
		return;
	if (!on)
		fNoiseLevelWhenOff = level;
	level = on ? fNoiseLevelWhenOff : 0.0f;
	if (ParamControl* control = TableControlFor(tunk::Param::noiseLevel))
		control->Show(level);
	fSound->SetParams(fParams);
	ShowNoise();
	Regenerate();
	ShowChange(tunk::Param::noiseLevel);
	CommitStep(tunk::Info(tunk::Param::noiseLevel).label);
}

void TunkWindow::MessageReceived(BMessage* message)
{
	if (HandlePairedParam(message->what) || HandleParamControl(message))
		return;

	switch (message->what) {
		case kMsgSine: SelectOscillator(1); break;
		case kMsgSquare: SelectOscillator(2); break;
		case kMsgSaw: SelectOscillator(3); break;
		case kMsgTriangle: SelectOscillator(4); break;

		case kMsgAmpCurveText:
			fParams[tunk::Param::ampEnvelope] = ParseText(TextAmpCurve).value_or(fParams[tunk::Param::ampEnvelope]);
			fSound->SetAmpEnvelope(fParams[tunk::Param::ampEnvelope]);
			fSound->DrawAmpEnvToView(AmpEnvView);
			Regenerate();
			TextStep(TextAmpCurve, tunk::Info(tunk::Param::ampEnvelope).label);
			break;
		case kMsgFreqCurveText:
			fParams[tunk::Param::freqEnvelope] = ParseText(TextFreqCurve).value_or(fParams[tunk::Param::freqEnvelope]);
			fSound->SetFreqEnvelope(fParams[tunk::Param::freqEnvelope]);
			fSound->DrawFreqEnvToView(FreqEnvView);
			Regenerate();
			TextStep(TextFreqCurve, tunk::Info(tunk::Param::freqEnvelope).label);
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
		case kMsgEnableNoise: SwitchNoise(CheckEnNoise->Value() == 1); break;

		case kMsgDistSlider:
			fParams[tunk::Param::distortion] = float(DistSlider->Value());
			fSound->SetDistortion(fParams[tunk::Param::distortion]);
			fSound->GenerateWaveShapeTable();
			fSound->DrawDistortedWaveToView(DistortionView);
			ShowSliderToolTips(DistSlider, CutoffSlider, ResonanceSlider);
			Regenerate();
			SliderStep(DistSlider, tunk::Info(tunk::Param::distortion).label);
			break;
		case kMsgCutoffSlider:
			fParams[tunk::Param::filterCutoff] = float(CutoffSlider->Value());
			fSound->SetFilterCutoff(fParams[tunk::Param::filterCutoff]);
			ShowSliderToolTips(DistSlider, CutoffSlider, ResonanceSlider);
			ShowFilterReadouts();
			Regenerate();
			ShowChange(tunk::Param::filterCutoff);
			SliderStep(CutoffSlider, tunk::Info(tunk::Param::filterCutoff).label);
			break;
		case kMsgResonanceSlider:
			fParams[tunk::Param::filterQ] = ResonanceQ(ResonanceSlider->Value());
			fSound->SetFilterQ(fParams[tunk::Param::filterQ]);
			ShowSliderToolTips(DistSlider, CutoffSlider, ResonanceSlider);
			ShowFilterReadouts();
			Regenerate();
			ShowChange(tunk::Param::filterQ);
			SliderStep(ResonanceSlider, tunk::Info(tunk::Param::filterQ).label);
			break;

		case kMsgEnableRepeat:
			// Repeat and tempo are not part of the document: no changed mark. The tempo stays
			// editable either way, so that one typed first is the one Repeat plays at.
			if (CheckEnSeq->Value() == 1) {
				fSound->SetSequencerEnabled(true);
			} else {
				fSound->SetSequencerEnabled(false);
				fSound->StopSound();
			}
			Regenerate();
			if (fMenus != nullptr)
				fMenus->Update();
			break;
		case kMsgTempoText:
			// A tempo without a beat (0) makes the engine store a beat length of 0, which
			// playback takes as "never restart"; text that is no number keeps the tempo.
			if (std::optional<float> tempo = ParseText(TextSeqBPM))
				fSound->SetBeatLength(*tempo);
			break;

		case kMsgPlay: PlaySound(); break;
		case kMsgMidiNote: {
			// A note from the MIDI input plays as Play does, as a note of its velocity.
			int32 velocity = 127;
			message->FindInt32("velocity", &velocity);
			PlayNote(velocity);
			break;
		}
		case kMsgStop: StopSound(); break;
		case kMsgOpenPreset: fOpenPanel->Show(); break;
		case kMsgSavePreset: ShowSavePanel(); break;
		case kMsgSaveToFile: SavePreset(); break;
		case kMsgUndo: Undo(); break;
		case kMsgRedo: Redo(); break;
		case kMsgCloseWindow: PostMessage(B_QUIT_REQUESTED); break;
		case kMsgQuitAll: QuitAll(); break;
		case kMsgNewWindow:
		case kMsgNewKit:
			// The application makes every window, with its key filter.
			if (be_app != nullptr)
				be_app->PostMessage(message->what);
			break;
		case kMsgToggleRepeat:
			// The menu item stands for the check box: it flips the box and does what the box
			// does.
			CheckEnSeq->SetValue(CheckEnSeq->Value() == 1 ? B_CONTROL_OFF : B_CONTROL_ON);
			PostMessage(kMsgEnableRepeat);
			break;
		case kMsgShowShortcuts: fMenus->ShowShortcuts(); break;
		case kMsgAbout: fMenus->ShowAbout(); break;
		case B_SAVE_REQUESTED: WritePresetToFile(message); break;
		case kMsgSaveWave: ShowWavePanel(); break;
		case kMsgWaveSaveReply: ExportSound(fSound, message, *fWavePanel); break;

		case B_KEY_DOWN: {
			int8 byte = 0;
			int32 modifiers = 0;
			message->FindInt32("modifiers", &modifiers);
			if (message->FindInt8("byte", &byte) != B_OK || byte != 0x20)
				break;
			// Shift+Space: the sound as a soft note plays it.
			if ((modifiers & B_SHIFT_KEY) != 0)
				PlayNote(tunk::kSoftVelocity);
			else
				PlaySound();
			break;
		}

		default:
			// The library's commands; anything else is no command of this window: dropped.
			HandleLibraryCommand(message);
			break;
	}
}

void TunkWindow::SelectOscillator(int32 type)
{
	fParams[tunk::Param::oscType] = float(type);
	fSound->SetOscType(type);
	fSound->GenerateWaveTable();
	if (fSound->IsDistortionEnabled()) {
		fParams[tunk::Param::distortionEnabled] = 1;
		DistortionView->SetEnabled(true);
		fSound->DrawDistortedWaveToView(DistortionView);
	}
	Regenerate();
	CommitStep(tunk::Info(tunk::Param::oscType).label);
}

void TunkWindow::SwitchSection(uint32 code, bool on)
{
	for (const Section& section : Sections()) {
		if (section.code == code) {
			fParams[section.enabled] = on ? 1.0f : 0.0f;
			ShowSection(section, on);
			ShowFilterReadouts();
			Regenerate();
			CommitStep(section.stepName);
		}
	}
}

void TunkWindow::CurveMoved(BMessage* message)
{
	int32 curveType = 0;
	EnvelopeView* sender = nullptr;
	if (message->FindInt32("curvetype", &curveType) == B_OK) {
		sender = curveType == kAmpCurveType     ? AmpEnvView
		         : curveType == kFreqCurveType  ? FreqEnvView
		         : curveType == kNoiseCurveType ? NoiseEnvView
		                                        : nullptr;
		if (fParams[tunk::Param::ampEnvEnabled] == 1 && curveType == kAmpCurveType) {
			fParams[tunk::Param::ampEnvelope] = AmpEnvView->CurveValue();
			MirrorToText(TextAmpCurve, fParams[tunk::Param::ampEnvelope]);
			fSound->SetAmpEnvelope(fParams[tunk::Param::ampEnvelope]);
			fSound->DrawAmpEnvToView(AmpEnvView);
		}
		if (fParams[tunk::Param::freqEnvEnabled] == 1 && curveType == kFreqCurveType) {
			fParams[tunk::Param::freqEnvelope] = FreqEnvView->CurveValue();
			MirrorToText(TextFreqCurve, fParams[tunk::Param::freqEnvelope]);
			fSound->SetFreqEnvelope(fParams[tunk::Param::freqEnvelope]);
			fSound->DrawFreqEnvToView(FreqEnvView);
		}
		if (fParams[tunk::Param::noiseLevel] > 0 && curveType == kNoiseCurveType) {
			fParams[tunk::Param::noiseCurve] = NoiseEnvView->CurveValue();
			if (ParamControl* control = TableControlFor(tunk::Param::noiseCurve))
				control->Show(fParams[tunk::Param::noiseCurve]);
			fSound->SetParams(fParams);
			ShowNoise();
			ShowChange(tunk::Param::noiseCurve);
		}
	}
	Regenerate();
	PruneCurveMessages();
	// A drag is one step, taken when the button is let go; until then only the mark shows.
	if (sender != nullptr && sender->IsPressed()) {
		UpdateMark();
		return;
	}
	CommitStep(tunk::Info(curveType == kFreqCurveType    ? tunk::Param::freqEnvelope
	                      : curveType == kNoiseCurveType ? tunk::Param::noiseCurve
	                                                     : tunk::Param::ampEnvelope)
	               .label);
}

void TunkWindow::SliderStep(BSlider* slider, const char* name)
{
	SliderStep(slider, name, slider->Command());
}

void TunkWindow::SliderStep(BSlider* slider, const char* name, uint32 mergeKey)
{
	if (slider->SliderWidget()->isSliderDown()) {
		UpdateMark();
		return;
	}
	// Key steps on a slider that keeps the focus merge into one step.
	CommitStep(name, slider->IsFocus() ? mergeKey : 0);
}

void TunkWindow::TextStep(BTextControl* text, const char* name)
{
	text->TextView()->setModified(false);
	CommitStep(name);
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

