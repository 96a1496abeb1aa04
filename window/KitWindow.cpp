// The kit window: building it, the pad panel, playing, the pads' editor windows, undo, and
// reading and writing kit files.
#include "window/KitWindow.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "kits/app/AppDefs.h"
#include "kits/app/Application.h"
#include "kits/app/Message.h"
#include "kits/interface/Alert.h"
#include "kits/interface/FilePanel.h"
#include "kits/interface/View.h"
#include "kits/storage/EntryRef.h"
#include "kit/SampleExport.h"
#include "preset/KitFile.h"
#include "preset/PresetExtension.h"
#include "window/FileAlert.h"
#include "window/KitPads.h"
#include "window/KitSound.h"
#include "window/LibraryMenu.h"
#include "window/MidiMenu.h"
#include "window/MidiSources.h"
#include "window/TunkMenus.h"
#include "window/TunkWindow.h"

namespace {

constexpr char kCodeProperty[] = "tunkCommand";

std::function<BMessageFilter*()>& KeyFilterMaker()
{
	static std::function<BMessageFilter*()> maker;
	return maker;
}

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

uint32 MergeKey(uint32 control, size_t pad)
{
	return control << 8 | uint32(pad + 1);
}

std::string PanText(int percent)
{
	if (percent == 0)
		return "Centre";
	return (percent < 0 ? "L " : "R ") + std::to_string(std::abs(percent));
}

// A view over the whole client area that holds the window's Qt widgets.
class HostView : public BView {
public:
	explicit HostView(BRect frame) : BView(frame, "KitView", B_FOLLOW_ALL, 0)
	{
		SetShowsImage(false);
	}
	void Embed(QWidget* content)
	{
		fContent = content;
		content->setParent(Widget());
		LayoutChanged();
		content->show();
	}

protected:
	void LayoutChanged() override
	{
		BView::LayoutChanged();
		if (fContent != nullptr)
			fContent->setGeometry(0, 0, Widget()->width(), Widget()->height());
	}

private:
	QWidget* fContent = nullptr;
};

std::string TitleFor(const std::string& name, bool changed)
{
	return std::string(kTunkTitlePrefix) + name + (changed ? "*" : "");
}

} // namespace

bool IsDocumentWindow(const BWindow* window)
{
	return dynamic_cast<const TunkWindow*>(window) != nullptr ||
	       dynamic_cast<const KitWindow*>(window) != nullptr;
}

int32 CountDocumentWindows(const BWindow* except)
{
	int32 count = 0;
	for (int32 i = 0; be_app != nullptr && i < be_app->CountWindows(); i++) {
		// A window already closed by Quit is hidden until it is deleted.
		BWindow* window = be_app->WindowAt(i);
		if (window != except && IsDocumentWindow(window) && !window->IsHidden())
			count++;
	}
	return count;
}

bool IsKitFile(const std::string& path)
{
	const size_t length = std::strlen(kKitFileExtension);
	if (path.size() >= length && path.compare(path.size() - length, length, kKitFileExtension) == 0)
		return true;
	// The magic the desktop's type database matches: the format key near the start. A pipe or
	// a device is never read here: only a regular file can be a kit named otherwise.
	char head[17] = {};
	FILE* file = std::fopen(path.c_str(), "rb");
	if (file == nullptr)
		return false;
	const size_t read = std::fread(head, 1, 16, file);
	std::fclose(file);
	return std::string(head, read).find(std::string("\"") + kKitFormatKey + "\"") != std::string::npos;
}

void KitWindow::SetKeyFilterMaker(std::function<BMessageFilter*()> maker)
{
	KeyFilterMaker() = std::move(maker);
}

KitWindow::KitWindow(BPoint where)
    : BWindow(BRect(where.x, where.y, where.x + kKitWindowWidth - 1, where.y + kKitWindowHeight - 1),
          TitleFor(kUntitledKitName, false).c_str(), B_TITLED_WINDOW, B_ASYNCHRONOUS_CONTROLS)
{
	Build();
}

KitWindow::KitWindow(BPoint where, const std::string& path) : KitWindow(where)
{
	Load(path);
}

KitWindow::~KitWindow()
{
	CloseEditors();
	delete fSavePanel;
	delete fOpenPanel;
	delete fSoundPanel;
	delete fExportPanel;
	delete fSound;
}

