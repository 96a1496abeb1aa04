// The window's sound output on the device's thread: hits of the current sound through the
// shared voice player, started by Play, at every beat while Repeat is on, and faded out by
// Stop. The window's thread hands each new sound over by pointer and sends Play and Stop as
// requests, so the device never waits for a generation, a drawing or an export: a hit plays
// the sound that was current when it started, whole.
//
// Threads: Offer, Play and Stop on the window's thread; Render on the device's thread;
// Position and SetPosition from anywhere. Nothing reachable from Render allocates, locks,
// waits or makes a system call.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "engine/voices/Player.h"
#include "engine/voices/SoundExchange.h"
#include "engine/voices/SoundSource.h"

class DevicePlayer {
public:
	DevicePlayer();
	// The device has stopped calling Render.
	~DevicePlayer();
	DevicePlayer(const DevicePlayer&) = delete;
	DevicePlayer& operator=(const DevicePlayer&) = delete;

	// Window: `samples` (copied; null with a count of 0 is an empty sound) is what hits
	// started from the next buffer on play. False when memory ran out: the previous sound
	// stays.
	bool Offer(const int16_t* samples, int64_t count);
	// Window: a new hit at the start of the next buffer at `gain` (0 to 1), the hits
	// before it fading out; the beat counts from there.
	void Play(float gain);
	// Window: every hit fades out at the start of the next buffer; no new hit starts.
	void Stop();

	// Device: `frames` samples of output. While `repeat` is on and `beat` is not 0, a new
	// hit starts whenever the position reaches `beat`, on that exact sample.
	void Render(int16_t* out, uint32_t frames, uint32_t beat, bool repeat);

	// Frames since the last hit started (or since Stop): the beat's clock. Without repeat it
	// stops at the largest value it holds.
	uint32_t Position() const { return fPosition.load(std::memory_order_relaxed); }
	void SetPosition(uint32_t position) { fPosition.store(position, std::memory_order_relaxed); }

private:
	enum Request : uint64_t { kNone = 0, kPlay = 1, kStop = 2 };
	void Send(Request request);
	void StartHit();

	tunk::voices::SoundExchange fExchange;
	std::array<tunk::voices::SoundSource, tunk::voices::kSlots> fSources;
	tunk::voices::Player fPlayer;

	// The latest request: a sequence number above the two low bits that hold its kind, so
	// that the device sees each one once and the newest wins.
	std::atomic<uint64_t> fRequest{kNone};
	std::atomic<float> fGain{1.0f};
	std::atomic<uint32_t> fPosition{0};

	// Device thread only.
	uint64_t fSeen = kNone;
	bool fOn = false;
	float fHitGain = 1.0f;
	static constexpr uint32_t kChunk = 512;
	float fMix[kChunk] = {};
};
