// The real-time voice player shared by everything that makes sound: the window's device
// output, MIDI notes and the plugin.
//
// A voice plays one Source from the frame at which it was started, scaled by its gain, and
// the player sums the voices into the caller's buffer (or hands each voice's samples to a
// Mixer with its key and output, scaled for each side of a stereo pair). At most kMaxVoices
// (or the count it was made for) sound at once: one more note fades the oldest sounding
// voice out over kFadeSamples while the new one starts at its own frame. A voice can also be
// released (note-off, retrigger, all notes off): it fades out over the same kFadeSamples.
//
// Threads: every member runs on the audio thread (or while no audio thread runs). Nothing
// reachable from Start, Release, ReleaseAll, Clear or Render allocates, locks, waits or makes
// a system call, provided the sources' Pull and Stop do not either.
//
// Exact frames: the caller renders up to an event's frame, applies the event, and renders
// on. A voice started between two Render calls sounds from the first frame of the next one.
//
// What voices play (the sources, one per slot, owned by the caller):
// - LiveSource (LiveSource.h) computes a sound from its parameters as it plays, through the
//   core's chain: the plugin's voices, which need no sound made beforehand.
// - SoundSource (SoundSource.h) plays a sound made whole beforehand (the window's buffer).
//   SoundExchange (SoundExchange.h) hands such sounds from the thread that makes them to the
//   audio thread and back for freeing: a device callback takes Current() for each new voice
//   and calls HandBack() after Render.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace tunk::voices {

// Voices that sound at once; a note beyond them steals the oldest.
constexpr int32_t kMaxVoices = 16;
// Length of every fade-out (steal, release, all off): short enough to act at once, long
// enough not to click.
constexpr int32_t kFadeSamples = 64;
// Voices sounding plus voices fading out: each steal or release fades a voice out while
// another may start, so twice kMaxVoices sources are needed.
constexpr int32_t kSlots = 2 * kMaxVoices;
// The most voices a player can be made for (the kit instrument's, whose pads share them).
constexpr int32_t kMostVoices = 32;
constexpr int32_t kMostSlots = 2 * kMostVoices;

// What one voice plays: samples at the output's rate, full scale 1.0, pulled in order.
class Source {
public:
	virtual ~Source() = default;
	// Writes the next samples, at most `frames`, to `out` and returns how many. Fewer than
	// `frames` means the sound has ended: the voice stops there.
	virtual uint32_t Pull(float* out, uint32_t frames) = 0;
	// The voice is over (ended, faded out or cleared): let go of what it plays.
	virtual void Stop() {}
};

// How a voice plays, fixed when it starts: its gain on each side of a stereo pair and the
// output it goes to. A mono player reads the left side; VoiceGain(gain) sets both alike.
struct VoiceGain {
	float left = 1;
	float right = 1;
	int32_t output = 0;  // the caller's numbering (a kit: 0 the main pair, 1 + pad its own)

	constexpr VoiceGain() = default;
	constexpr explicit VoiceGain(float gain) : left(gain), right(gain) {}
	constexpr VoiceGain(float leftGain, float rightGain, int32_t to)
	    : left(leftGain), right(rightGain), output(to)
	{
	}
};

// A float sample as a 16-bit one (the engine's 16-bit samples come back exactly from
// sample / 32768); beyond full scale it clips instead of wrapping round, and a sample
// that is no number is silence.
int16_t ToShort(float sample);

// Where the voices' samples go when they do not all go to one buffer (a kit routes each
// pad to its own outputs): each voice's samples, already scaled by its fade and by its gain
// of each side, with the key and output it was started with.
class Mixer {
public:
	virtual ~Mixer() = default;
	// `count` samples of a voice on `key` for the block's frames from `at` on: `left` and
	// `right` scaled by the gains of their sides (the same buffer when those are equal).
	virtual void Mix(int32_t key, int32_t output, const float* left, const float* right,
	    uint32_t at, uint32_t count) = 0;
};

// A key that no note has: voices started with it are only ended by ReleaseAll and Clear.
constexpr int32_t kNoKey = -1;

class Player {
public:
	// `sources`: kSlots sources the caller owns, each used by one voice at a time. They
	// outlive the player.
	explicit Player(const std::array<Source*, kSlots>& sources);
	// At most `maxVoices` (1..kMostVoices) sounding at once, with twice as many sources.
	Player(std::span<Source* const> sources, int32_t maxVoices);

	// Claims a source for a new voice on `key` with `gain` and returns it: the caller sets
	// it to what it should play before the next Render. When kMaxVoices already sound, the
	// oldest starts fading out; when every source is busy (many notes within one fade),
	// the fading voice nearest its end is cut short to make room. The voice keeps its gain
	// until it ends.
	Source& Start(int32_t key, const VoiceGain& gain);
	Source& Start(int32_t key, float gain) { return Start(key, VoiceGain(gain)); }
	// Fades out every voice sounding on `key` (note-off, retrigger).
	void Release(int32_t key);
	// Fades out every voice (All Sound Off, All Notes Off, reset, Stop).
	void ReleaseAll();
	// Ends every voice at once, without a fade (the host restarts the plugin).
	void Clear();

	// Adds the voices' next `frames` samples to `out` (each at its left gain).
	void Render(float* out, uint32_t frames);
	// Hands each voice's next `frames` samples to `mixer`.
	void Render(Mixer& mixer, uint32_t frames);

	// Voices sounding, not counting those fading out.
	int32_t Sounding() const;
	// Voices that still make sound, fading ones included.
	int32_t Busy() const;

private:
	struct Voice {
		Source* source = nullptr;
		bool busy = false;
		int32_t key = kNoKey;
		VoiceGain gain;
		uint64_t order = 0;   // notes started before this one: the oldest is stolen first
		int32_t fadeLeft = 0; // samples left of its fade-out; 0 while it sounds
		bool fading = false;
	};

	void FadeOut(Voice& voice);
	void End(Voice& voice);
	void RenderVoice(Voice& voice, Mixer& mixer, uint32_t frames);
	std::span<Voice> Voices() { return {fVoices, size_t(fSlots)}; }
	std::span<const Voice> Voices() const { return {fVoices, size_t(fSlots)}; }

	Voice fVoices[kMostSlots];
	int32_t fMaxVoices = kMaxVoices;
	int32_t fSlots = kSlots;
	uint64_t fStarted = 0;
	// Where a voice's samples land before they are scaled and summed.
	static constexpr uint32_t kChunk = 256;
	float fScratch[kChunk] = {};
	float fRight[kChunk] = {};
};

} // namespace tunk::voices
