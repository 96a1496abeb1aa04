#include "kits/interface/Window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QScrollArea>
#include <algorithm>

#include "kits/app/AppDefs.h"
#include "kits/app/AppPrivate.h"
#include "kits/app/Message.h"
#include "kits/interface/InterfacePrivate.h"
#include "kits/interface/View.h"

namespace tunk_internal {

WindowWidget::WindowWidget(BWindow* window) : fWindow(window) {}

// The user's close goes through the window's queue as a quit request; the window decides.
void WindowWidget::closeEvent(QCloseEvent* event)
{
	event->ignore();
	if (fWindow != nullptr)
		fWindow->UserClosed();
}

void KeyRouter::Install()
{
	static QPointer<KeyRouter> router;
	if (router != nullptr || QCoreApplication::instance() == nullptr)
		return;
	router = new KeyRouter;
	router->setParent(QCoreApplication::instance());
	QCoreApplication::instance()->installEventFilter(router);
}

bool KeyBytes(const QKeyEvent* event, QByteArray* bytes)
{
	*bytes = event->text().toUtf8();
	if (!bytes->isEmpty())
		return true;
	char code = 0;
	switch (event->key()) {
		case Qt::Key_Escape: code = char(B_ESCAPE); break;
		case Qt::Key_Return:
		case Qt::Key_Enter: code = char(B_ENTER); break;
		case Qt::Key_Tab: code = char(B_TAB); break;
		case Qt::Key_Backspace: code = char(B_BACKSPACE); break;
		case Qt::Key_Delete: code = char(B_DELETE); break;
		case Qt::Key_Left: code = char(B_LEFT_ARROW); break;
		case Qt::Key_Right: code = char(B_RIGHT_ARROW); break;
		case Qt::Key_Up: code = char(B_UP_ARROW); break;
		case Qt::Key_Down: code = char(B_DOWN_ARROW); break;
		case Qt::Key_Insert: code = char(B_INSERT); break;
		case Qt::Key_Home: code = char(B_HOME); break;
		case Qt::Key_End: code = char(B_END); break;
		case Qt::Key_PageUp: code = char(B_PAGE_UP); break;
		case Qt::Key_PageDown: code = char(B_PAGE_DOWN); break;
		default:
			// Modifier keys alone are no key press of their own.
			if (event->key() >= Qt::Key_F1 && event->key() <= Qt::Key_F35) {
				code = char(B_FUNCTION_KEY);
				break;
			}
			return false;
	}
	*bytes = QByteArray(1, code);
	return true;
}

namespace {

int32 Modifiers(Qt::KeyboardModifiers modifiers)
{
	int32 result = 0;
	if (modifiers & Qt::ShiftModifier)
		result |= B_SHIFT_KEY;
	if (modifiers & Qt::ControlModifier)
		result |= B_COMMAND_KEY | B_CONTROL_KEY;
	if (modifiers & Qt::AltModifier)
		result |= B_OPTION_KEY;
	return result;
}

} // namespace

// A key press reaches the window's common filters as B_KEY_DOWN before the focused widget sees
// it. Left for its first target (the focused view), the widget gets the key as usual; sent
// elsewhere (a filter's new target, the window itself) it goes through the window's queue and
// the widget never sees it; skipped, it is gone.
bool KeyRouter::eventFilter(QObject* watched, QEvent* event)
{
	if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
		return false;
	auto* widget = static_cast<QWidget*>(watched);
	auto* key = static_cast<QKeyEvent*>(event);

	// Qt hands an unaccepted key on to the parent widgets: that is the same press again.
	if (event == fLastEvent && fLastReceiver != nullptr &&
	    widget == fLastReceiver->parentWidget() && key->key() == fLastKey) {
		fLastReceiver = widget;
		return false;
	}
	fLastEvent = event;
	fLastReceiver = widget;
	fLastKey = key->key();

	BWindow* window = BWindow::WindowFor(widget);
	QByteArray bytes;
	if (window == nullptr || !KeyBytes(key, &bytes))
		return false;

	BMessage message(B_KEY_DOWN);
	message.AddInt8("byte", int8(bytes.at(0)));
	message.AddString("bytes", bytes.toStdString());
	message.AddInt32("key", int32(key->nativeScanCode()));
	message.AddInt32("raw_char", int32(uint8(bytes.at(0))));
	message.AddInt32("modifiers", Modifiers(key->modifiers()));
	message.AddInt64("when", int64(key->timestamp()) * 1000);

	BView* focused = ViewForWidget(widget);
	BHandler* first = focused != nullptr && focused->Window() == window
	                      ? static_cast<BHandler*>(focused)
	                      : window;
	BHandler* target = window->RunCommonFilters(&message, first);
	if (target == nullptr)
		return true;
	if (target == first && first != window)
		return false;
	if (target->Looper() == window)
		window->PostFilteredMessage(&message, target);
	else if (BLooper* looper = target->Looper())
		looper->PostMessage(&message, target);
	return true;
}

} // namespace tunk_internal

