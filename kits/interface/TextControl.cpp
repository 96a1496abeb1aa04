#include "kits/interface/TextControl.h"

#include <QLabel>
#include <QLineEdit>
#include <algorithm>

namespace {

// The gap between a label and its field when the toolkit places the divider.
constexpr int kLabelGap = 4;

} // namespace

BTextControl::BTextControl(BRect frame, const char* name, const char* label, const char* text,
    BMessage* message, uint32 resizingMode, uint32 flags)
    : BControl(frame, name, label, message, resizingMode, flags), fDivider(0),
      fLabelWidget(new QLabel), fLineEdit(new QLineEdit)
{
	auto* panel = new QWidget;
	fLabelWidget->setParent(panel);
	fLineEdit->setParent(panel);
	fLabelWidget->setText(QString::fromUtf8(Label()));
	if (Label()[0] != '\0')
		fDivider =
		    float(std::min(fLabelWidget->sizeHint().width() + kLabelGap, Bounds().IntegerWidth()));
	fLineEdit->setText(QString::fromUtf8(text != nullptr ? text : ""));

	// Enter always commits; leaving the field commits only an edited text.
	QObject::connect(
	    fLineEdit, &QLineEdit::textEdited, SignalContext(), [this] { fEdited = true; });
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
	Invoke();
}

void BTextControl::SetText(const char* text)
{
	fEdited = false;
	fLineEdit->setText(QString::fromUtf8(text != nullptr ? text : ""));
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
	int labelWidth = Label()[0] != '\0' ? fLabelWidget->sizeHint().width() + kLabelGap : 0;
	QSize field = fLineEdit->sizeHint();
	if (width != nullptr)
		*width = float(labelWidth + field.width() - 1);
	if (height != nullptr)
		*height = float(std::max(field.height(), fLabelWidget->sizeHint().height()) - 1);
}

void BTextControl::LayoutChanged()
{
	BControl::LayoutChanged();
	int width = Widget()->width();
	int height = Widget()->height();
	int divider = std::clamp(int(fDivider), 0, width);
	fLabelWidget->setGeometry(0, 0, divider, height);
	fLabelWidget->setVisible(divider > 0);
	fLineEdit->setGeometry(divider, 0, width - divider, height);
}
