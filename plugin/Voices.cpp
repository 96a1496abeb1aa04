#include "plugin/Voices.h"

#include <algorithm>

namespace tunk::lv2 {

void Retirement::Release(Sound* sound)
{
	if (--sound->users > 0)
		return;
	// The plugin schedules no new sound while fewer than a current sound and a full set of
	// voices fit here, so this holds; were it ever full, the store still frees the sound
	// when the plugin goes.
	if (fCount < kCapacity)
		fSounds[fCount++] = sound;
}

void Retirement::Drop(int32_t count)
{
	std::copy(fSounds + count, fSounds + fCount, fSounds);
	fCount -= count;
}

void Voices::NoteOn(Sound* sound, float gain)
{
	if (sound == nullptr || sound->length == 0)
		return;
	Note note{sound, gain, ++fNotes};
	fRetirement.Acquire(sound);

	Slot* oldest = nullptr;
	for (Slot& slot : fSlots) {
		if (slot.note.sound == nullptr && slot.fadeLeft == 0) {
			slot.note = note;
			slot.position = 0;
			return;
		}
		// A slot already fading counts as old as the note that waits for it.
		uint64_t age = slot.fadeLeft > 0 ? slot.next.order : slot.note.order;
		uint64_t oldestAge = oldest == nullptr
		                         ? UINT64_MAX
		                         : (oldest->fadeLeft > 0 ? oldest->next.order : oldest->note.order);
		if (age < oldestAge)
			oldest = &slot;
	}
	if (oldest->fadeLeft > 0) {
		Finish(oldest->next);
		oldest->next = note;
		return;
	}
	oldest->fadeLeft = kStealFade;
	oldest->next = note;
}

void Voices::Finish(Note& note)
{
	if (note.sound != nullptr)
		fRetirement.Release(note.sound);
	note = Note{};
}

void Voices::RenderSlot(Slot& slot, float* out, uint32_t frames)
{
	uint32_t done = 0;
	while (done < frames) {
		if (slot.fadeLeft > 0) {
			uint32_t span = std::min(frames - done, uint32_t(slot.fadeLeft));
			const Sound* sound = slot.note.sound;
			for (uint32_t k = 0; k < span; k++) {
				slot.fadeLeft--;
				if (sound != nullptr && slot.position < sound->length) {
					float level = float(slot.fadeLeft) * (1.0f / float(kStealFade));
					out[done + k] += sound->samples[slot.position++] * slot.note.gain * level;
				}
			}
			done += span;
			if (slot.fadeLeft == 0) {
				Finish(slot.note);
				slot.note = slot.next;
				slot.next = Note{};
				slot.position = 0;
			}
			continue;
		}
		const Sound* sound = slot.note.sound;
		if (sound == nullptr)
			return;
		int64_t left = sound->length - slot.position;
		uint32_t span = uint32_t(std::min<int64_t>(frames - done, left));
		const float* samples = sound->samples + slot.position;
		float gain = slot.note.gain;
		for (uint32_t k = 0; k < span; k++)
			out[done + k] += samples[k] * gain;
		slot.position += span;
		done += span;
		if (slot.position >= sound->length) {
			Finish(slot.note);
			return;
		}
	}
}

void Voices::Render(float* out, uint32_t frames)
{
	for (Slot& slot : fSlots)
		RenderSlot(slot, out, frames);
}

void Voices::Clear()
{
	for (Slot& slot : fSlots) {
		Finish(slot.note);
		Finish(slot.next);
		slot.fadeLeft = 0;
		slot.position = 0;
	}
}

} // namespace tunk::lv2
