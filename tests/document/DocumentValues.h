// Sounds for the document's tests, told apart by a few values.
#pragma once

#include "engine/core/Params.h"

inline tunk::SoundParams Values(float startFreq, float duration = 200, int oscType = 1,
    bool filter = false)
{
	tunk::SoundParams values;
	values[tunk::Param::startFreq] = startFreq;
	values[tunk::Param::duration] = duration;
	values[tunk::Param::oscType] = float(oscType);
	values[tunk::Param::filterEnabled] = filter ? 1.0f : 0.0f;
	return values;
}
