#include "kits/interface/View.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "kits/interface/Bitmap.h"
#include "kits/interface/InterfacePrivate.h"
#include "kits/interface/Picture.h"
#include "kits/interface/Window.h"

using tunk_internal::PictureOp;

namespace {

// The colour that marks the view with the keyboard focus, and white where the deep blue would
// not show (a dark view).
constexpr rgb_color kNavigationColor = {0, 0, 229, 255};
constexpr rgb_color kRingLight = {255, 255, 255, 255};

// Relative luminance, 0 (black) to 1 (white), of a colour given as sRGB.
double Luminance(QRgb colour)
{
	auto linear = [](int channel) {
		const double c = channel / 255.0;
		return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
	};
	return 0.2126 * linear(qRed(colour)) + 0.7152 * linear(qGreen(colour)) +
	       0.0722 * linear(qBlue(colour));
}

double Contrast(QRgb a, QRgb b)
{
	const double la = Luminance(a) + 0.05;
	const double lb = Luminance(b) + 0.05;
	return std::max(la, lb) / std::min(la, lb);
}

// The ring's colour over one pixel of the view: whichever of the two stands out more.
QRgb RingColourOver(QRgb under)
{
	const QRgb blue = qRgb(kNavigationColor.red, kNavigationColor.green, kNavigationColor.blue);
	const QRgb light = qRgb(kRingLight.red, kRingLight.green, kRingLight.blue);
	return Contrast(blue, under) >= Contrast(light, under) ? blue : light;
}

template <typename Fill> PictureOp MakeOp(PictureOp::Kind kind, Fill fill)
{
	PictureOp op;
	op.kind = kind;
	fill(op);
	return op;
}

} // namespace

namespace tunk_internal {

BView* ViewForWidget(QWidget* widget)
{
	for (; widget != nullptr; widget = widget->parentWidget()) {
		if (auto* viewWidget = dynamic_cast<ViewWidget*>(widget)) {
			if (viewWidget->View() != nullptr)
				return viewWidget->View();
		}
	}
	return nullptr;
}

ViewWidget::ViewWidget(BView* view) : fView(view)
{
	setMouseTracking(true);
}

ViewWidget::~ViewWidget() = default;

void ViewWidget::paintEvent(QPaintEvent*)
{
	if (fView == nullptr)
		return;
	fView->ExposeIfNeeded();
	if (fView->fShowsImage && fView->fBitmap == nullptr) {
		QPainter painter(this);
		painter.drawImage(0, 0, fView->Image());
		// A navigable view with the keyboard focus shows it with a ring one pixel inside its
		// edge, in the keyboard navigation colour where that shows and in white where the view
		// is too dark for it; the ring is never part of the view's image.
		if (hasFocus() && (fView->Flags() & B_NAVIGABLE) != 0 && width() > 2 && height() > 2) {
			const QImage& image = fView->Image();
			const int right = width() - 2;
			const int bottom = height() - 2;
			auto ringPixel = [&](int x, int y) {
				const QRgb under = image.valid(x, y) ? image.pixel(x, y) : qRgb(0, 0, 0);
				painter.setPen(QColor::fromRgb(RingColourOver(under)));
				painter.drawPoint(x, y);
			};
			for (int x = 1; x <= right; x++) {
				ringPixel(x, 1);
				ringPixel(x, bottom);
			}
			for (int y = 2; y < bottom; y++) {
				ringPixel(1, y);
				ringPixel(right, y);
			}
		}
	}
}

void ViewWidget::focusInEvent(QFocusEvent* event)
{
	QWidget::focusInEvent(event);
	update();
}

void ViewWidget::focusOutEvent(QFocusEvent* event)
{
	QWidget::focusOutEvent(event);
	update();
}

// The view's hooks run as a dispatch of its window, as the window's messages do.
void ViewWidget::RunHook(const std::function<void()>& hook)
{
	if (BWindow* window = fView->Window())
		window->RunAsDispatch(hook);
	else
		hook();
}

static BPoint PointOf(const QPointF& position)
{
	return BPoint(float(position.x()), float(position.y()));
}

void ViewWidget::mousePressEvent(QMouseEvent* event)
{
	if (fView == nullptr)
		return;
	BPoint where = PointOf(event->position());
	RunHook([&] { fView->MouseDown(where); });
}

// Transit codes: the move that crosses the edge reports the crossing, the others say on which
// side the mouse is; moves outside only arrive while a button held in the view is dragged.
void ViewWidget::Transit(BPoint where, bool inside)
{
	uint32 transit;
	if (inside != fInside)
		transit = inside ? B_ENTERED_VIEW : B_EXITED_VIEW;
	else
		transit = inside ? B_INSIDE_VIEW : B_OUTSIDE_VIEW;
	fInside = inside;
	RunHook([&] { fView->MouseMoved(where, transit, nullptr); });
}

void ViewWidget::mouseMoveEvent(QMouseEvent* event)
{
	if (fView == nullptr)
		return;
	QPointF position = event->position();
	Transit(PointOf(position), rect().contains(position.toPoint()));
}

void ViewWidget::mouseReleaseEvent(QMouseEvent* event)
{
	if (fView == nullptr)
		return;
	BPoint where = PointOf(event->position());
	RunHook([&] { fView->MouseUp(where); });
}

void ViewWidget::enterEvent(QEnterEvent* event)
{
	if (fView != nullptr && !fInside)
		Transit(PointOf(event->position()), true);
}

void ViewWidget::leaveEvent(QEvent*)
{
	if (fView != nullptr && fInside)
		Transit(PointOf(QPointF(mapFromGlobal(QCursor::pos()))), false);
}

void ViewWidget::keyPressEvent(QKeyEvent* event)
{
	QByteArray bytes;
	if (fView == nullptr || !KeyBytes(event, &bytes)) {
		QWidget::keyPressEvent(event);
		return;
	}
	RunHook([&] { fView->KeyDown(bytes.constData(), int32(bytes.size())); });
}

} // namespace tunk_internal

