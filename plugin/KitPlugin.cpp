// The kit instrument: up to sixteen pads, each a whole sound on its own note with its level,
// pan, choke group and output. A kit is read off the audio thread (on the worker when a kit
// file is loaded, on the host's thread when it restores a state) and handed to the audio
// thread by pointer; notes play it through the kit's voices (kit/KitVoices.h), which compute
// each pad's sound as it plays, from a copy of it. The kit replaced is freed on the worker.
// Nothing on the audio thread logs, allocates or waits; what it cannot do it hands to the
// worker.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/core/lv2_util.h>
#include <lv2/log/log.h>
#include <lv2/log/logger.h>
#include <lv2/midi/midi.h>
#include <lv2/patch/patch.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "kit/KitVoices.h"
#include "plugin/KitPlugin.h"
#include "plugin/KitPorts.h"
#include "plugin/KitSounds.h"
#include "plugin/Resampler.h"
#include "preset/KitFile.h"

namespace tunk::lv2 {
namespace {

// Ardour's note-name extension, as its hosts call it.
struct MidnamInterface {
	char* (*midnam)(LV2_Handle instance);
	char* (*model)(LV2_Handle instance);
	void (*free)(char* text);
};
struct MidnamUpdate {
	void* handle;
	void (*update)(void* handle);
};

// What the worker is asked to do: load a kit file, free a kit, or say why a file was not
// loaded (the audio thread may not log).
enum class Job : uint32_t { Load, Free, Refuse };
struct FreeMessage {
	Job job;
	KitSounds* sounds;
};
// A load message is the header and the path's bytes, ended by a zero. The epoch is the
// restores counted when it was asked for: a load that a restore overtook is dropped.
struct LoadHeader {
	Job job;
	uint32_t epoch;
};
constexpr uint32_t kMaxPathBytes = 4096;
// The worker's answer to a load.
struct LoadResponse {
	KitSounds* sounds;
	uint32_t epoch;
};

class KitPlugin;

// A MIDI message as the kit's event at `frame`; false for one that plays nothing.
bool KitEventOf(const MidiRequest& request, int64_t frame, KitEvent* event)
{
	switch (request.kind) {
		case MidiRequest::kNoteOn: event->kind = KitEvent::kNoteOn; break;
		case MidiRequest::kNoteOff: event->kind = KitEvent::kNoteOff; break;
		case MidiRequest::kAllOff: event->kind = KitEvent::kAllOff; break;
		default: return false;
	}
	event->key = request.note;
	event->channel = request.channel;
	event->velocity = request.velocity;
	event->frame = frame;
	return true;
}

struct Urids {
	LV2_URID midiEvent, atomObject, atomBlank, atomPath, atomString, atomUrid;
	LV2_URID patchSet, patchGet, patchProperty, patchValue, kitFile, kitState;

	explicit Urids(const LV2_URID_Map* map)
	{
		auto id = [map](const char* uri) { return map->map(map->handle, uri); };
		midiEvent = id(LV2_MIDI__MidiEvent);
		atomObject = id(LV2_ATOM__Object);
		atomBlank = id(LV2_ATOM__Blank);
		atomPath = id(LV2_ATOM__Path);
		atomString = id(LV2_ATOM__String);
		atomUrid = id(LV2_ATOM__URID);
		patchSet = id(LV2_PATCH__Set);
		patchGet = id(LV2_PATCH__Get);
		patchProperty = id(LV2_PATCH__property);
		patchValue = id(LV2_PATCH__value);
		kitFile = id(kKitFileUri);
		kitState = id(kKitStateUri);
	}
};

class KitPlugin {
public:
	KitPlugin(double rate, LV2_URID_Map* map, const LV2_Worker_Schedule* schedule, LV2_Log_Log* log,
	    const MidnamUpdate* midnam)
	    : fUrids(map), fSchedule(schedule), fMidnamUpdate(midnam)
	{
		lv2_log_logger_init(&fLogger, map, log);
		lv2_atom_forge_init(&fForge, map);
		if (rate != double(kSampleRate))
			fKernel = std::make_unique<ResampleKernel>(rate);
		std::array<voices::ParamsSource*, 2 * kKitVoices> sources{};
		for (size_t i = 0; i < sources.size(); i++) {
			fSources[i] = std::make_unique<ResampledSource>(fKernel.get());
			sources[i] = fSources[i].get();
		}
		fVoices = std::make_unique<KitVoices>(sources);
		auto sounds = MakeKitSounds(NewKit());
		fHostKit = sounds->kit;
		fSounds = sounds.release();
		if (fSchedule == nullptr)
			lv2_log_warning(&fLogger, "Tunk Kit: the host has no worker: kit files cannot be "
			                          "loaded, only saved states and presets\n");
	}

