// The kit window's files: kits read and written, presets loaded onto pads, and the sample
// pack exported.
#include "window/KitWindow.h"

#include <sys/stat.h>

#include <QLabel>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "kits/app/AppDefs.h"
#include "kits/app/Application.h"
#include "kits/app/Message.h"
#include "kits/app/Messenger.h"
#include "kits/interface/FilePanel.h"
#include "kits/storage/EntryRef.h"
#include "kits/support/Errors.h"
#include "kit/SampleExport.h"
#include "preset/FactoryKits.h"
#include "preset/FactoryLibrary.h"
#include "preset/KitFile.h"
#include "preset/PresetExtension.h"
#include "window/FileAlert.h"
#include "window/KitPads.h"
#include "window/LibraryMenu.h"
#include "window/TunkWindow.h"

namespace fs = std::filesystem;

namespace {

std::string FolderOf(const std::string& path)
{
	const std::string::size_type slash = path.find_last_of('/');
	return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

} // namespace

bool IsKitFile(const std::string& path)
{
	const size_t length = std::strlen(kKitFileExtension);
	if (path.size() >= length && path.compare(path.size() - length, length, kKitFileExtension) == 0)
		return true;
	// The magic the desktop's type database matches: the format key near the start. A pipe or
	// a device is never read here: only a regular file can be a kit named otherwise.
	char head[17] = {};
	FILE* file = std::fopen(path.c_str(), "rb");
	if (file == nullptr)
		return false;
	const size_t read = std::fread(head, 1, 16, file);
	std::fclose(file);
	return std::string(head, read).find(std::string("\"") + kKitFormatKey + "\"") != std::string::npos;
}

Kit KitWindow::WithPad(size_t pad) const
{
	Kit kit = CurrentKit();
	while (kit.pads.size() <= pad && kit.pads.size() < kMaxPads) {
		Pad added;
		const GmDrum& drum = kGmDrums[kit.pads.size()];
		added.name = drum.name;
		added.note = drum.note;
		added.choke = drum.choke;
		kit.pads.push_back(added);
	}
	return kit;
}

void KitWindow::BuildPanels()
{
	BMessenger self(this);
	fSavePanel = new BFilePanel(B_SAVE_PANEL, &self, nullptr, B_FILE_NODE, false,
	    new BMessage(kMsgKitSaveReply), nullptr, false, true);
	fSavePanel->SetNameFilters({kKitNameFilter, "All files (*)"});
	// Opened files go to the application, which gives each its window.
	fOpenPanel = new BFilePanel(B_OPEN_PANEL, nullptr, nullptr, 0, true, nullptr, nullptr, false, true);
	fOpenPanel->SetNameFilters({"Tunk kits and presets (*.tunkkit *.tunk)", "All files (*)"});
	fSoundPanel = new BFilePanel(B_OPEN_PANEL, &self, nullptr, B_FILE_NODE, false,
	    new BMessage(kMsgPadLoadReply), nullptr, false, true);
	fSoundPanel->SetNameFilters(PresetNameFilters());
	// Kits and sounds are found first among the factory's; later each panel starts in the
	// folder it was left in.
	if (const fs::path kits = FindFactoryKitsFolder(); !kits.empty())
		fOpenPanel->SetPanelDirectory(kits.c_str());
	if (const fs::path sounds = FindFactoryFolder(); !sounds.empty())
		fSoundPanel->SetPanelDirectory(sounds.c_str());
	// The pack's folder is named as typed, and made when it does not exist yet.
	fExportPanel = new BFilePanel(B_SAVE_PANEL, &self, nullptr, B_DIRECTORY_NODE, false,
	    new BMessage(kMsgKitExportReply), nullptr, false, true);
	fExportPanel->Window()->SetTitle("Export Sample Pack");
	fExportPanel->SetButtonLabel(B_DEFAULT_BUTTON, "Export");
}

bool KitWindow::LoadPadSound(size_t pad, const std::string& path)
{
	if (pad >= kMaxPads)
		return false;
	if (IsKitFile(path)) {
		// A kit dropped on the window opens as a kit, in a window of its own.
		if (be_app != nullptr) {
			BMessage refs(B_REFS_RECEIVED);
			const std::string::size_type slash = path.find_last_of('/');
			entry_ref ref(path.substr(0, slash == 0 ? 1 : slash).c_str(), path.substr(slash + 1).c_str());
			refs.AddRef("refs", &ref);
			be_app->PostMessage(&refs);
		}
		return false;
	}
	tunk::SoundParams values;
	PresetExtras extras;
	std::vector<std::string> messages;
	const status_t status = ReadPreset(path.c_str(), &values, &extras, &messages);
	if (status != B_OK) {
		ErrorMsg(FileAlertText("Error: Could not load the sound onto the pad!", path, status));
		return false;
	}
	Kit kit = WithPad(pad);
	Pad& target = kit.pads[pad];
	SetPadSound(&target, values, extras);
	std::string name = path.substr(path.find_last_of('/') + 1);
	const std::string::size_type dot = name.find_last_of('.');
	if (dot != std::string::npos && dot > 0)
		name.resize(dot);
	target.soundName = name;
	// A pad named after nothing yet takes the preset's name.
	if (target.name.empty() || pad >= CurrentKit().pads.size())
		target.name = name;
	SelectPad(pad);
	fDocument.BreakMerge();
	CommitKit(kit, "Load Sound");
	SyncEditors();
	if (!messages.empty()) {
		std::string text = path + ":";
		for (const std::string& message : messages)
			text += "\n" + message;
		ErrorMsg(text);
	}
	return true;
}

bool KitWindow::Load(const std::string& path)
{
	Kit kit;
	const KitRead read = ReadKitFile(path.c_str(), &kit);
	if (!read.Ok()) {
		ErrorMsg("Error: Could not open the kit!\n" + path + ": " + read.error);
		return false;
	}
	CloseEditors();
	// A factory kit comes as a new kit named after it, so that Save asks where and the
	// factory's file stays as it is.
	std::error_code error;
	const fs::path factory = FindFactoryKitsFolder();
	if (!factory.empty() &&
	    fs::equivalent(fs::path(FolderOf(path)), factory, error) && !error) {
		fDocument.Open(kit, "", kit.name.empty() ? kUntitledKitName : kit.name);
	} else {
		fDocument.Open(kit, path, path.substr(path.find_last_of('/') + 1));
	}
	fPads->Select(0);
	ShowKit();
	if (!read.messages.empty()) {
		std::string text = path + ":";
		for (const std::string& message : read.messages)
			text += "\n" + message;
		ErrorMsg(text);
	}
	return true;
}

bool KitWindow::SaveTo(const std::string& path)
{
	const status_t status = WriteKitFile(path.c_str(), CurrentKit());
	if (status != B_OK) {
		// Not saved: the title and the changed mark stay as they were.
		ErrorMsg(FileAlertText("Error: Could not write to file!", path, status));
		return false;
	}
	fDocument.Saved(path, path.substr(path.find_last_of('/') + 1));
	ShowKit();
	return true;
}

bool KitWindow::Save()
{
	if (fDocument.HasFile())
		return SaveTo(fDocument.Path());
	ShowSavePanel();
	return false;
}

void KitWindow::ShowSavePanel()
{
	const std::string base = CurrentKit().name.empty() ? fDocument.Name() : CurrentKit().name;
	fSavePanel->SetSaveText(SuggestedFileName(base, kKitFileExtension).c_str());
	if (fDocument.HasFile())
		fSavePanel->SetPanelDirectory(FolderOf(fDocument.Path()).c_str());
	fSavePanel->Show();
}

void KitWindow::ShowExportPanel()
{
	// One pack at a time: the status line says where the one under way goes.
	if (Exporting())
		return;
	std::string name = CurrentKit().name.empty() ? fDocument.Name() : CurrentKit().name;
	std::replace(name.begin(), name.end(), '/', '-');
	fExportPanel->SetSaveText(name.c_str());
	if (!fExportedOnce && fDocument.HasFile())
		fExportPanel->SetPanelDirectory(FolderOf(fDocument.Path()).c_str());
	else if (const char* home = std::getenv("HOME"); !fExportedOnce && home != nullptr)
		fExportPanel->SetPanelDirectory(home);
	fExportPanel->Show();
}

void KitWindow::SaveReply(BMessage* message)
{
	entry_ref directory;
	const char* name = nullptr;
	if (message->FindRef("directory", &directory) != B_OK || message->FindString("name", &name) != B_OK)
		return;
	// Whatever type the panel showed, a kit is written as a kit file.
	std::string file = NameWithTypeExtension(name, kKitNameFilter);
	SaveTo(directory.Path() + "/" + file);
}

void KitWindow::ExportReply(BMessage* message)
{
	entry_ref directory;
	const char* name = nullptr;
	if (message->FindRef("directory", &directory) != B_OK || message->FindString("name", &name) != B_OK)
		return;
	fExportedOnce = true;
	const std::string folder = directory.Path() + "/" + name;
	// A name typed for a folder not made yet is the folder to make; one that is a file stays
	// and the export says so.
	if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
		ErrorMsg(FileAlertText("Error: Could not export the sample pack!", folder, status_from_errno(errno)));
		return;
	}
	fExportFolder = folder;
	fExportSfz = SfzFileName(CurrentKit());
	ShowStatus("Exporting the sample pack to " + folder + "…");
	fExportThread = std::thread([this, kit = CurrentKit(), folder] {
		fExportResult = ExportSamplePack(kit, folder, "wav");
		PostMessage(kMsgKitExportDone);
	});
}

void KitWindow::ExportDone()
{
	if (!fExportThread.joinable())
		return;
	fExportThread.join();
	const SamplePackResult& result = fExportResult;
	if (result.status != B_OK) {
		ShowStatus("The sample pack was not exported.");
		const std::string what = result.soundRefused
		                             ? "Error: A pad's sound is too long to render!"
		                             : "Error: Could not export the sample pack!";
		ErrorMsg(FileAlertText(what.c_str(), result.failedFile.empty() ? fExportFolder : result.failedFile,
		    result.status));
	} else {
		ShowStatus("Exported " + std::to_string(result.files.size()) + " files to " + fExportFolder + ".");
		ErrorMsg("Exported " + std::to_string(result.files.size()) + " files (a WAV file per pad, " +
		         fExportSfz + " and " + kHydrogenDrumkitFile + ") to " + fExportFolder + ".");
	}
	if (fCloseAfterExport) {
		fCloseAfterExport = false;
		PostMessage(B_QUIT_REQUESTED);
	}
}

void KitWindow::ShowStatus(const std::string& text)
{
	fStatusLine->setText(QString::fromStdString(text));
}

std::string KitWindow::StatusText() const
{
	return fStatusLine->text().toStdString();
}
