// The editor window: construction, the refresh from the document's values, the changed mark,
// closing, and reading and writing presets.
#include "window/TunkWindow.h"

#include <QLabel>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "engine/TunkSound.h"
#include "engine/core/NoiseSource.h"
#include "kits/app/AppDefs.h"
#include "kits/app/Application.h"
#include "kits/app/Message.h"
#include "kits/interface/Alert.h"
#include "kits/interface/CheckBox.h"
#include "kits/interface/FilePanel.h"
#include "kits/interface/MenuItem.h"
#include "kits/interface/PopUpMenu.h"
#include "kits/interface/Screen.h"
#include "kits/interface/Slider.h"
#include "kits/interface/StringView.h"
#include "kits/interface/TextControl.h"
#include "kits/storage/File.h"
#include "preset/PresetExtension.h"
#include "views/DistortionView.h"
#include "views/EnvelopeView.h"
#include "window/FileAlert.h"
#include "window/KitWindow.h"
#include "window/NumberText.h"
#include "window/ParamControls.h"
#include "window/TunkMenus.h"
#include "window/SliderToolTips.h"
#include "window/SliderValue.h"
#include "window/StatusBar.h"

namespace {

constexpr float kTitleBarHeight = 32;
constexpr float kFrameBorder = 4;

std::string TitleFor(const char* documentName)
{
	return std::string(kTunkTitlePrefix) + documentName;
}

} // namespace

TunkWindow::TunkWindow(BRect frame, BMessageFilter* keyFilter)
    : BWindow(frame, TitleFor(kUntitledName).c_str(), B_TITLED_WINDOW,
          B_NOT_RESIZABLE | B_ASYNCHRONOUS_CONTROLS, B_CURRENT_WORKSPACE)
{
	InitWindow(keyFilter);
	MakeNewDocument();
	FinishConstruction();
}

TunkWindow::TunkWindow(BRect frame, entry_ref* ref, BMessageFilter* keyFilter)
    : BWindow(frame, TitleFor(kUntitledName).c_str(), B_TITLED_WINDOW,
          B_NOT_RESIZABLE | B_ASYNCHRONOUS_CONTROLS, B_CURRENT_WORKSPACE)
{
	InitWindow(keyFilter);
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
	// The bar itself belongs to the window's widget; only the menus' bookkeeping is ours.
	delete fMenus;
	fMenus = nullptr;
	for (SoundRender& kept : fKeptRenders)
		std::free(kept.samples);
}

void TunkWindow::MakeNewDocument()
{
	fDocument = ::Document();
	fParams = fDocument.Values();
	RefreshParams();
}

entry_ref TunkWindow::FileRef() const
{
	if (!fDocument.HasFile())
		return entry_ref();
	const std::string& path = fDocument.Path();
	const std::string::size_type slash = path.find_last_of('/');
	return entry_ref(path.substr(0, slash == 0 ? 1 : slash).c_str(), path.substr(slash + 1).c_str());
}

void TunkWindow::FinishConstruction()
{
	dataChanged = 0;
	Regenerate();
	fMenus = new TunkMenus(this);
	InitLibrary();
	fMenus->Update();
	// Bars and side column in place: on a small screen the views scroll between the bars.
	// The frame a window manager puts around the window (a title bar, thin borders) must fit
	// too; its size is known only once shown, so room for a usual one is kept.
	BRect screen = BScreen().Frame();
	screen.left += kFrameBorder;
	screen.right -= kFrameBorder;
	screen.top += kTitleBarHeight;
	screen.bottom -= kFrameBorder;
	FitInto(screen);
}

void TunkWindow::MirrorToText(BTextControl* control, float value)
{
	control->SetText(FormatNumber(value).c_str());
}

// Text that is no number (letters, nothing) is taken back: the field shows again what it showed
// before the edit, and nothing is read, so the value stands exactly and the sound does not
// change. Numbers beyond a slider's range are numbers, and stay.
std::optional<float> TunkWindow::ParseText(BTextControl* control)
{
	if (std::optional<double> number = ParseNumber(control->Text()))
		return float(*number);
	control->SetText(control->TextBeforeEdit());
	return std::nullopt;
}

void TunkWindow::RefreshParams()
{
	ShowParams();
	// Tempo and repeat are no part of a preset: a loaded sound starts at 120 beats per minute
	// without repeat, as the controls do.
	fSound->SetBeatLength(120.0f);
	fSound->SetSequencerEnabled(false);
}

