// The library in a real editor window: the Library menu, Randomize, Mutate and Normalize,
// browsing a folder by ear, and the level display, driven through the menus' actions.
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QFontMetrics>
#include <QLineEdit>
#include <QStyle>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "engine/TunkSound.h"
#include "kits/interface/MenuField.h"
#include "kits/interface/MenuItem.h"
#include "kits/interface/TextControl.h"
#include "library/SoundLevels.h"
#include "preset/FactoryLibrary.h"
#include "preset/PresetExtension.h"
#include "preset/Randomize.h"
#include "window/LibraryMenu.h"
#include "window/StatusBar.h"
#include "window/TunkMenus.h"
#include "window/WindowHarness.h"

using namespace window_test;

namespace {

namespace fs = std::filesystem;

class LibraryWindow : public WindowFixture {};

QMenu* LibraryMenu(TunkWindow* window)
{
	for (QAction* action : window->Menus()->Bar()->actions())
		if (action->text() == "&Library")
			return action->menu();
	return nullptr;
}

void Trigger(QAction* action)
{
	ASSERT_NE(action, nullptr);
	action->trigger();
	ProcessEvents();
}

void Trigger(TunkWindow* window, uint32 code)
{
	Trigger(window->Menus()->Action(code));
}

bool Same(const PresetParams& a, const PresetParams& b)
{
	return EncodePresetRecord(a) == EncodePresetRecord(b);
}

PresetParams FileParams(const fs::path& path)
{
	PresetParams params;
	EXPECT_EQ(ReadPresetFile(path.c_str(), &params), B_OK) << path;
	return params;
}

// The level display against the engine's own buffer.
void ExpectLevelOfBuffer(TunkWindow* window)
{
	SoundLevels expected = MeasureLevels(Samples(window));
	const SoundLevel& shown = window->LevelDisplay()->Level();
	EXPECT_EQ(shown.samples, expected.length);
	EXPECT_EQ(shown.peak, expected.peak);
	EXPECT_EQ(shown.clipped, expected.clipped);
	EXPECT_EQ(window->LevelDisplay()->Warns(), expected.clipped > 0);
}

void WritePreset(const fs::path& path, float startFreq)
{
	PresetParams params = DefaultPresetParams();
	params.startFreq = startFreq;
	ASSERT_EQ(WritePresetFile(path.c_str(), params), B_OK);
}

} // namespace

TEST_F(LibraryWindow, EachCategorysFirstSoundLoadsAsOneUnsavedStepAndPlays)
{
	TunkWindow* window = New();
	QMenu* library = LibraryMenu(window);
	ASSERT_NE(library, nullptr);
	std::vector<FactoryCategory> categories = ReadFactoryLibrary(FindFactoryFolder());
	ASSERT_EQ(library->actions().size(), qsizetype(categories.size()));
	size_t steps = 0;
	for (size_t i = 0; i < categories.size(); i++) {
		QMenu* category = library->actions()[qsizetype(i)]->menu();
		ASSERT_NE(category, nullptr);
		EXPECT_EQ(category->title().toStdString(), categories[i].name);
		ASSERT_EQ(category->actions().size(), qsizetype(categories[i].sounds.size()));
		const FactorySound& first = categories[i].sounds.front();
		EXPECT_EQ(category->actions()[0]->toolTip().toStdString(), first.description);

		window->Sound()->StopSound();
		Trigger(category->actions()[0]);
		SCOPED_TRACE(first.name);
		EXPECT_TRUE(Same(window->Params(), FileParams(first.path)));
		// The whole sound, its noise and second tone too.
		tunk::SoundParams values;
		PresetExtras extras;
		std::vector<std::string> messages;
		ASSERT_EQ(ReadPreset(first.path.c_str(), &values, &extras, &messages), B_OK);
		EXPECT_TRUE(tunk::SameBits(window->Values(), values));
		EXPECT_TRUE(window->Sound()->IsPlaying());
		// Not changed until the user changes it.
		EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - " + first.name);
		EXPECT_FALSE(window->DataChanged());
		EXPECT_EQ(window->UndoHistory().CountSteps(), ++steps);
		EXPECT_EQ(window->Menus()->Action(kMsgUndo)->text().toStdString(), "Undo Library Sound");
		ExpectLevelOfBuffer(window);
	}
	// Undo takes the last sound back; Save Preset asks where instead of writing the factory
	// file.
	const std::string factoryFile = window->LibraryPath();
	const std::uintmax_t size = fs::file_size(factoryFile);
	Trigger(window, kMsgUndo);
	EXPECT_EQ(window->UndoHistory().Position(), steps - 1);
	Trigger(window, kMsgSaveToFile);
	EXPECT_EQ(panels.shown, std::vector<file_panel_mode>{B_SAVE_PANEL});
	EXPECT_EQ(fs::file_size(factoryFile), size);
	EXPECT_FALSE(window->HasFile());
}