BView::BView(BRect frame, const char* name, uint32 resizingMode, uint32 flags)
    : BHandler(name), fFrame(frame), fResizingMode(resizingMode), fFlags(flags),
      fState(std::make_unique<tunk_internal::DrawState>())
{
	fWidget = new tunk_internal::ViewWidget(this);
	fWidget->setObjectName(Name());
	SetFlags(flags);
	PlaceWidget();
}

BView::~BView()
{
	if (fParent != nullptr)
		fParent->RemoveChild(this);
	else
		RemoveSelf();
	while (!fChildren.empty()) {
		BView* child = fChildren.back();
		fChildren.pop_back();
		child->fParent = nullptr;
		delete child;
	}
	fWidget->Detach();
	delete fWidget;
}

void BView::AttachedToWindow() {}
void BView::AllAttached() {}
void BView::DetachedFromWindow() {}
void BView::Draw(BRect) {}
void BView::MouseDown(BPoint) {}
void BView::MouseMoved(BPoint, uint32, const BMessage*) {}
void BView::MouseUp(BPoint) {}
void BView::KeyDown(const char*, int32) {}
void BView::FrameResized(float, float) {}
void BView::LayoutChanged() {}

void BView::MessageReceived(BMessage* message)
{
	BHandler::MessageReceived(message);
}

void BView::MakeFocus(bool focus)
{
	if (focus)
		fWidget->setFocus(Qt::OtherFocusReason);
	else if (fWidget->hasFocus())
		fWidget->clearFocus();
}

bool BView::IsFocus() const
{
	return fWidget->hasFocus();
}

void BView::PlaceWidget()
{
	// A window's own views sit below its menu bar, if it has one.
	const int top = fParent == nullptr && fWindow != nullptr ? fWindow->ViewsTop() : 0;
	fWidget->setGeometry(tunk_internal::RoundCoordinate(fFrame.left),
	    tunk_internal::RoundCoordinate(fFrame.top) + top, std::max(fFrame.IntegerWidth() + 1, 0),
	    std::max(fFrame.IntegerHeight() + 1, 0));
	WidgetPlaced();
}

void BView::AddChild(BView* child, BView* before)
{
	if (child == nullptr || child == this || child->fParent != nullptr ||
	    child->fWindow != nullptr || child->fBitmap != nullptr)
		return;
	auto position = std::find(fChildren.begin(), fChildren.end(), before);
	fChildren.insert(position, child);
	child->fParent = this;
	child->fWidget->setParent(fWidget);
	child->PlaceWidget();
	if (before != nullptr && before->fParent == this)
		child->fWidget->stackUnder(before->fWidget);
	if (!child->fHidden)
		child->fWidget->show();
	if (fWindow != nullptr || fBitmap != nullptr) {
		child->AttachTree(fWindow, fBitmap);
		child->NotifyAllAttached();
	}
}

