// SoundView: the waveform display. The engine draws the waveform into an off-screen bitmap
// (TunkSound::DrawSoundToView); the view only copies that bitmap to the screen, so exposing it
// never walks the sample buffer.
#pragma once

#include <functional>

#include "kits/interface/Point.h"
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

	// Dragging the sound out: a press followed by a move of at least `startDistance` pixels
	// (horizontal plus vertical, as the platform measures it) calls the handler, once a press.
	void SetDragHandler(float startDistance, std::function<void()> handler);
	void MouseDown(BPoint where) override;
	void MouseMoved(BPoint where, uint32 transit, const BMessage* dragged) override;
	void MouseUp(BPoint where) override;

	// Paints the empty panel into the bitmap and shows it. Leaves the bitmap view's high colour
	// at the trace colour and its low colour at the panel colour, ready for the waveform.
	void Clear();

	// The off-screen picture and the view that draws into it (nullptr before attachment).
	BBitmap* Bitmap() const { return fBitmap; }
	BView* BitmapView() const { return fBitmapView; }

private:
	BBitmap* fBitmap;
	BView* fBitmapView = nullptr;
	std::function<void()> fDragHandler;
	float fDragDistance = 0;
	bool fPressed = false;  // a press that has not started a drag yet
	BPoint fPressPoint;
};
