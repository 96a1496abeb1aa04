// The LV2 instrument. The audio thread reads the ports, starts voices at their MIDI frames
// and asks the worker for a new sound when a control changed; the worker generates it (and
// frees sounds nobody plays any more). One request is in flight at a time: changes made
// meanwhile are picked up together when it returns.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/core/lv2_util.h>
#include <lv2/midi/midi.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>
#include <new>
#include <thread>

#include "plugin/Ports.h"
#include "plugin/Sound.h"
#include "plugin/Voices.h"

namespace tunk::lv2 {
namespace {

// Audio thread to worker.
struct Request {
	enum Kind : uint32_t { kGenerate, kFree } kind;
	SoundParams params;
	Sound* sound;
};

// Worker to audio thread: the new sound, or nullptr when memory ran out.
struct Reply {
	Sound* sound;
};

class Plugin {
public:
	Plugin(double rate, LV2_URID midiEvent, const LV2_Worker_Schedule* schedule)
	    : fStore(rate), fVoices(fRetirement), fMidiEvent(midiEvent), fSchedule(schedule)
	{
		for (uint32_t port = kFirstSoundPort; port <= kLastSoundPort; port++)
			fDefaults[port] = PortValue(SoundParams{}, port);
		fDefaults[kPortVelocity] = 1;
	}

	// The default sound, so that notes sound before the first reply.
	bool Start()
	{
		fCurrent = fStore.Make(SoundParams{});
		if (fCurrent == nullptr)
			return false;
		fRetirement.Acquire(fCurrent);
		fRequested = fCurrent->params;
		return true;
	}

	void Connect(uint32_t port, void* data)
	{
		if (port == kPortMidiIn)
			fMidi = static_cast<const LV2_Atom_Sequence*>(data);
		else if (port == kPortOut)
			fOut = static_cast<float*>(data);
		else if (port < kPortCount)
			fControls[port] = static_cast<const float*>(data);
	}

	void Activate() { fVoices.Clear(); }

	void Run(uint32_t frames)
	{
		HandOnRetired();
		RequestIfChanged();

		float velocityScale = Control(kPortVelocity);
		if (!(velocityScale >= 0))
			velocityScale = velocityScale < 0 ? 0 : 1;
		velocityScale = std::min(velocityScale, 1.0f);

		uint32_t done = 0;
		if (fMidi != nullptr) {
			LV2_ATOM_SEQUENCE_FOREACH(fMidi, event)
			{
				if (event->body.type != fMidiEvent || event->body.size < 3)
					continue;
				const uint8_t* midi = reinterpret_cast<const uint8_t*>(event + 1);
				// A note-on of velocity 0 is a note-off; a one-shot voice ignores those.
				if ((midi[0] & 0xF0) != LV2_MIDI_MSG_NOTE_ON || midi[2] == 0)
					continue;
				uint32_t at = uint32_t(std::clamp<int64_t>(event->time.frames, done, frames));
				RenderUntil(done, at);
				done = at;
				float velocity = float(midi[2] & 0x7F) / 127.0f;
				fVoices.NoteOn(fCurrent, (1.0f - velocityScale) + velocityScale * velocity);
			}
		}
		RenderUntil(done, frames);
		HandOnRetired();
	}

	LV2_Worker_Status Work(
	    LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle, const void* data)
	{
		Request request;
		std::memcpy(&request, data, sizeof request);
		if (request.kind == Request::kFree) {
			fStore.Free(request.sound);
			return LV2_WORKER_SUCCESS;
		}
		Reply reply{fStore.Make(request.params)};
		// The audio thread asks for nothing new until this reply arrives, so a full reply
		// queue is waited out here rather than dropped.
		LV2_Worker_Status status = respond(handle, sizeof reply, &reply);
		for (int tries = 0; status == LV2_WORKER_ERR_NO_SPACE && tries < 1000; tries++) {
			std::this_thread::sleep_for(std::chrono::milliseconds(1));
			status = respond(handle, sizeof reply, &reply);
		}
		if (status != LV2_WORKER_SUCCESS && reply.sound != nullptr)
			fStore.Free(reply.sound);
		return status;
	}

