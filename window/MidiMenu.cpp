#include "window/MidiMenu.h"

#include <QMenu>
#include <string>
#include <vector>

#include "kits/app/Message.h"
#include "kits/interface/Menu.h"
#include "kits/interface/MenuItem.h"
#include "window/MidiSources.h"

BMenu* NewMidiInputMenu()
{
	BMenu* menu = new BMenu("MIDI Input");
	RefreshMidiInputMenu(menu);
	// Sources come and go while the program runs: list them as the menu opens.
	QObject::connect(menu->QtMenu(), &QMenu::aboutToShow, menu->QtMenu(),
		[menu] { RefreshMidiInputMenu(menu); });
	return menu;
}

void RefreshMidiInputMenu(BMenu* menu)
{
	while (menu->CountItems() > 0)
		delete menu->RemoveItem(int32(0));

	MidiSources* midi = MidiSources::Installed();
	const std::vector<std::string> sources =
		midi != nullptr && midi->Available() ? midi->Sources() : std::vector<std::string>();
	if (sources.empty()) {
		BMenuItem* none = new BMenuItem(kNoMidiInputText, nullptr);
		none->SetEnabled(false);
		menu->AddItem(none);
		return;
	}
	for (const std::string& source : sources) {
		BMessage* choose = new BMessage(kMsgMidiSource);
		choose->AddString("source", source.c_str());
		BMenuItem* item = new BMenuItem(source.c_str(), choose);
		item->SetTarget(midi->Handler());
		item->SetMarked(midi->IsConnected(source));
		menu->AddItem(item);
	}
}
