// A plugin UI host of the tests' own, as a music program is one: it finds the instrument's UI
// through lilv's UI discovery, loads the UI binary with dlopen, gives it a parent X window, a
// URID map and the resize feature, drives it through the idle and show interfaces and
// records every port write.
#pragma once

#include <cstdint>
#include <functional>
#include <lv2/ui/ui.h>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

#include "plugin/PluginHost.h"

class UiHost {
public:
	// A port write from the UI: a control's value, or an atom event's type and bytes.
	struct Write {
		uint32_t port;
		uint32_t format; // 0 for a control value, else the atom protocol's URID
		float value;     // format 0
		uint32_t atomType;
		std::vector<uint8_t> body;
	};

	// The UI of `uiClass` (ui:X11UI or the external-UI widget) of the world's plugin.
	UiHost(PluginWorld& world, const char* uiClass);
	~UiHost();
	UiHost(const UiHost&) = delete;
	UiHost& operator=(const UiHost&) = delete;

	bool Found() const { return fDescriptor != nullptr; }
	const std::string& Uri() const { return fUri; }

	// Instantiates the UI inside `parent` (0: no parent feature); false when it refused.
	bool Instantiate(unsigned long parent);
	void Cleanup();
	LV2UI_Widget Widget() const { return fWidget; }

	void PortEvent(uint32_t port, float value);
	// One call of the idle interface (or the external widget's run): its result.
	int Idle();
	// Idle calls every 10 ms until `done` holds or `seconds` pass; true when it held.
	bool IdleUntil(const std::function<bool()>& done, double seconds = 10);
	// The show interface (or the external widget's show and hide).
	int Show();
	int Hide();
	bool HasIdleInterface() const { return fIdle != nullptr; }

	const std::vector<Write>& Writes() const { return fWrites; }
	// The last value written to the port, if any was.
	std::optional<float> LastValue(uint32_t port) const;
	// The sizes the UI asked for through the resize feature.
	const std::vector<std::pair<int, int>>& Sizes() const { return fSizes; }
	// Calls of the external-UI host's "closed" callback.
	int ClosedCalls() const { return fClosed; }
	UridMap& Urids() { return fWorld.Urids(); }

private:
	PluginWorld& fWorld;
	std::string fUri;
	std::string fBundle;
	void* fLibrary = nullptr;
	const LV2UI_Descriptor* fDescriptor = nullptr;
	LV2UI_Handle fHandle = nullptr;
	LV2UI_Widget fWidget = nullptr;
	const LV2UI_Idle_Interface* fIdle = nullptr;
	const LV2UI_Show_Interface* fShow = nullptr;
	bool fExternal = false;
	std::vector<Write> fWrites;
	std::vector<std::pair<int, int>> fSizes;
	int fClosed = 0;
	LV2UI_Resize fResize;
	struct ExternalHost {
		void (*uiClosed)(LV2UI_Controller);
		const char* pluginHumanId;
	} fExternalHost;
};

// The editor processes this process started, running or ended but not yet reaped.
std::vector<pid_t> EditorChildren();
// Whether any library of Qt is loaded into this process.
bool LoadsQt();
