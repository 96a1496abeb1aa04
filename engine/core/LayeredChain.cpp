#include "engine/core/LayeredChain.h"

#include <cmath>

namespace tunk {

bool UsesLayers(const SoundParams& p)
{
	const float noiseLevel = p[Param::noiseLevel];
	return (p.On(Param::freqEnvEnabled) && p[Param::endFreq] != 0)
		|| p[Param::attack] > 0
		|| (p.On(Param::ampEnvEnabled) && p[Param::hold] > 0)
		|| SecondTone(p[Param::osc2Level], p[Param::osc2Ratio]).On()
		|| (p.On(Param::filterEnabled) && FilterModeOf(p[Param::filterType]) != FilterMode::LowPass)
		|| (std::isfinite(noiseLevel) && noiseLevel != 0);
}

NoiseSettings NoiseSettingsOf(const SoundParams& p)
{
	NoiseSettings s;
	s.level = p[Param::noiseLevel];
	s.type = NoiseTypeOf(p[Param::noiseType]);
	s.seed = NoiseSeedOf(p[Param::noiseSeed]);
	s.tuneHz = p[Param::noiseTune];
	s.decayMs = p[Param::noiseDecay];
	s.curve = p[Param::noiseCurve];
	s.filter = NoiseFilterOf(p[Param::noiseFilter]);
	s.cutoffHz = p[Param::noiseCutoff];
	s.q = p[Param::noiseQ];
	s.clapCount = p[Param::clapCount];
	s.clapSpacingMs = p[Param::clapSpacing];
	return s;
}

LayeredChain::LayeredChain(const SoundParams& p, int64_t count)
	: count(count),
	  freqEnv(p.On(Param::freqEnvEnabled)), distortion(p.On(Param::distortionEnabled)),
	  ampEnv(p.On(Param::ampEnvEnabled)), filtered(p.On(Param::filterEnabled)),
	  startFreq(p[Param::startFreq]), amplitude(p[Param::amplitude]),
	  freqCurve(p[Param::freqEnvelope]), ampCurve(p[Param::ampEnvelope]),
	  pitch(p[Param::startFreq], freqEnv ? p[Param::endFreq] : 0.0f),
	  shape(p[Param::duration], p[Param::attack], p[Param::hold]),
	  second(p[Param::osc2Level], p[Param::osc2Ratio]),
	  noise(NoiseSettingsOf(p))
{
	DesignFilter(FilterModeOf(p[Param::filterType]), p[Param::filterQ], p[Param::filterCutoff],
		&filter);
}

int64_t LayeredChain::Render(const float* waveTable, const float* shapeTable, int16_t* out,
	int64_t n)
{
	const int64_t wanted = n < count - position ? n : count - position;
	int64_t done = 0;
	while (done < wanted) {
		const int64_t left = wanted - done;
		const int32_t block = left < dsp::EnvelopeCurve::kMaxBlock ? int32_t(left)
		                                                            : dsp::EnvelopeCurve::kMaxBlock;
		RenderBlock(waveTable, shapeTable, out + done, block);
		done += block;
	}
	return done;
}

// The first engine's per-sample steps in its order and rounding, with the additions where
// they belong: the second tone beside the oscillator, the attack on the envelope's gain, the
// filter's mode in its design, and the noise after the filter.
void LayeredChain::RenderBlock(const float* waveTable, const float* shapeTable, int16_t* out,
	int32_t n)
{
	constexpr int32_t kBlock = dsp::EnvelopeCurve::kMaxBlock;
	float x[kBlock];
	float increments[kBlock];
	float gains[kBlock];
	const int64_t first = position;
	if (freqEnv) {
		for (int32_t k = 0; k < n; k++)
			x[k] = float(double(first + k) / double(count));
		freqCurve.AtBlock(x, increments, n);
		for (int32_t k = 0; k < n; k++) {
			float hz = pitch.Hz(increments[k]);
			increments[k] = float(double(hz) * 2048.0 / kSampleRate);
		}
	} else {
		const float fixed = float(double(startFreq) * 2048.0 / kSampleRate);
		for (int32_t k = 0; k < n; k++)
			increments[k] = fixed;
	}
	const bool gained = ampEnv || shape.HasAttack();
	if (ampEnv) {
		for (int32_t k = 0; k < n; k++)
			x[k] = shape.DecayPosition(first + k);
		ampCurve.AtBlock(x, gains, n);
		if (shape.HasAttack()) {
			for (int32_t k = 0; k < n; k++)
				gains[k] = gains[k] * shape.Rise(first + k);
		}
	} else if (gained) {
		for (int32_t k = 0; k < n; k++)
			gains[k] = shape.Rise(first + k);
	}
	const bool twoTones = second.On();
	// The noise in the same loop as the tone: their filters' chains run side by side.
	float noiseGains[kBlock];
	float noiseSources[kBlock];
	const bool noisy = noise.Prepare(first, noiseGains, noiseSources, n);
	for (int32_t k = 0; k < n; k++) {
		float s = dsp::ReadTable(waveTable, phase);
		if (twoTones)
			s = second.Add(waveTable, s, increments[k]);
		phase = dsp::WrapPhase(phase + increments[k]);
		if (distortion)
			s = dsp::ShapeLookup(shapeTable, s);
		if (gained)
			s = s * gains[k];
		s = s * amplitude;
		if (filtered)
			s = dsp::FilterSample(s, filter.coef, filter.history, kFilterSections);
		if (noisy)
			s = s + noise.Filter(noiseSources[k]) * noiseGains[k];
		out[k] = dsp::ToSample(s);
	}
	position += n;
}

}  // namespace tunk
