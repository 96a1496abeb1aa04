#include "views/CurvePanelView.h"

#include "views/PanelDrawing.h"
#include "views/ViewGeometry.h"

using namespace view_geometry;

CurvePanelView::CurvePanelView(BRect frame, const char* name)
    : BView(frame, name, B_FOLLOW_NONE, B_WILL_DRAW)
{
}

CurvePanelView::~CurvePanelView() = default;

void CurvePanelView::AttachedToWindow()
{
	BeginPicture(&fBackground);
	BRect r = Bounds();
	SetDrawingMode(B_OP_COPY);
	SetLowColor(kPanelColor);
	FillRect(r, B_SOLID_LOW);
	// The frame colours are opaque, so alpha mode draws them as they are; the curve that
	// follows in the same mode is the one thing that blends.
	SetDrawingMode(B_OP_ALPHA);
	panel_drawing::StrokeSunkenFrame(this, r);
	SetHighColor(kCurveColor);
	SetLowColor(kPanelColor);
	EndPicture();

	BeginPicture(&fCurve);
	EndPicture();
}

void CurvePanelView::Draw(BRect)
{
	Clear();
	if (fEnabled)
		DrawPicture(&fCurve);
}

void CurvePanelView::Clear()
{
	MovePenTo(0, 0);
	DrawPicture(&fBackground);
}

void CurvePanelView::SetEnabled(bool enabled)
{
	fEnabled = enabled;
}

void CurvePanelView::BeginCurve()
{
	BeginPicture(&fCurve);
	Clear();
	SetDrawingMode(B_OP_ALPHA);
	SetHighColor(kCurveColor);
}

void CurvePanelView::EndCurve()
{
	EndPicture();
	MovePenTo(0, 0);
	DrawPicture(&fCurve);
}