TEST_F(LibraryWindow, RandomizeMutateAndNormalizeAreStepsThatPlay)
{
	TunkWindow* window = New();
	QMenu* categories = nullptr;
	for (QAction* item : window->Menus()->SoundMenu()->actions())
		if (item->text() == "Randomize Category")
			categories = item->menu();
	ASSERT_NE(categories, nullptr);
	ASSERT_EQ(categories->actions().size(), qsizetype(SoundCategories().size()));
	for (size_t i = 0; i < SoundCategories().size(); i++)
		EXPECT_EQ(categories->actions()[qsizetype(i)]->text().toStdString(),
		    SoundCategories()[i].name);

	// Choosing Kicks makes a kick and remembers the choice for Ctrl+R.
	Trigger(categories->actions()[0]);
	EXPECT_TRUE(categories->actions()[0]->isChecked());
	PresetParams kick = window->Params();
	EXPECT_TRUE(window->Sound()->IsPlaying());
	EXPECT_EQ(kick.freqEnvEnabled, 1);
	EXPECT_LT(kick.startFreq, 260);
	ASSERT_EQ(window->Menus()->Action(kMsgRandomize)->shortcut(), QKeySequence("Ctrl+R"));
	Trigger(window, kMsgRandomize);
	EXPECT_FALSE(Same(window->Params(), kick));
	EXPECT_LT(window->Params().startFreq, 260);
	EXPECT_EQ(window->UndoHistory().CountSteps(), 2u);
	EXPECT_EQ(window->LevelDisplay()->Level().clipped, 0);

	PresetParams before = window->Params();
	ASSERT_EQ(window->Menus()->Action(kMsgMutate)->shortcut(), QKeySequence("Ctrl+M"));
	window->Sound()->StopSound();
	Trigger(window, kMsgMutate);
	EXPECT_TRUE(window->Sound()->IsPlaying());
	EXPECT_FALSE(Same(window->Params(), before));
	EXPECT_NEAR(window->Params().startFreq / before.startFreq, 1.0, 0.12);
	EXPECT_EQ(window->Menus()->Action(kMsgUndo)->text().toStdString(), "Undo Mutate");
	Trigger(window, kMsgUndo);
	EXPECT_TRUE(Same(window->Params(), before));

	// The default filter on a square clips; Normalize brings it under full scale.
	window = New();
	Click(window, "CheckEnFilter");
	Find<BMenuField>(window, "FieldOsc")->Menu()->ItemAt(1)->Invoke();
	ProcessEvents();
	Type(window, "AmpText", "1");
	ExpectLevelOfBuffer(window);
	ASSERT_TRUE(window->LevelDisplay()->Warns());
	Trigger(window, kMsgNormalize);
	ExpectLevelOfBuffer(window);
	EXPECT_FALSE(window->LevelDisplay()->Warns());
	EXPECT_NEAR(window->LevelDisplay()->Level().peakDbfs, -0.3, 0.05);
	EXPECT_EQ(window->Menus()->Action(kMsgUndo)->text().toStdString(), "Undo Normalize");
	// The amplitude it found shows whole in its narrow field.
	BTextControl* amplitude = Find<BTextControl>(window, "AmpText");
	QLineEdit* field = amplitude->TextView();
	ASSERT_GT(std::strlen(amplitude->Text()), 5u) << amplitude->Text();
	const int frame = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
	EXPECT_LE(QFontMetrics(field->font()).horizontalAdvance(field->text()),
	    field->width() - 2 * frame - 4 - 1)
	    << amplitude->Text();

	// A quiet hat whose noise is at the top of its level reaches the target by its gain.
	tunk::SoundParams hat;
	PresetExtras extras;
	std::vector<std::string> messages;
	ASSERT_EQ(ReadPreset((FindFactoryFolder() / "Closed Hi-Hats" / "909 Closed Hat.tunk").c_str(), &hat,
	              &extras, &messages),
	    B_OK);
	hat[tunk::Param::noiseLevel] = tunk::Info(tunk::Param::noiseLevel).max;
	hat[tunk::Param::noiseGain] = 0;  // no gain after the noise's filter
	window->ApplyParams(hat, "Hat");
	ProcessEvents();
	ASSERT_LT(window->LevelDisplay()->Level().peakDbfs, -3);
	Trigger(window, kMsgNormalize);
	EXPECT_NEAR(window->LevelDisplay()->Level().peakDbfs, -0.3, 0.05);
	EXPECT_GT(window->Values()[tunk::Param::noiseGain], 0);
	EXPECT_EQ(window->Values()[tunk::Param::noiseLevel], tunk::Info(tunk::Param::noiseLevel).max);

	// A noise at the top of both rows cannot reach it: the bar says so.
	hat[tunk::Param::noiseFilter] = 2;
	hat[tunk::Param::noiseCutoff] = 20;
	hat[tunk::Param::noiseQ] = 10;
	hat[tunk::Param::noiseGain] = tunk::Info(tunk::Param::noiseGain).max;
	window->ApplyParams(hat, "Hum");
	ProcessEvents();
	Trigger(window, kMsgNormalize);
	const double stayed = window->LevelDisplay()->Level().peakDbfs;
	EXPECT_LT(stayed, -0.35);
	char said[64];
	std::snprintf(said, sizeof said, "Normalize: %.1f dBFS, the noise at its loudest", stayed);
	EXPECT_EQ(window->LevelDisplay()->ChangeText(), said);

	// A snare's noise lives beyond the record: randomize, mutate and normalize keep it.
	window = New();
	for (QAction* item : window->Menus()->SoundMenu()->actions())
		if (item->text() == "Randomize Category")
			categories = item->menu();
	QAction* snares = nullptr;
	for (QAction* item : categories->actions())
		if (item->text() == "Snares")
			snares = item;
	ASSERT_NE(snares, nullptr);
	Trigger(snares);
	const tunk::SoundParams snare = window->Values();
	EXPECT_GT(snare[tunk::Param::noiseLevel], 0);
	Trigger(window, kMsgMutate);
	EXPECT_FALSE(tunk::SameBits(window->Values(), snare));
	EXPECT_EQ(window->Values()[tunk::Param::noiseDecay], snare[tunk::Param::noiseDecay]);
	const tunk::SoundParams mutated = window->Values();
	EXPECT_GT(mutated[tunk::Param::noiseLevel], 0);
	Trigger(window, kMsgNormalize);
	const tunk::SoundParams normal = window->Values();
	EXPECT_NEAR(normal[tunk::Param::noiseLevel] * mutated[tunk::Param::amplitude],
	    mutated[tunk::Param::noiseLevel] * normal[tunk::Param::amplitude], 1e-5);
	EXPECT_NEAR(window->LevelDisplay()->Level().peakDbfs, -0.3, 0.05);
}

