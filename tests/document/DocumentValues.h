// Sounds for the document's tests, told apart by a few values.
#pragma once

#include "engine/core/Params.h"

inline tunk::SoundParams Values(float startFreq, float duration = 200, int oscType = 1,
    bool filter = false)
{
	tunk::SoundParams values;
	values.startFreq = startFreq;
	values.duration = duration;
	values.oscType = oscType;
	values.filterEnabled = filter;
	return values;
}
