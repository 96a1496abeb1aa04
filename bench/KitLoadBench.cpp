// A factory kit's load in the kit instrument at 48 and 192 kHz: the time a host's restore()
// takes until the kit plays (its thread waits that long; a kit file costs the worker the
// same), and the bytes the plugin holds for the kit while it plays.
#include <benchmark/benchmark.h>

#include <fstream>
#include <malloc.h>
#include <sstream>
#include <stdexcept>

#include "KitHost.h"
#include "preset/KitFile.h"

namespace {

std::string KitText(const char* name)
{
	std::ifstream in(std::string(TUNK_BUILD_KITS) + name + kKitFileExtension);
	std::stringstream text;
	text << in.rdbuf();
	if (text.str().empty())
		throw std::runtime_error(std::string("no factory kit ") + name);
	return text.str();
}

// The heap in use, mapped blocks included.
size_t HeapInUse()
{
	const struct mallinfo2 info = mallinfo2();
	return info.uordblks + info.hblkhd;
}

void BM_FactoryKitLoad(benchmark::State& state)
{
	const double rate = double(state.range(0));
	const std::string kit = KitText("808 Electro");
	Kit emptyKit;
	emptyKit.name = "Empty";
	const std::string empty = EncodeKit(emptyKit);
	PluginWorld world{TUNK_LV2_BUNDLE_DIR, kKitUri};
	KitInstance plugin(world, rate);
	for (auto _ : state) {
		if (!plugin.RestoreKit(kit))
			state.SkipWithError("the kit was refused");
	}
	// What the kit holds beyond an empty one.
	plugin.RestoreKit(empty);
	const size_t before = HeapInUse();
	plugin.RestoreKit(kit);
	const size_t held = HeapInUse() - before;
	state.counters["held_MB"] = double(held) / 1e6;
	state.SetLabel("808 Electro, " + std::to_string(int(rate)) + " Hz");
}
BENCHMARK(BM_FactoryKitLoad)->Arg(48000)->Arg(192000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