	~KitPlugin()
	{
		fVoices->Clear();
		DeleteRetired();
		delete fSounds;
	}

	void Connect(uint32_t port, void* data)
	{
		if (port == kKitPortMidiIn)
			fIn = static_cast<const LV2_Atom_Sequence*>(data);
		else if (port == kKitPortNotify)
			fNotify = static_cast<LV2_Atom_Sequence*>(data);
		else if (port == kKitPortOutLeft)
			fOutputs.left = static_cast<float*>(data);
		else if (port == kKitPortOutRight)
			fOutputs.right = static_cast<float*>(data);
		else if (port >= kKitPortFirstPadOut && port < kKitPortFirstPadOut + kMaxPads)
			fOutputs.own[port - kKitPortFirstPadOut] = static_cast<float*>(data);
		else if (port == kKitPortLatency)
			fLatency = static_cast<float*>(data);
		else if (port < kKitPortCount)
			fControls[port] = static_cast<const float*>(data);
	}

	void Activate() { fVoices->Clear(); }

	void Run(uint32_t frames)
	{
		if (fLatency != nullptr)
			*fLatency = 0;
		StartNotify();
		const KitPlayOptions options = Options();
		fVoices->Begin(fOutputs, frames);
		if (fIn != nullptr) {
			LV2_ATOM_SEQUENCE_FOREACH(fIn, event)
			{
				KitEvent played;
				if (event->body.type == fUrids.midiEvent && event->body.size >= 1) {
					const MidiRequest request =
					    ReadMidi(reinterpret_cast<const uint8_t*>(event + 1), event->body.size);
					if (KitEventOf(request, event->time.frames, &played))
						fVoices->Play(fSounds->kit, options, played);
				} else if (event->body.type == fUrids.atomObject
				           || event->body.type == fUrids.atomBlank) {
					HandlePatch(reinterpret_cast<const LV2_Atom_Object*>(&event->body));
				}
			}
		}
		fVoices->End();
		if (fAnnounce) {
			AnnounceFile();
			fAnnounce = false;
		}
		EndNotify();
		FreeRetired();
	}

	// Worker thread.
	LV2_Worker_Status Work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle,
	    uint32_t size, const void* data)
	{
		Job kind;
		if (size < sizeof kind)
			return LV2_WORKER_ERR_UNKNOWN;
		std::memcpy(&kind, data, sizeof kind);
		if (kind == Job::Free && size == sizeof(FreeMessage)) {
			FreeMessage message;
			std::memcpy(&message, data, sizeof message);
			delete message.sounds;
			return LV2_WORKER_SUCCESS;
		}
		if (kind == Job::Refuse) {
			lv2_log_error(&fLogger, "Tunk Kit: cannot load a kit file here\n");
			return LV2_WORKER_SUCCESS;
		}
		LoadHeader header;
		if (kind != Job::Load || size < sizeof header)
			return LV2_WORKER_ERR_UNKNOWN;
		std::memcpy(&header, data, sizeof header);
		const char* text = static_cast<const char*>(data) + sizeof header;
		const std::string path(text, strnlen(text, size - sizeof header));
		Kit kit;
		const KitRead read = ReadKitFile(path.c_str(), &kit);
		if (!read.Ok()) {
			// The kit playing stays.
			lv2_log_error(&fLogger, "Tunk Kit: %s: %s\n", path.c_str(), read.error.c_str());
			return LV2_WORKER_SUCCESS;
		}
		for (const std::string& message : read.messages)
			lv2_log_note(&fLogger, "Tunk Kit: %s: %s\n", path.c_str(), message.c_str());
		std::unique_ptr<KitSounds> sounds;
		Kit hostKit;
		try {
			sounds = MakeKitSounds(std::move(kit));
			sounds->path = path;
			hostKit = sounds->kit;
		} catch (const std::bad_alloc&) {
			lv2_log_error(&fLogger, "Tunk Kit: %s: out of memory\n", path.c_str());
			return LV2_WORKER_ERR_NO_SPACE;
		}
		// The host's kit changes only with a kit on its way to the audio side, and a restore
		// cannot slip between the check and the answer.
		std::lock_guard lock(fHostLock);
		if (header.epoch != fEpoch.load(std::memory_order_relaxed))
			return LV2_WORKER_SUCCESS;
		const LoadResponse response{sounds.get(), header.epoch};
		if (respond(handle, sizeof response, &response) != LV2_WORKER_SUCCESS) {
			lv2_log_error(&fLogger, "Tunk Kit: %s: the host took no answer\n", path.c_str());
			return LV2_WORKER_ERR_NO_SPACE;
		}
		sounds.release();
		fHostKit = std::move(hostKit);
		return LV2_WORKER_SUCCESS;
	}