TEST_F(LibraryWindow, BrowsingStepsThroughTheFolderAndAsksBeforeLeavingChanges)
{
	const fs::path folder = dir.Path();
	WritePreset(folder / "a.tunk", 300);
	WritePreset(folder / "b.tunk", 400);
	WritePreset(folder / "c", 500);
	std::ofstream(folder / "b2.txt") << "not a preset";

	TunkWindow* window = Open(dir.Path(), "b.tunk");
	ASSERT_EQ(window->Menus()->Action(kMsgBrowseNext)->shortcut(), QKeySequence("Alt+Down"));
	ASSERT_EQ(window->Menus()->Action(kMsgBrowsePrevious)->shortcut(), QKeySequence("Alt+Up"));
	Trigger(window, kMsgBrowseNext);
	EXPECT_EQ(window->Params().startFreq, 500);
	EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - c");
	EXPECT_TRUE(window->Sound()->IsPlaying());
	Trigger(window, kMsgBrowseNext);
	EXPECT_EQ(window->Params().startFreq, 300) << "wraps around";
	Trigger(window, kMsgBrowsePrevious);
	EXPECT_EQ(window->Params().startFreq, 500);
	EXPECT_TRUE(alerts.Texts().empty());

	// Unsaved changes: the question first. Cancel stays, Don't save goes on.
	Type(window, "TextFreqStart", "777");
	alerts.Press(0);
	Trigger(window, kMsgBrowseNext);
	EXPECT_EQ(window->Params().startFreq, 777);
	ASSERT_EQ(alerts.Texts().size(), 1u);
	EXPECT_EQ(alerts.Texts()[0], "Save changes before loading another preset?");
	alerts.Press(1);
	Trigger(window, kMsgBrowseNext);
	EXPECT_EQ(window->Params().startFreq, 300);
	EXPECT_EQ(FileParams(folder / "c").startFreq, 500) << "Don't save writes nothing";
	// Save writes the file, then goes on.
	Type(window, "TextFreqStart", "321");
	alerts.Press(2);
	Trigger(window, kMsgBrowseNext);
	EXPECT_EQ(FileParams(folder / "a.tunk").startFreq, 321);
	EXPECT_EQ(window->Params().startFreq, 400);
	EXPECT_FALSE(window->DataChanged());
}

