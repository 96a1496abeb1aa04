// A kit's cost with voices that compute their pads' sounds as they play, against the
// sounds made whole beforehand that the kit players used to hold: the audio thread's share
// per block with every voice sounding, a block of notes, the time to a playable kit and the
// bytes it holds.
#include <benchmark/benchmark.h>
#include <memory>
#include <string>
#include <vector>

#include "kit/KitVoices.h"
#include "plugin/Resampler.h"
#include "preset/KitFile.h"

namespace {

Kit FactoryKit()
{
	Kit kit;
	ReadKitFile(TUNK_FACTORY_KITS "/808 Electro.tunkkit", &kit);
	return kit;
}

// The kit's voices at `rate`: live at 44100 Hz, through the plugin's resampler elsewhere.
struct RateVoices {
	explicit RateVoices(double rate)
	{
		if (rate != 44100)
			kernel = std::make_unique<tunk::lv2::ResampleKernel>(rate);
		std::array<tunk::voices::ParamsSource*, 2 * kKitVoices> pointers{};
		for (auto& pointer : pointers) {
			sources.push_back(std::make_unique<tunk::lv2::ResampledSource>(kernel.get()));
			pointer = sources.back().get();
		}
		voices = std::make_unique<KitVoices>(pointers);
	}
	std::unique_ptr<tunk::lv2::ResampleKernel> kernel;
	std::vector<std::unique_ptr<tunk::lv2::ResampledSource>> sources;
	std::unique_ptr<KitVoices> voices;
};

// Every voice sounding: 32 pads' worth of the longest sound with every stage on, on 16 pads
// and two channels, restarted (outside the timing) before they end. Per 256-frame block, as
// a share of one core, and as voices one core keeps sounding. With a second argument of 1
// the pads shape soft notes and vary their hits, and the notes come at velocities from 20 to
// 127: each voice's hit is computed at its note.
void BM_KitThirtyTwoLiveVoices(benchmark::State& state)
{
	const double rate = double(state.range(0));
	const bool shaped = state.range(1) != 0;
	constexpr uint32_t kBlock = 256;
	Kit kit = NewKit();
	for (size_t i = 0; i < kit.pads.size(); i++) {
		tunk::SoundParams& sound = kit.pads[i].sound;
		sound[tunk::Param::startFreq] = 200.0f + 40.0f * float(i);
		sound[tunk::Param::duration] = 3000;
		sound[tunk::Param::oscType] = 3;
		for (tunk::Param on : {tunk::Param::freqEnvEnabled, tunk::Param::ampEnvEnabled,
		         tunk::Param::distortionEnabled, tunk::Param::filterEnabled})
			sound[on] = 1;
		sound[tunk::Param::distortion] = 4;
		sound[tunk::Param::filterCutoff] = 3000;
		sound[tunk::Param::noiseLevel] = 0.3f;
		if (shaped) {
			sound[tunk::Param::velDecay] = -40;
			sound[tunk::Param::velBright] = -1.5f;
			sound[tunk::Param::velPitch] = -2;
			sound[tunk::Param::varPitch] = 20;
			sound[tunk::Param::varLevel] = 1.5f;
			sound[tunk::Param::varNoise] = 1;
		}
	}
	RateVoices play(rate);
	std::vector<float> left(kBlock), right(kBlock);
	KitPlayOptions options;
	options.retrigger = false;
	auto restart = [&] {
		play.voices->Begin({left.data(), right.data(), {}}, kBlock);
		for (int32_t n = 0; n < kKitVoices; n++) {
			KitEvent event;
			event.key = kit.pads[size_t(n) % kMaxPads].note;
			event.channel = n / int32_t(kMaxPads);
			if (shaped)
				event.velocity = uint8_t(20 + (n * 107) / (kKitVoices - 1));
			play.voices->Play(kit, options, event);
		}
		play.voices->End();
	};
	restart();
	const int64_t blocksPerSound = int64_t(2.5 * rate / kBlock);
	int64_t blocks = 0;
	for (auto _ : state) {
		play.voices->Begin({left.data(), right.data(), {}}, kBlock);
		play.voices->End();
		benchmark::DoNotOptimize(left.data());
		if (++blocks == blocksPerSound) {
			state.PauseTiming();
			restart();
			blocks = 0;
			state.ResumeTiming();
		}
	}
	state.counters["core_share_%"] = benchmark::Counter(kBlock / rate / 100,
	    benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
	state.counters["voices_per_core"] = benchmark::Counter(
	    double(kKitVoices) * kBlock / rate, benchmark::Counter::kIsIterationInvariantRate);
	state.SetLabel(std::to_string(int(rate)) + " Hz, 32 voices" + (shaped ? ", soft and varied" : ""));
}
BENCHMARK(BM_KitThirtyTwoLiveVoices)
    ->Args({44100, 0})
    ->Args({48000, 0})
    ->Args({192000, 0})
    ->Args({48000, 1})
    ->UseRealTime();

// Sixteen notes in one 64-frame block on a factory kit: the cost of starting voices.
void BM_KitSixteenNotesInOneBlock(benchmark::State& state)
{
	const Kit kit = FactoryKit();
	RateVoices play(48000);
	std::vector<float> left(64), right(64);
	for (auto _ : state) {
		play.voices->Begin({left.data(), right.data(), {}}, 64);
		for (size_t i = 0; i < kit.pads.size(); i++) {
			KitEvent event;
			event.key = kit.pads[i].note;
			event.frame = int64_t(i);
			play.voices->Play(kit, KitPlayOptions(), event);
		}
		play.voices->End();
	}
}
BENCHMARK(BM_KitSixteenNotesInOneBlock)->UseRealTime();

// A factory kit from its file's text to playable: with live voices the kit's values are
// all there is to make.
void BM_KitToPlayableLive(benchmark::State& state)
{
	std::string text = EncodeKit(FactoryKit());
	size_t bytes = 0;
	for (auto _ : state) {
		Kit kit;
		DecodeKit(text, &kit);
		bytes = sizeof kit;
		for (const Pad& pad : kit.pads)
			bytes += sizeof pad + pad.name.capacity();
		benchmark::DoNotOptimize(kit);
	}
	state.counters["bytes_held"] = double(bytes);
	// The voices a player holds whatever its kit: every voice's generator and the tables.
	state.counters["voice_pool_bytes"] =
	    double(2 * kKitVoices * sizeof(tunk::voices::LiveSource) + sizeof(KitVoices));
}
BENCHMARK(BM_KitToPlayableLive)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The same kit with every pad's sound made whole at the host's rate beforehand, as the kit
// players did: what a playable kit cost then.
void BM_KitToPlayablePrerendered(benchmark::State& state)
{
	const double rate = double(state.range(0));
	const std::string text = EncodeKit(FactoryKit());
	tunk::voices::TableCache tables;
	std::unique_ptr<tunk::lv2::ResampleKernel> kernel;
	if (rate != 44100)
		kernel = std::make_unique<tunk::lv2::ResampleKernel>(rate);
	size_t bytes = 0;
	for (auto _ : state) {
		Kit kit;
		DecodeKit(text, &kit);
		tunk::lv2::ResampledSource voice(kernel.get());
		bytes = 0;
		for (const Pad& pad : kit.pads) {
			std::vector<float> samples;
			voice.Play(pad.sound, tables);
			uint32_t got = 0;
			do {
				const size_t at = samples.size();
				samples.resize(at + 4096);
				got = voice.Pull(samples.data() + at, 4096);
				samples.resize(at + got);
			} while (got == 4096);
			bytes += samples.size() * sizeof(float);
			benchmark::DoNotOptimize(samples.data());
		}
	}
	state.counters["bytes_held"] = double(bytes);
	state.SetLabel(std::to_string(int(rate)) + " Hz");
}
BENCHMARK(BM_KitToPlayablePrerendered)
    ->Arg(48000)
    ->Arg(192000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
