#include "views/SoundView.h"

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
