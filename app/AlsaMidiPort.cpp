// The "Tunk" port on the ALSA sequencer: one client with one writable port; sources are
// subscribed to it through the sequencer's subscription calls, as a patchbay does, and a
// thread of its own reads the events. The port also hears the system's announcements, so
// that sources coming and going are noticed.
#include <alsa/asoundlib.h>
#include <array>
#include <atomic>
#include <map>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <poll.h>
#include <thread>
#include <unistd.h>

#include "app/MidiPort.h"

namespace {

constexpr char kClientName[] = "Tunk";
constexpr char kPortName[] = "Tunk";

class AlsaMidiPort : public MidiPort {
public:
	AlsaMidiPort(snd_seq_t* seq, NoteRing* ring) : seq(seq), ring(ring) {}

	~AlsaMidiPort() override
	{
		if (reader.joinable()) {
			const char stop = 1;
			(void)!write(wake[1], &stop, 1);
			reader.join();
		}
		for (int fd : wake) {
			if (fd >= 0)
				close(fd);
		}
		snd_seq_close(seq);
	}

	bool Start(std::string* error)
	{
		snd_seq_set_client_name(seq, kClientName);
		self = snd_seq_client_id(seq);
		port = snd_seq_create_simple_port(seq, kPortName,
			SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
			SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
		if (self < 0 || port < 0) {
			*error = std::string("the ALSA sequencer refused the MIDI port: ") +
				snd_strerror(port < 0 ? port : self);
			return false;
		}
		// Without the announcements only the menu's opening would notice a new source.
		snd_seq_connect_from(seq, port, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE);
		snd_seq_nonblock(seq, 1);
		if (pipe(wake) != 0) {
			*error = std::string("no pipe for the MIDI thread: ") + std::strerror(errno);
			return false;
		}
		reader = std::thread([this] { Read(); });
		return true;
	}

	const char* ApiName() const override { return "ALSA"; }

	std::vector<std::string> Sources() override
	{
		std::vector<std::string> names;
		EachSource([&](const std::string& name, snd_seq_addr_t) {
			names.push_back(name);
			return false;
		});
		return names;
	}

	bool IsConnected(const std::string& source) const override
	{
		const std::optional<snd_seq_addr_t> from = Find(source);
		if (!from)
			return false;
		snd_seq_port_subscribe_t* subscription;
		snd_seq_port_subscribe_alloca(&subscription);
		snd_seq_port_subscribe_set_sender(subscription, &*from);
		const snd_seq_addr_t to = {uint8_t(self), uint8_t(port)};
		snd_seq_port_subscribe_set_dest(subscription, &to);
		return snd_seq_get_port_subscription(seq, subscription) == 0;
	}

	bool Connect(const std::string& source) override
	{
		const std::optional<snd_seq_addr_t> from = Find(source);
		if (!from)
			return false;
		const int result = snd_seq_connect_from(seq, port, from->client, from->port);
		return result == 0 || result == -EBUSY;
	}

	void Disconnect(const std::string& source) override
	{
		if (const std::optional<snd_seq_addr_t> from = Find(source))
			snd_seq_disconnect_from(seq, port, from->client, from->port);
	}

	// By the names the clients had at the last look: an ended client's name is gone.
	std::vector<std::string> TakeEnded() override
	{
		std::vector<std::string> names;
		for (size_t id = 0; id < ended.size(); id++) {
			if (!ended[id].exchange(false))
				continue;
			if (auto known = clientNames.find(int(id)); known != clientNames.end())
				names.push_back(known->second);
		}
		return names;
	}

private:
	// Calls `visit(name, address)` for every readable port of another client, "client:port"
	// by name (the numbers change from one start to the next), until it returns true.
	template <typename Visit>
	void EachSource(Visit visit) const
	{
		snd_seq_client_info_t* client;
		snd_seq_port_info_t* info;
		snd_seq_client_info_alloca(&client);
		snd_seq_port_info_alloca(&info);
		snd_seq_client_info_set_client(client, -1);
		while (snd_seq_query_next_client(seq, client) >= 0) {
			const int id = snd_seq_client_info_get_client(client);
			if (id == self || id == SND_SEQ_CLIENT_SYSTEM)
				continue;
			clientNames[id] = snd_seq_client_info_get_name(client);
			snd_seq_port_info_set_client(info, id);
			snd_seq_port_info_set_port(info, -1);
			while (snd_seq_query_next_port(seq, info) >= 0) {
				const unsigned int caps = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
				if ((snd_seq_port_info_get_capability(info) & caps) != caps)
					continue;
				const std::string name = std::string(snd_seq_client_info_get_name(client)) + ":" +
					snd_seq_port_info_get_name(info);
				if (visit(name, *snd_seq_port_info_get_addr(info)))
					return;
			}
		}
	}

	std::optional<snd_seq_addr_t> Find(const std::string& source) const
	{
		std::optional<snd_seq_addr_t> found;
		EachSource([&](const std::string& name, snd_seq_addr_t address) {
			if (name == source)
				found = address;
			return found.has_value();
		});
		return found;
	}

	// The MIDI thread: waits for events or the word to stop; note-ons go into the ring,
	// announcements leave word that sources changed.
	void Read()
	{
		const int count = snd_seq_poll_descriptors_count(seq, POLLIN);
		std::vector<pollfd> fds(size_t(count) + 1);
		snd_seq_poll_descriptors(seq, fds.data(), unsigned(count), POLLIN);
		fds[size_t(count)] = {wake[0], POLLIN, 0};
		for (;;) {
			if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
				return;
			if (fds[size_t(count)].revents != 0)
				return;
			snd_seq_event_t* event = nullptr;
			int left;
			while ((left = snd_seq_event_input(seq, &event)) >= 0 || left == -ENOSPC) {
				if (event != nullptr)
					Take(*event);
				event = nullptr;
			}
		}
	}

	void Take(const snd_seq_event_t& event)
	{
		switch (event.type) {
			case SND_SEQ_EVENT_NOTEON: {
				const unsigned char bytes[3] = {uint8_t(0x90 | (event.data.note.channel & 0x0f)),
					event.data.note.note, event.data.note.velocity};
				MidiNote note;
				if (ReadNoteOn(bytes, 3, &note)) {
					note.time = std::chrono::duration<double>(
						std::chrono::steady_clock::now().time_since_epoch()).count();
					ring->Push(note);
				}
				break;
			}
			case SND_SEQ_EVENT_CLIENT_EXIT:
				// A flag per client number: the MIDI thread neither locks nor allocates.
				if (event.data.addr.client < ended.size())
					ended[event.data.addr.client] = true;
				changed = true;
				break;
			case SND_SEQ_EVENT_PORT_START:
			case SND_SEQ_EVENT_PORT_EXIT:
			case SND_SEQ_EVENT_CLIENT_START: changed = true; break;
			default: break;
		}
	}

	snd_seq_t* seq;
	NoteRing* ring;
	int self = -1;
	int port = -1;
	int wake[2] = {-1, -1};
	std::thread reader;
	// Client numbers that ended since the last TakeEnded, set by the MIDI thread; and the
	// clients' names at the last look, on the caller's thread.
	std::array<std::atomic<bool>, 256> ended{};
	mutable std::map<int, std::string> clientNames;
};

} // namespace

std::unique_ptr<MidiPort> OpenAlsaMidiPort(NoteRing* ring, std::string* error)
{
	if (access("/dev/snd/seq", R_OK | W_OK) != 0) {
		*error = "no ALSA sequencer";
		return nullptr;
	}
	snd_seq_t* seq = nullptr;
	if (const int result = snd_seq_open(&seq, "default", SND_SEQ_OPEN_INPUT, 0); result < 0) {
		*error = std::string("the ALSA sequencer did not open: ") + snd_strerror(result);
		return nullptr;
	}
	auto input = std::make_unique<AlsaMidiPort>(seq, ring);
	if (!input->Start(error))
		return nullptr;
	return input;
}
