// A small LV2 host on lilv, as a music program would be: it loads the bundle from the build
// tree, instantiates the plugin with a URID map, feeds MIDI through an atom sequence and
// runs blocks.
#pragma once

#include <cstdint>
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#ifndef TUNK_LV2_BUNDLE_DIR
#error "TUNK_LV2_BUNDLE_DIR names the plugin's bundle in the build tree"
#endif

constexpr const char* kTunkUri = "urn:quillfeather:tunk";

class UridMap {
public:
	UridMap();
	LV2_URID Map(const char* uri);
	const char* Unmap(LV2_URID urid);
	LV2_URID_Map* Feature() { return &fMap; }
	LV2_URID_Unmap* UnmapFeature() { return &fUnmap; }

private:
	std::mutex fLock;
	std::map<std::string, LV2_URID> fUrids;
	std::vector<const std::string*> fUris;  // by URID - 1
	LV2_URID_Map fMap;
	LV2_URID_Unmap fUnmap;
};

// A lilv world with only one bundle loaded, by default the build tree's, and one of its
// plugins.
class PluginWorld {
public:
	explicit PluginWorld(const char* bundle = TUNK_LV2_BUNDLE_DIR, const char* uri = kTunkUri);
	~PluginWorld();
	PluginWorld(const PluginWorld&) = delete;
	PluginWorld& operator=(const PluginWorld&) = delete;

	LilvWorld* World() const { return fWorld; }
	const LilvPlugin* Plugin() const { return fPlugin; }
	UridMap& Urids() { return fUrids; }
	// A node of the world that lives as long as the world.
	const LilvNode* Uri(const std::string& uri);

private:
	LilvWorld* fWorld = nullptr;
	const LilvPlugin* fPlugin = nullptr;
	UridMap fUrids;
	std::map<std::string, LilvNode*> fNodes;
};

class PluginInstance {
public:
	PluginInstance(PluginWorld& world, double rate, uint32_t maxBlock = 8192);
	~PluginInstance();
	PluginInstance(const PluginInstance&) = delete;
	PluginInstance& operator=(const PluginInstance&) = delete;

	// Control ports by symbol; the value applies from the next block.
	void SetControl(const char* symbol, float value);
	float Control(const char* symbol) const;
	bool HasControl(const char* symbol) const { return fControlIndex.count(symbol) != 0; }

	// A MIDI message at a frame of the next block.
	void Midi(uint32_t frame, uint8_t status, uint8_t data1, uint8_t data2)
	{
		Midi(frame, {status, data1, data2});
	}
	void Midi(uint32_t frame, const std::vector<uint8_t>& bytes);
	void NoteOn(uint32_t frame, uint8_t velocity = 127, uint8_t note = 60, uint8_t channel = 0)
	{
		Midi(frame, uint8_t(0x90 | channel), note, velocity);
	}

	// One block, as a host's audio thread runs it. The output is appended to `out` when
	// given.
	void Run(uint32_t frames, std::vector<float>* out = nullptr);
	// Called right before and after each block's calls into the plugin, on the audio thread.
	void SetAudioHooks(void (*before)(), void (*after)())
	{
		fBefore = before;
		fAfter = after;
	}

	// Deactivates and activates the plugin again, as a host does when it restarts it.
	void Restart();

	LilvInstance* Instance() const { return fInstance; }
	// The URID of atom:Float, the type of port values in a saved state.
	LV2_URID FloatType() const { return fFloatType; }

private:
	PluginWorld& fWorld;
	LilvInstance* fInstance = nullptr;
	uint32_t fMaxBlock;

	std::vector<float> fControls;
	std::map<std::string, uint32_t> fControlIndex;
	std::vector<float> fOut;
	std::vector<uint64_t> fSequenceStorage;
	LV2_Atom_Sequence* fSequence = nullptr;
	uint32_t fSequenceCapacity = 0;
	LV2_URID fMidiEvent = 0;
	LV2_URID fSequenceType = 0;
	LV2_URID fFrameTime = 0;
	LV2_URID fFloatType = 0;
	void (*fBefore)() = nullptr;
	void (*fAfter)() = nullptr;

	LV2_Feature fMapFeature;
};

// The samples of a sound as the plugin plays them at 44100 Hz: sample / 32768.
std::vector<float> AsFloat(const std::vector<int16_t>& samples);
