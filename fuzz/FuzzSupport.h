// Shared by the fuzz targets: a failed check aborts so that libFuzzer keeps the input, and
// the engine's alerts are counted instead of printed for every input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/TunkSound.h"
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

// After a generation: a buffer exactly when there are samples, and a second generation of
// the same parameters gives the same samples (phase and filter start from rest each time).
inline void CheckGenerationRepeats(TunkSound* sound)
{
	int64 count = -1;
	const int16* samples = sound->GetBuffer(&count);
	FUZZ_CHECK(count >= 0);
	FUZZ_CHECK((samples == nullptr) == (count == 0));
	const std::vector<int16> first(samples, samples + count);
	sound->GenerateSound();
	samples = sound->GetBuffer(&count);
	FUZZ_CHECK(size_t(count) == first.size());
	FUZZ_CHECK(count == 0 || std::memcmp(samples, first.data(), first.size() * 2) == 0);
}

}  // namespace fuzz
