#include "views/DistortionView.h"

DistortionView::DistortionView(BRect frame, const char* name) : CurvePanelView(frame, name) {}
