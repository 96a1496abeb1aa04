#include "views/PanelDrawing.h"

#include "kits/interface/View.h"
#include "views/ViewGeometry.h"

namespace panel_drawing {

void StrokeSunkenFrame(BView* view, BRect r)
{
	view->SetHighColor(view_geometry::kFrameColor);
	view->StrokeRect(r, B_SOLID_HIGH);
	view->SetHighColor(view_geometry::kHighlightColor);
	view->MovePenTo(r.left, r.bottom);
	view->StrokeLine(BPoint(r.right, r.bottom), B_SOLID_HIGH);
	view->StrokeLine(BPoint(r.right, r.top), B_SOLID_HIGH);
}

} // namespace panel_drawing
