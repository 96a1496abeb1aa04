#include "views/DistortionView.h"

#include "views/PanelDrawing.h"

DistortionView::DistortionView(BRect frame, const char* name)
	: BView(frame, name, B_FOLLOW_NONE, B_WILL_DRAW)
{
}

DistortionView::~DistortionView() = default;

void DistortionView::AttachedToWindow()
{
	panel_drawing::RecordBackground(this, &fBackground, &fCurve);
}

void DistortionView::Draw(BRect)
{
	panel_drawing::ShowPictures(this, &fBackground, fEnabled ? &fCurve : nullptr);
}

void DistortionView::Clear()
{
	panel_drawing::ShowPictures(this, &fBackground, nullptr);
}

void DistortionView::SetEnabled(bool enabled)
{
	fEnabled = enabled;
}
