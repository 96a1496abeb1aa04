#include "window/MidiMenu.h"

#include <QAction>
#include <QMenu>
#include <string>
#include <vector>

#include "kits/app/Message.h"
#include "kits/app/Messenger.h"
#include "window/MidiSources.h"

namespace {

// Rebuilds the items from the program's MIDI input; the menu does it when it opens.
void RefreshMidiInputMenu(QMenu* menu)
{
	menu->clear();
	MidiSources* midi = MidiSources::Installed();
	const std::vector<std::string> sources =
		midi != nullptr && midi->Available() ? midi->Sources() : std::vector<std::string>();
	if (sources.empty()) {
		menu->addAction(QString::fromUtf8(kNoMidiInputText))->setEnabled(false);
		return;
	}
	for (const std::string& source : sources) {
		QAction* item = menu->addAction(QString::fromStdString(source));
		item->setCheckable(true);
		item->setChecked(midi->IsConnected(source));
		// Through the MIDI input's queue, as every command travels.
		const BMessenger target(midi->Handler());
		QObject::connect(item, &QAction::triggered, item, [target, source] {
			BMessage choose(kMsgMidiSource);
			choose.AddString("source", source);
			target.SendMessage(&choose);
		});
	}
}

} // namespace

QMenu* AddMidiInputMenu(QMenu* parent)
{
	QMenu* menu = parent->addMenu(QStringLiteral("MIDI Input"));
	RefreshMidiInputMenu(menu);
	// Sources come and go while the program runs: list them as the menu opens.
	QObject::connect(menu, &QMenu::aboutToShow, menu, [menu] { RefreshMidiInputMenu(menu); });
	return menu;
}

