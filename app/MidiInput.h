// MidiInput: the program's MIDI input port "Tunk", on JACK when a JACK server runs and
// on the ALSA sequencer otherwise (TUNK_MIDI_API=jack or alsa picks one). A note-on
// with a velocity above 0, on any note and channel, plays the sound of the editor
// window that was active last at velocity / 127 of its level, as its Play button would.
// Notes arrive on the MIDI system's real-time thread, which only writes them into a ring
// of its own (NoteRing.h); a normal thread takes them from there to the window as
// messages, through the application's queue. Every source checked in the menu is
// connected to that one port. Sources connected through the menu are remembered
// (QSettings) and connected again at the next start, and whenever they appear again while
// the program runs (a synthesizer or a sequencer that restarts).
#pragma once

#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/MidiPort.h"
#include "app/NoteRing.h"
#include "kits/app/Handler.h"
#include "kits/app/Messenger.h"
#include "window/MidiSources.h"

class BLooper;
class BWindow;
class QObject;

class MidiInput : public BHandler, public MidiSources {
public:
	// Joins `looper` (the application's) and opens the port. Without a MIDI system it
	// says so in one line on standard error and stays unavailable; nothing fails.
	explicit MidiInput(BLooper* looper);
	~MidiInput() override;

	MidiInput(const MidiInput&) = delete;
	MidiInput& operator=(const MidiInput&) = delete;

	// A note message from the MIDI thread, handed on to the window active last; a
	// source chosen in the menu, connected or disconnected; word that sources came or
	// went, which connects the remembered ones that are back.
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
	// The normal thread: takes the notes from the ring and posts them, and passes on the
	// MIDI system's word that sources changed.
	void Drain();
	void StopDraining();
	// Connects the remembered sources that appeared since the last look.
	void Reconnect();
	void Remember() const;
	void Activated(BWindow* window);

	BLooper* looper;
	NoteRing ring;
	std::unique_ptr<MidiPort> port;
	std::atomic<bool> draining{false};
	std::thread drainer;
	std::set<std::string> remembered;
	// The sources at the last look, and the remembered ones among them that refused.
	std::set<std::string> present;
	std::set<std::string> waiting;
	std::unique_ptr<QObject> watch;  // ends the activation watch with this object
	BMessenger lastActive;
};
