// The kit window in the real program on a virtual X display, its sound on SDL's disk driver:
// a pad clicked with the mouse plays its sound, and a note 38 from a JACK MIDI client of the
// test's own (on a jackd with the dummy driver, of the test's own) plays the snare pad.
#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/JackServer.h"
#include "engine/DiskAudio.h"
#include "engine/core/Render.h"
#include "kit/Kit.h"
#include "kits/storage/TempDir.h"
#include "preset/KitFile.h"

// Last: it brings in Xlib.
#include "app/RealProgram.h"

namespace {

using namespace std::chrono_literals;

// Pads of pitches of their own, centred at 0 dB, so that the samples found can only be the
// pad's.
Kit DistinctKit()
{
	Kit kit = NewKit("E2E");
	for (size_t i = 0; i < kit.pads.size(); i++) {
		kit.pads[i].level = 0;
		kit.pads[i].pan = 0;
		kit.pads[i].sound[tunk::Param::startFreq] = 150.0f + 41.0f * float(i);
		kit.pads[i].sound[tunk::Param::duration] = 80.0f;
	}
	return kit;
}

std::vector<int16> PadSound(const Kit& kit, size_t pad)
{
	std::vector<int16> samples;
	tunk::Render(kit.pads[pad].sound, &samples);
	return samples;
}

// Waits up to `looks` twentieths of a second for the sound to reach the device.
bool Heard(const std::string& audio, const std::vector<int16>& sound, int looks = 300)
{
	for (int i = 0; i < looks; i++) {
		const std::vector<int16> out = disk_audio::ReadMono(audio);
		if (std::search(out.begin(), out.end(), sound.begin(), sound.end()) != out.end())
			return true;
		std::this_thread::sleep_for(50ms);
	}
	return false;
}

std::string ReadText(const std::string& path)
{
	std::ifstream in(path);
	return std::string((std::istreambuf_iterator<char>(in)), {});
}

// A JACK client with one MIDI output that sends a full-velocity note-on when asked (the pad
// then plays its samples unscaled), from its process
// callback as a sequencer does.
class NoteSender {
public:
	~NoteSender()
	{
		if (client != nullptr)
			jack_client_close(client);
	}

	// Joins the default server; false when it cannot.
	bool Start()
	{
		for (int attempt = 0; attempt < 100 && client == nullptr; attempt++) {
			client = jack_client_open("tunk-kit-e2e-keys", JackNoStartServer, nullptr);
			if (client == nullptr)
				std::this_thread::sleep_for(100ms);
		}
		if (client == nullptr)
			return false;
		port = jack_port_register(client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
		jack_set_process_callback(client, Process, this);
		return port != nullptr && jack_activate(client) == 0;
	}

	// Connects the output to `target`, a port name.
	bool Connect(const std::string& target)
	{
		for (int attempt = 0; attempt < 100; attempt++) {
			if (jack_connect(client, jack_port_name(port), target.c_str()) == 0)
				return true;
			std::this_thread::sleep_for(100ms);
		}
		return false;
	}

	// The MIDI input the program registered, "" until it has.
	std::string TunkInput() const
	{
		std::string name;
		const char** ports = jack_get_ports(client, "^Tunk:", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput);
		if (ports != nullptr && ports[0] != nullptr)
			name = ports[0];
		jack_free(ports);
		return name;
	}

	void Note(unsigned char key) { pending.store(key); }

	jack_client_t* client = nullptr;

private:
	static int Process(jack_nframes_t frames, void* self)
	{
		auto* sender = static_cast<NoteSender*>(self);
		void* buffer = jack_port_get_buffer(sender->port, frames);
		jack_midi_clear_buffer(buffer);
		const int key = sender->pending.exchange(-1);
		if (key >= 0) {
			const jack_midi_data_t on[3] = {0x99, jack_midi_data_t(key), 127};
			jack_midi_event_write(buffer, 0, on, 3);
		}
		return 0;
	}

	jack_port_t* port = nullptr;
	std::atomic<int> pending{-1};
};

// The program with a kit file on a display of its own.
class KitSession : public ::testing::Test {
protected:
	void Open(const std::vector<std::string>& extraEnv = {})
	{
		std::optional<std::string> xvfb = FindProgram("Xvfb");
		xdotool = FindProgram("xdotool").value_or("");
		if (!xvfb || xdotool.empty())
			GTEST_SKIP() << "needs Xvfb and xdotool (scripts/install-deps installs them)";
		ASSERT_TRUE(screen.Start(*xvfb, 110, "1024x768x24", dir / "xvfb.log"));
		kitPath = dir / "e2e.tunkkit";
		ASSERT_EQ(WriteKitFile(kitPath.c_str(), kit), B_OK);
		audio = dir / "out.raw";
		std::vector<std::string> env = {"DISPLAY=" + screen.name, "QT_QPA_PLATFORM=xcb",
		    "SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + audio, "HOME=" + dir.Path(),
		    "XDG_DATA_HOME=" + dir.Path(), "XDG_RUNTIME_DIR=" + dir.Path(),
		    "XDG_CONFIG_HOME=" + dir.Path(), "XDG_CACHE_HOME=" + dir.Path()};
		env.insert(env.end(), extraEnv.begin(), extraEnv.end());
		ASSERT_TRUE(tunk.Start({TUNK_BINARY, kitPath}, env, dir / "stdout.txt"));
		window = WaitForWindow(screen.x, "Tunk v1.1 - e2e.tunkkit");
		ASSERT_NE(window, 0u) << "no kit window appeared";
		ASSERT_TRUE(FocusWhenShown(screen.x, window));
	}

