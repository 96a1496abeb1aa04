#include "app/TunkApp.h"

#include <filesystem>

#include "app/MidiInput.h"
#include "app/SpaceBarFilter.h"
#include "app/WindowPlacement.h"
#include "kits/interface/Screen.h"
#include "kits/app/Message.h"
#include "kits/storage/EntryRef.h"
#include "preset/PresetRecord.h"
#include "window/KitWindow.h"
#include "window/TunkWindow.h"

// The signature the preset files name as their preferred application.
TunkApp::TunkApp() : BApplication(kPresetAppSignature)
{
	KitWindow::SetKeyFilterMaker([] { return new SpaceBarFilter; });
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

} // namespace

void TunkApp::RefsReceived(BMessage* message)
{
	// Every file of the message gets a window of its own.
	entry_ref ref;
	TunkWindow* failed = nullptr;
	for (int32 i = 0; message->FindRef("refs", i, &ref) == B_OK; i++) {
		if (IsLaunching())
			openedAtLaunch = true;
		if (BWindow* open = WindowFor(ref)) {
			open->Activate();
			continue;
		}
		if (IsKitFile(ref.Path())) {
			OpenKitWindow(ref.Path());
			continue;
		}
		TunkWindow* window = OpenWindow(&ref);
		if (window != nullptr && !window->HasFile())
			failed = window;
	}
	// A file that failed keeps its empty window only while it is the program's only window:
	// a later file of the same message may have opened since.
	if (failed != nullptr && CountEditorWindows() > 1 && !failed->DataChanged())
		failed->Quit();
}

TunkWindow* TunkApp::OpenWindow(const entry_ref* ref)
{
	const BRect frame = ref != nullptr ? kFileWindowFrame : kEmptyWindowFrame;
	TunkWindow* window = ref != nullptr ? new TunkWindow(frame, const_cast<entry_ref*>(ref),
	                                          new SpaceBarFilter)
	                                    : new TunkWindow(frame, new SpaceBarFilter);
	// The file's alert has been shown; an empty window in its place would only be in the way.
	if (ref != nullptr && !window->HasFile() && CountEditorWindows() > 0) {
		window->Quit();
		return nullptr;
	}
	Place(window, frame.LeftTop());
	window->Show();
	return window;
}

KitWindow* TunkApp::OpenKitWindow(const std::string& path)
{
	const BPoint where = path.empty() ? kEmptyWindowFrame.LeftTop() : kFileWindowFrame.LeftTop();
	auto* window = new KitWindow(where);
	// The file's alert has been shown; an empty kit in its place would only be in the way.
	if (!path.empty() && !window->Load(path) && CountEditorWindows() > 0) {
		window->Quit();
		return nullptr;
	}
	Place(window, where);
	window->Show();
	return window;
}

void TunkApp::Place(BWindow* window, BPoint first)
{
	const BRect frame = window->Frame();
	const BPoint size(frame.Width() + 1, frame.Height() + 1);
	const BPoint where = CascadePlace(BScreen().Frame(), first, lastPlace, size);
	window->MoveTo(where);
	lastPlace = where;
}

int32 TunkApp::CountEditorWindows() const
{
	// A window already closed by Quit is hidden until it is deleted, and one being made is
	// hidden until it is shown: neither counts.
	return CountDocumentWindows();
}

BWindow* TunkApp::WindowFor(const entry_ref& ref)
{
	// The file each editor window holds now: saving under another name moves a window to
	// that file, and a new window gets one when first saved.
	const std::filesystem::path wanted = Canonical(ref.Path());
	for (int32 i = 0; i < CountWindows(); i++) {
		// A window already closed by Quit is hidden until it is deleted.
		auto* window = dynamic_cast<TunkWindow*>(WindowAt(i));
		if (window != nullptr && !window->IsHidden() && window->HasFile() &&
		    Canonical(window->FileRef().Path()) == wanted)
			return window;
		auto* kit = dynamic_cast<KitWindow*>(WindowAt(i));
		if (kit != nullptr && !kit->IsHidden() && kit->HasFile() && Canonical(kit->Path()) == wanted)
			return kit;
	}
	return nullptr;
}

void TunkApp::MessageReceived(BMessage* message)
{
	if (message->what == kMsgNewWindow) {
		OpenWindow(nullptr);
		return;
	}
	if (message->what == kMsgNewKit) {
		OpenKitWindow("");
		return;
	}
	BApplication::MessageReceived(message);
}

void TunkApp::ReadyToRun()
{
	if (!openedAtLaunch)
		OpenWindow(nullptr);
}
