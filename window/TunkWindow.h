// TunkWindow: the editor window of one document. It lays out every control, owns the sound
// engine and the file panels, handles the controls' commands, and reads and writes presets.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "document/Document.h"
#include "kits/interface/Window.h"
#include "kits/storage/EntryRef.h"
#include "kits/support/SupportDefs.h"
#include "preset/PresetRecord.h"
#include "views/CurveMessage.h"

class BBox;
class BButton;
class BCheckBox;
class BControl;
class BFilePanel;
class BMenuField;
class BMessage;
class BMessageFilter;
class BPopUpMenu;
class BSlider;
class BStringView;
class BTextControl;
class ParamControl;
class CurvePanelView;
class DistortionView;
class EnvelopeView;
class SoundView;
class StatusBar;
class TunkMenus;
class TunkSound;
struct SoundRender;
class TunkView;

// Commands the controls send (four characters, the first in the most significant byte).
enum : uint32 {
	kMsgSine = four_char_code("msim"),
	kMsgSquare = four_char_code("msqm"),
	kMsgSaw = four_char_code("mswm"),
	kMsgTriangle = four_char_code("mtrm"),
	kMsgFreqSlider = four_char_code("slfm"),
	kMsgFreqText = four_char_code("tfrs"),
	kMsgDurSlider = four_char_code("sdrm"),
	kMsgDurText = four_char_code("tdur"),
	kMsgAmpSlider = four_char_code("slam"),
	kMsgAmpText = four_char_code("tamp"),
	kMsgAmpCurveText = four_char_code("tacm"),
	kMsgFreqCurveText = four_char_code("tfcm"),
	kMsgCurveMoved = kCurveMessage,
	kMsgEnableAmpEnv = four_char_code("ceam"),
	kMsgEnableFreqEnv = four_char_code("cefm"),
	kMsgEnableDistortion = four_char_code("cedm"),
	kMsgEnableFilter = four_char_code("celm"),
	kMsgEnableNoise = four_char_code("cenm"),
	kMsgDistSlider = four_char_code("sdtm"),
	kMsgCutoffSlider = four_char_code("scom"),
	kMsgResonanceSlider = four_char_code("sres"),
	kMsgEnableRepeat = four_char_code("cesm"),
	kMsgTempoText = four_char_code("tbpm"),
	kMsgPlay = four_char_code("play"),
	kMsgStop = four_char_code("stop"),
	kMsgOpenPreset = four_char_code("sopm"),
	kMsgSavePreset = four_char_code("saps"),
	kMsgSaveWave = four_char_code("sawv"),
	// The WAV save panel's reply: a code of its own, so that it never reaches the preset
	// writer, which answers the preset save panel's B_SAVE_REQUESTED.
	kMsgWaveSaveReply = four_char_code("swvr"),
	// Menu commands.
	kMsgUndo = four_char_code("undo"),
	kMsgRedo = four_char_code("redo"),
	kMsgNewWindow = four_char_code("nwin"),
	kMsgSaveToFile = four_char_code("sapf"),
	kMsgCloseWindow = four_char_code("clsw"),
	kMsgQuitAll = four_char_code("quit"),
	kMsgToggleRepeat = four_char_code("trep"),
	kMsgShowShortcuts = four_char_code("keys"),
	kMsgAbout = four_char_code("abou"),
};

constexpr char kTunkTitlePrefix[] = "Tunk v1.1 - ";

class TunkWindow : public BWindow {
public:
	// A new document with the default parameters. The window installs keyFilter, when given,
	// as a common filter of its own (the application's space-bar filter) and owns it.
	explicit TunkWindow(BRect frame, BMessageFilter* keyFilter = nullptr);
	// A document read from the preset file ref.
	TunkWindow(BRect frame, entry_ref* ref, BMessageFilter* keyFilter = nullptr);
	~TunkWindow() override;

	void MessageReceived(BMessage* message) override;
	bool QuitRequested() override;

