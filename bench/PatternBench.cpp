// A factory kit's pattern rendered as a 64-bar loop, as tunk-render --pattern and Export Loop
// render it: the time per bar against the bar's own length (real time), the mix alone and with
// a stem for every pad that plays.
#include <benchmark/benchmark.h>
#include <chrono>

#include "kit/LoopRender.h"
#include "preset/KitFile.h"

namespace {

void BM_PatternLoop64Bars(benchmark::State& state)
{
	Kit kit;
	if (!ReadKitFile(TUNK_FACTORY_KITS "/909 Electro.tunkkit", &kit).Ok() || kit.patterns.empty()) {
		state.SkipWithError("no factory kit with patterns");
		return;
	}
	const bool stems = state.range(0) != 0;
	constexpr int kBars = 64;
	const int order[] = {0};
	const PatternLoop loop = MakePatternLoop(kit, order, kBars, kit.tempo, 0, 44100);
	double seconds = 0;
	for (auto _ : state) {
		const auto start = std::chrono::steady_clock::now();
		const LoopSound sound = RenderLoop(kit, {}, loop, stems);
		benchmark::DoNotOptimize(sound.mix.left.data());
		seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
	}
	const double barSeconds = double(loop.frames) / 44100 / kBars;
	const double perBar = seconds / double(state.iterations()) / kBars;
	state.counters["bar_ms"] = barSeconds * 1000;
	state.counters["render_ms_per_bar"] = perBar * 1000;
	// The share of real time a bar takes to render: below 1 is faster than it plays.
	state.counters["real_time_share"] = perBar / barSeconds;
	state.SetLabel(kit.patterns[0].name + ", " + std::to_string(loop.hits.size()) + " hits");
}
BENCHMARK(BM_PatternLoop64Bars)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
BENCHMARK_MAIN();
