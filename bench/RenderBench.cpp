// tunk-render of a 3000 ms sound with every stage on, and in the same run sox rendering a
// comparable chain: an exponential square sweep, overdrive, two low-pass stages, a fade.
// Both write a 16-bit mono WAV file at 44100 Hz; each iteration is one whole process.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/TimedRun.h"

namespace {

void Run(benchmark::State& state, const std::vector<std::string>& args, const char* what)
{
	for (auto _ : state) {
		const double seconds = TimedRun(args, "", true).wall;
		if (seconds < 0) {
			state.SkipWithError((std::string(what) + " failed or is not installed").c_str());
			break;
		}
		state.SetIterationTime(seconds);
	}
	std::remove(args.back().c_str());
}

const std::string kOutput = "/tmp/tunk-render-bench-" + std::to_string(getpid());

void BM_TunkRender3000msAllStages(benchmark::State& state)
{
	Run(state,
		{TUNK_RENDER_PATH, "--set", "duration=3000", "--set", "oscType=2", "--set",
			"startFreq=1000", "--set", "freqEnvEnabled=1", "--set", "freqEnvelope=3", "--set",
			"distortionEnabled=1", "--set", "distortion=8", "--set", "ampEnvEnabled=1", "--set",
			"ampEnvelope=2", "--set", "filterEnabled=1", "--set", "filterCutoff=5000", "--set",
			"filterQ=2", "-o", kOutput + "-tunk.wav"},
		"tunk-render");
}
BENCHMARK(BM_TunkRender3000msAllStages)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_Sox3000msComparableChain(benchmark::State& state)
{
	Run(state,
		{"sox", "-n", "-r", "44100", "-b", "16", "-c", "1", kOutput + "-sox.wav", "synth", "3",
			"square", "1000/20", "overdrive", "20", "lowpass", "-2", "5000", "0.5q", "lowpass",
			"-2", "5000", "2q", "fade", "q", "0", "3", "3"},
		"sox");
}
BENCHMARK(BM_Sox3000msComparableChain)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