	// Builds every view, control, the engine and the file panels; called once by each
	// constructor.
	void InitWindow(BMessageFilter* keyFilter);
	// Pushes the values into the engine and every control, sections on and off, and sets the
	// engine's tempo and repeat back to those of a new window.
	void RefreshParams();
	// Sets the title: the document's name, and "*" while `changed`.
	void SetDataChanged(bool changed);
	// A modal alert with the text and a single "OK".
	void ErrorMsg(const char* text);

	// The preset save panel's reply: "directory" and "name".
	void WritePresetToFile(BMessage* reply);
	// True when the file was read: the window's document is that file's, unchanged.
	bool ReadPresetFromFile(entry_ref* ref);
	// Writes the document's record over the whole file; true when saved (the title names the
	// file).
	bool WritePresetTo(const entry_ref& ref);
	// Save Preset: to the window's file without asking when it has one, else through the
	// save panel. True when written at once.
	bool SavePreset();

	// Undo history. After changing the values, a command records them as one step named for
	// the menu ("Frequency" gives "Undo Frequency"); steps with the same non-zero mergeKey in
	// a row become one. The changed mark follows.
	void CommitStep(const char* name, uint32 mergeKey = 0);
	// Replaces every value of the document (Normalize) as one step.
	void ApplyParams(const tunk::SoundParams& values, const char* stepName);
	// Another document in the window as one step: a file browsed to or a library sound
	// (`unchanged`), a random sound (changed until saved).
	void ReplaceDocument(const tunk::SoundParams& values, const DocumentSource& source,
	    bool unchanged, const char* stepName);
	void Undo();
	void Redo();
	// The next step is a step of its own (the focus moved on).
	void BreakStepMerge() { fDocument.BreakMerge(); }
	const ::History& UndoHistory() const { return fDocument.History(); }
	const ::Document& Document() const { return fDocument; }

	// A sound owned elsewhere (a kit's pad): the window holds `values` with what a file of them
	// holds beyond the values (`extras`) as a new unchanged document named `name`, hands every
	// change of its values or extras (another sound loaded) to `changed`, and closes without
	// asking, since the owner holds the sound.
	using SoundOwner = std::function<void(const tunk::SoundParams&, const PresetExtras&)>;
	void EditSoundOf(const tunk::SoundParams& values, const PresetExtras& extras,
	    const std::string& name, SoundOwner changed);
	// The owner is going: the window is a window of its own again.
	void ReleaseSoundOwner() { fSoundOwner = nullptr; }
	bool HasSoundOwner() const { return fSoundOwner != nullptr; }
	// The owner changed the sound itself (a plugin's host moved a control): one step, merged
	// with the owner's changes just before it, that the owner is not told of again.
	void TakeOwnerValues(const tunk::SoundParams& values);
	// Play and Stop (and everything that plays) go to `play` (at a gain of 0 to 1) and `stop`
	// instead of the window's own sound output, which then never opens a device: an editor
	// whose sound a plugin plays.
	void SetSoundOutput(std::function<void(float)> play, std::function<void()> stop);

	// Asks each changed document window in turn, as closing does, and closes them all; stops
	// at the first that stays open. True when every window closed.
	static bool QuitAll();

	// For tests and the application.
	TunkSound* Sound() const { return fSound; }
	// The values as shown, which may be ahead of the history while a gesture is held.
	const tunk::SoundParams& Values() const { return fParams; }
	// The record Save Preset would write now.
	PresetParams Params() const { return fDocument.Record(fParams); }
	// The control that edits a parameter: its slider, text field, menu field or check box.
	BView* ControlFor(tunk::Param param) const;
	// The control made from the parameter's row, nullptr for one placed by hand.
	ParamControl* TableControlFor(tunk::Param param) const;
	bool DataChanged() const { return dataChanged != 0; }
	const char* DocumentName() const { return fDocument.Name().c_str(); }
	bool IsRepeatOn() const;
	bool HasFile() const { return fDocument.HasFile(); }
	// The document's file; an empty ref without one.
	entry_ref FileRef() const;
	// The menu bar (window/TunkMenus.cpp), for tests and for menus others add.
	TunkMenus* Menus() const { return fMenus; }
	BFilePanel* SavePanel() const { return fSavePanel; }
	BFilePanel* OpenPanel() const { return fOpenPanel; }
	BFilePanel* WavePanel() const { return fWavePanel; }

