// The kit window headless: playing pads by click, key and note (the samples
// on SDL's disk driver in a child process), choke groups, the pads' editor windows, loading a
// preset onto a pad by menu and by drop, saving and opening kits, and the close question.
#include <QDoubleSpinBox>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <thread>

#include "engine/DiskAudio.h"
#include "engine/core/Hit.h"
#include "engine/core/Render.h"
#include "preset/FactoryKits.h"
#include "preset/FactoryLibrary.h"
#include "preset/KitFile.h"
#include "preset/PresetExtension.h"
#include "window/KitPads.h"
#include "window/KitSound.h"
#include "window/KitWindow.h"
#include "window/MidiSources.h"
#include "window/WindowHarness.h"
// The counter of the device side's allocations.
#include "plugin/AllocationCounter.h"

using namespace window_test;

namespace {

// A kit whose pads all sound different (a pitch of their own) and short, centred at 0 dB, so
// that a pad's samples found in the output can only be that pad's.
Kit DistinctKit()
{
	Kit kit = NewKit("Test Kit");
	for (size_t i = 0; i < kit.pads.size(); i++) {
		kit.pads[i].level = 0;
		kit.pads[i].pan = 0;
		kit.pads[i].sound[tunk::Param::startFreq] = 110.0f + 37.0f * float(i);
		kit.pads[i].sound[tunk::Param::duration] = 60.0f;
	}
	return kit;
}

std::vector<int16_t> Rendered(const tunk::SoundParams& sound)
{
	std::vector<int16_t> samples;
	EXPECT_EQ(tunk::Render(sound, &samples), tunk::RenderStatus::Ok);
	return samples;
}

bool Contains(const std::vector<int16_t>& haystack, const std::vector<int16_t>& needle)
{
	return !needle.empty() &&
	       std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

// Waits for `done` while the window's events go on, up to `limit`.
bool WaitFor(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(10))
{
	for (auto end = std::chrono::steady_clock::now() + limit;
	     !done() && std::chrono::steady_clock::now() < end;) {
		ProcessEvents();
		std::this_thread::sleep_for(std::chrono::milliseconds(5));
	}
	return done();
}

void ClickPad(KitWindow* window, int pad, bool twice = false)
{
	KitPads* pads = window->Pads();
	const QPoint centre = pads->PadRect(pad).center();
	if (twice)
		QTest::mouseDClick(pads, Qt::LeftButton, Qt::NoModifier, centre);
	else
		QTest::mouseClick(pads, Qt::LeftButton, Qt::NoModifier, centre);
	ProcessEvents();
}

class KitWindowTest : public ::testing::Test {
protected:
	void SetUp() override { App(); }
	void TearDown() override
	{
		for (KitWindow* window : windows) {
			if (BLooper::IsAlive(window))
				window->Quit();
		}
		ProcessEvents();
	}

	KitWindow* Shown(KitWindow* window)
	{
		windows.push_back(window);
		window->Show();
		ProcessEvents();
		return window;
	}
	KitWindow* New() { return Shown(new KitWindow(BPoint(60, 60))); }
	KitWindow* WithKit(const Kit& kit)
	{
		KitWindow* window = New();
		window->CommitKit(kit, "Test");
		return window;
	}

	ScratchDataHome home;
	TempDir dir;
	AlertAnswers alerts;
	PanelAnswers panels;
	std::vector<KitWindow*> windows;
};

} // namespace

TEST(KitPadsTest, NoteNamesAndPadKeys)
{
	EXPECT_EQ(NoteName(36), "C1");
	EXPECT_EQ(NoteName(60), "C3");
	EXPECT_EQ(NoteName(1), "C#-2");
	EXPECT_EQ(NoteName(127), "G8");
	EXPECT_EQ(NoteName(-1), "");
	EXPECT_EQ(NoteName(128), "");
	// The four rows of keys lie over the four rows of pads.
	const int keys[] = {Qt::Key_1, Qt::Key_4, Qt::Key_Q, Qt::Key_R, Qt::Key_A, Qt::Key_Z, Qt::Key_V};
	const int pads[] = {0, 3, 4, 7, 8, 12, 15};
	for (size_t i = 0; i < std::size(keys); i++) {
		EXPECT_EQ(PadOfKey(keys[i]), pads[i]) << i;
		EXPECT_EQ(PadOfKey(int(KeyOfPad(size_t(pads[i]))[0])), pads[i]);
	}
	EXPECT_EQ(PadOfKey(Qt::Key_5), -1);
	EXPECT_EQ(PadOfKey(0), -1);
	EXPECT_EQ(PadOfKey(Qt::Key_Return), -1);
	EXPECT_EQ(KeyOfPad(16), "");
}

// Both channels of `frames` frames of the sound.
struct Channels {
	std::vector<int16_t> left, right;
};
Channels Play(KitSound& sound, uint32_t frames)
{
	std::vector<int16_t> both(2 * size_t(frames));
	sound.Render(both.data(), frames);
	Channels out;
	for (size_t i = 0; i < frames; i++) {
		out.left.push_back(both[2 * i]);
		out.right.push_back(both[2 * i + 1]);
	}
	return out;
}

// `a` and `b` summed as the voices sum them, saturated to 16 bits.
std::vector<int16_t> Sum(const std::vector<int16_t>& a, const std::vector<int16_t>& b, size_t from, size_t count)
{
	std::vector<int16_t> sum;
	for (size_t i = from; i < from + count; i++) {
		const float x = i < a.size() ? float(a[i]) / 32768.0f : 0.0f;
		const float y = i < b.size() ? float(b[i]) / 32768.0f : 0.0f;
		sum.push_back(tunk::voices::ToShort(x + y));
	}
	return sum;
}

std::vector<int16_t> Part(const std::vector<int16_t>& samples, size_t from, size_t count)
{
	std::vector<int16_t> part(count, 0);
	for (size_t i = from; i < from + count && i < samples.size(); i++)
		part[i - from] = samples[i];
	return part;
}

TEST(KitSoundTest, PadsPlayInStereoByTheKitsRuleAndChokesEndWithinAFade)
{
	Kit kit = DistinctKit();
	kit.pads[8].sound[tunk::Param::duration] = 500;  // the open hat rings on
	kit.pads[6].note = 42;  // the pedal hat on the closed hat's note, in its group
	kit.pads[2].pan = -1;
	kit.pads[3].output = PadOutput::Own;  // no output of its own here: in the middle
	kit.pads[3].pan = 1;
	kit.pads[0].level = 6;
	KitSound sound(false);
	sound.SetKit(kit);
	const std::vector<int16_t> open = Rendered(kit.pads[8].sound);

	sound.Note(46, 1.0f);
	Channels out = Play(sound, 1024);
	EXPECT_EQ(out.left, Part(open, 0, 1024)) << "a centred pad alone is its sound";
	EXPECT_EQ(out.right, out.left);

	// Both pads of note 42 play, though they share the open hat's group, which fades out.
	sound.Note(42, 1.0f);
	out = Play(sound, 2048);
	constexpr size_t kFade = 64;
	const std::vector<int16_t> hats = Sum(Rendered(kit.pads[5].sound), Rendered(kit.pads[6].sound), kFade, 2048 - kFade);
	EXPECT_EQ(std::vector<int16_t>(out.left.begin() + kFade, out.left.end()), hats);
	EXPECT_EQ(out.right, out.left);
	EXPECT_NE(Part(out.left, 0, kFade), Sum(Rendered(kit.pads[5].sound), Rendered(kit.pads[6].sound), 0, kFade))
	    << "the open hat fades";

	// Hard left is silent on the right; a pad on its own output plays unpanned in the pair.
	sound.Stop();
	Play(sound, kFade);
	sound.Hit(2, 1.0f);
	out = Play(sound, 3000);
	EXPECT_EQ(out.left, Part(Rendered(kit.pads[2].sound), 0, 3000));
	EXPECT_EQ(out.right, std::vector<int16_t>(3000, 0));
	sound.Hit(3, 1.0f);
	out = Play(sound, 3000);
	EXPECT_EQ(out.left, Part(Rendered(kit.pads[3].sound), 0, 3000));
	EXPECT_EQ(out.right, out.left);

	// +6 dB is louder than the sound, never held to 0 dB; a note's velocity scales it and
	// plays the kick's soft hit (the pad's second), lower and shorter.
	const std::vector<int16_t> kick = Rendered(kit.pads[0].sound);
	const std::vector<int16_t> softKick = Rendered(tunk::HitOf(kit.pads[0].sound, 64, 2).params);
	ASSERT_LT(softKick.size(), kick.size());
	sound.Note(36, 1.0f);
	out = Play(sound, 512);
	sound.Note(36, 64.0f / 127.0f);
	const Channels soft = Play(sound, 512 + kFade);
	for (size_t i = 0; i < 512; i++) {
		ASSERT_EQ(out.left[i], tunk::voices::ToShort(float(kick[i]) / 32768.0f * LevelGain(6))) << i;
		ASSERT_EQ(soft.left[kFade + i], tunk::voices::ToShort(float(softKick[kFade + i]) / 32768.0f * (LevelGain(6) * (64.0f / 127.0f)))) << i;
	}
	EXPECT_EQ(sound.LastEvent().kind, KitEvent::kNoteOn);
	EXPECT_EQ(sound.LastEvent().velocity, 64);
}

TEST(KitSoundTest, AVoiceKeepsItsGainsAndSoundWhenTheKitChangesUnderItAndNothingAllocates)
{
	Kit kit = DistinctKit();
	kit.pads[0].sound[tunk::Param::duration] = 300;
	const std::vector<int16_t> kick = Rendered(kit.pads[0].sound);
	KitSound sound(false);
	sound.SetKit(kit);
	sound.Hit(0, 1.0f);
	Channels out = Play(sound, 1000);

	// A kit of one quieter pad panned left, with another sound: the ringing voice plays on
	// as it began, and only the next hit takes the new values.
	Kit changed = kit;
	changed.pads.resize(1);
	changed.pads[0].level = -12;
	changed.pads[0].pan = -1;
	changed.pads[0].sound[tunk::Param::startFreq] = 900;
	sound.SetKit(changed);
	out = Play(sound, 2000);
	EXPECT_EQ(out.left, Part(kick, 1000, 2000));
	EXPECT_EQ(out.right, out.left);
	sound.Hit(0, 1.0f);
	out = Play(sound, 2000);
	EXPECT_EQ(Part(out.right, 64, 1936), std::vector<int16_t>(1936, 0)) << "the old voice fades";
	EXPECT_NE(Part(out.left, 64, 1936), Part(kick, 64, 1936));

	// The device's side neither allocates nor frees while kits and hits come and go.
	ASSERT_TRUE(alloc_count::Installed());
	std::vector<int16_t> buffer(2 * 512);
	alloc_count::Reset();
	for (int i = 0; i < 60; i++) {
		sound.SetKit(i % 2 == 0 ? kit : changed);
		sound.Hit(size_t(i) % kMaxPads, 1.0f);
		sound.Note(42, 0.5f);
		alloc_count::Begin();
		sound.Render(buffer.data(), 512);
		alloc_count::End();
	}
	EXPECT_EQ(alloc_count::Totals().allocations, 0);
	EXPECT_EQ(alloc_count::Totals().frees, 0);

	// Pads of ten minutes: handing them over makes nothing, and a hit plays on as long as
	// its sound lasts.
	Kit slow = NewKit("Slow");
	for (Pad& pad : slow.pads) {
		pad.sound = tunk::SoundParams();
		pad.sound[tunk::Param::duration] = 600000;
	}
	sound.SetKit(slow);
	sound.Hit(1, 1.0f);
	for (int second = 0; second < 10; second++)
		out = Play(sound, 44100);
	EXPECT_EQ(sound.Sounding(), 1);
	EXPECT_NE(out.left, std::vector<int16_t>(44100, 0));
}

// The window's thread hands kits, hits, notes and stops over while the device's thread
// renders (the sanitizer build sees a kit freed twice, too early or never), and the voices go
// quiet after the last stop.
TEST(KitSoundTest, KitsAndHitsCrossToTheDeviceThreadWhileItPlays)
{
	Kit kit = DistinctKit();
	Kit other = kit;
	for (Pad& pad : other.pads)
		pad.pan = -1;
	KitSound sound(false);
	std::atomic<bool> done{false};
	int64_t loud = 0;
	std::thread device([&] {
		std::vector<int16_t> buffer(2 * 256);
		while (!done.load()) {
			sound.Render(buffer.data(), 256);
			loud += std::count_if(buffer.begin(), buffer.end(), [](int16_t s) { return s != 0; });
		}
	});
	for (int i = 0; i < 3000; i++) {
		sound.SetKit(i % 2 == 0 ? kit : other);
		sound.Hit(size_t(i) % kMaxPads, 1.0f);
		sound.Note(kit.pads[size_t(i * 7) % kMaxPads].note, 0.75f);
		if (i % 100 == 99)
			sound.Stop();
		if (i % 10 == 0)
			std::this_thread::yield();
	}
	sound.Stop();
	const int64_t stopped = sound.Frames();
	while (sound.Frames() < stopped + 4096)
		std::this_thread::yield();
	done = true;
	device.join();
	EXPECT_GT(loud, 0);
	EXPECT_EQ(sound.Sounding(), 0);
}

TEST_F(KitWindowTest, ClicksKeysAndNotesPlayTheirPads)
{
	KitWindow* window = WithKit(DistinctKit());
	EXPECT_NE(std::string(window->Title()).find("Untitled Kit*"), std::string::npos) << window->Title();

	ClickPad(window, 2);
	EXPECT_EQ(window->Sound()->LastEvent().kind, KitEvent::kPadHit);
	EXPECT_EQ(window->Sound()->LastEvent().key, 2);
	EXPECT_EQ(window->SelectedPad(), 2u);
	EXPECT_EQ(window->Sound()->LastEvent().velocity, 127);

	window->Pads()->setFocus();
	QTest::keyClick(window->Pads(), Qt::Key_W);
	ProcessEvents();
	EXPECT_EQ(window->Sound()->LastEvent().key, 5);
	QTest::keyClick(window->Pads(), Qt::Key_V);
	ProcessEvents();
	EXPECT_EQ(window->Sound()->LastEvent().key, 15);
	EXPECT_EQ(window->Sound()->LastEvent().velocity, 127);

	// With Shift held a click, a pad's key and the space bar play soft.
	QTest::mouseClick(window->Pads(), Qt::LeftButton, Qt::ShiftModifier,
	    window->Pads()->PadRect(3).center());
	ProcessEvents();
	EXPECT_EQ(window->Sound()->LastEvent().key, 3);
	EXPECT_EQ(window->Sound()->LastEvent().velocity, tunk::kSoftVelocity);
	QTest::keyClick(window->Pads(), Qt::Key_W, Qt::ShiftModifier);
	ProcessEvents();
	EXPECT_EQ(window->Sound()->LastEvent().key, 5);
	EXPECT_EQ(window->Sound()->LastEvent().velocity, tunk::kSoftVelocity);
	QTest::keyClick(window->Pads(), Qt::Key_Space);
	ProcessEvents();
	EXPECT_EQ(window->Sound()->LastEvent().velocity, 127);
	QTest::keyClick(window->Pads(), Qt::Key_Space, Qt::ShiftModifier);
	ProcessEvents();
	EXPECT_EQ(window->Sound()->LastEvent().key, 5);
	EXPECT_EQ(window->Sound()->LastEvent().velocity, tunk::kSoftVelocity);

	// The note of the snare, at a velocity below full.
	BMessage note(kMsgMidiNote);
	note.AddInt32("key", 38);
	note.AddInt32("velocity", 64);
	window->PostMessage(&note);
	ProcessEvents();
	EXPECT_EQ(window->Sound()->LastEvent().kind, KitEvent::kNoteOn);
	EXPECT_EQ(window->Sound()->LastEvent().key, 38);
	EXPECT_EQ(window->Sound()->LastEvent().velocity, 64);
}

TEST(KitDiskChild, ClickThePadOfTheSnare)
{
	if (!disk_audio::InChild())
		GTEST_SKIP() << "runs in the child of KitWindowTest.AClickedPadIsItsSoundOnTheDevice";
	App();
	KitWindow* window = new KitWindow(BPoint(60, 60));
	window->Show();
	window->CommitKit(DistinctKit(), "Test");
	ProcessEvents();
	ClickPad(window, 2);
	ASSERT_TRUE(WaitFor([&] { return window->Sound()->Sounding() > 0; }));
	ASSERT_TRUE(WaitFor([&] { return window->Sound()->Sounding() == 0; }));
	const int64_t end = window->Sound()->Frames();
	ASSERT_TRUE(WaitFor([&] { return window->Sound()->Frames() >= end + 4096; }));
	window->Quit();
	ProcessEvents();
}

TEST_F(KitWindowTest, AClickedPadIsItsSoundOnTheDevice)
{
	const std::string file = disk_audio::TempFile("kit-click");
	ASSERT_EQ(disk_audio::RunChild("KitDiskChild.ClickThePadOfTheSnare", file), 0);
	const std::vector<int16_t> output = disk_audio::ReadMono(file);
	std::remove(file.c_str());
	const Kit kit = DistinctKit();
	EXPECT_TRUE(Contains(output, Rendered(kit.pads[2].sound))) << "the snare's samples, bit for bit";
	EXPECT_FALSE(Contains(output, Rendered(kit.pads[3].sound)));
}

TEST_F(KitWindowTest, EditsInThePadsEditorReachTheKitAndUndoBoth)
{
	KitWindow* window = New();
	window->SelectPad(2);
	window->Pads()->setFocus();
	QTest::keyClick(window->Pads(), Qt::Key_Return);
	ProcessEvents();
	TunkWindow* editor = window->EditorOf(2);
	ASSERT_NE(editor, nullptr) << "Enter opens the selected pad's sound";
	EXPECT_NE(std::string(editor->Title()).find("Snare"), std::string::npos) << editor->Title();
	EXPECT_TRUE(tunk::SameBits(editor->Values(), window->CurrentKit().pads[2].sound));

	// A typed frequency in the editor is the pad's.
	Type(editor, "TextFreqStart", "333");
	EXPECT_FLOAT_EQ(window->CurrentKit().pads[2].sound[tunk::Param::startFreq], 333.0f);
	EXPECT_TRUE(window->DataChanged());
	EXPECT_EQ(std::string(window->Title()).back(), '*');

	// Undo in the editor takes it back from the kit too.
	editor->PostMessage(kMsgUndo);
	ProcessEvents();
	EXPECT_FALSE(window->DataChanged());
	EXPECT_EQ(window->CurrentKit().pads[2].sound, NewKit(kUntitledKitName).pads[2].sound);

	// Undo in the kit puts the kit's sound back into the open editor.
	Type(editor, "TextFreqStart", "444");
	window->PostMessage(kMsgUndo);
	ProcessEvents();
	EXPECT_FLOAT_EQ(editor->Values()[tunk::Param::startFreq],
	    window->CurrentKit().pads[2].sound[tunk::Param::startFreq]);
	EXPECT_FALSE(window->DataChanged());

	// A double click on another pad opens its own editor; closing the kit closes both, and the
	// editors never ask about saving: the kit holds their sounds.
	ClickPad(window, 0, true);
	TunkWindow* kick = window->EditorOf(0);
	ASSERT_NE(kick, nullptr);
	EXPECT_NE(kick, editor);
	alerts.Press(1);  // don't save
	Type(kick, "TextFreqStart", "99");
	window->PostMessage(B_QUIT_REQUESTED);
	ProcessEvents();
	EXPECT_FALSE(BLooper::IsAlive(editor));
	EXPECT_FALSE(BLooper::IsAlive(kick));
	EXPECT_EQ(alerts.All().size(), 1u) << "only the kit asked";
}

TEST_F(KitWindowTest, PanelEditsAreStepsOfTheKit)
{
	KitWindow* window = New();
	window->SelectPad(4);
	auto* level = window->Widget()->findChild<QDoubleSpinBox*>(QStringLiteral("PadLevel"));
	ASSERT_NE(level, nullptr);
	level->setValue(-12.0);
	ProcessEvents();
	EXPECT_FLOAT_EQ(window->CurrentKit().pads[4].level, -12.0f);
	EXPECT_EQ(window->Action(kMsgUndo)->text().toStdString(), "Undo Level");

	// One control on two pads is two steps, each undo showing its pad.
	window->SelectPad(5);
	level->setValue(-9.0);
	ProcessEvents();
	EXPECT_EQ(window->Document().History().CountSteps(), 2u);
	window->SelectPad(0);
	window->PostMessage(kMsgUndo);
	ProcessEvents();
	EXPECT_FLOAT_EQ(window->CurrentKit().pads[5].level, NewKit().pads[5].level);
	EXPECT_FLOAT_EQ(window->CurrentKit().pads[4].level, -12.0f);
	EXPECT_EQ(window->SelectedPad(), 5u);
	window->SelectPad(4);

	auto* name = window->Widget()->findChild<QLineEdit*>(QStringLiteral("PadName"));
	name->setFocus();
	name->selectAll();
	QTest::keyClicks(name, "Floor Tom");
	QTest::keyClick(name, Qt::Key_Return);
	ProcessEvents();
	EXPECT_EQ(window->CurrentKit().pads[4].name, "Floor Tom");

	window->PostMessage(kMsgUndo);
	window->PostMessage(kMsgUndo);
	ProcessEvents();
	EXPECT_EQ(window->CurrentKit(), NewKit(kUntitledKitName));
	EXPECT_FALSE(window->DataChanged());
	EXPECT_DOUBLE_EQ(level->value(), NewKit().pads[4].level) << "the panel shows the kit as it is";
	window->SelectPad(9);
	window->PostMessage(kMsgRedo);
	ProcessEvents();
	EXPECT_FLOAT_EQ(window->CurrentKit().pads[4].level, -12.0f);
	EXPECT_EQ(window->SelectedPad(), 4u);
	EXPECT_DOUBLE_EQ(level->value(), -12.0);
}

TEST_F(KitWindowTest, APresetLoadedOrDroppedOnAPadBecomesItsSoundWhole)
{
	tunk::SoundParams cowbell;
	cowbell[tunk::Param::startFreq] = 800;
	cowbell[tunk::Param::oscType] = 2;
	const std::string preset = dir.Path() + "/Bell.tunk";
	ASSERT_EQ(WritePreset(preset.c_str(), cowbell, {}), B_OK);

	KitWindow* window = New();
	// The upper half of the pad, left of its key, where its sound's name goes; the pad selected
	// already, as loading it selects it.
	window->SelectPad(10);
	const QRect soundLine = window->Pads()->PadRect(10).adjusted(6, 2, -20, -window->Pads()->PadRect(10).height() / 2);
	const QImage unnamed = window->Pads()->grab().toImage().copy(soundLine);
	panels.openRefs = {entry_ref(dir.Path().c_str(), "Bell.tunk")};
	BMessage load(kMsgPadLoadSound);
	load.AddInt32("pad", 10);
	window->PostMessage(&load);
	ProcessEvents();
	EXPECT_TRUE(tunk::SameBits(window->CurrentKit().pads[10].sound, cowbell));
	EXPECT_EQ(window->Action(kMsgUndo)->text().toStdString(), "Undo Load Sound");
	EXPECT_EQ(window->CurrentKit().pads[10].soundName, "Bell") << "the pad names its sound";
	EXPECT_NE(window->Pads()->grab().toImage().copy(soundLine), unnamed) << "and shows it";
	EXPECT_EQ(window->Pads()->ToolTipOf(10), window->CurrentKit().pads[10].name + ": Bell");
	// Sounds are looked for first among the factory's, kits among the factory kits.
	ASSERT_FALSE(FindFactoryFolder().empty());
	ASSERT_EQ(panels.startFolders.size(), 1u);
	EXPECT_EQ(std::filesystem::path(panels.startFolders[0]), FindFactoryFolder().lexically_normal());
	panels.openRefs.clear();
	window->PostMessage(kMsgOpenPreset);
	ProcessEvents();
	ASSERT_FALSE(FindFactoryKitsFolder().empty());
	ASSERT_EQ(panels.startFolders.size(), 2u);
	EXPECT_EQ(std::filesystem::path(panels.startFolders[1]), FindFactoryKitsFolder().lexically_normal());
	// A factory kit opened comes as a new kit named after it: Save asks where.
	KitWindow* factory = Shown(new KitWindow(BPoint(90, 90), (FindFactoryKitsFolder() / "808 Electro.tunkkit").string()));
	EXPECT_FALSE(factory->HasFile());
	EXPECT_FALSE(factory->DataChanged());
	EXPECT_EQ(std::string(factory->Title()), std::string(kTunkTitlePrefix) + "808 Electro");
	EXPECT_FALSE(factory->CurrentKit().pads[0].soundName.empty()) << "the factory names its sounds";
	factory->PostMessage(kMsgKitSave);
	ProcessEvents();
	ASSERT_EQ(panels.shown.size(), 3u);
	EXPECT_EQ(panels.shown[2], B_SAVE_PANEL);

	// Dropped from a file manager onto pad 13.
	QMimeData data;
	data.setUrls({QUrl::fromLocalFile(QString::fromStdString(preset))});
	const QPoint where = window->Pads()->PadRect(13).center();
	QDragEnterEvent enter(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
	QCoreApplication::sendEvent(window->Pads(), &enter);
	EXPECT_TRUE(enter.isAccepted());
	QDropEvent drop(QPointF(where), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
	QCoreApplication::sendEvent(window->Pads(), &drop);
	ProcessEvents();
	EXPECT_TRUE(tunk::SameBits(window->CurrentKit().pads[13].sound, cowbell));
	EXPECT_EQ(window->SelectedPad(), 13u);

	// A preset's reserved word, unknown keys and newer version go with its sound onto the pad,
	// into the pad's editor, through the editor's edits and undos, and through the kit's file.
	const PresetExtras extras{0xBEEFu, {{"warp", "0.5"}}, kPresetExtensionVersion + 1};
	ASSERT_EQ(WritePreset(preset.c_str(), cowbell, extras), B_OK);
	ASSERT_TRUE(window->LoadPadSound(7, preset));
	EXPECT_EQ(window->CurrentKit().pads[7].soundReserved, 0xBEEFu);
	EXPECT_EQ(PadSoundExtras(window->CurrentKit().pads[7]), extras);
	TunkWindow* editor = window->EditPad(7);
	ASSERT_NE(editor, nullptr);
	EXPECT_EQ(editor->Document().Extras(), extras);
	Type(editor, "TextFreqStart", "900");
	EXPECT_EQ(editor->Params().reserved, 0xBEEFu) << "Save Preset writes the word back";
	EXPECT_EQ(PadSoundExtras(window->CurrentKit().pads[7]), extras);
	// Another sound in the editor comes with its own extras, and its undo with the old ones.
	editor->ReplaceDocument(cowbell, {"", "Plain", "", {}}, true, "Library Sound");
	EXPECT_EQ(window->CurrentKit().pads[7].soundReserved, 0u);
	EXPECT_TRUE(window->CurrentKit().pads[7].soundUnknown.empty());
	EXPECT_EQ(window->CurrentKit().pads[7].soundName, "Plain");
	editor->PostMessage(kMsgUndo);
	ProcessEvents();
	EXPECT_EQ(PadSoundExtras(window->CurrentKit().pads[7]), extras);
	EXPECT_EQ(window->CurrentKit().pads[7].soundName, "Bell");
	// An undo of the kit that gives the pad another sound starts its editor over with it.
	window->PostMessage(kMsgUndo);
	window->PostMessage(kMsgUndo);
	ProcessEvents();
	EXPECT_EQ(window->CurrentKit().pads[7].soundReserved, 0u);
	EXPECT_EQ(editor->Document().Extras(), PresetExtras());
	window->PostMessage(kMsgRedo);
	window->PostMessage(kMsgRedo);
	ProcessEvents();
	EXPECT_EQ(editor->Document().Extras(), extras);
	const std::string kitPath = dir.Path() + "/whole.tunkkit";
	ASSERT_TRUE(window->SaveTo(kitPath));
	KitWindow* reopened = Shown(new KitWindow(BPoint(90, 90), kitPath));
	EXPECT_EQ(reopened->CurrentKit(), window->CurrentKit());
	EXPECT_EQ(reopened->CurrentKit().pads[7].soundName, "Bell");
	TunkWindow* again = reopened->EditPad(7);
	ASSERT_NE(again, nullptr);
	EXPECT_EQ(again->Document().Extras(), extras);

	// A file that is no preset changes nothing and says why.
	const std::string junk = dir.Path() + "/junk.tunk";
	std::ofstream(junk) << "no preset here";
	const Kit before = window->CurrentKit();
	EXPECT_FALSE(window->LoadPadSound(1, junk));
	EXPECT_EQ(window->CurrentKit(), before);
	ASSERT_FALSE(alerts.Texts().empty());
	EXPECT_NE(alerts.Texts().back().find("junk.tunk"), std::string::npos) << alerts.Texts().back();
}

TEST_F(KitWindowTest, SaveAsAddsTheExtensionAndTheFileOpensAsItWasSaved)
{
	KitWindow* window = WithKit(DistinctKit());
	panels.SaveAs(dir.Path(), "drums");
	window->PostMessage(kMsgKitSave);
	ProcessEvents();
	const std::string path = dir.Path() + "/drums.tunkkit";
	ASSERT_TRUE(std::filesystem::exists(path));
	EXPECT_FALSE(window->DataChanged());
	EXPECT_EQ(std::string(window->Title()), std::string(kTunkTitlePrefix) + "drums.tunkkit");
	EXPECT_TRUE(IsKitFile(path));

	KitWindow* again = Shown(new KitWindow(BPoint(90, 90), path));
	EXPECT_EQ(again->CurrentKit(), window->CurrentKit());
	EXPECT_FALSE(again->DataChanged());
	EXPECT_EQ(again->Path(), path);

	// Save goes to the file without asking; a folder that is gone keeps the mark and says so.
	Kit changed = again->CurrentKit();
	changed.pads[0].pan = -0.5f;
	again->CommitKit(changed, "Pan");
	again->PostMessage(kMsgKitSave);
	ProcessEvents();
	Kit read;
	ASSERT_TRUE(ReadKitFile(path.c_str(), &read).Ok());
	EXPECT_FLOAT_EQ(read.pads[0].pan, -0.5f);
	EXPECT_EQ(panels.shown.size(), 1u);
	EXPECT_FALSE(again->SaveTo(dir.Path() + "/gone/x.tunkkit"));
	ASSERT_FALSE(alerts.Texts().empty());
	EXPECT_NE(alerts.Texts().back().find("Could not write"), std::string::npos);

	// A NaN from a preset's head is the same as itself: the kit saved with it is unchanged,
	// and its undo and redo still step.
	PresetParams head = DefaultPresetParams();
	head.startFreq = std::numeric_limits<float>::quiet_NaN();
	const PresetBytes bytes = EncodePresetRecord(head);
	const std::string nanPreset = dir.Path() + "/nan.tunk";
	std::ofstream(nanPreset, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
	ASSERT_TRUE(again->LoadPadSound(5, nanPreset));
	ASSERT_TRUE(std::isnan(again->CurrentKit().pads[5].sound[tunk::Param::startFreq]));
	ASSERT_TRUE(again->SaveTo(path));
	EXPECT_FALSE(again->DataChanged());
	again->PostMessage(kMsgUndo);
	ProcessEvents();
	EXPECT_TRUE(again->DataChanged());
	again->PostMessage(kMsgRedo);
	ProcessEvents();
	EXPECT_FALSE(again->DataChanged());

	// A kit file that is no kit says why and leaves a new kit.
	const std::string bad = dir.Path() + "/bad.tunkkit";
	std::ofstream(bad) << "{\"tunkKit\": 1, \"pads\": [{\"name\": \"x\"}]}";
	KitWindow* broken = Shown(new KitWindow(BPoint(90, 90)));
	EXPECT_FALSE(broken->Load(bad));
	EXPECT_FALSE(broken->HasFile());
	EXPECT_NE(alerts.Texts().back().find("bad.tunkkit"), std::string::npos) << alerts.Texts().back();
}

TEST_F(KitWindowTest, ClosingAChangedKitAsksFirst)
{
	KitWindow* window = WithKit(DistinctKit());
	alerts.Press(0);  // Cancel
	window->PostMessage(B_QUIT_REQUESTED);
	ProcessEvents();
	ASSERT_TRUE(BLooper::IsAlive(window));
	ASSERT_EQ(alerts.All().size(), 1u);
	EXPECT_EQ(alerts.All()[0].buttons, (std::vector<std::string>{"Cancel", "Don't save", "Save"}));
	EXPECT_EQ(alerts.All()[0].title, "Close Kit");

	// Save with a file of its own writes it and closes.
	ASSERT_TRUE(window->SaveTo(dir.Path() + "/k.tunkkit"));
	Kit changed = window->CurrentKit();
	changed.pads[3].choke = 2;
	window->CommitKit(changed, "Choke Group");
	alerts.Press(2);
	window->PostMessage(B_QUIT_REQUESTED);
	ProcessEvents();
	EXPECT_FALSE(BLooper::IsAlive(window));
	Kit read;
	ASSERT_TRUE(ReadKitFile((dir.Path() + "/k.tunkkit").c_str(), &read).Ok());
	EXPECT_EQ(read.pads[3].choke, 2);

	// An unchanged kit closes without a word.
	KitWindow* quiet = New();
	const size_t asked = alerts.All().size();
	quiet->PostMessage(B_QUIT_REQUESTED);
	ProcessEvents();
	EXPECT_FALSE(BLooper::IsAlive(quiet));
	EXPECT_EQ(alerts.All().size(), asked);
}

TEST_F(KitWindowTest, ExportSamplePackWritesEveryPadIntoTheChosenFolder)
{
	KitWindow* window = WithKit(DistinctKit());
	// A name typed for a folder that is not there yet is made.
	const std::string folder = dir.Path() + "/pack";
	panels.SaveAs(dir.Path(), "pack");
	window->PostMessage(kMsgKitExport);
	ProcessEvents();
	ASSERT_TRUE(WaitFor([&] { return !window->Exporting(); }));
	ASSERT_EQ(panels.shown.size(), 1u);
	EXPECT_EQ(panels.shown[0], B_SAVE_PANEL);
	EXPECT_EQ(window->StatusText(), "Exported 18 files to " + folder + ".");
	EXPECT_TRUE(std::filesystem::exists(folder + "/drumkit.xml"));
	EXPECT_TRUE(std::filesystem::exists(folder + "/Test Kit.sfz"));
	EXPECT_TRUE(std::filesystem::exists(folder + "/Snare.wav"));
	size_t files = 0;
	for (const auto& entry : std::filesystem::directory_iterator(folder))
		files += entry.path().extension() == ".wav" ? 1 : 0;
	EXPECT_EQ(files, 16u);
	ASSERT_FALSE(alerts.Texts().empty());
	EXPECT_NE(alerts.Texts().back().find("Exported 18 files"), std::string::npos) << alerts.Texts().back();

	// A folder that exists takes the pack again.
	std::filesystem::remove(folder + "/Snare.wav");
	window->PostMessage(kMsgKitExport);
	ProcessEvents();
	ASSERT_TRUE(WaitFor([&] { return !window->Exporting(); }));
	EXPECT_TRUE(std::filesystem::exists(folder + "/Snare.wav"));

	// A "folder" that is a file cannot take the pack, and the alert says so.
	std::ofstream(dir.Path() + "/plain") << "a file";
	panels.SaveAs(dir.Path(), "plain");
	window->PostMessage(kMsgKitExport);
	ProcessEvents();
	ASSERT_TRUE(WaitFor([&] { return !window->Exporting(); }));
	EXPECT_EQ(window->StatusText(), "The sample pack was not exported.");
	EXPECT_NE(alerts.Texts().back().find("Could not export"), std::string::npos) << alerts.Texts().back();

	// Ten minutes on a pad: the pack is written on a thread of its own while the window goes
	// on, and a close asked meanwhile waits for the pack to be whole.
	Kit slow = DistinctKit();
	slow.pads[1].sound[tunk::Param::duration] = 600000;
	window->CommitKit(slow, "Long Pad");
	panels.SaveAs(dir.Path(), "slow");
	window->PostMessage(kMsgKitExport);
	ProcessEvents();
	ASSERT_TRUE(window->Exporting());
	EXPECT_EQ(window->StatusText(), "Exporting the sample pack to " + dir.Path() + "/slow…");
	window->PostMessage(kMsgKitExport);
	ClickPad(window, 3);
	EXPECT_EQ(window->SelectedPad(), 3u) << "the window answers meanwhile";
	EXPECT_EQ(panels.shown.size(), 4u) << "one pack at a time";
	const size_t said = alerts.Texts().size();
	alerts.Press(0);  // the export's report
	alerts.Press(1);  // Don't save
	window->PostMessage(B_QUIT_REQUESTED);
	ProcessEvents();
	ASSERT_TRUE(BLooper::IsAlive(window));
	EXPECT_EQ(window->StatusText(), "Closing once the sample pack is written to " + dir.Path() + "/slow…");
	// Ten minutes of sound take a while in a sanitizer's build.
	ASSERT_TRUE(WaitFor([&] { return !BLooper::IsAlive(window); }, std::chrono::seconds(300)));
	ASSERT_EQ(alerts.Texts().size(), said + 2);
	EXPECT_NE(alerts.Texts()[said].find("Exported 18 files"), std::string::npos) << alerts.Texts()[said];
	const std::string longPad = dir.Path() + "/slow/" + PadFileNames(slow, "wav")[1];
	EXPECT_EQ(std::filesystem::file_size(longPad), 44u + 2u * 26460000u);
}
