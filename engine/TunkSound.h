// TunkSound: the sound engine of one editor window. It holds the parameters of one
// sound, the wave and shape tables built from them, the generated 16-bit buffer, the
// playback state and the sound player. Setters only store: the caller rebuilds the
// table concerned and calls GenerateSound().
#pragma once

#include <atomic>

#include "engine/Filter.h"
#include "kits/kernel/OS.h"
#include "kits/media/MediaDefs.h"
#include "kits/storage/EntryRef.h"
#include "kits/support/SupportDefs.h"

class BMediaFile;
class BMediaTrack;
class BMessage;
class BPath;
class BSoundPlayer;
class DistortionView;
class EnvelopeView;
class SoundView;

// The fixed sample rate of generation, filter design, playback and export.
constexpr int32 kSampleRate = 44100;
// Entries of one period in the wave and shape tables (each has one guard entry more).
constexpr int32 kTableSize = 2048;

// The player's buffer callback: the cookie is the address of the engine's playerCookie.
void SoundBufferProc(void* cookie, void* buffer, size_t size, const media_raw_audio_format& format);

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

	float GetStartFreq() const { return startFreq; }
	float GetDuration() const { return duration; }
	float GetAmplitude() const { return amplitude; }
	float GetAmpEnvelope() const { return ampEnvelope; }
	float GetFreqEnvelope() const { return freqEnvelope; }
	float GetDistortion() const { return distortion; }
	int32 GetOscType() const { return oscType; }
	double GetFilterCutoff() const { return filterCutoff; }
	double GetFilterQ() const { return filterQ; }
	bool IsFreqEnvEnabled() const { return freqEnvEnabled; }
	bool IsAmpEnvEnabled() const { return ampEnvEnabled; }
	bool IsFilterEnabled() const { return filterEnabled; }
	bool IsDistortionEnabled() const { return distortionEnabled; }
	bool IsSequencerEnabled() const;

	// Oscillator and wave table (engine/Oscillator.cpp)
	void GenerateWaveTable();
	float Oscillator(float increment, float* phase) const;
	const float* WaveTable() const { return waveTable; }

	// Envelopes and wave shaper (engine/Envelope.cpp)
	static float ExpEnvelope(float x, float curve);
	void GenerateWaveShapeTable();
	float Distort(float x) const;
	const float* ShapeTable() const { return shapeTable; }

	// Low-pass filter (engine/Filter.cpp)
	void InitFilter();
	void UpdateFilter(float q, float cutoff);
	const FILTER& Filter() const { return filter; }
	double GetFilterGain() const { return filterGain; }

	// Generation and buffer access (engine/Generate.cpp)
	void GenerateSound();
	int64 GetSampleLength() const;
	int16* GetBuffer(int64* count) const;
	int16 GetSampleAt(int64 index) const;
	sem_id WriteBufferSemaphore() const { return writeBufSem; }
	static void ErrorMsg(const char* text);

	// Playback (audio/Playback.cpp)
	void PlaySound();
	void StopSound();
	bool IsPlaying() const;
	uint32 GetPlaySamplePosition() const;
	void SetPlaySamplePosition(uint32 position);
	uint32 GetBeatLength() const;
	BSoundPlayer* Player() const { return player; }

	// WAV export (audio/WavExport.cpp)
	void WriteSoundToFile(BMessage* reply);
	bool InitMediaFile(BPath* path);

	// Drawing into the display views (views/)
	void DrawSoundToView(SoundView* view);
	void DrawAmpEnvToView(EnvelopeView* view);
	void DrawFreqEnvToView(EnvelopeView* view);
	void DrawDistortedWaveToView(DistortionView* view);

private:
	friend void SoundBufferProc(void*, void*, size_t, const media_raw_audio_format&);

	sem_id readBufSem;
	sem_id writeBufSem;

	float startFreq = 0;
	float duration = 0;
	float amplitude = 0;
	float ampEnvelope = 0;
	float freqEnvelope = 0;
	float distortion = 0;
	int32 oscType = 0;

	float waveTable[kTableSize + 1] = {};
	float shapeTable[kTableSize + 1] = {};

	int16* sampleBuffer = nullptr;
	int64 sampleLength = 0;  // under writeBufSem; 0 whenever sampleBuffer is absent

	std::atomic<uint32> beatLength{0};
	std::atomic<uint32> playPosition{0};

	bool freqEnvEnabled = false;
	bool ampEnvEnabled = false;
	bool filterEnabled = false;
	bool distortionEnabled = false;
	std::atomic<bool> sequencerEnabled{false};
	std::atomic<bool> playing{false};

	// Export state
	BMediaFile* mediaFile = nullptr;
	BMediaTrack* track = nullptr;
	media_file_format fileFormat;

	media_format format;
	BSoundPlayer* player = nullptr;
	TunkSound* playerCookie = nullptr;
	entry_ref exportTarget;

	SectionPrototype sections[2] = {};
	FILTER filter = {};
	double filterQ = 1.0;
	double filterGain = 1.0;
	double filterCutoff = 5000.0;
};