// Browsing to a file is a step: undo goes back to the file before, with its name, its values
// and its mark, so that saving then writes that file and leaves the browsed one alone.
TEST_F(LibraryWindow, BrowsingToAFileIsAStepThatUndoTakesBackWithTheFile)
{
	const fs::path folder = dir.Path();
	WritePreset(folder / "a", 300);
	WritePreset(folder / "b", 400);
	auto wholeFile = [](const fs::path& path) {
		std::ifstream in(path, std::ios::binary);
		return std::string(std::istreambuf_iterator<char>(in), {});
	};
	const std::string bBefore = wholeFile(folder / "b");
	TunkWindow* window = Open(dir.Path(), "a");
	Type(window, "TextFreqStart", "350");
	alerts.Press(1); // Don't save
	Trigger(window, kMsgBrowseNext);
	ASSERT_EQ(window->Params().startFreq, 400);
	EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - b");
	EXPECT_EQ(window->Menus()->Action(kMsgUndo)->text(), "Undo Browse");

	Trigger(window, kMsgUndo);
	EXPECT_EQ(window->Params().startFreq, 350);
	EXPECT_EQ(window->Sound()->GetStartFreq(), 350);
	EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - a*");
	EXPECT_EQ(window->FileRef().Path(), (folder / "a").string());
	Trigger(window, kMsgSaveToFile);
	EXPECT_EQ(FileParams(folder / "a").startFreq, 350);
	EXPECT_EQ(wholeFile(folder / "b"), bBefore) << "the browsed file is left alone";
	EXPECT_FALSE(window->DataChanged());

	// Redo is b again, unchanged; its own changes undo back to it as browsed.
	Trigger(window, kMsgRedo);
	EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - b");
	EXPECT_EQ(window->Params().startFreq, 400);
	Type(window, "TextFreqStart", "450");
	EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - b*");
	Trigger(window, kMsgUndo);
	EXPECT_EQ(window->Params().startFreq, 400);
	EXPECT_FALSE(window->DataChanged());
	EXPECT_EQ(alerts.Texts().size(), 1u);
}

TEST_F(LibraryWindow, BrowsingFromALibrarySoundStaysInItsCategory)
{
	TunkWindow* window = New();
	// A new window has no folder to browse.
	Trigger(window, kMsgBrowseNext);
	EXPECT_TRUE(Same(window->Params(), DefaultPresetParams()));

	std::vector<FactoryCategory> categories = ReadFactoryLibrary(FindFactoryFolder());
	ASSERT_FALSE(categories.empty());
	const FactoryCategory& kicks = categories.front();
	ASSERT_GE(kicks.sounds.size(), 2u);
	Trigger(LibraryMenu(window)->actions()[0]->menu()->actions()[0]);
	// A library sound is unchanged until the user changes it: browsing asks nothing.
	Trigger(window, kMsgBrowseNext);
	EXPECT_TRUE(Same(window->Params(), FileParams(kicks.sounds[1].path)));
	EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - " + kicks.sounds[1].name);
	EXPECT_EQ(window->LibraryPath(), kicks.sounds[1].path.string());
	Trigger(window, kMsgBrowsePrevious);
	Trigger(window, kMsgBrowsePrevious);
	EXPECT_EQ(window->LibraryPath(), kicks.sounds.back().path.string()) << "wraps around";
	EXPECT_TRUE(alerts.Texts().empty());

	// Undo walks back through the sounds browsed, each under its own name.
	Trigger(window, kMsgUndo);
	EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - " + kicks.sounds[0].name);
	EXPECT_EQ(window->LibraryPath(), kicks.sounds[0].path.string());

	// Random and mutated sounds are new untitled documents, changed until saved.
	Trigger(window, kMsgRandomize);
	EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - Untitled*");
	EXPECT_EQ(window->LibraryPath(), "");
	Trigger(window, kMsgUndo);
	Trigger(window, kMsgMutate);
	EXPECT_EQ(std::string(window->Title()), "Tunk v1.1 - Untitled*");
	BFilePanel::SetAnswerHook([](BFilePanel&, std::vector<entry_ref>*, std::string* name, entry_ref*) {
		EXPECT_EQ(*name, "Untitled.tunk");
		return false;
	});
	Trigger(window, kMsgSavePreset);
	BFilePanel::SetAnswerHook(nullptr);
}

