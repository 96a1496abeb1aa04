// What a one-shot drum sound is, in figures a listener hears: where the weight of its start
// lies (spectral centroid), how noisy that start is (flatness), how wide (bandwidth), how
// much of it is low, how fast it dies away and how loud it peaks. The same figures are
// taken of real recordings (scripts/measure-drumkits) and of Tunk's sounds, so that one can
// be held against the other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace measure {

struct Measures {
	double centroidHz = 0;  // power-weighted mean frequency of the start, 20 Hz to 20 kHz
	double flatness = 0;    // geometric over arithmetic mean power of the start, 100 Hz to 16 kHz
	double bandwidthHz = 0; // power-weighted spread about the centroid
	double low200 = 0;      // share of the start's power below 200 Hz
	double low20 = 0;       // share of the whole sound's power below 20 Hz
	double fall20Ms = 0;    // from the onset until the level stays 20 dB below its peak
	double fall40Ms = 0;    // ... 40 dB below
	double peakDb = -200;   // the largest sample, dB relative to full scale
};

// The names of the figures, in the order of Measures and of Values().
inline constexpr const char* kNames[] = {
    "centroid", "flatness", "bandwidth", "low200", "low20", "fall20", "fall40", "peak"};
inline constexpr size_t kCount = std::size(kNames);
std::vector<double> Values(const Measures& m);

// The start is the first 150 ms from the onset (the first sample within 40 dB of the peak),
// faded out over its last 30 ms so that its end adds no spectrum of its own. Levels come
// from an RMS envelope of 10 ms windows, one every millisecond; the end of the sound counts
// as silence. Samples are in [-1, 1]; silence measures as zeros and a peak of -200 dB.
Measures Measure(std::span<const float> samples, double rate);
// The same for 16-bit samples (full scale 32768).
Measures Measure(std::span<const int16_t> samples, double rate);

// The p-th percentile (0 to 100) of `values`, between neighbouring ranks; 0 for none.
double Percentile(std::vector<double> values, double p);

// Per drum category, the 5th, 25th, 50th, 75th and 95th percentiles of each figure of real
// recordings, as the committed table holds them (one line a category and figure:
// "snare<TAB>centroid<TAB>p5<TAB>p25<TAB>p50<TAB>p75<TAB>p95"; '#' starts a comment).
inline constexpr double kPercentiles[] = {5, 25, 50, 75, 95};
struct Range {
	std::string category;
	std::string figure;
	double p[5];
	double Low() const { return p[0]; }
	double High() const { return p[4]; }
	double InnerLow() const { return p[1]; }
	double InnerHigh() const { return p[3]; }
};
// Empty when the file cannot be read or holds a malformed line.
std::vector<Range> ReadRanges(const std::string& path);
// The range of a category's figure, or null.
const Range* FindRange(const std::vector<Range>& ranges, const std::string& category,
	const std::string& figure);

}  // namespace measure
