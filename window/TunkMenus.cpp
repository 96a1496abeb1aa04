#include "window/TunkMenus.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QObject>
#include <string>

#include "kits/interface/Alert.h"
#include "window/KitWindow.h"
#include "window/MidiMenu.h"
#include "window/TunkWindow.h"

namespace {

constexpr char kCodeProperty[] = "tunkCommand";

// The key pressed is one of the action's shortcuts. The keypad and group switch modifiers
// do not count, as for a standard key.
bool IsShortcutOf(const QKeyEvent* key, const QAction* action)
{
	const Qt::KeyboardModifiers modifiers =
	    key->modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
	return action->shortcuts().contains(
	    QKeySequence(QKeyCombination(modifiers, Qt::Key(key->key()))));
}

// A text field claims Undo and Redo for its own edits. It keeps them only while it holds an
// edit not yet committed that it can take back (or bring back); otherwise the keys go to the
// window's history.
class FieldUndoFilter : public QObject {
public:
	FieldUndoFilter(QObject* parent, const QAction* undo, const QAction* redo)
	    : QObject(parent), fUndo(undo), fRedo(redo)
	{
	}

protected:
	bool eventFilter(QObject* watched, QEvent* event) override
	{
		if (event->type() != QEvent::ShortcutOverride)
			return false;
		auto* edit = qobject_cast<QLineEdit*>(watched);
		auto* key = static_cast<QKeyEvent*>(event);
		if (edit == nullptr)
			return false;
		bool fieldTakes = true;
		if (IsShortcutOf(key, fUndo))
			fieldTakes = edit->isModified() && edit->isUndoAvailable();
		else if (IsShortcutOf(key, fRedo))
			fieldTakes = edit->isModified() && edit->isRedoAvailable();
		if (fieldTakes)
			return false;
		event->ignore();
		return true;
	}

private:
	const QAction* fUndo;
	const QAction* fRedo;
};

} // namespace

QList<QKeySequence> StandardKeys(QKeySequence::StandardKey standard, const char* own)
{
	QList<QKeySequence> keys = QKeySequence::keyBindings(standard);
	QKeySequence mine(QString::fromLatin1(own));
	if (!keys.contains(mine))
		keys.prepend(mine);
	return keys;
}

TunkMenus::TunkMenus(TunkWindow* window) : fWindow(window), fSoundWindow(window), fBar(new QMenuBar)
{
	Build({{"Save Preset", kMsgSaveToFile, StandardKeys(QKeySequence::Save, "Ctrl+S")},
	    {"Save Preset As…", kMsgSavePreset, StandardKeys(QKeySequence::SaveAs, "Ctrl+Shift+S")},
	    {"Export…", kMsgSaveWave, {QKeySequence(QStringLiteral("Ctrl+E"))}}, "&Sound",
	    {{"Play", kMsgPlay, {}}, {"Stop", kMsgStop, {}}, {"Repeat", kMsgToggleRepeat, {}}}});
	fRepeat = Action(kMsgToggleRepeat);
	fRepeat->setCheckable(true);
}

TunkMenus::TunkMenus(KitWindow* window) : fWindow(window), fKitWindow(window), fBar(new QMenuBar)
{
	Build({{"Save Kit", kMsgKitSave, StandardKeys(QKeySequence::Save, "Ctrl+S")},
	    {"Save Kit As…", kMsgKitSaveAs, StandardKeys(QKeySequence::SaveAs, "Ctrl+Shift+S")},
	    {"Export Sample Pack…", kMsgKitExport, {QKeySequence(QStringLiteral("Ctrl+E"))}}, "&Pad",
	    {{"Play", kMsgPadPlay, {}}, {"Edit Sound…", kMsgPadEdit, {}}, {"Load Sound…", kMsgPadLoadSound, {}},
	        {"Stop", kMsgKitStop, {QKeySequence(Qt::Key_Escape)}}}});
}

