#include "plugin/ui/UiHost.h"

#include <chrono>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <lv2/atom/atom.h>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {

struct ExternalWidget {
	void (*run)(ExternalWidget*);
	void (*show)(ExternalWidget*);
	void (*hide)(ExternalWidget*);
};

constexpr const char* kExternalWidget = "http://kxstudio.sf.net/ns/lv2ext/external-ui#Widget";

} // namespace

UiHost::UiHost(PluginWorld& world, const char* uiClass) : fWorld(world)
{
	fExternal = std::strcmp(uiClass, kExternalWidget) == 0;
	LilvUIs* uis = lilv_plugin_get_uis(world.Plugin());
	LILV_FOREACH(uis, i, uis)
	{
		const LilvUI* ui = lilv_uis_get(uis, i);
		if (!lilv_ui_is_a(ui, world.Uri(uiClass)))
			continue;
		fUri = lilv_node_as_uri(lilv_ui_get_uri(ui));
		char* binary = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(ui)), nullptr);
		char* bundle = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_bundle_uri(ui)), nullptr);
		fBundle = bundle;
		fLibrary = dlopen(binary, RTLD_NOW | RTLD_LOCAL);
		lilv_free(binary);
		lilv_free(bundle);
		break;
	}
	lilv_uis_free(uis);
	if (fLibrary == nullptr)
		return;
	auto entry = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(fLibrary, "lv2ui_descriptor"));
	for (uint32_t i = 0; entry != nullptr; i++) {
		const LV2UI_Descriptor* descriptor = entry(i);
		if (descriptor == nullptr)
			break;
		if (fUri == descriptor->URI)
			fDescriptor = descriptor;
	}
	if (fDescriptor != nullptr && fDescriptor->extension_data != nullptr) {
		fIdle = static_cast<const LV2UI_Idle_Interface*>(
		    fDescriptor->extension_data(LV2_UI__idleInterface));
		fShow = static_cast<const LV2UI_Show_Interface*>(
		    fDescriptor->extension_data(LV2_UI__showInterface));
	}
}

UiHost::~UiHost()
{
	Cleanup();
	if (fLibrary != nullptr)
		dlclose(fLibrary);
}

bool UiHost::Instantiate(unsigned long parent)
{
	fResize.handle = this;
	fResize.ui_resize = [](LV2UI_Feature_Handle handle, int width, int height) {
		static_cast<UiHost*>(handle)->fSizes.emplace_back(width, height);
		return 0;
	};
	fExternalHost.uiClosed = [](LV2UI_Controller controller) {
		static_cast<UiHost*>(controller)->fClosed++;
	};
	fExternalHost.pluginHumanId = "Tunk under test";
	LV2_Feature map = {LV2_URID__map, fWorld.Urids().Feature()};
	LV2_Feature parentFeature = {LV2_UI__parent, reinterpret_cast<void*>(parent)};
	LV2_Feature resize = {LV2_UI__resize, &fResize};
	LV2_Feature external = {"http://kxstudio.sf.net/ns/lv2ext/external-ui#Host", &fExternalHost};
	std::vector<const LV2_Feature*> features = {&map, &resize, &external};
	if (parent != 0)
		features.push_back(&parentFeature);
	features.push_back(nullptr);
	auto write = [](LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format,
	                 const void* buffer) {
		Write record{port, format, 0, 0, {}};
		if (format == 0 && size == sizeof(float)) {
			std::memcpy(&record.value, buffer, sizeof(float));
		} else if (size >= sizeof(LV2_Atom)) {
			const auto* atom = static_cast<const LV2_Atom*>(buffer);
			record.atomType = atom->type;
			const auto* body = reinterpret_cast<const uint8_t*>(atom + 1);
			record.body.assign(body, body + std::min<size_t>(atom->size, size - sizeof(LV2_Atom)));
		}
		static_cast<UiHost*>(controller)->fWrites.push_back(record);
	};
	fHandle = fDescriptor->instantiate(fDescriptor,
	    lilv_node_as_uri(lilv_plugin_get_uri(fWorld.Plugin())), (fBundle + "/").c_str(), write,
	    this, &fWidget, features.data());
	return fHandle != nullptr;
}

void UiHost::Cleanup()
{
	if (fHandle == nullptr)
		return;
	fDescriptor->cleanup(fHandle);
	fHandle = nullptr;
}

void UiHost::PortEvent(uint32_t port, float value)
{
	fDescriptor->port_event(fHandle, port, sizeof value, 0, &value);
}

int UiHost::Idle()
{
	if (fExternal) {
		auto* widget = static_cast<ExternalWidget*>(fWidget);
		widget->run(widget);
		return 0;
	}
	return fIdle != nullptr ? fIdle->idle(fHandle) : 0;
}

bool UiHost::IdleUntil(const std::function<bool()>& done, double seconds)
{
	const auto end =
	    std::chrono::steady_clock::now() + std::chrono::milliseconds(int64_t(seconds * 1000));
	while (!done()) {
		if (std::chrono::steady_clock::now() > end)
			return false;
		Idle();
		std::this_thread::sleep_for(std::chrono::milliseconds(10));
	}
	return true;
}

int UiHost::Show()
{
	if (fExternal) {
		auto* widget = static_cast<ExternalWidget*>(fWidget);
		widget->show(widget);
		return 0;
	}
	return fShow->show(fHandle);
}

int UiHost::Hide()
{
	if (fExternal) {
		auto* widget = static_cast<ExternalWidget*>(fWidget);
		widget->hide(widget);
		return 0;
	}
	return fShow->hide(fHandle);
}

std::optional<float> UiHost::LastValue(uint32_t port) const
{
	for (auto write = fWrites.rbegin(); write != fWrites.rend(); ++write) {
		if (write->port == port && write->format == 0)
			return write->value;
	}
	return std::nullopt;
}

std::vector<pid_t> EditorChildren()
{
	std::vector<pid_t> found;
	for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
		const std::string name = entry.path().filename();
		if (name.find_first_not_of("0123456789") != std::string::npos)
			continue;
		std::ifstream stat(entry.path() / "stat");
		std::string line;
		std::getline(stat, line);
		// pid (comm) state ppid ...: the command may hold spaces, so read after its ')'. By
		// its name, so that one ended but not yet reaped counts too.
		const size_t open = line.find('(');
		const size_t close = line.rfind(')');
		if (open == std::string::npos || close == std::string::npos)
			continue;
		std::istringstream rest(line.substr(close + 1));
		char state = 0;
		pid_t parent = 0;
		rest >> state >> parent;
		if (parent == getpid() && line.substr(open + 1, close - open - 1) == "tunk")
			found.push_back(pid_t(std::stol(name)));
	}
	return found;
}

bool LoadsQt()
{
	std::ifstream maps("/proc/self/maps");
	std::string line;
	while (std::getline(maps, line)) {
		if (line.find("libQt") != std::string::npos)
			return true;
	}
	return false;
}
