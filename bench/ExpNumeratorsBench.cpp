// The exponential curve's numerator on each code path, for the arguments of ordinary
// envelopes and for arbitrary bit patterns (where the far ranges and the library's
// fallback are taken), per argument.
#include <benchmark/benchmark.h>

#include <bit>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/core/Kernels.h"

namespace {

constexpr int32_t kCount = 4096;

// x c for x over a sound's positions and a curvature an envelope takes.
std::vector<float> EnvelopeArgs()
{
	std::vector<float> args(kCount);
	for (int32_t k = 0; k < kCount; k++)
		args[k] = float(k) / float(kCount) * -6.0f;
	return args;
}

std::vector<float> AnyArgs()
{
	std::mt19937 rng(21);
	std::vector<float> args(kCount);
	for (float& arg : args)
		arg = std::bit_cast<float>(uint32_t(rng()));
	return args;
}

// On the path at index range(0) of kernels::Paths() (the label names it); skipped past the
// last one this processor can run.
void BM_ExpNumerators(benchmark::State& state, std::vector<float> (*make)())
{
	const std::vector<tunk::kernels::Path> paths = tunk::kernels::Paths();
	if (size_t(state.range(0)) >= paths.size()) {
		state.SkipWithError("no such path on this processor");
		return;
	}
	const std::vector<float> args = make();
	std::vector<float> out(args.size());
	tunk::kernels::UsePath(paths[size_t(state.range(0))].id);
	for (auto _ : state) {
		tunk::kernels::ExpNumerators(args.data(), out.data(), int32_t(args.size()));
		benchmark::DoNotOptimize(out.data());
	}
	tunk::kernels::UsePath(-1);
	state.SetItemsProcessed(state.iterations() * int64_t(args.size()));
	state.SetLabel(paths[size_t(state.range(0))].name);
}

}  // namespace

// The plain path and up to four vector ones.
BENCHMARK_CAPTURE(BM_ExpNumerators, envelope, EnvelopeArgs)->DenseRange(0, 4);
BENCHMARK_CAPTURE(BM_ExpNumerators, any_bits, AnyArgs)->DenseRange(0, 4);

BENCHMARK_MAIN();
