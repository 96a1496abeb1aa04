#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/TunkSound.h"
#include "kits/media/SoundPlayer.h"

void TunkSound::PlaySound()
{
	PlaySound(1.0f);
}

void TunkSound::PlaySound(float gain)
{
	if (player != nullptr) {
		player->Start();
		player->SetVolume(1.0f);
		player->SetHasData(true);
	}
	playing = true;
	device.Play(gain);
}

void TunkSound::StopSound()
{
	playing = false;
	device.Stop();
}

bool TunkSound::IsPlaying() const
{
	return playing;
}

bool TunkSound::IsSequencerEnabled() const
{
	return sequencerEnabled;
}

uint32 TunkSound::GetPlaySamplePosition() const
{
	return device.Position();
}

void TunkSound::SetPlaySamplePosition(uint32 position)
{
	device.SetPosition(position);
}

uint32 TunkSound::GetBeatLength() const
{
	return beatLength;
}

void SoundBufferProc(void* cookie, void* buffer, size_t size, const media_raw_audio_format& format)
{
	if (format.format != media_raw_audio_format::B_AUDIO_SHORT)
		return;
	TunkSound* sound = *static_cast<TunkSound**>(cookie);
	// The device thread serves every player of the process: nothing here waits for the
	// window's thread, which hands sounds and requests over without a lock.
	sound->device.Render(static_cast<int16*>(buffer), uint32_t(size / sizeof(int16)),
		sound->GetBeatLength(), sound->IsSequencerEnabled());
}
