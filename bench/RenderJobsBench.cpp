// tunk-render of a sample pack: 1000 presets of 500 ms with every stage on, rendered on one
// thread and on every processor, in one run. Each iteration is one whole process writing 1000
// WAV files; after both, the speed-up is printed against the target of 0.8 x processors.
#include <benchmark/benchmark.h>

#include <sched.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench/TimedRun.h"
#include "preset/PresetRecord.h"

namespace {

constexpr int kPresets = 1000;

int processors()
{
	cpu_set_t set;
	if (sched_getaffinity(0, sizeof(set), &set) == 0 && CPU_COUNT(&set) > 0)
		return CPU_COUNT(&set);
	return 1;
}

// A folder of the presets, made once and removed at exit.
class Pack {
public:
	Pack()
	{
		std::string pattern =
			(std::filesystem::temp_directory_path() / "tunk-render-jobs-XXXXXX").string();
		if (mkdtemp(pattern.data()) == nullptr)
			return;
		fFolder = pattern;
		for (int i = 0; i < kPresets; i++) {
			PresetParams params = DefaultPresetParams();
			params.duration = 500.0f;
			params.startFreq = 40.0f + float(i % 97) * 11.0f;
			params.oscType = 1 + i % 4;
			params.freqEnvelope = 1.5f + float(i % 7);
			params.ampEnvelope = 1.0f + float(i % 5);
			params.distortion = 2.0f + float(i % 9);
			params.filterCutoff = 400.0f + float(i % 13) * 300.0f;
			params.filterQ = 0.7f + float(i % 6) * 0.5f;
			params.freqEnvEnabled = params.ampEnvEnabled = 1;
			params.distortionEnabled = params.filterEnabled = 1;
			const std::string name = "p" + std::to_string(i) + ".tunk";
			if (WritePresetFile((fFolder + "/" + name).c_str(), params) != B_OK) {
				fFolder.clear();
				return;
			}
			fNames.push_back(name);
		}
	}
	~Pack()
	{
		std::error_code ignored;
		if (!fFolder.empty())
			std::filesystem::remove_all(fFolder, ignored);
	}

	const std::string& Folder() const { return fFolder; }
	const std::vector<std::string>& Names() const { return fNames; }

private:
	std::string fFolder;
	std::vector<std::string> fNames;
};

const Pack& pack()
{
	static Pack made;
	return made;
}

// Runs tunk-render in the pack's folder.
RunTimes timed_render(int jobs)
{
	std::vector<std::string> args = {TUNK_RENDER_PATH, "-j", std::to_string(jobs), "-d", "out"};
	args.insert(args.end(), pack().Names().begin(), pack().Names().end());
	return TimedRun(args, pack().Folder());
}

std::map<int, double> gBest;  // fastest whole run per job count, in seconds
std::map<int, double> gTotal;  // all runs per job count, in seconds
std::map<int, int> gRuns;

void BM_Render1000Presets500msAllStages(benchmark::State& state)
{
	const int jobs = int(state.range(0));
	if (pack().Folder().empty()) {
		state.SkipWithError("the presets could not be written");
		return;
	}
	double cpu = 0;
	for (auto _ : state) {
		const RunTimes times = timed_render(jobs);
		if (times.wall < 0) {
			state.SkipWithError("tunk-render failed");
			return;
		}
		state.SetIterationTime(times.wall);
		cpu += times.cpu;
		if (gBest.count(jobs) == 0 || times.wall < gBest[jobs])
			gBest[jobs] = times.wall;
		gTotal[jobs] += times.wall;
		gRuns[jobs]++;
	}
	state.counters["jobs"] = jobs;
	// The process's processor time per run: equal for every job count when threads add no work.
	state.counters["cpu_s"] = cpu / double(state.iterations());
	state.counters["sounds/s"] = benchmark::Counter(
		double(kPresets) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Render1000Presets500msAllStages)
	->Arg(1)
	->Arg(processors())
	->ArgName("j")
	->UseManualTime()
	->Iterations(5)
	->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
	benchmark::Initialize(&argc, argv);
	if (benchmark::ReportUnrecognizedArguments(argc, argv))
		return 1;
	benchmark::RunSpecifiedBenchmarks();
	benchmark::Shutdown();
	const int all = processors();
	if (gRuns.count(1) != 0 && gRuns.count(all) != 0 && all > 1) {
		const double mean = (gTotal[1] / gRuns[1]) / (gTotal[all] / gRuns[all]);
		const double fastest = gBest[1] / gBest[all];
		std::printf("speed-up of -j %d over -j 1: %.2f (mean runs), %.2f (fastest runs); target "
					">= %.2f (0.8 x %d processors): %s\n",
			all, mean, fastest, 0.8 * all, all, mean >= 0.8 * all ? "met" : "missed");
	}
	return 0;
}
