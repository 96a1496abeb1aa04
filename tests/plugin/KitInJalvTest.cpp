// The kit instrument in a real host: jalv, the LV2 reference host, on a JACK server of the
// test's own (dummy driver, 44100 Hz), played by a MIDI source of the test's own and heard
// through a recorder of the test's own connected to the main pair. A preset is chosen at
// jalv's console by its URI, as a user types it, and a session folder saved beside the
// host brings the changed kit back at jalv's next start.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "KitHost.h"
#include "PluginTestSupport.h"
#include "app/ChildProcess.h"
#include "app/JackServer.h"
#include "engine/core/Hit.h"
#include "kit/Kit.h"
#include "plugin/PresetTurtle.h"
#include "preset/KitFile.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr const char* kJalvClient = "tunk-kit";
// Where in its cycle the source puts a note: inside the server's period of 512 frames, and
// not at its start, so that a sound one cycle early or late cannot pass for on time.
constexpr jack_nframes_t kNoteOffset = 100;
constexpr uint32_t kRate = 44100;
// Silence checked before a note (in its cycle) and after its sound.
constexpr uint32_t kLeadIn = kNoteOffset;
constexpr uint32_t kTail = 4096;

jack_client_t* OpenClient(const char* name)
{
	jack_client_t* client = nullptr;
	WaitFor(
	    [&] { return (client = jack_client_open(name, JackNoStartServer, nullptr)) != nullptr; },
	    60s);
	return client;
}

// Sends one full-velocity note-on when asked, from its process callback as a sequencer
// does, and counts the notes sent.
class NoteSource {
public:
	bool Start()
	{
		client = OpenClient("tunk-test-keys");
		if (client == nullptr)
			return false;
		port = jack_port_register(client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
		jack_set_process_callback(client, Process, this);
		return port != nullptr && jack_activate(client) == 0;
	}
	~NoteSource()
	{
		if (client != nullptr)
			jack_client_close(client);
	}

	// Sends `note` in the server's next cycle; false when the server never ran the source.
	bool Send(uint8_t note)
	{
		const uint32_t before = sent.load();
		pending.store(note);
		return WaitFor([&] { return sent.load() != before; });
	}

	// How many notes went out so far.
	uint32_t Sent() const { return sent.load(); }

	jack_client_t* client = nullptr;
	jack_port_t* port = nullptr;

private:
	static int Process(jack_nframes_t frames, void* self)
	{
		auto* source = static_cast<NoteSource*>(self);
		void* buffer = jack_port_get_buffer(source->port, frames);
		jack_midi_clear_buffer(buffer);
		const int note = source->pending.exchange(-1);
		if (note >= 0 && frames > kNoteOffset) {
			// Channel 10, the drums' channel, as a drum pattern sends.
			const jack_midi_data_t on[3] = {0x99, jack_midi_data_t(note), 127};
			jack_midi_event_write(buffer, kNoteOffset, on, 3);
			source->sent.fetch_add(1);
		}
		return 0;
	}

	std::atomic<int> pending{-1};
	std::atomic<uint32_t> sent{0};
};

// Records its two inputs from the cycle in which the source's next note goes out. The
// source runs before the plugin and the plugin before the recorder in every cycle, so the
// recorder meets the note in its own cycle.
class Recorder {
public:
	static constexpr uint32_t kCapacity = 10 * kRate;

