#include "kits/interface/Button.h"

#include <QPushButton>

BButton::BButton(BRect frame, const char* name, const char* label, BMessage* message,
    uint32 resizingMode, uint32 flags)
    : BControl(frame, name, label, message, resizingMode, flags),
      fButton(new QPushButton(QString::fromUtf8(Label())))
{
	fButton->setAutoDefault(false);
	QObject::connect(fButton, &QPushButton::clicked, SignalContext(), [this] { Invoke(); });
	SetControlWidget(fButton);
}

BButton::~BButton() = default;

void BButton::SetLabel(const char* label)
{
	BControl::SetLabel(label);
	fButton->setText(QString::fromUtf8(Label()));
}