void TunkMenus::Build(const WindowItems& items)
{
	fBar->setObjectName(QStringLiteral("MenuBar"));

	fFile = fBar->addMenu(QStringLiteral("&File"));
	AddCommand(fFile, "New Window", kMsgNewWindow, StandardKeys(QKeySequence::New, "Ctrl+N"));
	AddCommand(fFile, "New Kit", kMsgNewKit, {QKeySequence(QStringLiteral("Ctrl+Shift+N"))});
	AddCommand(fFile, "Open…", kMsgOpenPreset, StandardKeys(QKeySequence::Open, "Ctrl+O"));
	for (const Item& item : {items.save, items.saveAs, items.exportTo})
		AddCommand(fFile, item.label, item.code, item.keys);
	fFile->addSeparator();
	AddCommand(fFile, "Close", kMsgCloseWindow, StandardKeys(QKeySequence::Close, "Ctrl+W"));
	AddCommand(fFile, "Quit", kMsgQuitAll, StandardKeys(QKeySequence::Quit, "Ctrl+Q"));

	fEdit = fBar->addMenu(QStringLiteral("&Edit"));
	fUndo = AddCommand(fEdit, "Undo", kMsgUndo, StandardKeys(QKeySequence::Undo, "Ctrl+Z"));
	QList<QKeySequence> redo = StandardKeys(QKeySequence::Redo, "Ctrl+Shift+Z");
	if (!redo.contains(QKeySequence(QStringLiteral("Ctrl+Y"))))
		redo.append(QKeySequence(QStringLiteral("Ctrl+Y")));
	fRedo = AddCommand(fEdit, "Redo", kMsgRedo, redo);

	fSound = fBar->addMenu(QString::fromUtf8(items.menu));
	for (const Item& item : items.own)
		AddCommand(fSound, item.label, item.code, item.keys);
	fSound->addSeparator();
	AddMidiInputMenu(fSound);

	fHelp = fBar->addMenu(QStringLiteral("&Help"));
	AddCommand(fHelp, "Keyboard Shortcuts", kMsgShowShortcuts);
	AddCommand(fHelp, "About Tunk", kMsgAbout);

	// Key steps merge only while their control keeps the focus.
	BWindow* window = fWindow;
	TunkWindow* sound = fSoundWindow;
	KitWindow* kit = fKitWindow;
	fFocusChange = QObject::connect(qApp, &QApplication::focusChanged, fBar,
	    [window, sound, kit](QWidget* old, QWidget*) {
		    if (old == nullptr || BWindow::WindowFor(old) != window)
			    return;
		    if (sound != nullptr)
			    sound->BreakStepMerge();
		    else
			    kit->BreakStepMerge();
	    });

	window->SetMenuBar(fBar);
	// Lets a field with an uncommitted edit take Undo and Redo first.
	QObject* fieldUndo = new FieldUndoFilter(fBar, fUndo, fRedo);
	for (QLineEdit* edit : window->Widget()->findChildren<QLineEdit*>())
		edit->installEventFilter(fieldUndo);
}

TunkMenus::~TunkMenus()
{
	QObject::disconnect(fFocusChange);
}

QAction* TunkMenus::AddCommand(
    QMenu* menu, const char* label, uint32 code, const QList<QKeySequence>& keys)
{
	QAction* action = menu->addAction(QString::fromUtf8(label));
	action->setProperty(kCodeProperty, uint(code));
	if (!keys.isEmpty()) {
		action->setShortcuts(keys);
		// The window's own keys, whichever of its controls has the focus.
		action->setShortcutContext(Qt::WindowShortcut);
		// The bar lives in the window, so its shortcuts work while the menus are closed.
	}
	BWindow* window = fWindow;
	QObject::connect(action, &QAction::triggered, fBar, [window, code] { window->PostMessage(code); });
	return action;
}

QAction* TunkMenus::Action(uint32 code) const
{
	for (QAction* action : fBar->findChildren<QAction*>()) {
		if (action->property(kCodeProperty).isValid() &&
		    action->property(kCodeProperty).toUInt() == code)
			return action;
	}
	return nullptr;
}

namespace {

template <typename State>
void ShowSteps(const UndoHistory<State>& history, QAction* undo, QAction* redo)
{
	undo->setEnabled(history.CanUndo());
	undo->setText(history.CanUndo() ? QString::fromStdString("Undo " + history.UndoName())
	                                : QStringLiteral("Undo"));
	redo->setEnabled(history.CanRedo());
	redo->setText(history.CanRedo() ? QString::fromStdString("Redo " + history.RedoName())
	                                : QStringLiteral("Redo"));
}

} // namespace

void TunkMenus::Update()
{
	if (fSoundWindow != nullptr) {
		ShowSteps(fSoundWindow->UndoHistory(), fUndo, fRedo);
		fRepeat->setChecked(fSoundWindow->IsRepeatOn());
	} else {
		ShowSteps(fKitWindow->Document().History(), fUndo, fRedo);
	}
}

void TunkMenus::ShowShortcuts()
{
	if (fKitWindow != nullptr) {
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
		return;
	}
	std::string text = "Keyboard shortcuts\n\n";
	for (QMenu* menu : {fFile, fEdit, fSound}) {
		for (QAction* action : menu->actions()) {
			if (action->shortcut().isEmpty())
				continue;
			text += action->shortcut().toString(QKeySequence::NativeText).toStdString() + "\t" +
			        action->text().toStdString() + "\n";
		}
	}
	text += "Space\tPlay, from any control\n";
	text += "Tab\tNext control";
	BAlert* alert =
	    new BAlert("Keyboard Shortcuts", text.c_str(), "OK", nullptr, nullptr, B_WIDTH_AS_USUAL,
	        B_INFO_ALERT);
	alert->Go();
}

void TunkMenus::ShowAbout()
{
	std::string name(kTunkTitlePrefix);
	name = name.substr(0, name.find(" - "));
	std::string text = name +
	                   "\nA synthesizer of percussive sounds: kicks, snares, toms and blips from one "
	                   "oscillator, two envelopes, a wave shaper and a filter.";
	BAlert* alert =
	    new BAlert("About Tunk", text.c_str(), "OK", nullptr, nullptr, B_WIDTH_AS_USUAL, B_INFO_ALERT);
	alert->Go();
}
