// Voices that compute their sound as they play, from the parameters in force when their
// note started, through the core's own per-sample chain: a note costs a few table copies,
// and changing a parameter costs nothing until the next note. At 44100 Hz their samples are
// the window's (sample / 32768) bit for bit.
#pragma once

#include <cstdint>

#include "engine/core/Generator.h"
#include "engine/core/Params.h"
#include "engine/core/Tables.h"
#include "engine/voices/Player.h"

namespace tunk::voices {

// The tables notes start from: the four waveforms, built once, and the shaper curves of the
// last few drives, built on first use. Audio thread; nothing here allocates.
class TableCache {
public:
	TableCache();
	TableCache(const TableCache&) = delete;
	TableCache& operator=(const TableCache&) = delete;

	// The waveform `oscType`; the sine for a code that names none, as a fresh engine plays.
	const float* Wave(int32_t oscType) const;
	// The shaper of `drive`: from the cache, or built in place of the least recently used.
	const float* Shape(float drive);

private:
	static constexpr int32_t kWaves = 4;
	// One for each pad of a kit, so that a kit's notes build their shapes only once.
	static constexpr int32_t kShapes = 16;
	float fWaves[kWaves][kTableEntries];
	float fShapes[kShapes][kTableEntries];
	uint32_t fDriveBits[kShapes] = {};
	uint64_t fUsed[kShapes] = {}; // 0: empty
	uint64_t fUses = 0;
};

// A voice that computes a sound from its parameters as it plays: LiveSource at the engine's
// rate, the plugin's resampling voice at a host's. Play copies what it needs, so the
// parameters may change or go once it returns.
class ParamsSource : public Source {
public:
	// Starts the sound of `params` at its first sample.
	virtual void Play(const SoundParams& params, TableCache& tables) = 0;
};

// Plays a sound computed from its parameters at the engine's rate.
class LiveSource final : public ParamsSource {
public:
	void Play(const SoundParams& params, TableCache& tables) override;
	uint32_t Pull(float* out, uint32_t frames) override;
	// Samples left of the sound.
	int64_t Remaining() const { return fGenerator.Remaining(); }

private:
	Generator fGenerator;
	static constexpr uint32_t kChunk = 256;
	int16_t fPcm[kChunk] = {};
};

} // namespace tunk::voices
