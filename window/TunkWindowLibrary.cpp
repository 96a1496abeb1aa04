// The editor window's library commands: loading a factory sound, randomize, mutate,
// normalize, browsing the document's folder by ear, and the level display.
#include <QWidget>
#include <chrono>
#include <cstdio>

#include "engine/TunkSound.h"
#include "kits/app/Message.h"
#include "kits/interface/Alert.h"
#include "kits/interface/FilePanel.h"
#include "kits/interface/MenuField.h"
#include "preset/FactoryLibrary.h"
#include "preset/PresetExtension.h"
#include "preset/Randomize.h"
#include "preset/SoundLevel.h"
#include "window/FileAlert.h"
#include "window/LibraryMenu.h"
#include "window/StatusBar.h"
#include "window/TunkMenus.h"
#include "window/TunkWindow.h"

namespace fs = std::filesystem;

void TunkWindow::InitLibrary()
{
	AddLibraryMenus(this);
	KeepAltDownFor(FieldOsc->Widget());
	fOpenPanel->SetNameFilters(PresetNameFilters());
	fSavePanel->SetNameFilters(PresetNameFilters());
	fStatusBar = new ::StatusBar;
	SetStatusBar(fStatusBar);
	ShowLevel();
}

void TunkWindow::ShowSavePanel()
{
	fSavePanel->SetSaveText(SuggestedFileName(fDocument.Name(), ".tunk").c_str());
	fSavePanel->Show();
}

void TunkWindow::ShowWavePanel()
{
	fWavePanel->SetSaveText(SuggestedFileName(fDocument.Name(), ".wav").c_str());
	fWavePanel->Show();
}

void TunkWindow::ShowLevel()
{
	if (fStatusBar == nullptr)
		return;
	int64 count = 0;
	const int16* samples = fSound->GetBuffer(&count);
	fStatusBar->ShowLevel(MeasureSoundLevel(samples, samples != nullptr ? count : 0));
}

void TunkWindow::NormalizeSound()
{
	constexpr double kTarget = -0.3;
	ApplyParams(Normalize(Values(), kTarget), "Normalize");
	// Normalize stops short only where a level can go no further: the bar says which and
	// where the peak stayed, rather than leaving a quiet sound for a normal one.
	const SoundLevel& level = fStatusBar->Level();
	if (level.peak == 0 || level.peakDbfs >= kTarget - 0.05)
		return;
	char peak[32];
	std::snprintf(peak, sizeof peak, "%.1f dBFS", level.peakDbfs);
	const bool noiseAtMost = fParams[tunk::Param::noiseLevel] >= tunk::Info(tunk::Param::noiseLevel).max &&
	                         fParams[tunk::Param::noiseGain] >= tunk::Info(tunk::Param::noiseGain).max;
	fStatusBar->ShowChange(std::string("Normalize: ") + peak +
	                       (noiseAtMost ? ", the noise at its loudest" : ", as loud as it goes"));
}

uint64 TunkWindow::NextSeed()
{
	// The clock makes each press new; the count keeps two presses within one tick apart.
	const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
	return uint64(now) * 0x9E3779B97F4A7C15ull + ++fSeedCount;
}

void TunkWindow::PlayNewSound(const tunk::SoundParams& values, const char* stepName)
{
	// A sound that was never anywhere: a new document, changed until it is saved.
	ReplaceDocument(values, {"", kUntitledName, "", {}}, false, stepName);
	PlaySound();
}

void TunkWindow::LoadLibrarySound(const char* path, const char* name)
{
	tunk::SoundParams values;
	PresetExtras extras;
	std::vector<std::string> notes;
	if (status_t status = ReadPreset(path, &values, &extras, &notes); status != B_OK) {
		ErrorMsg(FileAlertText("Error: Could not open file!", path, status).c_str());
		return;
	}
	ShowLibrarySound(values, extras, path, name);
}

void TunkWindow::ShowLibrarySound(
    const tunk::SoundParams& values, const PresetExtras& extras, const char* path, const char* name)
{
	// A new document without a file that bears the sound's name, unchanged until the user
	// changes it: Save Preset asks where, so the factory file is never written.
	ReplaceDocument(values, {"", name, path, extras}, true, "Library Sound");
	PlaySound();
}

bool TunkWindow::AskBeforeBrowsing()
{
	if (dataChanged != 1)
		return true;
	BAlert* alert = new BAlert("title", "Save changes before loading another preset?", "Cancel",
	    "Don't save", "Save", B_WIDTH_AS_USUAL, B_OFFSET_SPACING, B_WARNING_ALERT);
	alert->SetShortcut(0, B_ESCAPE);
	switch (alert->Go()) {
		case 0: return false;
		case 2:
			// Without a file of its own the document is saved through the panel first; the
			// next press browses on.
			return SavePreset();
		default: return true;
	}
}

void TunkWindow::Browse(int step)
{
	const std::string current = fDocument.HasFile() ? fDocument.Path() : fDocument.LibraryPath();
	if (current.empty() || !AskBeforeBrowsing())
		return;
	const fs::path next = NeighbourPreset(current, step);
	if (next.empty())
		return;
	tunk::SoundParams values;
	PresetExtras extras;
	std::vector<std::string> notes;
	if (status_t status = ReadPreset(next.c_str(), &values, &extras, &notes); status != B_OK) {
		ErrorMsg(FileAlertText("Error: Could not open file!", next.string(), status).c_str());
		return;
	}
	if (!fDocument.HasFile()) {
		// Browsing the factory folder: each sound comes as a library sound does.
		ShowLibrarySound(values, extras, next.c_str(), next.stem().c_str());
		return;
	}
	// Browsing to a file opens it in this window, unchanged, as one step: an undo goes back to
	// the file before, its name and its values.
	ReplaceDocument(
	    values, {next.string(), next.filename().string(), "", extras}, true, "Browse");
	PlaySound();
}

bool TunkWindow::HandleLibraryCommand(BMessage* message)
{
	switch (message->what) {
		case kMsgLibrarySound: {
			const char* path = nullptr;
			const char* name = nullptr;
			if (message->FindString("path", &path) == B_OK &&
			    message->FindString("name", &name) == B_OK)
				LoadLibrarySound(path, name);
			return true;
		}
		case kMsgRandomize: {
			int32 category = 0;
			if (message->FindInt32("category", &category) == B_OK)
				fRandomCategory = category;
			PlayNewSound(Randomize(SoundCategory(fRandomCategory), NextSeed()),
			    "Randomize");
			return true;
		}
		case kMsgMutate:
			PlayNewSound(Mutate(Values(), NextSeed()), "Mutate");
			return true;
		case kMsgNormalize: NormalizeSound(); return true;
		case kMsgBrowseNext: Browse(1); return true;
		case kMsgBrowsePrevious: Browse(-1); return true;
		default: return false;
	}
}
