// The export panel's file types: the format comes from the typed extension or the chosen type,
// and each file carries the sound's samples. Runs real windows offscreen.
#include <QFileDialog>

#include <filesystem>

#include "engine/TunkSound.h"
#include "kits/media/SoundFiles.h"
#include "window/ExportFormats.h"
#include "window/WindowHarness.h"

namespace fs = std::filesystem;
using namespace window_test;

namespace {

class ExportFormats : public WindowFixture {
protected:
	// Exports through the panel as a person would: picks the type, types the name.
	// `written` is the file the export is expected to write.
	void Export(TunkWindow* window, int32 type, const std::string& name, const std::string& written)
	{
		BFilePanel::SetAnswerHook([&](BFilePanel& panel, std::vector<entry_ref>*,
									  std::string* typed, entry_ref* directory) {
			panel.SelectNameFilter(type);
			*typed = name;
			*directory = entry_ref(fs::path(dir.Path()).parent_path().c_str(),
				fs::path(dir.Path()).filename().c_str());
			return true;
		});
		Click(window, "SaveWaveButton");
		ASSERT_TRUE(ProcessEventsUntil([&] { return fs::exists(dir / written); })) << written;
		ProcessEvents();
		BFilePanel::SetAnswerHook(nullptr);
	}
};

} // namespace

TEST(ExportFormatChoice, TheTypedExtensionWinsOverTheChosenType)
{
	EXPECT_EQ(ExportFormatFor("kick", 0), "wav");
	EXPECT_EQ(ExportFormatFor("kick", 1), "flac");
	EXPECT_EQ(ExportFormatFor("kick", 2), "aiff");
	EXPECT_EQ(ExportFormatFor("kick", 3), "ogg");
	EXPECT_EQ(ExportFormatFor("kick.FLAC", 0), "flac");
	EXPECT_EQ(ExportFormatFor("kick.aif", 3), "aiff");
	EXPECT_EQ(ExportFormatFor("kick.oga", 0), "ogg");
	EXPECT_EQ(ExportFormatFor("kick.wav", 1), "wav");
	EXPECT_EQ(ExportFormatFor("kick.mp3", 2), "aiff");  // no format of ours: the type decides
	EXPECT_EQ(ExportFormatFor(".flac", 0), "wav");      // a hidden file's name, not an extension
	EXPECT_EQ(ExportFormatFor("kick", 9), "wav");
}

TEST_F(ExportFormats, EveryFormatCarriesTheSoundsSamples)
{
	TunkWindow* window = New();
	Type(window, "TextFreqStart", "150");
	Click(window, "CheckEnDistortion");
	const std::vector<int16> samples = Samples(window);

	const std::vector<std::string>& types = window->WavePanel()->NameFilters();
	ASSERT_EQ(types.size(), 4u);
	EXPECT_EQ(types[0].rfind("WAV", 0), 0u);
	EXPECT_EQ(window->WavePanel()->SelectedNameFilter(), 0);

	Export(window, 0, "plain", "plain.wav");  // the default type adds its extension
	SoundFile wav = read_sound_file(dir / "plain.wav");
	EXPECT_EQ(wav.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
	EXPECT_EQ(wav.samples, samples);

	Export(window, 0, "typed.flac", "typed.flac");
	SoundFile flac = read_sound_file(dir / "typed.flac");
	EXPECT_EQ(flac.info.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
	EXPECT_EQ(flac.samples, samples);

	Export(window, 2, "chosen", "chosen.aiff");
	SoundFile aiff = read_sound_file(dir / "chosen.aiff");
	EXPECT_EQ(aiff.info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_AIFF);
	EXPECT_EQ(aiff.samples, samples);
	EXPECT_FALSE(fs::exists(dir / "chosen"));

	Export(window, 1, "ex", "ex.flac");
	EXPECT_EQ(read_sound_file(dir / "ex.flac").info.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);

	Export(window, 3, "lossy", "lossy.ogg");
	SoundFile ogg = read_sound_file(dir / "lossy.ogg");
	EXPECT_EQ(ogg.info.format, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
	EXPECT_EQ(ogg.info.frames, int64(samples.size()));
	EXPECT_TRUE(alerts.All().empty());
}

TEST_F(ExportFormats, TheDialogOffersTheTypesAndReportsTheChosenOne)
{
	BFilePanel::SetAnswerHook(nullptr);
	TunkWindow* window = New();
	Click(window, "SaveWaveButton");
	QFileDialog* dialog = window->WavePanel()->Dialog();
	ASSERT_NE(dialog, nullptr);
	ASSERT_EQ(dialog->nameFilters().size(), 4);
	EXPECT_EQ(dialog->selectedNameFilter().toStdString(), window->WavePanel()->NameFilters()[0]);

	dialog->setDirectory(QString::fromStdString(dir.Path()));
	dialog->selectNameFilter(dialog->nameFilters()[1]);
	ProcessEvents();
	// Typed into the dialog's name field, as a person would.
	QLineEdit* nameField = dialog->findChild<QLineEdit*>("fileNameEdit");
	ASSERT_NE(nameField, nullptr);
	nameField->setText("from-dialog");
	QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
	ASSERT_TRUE(ProcessEventsUntil([&] { return fs::exists(dir / "from-dialog.flac"); }));
	ProcessEvents();
	EXPECT_EQ(window->WavePanel()->SelectedNameFilter(), 1);
	EXPECT_FALSE(fs::exists(dir / "from-dialog"));
	SoundFile flac = read_sound_file(dir / "from-dialog.flac");
	EXPECT_EQ(flac.info.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
	EXPECT_EQ(flac.samples, Samples(window));
}
