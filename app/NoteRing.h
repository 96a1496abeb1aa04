// Notes from a MIDI system's real-time thread to a normal one: a fixed ring of one
// writer and one reader that neither allocates, locks nor waits. A note that finds the
// ring full is dropped: the real-time thread never waits for the reader.
#pragma once

#include <atomic>
#include <cstdint>

struct MidiNote {
	double time = 0;       // the MIDI system's time stamp, in seconds
	uint8_t key = 0;
	uint8_t velocity = 0;  // 1 to 127: a note-on
};

class NoteRing {
public:
	static constexpr uint32_t kCapacity = 256;

	// Writer: false when the ring is full (the note is lost).
	bool Push(const MidiNote& note)
	{
		const uint32_t write = fWrite.load(std::memory_order_relaxed);
		if (write - fRead.load(std::memory_order_acquire) == kCapacity)
			return false;
		fNotes[write % kCapacity] = note;
		fWrite.store(write + 1, std::memory_order_release);
		return true;
	}

	// Reader: the oldest note, false when there is none.
	bool Pop(MidiNote* note)
	{
		const uint32_t read = fRead.load(std::memory_order_relaxed);
		if (read == fWrite.load(std::memory_order_acquire))
			return false;
		*note = fNotes[read % kCapacity];
		fRead.store(read + 1, std::memory_order_release);
		return true;
	}

private:
	MidiNote fNotes[kCapacity];
	std::atomic<uint32_t> fWrite{0};
	std::atomic<uint32_t> fRead{0};
};