TEST_F(LibraryWindow, PanelsFilterPresetsAndStartWithTheDocumentsName)
{
	EXPECT_EQ(SuggestedFileName("Untitled", ".tunk"), "Untitled.tunk");
	EXPECT_EQ(SuggestedFileName("Deep Kick", ".tunk"), "Deep Kick.tunk");
	EXPECT_EQ(SuggestedFileName("kick.tunk", ".tunk"), "kick.tunk");
	EXPECT_EQ(SuggestedFileName("kick.tunk", ".wav"), "kick.wav");
	EXPECT_EQ(SuggestedFileName("my.kick", ".wav"), "my.kick.wav");
	EXPECT_EQ(SuggestedFileName(".tunk", ".wav"), ".tunk.wav");

	struct Shown {
		file_panel_mode mode;
		std::string name;
		std::vector<std::string> filters;
	};
	std::vector<Shown> shown;
	BFilePanel::SetAnswerHook(
	    [&](BFilePanel& panel, std::vector<entry_ref>*, std::string* name, entry_ref*) {
		    shown.push_back({panel.PanelMode(), *name, panel.NameFilters()});
		    return false; // cancelled: only what the panel started with counts here
	    });
	TunkWindow* window = New();
	Trigger(window, kMsgSavePreset);
	Trigger(window, kMsgSaveWave);
	Trigger(window, kMsgOpenPreset);
	Trigger(LibraryMenu(window)->actions()[0]->menu()->actions()[0]);
	const std::string sound = window->DocumentName();
	Trigger(window, kMsgSavePreset);
	Trigger(window, kMsgSaveWave);
	BFilePanel::SetAnswerHook(nullptr);

	const std::vector<std::string> presets{"Tunk presets (*.tunk)", "All files (*)"};
	ASSERT_EQ(shown.size(), 5u);
	EXPECT_EQ(shown[0].mode, B_SAVE_PANEL);
	EXPECT_EQ(shown[0].name, "Untitled.tunk");
	EXPECT_EQ(shown[0].filters, presets);
	EXPECT_EQ(shown[1].name, "Untitled.wav");
	EXPECT_EQ(shown[2].mode, B_OPEN_PANEL);
	EXPECT_EQ(shown[2].filters, presets);
	EXPECT_EQ(shown[3].name, sound + ".tunk");
	EXPECT_EQ(shown[4].name, sound + ".wav");
}

TEST_F(LibraryWindow, AltDownOnTheOscillatorListOpensItInsteadOfBrowsing)
{
	WritePreset(fs::path(dir.Path()) / "a.tunk", 300);
	WritePreset(fs::path(dir.Path()) / "b.tunk", 400);
	TunkWindow* window = Open(dir.Path(), "a.tunk");
	QApplication::setActiveWindow(window->Widget());
	QWidget* list = Find<BMenuField>(window, "FieldOsc")->Widget();
	while (list->focusProxy() != nullptr)
		list = list->focusProxy();
	// Holding the window's first focus, the list leaves Alt+Down to browsing.
	list->setFocus(Qt::ActiveWindowFocusReason);
	ProcessEvents();
	QTest::keyClick(list, Qt::Key_Down, Qt::AltModifier);
	ProcessEvents();
	EXPECT_EQ(window->Params().startFreq, 400);
	Trigger(window, kMsgBrowsePrevious);
	ASSERT_EQ(window->Params().startFreq, 300);

	// Gone to with Tab, the list opens.
	Find<BTextControl>(window, "TextFreqStart")->TextView()->setFocus(Qt::TabFocusReason);
	ProcessEvents();
	list->setFocus(Qt::TabFocusReason);
	ProcessEvents();
	// The list's menu runs its own loop while open: it is looked at and closed from a timer.
	bool opened = false;
	QTimer::singleShot(50, [&] {
		if (QWidget* popup = QApplication::activePopupWidget()) {
			opened = true;
			QTest::keyClick(popup, Qt::Key_Escape);
		}
	});
	QTest::keyClick(list, Qt::Key_Down, Qt::AltModifier);
	ProcessEventsUntil([&] { return opened; }, 1000);
	EXPECT_TRUE(opened) << "the list did not open";
	ProcessEvents();
	EXPECT_EQ(window->Params().startFreq, 300) << "Alt+Down on the list browsed";

	// Elsewhere Alt+Down browses.
	QWidget* field = Find<BTextControl>(window, "TextFreqStart")->TextView();
	field->setFocus(Qt::TabFocusReason);
	ProcessEvents();
	QTest::keyClick(field, Qt::Key_Down, Qt::AltModifier);
	ProcessEvents();
	EXPECT_EQ(window->Params().startFreq, 400);
}
