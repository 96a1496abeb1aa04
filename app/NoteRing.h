// Notes from a MIDI system's real-time thread to a normal one, through a ring that neither
// allocates, locks nor waits. A note that finds the ring full is dropped: the real-time
// thread never waits for the reader.
#pragma once

#include <cstdint>

#include "engine/voices/Ring.h"

struct MidiNote {
	double time = 0;       // the MIDI system's time stamp, in seconds
	uint8_t key = 0;
	uint8_t velocity = 0;  // 1 to 127: a note-on
};

using NoteRing = tunk::voices::Ring<MidiNote, 256>;
