// Spectral measures of a stretch of samples, for judging a sound's character: the power at
// a frequency, in a band, the spectral flatness and the centroid. A plain DFT with a Hann
// window, fast enough for the few thousand samples a test looks at.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/core/Params.h"

namespace spectrum {

constexpr double kPi = 3.141592653589793;

// The squared magnitude of bin k of the discrete Fourier transform of x[0..n).
template <typename Sample>
double BinPower(const Sample* x, size_t n, size_t k)
{
	// One rotation per bin keeps the cost at n multiplications by a complex number.
	const double step = 2 * kPi * double(k) / double(n);
	const double cr = std::cos(step), ci = -std::sin(step);
	double wr = 1, wi = 0, re = 0, im = 0;
	for (size_t i = 0; i < n; i++) {
		re += double(x[i]) * wr;
		im += double(x[i]) * wi;
		const double t = wr * cr - wi * ci;
		wi = wr * ci + wi * cr;
		wr = t;
	}
	return re * re + im * im;
}

// The power of bins 1 to n/2 - 1 (bin k is k * 44100 / n Hz) of n samples from `first`.
template <typename Sample>
std::vector<double> PowerBins(const std::vector<Sample>& samples, size_t first, size_t n)
{
	std::vector<double> windowed(n);
	for (size_t i = 0; i < n; i++) {
		const double w = 0.5 - 0.5 * std::cos(2 * kPi * double(i) / double(n));
		windowed[i] = first + i < samples.size() ? double(samples[first + i]) * w : 0.0;
	}
	std::vector<double> power(n / 2, 0.0);
	for (size_t k = 1; k < n / 2; k++)
		power[k] = BinPower(windowed.data(), n, k);
	return power;
}

inline double BinHz(size_t k, size_t n) { return double(k) * tunk::kSampleRate / double(n); }

// The sum of the bins between lowHz and highHz.
inline double BandPower(const std::vector<double>& power, double lowHz, double highHz)
{
	const size_t n = power.size() * 2;
	double sum = 0;
	for (size_t k = 1; k < power.size(); k++) {
		const double hz = BinHz(k, n);
		if (hz >= lowHz && hz < highHz)
			sum += power[k];
	}
	return sum;
}

// Geometric over arithmetic mean of the bins: near 0 for tones, about 0.56 for white
// noise under a Hann window.
inline double Flatness(const std::vector<double>& power)
{
	double logSum = 0, sum = 0;
	size_t count = 0;
	for (size_t k = 1; k < power.size(); k++) {
		logSum += std::log(power[k] + 1e-30);
		sum += power[k];
		count++;
	}
	if (count == 0 || sum <= 0)
		return 0;
	return std::exp(logSum / double(count)) / (sum / double(count));
}

// The power-weighted mean frequency in Hz.
inline double Centroid(const std::vector<double>& power)
{
	const size_t n = power.size() * 2;
	double weighted = 0, sum = 0;
	for (size_t k = 1; k < power.size(); k++) {
		weighted += power[k] * BinHz(k, n);
		sum += power[k];
	}
	return sum > 0 ? weighted / sum : 0;
}

// The frequency of the strongest bin between lowHz and highHz.
inline double PeakHz(const std::vector<double>& power, double lowHz, double highHz)
{
	const size_t n = power.size() * 2;
	size_t best = 0;
	for (size_t k = 1; k < power.size(); k++) {
		const double hz = BinHz(k, n);
		if (hz >= lowHz && hz < highHz && (best == 0 || power[k] > power[best]))
			best = k;
	}
	return BinHz(best, n);
}

inline double Db(double ratio) { return 10 * std::log10(ratio); }

}  // namespace spectrum
