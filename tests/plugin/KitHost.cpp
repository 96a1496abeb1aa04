#include "KitHost.h"

#include <cstdarg>
#include <cstring>
#include <lilv/lilv.h>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/patch/patch.h>
#include <lv2/state/state.h>
#include <stdexcept>
#include <utility>

namespace {

constexpr size_t kQueueBytes = 1 << 16;

// Whether this thread is inside one of the audio thread's calls into the plugin.
thread_local bool tAudioCall = false;

bool Append(std::vector<uint8_t>& queue, size_t& used, uint32_t size, const void* data)
{
	if (used + sizeof size + size > queue.size())
		return false;
	std::memcpy(queue.data() + used, &size, sizeof size);
	std::memcpy(queue.data() + used + sizeof size, data, size);
	used += sizeof size + size;
	return true;
}

} // namespace

KitInstance::KitInstance(PluginWorld& world, double rate, Worker worker, uint32_t maxBlock)
    : fWorld(world), fMaxBlock(maxBlock), fWorkerKind(worker)
{
	const LilvPlugin* plugin = world.Plugin();
	if (plugin == nullptr)
		throw std::runtime_error("the kit instrument is not in the bundle");
	UridMap& urids = world.Urids();
	fSchedule = {this, Schedule};
	fLogFeature = {this, Printf, VPrintf};
	fNameUpdate = {this, [](void* self) { static_cast<KitInstance*>(self)->fNameUpdates++; }};
	fMapFeature = {LV2_URID__map, urids.Feature()};
	fUnmapFeature = {LV2_URID__unmap, urids.UnmapFeature()};
	fScheduleFeature = {LV2_WORKER__schedule, &fSchedule};
	fLogFeatureEntry = {LV2_LOG__log, &fLogFeature};
	fNameFeature = {"http://ardour.org/lv2/midnam#update", &fNameUpdate};
	fFeatures = {&fMapFeature, &fUnmapFeature, &fLogFeatureEntry, &fNameFeature};
	if (worker != Worker::None)
		fFeatures.push_back(&fScheduleFeature);
	fFeatures.push_back(nullptr);
	fJobs.assign(kQueueBytes, 0);
	fAnswers.assign(kQueueBytes, 0);
	fTaken.assign(kQueueBytes, 0);
	fDelivered.assign(kQueueBytes, 0);
	lv2_atom_forge_init(&fForge, urids.Feature());

	fInstance = lilv_plugin_instantiate(plugin, rate, fFeatures.data());
	if (fInstance == nullptr)
		throw std::runtime_error("the kit instrument did not instantiate");
	fWorker = static_cast<const LV2_Worker_Interface*>(
	    lilv_instance_get_extension_data(fInstance, LV2_WORKER__interface));

	const uint32_t ports = lilv_plugin_get_num_ports(plugin);
	fControls.assign(ports, 0);
	std::vector<float> defaults(ports);
	lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
	fInStorage.assign(1 << 13, 0);
	fNotifyStorage.assign(1 << 13, 0);
	fIn = reinterpret_cast<LV2_Atom_Sequence*>(fInStorage.data());
	fNotify = reinterpret_cast<LV2_Atom_Sequence*>(fNotifyStorage.data());
	lv2_atom_sequence_clear(fIn);
	fIn->atom.type = urids.Map(LV2_ATOM__Sequence);
	for (uint32_t i = 0; i < ports; i++) {
		const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
		const std::string symbol = lilv_node_as_string(lilv_port_get_symbol(plugin, port));
		if (lilv_port_is_a(plugin, port, world.Uri(LV2_CORE__ControlPort))) {
			fControls[i] = defaults[i];
			fControlIndex[symbol] = i;
			lilv_instance_connect_port(fInstance, i, &fControls[i]);
		} else if (lilv_port_is_a(plugin, port, world.Uri(LV2_CORE__AudioPort))) {
			std::vector<float>& buffer = fOutputs[symbol];
			buffer.assign(maxBlock, 0);
			fRecorded[symbol];
			lilv_instance_connect_port(fInstance, i, buffer.data());
		} else if (lilv_port_is_a(plugin, port, world.Uri(LV2_CORE__InputPort))) {
			lilv_instance_connect_port(fInstance, i, fIn);
		} else {
			lilv_instance_connect_port(fInstance, i, fNotify);
		}
	}
	lilv_instance_activate(fInstance);
	if (worker == Worker::Threaded)
		fWorkerThread = std::thread(&KitInstance::WorkerLoop, this);
}

