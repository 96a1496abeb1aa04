// Shared by the fuzz targets: a failed check aborts so that libFuzzer keeps the input, and
// the engine's alerts are counted instead of printed for every input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/core/Render.h"
#include "kits/support/AlertHook.h"

#define FUZZ_CHECK(condition)                                                          \
	do {                                                                               \
		if (!(condition)) {                                                            \
			std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__,   \
				#condition);                                                           \
			std::abort();                                                              \
		}                                                                              \
	} while (0)

namespace fuzz {

inline int& AlertCount()
{
	static int count = 0;
	return count;
}

inline void CountAlert(const char*, const char*)
{
	AlertCount()++;
}

inline void QuietAlerts()
{
	set_alert_hook(&CountAlert);
}

// Renders through the core: exactly SampleCount samples, or a refusal exactly when the
// duration is refused, and a second render of the same parameters gives the same
// samples (phase and filter start from rest each time).
inline void CheckRenderRepeats(const tunk::SoundParams& params)
{
	const int64_t count = tunk::SampleCount(params);
	std::vector<int16_t> first;
	const tunk::RenderStatus status = tunk::Render(params, &first);
	if (count < 0) {
		FUZZ_CHECK(status == tunk::RenderStatus::Refused && first.empty());
		return;
	}
	FUZZ_CHECK(status == tunk::RenderStatus::Ok);
	FUZZ_CHECK(first.size() == size_t(count));
	// Into a buffer with room to spare: nothing beyond the sound is touched.
	std::vector<int16_t> again(size_t(count) + 1, 0x5a5a);
	FUZZ_CHECK(tunk::Render(params, again.data(), count + 1) == tunk::RenderStatus::Ok);
	FUZZ_CHECK(again[size_t(count)] == 0x5a5a);
	FUZZ_CHECK(count == 0 || std::memcmp(again.data(), first.data(), first.size() * 2) == 0);
}

}  // namespace fuzz