	// Audio thread, after run().
	LV2_Worker_Status WorkResponse(uint32_t size, const void* data)
	{
		LoadResponse response;
		if (size != sizeof response)
			return LV2_WORKER_ERR_UNKNOWN;
		std::memcpy(&response, data, sizeof response);
		KitSounds* sounds = response.sounds;
		// Answered before a restore: the restored kit stays, and this one never plays.
		if (response.epoch != fEpoch.load(std::memory_order_relaxed)) {
			Retire(sounds);
			return LV2_WORKER_SUCCESS;
		}
		// The old kit's voices fade out on their own copies of its sounds.
		fVoices->ReleaseAll();
		Retire(fSounds);
		fSounds = sounds;
		fAnnounce = true;
		UpdateNames();
		return LV2_WORKER_SUCCESS;
	}

	LV2_State_Status Save(LV2_State_Store_Function store, LV2_State_Handle handle)
	{
		std::string text;
		try {
			std::lock_guard lock(fHostLock);
			text = EncodeKit(fHostKit);
		} catch (const std::bad_alloc&) {
			return LV2_STATE_ERR_UNKNOWN;
		}
		return store(handle, fUrids.kitState, text.c_str(), text.size() + 1, fUrids.atomString,
		    LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
	}

	// Never while run() runs: the old kit's voices are cut and it is freed here.
	LV2_State_Status Restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle)
	{
		size_t size = 0;
		uint32_t type = 0;
		uint32_t flags = 0;
		const void* data = retrieve(handle, fUrids.kitState, &size, &type, &flags);
		if (data == nullptr)
			return LV2_STATE_ERR_NO_PROPERTY;
		if (type != fUrids.atomString)
			return LV2_STATE_ERR_BAD_TYPE;
		const char* text = static_cast<const char*>(data);
		Kit kit;
		const KitRead read = DecodeKit(std::string_view(text, strnlen(text, size)), &kit);
		if (!read.Ok()) {
			lv2_log_error(&fLogger, "Tunk Kit: the saved kit: %s\n", read.error.c_str());
			return LV2_STATE_ERR_UNKNOWN;
		}
		std::unique_ptr<KitSounds> sounds;
		Kit hostKit;
		try {
			sounds = MakeKitSounds(std::move(kit));
			hostKit = sounds->kit;
		} catch (const std::bad_alloc&) {
			return LV2_STATE_ERR_UNKNOWN;
		}
		{
			// Loads asked for before this restore are dropped, wherever they are.
			std::lock_guard lock(fHostLock);
			fEpoch.fetch_add(1, std::memory_order_relaxed);
			fHostKit = std::move(hostKit);
		}
		fVoices->Clear();
		DeleteRetired();
		delete fSounds;
		fSounds = sounds.release();
		UpdateNames();
		return LV2_STATE_SUCCESS;
	}

	std::string Model() const
	{
		char model[64];
		std::snprintf(model, sizeof model, "Tunk Kit %p", static_cast<const void*>(this));
		return model;
	}

	std::string Midnam()
	{
		std::lock_guard lock(fHostLock);
		return MidnamDocument(fHostKit, Model());
	}

private:
	float Control(uint32_t port) const
	{
		const PortRange range = RangeOf(port - kKitPortVelocity + kPortVelocity);
		const float value = fControls[port] != nullptr ? *fControls[port] : range.start;
		if (std::isnan(value))
			return range.start;
		return std::clamp(value, range.minimum, range.maximum);
	}

	float PadLevel(size_t pad) const
	{
		const float* port = fControls[kKitPortFirstPadLevel + pad];
		if (port == nullptr || std::isnan(*port))
			return kPadLevelRange.start;
		return std::clamp(*port, kPadLevelRange.minimum, kPadLevelRange.maximum);
	}

	KitPlayOptions Options() const
	{
		KitPlayOptions options;
		options.velocityScale = Control(kKitPortVelocity);
		options.noteOff = Control(kKitPortNoteOff) > 0;
		options.retrigger = Control(kKitPortRetrigger) > 0;
		for (size_t i = 0; i < kMaxPads; i++)
			options.trims[i] = PadLevel(i);
		return options;
	}

