#include "views/EnvelopeView.h"

#include "kits/app/Message.h"
#include "kits/interface/InterfaceDefs.h"
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
	TakeCurve(view_geometry::StoredCurveValue(CalcCurve(where.x, Bounds().right)));
}

void EnvelopeView::TakeCurve(float value)
{
	fCurveValue = value;
	BMessage message(kCurveMessage);
	message.AddInt32("curvetype", fCurveType);
	if (BWindow* window = Window())
		window->PostMessage(&message);
}

void EnvelopeView::KeyDown(const char* bytes, int32 numBytes)
{
	if (!IsEnabled() || numBytes < 1)
		return;
	int step = 0;
	switch (bytes[0]) {
		case B_LEFT_ARROW:
		case B_DOWN_ARROW: step = -1; break;
		case B_RIGHT_ARROW:
		case B_UP_ARROW: step = 1; break;
		default: return;
	}
	float next = view_geometry::CurveKeyStep(fShownCurve, step);
	if (next == fShownCurve)
		return;
	// Shown from now on: a second press before the window has redrawn steps on from here.
	fShownCurve = next;
	TakeCurve(next);
}

void EnvelopeView::SetEnabled(bool enabled)
{
	CurvePanelView::SetEnabled(enabled);
	SetFlags(enabled ? Flags() | B_NAVIGABLE : Flags() & ~uint32(B_NAVIGABLE));
	if (!enabled && IsFocus())
		MakeFocus(false);
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
