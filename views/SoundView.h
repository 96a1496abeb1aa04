// SoundView: the waveform display. The engine draws the waveform into an off-screen bitmap
// (TunkSound::DrawSoundToView); the view only copies that bitmap to the screen, so exposing it
// never walks the sample buffer.
#pragma once

#include "kits/interface/Rect.h"
#include "kits/interface/View.h"

class BBitmap;

class SoundView : public BView {
public:
	SoundView(BRect frame, const char* name);
	~SoundView() override;

	// Adds the bitmap's drawing view and paints the empty panel.
	void AttachedToWindow() override;
	// Copies the whole bitmap; the update rectangle is not used.
	void Draw(BRect updateRect) override;

	// Paints the empty panel into the bitmap and shows it. Leaves the bitmap view's high colour
	// at the trace colour and its low colour at the panel colour, ready for the waveform.
	void Clear();

	// The off-screen picture and the view that draws into it (nullptr before attachment).
	BBitmap* Bitmap() const { return fBitmap; }
	BView* BitmapView() const { return fBitmapView; }

private:
	BBitmap* fBitmap;
	BView* fBitmapView = nullptr;
};