bool BView::RemoveChild(BView* child)
{
	auto it = std::find(fChildren.begin(), fChildren.end(), child);
	if (child == nullptr || it == fChildren.end())
		return false;
	fChildren.erase(it);
	child->fParent = nullptr;
	child->fWidget->hide();
	child->fWidget->setParent(nullptr);
	if (child->fWindow != nullptr || child->fBitmap != nullptr)
		child->DetachTree();
	return true;
}

bool BView::RemoveSelf()
{
	if (fParent != nullptr)
		return fParent->RemoveChild(this);
	if (fWindow != nullptr)
		return fWindow->RemoveChild(this);
	if (fBitmap != nullptr)
		return fBitmap->RemoveChild(this);
	return false;
}

BView* BView::ChildAt(int32 index) const
{
	return tunk_internal::ElementAt(fChildren, index);
}

BView* BView::FindView(const char* name) const
{
	if (name == nullptr)
		return nullptr;
	if (std::string(Name()) == name)
		return const_cast<BView*>(this);
	return tunk_internal::FindViewIn(fChildren, name);
}

BView* tunk_internal::FindViewIn(const std::vector<BView*>& views, const char* name)
{
	for (BView* view : views) {
		if (BView* found = view->FindView(name))
			return found;
	}
	return nullptr;
}

BWindow* BView::Window() const
{
	return fWindow;
}

// Parent first, then the children; AllAttached afterwards, children first.
void BView::AttachTree(BWindow* window, BBitmap* bitmap)
{
	fWindow = window;
	fBitmap = bitmap;
	if (window != nullptr)
		window->AddHandler(this);
	fNeedsDraw = true;
	// Children that AttachedToWindow adds are attached by AddChild itself.
	std::vector<BView*> children = fChildren;
	AttachedToWindow();
	for (BView* child : children)
		child->AttachTree(window, bitmap);
}

void BView::NotifyAllAttached()
{
	for (BView* child : std::vector<BView*>(fChildren))
		child->NotifyAllAttached();
	AllAttached();
}

void BView::DetachTree()
{
	for (BView* child : fChildren)
		child->DetachTree();
	DetachedFromWindow();
	if (fWindow != nullptr)
		fWindow->RemoveHandler(this);
	fWindow = nullptr;
	fBitmap = nullptr;
}

BRect BView::Bounds() const
{
	return BRect(0, 0, fFrame.Width(), fFrame.Height());
}

void BView::MoveTo(BPoint where)
{
	fFrame.OffsetTo(where);
	PlaceWidget();
}

void BView::MoveTo(float x, float y)
{
	MoveTo(BPoint(x, y));
}

void BView::MoveBy(float dx, float dy)
{
	MoveTo(fFrame.left + dx, fFrame.top + dy);
}

void BView::ResizeTo(float width, float height)
{
	fFrame.right = fFrame.left + width;
	fFrame.bottom = fFrame.top + height;
	PlaceWidget();
	fNeedsDraw = true;
	LayoutChanged();
	if ((fFlags & B_FRAME_EVENTS) != 0)
		FrameResized(width, height);
}

void BView::ResizeBy(float dx, float dy)
{
	ResizeTo(fFrame.Width() + dx, fFrame.Height() + dy);
}

void BView::GetPreferredSize(float* width, float* height)
{
	if (width != nullptr)
		*width = fFrame.Width();
	if (height != nullptr)
		*height = fFrame.Height();
}

void BView::ResizeToPreferred()
{
	float width = 0;
	float height = 0;
	GetPreferredSize(&width, &height);
	ResizeTo(width, height);
}

void BView::SetFlags(uint32 flags)
{
	fFlags = flags;
	fWidget->setFocusPolicy((flags & B_NAVIGABLE) != 0 ? Qt::StrongFocus : Qt::NoFocus);
}

void BView::Show()
{
	fHidden = false;
	if (fParent != nullptr || fWindow != nullptr)
		fWidget->show();
}

void BView::Hide()
{
	fHidden = true;
	fWidget->hide();
}

void BView::SetToolTip(const char* text)
{
	fToolTip = text != nullptr ? text : "";
	fWidget->setToolTip(QString::fromUtf8(fToolTip.c_str()));
}

bool BView::IsHidden() const
{
	return fHidden;
}

bool BView::LockLooper()
{
	if (fWindow != nullptr)
		return fWindow->Lock();
	if (fBitmap != nullptr)
		return fBitmap->Lock();
	return false;
}

void BView::UnlockLooper()
{
	if (fWindow != nullptr)
		fWindow->Unlock();
	else if (fBitmap != nullptr)
		fBitmap->Unlock();
}

