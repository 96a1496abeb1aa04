#include "views/PanelDrawing.h"

#include "kits/interface/Picture.h"
#include "kits/interface/View.h"
#include "views/ViewGeometry.h"

namespace panel_drawing {

using namespace view_geometry;

void StrokeSunkenFrame(BView* view, BRect r)
{
	view->SetHighColor(kFrameColor);
	view->StrokeRect(r, B_SOLID_HIGH);
	view->SetHighColor(kHighlightColor);
	view->MovePenTo(r.left, r.bottom);
	view->StrokeLine(BPoint(r.right, r.bottom), B_SOLID_HIGH);
	view->StrokeLine(BPoint(r.right, r.top), B_SOLID_HIGH);
}

void RecordBackground(BView* view, BPicture* background, BPicture* curve)
{
	view->BeginPicture(background);
	BRect r = view->Bounds();
	view->SetDrawingMode(B_OP_COPY);
	view->SetLowColor(kPanelColor);
	view->FillRect(r, B_SOLID_LOW);
	// The frame colours are opaque, so alpha mode draws them as they are; the curve that
	// follows in the same mode is the one thing that blends.
	view->SetDrawingMode(B_OP_ALPHA);
	StrokeSunkenFrame(view, r);
	view->SetHighColor(kCurveColor);
	view->SetLowColor(kPanelColor);
	view->EndPicture();

	view->BeginPicture(curve);
	view->EndPicture();
}

void ShowPictures(BView* view, const BPicture* background, const BPicture* curve)
{
	view->MovePenTo(0, 0);
	view->DrawPicture(background);
	if (curve != nullptr)
		view->DrawPicture(curve);
}

}  // namespace panel_drawing
