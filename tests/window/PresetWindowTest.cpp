// Presets through the window: saving from the save panel, windows built for files, their
// failure alerts, the WAV export's own panel, and closing with and without changes.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <string>
#include <vector>

#include "engine/TunkSound.h"
#include "engine/core/Render.h"
#include "kits/interface/MenuField.h"
#include "kits/interface/MenuItem.h"
#include "kits/storage/File.h"
#include "kits/storage/MimeType.h"
#include "kits/storage/NodeInfo.h"
#include "preset/PresetExtension.h"
#include "preset/PresetRecord.h"
#include "window/TunkWindow.h"
#include "window/WindowHarness.h"

using namespace window_test;

namespace {

std::vector<uint8> ReadBytes(const std::string& path)
{
	std::ifstream in(path, std::ios::binary);
	return std::vector<uint8>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::vector<uint8>& bytes)
{
	std::ofstream out(path, std::ios::binary | std::ios::trunc);
	out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8> Record(const PresetParams& params)
{
	PresetBytes bytes = EncodePresetRecord(params);
	return std::vector<uint8>(bytes.begin(), bytes.end());
}

PresetParams Sample()
{
	PresetParams params = DefaultPresetParams();
	params.startFreq = 220.0f;
	params.reserved = 0xCAFEF00D;
	params.duration = 350.0f;
	params.amplitude = 0.5f;
	params.ampEnvelope = 4.0f;
	params.distortion = 3.0f;
	params.filterCutoff = 1500.0f;
	params.filterQ = 2.5f;
	params.oscType = 4;
	params.ampEnvEnabled = 0;
	params.filterEnabled = 1;
	return params;
}

bool SameParams(const PresetParams& a, const PresetParams& b)
{
	return std::memcmp(&a, &b, sizeof(PresetParams)) == 0;
}

class PresetWindow : public WindowFixture {};

} // namespace

TEST_F(PresetWindow, SavesThroughThePanelAndOpensInAWindowOfItsOwn)
{
	TunkWindow* window = New();
	Slide(window, "FreqSlider", 330);
	Click(window, "CheckEnFilter");
	Slide(window, "ResonanceSlider", 29);
	Find<BMenuField>(window, "FieldOsc")->Menu()->ItemAt(2)->Action()->trigger();
	ProcessEvents();
	ASSERT_TRUE(window->DataChanged());

	panels.SaveAs(dir.Path(), "kick1");
	Click(window, "SavePresetButton");
	ASSERT_EQ(panels.shown, std::vector<file_panel_mode>{B_SAVE_PANEL});
	// The name typed without an extension gets the preset's.
	EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - kick1.tunk");
	EXPECT_FALSE(window->DataChanged());
	EXPECT_FALSE(std::filesystem::exists(dir / "kick1"));
	EXPECT_EQ(ReadBytes(dir / "kick1.tunk"), Record(window->Params()));
	EXPECT_TRUE(alerts.Texts().empty());

	// Typed and registered for this application.
	BFile file((dir / "kick1.tunk").c_str(), B_READ_ONLY);
	BNodeInfo info(&file);
	char text[B_MIME_TYPE_LENGTH] = "";
	if (info.GetType(text) == B_OK) {
		EXPECT_STREQ(text, "document/tunk-preset");
		ASSERT_EQ(info.GetPreferredApp(text), B_OK);
		EXPECT_STREQ(text, "application/x-vnd.Quillfeather-Tunk!");
	}
	BMimeType type("document/tunk-preset");
	EXPECT_TRUE(type.IsInstalled());
	ASSERT_EQ(type.GetShortDescription(text), B_OK);
	EXPECT_STREQ(text, "Tunk preset file");
	ASSERT_EQ(type.GetLongDescription(text), B_OK);
	EXPECT_STREQ(text, "Tunk sample generation preset file");

	TunkWindow* opened = Open(dir.Path(), "kick1.tunk");
	EXPECT_TRUE(SameParams(opened->Params(), window->Params()));
	EXPECT_EQ(std::string(opened->Title()), "Tunk v1.1 - kick1.tunk");
	EXPECT_FALSE(opened->DataChanged());
	EXPECT_EQ(opened->Frame().LeftTop(), BPoint(100, 100));
	EXPECT_EQ(opened->Sound()->GetStartFreq(), 330.0f);
	EXPECT_EQ(opened->Sound()->GetOscType(), 3);
	EXPECT_STREQ(Find<BMenuField>(opened, "FieldOsc")->MenuLabel(), "Saw");
	EXPECT_EQ(Value(opened, "ResonanceSlider"), 29) << "the loaded resonance, Q x 100";
	EXPECT_EQ(Value(opened, "CheckEnFilter"), 1);

	// Unchanged documents close without a question.
	Close(opened);
	EXPECT_FALSE(BLooper::IsAlive(opened));
	Close(window);
	EXPECT_FALSE(BLooper::IsAlive(window));
	EXPECT_TRUE(alerts.Texts().empty());
}

TEST_F(PresetWindow, LoadedPresetSetsEveryControlAndKeepsTheReservedWord)
{
	PresetParams params = Sample();
	WriteBytes(dir / "snare", Record(params));
	TunkWindow* window = Open(dir.Path(), "snare");
	ASSERT_TRUE(alerts.Texts().empty());
	EXPECT_TRUE(SameParams(window->Params(), params));
	EXPECT_EQ(Value(window, "CheckEnFilter"), 1);
	EXPECT_TRUE(Enabled(window, "CutoffSlider"));
	EXPECT_TRUE(Enabled(window, "ResonanceSlider"));
	EXPECT_EQ(Value(window, "CutoffSlider"), 1500);
	EXPECT_EQ(Value(window, "ResonanceSlider"), 250);
	EXPECT_EQ(Value(window, "CheckEnAmpEnv"), 0);
	EXPECT_FALSE(Enabled(window, "TextAmpCurve"));
	EXPECT_EQ(Text(window, "TextAmpCurve"), "4");
	EXPECT_EQ(Value(window, "AmpSlider"), 50);
	EXPECT_EQ(Text(window, "AmpText"), "0.5");
	EXPECT_EQ(Text(window, "TextFreqStart"), "220");
	EXPECT_EQ(Value(window, "DistSlider"), 3);
	EXPECT_STREQ(Find<BMenuField>(window, "FieldOsc")->MenuLabel(), "Triangle");
	EXPECT_EQ(window->Sound()->GetSampleLength(), 15435);
	EXPECT_EQ(window->Sound()->GetBeatLength(), 22050u);
	EXPECT_FALSE(window->Sound()->IsSequencerEnabled());

	// Saved again unchanged, over a longer file: exactly the record is left.
	std::vector<uint8> longer(80, 0xEE);
	WriteBytes(dir / "long.tunk", longer);
	panels.SaveAs(dir.Path(), "long.tunk");
	Click(window, "SavePresetButton");
	EXPECT_EQ(ReadBytes(dir / "long.tunk"), Record(params))
	    << "the reserved word is saved as it was loaded, and no tail is left";
}

TEST_F(PresetWindow, FilesThatFailShowTheirAlertsInOrder)
{
	struct Case {
		const char* what;
		std::string directory;
		std::string name;
		std::vector<std::string> alerts;
	};
	WriteBytes(dir / "empty", {});
	std::vector<uint8> badTerminator = Record(Sample());
	badTerminator[4] = '!';
	WriteBytes(dir / "bad-magic", badTerminator);
	const std::string notValid = "Error: Not a valid Tunk file! Loading default parameters...";
	// The second line names the file and what went wrong.
	const std::string in = dir.Path() + "/";
	const Case cases[] = {
	    {"missing", dir.Path(), "no-such-file",
	        {"Error: Could not open file!\n" + in + "no-such-file: No such file or directory"}},
	    // Opens, but reading at its start fails.
	    {"unreadable", "/proc/self", "mem",
	        {"Error: Could not read from file!\n/proc/self/mem: Input/output error",
	            notValid + "\n/proc/self/mem: Not a Tunk preset"}},
	    {"empty", dir.Path(), "empty", {notValid + "\n" + in + "empty: Not a Tunk preset"}},
	    {"magic without terminator", dir.Path(), "bad-magic",
	        {notValid + "\n" + in + "bad-magic: Not a Tunk preset"}},
	};
	for (const Case& c : cases) {
		SCOPED_TRACE(c.what);
		AlertAnswers answers;
		TunkWindow* window = Open(c.directory, c.name);
		EXPECT_EQ(answers.Texts(), c.alerts);
		for (const AlertAnswers::Seen& seen : answers.All()) {
			EXPECT_EQ(seen.title, "");
			EXPECT_EQ(seen.buttons, std::vector<std::string>{"OK"});
		}
		EXPECT_TRUE(SameParams(window->Params(), DefaultPresetParams()));
		EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - Untitled");
		EXPECT_FALSE(window->DataChanged());
		EXPECT_EQ(window->Sound()->GetSampleLength(), 8820);
	}
}

TEST_F(PresetWindow, ShortFilesAndAnyFillerLoad)
{
	std::vector<uint8> bytes = Record(Sample());
	bytes[5] = 0x11;
	bytes[7] = 0x77;
	bytes.resize(20); // through the duration
	WriteBytes(dir / "short", bytes);
	TunkWindow* window = Open(dir.Path(), "short");
	EXPECT_TRUE(alerts.Texts().empty());
	EXPECT_EQ(window->Params().startFreq, 220.0f);
	EXPECT_EQ(window->Params().duration, 350.0f);
	EXPECT_EQ(window->Params().amplitude, 0.0f);
	EXPECT_EQ(window->Params().oscType, 0);
	EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - short");
}

TEST_F(PresetWindow, AFailedSaveIsReportedAndLeavesTheDocumentChanged)
{
	TunkWindow* window = New();
	Slide(window, "FreqSlider", 300);
	// Full disk: the device accepts the file but not its bytes.
	panels.SaveAs("/dev", "full");
	panels.saveType = 1;  // all files: the name stays as typed
	Click(window, "SavePresetButton");
	EXPECT_EQ(alerts.Texts(), std::vector<std::string>{
	                              "Error: Could not write to file!\n/dev/full: No space left on device"});
	EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - Untitled*");
	EXPECT_TRUE(window->DataChanged());

	// A name that cannot be opened as a file.
	std::filesystem::create_directory(dir / "folder");
	panels.SaveAs(dir.Path(), "folder");
	Click(window, "SavePresetButton");
	ASSERT_EQ(alerts.Texts().size(), 2u);
	EXPECT_EQ(alerts.Texts()[1], "Error: Could not write to file!\n" + dir.Path() + "/folder: Is a directory");
	EXPECT_TRUE(window->DataChanged());

	// A reply without a name does nothing; one for a directory that is missing says so.
	BMessage noName(B_SAVE_REQUESTED);
	entry_ref directory("/", dir.Path().substr(1).c_str());
	noName.AddRef("directory", &directory);
	window->PostMessage(&noName);
	BMessage missingDirectory(B_SAVE_REQUESTED);
	entry_ref missing(dir.Path().c_str(), "gone");
	missingDirectory.AddRef("directory", &missing);
	missingDirectory.AddString("name", "x");
	window->PostMessage(&missingDirectory);
	ProcessEvents();
	ASSERT_EQ(alerts.Texts().size(), 3u);
	EXPECT_EQ(alerts.Texts()[2],
	    "Error: Could not write to file!\n" + dir.Path() + "/gone/x: No such file or directory");
	EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - Untitled*");
}

TEST_F(PresetWindow, WaveExportHasItsOwnPanelAndNeverWritesAPreset)
{
	TunkWindow* window = New();
	Slide(window, "FreqSlider", 500);
	panels.SaveAs(dir.Path(), "hit.wav");
	Click(window, "SaveWaveButton");
	ASSERT_EQ(panels.shown, std::vector<file_panel_mode>{B_SAVE_PANEL});
	EXPECT_TRUE(alerts.Texts().empty());

	SF_INFO info = {};
	SNDFILE* file = sf_open((dir / "hit.wav").c_str(), SFM_READ, &info);
	ASSERT_NE(file, nullptr);
	EXPECT_EQ(info.samplerate, 44100);
	EXPECT_EQ(info.channels, 1);
	EXPECT_EQ(info.frames, 8820);
	std::vector<short> samples(size_t(info.frames));
	sf_readf_short(file, samples.data(), info.frames);
	sf_close(file);
	int64 count = 0;
	const int16* buffer = window->Sound()->GetBuffer(&count);
	EXPECT_TRUE(std::equal(samples.begin(), samples.end(), buffer));

	// The preset side knows nothing of it.
	EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - Untitled*");
	EXPECT_NE(ReadBytes(dir / "hit.wav").size(), kPresetRecordSize);
}

TEST_F(PresetWindow, OpenButtonSendsTheChosenFilesToTheApplication)
{
	TunkWindow* window = New();
	size_t before = App()->refs.size();
	panels.openRefs = {entry_ref(dir.Path().c_str(), "a"), entry_ref(dir.Path().c_str(), "b")};
	Click(window, "OpenPresetButton");
	ASSERT_EQ(panels.shown, std::vector<file_panel_mode>{B_OPEN_PANEL});
	ASSERT_EQ(App()->refs.size(), before + 1);
	entry_ref first;
	ASSERT_EQ(App()->refs.back().FindRef("refs", 0, &first), B_OK);
	EXPECT_EQ(first.name, "a");
	EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - Untitled");
}

TEST_F(PresetWindow, TheSaveQuestionAndItsAnswers)
{
	TunkWindow* window = New();
	Slide(window, "FreqSlider", 300);

	alerts.Press(0);
	Close(window);
	ASSERT_TRUE(BLooper::IsAlive(window)) << "Cancel";
	ASSERT_EQ(alerts.All().size(), 1u);
	const AlertAnswers::Seen& question = alerts.All()[0];
	EXPECT_EQ(question.title, "title");
	EXPECT_EQ(question.text, "Save changes before closing?");
	EXPECT_EQ(question.buttons, (std::vector<std::string>{"Cancel", "Don't save", "Save"}));
	EXPECT_EQ(question.escapeButton0, char(B_ESCAPE));
	EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - Untitled*");

	alerts.PressEscape();
	Close(window);
	ASSERT_TRUE(BLooper::IsAlive(window)) << "Escape";
	EXPECT_TRUE(window->DataChanged());

	// Save: the panel comes up and the window stays; once saved it closes without asking.
	alerts.Press(2);
	panels.SaveAs(dir.Path(), "closing.tunk");
	Close(window);
	ASSERT_TRUE(BLooper::IsAlive(window)) << "Save";
	EXPECT_EQ(panels.shown, std::vector<file_panel_mode>{B_SAVE_PANEL});
	EXPECT_FALSE(window->DataChanged());
	EXPECT_EQ(ReadBytes(dir / "closing.tunk").size(), kPresetRecordSize);
	Close(window);
	EXPECT_FALSE(BLooper::IsAlive(window));
	EXPECT_EQ(alerts.All().size(), 3u);

	TunkWindow* other = New();
	Slide(other, "FreqSlider", 300);
	alerts.Press(1);
	Close(other);
	EXPECT_FALSE(BLooper::IsAlive(other)) << "Don't save";
}

TEST_F(PresetWindow, TheLastEditorWindowEndsTheApplication)
{
	TunkWindow* first = New();
	TunkWindow* second = New();
	int requests = App()->quitRequests;
	Close(first);
	EXPECT_EQ(App()->quitRequests, requests) << "another editor window is open";
	Close(second);
	EXPECT_EQ(App()->quitRequests, requests + 1);
}

TEST_F(PresetWindow, AnExtensionsValuesAndUnknownOnesSurviveAnOpenAndASave)
{
	tunk::SoundParams values = ToSoundParams(Sample());
	values[tunk::Param::endFreq] = 45.0f;
	values[tunk::Param::noiseLevel] = 0.5f;
	const PresetUnknownValues unknown{{"fromANewerTunk", "3"}};
	std::vector<uint8> file = Record(Sample());
	const std::vector<uint8> extension = EncodePresetExtension(values, unknown);
	ASSERT_FALSE(extension.empty());
	file.insert(file.end(), extension.begin(), extension.end());
	WriteBytes(dir / "layered.tunk", file);

	TunkWindow* window = Open(dir.Path(), "layered.tunk");
	// The unknown value is mentioned once, naming the file.
	ASSERT_EQ(alerts.Texts().size(), 1u);
	EXPECT_NE(alerts.Texts()[0].find("fromANewerTunk"), std::string::npos) << alerts.Texts()[0];
	EXPECT_EQ(window->Values()[tunk::Param::endFreq], 45.0f);
	EXPECT_EQ(window->Values()[tunk::Param::noiseLevel], 0.5f);
	EXPECT_TRUE(SameParams(window->Params(), Sample()));
	std::vector<int16> expected(size_t(tunk::SampleCount(values)));
	ASSERT_EQ(tunk::Render(values, expected.data(), int64(expected.size())), tunk::RenderStatus::Ok);
	EXPECT_EQ(Samples(window), expected) << "the window plays the extension's layers";

	panels.SaveAs(dir.Path(), "again.tunk");
	Click(window, "SavePresetButton");
	EXPECT_EQ(ReadBytes(dir / "again.tunk"), file)
	    << "the record, the added values and the unknown one are written back as read";
}
