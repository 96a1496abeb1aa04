#include "kits/interface/MenuItem.h"

#include <QAction>

#include "kits/interface/Menu.h"
#include "kits/interface/Window.h"

BMenuItem::BMenuItem(const char* label, BMessage* message, char shortcut, uint32 modifiers)
    : fLabel(label != nullptr ? label : ""), fShortcut(shortcut), fModifiers(modifiers)
{
	SetMessage(message);
}

BMenuItem::~BMenuItem()
{
	if (fMenu != nullptr)
		fMenu->RemoveItem(this);
}

void BMenuItem::SetLabel(const char* label)
{
	fLabel = label != nullptr ? label : "";
	if (fAction != nullptr)
		fAction->setText(QString::fromUtf8(fLabel.c_str()));
	if (fMenu != nullptr)
		fMenu->MarksChanged();
}

void BMenuItem::SetMarked(bool marked)
{
	fMarked = marked;
	if (fAction != nullptr)
		fAction->setChecked(marked);
	if (fMenu != nullptr) {
		fMenu->ItemMarked(this, marked);
		fMenu->MarksChanged();
	}
}

void BMenuItem::SetEnabled(bool enabled)
{
	fEnabled = enabled;
	if (fAction != nullptr)
		fAction->setEnabled(enabled);
}

char BMenuItem::Shortcut(uint32* modifiers) const
{
	if (modifiers != nullptr)
		*modifiers = fModifiers;
	return fShortcut;
}

status_t BMenuItem::Invoke(BMessage* message)
{
	if (fMenu != nullptr && fMenu->IsRadioMode())
		SetMarked(true);
	else if (fAction != nullptr)
		fAction->setChecked(fMarked);
	return BInvoker::Invoke(message);
}

BMessenger BMenuItem::DefaultTarget() const
{
	BWindow* window = fMenu != nullptr ? fMenu->Window() : nullptr;
	return window != nullptr ? BMessenger(nullptr, window) : BMessenger();
}
