// The parameter sets whose renders, over four waveforms times sixteen stage switch
// settings, are folded into one hash: the default sound, a long sound with every curve,
// the drive and the filter away from their defaults, and a short backwards one.
#pragma once

#include <cstdint>

#include "engine/core/SoundParams.h"

namespace renderhash {

// The hash of every render, taken before the synthesis core was split from the window's
// engine. A change of any sample changes it.
constexpr uint64_t kExpected = 0x516082fd7f794c03ull;

inline tunk::SoundParams Setting(int index)
{
	tunk::SoundParams p;
	if (index == 1) {
		p.startFreq = 220;
		p.duration = 1500;
		p.amplitude = 1.2f;
		p.freqEnvelope = 4.5f;
		p.ampEnvelope = -3.25f;
		p.distortion = 6;
		p.filterCutoff = 900;
		p.filterQ = 3.5f;
	} else if (index == 2) {
		p.startFreq = -3100;
		p.duration = 37.3f;
		p.amplitude = 0.4f;
		p.freqEnvelope = -12;
		p.ampEnvelope = 25;
		p.distortion = 0.3f;
		p.filterCutoff = 15000;
		p.filterQ = 0.2f;
	}
	return p;
}
constexpr int kSettings = 3;

// Switch bits: 1 frequency envelope, 2 distortion, 4 amplitude envelope, 8 filter.
inline void SetSwitches(tunk::SoundParams* p, int switches)
{
	p->freqEnvEnabled = (switches & 1) != 0;
	p->distortionEnabled = (switches & 2) != 0;
	p->ampEnvEnabled = (switches & 4) != 0;
	p->filterEnabled = (switches & 8) != 0;
}

// 64-bit FNV-1a over each render's length and its samples' little-endian bytes.
class Hash {
public:
	void Add(const int16_t* samples, int64_t count)
	{
		Word(uint64_t(count), 8);
		for (int64_t i = 0; i < count; i++)
			Word(uint16_t(samples[i]), 2);
	}
	uint64_t Value() const { return value; }

private:
	void Word(uint64_t w, int bytes)
	{
		for (int i = 0; i < bytes; i++) {
			value ^= uint8_t(w >> (8 * i));
			value *= 1099511628211ull;
		}
	}
	uint64_t value = 14695981039346656037ull;
};

}  // namespace renderhash
