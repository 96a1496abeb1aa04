// BTextControl: a label and a one-line text field. It sends its message when the user commits
// an edit: with Enter, or by leaving the field after changing the text. Text set from code or
// committed shows from its first character, in a smaller type when that makes it fit whole.
#pragma once

#include <string>

#include "kits/interface/Control.h"

class QLabel;
class QLineEdit;

class BTextControl : public BControl {
public:
	BTextControl(BRect frame, const char* name, const char* label, const char* text,
	    BMessage* message, uint32 resizingMode = B_FOLLOW_LEFT | B_FOLLOW_TOP,
	    uint32 flags = B_WILL_DRAW | B_NAVIGABLE);
	~BTextControl() override;

	// Sends nothing.
	void SetText(const char* text);
	// Valid until the text changes or Text is called again.
	const char* Text() const;
	// Sends the message now when the text holds an edit that has not been sent yet, as Enter
	// would; true when sent.
	bool CommitEdit();
	// What the field showed before the user's latest edit began (the text set from code, or
	// the text of the edit committed before), so that a window can take back an edit it
	// refuses.
	const char* TextBeforeEdit() const { return fTextBeforeEdit.c_str(); }

	// The x coordinate, in the control, where the text field begins (0: the field takes the
	// whole frame). A labelled control starts with the label's width plus a small gap.
	void SetDivider(float xCoordinate);
	float Divider() const { return fDivider; }

	void SetLabel(const char* label) override;
	void MakeFocus(bool focus = true) override;
	void GetPreferredSize(float* width, float* height) override;

	// The Qt text field, for tests.
	QLineEdit* TextView() const { return fLineEdit; }
	QLabel* LabelWidget() const { return fLabelWidget; }

protected:
	void LayoutChanged() override;

private:
	void Commit();
	// Shows the text whole where a type no smaller than half the field's own can; the
	// field's own type is back as soon as the user edits.
	void FitText();

	float fDivider;
	bool fEdited = false;
	std::string fTextBeforeEdit;
	std::string fShownText;
	mutable std::string fTextCache;
	QLabel* fLabelWidget;
	QLineEdit* fLineEdit;
};
