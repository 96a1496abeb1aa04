// The MIDI Input submenu of the window's Sound menu: one item per MIDI source, marked
// while connected, read afresh each time the menu opens; choosing an item connects or
// disconnects its source. Without MIDI input one disabled item says so.
#pragma once

class BMenu;

// A new submenu, owned by the caller (the menu it is added to).
BMenu* NewMidiInputMenu();
// Rebuilds the items from the program's MIDI input; the menu does it when it opens.
void RefreshMidiInputMenu(BMenu* menu);
