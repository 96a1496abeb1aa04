#include "engine/TunkSound.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "audio/SoundFileWriter.h"
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
	// The filter's state lives in the generator: nothing to allocate, nothing to fail.
	filter.length = tunk::kFilterSections;
	filter.history = generator.Filter().history;
	filter.coef = generator.Filter().coef;

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

	// The generator starts with the default sound, its tables built and its filter
	// designed, so that a fresh engine is ready to generate.
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
	delete exportFile;
	exportFile = nullptr;
	std::free(sampleBuffer);
	sampleBuffer = nullptr;
	if (readBufSem >= 0)
		delete_sem(readBufSem);
	if (writeBufSem >= 0)
		delete_sem(writeBufSem);
}

void TunkSound::SetStartFreq(float hz)
{
	generator.params[tunk::Param::startFreq] = hz;
}

void TunkSound::SetDuration(float ms)
{
	generator.params[tunk::Param::duration] = ms;
}

void TunkSound::SetAmplitude(float gain)
{
	generator.params[tunk::Param::amplitude] = gain;
}

void TunkSound::SetAmpEnvelope(float curve)
{
	generator.params[tunk::Param::ampEnvelope] = curve;
}

void TunkSound::SetFreqEnvelope(float curve)
{
	generator.params[tunk::Param::freqEnvelope] = curve;
}

void TunkSound::SetDistortion(float drive)
{
	generator.params[tunk::Param::distortion] = drive;
}

void TunkSound::SetOscType(int32 code)
{
	generator.params[tunk::Param::oscType] = code;
}

void TunkSound::SetFilterCutoff(float hz)
{
	generator.params[tunk::Param::filterCutoff] = hz;
}

void TunkSound::SetFilterQ(float q)
{
	generator.params[tunk::Param::filterQ] = q;
}

void TunkSound::SetFreqEnvEnabled(bool on)
{
	generator.params[tunk::Param::freqEnvEnabled] = on;
}

void TunkSound::SetAmpEnvEnabled(bool on)
{
	generator.params[tunk::Param::ampEnvEnabled] = on;
}

void TunkSound::SetFilterEnabled(bool on)
{
	generator.params[tunk::Param::filterEnabled] = on;
}

void TunkSound::SetDistortionEnabled(bool on)
{
	generator.params[tunk::Param::distortionEnabled] = on;
}

void TunkSound::SetParams(const tunk::SoundParams& params)
{
	// The setters only store: the same as setting each in turn, then building both tables.
	generator.params = params;
	GenerateWaveTable();
	GenerateWaveShapeTable();
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
