#include "engine/voices/SoundSource.h"

#include <algorithm>

namespace tunk::voices {

bool Retirement::Release(Sound* sound)
{
	if (--sound->users > 0)
		return true;
	if (fCount == kCapacity)
		return false;
	fSounds[fCount++] = sound;
	return true;
}

void Retirement::Drop(int32_t count)
{
	std::copy(fSounds + count, fSounds + fCount, fSounds);
	fCount -= count;
}

void SoundSource::Play(Sound* sound)
{
	Stop();
	fRetirement.Acquire(sound);
	fSound = sound;
	fPosition = 0;
}

uint32_t SoundSource::Pull(float* out, uint32_t frames)
{
	if (fSound == nullptr)
		return 0;
	const uint32_t span = uint32_t(std::min<int64_t>(frames, fSound->length - fPosition));
	std::copy(fSound->samples + fPosition, fSound->samples + fPosition + span, out);
	fPosition += span;
	return span;
}

void SoundSource::Stop()
{
	if (fSound != nullptr)
		fRetirement.Release(fSound);
	fSound = nullptr;
	fPosition = 0;
}

} // namespace tunk::voices