KitInstance::~KitInstance()
{
	if (fWorkerThread.joinable()) {
		{
			std::lock_guard lock(fLock);
			fQuit = true;
		}
		fWake.notify_all();
		fWorkerThread.join();
	}
	// Answers still on their way reach the plugin, and the jobs they lead to run, so that
	// nothing the plugin made is left behind.
	for (int round = 0; round < 4 && fWorker != nullptr && (fAnswerBytes > 0 || fJobBytes > 0);
	     round++) {
		DeliverAnswers();
		std::swap(fJobs, fTaken);
		const size_t bytes = std::exchange(fJobBytes, 0);
		RunJobs(fTaken, bytes);
	}
	lilv_instance_deactivate(fInstance);
	lilv_instance_free(fInstance);
}

void KitInstance::SetControl(const char* symbol, float value)
{
	auto found = fControlIndex.find(symbol);
	if (found == fControlIndex.end())
		throw std::runtime_error(std::string("no control port ") + symbol);
	fControls[found->second] = value;
}

void KitInstance::AppendEvent(uint32_t frame, const LV2_Atom* body)
{
	std::vector<uint8_t> event(sizeof(LV2_Atom_Event) + body->size);
	auto* header = reinterpret_cast<LV2_Atom_Event*>(event.data());
	header->time.frames = frame;
	header->body = *body;
	std::memcpy(header + 1, body + 1, body->size);
	if (lv2_atom_sequence_append_event(
	        fIn, uint32_t(fInStorage.size() * sizeof(uint64_t)), header) == nullptr)
		throw std::runtime_error("event buffer full");
}

void KitInstance::Midi(uint32_t frame, uint8_t status, uint8_t data1, uint8_t data2)
{
	struct {
		LV2_Atom atom;
		uint8_t bytes[3];
	} midi{{3, fWorld.Urids().Map(LV2_MIDI__MidiEvent)}, {status, data1, data2}};
	AppendEvent(frame, &midi.atom);
}

void KitInstance::SetKitFile(uint32_t frame, const std::string& path)
{
	UridMap& urids = fWorld.Urids();
	std::vector<uint64_t> storage(path.size() / 8 + 64);
	lv2_atom_forge_set_buffer(
	    &fForge, reinterpret_cast<uint8_t*>(storage.data()), storage.size() * sizeof(uint64_t));
	LV2_Atom_Forge_Frame object;
	auto* atom = reinterpret_cast<LV2_Atom*>(
	    lv2_atom_forge_object(&fForge, &object, 0, urids.Map(LV2_PATCH__Set)));
	lv2_atom_forge_key(&fForge, urids.Map(LV2_PATCH__property));
	lv2_atom_forge_urid(&fForge, urids.Map("urn:quillfeather:tunk-kit#kitFile"));
	lv2_atom_forge_key(&fForge, urids.Map(LV2_PATCH__value));
	lv2_atom_forge_path(&fForge, path.c_str(), uint32_t(path.size() + 1));
	lv2_atom_forge_pop(&fForge, &object);
	AppendEvent(frame, atom);
}

void KitInstance::AskKitFile(uint32_t frame)
{
	UridMap& urids = fWorld.Urids();
	uint64_t storage[16];
	lv2_atom_forge_set_buffer(&fForge, reinterpret_cast<uint8_t*>(storage), sizeof storage);
	LV2_Atom_Forge_Frame object;
	auto* atom = reinterpret_cast<LV2_Atom*>(
	    lv2_atom_forge_object(&fForge, &object, 0, urids.Map(LV2_PATCH__Get)));
	lv2_atom_forge_key(&fForge, urids.Map(LV2_PATCH__property));
	lv2_atom_forge_urid(&fForge, urids.Map("urn:quillfeather:tunk-kit#kitFile"));
	lv2_atom_forge_pop(&fForge, &object);
	AppendEvent(frame, atom);
}

