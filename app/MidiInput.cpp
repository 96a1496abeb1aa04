#include "app/MidiInput.h"

#include <QApplication>
#include <QGuiApplication>
#include <QSettings>
#include <QStringList>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jack/jack.h>
#include <regex>
#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include "kits/app/Application.h"
#include "kits/app/Looper.h"
#include "kits/app/Message.h"
#include "kits/interface/Window.h"
#include "window/TunkWindow.h"

namespace {

constexpr char kClientName[] = "Tunk";
constexpr char kPortName[] = "Tunk";
constexpr char kSettingsKey[] = "midi/sources";

void Quiet(const char*) {}

void JackError(const char* text)
{
	std::fprintf(stderr, "JACK: %s\n", text);
}

// Asks for a running server without starting one; JACK's own complaints about a missing
// server stay quiet, since that is an ordinary state here.
bool JackServerRunning()
{
	jack_set_error_function(Quiet);
	jack_set_info_function(Quiet);
	jack_status_t status;
	jack_client_t* client = jack_client_open("Tunk probe", JackNoStartServer, &status);
	jack_set_error_function(JackError);
	if (client == nullptr)
		return false;
	jack_client_close(client);
	return true;
}

bool AlsaSequencerPresent()
{
	return access("/dev/snd/seq", R_OK | W_OK) == 0;
}

// ALSA names end in the client and port numbers, which change from one start to the
// next; the rest names the same source again.
std::string StableName(const std::string& name)
{
	static const std::regex numbers(R"( \d+:\d+$)");
	return std::regex_replace(name, numbers, "");
}

void ReportError(RtMidiError::Type, const std::string& text, void*)
{
	std::fprintf(stderr, "MIDI input: %s\n", text.c_str());
}

QSettings Settings()
{
	return QSettings(QStringLiteral("Quillfeather"), QStringLiteral("Tunk"));
}

}  // namespace

MidiInput::MidiInput(BLooper* owner) : BHandler("MidiInput"), looper(owner)
{
	looper->AddHandler(this);

	// The window that was active last gets the notes, also while another program (the
	// sequencer sending them) has the focus.
	watch = std::make_unique<QObject>();
	QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, watch.get(),
		[this](QWindow* window) {
			for (QWidget* widget : QApplication::topLevelWidgets()) {
				if (window != nullptr && widget->windowHandle() == window)
					Activated(BWindow::WindowFor(widget));
			}
		});

	const char* wanted = std::getenv("TUNK_MIDI_API");
	const bool jackAllowed = wanted == nullptr || std::strcmp(wanted, "jack") == 0;
	const bool alsaAllowed = wanted == nullptr || std::strcmp(wanted, "alsa") == 0;
	if (jackAllowed && JackServerRunning())
		api = RtMidi::UNIX_JACK;
	else if (alsaAllowed && AlsaSequencerPresent())
		api = RtMidi::LINUX_ALSA;
	else {
		std::fprintf(stderr, "Tunk: no MIDI system (no JACK server, no ALSA sequencer); "
							 "MIDI input is off\n");
		return;
	}

	try {
		port = OpenClient(&portRing);
		port->openVirtualPort(kPortName);
	} catch (const RtMidiError& error) {
		std::fprintf(stderr, "Tunk: MIDI input is off: %s\n", error.what());
		port.reset();
		return;
	}
	MidiSources::Install(this);
	draining = true;
	drainer = std::thread([this] { Drain(); });

	// Sources remembered but absent now stay remembered for a later start.
	const std::vector<std::string> present = Sources();
	for (const std::string& source : Remembered()) {
		remembered.insert(source);
		if (std::find(present.begin(), present.end(), source) != present.end())
			Connect(source);
	}
}

MidiInput::~MidiInput()
{
	if (MidiSources::Installed() == this)
		MidiSources::Install(nullptr);
	// No note is posted after this; closing joins the MIDI threads.
	StopDraining();
	connections.clear();
	port.reset();
	watch.reset();
	looper->RemoveHandler(this);
}

std::unique_ptr<RtMidiIn> MidiInput::OpenClient(NoteRing* ring)
{
	auto client = std::make_unique<RtMidiIn>(RtMidi::Api(api), kClientName);
	client->setErrorCallback(ReportError, nullptr);
	client->ignoreTypes(true, true, true);
	client->setCallback(Received, ring);
	return client;
}

