// The sunken frame that every display panel has.
#pragma once

#include "kits/interface/Rect.h"

class BView;

namespace panel_drawing {

// Grey on the top and left, white on the bottom and right, so the panel reads as sunken.
// Leaves the high colour at the highlight colour.
void StrokeSunkenFrame(BView* view, BRect r);

} // namespace panel_drawing
