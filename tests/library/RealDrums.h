// What makes a drum sound real, in figures measured from real recordings: the committed table
// of their percentiles per category (data/measures/real-drums.tsv, made by
// scripts/measure-drumkits). Every drum of ours lies within the recordings' 5th to 95th
// percentile on centroid, flatness and 40 dB fall, peaks between -6 and -1 dBFS, and a
// category's median lies within their 25th to 75th on what a listener hears first.
#pragma once

#include <algorithm>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tools/Measure.h"

namespace realdrums {

inline const std::vector<measure::Range>& Ranges()
{
	static const std::vector<measure::Range> ranges =
	    measure::ReadRanges(std::string(TUNK_SOURCE_DIR) + "/data/measures/real-drums.tsv");
	return ranges;
}

// The figure `name` of `m`.
inline double Figure(const measure::Measures& m, const std::string& name)
{
	const std::vector<double> values = measure::Values(m);
	for (size_t i = 0; i < measure::kCount; i++)
		if (name == measure::kNames[i])
			return values[i];
	return 0;
}

inline measure::Measures Measure(const std::vector<int16_t>& samples)
{
	return measure::Measure(std::span<const int16_t>(samples), 44100);
}

// What a sound of drum `drum` ("snare", "closedhat" ...) misses: empty when it is within the
// recordings' 5th to 95th percentile on centroid, flatness and 40 dB fall, and peaks between
// -6 and -1 dBFS; a kick keeps at most 5% of its energy below 20 Hz.
inline std::string Fault(const std::string& drum, const measure::Measures& m)
{
	std::ostringstream fault;
	for (const char* name : {"centroid", "flatness", "fall40"}) {
		const measure::Range* r = measure::FindRange(Ranges(), drum, name);
		const double v = Figure(m, name);
		if (r == nullptr || !(v >= r->Low() && v <= r->High()))
			fault << name << " " << v << "; ";
	}
	if (!(m.peakDb >= -6.02 && m.peakDb <= -0.98))
		fault << "peak " << m.peakDb << " dBFS; ";
	if (drum == "kick" && !(m.low20 <= 0.05))
		fault << "below 20 Hz " << m.low20 << "; ";
	return fault.str();
}

// What the medians of a category's sounds miss of the recordings' 25th to 75th percentile on
// centroid, flatness, energy below 200 Hz and the 20 and 40 dB falls.
inline std::string MedianFault(const std::string& drum, const std::vector<measure::Measures>& all)
{
	std::ostringstream fault;
	for (const char* name : {"centroid", "flatness", "low200", "fall20", "fall40"}) {
		std::vector<double> values;
		for (const measure::Measures& m : all)
			values.push_back(Figure(m, name));
		const double median = measure::Percentile(values, 50);
		const measure::Range* r = measure::FindRange(Ranges(), drum, name);
		if (r == nullptr || !(median >= r->InnerLow() && median <= r->InnerHigh()))
			fault << name << " median " << median << "; ";
	}
	return fault.str();
}

// The drum of a factory folder; none for the folders of other sounds.
inline std::optional<std::string> DrumOfFolder(const std::string& folder)
{
	static const std::pair<const char*, const char*> folders[] = {{"Kicks", "kick"},
	    {"Snares", "snare"}, {"Claps", "clap"}, {"Closed Hi-Hats", "closedhat"},
	    {"Open Hi-Hats", "openhat"}, {"Cymbals", "cymbal"}, {"Toms", "tom"},
	    {"Rims and Sticks", "rim"}, {"Cowbells and Metals", "cowbell"}, {"Shakers", "shaker"}};
	for (const auto& [name, drum] : folders)
		if (folder == name)
			return drum;
	return std::nullopt;
}

} // namespace realdrums
