// Every render of the engine folded into one hash: four waveforms times the sixteen stage
// switch settings, for the default sound and for a long sound with every curve, the drive
// and the filter away from their defaults. Any change of any sample changes the hash.
#include <gtest/gtest.h>

#include <cstdint>

#include "engine/TunkSound.h"

namespace {

struct Setting {
	float startFreq, duration, amplitude, freqEnvelope, ampEnvelope, distortion, cutoff, q;
};

constexpr Setting kSettings[] = {
	{1000, 200, 0.95f, 1, 1, 1, 5000, 1},
	{220, 1500, 1.2f, 4.5f, -3.25f, 6, 900, 3.5f},
	{-3100, 37.3f, 0.4f, -12, 25, 0.3f, 15000, 0.2f},
};

// 64-bit FNV-1a over the samples' little-endian bytes and each render's length.
struct Hash {
	uint64_t value = 14695981039346656037ull;
	void Byte(uint8_t b)
	{
		value ^= b;
		value *= 1099511628211ull;
	}
	void Word(uint64_t w, int bytes)
	{
		for (int i = 0; i < bytes; i++)
			Byte(uint8_t(w >> (8 * i)));
	}
};

}  // namespace

TEST(RenderHashTest, EveryWaveformAndStageSwitchRendersAsBefore)
{
	Hash hash;
	TunkSound sound;
	for (const Setting& s : kSettings) {
		sound.SetAmplitude(s.amplitude);
		sound.SetStartFreq(s.startFreq);
		sound.SetDuration(s.duration);
		sound.SetAmpEnvelope(s.ampEnvelope);
		sound.SetFreqEnvelope(s.freqEnvelope);
		sound.SetDistortion(s.distortion);
		sound.SetFilterCutoff(s.cutoff);
		sound.SetFilterQ(s.q);
		sound.GenerateWaveShapeTable();
		for (int32 type = 1; type <= 4; type++) {
			sound.SetOscType(type);
			sound.GenerateWaveTable();
			for (int switches = 0; switches < 16; switches++) {
				sound.SetFreqEnvEnabled((switches & 1) != 0);
				sound.SetDistortionEnabled((switches & 2) != 0);
				sound.SetAmpEnvEnabled((switches & 4) != 0);
				sound.SetFilterEnabled((switches & 8) != 0);
				sound.GenerateSound();
				int64 count = 0;
				const int16* samples = sound.GetBuffer(&count);
				ASSERT_NE(samples, nullptr);
				hash.Word(uint64_t(count), 8);
				for (int64 i = 0; i < count; i++)
					hash.Word(uint16_t(samples[i]), 2);
			}
		}
	}
	EXPECT_EQ(hash.value, 0x516082fd7f794c03ull);
}
