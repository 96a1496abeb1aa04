#include "kits/interface/Control.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QWidget>
#include <algorithm>

#include "kits/app/Message.h"
#include "kits/interface/InterfacePrivate.h"
#include "kits/interface/Window.h"

BControl::BControl(BRect frame, const char* name, const char* label, BMessage* message,
    uint32 resizingMode, uint32 flags)
    : BView(frame, name, resizingMode, flags), fLabel(label != nullptr ? label : ""),
      fSignalContext(new QObject)
{
	BInvoker::SetMessage(message);
	// The Qt widget draws the control; the parent shows through around it.
	SetViewColor(B_TRANSPARENT_COLOR);
	SetShowsImage(false);
}

BControl::~BControl()
{
	delete fSignalContext;
}

void BControl::AttachedToWindow()
{
	BView::AttachedToWindow();
}

void BControl::MakeFocus(bool focus)
{
	if (fControlWidget == nullptr) {
		BView::MakeFocus(focus);
		return;
	}
	QWidget* target =
	    fControlWidget->focusProxy() != nullptr ? fControlWidget->focusProxy() : fControlWidget;
	if (focus)
		target->setFocus(Qt::OtherFocusReason);
	else if (target->hasFocus())
		target->clearFocus();
}

void BControl::SetLabel(const char* label)
{
	fLabel = label != nullptr ? label : "";
	UpdateWidget();
}

void BControl::SetValue(int32 value)
{
	fValue = value;
	UpdateWidget();
}

void BControl::SetEnabled(bool enabled)
{
	fEnabled = enabled;
	if (fControlWidget != nullptr)
		fControlWidget->setEnabled(enabled);
}

void BControl::GetPreferredSize(float* width, float* height)
{
	if (fControlWidget == nullptr) {
		BView::GetPreferredSize(width, height);
		return;
	}
	QSize hint = fControlWidget->sizeHint();
	if (width != nullptr)
		*width = float(hint.width() - 1);
	if (height != nullptr)
		*height = float(hint.height() - 1);
}

BMessenger BControl::DefaultTarget() const
{
	return Window() != nullptr ? BMessenger(nullptr, Window()) : BMessenger();
}

void BControl::SetControlWidget(QWidget* widget)
{
	fControlWidget = widget;
	widget->setParent(Widget());
	Widget()->setFocusProxy(widget);
	Widget()->setFocusPolicy(widget->focusPolicy());
	LayoutChanged();
	widget->show();
}

void BControl::LayoutChanged()
{
	if (fControlWidget != nullptr)
		fControlWidget->setGeometry(0, 0, Widget()->width(), Widget()->height());
}

namespace tunk_internal {

namespace {

constexpr int kLabelGap = 4;

class KeyPressHook : public QObject {
public:
	KeyPressHook(QWidget* widget, std::function<bool(const QKeyEvent*)> handler)
	    : QObject(widget), fHandler(std::move(handler))
	{
		widget->installEventFilter(this);
	}

protected:
	bool eventFilter(QObject*, QEvent* event) override
	{
		return event->type() == QEvent::KeyPress && fHandler(static_cast<const QKeyEvent*>(event));
	}

private:
	std::function<bool(const QKeyEvent*)> fHandler;
};

} // namespace

bool IsEnterKey(const QKeyEvent* event)
{
	return (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
	       (event->modifiers() & kCommandKeys) == 0;
}

void OnKeyPress(QWidget* widget, std::function<bool(const QKeyEvent*)> handler)
{
	new KeyPressHook(widget, std::move(handler));
}

void ClickOnEnter(QAbstractButton* button)
{
	OnKeyPress(button, [button](const QKeyEvent* key) {
		if (!IsEnterKey(key) || !button->isEnabled())
			return false;
		button->click();
		return true;
	});
}

int LabelWidth(const QWidget* label, bool hasLabel)
{
	return hasLabel ? label->sizeHint().width() + kLabelGap : 0;
}

float DefaultDivider(const QWidget* label, bool hasLabel, int width)
{
	return float(std::min(LabelWidth(label, hasLabel), width));
}

void PlaceLabelAndField(QWidget* label, QWidget* field, float divider, int width, int height)
{
	int x = std::clamp(int(divider), 0, width);
	label->setGeometry(0, 0, x, height);
	label->setVisible(x > 0);
	field->setGeometry(x, 0, width - x, height);
}

} // namespace tunk_internal
