#include "kits/interface/Slider.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

#include "kits/app/Message.h"

BSlider::BSlider(BRect frame, const char* name, const char* label, BMessage* message,
    int32 minValue, int32 maxValue, thumb_style thumbType, uint32 resizingMode, uint32 flags)
    : BControl(frame, name, label, message, resizingMode, flags), fMin(minValue), fMax(maxValue),
      fThumb(thumbType), fSlider(new QSlider(Qt::Horizontal)), fLabelWidget(new QLabel),
      fMinLabelWidget(new QLabel), fMaxLabelWidget(new QLabel)
{
	auto* panel = new QWidget;
	auto* column = new QVBoxLayout(panel);
	column->setContentsMargins(0, 0, 0, 0);
	column->setSpacing(0);
	column->addWidget(fLabelWidget);
	column->addWidget(fSlider);
	auto* limits = new QHBoxLayout;
	limits->setContentsMargins(0, 0, 0, 0);
	limits->addWidget(fMinLabelWidget);
	limits->addStretch(1);
	limits->addWidget(fMaxLabelWidget);
	column->addLayout(limits);
	column->addStretch(1);
	fMinLabelWidget->hide();
	fMaxLabelWidget->hide();

	fSlider->setRange(fMin, fMax);
	fSlider->setTracking(true);
	SetValueNoUpdate(fMin);
	UpdateWidget();

	QObject::connect(fSlider, &QSlider::valueChanged, SignalContext(),
	    [this](int value) { ValueChangedByUser(value); });
	QObject::connect(fSlider, &QSlider::sliderReleased, SignalContext(), [this] { Released(); });
	panel->setFocusProxy(fSlider);
	panel->setFocusPolicy(fSlider->focusPolicy());
	SetControlWidget(panel);
}

BSlider::~BSlider()
{
	delete fModificationMessage;
}

// While the knob is held the value changes continuously: each change sends the modification
// message; letting go sends the message. Steps made with the keyboard or by clicking beside the
// knob send the message at once.
void BSlider::ValueChangedByUser(int value)
{
	if (fUpdating)
		return;
	SetValueNoUpdate(value);
	if (fSlider->isSliderDown()) {
		if (fModificationMessage != nullptr)
			Invoke(fModificationMessage);
	} else {
		Invoke();
	}
}

void BSlider::Released()
{
	SetValueNoUpdate(fSlider->value());
	Invoke();
}

void BSlider::SetValue(int32 value)
{
	BControl::SetValue(std::clamp(value, fMin, std::max(fMin, fMax)));
}

void BSlider::UpdateWidget()
{
	fUpdating = true;
	fLabelWidget->setText(QString::fromUtf8(Label()));
	fLabelWidget->setVisible(Label()[0] != '\0');
	fSlider->setValue(Value());
	fUpdating = false;
}

void BSlider::GetLimits(int32* minimum, int32* maximum) const
{
	if (minimum != nullptr)
		*minimum = fMin;
	if (maximum != nullptr)
		*maximum = fMax;
}

void BSlider::SetLimits(int32 minimum, int32 maximum)
{
	fMin = minimum;
	fMax = std::max(minimum, maximum);
	fUpdating = true;
	fSlider->setRange(fMin, fMax);
	fUpdating = false;
	UpdateTicks();
	SetValue(Value());
}

void BSlider::SetModificationMessage(BMessage* message)
{
	if (message != fModificationMessage)
		delete fModificationMessage;
	fModificationMessage = message;
}

void BSlider::SetHashMarks(hash_mark_location where)
{
	fHashMarks = where;
	UpdateTicks();
}

void BSlider::SetHashMarkCount(int32 count)
{
	fHashMarkCount = count;
	UpdateTicks();
}

void BSlider::UpdateTicks()
{
	QSlider::TickPosition position = QSlider::NoTicks;
	switch (fHashMarks) {
		case B_HASH_MARKS_TOP: position = QSlider::TicksAbove; break;
		case B_HASH_MARKS_BOTTOM: position = QSlider::TicksBelow; break;
		case B_HASH_MARKS_BOTH: position = QSlider::TicksBothSides; break;
		default: break;
	}
	fSlider->setTickPosition(fHashMarkCount > 1 ? position : QSlider::NoTicks);
	if (fHashMarkCount > 1)
		fSlider->setTickInterval(std::max(1, (fMax - fMin) / (fHashMarkCount - 1)));
}

void BSlider::SetLimitLabels(const char* minLabel, const char* maxLabel)
{
	fMinLabel = minLabel != nullptr ? minLabel : "";
	fMaxLabel = maxLabel != nullptr ? maxLabel : "";
	fMinLabelWidget->setText(QString::fromUtf8(fMinLabel.c_str()));
	fMaxLabelWidget->setText(QString::fromUtf8(fMaxLabel.c_str()));
	fMinLabelWidget->setVisible(!fMinLabel.empty());
	fMaxLabelWidget->setVisible(!fMaxLabel.empty());
}

void BSlider::SetBarColor(rgb_color color)
{
	fBarColor = color;
	QPalette palette = fSlider->palette();
	palette.setColor(QPalette::Highlight, QColor(color.red, color.green, color.blue, color.alpha));
	fSlider->setPalette(palette);
}

void BSlider::SetKeyIncrementValue(int32 increment)
{
	fSlider->setSingleStep(increment);
}

int32 BSlider::KeyIncrementValue() const
{
	return fSlider->singleStep();
}
