// The voices of the instrument: each note plays one sound from its start to its end, at
// most kMaxVoices at once, summed. Audio thread only: nothing here allocates, locks or
// frees; a sound no voice needs any more goes to the Retirement, which the plugin hands to
// its worker for freeing.
#pragma once

#include <cstdint>

#include "plugin/Sound.h"

namespace tunk::lv2 {

constexpr int32_t kMaxVoices = 16;
// A note beyond kMaxVoices fades the oldest voice out over this many samples and then
// plays in its place, so the cut never clicks.
constexpr int32_t kStealFade = 64;

// Counts the users of each sound and collects the sounds that lost their last user.
class Retirement {
public:
	static constexpr int32_t kCapacity = 64;

	void Acquire(Sound* sound) { sound->users++; }
	void Release(Sound* sound);

	int32_t Count() const { return fCount; }
	Sound* At(int32_t index) const { return fSounds[index]; }
	// Forgets the first `count` sounds (they have been handed on).
	void Drop(int32_t count);

private:
	Sound* fSounds[kCapacity] = {};
	int32_t fCount = 0;
};

class Voices {
public:
	explicit Voices(Retirement& retirement) : fRetirement(retirement) {}

	// Starts `sound` at the next frame rendered, scaled by `gain`; an empty sound is
	// ignored.
	void NoteOn(Sound* sound, float gain);
	// Adds the voices' next `frames` samples to `out`.
	void Render(float* out, uint32_t frames);
	// Silences every voice at once (the host restarts the plugin).
	void Clear();

private:
	struct Note {
		Sound* sound = nullptr;
		float gain = 0;
		uint64_t order = 0;
	};
	struct Slot {
		Note note;
		int64_t position = 0;
		// Samples left of a steal's fade; when it ends, `next` takes the slot.
		int32_t fadeLeft = 0;
		Note next;
	};

	void RenderSlot(Slot& slot, float* out, uint32_t frames);
	void Finish(Note& note);

	Retirement& fRetirement;
	Slot fSlots[kMaxVoices];
	uint64_t fNotes = 0;
};

} // namespace tunk::lv2
