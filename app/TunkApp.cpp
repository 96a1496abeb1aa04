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

namespace {

// The canonical form of a path, so that two spellings of one file compare equal.
std::filesystem::path Canonical(const std::string& path)
{
	std::error_code error;
	return std::filesystem::weakly_canonical(path, error);
}

void ShowEmptyWindow()
{
	TunkWindow* window = new TunkWindow(kEmptyWindowFrame, new SpaceBarFilter);
	window->Show();
}

} // namespace

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
		window->Show();
	}
}

TunkWindow* TunkApp::WindowFor(const entry_ref& ref)
{
	// The file each editor window holds now: saving under another name moves a window to
	// that file, and a new window gets one when first saved.
	const std::filesystem::path wanted = Canonical(ref.Path());
	for (int32 i = 0; i < CountWindows(); i++) {
		auto* window = dynamic_cast<TunkWindow*>(WindowAt(i));
		// A window already closed by Quit is hidden until it is deleted.
		if (window != nullptr && !window->IsHidden() && window->HasFile() &&
		    Canonical(window->FileRef().Path()) == wanted)
			return window;
	}
	return nullptr;
}

void TunkApp::MessageReceived(BMessage* message)
{
	if (message->what == kMsgNewWindow) {
		ShowEmptyWindow();
		return;
	}
	BApplication::MessageReceived(message);
}

void TunkApp::ReadyToRun()
{
	if (!openedAtLaunch)
		ShowEmptyWindow();
}
