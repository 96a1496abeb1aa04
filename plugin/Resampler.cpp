#include "plugin/Resampler.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "engine/core/Render.h"

namespace tunk::lv2 {

namespace {

// Stop-band attenuation of the filter in dB.
constexpr double kAttenuation = 150;
// Rational rates with at most this many phases get a table row per phase; others
// interpolate between kInterpolatedPhases rows.
constexpr int64_t kMaxExactPhases = 1024;
constexpr int64_t kInterpolatedPhases = 512;
// The time step of a rate that is not a whole number, in these parts of an input sample.
constexpr int64_t kFineDenominator = int64_t(1) << 24;

double BesselI0(double x)
{
	double sum = 1;
	double term = 1;
	for (int k = 1; k < 64 && term > sum * 1e-17; k++) {
		double half = x / (2.0 * k);
		term *= half * half;
		sum += term;
	}
	return sum;
}

} // namespace

ResampleKernel::ResampleKernel(double rate) : fRatio(rate / double(kSampleRate))
{
	const double in = double(kSampleRate);
	const double pass = std::min(0.913 * in / 2, 0.913 * rate / 2);
	const double stop = std::min(in / 2, rate / 2);
	const double cutoff = (pass + stop) / 2 / in; // cycles per input sample
	const double width = (stop - pass) / in;
	const double beta = 0.1102 * (kAttenuation - 8.7);
	const double length = (kAttenuation - 7.95) / (2.285 * 2 * M_PI * width);
	// A multiple of four, so that the taps come in whole groups of eight.
	fHalf = int32_t(std::ceil(length / 2 / 4)) * 4;

	int64_t phases = kInterpolatedPhases;
	if (rate == std::floor(rate)) {
		const int64_t host = int64_t(rate);
		const int64_t g = std::gcd(int64_t(kSampleRate), host);
		fDenominator = host / g;
		const int64_t step = int64_t(kSampleRate) / g;
		fStepWhole = step / fDenominator;
		fStepNumerator = step % fDenominator;
		if (fDenominator <= kMaxExactPhases)
			phases = fDenominator;
	} else {
		fDenominator = kFineDenominator;
		const int64_t step = std::llround(in / rate * double(kFineDenominator));
		fStepWhole = step / fDenominator;
		fStepNumerator = step % fDenominator;
	}
	fPhases = phases;

	const int32_t taps = Taps();
	fTable.assign(size_t((phases + 1) * taps), 0.0f);
	const double i0Beta = BesselI0(beta);
	std::vector<double> row(static_cast<size_t>(taps));
	for (int64_t p = 0; p <= phases; p++) {
		const double phi = double(p) / double(phases);
		double sum = 0;
		for (int32_t i = 0; i < taps; i++) {
			const double tau = phi + fHalf - 1 - i;
			const double u = tau / fHalf;
			double value = 0;
			if (std::fabs(u) < 1) {
				const double x = 2 * cutoff * tau;
				const double sinc = x == 0 ? 1.0 : std::sin(M_PI * x) / (M_PI * x);
				value = 2 * cutoff * sinc * BesselI0(beta * std::sqrt(1 - u * u)) / i0Beta;
			}
			row[size_t(i)] = value;
			sum += value;
		}
		// Each phase passes a constant unchanged.
		for (int32_t i = 0; i < taps; i++)
			fTable[size_t(p * taps + i)] = float(row[size_t(i)] / sum);
	}
}

float ResampleKernel::Dot(const float* in, int64_t phase) const
{
	const float* c = fTable.data() + phase * Taps();
	// Eight running sums, independent of one another, so that the compiler may keep them
	// in one vector register.
	float sums[8] = {};
	for (int32_t i = 0; i < Taps(); i += 8) {
		for (int32_t lane = 0; lane < 8; lane++)
			sums[lane] += in[i + lane] * c[i + lane];
	}
	return ((sums[0] + sums[4]) + (sums[1] + sums[5])) + ((sums[2] + sums[6]) + (sums[3] + sums[7]));
}

float ResampleKernel::At(const float* in, int64_t numerator) const
{
	if (fPhases == fDenominator)
		return Dot(in, numerator);
	const int64_t scaled = numerator * fPhases;
	const int64_t phase = scaled / fDenominator;
	const float fraction = float(double(scaled % fDenominator) / double(fDenominator));
	const float a = Dot(in, phase);
	if (fraction == 0)
		return a;
	const float b = Dot(in, phase + 1);
	return a + fraction * (b - a);
}

int64_t ResampleKernel::OutputLength(int64_t count) const
{
	return std::llround(double(count) * fRatio);
}

ResampledSource::ResampledSource(const ResampleKernel* kernel) : fKernel(kernel)
{
	if (fKernel != nullptr)
		fIn.assign(size_t(fKernel->Taps() + 1024), 0.0f);
}

void ResampledSource::Play(const SoundParams& params, voices::TableCache& tables)
{
	fLive.Play(params, tables);
	if (fKernel == nullptr)
		return;
	// Before its first sample the sound is silence.
	const int64_t before = fKernel->Half() - 1;
	std::fill(fIn.begin(), fIn.begin() + before, 0.0f);
	fBase = -before;
	fFill = before;
	fWhole = 0;
	fNumerator = 0;
	fLeft = fKernel->OutputLength(fLive.Remaining());
}

void ResampledSource::Need(int64_t last)
{
	const int64_t capacity = int64_t(fIn.size());
	while (fBase + fFill <= last) {
		if (fFill == capacity) {
			const int64_t drop = (fWhole - fKernel->Half() + 1) - fBase;
			std::copy(fIn.begin() + drop, fIn.begin() + fFill, fIn.begin());
			fBase += drop;
			fFill -= drop;
		}
		// Only a little ahead of what is needed: a note's first block stays cheap.
		const int64_t room = std::min(capacity - fFill, last - (fBase + fFill) + kAhead);
		const uint32_t got = fLive.Pull(fIn.data() + fFill, uint32_t(room));
		// After its last sample the sound is silence too.
		std::fill(fIn.begin() + fFill + got, fIn.begin() + fFill + room, 0.0f);
		fFill += room;
	}
}

uint32_t ResampledSource::Pull(float* out, uint32_t frames)
{
	if (fKernel == nullptr)
		return fLive.Pull(out, frames);
	const uint32_t n = uint32_t(std::min<int64_t>(frames, fLeft));
	const int64_t half = fKernel->Half();
	for (uint32_t j = 0; j < n; j++) {
		Need(fWhole + half);
		out[j] = fKernel->At(fIn.data() + (fWhole - half + 1 - fBase), fNumerator);
		fNumerator += fKernel->StepNumerator();
		fWhole += fKernel->StepWhole();
		if (fNumerator >= fKernel->Denominator()) {
			fNumerator -= fKernel->Denominator();
			fWhole++;
		}
	}
	fLeft -= n;
	return n;
}

} // namespace tunk::lv2
