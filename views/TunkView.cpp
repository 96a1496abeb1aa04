#include "views/TunkView.h"

#include "views/ViewGeometry.h"

TunkView::TunkView(BRect frame, const char* name) : BView(frame, name, B_FOLLOW_NONE, B_WILL_DRAW)
{
}

void TunkView::AttachedToWindow()
{
	SetViewColor(view_geometry::kBackgroundColor);
}

// The toolkit erases exposed areas to the view colour; there is nothing to add.
void TunkView::Draw(BRect) {}
