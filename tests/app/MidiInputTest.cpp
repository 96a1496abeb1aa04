// The MIDI input port against a JACK server of each test's own (jackd with the dummy
// driver, under a server name no other test uses), a small client that plays the keys,
// and real editor windows; the sound on SDL's disk driver in a child process. The ALSA
// sequencer path runs where the machine has one.
#include "app/MidiInput.h"

#include <QCoreApplication>
#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <gtest/gtest.h>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <rtmidi/RtMidi.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "app/ChildProcess.h"
#include "app/JackServer.h"
#include "engine/DiskAudio.h"
#include "engine/TunkSound.h"
#include "engine/core/Hit.h"
#include "engine/core/Render.h"
#include "kits/app/AppDefs.h"
#include "kits/app/Application.h"
#include "kits/app/Looper.h"
#include "window/MidiMenu.h"
#include "window/TunkWindow.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<unsigned char>;

BApplication* App()
{
	static BApplication* app = new BApplication("application/x-vnd.Tunk-MidiTest");
	return app;
}

// Runs the event loop until `done` or ten seconds, whichever comes first.
bool WaitUntil(const std::function<bool()>& done)
{
	for (int i = 0; i < 2000 && !done(); i++) {
		QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
		std::this_thread::sleep_for(5ms);
	}
	return done();
}

// Runs the event loop for a moment, so that closed windows go.
void Settle()
{
	for (int i = 0; i < 20; i++) {
		QCoreApplication::sendPostedEvents();
		QCoreApplication::processEvents(QEventLoop::AllEvents);
	}
}

void Close(BWindow* window)
{
	if (BLooper::IsAlive(window))
		window->Quit();
	Settle();
}

// Sends to Tunk's own port, as a keyboard connected with a patchbay would. A new client
// can be refused for a moment while the server settles: it tries again for a while.
class Keys {
public:
	explicit Keys(RtMidi::Api which) : api(which) {}

	bool ConnectToTunk()
	{
		for (int attempt = 0; attempt < 50; attempt++) {
			try {
				out = std::make_unique<RtMidiOut>(api, "tunk-test-keys");
				for (unsigned int i = 0; i < out->getPortCount(); i++) {
					if (out->getPortName(i).rfind("Tunk:Tunk", 0) == 0) {
						out->openPort(i, "keys");
						if (out->isPortOpen())
							return true;
					}
				}
			} catch (const RtMidiError&) {
			}
			std::this_thread::sleep_for(100ms);
		}
		return false;
	}
	void Send(Bytes bytes) { out->sendMessage(&bytes); }

private:
	RtMidi::Api api;
	std::unique_ptr<RtMidiOut> out;
};

// A keyboard of the test's own, an output port "NAME:out" Tunk can connect from.
std::unique_ptr<RtMidiOut> Keyboard(const std::string& name = "tunk-test-keyboard")
{
	for (int attempt = 0; attempt < 50; attempt++) {
		try {
			auto keyboard = std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, name);
			keyboard->openVirtualPort("out");
			return keyboard;
		} catch (const RtMidiError&) {
		}
		std::this_thread::sleep_for(100ms);
	}
	return nullptr;
}

// A JACK client of the test's own that reads the graph as jack_lsp does, and changes it as
// a patchbay does.
class Patchbay {
public:
	Patchbay()
	{
		for (int attempt = 0; attempt < 50 && client == nullptr; attempt++) {
			client = jack_client_open("tunk-test-patchbay", JackNoStartServer, nullptr);
			if (client == nullptr)
				std::this_thread::sleep_for(100ms);
		}
	}
	~Patchbay()
	{
		if (client != nullptr)
			jack_client_close(client);
	}

	// Every port (any type) whose full name matches the regular expression.
	std::vector<std::string> Ports(const char* pattern) const
	{
		return Names(jack_get_ports(client, pattern, nullptr, 0));
	}

