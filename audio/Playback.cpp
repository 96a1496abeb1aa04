#include <cstdio>

#include "engine/TunkSound.h"
#include "kits/media/SoundPlayer.h"

namespace {

// Takes the buffer lock if it can; a missing lock must not keep the position from
// being set.
class BufferLock {
public:
	explicit BufferLock(sem_id lock) : sem(lock), held(acquire_sem(lock) == B_OK) {}
	~BufferLock()
	{
		if (held)
			release_sem(sem);
	}
	BufferLock(const BufferLock&) = delete;
	BufferLock& operator=(const BufferLock&) = delete;

private:
	sem_id sem;
	bool held;
};

}  // namespace

void TunkSound::PlaySound()
{
	if (player != nullptr) {
		player->Start();
		player->SetVolume(1.0f);
		player->SetHasData(true);
	}
	// Under the buffer lock: a callback in flight stores its end position before it
	// releases the lock, so it can never overwrite this reset.
	BufferLock lock(writeBufSem);
	playPosition = 0;
	playing = true;
}

void TunkSound::StopSound()
{
	BufferLock lock(writeBufSem);
	playing = false;
	playPosition = 0;
}

bool TunkSound::IsPlaying() const
{
	return playing;
}

bool TunkSound::IsSequencerEnabled() const
{
	return sequencerEnabled;
}

uint32 TunkSound::GetPlaySamplePosition() const
{
	return playPosition;
}

void TunkSound::SetPlaySamplePosition(uint32 position)
{
	playPosition = position;
}

uint32 TunkSound::GetBeatLength() const
{
	return beatLength;
}

void SoundBufferProc(void* cookie, void* buffer, size_t size, const media_raw_audio_format& format)
{
	TunkSound* sound = *static_cast<TunkSound**>(cookie);
	const uint64 count = size / sizeof(int16);
	if (format.format != media_raw_audio_format::B_AUDIO_SHORT)
		return;

	if (acquire_sem(sound->writeBufSem) != B_OK) {
		std::printf("There was an error acquiring the write semaphore on playback\n");
		return;
	}
	// Read under the lock, so that a reset by PlaySound or StopSound is either seen
	// here or made after this buffer's end position is stored.
	const uint64 pos = sound->GetPlaySamplePosition();
	const uint64 beat = sound->GetBeatLength();
	const bool repeat = sound->IsSequencerEnabled();
	const bool on = sound->IsPlaying();
	const uint64 length = uint64(sound->sampleLength);

	int16* out = static_cast<int16*>(buffer);
	for (uint64 i = pos; i <= pos + count; i++) {
		if (i < pos + count)
			out[i - pos] = (i >= length || !on) ? int16(0) : sound->GetSampleAt(int64(i));
		// A beat length of 0 never restarts.
		if (repeat && beat != 0 && i != 0 && i % beat == 0) {
			// The rest of this buffer is silence; the next starts the sound again.
			for (uint64 j = i + 1; j < pos + count; j++)
				out[j - pos] = 0;
			sound->SetPlaySamplePosition(0);
			if (release_sem(sound->writeBufSem) != B_OK)
				std::printf("Error releasing the write buf semaphore during playback\n");
			return;
		}
	}
	sound->SetPlaySamplePosition(uint32(pos + count));
	if (release_sem(sound->writeBufSem) != B_OK)
		std::printf("Error releasing the write buf semaphore during playback\n");
}