// The state.

void BView::SetViewColor(rgb_color color)
{
	fState->view = color;
}

void BView::SetViewColor(uint8 r, uint8 g, uint8 b, uint8 a)
{
	SetViewColor(rgb_color{r, g, b, a});
}

rgb_color BView::ViewColor() const
{
	return fState->view;
}

void BView::SetHighColor(rgb_color color)
{
	Perform(MakeOp(PictureOp::kHighColor, [&](PictureOp& op) { op.color = color; }));
}

void BView::SetHighColor(uint8 r, uint8 g, uint8 b, uint8 a)
{
	SetHighColor(rgb_color{r, g, b, a});
}

rgb_color BView::HighColor() const
{
	return fState->high;
}

void BView::SetLowColor(rgb_color color)
{
	Perform(MakeOp(PictureOp::kLowColor, [&](PictureOp& op) { op.color = color; }));
}

void BView::SetLowColor(uint8 r, uint8 g, uint8 b, uint8 a)
{
	SetLowColor(rgb_color{r, g, b, a});
}

rgb_color BView::LowColor() const
{
	return fState->low;
}

void BView::SetDrawingMode(drawing_mode mode)
{
	Perform(MakeOp(PictureOp::kDrawingMode, [&](PictureOp& op) { op.mode = mode; }));
}

drawing_mode BView::DrawingMode() const
{
	return fState->mode;
}

void BView::MovePenTo(BPoint where)
{
	Perform(MakeOp(PictureOp::kMovePen, [&](PictureOp& op) { op.a = where; }));
}

void BView::MovePenTo(float x, float y)
{
	MovePenTo(BPoint(x, y));
}

BPoint BView::PenLocation() const
{
	return fState->pen;
}

// Drawing.

void BView::StrokeLine(BPoint to, pattern p)
{
	Perform(MakeOp(PictureOp::kLineFromPen, [&](PictureOp& op) {
		op.a = to;
		op.pat = p;
	}));
}

void BView::StrokeLine(BPoint from, BPoint to, pattern p)
{
	Perform(MakeOp(PictureOp::kLine, [&](PictureOp& op) {
		op.a = from;
		op.b = to;
		op.pat = p;
	}));
}

void BView::StrokeRect(BRect rect, pattern p)
{
	Perform(MakeOp(PictureOp::kStrokeRect, [&](PictureOp& op) {
		op.rect = rect;
		op.pat = p;
	}));
}

void BView::FillRect(BRect rect, pattern p)
{
	Perform(MakeOp(PictureOp::kFillRect, [&](PictureOp& op) {
		op.rect = rect;
		op.pat = p;
	}));
}

static std::shared_ptr<const QImage> ImageOf(const BBitmap* bitmap)
{
	return std::make_shared<const QImage>(bitmap->Image());
}

void BView::DrawBitmap(const BBitmap* bitmap)
{
	if (bitmap != nullptr)
		Perform(
		    MakeOp(PictureOp::kBitmapAtPen, [&](PictureOp& op) { op.image = ImageOf(bitmap); }));
}

void BView::DrawBitmap(const BBitmap* bitmap, BPoint where)
{
	if (bitmap != nullptr)
		Perform(MakeOp(PictureOp::kBitmap, [&](PictureOp& op) {
			op.a = where;
			op.image = ImageOf(bitmap);
		}));
}

void BView::DrawBitmapAsync(const BBitmap* bitmap)
{
	DrawBitmap(bitmap);
}

void BView::DrawBitmapAsync(const BBitmap* bitmap, BPoint where)
{
	DrawBitmap(bitmap, where);
}

void BView::DrawPicture(const BPicture* picture)
{
	if (picture != nullptr)
		Perform(MakeOp(PictureOp::kPictureAtPen, [&](PictureOp& op) {
			op.ops = std::make_shared<const std::vector<PictureOp>>(picture->fOps);
		}));
}

void BView::DrawPicture(const BPicture* picture, BPoint where)
{
	if (picture != nullptr)
		Perform(MakeOp(PictureOp::kPicture, [&](PictureOp& op) {
			op.a = where;
			op.ops = std::make_shared<const std::vector<PictureOp>>(picture->fOps);
		}));
}

void BView::BeginPicture(BPicture* picture)
{
	if (picture != nullptr)
		picture->fOps.clear();
	fRecording = picture;
}

