// BPopUpMenu: a menu that pops up from a menu field.
#pragma once

#include "kits/interface/Menu.h"

class BPopUpMenu : public BMenu {
public:
	explicit BPopUpMenu(const char* title, bool radioMode = true, bool labelFromMarked = true,
	    menu_layout layout = B_ITEMS_IN_COLUMN);
	~BPopUpMenu() override;
};