LV2_Worker_Status KitInstance::Schedule(
    LV2_Worker_Schedule_Handle handle, uint32_t size, const void* data)
{
	auto* self = static_cast<KitInstance*>(handle);
	if (self->fWorkerKind == Worker::Inline) {
		// The job is the host's, not the audio thread's own call: it is not counted.
		const bool audio = tAudioCall;
		tAudioCall = false;
		if (self->fAfter != nullptr)
			self->fAfter();
		const LV2_Worker_Status status = self->fWorker->work(
		    lilv_instance_get_handle(self->fInstance), Respond, self, size, data);
		if (self->fBefore != nullptr)
			self->fBefore();
		tAudioCall = audio;
		return status;
	}
	bool queued = false;
	{
		std::lock_guard lock(self->fLock);
		queued = Append(self->fJobs, self->fJobBytes, size, data);
	}
	if (self->fWorkerKind == Worker::Threaded)
		self->fWake.notify_all();
	return queued ? LV2_WORKER_SUCCESS : LV2_WORKER_ERR_NO_SPACE;
}

LV2_Worker_Status KitInstance::Respond(
    LV2_Worker_Respond_Handle handle, uint32_t size, const void* data)
{
	auto* self = static_cast<KitInstance*>(handle);
	std::lock_guard lock(self->fLock);
	if (self->fRefuseAnswers)
		return LV2_WORKER_ERR_NO_SPACE;
	return Append(self->fAnswers, self->fAnswerBytes, size, data) ? LV2_WORKER_SUCCESS
	                                                              : LV2_WORKER_ERR_NO_SPACE;
}

// The worker's answers, after run() on the audio thread. A threaded worker may answer
// meanwhile: the answers are taken out first, into a buffer made beforehand.
void KitInstance::DeliverAnswers()
{
	if (fWorker == nullptr)
		return;
	size_t bytes = 0;
	{
		std::lock_guard lock(fLock);
		std::memcpy(fDelivered.data(), fAnswers.data(), fAnswerBytes);
		bytes = std::exchange(fAnswerBytes, 0);
	}
	for (size_t at = 0; at < bytes;) {
		uint32_t size = 0;
		std::memcpy(&size, fDelivered.data() + at, sizeof size);
		fWorker->work_response(lilv_instance_get_handle(fInstance), size,
		    fDelivered.data() + at + sizeof size);
		at += sizeof size + size;
	}
}

void KitInstance::RunJobs(std::vector<uint8_t>& jobs, size_t bytes)
{
	for (size_t at = 0; at < bytes;) {
		uint32_t size = 0;
		std::memcpy(&size, jobs.data() + at, sizeof size);
		fWorker->work(lilv_instance_get_handle(fInstance), Respond, this, size,
		    jobs.data() + at + sizeof size);
		at += sizeof size + size;
	}
}

void KitInstance::WorkerLoop()
{
	std::unique_lock lock(fLock);
	for (;;) {
		// Held jobs still run before the thread ends.
		fWake.wait(lock, [this] { return fJobBytes > 0 ? !fHold || fQuit : fQuit; });
		if (fJobBytes == 0)
			return;
		std::swap(fJobs, fTaken);
		const size_t bytes = fJobBytes;
		fJobBytes = 0;
		fBusy = true;
		lock.unlock();
		RunJobs(fTaken, bytes);
		lock.lock();
		fBusy = false;
		fWake.notify_all();
	}
}

void KitInstance::HoldWorker(bool hold)
{
	{
		std::lock_guard lock(fLock);
		fHold = hold;
	}
	fWake.notify_all();
}

void KitInstance::RefuseAnswers(bool refuse)
{
	std::lock_guard lock(fLock);
	fRefuseAnswers = refuse;
}

void KitInstance::WaitForWorker()
{
	std::unique_lock lock(fLock);
	fWake.wait(lock, [this] { return !fBusy && fJobBytes == 0; });
}

int KitInstance::Printf(LV2_Log_Handle handle, LV2_URID type, const char* format, ...)
{
	va_list args;
	va_start(args, format);
	const int written = VPrintf(handle, type, format, args);
	va_end(args);
	return written;
}

