// Bad input through the real editor window, offscreen: text that is no number typed into
// every field, presets with values no control can hold, and save and export targets that
// refuse the data. The user sees an alert where there is one to show; the window goes on
// working and its sound is always what a fresh engine makes of its parameters.
#include <QLineEdit>
#include <QSlider>
#include <QTest>

#include <sched.h>
#include <sys/mount.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "badinput/BadInput.h"
#include "badinput/FileBadInput.h"
#include "engine/TunkSound.h"
#include "kits/interface/Slider.h"
#include "window/TunkWindow.h"
#include "window/WindowHarness.h"

using namespace window_test;
using badinput::FreshRender;
using badinput::Samples;

namespace {

constexpr char kRefusal[] = "Could not allocate a sufficient sample buffer in RAM!";
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Replaces the field's text (also with nothing) and commits it with Enter.
void Retype(BWindow* window, const char* control, const std::string& text)
{
	QLineEdit* edit = Find<BTextControl>(window, control)->TextView();
	edit->setFocus();
	edit->selectAll();
	QTest::keyClick(edit, Qt::Key_Backspace);
	QTest::keyClicks(edit, QString::fromStdString(text));
	QTest::keyClick(edit, Qt::Key_Return);
	ProcessEvents();
}

bool Same(float a, float b)
{
	return (std::isnan(a) && std::isnan(b)) || a == b;
}

class WindowBadInput : public WindowFixture {
protected:
	// Every slider stays inside its range whatever its parameter holds.
	void ExpectSlidersInRange(TunkWindow* window)
	{
		for (const char* name : {"FreqSlider", "DurSlider", "AmpSlider", "DistSlider",
				 "CutoffSlider", "ResonanceSlider"}) {
			BSlider* slider = Find<BSlider>(window, name);
			int32 minimum = 0;
			int32 maximum = 0;
			slider->GetLimits(&minimum, &maximum);
			EXPECT_GE(slider->Value(), minimum) << name;
			EXPECT_LE(slider->Value(), maximum) << name;
			EXPECT_EQ(slider->SliderWidget()->value(), slider->Value()) << name;
		}
	}

	// The window's sound is what a fresh engine makes of the window's parameters.
	void ExpectSoundOfParams(TunkWindow* window)
	{
		EXPECT_EQ(Samples(*window->Sound()), FreshRender(window->Params()));
	}
};

}  // namespace

TEST_F(WindowBadInput, TextThatIsNoNumberChangesNothingAndNumbersReachTheEngineAsAtofReadsThem)
{
	TunkWindow* window = New();
	Click(window, "CheckEnAmpEnv");
	Click(window, "CheckEnFreqEnv");
	Click(window, "CheckEnSeq");

	struct Field {
		const char* control;
		float PresetParams::*param;  // nullptr: the tempo, which only the engine keeps
		const char* good;
	};
	const Field fields[] = {
		{"TextFreqStart", &PresetParams::startFreq, "440"},
		{"TextDuration", &PresetParams::duration, "200"},
		{"AmpText", &PresetParams::amplitude, "0.5"},
		{"TextAmpCurve", &PresetParams::ampEnvelope, "2"},
		{"TextFreqCurve", &PresetParams::freqEnvelope, "3"},
		{"TextSeqBPM", nullptr, "120"},
	};
	const char* texts[] = {"abc", "", "1e999", "-1e999", "nan", "-5", "12abc", "0x10"};
	for (const Field& field : fields) {
		for (const char* text : texts) {
			SCOPED_TRACE(std::string(field.control) + " <- '" + text + "'");
			const size_t alertsBefore = alerts.Texts().size();
			const std::string shownBefore = Text(window, field.control);
			const PresetParams paramsBefore = window->Params();
			const uint32 beatBefore = window->Sound()->GetBeatLength();
			Retype(window, field.control, text);
			const float typed = float(std::atof(text));

			// No number at all: the field shows its value again and nothing changes.
			const std::string typedText(text);
			if (typedText.empty() || typedText == "abc" || typedText == "nan") {
				EXPECT_EQ(Text(window, field.control), shownBefore);
				EXPECT_TRUE(window_test::SameRecord(window->Params(), paramsBefore));
				EXPECT_EQ(window->Sound()->GetBeatLength(), beatBefore);
				continue;
			}
			EXPECT_EQ(Text(window, field.control), text);  // what the user typed stays
			if (field.param == nullptr) {
				// The engine gets the tempo atof reads (0 for no number, which never restarts
				// the sound); nothing is reported.
				TunkSound reference;
				reference.SetBeatLength(typed);
				EXPECT_EQ(window->Sound()->GetBeatLength(), reference.GetBeatLength());
				EXPECT_EQ(alerts.Texts().size(), alertsBefore);
				continue;
			}
			EXPECT_TRUE(Same(window->Params().*field.param, typed));
			const double wanted = std::ceil(double(window->Params().duration) * 44.1);
			if (!(wanted >= 0 && wanted <= 600.0 * 44100)) {
				ASSERT_EQ(alerts.Texts().size(), alertsBefore + 1);
				EXPECT_EQ(alerts.All().back().title, "Error In TunkSound Object");
				EXPECT_EQ(alerts.Texts().back(), kRefusal);
				EXPECT_EQ(window->Sound()->GetSampleLength(), 0);
			} else {
				EXPECT_EQ(alerts.Texts().size(), alertsBefore);
				ExpectSoundOfParams(window);
			}
			ExpectSlidersInRange(window);
			EXPECT_TRUE(window->DataChanged());
		}
		Retype(window, field.control, field.good);
	}

	// Playing whatever is left, with the tempo back, works as ever.
	Click(window, "PlayButton");
	EXPECT_TRUE(window->Sound()->IsPlaying());
	EXPECT_EQ(window->Sound()->GetBeatLength(), 22050u);
	ExpectSoundOfParams(window);
	Click(window, "StopButton");
}