void TunkWindow::ShowParams()
{
	fSound->SetParams(fParams);

	// Amplitude, start frequency, duration: each slider takes the value read back from its
	// text, so that both show the same number.
	for (int32 i = 0; i < kPairedParamCount; i++) {
		const PairedParam& pair = PairedParams()[i];
		MirrorToText(this->*pair.text, fParams[pair.param]);
		const double shown = ParseNumber((this->*pair.text)->Text()).value_or(fParams[pair.param]);
		(this->*pair.slider)->SetValue(SliderValue(shown * double(pair.factor)));
	}

	const float osc = fParams[tunk::Param::oscType];
	if (osc >= 1 && osc <= 4)
		fOscMenu->ItemAt(int32(osc) - 1)->SetMarked(true);

	MirrorToText(TextAmpCurve, fParams[tunk::Param::ampEnvelope]);
	MirrorToText(TextFreqCurve, fParams[tunk::Param::freqEnvelope]);
	DistSlider->SetValue(SliderValue(fParams[tunk::Param::distortion]));
	CutoffSlider->SetValue(SliderValue(fParams[tunk::Param::filterCutoff]));
	ResonanceSlider->SetValue(ResonanceSliderValue(fParams[tunk::Param::filterQ]));

	// Every section both ways: values with a section off switch it off.
	for (const Section& section : Sections())
		ShowSection(section, fParams.On(section.enabled));
	ShowSliderToolTips(DistSlider, CutoffSlider, ResonanceSlider);
	ShowFilterReadouts();

	for (const std::unique_ptr<ParamControl>& control : fParamControls)
		control->Show(fParams[control->Param()]);
	if (fParams[tunk::Param::noiseLevel] > 0)
		fNoiseLevelWhenOff = fParams[tunk::Param::noiseLevel];
	ShowNoise();
}

void TunkWindow::ShowFilterReadouts()
{
	CutoffReadout->SetText(
	    ShownValue(tunk::Info(tunk::Param::filterCutoff), fParams[tunk::Param::filterCutoff]).c_str());
	ResonanceReadout->SetText(
	    ShownValue(tunk::Info(tunk::Param::filterQ), fParams[tunk::Param::filterQ]).c_str());
	// Grey with their sliders while the filter is off.
	for (BStringView* readout : {CutoffReadout, ResonanceReadout})
		readout->LabelWidget()->setEnabled(fParams.On(tunk::Param::filterEnabled));
}

void TunkWindow::ShowNoise()
{
	const bool on = fParams[tunk::Param::noiseLevel] > 0;
	CheckEnNoise->SetValue(on ? B_CONTROL_ON : B_CONTROL_OFF);
	// The level stays at hand: moving it up is another way to switch the noise on.
	// The tune pitches only the metal noise's square waves: grey for white and pink.
	const bool tuned = tunk::NoiseTypeOf(fParams[tunk::Param::noiseType]) == tunk::NoiseType::Metal;
	for (const std::unique_ptr<ParamControl>& control : fParamControls) {
		if (control->Info().group == tunk::ParamGroup::Noise &&
		    control->Param() != tunk::Param::noiseLevel)
			control->SetEnabled(on && (control->Param() != tunk::Param::noiseTune || tuned));
	}
	NoiseEnvView->SetEnabled(on);
	if (on)
		DrawNoiseEnvelopeToView(NoiseEnvView, fParams);
	else
		NoiseEnvView->Clear();
}

void TunkWindow::SetDataChanged(bool changed)
{
	dataChanged = changed ? 1 : 0;
	std::string title = TitleFor(fDocument.Name().c_str());
	if (changed)
		title += "*";
	if (title != Title())
		SetTitle(title.c_str());
}

void TunkWindow::UpdateMark()
{
	SetDataChanged(fDocument.IsChanged(fParams));
	if (fSoundOwner)
		fSoundOwner(fParams, fDocument.Extras());
}

void TunkWindow::EditSoundOf(const tunk::SoundParams& values, const PresetExtras& extras,
    const std::string& name, SoundOwner changed)
{
	fSoundOwner = nullptr;
	fDocument.Open(values, {"", name, "", extras});
	fParams = fDocument.Values();
	RefreshParams();
	Regenerate();
	SetDataChanged(false);
	if (fMenus != nullptr)
		fMenus->Update();
	fSoundOwner = std::move(changed);
}

void TunkWindow::TakeOwnerValues(const tunk::SoundParams& values)
{
	if (tunk::SameBits(values, fParams))
		return;
	// A host's automation arrives as a stream of changes: one step while nothing else comes
	// between them.
	static constexpr uint32 kOwnerStep = four_char_code("ownr");
	auto owner = std::move(fSoundOwner);
	fParams = values;
	ShowParams();
	Regenerate();
	CommitStep("Change in Host", kOwnerStep);
	fSoundOwner = std::move(owner);
}

void TunkWindow::SetSoundOutput(std::function<void(float)> play, std::function<void()> stop)
{
	fPlayElsewhere = std::move(play);
	fStopElsewhere = std::move(stop);
}