	std::vector<std::string> Connections(const std::string& port) const
	{
		jack_port_t* found = jack_port_by_name(client, port.c_str());
		return found == nullptr ? std::vector<std::string>()
								: Names(jack_port_get_all_connections(client, found));
	}

	unsigned long Flags(const std::string& port) const
	{
		jack_port_t* found = jack_port_by_name(client, port.c_str());
		return found == nullptr ? 0 : (unsigned long)jack_port_flags(found);
	}

	std::string Type(const std::string& port) const
	{
		jack_port_t* found = jack_port_by_name(client, port.c_str());
		return found == nullptr ? "" : jack_port_type(found);
	}

	int Disconnect(const std::string& from, const std::string& to)
	{
		return jack_disconnect(client, from.c_str(), to.c_str());
	}

	jack_client_t* client = nullptr;

private:
	static std::vector<std::string> Names(const char** ports)
	{
		std::vector<std::string> names;
		if (ports != nullptr) {
			for (const char** name = ports; *name != nullptr; name++)
				names.emplace_back(*name);
			jack_free(ports);
		}
		std::sort(names.begin(), names.end());
		return names;
	}
};

// A JACK MIDI source as most JACK programs start: its port registered first, the client
// activated later, and a note-on sent on request from its process callback.
class JackSource {
public:
	explicit JackSource(const char* name)
	{
		for (int attempt = 0; attempt < 50 && client == nullptr; attempt++) {
			client = jack_client_open(name, JackNoStartServer, nullptr);
			if (client == nullptr)
				std::this_thread::sleep_for(100ms);
		}
		if (client != nullptr) {
			port = jack_port_register(client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
			jack_set_process_callback(client, Process, this);
		}
	}
	~JackSource()
	{
		if (client != nullptr)
			jack_client_close(client);
	}

	bool Ready() const { return client != nullptr && port != nullptr; }
	bool Activate() { return jack_activate(client) == 0; }
	void SendNote() { pending = true; }

private:
	static int Process(jack_nframes_t frames, void* self)
	{
		auto* source = static_cast<JackSource*>(self);
		void* buffer = jack_port_get_buffer(source->port, frames);
		jack_midi_clear_buffer(buffer);
		if (source->pending.exchange(false)) {
			const jack_midi_data_t note[3] = {0x90, 50, 90};
			jack_midi_event_write(buffer, 0, note, 3);
		}
		return 0;
	}

	jack_client_t* client = nullptr;
	jack_port_t* port = nullptr;
	std::atomic<bool> pending{false};
};

// The menu's item for `source` as the menu shows it when it opens, nullptr when unlisted.
QAction* MenuItem(QMenu* menu, const std::string& source)
{
	emit menu->aboutToShow();
	for (QAction* action : menu->actions()) {
		if (action->text().toStdString() == source)
			return action;
	}
	return nullptr;
}

bool Checked(QMenu* menu, const std::string& source)
{
	QAction* item = MenuItem(menu, source);
	return item != nullptr && item->isChecked();
}

// Settings of this test only: a fresh folder each time, since a folder named after the
// process id may hold what an earlier test process with the same id remembered.
void PrivateSettings()
{
	std::string config = std::string(::testing::TempDir()) + "tunk-midi-config-XXXXXX";
	ASSERT_NE(mkdtemp(config.data()), nullptr);
	setenv("XDG_CONFIG_HOME", config.c_str(), 1);
}

std::string UniqueServerName()
{
	static int count = 0;
	return "tunk-midi-test-" + std::to_string(getpid()) + "-" + std::to_string(count++);
}

class MidiJackTest : public ::testing::Test {
protected:
	void SetUp() override
	{
		PrivateSettings();
		App();
		const std::string name = UniqueServerName();
		setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
		setenv("JACK_NO_START_SERVER", "1", 1);
		setenv("TUNK_MIDI_API", "jack", 1);
		const std::string failure = server.Start(TUNK_JACKD, name);
		ASSERT_EQ(failure, "");
	}

