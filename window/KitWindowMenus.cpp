// The kit window's menu bar.
#include "window/KitWindow.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "kits/interface/Alert.h"
#include "window/MidiMenu.h"
#include "window/TunkMenus.h"
#include "window/TunkWindow.h"

namespace {

constexpr char kCodeProperty[] = "tunkCommand";

} // namespace

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

void KitWindow::UpdateMenus()
{
	fUndo->setEnabled(fDocument.CanUndo());
	fUndo->setText(QString::fromStdString(
	    fDocument.CanUndo() ? "Undo " + fDocument.UndoName() : std::string("Undo")));
	fRedo->setEnabled(fDocument.CanRedo());
	fRedo->setText(QString::fromStdString(
	    fDocument.CanRedo() ? "Redo " + fDocument.RedoName() : std::string("Redo")));
}