void TunkWindow::PlaySound(float gain)
{
	if (fPlayElsewhere)
		fPlayElsewhere(gain);
	else
		fSound->PlaySound(gain);
}

void TunkWindow::PlayNote(int32 velocity)
{
	// An owner plays the note by its own rule, at the note's level as Play sends it.
	if (fPlayElsewhere)
		fPlayElsewhere(float(std::clamp(velocity, int32(1), int32(127))) / 127.0f);
	else
		fSound->PlayNote(velocity);
}

void TunkWindow::StopSound()
{
	if (fStopElsewhere)
		fStopElsewhere();
	else
		fSound->StopSound();
}

void TunkWindow::CommitStep(const char* name, uint32 mergeKey)
{
	fDocument.Commit(fParams, name, mergeKey);
	PruneKeptRenders();
	UpdateMark();
	if (fMenus != nullptr)
		fMenus->Update();
}

void TunkWindow::ApplyParams(const tunk::SoundParams& values, const char* stepName)
{
	fParams = values;
	ShowParams();
	Regenerate();
	fDocument.BreakMerge();
	CommitStep(stepName);
}

void TunkWindow::ReplaceDocument(const tunk::SoundParams& values, const DocumentSource& source,
    bool unchanged, const char* stepName)
{
	fParams = values;
	ShowParams();
	Regenerate();
	fDocument.Replace(values, source, unchanged, stepName);
	ShowDocument();
}

void TunkWindow::ShowDocument()
{
	PruneKeptRenders();
	UpdateMark();
	if (fMenus != nullptr)
		fMenus->Update();
}

void TunkWindow::Restore(const DocumentState& state)
{
	// The state's document comes back with it: its file, its name and its mark.
	fParams = state.values;
	ShowParams();
	if (AdoptKeptRender()) {
		fSound->DrawSoundToView(SoundView);
		ShowLevel();
	} else {
		Regenerate();
	}
	UpdateMark();
	if (fMenus != nullptr)
		fMenus->Update();
}

bool TunkWindow::IsRepeatOn() const
{
	return CheckEnSeq->Value() == 1;
}

void TunkWindow::Undo()
{
	if (!fDocument.History().CanUndo())
		return;
	const std::string name = fDocument.History().UndoName();
	Restore(fDocument.Undo());
	if (fStatusBar != nullptr)
		fStatusBar->ShowChange("Undo " + name);
}

void TunkWindow::Redo()
{
	if (!fDocument.History().CanRedo())
		return;
	const std::string name = fDocument.History().RedoName();
	Restore(fDocument.Redo());
	if (fStatusBar != nullptr)
		fStatusBar->ShowChange("Redo " + name);
}

void TunkWindow::ShowChange(tunk::Param param)
{
	if (fStatusBar != nullptr) {
		const tunk::ParamInfo& info = tunk::Info(param);
		fStatusBar->ShowChange(std::string(info.label) + ": " + ShownValue(info, fParams[param]));
	}
}

void TunkWindow::Regenerate()
{
	// The sound being replaced may be what an undo brings back.
	KeepRender(fSound->ReplaceSound());
	fSound->DrawSoundToView(SoundView);
	ShowLevel();
}

bool TunkWindow::IsNeighbourState(const tunk::SoundParams& params) const
{
	// The current state counts too: a command replaces the sound before it commits its step.
	const ::History& history = fDocument.History();
	const DocumentState* neighbours[] = {
	    &history.Current(), history.UndoState(), history.RedoState()};
	for (const DocumentState* state : neighbours) {
		if (state != nullptr && tunk::SameBits(state->values, params))
			return true;
	}
	return false;
}

void TunkWindow::KeepRender(SoundRender render)
{
	// An empty sound costs nothing to generate again, and one that failed must be retried.
	if (render.samples == nullptr || !IsNeighbourState(render.params)) {
		std::free(render.samples);
		return;
	}
	fKeptRenders.insert(fKeptRenders.begin(), render);
	PruneKeptRenders();
}

void TunkWindow::PruneKeptRenders()
{
	constexpr size_t kMaxKept = 2;
	for (size_t i = 0; i < fKeptRenders.size();) {
		if (i >= kMaxKept || !IsNeighbourState(fKeptRenders[i].params)) {
			std::free(fKeptRenders[i].samples);
			fKeptRenders.erase(fKeptRenders.begin() + ptrdiff_t(i));
		} else {
			i++;
		}
	}
}

bool TunkWindow::AdoptKeptRender()
{
	const tunk::SoundParams wanted = fSound->Params();
	for (size_t i = 0; i < fKeptRenders.size(); i++) {
		if (!tunk::SameBits(fKeptRenders[i].params, wanted))
			continue;
		const SoundRender kept = fKeptRenders[i];
		fKeptRenders.erase(fKeptRenders.begin() + ptrdiff_t(i));
		// Generation designs the filter as it goes; the filter view shows that design.
		fSound->InitFilter();
		KeepRender(fSound->SwapRender(kept));
		return true;
	}
	return false;
}

