// BAlert: a modal dialog with a text and up to three buttons. Go() runs it in a nested event loop
// and returns the index (from 0) of the button pressed; the alert deletes itself there.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "kits/support/SupportDefs.h"

class QDialog;
class QPushButton;

enum alert_type {
	B_EMPTY_ALERT = 0,
	B_INFO_ALERT,
	B_IDEA_ALERT,
	B_WARNING_ALERT,
	B_STOP_ALERT,
};

enum button_spacing {
	B_EVEN_SPACING = 0,
	// The first button stands apart from the others.
	B_OFFSET_SPACING,
};

enum button_width {
	B_WIDTH_AS_USUAL,
	B_WIDTH_FROM_WIDEST,
	B_WIDTH_FROM_LABEL,
};

class BAlert {
public:
	BAlert(const char* title, const char* text, const char* button0, const char* button1 = nullptr,
	    const char* button2 = nullptr, button_width width = B_WIDTH_AS_USUAL,
	    alert_type type = B_INFO_ALERT);
	BAlert(const char* title, const char* text, const char* button0, const char* button1,
	    const char* button2, button_width width, button_spacing spacing,
	    alert_type type = B_INFO_ALERT);
	virtual ~BAlert();

	BAlert(const BAlert&) = delete;
	BAlert& operator=(const BAlert&) = delete;

	// Pressing key (a byte such as 'c' or B_ESCAPE) presses the button at index.
	void SetShortcut(int32 index, char key);
	char Shortcut(int32 index) const;

	// Shows the dialog modally, waits for a button and deletes the alert. Closing the dialog
	// without a button gives the index of the button bound to B_ESCAPE, or -1 when none is.
	int32 Go();

	const char* Title() const { return fTitle.c_str(); }
	const char* Text() const { return fText.c_str(); }
	int32 CountButtons() const { return int32(fButtons.size()); }
	// The label of the button at index, nullptr when there is none.
	const char* ButtonLabel(int32 index) const;
	alert_type Type() const { return fType; }
	button_width ButtonWidth() const { return fWidth; }
	button_spacing ButtonSpacing() const { return fSpacing; }

	// While Go runs: the Qt dialog and its buttons.
	QDialog* Dialog() const { return fDialog; }
	QPushButton* ButtonAt(int32 index) const;

	// Lets code answer alerts without a person: while a hook is installed, Go still runs the
	// modal event loop, calls the hook from inside it and presses the button whose index the
	// hook returns (-1: the dialog is closed without a button). nullptr restores the dialog.
	using AnswerHook = std::function<int32(BAlert& alert)>;
	static void SetAnswerHook(AnswerHook hook);

private:
	void Init(const char* title, const char* text, const char* b0, const char* b1, const char* b2,
	    button_width width, button_spacing spacing, alert_type type);
	int32 EscapeIndex() const;

	std::string fTitle;
	std::string fText;
	std::vector<std::string> fButtons;
	button_width fWidth;
	button_spacing fSpacing;
	alert_type fType;
	std::map<int32, char> fShortcuts;
	QDialog* fDialog = nullptr;
	std::vector<QPushButton*> fButtonWidgets;
};