void KitWindow::Build()
{
	fSound = new KitSound();

	auto* host = new HostView(Bounds());
	AddChild(host);
	auto* content = new QWidget;
	content->setObjectName(QStringLiteral("KitContent"));
	auto* columns = new QHBoxLayout(content);
	columns->setContentsMargins(8, 8, 8, 8);
	columns->setSpacing(10);

	auto* left = new QVBoxLayout;
	auto* nameRow = new QHBoxLayout;
	auto* kitLabel = new QLabel(QStringLiteral("Kit:"));
	fKitName = new QLineEdit;
	fKitName->setObjectName(QStringLiteral("KitName"));
	kitLabel->setBuddy(fKitName);
	nameRow->addWidget(kitLabel);
	nameRow->addWidget(fKitName, 1);
	left->addLayout(nameRow);
	fPads = new KitPads;
	left->addWidget(fPads, 1);
	columns->addLayout(left, 1);

	auto* panel = new QWidget;
	panel->setObjectName(QStringLiteral("PadPanel"));
	auto* grid = new QGridLayout(panel);
	grid->setContentsMargins(0, 0, 0, 0);
	BuildPadPanel(panel, grid);
	panel->setFixedWidth(230);
	columns->addWidget(panel);
	host->Embed(content);

	fPads->onHit = [this](int pad, float velocity) { PlayPad(size_t(pad), velocity); };
	fPads->onSelect = [this](int) { ShowPadPanel(); };
	fPads->onEdit = [this](int pad) { EditPad(size_t(pad)); };
	fPads->onMenu = [this](int pad, QPoint global) { ShowPadMenu(size_t(pad), global); };
	fPads->onDrop = [this](int pad, const std::string& path) { LoadPadSound(size_t(pad), path); };
	QObject::connect(fKitName, &QLineEdit::editingFinished, fKitName, [this] {
		if (fShowing)
			return;
		Kit kit = CurrentKit();
		kit.name = fKitName->text().toStdString();
		CommitKit(kit, "Kit Name", MergeKey(kKitNameControl, 0));
	});

	BuildMenus();

	BMessenger self(this);
	fSavePanel = new BFilePanel(B_SAVE_PANEL, &self, nullptr, B_FILE_NODE, false,
	    new BMessage(kMsgKitSaveReply), nullptr, false, true);
	fSavePanel->SetNameFilters({kKitNameFilter, "All files (*)"});
	// Opened files go to the application, which gives each its window.
	fOpenPanel = new BFilePanel(B_OPEN_PANEL, nullptr, nullptr, 0, true, nullptr, nullptr, false, true);
	fOpenPanel->SetNameFilters({"Tunk kits and presets (*.tunkkit *.tunk)", "All files (*)"});
	fSoundPanel = new BFilePanel(B_OPEN_PANEL, &self, nullptr, B_FILE_NODE, false,
	    new BMessage(kMsgPadLoadReply), nullptr, false, true);
	fSoundPanel->SetNameFilters(PresetNameFilters());
	fExportPanel = new BFilePanel(B_OPEN_PANEL, &self, nullptr, B_DIRECTORY_NODE, false,
	    new BMessage(kMsgKitExportReply), nullptr, false, true);

	ShowKit();
	fPads->setFocus();
}

