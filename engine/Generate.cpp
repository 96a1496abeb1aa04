#include <cstdio>
#include <cstdlib>

#include "engine/TunkSound.h"
#include "engine/core/Render.h"
#include "kits/support/AlertHook.h"

void TunkSound::GenerateSound()
{
	std::free(ReplaceSound().samples);
}

SoundRender TunkSound::ReplaceSound()
{
	// Rendered before the lock is taken, into a buffer of its own: the sound in place keeps
	// playing until the swap. Only the window's thread touches the generator.
	// A refused duration fails like an allocation; a count of 0 is an empty sound
	// without a buffer.
	const int64 count = tunk::SampleCount(generator.params);
	int16* samples = nullptr;
	bool allocated = count >= 0;
	if (count > 0) {
		samples = static_cast<int16*>(std::malloc(size_t(count) * sizeof(int16)));
		allocated = samples != nullptr;
	}
	if (allocated)
		generator.RenderInto(samples, count);  // designs the filter first
	else
		InitFilter();  // designed whatever happens, so that Filter() shows the current settings

	if (acquire_sem(writeBufSem) != B_OK) {
		std::printf("Error acquiring write buffer semaphore during sound gen.\n");
		std::free(samples);
		return {};
	}
	SoundRender old{sampleBuffer, sampleLength, bufferParams};
	sampleBuffer = samples;
	sampleLength = allocated ? count : 0;
	bufferParams = generator.params;
	// Released before the modal alert, so that no player waits on it meanwhile.
	if (release_sem(writeBufSem) != B_OK)
		std::printf("Error releasing the write buf semaphore during generation\n");
	device.Offer(allocated ? samples : nullptr, allocated ? count : 0);
	deviceHoldsHit = false;
	if (!allocated)
		ErrorMsg("Could not allocate a sufficient sample buffer in RAM!");
	return old;
}

SoundRender TunkSound::SwapRender(SoundRender render)
{
	if (acquire_sem(writeBufSem) != B_OK) {
		// Nothing exchanged: the render given stays the caller's.
		std::printf("Error acquiring write buffer semaphore during buffer swap.\n");
		return render;
	}
	SoundRender old{sampleBuffer, sampleLength, bufferParams};
	sampleBuffer = render.samples;
	sampleLength = render.samples != nullptr ? render.length : 0;
	bufferParams = render.params;
	if (release_sem(writeBufSem) != B_OK)
		std::printf("Error releasing the write buf semaphore during buffer swap\n");
	device.Offer(render.samples, render.samples != nullptr ? render.length : 0);
	deviceHoldsHit = false;
	return old;
}

int64 TunkSound::GetSampleLength() const
{
	return sampleLength;
}

int16* TunkSound::GetBuffer(int64* count) const
{
	if (count != nullptr)
		*count = sampleLength;
	return sampleBuffer;
}

int16 TunkSound::GetSampleAt(int64 index) const
{
	return sampleBuffer[index];
}

void TunkSound::ErrorMsg(const char* text)
{
	show_error_alert("Error In TunkSound Object", text);
}
