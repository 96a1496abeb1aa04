// A pattern loop as a sound file holds it: exactly its frames long, and seamless, the tails of
// its last hits continuing at its start (with the chokes and voices of the loop playing on).
// It is the loop as it sounds once it has gone round: the loop is rendered as many times as its
// longest pad needs to fall silent, and the last time kept. Allocates; not for the audio thread.
#pragma once

#include <vector>

#include "kit/KitVoices.h"
#include "kit/Pattern.h"

struct LoopSound {
	StereoSound mix;
	// With stems asked for: one stereo sound per pad of the kit, the pad alone at its level and
	// pan; together they are the mix.
	std::vector<StereoSound> stems;
};

LoopSound RenderLoop(
    const Kit& kit, const KitPlayOptions& options, const PatternLoop& loop, bool stems = false);
