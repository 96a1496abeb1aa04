#include "engine/core/Generator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <utility>

#include "engine/core/Dsp.h"
#include "engine/core/Kernels.h"
#include "engine/core/Render.h"

namespace tunk {

namespace {

// Everything one render reads, gathered so that the loop below sees plain locals.
struct Chain {
	const float* waveTable;
	const float* shapeTable;
	float* coef;
	float* history;
	float startFreq;
	float amplitude;
	double seconds;  // duration / 1000
	dsp::EnvelopeCurve freqCurve;
	dsp::EnvelopeCurve ampCurve;
};

// Samples per block: the envelopes of a block are worked out before its samples, so that
// their exponentials (independent of one another) overlap instead of lengthening the
// per-sample chain of phase and filter.
constexpr int32_t kBlock = kernels::kMaxBlock;

// One pass over samples [from, from + n) of a sound of `count` samples, with the stage
// switches fixed at compile time, so that the per-sample work carries no tests for stages
// that are off. Every sample depends only on its index and on the running phase and filter
// history, so a sound rendered in pieces is the sound rendered at once.
template <bool FreqEnv, bool Distortion, bool AmpEnv, bool Filter>
void RenderPass(const Chain& chain, float* runningPhase, int16_t* out, int64_t from, int64_t n,
	int64_t count)
{
	const float fixedIncrement = float(double(chain.startFreq) * 2048.0 / kSampleRate);
	float x[kBlock];
	float increments[kBlock];
	float gains[kBlock];
	float phases[kBlock];
	float phase = *runningPhase;
	for (int64_t start = 0; start < n; start += kBlock) {
		const int32_t size = n - start < kBlock ? int32_t(n - start) : kBlock;
		const int64_t first = from + start;
		if constexpr (FreqEnv) {
			kernels::Ramp(first, 0.0, double(count), 1.0, x, size);
			kernels::Curve(chain.freqCurve, x, increments, size);
			// Adding -0 changes no float: the increment of envelope times start frequency.
			kernels::Increments(chain.startFreq, -0.0f, increments, size);
		}
		if constexpr (AmpEnv) {
			kernels::Ramp(first, 0.0, chain.seconds, kSampleRate, x, size);
			kernels::Curve(chain.ampCurve, x, gains, size);
		}
		// The chain's steps in its order, each over the block: only the phase and the
		// filter carry from sample to sample.
		for (int32_t k = 0; k < size; k++) {
			phases[k] = phase;
			phase = dsp::WrapPhase(phase + (FreqEnv ? increments[k] : fixedIncrement));
		}
		float* s = phases;
		kernels::Tone(chain.waveTable, phases, s, size);
		if constexpr (Distortion)
			kernels::Shape(chain.shapeTable, s, size);
		kernels::Amplify(AmpEnv ? gains : nullptr, chain.amplitude, s, size);
		if constexpr (Filter) {
			FilterRun filter(chain.coef, chain.history);
			for (int32_t k = 0; k < size; k++)
				s[k] = filter.Sample(s[k]);
			filter.Save(chain.history);
		}
		kernels::ToSamples(s, out + start, size);
	}
	*runningPhase = phase;
}

typedef void (*PassFunc)(const Chain&, float*, int16_t*, int64_t, int64_t, int64_t);

template <size_t Switches>
constexpr PassFunc PassFor()
{
	return RenderPass<(Switches & 1) != 0, (Switches & 2) != 0, (Switches & 4) != 0,
		(Switches & 8) != 0>;
}

template <size_t... Switches>
constexpr std::array<PassFunc, sizeof...(Switches)> MakePasses(std::index_sequence<Switches...>)
{
	return {PassFor<Switches>()...};
}

// Indexed by the stage switches: 1 frequency envelope, 2 distortion, 4 amplitude
// envelope, 8 filter.
constexpr auto kPasses = MakePasses(std::make_index_sequence<16>());

}  // namespace

Generator::Generator() : Generator(SoundParams{})
{
	DesignFilter(params[Param::filterQ], params[Param::filterCutoff]);
}

Generator::Generator(const SoundParams& p)
{
	Reset(p);
}

void Generator::Reset(const SoundParams& p)
{
	params = p;
	BuildWaveTable();
	BuildShapeTable();
}

void Generator::BuildWaveTable()
{
	if (!tunk::BuildWaveTable(OscCode(params[Param::oscType]), waveTable))
		tunk::BuildWaveTable(kOscSine, waveTable);
}

void Generator::Load(const SoundParams& p, const float* wave, const float* shape)
{
	params = p;
	std::copy(wave, wave + kTableEntries, waveTable);
	if (shape != nullptr)
		std::copy(shape, shape + kTableEntries, shapeTable);
}

void Generator::RenderInto(int16_t* out, int64_t count)
{
	Start(count);
	Next(out, count);
}

void Generator::Start(int64_t samples)
{
	DesignFilter(params[Param::filterQ], params[Param::filterCutoff]);
	count = samples > 0 ? samples : 0;
	position = 0;
	phase = 0;
	freqCurve = dsp::EnvelopeCurve(params[Param::freqEnvelope]);
	ampCurve = dsp::EnvelopeCurve(params[Param::ampEnvelope]);
	switches = (params.On(Param::freqEnvEnabled) ? 1 : 0) | (params.On(Param::distortionEnabled) ? 2 : 0)
		| (params.On(Param::ampEnvEnabled) ? 4 : 0) | (params.On(Param::filterEnabled) ? 8 : 0);
	if (UsesLayers(params))
		layers.emplace(params, count);
	else
		layers.reset();
}

int64_t Generator::Next(int16_t* out, int64_t n)
{
	if (n > count - position)
		n = count - position;
	if (n <= 0)
		return 0;
	if (layers) {
		n = layers->Render(waveTable, shapeTable, out, n);
		position += n;
		return n;
	}
	Chain chain{waveTable, shapeTable, filter.coef, filter.history, params[Param::startFreq],
		params[Param::amplitude], double(params[Param::duration]) / 1000.0, freqCurve, ampCurve};
	kPasses[switches](chain, &phase, out, position, n, count);
	position += n;
	return n;
}

int64_t SampleCount(const SoundParams& params)
{
	double wanted = std::ceil(double(params[Param::duration]) * kSampleRate / 1000.0);
	if (!(wanted >= 0 && wanted <= double(kMaxSampleCount)))
		return -1;
	return int64_t(wanted);
}

RenderStatus Render(const SoundParams& params, int16_t* out, int64_t capacity)
{
	const int64_t count = SampleCount(params);
	if (count < 0 || capacity < count || (count > 0 && out == nullptr))
		return RenderStatus::Refused;
	Generator generator(params);
	generator.RenderInto(out, count);
	return RenderStatus::Ok;
}

RenderStatus Render(const SoundParams& params, std::vector<int16_t>* out)
{
	out->clear();
	const int64_t count = SampleCount(params);
	if (count < 0)
		return RenderStatus::Refused;
	try {
		out->resize(size_t(count));
	} catch (const std::bad_alloc&) {
		std::vector<int16_t>().swap(*out);
		return RenderStatus::NoMemory;
	}
	return Render(params, out->data(), count);
}

}  // namespace tunk
