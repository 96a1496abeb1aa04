// A small LV2 host on lilv, as a music program would be: it loads the bundle from the build
// tree, instantiates the plugin with a URID map and a worker, feeds MIDI through an atom
// sequence and runs blocks. The worker runs either when the test says so (exact ordering)
// or on a thread of its own (as in a real host).
#pragma once

#include <atomic>
#include <cstdint>
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>
#include <map>
#include <memory>
#include <mutex>
#include <semaphore>
#include <string>
#include <thread>
#include <vector>

#ifndef TUNK_LV2_BUNDLE_DIR
#error "TUNK_LV2_BUNDLE_DIR names the plugin's bundle in the build tree"
#endif

constexpr const char* kTunkUri = "urn:quillfeather:tunk";

class UridMap {
public:
	UridMap();
	LV2_URID Map(const char* uri);
	LV2_URID_Map* Feature() { return &fMap; }

private:
	std::mutex fLock;
	std::map<std::string, LV2_URID> fUrids;
	LV2_URID_Map fMap;
};

// A lilv world with only one bundle loaded, by default the build tree's.
class PluginWorld {
public:
	explicit PluginWorld(const char* bundle = TUNK_LV2_BUNDLE_DIR);
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

// A fixed-size queue of messages between one writer and one reader thread: writing and
// reading neither allocate nor lock.
class MessageRing {
public:
	explicit MessageRing(uint32_t capacity);
	bool Write(uint32_t size, const void* data);
	// Reads one message into `buffer` (at least kMaxMessage bytes); false when empty.
	bool Read(uint32_t* size, void* buffer);
	static constexpr uint32_t kMaxMessage = 256;

private:
	void Copy(uint32_t at, const void* data, uint32_t size);
	void Take(uint32_t at, void* data, uint32_t size);
	std::vector<uint8_t> fBytes;
	std::atomic<uint32_t> fRead{0};
	std::atomic<uint32_t> fWrite{0};
};

class PluginInstance {
public:
	enum class Worker { Manual, Thread };

	PluginInstance(PluginWorld& world, double rate, Worker worker, uint32_t maxBlock = 8192);
	~PluginInstance();
	PluginInstance(const PluginInstance&) = delete;
	PluginInstance& operator=(const PluginInstance&) = delete;

	// Control ports by symbol; the value applies from the next block.
	void SetControl(const char* symbol, float value);
	float Control(const char* symbol) const;
	bool HasControl(const char* symbol) const { return fControlIndex.count(symbol) != 0; }

	// A MIDI message at a frame of the next block.
	void Midi(uint32_t frame, uint8_t status, uint8_t data1, uint8_t data2);
	void NoteOn(uint32_t frame, uint8_t velocity = 127, uint8_t note = 60, uint8_t channel = 0)
	{
		Midi(frame, uint8_t(0x90 | channel), note, velocity);
	}

	// One block: run(), then the worker's replies, as a host's audio thread does. The
	// output is appended to `out` when given.
	void Run(uint32_t frames, std::vector<float>* out = nullptr);
	// Called right before and after each block's calls into the plugin, on the audio thread.
	void SetAudioHooks(void (*before)(), void (*after)())
	{
		fBefore = before;
		fAfter = after;
	}

	// Manual worker: runs every request waiting; returns how many ran.
	int RunWorker();
	// Requests the plugin has scheduled and replies it has sent, so far.
	int Requests() const { return fRequests.load(); }
	int Replies() const { return fReplies.load(); }
	// Thread worker: waits until no request is waiting or being worked on.
	void WaitForWorker();

	LilvInstance* Instance() const { return fInstance; }

private:
	static LV2_Worker_Status Schedule(LV2_Worker_Schedule_Handle, uint32_t, const void*);
	static LV2_Worker_Status Respond(LV2_Worker_Respond_Handle, uint32_t, const void*);
	void WorkOne(uint32_t size, const void* data);
	void WorkerLoop();

	PluginWorld& fWorld;
	LilvInstance* fInstance = nullptr;
	const LV2_Worker_Interface* fWorkerInterface = nullptr;
	Worker fMode;
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

	MessageRing fRequestsRing{1 << 16};
	MessageRing fRepliesRing{1 << 16};
	std::atomic<int> fRequests{0};
	std::atomic<int> fReplies{0};
	std::atomic<int> fPending{0};
	void (*fBefore)() = nullptr;
	void (*fAfter)() = nullptr;

	LV2_Worker_Schedule fSchedule;
	LV2_Feature fMapFeature;
	LV2_Feature fScheduleFeature;

	std::counting_semaphore<1 << 20> fWake{0};
	std::atomic<bool> fStop{false};
	std::thread fThread;
};

// The samples of a sound as the plugin plays them at 44100 Hz: sample / 32768.
std::vector<float> AsFloat(const std::vector<int16_t>& samples);