	void TearDown() override
	{
		for (TunkWindow* window : windows)
			Close(window);
		server.Stop();
		unsetenv("TUNK_MIDI_API");
	}

	TunkWindow* OpenWindow(float left)
	{
		TunkWindow* window = new TunkWindow(BRect(left, 50, left + 510, 515));
		window->Show();
		windows.push_back(window);
		return window;
	}

	static bool Activate(TunkWindow* window)
	{
		window->Activate();
		return WaitUntil([window] {
			return QGuiApplication::focusWindow() == window->Widget()->windowHandle();
		});
	}

	JackServer server;
	std::vector<TunkWindow*> windows;
};

}  // namespace

TEST_F(MidiJackTest, NotesPlayTheWindowActiveLast)
{
	MidiInput midi(App());
	ASSERT_TRUE(midi.Available());
	EXPECT_STREQ(midi.ApiName(), "JACK");
	TunkWindow* first = OpenWindow(50);
	TunkWindow* second = OpenWindow(600);
	Keys keys(RtMidi::UNIX_JACK);
	ASSERT_TRUE(keys.ConnectToTunk());

	ASSERT_TRUE(Activate(first));
	keys.Send({0x90, 60, 127});
	EXPECT_TRUE(WaitUntil([&] { return first->Sound()->IsPlaying(); }));
	EXPECT_FALSE(second->Sound()->IsPlaying());
	first->Sound()->StopSound();

	// Any channel, any note.
	ASSERT_TRUE(Activate(second));
	keys.Send({0x99, 38, 30});
	EXPECT_TRUE(WaitUntil([&] { return second->Sound()->IsPlaying(); }));
	EXPECT_FALSE(first->Sound()->IsPlaying());

	// The last active window is gone: the newest editor window takes the notes.
	second->Sound()->StopSound();
	Close(second);
	windows.pop_back();
	keys.Send({0x90, 64, 100});
	EXPECT_TRUE(WaitUntil([&] { return first->Sound()->IsPlaying(); }));
}

TEST_F(MidiJackTest, SourcesAreConnectedAndRememberedForTheNextStart)
{
	TunkWindow* window = OpenWindow(50);
	ASSERT_TRUE(Activate(window));
	std::unique_ptr<RtMidiOut> keyboard = Keyboard();
	ASSERT_NE(keyboard, nullptr);
	const std::string source = "tunk-test-keyboard:out";
	Bytes note = {0x90, 48, 110};
	{
		MidiInput midi(App());
		ASSERT_TRUE(midi.Available());
		EXPECT_EQ(MidiSources::Installed(), &midi);
		std::vector<std::string> sources = midi.Sources();
		EXPECT_NE(std::find(sources.begin(), sources.end(), source), sources.end());
		for (const std::string& name : sources)
			EXPECT_NE(name.rfind("Tunk:", 0), 0u) << "our own port listed: " << name;
		EXPECT_TRUE(MidiInput::Remembered().empty());

		EXPECT_FALSE(midi.Connect("no-such-client:out"));
		ASSERT_TRUE(midi.Connect(source));
		EXPECT_TRUE(midi.IsConnected(source));
		EXPECT_EQ(MidiInput::Remembered(), std::vector<std::string>{source});
		keyboard->sendMessage(&note);
		EXPECT_TRUE(WaitUntil([&] { return window->Sound()->IsPlaying(); }));
		window->Sound()->StopSound();
	}
	EXPECT_EQ(MidiSources::Installed(), nullptr);

	// The next start connects it again by itself.
	MidiInput again(App());
	EXPECT_TRUE(again.IsConnected(source));
	keyboard->sendMessage(&note);
	EXPECT_TRUE(WaitUntil([&] { return window->Sound()->IsPlaying(); }));

	again.Disconnect(source);
	EXPECT_FALSE(again.IsConnected(source));
	EXPECT_TRUE(MidiInput::Remembered().empty());
}

