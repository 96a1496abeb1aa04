#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/TunkSound.h"
#include "engine/core/Hit.h"
#include "engine/core/Render.h"
#include "kits/media/SoundPlayer.h"

void TunkSound::PlaySound()
{
	PlaySound(1.0f);
}

void TunkSound::PlaySound(float gain)
{
	if (deviceHoldsHit) {
		device.Offer(sampleBuffer, sampleLength);
		deviceHoldsHit = false;
	}
	StartDevice(gain);
}

void TunkSound::PlayNote(int32 velocity)
{
	const tunk::Hit hit = tunk::HitOf(generator.params, velocity, nextHit++);
	if (tunk::SameBits(hit.params, generator.params)) {
		PlaySound(hit.level * hit.gain);
		return;
	}
	std::vector<int16_t> samples;
	if (tunk::Render(hit.params, &samples) != tunk::RenderStatus::Ok)
		return;
	// Only now: a hit that cannot be made leaves the device as it was.
	if (!device.Offer(samples.data(), int64_t(samples.size())))
		return;
	deviceHoldsHit = true;
	StartDevice(hit.level * hit.gain);
}

void TunkSound::StartDevice(float gain)
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
