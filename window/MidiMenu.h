// The MIDI Input submenu of the window's Sound menu: one item per MIDI source, checked
// while connected, read afresh each time the menu opens; choosing an item connects or
// disconnects its source. Without MIDI input one disabled item says so.
#pragma once

class QMenu;

// Adds the submenu to `parent`, which owns it.
QMenu* AddMidiInputMenu(QMenu* parent);
