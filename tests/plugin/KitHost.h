// A lilv host for the kit instrument, as a music program has one: every audio output on a
// buffer of its own, a worker in one of the ways hosts run theirs, a log, Ardour's note-name
// update, patch messages to set and ask for the kit file, and sessions saved and restored
// through lilv's state functions.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <lv2/atom/forge.h>
#include <lv2/log/log.h>
#include <lv2/worker/worker.h>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "PluginHost.h"

constexpr const char* kKitUri = "urn:quillfeather:tunk-kit";

// How the host runs the plugin's worker jobs. Answers always reach the plugin after a block.
enum class Worker {
	None,      // no worker feature
	Queued,    // after each block, on the host's thread, as most hosts do
	Inline,    // inside schedule_work, on the audio thread, as offline renderers do
	Threaded,  // on a thread of its own, whenever it gets to them
};

class KitInstance {
public:
	KitInstance(PluginWorld& world, double rate, Worker worker = Worker::Queued,
	    uint32_t maxBlock = 4096);
	~KitInstance();
	KitInstance(const KitInstance&) = delete;
	KitInstance& operator=(const KitInstance&) = delete;

	void SetControl(const char* symbol, float value);
	void Midi(uint32_t frame, uint8_t status, uint8_t data1, uint8_t data2);
	void NoteOn(uint32_t frame, uint8_t note, uint8_t velocity = 127, uint8_t channel = 0)
	{
		Midi(frame, uint8_t(0x90 | channel), note, velocity);
	}
	// patch:Set of the kit file, as a host's file control sends it; patch:Get of it.
	void SetKitFile(uint32_t frame, const std::string& path);
	void AskKitFile(uint32_t frame);

	// One block: run(), then the worker's answers so far (on the audio thread, as hosts
	// deliver them), then, for a queued worker, the jobs of this block (on the host's thread).
	// Every audio output is appended to its recording.
	void Run(uint32_t frames);
	// A threaded worker: holds its jobs until let go; waits until it has done every job.
	void HoldWorker(bool hold);
	void WaitForWorker();
	// Makes the host refuse the worker's answers, as when its queue is full.
	void RefuseAnswers(bool refuse);
	// Blocks until `frames` more frames have run.
	void RunFor(uint32_t frames, uint32_t block = 256);
	void SetAudioHooks(void (*before)(), void (*after)())
	{
		fBefore = before;
		fAfter = after;
	}

	// An audio output's samples so far, by symbol.
	const std::vector<float>& Recorded(const std::string& symbol) const;
	void ClearRecordings();

	// The kit file the plugin last announced on its notify port ("" for none).
	const std::string& AnnouncedFile() const { return fAnnounced; }
	// What the plugin logged, one entry a message, and how much of it came from the audio
	// thread's own calls (run() and the answers; not a job the host ran there).
	std::vector<std::string> Log();
	int LoggedOnAudioThread();
	int NameUpdates() const { return fNameUpdates; }

	// The session's state as a host writes it (Turtle), and restoring one.
	std::string SaveState();
	// The kit's text the plugin saves, straight from its state interface, from any thread;
	// and a kit's text restored through it, as a host restores a session (false: refused).
	std::string SavedKit();
	bool RestoreKit(const std::string& text);
	// The session's state saved in a folder (state.ttl and a manifest), as a standalone host
	// keeps it and loads it again at its next start.
	void SaveStateFolder(const std::string& dir);
	void RestoreState(const std::string& turtle);
	// Loads a preset of the bundle by its URI.
	void LoadPreset(const std::string& uri);
	// The note names through Ardour's extension ("" when it is missing).
	std::string Midnam();

private:
	static LV2_Worker_Status Schedule(LV2_Worker_Schedule_Handle handle, uint32_t size,
	    const void* data);
	static LV2_Worker_Status Respond(LV2_Worker_Respond_Handle handle, uint32_t size,
	    const void* data);
	static int Printf(LV2_Log_Handle handle, LV2_URID type, const char* format, ...);
	static int VPrintf(LV2_Log_Handle handle, LV2_URID type, const char* format, va_list args);
	LilvState* NewState();
	void AppendEvent(uint32_t frame, const LV2_Atom* body);
	void ReadNotify();
	void DeliverAnswers();
	void RunJobs(std::vector<uint8_t>& jobs, size_t bytes);
	void WorkerLoop();

	PluginWorld& fWorld;
	LilvInstance* fInstance = nullptr;
	uint32_t fMaxBlock;
	std::vector<float> fControls;
	std::map<std::string, uint32_t> fControlIndex;
	std::map<std::string, std::vector<float>> fOutputs;
	std::map<std::string, std::vector<float>> fRecorded;
	std::vector<uint64_t> fInStorage, fNotifyStorage;
	LV2_Atom_Sequence* fIn = nullptr;
	LV2_Atom_Sequence* fNotify = nullptr;
	LV2_Atom_Forge fForge;
	const LV2_Worker_Interface* fWorker = nullptr;
	Worker fWorkerKind;
	// Queued messages: size then bytes, in buffers made before the first block. The lock
	// guards them, the log and the worker thread's state.
	std::mutex fLock;
	std::condition_variable fWake;
	std::vector<uint8_t> fJobs, fAnswers, fTaken, fDelivered;
	size_t fJobBytes = 0, fAnswerBytes = 0;
	bool fHold = false, fBusy = false, fQuit = false;
	bool fRefuseAnswers = false;
	std::thread fWorkerThread;
	std::string fAnnounced;
	std::vector<std::string> fLog;
	int fLoggedOnAudioThread = 0;
	int fNameUpdates = 0;
	void (*fBefore)() = nullptr;
	void (*fAfter)() = nullptr;

	LV2_Worker_Schedule fSchedule;
	LV2_Log_Log fLogFeature;
	struct {
		void* handle;
		void (*update)(void*);
	} fNameUpdate;
	LV2_Feature fMapFeature, fUnmapFeature, fScheduleFeature, fLogFeatureEntry, fNameFeature;
	std::vector<const LV2_Feature*> fFeatures;
};