void MidiInput::Drain()
{
	// A millisecond between looks: well under what a player hears as late, and the MIDI
	// thread never has to wake anyone.
	while (draining.load()) {
		{
			std::lock_guard<std::mutex> lock(drainLock);
			auto post = [this](NoteRing& ring) {
				MidiNote note;
				while (ring.Pop(&note)) {
					BMessage message(kMsgMidiNote);
					message.AddInt32("velocity", int32(note.velocity));
					looper->PostMessage(&message, this);
				}
			};
			post(portRing);
			for (auto& [name, listener] : connections)
				post(*listener.ring);
		}
		std::this_thread::sleep_for(std::chrono::milliseconds(1));
	}
}

void MidiInput::StopDraining()
{
	draining = false;
	if (drainer.joinable())
		drainer.join();
}

const char* MidiInput::ApiName() const
{
	if (port == nullptr)
		return "";
	return api == RtMidi::UNIX_JACK ? "JACK" : "ALSA";
}

// On the MIDI system's real-time thread: the note goes into its ring, nothing else.
void MidiInput::Received(double stamp, std::vector<unsigned char>* bytes, void* ring)
{
	if (bytes->size() < 3 || ((*bytes)[0] & 0xf0) != 0x90 || ((*bytes)[2] & 0x7f) == 0)
		return;  // a note-on of velocity 0 is a note-off
	static_cast<NoteRing*>(ring)->Push(
		MidiNote{stamp, uint8_t((*bytes)[1] & 0x7f), uint8_t((*bytes)[2] & 0x7f)});
}

void MidiInput::Activated(BWindow* window)
{
	if (dynamic_cast<TunkWindow*>(window) != nullptr)
		lastActive = BMessenger(nullptr, window);
}

void MidiInput::MessageReceived(BMessage* message)
{
	if (message->what == kMsgMidiSource) {
		const char* source = nullptr;
		if (message->FindString("source", &source) == B_OK) {
			if (IsConnected(source))
				Disconnect(source);
			else
				Connect(source);
		}
		return;
	}
	if (message->what != kMsgMidiNote) {
		BHandler::MessageReceived(message);
		return;
	}
	// Should the last active window be gone, the newest editor window takes its place.
	if (!lastActive.IsValid() && be_app != nullptr) {
		for (int32 i = be_app->CountWindows() - 1; i >= 0; i--) {
			if (auto* window = dynamic_cast<TunkWindow*>(be_app->WindowAt(i))) {
				lastActive = BMessenger(nullptr, window);
				break;
			}
		}
	}
	lastActive.SendMessage(message);
}

std::vector<std::string> MidiInput::Sources()
{
	std::vector<std::string> sources;
	if (port == nullptr)
		return sources;
	const unsigned int count = port->getPortCount();
	for (unsigned int i = 0; i < count; i++) {
		std::string name = StableName(port->getPortName(i));
		// Not our own ports.
		if (name.rfind(std::string(kClientName) + ":", 0) != 0)
			sources.push_back(name);
	}
	return sources;
}

bool MidiInput::IsConnected(const std::string& source) const
{
	return connections.count(source) != 0;
}

bool MidiInput::Connect(const std::string& source)
{
	if (port == nullptr)
		return false;
	if (IsConnected(source))
		return true;
	try {
		Listener listener;
		listener.client = OpenClient(listener.ring.get());
		RtMidiIn* client = listener.client.get();
		const unsigned int count = client->getPortCount();
		for (unsigned int i = 0; i < count; i++) {
			if (StableName(client->getPortName(i)) != source)
				continue;
			client->openPort(i, kPortName);
			if (!client->isPortOpen())
				return false;
			{
				std::lock_guard<std::mutex> lock(drainLock);
				connections.emplace(source, std::move(listener));
			}
			remembered.insert(source);
			Remember();
			return true;
		}
	} catch (const RtMidiError& error) {
		std::fprintf(stderr, "MIDI input: %s\n", error.what());
	}
	return false;
}

void MidiInput::Disconnect(const std::string& source)
{
	{
		std::lock_guard<std::mutex> lock(drainLock);
		connections.erase(source);
	}
	if (remembered.erase(source) != 0)
		Remember();
}

void MidiInput::Remember() const
{
	QStringList names;
	for (const std::string& name : remembered)
		names.append(QString::fromStdString(name));
	QSettings settings = Settings();
	settings.setValue(kSettingsKey, names);
}

std::vector<std::string> MidiInput::Remembered()
{
	std::vector<std::string> names;
	QSettings settings = Settings();
	for (const QString& name : settings.value(kSettingsKey).toStringList())
		names.push_back(name.toStdString());
	return names;
}
