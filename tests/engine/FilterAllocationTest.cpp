// The filter's set-up while the C library's calloc fails: the engine's filter state needs
// no allocation, so a new engine still designs its filter and generates the filtered sound
// instead of writing through a null pointer or leaving the program.
#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <vector>

#include "engine/TunkSound.h"
#include "engine/core/Render.h"

namespace {
std::atomic<bool> failCalloc{false};
std::atomic<int> refused{0};
}  // namespace

extern "C" void* __libc_calloc(size_t count, size_t size);

// Takes the place of the C library's calloc in this program.
extern "C" void* calloc(size_t count, size_t size)
{
	if (failCalloc) {
		refused++;
		return nullptr;
	}
	return __libc_calloc(count, size);
}

TEST(FilterAllocationTest, EngineMadeWhileCallocFailsGeneratesTheFilteredSound)
{
	void* probe = nullptr;
	failCalloc = true;
	probe = calloc(1, 4);
	std::vector<int16> samples;
	{
		TunkSound sound;
		sound.SetFilterEnabled(true);
		sound.SetFilterQ(3);
		sound.GenerateSound();
		int64 count = 0;
		const int16* buffer = sound.GetBuffer(&count);
		if (buffer != nullptr)
			samples.assign(buffer, buffer + count);
		failCalloc = false;
	}
	ASSERT_EQ(probe, nullptr);  // the failing calloc is the one the engine would call

	tunk::SoundParams p;
	p[tunk::Param::filterEnabled] = true;
	p[tunk::Param::filterQ] = 3;
	std::vector<int16_t> expected;
	ASSERT_EQ(tunk::Render(p, &expected), tunk::RenderStatus::Ok);
	EXPECT_EQ(samples, expected);
}
