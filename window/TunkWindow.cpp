// The editor window: construction, the refresh from the parameter block, the changed mark,
// closing, and reading and writing presets.
#include "window/TunkWindow.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/TunkSound.h"
#include "kits/app/AppDefs.h"
#include "kits/app/Application.h"
#include "kits/app/Message.h"
#include "kits/interface/Alert.h"
#include "kits/interface/CheckBox.h"
#include "kits/interface/FilePanel.h"
#include "kits/interface/MenuItem.h"
#include "kits/interface/PopUpMenu.h"
#include "kits/interface/Slider.h"
#include "kits/interface/TextControl.h"
#include "kits/storage/Directory.h"
#include "kits/storage/File.h"
#include "views/DistortionView.h"
#include "views/EnvelopeView.h"
#include "window/SliderValue.h"

namespace {

std::string TitleFor(const char* documentName)
{
	return std::string(kTunkTitlePrefix) + documentName;
}

} // namespace

TunkWindow::TunkWindow(BRect frame)
    : BWindow(frame, TitleFor(kUntitledName).c_str(), B_TITLED_WINDOW,
          B_NOT_RESIZABLE | B_ASYNCHRONOUS_CONTROLS, B_CURRENT_WORKSPACE)
{
	InitWindow();
	MakeNewDocument();
	FinishConstruction();
}

TunkWindow::TunkWindow(BRect frame, entry_ref* ref)
    : BWindow(frame, TitleFor(kUntitledName).c_str(), B_TITLED_WINDOW,
          B_NOT_RESIZABLE | B_ASYNCHRONOUS_CONTROLS, B_CURRENT_WORKSPACE)
{
	InitWindow();
	MakeNewDocument();
	ReadPresetFromFile(ref);
	FinishConstruction();
}

TunkWindow::~TunkWindow()
{
	ReleasePanels();
	// The engine's destructor stops its player and waits for the callback to return, so no
	// buffer is pulled from a deleted engine.
	delete fSound;
	fSound = nullptr;
}

void TunkWindow::MakeNewDocument()
{
	fParams = DefaultPresetParams();
	RefreshParams();
}

void TunkWindow::FinishConstruction()
{
	dataChanged = 0;
	Regenerate();
}

void TunkWindow::MirrorToText(BTextControl* control, float value)
{
	char text[64];
	std::snprintf(text, sizeof(text), "%g\n", double(value));
	control->SetText(text);
}

float TunkWindow::ParseText(BTextControl* control)
{
	return float(std::atof(control->Text()));
}

void TunkWindow::RefreshParams()
{
	// Amplitude, start frequency, duration: each slider takes the value read back from its
	// text, so that both show the same number.
	for (int32 i = 0; i < kPairedParamCount; i++) {
		const PairedParam& pair = PairedParams()[i];
		float value = fParams.*pair.field;
		(fSound->*pair.setter)(value);
		MirrorToText(this->*pair.text, value);
		(this->*pair.slider)
		    ->SetValue(SliderValue(std::atof((this->*pair.text)->Text()) * double(pair.factor)));
	}

	fSound->SetOscType(fParams.oscType);
	if (fParams.oscType >= 1 && fParams.oscType <= 4)
		fOscMenu->ItemAt(fParams.oscType - 1)->SetMarked(true);

	fSound->SetAmpEnvelope(fParams.ampEnvelope);
	MirrorToText(TextAmpCurve, fParams.ampEnvelope);
	fSound->SetFreqEnvelope(fParams.freqEnvelope);
	MirrorToText(TextFreqCurve, fParams.freqEnvelope);

	fSound->SetDistortion(fParams.distortion);
	DistSlider->SetValue(SliderValue(fParams.distortion));
	fSound->SetFilterCutoff(fParams.filterCutoff);
	CutoffSlider->SetValue(SliderValue(fParams.filterCutoff));
	fSound->SetFilterQ(fParams.filterQ);
	// The slider stands for Q x 100; rounded, so that a Q the slider set (a float of n / 100)
	// comes back as n.
	ResonanceSlider->SetValue(SliderValue(std::round(double(fParams.filterQ) * 100.0)));

	fSound->GenerateWaveTable();
	fSound->GenerateWaveShapeTable();

	// Every section both ways: a record with a section off switches it off.
	for (const Section& section : Sections())
		ShowSection(section, fParams.*section.enabled == 1);

	fSound->SetBeatLength(120.0f);
	fSound->SetSequencerEnabled(false);
}

