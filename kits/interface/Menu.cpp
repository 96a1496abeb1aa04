#include "kits/interface/Menu.h"

#include <QAction>
#include <QMenu>
#include <algorithm>
#include <cstring>

#include "kits/interface/InterfacePrivate.h"
#include "kits/interface/MenuField.h"
#include "kits/interface/MenuItem.h"

BMenu::BMenu(const char* name, menu_layout layout)
    : fName(name != nullptr ? name : ""), fLayout(layout), fQMenu(new QMenu)
{
	fQMenu->setTitle(QString::fromUtf8(fName.c_str()));
}

BMenu::~BMenu()
{
	for (BMenuItem* item : fItems) {
		item->fMenu = nullptr;
		item->fAction = nullptr;
		delete item;
	}
	delete fQMenu;
}

bool BMenu::AddItem(BMenuItem* item)
{
	return AddItem(item, CountItems());
}

bool BMenu::AddItem(BMenuItem* item, int32 index)
{
	if (item == nullptr || item->fMenu != nullptr || index < 0 || index > CountItems())
		return false;
	QAction* before = index < CountItems() ? fItems[size_t(index)]->fAction : nullptr;
	fItems.insert(fItems.begin() + index, item);
	item->fMenu = this;
	auto* action = new QAction(QString::fromUtf8(item->Label()), fQMenu);
	action->setCheckable(true);
	action->setChecked(item->IsMarked());
	action->setEnabled(item->IsEnabled());
	// triggered comes only from the user's choice, never from setChecked.
	QObject::connect(action, &QAction::triggered, [item] { item->Invoke(); });
	fQMenu->insertAction(before, action);
	item->fAction = action;
	if (item->IsMarked())
		ItemMarked(item, true);
	MarksChanged();
	return true;
}

BMenuItem* BMenu::RemoveItem(int32 index)
{
	BMenuItem* item = ItemAt(index);
	if (item == nullptr)
		return nullptr;
	fItems.erase(fItems.begin() + index);
	delete item->fAction;
	item->fAction = nullptr;
	item->fMenu = nullptr;
	MarksChanged();
	return item;
}

bool BMenu::RemoveItem(BMenuItem* item)
{
	return RemoveItem(IndexOf(item)) != nullptr;
}

BMenuItem* BMenu::ItemAt(int32 index) const
{
	return tunk_internal::ElementAt(fItems, index);
}

int32 BMenu::IndexOf(const BMenuItem* item) const
{
	auto it = std::find(fItems.begin(), fItems.end(), item);
	return it == fItems.end() ? -1 : int32(it - fItems.begin());
}

BMenuItem* BMenu::FindItem(const char* label) const
{
	for (BMenuItem* item : fItems) {
		if (label != nullptr && std::strcmp(item->Label(), label) == 0)
			return item;
	}
	return nullptr;
}

BMenuItem* BMenu::FindMarked() const
{
	for (BMenuItem* item : fItems) {
		if (item->IsMarked())
			return item;
	}
	return nullptr;
}

void BMenu::SetRadioMode(bool on)
{
	fRadioMode = on;
}

void BMenu::SetLabelFromMarked(bool on)
{
	fLabelFromMarked = on;
	if (on)
		fRadioMode = true;
	MarksChanged();
}

void BMenu::SetEnabled(bool enabled)
{
	fEnabled = enabled;
	fQMenu->setEnabled(enabled);
}

BWindow* BMenu::Window() const
{
	return fField != nullptr ? fField->Window() : nullptr;
}

// In radio mode a newly marked item takes the mark from the others.
void BMenu::ItemMarked(BMenuItem* item, bool marked)
{
	if (!marked || !fRadioMode)
		return;
	for (BMenuItem* other : fItems) {
		if (other != item && other->fMarked) {
			other->fMarked = false;
			if (other->fAction != nullptr)
				other->fAction->setChecked(false);
		}
	}
}

void BMenu::MarksChanged()
{
	if (fField != nullptr)
		fField->UpdateMenuLabel();
}
