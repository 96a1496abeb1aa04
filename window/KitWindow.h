// KitWindow: the window of one drum kit. A grid of 16 pads (window/KitPads.h) played by a
// click, a key or a MIDI note; beside it the selected pad's name, note, level, pan, choke
// group and output. Enter or a double click opens the pad's sound in an editor window whose
// changes come back into the kit; a preset dropped on a pad, or chosen with Load Sound…,
// becomes its sound. The kit's own edits are undoable, and the kit is saved as a .tunkkit
// file as presets are saved.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "document/KitDocument.h"
#include "kit/Kit.h"
#include "kit/SampleExport.h"
#include "kits/interface/Window.h"
#include "preset/PresetRecord.h"

class BFilePanel;
class BMessageFilter;
class KitPads;
class KitSound;
class PatternGrid;
class PatternPlayer;
class QAction;
class QComboBox;
class QDoubleSpinBox;
class QGridLayout;
class QPoint;
class QWidget;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class TunkMenus;
class TunkWindow;

enum : uint32 {
	kMsgNewKit = four_char_code("nkit"),
	kMsgKitSave = four_char_code("ksav"),
	kMsgKitSaveAs = four_char_code("ksas"),
	kMsgKitSaveReply = four_char_code("ksvr"),
	kMsgKitExport = four_char_code("kexp"),
	kMsgKitExportReply = four_char_code("kexr"),
	kMsgKitExportDone = four_char_code("kexd"),  // from the export's thread
	kMsgPadPlay = four_char_code("kply"),      // "pad": int32; the selected one without
	kMsgPadEdit = four_char_code("kedt"),      // "pad" as above
	kMsgPadLoadSound = four_char_code("kldp"), // "pad" as above
	kMsgPadLoadReply = four_char_code("kldr"),
	kMsgKitStop = four_char_code("kstp"),
	kMsgKitExportLoop = four_char_code("kxlp"),
	kMsgKitExportLoopReply = four_char_code("kxlr"),
	kMsgKitExportMidi = four_char_code("kxmd"),
	kMsgKitExportMidiReply = four_char_code("kxmr"),
};

// The kit window's client area: the pads and their panel, and the step grid under them.
constexpr float kKitWindowWidth = 660;
constexpr float kKitWindowHeight = 330;
constexpr float kPatternGridHeight = 210;
constexpr char kKitNameFilter[] = "Tunk kits (*.tunkkit)";

// True for the windows that hold a document of the program's own (an editor or a kit window):
// the program ends with the last of them.
bool IsDocumentWindow(const BWindow* window);
// The document windows on screen, not counting `except`.
int32 CountDocumentWindows(const BWindow* except = nullptr);
// A file that holds a kit: its name ends in .tunkkit or it begins as a kit file does.
bool IsKitFile(const std::string& path);

class KitWindow : public BWindow {
public:
	// A new untitled kit on the General MIDI map at `where`.
	explicit KitWindow(BPoint where);
	// The kit of the file at `path`; without one (an alert said why) the new kit.
	KitWindow(BPoint where, const std::string& path);
	~KitWindow() override;

	void MessageReceived(BMessage* message) override;
	bool QuitRequested() override;

	// The key filter every pad editor window gets (the application's space-bar filter).
	static void SetKeyFilterMaker(std::function<BMessageFilter*()> maker);

	// True while a sample pack is being written on a thread of its own.
	bool Exporting() const { return fExportThread.joinable(); }
	// The line under the pads: an export under way, or how the last one ended.
	std::string StatusText() const;

	// Reads the kit file; true when the window holds it now, unchanged.
	bool Load(const std::string& path);
	// Writes the kit to `path` (atomic, typed); true when saved. An alert says why not.
	bool SaveTo(const std::string& path);
	// Save: to the kit's file when it has one, else through the save panel; true when written
	// at once.
	bool Save();

	// Plays the pad at `velocity` (0 to 1) of its level, its choke group ending the others.
	void PlayPad(size_t pad, float velocity = 1.0f);
	// Every pad on the MIDI note plays.
	void PlayNote(int note, float velocity);
	// The pad's sound in an editor window (the one open already comes to the front).
	TunkWindow* EditPad(size_t pad);
	// The preset file's sound becomes the pad's (one step); false, after an alert, when the
	// file is no preset. A kit file dropped on a pad opens as a kit instead.
	bool LoadPadSound(size_t pad, const std::string& path);
	// Replaces the kit as one undo step named `stepName`; steps with the same non-zero
	// mergeKey in a row become one.
	void CommitKit(const Kit& kit, const char* stepName, uint32 mergeKey = 0);
	void Undo();
	void Redo();
	// The next step is a step of its own (the focus moved on).
	void BreakStepMerge() { fDocument.BreakMerge(); }
	void SelectPad(size_t pad);

