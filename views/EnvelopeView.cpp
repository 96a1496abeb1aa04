#include "views/EnvelopeView.h"

#include "kits/app/Message.h"
#include "kits/interface/Window.h"
#include "views/ViewGeometry.h"

EnvelopeView::EnvelopeView(BRect frame, const char* name, int32 curveType)
    : CurvePanelView(frame, name), fCurveType(curveType)
{
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
	if (IsEnabled())
		TakeCurveFrom(where);
	fPressed = true;
}

void EnvelopeView::MouseMoved(BPoint where, uint32 transit, const BMessage*)
{
	if (!IsEnabled())
		return;
	if (transit == B_INSIDE_VIEW && fPressed)
		TakeCurveFrom(where);
	// Leaving the view ends the drag: coming back with the button held changes nothing.
	if (transit == B_EXITED_VIEW)
		fPressed = false;
}

void EnvelopeView::MouseUp(BPoint where)
{
	if (IsEnabled())
		TakeCurveFrom(where);
	fPressed = false;
}
