#include <cstdio>
#include <cstdlib>

#include "engine/TunkSound.h"
#include "engine/core/Render.h"
#include "kits/support/AlertHook.h"

void TunkSound::GenerateSound()
{
	if (acquire_sem(writeBufSem) != B_OK) {
		std::printf("Error acquiring write buffer semaphore during sound gen.\n");
		return;
	}

	std::free(sampleBuffer);
	sampleBuffer = nullptr;
	sampleLength = 0;

	// A refused duration fails like an allocation; a count of 0 is an empty sound
	// without a buffer.
	const int64 count = tunk::SampleCount(generator.params);
	bool allocated = count >= 0;
	if (count > 0) {
		sampleBuffer = static_cast<int16*>(std::malloc(size_t(count) * sizeof(int16)));
		allocated = sampleBuffer != nullptr;
	}

	// Designed whatever happens, so that Filter() shows the current settings.
	InitFilter();

	if (!allocated) {
		// Released before the modal alert, so that no player waits on it meanwhile.
		if (release_sem(writeBufSem) != B_OK)
			std::printf("Error releasing the write buf semaphore during generation\n");
		ErrorMsg("Could not allocate a sufficient sample buffer in RAM!");
		return;
	}
	sampleLength = count;
	bufferParams = generator.params;
	generator.RenderInto(sampleBuffer, sampleLength);

	if (release_sem(writeBufSem) != B_OK)
		std::printf("Error releasing the write buf semaphore during generation\n");
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
