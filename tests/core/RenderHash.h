// The parameter sets whose renders, over four waveforms times sixteen stage switch
// settings, are folded into one hash: the default sound, a long sound with every curve,
// the drive and the filter away from their defaults, and a short backwards one.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "engine/core/Params.h"
#include "engine/core/Render.h"

namespace renderhash {

// The hash of every render, taken before the synthesis core was split from the window's
// engine. A change of any sample changes it.
constexpr uint64_t kExpected = 0x516082fd7f794c03ull;

// The eight numbers in table order: startFreq, duration, amplitude, freqEnvelope,
// ampEnvelope, distortion, filterCutoff, filterQ; the rest keep their defaults.
inline tunk::SoundParams Numbers(std::initializer_list<float> numbers)
{
	tunk::SoundParams p;
	std::copy(numbers.begin(), numbers.end(), p.values.begin());
	return p;
}

// The whole sound of `p`, which must render.
inline std::vector<int16_t> Rendered(const tunk::SoundParams& p)
{
	std::vector<int16_t> out;
	EXPECT_EQ(tunk::Render(p, &out), tunk::RenderStatus::Ok);
	return out;
}

inline tunk::SoundParams Setting(int index)
{
	if (index == 1)
		return Numbers({220, 1500, 1.2f, 4.5f, -3.25f, 6, 900, 3.5f});
	if (index == 2)
		return Numbers({-3100, 37.3f, 0.4f, -12, 25, 0.3f, 15000, 0.2f});
	return {};
}
constexpr int kSettings = 3;

// Switch bits: 1 frequency envelope, 2 distortion, 4 amplitude envelope, 8 filter.
inline void SetSwitches(tunk::SoundParams* p, int switches)
{
	using tunk::Param;
	(*p)[Param::freqEnvEnabled] = (switches & 1) != 0;
	(*p)[Param::distortionEnabled] = (switches & 2) != 0;
	(*p)[Param::ampEnvEnabled] = (switches & 4) != 0;
	(*p)[Param::filterEnabled] = (switches & 8) != 0;
}

// Hands every parameter set of the hash to visit(setting, switches, params), in the hash's
// order: each setting with each waveform and each switch setting. Stops at a fatal failure.
template <typename Visit>
void ForEachCase(Visit visit)
{
	for (int setting = 0; setting < kSettings; setting++) {
		tunk::SoundParams p = Setting(setting);
		for (int32_t type = 1; type <= 4; type++) {
			p[tunk::Param::oscType] = float(type);
			for (int switches = 0; switches < 16; switches++) {
				SetSwitches(&p, switches);
				visit(setting, switches, p);
				if (::testing::Test::HasFatalFailure())
					return;
			}
		}
	}
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
