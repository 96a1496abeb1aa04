// The engine's drawing operations into the display views.
#include <cstdio>

#include "engine/core/Dsp.h"
#include "engine/core/NoiseEnvelope.h"
#include "engine/core/Params.h"
#include "engine/TunkSound.h"
#include "kits/interface/View.h"
#include "views/DistortionView.h"
#include "views/EnvelopeView.h"
#include "views/SoundView.h"
#include "views/ViewGeometry.h"

using namespace view_geometry;

namespace {

// Records the background and the envelope of curve k as a filled area into the view's curve
// picture, then shows it.
void DrawEnvelopeToView(EnvelopeView* view, float k)
{
	EnvelopeLayout layout = EnvelopeLayoutFor(view->Bounds());
	view->BeginCurve();
	for (int32 i = 1; float(i) < layout.w; i++) {
		float v = TunkSound::ExpEnvelope(layout.Position(i), k);
		view->StrokeLine(BPoint(float(i), layout.b), BPoint(float(i), layout.Row(v)), B_SOLID_HIGH);
	}
	view->EndCurve();
	view->SetShownCurve(k);
}

} // namespace

void TunkSound::DrawSoundToView(SoundView* view)
{
	BRect r = view->Bounds();
	WaveRows rows = WaveRowsFor(r);
	view->Clear();

	if (acquire_sem(writeBufSem) != B_OK) {
		std::printf("Error acquiring semaphore on display\n");
		std::fflush(stdout);
		return;
	}

	BView* canvas = view->BitmapView();
	if (canvas != nullptr && canvas->LockLooper()) {
		canvas->MovePenTo(1, rows.half);
		canvas->StrokeLine(BPoint(r.right - 1, rows.half), B_SOLID_HIGH);
		canvas->MovePenTo(1, rows.half);

		// Without samples there is nothing to read, not even the first.
		if (sampleLength > 0 && sampleBuffer != nullptr) {
			int32 stride = WaveStride(sampleLength, r);
			int32 columns = WaveColumnCount(r);
			int64 p = 0;
			for (int32 c = 1; c <= columns; c++) {
				ColumnRange range = ColumnRangeAt(sampleBuffer, p, stride);
				canvas->StrokeLine(BPoint(float(c), rows.Row(range.max)),
				    BPoint(float(c), rows.Row(range.min)), B_SOLID_HIGH);
				p += stride;
			}
		}
		canvas->Sync();
		canvas->UnlockLooper();
	}

	view->MovePenTo(0, 0);
	view->DrawBitmapAsync(view->Bitmap());
	view->Sync();

	if (release_sem(writeBufSem) != B_OK) {
		std::printf("Error releasing write semaphore on display\n");
		std::fflush(stdout);
	}
}

void TunkSound::DrawAmpEnvToView(EnvelopeView* view)
{
	DrawEnvelopeToView(view, GetAmpEnvelope());
}

void TunkSound::DrawFreqEnvToView(EnvelopeView* view)
{
	DrawEnvelopeToView(view, GetFreqEnvelope());
}

void TunkSound::DrawDistortedWaveToView(DistortionView* view)
{
	BRect r = view->Bounds();
	DistortionLayout layout = DistortionLayoutFor(r);
	float phase = 0;

	view->BeginCurve();
	view->MovePenTo(1, layout.startRow);

	// A fixed number of steps, not the view's width: one period spans w pixels and the rest
	// runs off the right edge, where it is clipped.
	const float increment = layout.Increment();
	float x = 1;
	for (int32 n = 0; n < kDistortionSteps; n++) {
		float d = Distort(Oscillator(increment, &phase));
		int16 q = tunk::dsp::ToSample(d);
		x += 1;
		view->StrokeLine(BPoint(x, layout.Row(q)), B_SOLID_HIGH);
	}
	view->EndCurve();
}

void DrawNoiseEnvelopeToView(EnvelopeView* view, const tunk::SoundParams& params)
{
	using tunk::Param;
	const tunk::NoiseEnvelope envelope(params[Param::noiseDecay], params[Param::noiseCurve],
	    params[Param::clapCount], params[Param::clapSpacing], params[Param::clapTail]);
	const EnvelopeLayout layout = EnvelopeLayoutFor(view->Bounds());
	// The noise ends with the sound: the view spans the sound's length.
	const double samples = double(params[Param::duration]) * tunk::kSampleRate / 1000.0;
	const bool drawable = samples > 0 && samples < 1e15;
	view->BeginCurve();
	for (int32 i = 1; drawable && float(i) < layout.w; i++) {
		const float v = envelope.At(int64(double(layout.Position(i)) * samples));
		view->StrokeLine(BPoint(float(i), layout.b), BPoint(float(i), layout.Row(v)), B_SOLID_HIGH);
	}
	view->EndCurve();
	view->SetShownCurve(params[Param::noiseCurve]);
}
