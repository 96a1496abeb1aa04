// MidiPort: the program's one MIDI input port "Tunk" of one client "Tunk" on a MIDI system
// (JACK or the ALSA sequencer), and the connections from other programs' ports into it.
// The system's own thread writes each note-on into the ring given at opening and does
// nothing else; whether a source is connected is always asked of the system, so that what
// the menu shows is what is wired, whoever changed it.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "app/NoteRing.h"

class MidiPort {
public:
	virtual ~MidiPort() = default;

	// "JACK" or "ALSA".
	virtual const char* ApiName() const = 0;
	// The ports a connection can be made from, by name; never the program's own.
	virtual std::vector<std::string> Sources() = 0;
	virtual bool IsConnected(const std::string& source) const = 0;
	// True once `source` sends into the port (also when it already did).
	virtual bool Connect(const std::string& source) = 0;
	virtual void Disconnect(const std::string& source) = 0;

	// True once after a port of the system came or went: the caller looks again.
	bool TakeChanged() { return changed.exchange(false); }
	// The programs (by client name) that ended since the last call: their sources may be
	// back under the same names by the time the caller looks.
	virtual std::vector<std::string> TakeEnded() { return {}; }

protected:
	// Set on the system's thread, which must not call back into it.
	std::atomic<bool> changed{false};
};

// The port on the running JACK server, nullptr when none runs (none is started); the JACK
// library stays quiet about a missing server, an ordinary state.
std::unique_ptr<MidiPort> OpenJackMidiPort(NoteRing* ring, std::string* error);
// The port on the ALSA sequencer, nullptr (with the reason in `error`) when it cannot be had.
std::unique_ptr<MidiPort> OpenAlsaMidiPort(NoteRing* ring, std::string* error);

// Whether `bytes` hold a note-on (any channel, velocity above 0: a note-on at 0 is a
// note-off); the note's key and velocity go into `note`.
inline bool ReadNoteOn(const unsigned char* bytes, size_t size, MidiNote* note)
{
	if (size < 3 || (bytes[0] & 0xf0) != 0x90 || (bytes[2] & 0x7f) == 0)
		return false;
	note->key = uint8_t(bytes[1] & 0x7f);
	note->velocity = uint8_t(bytes[2] & 0x7f);
	return true;
}
