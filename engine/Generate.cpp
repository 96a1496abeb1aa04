#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "engine/Dsp.h"
#include "engine/TunkSound.h"
#include "kits/support/AlertHook.h"

namespace {

// Ten minutes: longer sounds are refused like a failed allocation. Builds that render
// arbitrary input (the fuzzers) lower the bound so that every input renders quickly.
#ifndef TUNK_MAX_SOUND_SECONDS
#define TUNK_MAX_SOUND_SECONDS 600
#endif
constexpr double kMaxSamples = double(TUNK_MAX_SOUND_SECONDS) * kSampleRate;

// Everything one generation reads, gathered so that the loop below sees plain locals.
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
constexpr int32 kBlock = dsp::EnvelopeCurve::kMaxBlock;

// One pass over the buffer with the stage switches fixed at compile time, so that the
// per-sample work carries no tests for stages that are off.
template <bool FreqEnv, bool Distortion, bool AmpEnv, bool Filter>
void Render(const Chain& chain, int16* out, int64 count)
{
	const float fixedIncrement = float(double(chain.startFreq) * 2048.0 / kSampleRate);
	float x[kBlock];
	float increments[kBlock];
	float gains[kBlock];
	float phase = 0;
	for (int64 start = 0; start < count; start += kBlock) {
		const int32 n = count - start < kBlock ? int32(count - start) : kBlock;
		// The sample counts fit 32 bits (at most ten minutes), which lets these loops
		// convert several indices at a time.
		const int32 first = int32(start);
		if constexpr (FreqEnv) {
			for (int32 k = 0; k < n; k++)
				x[k] = float(double(first + k) / double(count));
			chain.freqCurve.AtBlock(x, increments, n);
			for (int32 k = 0; k < n; k++) {
				float hz = increments[k] * chain.startFreq;
				increments[k] = float(double(hz) * 2048.0 / kSampleRate);
			}
		}
		if constexpr (AmpEnv) {
			for (int32 k = 0; k < n; k++)
				x[k] = float(double(first + k) / chain.seconds / kSampleRate);
			chain.ampCurve.AtBlock(x, gains, n);
		}
		for (int32 k = 0; k < n; k++) {
			float s = dsp::ReadTable(chain.waveTable, phase);
			phase = dsp::WrapPhase(phase + (FreqEnv ? increments[k] : fixedIncrement));
			if constexpr (Distortion)
				s = dsp::ShapeLookup(chain.shapeTable, s);
			if constexpr (AmpEnv)
				s = s * gains[k];
			s = s * chain.amplitude;
			if constexpr (Filter)
				s = dsp::FilterSample(s, chain.coef, chain.history, dsp::kFilterSections);
			out[start + k] = dsp::ToSample(s);
		}
	}
}

typedef void (*RenderFunc)(const Chain&, int16*, int64);

template <size_t Switches>
constexpr RenderFunc RenderFor()
{
	return Render<(Switches & 1) != 0, (Switches & 2) != 0, (Switches & 4) != 0,
		(Switches & 8) != 0>;
}

template <size_t... Switches>
constexpr std::array<RenderFunc, sizeof...(Switches)> MakeRenderers(
	std::index_sequence<Switches...>)
{
	return {RenderFor<Switches>()...};
}

// Indexed by the stage switches: 1 frequency envelope, 2 distortion, 4 amplitude
// envelope, 8 filter.
constexpr auto kRenderers = MakeRenderers(std::make_index_sequence<16>());

}  // namespace

void TunkSound::GenerateSound()
{
	if (acquire_sem(writeBufSem) != B_OK) {
		std::printf("Error acquiring write buffer semaphore during sound gen.\n");
		return;
	}

	double wanted = std::ceil(double(duration) * kSampleRate / 1000.0);
	std::free(sampleBuffer);
	sampleBuffer = nullptr;
	sampleLength = 0;

	// A negative, non-numeric or excessive count fails like an allocation; a count of 0
	// is an empty sound without a buffer.
	bool allocated = wanted >= 0 && wanted <= kMaxSamples;
	int64 count = allocated ? int64(wanted) : 0;
	if (count > 0) {
		sampleBuffer = static_cast<int16*>(std::malloc(size_t(count) * sizeof(int16)));
		allocated = sampleBuffer != nullptr;
	}

	UpdateFilter(float(filterQ), float(filterCutoff));

	if (!allocated) {
		// Released before the modal alert, so that no player waits on it meanwhile.
		if (release_sem(writeBufSem) != B_OK)
			std::printf("Error releasing the write buf semaphore during generation\n");
		ErrorMsg("Could not allocate a sufficient sample buffer in RAM!");
		return;
	}
	sampleLength = count;

	Chain chain{waveTable, shapeTable, filter.coef, filter.history, startFreq, amplitude,
		double(duration) / 1000.0, dsp::EnvelopeCurve(freqEnvelope),
		dsp::EnvelopeCurve(ampEnvelope)};
	int switches = (freqEnvEnabled ? 1 : 0) | (distortionEnabled ? 2 : 0)
		| (ampEnvEnabled ? 4 : 0) | (filterEnabled ? 8 : 0);
	kRenderers[switches](chain, sampleBuffer, sampleLength);

	if (release_sem(writeBufSem) != B_OK)
		std::printf("Error releasing the write buf semaphore during generation\n");
}

int64 TunkSound::GetSampleLength() const
{
	return sampleLength;
}

int16* TunkSound::GetBuffer(int64* count) const
{
	if (count != nullptr)
		*count = sampleLength;
	return sampleBuffer;
}

int16 TunkSound::GetSampleAt(int64 index) const
{
	return sampleBuffer[index];
}

void TunkSound::ErrorMsg(const char* text)
{
	show_error_alert("Error In TunkSound Object", text);
}
