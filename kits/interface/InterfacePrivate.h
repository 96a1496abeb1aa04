// The interface kit's inner parts: drawing state, recorded operations, the pixel rules, and the
// Qt widgets behind windows and views. Not for use outside kits/.
#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "kits/interface/GraphicsDefs.h"
#include "kits/interface/Point.h"
#include "kits/interface/Rect.h"

class BView;
class BWindow;
class QAbstractButton;
class QKeyEvent;

namespace tunk_internal {

struct DrawState {
	rgb_color high = {0, 0, 0, 255};
	rgb_color low = {255, 255, 255, 255};
	rgb_color view = {255, 255, 255, 255};
	drawing_mode mode = B_OP_COPY;
	BPoint pen;
};

// One recorded drawing call or state change. Points and rectangles are in the recording view's
// coordinates; replay offsets them by the origin the picture is drawn at.
struct PictureOp {
	enum Kind {
		kHighColor,
		kLowColor,
		kDrawingMode,
		kMovePen,
		kLineFromPen,
		kLine,
		kStrokeRect,
		kFillRect,
		kBitmapAtPen,
		kBitmap,
		kPictureAtPen,
		kPicture,
	};

	Kind kind = kHighColor;
	rgb_color color = {};
	drawing_mode mode = B_OP_COPY;
	BPoint a;
	BPoint b;
	BRect rect;
	pattern pat = B_SOLID_HIGH;
	std::shared_ptr<const QImage> image;
	std::shared_ptr<const std::vector<PictureOp>> ops;
};

// The pixel rules. Every function clips to the image. An opaque target (a view's own image)
// keeps alpha 255 wherever something is drawn.
int RoundCoordinate(float value);
uint8 BlendChannel(uint8 dst, uint8 src, uint8 alpha);
void FillRectPixels(QImage& image, bool opaque, BRect rect, const DrawState& state, pattern p);
void StrokeRectPixels(QImage& image, bool opaque, BRect rect, const DrawState& state, pattern p);
void StrokeLinePixels(
    QImage& image, bool opaque, BPoint from, BPoint to, const DrawState& state, pattern p);
void DrawImagePixels(
    QImage& image, bool opaque, const QImage& source, BPoint where, drawing_mode mode);

// The widget behind a BView: shows the view's image and turns Qt's mouse and key events into
// the view's hooks.
class ViewWidget : public QWidget {
public:
	ViewWidget(BView* view);
	~ViewWidget() override;

	BView* View() const { return fView; }
	void Detach() { fView = nullptr; }

protected:
	void paintEvent(QPaintEvent* event) override;
	void mousePressEvent(QMouseEvent* event) override;
	void mouseMoveEvent(QMouseEvent* event) override;
	void mouseReleaseEvent(QMouseEvent* event) override;
	void enterEvent(QEnterEvent* event) override;
	void leaveEvent(QEvent* event) override;
	void keyPressEvent(QKeyEvent* event) override;
	void focusInEvent(QFocusEvent* event) override;
	void focusOutEvent(QFocusEvent* event) override;

private:
	void RunHook(const std::function<void()>& hook);
	void Transit(BPoint where, bool inside);

	BView* fView;
	bool fInside = false;
};

// The top-level widget behind a BWindow.
class WindowWidget : public QWidget {
public:
	explicit WindowWidget(BWindow* window);

	BWindow* Window() const { return fWindow; }
	void Detach() { fWindow = nullptr; }

protected:
	void closeEvent(QCloseEvent* event) override;

private:
	BWindow* fWindow;
};

// Runs a window's common filters on each key press before the focused widget sees it.
class KeyRouter : public QObject {
public:
	// Installs the router on the running QApplication once.
	static void Install();

protected:
	bool eventFilter(QObject* watched, QEvent* event) override;

private:
	const QEvent* fLastEvent = nullptr;
	QPointer<QWidget> fLastReceiver;
	int fLastKey = 0;
};

// The byte a key press stands for: the first byte of its text, or the platform's code of a key
// without text (arrows, Enter, function keys ...). False for a modifier key alone.
bool KeyBytes(const QKeyEvent* event, QByteArray* bytes);

// The modifiers that make a key a command rather than a key of its own.
constexpr Qt::KeyboardModifiers kCommandKeys =
    Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

// Return or the keypad's Enter, without Control, Alt or Meta: the key that presses a focused
// button.
bool IsEnterKey(const QKeyEvent* event);

// Calls the handler with each key press that reaches the widget, before the widget's own
// handling; a true result means the handler took the key. The hook lives as long as the widget.
void OnKeyPress(QWidget* widget, std::function<bool(const QKeyEvent*)> handler);

// Enter clicks the button while it is enabled. The space bar belongs to the window (it plays),
// so Enter is what presses a focused button or toggles a focused check box.
void ClickOnEnter(QAbstractButton* button);

// Text controls and menu fields: a label left of a field, split at a divider. The toolkit's
// divider leaves the label its preferred width and a small gap (0 without a label).
float DefaultDivider(const QWidget* label, bool hasLabel, int width);
int LabelWidth(const QWidget* label, bool hasLabel);
void PlaceLabelAndField(QWidget* label, QWidget* field, float divider, int width, int height);

// The element at index, nullptr when the index is out of range.
template <typename T> T* ElementAt(const std::vector<T*>& elements, int32 index)
{
	return index >= 0 && size_t(index) < elements.size() ? elements[size_t(index)] : nullptr;
}

// The first view with the name in the trees below the views.
BView* FindViewIn(const std::vector<BView*>& views, const char* name);

// The BView that a Qt widget belongs to (the widget itself or the nearest ancestor that is a
// view's widget), nullptr when none.
BView* ViewForWidget(QWidget* widget);

} // namespace tunk_internal
