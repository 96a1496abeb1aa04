// PluginEditor: the program's editor mode, started by the plugins' UI library (plugin/ui/) as a
// process of its own. Tunk's window edits the plugin's sound: what the user changes goes to
// the plugin as lines on the socket the UI handed over, what the host changes comes back the
// same way, and playing sends a note for the plugin to play instead of opening a device. The
// window sits inside the host's window when the UI gives one, and is a window of its own
// otherwise; the program ends with the window or when the UI closes the socket.
#pragma once

#include <memory>
#include <string>

#include "engine/core/Params.h"
#include "kits/app/Application.h"
#include "plugin/ui/EditorLink.h"

class QSocketNotifier;
class QTimer;
class QWidget;
class TunkWindow;
template <typename T> class QPointer;

class PluginEditor : public BApplication {
public:
	// Talks over `socket`; places the window in the X window `parent` unless it is 0.
	PluginEditor(int socket, unsigned long parent);
	~PluginEditor() override;

	// New windows are not this mode's: the editor is the plugin's one window.
	void MessageReceived(BMessage* message) override;

	// The editor mode's main: `kind` is the instrument ("tunk"). The exit status.
	static int Run(const std::string& kind, unsigned long parent);

private:
	void Read();
	void Open(const std::string& name);
	void Send(const std::string& line);
	// Play and Stop as notes for the plugin. Repeat plays a note at every beat of the window's
	// tempo (the window's own player, which repeats on the beat's sample, is not used here).
	void Play(float gain);
	void Stop();
	void Beat();
	// The beat while Repeat is on, 0 otherwise.
	int BeatMilliseconds() const;
	// The window's values changed: the parameters the plugin does not have yet go to it.
	void Changed(const tunk::SoundParams& values);
	void End();

	int fSocket;
	unsigned long fParent;
	std::unique_ptr<QSocketNotifier> fNotifier;
	std::unique_ptr<QTimer> fRepeat;
	int fVelocity = 127;
	tunk::editor_link::LineBuffer fIn;
	// The sound as the plugin has it, as far as this side has heard or told.
	tunk::SoundParams fPlugin;
	std::unique_ptr<QPointer<QWidget>> fWidget;
	TunkWindow* fWindow = nullptr;
};
