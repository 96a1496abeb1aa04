// BScreen: the screen the windows are on. Only its frame: where a new window may go.
#pragma once

#include "kits/interface/Rect.h"

class BScreen {
public:
	BScreen() = default;

	// The part of the main screen windows may use, in the coordinates windows are placed in
	// (panels and docks left out, the interface's scale applied); 0, 0, 799, 599 without one.
	BRect Frame() const;
};