// The menu lists the sources as it opens, marks the connected ones, and choosing an
// item connects or disconnects its source through the application's queue.
TEST_F(MidiJackTest, MenuListsAndConnectsSources)
{
	std::unique_ptr<RtMidiOut> keyboard = Keyboard();
	ASSERT_NE(keyboard, nullptr);
	const std::string source = "tunk-test-keyboard:out";
	MidiInput midi(App());
	ASSERT_TRUE(midi.Available());
	QMenu sound;
	QMenu* menu = AddMidiInputMenu(&sound);
	EXPECT_EQ(menu->title(), QStringLiteral("MIDI Input"));

	auto item = [&]() -> QAction* {
		emit menu->aboutToShow();
		for (QAction* action : menu->actions()) {
			EXPECT_NE(action->text(), QString::fromUtf8(kNoMidiInputText));
			if (action->text().toStdString() == source)
				return action;
		}
		return nullptr;
	};
	ASSERT_NE(item(), nullptr);
	EXPECT_FALSE(item()->isChecked());

	item()->trigger();
	EXPECT_TRUE(WaitUntil([&] { return midi.IsConnected(source); }));
	EXPECT_TRUE(item()->isChecked());
	EXPECT_EQ(MidiInput::Remembered(), std::vector<std::string>{source});

	item()->trigger();
	EXPECT_TRUE(WaitUntil([&] { return !midi.IsConnected(source); }));
	EXPECT_FALSE(item()->isChecked());
	EXPECT_TRUE(MidiInput::Remembered().empty());
}

// Every checked source goes into the one port of the one client "Tunk", as jack_lsp shows
// the graph; notes from each of them play.
TEST_F(MidiJackTest, CheckedSourcesShareOneClientAndOnePort)
{
	TunkWindow* window = OpenWindow(50);
	ASSERT_TRUE(Activate(window));
	std::unique_ptr<RtMidiOut> keyboard = Keyboard("tunk-test-keyboard");
	std::unique_ptr<RtMidiOut> pads = Keyboard("tunk-test-pads");
	ASSERT_TRUE(keyboard != nullptr && pads != nullptr);
	MidiInput midi(App());
	ASSERT_TRUE(midi.Available());
	QMenu sound;
	QMenu* menu = AddMidiInputMenu(&sound);
	const std::vector<std::string> sources = {"tunk-test-keyboard:out", "tunk-test-pads:out"};
	for (const std::string& source : sources) {
		QAction* item = MenuItem(menu, source);
		ASSERT_NE(item, nullptr) << source;
		item->trigger();
		EXPECT_TRUE(WaitUntil([&] { return Checked(menu, source); })) << source;
	}

	Patchbay patchbay;
	ASSERT_NE(patchbay.client, nullptr);
	// No "Tunk-01" or a port per source: one port, of one client.
	EXPECT_EQ(patchbay.Ports("^Tunk"), std::vector<std::string>{"Tunk:Tunk"});
	EXPECT_NE(patchbay.Flags("Tunk:Tunk") & JackPortIsInput, 0u);
	EXPECT_EQ(patchbay.Type("Tunk:Tunk"), JACK_DEFAULT_MIDI_TYPE);
	EXPECT_EQ(patchbay.Connections("Tunk:Tunk"), sources);

	for (RtMidiOut* from : {keyboard.get(), pads.get()}) {
		Bytes note = {0x90, 40, 120};
		from->sendMessage(&note);
		EXPECT_TRUE(WaitUntil([&] { return window->Sound()->IsPlaying(); }));
		window->Sound()->StopSound();
		EXPECT_TRUE(WaitUntil([&] { return !window->Sound()->IsPlaying(); }));
	}

	// Unchecking takes the connection away, and only that one.
	MenuItem(menu, sources[0])->trigger();
	EXPECT_TRUE(WaitUntil([&] { return !Checked(menu, sources[0]); }));
	EXPECT_EQ(patchbay.Connections("Tunk:Tunk"), std::vector<std::string>{sources[1]});
}

