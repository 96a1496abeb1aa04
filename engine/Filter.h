// The resonant 24 dB/octave low-pass: two second-order sections designed from an
// analogue prototype by the bilinear transform with pre-warping.
#pragma once

#include "kits/support/SupportDefs.h"

// One analogue section H(s) = (a2 s^2 + a1 s + a0) / (b2 s^2 + b1 s + b0).
struct SectionPrototype {
	double a0, a1, a2;
	double b0, b1, b2;
};

// The running filter. coef[0] is the overall gain, then p1, p2, z1, z2 per section;
// history holds two state values per section, the newest first.
struct FILTER {
	uint32 length;
	float* history;
	float* coef;
};

void szxform(double* a0, double* a1, double* a2, double* b0, double* b1, double* b2,
	double cutoff, double* gain, float* coefficients);
void prewarp(double* a0, double* a1, double* a2, double cutoff);
void bilinear(double a0, double a1, double a2, double b0, double b1, double b2, double* gain,
	float* coefficients);
float iir_filter(float input, FILTER* filter);
