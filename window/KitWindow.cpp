// The kit window: building it, showing the kit, undo, playing and its commands. The pad
// panel, the menus, the pads' editor windows and the kit's files are in KitWindow*.cpp beside it.
#include "window/KitWindow.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "kits/app/AppDefs.h"
#include "kits/app/Application.h"
#include "kits/app/Message.h"
#include "kits/interface/Alert.h"
#include "kits/interface/FilePanel.h"
#include "kits/interface/View.h"
#include "kits/storage/EntryRef.h"
#include "window/KitPads.h"
#include "window/KitSound.h"
#include "window/LibraryMenu.h"
#include "window/MidiSources.h"
#include "window/PatternPlayer.h"
#include "window/TunkMenus.h"
#include "window/TunkWindow.h"

namespace {

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

KitWindow::KitWindow(BPoint where)
    : BWindow(BRect(where.x, where.y, where.x + kKitWindowWidth - 1,
                    where.y + kKitWindowHeight + kPatternGridHeight - 1),
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
	// A window quit without asking (the application ending) still lets its pack be whole.
	if (fExportThread.joinable())
		fExportThread.join();
	// The menus stop following the focus before the widgets go.
	delete fMenus;
	fMenus = nullptr;
	CloseEditors();
	delete fSavePanel;
	delete fOpenPanel;
	delete fSoundPanel;
	delete fExportPanel;
	delete fLoopPanel;
	delete fMidiPanel;
	delete fBeat;
	delete fSound;
}

void KitWindow::Build()
{
	fSound = new KitSound();

	auto* host = new HostView(Bounds());
	AddChild(host);
	auto* content = new QWidget;
	content->setObjectName(QStringLiteral("KitContent"));
	auto* rows = new QVBoxLayout(content);
	rows->setContentsMargins(8, 8, 8, 8);
	auto* columns = new QHBoxLayout;
	columns->setSpacing(10);
	rows->addLayout(columns, 1);

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
	fStatusLine = new QLabel;
	fStatusLine->setObjectName(QStringLiteral("KitStatus"));
	left->addWidget(fStatusLine);
	columns->addLayout(left, 1);

	auto* panel = new QWidget;
	panel->setObjectName(QStringLiteral("PadPanel"));
	auto* grid = new QGridLayout(panel);
	grid->setContentsMargins(0, 0, 0, 0);
	BuildPadPanel(panel, grid);
	panel->setFixedWidth(230);
	columns->addWidget(panel);
	rows->addWidget(BuildPatterns());
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

	BuildPanels();

	ShowKit();
	fPads->setFocus();
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
	ShowPatterns();
	UpdateTitle();
	UpdateMenus();
}

void KitWindow::CommitKit(const Kit& kit, const char* stepName, uint32 mergeKey)
{
	if (!fDocument.Commit(kit, stepName, mergeKey))
		return;
	ShowKit();
}

void KitWindow::Undo()
{
	if (!fDocument.History().CanUndo())
		return;
	const Kit before = CurrentKit();
	fDocument.Undo();
	SelectChangedPad(before);
	ShowKit();
	SyncEditors();
}

void KitWindow::Redo()
{
	if (!fDocument.History().CanRedo())
		return;
	const Kit before = CurrentKit();
	fDocument.Redo();
	SelectChangedPad(before);
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
		case kMsgKitExportLoop:
		case kMsgKitExportLoopReply:
		case kMsgKitExportMidi:
		case kMsgKitExportMidiReply: PatternMessage(message); break;
		case kMsgKitStop:
			if (fBeat->IsPlaying())
				TogglePattern();
			fSound->Stop();
			break;
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
		case kMsgKitExport: ShowExportPanel(); break;
		case kMsgKitExportReply: ExportReply(message); break;
		case kMsgKitExportDone: ExportDone(); break;
		case kMsgOpenPreset: fOpenPanel->Show(); break;
		case kMsgCloseWindow: PostMessage(B_QUIT_REQUESTED); break;
		case kMsgQuitAll: TunkWindow::QuitAll(); break;
		case kMsgShowShortcuts: fMenus->ShowShortcuts(); break;
		case kMsgAbout: fMenus->ShowAbout(); break;
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
	if (Exporting()) {
		// The window stays until its pack is whole, and then closes as asked.
		fCloseAfterExport = true;
		ShowStatus("Closing once the sample pack is written to " + fExportFolder + "…");
		return false;
	}
	if (fDocument.IsChanged()) {
		BAlert* alert = new BAlert("Close Kit", "Save changes to the kit before closing?", "Cancel",
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
