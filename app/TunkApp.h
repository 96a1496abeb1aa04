// TunkApp: the application object. It opens an editor window for the first preset of each
// message of files it is handed, or one empty window when it was started without a file.
#pragma once

#include <memory>

#include "kits/app/Application.h"
#include "kits/interface/Rect.h"

class BMessage;
class MidiInput;

constexpr char kTunkSignature[] = "application/x-vnd.Quillfeather-Tunk!";
// Screen frames: the empty window at start-up, and every window opened for a file.
constexpr BRect kEmptyWindowFrame(50, 50, 560, 515);
constexpr BRect kFileWindowFrame(100, 100, 610, 565);

class TunkApp : public BApplication {
public:
	TunkApp();
	~TunkApp() override;

	void ReadyToRun() override;
	void RefsReceived(BMessage* message) override;

	bool OpenedAtLaunch() const { return openedAtLaunch; }

	// The MIDI input port "Tunk", open from start to end.
	MidiInput* Midi() const { return midiInput.get(); }

private:
	bool openedAtLaunch = false;
	std::unique_ptr<MidiInput> midiInput;
};