// A value finer than its field shows (a file's, Normalize's, Mutate's) stands exactly when the
// text typed over it is no number: no other sound, no step, no changed mark.
TEST_F(WindowBadInput, TextThatIsNoNumberKeepsAValueFinerThanItsFieldShows)
{
	PresetParams params = badinput::AllOn();
	params.startFreq = 123.456789f;
	params.duration = 201.234567f;
	params.amplitude = 0.97345211f;
	params.ampEnvelope = 1.23456789f;
	params.freqEnvelope = -2.3456789f;
	ASSERT_EQ(WritePresetFile((dir / "fine").c_str(), params), B_OK);
	TunkWindow* window = Open(dir.Path(), "fine");
	ASSERT_TRUE(window_test::SameRecord(window->Params(), params));
	const std::vector<int16> sound = Samples(*window->Sound());
	for (const char* control :
	    {"TextFreqStart", "TextDuration", "AmpText", "TextAmpCurve", "TextFreqCurve"}) {
		for (const char* text : {"abc", "", "nan", "-inf"}) {
			SCOPED_TRACE(std::string(control) + " <- '" + text + "'");
			const std::string shownBefore = Text(window, control);
			Retype(window, control, text);
			EXPECT_EQ(Text(window, control), shownBefore);
			EXPECT_TRUE(window_test::SameRecord(window->Params(), params));
			EXPECT_FALSE(window->UndoHistory().CanUndo());
			EXPECT_FALSE(window->DataChanged());
		}
	}
	EXPECT_EQ(Samples(*window->Sound()), sound);
	EXPECT_TRUE(alerts.Texts().empty());
}

