// BButton: a push button that sends its message when clicked.
#pragma once

#include "kits/interface/Control.h"

class QPushButton;

class BButton : public BControl {
public:
	BButton(BRect frame, const char* name, const char* label, BMessage* message,
	    uint32 resizingMode = B_FOLLOW_LEFT | B_FOLLOW_TOP,
	    uint32 flags = B_WILL_DRAW | B_NAVIGABLE);
	~BButton() override;

	void SetLabel(const char* label) override;
	// The label's width with room either side, at least kMinButtonWidth pixels; Qt's own height.
	void GetPreferredSize(float* width, float* height) override;

	QPushButton* PushButton() const { return fButton; }

private:
	QPushButton* fButton;
};
