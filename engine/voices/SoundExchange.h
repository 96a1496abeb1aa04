// Sounds made on one thread (the window's, after an edit) and played on the audio thread,
// passed by pointer both ways without locks: the maker offers each new sound, the audio thread
// takes the newest when it next plays, and the sounds no voice plays any more come back to
// the maker, which frees them. Voices already playing a sound keep it until they end, so a
// hit plays one sound whole, never a mix of two.
//
// Threads: one maker thread (Offer, FreeReturned) and one audio thread (Current, HandBack).
// The audio thread's calls neither allocate, lock, wait nor free.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/voices/SoundSource.h"

namespace tunk::voices {

// A sound of `count` samples from the engine's 16-bit ones (sample / 32768, exact); nullptr
// when memory runs out. Maker thread.
Sound* MakeSound(const int16_t* samples, int64_t count);
void FreeSound(Sound* sound);

class SoundExchange {
public:
	SoundExchange() = default;
	// Frees every sound it still holds. The audio thread has stopped, and the voices have
	// let go of their sounds (Player::Clear) before.
	~SoundExchange();
	SoundExchange(const SoundExchange&) = delete;
	SoundExchange& operator=(const SoundExchange&) = delete;

	// Maker: `sound` (from MakeSound) becomes the current sound at the audio thread's next
	// Current(). A sound offered earlier that the audio thread never took is freed here, and
	// so are the sounds handed back since the last call.
	void Offer(Sound* sound);
	// Maker: frees the sounds the audio thread has handed back; returns how many.
	int32_t FreeReturned();

	// Audio thread: the sound new voices should play (null before the first offer), taking
	// the newest offered one first; the one it replaces is retired once no voice plays it.
	// While the maker leaves returned sounds unfreed, the current one stays.
	Sound* Current();
	// Audio thread: the retirement list its voices release into (SoundSource's).
	Retirement& Retired() { return fRetirement; }
	// Audio thread: passes the retired sounds to the maker; call after each Render.
	void HandBack();

	// Sounds freed so far (by Offer, FreeReturned and not counting the destructor's).
	int64_t Freed() const { return fFreed.load(); }

private:
	static constexpr uint32_t kRing = 128;

	std::atomic<Sound*> fOffered{nullptr};
	Sound* fCurrent = nullptr;  // audio thread
	Retirement fRetirement;     // audio thread
	// Retired sounds on their way to the maker: written by the audio thread only, read by
	// the maker only.
	Sound* fReturned[kRing] = {};
	std::atomic<uint32_t> fWrite{0};
	std::atomic<uint32_t> fRead{0};
	std::atomic<int64_t> fFreed{0};
};

} // namespace tunk::voices
