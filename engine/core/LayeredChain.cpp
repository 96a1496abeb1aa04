#include "engine/core/LayeredChain.h"

#include <cmath>

#include "engine/core/Kernels.h"

namespace tunk {

bool UsesLayers(const SoundParams& p)
{
	for (const ParamInfo& info : kParams) {
		if (info.since > 1 && !ShapesHits(info) && Moved(p, info.id))
			return true;
	}
	return false;
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
	s.metalShare = p[Param::metalMix];
	s.tailMs = p[Param::clapTail];
	s.gainDb = p[Param::noiseGain];
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
		const int32_t block = left < kernels::kMaxBlock ? int32_t(left) : kernels::kMaxBlock;
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
	constexpr int32_t kBlock = kernels::kMaxBlock;
	float x[kBlock];
	float increments[kBlock];
	float gains[kBlock];
	const int64_t first = position;
	if (freqEnv) {
		kernels::Ramp(first, 0.0, double(count), 1.0, x, n);
		kernels::Curve(freqCurve, x, increments, n);
		kernels::Increments(pitch.Span(), pitch.End(), increments, n);
	} else {
		const float fixed = float(double(startFreq) * 2048.0 / kSampleRate);
		for (int32_t k = 0; k < n; k++)
			increments[k] = fixed;
	}
	// Past the attack its rise is 1, and a gain times 1 is the gain: the rise is left out.
	const bool rising = shape.RisingFrom(first);
	const bool gained = ampEnv || rising;
	if (ampEnv) {
		shape.DecayPositions(first, x, n);
		kernels::Curve(ampCurve, x, gains, n);
		if (rising)
			kernels::Rise(first, shape.AttackSamples(), true, gains, n);
	} else if (gained) {
		kernels::Rise(first, shape.AttackSamples(), false, gains, n);
	}
	// The chain's steps in its order, each over the block: only the phases and the filters
	// carry from sample to sample. The two tones' phases advance in one loop, so that their
	// chains run side by side, on copies that stay in registers.
	float phases[kBlock];
	float secondPhases[kBlock];
	float running = phase;
	if (second.On()) {
		SecondTone tone = second;
		for (int32_t k = 0; k < n; k++) {
			phases[k] = running;
			running = dsp::WrapPhase(running + increments[k]);
			secondPhases[k] = tone.Advance(increments[k]);
		}
		second = tone;
	} else {
		for (int32_t k = 0; k < n; k++) {
			phases[k] = running;
			running = dsp::WrapPhase(running + increments[k]);
		}
	}
	phase = running;
	float* s = phases;
	kernels::Tone(waveTable, phases, s, n);
	if (second.On())
		kernels::AddTone(waveTable, secondPhases, second.Level(), s, n);
	if (distortion)
		kernels::Shape(shapeTable, s, n);
	kernels::Amplify(gained ? gains : nullptr, amplitude, s, n);
	float noiseGains[kBlock];
	float noiseSources[kBlock];
	const bool noisy = noise.Prepare(first, noiseGains, noiseSources, n);
	// The two filters' chains side by side.
	FilterState* noiseFilter = noisy ? noise.Filtered() : nullptr;
	if (filtered && noiseFilter != nullptr) {
		FilterRun tone(filter);
		FilterRun other(*noiseFilter);
		for (int32_t k = 0; k < n; k++) {
			s[k] = tone.Sample(s[k]);
			noiseSources[k] = other.Sample(noiseSources[k]);
		}
		tone.Save(filter);
		other.Save(*noiseFilter);
	} else if (filtered) {
		FilterRun tone(filter);
		for (int32_t k = 0; k < n; k++)
			s[k] = tone.Sample(s[k]);
		tone.Save(filter);
	} else if (noiseFilter != nullptr) {
		FilterRun other(*noiseFilter);
		for (int32_t k = 0; k < n; k++)
			noiseSources[k] = other.Sample(noiseSources[k]);
		other.Save(*noiseFilter);
	}
	if (noisy)
		kernels::Mix(noiseSources, noiseGains, s, n);
	kernels::ToSamples(s, out, n);
	position += n;
}

}  // namespace tunk