void KitWindow::BuildPadPanel(QWidget* parent, QGridLayout* grid)
{
	int row = 0;
	fPadTitle = new QLabel(parent);
	fPadTitle->setObjectName(QStringLiteral("PadTitle"));
	QFont bold = fPadTitle->font();
	bold.setBold(true);
	fPadTitle->setFont(bold);
	grid->addWidget(fPadTitle, row++, 0, 1, 3);

	auto label = [&](const char* text, QWidget* buddy) {
		auto* l = new QLabel(QString::fromUtf8(text), parent);
		l->setBuddy(buddy);
		grid->addWidget(l, row, 0);
	};

	fPadName = new QLineEdit(parent);
	fPadName->setObjectName(QStringLiteral("PadName"));
	label("&Name:", fPadName);
	grid->addWidget(fPadName, row++, 1, 1, 2);
	QObject::connect(fPadName, &QLineEdit::editingFinished, parent, [this] {
		const std::string name = fPadName->text().toStdString();
		EditSelectedPad([&](Pad& pad) { pad.name = name; }, "Pad Name", kPadNameControl);
	});

	fNote = new QSpinBox(parent);
	fNote->setObjectName(QStringLiteral("PadNote"));
	fNote->setRange(kLowestNote, kHighestNote);
	fNote->setKeyboardTracking(false);
	fNoteName = new QLabel(parent);
	fNoteName->setObjectName(QStringLiteral("PadNoteName"));
	label("N&ote:", fNote);
	grid->addWidget(fNote, row, 1);
	grid->addWidget(fNoteName, row++, 2);
	QObject::connect(fNote, &QSpinBox::valueChanged, parent, [this](int note) {
		EditSelectedPad([&](Pad& pad) { pad.note = note; }, "Note", kNoteControl);
	});

	fLevel = new QDoubleSpinBox(parent);
	fLevel->setObjectName(QStringLiteral("PadLevel"));
	fLevel->setRange(kMinPadLevel, kMaxPadLevel);
	fLevel->setDecimals(1);
	fLevel->setSingleStep(0.5);
	fLevel->setSuffix(QStringLiteral(" dB"));
	fLevel->setKeyboardTracking(false);
	label("&Level:", fLevel);
	grid->addWidget(fLevel, row++, 1, 1, 2);
	QObject::connect(fLevel, &QDoubleSpinBox::valueChanged, parent, [this](double level) {
		EditSelectedPad([&](Pad& pad) { pad.level = float(level); }, "Level", kLevelControl);
	});

	fPan = new QSlider(Qt::Horizontal, parent);
	fPan->setObjectName(QStringLiteral("PadPan"));
	fPan->setRange(-100, 100);
	fPan->setPageStep(10);
	fPanText = new QLabel(parent);
	fPanText->setMinimumWidth(QFontMetrics(fPanText->font()).horizontalAdvance(QStringLiteral("Centre ")));
	label("&Pan:", fPan);
	grid->addWidget(fPan, row, 1);
	grid->addWidget(fPanText, row++, 2);
	QObject::connect(fPan, &QSlider::valueChanged, parent, [this](int percent) {
		fPanText->setText(QString::fromStdString(PanText(percent)));
		EditSelectedPad([&](Pad& pad) { pad.pan = float(percent) / 100.0f; }, "Pan", kPanControl);
	});

	fChoke = new QComboBox(parent);
	fChoke->setObjectName(QStringLiteral("PadChoke"));
	fChoke->addItem(QStringLiteral("None"));
	for (int group = 1; group <= kChokeGroups; group++)
		fChoke->addItem(QStringLiteral("Group %1").arg(group));
	label("&Choke:", fChoke);
	grid->addWidget(fChoke, row++, 1, 1, 2);
	QObject::connect(fChoke, &QComboBox::currentIndexChanged, parent, [this](int group) {
		EditSelectedPad([&](Pad& pad) { pad.choke = group; }, "Choke Group", kChokeControl);
	});

	fOutput = new QComboBox(parent);
	fOutput->setObjectName(QStringLiteral("PadOutput"));
	fOutput->addItem(QStringLiteral("Main"));
	fOutput->addItem(QStringLiteral("Own"));
	fOutput->setToolTip(QStringLiteral(
	    "Main: the stereo pair, panned. Own: the pad's own output in the kit plugin."));
	label("O&utput:", fOutput);
	grid->addWidget(fOutput, row++, 1, 1, 2);
	QObject::connect(fOutput, &QComboBox::currentIndexChanged, parent, [this](int output) {
		EditSelectedPad([&](Pad& pad) { pad.output = output == 1 ? PadOutput::Own : PadOutput::Main; },
		    "Output", kOutputControl);
	});

	auto* buttons = new QHBoxLayout;
	auto* play = new QPushButton(QStringLiteral("Play"), parent);
	play->setObjectName(QStringLiteral("PadPlay"));
	auto* edit = new QPushButton(QStringLiteral("Edit…"), parent);
	edit->setToolTip(QStringLiteral("Edit the pad's sound in a window of its own (Enter)"));
	edit->setObjectName(QStringLiteral("PadEdit"));
	auto* load = new QPushButton(QStringLiteral("Load…"), parent);
	load->setObjectName(QStringLiteral("PadLoad"));
	load->setToolTip(QStringLiteral("Load a preset as the pad's sound"));
	for (QPushButton* button : {play, edit, load}) {
		button->setAutoDefault(false);
		button->setFocusPolicy(Qt::TabFocus);
		buttons->addWidget(button);
	}
	QObject::connect(play, &QPushButton::clicked, parent, [this] { PlayPad(SelectedPad()); });
	QObject::connect(edit, &QPushButton::clicked, parent, [this] { EditPad(SelectedPad()); });
	QObject::connect(load, &QPushButton::clicked, parent, [this] {
		BMessage message(kMsgPadLoadSound);
		message.AddInt32("pad", int32(SelectedPad()));
		PostMessage(&message);
	});
	grid->addLayout(buttons, row++, 0, 1, 3);
	grid->setRowStretch(row, 1);
	grid->setColumnStretch(1, 1);

	fPadControls = {fPadName, fNote, fLevel, fPan, fChoke, fOutput, edit};
}

