// Dragging the sound out of the Output waveform, with real mouse events in a window shown
// offscreen: what a drop target receives, and what is left behind.
#include <QApplication>
#include <QMimeData>
#include <QUrl>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "engine/TunkSound.h"
#include "kits/media/SoundFiles.h"
#include "preset/PresetRecord.h"
#include "tools/RunProgram.h"
#include "views/SoundView.h"
#include "window/DragOut.h"
#include "window/WindowHarness.h"

namespace fs = std::filesystem;
using namespace window_test;

namespace {

struct Drop {
	QList<QUrl> urls;
	QByteArray wav;
};

class DragOut : public WindowFixture {
protected:
	void SetUp() override
	{
		WindowFixture::SetUp();
		SetSoundDragObserver([this](const QMimeData& data) {
			drops.push_back({data.urls(), data.data("audio/x-wav")});
		});
	}
	void TearDown() override
	{
		SetSoundDragObserver(nullptr);
		WindowFixture::TearDown();
	}

	// Presses on the waveform and moves by (dx, dy) in steps of one pixel, then releases.
	static void Drag(TunkWindow* window, int dx, int dy)
	{
		QWidget* wave = Find<SoundView>(window, "SoundView")->Widget();
		const QPoint start(60, 50);
		QTest::mousePress(wave, Qt::LeftButton, {}, start);
		const int steps = std::max(std::abs(dx), std::abs(dy));
		for (int i = 1; i <= steps; i++)
			QTest::mouseMove(wave, start + QPoint(dx * i / steps, dy * i / steps));
		QTest::mouseRelease(wave, Qt::LeftButton, {}, start + QPoint(dx, dy));
		ProcessEvents();
	}

	std::vector<Drop> drops;
};

} // namespace

TEST_F(DragOut, TheWaveformDragsTheSoundAsTheWavExportWouldWrite)
{
	TunkWindow* window = New();
	Type(window, "TextFreqStart", "440");
	Click(window, "CheckEnFilter");
	const int distance = QApplication::startDragDistance();
	ASSERT_GT(distance, 2);

	// Short of the platform's distance nothing starts; beyond it, one drag for the press.
	Drag(window, distance / 2, distance / 2 - 1);
	EXPECT_TRUE(drops.empty());
	Drag(window, distance + 5, 3);
	ASSERT_EQ(drops.size(), 1u);

	const Drop& drop = drops[0];
	ASSERT_EQ(drop.urls.size(), 1);
	ASSERT_TRUE(drop.urls[0].isLocalFile());
	const std::string path = drop.urls[0].toLocalFile().toStdString();
	EXPECT_EQ(fs::path(path).filename(), "Untitled.wav");
	ASSERT_TRUE(fs::exists(path));
	SoundFile sound = read_sound_file(path);
	EXPECT_EQ(sound.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
	EXPECT_EQ(sound.info.channels, 1);
	EXPECT_EQ(sound.info.samplerate, 44100);
	EXPECT_EQ(sound.samples, Samples(window));
	EXPECT_EQ(drop.wav.toStdString(), ReadWholeFile(path));

	// Export WAV of the same sound writes the same bytes.
	panels.SaveAs(dir.Path(), "exported");
	Click(window, "SaveWaveButton");
	ASSERT_TRUE(ProcessEventsUntil([&] { return fs::exists(dir / "exported.wav"); }));
	ProcessEvents();
	EXPECT_EQ(ReadWholeFile(dir / "exported.wav"), ReadWholeFile(path));
	EXPECT_TRUE(alerts.All().empty());
}

TEST_F(DragOut, TheFileIsNamedAfterTheDocumentAndNeverShared)
{
	PresetParams kick = DefaultPresetParams();
	kick.startFreq = 90.0f;
	kick.duration = 350.0f;
	kick.freqEnvEnabled = 1;
	ASSERT_EQ(WritePresetFile((dir / "kick1").c_str(), kick), B_OK);
	TunkWindow* window = Open(dir.Path(), "kick1");
	Drag(window, 0, 30);
	Type(window, "TextDuration", "100");  // a changed document keeps its name
	Drag(window, -30, 0);
	TunkWindow* untitled = New();
	Drag(untitled, 20, 20);
	ASSERT_EQ(drops.size(), 3u);

	const std::string first = drops[0].urls.value(0).toLocalFile().toStdString();
	const std::string second = drops[1].urls.value(0).toLocalFile().toStdString();
	EXPECT_EQ(fs::path(first).filename(), "kick1.wav");
	EXPECT_EQ(fs::path(second).filename(), "kick1.wav");
	EXPECT_EQ(fs::path(drops[2].urls.value(0).toLocalFile().toStdString()).filename(),
		"Untitled.wav");
	// The first drop's file still holds the first sound: a later drag takes a folder of its own.
	EXPECT_NE(first, second);
	EXPECT_EQ(read_sound_file(first).samples.size(), 15435u);
	EXPECT_EQ(read_sound_file(second).samples, Samples(window));
	// The files live in a folder only the user may read.
	const fs::perms folder = fs::status(SoundDragFolder()).permissions();
	EXPECT_EQ(folder & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);
	EXPECT_TRUE(first.starts_with(SoundDragFolder() + "/"));
}

TEST(DragOutNames, DocumentNamesFromTitles)
{
	EXPECT_EQ(DocumentNameFromTitle("Tunk v1.1 - kick1"), "kick1");
	EXPECT_EQ(DocumentNameFromTitle("Tunk v1.1 - kick1*"), "kick1");
	EXPECT_EQ(DocumentNameFromTitle("Tunk v1.1 - Deep Kick.tunk*"), "Deep Kick");
	EXPECT_EQ(DocumentNameFromTitle("Tunk v1.1 - .tunk"), ".tunk");
	EXPECT_EQ(DocumentNameFromTitle("Tunk v1.1 - "), "Untitled");
	EXPECT_EQ(DocumentNameFromTitle("Tunk v1.1 - .."), "Untitled");
	EXPECT_EQ(DocumentNameFromTitle("Tunk v1.1 - a/b"), "a_b");
}

// The folder goes when the program ends: a child process drags and exits.
TEST(DragOutFolder, IsRemovedWhenTheProgramEnds)
{
	int channel[2];
	ASSERT_EQ(pipe(channel), 0);
	const pid_t child = fork();
	if (child == 0) {
		TunkSound sound;
		sound.GenerateSound();
		std::string error;
		QMimeData* data = MakeSoundDragData(sound, "kick1", &error);
		const std::string folder = data != nullptr ? SoundDragFolder() : "";
		delete data;
		if (write(channel[1], folder.data(), folder.size()) != ssize_t(folder.size()))
			_exit(2);
		std::exit(0);  // an ordinary end, with the program's clean-up
	}
	close(channel[1]);
	std::string folder;
	char buffer[4096];
	for (ssize_t got; (got = read(channel[0], buffer, sizeof(buffer))) > 0;)
		folder.append(buffer, size_t(got));
	close(channel[0]);
	int status = 0;
	waitpid(child, &status, 0);
	ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
	ASSERT_FALSE(folder.empty());
	EXPECT_FALSE(fs::exists(folder)) << folder;
}
