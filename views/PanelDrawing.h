// Drawing steps the display views share: the sunken frame around every panel, and the
// background and curve pictures of the two curve views.
#pragma once

#include "kits/interface/Rect.h"

class BPicture;
class BView;

namespace panel_drawing {

// Grey on the top and left, white on the bottom and right, so the panel reads as sunken.
// Leaves the high colour at the highlight colour.
void StrokeSunkenFrame(BView* view, BRect r);

// Records the empty panel with its frame into background (leaving the view drawing the curve
// colour in alpha mode) and an empty recording into curve.
void RecordBackground(BView* view, BPicture* background, BPicture* curve);

// The background at (0, 0) and, when curve is given, the curve picture over it.
void ShowPictures(BView* view, const BPicture* background, const BPicture* curve);

}  // namespace panel_drawing
