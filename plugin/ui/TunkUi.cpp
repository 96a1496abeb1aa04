// The plugins' UI library: no toolkit in the host's process. Each UI starts Tunk's editor as a
// process of its own (EditorProcess), hands it what the host says of the plugin's ports, and
// turns what the user does there into port writes and notes for the plugin. The host's GUI
// thread only ever reads what has arrived, in the idle callback (or the external UI's run).
#include <algorithm>
#include <chrono>
#include <cstring>
#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>
#include <string>

#include "plugin/Ports.h"
#include "plugin/ui/EditorProcess.h"
#include "plugin/ui/EmbedWindow.h"
#include "plugin/ui/UiUris.h"

namespace tunk::lv2 {
namespace {

using editor_link::EditorProcess;
using editor_link::Message;

// The external-UI extension's two structures, as its hosts lay them out.
struct ExternalWidget {
	void (*run)(ExternalWidget*);
	void (*show)(ExternalWidget*);
	void (*hide)(ExternalWidget*);
};
struct ExternalHost {
	void (*uiClosed)(LV2UI_Controller);
	const char* pluginHumanId;
};

// The editor window's size with the default fonts, which hosts that size their frame once, from
// the window they are handed, keep; the editor's own word on its size follows as soon as it is
// up, for the hosts that take it. A later UI in the same host starts at what the editor said.
struct Size {
	int width, height;
};
Size gEditorSize = {791, 507};
constexpr std::chrono::seconds kRestartPause{2};
// The note the editor's Play sends: any note plays the whole sound.
constexpr uint8_t kPlayNote = 60;

class Ui;

// The external UI's host calls back with the widget's address: the UI is found beside it.
struct WidgetOfUi {
	ExternalWidget widget;
	Ui* ui;
};

class Ui {
public:
	Ui(LV2UI_Write_Function write, LV2UI_Controller controller, std::string program)
	    : fWrite(write), fController(controller), fProgram(std::move(program))
	{
		fWidget.widget.run = [](ExternalWidget* w) { UiOf(w)->Idle(); };
		fWidget.widget.show = [](ExternalWidget* w) { UiOf(w)->Show(); };
		fWidget.widget.hide = [](ExternalWidget* w) { UiOf(w)->Hide(); };
		fWidget.ui = this;
	}

	ExternalWidget* Widget() { return &fWidget.widget; }

	void TakeFeatures(const LV2_Feature* const* features)
	{
		for (int i = 0; features != nullptr && features[i] != nullptr; i++) {
			const char* uri = features[i]->URI;
			void* data = features[i]->data;
			if (std::strcmp(uri, LV2_URID__map) == 0) {
				auto* map = static_cast<LV2_URID_Map*>(data);
				fEventTransfer = map->map(map->handle, LV2_ATOM__eventTransfer);
				fMidiEvent = map->map(map->handle, LV2_MIDI__MidiEvent);
			} else if (std::strcmp(uri, LV2_UI__parent) == 0) {
				fParent = reinterpret_cast<uintptr_t>(data);
			} else if (std::strcmp(uri, LV2_UI__resize) == 0) {
				fResize = static_cast<const LV2UI_Resize*>(data);
			} else if (std::strcmp(uri, kExternalUiHost) == 0) {
				fExternalHost = static_cast<const ExternalHost*>(data);
			}
		}
		if (fExternalHost != nullptr && fExternalHost->pluginHumanId != nullptr)
			fName = fExternalHost->pluginHumanId;
	}

	bool HasParent() const { return fParent != 0; }
	// Embedded: the window the host gets at once, with the editor on its way into it.
	bool Embed()
	{
		if (!fWindow.Create(fParent, gEditorSize.width, gEditorSize.height))
			return false;
		if (fResize != nullptr)
			fResize->ui_resize(fResize->handle, gEditorSize.width, gEditorSize.height);
		return StartEditor();
	}
	unsigned long Window() const { return fWindow.Id(); }