TEST_F(WindowBadInput, PresetsWithValuesNoControlCanHoldOpenAndPlay)
{
	struct Case {
		const char* name;
		void (*change)(PresetParams&);
		std::vector<std::string> alerts;
	};
	const Case cases[] = {
		{"nan", [](PresetParams& p) { p.startFreq = p.amplitude = p.filterCutoff = kNaN; }, {}},
		{"inf", [](PresetParams& p) { p.startFreq = p.amplitude = p.filterQ = kInf; }, {}},
		{"huge", [](PresetParams& p) { p.startFreq = p.distortion = p.filterCutoff = 1e30f; }, {}},
		{"negative", [](PresetParams& p) { p.startFreq = p.amplitude = p.filterQ = -3.0f; }, {}},
		{"curves", [](PresetParams& p) {
			 p.ampEnvelope = 88.8f;
			 p.freqEnvelope = -1000.0f;
			 p.ampEnvEnabled = p.freqEnvEnabled = 1;
		 }, {}},
		{"codes", [](PresetParams& p) {
			 p.oscType = 5;
			 p.ampEnvEnabled = 2;
			 p.filterEnabled = 255;
		 }, {}},
		{"nan-duration", [](PresetParams& p) { p.duration = kNaN; }, {kRefusal}},
		{"huge-duration", [](PresetParams& p) { p.duration = 1e30f; }, {kRefusal}},
		{"negative-duration", [](PresetParams& p) { p.duration = -1.0f; }, {kRefusal}},
	};
	for (const Case& c : cases) {
		SCOPED_TRACE(c.name);
		PresetParams params = badinput::AllOn();
		c.change(params);
		const PresetBytes record = EncodePresetRecord(params);
		badinput::WriteBytes(dir / c.name,
			std::string(reinterpret_cast<const char*>(record.data()), record.size()));

		AlertAnswers answers;
		TunkWindow* window = Open(dir.Path(), c.name);
		EXPECT_EQ(answers.Texts(), c.alerts);
		EXPECT_EQ(std::string(window->Title()), std::string("Tunk v1.1 - ") + c.name);
		// What a save would write: the values as read, a switch's byte other than 1 as off,
		// the reserved word as it was.
		EXPECT_TRUE(window_test::SameRecord(
		    window->Params(), ToPresetParams(ToSoundParams(params), ExtrasOf(params))));
		ExpectSlidersInRange(window);
		if (c.alerts.empty())
			ExpectSoundOfParams(window);
		Click(window, "PlayButton");
		EXPECT_TRUE(window->Sound()->IsPlaying());
		Click(window, "StopButton");
		// A good value typed afterwards gives the sound of the window's parameters.
		Retype(window, "TextDuration", "150");
		ExpectSoundOfParams(window);
		window->Quit();
		ProcessEvents();
	}
}

TEST_F(WindowBadInput, FilesOfEveryShapeOpenAsPresetsOrWithTheirAlert)
{
	const std::string notValid = "Error: Not a valid Tunk file! Loading default parameters...";
	const PresetBytes record = EncodePresetRecord(badinput::AllOn());
	const std::string bytes(reinterpret_cast<const char*>(record.data()), record.size());
	std::filesystem::create_directory(dir / "folder");
	struct Case {
		const char* name;
		std::string content;  // ignored for the folder
		std::vector<std::string> alerts;
	};
	const Case cases[] = {
		{"folder", "", {"Error: Could not open file!\n" + dir.Path() + "/folder: Is a directory"}},
		// Nothing may wait for a writer that never comes.
		{"pipe", "", {"Error: Could not open file!\n" + dir.Path() + "/pipe: Not a regular file"}},
		{"4-byte", "T0NK", {}},
		{"51-byte", bytes.substr(0, 51), {}},
		{"52-byte", bytes, {}},
		{"1 MB", std::string(1 << 20, 'x'), {notValid + "\n" + dir.Path() + "/1 MB: Not a Tunk preset"}},
	};
	for (const Case& c : cases) {
		SCOPED_TRACE(c.name);
		const bool special = std::string(c.name) == "folder" || std::string(c.name) == "pipe";
		if (std::string(c.name) == "pipe")
			ASSERT_EQ(mkfifo((dir / c.name).c_str(), 0644), 0);
		else if (!special)
			badinput::WriteBytes(dir / c.name, c.content);
		AlertAnswers answers;
		TunkWindow* window = Open(dir.Path(), c.name);
		EXPECT_EQ(answers.Texts(), c.alerts);
		ExpectSlidersInRange(window);
		ExpectSoundOfParams(window);
		if (!special) {
			EXPECT_EQ(badinput::ReadBytes(dir / c.name), c.content);  // reading never writes
		}
		window->Quit();
		ProcessEvents();
	}
}

