#include "kits/interface/CheckBox.h"

#include <algorithm>

#include <QCheckBox>
#include <QSignalBlocker>

#include "kits/interface/InterfacePrivate.h"

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
	tunk_internal::ClickOnEnter(fCheckBox);
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

void BCheckBox::WidgetPlaced()
{
	// Frames were laid out for a smaller font than Qt's: rather than cut the label, the box
	// reaches into the room to its right, never past its parent. Frame() is unchanged.
	QWidget* widget = Widget();
	QWidget* parent = widget->parentWidget();
	int wanted = fCheckBox->sizeHint().width();
	if (parent == nullptr || wanted <= widget->width())
		return;
	int room = parent->width() - widget->x();
	widget->resize(std::max(widget->width(), std::min(wanted, room)), widget->height());
	LayoutChanged();
}
