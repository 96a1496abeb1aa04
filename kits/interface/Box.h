// BBox: a titled frame around a group of views. Children are placed in the box's coordinates.
// The label sits on the frame's top line, which runs through the middle of the label's height,
// so that views placed a few pixels below the box's top are inside the frame.
#pragma once

#include <string>

#include "kits/interface/View.h"

class QWidget;

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

	// The rectangle the label takes, in the box's coordinates (invalid without a label), and
	// the row of the frame's top line.
	BRect LabelRect() const;
	float FrameTop() const;

protected:
	void LayoutChanged() override;

private:
	std::string fLabel;
	border_style fBorder;
	QWidget* fFrameWidget;
};