	// Kept, and sent at the next idle call with the others that came since: a preset's controls
	// reach the editor together, and automation faster than the editor reads is coalesced
	// instead of piling up on the socket.
	void PortEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer)
	{
		if (format != 0 || size != sizeof(float) || !ParamOf(port))
			return;
		std::memcpy(&fValues[port], buffer, sizeof(float));
		fKnown[port] = true;
		fPending[port] = true;
	}

	// Non-zero once the editor's own window was closed (or the editor died), for the show
	// interface's hosts, until the next show.
	int Idle()
	{
		// Embedded, the frame is the host's and stays: an editor closed or dead comes back in it
		// (not sooner than a moment after the last start, so that one that cannot start does not
		// take the host's time).
		if (fWindow.Id() != 0 && !fHidden && !fEditor.Running() &&
		    std::chrono::steady_clock::now() - fStarted > kRestartPause)
			StartEditor();
		if (fEditor.Running() && !fOpened)
			Open();
		else if (fOpened && !fEditor.Sending())
			SendPending();
		const bool wasRunning = fEditor.Running();
		for (const Message& message : fEditor.Poll())
			Handle(message);
		if (wasRunning && !fEditor.Running()) {
			fOpened = false;
			if (fShownByHost && fExternalHost != nullptr && fExternalHost->uiClosed != nullptr)
				fExternalHost->uiClosed(fController);
			fClosed = fShownByHost;
			fShownByHost = false;
		}
		return fClosed ? 1 : 0;
	}

	int Show()
	{
		fShownByHost = true;
		fClosed = false;
		fHidden = false;
		if (fEditor.Running())
			return 0;
		return StartEditor() ? 0 : 1;
	}

	int Hide()
	{
		fShownByHost = false;
		fHidden = true;
		fEditor.End();
		fOpened = false;
		return 0;
	}

	void Cleanup()
	{
		// The editor first: its window lives inside ours.
		fEditor.End();
		fWindow.Destroy();
	}

private:
	static Ui* UiOf(ExternalWidget* widget) { return reinterpret_cast<WidgetOfUi*>(widget)->ui; }

	bool StartEditor()
	{
		fOpened = false;
		fStarted = std::chrono::steady_clock::now();
		return fEditor.Start(fProgram, "tunk", fWindow.Id());
	}

	// The sound as the host has described it so far, then the window.
	void Open()
	{
		std::fill(std::begin(fPending), std::end(fPending), false);
		fEditor.Send(Lines(fKnown) + editor_link::OpenLine(fName));
		fOpened = true;
	}

	void SendPending()
	{
		const std::string lines = Lines(fPending);
		std::fill(std::begin(fPending), std::end(fPending), false);
		if (!lines.empty())
			fEditor.Send(lines);
	}

	// A line for each port marked.
	std::string Lines(const bool (&ports)[kPortCount]) const
	{
		std::string lines;
		for (uint32_t port = 0; port < kPortCount; port++) {
			if (ports[port])
				lines += editor_link::SetLine(Info(*ParamOf(port)).symbol, fValues[port]);
		}
		return lines;
	}

	void Handle(const Message& message)
	{
		switch (message.kind) {
			case Message::kSet: {
				const std::optional<Param> param = FindParam(message.name);
				if (!param)
					break;
				const uint32_t port = PortOf(*param);
				const float value = Clamped(port, message.value);
				fValues[port] = value;
				fKnown[port] = true;
				fWrite(fController, port, sizeof value, 0, &value);
				break;
			}
			case Message::kPlay: Midi(0x90, kPlayNote, uint8_t(message.first)); break;
			case Message::kStop: Midi(0xB0, kAllSoundOff, 0); break;
			case Message::kSize:
				gEditorSize = {message.first, message.second};
				if (fWindow.Id() != 0) {
					fWindow.Resize(message.first, message.second);
					if (fResize != nullptr)
						fResize->ui_resize(fResize->handle, message.first, message.second);
				}
				break;
			case Message::kOpen: break;
		}
	}

