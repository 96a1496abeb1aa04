// BMenuField: a label and a button that pops up a menu; the button shows the marked item's label
// when the menu is labelled from its marked item, else the menu's name.
#pragma once

#include "kits/interface/Control.h"

class BMenu;
class QKeyEvent;
class QLabel;
class QPushButton;

class BMenuField : public BControl {
public:
	// The field owns the menu.
	BMenuField(BRect frame, const char* name, const char* label, BMenu* menu,
	    uint32 resizingMode = B_FOLLOW_LEFT | B_FOLLOW_TOP,
	    uint32 flags = B_WILL_DRAW | B_NAVIGABLE);
	~BMenuField() override;

	BMenu* Menu() const { return fMenu; }
	// The text the field's button shows.
	const char* MenuLabel() const;

	void SetLabel(const char* label) override;
	void SetEnabled(bool enabled) override;
	void SetDivider(float xCoordinate);
	float Divider() const { return fDivider; }

	QPushButton* MenuButton() const { return fButton; }
	QLabel* LabelWidget() const { return fLabelWidget; }

protected:
	void LayoutChanged() override;

private:
	friend class BMenu;

	void UpdateMenuLabel();
	bool MenuKey(const QKeyEvent* key);

	BMenu* fMenu;
	float fDivider;
	mutable std::string fMenuLabelCache;
	QLabel* fLabelWidget;
	QPushButton* fButton;
};
