#include "tools/Measure.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <fstream>
#include <sstream>

namespace measure {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kStartMs = 150;
constexpr double kFadeMs = 30;
constexpr double kOnsetDb = -40;
constexpr double kWindowMs = 10;

// In-place radix-2 transform; x.size() is a power of two.
void Fft(std::vector<std::complex<double>>& x)
{
	const size_t n = x.size();
	for (size_t i = 1, j = 0; i < n; i++) {
		size_t bit = n >> 1;
		for (; j & bit; bit >>= 1)
			j ^= bit;
		j ^= bit;
		if (i < j)
			std::swap(x[i], x[j]);
	}
	for (size_t len = 2; len <= n; len <<= 1) {
		const std::complex<double> step = std::polar(1.0, -2 * kPi / double(len));
		for (size_t i = 0; i < n; i += len) {
			std::complex<double> w = 1;
			for (size_t k = 0; k < len / 2; k++) {
				const std::complex<double> a = x[i + k], b = x[i + k + len / 2] * w;
				x[i + k] = a + b;
				x[i + k + len / 2] = a - b;
				w *= step;
			}
		}
	}
}

// The power of bins 0 to n/2 of `samples` zero-padded to a power of two; `binHz` gets the
// width of a bin.
std::vector<double> Power(const std::vector<double>& samples, double rate, double* binHz)
{
	size_t n = 1;
	while (n < samples.size())
		n <<= 1;
	std::vector<std::complex<double>> x(n);
	std::copy(samples.begin(), samples.end(), x.begin());
	Fft(x);
	std::vector<double> power(n / 2 + 1);
	for (size_t k = 0; k <= n / 2; k++)
		power[k] = std::norm(x[k]);
	*binHz = rate / double(n);
	return power;
}

double Share(const std::vector<double>& power, double binHz, double belowHz)
{
	double low = 0, total = 0;
	for (size_t k = 0; k < power.size(); k++) {
		total += power[k];
		if (double(k) * binHz < belowHz)
			low += power[k];
	}
	return total > 0 ? low / total : 0;
}

}  // namespace

std::vector<double> Values(const Measures& m)
{
	return {m.centroidHz, m.flatness, m.bandwidthHz, m.low200, m.low20, m.fall20Ms, m.fall40Ms,
		m.peakDb};
}

Measures Measure(std::span<const float> samples, double rate)
{
	Measures m;
	double peak = 0;
	for (float s : samples)
		peak = std::max(peak, double(std::fabs(s)));
	if (!(peak > 0) || !(rate > 0))
		return m;
	m.peakDb = 20 * std::log10(peak);
	const double onsetLevel = peak * std::pow(10.0, kOnsetDb / 20);
	size_t onset = 0;
	while (std::fabs(samples[onset]) < onsetLevel)
		onset++;
	const std::span<const float> sound = samples.subspan(onset);

	// The start's spectrum.
	const size_t length = std::min(sound.size(), size_t(std::lround(kStartMs * rate / 1000)));
	const size_t fade = size_t(std::lround(kFadeMs * rate / 1000));
	std::vector<double> start(length);
	for (size_t i = 0; i < length; i++) {
		double w = 1;
		if (length > fade && i >= length - fade)
			w = 0.5 + 0.5 * std::cos(kPi * double(i - (length - fade)) / double(fade));
		start[i] = double(sound[i]) * w;
	}
	double binHz = 0;
	const std::vector<double> power = Power(start, rate, &binHz);
	double sum = 0, weighted = 0, loudest = 0;
	for (size_t k = 1; k < power.size(); k++) {
		const double hz = double(k) * binHz;
		if (hz >= 20 && hz <= 20000) {
			sum += power[k];
			weighted += power[k] * hz;
			loudest = std::max(loudest, power[k]);
		}
	}
	if (sum > 0) {
		m.centroidHz = weighted / sum;
		double spread = 0;
		for (size_t k = 1; k < power.size(); k++) {
			const double hz = double(k) * binHz;
			if (hz >= 20 && hz <= 20000)
				spread += power[k] * (hz - m.centroidHz) * (hz - m.centroidHz);
		}
		m.bandwidthHz = std::sqrt(spread / sum);
		// Bins of exact silence (a band a filter emptied) count as 120 dB below the loudest.
		const double floor = loudest * 1e-12;
		double logSum = 0, bandSum = 0;
		size_t bins = 0;
		for (size_t k = 1; k < power.size(); k++) {
			const double hz = double(k) * binHz;
			if (hz >= 100 && hz <= 16000) {
				const double p = std::max(power[k], floor);
				logSum += std::log(p);
				bandSum += p;
				bins++;
			}
		}
		if (bins > 0 && bandSum > 0)
			m.flatness = std::exp(logSum / double(bins)) / (bandSum / double(bins));
	}
	m.low200 = Share(power, binHz, 200);

	// The whole sound's lowest part.
	std::vector<double> whole(sound.begin(), sound.end());
	m.low20 = Share(Power(whole, rate, &binHz), binHz, 20);

	// The fall, from the RMS envelope.
	const size_t window = std::max<size_t>(1, size_t(std::lround(kWindowMs * rate / 1000)));
	const double hop = rate / 1000;
	std::vector<double> squares(sound.size() + 1, 0.0);
	for (size_t i = 0; i < sound.size(); i++)
		squares[i + 1] = squares[i] + double(sound[i]) * double(sound[i]);
	std::vector<double> levels;
	for (size_t f = 0;; f++) {
		const size_t from = size_t(std::lround(double(f) * hop));
		if (from >= sound.size())
			break;
		const size_t to = std::min(sound.size(), from + window);
		levels.push_back((squares[to] - squares[from]) / double(window));
	}
	const double top = *std::max_element(levels.begin(), levels.end());
	auto fall = [&](double db) {
		const double below = top * std::pow(10.0, -db / 10);
		size_t last = levels.size();
		while (last > 0 && levels[last - 1] < below)
			last--;
		return double(last);  // frames are 1 ms apart
	};
	m.fall20Ms = fall(20);
	m.fall40Ms = fall(40);
	return m;
}

Measures Measure(std::span<const int16_t> samples, double rate)
{
	std::vector<float> scaled(samples.size());
	for (size_t i = 0; i < samples.size(); i++)
		scaled[i] = float(samples[i]) / 32768.0f;
	return Measure(std::span<const float>(scaled), rate);
}

double Percentile(std::vector<double> values, double p)
{
	if (values.empty())
		return 0;
	std::sort(values.begin(), values.end());
	const double rank = p / 100 * double(values.size() - 1);
	const size_t below = size_t(std::floor(rank));
	const size_t above = std::min(below + 1, values.size() - 1);
	return values[below] + (values[above] - values[below]) * (rank - double(below));
}

std::vector<Range> ReadRanges(const std::string& path)
{
	std::ifstream in(path);
	std::vector<Range> ranges;
	std::string line;
	while (in && std::getline(in, line)) {
		if (line.empty() || line[0] == '#')
			continue;
		std::istringstream fields(line);
		Range r;
		if (!(fields >> r.category >> r.figure >> r.p[0] >> r.p[1] >> r.p[2] >> r.p[3] >> r.p[4]))
			return {};
		ranges.push_back(r);
	}
	return ranges;
}

const Range* FindRange(const std::vector<Range>& ranges, const std::string& category,
	const std::string& figure)
{
	for (const Range& r : ranges)
		if (r.category == category && r.figure == figure)
			return &r;
	return nullptr;
}

}  // namespace measure
