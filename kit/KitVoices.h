// The real-time voices of a kit, one engine for every player (the plugin, the kit window,
// tunk-render): events go through the kit's rule (KitPlay.h) into voices of the voice
// player that compute their pad's sound as they play, and a block renders them into a
// stereo main pair and the pads' own outputs.
//
// Each pad counts its hits from 1 on, and each hit plays its own variation (HitOf) at its
// note's velocity; a pad hit that names its own number (a pattern's step) plays that one and
// leaves the count as it is.
//
// A voice keeps the gains and output it started with, and a copy of its pad's sound, until
// it ends: the kit may change, shrink or go between any two calls. A pad routed to its own
// output plays there when the caller has that output, and in the main pair otherwise.
//
// Threads: every member on the audio thread (or while none runs). Nothing in Begin, Play,
// End, ReleaseAll or Clear allocates, locks or waits.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "engine/voices/LiveSource.h"
#include "engine/voices/Player.h"
#include "kit/KitPlay.h"

// Voices of a kit sounding at once, whatever its player: one more fades the oldest out.
constexpr int32_t kKitVoices = 32;

// Where a block goes; every buffer holds the block's frames. A null main channel is not
// written; a null own output sends its pad's voices to the main pair.
struct KitOutputs {
	float* left = nullptr;
	float* right = nullptr;
	std::array<float*, kMaxPads> own{};
};

class KitVoices {
public:
	// `sources`: 2 * kKitVoices voices of the caller's, which outlive this and are used by
	// one voice at a time. Large (the voices' tables): make it on the heap.
	explicit KitVoices(std::span<tunk::voices::ParamsSource* const> sources);
	KitVoices(const KitVoices&) = delete;
	KitVoices& operator=(const KitVoices&) = delete;

	// Starts a block of `frames` frames into `outputs`, clearing them.
	void Begin(const KitOutputs& outputs, uint32_t frames);
	// Plays `event` of `kit` at its frame within the block (the frames before it are rendered
	// first; a frame behind what is rendered plays at once, one beyond the block at its end).
	void Play(const Kit& kit, const KitPlayOptions& options, const KitEvent& event);
	// Renders the rest of the block.
	void End();

	// Every voice fades out (a stop, a panic, a kit replaced).
	void ReleaseAll() { fPlayer.ReleaseAll(); }
	// Every voice ends at once and the pads count their hits from the first again (the host
	// restarts the plugin).
	void Clear();
	// Voices still making sound, fading ones included.
	int32_t Busy() const { return fPlayer.Busy(); }

private:
	// Sends a voice's sides to the main pair, or its left side to its pad's own output.
	class Router final : public tunk::voices::Mixer {
	public:
		KitOutputs outputs;
		void Mix(int32_t key, int32_t output, const float* left, const float* right, uint32_t at,
		    uint32_t count) override;
	};

	void RenderTo(uint32_t frame);

	tunk::voices::Player fPlayer;
	tunk::voices::TableCache fTables;
	Router fRouter;
	KitOutputs fBlock;
	uint32_t fFrames = 0;
	uint32_t fDone = 0;
	// Each pad's next hit: its variation, so that no two hits of a pad sound the same.
	std::array<uint32_t, kMaxPads> fHits;
};

// Kit voices with sources of their own, for a render off the audio thread. Allocates.
struct OwnedKitVoices {
	OwnedKitVoices();
	std::vector<std::unique_ptr<tunk::voices::LiveSource>> sources;
	std::unique_ptr<KitVoices> voices;
};

// A kit playing `events` (in frame order, frames from 0 on) as a stereo pair at the engine's
// rate, pads on their own outputs in the middle, as the window plays it: until the last voice
// has ended, or `frames` frames when that is not 0. For tunk-render and the tests. Allocates.
struct StereoSound {
	std::vector<float> left;
	std::vector<float> right;
};
StereoSound RenderKitEvents(const Kit& kit, const KitPlayOptions& options,
    std::span<const KitEvent> events, int64_t frames = 0);
