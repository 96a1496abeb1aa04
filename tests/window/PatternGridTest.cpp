// The kit window's step grid headless: every edit by mouse, wheel and keyboard one undo step
// with its name, the live beat landing on the samples of the rendered loop, and the loop and
// MIDI exports; on SDL's disk driver in a child process, the beat as the device played it.
#include "window/PatternGrid.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <chrono>
#include <fstream>
#include <sndfile.h>
#include <thread>

#include "engine/DiskAudio.h"
#include "engine/voices/Player.h"
#include "kit/LoopRender.h"
#include "kit/MidiFile.h"
#include "kit/NewKitPads.h"
#include "kit/SampleExport.h"
#include "kits/storage/TempDir.h"
#include "window/KitSound.h"
#include "window/KitWindow.h"
#include "window/PatternPlayer.h"
#include "window/TunkMenus.h"
#include "window/WindowHarness.h"

using namespace window_test;

namespace {

// Short pads with sounds of their own, centred at -6 dB so that the beat never clips.
Kit BeatKit()
{
	Kit kit = NewKit("Beat");
	kit.pads.resize(4);
	for (size_t i = 0; i < kit.pads.size(); i++) {
		kit.pads[i].level = -6;
		kit.pads[i].pan = i == 2 ? 0.5f : 0.0f;
		kit.pads[i].sound[tunk::Param::startFreq] = 90.0f + 70.0f * float(i);
		kit.pads[i].sound[tunk::Param::duration] = 150.0f + 100.0f * float(i);
	}
	// The hat varies hit by hit: live, its beat plays the variations the rendered loop has.
	kit.pads[2].sound[tunk::Param::varPitch] = 80;
	kit.pads[2].sound[tunk::Param::varLevel] = 3;
	Pattern beat;
	beat.name = "Beat";
	beat.swing = 30;
	for (int step = 0; step < 16; step += 4)
		beat.lanes[0][size_t(step)].velocity = 127;
	for (int step = 2; step < 16; step += 2)
		beat.lanes[2][size_t(step)].velocity = uint8_t(50 + step * 4);
	beat.lanes[1][15].velocity = 90;
	kit.patterns = {beat};
	kit.tempo = 140;
	return kit;
}

class PatternGridTest : public ::testing::Test {
protected:
	void SetUp() override { App(); }
	void TearDown() override
	{
		if (BLooper::IsAlive(fWindow))
			fWindow->Quit();
		ProcessEvents();
	}
	KitWindow* WithKit(const Kit& kit)
	{
		fWindow = new KitWindow(BPoint(60, 60));
		fWindow->Show();
		ProcessEvents();
		fWindow->CommitKit(kit, "Test");
		return fWindow;
	}
	KitWindow* fWindow = nullptr;
};

} // namespace

