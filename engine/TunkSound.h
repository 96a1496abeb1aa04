// TunkSound: the sound engine of one editor window. It owns a generator of the synthesis
// core (parameters, wave and shape tables, filter) and adds what a window needs around
// it: the generated 16-bit buffer under its semaphores, the playback state, the sound
// player, alerts and export. Setters only store: the caller rebuilds the table concerned
// and calls GenerateSound().
#pragma once

#include <atomic>

#include "audio/DevicePlayer.h"
#include "engine/Filter.h"
#include "engine/core/Generator.h"
#include "engine/core/Params.h"
#include "kits/kernel/OS.h"
#include "kits/media/MediaDefs.h"
#include "kits/support/SupportDefs.h"

class BMessage;
class BPath;
class BSoundPlayer;
class DistortionView;
class EnvelopeView;
class SoundFileWriter;
class SoundView;

using tunk::kSampleRate;

// The player's buffer callback: the cookie is the address of the engine's playerCookie.
void SoundBufferProc(void* cookie, void* buffer, size_t size, const media_raw_audio_format& format);

// A generated sound outside the engine: malloc'ed samples (or none), their count and the
// parameters they were generated from.
struct SoundRender {
	int16* samples = nullptr;
	int64 length = 0;
	tunk::SoundParams params;
};

class TunkSound {
public:
	TunkSound();
	~TunkSound();

	TunkSound(const TunkSound&) = delete;
	TunkSound& operator=(const TunkSound&) = delete;

	// Parameters (engine/TunkSound.cpp)
	void SetStartFreq(float hz);
	void SetDuration(float ms);
	void SetAmplitude(float gain);
	void SetAmpEnvelope(float curve);
	void SetFreqEnvelope(float curve);
	void SetDistortion(float drive);
	void SetOscType(int32 code);
	void SetFilterCutoff(float hz);
	void SetFilterQ(float q);
	void SetFreqEnvEnabled(bool on);
	void SetAmpEnvEnabled(bool on);
	void SetFilterEnabled(bool on);
	void SetDistortionEnabled(bool on);
	void SetSequencerEnabled(bool on);
	void SetBeatLength(float bpm);

	// Every sound parameter at once, with both tables rebuilt; the caller generates. Tempo and repeat are not sound parameters.
	void SetParams(const tunk::SoundParams& params);
	// The parameters as set (a table is built from them only when asked).
	tunk::SoundParams Params() const { return generator.params; }
	// One parameter by its row: what the named setters and getters below do for theirs.
	void SetParam(tunk::Param param, float value) { generator.params[param] = value; }
	float GetParam(tunk::Param param) const { return generator.params[param]; }

	float GetStartFreq() const { return generator.params[tunk::Param::startFreq]; }
	float GetDuration() const { return generator.params[tunk::Param::duration]; }
	float GetAmplitude() const { return generator.params[tunk::Param::amplitude]; }
	float GetAmpEnvelope() const { return generator.params[tunk::Param::ampEnvelope]; }
	float GetFreqEnvelope() const { return generator.params[tunk::Param::freqEnvelope]; }
	float GetDistortion() const { return generator.params[tunk::Param::distortion]; }
	int32 GetOscType() const { return tunk::OscCode(generator.params[tunk::Param::oscType]); }
	double GetFilterCutoff() const { return generator.params[tunk::Param::filterCutoff]; }
	double GetFilterQ() const { return generator.params[tunk::Param::filterQ]; }
	bool IsFreqEnvEnabled() const { return generator.params.On(tunk::Param::freqEnvEnabled); }
	bool IsAmpEnvEnabled() const { return generator.params.On(tunk::Param::ampEnvEnabled); }
	bool IsFilterEnabled() const { return generator.params.On(tunk::Param::filterEnabled); }
	bool IsDistortionEnabled() const { return generator.params.On(tunk::Param::distortionEnabled); }
	bool IsSequencerEnabled() const;

	// Oscillator and wave table (engine/Oscillator.cpp)
	void GenerateWaveTable();
	float Oscillator(float increment, float* phase) const;
	const float* WaveTable() const { return generator.WaveTable(); }