	TempDir dir;
	Kit kit = DistinctKit();
	std::string kitPath;
	std::string audio;
	std::string xdotool;
	VirtualDisplay screen;
	Child tunk;
	Window window = 0;
};

} // namespace

TEST_F(KitSession, AClickedPadPlaysItsSound)
{
	Open({"TUNK_MIDI_API=none"});
	if (IsSkipped() || HasFatalFailure())
		return;
	// The snare, third pad of the top row: the grid starts below the menu bar and the kit's
	// name, each pad about 90 by 60 pixels.
	Xdotool(xdotool, screen.name, {"mousemove", "--window", std::to_string(window), "255", "100"});
	Xdotool(xdotool, screen.name, {"click", "1"});
	EXPECT_TRUE(Heard(audio, PadSound(kit, 2))) << "the snare pad's samples never reached the device";
	const std::vector<int16> out = disk_audio::ReadMono(audio);
	const std::vector<int16> kick = PadSound(kit, 0);
	EXPECT_EQ(std::search(out.begin(), out.end(), kick.begin(), kick.end()), out.end());

	SendDelete(screen.x, window);
	std::optional<int> status = tunk.Wait(15s);
	ASSERT_TRUE(status.has_value()) << "the program did not end when its kit window closed";
	EXPECT_EQ(*status, 0);
}

TEST_F(KitSession, MidiNote38PlaysTheSnarePad)
{
	const std::string jackd = TUNK_JACKD;
	if (jackd.empty())
		GTEST_SKIP() << "jackd was not found when the tests were configured (Debian: jackd2)";
	const std::string server = "tunk-kit-e2e-" + std::to_string(getpid());
	setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
	setenv("JACK_NO_START_SERVER", "1", 1);
	// The server, the program and the test's client must look for each other in one place:
	// libjack may keep its sockets under the runtime folder, which the program gets its own of.
	const char* runtime = std::getenv("XDG_RUNTIME_DIR");
	const std::string oldRuntime = runtime != nullptr ? runtime : "";
	setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
	JackServer jack;
	ASSERT_EQ(jack.Start(jackd, server), "");

	// The test's client joins before the program starts.
	NoteSender keys;
	ASSERT_TRUE(keys.Start()) << "no client of the test's own on the server";
	Open({"JACK_DEFAULT_SERVER=" + server, "JACK_NO_START_SERVER=1", "TUNK_MIDI_API=jack"});
	if (IsSkipped() || HasFatalFailure())
		return;
	std::string input;
	for (int i = 0; i < 200 && input.empty(); i++) {
		input = keys.TunkInput();
		if (input.empty())
			std::this_thread::sleep_for(100ms);
	}
	ASSERT_FALSE(input.empty()) << "the program's MIDI input never appeared on the server:\n"
	                            << ReadText(dir / "stdout.txt") << jack.Log();
	ASSERT_TRUE(keys.Connect(input));
	// A connection takes effect at one of the server's next cycles: a note sent before then is
	// lost on the way, so the test plays again until the snare is heard.
	const std::vector<int16> snare = PadSound(kit, 2);
	bool heard = false;
	for (int attempt = 0; attempt < 10 && !heard; attempt++) {
		keys.Note(38);
		heard = Heard(audio, snare, 40);
	}
	EXPECT_TRUE(heard) << "note 38 did not play the snare pad";
	SendDelete(screen.x, window);
	EXPECT_TRUE(tunk.Wait(15s).has_value());
	unsetenv("JACK_DEFAULT_SERVER");
	unsetenv("JACK_NO_START_SERVER");
	if (oldRuntime.empty())
		unsetenv("XDG_RUNTIME_DIR");
	else
		setenv("XDG_RUNTIME_DIR", oldRuntime.c_str(), 1);
}
