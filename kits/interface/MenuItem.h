// BMenuItem: one entry of a menu, with a message sent when the user chooses it.
#pragma once

#include <string>

#include "kits/app/Invoker.h"

class BMenu;
class QAction;

class BMenuItem : public BInvoker {
public:
	BMenuItem(const char* label, BMessage* message, char shortcut = 0, uint32 modifiers = 0);
	~BMenuItem() override;

	void SetLabel(const char* label);
	const char* Label() const { return fLabel.c_str(); }
	// In a radio-mode menu, marking an item unmarks the others. Sends nothing.
	void SetMarked(bool marked);
	bool IsMarked() const { return fMarked; }
	void SetEnabled(bool enabled);
	bool IsEnabled() const { return fEnabled; }
	char Shortcut(uint32* modifiers = nullptr) const;

	BMenu* Menu() const { return fMenu; }

	// What a user's choice does: marks the item (in radio mode) and sends its message.
	status_t Invoke(BMessage* message = nullptr) override;

	// The Qt action that stands for the item while it is in a menu, for tests.
	QAction* Action() const { return fAction; }

protected:
	BMessenger DefaultTarget() const override;

private:
	friend class BMenu;

	std::string fLabel;
	char fShortcut;
	uint32 fModifiers;
	bool fMarked = false;
	bool fEnabled = true;
	BMenu* fMenu = nullptr;
	QAction* fAction = nullptr;
};
