#include "AllocationCounter.h"

#include <atomic>
#include <cstddef>
#include <cstring>
#include <malloc.h>

// Sanitizer runtimes own malloc themselves and offer hooks instead; other builds replace the
// C allocator's entry points, which operator new reaches too.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TUNK_SANITIZER_HOOKS 1
// Declared here: g++ ships the sanitizer runtimes without their interface headers.
extern "C" int __sanitizer_install_malloc_and_free_hooks(
    void (*malloc_hook)(const volatile void*, size_t), void (*free_hook)(const volatile void*));
#endif

namespace {

// Plain zero-initialised thread-local data: reading it needs no allocation, even inside
// malloc itself.
thread_local bool tCounting = false;
thread_local size_t tRefuseAbove = 0;
std::atomic<int64_t> gAllocations{0};
std::atomic<int64_t> gFrees{0};
std::atomic<bool> gHookSeen{false};

void CountAllocation()
{
	gHookSeen.store(true, std::memory_order_relaxed);
	if (tCounting)
		gAllocations.fetch_add(1, std::memory_order_relaxed);
}

void CountFree()
{
	if (tCounting)
		gFrees.fetch_add(1, std::memory_order_relaxed);
}

} // namespace

#ifdef TUNK_SANITIZER_HOOKS
namespace {
void MallocHook(const volatile void*, size_t)
{
	CountAllocation();
}
void FreeHook(const volatile void*)
{
	CountFree();
}
[[maybe_unused]] const int kInstalled =
    __sanitizer_install_malloc_and_free_hooks(MallocHook, FreeHook);
} // namespace
#else
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);

void* malloc(size_t size)
{
	CountAllocation();
	if (tRefuseAbove != 0 && size > tRefuseAbove)
		return nullptr;
	return __libc_malloc(size);
}
void* calloc(size_t count, size_t size)
{
	CountAllocation();
	return __libc_calloc(count, size);
}
void* realloc(void* block, size_t size)
{
	CountAllocation();
	return __libc_realloc(block, size);
}
void* aligned_alloc(size_t alignment, size_t size)
{
	CountAllocation();
	return __libc_memalign(alignment, size);
}
void* memalign(size_t alignment, size_t size)
{
	CountAllocation();
	return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size)
{
	CountAllocation();
	void* block = __libc_memalign(alignment, size);
	if (block == nullptr)
		return 12; // ENOMEM
	*out = block;
	return 0;
}
// A freed block is filled with a pattern first, so that a use after free reads a pointer
// that faults, as AddressSanitizer would report it.
void free(void* block)
{
	if (block != nullptr) {
		CountFree();
		std::memset(block, 0xA5, malloc_usable_size(block));
	}
	__libc_free(block);
}
}
#endif

namespace alloc_count {

bool Installed()
{
	// Seen once any allocation went through the hook, which the test runner's own start
	// has long done.
	return gHookSeen.load(std::memory_order_relaxed);
}

void Begin()
{
	tCounting = true;
}

void End()
{
	tCounting = false;
}

Counts Totals()
{
	return {gAllocations.load(), gFrees.load()};
}

void Reset()
{
	gAllocations = 0;
	gFrees = 0;
}

bool RefuseLargerThan(size_t bytes)
{
#ifdef TUNK_SANITIZER_HOOKS
	return bytes == 0;
#else
	tRefuseAbove = bytes;
	return true;
#endif
}

} // namespace alloc_count
