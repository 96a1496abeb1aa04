// BSoundPlayer: a pull-model sound player. All players of the process share one output
// device (44100 Hz, stereo, signed 16-bit); every started player that has data is asked for
// each device buffer through its callback, and the players' buffers are mixed with
// saturation. A player is mono (its samples go to both channels) or stereo (interleaved,
// left first). Without a reachable device the players stay silent and nothing else fails.
#pragma once

#include <atomic>
#include <cstddef>

#include "kits/media/MediaDefs.h"
#include "kits/support/SupportDefs.h"

enum sound_player_notification : int32 {
	B_STARTED = 1,
	B_STOPPED,
	B_SOUND_DONE,
};

class BSoundPlayer {
public:
	typedef void (*BufferPlayerFunc)(
		void* cookie, void* buffer, size_t size, const media_raw_audio_format& format);
	typedef void (*EventNotifierFunc)(void* cookie, sound_player_notification what, ...);

	// `format` may be null or leave fields at 0: the device's values fill them in.
	BSoundPlayer(const media_raw_audio_format* format, const char* name, BufferPlayerFunc player,
		EventNotifierFunc notifier = nullptr, void* cookie = nullptr);
	~BSoundPlayer();

	BSoundPlayer(const BSoundPlayer&) = delete;
	BSoundPlayer& operator=(const BSoundPlayer&) = delete;

	// B_OK, or B_BAD_VALUE for a format the shared device cannot play (another rate, a
	// channel count other than 1 or 2, another sample format) or a missing callback.
	status_t InitCheck() const { return initStatus; }
	const media_raw_audio_format& Format() const { return format; }
	const char* Name() const { return name; }

	// Registers the player with the shared device, opening the device on first use;
	// B_NO_MEMORY when the device serves as many players as it can.
	status_t Start();
	// After Stop returns, the callback is not running and will not run again until the
	// next Start (it may wait for a callback in flight; the callback never waits for it).
	// Must not be called from inside the callback.
	void Stop();
	bool IsPlaying() const { return started.load(); }

	// 1.0 plays the callback's samples unchanged.
	void SetVolume(float volume);
	float Volume() const { return volume.load(); }

	// Only a started player with data is asked for buffers.
	void SetHasData(bool hasData);
	bool HasData() const { return hasData.load(); }

private:
	friend struct SoundDevice;

	media_raw_audio_format format;
	char name[64] = {};
	BufferPlayerFunc callback;
	EventNotifierFunc notifier;
	void* cookie;
	status_t initStatus = B_OK;
	int32 slot = -1;  // the device's slot while started; Start and Stop only

	std::atomic<bool> started{false};
	std::atomic<bool> hasData{false};
	std::atomic<float> volume{1.0f};
};