BWindow::BWindow(BRect frame, const char* title, window_type type, uint32 flags, uint32)
    : BLooper(title), fTitle(title != nullptr ? title : ""), fType(type), fFlags(flags),
      fFrame(frame)
{
	tunk_internal::KeyRouter::Install();
	fWidget = new tunk_internal::WindowWidget(this);
	fWidget->setWindowTitle(QString::fromUtf8(fTitle.c_str()));
	int width = std::max(frame.IntegerWidth() + 1, 1);
	int height = std::max(frame.IntegerHeight() + 1, 1);
	fWidget->setGeometry(tunk_internal::RoundCoordinate(frame.left),
	    tunk_internal::RoundCoordinate(frame.top), width, height);
	if ((flags & B_NOT_RESIZABLE) != 0)
		fWidget->setFixedSize(width, height);
	tunk_internal::WindowList().push_back(this);
}

BWindow::~BWindow()
{
	auto& windows = tunk_internal::WindowList();
	windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
	fWidget->Detach();
	fWidget->hide();
	delete fSideView;
	while (!fChildren.empty()) {
		BView* child = fChildren.back();
		RemoveChild(child);
		delete child;
	}
	delete fWidget;
}

void BWindow::Show()
{
	fWidget->show();
}

void BWindow::Hide()
{
	fWidget->hide();
}

bool BWindow::IsHidden() const
{
	return !fWidget->isVisible();
}

void BWindow::Activate(bool active)
{
	if (active) {
		fWidget->raise();
		fWidget->activateWindow();
	}
}

void BWindow::Quit()
{
	fWidget->hide();
	BLooper::Quit();
}

bool BWindow::QuitRequested()
{
	return true;
}

void BWindow::DeleteSelf()
{
	delete this;
}

void BWindow::UserClosed()
{
	PostMessage(B_QUIT_REQUESTED);
}

void BWindow::DispatchMessage(BMessage* message, BHandler* handler)
{
	BLooper::DispatchMessage(message, handler);
}

void BWindow::MessageReceived(BMessage* message)
{
	BLooper::MessageReceived(message);
}

void BWindow::SetTitle(const char* title)
{
	fTitle = title != nullptr ? title : "";
	SetName(fTitle.c_str());
	fWidget->setWindowTitle(QString::fromUtf8(fTitle.c_str()));
}

BRect BWindow::Bounds() const
{
	// While the views scroll, the canvas holds them at their full size.
	const QSize size = fCanvas != nullptr
	                       ? fCanvas->size()
	                       : QSize(fWidget->width(),
	                             fWidget->height() - MenuBarHeight() - StatusBarHeight());
	return BRect(0, 0, float(size.width() - SideWidth() - 1), float(size.height() - 1));
}

BRect BWindow::Frame() const
{
	QRect geometry = fWidget->geometry();
	return BRect(float(geometry.left()), float(geometry.top()), float(geometry.right()),
	    float(geometry.bottom()));
}