// The marks are the graph's: a connection cut elsewhere shows unchecked, a source that
// closes is no longer checked, and one that comes back under its name is connected again
// (it is remembered) and plays.
TEST_F(MidiJackTest, MarksFollowTheRealConnectionsOfASourceThatRestarts)
{
	TunkWindow* window = OpenWindow(50);
	ASSERT_TRUE(Activate(window));
	const std::string source = "tunk-test-keyboard:out";
	std::unique_ptr<RtMidiOut> keyboard = Keyboard();
	ASSERT_NE(keyboard, nullptr);
	MidiInput midi(App());
	ASSERT_TRUE(midi.Available());
	QMenu sound;
	QMenu* menu = AddMidiInputMenu(&sound);
	Patchbay patchbay;
	ASSERT_NE(patchbay.client, nullptr);
	Bytes note = {0x90, 36, 100};

	ASSERT_NE(MenuItem(menu, source), nullptr);
	MenuItem(menu, source)->trigger();
	ASSERT_TRUE(WaitUntil([&] { return Checked(menu, source); }));

	// Cut in a patchbay: the mark goes, and checking connects it again.
	ASSERT_EQ(patchbay.Disconnect(source, "Tunk:Tunk"), 0);
	EXPECT_TRUE(WaitUntil([&] { return !Checked(menu, source); }));
	MenuItem(menu, source)->trigger();
	ASSERT_TRUE(WaitUntil([&] { return Checked(menu, source); }));

	for (int restart = 0; restart < 2; restart++) {
		keyboard.reset();
		EXPECT_TRUE(WaitUntil([&] { return !Checked(menu, source); })) << "checked while gone";
		EXPECT_FALSE(midi.IsConnected(source));

		keyboard = Keyboard();
		ASSERT_NE(keyboard, nullptr);
		EXPECT_TRUE(WaitUntil([&] { return Checked(menu, source); }))
			<< "the remembered source was not connected again after restart " << restart;
		EXPECT_EQ(patchbay.Connections("Tunk:Tunk"), std::vector<std::string>{source});
		keyboard->sendMessage(&note);
		EXPECT_TRUE(WaitUntil([&] { return window->Sound()->IsPlaying(); }))
			<< "checked but silent after restart " << restart;
		window->Sound()->StopSound();
		EXPECT_TRUE(WaitUntil([&] { return !window->Sound()->IsPlaying(); }));
	}

	// Unchecked, it stays away when it comes back. A checked source restarting after it
	// shows that the program has looked at the sources since.
	MenuItem(menu, source)->trigger();
	ASSERT_TRUE(WaitUntil([&] { return !Checked(menu, source); }));
	const std::string padsOut = "tunk-test-pads:out";
	std::unique_ptr<RtMidiOut> pads = Keyboard("tunk-test-pads");
	ASSERT_NE(pads, nullptr);
	ASSERT_TRUE(WaitUntil([&] { return MenuItem(menu, padsOut) != nullptr; }));
	MenuItem(menu, padsOut)->trigger();
	ASSERT_TRUE(WaitUntil([&] { return Checked(menu, padsOut); }));
	keyboard.reset();
	pads.reset();
	keyboard = Keyboard();
	pads = Keyboard("tunk-test-pads");
	ASSERT_TRUE(keyboard != nullptr && pads != nullptr);
	ASSERT_TRUE(WaitUntil([&] { return Checked(menu, padsOut); }));
	EXPECT_FALSE(Checked(menu, source));
	EXPECT_EQ(patchbay.Connections("Tunk:Tunk"), std::vector<std::string>{padsOut});
}