	// The sound library (window/TunkWindowLibrary.cpp): the Library menu, Randomize, Mutate,
	// Normalize, browsing the document's folder by ear, and the level display. Commands
	// other than the library's are left to MessageReceived (false).
	bool HandleLibraryCommand(BMessage* message);
	::StatusBar* LevelDisplay() const { return fStatusBar; }
	// The factory file of a document loaded from the library, "" otherwise.
	const std::string& LibraryPath() const { return fDocument.LibraryPath(); }

private:
	// Either control sets the parameter and mirrors it into the other.
	struct PairedParam {
		uint32 sliderCode;
		uint32 textCode;
		tunk::Param param;
		void (TunkSound::*setter)(float);
		BSlider* TunkWindow::*slider;
		BTextControl* TunkWindow::*text;
		float factor; // slider value = parameter x factor
		const char* name; // of its undo step
	};
	static constexpr int32 kPairedParamCount = 3;
	static const PairedParam* PairedParams();
	bool HandlePairedParam(uint32 code);

	struct Section {
		uint32 code; // the check box's command
		tunk::Param enabled; // its switch
		void (TunkSound::*setEnabled)(bool);
		BCheckBox* check;
		BControl* controls[2]; // nullptr where the section has fewer
		CurvePanelView* view;  // nullptr: the section has no view
		void (*draw)(TunkSound*, CurvePanelView*);
		const char* stepName;
	};
	static constexpr int32 kSectionCount = 4;
	std::array<Section, kSectionCount> Sections();
	// Sets the engine flag, the check box, the controls and the view.
	void ShowSection(const Section& section, bool on);

	// The values into the engine (tables built, not generated) and every control; tempo and
	// repeat stay.
	void ShowParams();
	void MakeNewDocument();
	// The mark for the values as they are now, which may be ahead of the history while a
	// gesture is held.
	void UpdateMark();
	// A slider's change: one step when it is let go (or moved by a key), merged with the
	// slider's previous key steps while it keeps the focus.
	void SliderStep(BSlider* slider, const char* name);
	void SliderStep(BSlider* slider, const char* name, uint32 mergeKey);
	// A typed value's step; the field's edit counts as committed.
	void TextStep(BTextControl* text, const char* name);
	void Restore(const DocumentState& state);
	// The window after the document changed under it: controls, sound, mark and menus.
	void ShowDocument();
	void FinishConstruction();
	void Regenerate();
	// Through the output set by SetSoundOutput, else the engine's player.
	void PlaySound(float gain = 1.0f);
	// A note of `velocity` (1 to 127): through that output at its level, else as the
	// engine's player plays a note (TunkSound::PlayNote).
	void PlayNote(int32 velocity);
	void StopSound();
	// Sounds taken out of the engine are kept while they are what an undo or a redo would
	// bring back (at most two), so that stepping through the history puts back the samples
	// first heard instead of generating them again.
	void KeepRender(SoundRender render);
	// Drops the kept sounds no step next to the current one needs.
	void PruneKeptRenders();
	// Puts back the kept sound of the engine's current parameters; false when none is kept.
	bool AdoptKeptRender();
	bool IsNeighbourState(const tunk::SoundParams& params) const;
	void MirrorToText(BTextControl* control, float value);
	// The number typed into the field; nothing, with the field's text taken back, when the
	// text is no number.
	std::optional<float> ParseText(BTextControl* control);
	void SelectOscillator(int32 type);
	// The side column: a section of controls made from the rows the window does not place by
	// hand, the noise layer's in a section of its own with its switch and envelope view.
	void InitSideView();
	BView* HandPlacedControl(tunk::Param param) const;
	// A table control's message; false when the message is none of theirs.
	bool HandleParamControl(BMessage* message);
	// The noise switch: level 0 is off, and switching on brings back the level it had.
	void SwitchNoise(bool on);
	// The noise section's switch, controls and envelope as the values are.
	void ShowNoise();
	// The values beside the cutoff and resonance sliders.
	void ShowFilterReadouts();
	// The parameter just changed, with its value, in the status bar.
	void ShowChange(tunk::Param param);
	void SwitchSection(uint32 code, bool on);
	void CurveMoved(BMessage* message);
	void PruneCurveMessages();
	void ReleasePanels();
	void InitLibrary();
	void ShowLevel();
	uint64 NextSeed();
	// Normalize, saying in the status bar when the peak stays under the target.
	void NormalizeSound();
	// A new untitled document with the sound (a random one) as one step, played.
	void PlayNewSound(const tunk::SoundParams& values, const char* stepName);
	void LoadLibrarySound(const char* path, const char* name);
	// The sound read from the factory file `path`, as a new unchanged document named `name`.
	void ShowLibrarySound(const tunk::SoundParams& values, const PresetExtras& extras,
	    const char* path, const char* name);
	// The save question before browsing away from changes; true to go on.
	bool AskBeforeBrowsing();
	void Browse(int step);
	// The save and export panels, their names filled in from the document's.
	void ShowSavePanel();
	void ShowWavePanel();

