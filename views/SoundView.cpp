#include "views/SoundView.h"

#include <cmath>
#include <utility>

#include "kits/interface/Bitmap.h"
#include "views/PanelDrawing.h"
#include "views/ViewGeometry.h"

SoundView::SoundView(BRect frame, const char* name)
    : BView(frame, name, B_FOLLOW_NONE, B_WILL_DRAW),
      fBitmap(new BBitmap(frame.OffsetToCopy(0, 0), B_RGBA32, true, false))
{
}

SoundView::~SoundView()
{
	// The bitmap deletes its drawing view with it.
	delete fBitmap;
}

void SoundView::AttachedToWindow()
{
	if (fBitmapView == nullptr) {
		fBitmapView = new BView(Bounds(), "WaveBitmapView", B_FOLLOW_NONE, B_WILL_DRAW);
		fBitmap->AddChild(fBitmapView);
	}
	Clear();
}

void SoundView::Draw(BRect)
{
	MovePenTo(0, 0);
	DrawBitmapAsync(fBitmap);
	Sync();
}

void SoundView::Clear()
{
	using namespace view_geometry;
	BRect r = Bounds();
	if (fBitmapView != nullptr && fBitmapView->LockLooper()) {
		fBitmapView->SetLowColor(kPanelColor);
		fBitmapView->FillRect(r, B_SOLID_LOW);
		panel_drawing::StrokeSunkenFrame(fBitmapView, r);
		fBitmapView->SetHighColor(kTraceColor);
		fBitmapView->Sync();
		fBitmapView->UnlockLooper();
	}
	MovePenTo(0, 0);
	DrawBitmap(fBitmap);
}

void SoundView::SetDragHandler(float startDistance, std::function<void()> handler)
{
	fDragDistance = startDistance;
	fDragHandler = std::move(handler);
}

void SoundView::MouseDown(BPoint where)
{
	fPressed = true;
	fPressPoint = where;
}

void SoundView::MouseMoved(BPoint where, uint32, const BMessage*)
{
	if (!fPressed || !fDragHandler)
		return;
	if (std::fabs(where.x - fPressPoint.x) + std::fabs(where.y - fPressPoint.y) < fDragDistance)
		return;
	// The drag takes the mouse until the drop, so the release may never reach the view.
	fPressed = false;
	fDragHandler();
}

void SoundView::MouseUp(BPoint)
{
	fPressed = false;
}
