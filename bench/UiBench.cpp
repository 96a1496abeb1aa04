// What a user feels in the editor window, headless (offscreen Qt, SDL's dummy driver):
// - message to pixels: a slider message handled, the sound regenerated and the waveform
//   drawn, until the window has repainted;
// - key to sound: a press of the space bar until the player's callback hands out sample 0;
// - undo: Ctrl+Z on a 3000 ms sound with every stage on, until the restored waveform has
//   repainted.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/SpaceBarFilter.h"
#include "engine/TunkSound.h"
#include "kits/app/Application.h"
#include "kits/app/Message.h"
#include "kits/interface/Button.h"
#include "kits/interface/Slider.h"
#include "window/TunkWindow.h"

namespace {

using Clock = std::chrono::steady_clock;

void Headless()
{
	setenv("QT_QPA_PLATFORM", "offscreen", 0);
	setenv("SDL_AUDIODRIVER", "dummy", 0);
}

void Settle()
{
	for (int i = 0; i < 5; i++) {
		QCoreApplication::sendPostedEvents();
		QCoreApplication::processEvents(QEventLoop::AllEvents);
	}
}

// One shown editor window per process, like the application's first.
TunkWindow* Window()
{
	static TunkWindow* window = nullptr;
	if (window == nullptr) {
		Headless();
		new BApplication("application/x-vnd.Tunk-UiBench");
		window = new TunkWindow(BRect(50, 50, 560, 515), new SpaceBarFilter);
		window->Show();
		Settle();
	}
	return window;
}

// Sends the window a slider's message as the slider does when it moves to `value`.
void Slide(TunkWindow* window, const char* name, uint32 code, int32 value)
{
	BSlider* slider = dynamic_cast<BSlider*>(window->FindView(name));
	window->Lock();
	slider->SetValue(value);
	BMessage message(code);
	window->MessageReceived(&message);
	window->Unlock();
}

void BM_SliderMessageToPixels(benchmark::State& state)
{
	TunkWindow* window = Window();
	const int32 duration = int32(state.range(0));
	Slide(window, "DurSlider", kMsgDurSlider, duration);
	Settle();
	if (window->Sound()->GetSampleLength() != int64(duration) * 441 / 10) {
		state.SkipWithError("the duration did not reach the engine");
		return;
	}
	int32 frequency = 440;
	for (auto _ : state) {
		frequency = frequency == 440 ? 441 : 440;
		Slide(window, "FreqSlider", kMsgFreqSlider, frequency);
		Settle();  // the repaint of the waveform view
	}
	if (window->Sound()->GetStartFreq() != float(frequency))
		state.SkipWithError("the slider's message did not reach the engine");
	state.SetLabel(std::to_string(duration) + " ms sound");
}
BENCHMARK(BM_SliderMessageToPixels)->Arg(200)->Arg(3000)->Unit(benchmark::kMillisecond);

// Ctrl+Z pressed in the window, through the menu bar's shortcut, until the waveform of the
// restored sound has repainted. Each pair of iterations undoes and redoes a frequency step.
void BM_UndoKeyToPixels(benchmark::State& state)
{
	TunkWindow* window = Window();
	QApplication::setActiveWindow(window->Widget());
	if (!QTest::qWaitForWindowActive(window->Widget())) {
		state.SkipWithError("the window never became active");
		return;
	}
	window->Lock();
	// Each run starts from where the last one left off: the frequency is set back, so that
	// the step undone always goes from 1000 Hz to 300 Hz.
	tunk::SoundParams every = window->Values();
	using tunk::Param;
	every[Param::startFreq] = 1000;
	every[Param::duration] = 3000;
	for (Param stage : {Param::ampEnvEnabled, Param::freqEnvEnabled, Param::distortionEnabled,
	         Param::filterEnabled})
		every[stage] = 1;
	every[Param::ampEnvelope] = 3;
	every[Param::freqEnvelope] = 5;
	every[Param::distortion] = 4;
	// Every layer too: a second tone, an attack and hold, the noise with its filter and claps.
	every[Param::endFreq] = 60;
	every[Param::attack] = 2;
	every[Param::hold] = 20;
	every[Param::osc2Level] = 0.4f;
	every[Param::noiseLevel] = 0.5f;
	every[Param::noiseFilter] = 2;
	every[Param::clapCount] = 3;
	window->ApplyParams(every, "Every Stage");
	window->Unlock();
	Slide(window, "FreqSlider", kMsgFreqSlider, 300);
	Settle();
	if (window->Sound()->GetSampleLength() != 132300 || !window->UndoHistory().CanUndo()) {
		state.SkipWithError("the 3000 ms sound with every stage is not in place");
		return;
	}
	QWidget* focus = dynamic_cast<BButton*>(window->FindView("PlayButton"))->PushButton();
	focus->setFocus();
	bool undone = false;
	for (auto _ : state) {
		if (undone)
			QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
		else
			QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier);
		Settle();  // the posted command, the regeneration and the repaint
		undone = !undone;
	}
	const float expected = undone ? every[tunk::Param::startFreq] : 300.0f;
	if (window->Sound()->GetStartFreq() != expected) {
		std::string error = "the key did not undo and redo the step: " +
		                    std::to_string(window->Sound()->GetStartFreq());
		state.SkipWithError(error.c_str());
	}
	state.SetLabel("3000 ms, every stage and layer on");
}
BENCHMARK(BM_UndoKeyToPixels)->Unit(benchmark::kMillisecond);

// The filter prints a line per key: kept off the benchmark's report while it runs.
class QuietStdout {
public:
	QuietStdout()
	{
		std::fflush(stdout);
		saved = dup(STDOUT_FILENO);
		int null = open("/dev/null", O_WRONLY);
		dup2(null, STDOUT_FILENO);
		close(null);
	}
	~QuietStdout()
	{
		std::fflush(stdout);
		dup2(saved, STDOUT_FILENO);
		close(saved);
	}

private:
	int saved;
};

void BM_SpaceKeyToFirstSample(benchmark::State& state)
{
	TunkWindow* window = Window();
	TunkSound* sound = window->Sound();
	QWidget* target = window->Widget();
	QuietStdout quiet;
	// The first press opens the device; it is not what a user waits for on later presses.
	QTest::keyClick(target, Qt::Key_Space);
	Settle();
	int late = 0;
	double longest = 0;
	for (auto _ : state) {
		sound->StopSound();
		// Presses come at any moment of the device's buffer period.
		usleep(useconds_t(std::rand() % 12000));
		const Clock::time_point pressed = Clock::now();
		QTest::keyClick(target, Qt::Key_Space);
		const Clock::time_point give_up = pressed + std::chrono::seconds(1);
		while (!(sound->IsPlaying() && sound->GetPlaySamplePosition() != 0)) {
			if (!sound->IsPlaying())
				QCoreApplication::processEvents(QEventLoop::AllEvents);
			if (Clock::now() > give_up) {
				state.SkipWithError("no callback handed out the sound within a second");
				return;
			}
		}
		const double seconds = std::chrono::duration<double>(Clock::now() - pressed).count();
		state.SetIterationTime(seconds);
		late += seconds > 512.0 / 44100.0;
		longest = std::max(longest, seconds);
	}
	sound->StopSound();
	state.counters["beyond_one_buffer"] = late;
	state.counters["longest_ms"] = longest * 1000.0;
}
BENCHMARK(BM_SpaceKeyToFirstSample)
	->UseManualTime()
	->Iterations(200)
	->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