bool TunkWindow::QuitRequested()
{
	if (dataChanged == 1 && !fSoundOwner) {
		BAlert* alert = new BAlert("title", "Save changes before closing?", "Cancel", "Don't save",
		    "Save", B_WIDTH_AS_USUAL, B_OFFSET_SPACING, B_WARNING_ALERT);
		alert->SetShortcut(0, B_ESCAPE);
		switch (alert->Go()) {
			case 0: return false;
			case 2:
				// With a file of its own the window saves and closes. Otherwise closing now
				// would delete the panel before it answers; the save clears the changed mark,
				// so the next close asks nothing.
				if (fDocument.HasFile()) {
					if (!WritePresetTo(FileRef()))
						return false;
					break;
				}
				ShowSavePanel();
				return false;
			default: break;
		}
	}

	// The last document window ends the application, whatever file panels still exist.
	if (CountDocumentWindows(this) == 0 && be_app != nullptr)
		be_app->PostMessage(B_QUIT_REQUESTED);

	ReleasePanels();
	// Silence now rather than when the window is finally deleted: the window's own output only,
	// since a plugin's voices play on in the host after its editor closes.
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
	entry_ref ref(directoryRef.Path().c_str(), name);
	WritePresetTo(ref);
}

bool TunkWindow::WritePresetTo(const entry_ref& ref)
{
	RegisterPresetType();
	const std::string path = ref.Path();
	status_t status = WritePreset(path.c_str(), fParams, fDocument.Extras());
	if (status != B_OK) {
		// Not saved: the title and the changed mark stay as they were.
		ErrorMsg(FileAlertText("Error: Could not write to file!", path, status).c_str());
		return false;
	}
	fDocument.Saved(fParams, path, ref.name);
	ShowDocument();
	return true;
}

bool TunkWindow::SavePreset()
{
	if (fDocument.HasFile())
		return WritePresetTo(FileRef());
	ShowSavePanel();
	return false;
}

bool TunkWindow::QuitAll()
{
	if (be_app == nullptr)
		return false;
	std::vector<BWindow*> editors;
	for (int32 i = 0; i < be_app->CountWindows(); i++) {
		if (IsDocumentWindow(be_app->WindowAt(i)))
			editors.push_back(be_app->WindowAt(i));
	}
	for (BWindow* editor : editors) {
		// A kit window closes its pads' editors with it.
		if (!BLooper::IsAlive(editor) || editor->IsHidden())
			continue;
		editor->Activate();
		if (!editor->QuitRequested())
			return false;
		editor->Quit();
	}
	return true;
}

bool TunkWindow::ReadPresetFromFile(entry_ref* ref)
{
	const std::string path = ref->Path();
	BFile file;
	status_t status = OpenPresetFile(path.c_str(), &file);
	if (status != B_OK) {
		ErrorMsg(FileAlertText("Error: Could not open file!", path, status).c_str());
		return false;
	}

	PresetBytes record = {};
	ssize_t length = file.ReadAt(0, record.data(), record.size());
	if (length < 0) {
		ErrorMsg(FileAlertText("Error: Could not read from file!", path, status_t(length)).c_str());
		length = 0;
	}

	PresetParams params;
	if (DecodePresetRecord(record.data(), size_t(length), &params) != PresetCheck::Valid) {
		ErrorMsg(FileAlertText(
		    "Error: Not a valid Tunk file! Loading default parameters...", path, B_BAD_DATA)
		             .c_str());
		MakeNewDocument();
		dataChanged = 0;
		return false;
	}
	// The record stops here: the window holds the values, the document what else the file
	// held. The values of the extension after the record join them; what this program does
	// not know rides along to be written back.
	tunk::SoundParams values = ToSoundParams(params);
	PresetExtras extras = ExtrasOf(params);
	ExtensionRead extension;
	if (size_t(length) == record.size()) {
		std::vector<uint8> tail(kPresetTailLimit + 1);
		const ssize_t more = file.ReadAt(off_t(record.size()), tail.data(), tail.size());
		tail.resize(more > 0 ? size_t(more) : 0);
		extension = DecodePresetExtension(tail.data(), tail.size(), &values, &extras.unknown);
		extras.version = extension.version;
	}
	fDocument.Open(values, {path, ref->name, "", extras});
	fParams = fDocument.Values();
	RefreshParams();
	SetDataChanged(false);
	if (!extension.messages.empty()) {
		std::string text;
		for (const std::string& message : extension.messages)
			text += (text.empty() ? "" : "\n") + message;
		ErrorMsg((path + ":\n" + text).c_str());
	}
	return true;
}
