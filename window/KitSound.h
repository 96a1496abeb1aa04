// KitSound: the sound of one kit window, in stereo. The window hands its kit over by pointer
// and sends its hits and notes through a ring; the device's thread plays them through the
// kit's voices (kit/KitVoices.h), as the plugin's main pair does, pads on their own output in
// the middle of the pair. The voices compute each pad's sound as they play, so nothing is
// rendered on the window's thread, whatever the pads' lengths, and a kit costs its values
// alone. The device thread never waits for the window.
//
// Threads: SetKit, Hit, Note, Schedule, ScheduleBeat and Stop on the window's thread; Render on the
// device's; the rest from anywhere.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/voices/LiveSource.h"
#include "engine/voices/Ring.h"
#include "kit/KitVoices.h"

class BSoundPlayer;

class KitSound {
public:
	// `device` false makes a sound that only Render plays (no output device is opened).
	explicit KitSound(bool device = true);
	~KitSound();
	KitSound(const KitSound&) = delete;
	KitSound& operator=(const KitSound&) = delete;

	// What the hits from the next buffer on play (copied).
	void SetKit(const Kit& kit);
	// A hit of the pad, or a note (every pad on it), at `velocity` (0 to 1, as a MIDI
	// velocity of 1 to 127) at the next buffer; the pads they choke fade out.
	void Hit(size_t pad, float velocity);
	void Note(int note, float velocity);
	// `event` at its frame on the sound's clock (Frames()); one already past plays at the
	// next buffer. Events play in the order given. False when the ring is full.
	bool Schedule(const KitEvent& event);
	// Every voice fades out.
	void Stop();
	// A pattern's hit at its frame on the sound's clock, on a way of its own, so that hits,
	// notes and stops meanwhile play at once; false when that way is full. StopBeat drops the
	// beat's hits not yet played.
	bool ScheduleBeat(const KitEvent& event);
	void StopBeat() { fBeatEpoch.fetch_add(1, std::memory_order_acq_rel); }

	// The last hit, note or stop asked for (kind kAllOff with key -1 before the first).
	const KitEvent& LastEvent() const { return fLastEvent; }
	// Frames the sound has played: the clock of Schedule.
	int64_t Frames() const { return fFrames.load(std::memory_order_acquire); }
	// Voices still sounding after the last buffer.
	int32_t Sounding() const { return fSounding.load(std::memory_order_acquire); }

	// Device: `frames` stereo frames, left and right interleaved, the 16-bit ones saturated.
	void Render(float* out, uint32_t frames);
	void Render(int16_t* out, uint32_t frames);

private:
	void StartDevice();
	void FreeReturned();
	// Device thread.
	void TakeKit();
	template <typename Sample> void RenderFrames(Sample* out, uint32_t frames);

	std::array<tunk::voices::LiveSource, 2 * kKitVoices> fSources;
	std::unique_ptr<KitVoices> fVoices;
	std::atomic<Kit*> fOffered{nullptr};
	tunk::voices::Ring<KitEvent, 256> fEvents;
	struct BeatEvent {
		KitEvent event;
		uint32_t epoch = 0;
	};
	tunk::voices::Ring<BeatEvent, 1024> fBeat;
	std::atomic<uint32_t> fBeatEpoch{0};
	tunk::voices::Ring<Kit*, 64> fReturned;
	std::atomic<int64_t> fFrames{0};
	std::atomic<int32_t> fSounding{0};
	KitEvent fLastEvent{KitEvent::kAllOff, -1};
	BSoundPlayer* fDevice = nullptr;
	KitSound* fCookie = this;

	// Device thread only.
	Kit* fKit = nullptr;
	static constexpr uint32_t kChunk = 512;
	float fLeft[kChunk] = {};
	float fRight[kChunk] = {};
};
