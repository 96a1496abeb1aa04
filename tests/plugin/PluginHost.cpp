#include "PluginHost.h"

#include <chrono>
#include <cstring>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <stdexcept>

UridMap::UridMap()
{
	fMap.handle = this;
	fMap.map = [](LV2_URID_Map_Handle handle, const char* uri) {
		return static_cast<UridMap*>(handle)->Map(uri);
	};
}

LV2_URID UridMap::Map(const char* uri)
{
	std::lock_guard lock(fLock);
	auto [entry, added] = fUrids.emplace(uri, LV2_URID(fUrids.size() + 1));
	return entry->second;
}

PluginWorld::PluginWorld(const char* bundle)
{
	fWorld = lilv_world_new();
	LilvNode* uri = lilv_new_file_uri(fWorld, nullptr, bundle);
	lilv_world_load_bundle(fWorld, uri);
	lilv_node_free(uri);
	const LilvPlugins* plugins = lilv_world_get_all_plugins(fWorld);
	fPlugin = lilv_plugins_get_by_uri(plugins, Uri(kTunkUri));
}

PluginWorld::~PluginWorld()
{
	for (auto& [uri, node] : fNodes)
		lilv_node_free(node);
	lilv_world_free(fWorld);
}

const LilvNode* PluginWorld::Uri(const std::string& uri)
{
	auto found = fNodes.find(uri);
	if (found != fNodes.end())
		return found->second;
	LilvNode* node = lilv_new_uri(fWorld, uri.c_str());
	fNodes.emplace(uri, node);
	return node;
}

MessageRing::MessageRing(uint32_t capacity) : fBytes(capacity) {}

void MessageRing::Copy(uint32_t at, const void* data, uint32_t size)
{
	const uint8_t* bytes = static_cast<const uint8_t*>(data);
	for (uint32_t i = 0; i < size; i++)
		fBytes[(at + i) % fBytes.size()] = bytes[i];
}

void MessageRing::Take(uint32_t at, void* data, uint32_t size)
{
	uint8_t* bytes = static_cast<uint8_t*>(data);
	for (uint32_t i = 0; i < size; i++)
		bytes[i] = fBytes[(at + i) % fBytes.size()];
}

bool MessageRing::Write(uint32_t size, const void* data)
{
	uint32_t write = fWrite.load(std::memory_order_relaxed);
	uint32_t read = fRead.load(std::memory_order_acquire);
	if (size > kMaxMessage || fBytes.size() - (write - read) < sizeof size + size)
		return false;
	Copy(write, &size, sizeof size);
	Copy(write + sizeof size, data, size);
	fWrite.store(write + sizeof size + size, std::memory_order_release);
	return true;
}

bool MessageRing::Read(uint32_t* size, void* buffer)
{
	uint32_t read = fRead.load(std::memory_order_relaxed);
	uint32_t write = fWrite.load(std::memory_order_acquire);
	if (read == write)
		return false;
	Take(read, size, sizeof *size);
	Take(read + sizeof *size, buffer, *size);
	fRead.store(read + sizeof *size + *size, std::memory_order_release);
	return true;
}

PluginInstance::PluginInstance(PluginWorld& world, double rate, Worker worker, uint32_t maxBlock)
    : fWorld(world), fMode(worker), fMaxBlock(maxBlock)
{
	const LilvPlugin* plugin = world.Plugin();
	if (plugin == nullptr)
		throw std::runtime_error("the plugin is not in the bundle");
	UridMap& urids = world.Urids();
	fMidiEvent = urids.Map(LV2_MIDI__MidiEvent);
	fSequenceType = urids.Map(LV2_ATOM__Sequence);

	fSchedule.handle = this;
	fSchedule.schedule_work = Schedule;
	fMapFeature = {LV2_URID__map, urids.Feature()};
	fScheduleFeature = {LV2_WORKER__schedule, &fSchedule};
	const LV2_Feature* features[] = {&fMapFeature, &fScheduleFeature, nullptr};
	fInstance = lilv_plugin_instantiate(plugin, rate, features);
	if (fInstance == nullptr)
		throw std::runtime_error("the plugin did not instantiate");
	fWorkerInterface = static_cast<const LV2_Worker_Interface*>(
	    lilv_instance_get_extension_data(fInstance, LV2_WORKER__interface));
	if (fWorkerInterface == nullptr)
		throw std::runtime_error("the plugin has no worker interface");

	uint32_t ports = lilv_plugin_get_num_ports(plugin);
	fControls.assign(ports, 0);
	std::vector<float> defaults(ports);
	lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
	const LilvNode* controlClass = world.Uri(LV2_CORE__ControlPort);
	const LilvNode* audioClass = world.Uri(LV2_CORE__AudioPort);
	const LilvNode* atomClass = world.Uri(LV2_ATOM__AtomPort);
	fOut.assign(maxBlock, 0);
	fSequenceStorage.assign(1 << 13, 0);
	fSequenceCapacity = uint32_t(fSequenceStorage.size() * sizeof(uint64_t));
	fSequence = reinterpret_cast<LV2_Atom_Sequence*>(fSequenceStorage.data());
	lv2_atom_sequence_clear(fSequence);
	fSequence->atom.type = fSequenceType;
	for (uint32_t i = 0; i < ports; i++) {
		const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
		if (lilv_port_is_a(plugin, port, controlClass)) {
			fControls[i] = defaults[i];
			fControlIndex[lilv_node_as_string(lilv_port_get_symbol(plugin, port))] = i;
			lilv_instance_connect_port(fInstance, i, &fControls[i]);
		} else if (lilv_port_is_a(plugin, port, audioClass)) {
			lilv_instance_connect_port(fInstance, i, fOut.data());
		} else if (lilv_port_is_a(plugin, port, atomClass)) {
			lilv_instance_connect_port(fInstance, i, fSequence);
		}
	}
	lilv_instance_activate(fInstance);
	if (fMode == Worker::Thread)
		fThread = std::thread([this] { WorkerLoop(); });
}

