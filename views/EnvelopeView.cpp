#include "views/EnvelopeView.h"

#include "kits/app/Message.h"
#include "kits/interface/Window.h"
#include "views/PanelDrawing.h"
#include "views/ViewGeometry.h"

EnvelopeView::EnvelopeView(BRect frame, const char* name, int32 curveType)
	: BView(frame, name, B_FOLLOW_NONE, B_WILL_DRAW), fCurveType(curveType)
{
}

EnvelopeView::~EnvelopeView() = default;

void EnvelopeView::AttachedToWindow()
{
	panel_drawing::RecordBackground(this, &fBackground, &fCurve);
}

void EnvelopeView::Draw(BRect)
{
	panel_drawing::ShowPictures(this, &fBackground, fEnabled ? &fCurve : nullptr);
}

void EnvelopeView::Clear()
{
	panel_drawing::ShowPictures(this, &fBackground, nullptr);
}

void EnvelopeView::SetEnabled(bool enabled)
{
	fEnabled = enabled;
}

float EnvelopeView::CalcCurve(float x, float width) const
{
	return view_geometry::CurveValueAt(x, width);
}

void EnvelopeView::TakeCurveFrom(BPoint where)
{
	fCurveValue = view_geometry::StoredCurveValue(CalcCurve(where.x, Bounds().right));
	BMessage message(kCurveMessage);
	message.AddInt32("curvetype", fCurveType);
	if (BWindow* window = Window())
		window->PostMessage(&message);
}

void EnvelopeView::MouseDown(BPoint where)
{
	if (fEnabled)
		TakeCurveFrom(where);
	fPressed = true;
}

void EnvelopeView::MouseMoved(BPoint where, uint32 transit, const BMessage*)
{
	if (!fEnabled)
		return;
	if (transit == B_INSIDE_VIEW && fPressed)
		TakeCurveFrom(where);
	// Leaving the view ends the drag: coming back with the button held changes nothing.
	if (transit == B_EXITED_VIEW)
		fPressed = false;
}

void EnvelopeView::MouseUp(BPoint where)
{
	if (fEnabled)
		TakeCurveFrom(where);
	fPressed = false;
}
