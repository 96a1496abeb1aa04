// What the level display adds to every regeneration: the figures measured over the longest
// sound the sliders make (3000 ms, 132300 samples), and the status bar's text updated.
#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <vector>

#include "engine/core/Render.h"
#include "preset/SoundLevel.h"
#include "window/StatusBar.h"

namespace {

std::vector<int16_t> LongestSound()
{
	PresetParams p = DefaultPresetParams();
	p.duration = 3000;
	p.oscType = 3;
	p.freqEnvEnabled = p.ampEnvEnabled = p.distortionEnabled = p.filterEnabled = 1;
	p.filterQ = 4;
	std::vector<int16_t> samples;
	tunk::Render(ToSoundParams(p), &samples);
	return samples;
}

void BM_MeasureLevel(benchmark::State& state)
{
	const std::vector<int16_t> samples = LongestSound();
	for (auto _ : state)
		benchmark::DoNotOptimize(MeasureSoundLevel(samples.data(), int64_t(samples.size())));
}
BENCHMARK(BM_MeasureLevel)->Unit(benchmark::kMicrosecond);

// Measured and shown, as each regeneration does; every second round shows another sound,
// so that the label's text really changes.
void BM_StatusBarShowsLevel(benchmark::State& state)
{
	std::vector<int16_t> samples = LongestSound();
	StatusBar bar;
	bar.show();
	bool other = false;
	for (auto _ : state) {
		samples[0] = other ? 32767 : 0;
		other = !other;
		bar.ShowLevel(MeasureSoundLevel(samples.data(), int64_t(samples.size())));
		QCoreApplication::processEvents();
	}
}
BENCHMARK(BM_StatusBarShowsLevel)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
	setenv("QT_QPA_PLATFORM", "offscreen", 0);
	QApplication app(argc, argv);
	benchmark::Initialize(&argc, argv);
	benchmark::RunSpecifiedBenchmarks();
	benchmark::Shutdown();
	return 0;
}
