// The plugin's generated sounds. The worker makes a sound whole (engine at 44100 Hz, then
// resampled once to the host's rate); the audio thread only reads its samples and counts
// the voices that play it; the worker frees it once the audio thread hands it back.
#pragma once

#include <cstdint>
#include <mutex>

#include "engine/core/SoundParams.h"

namespace tunk::lv2 {

struct Sound {
	const float* samples = nullptr; // full scale is 1.0; nullptr when length is 0
	int64_t length = 0;
	// What it was made from: after a failed regeneration the plugin asks again from here.
	SoundParams params;
	// Users: the plugin's current sound and each voice playing it. Touched only by the
	// audio thread.
	int32_t users = 0;

private:
	friend class SoundStore;
	Sound* fPrev = nullptr;
	Sound* fNext = nullptr;
};

// Owns every sound of one plugin instance, so that a sound still travelling between the
// threads when the host tears the plugin down is freed too. Make and Free run on the
// worker, on any thread and also at once; never alongside construction or destruction.
class SoundStore {
public:
	explicit SoundStore(double hostRate);
	~SoundStore();
	SoundStore(const SoundStore&) = delete;
	SoundStore& operator=(const SoundStore&) = delete;

	// The sound of `params` at the host's rate: a sound of length 0 when the engine refuses
	// the duration, nullptr when memory runs out.
	Sound* Make(const SoundParams& params);
	void Free(Sound* sound);

private:
	const double fRate;
	std::mutex fLock;
	Sound fHead; // sentinel of the circular list of live sounds
};

} // namespace tunk::lv2
