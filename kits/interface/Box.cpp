#include "kits/interface/Box.h"

#include <QFontMetrics>
#include <QPainter>
#include <QWidget>

namespace {

// Both edges of a frame line, as the platform draws its boxes: a fancy border is an etched
// groove (shadow, then light one pixel in), a plain border a single raised line.
constexpr QRgb kShadow = qRgb(152, 152, 152);
constexpr QRgb kLight = qRgb(255, 255, 255);
// The label starts this far from the box's left edge, with this much room either side of it.
constexpr int kLabelLeft = 6;
constexpr int kLabelPadding = 3;

class BoxFrame : public QWidget {
public:
	explicit BoxFrame(const BBox* box) : fBox(box)
	{
		setAttribute(Qt::WA_TransparentForMouseEvents);
		setFocusPolicy(Qt::NoFocus);
	}

protected:
	void paintEvent(QPaintEvent*) override
	{
		QPainter painter(this);
		int top = int(fBox->FrameTop());
		int right = width() - 1;
		int bottom = height() - 1;
		BRect label = fBox->LabelRect();
		// The top line leaves a gap where the label stands.
		auto topLine = [&](int y, QRgb colour) {
			painter.setPen(QColor(colour));
			if (!label.IsValid()) {
				painter.drawLine(0, y, right, y);
				return;
			}
			painter.drawLine(0, y, int(label.left) - 1, y);
			painter.drawLine(int(label.right) + 1, y, right, y);
		};
		switch (fBox->Border()) {
			case B_FANCY_BORDER:
				topLine(top, kShadow);
				topLine(top + 1, kLight);
				painter.setPen(QColor(kShadow));
				painter.drawLine(0, top, 0, bottom - 1);
				painter.drawLine(0, bottom - 1, right - 1, bottom - 1);
				painter.drawLine(right - 1, top, right - 1, bottom - 1);
				painter.setPen(QColor(kLight));
				painter.drawLine(1, top + 1, 1, bottom - 2);
				painter.drawLine(0, bottom, right, bottom);
				painter.drawLine(right, top, right, bottom);
				break;
			case B_PLAIN_BORDER:
				topLine(top, kLight);
				painter.setPen(QColor(kLight));
				painter.drawLine(0, top, 0, bottom);
				painter.setPen(QColor(kShadow));
				painter.drawLine(0, bottom, right, bottom);
				painter.drawLine(right, top, right, bottom);
				break;
			case B_NO_BORDER: break;
		}
		if (label.IsValid()) {
			painter.setPen(palette().color(QPalette::WindowText));
			painter.drawText(
			    QRect(int(label.left) + kLabelPadding, int(label.top),
			        int(label.Width()) + 1 - 2 * kLabelPadding, int(label.Height()) + 1),
			    Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8(fBox->Label()));
		}
	}

private:
	const BBox* fBox;
};

} // namespace

BBox::BBox(BRect frame, const char* name, uint32 resizingMode, uint32 flags, border_style border)
    : BView(frame, name, resizingMode, flags), fBorder(border), fFrameWidget(new BoxFrame(this))
{
	SetViewColor(B_TRANSPARENT_COLOR);
	SetShowsImage(false);
	fFrameWidget->setParent(Widget());
	Widget()->setFocusPolicy(Qt::NoFocus);
	LayoutChanged();
	fFrameWidget->show();
}

BBox::~BBox() = default;

void BBox::SetBorder(border_style border)
{
	fBorder = border;
	fFrameWidget->update();
}

void BBox::SetLabel(const char* label)
{
	fLabel = label != nullptr ? label : "";
	fFrameWidget->setAccessibleName(QString::fromUtf8(fLabel.c_str()));
	fFrameWidget->update();
}

BRect BBox::LabelRect() const
{
	if (fLabel.empty())
		return BRect();
	QFontMetrics metrics(fFrameWidget->font());
	int width = metrics.horizontalAdvance(QString::fromUtf8(fLabel.c_str())) + 2 * kLabelPadding;
	return BRect(kLabelLeft, 0, float(kLabelLeft + width - 1), float(metrics.height() - 1));
}

float BBox::FrameTop() const
{
	if (fLabel.empty())
		return 0;
	// The middle row of the label's height.
	return float(QFontMetrics(fFrameWidget->font()).height() / 2);
}

void BBox::LayoutChanged()
{
	fFrameWidget->setGeometry(0, 0, Widget()->width(), Widget()->height());
}