QAction* KitWindow::AddCommand(QMenu* menu, const char* label, uint32 code, const QList<QKeySequence>& keys)
{
	QAction* action = menu->addAction(QString::fromUtf8(label));
	action->setProperty(kCodeProperty, uint32(code));
	action->setShortcuts(keys);
	action->setShortcutContext(Qt::WindowShortcut);
	QObject::connect(action, &QAction::triggered, fMenuBar, [this, code] { PostMessage(code); });
	fActions.push_back(action);
	return action;
}

QAction* KitWindow::Action(uint32 code) const
{
	for (QAction* action : fActions) {
		if (action->property(kCodeProperty).toUInt() == code)
			return action;
	}
	return nullptr;
}

void KitWindow::BuildMenus()
{
	fMenuBar = new QMenuBar;
	fMenuBar->setObjectName(QStringLiteral("MenuBar"));
	QMenu* file = fMenuBar->addMenu(QStringLiteral("&File"));
	AddCommand(file, "New Window", kMsgNewWindow, StandardKeys(QKeySequence::New, "Ctrl+N"));
	AddCommand(file, "New Kit", kMsgNewKit, {QKeySequence(QStringLiteral("Ctrl+Shift+N"))});
	AddCommand(file, "Open…", kMsgOpenPreset, StandardKeys(QKeySequence::Open, "Ctrl+O"));
	AddCommand(file, "Save Kit", kMsgKitSave, StandardKeys(QKeySequence::Save, "Ctrl+S"));
	AddCommand(file, "Save Kit As…", kMsgKitSaveAs, StandardKeys(QKeySequence::SaveAs, "Ctrl+Shift+S"));
	AddCommand(file, "Export Sample Pack…", kMsgKitExport, {QKeySequence(QStringLiteral("Ctrl+E"))});
	file->addSeparator();
	AddCommand(file, "Close", kMsgCloseWindow, StandardKeys(QKeySequence::Close, "Ctrl+W"));
	AddCommand(file, "Quit", kMsgQuitAll, StandardKeys(QKeySequence::Quit, "Ctrl+Q"));

	QMenu* edit = fMenuBar->addMenu(QStringLiteral("&Edit"));
	fUndo = AddCommand(edit, "Undo", kMsgUndo, StandardKeys(QKeySequence::Undo, "Ctrl+Z"));
	QList<QKeySequence> redo = StandardKeys(QKeySequence::Redo, "Ctrl+Shift+Z");
	if (!redo.contains(QKeySequence(QStringLiteral("Ctrl+Y"))))
		redo.append(QKeySequence(QStringLiteral("Ctrl+Y")));
	fRedo = AddCommand(edit, "Redo", kMsgRedo, redo);

	QMenu* pad = fMenuBar->addMenu(QStringLiteral("&Pad"));
	AddCommand(pad, "Play", kMsgPadPlay);
	AddCommand(pad, "Edit Sound…", kMsgPadEdit);
	AddCommand(pad, "Load Sound…", kMsgPadLoadSound);
	AddCommand(pad, "Stop", kMsgKitStop, {QKeySequence(Qt::Key_Escape)});
	pad->addSeparator();
	AddMidiInputMenu(pad);

	QMenu* help = fMenuBar->addMenu(QStringLiteral("&Help"));
	QAction* keysHelp = help->addAction(QStringLiteral("Keyboard Shortcuts"));
	QObject::connect(keysHelp, &QAction::triggered, fMenuBar, [this] {
		BAlert* alert = new BAlert("Keyboard Shortcuts",
		    "Pads, top row to bottom row:\n"
		    "1 2 3 4\nQ W E R\nA S D F\nZ X C V\n\n"
		    "Space: play the selected pad\n"
		    "Arrow keys: select a pad\n"
		    "Enter or a double click: edit the pad's sound\n"
		    "Menu key or a right click: the pad's menu\n"
		    "Escape: stop",
		    "OK");
		alert->Go();
	});
	SetMenuBar(fMenuBar);
}

