// TunkApp: the application object. It opens an editor window for every preset it is handed
// and a kit window for every kit, or one empty window when it was started without a file.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "kits/app/Application.h"
#include "kits/interface/Point.h"
#include "kits/interface/Rect.h"

class BMessage;
class BWindow;
class KitWindow;
class MidiInput;
class TunkWindow;
struct entry_ref;

// Screen frames: the empty window at start-up, and the first window opened for a file; later
// windows cascade from the one placed before.
constexpr BRect kEmptyWindowFrame(50, 50, 560, 515);
constexpr BRect kFileWindowFrame(100, 100, 610, 565);

class TunkApp : public BApplication {
public:
	TunkApp();
	~TunkApp() override;

	void ReadyToRun() override;
	void RefsReceived(BMessage* message) override;
	// New Window from any editor window's File menu.
	void MessageReceived(BMessage* message) override;

	bool OpenedAtLaunch() const { return openedAtLaunch; }

private:
	// The open window for the preset file, nullptr when none: a file opened again brings its
	// window to the front instead of a second window on the same file.
	BWindow* WindowFor(const entry_ref& ref);
	// A new editor window (the document of `ref`, or a new one), placed and shown; nullptr
	// when the file could not be read and other editor windows are open, so that no empty
	// window is left behind.
	TunkWindow* OpenWindow(const entry_ref* ref);
	// A kit window for the kit file at `path` ("" for a new kit), placed and shown; nullptr
	// when the file could not be read and other windows are open.
	KitWindow* OpenKitWindow(const std::string& path);
	// Moves the window one cascade step on from the last one placed.
	void Place(BWindow* window, BPoint first);
	// The editor and kit windows on screen.
	int32 CountEditorWindows() const;

	bool openedAtLaunch = false;
	std::optional<BPoint> lastPlace;
	// The MIDI input port "Tunk", open from start to end.
	std::unique_ptr<MidiInput> midiInput;
};