	void HandlePatch(const LV2_Atom_Object* object)
	{
		const LV2_Atom* property = nullptr;
		const LV2_Atom* value = nullptr;
		lv2_atom_object_get(object, fUrids.patchProperty, &property, fUrids.patchValue, &value, 0);
		const bool ours = property == nullptr
		                  || (property->type == fUrids.atomUrid
		                      && reinterpret_cast<const LV2_Atom_URID*>(property)->body
		                             == fUrids.kitFile);
		if (object->body.otype == fUrids.patchGet && ours) {
			fAnnounce = true;
		} else if (object->body.otype == fUrids.patchSet && property != nullptr && ours
		           && value != nullptr && value->type == fUrids.atomPath) {
			Load(static_cast<const char*>(LV2_ATOM_BODY_CONST(value)), value->size);
		}
	}

	void Load(const char* path, uint32_t size)
	{
		// Without a worker the host heard so when it made the plugin.
		if (fSchedule == nullptr)
			return;
		const uint32_t length = uint32_t(strnlen(path, size));
		if (length == 0 || length >= kMaxPathBytes) {
			const Job refuse = Job::Refuse;
			fSchedule->schedule_work(fSchedule->handle, sizeof refuse, &refuse);
			return;
		}
		struct {
			LoadHeader header;
			char path[kMaxPathBytes];
		} message;
		message.header = {Job::Load, fEpoch.load(std::memory_order_relaxed)};
		std::memcpy(message.path, path, length);
		message.path[length] = '\0';
		fSchedule->schedule_work(fSchedule->handle, uint32_t(sizeof message.header + length + 1),
		    &message);
	}

	// A kit no longer played waits here for the worker to free it.
	void Retire(KitSounds* sounds)
	{
		sounds->retiredNext = fRetired;
		fRetired = sounds;
	}

	// Hands the retired kits to the worker; one it did not take waits for the next block. A
	// kit leaves the list before it is handed over: a host may run the worker inside
	// schedule_work, and then the kit is gone when the call returns.
	void FreeRetired()
	{
		while (fRetired != nullptr && fSchedule != nullptr) {
			KitSounds* sounds = fRetired;
			fRetired = sounds->retiredNext;
			const FreeMessage message{Job::Free, sounds};
			if (fSchedule->schedule_work(fSchedule->handle, sizeof message, &message) != LV2_WORKER_SUCCESS) {
				fRetired = sounds;
				return;
			}
		}
	}

	void DeleteRetired()
	{
		while (fRetired != nullptr) {
			KitSounds* next = fRetired->retiredNext;
			delete fRetired;
			fRetired = next;
		}
	}

	void StartNotify()
	{
		if (fNotify == nullptr)
			return;
		const uint32_t capacity = fNotify->atom.size;
		lv2_atom_forge_set_buffer(&fForge, reinterpret_cast<uint8_t*>(fNotify), capacity);
		fNotifyOk = lv2_atom_forge_sequence_head(&fForge, &fNotifyFrame, 0) != 0;
	}

	void EndNotify()
	{
		if (fNotify != nullptr && fNotifyOk)
			lv2_atom_forge_pop(&fForge, &fNotifyFrame);
		else if (fNotify != nullptr)
			fNotify->atom.size = 0;
	}

	// patch:Set of the kit file, so that a host's file control shows the kit's file.
	void AnnounceFile()
	{
		const std::string& path = fSounds->path;
		if (fNotify == nullptr || !fNotifyOk || path.empty())
			return;
		LV2_Atom_Forge_Frame frame;
		if (!lv2_atom_forge_frame_time(&fForge, 0)
		    || !lv2_atom_forge_object(&fForge, &frame, 0, fUrids.patchSet))
			return;
		lv2_atom_forge_key(&fForge, fUrids.patchProperty);
		lv2_atom_forge_urid(&fForge, fUrids.kitFile);
		lv2_atom_forge_key(&fForge, fUrids.patchValue);
		lv2_atom_forge_path(&fForge, path.c_str(), uint32_t(path.size() + 1));
		lv2_atom_forge_pop(&fForge, &frame);
	}

	void UpdateNames()
	{
		if (fMidnamUpdate != nullptr && fMidnamUpdate->update != nullptr)
			fMidnamUpdate->update(fMidnamUpdate->handle);
	}

	const Urids fUrids;
	const LV2_Worker_Schedule* fSchedule;
	const MidnamUpdate* fMidnamUpdate;
	LV2_Log_Logger fLogger{};
	LV2_Atom_Forge fForge{};
	LV2_Atom_Forge_Frame fNotifyFrame{};
	bool fNotifyOk = false;
	bool fAnnounce = false;