TEST_F(PatternGridTest, EveryEditIsOneNamedUndoStep)
{
	KitWindow* window = WithKit(BeatKit());
	PatternGrid* grid = window->Grid();
	StepLanes* lanes = grid->Lanes();
	lanes->resize(lanes->width(), 4 * 11);
	auto cell = [&](size_t pad, int step) {
		return window->CurrentKit().patterns[0].lanes[pad][size_t(step)];
	};
	auto undoName = [&] { return window->Document().History().UndoName(); };
	const Kit before = window->CurrentKit();

	// A click sets a step, a click clears it, Shift makes an accent.
	QTest::mouseClick(lanes, Qt::LeftButton, Qt::NoModifier, lanes->CellRect(3, 5).center());
	EXPECT_EQ(cell(3, 5).velocity, PatternGrid::kHit);
	EXPECT_EQ(undoName(), "Set Step");
	QTest::mouseClick(lanes, Qt::LeftButton, Qt::NoModifier, lanes->CellRect(0, 0).center());
	EXPECT_EQ(cell(0, 0).velocity, 0);
	EXPECT_EQ(undoName(), "Clear Step");
	QTest::mouseClick(lanes, Qt::LeftButton, Qt::ShiftModifier, lanes->CellRect(1, 3).center());
	EXPECT_EQ(cell(1, 3).velocity, PatternGrid::kAccent);

	// A drag upwards is louder, downwards softer; a drag is one step.
	const QPoint at = lanes->CellRect(3, 7).center();
	QTest::mousePress(lanes, Qt::LeftButton, Qt::NoModifier, at);
	QMouseEvent move(QEvent::MouseMove, QPointF(at - QPoint(0, 5)),
	    lanes->mapToGlobal(QPointF(at - QPoint(0, 5))), Qt::LeftButton, Qt::LeftButton,
	    Qt::NoModifier);
	QApplication::sendEvent(lanes, &move);
	QMouseEvent down(QEvent::MouseMove, QPointF(at + QPoint(0, 20)),
	    lanes->mapToGlobal(QPointF(at + QPoint(0, 20))), Qt::LeftButton, Qt::LeftButton,
	    Qt::NoModifier);
	QApplication::sendEvent(lanes, &down);
	QTest::mouseRelease(lanes, Qt::LeftButton, Qt::NoModifier, at + QPoint(0, 20));
	EXPECT_EQ(cell(3, 7).velocity, PatternGrid::kHit - 40);
	EXPECT_EQ(undoName(), "Step Velocity");
	window->Undo();
	EXPECT_EQ(cell(3, 7).velocity, PatternGrid::kHit);
	EXPECT_EQ(undoName(), "Set Step");
	window->Redo();

	// The wheel on a set step.
	QWheelEvent wheel(QPointF(lanes->CellRect(2, 2).center()),
	    lanes->mapToGlobal(QPointF(lanes->CellRect(2, 2).center())), {}, {0, 120}, Qt::NoButton,
	    Qt::NoModifier, Qt::NoScrollPhase, false);
	QApplication::sendEvent(lanes, &wheel);
	EXPECT_EQ(cell(2, 2).velocity, 58 + 8);

	// The keyboard: arrows to a cell, Enter sets it, + and - its velocity, Shift+Enter an accent.
	lanes->setFocus();
	lanes->SetCursor(0, 0);
	for (int key : {Qt::Key_Down, Qt::Key_Right, Qt::Key_Right, Qt::Key_Return})
		QTest::keyClick(lanes, Qt::Key(key));
	EXPECT_EQ(cell(1, 2).velocity, PatternGrid::kHit);
	QTest::keyClick(lanes, Qt::Key_Minus);
	EXPECT_EQ(cell(1, 2).velocity, PatternGrid::kHit - 8);
	QTest::keyClick(lanes, Qt::Key_Return);
	EXPECT_EQ(cell(1, 2).velocity, 0);
	QTest::keyClick(lanes, Qt::Key_Return, Qt::ShiftModifier);
	EXPECT_EQ(cell(1, 2).velocity, PatternGrid::kAccent);

	// The pattern's settings and the kit's tempo.
	grid->Length()->setValue(12);
	EXPECT_EQ(window->CurrentKit().patterns[0].steps, 12);
	EXPECT_EQ(undoName(), "Pattern Length");
	grid->Swing()->setValue(55);
	EXPECT_EQ(window->CurrentKit().patterns[0].swing, 55.0f);
	EXPECT_EQ(undoName(), "Swing");
	grid->Rate()->setCurrentIndex(grid->Rate()->findData(3));
	emit grid->Rate()->activated(grid->Rate()->currentIndex());
	EXPECT_EQ(window->CurrentKit().patterns[0].stepsPerBeat, 3);
	EXPECT_EQ(undoName(), "Steps per Beat");
	grid->Tempo()->setValue(97.5);
	EXPECT_EQ(window->CurrentKit().tempo, 97.5f);
	EXPECT_EQ(undoName(), "Tempo");
	grid->NameEdit()->setText(QStringLiteral("Verse"));
	emit grid->NameEdit()->editingFinished();
	EXPECT_EQ(window->CurrentKit().patterns[0].name, "Verse");
	EXPECT_EQ(undoName(), "Pattern Name");
	EXPECT_EQ(grid->Chooser()->itemText(0), QStringLiteral("1 Verse"));

	// A new pattern is made by its first step.
	grid->Chooser()->setCurrentIndex(1);
	emit grid->Chooser()->activated(1);
	QTest::mouseClick(lanes, Qt::LeftButton, Qt::NoModifier, lanes->CellRect(0, 0).center());
	ASSERT_EQ(window->CurrentKit().patterns.size(), 2u);
	EXPECT_EQ(window->CurrentKit().patterns[1].name, "Pattern 2");
	EXPECT_EQ(window->CurrentKit().patterns[1].lanes[0][0].velocity, PatternGrid::kHit);

	// Every one of them undoes, back to the kit before.
	while (window->Document().History().CanUndo() && !SameBits(window->CurrentKit(), before))
		window->Undo();
	EXPECT_TRUE(SameBits(window->CurrentKit(), before));
	EXPECT_EQ(grid->Length()->value(), 16);
	EXPECT_EQ(grid->Tempo()->value(), 140.0);
}

