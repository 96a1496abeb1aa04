// The LV2 instrument in a lilv host: the audio thread's cost per block with every voice
// sounding, and the time from a control change to the first sample of the new sound.
#include <benchmark/benchmark.h>

#include "PluginHost.h"

namespace {

// The longest sound the window makes, every stage on.
void SetLongBusySound(PluginInstance& plugin, float startFreq)
{
	plugin.SetControl("startFreq", startFreq);
	plugin.SetControl("duration", 3000);
	plugin.SetControl("oscType", 3);
	plugin.SetControl("freqEnvelope", 3);
	plugin.SetControl("ampEnvelope", -2);
	plugin.SetControl("distortion", 4);
	plugin.SetControl("filterCutoff", 3000);
	plugin.SetControl("filterQ", 2);
	plugin.SetControl("freqEnvEnabled", 1);
	plugin.SetControl("ampEnvEnabled", 1);
	plugin.SetControl("distortionEnabled", 1);
	plugin.SetControl("filterEnabled", 1);
}

void Swap(PluginInstance& plugin)
{
	plugin.Run(1);
	plugin.RunWorker();
	plugin.Run(1);
}

constexpr uint32_t kBlock = 64;

void BM_RunBlockSixteenVoices(benchmark::State& state)
{
	const double rate = 48000;
	PluginWorld world;
	PluginInstance plugin(world, rate, PluginInstance::Worker::Manual);
	SetLongBusySound(plugin, 800);
	Swap(plugin);
	auto restart = [&] {
		for (uint8_t n = 0; n < 16; n++)
			plugin.NoteOn(n, 100, uint8_t(36 + n));
		plugin.Run(kBlock);
	};
	restart();
	// 3 s of sound: restart the voices well before they end, outside the timing.
	const int64_t blocksPerSound = int64_t(2.5 * rate / kBlock);
	int64_t blocks = 0;
	for (auto _ : state) {
		plugin.Run(kBlock);
		if (++blocks == blocksPerSound) {
			state.PauseTiming();
			restart(); // sixteen new notes take the places of the old ones
			blocks = 0;
			state.ResumeTiming();
		}
	}
	// Per block in the table; here also as a share of the block's 1.33 ms, in percent.
	state.counters["block_share_%"] = benchmark::Counter(kBlock / rate / 100,
	    benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RunBlockSixteenVoices)->UseRealTime();

// A control change, the block that asks the worker, the worker's generation (and
// resampling), the block whose reply swaps the sound in, and the next block, whose note
// gives the new sound's first sample.
void BM_ControlChangeToNewSound(benchmark::State& state)
{
	const double rate = double(state.range(0));
	PluginWorld world;
	PluginInstance plugin(world, rate, PluginInstance::Worker::Manual);
	SetLongBusySound(plugin, 800);
	Swap(plugin);
	float startFreq = 800;
	for (auto _ : state) {
		startFreq = startFreq == 800 ? 801 : 800;
		plugin.SetControl("startFreq", startFreq);
		plugin.Run(kBlock);
		plugin.RunWorker();
		plugin.Run(kBlock);
		plugin.NoteOn(0);
		plugin.Run(kBlock);
		state.PauseTiming();
		plugin.Run(kBlock); // the old sound goes back to the worker, which frees it
		plugin.RunWorker();
		state.ResumeTiming();
	}
	state.SetLabel(std::to_string(int(rate)) + " Hz, 3000 ms, every stage on");
}
BENCHMARK(BM_ControlChangeToNewSound)
    ->Arg(44100)
    ->Arg(48000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
