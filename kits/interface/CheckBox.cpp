#include "kits/interface/CheckBox.h"

#include <QCheckBox>
#include <QSignalBlocker>

BCheckBox::BCheckBox(BRect frame, const char* name, const char* label, BMessage* message,
    uint32 resizingMode, uint32 flags)
    : BControl(frame, name, label, message, resizingMode, flags),
      fCheckBox(new QCheckBox(QString::fromUtf8(Label())))
{
	// clicked comes only from the user (mouse or keyboard), never from setChecked.
	QObject::connect(fCheckBox, &QCheckBox::clicked, SignalContext(), [this](bool checked) {
		SetValueNoUpdate(checked ? B_CONTROL_ON : B_CONTROL_OFF);
		Invoke();
	});
	SetControlWidget(fCheckBox);
}

BCheckBox::~BCheckBox() = default;

void BCheckBox::SetLabel(const char* label)
{
	BControl::SetLabel(label);
	fCheckBox->setText(QString::fromUtf8(Label()));
}

void BCheckBox::UpdateWidget()
{
	QSignalBlocker blocker(fCheckBox);
	fCheckBox->setChecked(Value() != B_CONTROL_OFF);
}