TEST_F(WindowBadInput, SaveAndExportTargetsThatRefuseTheDataKeepWhatTheyHeld)
{
	TunkWindow* window = New();
	Slide(window, "FreqSlider", 300);
	const std::string kept = dir / "kept.tunk";
	badinput::WriteBytes(kept, "an older file");
	if (!badinput::SetReadOnly(kept))
		GTEST_SKIP() << "no way to make a file read-only for this user here";

	panels.SaveAs(dir.Path(), "kept.tunk");
	Click(window, "SavePresetButton");
	EXPECT_EQ(alerts.Texts(), std::vector<std::string>{
	                              "Error: Could not write to file!\n" + kept + ": Permission denied"});
	EXPECT_TRUE(window->DataChanged());
	EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - Untitled*");

	Click(window, "SaveWaveButton");
	ASSERT_EQ(alerts.Texts().size(), 2u);
	EXPECT_EQ(alerts.All()[1].title, "Error In TunkSound Object");
	EXPECT_EQ(badinput::ReadBytes(kept), "an older file");
	badinput::SetReadOnly(kept, false);

	std::filesystem::create_directory(dir / "folder.wav");
	panels.SaveAs(dir.Path(), "folder.wav");
	Click(window, "SaveWaveButton");
	ASSERT_EQ(alerts.Texts().size(), 3u);
	EXPECT_EQ(alerts.Texts()[2],
	    "Unable to create audio track\n" + dir.Path() + "/folder.wav: Is a directory");
	EXPECT_TRUE(std::filesystem::is_empty(dir / "folder.wav"));

	if (badinput::MakeFullDevice(dir / "full.wav")) {
		panels.SaveAs(dir.Path(), "full.wav");
		Click(window, "SaveWaveButton");
		ASSERT_EQ(alerts.Texts().size(), 4u);
		EXPECT_EQ(alerts.Texts()[3],
		    "Could not write the sound file!\n" + dir.Path() + "/full.wav: No space left on device");
		EXPECT_TRUE(badinput::IsFullDevice(dir / "full.wav"));
	}

	// Saving somewhere good still works, with everything the user had.
	panels.SaveAs(dir.Path(), "good");
	Click(window, "SavePresetButton");
	EXPECT_FALSE(window->DataChanged());
	PresetParams saved;
	ASSERT_EQ(ReadPresetFile((dir / "good.tunk").c_str(), &saved), B_OK);
	EXPECT_TRUE(window_test::SameRecord(saved, window->Params()));
	EXPECT_EQ(saved.startFreq, 300.0f);
}

TEST_F(WindowBadInput, SavingOntoAFullDiskKeepsTheOldFilesAndTheChangedMark)
{
	if (!badinput::IsRoot())
		GTEST_SKIP() << "only the super-user may mount a small file system";
	// The windows' thread gets a mount namespace of its own, where a small disk is mounted
	// that nothing outside this thread sees.
	if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
		GTEST_SKIP() << "no mount namespace of its own here";
	const std::string disk = dir / "disk";
	std::filesystem::create_directory(disk);
	if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=262144") != 0)
		GTEST_SKIP() << "a tmpfs cannot be mounted here";

	TunkWindow* window = New();
	Slide(window, "FreqSlider", 300);
	panels.SaveAs(disk, "kick.tunk");
	Click(window, "SavePresetButton");
	ASSERT_FALSE(window->DataChanged());
	panels.SaveAs(disk, "kick.wav");
	Click(window, "SaveWaveButton");
	ASSERT_EQ(alerts.Texts(), std::vector<std::string>{});
	const std::string oldPreset = badinput::ReadBytes(disk + "/kick.tunk");
	const std::string oldSound = badinput::ReadBytes(disk + "/kick.wav");
	badinput::FillUp(disk + "/filler");

	Retype(window, "TextDuration", "1500");
	panels.SaveAs(disk, "kick.tunk");
	Click(window, "SavePresetButton");
	EXPECT_EQ(alerts.Texts(), std::vector<std::string>{"Error: Could not write to file!\n" + disk
	                              + "/kick.tunk: No space left on device"});
	EXPECT_TRUE(window->DataChanged());
	EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - kick.tunk*");
	panels.SaveAs(disk, "kick.wav");
	Click(window, "SaveWaveButton");
	ASSERT_EQ(alerts.Texts().size(), 2u);
	EXPECT_EQ(alerts.Texts()[1],
	    "Could not write the sound file!\n" + disk + "/kick.wav: No space left on device");

	EXPECT_EQ(badinput::ReadBytes(disk + "/kick.tunk"), oldPreset);
	EXPECT_EQ(badinput::ReadBytes(disk + "/kick.wav"), oldSound);
	std::vector<std::string> names;
	for (const auto& entry : std::filesystem::directory_iterator(disk))
		names.push_back(entry.path().filename().string());
	std::sort(names.begin(), names.end());
	EXPECT_EQ(names, (std::vector<std::string>{"filler", "kick.tunk", "kick.wav"}));
	umount2(disk.c_str(), MNT_DETACH);
}
