// BControl: a view that the user acts on, and that then sends a copy of its message to its
// target (its window when none is set). Setting a value from code never sends anything.
#pragma once

#include <string>

#include "kits/app/Invoker.h"
#include "kits/interface/View.h"

class QObject;
class QWidget;

enum {
	B_CONTROL_OFF = 0,
	B_CONTROL_ON = 1,
};

class BControl : public BView, public BInvoker {
public:
	BControl(BRect frame, const char* name, const char* label, BMessage* message,
	    uint32 resizingMode, uint32 flags);
	~BControl() override;

	void AttachedToWindow() override;
	void MakeFocus(bool focus = true) override;

	virtual void SetLabel(const char* label);
	const char* Label() const { return fLabel.c_str(); }

	virtual void SetValue(int32 value);
	int32 Value() const { return fValue; }

	virtual void SetEnabled(bool enabled);
	bool IsEnabled() const { return fEnabled; }

	void GetPreferredSize(float* width, float* height) override;

	// The Qt widget that fills the view's frame, for tests.
	QWidget* ControlWidget() const { return fControlWidget; }

protected:
	BMessenger DefaultTarget() const override;
	// Subclasses build their Qt widget and hand it over; it fills the view's frame.
	void SetControlWidget(QWidget* widget);
	// Stores the value without touching the widget (for changes that come from the widget).
	void SetValueNoUpdate(int32 value) { fValue = value; }
	// Brings the Qt widget in line with the value and label, without sending anything.
	virtual void UpdateWidget() {}
	void LayoutChanged() override;
	// The context of every connection from the Qt widgets to the control: it goes first when the
	// control is destroyed, so that no signal of a dying widget reaches a half-destroyed control.
	QObject* SignalContext() const { return fSignalContext; }

private:
	std::string fLabel;
	int32 fValue = 0;
	bool fEnabled = true;
	QWidget* fControlWidget = nullptr;
	QObject* fSignalContext;
};