BPicture* BView::EndPicture()
{
	BPicture* picture = fRecording;
	fRecording = nullptr;
	return picture;
}

void BView::Perform(const PictureOp& op)
{
	if (fRecording != nullptr) {
		fRecording->fOps.push_back(op);
		ApplyOp(op, B_ORIGIN, false);
		return;
	}
	ApplyOp(op, B_ORIGIN, true);
	PaintChanged();
}

// A picture replays relative to its origin and leaves the view's state as it found it.
void BView::Replay(const std::vector<PictureOp>& ops, BPoint origin)
{
	tunk_internal::DrawState saved = *fState;
	fState->pen = origin;
	for (const PictureOp& op : ops)
		ApplyOp(op, origin, true);
	*fState = saved;
}

void BView::ApplyOp(const PictureOp& op, BPoint origin, bool draw)
{
	tunk_internal::DrawState& state = *fState;
	switch (op.kind) {
		case PictureOp::kHighColor: state.high = op.color; return;
		case PictureOp::kLowColor: state.low = op.color; return;
		case PictureOp::kDrawingMode: state.mode = op.mode; return;
		case PictureOp::kMovePen: state.pen = origin + op.a; return;
		default: break;
	}
	BPoint penAfter = state.pen;
	if (op.kind == PictureOp::kLineFromPen)
		penAfter = origin + op.a;
	else if (op.kind == PictureOp::kLine)
		penAfter = origin + op.b;
	if (draw) {
		QImage& image = Target();
		bool opaque = TargetIsOpaque();
		switch (op.kind) {
			case PictureOp::kLineFromPen:
				tunk_internal::StrokeLinePixels(
				    image, opaque, state.pen, origin + op.a, state, op.pat);
				break;
			case PictureOp::kLine:
				tunk_internal::StrokeLinePixels(
				    image, opaque, origin + op.a, origin + op.b, state, op.pat);
				break;
			case PictureOp::kStrokeRect:
				tunk_internal::StrokeRectPixels(
				    image, opaque, op.rect.OffsetByCopy(origin.x, origin.y), state, op.pat);
				break;
			case PictureOp::kFillRect:
				tunk_internal::FillRectPixels(
				    image, opaque, op.rect.OffsetByCopy(origin.x, origin.y), state, op.pat);
				break;
			case PictureOp::kBitmapAtPen:
				tunk_internal::DrawImagePixels(image, opaque, *op.image, state.pen, state.mode);
				break;
			case PictureOp::kBitmap:
				tunk_internal::DrawImagePixels(image, opaque, *op.image, origin + op.a, state.mode);
				break;
			case PictureOp::kPictureAtPen: Replay(*op.ops, state.pen); break;
			case PictureOp::kPicture: Replay(*op.ops, origin + op.a); break;
			default: break;
		}
	}
	state.pen = penAfter;
}

void BView::PaintChanged()
{
	if (fBitmap == nullptr && !fInExpose)
		fWidget->update();
}

void BView::Invalidate()
{
	fNeedsDraw = true;
	fWidget->update();
}

void BView::Invalidate(BRect)
{
	Invalidate();
}

void BView::Expose()
{
	if (fBitmap == nullptr && !(fState->view == B_TRANSPARENT_COLOR)) {
		rgb_color c = fState->view;
		Target().fill(qRgba(c.red, c.green, c.blue, 255));
	}
	fNeedsDraw = false;
	bool wasExposing = fInExpose;
	fInExpose = true;
	LockLooper();
	Draw(Bounds());
	UnlockLooper();
	fInExpose = wasExposing;
	if (!wasExposing)
		fWidget->update();
}

// From the widget's paint event, which shows the image right afterwards.
void BView::ExposeIfNeeded()
{
	if (!fNeedsDraw)
		return;
	fInExpose = true;
	Expose();
	fInExpose = false;
}

QWidget* BView::Widget() const
{
	return fWidget;
}

QImage& BView::Target()
{
	if (fBitmap != nullptr)
		return fBitmap->Image();
	int width = std::max(fFrame.IntegerWidth() + 1, 1);
	int height = std::max(fFrame.IntegerHeight() + 1, 1);
	if (!fImage || fImage->width() != width || fImage->height() != height) {
		fImage = std::make_unique<QImage>(width, height, QImage::Format_ARGB32);
		fImage->fill(0);
	}
	return *fImage;
}

const QImage& BView::Image() const
{
	return const_cast<BView*>(this)->Target();
}

void BView::SetShowsImage(bool shows)
{
	fShowsImage = shows;
}