TEST_F(PatternGridTest, TheLiveBeatLandsOnTheSamplesOfTheRenderedLoopAndLiveHitsStillPlay)
{
	const Kit kit = BeatKit();
	KitSound sound(false);
	sound.SetKit(kit);
	PatternPlayer beat(&sound);
	beat.Play(kit, {0});
	EXPECT_TRUE(beat.IsPlaying());
	const int order[] = {0};
	const PatternLoop loop = MakePatternLoop(kit, order, 1, kit.tempo, 0, tunk::kSampleRate);
	const LoopSound rendered = RenderLoop(kit, {}, loop);
	// Three passes, buffer by buffer, the player scheduling between buffers as its timer would.
	std::vector<int16_t> out;
	std::vector<int16_t> buffer(2 * 512);
	while (int64_t(out.size()) / 2 < beat.Origin() + 3 * loop.frames) {
		beat.Pump();
		sound.Render(buffer.data(), 512);
		out.insert(out.end(), buffer.begin(), buffer.end());
	}
	// Silence until the first hit, and the second and third passes are the loop as rendered.
	for (int64_t j = 0; j < beat.Origin(); j++)
		ASSERT_EQ(out[size_t(2 * j)], 0) << j;
	for (int64_t pass : {1, 2}) {
		for (int64_t j = 0; j < loop.frames; j++) {
			const size_t at = size_t(2 * (beat.Origin() + pass * loop.frames + j));
			ASSERT_EQ(out[at], tunk::voices::ToShort(rendered.mix.left[size_t(j)]))
			    << pass << " " << j;
			ASSERT_EQ(out[at + 1], tunk::voices::ToShort(rendered.mix.right[size_t(j)]))
			    << pass << " " << j;
		}
	}

	// An edit while it plays: swing and tempo change; from the pass after the one under way
	// on, the beat is the new loop as rendered.
	Kit faster = kit;
	faster.patterns[0].swing = 0;
	faster.tempo = 180;
	beat.Update(faster, {0});
	const PatternLoop next = MakePatternLoop(faster, order, 1, faster.tempo, 0, tunk::kSampleRate);
	const LoopSound nextSound = RenderLoop(faster, {}, next);
	const int64_t updated = sound.Frames();
	// The pass under way ends where the new loop, counted from its start, ends.
	const int64_t passStart = beat.Origin() + (updated - beat.Origin()) / loop.frames * loop.frames;
	const int64_t from = passStart + 2 * next.frames;
	while (sound.Frames() < from + next.frames) {
		beat.Pump();
		sound.Render(buffer.data(), 512);
		out.insert(out.end(), buffer.begin(), buffer.end());
	}
	for (int64_t j = 0; j < next.frames; j++) {
		ASSERT_EQ(out[size_t(2 * (from + j))], tunk::voices::ToShort(nextSound.mix.left[size_t(j)]))
		    << j;
	}

	// A hit while the beat plays sounds at the next buffer, not after the hits scheduled.
	const int64_t now = sound.Frames();
	sound.Hit(3, 1.0f);
	sound.Render(buffer.data(), 512);
	EXPECT_EQ(sound.LastEvent().kind, KitEvent::kPadHit);
	EXPECT_GT(sound.Sounding(), 0);
	// Stopped, the hits scheduled ahead are dropped: once the voices fade, silence.
	beat.Stop();
	sound.Stop();
	for (int i = 0; i < 40; i++)
		sound.Render(buffer.data(), 512);
	EXPECT_EQ(sound.Sounding(), 0);
	EXPECT_GT(sound.Frames(), now + PatternPlayer::kAhead);
	EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](int16_t s) { return s == 0; }));
}

