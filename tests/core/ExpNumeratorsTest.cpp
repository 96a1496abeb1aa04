// The vector paths' exp against the C library's over every float there is: the exponential
// curve's numerator 1 - e^arg must round to the same float for each of the 2^32 bit
// patterns (non-numbers, infinities, subnormals and both zeros among them).
#include <gtest/gtest.h>

#include <algorithm>
#include <barrier>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/core/Dsp.h"
#include "engine/core/Kernels.h"

// The sanitized build is unoptimised: there it takes every Nth pattern (a prime, so that
// every exponent and many mantissas are met) to check the passes' memory use, not to sweep.
#ifndef TUNK_EXP_SWEEP_STRIDE
#define TUNK_EXP_SWEEP_STRIDE 1
#endif

namespace {

constexpr uint64_t kStride = TUNK_EXP_SWEEP_STRIDE;
constexpr uint64_t kPatterns = (uint64_t(1) << 32) / kStride + ((uint64_t(1) << 32) % kStride != 0);
// Each thread's share of a round, and the pieces handed to the passes.
constexpr uint64_t kChunk = uint64_t(1) << 20;
constexpr int32_t kBlock = 4096;

// What one path got wrong: how many, and the first argument (lowest pattern) with both values.
struct Mismatch {
	std::mutex lock;
	uint64_t count = 0;
	uint64_t first = UINT64_MAX;
	float want = 0;
	float got = 0;
};

uint32_t Bits(uint64_t index)
{
	return uint32_t(index * kStride);
}

// Every vector path over all the patterns, each thread taking its chunks of every round:
// the library's values of a chunk are worked out once, then the threads meet, the next path
// is forced, and each compares its chunk on it. Only the forcing is shared, so the threads
// wait for each other between paths; the seconds each step took are added up per step.
void Sweep(const std::vector<tunk::kernels::Path>& paths, std::vector<Mismatch>& mismatches,
	std::vector<double>& seconds)
{
	const uint64_t threads = std::max(1u, std::thread::hardware_concurrency());
	const uint64_t chunks = (kPatterns + kChunk - 1) / kChunk;
	const uint64_t rounds = (chunks + threads - 1) / threads;
	// Steps of a round: the library's values, then each path.
	const size_t steps = paths.size() + 1;
	size_t step = 0;
	auto last = std::chrono::steady_clock::now();
	auto next = [&]() noexcept {
		const auto now = std::chrono::steady_clock::now();
		seconds[step] += std::chrono::duration<double>(now - last).count();
		last = now;
		step = (step + 1) % steps;
		tunk::kernels::UsePath(step == 0 ? -1 : paths[step - 1].id);
	};
	tunk::kernels::UsePath(-1);
	std::barrier meet(std::ptrdiff_t(threads), next);
	auto work = [&](uint64_t thread) {
		std::vector<float> want(kChunk);
		std::vector<float> args(kBlock);
		std::vector<float> got(kBlock);
		for (uint64_t round = 0; round < rounds; round++) {
			const uint64_t begin = (round * threads + thread) * kChunk;
			const uint64_t end = std::min(begin + kChunk, std::max(begin, kPatterns));
			for (uint64_t i = begin; i < end; i++)
				want[i - begin] = tunk::dsp::ExpNumerator(std::bit_cast<float>(Bits(i)));
			meet.arrive_and_wait();
			for (size_t p = 0; p < paths.size(); p++) {
				for (uint64_t at = begin; at < end; at += kBlock) {
					const int32_t n = int32_t(std::min<uint64_t>(kBlock, end - at));
					for (int32_t k = 0; k < n; k++)
						args[k] = std::bit_cast<float>(Bits(at + k));
					tunk::kernels::ExpNumerators(args.data(), got.data(), n);
					const float* expected = want.data() + (at - begin);
					if (std::memcmp(expected, got.data(), size_t(n) * sizeof(float)) == 0)
						continue;
					// Bit for bit, non-numbers too: the passes hand those lanes to the library, so
					// even their payloads must come out the same.
					std::lock_guard<std::mutex> hold(mismatches[p].lock);
					for (int32_t k = 0; k < n; k++) {
						if (std::bit_cast<uint32_t>(expected[k]) == std::bit_cast<uint32_t>(got[k]))
							continue;
						Mismatch& m = mismatches[p];
						m.count++;
						if (at + k < m.first) {
							m.first = at + k;
							m.want = expected[k];
							m.got = got[k];
						}
					}
				}
				meet.arrive_and_wait();
			}
		}
	};
	std::vector<std::thread> pool;
	for (uint64_t t = 0; t < threads; t++)
		pool.emplace_back(work, t);
	for (auto& thread : pool)
		thread.join();
	tunk::kernels::UsePath(-1);
}

std::string Describe(uint32_t bits, float want, float got)
{
	char text[160];
	std::snprintf(text, sizeof text, "argument 0x%08x (%.9g): library 0x%08x (%.9g), path 0x%08x (%.9g)",
		bits, double(std::bit_cast<float>(bits)), std::bit_cast<uint32_t>(want), double(want),
		std::bit_cast<uint32_t>(got), double(got));
	return text;
}

TEST(ExpNumeratorsTest, EveryFloatGivesTheLibrarysNumeratorOnEveryPath)
{
	std::vector<tunk::kernels::Path> paths = tunk::kernels::Paths();
	paths.erase(paths.begin());  // the plain one: it is the library's value itself
	ASSERT_FALSE(paths.empty());
	std::vector<Mismatch> mismatches(paths.size());
	std::vector<double> seconds(paths.size() + 1, 0.0);
	Sweep(paths, mismatches, seconds);

	std::printf("%llu arguments; library %.1f s", (unsigned long long)kPatterns, seconds[0]);
	for (size_t p = 0; p < paths.size(); p++)
		std::printf(", %s %.1f s", paths[p].name.c_str(), seconds[p + 1]);
	std::printf("\n");
	for (size_t p = 0; p < paths.size(); p++) {
		const Mismatch& m = mismatches[p];
		EXPECT_EQ(m.count, 0u) << paths[p].name << ", the first "
		                       << (m.count == 0 ? std::string("-") : Describe(Bits(m.first), m.want, m.got));
	}
}

}  // namespace