int KitInstance::VPrintf(LV2_Log_Handle handle, LV2_URID, const char* format, va_list args)
{
	char text[2048];
	const int written = std::vsnprintf(text, sizeof text, format, args);
	auto* self = static_cast<KitInstance*>(handle);
	std::lock_guard lock(self->fLock);
	self->fLog.push_back(text);
	if (tAudioCall)
		self->fLoggedOnAudioThread++;
	return written;
}

std::vector<std::string> KitInstance::Log()
{
	std::lock_guard lock(fLock);
	return fLog;
}

int KitInstance::LoggedOnAudioThread()
{
	std::lock_guard lock(fLock);
	return fLoggedOnAudioThread;
}

void KitInstance::Run(uint32_t frames)
{
	if (frames > fMaxBlock)
		throw std::runtime_error("block longer than the host's buffers");
	fNotify->atom.type = 0;
	fNotify->atom.size = uint32_t(fNotifyStorage.size() * sizeof(uint64_t) - sizeof(LV2_Atom));
	if (fBefore != nullptr)
		fBefore();
	tAudioCall = true;
	lilv_instance_run(fInstance, frames);
	DeliverAnswers();
	tAudioCall = false;
	if (fAfter != nullptr)
		fAfter();
	lv2_atom_sequence_clear(fIn);
	ReadNotify();
	for (auto& [symbol, buffer] : fOutputs) {
		std::vector<float>& recorded = fRecorded[symbol];
		recorded.insert(recorded.end(), buffer.begin(), buffer.begin() + frames);
	}
	// A queued worker's jobs, on the host's own thread.
	if (fWorkerKind == Worker::Queued) {
		size_t bytes = 0;
		{
			std::lock_guard lock(fLock);
			std::swap(fJobs, fTaken);
			bytes = fJobBytes;
			fJobBytes = 0;
		}
		RunJobs(fTaken, bytes);
	}
}

void KitInstance::RunFor(uint32_t frames, uint32_t block)
{
	for (uint32_t done = 0; done < frames; done += block)
		Run(std::min(block, frames - done));
}

void KitInstance::ReadNotify()
{
	UridMap& urids = fWorld.Urids();
	if (fNotify->atom.type != urids.Map(LV2_ATOM__Sequence))
		return;
	LV2_ATOM_SEQUENCE_FOREACH(fNotify, event)
	{
		if (event->body.type != urids.Map(LV2_ATOM__Object))
			continue;
		const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&event->body);
		const LV2_Atom* property = nullptr;
		const LV2_Atom* value = nullptr;
		lv2_atom_object_get(object, urids.Map(LV2_PATCH__property), &property,
		    urids.Map(LV2_PATCH__value), &value, 0);
		if (object->body.otype == urids.Map(LV2_PATCH__Set) && value != nullptr
		    && value->type == urids.Map(LV2_ATOM__Path))
			fAnnounced = static_cast<const char*>(LV2_ATOM_BODY_CONST(value));
	}
}

const std::vector<float>& KitInstance::Recorded(const std::string& symbol) const
{
	auto found = fRecorded.find(symbol);
	if (found == fRecorded.end())
		throw std::runtime_error("no output " + symbol);
	return found->second;
}

void KitInstance::ClearRecordings()
{
	for (auto& [symbol, recorded] : fRecorded)
		recorded.clear();
}

LilvState* KitInstance::NewState()
{
	LilvState* state = lilv_state_new_from_instance(
	    fWorld.Plugin(), fInstance, fWorld.Urids().Feature(), nullptr, nullptr, nullptr, nullptr,
	    [](const char* symbol, void* self, uint32_t* size, uint32_t* type) -> const void* {
		    auto* kit = static_cast<KitInstance*>(self);
		    auto found = kit->fControlIndex.find(symbol);
		    if (found == kit->fControlIndex.end())
			    return nullptr;
		    *size = sizeof(float);
		    *type = kit->fWorld.Urids().Map(LV2_ATOM__Float);
		    return &kit->fControls[found->second];
	    },
	    this, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, fFeatures.data());
	if (state == nullptr)
		throw std::runtime_error("no state");
	return state;
}

