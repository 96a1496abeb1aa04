// BStringView: one line of text that the user reads but does not edit (a readout beside a
// control). It takes no focus.
#pragma once

#include <string>

#include "kits/interface/InterfaceDefs.h"
#include "kits/interface/View.h"

class QLabel;

enum alignment {
	B_ALIGN_LEFT,
	B_ALIGN_RIGHT,
	B_ALIGN_CENTER,
};

class BStringView : public BView {
public:
	BStringView(BRect frame, const char* name, const char* text,
	    uint32 resizingMode = B_FOLLOW_LEFT | B_FOLLOW_TOP, uint32 flags = B_WILL_DRAW);
	~BStringView() override;

	void SetText(const char* text);
	const char* Text() const { return fText.c_str(); }
	// B_ALIGN_LEFT (the default), B_ALIGN_RIGHT or B_ALIGN_CENTER.
	void SetAlignment(alignment flag);

	// The Qt label, for tests.
	QLabel* LabelWidget() const { return fLabel; }

protected:
	void LayoutChanged() override;

private:
	std::string fText;
	QLabel* fLabel;
};
