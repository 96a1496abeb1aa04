// KitSound: the sound of one kit window. Each pad's sound is made whole on the window's thread
// and handed to a device player of its own (audio/DevicePlayer.h), so that a pad's hit ends
// only that pad's hit before it, a choke ends the other pads of its group, and every pad sums
// into the shared output device. The device thread never waits for the window.
//
// Threads: SetPad, Hit, Stop on the window's thread; Render on the device's.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/DevicePlayer.h"
#include "kit/Kit.h"
#include "kits/media/MediaDefs.h"

class BSoundPlayer;

struct PadHit {
	int32_t pad = -1;  // -1: none yet
	float gain = 0;
};

class KitSound {
public:
	// `device` false makes a sound that only Render plays (no output device is opened).
	explicit KitSound(bool device = true);
	~KitSound();
	KitSound(const KitSound&) = delete;
	KitSound& operator=(const KitSound&) = delete;

	// Makes the pad's sound from its values when they changed since the last call; a pad
	// beyond the kit's (or one whose sound is refused) is silent. False when memory ran out.
	bool SetPad(size_t pad, const tunk::SoundParams& sound);
	// The kit's pads from `kit`, each made again only when its sound changed.
	void SetKit(const Kit& kit);
	// The samples of the pad as last made (the pad's own sound, before its level).
	const std::vector<int16_t>& PadSamples(size_t pad) const { return fPads[pad].samples; }

	// A hit of the pad at `velocity` (0 to 1) times its level; the pads it chokes stop.
	void Hit(const Kit& kit, size_t pad, float velocity);
	// Every pad fades out.
	void Stop();
	// The last hit asked for, for tests and the status line.
	PadHit LastHit() const { return fLastHit; }
	// Frames the device has played since the pad's last hit began.
	uint32_t Position(size_t pad) const { return (*fPlayers)[pad].Position(); }

	// Device: the sum of every pad's output, saturated to 16 bits.
	void Render(int16_t* out, uint32_t frames);

private:
	struct PadSound {
		std::vector<int16_t> samples;
		tunk::SoundParams made;
		bool ready = false;
	};

	std::array<PadSound, kMaxPads> fPads;
	std::unique_ptr<std::array<DevicePlayer, kMaxPads>> fPlayers;
	PadHit fLastHit;
	BSoundPlayer* fDevice = nullptr;
	KitSound* fCookie = this;

	// Device thread only.
	static constexpr uint32_t kChunk = 512;
	int16_t fPadOut[kChunk] = {};
	int32_t fSum[kChunk] = {};
};
