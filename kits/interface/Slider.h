// BSlider: a horizontal bar with a knob, its label above and hash marks above the bar. While the
// knob is dragged it sends its modification message (when one is set); it sends its message when
// the knob is let go, and after each step made with the keyboard or a click on the bar.
#pragma once

#include <string>

#include "kits/interface/Control.h"
#include "kits/interface/GraphicsDefs.h"

class QLabel;
class QSlider;

enum thumb_style {
	B_BLOCK_THUMB,
	B_TRIANGLE_THUMB,
};

enum hash_mark_location {
	B_HASH_MARKS_NONE = 0,
	B_HASH_MARKS_TOP = 1,
	B_HASH_MARKS_LEFT = 1,
	B_HASH_MARKS_BOTTOM = 2,
	B_HASH_MARKS_RIGHT = 2,
	B_HASH_MARKS_BOTH = 3,
};

class BSlider : public BControl {
public:
	BSlider(BRect frame, const char* name, const char* label, BMessage* message, int32 minValue,
	    int32 maxValue, thumb_style thumbType = B_BLOCK_THUMB,
	    uint32 resizingMode = B_FOLLOW_LEFT | B_FOLLOW_TOP,
	    uint32 flags = B_NAVIGABLE | B_WILL_DRAW | B_FRAME_EVENTS);
	~BSlider() override;

	// Clamps to the range, as the user could not go beyond it either.
	void SetValue(int32 value) override;

	void GetLimits(int32* minimum, int32* maximum) const;

	// Takes ownership of the message sent while the knob is dragged.
	void SetModificationMessage(BMessage* message);
	BMessage* ModificationMessage() const { return fModificationMessage; }

	void SetHashMarks(hash_mark_location where);
	hash_mark_location HashMarks() const { return fHashMarks; }
	// count marks spread evenly across the range, both ends included.
	void SetHashMarkCount(int32 count);
	int32 HashMarkCount() const { return fHashMarkCount; }

	void SetLimitLabels(const char* minLabel, const char* maxLabel);
	const char* MinLimitLabel() const { return fMinLabel.c_str(); }
	const char* MaxLimitLabel() const { return fMaxLabel.c_str(); }

	void SetBarColor(rgb_color color);
	rgb_color BarColor() const { return fBarColor; }
	void SetStyle(thumb_style style) { fThumb = style; }
	thumb_style Style() const { return fThumb; }

	// Shown on hover over the bar, and at once beside the knob while it is dragged, so that a
	// value set in answer to the slider's messages follows the drag.
	void SetToolTip(const char* text) override;

	void SetKeyIncrementValue(int32 increment);
	int32 KeyIncrementValue() const;

	// The Qt bar, whose knob a window may ask about while it is dragged.
	QSlider* SliderWidget() const { return fSlider; }
	// The Qt labels, for tests.
	QLabel* LabelWidget() const { return fLabelWidget; }
	QLabel* MinLabelWidget() const { return fMinLabelWidget; }
	QLabel* MaxLabelWidget() const { return fMaxLabelWidget; }

protected:
	void UpdateWidget() override;
	void LayoutChanged() override;

private:
	void UpdateTicks();
	void PlaceParts();
	void ValueChangedByUser(int value);
	void Released();

	int32 fMin;
	int32 fMax;
	thumb_style fThumb;
	hash_mark_location fHashMarks = B_HASH_MARKS_NONE;
	int32 fHashMarkCount = 0;
	std::string fMinLabel;
	std::string fMaxLabel;
	rgb_color fBarColor = {0, 0, 0, 255};
	BMessage* fModificationMessage = nullptr;
	bool fUpdating = false;
	QSlider* fSlider;
	QLabel* fLabelWidget;
	QLabel* fMinLabelWidget;
	QLabel* fMaxLabelWidget;
};
