// The LV2 instrument. Each note starts a voice that computes its sound as it plays, from the
// control values of the block that holds the note: a change or a preset that reaches the
// plugin with a note plays on that note, at every block size, and moving a control costs
// nothing while the voices sound. No worker, no sound made ahead, nothing to wait for.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/core/lv2_util.h>
#include <lv2/midi/midi.h>
#include <lv2/urid/urid.h>
#include <memory>
#include <new>

#include "engine/core/Hit.h"
#include "engine/voices/LiveSource.h"
#include "engine/voices/Player.h"
#include "plugin/KitPlugin.h"
#include "plugin/Ports.h"
#include "plugin/Resampler.h"

namespace tunk::lv2 {
namespace {

class Plugin {
public:
	Plugin(double rate, LV2_URID midiEvent) : fMidiEvent(midiEvent)
	{
		if (rate != double(kSampleRate))
			fKernel = std::make_unique<ResampleKernel>(rate);
		std::array<voices::Source*, voices::kSlots> sources{};
		for (int32_t i = 0; i < voices::kSlots; i++) {
			fSources[size_t(i)] = std::make_unique<ResampledSource>(fKernel.get());
			sources[size_t(i)] = fSources[size_t(i)].get();
		}
		fPlayer = std::make_unique<voices::Player>(sources);
		for (uint32_t port = 0; port < kPortCount; port++)
			fDefaults[port] = RangeOf(port).start;
	}

	void Connect(uint32_t port, void* data)
	{
		if (port == kPortMidiIn)
			fMidi = static_cast<const LV2_Atom_Sequence*>(data);
		else if (port == kPortOut)
			fOut = static_cast<float*>(data);
		else if (port == kPortLatency)
			fLatency = static_cast<float*>(data);
		else if (port < kPortCount)
			fControls[port] = static_cast<const float*>(data);
	}

	void Activate()
	{
		fPlayer->Clear();
		fHit = 1;
	}

	void Run(uint32_t frames)
	{
		if (fLatency != nullptr)
			*fLatency = 0;
		// The controls hold for the whole block, so every note of it plays the same sound.
		float values[kPortCount] = {};
		for (const ParamInfo& info : kParams)
			values[PortOf(info.id)] = Control(PortOf(info.id));
		const SoundParams params = ParamsFromPorts(values);
		const float velocityScale = Control(kPortVelocity);
		const bool noteOff = Control(kPortNoteOff) > 0;
		const bool retrigger = Control(kPortRetrigger) > 0;
		fKeyTrack = Control(kPortKeyTrack) > 0;

		uint32_t done = 0;
		if (fMidi != nullptr) {
			LV2_ATOM_SEQUENCE_FOREACH(fMidi, event)
			{
				if (event->body.type != fMidiEvent || event->body.size < 1)
					continue;
				const uint8_t* midi = reinterpret_cast<const uint8_t*>(event + 1);
				const uint32_t at = uint32_t(std::clamp<int64_t>(event->time.frames, done, frames));
				RenderUntil(done, at);
				done = at;
				Handle(midi, event->body.size, params, velocityScale, noteOff, retrigger);
			}
		}
		RenderUntil(done, frames);
	}

private:
	float Control(uint32_t port) const
	{
		return Clamped(port, fControls[port] != nullptr ? *fControls[port] : fDefaults[port]);
	}

	void Handle(const uint8_t* midi, uint32_t size, const SoundParams& params, float velocityScale,
	    bool noteOff, bool retrigger)
	{
		const MidiRequest request = ReadMidi(midi, size);
		// One key per channel and note, so that retrigger and note-off find their voice.
		const int32_t key = request.channel * 128 + request.note;
		switch (request.kind) {
			case MidiRequest::kNoteOn: {
				if (retrigger)
					fPlayer->Release(key);
				// Each note its own hit, numbered from 1 since the host started the plugin.
				const Hit hit = HitOf(fKeyTrack ? Transposed(params, double(request.note) - 60.0) : params,
				    request.velocity, fHit++);
				const float gain = VelocityGain(hit.level, velocityScale) * hit.gain;
				ResampledSource& source = static_cast<ResampledSource&>(fPlayer->Start(key, gain));
				source.Play(hit.params, fTables);
				break;
			}
			case MidiRequest::kNoteOff:
				// By default a one-shot ignores note-offs.
				if (noteOff)
					fPlayer->Release(key);
				break;
			case MidiRequest::kAllOff: fPlayer->ReleaseAll(); break;
			case MidiRequest::kNothing: break;
		}
	}

	void RenderUntil(uint32_t from, uint32_t to)
	{
		if (fOut == nullptr || to <= from)
			return;
		std::fill(fOut + from, fOut + to, 0.0f);
		fPlayer->Render(fOut + from, to - from);
	}

	const LV2_URID fMidiEvent;
	std::unique_ptr<ResampleKernel> fKernel;
	std::array<std::unique_ptr<ResampledSource>, voices::kSlots> fSources;
	std::unique_ptr<voices::Player> fPlayer;
	voices::TableCache fTables;
	uint32_t fHit = 1;
	bool fKeyTrack = false;

	const LV2_Atom_Sequence* fMidi = nullptr;
	float* fOut = nullptr;
	float* fLatency = nullptr;
	const float* fControls[kPortCount] = {};
	float fDefaults[kPortCount] = {};
};

LV2_Handle Instantiate(
    const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
{
	const LV2_URID_Map* map = nullptr;
	const char* missing = lv2_features_query(features, LV2_URID__map, &map, true, nullptr);
	// Also refuses a rate that is not a number.
	if (missing != nullptr || !(rate >= kMinRate && rate <= kMaxRate))
		return nullptr;
	try {
		return new Plugin(rate, map->map(map->handle, LV2_MIDI__MidiEvent));
	} catch (const std::bad_alloc&) {
		return nullptr;
	}
}

void ConnectPort(LV2_Handle instance, uint32_t port, void* data)
{
	static_cast<Plugin*>(instance)->Connect(port, data);
}

void Activate(LV2_Handle instance)
{
	static_cast<Plugin*>(instance)->Activate();
}

void Run(LV2_Handle instance, uint32_t frames)
{
	static_cast<Plugin*>(instance)->Run(frames);
}

void Cleanup(LV2_Handle instance)
{
	delete static_cast<Plugin*>(instance);
}

const void* ExtensionData(const char*)
{
	return nullptr;
}

const LV2_Descriptor kDescriptor = {
    kPluginUri, Instantiate, ConnectPort, Activate, Run, nullptr, Cleanup, ExtensionData};

} // namespace
} // namespace tunk::lv2

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
	switch (index) {
		case 0: return &tunk::lv2::kDescriptor;
		case 1: return tunk::lv2::KitDescriptor();
		default: return nullptr;
	}
}