	void WorkResponse(const void* data)
	{
		Reply reply;
		std::memcpy(&reply, data, sizeof reply);
		fInFlight = false;
		if (reply.sound == nullptr) {
			// Out of memory: the old sound stays, and the next block asks again.
			fRequested = fCurrent->params;
			return;
		}
		fRetirement.Release(fCurrent);
		fCurrent = reply.sound;
		fRetirement.Acquire(fCurrent);
	}

private:
	float Control(uint32_t port) const
	{
		return fControls[port] != nullptr ? *fControls[port] : fDefaults[port];
	}

	void RequestIfChanged()
	{
		// Room for the current sound and every voice's to retire before the reply lands.
		if (fInFlight || fRetirement.Count() > Retirement::kCapacity - (kMaxVoices + 2))
			return;
		float values[kPortCount] = {};
		for (uint32_t port = kFirstSoundPort; port <= kLastSoundPort; port++)
			values[port] = Control(port);
		SoundParams wanted = ParamsFromPorts(values);
		if (SameBits(wanted, fRequested))
			return;
		Request request{Request::kGenerate, wanted, nullptr};
		// Marked before asking: a host may run the worker within schedule_work.
		fInFlight = true;
		if (fSchedule->schedule_work(fSchedule->handle, sizeof request, &request) !=
		    LV2_WORKER_SUCCESS) {
			fInFlight = false;
			return; // the next block asks again
		}
		fRequested = wanted;
	}

	void HandOnRetired()
	{
		int32_t sent = 0;
		while (sent < fRetirement.Count()) {
			Request request{Request::kFree, SoundParams{}, fRetirement.At(sent)};
			if (fSchedule->schedule_work(fSchedule->handle, sizeof request, &request) !=
			    LV2_WORKER_SUCCESS)
				break;
			sent++;
		}
		fRetirement.Drop(sent);
	}

	void RenderUntil(uint32_t from, uint32_t to)
	{
		if (fOut == nullptr || to <= from)
			return;
		std::fill(fOut + from, fOut + to, 0.0f);
		fVoices.Render(fOut + from, to - from);
	}

	SoundStore fStore;
	Retirement fRetirement;
	Voices fVoices;
	const LV2_URID fMidiEvent;
	const LV2_Worker_Schedule* const fSchedule;

	const LV2_Atom_Sequence* fMidi = nullptr;
	float* fOut = nullptr;
	const float* fControls[kPortCount] = {};
	float fDefaults[kPortCount] = {};

	Sound* fCurrent = nullptr;
	SoundParams fRequested;
	bool fInFlight = false;
};

LV2_Handle Instantiate(
    const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
{
	const LV2_URID_Map* map = nullptr;
	const LV2_Worker_Schedule* schedule = nullptr;
	const char* missing = lv2_features_query(
	    features, LV2_URID__map, &map, true, LV2_WORKER__schedule, &schedule, true, nullptr);
	if (missing != nullptr || !(rate > 0))
		return nullptr;
	Plugin* plugin =
	    new (std::nothrow) Plugin(rate, map->map(map->handle, LV2_MIDI__MidiEvent), schedule);
	if (plugin == nullptr)
		return nullptr;
	if (!plugin->Start()) {
		delete plugin;
		return nullptr;
	}
	return plugin;
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
	// Every sound, also those still on their way between the threads, goes with the store.
	delete static_cast<Plugin*>(instance);
}

LV2_Worker_Status DoWork(LV2_Handle instance, LV2_Worker_Respond_Function respond,
    LV2_Worker_Respond_Handle handle, uint32_t size, const void* data)
{
	if (size != sizeof(Request))
		return LV2_WORKER_ERR_UNKNOWN;
	return static_cast<Plugin*>(instance)->Work(respond, handle, data);
}

LV2_Worker_Status WorkResponse(LV2_Handle instance, uint32_t size, const void* data)
{
	if (size != sizeof(Reply))
		return LV2_WORKER_ERR_UNKNOWN;
	static_cast<Plugin*>(instance)->WorkResponse(data);
	return LV2_WORKER_SUCCESS;
}

const void* ExtensionData(const char* uri)
{
	static const LV2_Worker_Interface worker = {DoWork, WorkResponse, nullptr};
	if (std::strcmp(uri, LV2_WORKER__interface) == 0)
		return &worker;
	return nullptr;
}

const LV2_Descriptor kDescriptor = {
    kPluginUri, Instantiate, ConnectPort, Activate, Run, nullptr, Cleanup, ExtensionData};

} // namespace
} // namespace tunk::lv2

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
	return index == 0 ? &tunk::lv2::kDescriptor : nullptr;
}
