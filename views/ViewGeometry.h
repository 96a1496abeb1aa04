// The arithmetic of the display views, kept apart from any widget so that it can be checked on
// its own and is the one definition the views and the engine's drawing share.
#pragma once

#include <algorithm>
#include <cmath>

#include "engine/core/Params.h"
#include "kits/interface/GraphicsDefs.h"
#include "kits/interface/Rect.h"
#include "kits/support/SupportDefs.h"

namespace view_geometry {

// The display palette.
inline constexpr rgb_color kPanelColor = {0, 51, 102, 255};
inline constexpr rgb_color kFrameColor = {128, 128, 128, 255};
inline constexpr rgb_color kHighlightColor = {255, 255, 255, 255};
inline constexpr rgb_color kTraceColor = {77, 127, 178, 255};
inline constexpr rgb_color kCurveColor = {153, 204, 255, 128};
inline constexpr rgb_color kBackgroundColor = {216, 216, 216, 255};

// ---- Waveform ----

// Rows of the waveform: the zero line sits at half the height; one sample unit moves scale
// rows, negative so that positive samples go down and full scale stays one pixel inside the
// frame.
struct WaveRows {
	float half;
	float scale;

	// The row of sample value s.
	float Row(int32 s) const { return half - float(s) * scale; }
};

inline WaveRows WaveRowsFor(BRect bounds)
{
	float half = float(bounds.Height() / 2.0);
	return WaveRows{half, float((1.0 - half) / 32768.0)};
}

// Samples per column: floor(length / (width - 2)), as a 32-bit integer. A view too narrow for
// any column has no stride.
inline int32 WaveStride(int64 sampleLength, BRect bounds)
{
	double columns = bounds.Width() - 2.0;
	if (!(columns > 0))
		return 0;
	double stride = std::floor(double(sampleLength) / columns);
	return stride < 2147483647.0 ? int32(stride) : 2147483647;
}

// Columns 1, 2, ... while the column is less than width - 2: their number.
inline int32 WaveColumnCount(BRect bounds)
{
	float limit = float(bounds.Width() - 2.0);
	int32 count = 0;
	while (float(count + 1) < limit)
		count++;
	return count;
}

// The smallest and largest of the samples p .. p + stride - 1, starting from the sample at p
// itself (so a stride of 0 gives that sample alone).
struct ColumnRange {
	int16 min;
	int16 max;
};

inline ColumnRange ColumnRangeAt(const int16* samples, int64 p, int32 stride)
{
	ColumnRange range{samples[p], samples[p]};
	for (int32 i = 0; i < stride; i++) {
		int16 s = samples[p + i];
		if (s > range.max)
			range.max = s;
		if (s < range.min)
			range.min = s;
	}
	return range;
}

// ---- Envelope curve ----

// The curve value for a horizontal position: floor(x / width * 100 - 50). Positions outside
// the view give values beyond -50 .. +50, passed on as they are.
inline float CurveValueAt(float x, float width)
{
	return float(std::floor(x / width * 100.0 - 50.0));
}

// A curve of 0 has no defined shape: the gestures store 1 instead.
inline float StoredCurveValue(float computed)
{
	return computed == 0 ? 1.0f : computed;
}

// One arrow-key step of the curve from value: to the next whole number in the direction
// (step -1 or +1), skipping 0 (no shape), within -50 .. +50 (the mouse's range). A value beyond
// that range comes back to its edge; at an edge, a step outwards keeps the value.
inline float CurveKeyStep(float value, int step)
{
	// Both curves share one range.
	constexpr const tunk::ParamInfo& kEdges = tunk::Info(tunk::Param::freqEnvelope);
	float next = step < 0 ? std::ceil(value) - 1 : std::floor(value) + 1;
	if (next == 0)
		next = float(step);
	next = std::clamp(next, kEdges.min, kEdges.max);
	if ((step < 0 && next > value) || (step > 0 && next < value))
		return value < kEdges.min || value > kEdges.max ? next : value;
	return next;
}

// The envelope's columns: i = 1, 2, ... while i < w, where w = right - 2, and the curve's base
// row b = bottom - 1; value v is drawn from b up to b - v (b - 1).
struct EnvelopeLayout {
	float b;
	float w;

	float Position(int32 i) const { return float(i) / w; }
	float Row(float v) const { return b - v * (b - 1); }
};

inline EnvelopeLayout EnvelopeLayoutFor(BRect bounds)
{
	return EnvelopeLayout{bounds.bottom - 1, bounds.right - 2};
}

// ---- Distortion curve ----

// One period of the shaped wave, drawn from x = 2 on: 2048 oscillator steps of 2048 / w table
// entries each, sample q on row m - (m - 2) q / 32768.
inline constexpr int32 kDistortionSteps = 2048;

struct DistortionLayout {
	float m;
	float w;
	float startRow; // the pen's row before the first step: bottom / 2

	float Increment() const { return 2048.0f / w; }
	float Row(int32 q) const { return m - (m - 2) * float(q) / 32768.0f; }
};

inline DistortionLayout DistortionLayoutFor(BRect bounds)
{
	float b = bounds.bottom - 1;
	return DistortionLayout{b / 2, bounds.right - 2, bounds.bottom / 2};
}

} // namespace view_geometry