TEST_F(PatternGridTest, TheSpaceBarPlaysAndStopsAndThePlayheadFollows)
{
	KitWindow* window = WithKit(BeatKit());
	PatternGrid* grid = window->Grid();
	// The new pattern, still empty, has nothing to play.
	grid->Chooser()->setCurrentIndex(1);
	emit grid->Chooser()->activated(1);
	grid->Lanes()->setFocus();
	QTest::keyClick(grid->Lanes(), Qt::Key_Space);
	EXPECT_FALSE(window->Beat()->IsPlaying());
	EXPECT_EQ(grid->PlayButton()->text(), QStringLiteral("Play"));
	grid->Chooser()->setCurrentIndex(0);
	emit grid->Chooser()->activated(0);
	QTest::keyClick(grid->Lanes(), Qt::Key_Space);
	EXPECT_TRUE(window->Beat()->IsPlaying());
	EXPECT_EQ(grid->PlayButton()->text(), QStringLiteral("Stop"));
	// The playhead follows the device's clock (SDL's dummy driver keeps time) step by step.
	for (int i = 0; i < 400 && grid->Playhead() < 2; i++)
		QTest::qWait(10);
	EXPECT_GE(grid->Playhead(), 2);
	const int64_t heard = window->Sound()->Frames() - window->Beat()->Origin();
	EXPECT_GE(
	    heard, TickFrame(StepTick(window->CurrentKit().patterns[0], 2), 140, tunk::kSampleRate));
	QTest::keyClick(grid->Swing(), Qt::Key_Space);
	EXPECT_FALSE(window->Beat()->IsPlaying());
	EXPECT_EQ(grid->PlayButton()->text(), QStringLiteral("Play"));
	EXPECT_EQ(grid->Playhead(), -1);
}

TEST_F(PatternGridTest, ExportLoopAndExportMidiWriteThePatternShown)
{
	KitWindow* window = WithKit(BeatKit());
	QStringList items;
	for (QAction* action : window->Menus()->FileMenu()->actions())
		items << action->text();
	EXPECT_LT(items.indexOf(QStringLiteral("Export Loop…")),
	    items.indexOf(QStringLiteral("Export MIDI…")));
	EXPECT_LT(items.indexOf(QStringLiteral("Export Sample Pack…")),
	    items.indexOf(QStringLiteral("Export Loop…")));
	EXPECT_LT(
	    items.indexOf(QStringLiteral("Export MIDI…")), items.indexOf(QStringLiteral("Close")));

	TempDir dir;
	const Kit kit = BeatKit();
	const int order[] = {0};
	const PatternLoop loop = MakePatternLoop(kit, order, 1, kit.tempo, 0, tunk::kSampleRate);
	ASSERT_TRUE(window->ExportLoop(dir / "beat.flac", "flac"));
	SF_INFO info{};
	SNDFILE* file = sf_open((dir / "beat.flac").c_str(), SFM_READ, &info);
	ASSERT_NE(file, nullptr);
	EXPECT_EQ(info.channels, 2);
	ASSERT_EQ(info.frames, loop.frames);
	std::vector<int16_t> frames(size_t(2 * info.frames));
	sf_readf_short(file, frames.data(), info.frames);
	sf_close(file);
	const LoopSound sound = RenderLoop(kit, {}, loop);
	for (size_t j = 0; j < sound.mix.left.size(); j++) {
		ASSERT_EQ(frames[2 * j], tunk::voices::ToShort(sound.mix.left[j])) << j;
		ASSERT_EQ(frames[2 * j + 1], tunk::voices::ToShort(sound.mix.right[j])) << j;
	}
	ASSERT_TRUE(window->ExportMidi(dir / "beat.mid"));
	std::ifstream in(dir / "beat.mid", std::ios::binary);
	const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
	EXPECT_EQ(bytes, PatternMidiFile(kit, loop, kit.tempo));

	// Dragged out, the same file, named after the pattern, and its bytes as audio/midi.
	EXPECT_NE(window->Grid()->findChild<QWidget*>(QStringLiteral("PatternMidiDrag")), nullptr);
	std::string error;
	std::unique_ptr<QMimeData> data(MakeMidiDragData(kit, {0}, "Beat/1", &error));
	ASSERT_NE(data, nullptr) << error;
	ASSERT_EQ(data->urls().size(), 1);
	const std::string path = data->urls()[0].toLocalFile().toStdString();
	// A name is made safe as a file's, as a sample pack's are.
	EXPECT_TRUE(path.ends_with("/" + SafeFileStem("Beat/1") + ".mid")) << path;
	EXPECT_EQ(path.find("Beat/1"), std::string::npos) << path;
	std::ifstream dragged(path, std::ios::binary);
	EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(dragged), {}), bytes);
	const QByteArray midi = data->data(QStringLiteral("audio/midi"));
	EXPECT_EQ(std::vector<uint8_t>(midi.begin(), midi.end()), bytes);
	EXPECT_EQ(MakeMidiDragData(kit, {}, "None", &error), nullptr);
}