void BWindow::MoveTo(BPoint where)
{
	// The content's corner goes there, as Frame() reports it; moving the widget would place
	// its decoration's corner instead.
	fWidget->setGeometry(QRect(QPoint(tunk_internal::RoundCoordinate(where.x),
	                               tunk_internal::RoundCoordinate(where.y)),
	    fWidget->size()));
}

void BWindow::MoveTo(float x, float y)
{
	MoveTo(BPoint(x, y));
}

void BWindow::ResizeTo(float width, float height)
{
	const int viewsWidth = int(width) + 1 + SideWidth();
	if (fCanvas != nullptr) {
		// The canvas takes the size; the window stays cut to the screen it was fitted to.
		fCanvas->resize(viewsWidth, int(height) + 1);
		return;
	}
	SetWidgetSize(viewsWidth, int(height) + 1 + MenuBarHeight() + StatusBarHeight());
}

// The top-level widget's size, the bars included; the bars and the scroller follow it.
void BWindow::SetWidgetSize(int width, int height)
{
	if ((fFlags & B_NOT_RESIZABLE) != 0)
		fWidget->setFixedSize(width, height);
	else
		fWidget->resize(width, height);
	if (fMenuBar != nullptr)
		fMenuBar->setGeometry(0, 0, width, MenuBarHeight());
	if (fStatusBar != nullptr)
		fStatusBar->setGeometry(0, height - StatusBarHeight(), width, StatusBarHeight());
	if (fScroller != nullptr) {
		fScroller->setGeometry(
		    0, MenuBarHeight(), width, height - MenuBarHeight() - StatusBarHeight());
	}
}

QWidget* BWindow::ViewsParent() const
{
	return fCanvas != nullptr ? fCanvas : fWidget;
}

int BWindow::ViewsTop() const
{
	return fCanvas != nullptr ? 0 : MenuBarHeight();
}

int BWindow::SideWidth() const
{
	return fSideView != nullptr ? fSideView->Frame().IntegerWidth() + 1 : 0;
}

void BWindow::PlaceViews()
{
	for (BView* child : fChildren)
		child->PlaceWidget();
	if (fSideView != nullptr)
		fSideView->PlaceWidget();
}

void BWindow::SetSideView(BView* view)
{
	if (view == nullptr || fSideView != nullptr || view->fParent != nullptr ||
	    view->fWindow != nullptr || view->fBitmap != nullptr)
		return;
	const BRect bounds = Bounds();
	view->MoveTo(bounds.right + 1, 0);
	if (view->Frame().Height() > bounds.Height())
		view->ResizeTo(view->Frame().Width(), bounds.Height());
	const int width = view->Frame().IntegerWidth() + 1;
	if (fCanvas != nullptr)
		fCanvas->resize(fCanvas->width() + width, fCanvas->height());
	else
		SetWidgetSize(fWidget->width() + width, fWidget->height());
	fSideView = view;
	view->fWidget->setParent(ViewsParent());
	view->AttachTree(this, nullptr);
	view->PlaceWidget();
	if (!view->fHidden)
		view->fWidget->show();
	view->NotifyAllAttached();
}

void BWindow::FitInto(BRect screen)
{
	const int screenWidth = screen.IntegerWidth() + 1;
	const int screenHeight = screen.IntegerHeight() + 1;
	const int width = fWidget->width();
	const int height = fWidget->height();
	if (fCanvas != nullptr || (width <= screenWidth && height <= screenHeight))
		return;
	// The canvas holds the views at their full size; the scroller shows what fits.
	fScroller = new QScrollArea(fWidget);
	fScroller->setFrameShape(QFrame::NoFrame);
	fScroller->setWidgetResizable(false);
	fCanvas = new QWidget;
	fCanvas->resize(width, height - MenuBarHeight() - StatusBarHeight());
	for (BView* child : fChildren)
		child->fWidget->setParent(fCanvas);
	if (fSideView != nullptr)
		fSideView->fWidget->setParent(fCanvas);
	PlaceViews();
	for (BView* child : fChildren) {
		if (!child->fHidden)
			child->fWidget->show();
	}
	if (fSideView != nullptr && !fSideView->fHidden)
		fSideView->fWidget->show();
	fScroller->setWidget(fCanvas);
	fScroller->show();
	SetWidgetSize(std::min(width, screenWidth), std::min(height, screenHeight));
}