	bool Start(const NoteSource& notes)
	{
		source = &notes;
		left.resize(kCapacity);
		right.resize(kCapacity);
		client = OpenClient("tunk-test-ears");
		if (client == nullptr)
			return false;
		inLeft = jack_port_register(client, "left", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
		inRight = jack_port_register(client, "right", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
		jack_set_process_callback(client, Process, this);
		jack_set_freewheel_callback(client, Freewheel, this);
		return inLeft != nullptr && inRight != nullptr && jack_activate(client) == 0;
	}
	~Recorder()
	{
		if (client != nullptr)
			jack_client_close(client);
	}

	// The next recording starts with the cycle of the source's next note.
	void ArmForNextNote()
	{
		state.store(kIdle);
		baseline.store(source->Sent());
		state.store(kArmed);
	}

	// Waits until the recording holds `frames` frames.
	bool Hold(uint32_t frames)
	{
		return frames <= kCapacity && WaitFor([&] { return end.load() >= frames; });
	}

	// The recording's first `count` frames of one channel.
	std::vector<float> Take(bool leftChannel, uint32_t count) const
	{
		const std::vector<float>& channel = leftChannel ? left : right;
		return {channel.begin(), channel.begin() + std::min(count, end.load())};
	}

	// Waits until the server has run the recorder `count` more cycles.
	bool Cycles(uint32_t count)
	{
		const uint32_t from = cycles.load();
		return WaitFor([&] { return cycles.load() - from >= count; });
	}

	// Asks the server to freewheel, or to stop, and waits until it says it does and has
	// run a few cycles so: the request alone takes effect at some later cycle, and a note
	// sent before it could still meet a cycle the busy machine dropped.
	bool SetFreewheel(bool on)
	{
		return jack_set_freewheel(client, on ? 1 : 0) == 0
		       && WaitFor([&] { return freewheeling.load() == on; }) && Cycles(2);
	}

	jack_client_t* client = nullptr;

private:
	enum : int { kIdle, kArmed, kRecording };

	static void Freewheel(int starting, void* self)
	{
		static_cast<Recorder*>(self)->freewheeling.store(starting != 0);
	}

	static int Process(jack_nframes_t frames, void* self)
	{
		auto* recorder = static_cast<Recorder*>(self);
		recorder->cycles.fetch_add(1);
		if (recorder->state.load() == kArmed
		    && recorder->source->Sent() != recorder->baseline.load()) {
			recorder->end.store(0);
			recorder->state.store(kRecording);
		}
		const uint32_t at = recorder->end.load();
		if (recorder->state.load() != kRecording || at + frames > kCapacity)
			return 0;
		const auto* l = static_cast<const float*>(jack_port_get_buffer(recorder->inLeft, frames));
		const auto* r = static_cast<const float*>(jack_port_get_buffer(recorder->inRight, frames));
		std::copy(l, l + frames, recorder->left.begin() + at);
		std::copy(r, r + frames, recorder->right.begin() + at);
		// After the frames: whoever sees the new end sees the frames before it.
		recorder->end.store(at + frames);
		return 0;
	}

	const NoteSource* source = nullptr;
	jack_port_t* inLeft = nullptr;
	jack_port_t* inRight = nullptr;
	std::vector<float> left, right;
	std::atomic<int> state{kIdle};
	std::atomic<uint32_t> baseline{0}, end{0}, cycles{0};
	std::atomic<bool> freewheeling{false};
};

// A kit of the factory, as the build made it.
Kit FactoryKit(const std::string& name)
{
	Kit kit;
	const std::string path = std::string(TUNK_BUILD_DIR) + "/data/kits/" + name + kKitFileExtension;
	if (!ReadKitFile(path.c_str(), &kit).Ok())
		throw std::runtime_error("cannot read " + path);
	return kit;
}

const Pad& PadOn(const Kit& kit, int note)
{
	for (const Pad& pad : kit.pads)
		if (pad.note == note)
			return pad;
	throw std::runtime_error(kit.name + " has no pad on " + std::to_string(note));
}

// One channel of the main pair as the plugin plays a pad at full velocity: its sound as the
// engine renders it, times the pad's level and pan (the level port left at 0 dB). A full
// velocity scales by exactly 1 and the plugin adds the voice into silence, so the product is
// the same float the plugin makes: the samples must match bit for bit.
std::vector<float> PadOnChannel(const Pad& pad, bool leftChannel)
{
	// Each note is its pad's first hit since the kit was loaded (a load starts the count
	// again): that hit's variation, at full velocity.
	const tunk::Hit hit = tunk::HitOf(pad.sound, 127, 1);
	const float velocity = tunk::VelocityGain(hit.level, 1) * hit.gain;
	const StereoGain gains = PadGains(pad);
	const float gain = (leftChannel ? gains.left : gains.right) * LevelGain(0) * velocity;
	std::vector<float> out(kLeadIn, 0.0f);
	const std::vector<float> sound = AsFloat(EngineSamples(hit.params));
	out.resize(kLeadIn + sound.size() + kTail, 0.0f);
	Place(out, sound, kLeadIn, gain);
	return out;
}

class KitInJalv : public ::testing::Test {
protected:
	void SetUp() override
	{
		const std::optional<std::string> jalvPath = FindProgram("jalv");
		if (!jalvPath)
			GTEST_SKIP()
			    << "jalv is not installed (Debian: jalv; scripts/install-deps installs it)";
		jalvProgram = *jalvPath;
		const std::string jackd = TUNK_JACKD;
		if (jackd.empty() || access(jackd.c_str(), X_OK) != 0)
			GTEST_SKIP() << "jackd was not found when the tests were configured (Debian: jackd2)";

		char pattern[] = "/tmp/tunk-kit-jalv-XXXXXX";
		ASSERT_NE(mkdtemp(pattern), nullptr);
		dir = pattern;
		// A folder of bundles holding only ours: LV2_PATH names folders of bundles.
		fs::create_directory(dir / "lv2");
		fs::create_directory_symlink(fs::path(TUNK_LV2_BUNDLE_DIR), dir / "lv2" / "tunk.lv2");

		const std::string name = "tunk-jalv-test-" + std::to_string(getpid());
		setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
		setenv("JACK_NO_START_SERVER", "1", 1);
		ASSERT_EQ(server.Start(jackd, name), "");
		ASSERT_TRUE(keys.Start()) << "the test's MIDI source could not join the server";
		ASSERT_TRUE(ears.Start(keys)) << "the test's recorder could not join the server";
	}

	void TearDown() override
	{
		jalv.Stop();
		server.Stop();
		unsetenv("JACK_DEFAULT_SERVER");
		unsetenv("JACK_NO_START_SERVER");
		if (!dir.empty())
			fs::remove_all(dir);
	}

	// Starts jalv with the kit instrument, `extra` options before its URI, and connects the
	// test's source and recorder to it once its ports are on the server.
	void StartJalv(const std::vector<std::string>& extra = {})
	{
		std::vector<std::string> args;
		// Line by line, so that what it prints reaches its log as it prints it.
		if (std::optional<std::string> stdbuf = FindProgram("stdbuf"))
			args = {*stdbuf, "-oL"};
		args.insert(args.end(), {jalvProgram, "-n", kJalvClient, "-x"});
		args.insert(args.end(), extra.begin(), extra.end());
		args.push_back(kKitUri);
		log = dir / "jalv.log";
		jalv.PipeInput();
		const std::vector<std::string> env = {"LV2_PATH=" + (dir / "lv2").string()};
		ASSERT_TRUE(jalv.Start(args, env, log));

		const std::string midiIn = std::string(kJalvClient) + ":midi_in";
		const std::string outLeft = std::string(kJalvClient) + ":out_l";
		const std::string outRight = std::string(kJalvClient) + ":out_r";
		ASSERT_TRUE(WaitFor([&] {
			return jalv.Pid() <= 0 ||
			       (jack_port_by_name(ears.client, outRight.c_str()) != nullptr &&
			           jack_port_by_name(ears.client, midiIn.c_str()) != nullptr);
		}));
		ASSERT_GT(jalv.Pid(), 0) << "jalv ended:\n" << Log();
		Connect(jack_port_name(keys.port), midiIn);
		Connect(outLeft, "tunk-test-ears:left");
		Connect(outRight, "tunk-test-ears:right");
		// A new connection takes effect at one of the server's next cycles: a few cycles
		// later it has.
		ASSERT_TRUE(ears.Cycles(4));
	}

	void Connect(const std::string& from, const std::string& to)
	{
		ASSERT_TRUE(WaitFor([&] {
			const int result = jack_connect(ears.client, from.c_str(), to.c_str());
			return result == 0 || result == EEXIST;
		})) << from
		    << " -> " << to;
	}

	std::string Log() const { return ReadText(log); }

	// What the main pair played around one note.
	struct Heard {
		bool ran = false;     // the server ran the note and the recording through
		bool silent = false;  // nothing at all: the note was lost on its way
		int64_t difference = -1;  // first frame differing from the pad's sound, -1 for none
	};

	// The note is played with the server freewheeling: it then runs each cycle only once
	// every client has finished the last, so that a busy machine cannot drop a cycle of
	// jalv's from the recording.
	Heard PlayOnce(uint8_t note, const Pad& pad)
	{
		Heard heard;
		const std::vector<float> left = PadOnChannel(pad, true);
		const std::vector<float> right = PadOnChannel(pad, false);
		if (!ears.SetFreewheel(true))
			return heard;
		ears.ArmForNextNote();
		heard.ran = keys.Send(note) && ears.Hold(uint32_t(left.size()));
		heard.ran = ears.SetFreewheel(false) && heard.ran;
		if (!heard.ran)
			return heard;
		const std::vector<float> gotLeft = ears.Take(true, uint32_t(left.size()));
		const std::vector<float> gotRight = ears.Take(false, uint32_t(right.size()));
		heard.silent = FirstDifference(gotLeft, {}) == -1 && FirstDifference(gotRight, {}) == -1;
		heard.difference =
		    std::max(FirstDifference(gotLeft, left), FirstDifference(gotRight, right));
		return heard;
	}

	// True when `note` plays `pad` on the main pair, bit for bit from the note's frame on.
	// A note met by silence is sent again (a few times): any other sound fails at once.
	bool Plays(uint8_t note, const Pad& pad)
	{
		Heard heard;
		for (int attempt = 0; attempt < 5 && (attempt == 0 || heard.silent); attempt++)
			heard = PlayOnce(note, pad);
		if (heard.ran && heard.difference == -1)
			return true;
		ADD_FAILURE() << "note " << int(note) << " did not play " << pad.name << " at its time: "
		              << (!heard.ran     ? "the server stopped running the test's clients"
		                  : heard.silent ? "silence"
		                                 : "first difference at frame "
		                                       + std::to_string(heard.difference - int64_t(kLeadIn))
		                                       + " from the note")
		              << "\njalv:\n"
		              << Log();
		return false;
	}

	// Types `command` at jalv's console and waits until jalv has carried it out: it lists
	// the controls once it has (with its audio paused meanwhile, so that a note played
	// after meets the new state whole). Only after jalv answered an earlier command, so
	// that its listing at the start is already counted.
	bool Type(const std::string& command)
	{
		const auto listings = [this] {
			const std::string text = Log();
			size_t count = 0;
			for (size_t at = text.find("retrigger = "); at != std::string::npos;
			     at = text.find("retrigger = ", at + 1))
				count++;
			return count;
		};
		const size_t before = listings();
		return jalv.Send(command + "\n") && WaitFor([&] { return listings() > before; });
	}

	std::string jalvProgram;
	fs::path dir;
	fs::path log;
	JackServer server;
	NoteSource keys;
	Recorder ears;
	Child jalv{SIGTERM};
};

TEST_F(KitInJalv, APresetTypedAtTheConsolePlaysItsKickAndSnareOnTheirNotesAtTheNotesTime)
{
	StartJalv();
	if (HasFatalFailure())
		return;
	// jalv lists every kit preset by a URI a user can type, with the kit's name.
	ASSERT_TRUE(jalv.Send("presets\n"));
	const Kit electro = FactoryKit("909 Electro");
	const std::string listed = tunk::lv2::KitPresetUri(electro.name) + " (" + electro.name + ")";
	EXPECT_EQ(listed, "urn:quillfeather:tunk-kit#preset-909-electro (909 Electro)");
	EXPECT_TRUE(WaitFor([&] { return Log().find(listed) != std::string::npos; }, 60s))
	    << "jalv did not list " << listed << ":\n"
	    << Log();

	// The new kit plays first; its snare is not the preset's.
	const Kit fresh = NewKit();
	const Pad& newSnare = PadOn(fresh, 38);
	const Pad& snare = PadOn(electro, 38);
	ASSERT_NE(AsFloat(EngineSamples(newSnare.sound)), AsFloat(EngineSamples(snare.sound)));
	ASSERT_TRUE(Plays(38, newSnare));

	ASSERT_TRUE(Type("preset " + tunk::lv2::KitPresetUri(electro.name)))
	    << "jalv did not take the preset:\n"
	    << Log();
	EXPECT_TRUE(Plays(38, snare));
	EXPECT_TRUE(Plays(36, PadOn(electro, 36)));
	EXPECT_EQ(Log().find("Failed to find preset"), std::string::npos) << Log();
}

TEST_F(KitInJalv, ASessionFolderSavedByAHostStartsJalvWithTheChangedKitByValue)
{
	// A factory kit changed as a user would: the snare panned and quieter than any factory
	// snare, so that both channels' gains are tried.
	Kit kit = FactoryKit("808 Electro");
	kit.name = "Session Kit";
	for (Pad& pad : kit.pads) {
		if (pad.note == 38) {
			pad.pan = -0.4f;
			pad.level = -4.5f;
			pad.sound[tunk::Param::startFreq] = 333.0f;
		}
	}
	const Pad& snare = PadOn(kit, 38);
	ASSERT_NE(PadGains(snare).left, PadGains(snare).right);
	const Kit fresh = NewKit();
	ASSERT_NE(AsFloat(EngineSamples(PadOn(fresh, 38).sound)), AsFloat(EngineSamples(snare.sound)));

	// A host loads the kit file through the plugin's file parameter and saves its session in
	// a folder, state.ttl and a manifest, as jalv's own save writes one. The kit file is gone
	// before jalv starts: the state holds the kit itself.
	const fs::path file = dir / "session.tunkkit";
	const fs::path session = dir / "session";
	{
		std::ofstream(file) << EncodeKit(kit);
		PluginWorld world{TUNK_LV2_BUNDLE_DIR, kKitUri};
		KitInstance host(world, kRate);
		host.SetKitFile(0, file.string());
		for (int i = 0; i < 4; i++)
			host.Run(256);
		ASSERT_EQ(host.AnnouncedFile(), file.string()) << "the kit file did not load";
		host.SaveStateFolder(session.string());
	}
	fs::remove(file);
	ASSERT_TRUE(fs::is_regular_file(session / "state.ttl"));

	StartJalv({"-l", session.string()});
	if (HasFatalFailure())
		return;
	EXPECT_TRUE(Plays(38, snare));
	EXPECT_TRUE(Plays(36, PadOn(kit, 36)));
}

} // namespace
