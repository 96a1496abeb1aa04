// MidiInput: the program's MIDI input port "Tunk", on JACK when a JACK server runs and
// on the ALSA sequencer otherwise (TUNK_MIDI_API=jack or alsa picks one). A note-on
// with a velocity above 0, on any note and channel, plays the sound of the editor
// window that was active last at velocity / 127 of its level, as its Play button would.
// Notes arrive on the MIDI system's real-time thread, which only writes them into a ring
// of its own (NoteRing.h); a normal thread takes them from there to the window as
// messages, through the application's queue. Sources connected through the menu are remembered
// (QSettings) and connected again at the next start.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/NoteRing.h"
#include "kits/app/Handler.h"
#include "kits/app/Messenger.h"
#include "window/MidiSources.h"

class BLooper;
class BWindow;
class QObject;
class RtMidiIn;

class MidiInput : public BHandler, public MidiSources {
public:
	// Joins `looper` (the application's) and opens the port. Without a MIDI system it
	// says so in one line on standard error and stays unavailable; nothing fails.
	explicit MidiInput(BLooper* looper);
	~MidiInput() override;

	MidiInput(const MidiInput&) = delete;
	MidiInput& operator=(const MidiInput&) = delete;

	// A note message from the MIDI thread, handed on to the window active last; a
	// source chosen in the menu, connected or disconnected.
	void MessageReceived(BMessage* message) override;

	bool Available() const override { return port != nullptr; }
	// "JACK", "ALSA", or "" when unavailable.
	const char* ApiName() const;
	std::vector<std::string> Sources() override;
	bool IsConnected(const std::string& source) const override;
	bool Connect(const std::string& source) override;
	void Disconnect(const std::string& source) override;
	BHandler* Handler() override { return this; }

	// The sources remembered for the next start.
	static std::vector<std::string> Remembered();

private:
	// One client of the MIDI system and the ring its thread writes into; the client goes
	// first, so that nothing writes into a ring that is gone.
	struct Listener {
		std::unique_ptr<NoteRing> ring = std::make_unique<NoteRing>();
		std::unique_ptr<RtMidiIn> client;
	};

	static void Received(double stamp, std::vector<unsigned char>* bytes, void* ring);
	std::unique_ptr<RtMidiIn> OpenClient(NoteRing* ring);
	// The normal thread: takes the notes from every ring and posts them.
	void Drain();
	void StopDraining();
	void Remember() const;
	void Activated(BWindow* window);

	int api = 0;  // RtMidi::Api
	BLooper* looper;
	NoteRing portRing;
	std::unique_ptr<RtMidiIn> port;
	// Changed on the looper's thread, read by the drain thread under drainLock.
	std::map<std::string, Listener> connections;
	std::mutex drainLock;
	std::atomic<bool> draining{false};
	std::thread drainer;
	std::set<std::string> remembered;
	std::unique_ptr<QObject> watch;  // ends the activation watch with this object
	BMessenger lastActive;
};