	// For tests and the application.
	const Kit& CurrentKit() const { return fDocument.Current(); }
	const KitDocument& Document() const { return fDocument; }
	bool DataChanged() const { return fDocument.IsChanged(); }
	bool HasFile() const { return fDocument.HasFile(); }
	const std::string& Path() const { return fDocument.Path(); }
	size_t SelectedPad() const;
	KitSound* Sound() const { return fSound; }
	KitPads* Pads() const { return fPads; }
	PatternGrid* Grid() const { return fGrid; }
	PatternPlayer* Beat() const { return fBeat; }
	// Plays the grid's pattern (or chain) round and round, or stops it.
	void TogglePattern();
	// Writes the grid's pattern (or chain) once, as a seamless loop in `format`, or as a MIDI
	// file; an alert says why not. True when written.
	bool ExportLoop(const std::string& path, const std::string& format);
	bool ExportMidi(const std::string& path);
	BFilePanel* LoopPanel() const { return fLoopPanel; }
	BFilePanel* MidiPanel() const { return fMidiPanel; }
	// The open editor window of the pad, nullptr when none.
	TunkWindow* EditorOf(size_t pad) const;
	BFilePanel* SavePanel() const { return fSavePanel; }
	BFilePanel* SoundPanel() const { return fSoundPanel; }
	BFilePanel* ExportPanel() const { return fExportPanel; }
	TunkMenus* Menus() const { return fMenus; }
	QAction* Action(uint32 code) const;

private:
	// Merge keys of the panel's controls: one step for a run of arrow presses on one control of
	// one pad.
	enum PadControl : uint32 {
		kPadNameControl = 1,
		kNoteControl,
		kLevelControl,
		kPanControl,
		kChokeControl,
		kOutputControl,
		kSoundControl,
		kKitNameControl,
	};
	static uint32 MergeKey(uint32 control, size_t pad) { return control << 8 | uint32(pad + 1); }

	void Build();
	// The step grid under the pads, and its player.
	QWidget* BuildPatterns();
	void ShowPatterns();
	// File > Export Loop… and Export MIDI…, and their panels' replies.
	void AddPatternMenus();
	void PatternMessage(BMessage* message);
	void BuildMenus();
	void BuildPadPanel(QWidget* parent, QGridLayout* layout);
	void BuildPanels();
	// The window after the kit changed: title and mark, pads, panel, menus, the pads' sounds
	// and the open editors.
	void ShowKit();
	void ShowPadPanel();
	void UpdateMenus();
	void UpdateTitle();
	// Selects the first pad that is not as it was in `before`.
	void SelectChangedPad(const Kit& before);
	// The edit of the selected pad from a control of its panel.
	void EditSelectedPad(const std::function<void(Pad&)>& edit, const char* stepName, uint32 control);
	void SoundEdited(size_t pad, const tunk::SoundParams& values, const PresetExtras& extras);
	// The pad's sound, extras and all, as the editor's document titled `title`, its edits
	// coming back.
	void OpenInEditor(TunkWindow* editor, size_t pad, const std::string& title);
	// The name of the sound the pad's editor holds.
	std::string EditorSoundName(size_t pad, const TunkWindow* editor) const;
	// Puts the kit's sounds into the open editors after an undo or redo.
	void SyncEditors();
	void CloseEditors();
	void ShowSavePanel();
	void ShowExportPanel();
	void SaveReply(BMessage* message);
	void ExportReply(BMessage* message);
	// The export's thread has ended: its result is reported, and a close asked for meanwhile
	// goes on.
	void ExportDone();
	void ShowStatus(const std::string& text);
	void ShowPadMenu(size_t pad, QPoint global);
	size_t PadOf(BMessage* message) const;
	// Makes the kit hold at least pad + 1 pads (new pads on the drum map's next notes).
	Kit WithPad(size_t pad) const;
	void ErrorMsg(const std::string& text);

	KitDocument fDocument;
	KitSound* fSound = nullptr;
	KitPads* fPads = nullptr;
	PatternGrid* fGrid = nullptr;
	PatternPlayer* fBeat = nullptr;
	BFilePanel* fLoopPanel = nullptr;
	BFilePanel* fMidiPanel = nullptr;
	TunkMenus* fMenus = nullptr;
	QLineEdit* fKitName = nullptr;
	QLabel* fPadTitle = nullptr;
	QLineEdit* fPadName = nullptr;
	QSpinBox* fNote = nullptr;
	QLabel* fNoteName = nullptr;
	QDoubleSpinBox* fLevel = nullptr;
	QSlider* fPan = nullptr;
	QLabel* fPanText = nullptr;
	QComboBox* fChoke = nullptr;
	QComboBox* fOutput = nullptr;
	std::vector<QWidget*> fPadControls;
	BFilePanel* fSavePanel = nullptr;
	BFilePanel* fOpenPanel = nullptr;
	BFilePanel* fSoundPanel = nullptr;
	BFilePanel* fExportPanel = nullptr;
	size_t fSoundPanelPad = 0;
	bool fExportedOnce = false;
	// A pack of long pads takes a while to render: it is written on this thread, with the kit
	// as it was when asked, while the window goes on.
	std::thread fExportThread;
	SamplePackResult fExportResult;  // the thread's, read once it has ended
	std::string fExportFolder;
	std::string fExportSfz;
	bool fCloseAfterExport = false;
	QLabel* fStatusLine = nullptr;
	std::array<TunkWindow*, kMaxPads> fEditorWindows = {};
	// What each editor was opened with: its title and the name of the pad's sound then.
	struct EditorOpened {
		std::string title;
		std::string soundName;
	};
	std::array<EditorOpened, kMaxPads> fEditorOpened;
	bool fSyncing = false;
	bool fShowing = false;
};
