#include "engine/Filter.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/Dsp.h"
#include "engine/TunkSound.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kRate = 44100.0;

// What stands in for settings the design cannot take: just below half the sample rate,
// where the pre-warping tangent has its pole, and the ends of a generous Q range.
constexpr float kHighestCutoff = 22049.0f;
constexpr float kLowestCutoff = 1.0f;
constexpr float kLowestQ = 0.01f;
constexpr float kHighestQ = 1000.0f;

}  // namespace

void TunkSound::InitFilter()
{
	sections[0] = {1.0, 0, 0, 1.0, 0.765367, 1.0};
	sections[1] = {1.0, 0, 0, 1.0, 1.847759, 1.0};
	filter.length = dsp::kFilterSections;
	if (filter.coef == nullptr)
		filter.coef = static_cast<float*>(std::calloc(4 * filter.length + 1, sizeof(float)));
	UpdateFilter(float(filterQ), float(filterCutoff));
}

void TunkSound::UpdateFilter(float q, float cutoff)
{
	// Only settings the design cannot take are replaced: a cutoff at or beyond the tangent's
	// pole at half the sample rate, or not above 0; a Q that is not a positive finite
	// number. Everything else, however extreme, is designed as given.
	if (std::isnan(cutoff))
		cutoff = 5000.0f;
	else if (cutoff >= 0.5f * float(kRate))
		cutoff = kHighestCutoff;
	else if (cutoff <= 0)
		cutoff = kLowestCutoff;
	if (std::isnan(q))
		q = 1.0f;
	else if (q <= 0)
		q = kLowestQ;
	else if (std::isinf(q))
		q = kHighestQ;

	filterGain = 1.0;
	for (uint32 n = 0; n < dsp::kFilterSections; n++) {
		const SectionPrototype& s = sections[n];
		double a0 = s.a0, a1 = s.a1, a2 = s.a2;
		double b0 = s.b0, b1 = s.b1 / q, b2 = s.b2;
		szxform(&a0, &a1, &a2, &b0, &b1, &b2, double(cutoff), &filterGain,
			filter.coef + 1 + 4 * n);
	}
	filter.coef[0] = float(filterGain);

	if (filter.history == nullptr) {
		filter.history = static_cast<float*>(std::calloc(2 * filter.length, sizeof(float)));
		if (filter.history == nullptr) {
			std::printf("\nUnable to allocate history array in iir_filter\n");
			std::exit(1);
		}
	} else {
		for (uint32 i = 0; i < 2 * filter.length; i++)
			filter.history[i] = 0;
	}
}

void szxform(double* a0, double* a1, double* a2, double* b0, double* b1, double* b2,
	double cutoff, double* gain, float* coefficients)
{
	prewarp(a0, a1, a2, cutoff);
	prewarp(b0, b1, b2, cutoff);
	bilinear(*a0, *a1, *a2, *b0, *b1, *b2, gain, coefficients);
}

void prewarp(double* a0, double* a1, double* a2, double cutoff)
{
	(void)a0;
	double wp = 2.0 * kRate * std::tan(kPi * cutoff / kRate);
	*a2 = *a2 / (wp * wp);
	*a1 = *a1 / wp;
}

void bilinear(double a0, double a1, double a2, double b0, double b1, double b2, double* gain,
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

float iir_filter(float input, FILTER* filter)
{
	return dsp::FilterSample(input, filter->coef, filter->history, filter->length);
}