// A remembered source whose program registers its port before it activates is connected
// once it runs, not only tried while it cannot be connected yet.
TEST_F(MidiJackTest, ARememberedSourceIsConnectedOnceItsProgramRuns)
{
	TunkWindow* window = OpenWindow(50);
	ASSERT_TRUE(Activate(window));
	const std::string name = "tunk-test-synth:out";
	MidiInput midi(App());
	ASSERT_TRUE(midi.Available());
	QMenu sound;
	QMenu* menu = AddMidiInputMenu(&sound);
	{
		JackSource synth("tunk-test-synth");
		ASSERT_TRUE(synth.Ready() && synth.Activate());
		ASSERT_NE(MenuItem(menu, name), nullptr);
		MenuItem(menu, name)->trigger();
		ASSERT_TRUE(WaitUntil([&] { return Checked(menu, name); }));
	}
	EXPECT_TRUE(WaitUntil([&] { return MenuItem(menu, name) == nullptr; }));

	JackSource synth("tunk-test-synth");
	ASSERT_TRUE(synth.Ready());
	ASSERT_TRUE(WaitUntil([&] { return MenuItem(menu, name) != nullptr; }));
	Settle();
	ASSERT_TRUE(synth.Activate());
	EXPECT_TRUE(WaitUntil([&] { return Checked(menu, name); }));
	synth.SendNote();
	EXPECT_TRUE(WaitUntil([&] { return window->Sound()->IsPlaying(); }));
}

namespace {

// The default sound, half as long at the softest note.
tunk::SoundParams ShorterWhenSoft()
{
	tunk::SoundParams p;
	p[tunk::Param::velDecay] = -50;
	return p;
}

} // namespace

// In the child: one window, a note-on at velocity 64 after messages that must play
// nothing, then one at 127 once the sound has ended.
TEST(MidiDiskChild, TwoNotes)
{
	if (!disk_audio::InChild())
		GTEST_SKIP() << "runs in the child of MidiJackTest.VelocityShapesAndScalesTheSoundOnTheDevice";
	App();
	MidiInput midi(App());
	ASSERT_TRUE(midi.Available());
	TunkWindow* window = new TunkWindow(BRect(50, 50, 560, 515));
	window->Show();
	window->ApplyParams(ShorterWhenSoft(), "Velocity");
	Keys keys(RtMidi::UNIX_JACK);
	ASSERT_TRUE(keys.ConnectToTunk());
	TunkSound* sound = window->Sound();

	keys.Send({0x80, 60, 64});   // note-off
	keys.Send({0x90, 60, 0});    // note-on at velocity 0: a note-off too
	keys.Send({0xb0, 7, 100});   // a controller
	keys.Send({0x90, 60, 64});
	ASSERT_TRUE(WaitUntil([&] { return sound->IsPlaying(); }));
	// A second of silence before the next note: the restart is then seen as the position
	// falling below where it was, however long a loaded machine lets the test sleep
	// between looks (looking for a position inside the 200 ms sound could miss it).
	ASSERT_TRUE(WaitUntil([&] { return sound->GetPlaySamplePosition() >= 44100; }));
	const uint32 before = sound->GetPlaySamplePosition();
	keys.Send({0x95, 61, 127});
	ASSERT_TRUE(WaitUntil([&] { return sound->GetPlaySamplePosition() < before; }));
	ASSERT_TRUE(WaitUntil([&] { return sound->GetPlaySamplePosition() >= 8820 + 2048; }));
	Close(window);
}

