#include "engine/core/FilterDesign.h"

#include <cmath>

#include "engine/core/Params.h"

namespace tunk {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kRate = double(kSampleRate);

constexpr float kHighestCutoff = 22049.0f;  // just below the pre-warping tangent's pole
constexpr float kLowestCutoff = 1.0f;
constexpr float kLowestQ = 0.01f;
constexpr float kHighestQ = 1000.0f;

// One analogue section H(s) = (a2 s^2 + a1 s + a0) / (b2 s^2 + b1 s + b0).
struct SectionPrototype {
	double a0, a1, a2;
	double b0, b1, b2;
};

constexpr SectionPrototype kSections[kFilterSections] = {
	{1.0, 0, 0, 1.0, 0.765367, 1.0},
	{1.0, 0, 0, 1.0, 1.847759, 1.0},
};

void Prewarp(double* a1, double* a2, double cutoff)
{
	double wp = 2.0 * kRate * std::tan(kPi * cutoff / kRate);
	*a2 = *a2 / (wp * wp);
	*a1 = *a1 / wp;
}

// The digital section of one analogue section; multiplies its gain into `gain`.
void Bilinear(double a0, double a1, double a2, double b0, double b1, double b2, double* gain,
	float* coefficients)
{
	const double fs = kRate;
	double ad = 4.0 * a2 * fs * fs + 2.0 * a1 * fs + a0;
	double bd = 4.0 * b2 * fs * fs + 2.0 * b1 * fs + b0;
	*gain = *gain * ad / bd;
	coefficients[0] = float((2.0 * b0 - 8.0 * b2 * fs * fs) / bd);
	coefficients[1] = float((4.0 * b2 * fs * fs - 2.0 * b1 * fs + b0) / bd);
	coefficients[2] = float((2.0 * a0 - 8.0 * a2 * fs * fs) / ad);
	coefficients[3] = float((4.0 * a2 * fs * fs - 2.0 * a1 * fs + a0) / ad);
}

}  // namespace

void DesignLowPass(float q, float cutoff, FilterState* filter)
{
	DesignFilter(FilterMode::LowPass, q, cutoff, filter);
}

FilterMode FilterModeOf(float code)
{
	if (code == 2)
		return FilterMode::BandPass;
	if (code == 3)
		return FilterMode::HighPass;
	return FilterMode::LowPass;
}

void DesignFilter(FilterMode mode, float q, float cutoff, FilterState* filter)
{
	if (std::isnan(cutoff))
		cutoff = SoundParams{}[Param::filterCutoff];
	else if (cutoff >= 0.5f * float(kRate))
		cutoff = kHighestCutoff;
	else if (cutoff <= 0)
		cutoff = kLowestCutoff;
	if (std::isnan(q))
		q = SoundParams{}[Param::filterQ];
	else if (q <= 0)
		q = kLowestQ;
	else if (std::isinf(q))
		q = kHighestQ;

	filter->gain = 1.0;
	for (uint32_t n = 0; n < kFilterSections; n++) {
		const SectionPrototype& s = kSections[n];
		double a0 = s.a0, a1 = s.a1, a2 = s.a2;
		double b0 = s.b0, b1 = s.b1 / q, b2 = s.b2;
		if (mode == FilterMode::HighPass) {
			// s^2 / (s^2 + b1 s + 1): the low-pass mirrored about the cutoff.
			a0 = 0;
			a2 = 1.0;
		} else if (mode == FilterMode::BandPass) {
			// b1 s / (s^2 + b1 s + 1): unity at the cutoff, whatever the damping.
			a0 = 0;
			a1 = b1;
		}
		Prewarp(&a1, &a2, double(cutoff));
		Prewarp(&b1, &b2, double(cutoff));
		Bilinear(a0, a1, a2, b0, b1, b2, &filter->gain, filter->coef + 1 + 4 * n);
	}
	filter->coef[0] = float(filter->gain);
	for (float& h : filter->history)
		h = 0;
}

}  // namespace tunk