	std::unique_ptr<ResampleKernel> fKernel;
	std::array<std::unique_ptr<ResampledSource>, 2 * kKitVoices> fSources;
	std::unique_ptr<KitVoices> fVoices;
	KitOutputs fOutputs;
	KitSounds* fSounds = nullptr;  // audio side's
	KitSounds* fRetired = nullptr;  // replaced kits the worker has yet to free

	// The kit as the host sees it (save, note names), on the host's threads: the kit that
	// plays, or the one the worker has answered with. Restores counted, so that a load asked
	// for before a restore never lands after it.
	std::mutex fHostLock;
	Kit fHostKit;
	std::atomic<uint32_t> fEpoch{0};

	const LV2_Atom_Sequence* fIn = nullptr;
	LV2_Atom_Sequence* fNotify = nullptr;
	float* fLatency = nullptr;
	const float* fControls[kKitPortCount] = {};
};

KitPlugin* Self(LV2_Handle instance)
{
	return static_cast<KitPlugin*>(instance);
}

LV2_Handle Instantiate(
    const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
{
	LV2_URID_Map* map = nullptr;
	LV2_Worker_Schedule* schedule = nullptr;
	LV2_Log_Log* log = nullptr;
	MidnamUpdate* midnam = nullptr;
	const char* missing = lv2_features_query(features, LV2_URID__map, &map, true,
	    LV2_WORKER__schedule, &schedule, false, LV2_LOG__log, &log, false, kMidnamUpdateUri,
	    &midnam, false, nullptr);
	if (missing != nullptr || !(rate >= kMinRate && rate <= kMaxRate))
		return nullptr;
	try {
		return new KitPlugin(rate, map, schedule, log, midnam);
	} catch (const std::bad_alloc&) {
		return nullptr;
	}
}

LV2_Worker_Status WorkCall(LV2_Handle instance, LV2_Worker_Respond_Function respond,
    LV2_Worker_Respond_Handle handle, uint32_t size, const void* data)
{
	return Self(instance)->Work(respond, handle, size, data);
}

LV2_Worker_Status WorkResponseCall(LV2_Handle instance, uint32_t size, const void* data)
{
	return Self(instance)->WorkResponse(size, data);
}

LV2_State_Status SaveCall(LV2_Handle instance, LV2_State_Store_Function store,
    LV2_State_Handle handle, uint32_t, const LV2_Feature* const*)
{
	return Self(instance)->Save(store, handle);
}

LV2_State_Status RestoreCall(LV2_Handle instance, LV2_State_Retrieve_Function retrieve,
    LV2_State_Handle handle, uint32_t, const LV2_Feature* const*)
{
	return Self(instance)->Restore(retrieve, handle);
}

// Hosts free the texts with the interface's own free.
char* Copy(const std::string& text)
{
	char* copy = static_cast<char*>(std::malloc(text.size() + 1));
	if (copy != nullptr)
		std::memcpy(copy, text.c_str(), text.size() + 1);
	return copy;
}

char* MidnamCall(LV2_Handle instance)
{
	try {
		return Copy(Self(instance)->Midnam());
	} catch (const std::bad_alloc&) {
		return nullptr;
	}
}

char* ModelCall(LV2_Handle instance)
{
	try {
		return Copy(Self(instance)->Model());
	} catch (const std::bad_alloc&) {
		return nullptr;
	}
}

void FreeText(char* text)
{
	std::free(text);
}

const LV2_Worker_Interface kWorker = {WorkCall, WorkResponseCall, nullptr};
const LV2_State_Interface kState = {SaveCall, RestoreCall};
const MidnamInterface kMidnam = {MidnamCall, ModelCall, FreeText};

const void* ExtensionData(const char* uri)
{
	if (std::strcmp(uri, LV2_WORKER__interface) == 0)
		return &kWorker;
	if (std::strcmp(uri, LV2_STATE__interface) == 0)
		return &kState;
	if (std::strcmp(uri, kMidnamInterfaceUri) == 0)
		return &kMidnam;
	return nullptr;
}

const LV2_Descriptor kDescriptor = {kKitPluginUri, Instantiate,
    [](LV2_Handle instance, uint32_t port, void* data) { Self(instance)->Connect(port, data); },
    [](LV2_Handle instance) { Self(instance)->Activate(); },
    [](LV2_Handle instance, uint32_t frames) { Self(instance)->Run(frames); }, nullptr,
    [](LV2_Handle instance) { delete Self(instance); }, ExtensionData};

} // namespace

const LV2_Descriptor* KitDescriptor()
{
	return &kDescriptor;
}

} // namespace tunk::lv2
