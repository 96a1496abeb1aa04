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

#include "kits/app/Application.h"
#include "kits/app/Looper.h"
#include "kits/app/Message.h"
#include "kits/interface/Window.h"
#include "window/KitWindow.h"
#include "window/TunkWindow.h"

namespace {

constexpr char kSettingsKey[] = "midi/sources";
// From the drain thread to the handler: the MIDI system's sources changed.
constexpr uint32 kMsgMidiSourcesChanged = four_char_code("msch");

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
	std::string jackError, alsaError;
	if (jackAllowed)
		port = OpenJackMidiPort(&ring, &jackError);
	if (port == nullptr && alsaAllowed)
		port = OpenAlsaMidiPort(&ring, &alsaError);
	if (port == nullptr) {
		std::string reasons = jackError;
		if (!alsaError.empty())
			reasons += (reasons.empty() ? "" : ", ") + alsaError;
		std::fprintf(stderr, "Tunk: MIDI input is off (%s)\n", reasons.c_str());
		return;
	}
	MidiSources::Install(this);
	draining = true;
	drainer = std::thread([this] { Drain(); });

	// Sources remembered but absent now stay remembered for when they appear.
	for (const std::string& source : Remembered())
		remembered.insert(source);
	Reconnect();
}

MidiInput::~MidiInput()
{
	if (MidiSources::Installed() == this)
		MidiSources::Install(nullptr);
	// No note is posted after this; closing joins the MIDI threads.
	StopDraining();
	port.reset();
	watch.reset();
	looper->RemoveHandler(this);
}

void MidiInput::Drain()
{
	// A millisecond between looks: well under what a player hears as late, and the MIDI
	// thread never has to wake anyone.
	while (draining.load()) {
		MidiNote note;
		while (ring.Pop(&note)) {
			BMessage message(kMsgMidiNote);
			message.AddInt32("key", int32(note.key));
			message.AddInt32("velocity", int32(note.velocity));
			looper->PostMessage(&message, this);
		}
		if (port->TakeChanged())
			looper->PostMessage(kMsgMidiSourcesChanged, this);
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
	return port == nullptr ? "" : port->ApiName();
}

void MidiInput::Activated(BWindow* window)
{
	if (IsDocumentWindow(window))
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
	if (message->what == kMsgMidiSourcesChanged) {
		Reconnect();
		return;
	}
	if (message->what != kMsgMidiNote) {
		BHandler::MessageReceived(message);
		return;
	}
	// Should the last active window be gone, the newest document window takes its place.
	if (!lastActive.IsValid() && be_app != nullptr) {
		for (int32 i = be_app->CountWindows() - 1; i >= 0; i--) {
			if (BWindow* window = be_app->WindowAt(i); IsDocumentWindow(window)) {
				lastActive = BMessenger(nullptr, window);
				break;
			}
		}
	}
	lastActive.SendMessage(message);
}

std::vector<std::string> MidiInput::Sources()
{
	return port == nullptr ? std::vector<std::string>() : port->Sources();
}

bool MidiInput::IsConnected(const std::string& source) const
{
	return port != nullptr && port->IsConnected(source);
}

bool MidiInput::Connect(const std::string& source)
{
	if (port == nullptr || !port->Connect(source))
		return false;
	if (remembered.insert(source).second)
		Remember();
	return true;
}

void MidiInput::Disconnect(const std::string& source)
{
	if (port != nullptr)
		port->Disconnect(source);
	waiting.erase(source);
	if (remembered.erase(source) != 0)
		Remember();
}

void MidiInput::Reconnect()
{
	if (port == nullptr)
		return;
	// Only sources that appeared since the last look (also those of a program that ended
	// and came back in between), or could not be connected then (a program whose port shows
	// before it runs): a connection cut in a patchbay stays cut.
	for (const std::string& program : port->TakeEnded()) {
		for (auto it = present.begin(); it != present.end();)
			it = it->rfind(program + ":", 0) == 0 ? present.erase(it) : std::next(it);
	}
	const std::vector<std::string> now = port->Sources();
	for (const std::string& source : now) {
		const bool appeared = present.count(source) == 0 || waiting.count(source) != 0;
		if (!appeared || remembered.count(source) == 0 || port->IsConnected(source))
			continue;
		if (port->Connect(source))
			waiting.erase(source);
		else
			waiting.insert(source);
	}
	present = std::set<std::string>(now.begin(), now.end());
	for (auto it = waiting.begin(); it != waiting.end();)
		it = present.count(*it) != 0 ? std::next(it) : waiting.erase(it);
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
