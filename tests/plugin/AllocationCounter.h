// Counts the heap allocations and frees made by the calling thread while counting is on.
// The test host turns it on around every call into the plugin on its audio thread. Outside
// the sanitizer builds every freed block is overwritten, so that a use after free faults.
#pragma once

#include <cstddef>
#include <cstdint>

namespace alloc_count {

struct Counts {
	int64_t allocations = 0;
	int64_t frees = 0;
};

// Whether the hook sees this program's allocations at all (false would make a count of
// zero meaningless).
bool Installed();
void Begin();
void End();
// Totals of every counted stretch so far, over all threads.
Counts Totals();
void Reset();

// Makes the calling thread's allocations of more than `bytes` fail (0: none fail), as when
// memory runs out. False where the sanitizers own the allocator and it cannot.
bool RefuseLargerThan(size_t bytes);

} // namespace alloc_count
