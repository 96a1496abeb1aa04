// Voices that play sounds made whole beforehand (the window's sounds). The thread that makes
// a sound hands it to the audio thread by pointer; the audio thread counts the voices that
// play it and, once none does and its owner has let go, lists it as retired, and the owner
// frees it on a thread of its own. The audio thread never frees.
#pragma once

#include <cstdint>

#include "engine/voices/Player.h"

namespace tunk::voices {

struct Sound {
	const float* samples = nullptr; // full scale 1.0; may be null when length is 0
	int64_t length = 0;
	// Holders on the audio thread: its owner's reference and each voice playing it.
	int32_t users = 0;
};

// Counts the holders of each sound and collects the sounds that lost their last one, for
// their owner to free off the audio thread. Audio thread only.
class Retirement {
public:
	static constexpr int32_t kCapacity = 64;

	void Acquire(Sound* sound) { sound->users++; }
	// Lets go of `sound`; its last holder lists it. False when the list is full: the sound
	// is then not listed, and its owner must still be able to free it (a store of every
	// sound made does), so owners keep at least kMaxVoices + 2 entries free before handing
	// over a new sound.
	bool Release(Sound* sound);

	int32_t Count() const { return fCount; }
	Sound* At(int32_t index) const { return fSounds[index]; }
	// Forgets the first `count` sounds (they have been handed on).
	void Drop(int32_t count);

private:
	Sound* fSounds[kCapacity] = {};
	int32_t fCount = 0;
};

// Plays one Sound from its first sample.
class SoundSource final : public Source {
public:
	explicit SoundSource(Retirement& retirement) : fRetirement(retirement) {}

	// Plays `sound` (not null) from its start; the voice holds it until it ends.
	void Play(Sound* sound);
	uint32_t Pull(float* out, uint32_t frames) override;
	void Stop() override;

private:
	Retirement& fRetirement;
	Sound* fSound = nullptr;
	int64_t fPosition = 0;
};

} // namespace tunk::voices
