// What makes a drum sound what it is, measured from its samples: how noisy its start is,
// where its spectrum's weight lies, how fast it falls silent, the bursts of a clap and the
// share of a kick's energy too low to hear. The factory sounds and the random ones of each
// category are held to the same measures (DrumCharacterFault).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/Spectrum.h"
#include "engine/core/Params.h"

namespace character {

constexpr double kSamplesPerMs = tunk::kSampleRate / 1000.0;

inline size_t Samples(double ms)
{
	return size_t(std::lround(ms * kSamplesPerMs));
}

// The spectral flatness of the first `ms` milliseconds (white noise about 0.56, a tone near 0).
inline double StartFlatness(const std::vector<int16_t>& samples, double ms)
{
	return spectrum::Flatness(spectrum::PowerBins(samples, 0, Samples(ms)));
}

// The spectral centroid in Hz of the first `ms` milliseconds, where a short sound has its weight.
inline double StartCentroid(const std::vector<int16_t>& samples, double ms)
{
	return spectrum::Centroid(spectrum::PowerBins(samples, 0, Samples(ms)));
}

// The level in dB (relative to full scale) of windows of `windowMs`, the root of the mean
// square, one every `hopMs` (window k starts at k * hopMs); silence is -200 dB.
inline std::vector<double> LevelFrames(
    const std::vector<int16_t>& samples, double windowMs, double hopMs)
{
	const size_t window = std::max<size_t>(1, Samples(windowMs));
	std::vector<double> levels;
	for (size_t k = 0; Samples(double(k) * hopMs) + window <= samples.size(); k++) {
		const size_t start = Samples(double(k) * hopMs);
		double sum = 0;
		for (size_t i = start; i < start + window; i++)
			sum += double(samples[i]) * double(samples[i]);
		const double rms = std::sqrt(sum / double(window)) / 32768.0;
		levels.push_back(rms > 1e-10 ? 20 * std::log10(rms) : -200.0);
	}
	return levels;
}

// The time in ms from the sound's start to the point after which its level (5 ms frames)
// stays `db` below its loudest frame; the sound's end counts as silence.
inline double FallMs(const std::vector<int16_t>& samples, double db)
{
	const double frameMs = 5;
	const std::vector<double> levels = LevelFrames(samples, frameMs, frameMs);
	if (levels.empty())
		return 0;
	const double loudest = *std::max_element(levels.begin(), levels.end());
	size_t after = levels.size();
	while (after > 0 && levels[after - 1] < loudest - db)
		after--;
	return after < levels.size() ? double(after) * frameMs
	                             : double(samples.size()) / kSamplesPerMs;
}

// The starts (ms) of the envelope's bursts, from its level in 2.5 ms windows every
// millisecond (short enough to see bursts 5 ms apart, long enough to calm the flutter of
// band-passed noise): a window that is the loudest within 4 ms either way (closer peaks are
// one burst), within 10 dB of the loudest (every hand is a full restart), and 4 dB above the
// quietest window between it and the next such peak on each side (the sound's edges count as
// silence).
inline std::vector<double> BurstPeaksMs(const std::vector<int16_t>& samples)
{
	const std::vector<double> levels = LevelFrames(samples, 2.5, 1);
	std::vector<size_t> candidates;
	if (levels.empty())
		return {};
	const double loudest = *std::max_element(levels.begin(), levels.end());
	constexpr size_t kRadius = 4;
	for (size_t i = 0; i < levels.size(); i++) {
		const size_t from = i >= kRadius ? i - kRadius : 0;
		const size_t to = std::min(levels.size(), i + kRadius + 1);
		// The first of equal windows stands for them.
		const size_t top = size_t(std::max_element(levels.begin() + long(from),
		                              levels.begin() + long(to)) - levels.begin());
		if (top == i && levels[i] >= loudest - 10)
			candidates.push_back(i);
	}
	auto lowestBetween = [&](size_t a, size_t b) {
		return *std::min_element(levels.begin() + long(a), levels.begin() + long(b) + 1);
	};
	std::vector<double> peaks;
	for (size_t k = 0; k < candidates.size(); k++) {
		const size_t i = candidates[k];
		const double before = k > 0 ? lowestBetween(candidates[k - 1], i) : -200.0;
		const double after =
		    k + 1 < candidates.size() ? lowestBetween(i, candidates[k + 1]) : -200.0;
		if (before <= levels[i] - 4 && after <= levels[i] - 4)
			peaks.push_back(double(i));
	}
	return peaks;
}

// The most bursts in a row whose starts lie 5 to 20 ms apart.
inline int ClapRun(const std::vector<double>& peaksMs)
{
	int best = peaksMs.empty() ? 0 : 1;
	int run = best;
	for (size_t i = 1; i < peaksMs.size(); i++) {
		const double gap = peaksMs[i] - peaksMs[i - 1];
		run = gap >= 5 && gap <= 20 ? run + 1 : 1;
		best = std::max(best, run);
	}
	return best;
}

// The share of the sound's energy below `hz` (the constant part included), from the
// discrete Fourier transform of the whole sound: only the few bins below `hz` are needed.
inline double EnergyShareBelow(const std::vector<int16_t>& samples, double hz)
{
	const size_t n = samples.size();
	double total = 0;
	for (int16_t s : samples)
		total += double(s) * double(s);
	if (n == 0 || total <= 0)
		return 0;
	double low = 0;
	for (size_t k = 0; spectrum::BinHz(k, n) < hz && k <= n / 2; k++) {
		// Bins other than 0 and n/2 stand for their mirror image too.
		const double weight = k == 0 || 2 * k == n ? 1 : 2;
		low += weight * spectrum::BinPower(samples.data(), n, k);
	}
	return low / double(n) / total;
}

// The drums the factory folders and the random categories share.
enum class Drum { Snare, Clap, ClosedHat, OpenHat, Cymbal, Rim, Metal, Shaker, Kick };

// What a sound of `drum` fails to be: empty when it has the drum's character, else the
// measures that miss, with their figures.
inline std::string DrumCharacterFault(Drum drum, const std::vector<int16_t>& samples)
{
	std::ostringstream fault;
	const double ms = double(samples.size()) / kSamplesPerMs;
	auto need = [&](bool ok, const char* what, double figure) {
		if (!ok)
			fault << what << " " << figure << "; ";
	};
	switch (drum) {
		case Drum::Snare:
			// A snare's rattle is noise across the spectrum from the first hit.
			need(StartFlatness(samples, 50) > 0.3, "flatness of the first 50 ms", StartFlatness(samples, 50));
			need(FallMs(samples, 40) <= 600, "40 dB fall (ms)", FallMs(samples, 40));
			break;
		case Drum::Clap:
			need(ClapRun(BurstPeaksMs(samples)) >= 3, "bursts 5 to 20 ms apart",
			    ClapRun(BurstPeaksMs(samples)));
			// Hands, not a hiss: its weight lies in the middle of the spectrum.
			need(StartCentroid(samples, 50) > 600 && StartCentroid(samples, 50) < 6000,
			    "centroid (Hz)", StartCentroid(samples, 50));
			break;
		case Drum::ClosedHat:
			need(StartCentroid(samples, 40) > 5000, "centroid (Hz)", StartCentroid(samples, 40));
			need(FallMs(samples, 40) <= 150, "40 dB fall (ms)", FallMs(samples, 40));
			break;
		case Drum::OpenHat:
			// Bright like a closed hat, but it rings on.
			need(StartCentroid(samples, 40) > 5000, "centroid (Hz)", StartCentroid(samples, 40));
			need(FallMs(samples, 40) > 200 && FallMs(samples, 40) <= 1500, "40 dB fall (ms)",
			    FallMs(samples, 40));
			break;
		case Drum::Cymbal:
			// Bright, and ringing longer than any hat.
			need(StartCentroid(samples, 40) > 3000, "centroid (Hz)", StartCentroid(samples, 40));
			need(FallMs(samples, 40) > 700, "40 dB fall (ms)", FallMs(samples, 40));
			break;
		case Drum::Rim:
			// A short, high knock.
			need(FallMs(samples, 40) <= 150, "40 dB fall (ms)", FallMs(samples, 40));
			need(StartCentroid(samples, 20) > 700, "centroid (Hz)", StartCentroid(samples, 20));
			break;
		case Drum::Metal:
			// A pitched ring: a few strong partials, not noise, above a tom's range.
			need(StartFlatness(samples, 50) < 0.1, "flatness of the first 50 ms",
			    StartFlatness(samples, 50));
			need(StartCentroid(samples, 50) > 500, "centroid (Hz)", StartCentroid(samples, 50));
			need(FallMs(samples, 40) >= 40 && ms <= 3000, "40 dB fall (ms)", FallMs(samples, 40));
			break;
		case Drum::Shaker:
			// A bright swish that lasts a moment and is gone.
			need(StartCentroid(samples, 50) > 3000, "centroid (Hz)", StartCentroid(samples, 50));
			need(FallMs(samples, 40) >= 40 && FallMs(samples, 40) <= 400, "40 dB fall (ms)",
			    FallMs(samples, 40));
			break;
		case Drum::Kick:
			need(EnergyShareBelow(samples, 20) <= 0.05, "share of energy below 20 Hz",
			    EnergyShareBelow(samples, 20));
			break;
	}
	return fault.str();
}

// The drum of a factory folder; none for the folders of other sounds.
inline std::optional<Drum> DrumOfFolder(const std::string& folder)
{
	static const std::pair<const char*, Drum> folders[] = {{"Snares", Drum::Snare},
	    {"Claps", Drum::Clap}, {"Closed Hi-Hats", Drum::ClosedHat}, {"Open Hi-Hats", Drum::OpenHat},
	    {"Cymbals", Drum::Cymbal}, {"Rims and Sticks", Drum::Rim},
	    {"Cowbells and Metals", Drum::Metal}, {"Shakers", Drum::Shaker}, {"Kicks", Drum::Kick}};
	for (const auto& [name, drum] : folders)
		if (folder == name)
			return drum;
	return std::nullopt;
}

} // namespace character
