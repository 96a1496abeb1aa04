// BBox: a titled frame around a group of views. Children are placed in the box's coordinates.
#pragma once

#include <string>

#include "kits/interface/View.h"

class QGroupBox;

class BBox : public BView {
public:
	BBox(BRect frame, const char* name = nullptr,
	    uint32 resizingMode = B_FOLLOW_LEFT | B_FOLLOW_TOP,
	    uint32 flags = B_WILL_DRAW | B_FRAME_EVENTS | B_NAVIGABLE_JUMP,
	    border_style border = B_FANCY_BORDER);
	~BBox() override;

	void SetBorder(border_style border);
	border_style Border() const { return fBorder; }
	void SetLabel(const char* label);
	const char* Label() const { return fLabel.c_str(); }

	// The Qt group box, for tests.
	QGroupBox* GroupBox() const { return fGroupBox; }

protected:
	void LayoutChanged() override;

private:
	std::string fLabel;
	border_style fBorder;
	QGroupBox* fGroupBox;
};
