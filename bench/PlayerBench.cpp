// The longest time the shared audio device spends in one buffer while a 60 s sound
// regenerates again and again in another engine, and how many of that engine's buffers
// come out silent although it repeats a loud sound (dropped). Two probe players, started
// before and after the engines, take the time at the start and the end of each device
// buffer's round of callbacks; what lies between is every engine's callback. Runs on SDL's
// dummy driver at the device's own pace. The same probes time the round over many steady
// players: the device's own mixing.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "engine/TunkSound.h"
#include "kits/media/SoundPlayer.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Span {
	std::atomic<int64> startNs{0};
	std::atomic<int64> longestNs{0};
	std::atomic<int64> totalNs{0};
	std::atomic<int> buffers{0};
};

int64 NowNs()
{
	return std::chrono::duration_cast<std::chrono::nanoseconds>(
		Clock::now().time_since_epoch()).count();
}

void First(void* cookie, void*, size_t, const media_raw_audio_format&)
{
	static_cast<Span*>(cookie)->startNs = NowNs();
}

void Last(void* cookie, void*, size_t, const media_raw_audio_format&)
{
	Span* span = static_cast<Span*>(cookie);
	const int64 took = NowNs() - span->startNs.load();
	span->totalNs += took;
	span->longestNs = std::max(span->longestNs.load(), took);
	span->buffers++;
}

// The regenerating engine's callback, watched: a buffer of nothing but zeros while it
// repeats the start of a loud sound is one the listener lost.
struct Watched {
	TunkSound* sound = nullptr;
	std::atomic<int> buffers{0};
	std::atomic<int> dropped{0};
};

void Watch(void* cookie, void* buffer, size_t size, const media_raw_audio_format& format)
{
	Watched* watched = static_cast<Watched*>(cookie);
	SoundBufferProc(&watched->sound, buffer, size, format);
	const int16* samples = static_cast<const int16*>(buffer);
	if (std::all_of(samples, samples + size / sizeof(int16), [](int16 v) { return v == 0; }))
		watched->dropped++;
	watched->buffers++;
}

void Prepare(TunkSound& sound, float ms)
{
	sound.SetDuration(ms);
	sound.SetOscType(3);
	sound.GenerateWaveTable();
	sound.SetFilterEnabled(true);
	sound.SetAmpEnvEnabled(true);
	sound.GenerateSound();
	sound.SetBeatLength(120);
	sound.SetSequencerEnabled(true);  // both keep sounding for the whole run
}

void BM_DeviceCallbackWhileRegenerating(benchmark::State& state)
{
	Span span;
	BSoundPlayer first(nullptr, "first", First, nullptr, &span);
	BSoundPlayer last(nullptr, "last", Last, nullptr, &span);
	TunkSound regenerating;
	TunkSound playing;
	Prepare(regenerating, 60000);
	Prepare(playing, 1000);

	// The regenerating engine plays through a watching player of the same format instead of
	// its own.
	regenerating.PlaySound();
	regenerating.Player()->Stop();
	Watched watched;
	watched.sound = &regenerating;
	media_raw_audio_format format = regenerating.Player()->Format();
	BSoundPlayer watching(&format, "watching", Watch, nullptr, &watched);

	first.Start();
	first.SetHasData(true);
	watching.Start();
	watching.SetHasData(true);
	playing.PlaySound();
	last.Start();
	last.SetHasData(true);

	// Without the regenerating thread the same run gives the machine's own baseline:
	// what scheduling alone adds to a device buffer.
	const bool regenerate = state.range(1) != 0;
	std::atomic<bool> stop{false};
	std::atomic<int> generations{0};
	std::thread window([&] {
		while (regenerate && !stop.load()) {
			regenerating.GenerateSound();
			generations++;
		}
	});

	const int buffers = int(state.range(0));
	for (auto _ : state) {
		const int from = span.buffers.load();
		while (span.buffers.load() < from + buffers)
			std::this_thread::sleep_for(std::chrono::milliseconds(5));
	}
	stop = true;
	window.join();
	last.Stop();
	watching.Stop();
	first.Stop();

	state.counters["longest_ms"] = double(span.longestNs.load()) / 1e6;
	state.counters["mean_us"] = double(span.totalNs.load()) / 1e3 / std::max(1, span.buffers.load());
	state.counters["buffers"] = span.buffers.load();
	state.counters["generations"] = generations.load();
	state.counters["watched_buffers"] = watched.buffers.load();
	state.counters["dropped"] = watched.dropped.load();
}

// A player with a steady sound: only the device's own work around it costs.
void Steady(void*, void* buffer, size_t size, const media_raw_audio_format&)
{
	int16* out = static_cast<int16*>(buffer);
	for (size_t i = 0; i < size / sizeof(int16); i++)
		out[i] = int16(i * 64);
}

// The device's round of callbacks over many mono or stereo players, at half volume (the
// scaled path) and full.
void BM_DeviceMixOfPlayers(benchmark::State& state)
{
	Span span;
	BSoundPlayer first(nullptr, "first", First, nullptr, &span);
	BSoundPlayer last(nullptr, "last", Last, nullptr, &span);
	media_raw_audio_format format;
	format.channel_count = uint32(state.range(1));
	std::vector<std::unique_ptr<BSoundPlayer>> players;
	first.Start();
	first.SetHasData(true);
	for (int i = 0; i < state.range(0); i++) {
		players.push_back(std::make_unique<BSoundPlayer>(&format, "steady", Steady));
		players.back()->SetVolume(i % 2 == 0 ? 1.0f : 0.5f);
		players.back()->Start();
		players.back()->SetHasData(true);
	}
	last.Start();
	last.SetHasData(true);

	for (auto _ : state) {
		const int from = span.buffers.load();
		while (span.buffers.load() < from + 200)
			std::this_thread::sleep_for(std::chrono::milliseconds(5));
	}
	last.Stop();
	players.clear();
	first.Stop();
	state.counters["longest_ms"] = double(span.longestNs.load()) / 1e6;
	state.counters["mean_us"] = double(span.totalNs.load()) / 1e3 / std::max(1, span.buffers.load());
}

}  // namespace

BENCHMARK(BM_DeviceMixOfPlayers)
	->ArgNames({"players", "channels"})
	->Args({16, 1})
	->Args({16, 2})
	->Iterations(1)
	->Unit(benchmark::kMillisecond);

BENCHMARK(BM_DeviceCallbackWhileRegenerating)
	->ArgNames({"buffers", "regenerating"})
	->Args({400, 1})
	->Args({400, 0})
	->Iterations(1)
	->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
	setenv("SDL_AUDIODRIVER", "dummy", 0);  // no sound card needed, same pace
	benchmark::Initialize(&argc, argv);
	benchmark::RunSpecifiedBenchmarks();
	benchmark::Shutdown();
	return 0;
}
