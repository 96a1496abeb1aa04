#include "app/TunkApp.h"

#include "app/MidiInput.h"
#include "kits/app/Message.h"
#include "kits/storage/EntryRef.h"
#include "window/TunkWindow.h"

TunkApp::TunkApp() : BApplication(kTunkSignature)
{
	midiInput = std::make_unique<MidiInput>(this);
}

TunkApp::~TunkApp() = default;

void TunkApp::RefsReceived(BMessage* message)
{
	// Only the first file of a message gets a window.
	entry_ref ref;
	if (message->FindRef("refs", 0, &ref) != B_OK)
		return;
	if (IsLaunching())
		openedAtLaunch = true;
	TunkWindow* window = new TunkWindow(kFileWindowFrame, &ref);
	window->Show();
}

void TunkApp::ReadyToRun()
{
	if (openedAtLaunch)
		return;
	TunkWindow* window = new TunkWindow(kEmptyWindowFrame);
	window->Show();
}
