// BView: a rectangle of a window (or of a bitmap) that draws and receives mouse and key events.
// Each view is a QWidget showing a backing image of its bounds' size. Drawing calls paint into
// that image at once; the widget shows the image. Pixel rules: a rectangle includes its right and
// bottom edges, a stroked line both of its end points; coordinates are rounded to the nearest
// pixel (halves up). While a picture is being recorded, drawing calls and state changes go into
// the picture (state changes also apply to the view) and nothing is drawn.
//
// Draw runs when the view must be repainted as a whole: when it is first shown and after
// Invalidate(). The image is erased to the view colour first (unless that is
// B_TRANSPARENT_COLOR). Drawing done outside Draw stays in the image until the next exposure.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "kits/app/Handler.h"
#include "kits/interface/GraphicsDefs.h"
#include "kits/interface/InterfaceDefs.h"
#include "kits/interface/Point.h"
#include "kits/interface/Rect.h"
#include "kits/support/SupportDefs.h"

class BBitmap;
class BMessage;
class BPicture;
class BWindow;
class QImage;
class QWidget;

namespace tunk_internal {
class ViewWidget;
struct PictureOp;
struct DrawState;
} // namespace tunk_internal

class BView : public BHandler {
public:
	BView(BRect frame, const char* name, uint32 resizingMode, uint32 flags);
	// Deletes the child views; a view still in a parent is removed from it first.
	~BView() override;

	// Hooks.
	// Called when the view (and afterwards each of its children, recursively) reaches a window
	// or a bitmap.
	virtual void AttachedToWindow();
	// Called after AttachedToWindow has run for the view and all its children.
	virtual void AllAttached();
	virtual void DetachedFromWindow();
	virtual void Draw(BRect updateRect);
	virtual void MouseDown(BPoint where);
	// transit: B_ENTERED_VIEW, B_INSIDE_VIEW, B_EXITED_VIEW or B_OUTSIDE_VIEW (while a button
	// held in the view is dragged outside it).
	virtual void MouseMoved(BPoint where, uint32 transit, const BMessage* dragged);
	virtual void MouseUp(BPoint where);
	virtual void KeyDown(const char* bytes, int32 numBytes);
	virtual void FrameResized(float newWidth, float newHeight);
	virtual void MakeFocus(bool focus = true);
	void MessageReceived(BMessage* message) override;

	// The view tree. A view added to a parent belongs to it.
	void AddChild(BView* child, BView* before = nullptr);
	bool RemoveChild(BView* child);
	int32 CountChildren() const { return int32(fChildren.size()); }
	BView* ChildAt(int32 index) const;
	// This view or a descendant with the name, nullptr when none.
	BView* FindView(const char* name) const;
	BView* Parent() const { return fParent; }
	BWindow* Window() const;
	// Removes the view from its parent (or window, or bitmap) without deleting it.
	bool RemoveSelf();

	// Geometry: Bounds is in the view's own coordinates (0, 0, width - 1, height - 1), Frame in
	// the parent's.
	BRect Bounds() const;
	BRect Frame() const { return fFrame; }
	void MoveTo(BPoint where);
	void MoveTo(float x, float y);
	void MoveBy(float dx, float dy);
	void ResizeTo(float width, float height);
	void ResizeBy(float dx, float dy);
	virtual void GetPreferredSize(float* width, float* height);
	// Keeps the left-top corner and takes the preferred size.
	virtual void ResizeToPreferred();
	uint32 ResizingMode() const { return fResizingMode; }
	uint32 Flags() const { return fFlags; }
	void SetFlags(uint32 flags);

	bool IsFocus() const;
	virtual void Show();
	virtual void Hide();
	bool IsHidden() const;

	// The text shown when the mouse rests on the view (none when empty).
	virtual void SetToolTip(const char* text);
	const char* ToolTip() const { return fToolTip.c_str(); }

	// Locks the window (or bitmap) the view draws in; false when it has none.
	bool LockLooper();
	void UnlockLooper();

