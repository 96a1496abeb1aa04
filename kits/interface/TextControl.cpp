#include "kits/interface/TextControl.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <algorithm>

#include "kits/interface/InterfacePrivate.h"

BTextControl::BTextControl(BRect frame, const char* name, const char* label, const char* text,
    BMessage* message, uint32 resizingMode, uint32 flags)
    : BControl(frame, name, label, message, resizingMode, flags), fDivider(0),
      fLabelWidget(new QLabel), fLineEdit(new QLineEdit)
{
	auto* panel = new QWidget;
	fLabelWidget->setParent(panel);
	fLineEdit->setParent(panel);
	fLabelWidget->setText(QString::fromUtf8(Label()));
	fDivider =
	    tunk_internal::DefaultDivider(fLabelWidget, Label()[0] != '\0', Bounds().IntegerWidth());
	fLineEdit->setText(QString::fromUtf8(text != nullptr ? text : ""));
	fShownText = fTextBeforeEdit = Text();
	FitText();

	// Enter always commits; leaving the field commits only an edited text.
	QObject::connect(fLineEdit, &QLineEdit::textEdited, SignalContext(), [this] {
		if (!fEdited) {
			fTextBeforeEdit = fShownText;
			fLineEdit->setFont(QFont());
		}
		fEdited = true;
	});
	QObject::connect(fLineEdit, &QLineEdit::returnPressed, SignalContext(), [this] { Commit(); });
	QObject::connect(fLineEdit, &QLineEdit::editingFinished, SignalContext(), [this] {
		if (fEdited)
			Commit();
	});
	panel->setFocusProxy(fLineEdit);
	panel->setFocusPolicy(fLineEdit->focusPolicy());
	SetControlWidget(panel);
}

BTextControl::~BTextControl() = default;

void BTextControl::Commit()
{
	fEdited = false;
	fShownText = Text();
	FitText();
	Invoke();
}

void BTextControl::FitText()
{
	if (fEdited)
		return;
	// The type the field inherits, and the room QLineEdit leaves for text inside its frame,
	// its margins of 2 pixels and the cursor.
	const QFont own = fLineEdit->parentWidget() != nullptr ? fLineEdit->parentWidget()->font()
	                                                      : fLineEdit->font();
	const int frame =
	    fLineEdit->hasFrame() ? fLineEdit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, fLineEdit) : 0;
	const QMargins margins = fLineEdit->textMargins();
	const double room = fLineEdit->width() - 2 * frame - 4 - margins.left() - margins.right() - 1;
	const double width = QFontMetricsF(own).horizontalAdvance(fLineEdit->text());
	if (width <= room || room <= 0) {
		fLineEdit->setFont(QFont());
	} else {
		const double scale = std::max(room / width, 0.5);
		QFont smaller = own;
		if (own.pointSizeF() > 0)
			smaller.setPointSizeF(own.pointSizeF() * scale);
		else
			smaller.setPixelSize(std::max(1, int(own.pixelSize() * scale)));
		// Point sizes round to the screen's pixels: step down until the text fits.
		while (QFontMetricsF(smaller).horizontalAdvance(fLineEdit->text()) > room &&
		       smaller.pointSizeF() > own.pointSizeF() * 0.5)
			smaller.setPointSizeF(smaller.pointSizeF() - 0.25);
		fLineEdit->setFont(smaller);
	}
	// From its first character, unless the user's cursor is in it.
	if (!fLineEdit->hasFocus())
		fLineEdit->setCursorPosition(0);
}

bool BTextControl::CommitEdit()
{
	if (!fEdited)
		return false;
	Commit();
	return true;
}

void BTextControl::SetText(const char* text)
{
	fEdited = false;
	fLineEdit->setText(QString::fromUtf8(text != nullptr ? text : ""));
	fShownText = fTextBeforeEdit = Text();
	FitText();
}

const char* BTextControl::Text() const
{
	fTextCache = fLineEdit->text().toStdString();
	return fTextCache.c_str();
}

void BTextControl::SetDivider(float xCoordinate)
{
	fDivider = std::max(xCoordinate, 0.0f);
	LayoutChanged();
}

void BTextControl::SetLabel(const char* label)
{
	BControl::SetLabel(label);
	fLabelWidget->setText(QString::fromUtf8(Label()));
	LayoutChanged();
}

void BTextControl::MakeFocus(bool focus)
{
	BControl::MakeFocus(focus);
	if (focus)
		fLineEdit->selectAll();
}

void BTextControl::GetPreferredSize(float* width, float* height)
{
	int labelWidth = tunk_internal::LabelWidth(fLabelWidget, Label()[0] != '\0');
	QSize field = fLineEdit->sizeHint();
	if (width != nullptr)
		*width = float(labelWidth + field.width() - 1);
	if (height != nullptr)
		*height = float(std::max(field.height(), fLabelWidget->sizeHint().height()) - 1);
}

void BTextControl::LayoutChanged()
{
	BControl::LayoutChanged();
	tunk_internal::PlaceLabelAndField(
	    fLabelWidget, fLineEdit, fDivider, Widget()->width(), Widget()->height());
	FitText();
}
