// A plain evaluation of the generation chain through the engine's public single-step
// operations, one call per stage and sample, as a yardstick for GenerateSound: the
// buffers must agree bit for bit.
#pragma once

#include <cmath>
#include <vector>

#include "engine/TunkSound.h"

inline std::vector<int16> ReferenceGenerate(TunkSound& sound)
{
	std::vector<int16> out;
	double wanted = std::ceil(double(sound.GetDuration()) * 44100 / 1000);
	if (!(wanted > 0))
		return out;
	int64 length = int64(wanted);
	out.resize(size_t(length));

	sound.UpdateFilter(float(sound.GetFilterQ()), float(sound.GetFilterCutoff()));
	FILTER filter = sound.Filter();
	float phase = 0;
	for (int64 i = 0; i < length; i++) {
		float increment;
		if (sound.IsFreqEnvEnabled()) {
			float x = float(double(i) / double(length));
			float f = TunkSound::ExpEnvelope(x, sound.GetFreqEnvelope()) * sound.GetStartFreq();
			increment = float(double(f) * 2048 / 44100);
		} else {
			increment = float(double(sound.GetStartFreq()) * 2048 / 44100);
		}
		float s = sound.Oscillator(increment, &phase);
		if (sound.IsDistortionEnabled())
			s = sound.Distort(s);
		if (sound.IsAmpEnvEnabled()) {
			float x = float(double(i) / (double(sound.GetDuration()) / 1000) / 44100);
			s = s * TunkSound::ExpEnvelope(x, sound.GetAmpEnvelope());
		}
		s = s * sound.GetAmplitude();
		if (sound.IsFilterEnabled())
			s = iir_filter(s, &filter);
		double v = std::floor(double(s) * 32767.0);
		if (std::isnan(v))
			out[size_t(i)] = 0;
		else
			out[size_t(i)] = int16(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
	}
	return out;
}