std::string KitInstance::SavedKit()
{
	const auto* state = static_cast<const LV2_State_Interface*>(
	    lilv_instance_get_extension_data(fInstance, LV2_STATE__interface));
	std::string kit;
	auto store = [](LV2_State_Handle handle, uint32_t, const void* value, size_t size, uint32_t,
	                 uint32_t) -> LV2_State_Status {
		static_cast<std::string*>(handle)->assign(
		    static_cast<const char*>(value), strnlen(static_cast<const char*>(value), size));
		return LV2_STATE_SUCCESS;
	};
	if (state->save(lilv_instance_get_handle(fInstance), store, &kit, 0, fFeatures.data())
	    != LV2_STATE_SUCCESS)
		throw std::runtime_error("the plugin saved no state");
	return kit;
}

bool KitInstance::RestoreKit(const std::string& text)
{
	const auto* state = static_cast<const LV2_State_Interface*>(
	    lilv_instance_get_extension_data(fInstance, LV2_STATE__interface));
	struct Value {
		const std::string* text;
		LV2_URID key, type;
	} value{&text, fWorld.Urids().Map("urn:quillfeather:tunk-kit#kit"),
	    fWorld.Urids().Map(LV2_ATOM__String)};
	auto retrieve = [](LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type,
	                    uint32_t* flags) -> const void* {
		const auto* value = static_cast<const Value*>(handle);
		if (key != value->key)
			return nullptr;
		*size = value->text->size() + 1;
		*type = value->type;
		*flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
		return value->text->c_str();
	};
	return state->restore(lilv_instance_get_handle(fInstance), retrieve, &value, 0,
	           fFeatures.data())
	       == LV2_STATE_SUCCESS;
}

std::string KitInstance::SaveState()
{
	UridMap& urids = fWorld.Urids();
	LilvState* state = NewState();
	char* text = lilv_state_to_string(fWorld.World(), urids.Feature(), urids.UnmapFeature(),
	    state, "urn:test:session", nullptr);
	std::string turtle = text != nullptr ? text : "";
	lilv_free(text);
	lilv_state_free(state);
	return turtle;
}

void KitInstance::SaveStateFolder(const std::string& dir)
{
	UridMap& urids = fWorld.Urids();
	LilvState* state = NewState();
	const int failed = lilv_state_save(fWorld.World(), urids.Feature(), urids.UnmapFeature(), state,
	    nullptr, dir.c_str(), "state.ttl");
	lilv_state_free(state);
	if (failed != 0)
		throw std::runtime_error("the state was not saved in " + dir);
}

namespace {

void SetPortValue(const char* symbol, void* self, const void* value, uint32_t size, uint32_t)
{
	if (size == sizeof(float))
		static_cast<KitInstance*>(self)->SetControl(symbol, *static_cast<const float*>(value));
}

} // namespace

void KitInstance::RestoreState(const std::string& turtle)
{
	LilvState* state =
	    lilv_state_new_from_string(fWorld.World(), fWorld.Urids().Feature(), turtle.c_str());
	if (state == nullptr)
		throw std::runtime_error("the state does not read");
	lilv_state_restore(state, fInstance, SetPortValue, this, 0, fFeatures.data());
	lilv_state_free(state);
}

void KitInstance::LoadPreset(const std::string& uri)
{
	const LilvNode* preset = fWorld.Uri(uri);
	lilv_world_load_resource(fWorld.World(), preset);
	LilvState* state =
	    lilv_state_new_from_world(fWorld.World(), fWorld.Urids().Feature(), preset);
	if (state == nullptr)
		throw std::runtime_error("no preset " + uri);
	lilv_state_restore(state, fInstance, SetPortValue, this, 0, fFeatures.data());
	lilv_state_free(state);
}

std::string KitInstance::Midnam()
{
	struct Interface {
		char* (*midnam)(LV2_Handle);
		char* (*model)(LV2_Handle);
		void (*free)(char*);
	};
	const auto* names = static_cast<const Interface*>(lilv_instance_get_extension_data(
	    fInstance, "http://ardour.org/lv2/midnam#interface"));
	if (names == nullptr)
		return "";
	char* text = names->midnam(lilv_instance_get_handle(fInstance));
	std::string out = text != nullptr ? text : "";
	names->free(text);
	return out;
}