	// Envelopes and wave shaper (engine/Envelope.cpp)
	static float ExpEnvelope(float x, float curve);
	void GenerateWaveShapeTable();
	float Distort(float x) const;
	const float* ShapeTable() const { return generator.ShapeTable(); }

	// Low-pass filter (engine/Filter.cpp)
	void InitFilter();
	void UpdateFilter(float q, float cutoff);
	const FILTER& Filter() const { return filter; }
	double GetFilterGain() const { return generator.Filter().gain; }

	// Generation and buffer access (engine/Generate.cpp). The sound is rendered outside the
	// write semaphore and swapped in under it for drawing and export; the device is handed a
	// copy of its own, which hits play from their next start.
	void GenerateSound();
	// As GenerateSound, handing back the sound it replaced (as SwapRender does) in the same
	// step. On a failure the engine has no buffer and a length of 0, and the alert is shown.
	SoundRender ReplaceSound();
	int64 GetSampleLength() const;
	int16* GetBuffer(int64* count) const;
	int16 GetSampleAt(int64 index) const;
	sem_id WriteBufferSemaphore() const { return writeBufSem; }

	// Puts `render` in place of the generated sound under the write semaphore and hands back
	// the one the engine had; the caller then owns (and frees) the samples of each side. Lets
	// a window put back a sound it kept instead of generating it again.
	SoundRender SwapRender(SoundRender render);
	static void ErrorMsg(const char* text);

	// Playback (audio/Playback.cpp)
	void PlaySound();
	// As PlaySound, the hit (and the repeats it starts) scaled by `gain` (0 to 1) until the
	// next play; the buffer itself is untouched. 1 plays the sound's own samples.
	void PlaySound(float gain);
	// A note of `velocity` (1 to 127): the next hit of the sound, numbered from 1, as the
	// velocity and variation rows make it (tunk::HitOf), at its level. A hit other than the
	// sound itself is rendered and handed to the device, for its repeats too, until the next
	// play of the sound or a new sound.
	void PlayNote(int32 velocity);
	void StopSound();
	bool IsPlaying() const;
	uint32 GetPlaySamplePosition() const;
	void SetPlaySamplePosition(uint32 position);
	uint32 GetBeatLength() const;
	BSoundPlayer* Player() const { return player; }

	// WAV export (audio/WavExport.cpp). A reply may name another format the writer knows in
	// "format" ("flac", "aiff", "ogg"); without it the file is WAV.
	void WriteSoundToFile(BMessage* reply);
	bool InitMediaFile(BPath* path, const char* format = "wav");

	// Drawing into the display views (views/)
	void DrawSoundToView(SoundView* view);
	void DrawAmpEnvToView(EnvelopeView* view);
	void DrawFreqEnvToView(EnvelopeView* view);
	void DrawDistortedWaveToView(DistortionView* view);

private:
	// Starts a hit of what the device holds at `gain`.
	void StartDevice(float gain);

	friend void SoundBufferProc(void*, void*, size_t, const media_raw_audio_format&);

	sem_id readBufSem;
	sem_id writeBufSem;

	tunk::Generator generator;

	int16* sampleBuffer = nullptr;
	int64 sampleLength = 0;  // under writeBufSem; 0 whenever sampleBuffer is absent
	tunk::SoundParams bufferParams;  // what sampleBuffer was generated from, under writeBufSem
	// Window's thread: the device holds a note's hit instead of sampleBuffer.
	bool deviceHoldsHit = false;
	uint32_t nextHit = 1;

	std::atomic<uint32> beatLength{0};
	std::atomic<bool> sequencerEnabled{false};
	std::atomic<bool> playing{false};
	// What the device plays: built before the player that calls into it, gone after.
	DevicePlayer device;

	// The file of an export in progress.
	SoundFileWriter* exportFile = nullptr;

	media_format format;
	BSoundPlayer* player = nullptr;
	TunkSound* playerCookie = nullptr;

	FILTER filter = {};  // the generator's filter state, as the single-step filter takes it
};