	// Drawing state.
	void SetViewColor(rgb_color color);
	void SetViewColor(uint8 r, uint8 g, uint8 b, uint8 a = 255);
	rgb_color ViewColor() const;
	void SetHighColor(rgb_color color);
	void SetHighColor(uint8 r, uint8 g, uint8 b, uint8 a = 255);
	rgb_color HighColor() const;
	void SetLowColor(rgb_color color);
	void SetLowColor(uint8 r, uint8 g, uint8 b, uint8 a = 255);
	rgb_color LowColor() const;
	void SetDrawingMode(drawing_mode mode);
	drawing_mode DrawingMode() const;
	void MovePenTo(BPoint where);
	void MovePenTo(float x, float y);
	BPoint PenLocation() const;

	// Drawing. The one-point StrokeLine draws from the pen; every line leaves the pen at its end.
	void StrokeLine(BPoint to, pattern p = B_SOLID_HIGH);
	void StrokeLine(BPoint from, BPoint to, pattern p = B_SOLID_HIGH);
	void StrokeRect(BRect rect, pattern p = B_SOLID_HIGH);
	void FillRect(BRect rect, pattern p = B_SOLID_HIGH);
	// Draws the bitmap with its left-top corner at where (at the pen without a point).
	void DrawBitmap(const BBitmap* bitmap);
	void DrawBitmap(const BBitmap* bitmap, BPoint where);
	void DrawBitmapAsync(const BBitmap* bitmap);
	void DrawBitmapAsync(const BBitmap* bitmap, BPoint where);
	// Replays the picture with its origin at the pen (or at where); the view's drawing state is
	// the same afterwards as before.
	void DrawPicture(const BPicture* picture);
	void DrawPicture(const BPicture* picture, BPoint where);
	// Drawing lands at once, so these only exist for callers that wait for it.
	void Sync() const {}
	void Flush() const {}

	// Starts recording into the picture, replacing what it held.
	void BeginPicture(BPicture* picture);
	// Stops recording and returns the picture.
	BPicture* EndPicture();

	// Asks for a repaint through Draw (an exposure).
	void Invalidate();
	void Invalidate(BRect rect);

	// What the toolkit does when the view is exposed, run now: erase to the view colour, then
	// Draw(Bounds()). Lets tests and hidden windows see what a repaint shows.
	void Expose();

	// The Qt side, for tests and for controls built on Qt widgets.
	QWidget* Widget() const;
	// The pixels the view draws into: its backing image, or its bitmap's image when the view is
	// a child of a bitmap.
	const QImage& Image() const;

protected:
	// Controls draw through their Qt widget and show no backing image of their own.
	void SetShowsImage(bool shows);
	// Called after the view's frame changed size.
	virtual void LayoutChanged();
	// Called after the view's widget took its place in the parent; a control whose label
	// would be clipped by its frame may widen its widget into the free space beside it.
	virtual void WidgetPlaced() {}

private:
	friend class BWindow;
	friend class BBitmap;
	friend class tunk_internal::ViewWidget;

	void AttachTree(BWindow* window, BBitmap* bitmap);
	void DetachTree();
	void NotifyAllAttached();
	void SetOwner(BWindow* window, BBitmap* bitmap);
	QImage& Target();
	bool TargetIsOpaque() const { return fBitmap == nullptr; }
	// Records the operation while a picture is recorded (applying only its state change), else
	// carries it out.
	void Perform(const tunk_internal::PictureOp& op);
	void Replay(const std::vector<tunk_internal::PictureOp>& ops, BPoint origin);
	void ApplyOp(const tunk_internal::PictureOp& op, BPoint origin, bool draw);
	void PaintChanged();
	void ExposeIfNeeded();
	void PlaceWidget();

	BRect fFrame;
	uint32 fResizingMode;
	uint32 fFlags;
	BView* fParent = nullptr;
	BWindow* fWindow = nullptr;
	BBitmap* fBitmap = nullptr;
	std::vector<BView*> fChildren;
	std::unique_ptr<tunk_internal::DrawState> fState;
	BPicture* fRecording = nullptr;
	bool fNeedsDraw = true;
	bool fShowsImage = true;
	bool fHidden = false;
	bool fInExpose = false;
	tunk_internal::ViewWidget* fWidget = nullptr;
	std::unique_ptr<QImage> fImage;
	std::string fToolTip;
};