	// Members named after the views they hold.
	::SoundView* SoundView = nullptr;
	TunkView* MainView = nullptr;
	EnvelopeView* AmpEnvView = nullptr;
	EnvelopeView* FreqEnvView = nullptr;
	::DistortionView* DistortionView = nullptr;
	BTextControl* TextFreqStart = nullptr;
	BTextControl* TextDuration = nullptr;
	BTextControl* AmpText = nullptr;
	BTextControl* TextAmpCurve = nullptr;
	BTextControl* TextFreqCurve = nullptr;
	BTextControl* TextSeqBPM = nullptr;
	BBox* OSCBox = nullptr;
	BBox* AENVBox = nullptr;
	BBox* FENVBox = nullptr;
	BBox* PresetsBox = nullptr;
	BBox* DistortionBox = nullptr;
	BBox* OutputBox = nullptr;
	BBox* FilterBox = nullptr;
	BPopUpMenu* fOscMenu = nullptr;
	BMenuField* FieldOsc = nullptr;
	BSlider* FreqSlider = nullptr;
	BSlider* DurSlider = nullptr;
	BSlider* AmpSlider = nullptr;
	BSlider* DistSlider = nullptr;
	BSlider* CutoffSlider = nullptr;
	BSlider* ResonanceSlider = nullptr;
	BButton* PlayButton = nullptr;
	BButton* StopButton = nullptr;
	BButton* SaveWaveButton = nullptr;
	BButton* OpenPresetButton = nullptr;
	BButton* SavePresetButton = nullptr;
	BCheckBox* CheckEnAmpEnv = nullptr;
	BCheckBox* CheckEnFreqEnv = nullptr;
	BCheckBox* CheckEnDistortion = nullptr;
	BCheckBox* CheckEnFilter = nullptr;
	BCheckBox* CheckEnSeq = nullptr;
	BCheckBox* CheckEnNoise = nullptr;
	BView* SideColumn = nullptr;
	BBox* ToneBox = nullptr;
	BBox* NoiseBox = nullptr;
	EnvelopeView* NoiseEnvView = nullptr;
	BStringView* CutoffReadout = nullptr;
	BStringView* ResonanceReadout = nullptr;
	std::vector<std::unique_ptr<ParamControl>> fParamControls;
	// What the noise level was when the noise was switched off, for switching it on again.
	float fNoiseLevelWhenOff = 0.5f;
	tunk::SoundParams fParams;
	uint8 dataChanged = 0;
	::Document fDocument;
	TunkMenus* fMenus = nullptr;
	::StatusBar* fStatusBar = nullptr;
	int32 fRandomCategory = 6; // Anything
	uint64 fSeedCount = 0;
	BFilePanel* fSavePanel = nullptr;
	BFilePanel* fOpenPanel = nullptr;
	BFilePanel* fWavePanel = nullptr;
	// Where Play and Stop go instead of the engine's player (SetSoundOutput).
	std::function<void(float)> fPlayElsewhere;
	std::function<void()> fStopElsewhere;
	TunkSound* fSound = nullptr;
	std::vector<SoundRender> fKeptRenders;  // newest first
	SoundOwner fSoundOwner;
};