size_t KitWindow::SelectedPad() const
{
	return size_t(std::max(fPads->Selected(), 0));
}

void KitWindow::SelectPad(size_t pad)
{
	fPads->Select(int(pad));
	ShowPadPanel();
}

void KitWindow::UpdateTitle()
{
	const std::string title = TitleFor(fDocument.Name(), fDocument.IsChanged());
	if (title != Title())
		SetTitle(title.c_str());
}

void KitWindow::UpdateMenus()
{
	fUndo->setEnabled(fDocument.CanUndo());
	fUndo->setText(QString::fromStdString(
	    fDocument.CanUndo() ? "Undo " + fDocument.UndoName() : std::string("Undo")));
	fRedo->setEnabled(fDocument.CanRedo());
	fRedo->setText(QString::fromStdString(
	    fDocument.CanRedo() ? "Redo " + fDocument.RedoName() : std::string("Redo")));
}

void KitWindow::ShowKit()
{
	const Kit& kit = CurrentKit();
	fPads->SetKit(&kit);
	fSound->SetKit(kit);
	{
		const QSignalBlocker block(fKitName);
		if (fKitName->text().toStdString() != kit.name)
			fKitName->setText(QString::fromStdString(kit.name));
	}
	ShowPadPanel();
	UpdateTitle();
	UpdateMenus();
}

void KitWindow::ShowPadPanel()
{
	const Kit& kit = CurrentKit();
	const size_t index = SelectedPad();
	const bool present = index < kit.pads.size();
	const Pad pad = present ? kit.pads[index] : Pad();
	fShowing = true;
	for (QWidget* control : fPadControls)
		control->setEnabled(present);
	{
		const QSignalBlocker b1(fPadName), b2(fNote), b3(fLevel), b4(fPan), b5(fChoke), b6(fOutput);
		fPadTitle->setText(QString::fromStdString(
		    "Pad " + std::to_string(index + 1) + " (key " + KeyOfPad(index) + ")" +
		    (present ? "" : ": empty")));
		if (!fPadName->hasFocus() || fPadName->text().toStdString() != pad.name)
			fPadName->setText(QString::fromStdString(pad.name));
		fNote->setValue(pad.note);
		const char* gm = GmDrumName(pad.note);
		fNoteName->setText(QString::fromStdString(NoteName(pad.note)));
		fNoteName->setToolTip(QString::fromUtf8(gm));
		fLevel->setValue(double(pad.level));
		fPan->setValue(int(std::lround(pad.pan * 100.0f)));
		fPanText->setText(QString::fromStdString(PanText(fPan->value())));
		fChoke->setCurrentIndex(std::clamp(pad.choke, 0, kChokeGroups));
		fOutput->setCurrentIndex(pad.output == PadOutput::Own ? 1 : 0);
	}
	fShowing = false;
}

void KitWindow::CommitKit(const Kit& kit, const char* stepName, uint32 mergeKey)
{
	if (!fDocument.Commit(kit, stepName, mergeKey))
		return;
	ShowKit();
}

void KitWindow::EditSelectedPad(const std::function<void(Pad&)>& edit, const char* stepName, uint32 control)
{
	if (fShowing)
		return;
	const size_t index = SelectedPad();
	if (index >= CurrentKit().pads.size())
		return;
	Kit kit = CurrentKit();
	edit(kit.pads[index]);
	CommitKit(kit, stepName, MergeKey(control, index));
}

void KitWindow::Undo()
{
	if (!fDocument.CanUndo())
		return;
	fDocument.Undo();
	ShowKit();
	SyncEditors();
}

