// What the window's MIDI Input menu needs of the program's MIDI input. The input itself
// lives in the application, above the window; it installs itself here when it starts.
#pragma once

#include <string>
#include <vector>

#include "kits/support/SupportDefs.h"

class BHandler;

// A MIDI note-on for the window: play the sound at "velocity" (int32, 1 to 127) / 127
// of its level, as the Play button does at full level.
constexpr uint32 kMsgMidiNote = four_char_code("mnot");
// For the MIDI input's handler: connect the source named "source" (string), or
// disconnect it when it is connected.
constexpr uint32 kMsgMidiSource = four_char_code("msrc");

class MidiSources {
public:
	virtual ~MidiSources() = default;

	// False when the machine has no MIDI system: the menu then only says so.
	virtual bool Available() const = 0;
	// The sources a connection can be made from, by name.
	virtual std::vector<std::string> Sources() = 0;
	virtual bool IsConnected(const std::string& source) const = 0;
	// Connecting and disconnecting also remember the choice for the next start.
	virtual bool Connect(const std::string& source) = 0;
	virtual void Disconnect(const std::string& source) = 0;
	// Takes kMsgMidiSource messages, on the application's thread.
	virtual BHandler* Handler() = 0;

	// The program's MIDI input, nullptr when none is running.
	static MidiSources* Installed() { return installed; }
	static void Install(MidiSources* sources) { installed = sources; }

private:
	static inline MidiSources* installed = nullptr;
};

// The menu's text when there is no MIDI system or no source.
constexpr char kNoMidiInputText[] = "No MIDI input available";