TEST(PatternDiskChild, PlayTheBeatForThreeLoops)
{
	if (!disk_audio::InChild())
		GTEST_SKIP() << "runs in the child of PatternGridTest.TheBeatOnTheDeviceIsTheRenderedLoop";
	App();
	KitWindow* window = new KitWindow(BPoint(60, 60));
	window->Show();
	Kit kit = BeatKit();
	kit.tempo = 240;
	window->CommitKit(kit, "Test");
	ProcessEvents();
	window->Grid()->Lanes()->setFocus();
	QTest::keyClick(window->Grid()->Lanes(), Qt::Key_Space);
	ASSERT_TRUE(window->Beat()->IsPlaying());
	const int64_t end = window->Beat()->Origin() + 3 * 44100 + 4096;
	for (int i = 0; i < 2000 && window->Sound()->Frames() < end; i++) {
		ProcessEvents();
		std::this_thread::sleep_for(std::chrono::milliseconds(5));
	}
	ASSERT_GE(window->Sound()->Frames(), end);
	window->Quit();
	ProcessEvents();
}

TEST_F(PatternGridTest, TheBeatOnTheDeviceIsTheRenderedLoop)
{
	const std::string file = disk_audio::TempFile("kit-beat");
	ASSERT_EQ(disk_audio::RunChild("PatternDiskChild.PlayTheBeatForThreeLoops", file), 0);
	const disk_audio::Channels output = disk_audio::ReadChannels(file);
	std::remove(file.c_str());
	Kit kit = BeatKit();
	kit.tempo = 240;
	const int order[] = {0};
	const PatternLoop loop = MakePatternLoop(kit, order, 1, kit.tempo, 0, tunk::kSampleRate);
	ASSERT_EQ(loop.frames, 44100);
	const LoopSound sound = RenderLoop(kit, {}, loop);
	// The first hit (a kick on the first step) is the first sound; from there, the second and
	// third passes are the loop as rendered. Voices may add up in another order than in the
	// render, so a sample may differ by the rounding of a sum; a hit a sample early or late
	// would differ by hundreds.
	const auto first =
	    std::find_if(output.left.begin(), output.left.end(), [](int16_t s) { return s != 0; });
	ASSERT_NE(first, output.left.end());
	const size_t origin = size_t(first - output.left.begin());
	ASSERT_GE(output.left.size(), origin + 3 * 44100);
	int worst = 0;
	for (size_t pass = 1; pass < 3; pass++) {
		for (size_t j = 0; j < 44100; j++) {
			const size_t at = origin + pass * 44100 + j;
			worst = std::max(
			    {worst, std::abs(output.left[at] - tunk::voices::ToShort(sound.mix.left[j])),
			        std::abs(output.right[at] - tunk::voices::ToShort(sound.mix.right[j]))});
		}
	}
	EXPECT_LE(worst, 2);
}