void KitWindow::Redo()
{
	if (!fDocument.CanRedo())
		return;
	fDocument.Redo();
	ShowKit();
	SyncEditors();
}

void KitWindow::PlayPad(size_t pad, float velocity)
{
	if (pad >= CurrentKit().pads.size())
		return;
	fSound->Hit(pad, velocity);
	fPads->Flash(int(pad));
}

void KitWindow::PlayNote(int note, float velocity)
{
	// One note for the sound, so that pads sharing it play by the kit's rule together.
	fSound->Note(note, velocity);
	const PadMask pads = PadsOnNote(CurrentKit(), note);
	for (size_t pad = 0; pad < kMaxPads; pad++) {
		if ((pads >> pad) & 1u)
			fPads->Flash(int(pad));
	}
}

TunkWindow* KitWindow::EditorOf(size_t pad) const
{
	if (pad >= kMaxPads || fEditorWindows[pad] == nullptr || !BLooper::IsAlive(fEditorWindows[pad]) ||
	    fEditorWindows[pad]->IsHidden())
		return nullptr;
	return fEditorWindows[pad];
}

TunkWindow* KitWindow::EditPad(size_t pad)
{
	const Kit& kit = CurrentKit();
	if (pad >= kit.pads.size())
		return nullptr;
	if (TunkWindow* open = EditorOf(pad)) {
		open->Activate();
		return open;
	}
	const BRect frame = Frame();
	const float left = frame.left + 30 + 20 * float(pad % kPadColumns);
	const float top = frame.top + 30 + 20 * float(pad / kPadColumns);
	auto* editor = new TunkWindow(BRect(left, top, left + 509, top + 464),
	    KeyFilterMaker() ? KeyFilterMaker()() : nullptr);
	const Pad& p = kit.pads[pad];
	const std::string name = (kit.name.empty() ? fDocument.Name() : kit.name) + ": " +
	                         (p.name.empty() ? "Pad " + std::to_string(pad + 1) : p.name);
	editor->EditSoundOf(p.sound, name,
	    [this, pad](const tunk::SoundParams& values) { SoundEdited(pad, values); });
	fEditorWindows[pad] = editor;
	editor->Show();
	return editor;
}

void KitWindow::SoundEdited(size_t pad, const tunk::SoundParams& values)
{
	if (fSyncing || pad >= CurrentKit().pads.size() ||
	    tunk::SameBits(CurrentKit().pads[pad].sound, values))
		return;
	Kit kit = CurrentKit();
	kit.pads[pad].sound = values;
	const std::string step = "Sound of " + (kit.pads[pad].name.empty() ? "Pad " + std::to_string(pad + 1)
	                                                                     : kit.pads[pad].name);
	CommitKit(kit, step.c_str(), MergeKey(kSoundControl, pad));
}

void KitWindow::SyncEditors()
{
	const Kit& kit = CurrentKit();
	fSyncing = true;
	for (size_t pad = 0; pad < kMaxPads; pad++) {
		TunkWindow* editor = EditorOf(pad);
		if (editor == nullptr)
			continue;
		if (pad >= kit.pads.size()) {
			editor->ReleaseSoundOwner();
			editor->PostMessage(B_QUIT_REQUESTED);
			fEditorWindows[pad] = nullptr;
		} else if (!tunk::SameBits(editor->Values(), kit.pads[pad].sound)) {
			editor->ApplyParams(kit.pads[pad].sound, "Kit Undo");
		}
	}
	fSyncing = false;
}

void KitWindow::CloseEditors()
{
	for (size_t pad = 0; pad < kMaxPads; pad++) {
		if (TunkWindow* editor = EditorOf(pad)) {
			editor->ReleaseSoundOwner();
			editor->Quit();
		}
		fEditorWindows[pad] = nullptr;
	}
}

Kit KitWindow::WithPad(size_t pad) const
{
	Kit kit = CurrentKit();
	while (kit.pads.size() <= pad && kit.pads.size() < kMaxPads) {
		Pad added;
		const GmDrum& drum = kGmDrums[kit.pads.size()];
		added.name = drum.name;
		added.note = drum.note;
		added.choke = drum.choke;
		kit.pads.push_back(added);
	}
	return kit;
}

