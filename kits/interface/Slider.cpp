#include "kits/interface/Slider.h"

#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolTip>
#include <algorithm>

#include "kits/app/Message.h"

namespace {

// Where the style puts one of the slider's parts (its groove, its knob) within the slider.
QRect SliderPart(QSlider* slider, QStyle::SubControl part)
{
	QStyleOptionSlider option;
	option.initFrom(slider);
	option.orientation = Qt::Horizontal;
	option.tickPosition = slider->tickPosition();
	option.minimum = slider->minimum();
	option.maximum = slider->maximum();
	option.sliderPosition = slider->sliderPosition();
	option.sliderValue = slider->value();
	return slider->style()->subControlRect(QStyle::CC_Slider, &option, part, slider);
}

} // namespace

BSlider::BSlider(BRect frame, const char* name, const char* label, BMessage* message,
    int32 minValue, int32 maxValue, thumb_style thumbType, uint32 resizingMode, uint32 flags)
    : BControl(frame, name, label, message, resizingMode, flags), fMin(minValue), fMax(maxValue),
      fThumb(thumbType), fSlider(new QSlider(Qt::Horizontal)), fLabelWidget(new QLabel),
      fMinLabelWidget(new QLabel), fMaxLabelWidget(new QLabel)
{
	auto* panel = new QWidget;
	for (QWidget* part : {static_cast<QWidget*>(fLabelWidget), static_cast<QWidget*>(fSlider),
	         static_cast<QWidget*>(fMinLabelWidget), static_cast<QWidget*>(fMaxLabelWidget)})
		part->setParent(panel);
	fMaxLabelWidget->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
	// Every label starts empty and hidden; UpdateWidget and SetLimitLabels show them with text.
	fLabelWidget->hide();
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
	PlaceParts();
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
	fSlider->setValue(Value());
	fUpdating = false;
	// The parts move only for a new label (which also shows or hides it), not for each value.
	const QString label = QString::fromUtf8(Label());
	if (label == fLabelWidget->text())
		return;
	fLabelWidget->setText(label);
	fLabelWidget->setVisible(!label.isEmpty());
	PlaceParts();
}

void BSlider::GetLimits(int32* minimum, int32* maximum) const
{
	if (minimum != nullptr)
		*minimum = fMin;
	if (maximum != nullptr)
		*maximum = fMax;
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
	PlaceParts();
}

void BSlider::LayoutChanged()
{
	BControl::LayoutChanged();
	PlaceParts();
}

// The label on top, the bar with its marks below it and the limit labels under the bar's ends.
// Frames laid out for a smaller font than Qt's may be too short for that column: then the limit
// labels stand beside the bar's ends instead, so that no part is squeezed into another.
void BSlider::PlaceParts()
{
	QWidget* panel = ControlWidget();
	if (panel == nullptr)
		return;
	int width = panel->width();
	int height = panel->height();
	bool hasLabel = !fLabelWidget->isHidden();
	bool hasMin = !fMinLabelWidget->isHidden();
	bool hasMax = !fMaxLabelWidget->isHidden();
	int labelHeight = hasLabel ? fLabelWidget->sizeHint().height() : 0;
	int limitHeight = 0;
	if (hasMin)
		limitHeight = fMinLabelWidget->sizeHint().height();
	if (hasMax)
		limitHeight = std::max(limitHeight, fMaxLabelWidget->sizeHint().height());
	int barHeight = fSlider->sizeHint().height();
	fLabelWidget->setGeometry(0, 0, width, labelHeight);

	if (labelHeight + barHeight + limitHeight <= height || limitHeight == 0) {
		fSlider->setGeometry(0, labelHeight, width, std::min(barHeight, height - labelHeight));
		int limitTop = labelHeight + barHeight;
		fMinLabelWidget->setGeometry(0, limitTop, width / 2, limitHeight);
		fMaxLabelWidget->setGeometry(width / 2, limitTop, width - width / 2, limitHeight);
		return;
	}
	constexpr int kGap = 2;
	int minWidth = hasMin ? fMinLabelWidget->sizeHint().width() + kGap : 0;
	int maxWidth = hasMax ? fMaxLabelWidget->sizeHint().width() + kGap : 0;
	barHeight = std::min(barHeight, height - labelHeight);
	fSlider->setGeometry(
	    minWidth, labelHeight, std::max(0, width - minWidth - maxWidth), barHeight);
	// Level with the groove, which lies below the marks.
	QRect groove = SliderPart(fSlider, QStyle::SC_SliderGroove);
	int limitTop = std::clamp(labelHeight + groove.center().y() - limitHeight / 2, labelHeight,
	    std::max(labelHeight, height - limitHeight));
	fMinLabelWidget->setGeometry(0, limitTop, minWidth, limitHeight);
	fMaxLabelWidget->setGeometry(width - maxWidth, limitTop, maxWidth, limitHeight);
}

void BSlider::SetLimitLabels(const char* minLabel, const char* maxLabel)
{
	fMinLabel = minLabel != nullptr ? minLabel : "";
	fMaxLabel = maxLabel != nullptr ? maxLabel : "";
	fMinLabelWidget->setText(QString::fromUtf8(fMinLabel.c_str()));
	fMaxLabelWidget->setText(QString::fromUtf8(fMaxLabel.c_str()));
	fMinLabelWidget->setVisible(!fMinLabel.empty());
	fMaxLabelWidget->setVisible(!fMaxLabel.empty());
	PlaceParts();
}

void BSlider::SetBarColor(rgb_color color)
{
	fBarColor = color;
	QPalette palette = fSlider->palette();
	palette.setColor(QPalette::Highlight, QColor(color.red, color.green, color.blue, color.alpha));
	fSlider->setPalette(palette);
}

void BSlider::SetToolTip(const char* text)
{
	BControl::SetToolTip(text);
	QString tip = QString::fromUtf8(ToolTip());
	fSlider->setToolTip(tip);
	ControlWidget()->setToolTip(tip);
	if (fSlider->isSliderDown() && !tip.isEmpty()) {
		QRect knob = SliderPart(fSlider, QStyle::SC_SliderHandle);
		QToolTip::showText(fSlider->mapToGlobal(knob.bottomLeft()), tip, fSlider);
	}
}

void BSlider::SetKeyIncrementValue(int32 increment)
{
	fSlider->setSingleStep(increment);
}

int32 BSlider::KeyIncrementValue() const
{
	return fSlider->singleStep();
}
