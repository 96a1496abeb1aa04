#include "engine/TunkSound.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "kits/media/SoundPlayer.h"

TunkSound::TunkSound()
{
	format.type = B_MEDIA_RAW_AUDIO;
	format.user_data_type = 0;
	format.u.raw_audio.frame_rate = float(kSampleRate);
	format.u.raw_audio.channel_count = 1;
	format.u.raw_audio.format = media_raw_audio_format::B_AUDIO_SHORT;
	format.u.raw_audio.byte_order = B_MEDIA_LITTLE_ENDIAN;
	format.u.raw_audio.buffer_size = 0;

	sampleBuffer = nullptr;
	filter.history = nullptr;
	filter.coef = nullptr;

	readBufSem = create_sem(1, "readBufSem");
	if (readBufSem == B_NO_MEMORY)
		std::printf("Error Creating Read Buffer Semaphore!\n");
	writeBufSem = create_sem(1, "writeBufSem");
	if (writeBufSem == B_NO_MEMORY)
		std::printf("Error Creating Write Buffer Semaphore!\n");

	playerCookie = this;
	player = new BSoundPlayer(
		&format.u.raw_audio, "TunkPlayer", SoundBufferProc, nullptr, &playerCookie);

	playing = false;
	sampleLength = 0;
	playPosition = 0;

	filterQ = 1.0;
	filterCutoff = 5000.0;
	InitFilter();

	// The window's start values, so that a fresh engine is ready to generate; the
	// window's parameter refresh sets them again in its own order.
	amplitude = 0.95f;
	startFreq = 1000.0f;
	duration = 200.0f;
	oscType = 1;
	ampEnvelope = 1.0f;
	freqEnvelope = 1.0f;
	distortion = 1.0f;
	GenerateWaveTable();
	GenerateWaveShapeTable();
	SetBeatLength(120.0f);
}

TunkSound::~TunkSound()
{
	// Stop first: after Stop returns no callback runs into this engine any more.
	if (player != nullptr) {
		player->Stop();
		delete player;
		player = nullptr;
	}
	std::free(sampleBuffer);
	sampleBuffer = nullptr;
	std::free(filter.coef);
	filter.coef = nullptr;
	std::free(filter.history);
	filter.history = nullptr;
	if (readBufSem >= 0)
		delete_sem(readBufSem);
	if (writeBufSem >= 0)
		delete_sem(writeBufSem);
}

void TunkSound::SetStartFreq(float hz)
{
	startFreq = hz;
}

void TunkSound::SetDuration(float ms)
{
	duration = ms;
}

void TunkSound::SetAmplitude(float gain)
{
	amplitude = gain;
}

void TunkSound::SetAmpEnvelope(float curve)
{
	ampEnvelope = curve;
}

void TunkSound::SetFreqEnvelope(float curve)
{
	freqEnvelope = curve;
}

void TunkSound::SetDistortion(float drive)
{
	distortion = drive;
}

void TunkSound::SetOscType(int32 code)
{
	oscType = code;
}

void TunkSound::SetFilterCutoff(float hz)
{
	filterCutoff = hz;
}

void TunkSound::SetFilterQ(float q)
{
	filterQ = q;
}

void TunkSound::SetFreqEnvEnabled(bool on)
{
	freqEnvEnabled = on;
}

void TunkSound::SetAmpEnvEnabled(bool on)
{
	ampEnvEnabled = on;
}

void TunkSound::SetFilterEnabled(bool on)
{
	filterEnabled = on;
}

void TunkSound::SetDistortionEnabled(bool on)
{
	distortionEnabled = on;
}

void TunkSound::SetSequencerEnabled(bool on)
{
	sequencerEnabled = on;
}

void TunkSound::SetBeatLength(float bpm)
{
	// No tempo at all (0, as typed or as text that is no number, negative, not a number):
	// no beat, and nothing to divide by.
	if (!(bpm > 0.0f)) {
		beatLength = 0;
		return;
	}
	double samples = std::floor(double(kSampleRate) / (double(bpm) / 60.0));
	// A tempo without a usable beat (0, negative, not a number, or so slow that the beat
	// does not fit 32 bits) stores 0, which playback takes as "never restart".
	if (samples >= 1.0 && samples <= 4294967295.0)
		beatLength = uint32(samples);
	else
		beatLength = 0;
}