bool KitWindow::LoadPadSound(size_t pad, const std::string& path)
{
	if (pad >= kMaxPads)
		return false;
	if (IsKitFile(path)) {
		// A kit dropped on the window opens as a kit, in a window of its own.
		if (be_app != nullptr) {
			BMessage refs(B_REFS_RECEIVED);
			const std::string::size_type slash = path.find_last_of('/');
			entry_ref ref(path.substr(0, slash == 0 ? 1 : slash).c_str(), path.substr(slash + 1).c_str());
			refs.AddRef("refs", &ref);
			be_app->PostMessage(&refs);
		}
		return false;
	}
	tunk::SoundParams values;
	PresetExtras extras;
	std::vector<std::string> messages;
	const status_t status = ReadPreset(path.c_str(), &values, &extras, &messages);
	if (status != B_OK) {
		ErrorMsg(FileAlertText("Error: Could not load the sound onto the pad!", path, status));
		return false;
	}
	Kit kit = WithPad(pad);
	Pad& target = kit.pads[pad];
	target.sound = values;
	target.soundUnknown = extras.unknown;
	// A pad named after nothing yet takes the preset's name.
	if (target.name.empty() || pad >= CurrentKit().pads.size()) {
		std::string name = path.substr(path.find_last_of('/') + 1);
		const std::string::size_type dot = name.find_last_of('.');
		if (dot != std::string::npos && dot > 0)
			name.resize(dot);
		target.name = name;
	}
	SelectPad(pad);
	fDocument.BreakMerge();
	CommitKit(kit, "Load Sound");
	SyncEditors();
	if (!messages.empty()) {
		std::string text = path + ":";
		for (const std::string& message : messages)
			text += "\n" + message;
		ErrorMsg(text);
	}
	return true;
}

void KitWindow::ShowPadMenu(size_t pad, QPoint global)
{
	QMenu menu;
	const bool present = pad < CurrentKit().pads.size();
	QAction* play = menu.addAction(QStringLiteral("Play"));
	QAction* edit = menu.addAction(QStringLiteral("Edit Sound…"));
	QAction* load = menu.addAction(QStringLiteral("Load Sound…"));
	play->setEnabled(present);
	edit->setEnabled(present);
	QAction* chosen = menu.exec(global);
	if (chosen == play)
		PlayPad(pad);
	else if (chosen == edit)
		EditPad(pad);
	else if (chosen == load) {
		BMessage message(kMsgPadLoadSound);
		message.AddInt32("pad", int32(pad));
		PostMessage(&message);
	}
}

size_t KitWindow::PadOf(BMessage* message) const
{
	int32 pad = -1;
	if (message->FindInt32("pad", &pad) != B_OK || pad < 0)
		return SelectedPad();
	return size_t(pad);
}

void KitWindow::ErrorMsg(const std::string& text)
{
	BAlert* alert = new BAlert("", text.c_str(), "OK", nullptr, nullptr, B_WIDTH_AS_USUAL, B_INFO_ALERT);
	alert->Go();
}

bool KitWindow::Load(const std::string& path)
{
	Kit kit;
	const KitRead read = ReadKitFile(path.c_str(), &kit);
	if (!read.Ok()) {
		ErrorMsg("Error: Could not open the kit!\n" + path + ": " + read.error);
		return false;
	}
	CloseEditors();
	fDocument.Open(kit, path, path.substr(path.find_last_of('/') + 1));
	fPads->Select(0);
	ShowKit();
	if (!read.messages.empty()) {
		std::string text = path + ":";
		for (const std::string& message : read.messages)
			text += "\n" + message;
		ErrorMsg(text);
	}
	return true;
}

bool KitWindow::SaveTo(const std::string& path)
{
	const status_t status = WriteKitFile(path.c_str(), CurrentKit());
	if (status != B_OK) {
		// Not saved: the title and the changed mark stay as they were.
		ErrorMsg(FileAlertText("Error: Could not write to file!", path, status));
		return false;
	}
	fDocument.Saved(path, path.substr(path.find_last_of('/') + 1));
	ShowKit();
	return true;
}

bool KitWindow::Save()
{
	if (fDocument.HasFile())
		return SaveTo(fDocument.Path());
	ShowSavePanel();
	return false;
}

