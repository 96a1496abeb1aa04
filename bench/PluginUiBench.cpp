// What the plugins' UI library costs the host's GUI thread, which it must never hold for more
// than a few milliseconds: showing the editor (starting its process), hiding it (ending the
// process), an idle call with nothing to read, and a control's port event. The editor runs on
// Qt's offscreen platform here; in a host it is the same process on X.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "plugin/Ports.h"
#include "plugin/ui/UiHost.h"

namespace {

constexpr const char* kX11Ui = "http://lv2plug.in/ns/extensions/ui#X11UI";

// The editor is up once it has told the UI its size (and so read the first sound).
bool WaitUntilUp(UiHost& host)
{
	const size_t before = host.Sizes().size();
	return host.IdleUntil([&] { return host.Sizes().size() > before || !EditorChildren().empty(); });
}

void ShowThenHide(benchmark::State& state, bool timeShow)
{
	setenv("QT_QPA_PLATFORM", "offscreen", 1);
	PluginWorld world;
	UiHost host(world, kX11Ui);
	if (!host.Found() || !host.Instantiate(0)) {
		state.SkipWithError("no UI in the build tree's bundle");
		return;
	}
	for (auto _ : state) {
		if (!timeShow)
			state.PauseTiming();
		host.Show();
		if (timeShow)
			state.PauseTiming();
		// A moment for the editor to come up: hiding one that is up is what users do.
		host.IdleUntil([] { return false; }, 0.3);
		if (timeShow) {
			host.Hide();
			state.ResumeTiming();
		} else {
			state.ResumeTiming();
			host.Hide();
		}
	}
	host.Cleanup();
}

// Starting the editor's process: the host's call returns once it runs.
void BM_ShowEditor(benchmark::State& state)
{
	ShowThenHide(state, true);
}
BENCHMARK(BM_ShowEditor)->Unit(benchmark::kMillisecond)->Iterations(20);

// Ending it: the end of file, its end signal and the wait for it.
void BM_HideEditor(benchmark::State& state)
{
	ShowThenHide(state, false);
}
BENCHMARK(BM_HideEditor)->Unit(benchmark::kMillisecond)->Iterations(20);

// With the editor up: an idle call with nothing to read, and a control moved by the host
// (automation), which is one line on the socket.
void BM_IdleAndPortEvents(benchmark::State& state)
{
	setenv("QT_QPA_PLATFORM", "offscreen", 1);
	PluginWorld world;
	UiHost host(world, kX11Ui);
	if (!host.Found() || !host.Instantiate(0)) {
		state.SkipWithError("no UI in the build tree's bundle");
		return;
	}
	host.Show();
	WaitUntilUp(host);
	host.IdleUntil([] { return false; }, 1.0);
	const bool events = state.range(0) != 0;
	float hz = 100;
	for (auto _ : state) {
		if (events) {
			hz = hz >= 2000 ? 100 : hz + 1;
			host.PortEvent(tunk::lv2::kPortStartFreq, hz);
		}
		host.Idle();
	}
	state.SetLabel(events ? "a port event and an idle call" : "an idle call");
	host.Cleanup();
}
BENCHMARK(BM_IdleAndPortEvents)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
