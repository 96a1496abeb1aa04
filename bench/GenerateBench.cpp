// Generation time of the engine and of the core's renderer into a caller's buffer, against
// a plain stage-by-stage evaluation of the same chain (tests/engine/ReferenceChain.h); all
// three must produce the same buffer.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "engine/TunkSound.h"
#include "engine/core/Render.h"
#include "tests/engine/ReferenceChain.h"

namespace {

void Configure(TunkSound& sound, float ms, bool stagesOn)
{
	sound.SetDuration(ms);
	sound.SetOscType(3);
	sound.GenerateWaveTable();
	sound.SetDistortion(4);
	sound.GenerateWaveShapeTable();
	sound.SetFreqEnvelope(3);
	sound.SetAmpEnvelope(-2);
	sound.SetFilterQ(2);
	sound.SetFilterCutoff(3000);
	sound.SetFreqEnvEnabled(stagesOn);
	sound.SetAmpEnvEnabled(stagesOn);
	sound.SetDistortionEnabled(stagesOn);
	sound.SetFilterEnabled(stagesOn);
}

void BM_Generate(benchmark::State& state, float ms, bool stagesOn)
{
	TunkSound sound;
	Configure(sound, ms, stagesOn);
	for (auto _ : state) {
		sound.GenerateSound();
		benchmark::DoNotOptimize(sound.GetBuffer(nullptr));
	}
	state.SetItemsProcessed(state.iterations() * sound.GetSampleLength());
}

void BM_CoreRender(benchmark::State& state, float ms, bool stagesOn)
{
	TunkSound sound;
	Configure(sound, ms, stagesOn);
	const tunk::SoundParams params = sound.Params();
	std::vector<int16_t> out(size_t(tunk::SampleCount(params)));
	for (auto _ : state) {
		tunk::Render(params, out.data(), int64_t(out.size()));
		benchmark::DoNotOptimize(out.data());
	}
	state.SetItemsProcessed(state.iterations() * int64(out.size()));
}

void BM_Reference(benchmark::State& state, float ms, bool stagesOn)
{
	TunkSound sound;
	Configure(sound, ms, stagesOn);
	for (auto _ : state) {
		std::vector<int16> samples = ReferenceGenerate(sound);
		benchmark::DoNotOptimize(samples.data());
	}
	state.SetItemsProcessed(state.iterations() * int64(ms * 44.1f));
}

// The comparison is only fair if both produce the same samples.
bool SameOutput(float ms, bool stagesOn)
{
	TunkSound sound;
	Configure(sound, ms, stagesOn);
	sound.GenerateSound();
	int64 count = 0;
	int16* samples = sound.GetBuffer(&count);
	std::vector<int16> reference = ReferenceGenerate(sound);
	std::vector<int16_t> rendered;
	tunk::Render(sound.Params(), &rendered);
	return reference.size() == size_t(count)
		&& std::equal(samples, samples + count, reference.begin())
		&& rendered == reference;
}

}  // namespace

BENCHMARK_CAPTURE(BM_Generate, ms200_all_on, 200.0f, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Generate, ms3000_all_on, 3000.0f, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_CoreRender, ms3000_all_on, 3000.0f, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Reference, ms3000_all_on, 3000.0f, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Generate, ms3000_all_off, 3000.0f, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Reference, ms3000_all_off, 3000.0f, false)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
	if (!SameOutput(3000, true) || !SameOutput(3000, false)) {
		std::fprintf(stderr, "GenerateSound, the core and the reference chain disagree\n");
		return 1;
	}
	benchmark::Initialize(&argc, argv);
	if (benchmark::ReportUnrecognizedArguments(argc, argv))
		return 1;
	benchmark::RunSpecifiedBenchmarks();
	benchmark::Shutdown();
	return 0;
}