// What the device played: the note at velocity 64 as its hit (shorter, by the sound's
// velocity row) scaled by 64/127, with nothing before it, then the sound's own samples from
// the note at 127.
TEST_F(MidiJackTest, VelocityShapesAndScalesTheSoundOnTheDevice)
{
	const std::string file = disk_audio::TempFile("midi");
	ASSERT_EQ(disk_audio::RunChild("MidiDiskChild.TwoNotes", file), 0);
	const std::vector<int16> device = disk_audio::ReadMono(file);
	std::remove(file.c_str());

	std::vector<int16> full, hit;
	ASSERT_EQ(tunk::Render(ShorterWhenSoft(), &full), tunk::RenderStatus::Ok);
	ASSERT_EQ(tunk::Render(tunk::HitOf(ShorterWhenSoft(), 64, 1).params, &hit),
	    tunk::RenderStatus::Ok);
	const int64 length = int64(full.size());
	ASSERT_EQ(length, 8820);
	ASSERT_EQ(hit.size(), 6615u) << "three quarters of its length half way down";
	std::vector<int16> scaled;
	for (int16 s : hit)
		scaled.push_back(int16(std::lrint(float(s) * (64.0f / 127.0f))));

	auto soft = std::search(device.begin(), device.end(), scaled.begin(), scaled.end());
	ASSERT_NE(soft, device.end()) << "the sound at 64/127 is not in the output";
	EXPECT_TRUE(std::all_of(device.begin(), soft, [](int16 v) { return v == 0; }))
		<< "something played before the note";
	auto loud = std::search(soft + long(hit.size()), device.end(), full.begin(), full.end());
	ASSERT_NE(loud, device.end()) << "the sound at velocity 127 is not in the output";
	EXPECT_TRUE(std::all_of(soft + long(hit.size()), loud, [](int16 v) { return v == 0; }));
}

// No server and no sequencer: one line on standard error, and the menu's side says so.
TEST(MidiNoSystemTest, OneLineAndEverythingElseWorks)
{
	PrivateSettings();
	App();
	setenv("JACK_DEFAULT_SERVER", ("tunk-no-server-" + std::to_string(getpid())).c_str(), 1);
	setenv("JACK_NO_START_SERVER", "1", 1);
	setenv("TUNK_MIDI_API", "jack", 1);
	testing::internal::CaptureStderr();
	{
		MidiInput midi(App());
		EXPECT_FALSE(midi.Available());
		EXPECT_STREQ(midi.ApiName(), "");
		EXPECT_TRUE(midi.Sources().empty());
		EXPECT_FALSE(midi.Connect("any:thing"));
		EXPECT_EQ(MidiSources::Installed(), nullptr);
	}
	const std::string said = testing::internal::GetCapturedStderr();
	unsetenv("TUNK_MIDI_API");
	EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
	EXPECT_NE(said.find("MIDI"), std::string::npos) << said;

	// The menu says so, with nothing to choose.
	QMenu sound;
	QMenu* menu = AddMidiInputMenu(&sound);
	emit menu->aboutToShow();
	ASSERT_EQ(menu->actions().size(), 1);
	EXPECT_EQ(menu->actions()[0]->text(), QString::fromUtf8(kNoMidiInputText));
	EXPECT_FALSE(menu->actions()[0]->isEnabled());

	TunkWindow* window = new TunkWindow(BRect(50, 50, 560, 515));
	window->Show();
	window->PostMessage(kMsgPlay);
	EXPECT_TRUE(WaitUntil([&] { return window->Sound()->IsPlaying(); }));
	Close(window);
}

TEST(MidiAlsaTest, NotesArriveThroughTheSequencer)
{
	if (access("/dev/snd/seq", R_OK | W_OK) != 0)
		GTEST_SKIP() << "no ALSA sequencer on this machine (/dev/snd/seq): the ALSA path "
						"is not tested here";
	PrivateSettings();
	App();
	setenv("TUNK_MIDI_API", "alsa", 1);
	MidiInput midi(App());
	unsetenv("TUNK_MIDI_API");
	ASSERT_TRUE(midi.Available());
	EXPECT_STREQ(midi.ApiName(), "ALSA");
	TunkWindow* window = new TunkWindow(BRect(50, 50, 560, 515));
	window->Show();
	Keys keys(RtMidi::LINUX_ALSA);
	ASSERT_TRUE(keys.ConnectToTunk());
	keys.Send({0x90, 60, 100});
	EXPECT_TRUE(WaitUntil([&] { return window->Sound()->IsPlaying(); }));
	Close(window);
}
