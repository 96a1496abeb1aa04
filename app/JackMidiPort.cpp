// The "Tunk" port on JACK through libjack itself: one client holds the port, reads it in
// its process callback and makes the connections, so that a source checked in the menu
// adds a connection, never a client or a port of its own.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <mutex>
#include <thread>
#include <utility>

#include "app/MidiPort.h"

namespace {

constexpr char kClientName[] = "Tunk";
constexpr char kPortName[] = "Tunk";

void Quiet(const char*) {}

void JackError(const char* text)
{
	std::fprintf(stderr, "JACK: %s\n", text);
}

// The names of jack_get_ports, freed as JACK wants.
std::vector<std::string> PortNames(jack_client_t* client, unsigned long flags)
{
	std::vector<std::string> names;
	if (const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, flags)) {
		for (const char** name = ports; *name != nullptr; name++)
			names.emplace_back(*name);
		jack_free(ports);
	}
	return names;
}

class JackMidiPort : public MidiPort {
public:
	JackMidiPort(jack_client_t* client, NoteRing* ring) : client(client), ring(ring) {}

	~JackMidiPort() override
	{
		// Deactivating ends the process callbacks before anything they use goes.
		if (!gone.load())
			jack_deactivate(client);
		jack_client_close(client);
	}

	// False (with the reason) when the port or the callbacks are refused.
	bool Start(std::string* error)
	{
		port = jack_port_register(client, kPortName, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
		if (port == nullptr) {
			*error = "JACK refused the MIDI port";
			return false;
		}
		rate = double(jack_get_sample_rate(client));
		jack_set_process_callback(client, Process, this);
		jack_set_port_registration_callback(client, PortRegistered, this);
		jack_set_client_registration_callback(client, ClientRegistered, this);
		// A program's port can appear before the program runs, when it cannot be connected
		// yet; its activation changes the graph.
		jack_set_graph_order_callback(client, GraphChanged, this);
		jack_on_shutdown(client, ServerGone, this);
		if (jack_activate(client) != 0) {
			*error = "JACK did not start the MIDI client";
			return false;
		}
		return true;
	}

	const char* ApiName() const override { return "JACK"; }

	std::vector<std::string> Sources() override
	{
		std::vector<std::string> sources;
		if (gone.load())
			return sources;
		for (std::string& name : PortNames(client, JackPortIsOutput)) {
			jack_port_t* other = jack_port_by_name(client, name.c_str());
			if (other != nullptr && !jack_port_is_mine(client, other))
				sources.push_back(std::move(name));
		}
		return sources;
	}

	bool IsConnected(const std::string& source) const override
	{
		// Asked of a port that is gone, JACK would complain on standard error.
		return !gone.load() && jack_port_by_name(client, source.c_str()) != nullptr &&
			jack_port_connected_to(port, source.c_str()) != 0;
	}

	bool Connect(const std::string& source) override
	{
		if (gone.load())
			return false;
		// Only another client's MIDI output can send into the port.
		jack_port_t* other = jack_port_by_name(client, source.c_str());
		if (other == nullptr || jack_port_is_mine(client, other) ||
			(jack_port_flags(other) & JackPortIsOutput) == 0 ||
			std::strcmp(jack_port_type(other), JACK_DEFAULT_MIDI_TYPE) != 0)
			return false;
		const int result = jack_connect(client, source.c_str(), jack_port_name(port));
		return (result == 0 || result == EEXIST) && Reaches(source, true);
	}

	std::vector<std::string> TakeEnded() override
	{
		std::lock_guard<std::mutex> lock(endedLock);
		return std::exchange(ended, {});
	}

	void Disconnect(const std::string& source) override
	{
		if (!gone.load() && IsConnected(source) &&
			jack_disconnect(client, source.c_str(), jack_port_name(port)) == 0)
			Reaches(source, false);
	}

private:
	// The server applies a change to the graph at its next cycle: waits for it, so that
	// whoever asks next sees the change. Gives up after a second of a stalled server.
	bool Reaches(const std::string& source, bool connected) const
	{
		for (int i = 0; i < 1000; i++) {
			if (IsConnected(source) == connected)
				return true;
			std::this_thread::sleep_for(std::chrono::milliseconds(1));
		}
		return IsConnected(source) == connected;
	}

	// JACK's real-time thread: the note-ons go into the ring, nothing else.
	static int Process(jack_nframes_t frames, void* self)
	{
		auto* input = static_cast<JackMidiPort*>(self);
		void* buffer = jack_port_get_buffer(input->port, frames);
		const jack_nframes_t start = jack_last_frame_time(input->client);
		const uint32_t count = jack_midi_get_event_count(buffer);
		for (uint32_t i = 0; i < count; i++) {
			jack_midi_event_t event;
			MidiNote note;
			if (jack_midi_event_get(&event, buffer, i) == 0 &&
				ReadNoteOn(event.buffer, event.size, &note)) {
				note.time = double(start + event.time) / input->rate;
				input->ring->Push(note);
			}
		}
		return 0;
	}

	// JACK's notification thread, which must not call the server: it only leaves word.
	static void PortRegistered(jack_port_id_t, int, void* self)
	{
		static_cast<JackMidiPort*>(self)->changed = true;
	}

	// Also on the notification thread, which may wait for a lock the others hold briefly.
	static void ClientRegistered(const char* name, int registered, void* self)
	{
		auto* input = static_cast<JackMidiPort*>(self);
		if (registered == 0) {
			std::lock_guard<std::mutex> lock(input->endedLock);
			input->ended.emplace_back(name);
		}
		input->changed = true;
	}

	static int GraphChanged(void* self)
	{
		static_cast<JackMidiPort*>(self)->changed = true;
		return 0;
	}

	static void ServerGone(void* self)
	{
		auto* input = static_cast<JackMidiPort*>(self);
		input->gone = true;
		input->changed = true;
	}

	jack_client_t* client;
	jack_port_t* port = nullptr;
	NoteRing* ring;
	double rate = 44100;
	std::mutex endedLock;
	std::vector<std::string> ended;
	// The server went away: the client is only closed from then on.
	std::atomic<bool> gone{false};
};

} // namespace

std::unique_ptr<MidiPort> OpenJackMidiPort(NoteRing* ring, std::string* error)
{
	jack_set_error_function(Quiet);
	jack_set_info_function(Quiet);
	jack_status_t status;
	jack_client_t* client = jack_client_open(kClientName, JackNoStartServer, &status);
	jack_set_error_function(JackError);
	if (client == nullptr) {
		*error = "no JACK server";
		return nullptr;
	}
	auto input = std::make_unique<JackMidiPort>(client, ring);
	if (!input->Start(error))
		return nullptr;
	return input;
}
