// BMenu: a list of items shown in a Qt menu.
#pragma once

#include <string>
#include <vector>

#include "kits/support/SupportDefs.h"

class BMenuField;
class BMenuItem;
class BWindow;
class QMenu;

enum menu_layout {
	B_ITEMS_IN_ROW = 0,
	B_ITEMS_IN_COLUMN,
	B_ITEMS_IN_MATRIX,
};

class BMenu {
public:
	explicit BMenu(const char* name, menu_layout layout = B_ITEMS_IN_COLUMN);
	virtual ~BMenu();

	BMenu(const BMenu&) = delete;
	BMenu& operator=(const BMenu&) = delete;

	// The menu owns its items.
	bool AddItem(BMenuItem* item);
	bool AddItem(BMenuItem* item, int32 index);
	BMenuItem* RemoveItem(int32 index);
	bool RemoveItem(BMenuItem* item);
	BMenuItem* ItemAt(int32 index) const;
	int32 IndexOf(const BMenuItem* item) const;
	int32 CountItems() const { return int32(fItems.size()); }
	BMenuItem* FindItem(const char* label) const;
	BMenuItem* FindMarked() const;

	// Radio mode: exactly one item is marked, and choosing an item marks it.
	void SetRadioMode(bool on);
	bool IsRadioMode() const { return fRadioMode; }
	// The field holding the menu shows the marked item's label.
	void SetLabelFromMarked(bool on);
	bool IsLabelFromMarked() const { return fLabelFromMarked; }
	void SetEnabled(bool enabled);
	bool IsEnabled() const { return fEnabled; }

	const char* Name() const { return fName.c_str(); }
	menu_layout Layout() const { return fLayout; }
	// The window of the field that holds the menu, nullptr when none.
	BWindow* Window() const;

	QMenu* QtMenu() const { return fQMenu; }

private:
	friend class BMenuItem;
	friend class BMenuField;

	void ItemMarked(BMenuItem* item, bool marked);
	void MarksChanged();

	std::string fName;
	menu_layout fLayout;
	bool fRadioMode = false;
	bool fLabelFromMarked = false;
	bool fEnabled = true;
	std::vector<BMenuItem*> fItems;
	BMenuField* fField = nullptr;
	QMenu* fQMenu;
};
