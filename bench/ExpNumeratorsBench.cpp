// The exponential curve's numerator on each code path, for the arguments of ordinary
// envelopes and for arbitrary bit patterns (where the far ranges and the library's
// fallback are taken), per argument.
#include <benchmark/benchmark.h>

#include <bit>
#include <cstdint>
#include <random>
#include <string>
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

void BM_ExpNumerators(benchmark::State& state, int64_t path, const std::vector<float>& args)
{
	std::vector<float> out(args.size());
	tunk::kernels::UsePath(path);
	for (auto _ : state) {
		tunk::kernels::ExpNumerators(args.data(), out.data(), int32_t(args.size()));
		benchmark::DoNotOptimize(out.data());
	}
	tunk::kernels::UsePath(-1);
	state.SetItemsProcessed(state.iterations() * int64_t(args.size()));
}

}  // namespace

int main(int argc, char** argv)
{
	static const std::vector<float> envelope = EnvelopeArgs();
	static const std::vector<float> any = AnyArgs();
	for (const auto& path : tunk::kernels::Paths()) {
		benchmark::RegisterBenchmark(("BM_ExpNumerators/envelope/" + path.name).c_str(),
			[id = path.id](benchmark::State& state) { BM_ExpNumerators(state, id, envelope); });
		benchmark::RegisterBenchmark(("BM_ExpNumerators/any_bits/" + path.name).c_str(),
			[id = path.id](benchmark::State& state) { BM_ExpNumerators(state, id, any); });
	}
	benchmark::Initialize(&argc, argv);
	if (benchmark::ReportUnrecognizedArguments(argc, argv))
		return 1;
	benchmark::RunSpecifiedBenchmarks();
	benchmark::Shutdown();
	return 0;
}
