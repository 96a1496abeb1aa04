#include "PluginHost.h"

#include <algorithm>
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
	fUnmap.handle = this;
	fUnmap.unmap = [](LV2_URID_Unmap_Handle handle, LV2_URID urid) {
		return static_cast<UridMap*>(handle)->Unmap(urid);
	};
}

LV2_URID UridMap::Map(const char* uri)
{
	std::lock_guard lock(fLock);
	auto [entry, added] = fUrids.emplace(uri, LV2_URID(fUrids.size() + 1));
	if (added)
		fUris.push_back(&entry->first);
	return entry->second;
}

const char* UridMap::Unmap(LV2_URID urid)
{
	std::lock_guard lock(fLock);
	return urid >= 1 && urid <= fUris.size() ? fUris[urid - 1]->c_str() : nullptr;
}

PluginWorld::PluginWorld(const char* bundle, const char* pluginUri)
{
	fWorld = lilv_world_new();
	LilvNode* uri = lilv_new_file_uri(fWorld, nullptr, bundle);
	lilv_world_load_bundle(fWorld, uri);
	lilv_node_free(uri);
	const LilvPlugins* plugins = lilv_world_get_all_plugins(fWorld);
	fPlugin = lilv_plugins_get_by_uri(plugins, Uri(pluginUri));
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

PluginInstance::PluginInstance(PluginWorld& world, double rate, uint32_t maxBlock)
    : fWorld(world), fMaxBlock(maxBlock)
{
	const LilvPlugin* plugin = world.Plugin();
	if (plugin == nullptr)
		throw std::runtime_error("the plugin is not in the bundle");
	UridMap& urids = world.Urids();
	fMidiEvent = urids.Map(LV2_MIDI__MidiEvent);
	fSequenceType = urids.Map(LV2_ATOM__Sequence);
	fFloatType = urids.Map(LV2_ATOM__Float);

	fMapFeature = {LV2_URID__map, urids.Feature()};
	const LV2_Feature* features[] = {&fMapFeature, nullptr};
	fInstance = lilv_plugin_instantiate(plugin, rate, features);
	if (fInstance == nullptr)
		throw std::runtime_error("the plugin did not instantiate");

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
}

PluginInstance::~PluginInstance()
{
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

void PluginInstance::Midi(uint32_t frame, const std::vector<uint8_t>& bytes)
{
	struct {
		LV2_Atom_Event header;
		uint8_t bytes[16];
	} event;
	if (bytes.size() > sizeof event.bytes)
		throw std::runtime_error("MIDI message too long");
	event.header.time.frames = frame;
	event.header.body.size = uint32_t(bytes.size());
	event.header.body.type = fMidiEvent;
	std::copy(bytes.begin(), bytes.end(), event.bytes);
	if (lv2_atom_sequence_append_event(fSequence, fSequenceCapacity, &event.header) == nullptr)
		throw std::runtime_error("MIDI buffer full");
}

void PluginInstance::Run(uint32_t frames, std::vector<float>* out)
{
	if (frames > fMaxBlock)
		throw std::runtime_error("block longer than the host's buffers");
	if (fBefore != nullptr)
		fBefore();
	lilv_instance_run(fInstance, frames);
	if (fAfter != nullptr)
		fAfter();
	if (out != nullptr)
		out->insert(out->end(), fOut.begin(), fOut.begin() + frames);
	lv2_atom_sequence_clear(fSequence);
}

void PluginInstance::Restart()
{
	lilv_instance_deactivate(fInstance);
	lilv_instance_activate(fInstance);
}

std::vector<float> AsFloat(const std::vector<int16_t>& samples)
{
	std::vector<float> out(samples.size());
	for (size_t i = 0; i < samples.size(); i++)
		out[i] = float(samples[i]) / 32768.0f;
	return out;
}