int BWindow::MenuBarHeight() const
{
	return fMenuBar != nullptr ? fMenuBar->height() : 0;
}

int BWindow::StatusBarHeight() const
{
	return fStatusBar != nullptr ? fStatusBar->height() : 0;
}

void BWindow::AddChild(BView* view, BView* before)
{
	if (view == nullptr || view->fParent != nullptr || view->fWindow != nullptr ||
	    view->fBitmap != nullptr)
		return;
	auto position = std::find(fChildren.begin(), fChildren.end(), before);
	fChildren.insert(position, view);
	view->fWidget->setParent(ViewsParent());
	view->AttachTree(this, nullptr);
	// Placed once attached, so that it sits below the menu bar.
	view->PlaceWidget();
	if (before != nullptr && before->fWindow == this && before->fParent == nullptr)
		view->fWidget->stackUnder(before->fWidget);
	if (!view->fHidden)
		view->fWidget->show();
	view->NotifyAllAttached();
}

bool BWindow::RemoveChild(BView* view)
{
	if (view != nullptr && view == fSideView) {
		fSideView = nullptr;
		view->fWidget->hide();
		view->fWidget->setParent(nullptr);
		view->DetachTree();
		return true;
	}
	auto it = std::find(fChildren.begin(), fChildren.end(), view);
	if (view == nullptr || it == fChildren.end())
		return false;
	fChildren.erase(it);
	view->fWidget->hide();
	view->fWidget->setParent(nullptr);
	view->DetachTree();
	return true;
}

BView* BWindow::ChildAt(int32 index) const
{
	return tunk_internal::ElementAt(fChildren, index);
}

BView* BWindow::FindView(const char* name) const
{
	if (BView* view = tunk_internal::FindViewIn(fChildren, name))
		return view;
	return fSideView != nullptr ? fSideView->FindView(name) : nullptr;
}

BView* BWindow::CurrentFocus() const
{
	QWidget* focus = fWidget->focusWidget();
	BView* view = tunk_internal::ViewForWidget(focus);
	return view != nullptr && view->Window() == this ? view : nullptr;
}

void BWindow::UpdateIfNeeded()
{
	std::vector<BView*> pending(fChildren.begin(), fChildren.end());
	if (fSideView != nullptr)
		pending.push_back(fSideView);
	while (!pending.empty()) {
		BView* view = pending.back();
		pending.pop_back();
		view->ExposeIfNeeded();
		view->fWidget->update();
		for (BView* child : view->fChildren)
			pending.push_back(child);
	}
}

void BWindow::SetMenuBar(QWidget* menuBar)
{
	AddBar(fMenuBar, menuBar);
}

void BWindow::SetStatusBar(QWidget* statusBar)
{
	AddBar(fStatusBar, statusBar);
}

// Adds a bar across the window at its preferred height; the window grows by that much, so that
// its views keep their room, and they move down below a menu bar.
void BWindow::AddBar(QWidget*& slot, QWidget* bar)
{
	if (bar == nullptr || slot != nullptr)
		return;
	const int width = fWidget->width();
	const int height = fWidget->height() + bar->sizeHint().height();
	slot = bar;
	bar->setParent(fWidget);
	bar->resize(width, bar->sizeHint().height());
	bar->show();
	SetWidgetSize(width, height);
	PlaceViews();
}

QWidget* BWindow::Widget() const
{
	return fWidget;
}

BWindow* BWindow::WindowFor(const QWidget* widget)
{
	if (widget == nullptr)
		return nullptr;
	auto* top = dynamic_cast<const tunk_internal::WindowWidget*>(widget->window());
	return top != nullptr ? top->Window() : nullptr;
}
