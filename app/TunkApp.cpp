#include "app/TunkApp.h"

#include <filesystem>

#include "app/MidiInput.h"
#include "app/SpaceBarFilter.h"
#include "kits/app/Message.h"
#include "kits/storage/EntryRef.h"
#include "preset/PresetRecord.h"
#include "window/TunkWindow.h"

// The signature the preset files name as their preferred application.
TunkApp::TunkApp() : BApplication(kPresetAppSignature)
{
	midiInput = std::make_unique<MidiInput>(this);
}

TunkApp::~TunkApp() = default;

void TunkApp::RefsReceived(BMessage* message)
{
	// Every file of the message gets a window of its own.
	entry_ref ref;
	for (int32 i = 0; message->FindRef("refs", i, &ref) == B_OK; i++) {
		if (IsLaunching())
			openedAtLaunch = true;
		if (TunkWindow* open = WindowFor(ref)) {
			open->Activate();
			continue;
		}
		TunkWindow* window = new TunkWindow(kFileWindowFrame, &ref, new SpaceBarFilter);
		fileWindows.emplace_back(ref.Path(), window);
		window->Show();
	}
}

TunkWindow* TunkApp::WindowFor(const entry_ref& ref)
{
	// Forget the windows that have closed.
	std::erase_if(fileWindows, [this](const auto& entry) {
		for (int32 i = 0; i < CountWindows(); i++) {
			if (WindowAt(i) == entry.second)
				return false;
		}
		return true;
	});
	std::error_code error;
	std::filesystem::path wanted = std::filesystem::weakly_canonical(ref.Path(), error);
	for (const auto& [path, window] : fileWindows) {
		// A window still on the file names it in its title; a new window made at a closed
		// one's address would not.
		bool named = std::string(window->Title()).find(" - " + ref.name) != std::string::npos;
		if (named && std::filesystem::weakly_canonical(path, error) == wanted)
			return window;
	}
	return nullptr;
}

void TunkApp::MessageReceived(BMessage* message)
{
	if (message->what == kMsgNewWindow) {
		TunkWindow* window = new TunkWindow(kEmptyWindowFrame, new SpaceBarFilter);
		window->Show();
		return;
	}
	BApplication::MessageReceived(message);
}

void TunkApp::ReadyToRun()
{
	if (openedAtLaunch)
		return;
	TunkWindow* window = new TunkWindow(kEmptyWindowFrame, new SpaceBarFilter);
	window->Show();
}
