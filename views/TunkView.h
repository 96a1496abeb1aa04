// TunkView: the window's background, under every box and control. It draws nothing itself;
// the toolkit fills it with its light grey view colour.
#pragma once

#include "kits/interface/Rect.h"
#include "kits/interface/View.h"

class TunkView : public BView {
public:
	TunkView(BRect frame, const char* name);

	void AttachedToWindow() override;
	void Draw(BRect updateRect) override;
};
