// The one rule for playing a kit, for every player of it (the kit window, the plugin,
// tunk-render and the sample-pack export): which pads a note starts, which voices it ends,
// and how loud, where and how panned each voice plays. Pure functions of the kit, the note and
// the player's options: nothing here allocates, locks or waits, so the audio thread calls it.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "kit/Kit.h"

// MIDI channels: a voice belongs to one pad on one channel.
constexpr int32_t kKitChannels = 16;

// What a player of a kit lets its user set.
struct KitPlayOptions {
	float velocityScale = 1; // 0: every note at full level .. 1: at velocity / 127
	bool retrigger = true;   // a note ends its pads' voices still sounding on its channel
	bool noteOff = false;    // a note-off ends its pads' voices on its channel
	std::array<float, kMaxPads> trims{}; // dB added to each pad's level (the plugin's ports)
};

// One event a kit plays: a note from MIDI, a pad struck directly (a click in the window), or
// the end of every voice.
struct KitEvent {
	enum Kind : uint8_t { kNoteOn, kNoteOff, kPadHit, kAllOff };
	Kind kind = kNoteOn;
	int32_t key = 0;        // kNoteOn, kNoteOff: the note; kPadHit: the pad's index
	int32_t channel = 0;    // 0..15
	uint8_t velocity = 127; // 1..127
	int64_t frame = 0;      // when it plays, on the player's clock
	// kPadHit: the hit's number for its variation, as a pattern numbers its steps' hits (0: the
	// pad's own count).
	uint32_t hit = 0;
};

// The voice of a pad on a channel, so that retrigger and note-off find their pad's voice on
// their channel and a choke finds a pad's voices on every channel.
constexpr int32_t PadVoiceKey(int32_t channel, size_t pad)
{
	return channel * int32_t(kMaxPads) + int32_t(pad);
}

// How one pad sounds on a stereo pair at full velocity without a trim: its level's gain and
// its pan's. A pad on its own output is unpanned: its output carries it alone, and a player
// without that output (the window, a stereo file, a sample pack) plays it in the middle.
struct PadMix {
	float level = 1;
	StereoGain pan{1, 1};
};
PadMix PadMixOf(const Pad& pad);

// A voice to start: the pad, the velocity it was struck with, the output it plays on and the
// gains it keeps until it ends: on each side of the main pair, or (equal) on its own output.
struct VoiceStart {
	uint8_t pad = 0;
	uint8_t velocity = 127;
	uint32_t hit = 0; // the pad's hit number: its variation (HitOf)
	int32_t key = 0; // PadVoiceKey of the pad on the event's channel
	PadOutput output = PadOutput::Main;
	StereoGain gain{1, 1};
};

// What an event does, in this order: end every voice (kAllOff), end every voice of the
// pads in `choked` on every channel, end the voices of the pads in `released` on
// `channel`, then start `starts`.
struct KitPlan {
	int64_t frame = 0;
	bool allOff = false;
	PadMask choked = 0;
	PadMask released = 0;
	int32_t channel = 0;
	uint32_t count = 0;
	std::array<VoiceStart, kMaxPads> starts{};
};

// The rule. A note-on starts every pad on its note (pads sharing a note play together, also
// when they share a choke group) and ends the other pads of their groups on every channel;
// with retrigger it first ends its own pads' voices on its channel. A pad hit does the same
// for one pad. A note-off ends its pads' voices on its channel when the options ask for it.
// A voice's gains: its pad's PadMixOf, level times pan, then its trim, then the velocity's
// gain by its sound's curve, then its hit's variation. `hits` holds the number each pad's
// next hit plays (empty: hit 0, no variation); a pad hit naming its own number plays that
// one. Events that name no pad of the kit, a channel
// outside 0..15 or a velocity of 0 do nothing.
KitPlan PlanKitEvent(const Kit& kit, const KitPlayOptions& options, const KitEvent& event,
    std::span<const uint32_t> hits = {});