	// A MIDI message into the plugin's MIDI input, as the host's own events arrive there.
	void Midi(uint8_t status, uint8_t data1, uint8_t data2)
	{
		if (fMidiEvent == 0)
			return;
		struct {
			LV2_Atom atom;
			uint8_t bytes[3];
		} event = {{3, fMidiEvent}, {status, data1, data2}};
		fWrite(fController, kPortMidiIn, sizeof event.atom + 3, fEventTransfer, &event);
	}

	WidgetOfUi fWidget = {};
	LV2UI_Write_Function fWrite;
	LV2UI_Controller fController;
	std::string fProgram;
	std::string fName = "Tunk";
	LV2_URID fEventTransfer = 0;
	LV2_URID fMidiEvent = 0;
	uintptr_t fParent = 0;
	const LV2UI_Resize* fResize = nullptr;
	const ExternalHost* fExternalHost = nullptr;
	EditorProcess fEditor;
	editor_link::EmbedWindow fWindow;
	std::chrono::steady_clock::time_point fStarted;
	bool fOpened = false;      // the first sound has been sent
	bool fShownByHost = false; // shown through show() rather than embedded
	bool fClosed = false;      // shown, then closed other than by hide()
	bool fHidden = false;      // hidden by the host: no editor until it shows the UI again
	float fValues[kPortCount] = {};
	bool fKnown[kPortCount] = {};
	bool fPending[kPortCount] = {}; // changed by the host since the editor last heard
};

LV2UI_Handle Instantiate(const LV2UI_Descriptor* descriptor, const char*, const char* bundlePath,
    LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
    const LV2_Feature* const* features)
{
	// Without the editor there is nothing to show: the host falls back on its own controls.
	std::string program = editor_link::FindEditor(bundlePath != nullptr ? bundlePath : "");
	if (program.empty())
		return nullptr;
	auto* ui = new Ui(write, controller, std::move(program));
	ui->TakeFeatures(features);
	if (std::strcmp(descriptor->URI, kExternalUiUri) == 0) {
		*widget = ui->Widget();
		return ui;
	}
	// No parent: the host shows the editor through the show interface.
	*widget = nullptr;
	if (!ui->HasParent())
		return ui;
	if (!ui->Embed()) {
		ui->Cleanup();
		delete ui;
		return nullptr;
	}
	*widget = reinterpret_cast<LV2UI_Widget>(ui->Window());
	return ui;
}

void Cleanup(LV2UI_Handle handle)
{
	auto* ui = static_cast<Ui*>(handle);
	ui->Cleanup();
	delete ui;
}

void PortEvent(
    LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
	static_cast<Ui*>(handle)->PortEvent(port, size, format, buffer);
}

const LV2UI_Idle_Interface kIdle = {[](LV2UI_Handle ui) { return static_cast<Ui*>(ui)->Idle(); }};
const LV2UI_Show_Interface kShow = {[](LV2UI_Handle ui) { return static_cast<Ui*>(ui)->Show(); },
    [](LV2UI_Handle ui) { return static_cast<Ui*>(ui)->Hide(); }};

const void* ExtensionData(const char* uri)
{
	if (std::strcmp(uri, LV2_UI__idleInterface) == 0)
		return &kIdle;
	if (std::strcmp(uri, LV2_UI__showInterface) == 0)
		return &kShow;
	return nullptr;
}

const LV2UI_Descriptor kDescriptors[] = {
    {kUiUri, Instantiate, Cleanup, PortEvent, ExtensionData},
    {kExternalUiUri, Instantiate, Cleanup, PortEvent, nullptr},
};

} // namespace
} // namespace tunk::lv2

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
	return index < std::size(tunk::lv2::kDescriptors) ? &tunk::lv2::kDescriptors[index] : nullptr;
}
