#include "plugin/Sound.h"

#include <cmath>
#include <memory>
#include <new>
#include <soxr.h>

#include "engine/core/Render.h"

namespace tunk::lv2 {

SoundStore::SoundStore(double hostRate) : fRate(hostRate)
{
	fHead.fPrev = &fHead;
	fHead.fNext = &fHead;
}

SoundStore::~SoundStore()
{
	while (fHead.fNext != &fHead)
		Free(fHead.fNext);
}

Sound* SoundStore::Make(const SoundParams& params)
{
	std::unique_ptr<Sound> sound(new (std::nothrow) Sound);
	if (!sound)
		return nullptr;
	sound->params = params;

	int64_t count = SampleCount(params);
	if (count > 0) {
		std::unique_ptr<int16_t[]> pcm(new (std::nothrow) int16_t[size_t(count)]);
		if (!pcm)
			return nullptr;
		// The buffer holds the whole sound, so only a refused duration fails.
		if (Render(params, pcm.get(), count) == RenderStatus::Ok) {
			std::unique_ptr<float[]> samples(new (std::nothrow) float[size_t(count)]);
			if (!samples)
				return nullptr;
			// A power of two: the division is exact, so at 44100 Hz the plugin gives the
			// window's samples bit for bit.
			for (int64_t i = 0; i < count; i++)
				samples[i] = float(pcm[i]) / 32768.0f;
			pcm.reset();

			int64_t length = count;
			if (fRate != double(kSampleRate)) {
				length = std::llround(double(count) * fRate / double(kSampleRate));
				std::unique_ptr<float[]> resampled(new (std::nothrow) float[size_t(length)]);
				if (!resampled)
					return nullptr;
				soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
				soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
				soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
				size_t used = 0;
				size_t made = 0;
				soxr_error_t error =
				    soxr_oneshot(double(kSampleRate), fRate, 1, samples.get(), size_t(count), &used,
				        resampled.get(), size_t(length), &made, &io, &quality, &runtime);
				if (error != nullptr)
					return nullptr;
				// The filter's tail may come out a sample short: the rest is silence.
				for (size_t i = made; i < size_t(length); i++)
					resampled[i] = 0;
				samples = std::move(resampled);
			}
			sound->samples = samples.release();
			sound->length = length;
		}
	}

	std::lock_guard lock(fLock);
	Sound* made = sound.release();
	made->fPrev = fHead.fPrev;
	made->fNext = &fHead;
	fHead.fPrev->fNext = made;
	fHead.fPrev = made;
	return made;
}

void SoundStore::Free(Sound* sound)
{
	{
		std::lock_guard lock(fLock);
		sound->fPrev->fNext = sound->fNext;
		sound->fNext->fPrev = sound->fPrev;
	}
	delete[] sound->samples;
	delete sound;
}

} // namespace tunk::lv2
