#include <algorithm>
#include <cmath>
#include <cstdint>
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
	PlaySound(1.0f);
}

void TunkSound::PlaySound(float gain)
{
	if (player != nullptr) {
		player->Start();
		player->SetVolume(1.0f);
		player->SetHasData(true);
	}
	// Under the buffer lock: a callback in flight stores its end position before it
	// releases the lock, so it can never overwrite this reset.
	BufferLock lock(writeBufSem);
	playGain = std::isfinite(gain) ? std::clamp(gain, 0.0f, 1.0f) : 0.0f;
	playPosition = kFreshStart;
	playing = true;
}

void TunkSound::StopSound()
{
	BufferLock lock(writeBufSem);
	playing = false;
	playPosition = kFreshStart;
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
	return uint32(playPosition.load());
}

void TunkSound::SetPlaySamplePosition(uint32 position)
{
	playPosition = position;
}

uint32 TunkSound::GetBeatLength() const
{
	return beatLength;
}

namespace {

// The position after `count` samples from `pos`. In repeat mode the sound restarts at
// position 0 whenever it reaches the beat length, on the exact sample, so restarts are
// always one beat apart whatever the device's buffer size; a beat length of 0 never
// restarts. Without repeat the position stops at the largest value it can hold instead
// of wrapping round into the sound again.
uint32 Advance(uint64 pos, uint64 count, uint64 beat, bool repeat)
{
	if (repeat && beat != 0) {
		if (pos >= beat)
			pos = 0;
		return uint32((pos + count) % beat);
	}
	return uint32(std::min<uint64>(pos + count, UINT32_MAX));
}

}  // namespace

void SoundBufferProc(void* cookie, void* buffer, size_t size, const media_raw_audio_format& format)
{
	TunkSound* sound = *static_cast<TunkSound**>(cookie);
	const uint64 count = size / sizeof(int16);
	if (format.format != media_raw_audio_format::B_AUDIO_SHORT)
		return;
	int16* out = static_cast<int16*>(buffer);

	// The device thread serves every player of the process: it never waits for a
	// generation or a drawing that holds this sound's buffer. This buffer is silence.
	status_t locked = acquire_sem_etc(sound->writeBufSem, 1, B_RELATIVE_TIMEOUT, 0);
	if (locked == B_WOULD_BLOCK) {
		std::fill_n(out, count, int16(0));
		// A repeating sound keeps its beat. A position reset by PlaySound or StopSound
		// (marked fresh until a buffer is played from it) stays at its start, so that the
		// sound is heard from its first sample once the lock is free; the exchange fails
		// when a reset comes between the load and the store.
		if (sound->IsSequencerEnabled()) {
			uint64 state = sound->playPosition.load();
			if ((state & TunkSound::kFreshStart) == 0) {
				sound->playPosition.compare_exchange_strong(
					state, Advance(uint32(state), count, sound->GetBeatLength(), true));
			}
		}
		return;
	}
	if (locked != B_OK) {
		std::printf("There was an error acquiring the write semaphore on playback\n");
		return;
	}
	// Read under the lock, so that a reset by PlaySound or StopSound is either seen
	// here or made after this buffer's end position is stored.
	const uint64 start = sound->GetPlaySamplePosition();
	const uint64 beat = sound->GetBeatLength();
	const bool repeat = sound->IsSequencerEnabled() && beat != 0;
	const bool on = sound->IsPlaying();
	const uint64 length = on ? uint64(sound->sampleLength) : 0;
	const float gain = sound->playGain.load();

	uint64 pos = start;
	for (uint64 k = 0; k < count; k++, pos++) {
		if (repeat && pos >= beat)
			pos = 0;
		out[k] = pos < length ? sound->GetSampleAt(int64(pos)) : int16(0);
	}
	// Scaled here, where the samples leave the engine: the buffer stays the sound's own.
	if (gain != 1.0f) {
		for (uint64 k = 0; k < count; k++)
			out[k] = int16(std::lrint(float(out[k]) * gain));
	}
	sound->SetPlaySamplePosition(Advance(start, count, beat, repeat));
	if (release_sem(sound->writeBufSem) != B_OK)
		std::printf("Error releasing the write buf semaphore during playback\n");
}