PluginInstance::~PluginInstance()
{
	if (fThread.joinable()) {
		fStop = true;
		fWake.release();
		fThread.join();
	}
	if (fInstance != nullptr) {
		lilv_instance_deactivate(fInstance);
		lilv_instance_free(fInstance);
	}
}

void PluginInstance::SetControl(const char* symbol, float value)
{
	auto found = fControlIndex.find(symbol);
	if (found == fControlIndex.end())
		throw std::runtime_error(std::string("no control port ") + symbol);
	fControls[found->second] = value;
}

float PluginInstance::Control(const char* symbol) const
{
	auto found = fControlIndex.find(symbol);
	if (found == fControlIndex.end())
		throw std::runtime_error(std::string("no control port ") + symbol);
	return fControls[found->second];
}

void PluginInstance::Midi(uint32_t frame, uint8_t status, uint8_t data1, uint8_t data2)
{
	struct {
		LV2_Atom_Event header;
		uint8_t bytes[3];
	} event;
	event.header.time.frames = frame;
	event.header.body.size = 3;
	event.header.body.type = fMidiEvent;
	event.bytes[0] = status;
	event.bytes[1] = data1;
	event.bytes[2] = data2;
	if (lv2_atom_sequence_append_event(fSequence, fSequenceCapacity, &event.header) == nullptr)
		throw std::runtime_error("MIDI buffer full");
}

void PluginInstance::Run(uint32_t frames, std::vector<float>* out)
{
	if (frames > fMaxBlock)
		throw std::runtime_error("block longer than the host's buffers");
	alignas(8) uint8_t reply[MessageRing::kMaxMessage];
	uint32_t size = 0;
	if (fBefore != nullptr)
		fBefore();
	lilv_instance_run(fInstance, frames);
	while (fRepliesRing.Read(&size, reply))
		fWorkerInterface->work_response(lilv_instance_get_handle(fInstance), size, reply);
	if (fAfter != nullptr)
		fAfter();
	if (out != nullptr)
		out->insert(out->end(), fOut.begin(), fOut.begin() + frames);
	lv2_atom_sequence_clear(fSequence);
}

LV2_Worker_Status PluginInstance::Schedule(
    LV2_Worker_Schedule_Handle handle, uint32_t size, const void* data)
{
	PluginInstance* self = static_cast<PluginInstance*>(handle);
	self->fPending++;
	if (!self->fRequestsRing.Write(size, data)) {
		self->fPending--;
		return LV2_WORKER_ERR_NO_SPACE;
	}
	self->fRequests++;
	if (self->fMode == Worker::Thread)
		self->fWake.release();
	return LV2_WORKER_SUCCESS;
}

LV2_Worker_Status PluginInstance::Respond(
    LV2_Worker_Respond_Handle handle, uint32_t size, const void* data)
{
	PluginInstance* self = static_cast<PluginInstance*>(handle);
	if (!self->fRepliesRing.Write(size, data))
		return LV2_WORKER_ERR_NO_SPACE;
	self->fReplies++;
	return LV2_WORKER_SUCCESS;
}

void PluginInstance::WorkOne(uint32_t size, const void* data)
{
	fWorkerInterface->work(lilv_instance_get_handle(fInstance), Respond, this, size, data);
	fPending--;
}

int PluginInstance::RunWorker()
{
	alignas(8) uint8_t request[MessageRing::kMaxMessage];
	uint32_t size = 0;
	int ran = 0;
	while (fRequestsRing.Read(&size, request)) {
		WorkOne(size, request);
		ran++;
	}
	return ran;
}

void PluginInstance::WorkerLoop()
{
	alignas(8) uint8_t request[MessageRing::kMaxMessage];
	uint32_t size = 0;
	while (true) {
		fWake.acquire();
		if (fStop)
			return;
		while (fRequestsRing.Read(&size, request))
			WorkOne(size, request);
	}
}

void PluginInstance::WaitForWorker()
{
	while (fPending.load() > 0)
		std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

std::vector<float> AsFloat(const std::vector<int16_t>& samples)
{
	std::vector<float> out(samples.size());
	for (size_t i = 0; i < samples.size(); i++)
		out[i] = float(samples[i]) / 32768.0f;
	return out;
}
