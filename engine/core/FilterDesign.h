// The resonant 24 dB/octave filters: two second-order sections designed from an analogue
// Butterworth prototype by the bilinear transform with pre-warping. The low-pass is the
// first engine's; band-pass and high-pass share its poles and change only the numerators.
#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/core/Dsp.h"

namespace tunk {

constexpr uint32_t kFilterSections = 2;

// The running filter, in place: coef[0] is the overall gain, then p1, p2, z1, z2 per
// section; history holds two state values per section, the newest first.
struct FilterState {
	float coef[1 + 4 * kFilterSections] = {};
	float history[2 * kFilterSections] = {};
	double gain = 1.0;  // the overall gain before rounding to float
};

// A filter's numbers copied out for the run over a block: in locals the compiler keeps them
// in registers, where in memory the block's samples (which might alias them) would make it
// store and reload the history at every sample. Save() puts the history back.
class FilterRun {
public:
	FilterRun(const float* coefficients, const float* state)
	{
		std::copy(coefficients, coefficients + 1 + 4 * kFilterSections, coef);
		std::copy(state, state + 2 * kFilterSections, history);
	}
	explicit FilterRun(const FilterState& f) : FilterRun(f.coef, f.history) {}

	float Sample(float x) { return dsp::FilterSample(x, coef, history, kFilterSections); }
	void Save(float* state) const { std::copy(history, history + 2 * kFilterSections, state); }
	void Save(FilterState& f) const { Save(f.history); }

private:
	float coef[1 + 4 * kFilterSections];
	float history[2 * kFilterSections];
};

// Designs the filter for `q` and `cutoff` and clears its history. Only settings the
// design cannot take are replaced: a cutoff that is not a number (5000 Hz), at or beyond
// half the sample rate (22049 Hz) or not above 0 (1 Hz); a Q that is not a number (1),
// not above 0 (0.01) or infinite (1000). Everything else is designed as given.
void DesignLowPass(float q, float cutoff, FilterState* filter);

// The filter's response; the codes are those of the filterType and noiseFilter parameters.
enum class FilterMode : int32_t { LowPass = 1, BandPass = 2, HighPass = 3 };

// DesignLowPass for any mode, with the same replacements of settings the design cannot
// take. LowPass gives exactly DesignLowPass's coefficients. The band-pass passes its
// centre (the cutoff) at unity gain and falls 12 dB/octave on either side; the high-pass
// passes half the sample rate at unity gain.
void DesignFilter(FilterMode mode, float q, float cutoff, FilterState* filter);

// The mode of a parameter's code: 1, 2 or 3 as the codes above; every other value
// (a code from a newer file, a non-number) is the low-pass.
FilterMode FilterModeOf(float code);

}  // namespace tunk