void TunkWindow::SetDataChanged(bool changed)
{
	if (changed && dataChanged == 0) {
		SetTitle((std::string(Title()) + "*").c_str());
		dataChanged = 1;
	} else if (!changed && dataChanged == 1) {
		dataChanged = 0;
	}
}

void TunkWindow::Regenerate()
{
	fSound->GenerateSound();
	fSound->DrawSoundToView(SoundView);
}

bool TunkWindow::QuitRequested()
{
	if (dataChanged == 1) {
		BAlert* alert = new BAlert("title", "Save changes before closing?", "Cancel", "Don't save",
		    "Save", B_WIDTH_AS_USUAL, B_OFFSET_SPACING, B_WARNING_ALERT);
		alert->SetShortcut(0, B_ESCAPE);
		switch (alert->Go()) {
			case 0: return false;
			case 2:
				// Closing now would delete the panel before it answers; the save clears the
				// changed mark, so the next close asks nothing.
				fSavePanel->Show();
				return false;
			default: break;
		}
	}

	int32 editors = 0;
	for (int32 i = 0; be_app != nullptr && i < be_app->CountWindows(); i++) {
		if (dynamic_cast<TunkWindow*>(be_app->WindowAt(i)) != nullptr)
			editors++;
	}
	// The last editor window ends the application, whatever file panels still exist.
	if (editors <= 1 && be_app != nullptr)
		be_app->PostMessage(B_QUIT_REQUESTED);

	ReleasePanels();
	// Silence now rather than when the window is finally deleted.
	fSound->StopSound();
	return true;
}

void TunkWindow::ReleasePanels()
{
	delete fOpenPanel;
	fOpenPanel = nullptr;
	delete fSavePanel;
	fSavePanel = nullptr;
	delete fWavePanel;
	fWavePanel = nullptr;
}

void TunkWindow::ErrorMsg(const char* text)
{
	BAlert* alert = new BAlert("", text, "OK", nullptr, nullptr, B_WIDTH_AS_USUAL, B_INFO_ALERT);
	alert->Go();
}

void TunkWindow::WritePresetToFile(BMessage* reply)
{
	entry_ref directoryRef;
	const char* name = nullptr;
	if (reply->FindRef("directory", &directoryRef) != B_OK ||
	    reply->FindString("name", &name) != B_OK)
		return;
	BDirectory directory(&directoryRef);
	if (directory.InitCheck() != B_OK)
		return;
	// Write-only and created when missing; an existing longer file keeps its tail.
	BFile file(&directory, name, B_WRITE_ONLY | B_CREATE_FILE);
	if (file.InitCheck() != B_OK) {
		ErrorMsg("Error: Could not write to file!");
		return;
	}

	RegisterPresetType();
	TagPresetFile(&file);

	const PresetBytes record = EncodePresetRecord(fParams);
	if (file.WriteAt(0, record.data(), record.size()) != ssize_t(record.size())) {
		// Not saved: the title and the changed mark stay as they were.
		ErrorMsg("Error: Could not write to file!");
		return;
	}
	SetTitle(TitleFor(name).c_str());
	SetDataChanged(false);
}

void TunkWindow::ReadPresetFromFile(entry_ref* ref)
{
	BFile file;
	if (file.SetTo(ref, B_READ_ONLY) != B_OK) {
		ErrorMsg("Error: Could not open file!");
		return;
	}

	PresetBytes record = {};
	ssize_t length = file.ReadAt(0, record.data(), record.size());
	if (length < 0) {
		ErrorMsg("Error: Could not read from file!");
		length = 0;
	}

	if (DecodePresetRecord(record.data(), size_t(length), &fParams) != PresetCheck::Valid) {
		ErrorMsg("Error: Not a valid Tunk file! Loading default parameters...");
		fParams = DefaultPresetParams();
		RefreshParams();
		dataChanged = 0;
		return;
	}
	RefreshParams();
	SetTitle(TitleFor(ref->name.c_str()).c_str());
	SetDataChanged(false);
}