void KitWindow::ShowSavePanel()
{
	const std::string base = CurrentKit().name.empty() ? fDocument.Name() : CurrentKit().name;
	fSavePanel->SetSaveText(SuggestedFileName(base, kKitFileExtension).c_str());
	fSavePanel->Show();
}

void KitWindow::SaveReply(BMessage* message)
{
	entry_ref directory;
	const char* name = nullptr;
	if (message->FindRef("directory", &directory) != B_OK || message->FindString("name", &name) != B_OK)
		return;
	// Whatever type the panel showed, a kit is written as a kit file.
	std::string file = NameWithTypeExtension(name, kKitNameFilter);
	SaveTo(directory.Path() + "/" + file);
}

void KitWindow::ExportReply(BMessage* message)
{
	entry_ref directory;
	if (message->FindRef("refs", &directory) != B_OK)
		return;
	const std::string folder = directory.Path();
	const SamplePackResult result = ExportSamplePack(CurrentKit(), folder, "wav");
	if (result.status != B_OK) {
		const std::string what = result.soundRefused
		                             ? "Error: A pad's sound is too long to render!"
		                             : "Error: Could not export the sample pack!";
		ErrorMsg(FileAlertText(what.c_str(), result.failedFile.empty() ? folder : result.failedFile,
		    result.status));
		return;
	}
	ErrorMsg("Exported " + std::to_string(result.files.size()) + " files (a WAV file per pad, " +
	         SfzFileName(CurrentKit()) + " and " + kHydrogenDrumkitFile + ") to " + folder + ".");
}

void KitWindow::MessageReceived(BMessage* message)
{
	switch (message->what) {
		case kMsgPadPlay: PlayPad(PadOf(message)); break;
		case kMsgPadEdit: EditPad(PadOf(message)); break;
		case kMsgPadLoadSound:
			fSoundPanelPad = std::min(PadOf(message), kMaxPads - 1);
			fSoundPanel->Show();
			break;
		case kMsgPadLoadReply: {
			entry_ref ref;
			if (message->FindRef("refs", &ref) == B_OK)
				LoadPadSound(fSoundPanelPad, ref.Path());
			break;
		}
		case kMsgKitStop: fSound->Stop(); break;
		case kMsgMidiNote: {
			int32 key = -1;
			int32 velocity = 127;
			message->FindInt32("key", &key);
			message->FindInt32("velocity", &velocity);
			PlayNote(key, float(std::clamp(velocity, int32(1), int32(127))) / 127.0f);
			break;
		}
		case kMsgUndo: Undo(); break;
		case kMsgRedo: Redo(); break;
		case kMsgKitSave: Save(); break;
		case kMsgKitSaveAs: ShowSavePanel(); break;
		case kMsgKitSaveReply: SaveReply(message); break;
		case kMsgKitExport: fExportPanel->Show(); break;
		case kMsgKitExportReply: ExportReply(message); break;
		case kMsgOpenPreset: fOpenPanel->Show(); break;
		case kMsgCloseWindow: PostMessage(B_QUIT_REQUESTED); break;
		case kMsgQuitAll: TunkWindow::QuitAll(); break;
		case kMsgNewWindow:
		case kMsgNewKit:
			// The application makes every window, with its place and key filter.
			if (be_app != nullptr)
				be_app->PostMessage(message->what);
			break;
		default: BWindow::MessageReceived(message); break;
	}
}

bool KitWindow::QuitRequested()
{
	if (fDocument.IsChanged()) {
		BAlert* alert = new BAlert("title", "Save changes to the kit before closing?", "Cancel",
		    "Don't save", "Save", B_WIDTH_AS_USUAL, B_OFFSET_SPACING, B_WARNING_ALERT);
		alert->SetShortcut(0, B_ESCAPE);
		switch (alert->Go()) {
			case 0: return false;
			case 2:
				// Without a file the panel asks where; the window stays open until saved.
				if (!fDocument.HasFile()) {
					ShowSavePanel();
					return false;
				}
				if (!SaveTo(fDocument.Path()))
					return false;
				break;
			default: break;
		}
	}
	CloseEditors();
	// The last document window ends the application, whatever file panels still exist.
	if (CountDocumentWindows(this) == 0 && be_app != nullptr)
		be_app->PostMessage(B_QUIT_REQUESTED);
	fSound->Stop();
	return true;
}
