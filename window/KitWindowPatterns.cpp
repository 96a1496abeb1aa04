// The kit window's step grid, the live beat it plays, and its loop and MIDI exports.
#include <QMenu>
#include <QTimer>
#include <cerrno>
#include <cstdio>

#include "audio/SoundFileWriter.h"
#include "engine/voices/Player.h"
#include "kit/LoopRender.h"
#include "kit/MidiFile.h"
#include "kits/app/Message.h"
#include "kits/app/Messenger.h"
#include "kits/interface/Alert.h"
#include "kits/interface/FilePanel.h"
#include "kits/storage/EntryRef.h"
#include "kits/support/Errors.h"
#include "window/ExportFormats.h"
#include "window/FileAlert.h"
#include "window/KitSound.h"
#include "window/KitWindow.h"
#include "window/PatternGrid.h"
#include "window/PatternPlayer.h"
#include "window/TunkMenus.h"
#include "window/TunkWindow.h"

QWidget* KitWindow::BuildPatterns()
{
	fGrid = new PatternGrid;
	fGrid->setFixedHeight(int(kPatternGridHeight) - 8);
	fBeat = new PatternPlayer(fSound);
	fGrid->onCommit = [this](const Kit& kit, const char* name, uint32_t mergeKey) {
		CommitKit(kit, name, mergeKey);
	};
	fGrid->onPlay = [this] { TogglePattern(); };
	// The playhead follows the sound's clock.
	auto* playhead = new QTimer(fGrid);
	playhead->setInterval(30);
	QObject::connect(playhead, &QTimer::timeout, fGrid, [this] {
		const PatternPlayer::Place now = fBeat->Now();
		fGrid->SetPlayhead(now.pattern, now.step);
	});
	playhead->start();
	return fGrid;
}

void KitWindow::ShowPatterns()
{
	if (fGrid == nullptr)
		return;
	fGrid->SetKit(CurrentKit());
	fBeat->Update(CurrentKit(), fGrid->Order());
}

void KitWindow::TogglePattern()
{
	if (fBeat->IsPlaying()) {
		fBeat->Stop();
	} else if (!fGrid->Order().empty()) {
		fSound->SetKit(CurrentKit());
		fBeat->Play(CurrentKit(), fGrid->Order());
	}
	fGrid->SetPlaying(fBeat->IsPlaying());
}

void KitWindow::AddPatternMenus()
{
	// After Export Sample Pack…, before Close.
	QMenu* file = fMenus->FileMenu();
	QAction* close = Action(kMsgCloseWindow);
	const qsizetype at = file->actions().indexOf(close);
	QAction* before = at > 0 ? file->actions()[at - 1] : close;
	for (QAction* action : {fMenus->AddCommand(file, "Export Loop…", kMsgKitExportLoop),
	         fMenus->AddCommand(file, "Export MIDI…", kMsgKitExportMidi)}) {
		file->removeAction(action);
		file->insertAction(before, action);
	}
	BMessenger self(this);
	fLoopPanel = new BFilePanel(B_SAVE_PANEL, &self, nullptr, B_FILE_NODE, false,
	    new BMessage(kMsgKitExportLoopReply), nullptr, false, true);
	fLoopPanel->Window()->SetTitle("Export Loop");
	fLoopPanel->SetButtonLabel(B_DEFAULT_BUTTON, "Export");
	OfferExportFormats(fLoopPanel);
	fMidiPanel = new BFilePanel(B_SAVE_PANEL, &self, nullptr, B_FILE_NODE, false,
	    new BMessage(kMsgKitExportMidiReply), nullptr, false, true);
	fMidiPanel->Window()->SetTitle("Export MIDI");
	fMidiPanel->SetButtonLabel(B_DEFAULT_BUTTON, "Export");
	fMidiPanel->SetNameFilters({"MIDI files (*.mid)", "All files (*)"});
}

void KitWindow::PatternMessage(BMessage* message)
{
	const Pattern shown = fGrid->Current();
	const std::string name = fGrid->Order().size() == 1 ? shown.name : CurrentKit().name;
	switch (message->what) {
		case kMsgKitExportLoop:
			fLoopPanel->SetSaveText((name + ".wav").c_str());
			fLoopPanel->Show();
			break;
		case kMsgKitExportMidi:
			fMidiPanel->SetSaveText((name + ".mid").c_str());
			fMidiPanel->Show();
			break;
		case kMsgKitExportLoopReply:
		case kMsgKitExportMidiReply: {
			entry_ref directory;
			const char* leaf = nullptr;
			if (message->FindRef("directory", &directory) != B_OK ||
			    message->FindString("name", &leaf) != B_OK)
				return;
			const std::string path = directory.Path() + "/" + leaf;
			if (message->what == kMsgKitExportMidiReply)
				ExportMidi(path);
			else
				ExportLoop(path, ExportFormatFor(leaf, fLoopPanel->SelectedNameFilter()));
			break;
		}
	}
}

bool KitWindow::ExportLoop(const std::string& path, const std::string& format)
{
	const std::vector<int> order = fGrid->Order();
	if (order.empty()) {
		ErrorMsg("Error: The kit has no pattern to export!");
		return false;
	}
	const Kit& kit = CurrentKit();
	const PatternLoop loop = MakePatternLoop(kit, order, 1, kit.tempo, 0, tunk::kSampleRate);
	const LoopSound sound = RenderLoop(kit, {}, loop);
	std::vector<int16> frames;
	frames.reserve(2 * sound.mix.left.size());
	for (size_t i = 0; i < sound.mix.left.size(); i++) {
		frames.push_back(tunk::voices::ToShort(sound.mix.left[i]));
		frames.push_back(tunk::voices::ToShort(sound.mix.right[i]));
	}
	const status_t status =
	    WriteSoundFile(frames.data(), int64(sound.mix.left.size()), path, format, nullptr, 2);
	if (status != B_OK) {
		ErrorMsg(FileAlertText("Error: Could not export the loop!", path, status));
		return false;
	}
	return true;
}

bool KitWindow::ExportMidi(const std::string& path)
{
	const std::vector<int> order = fGrid->Order();
	if (order.empty()) {
		ErrorMsg("Error: The kit has no pattern to export!");
		return false;
	}
	const Kit& kit = CurrentKit();
	const std::vector<uint8_t> bytes = PatternMidiFile(
	    kit, MakePatternLoop(kit, order, 1, kit.tempo, 0, tunk::kSampleRate), kit.tempo);
	std::FILE* file = std::fopen(path.c_str(), "wb");
	const bool written =
	    file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
	const int error = errno;
	if (file == nullptr || std::fclose(file) != 0 || !written) {
		ErrorMsg(FileAlertText(
		    "Error: Could not export the MIDI file!", path, status_from_errno(error)));
		return false;
	}
	return true;
}
