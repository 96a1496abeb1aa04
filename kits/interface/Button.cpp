#include "kits/interface/Button.h"

#include <QFontMetrics>
#include <QPushButton>
#include <algorithm>

#include "kits/interface/InterfacePrivate.h"

namespace {

// Qt's styles widen every labelled button to 80 pixels, wider than the layout's buttons were
// drawn for (an 81-pixel column beside the waveform); the platform's buttons take their
// label's width plus a margin, and 75 pixels at least.
constexpr int kMinButtonWidth = 75;
constexpr int kLabelMargin = 20;

} // namespace

BButton::BButton(BRect frame, const char* name, const char* label, BMessage* message,
    uint32 resizingMode, uint32 flags)
    : BControl(frame, name, label, message, resizingMode, flags),
      fButton(new QPushButton(QString::fromUtf8(Label())))
{
	fButton->setAutoDefault(false);
	QObject::connect(fButton, &QPushButton::clicked, SignalContext(), [this] { Invoke(); });
	tunk_internal::ClickOnEnter(fButton);
	SetControlWidget(fButton);
}

BButton::~BButton() = default;

void BButton::SetLabel(const char* label)
{
	BControl::SetLabel(label);
	fButton->setText(QString::fromUtf8(Label()));
}

void BButton::GetPreferredSize(float* width, float* height)
{
	QFontMetrics metrics(fButton->font());
	int wanted = metrics.horizontalAdvance(fButton->text()) + kLabelMargin;
	if (width != nullptr)
		*width = float(std::max(wanted, kMinButtonWidth) - 1);
	if (height != nullptr)
		*height = float(fButton->sizeHint().height() - 1);
}
