// The LV2 instrument in a lilv host and the voice player under it: the audio thread's cost
// per block with every voice sounding, with a control automated every block, and the player's
// own render call.
#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <vector>

#include "PluginHost.h"
#include "engine/voices/Player.h"
#include "engine/voices/SoundSource.h"

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

// Sixteen voices of the long sound, restarted (outside the timing) before they end, with
// `changeEvery` > 0 moving a control every that many blocks. Reported per block, as a
// share of one core (the block's time) in percent, and as voices one core can run.
void RunSixteenVoices(benchmark::State& state, double rate, uint32_t block, int changeEvery)
{
	PluginWorld world;
	PluginInstance plugin(world, rate);
	SetLongBusySound(plugin, 800);
	auto restart = [&] {
		for (uint8_t n = 0; n < 16; n++)
			plugin.NoteOn(n, 100, uint8_t(36 + n));
		plugin.Run(block);
	};
	restart();
	const int64_t blocksPerSound = int64_t(2.5 * rate / block);
	int64_t blocks = 0;
	float cutoff = 3000;
	for (auto _ : state) {
		if (changeEvery > 0 && blocks % changeEvery == 0) {
			cutoff = cutoff == 3000 ? 3100 : 3000;
			plugin.SetControl("filterCutoff", cutoff);
		}
		plugin.Run(block);
		if (++blocks == blocksPerSound) {
			state.PauseTiming();
			restart();
			blocks = 0;
			state.ResumeTiming();
		}
	}
	state.counters["core_share_%"] = benchmark::Counter(block / rate / 100,
	    benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
	// How many such voices one core keeps up with: seconds of sound per second of work.
	state.counters["voices_per_core"] = benchmark::Counter(16.0 * block / rate,
	    benchmark::Counter::kIsIterationInvariantRate);
	state.SetLabel(std::to_string(int(rate)) + " Hz, " + std::to_string(block) + " frames");
}

void BM_RunBlockSixteenVoices(benchmark::State& state)
{
	RunSixteenVoices(state, double(state.range(0)), 64, 0);
}
BENCHMARK(BM_RunBlockSixteenVoices)->Arg(44100)->Arg(48000)->UseRealTime();

// What a sequencer's automation costs: a 3000 ms sound, sixteen voices, a control moved
// every 256-frame block at 48 kHz.
void BM_AutomationEveryBlockSixteenVoices(benchmark::State& state)
{
	RunSixteenVoices(state, 48000, 256, 1);
}
BENCHMARK(BM_AutomationEveryBlockSixteenVoices)->UseRealTime();

// Sixteen notes in one block, each with a drive not seen before: the cost of starting voices
// (tables copied, shapers built).
void BM_SixteenNotesInOneBlock(benchmark::State& state)
{
	PluginWorld world;
	PluginInstance plugin(world, 48000);
	SetLongBusySound(plugin, 800);
	float drive = 1;
	for (auto _ : state) {
		drive = drive >= 9 ? 1 : drive + 0.01f;
		plugin.SetControl("distortion", drive);
		for (uint8_t n = 0; n < 16; n++)
			plugin.NoteOn(n, 100, uint8_t(36 + n));
		plugin.Run(64);
	}
}
BENCHMARK(BM_SixteenNotesInOneBlock)->UseRealTime();

// The player's render call alone, as the window's output uses it: sixteen voices of sounds
// made beforehand, 64 frames, as a share of the block at 44100 Hz.
void BM_PlayerRenderSixteenVoices(benchmark::State& state)
{
	constexpr uint32_t kFrames = 64;
	tunk::voices::Retirement retirement;
	std::vector<std::unique_ptr<tunk::voices::SoundSource>> sources;
	std::array<tunk::voices::Source*, tunk::voices::kSlots> pointers{};
	for (auto& pointer : pointers) {
		sources.push_back(std::make_unique<tunk::voices::SoundSource>(retirement));
		pointer = sources.back().get();
	}
	tunk::voices::Player player(pointers);
	std::vector<float> samples(132300, 0.25f);
	tunk::voices::Sound sound{samples.data(), int64_t(samples.size())};
	retirement.Acquire(&sound);
	auto restart = [&] {
		for (int32_t n = 0; n < tunk::voices::kMaxVoices; n++)
			static_cast<tunk::voices::SoundSource&>(player.Start(n, 0.5f)).Play(&sound);
	};
	restart();
	std::vector<float> out(kFrames);
	int64_t blocks = 0;
	for (auto _ : state) {
		std::fill(out.begin(), out.end(), 0.0f);
		player.Render(out.data(), kFrames);
		benchmark::DoNotOptimize(out.data());
		if (++blocks == 2000) {
			state.PauseTiming();
			player.Clear();
			restart();
			blocks = 0;
			state.ResumeTiming();
		}
	}
	state.counters["block_share_%"] = benchmark::Counter(kFrames / 44100.0 / 100,
	    benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PlayerRenderSixteenVoices);

} // namespace

BENCHMARK_MAIN();
