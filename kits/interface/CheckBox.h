// BCheckBox: a labelled box that the user switches on (value 1) and off (value 0); each click
// sends the message.
#pragma once

#include "kits/interface/Control.h"

class QCheckBox;

class BCheckBox : public BControl {
public:
	BCheckBox(BRect frame, const char* name, const char* label, BMessage* message,
	    uint32 resizingMode = B_FOLLOW_LEFT | B_FOLLOW_TOP,
	    uint32 flags = B_WILL_DRAW | B_NAVIGABLE);
	~BCheckBox() override;

	void SetLabel(const char* label) override;

	QCheckBox* CheckBox() const { return fCheckBox; }

protected:
	void UpdateWidget() override;
	void WidgetPlaced() override;

private:
	QCheckBox* fCheckBox;
};
