#include "window/KitSound.h"

#include <algorithm>

#include "engine/core/Render.h"
#include "kits/media/SoundPlayer.h"

namespace {

void KitBufferProc(void* cookie, void* buffer, size_t size, const media_raw_audio_format& format)
{
	if (format.format != media_raw_audio_format::B_AUDIO_SHORT)
		return;
	KitSound* sound = *static_cast<KitSound**>(cookie);
	sound->Render(static_cast<int16_t*>(buffer), uint32_t(size / sizeof(int16_t)));
}

} // namespace

KitSound::KitSound(bool device) : fPlayers(std::make_unique<std::array<DevicePlayer, kMaxPads>>())
{
	if (!device)
		return;
	media_raw_audio_format format = {};
	format.frame_rate = float(tunk::kSampleRate);
	format.channel_count = 1;
	format.format = media_raw_audio_format::B_AUDIO_SHORT;
	format.byte_order = B_MEDIA_LITTLE_ENDIAN;
	fDevice = new BSoundPlayer(&format, "TunkKit", KitBufferProc, nullptr, &fCookie);
}

KitSound::~KitSound()
{
	// After Stop no callback runs into the players any more.
	if (fDevice != nullptr) {
		fDevice->Stop();
		delete fDevice;
	}
}

bool KitSound::SetPad(size_t pad, const tunk::SoundParams& sound)
{
	if (pad >= kMaxPads)
		return false;
	PadSound& slot = fPads[pad];
	if (slot.ready && tunk::SameBits(slot.made, sound))
		return true;
	std::vector<int16_t> samples;
	// A refused sound (a duration out of reach) plays as silence rather than the old sound.
	if (tunk::Render(sound, &samples) == tunk::RenderStatus::NoMemory)
		return false;
	if (!(*fPlayers)[pad].Offer(samples.data(), int64_t(samples.size())))
		return false;
	slot.samples = std::move(samples);
	slot.made = sound;
	slot.ready = true;
	return true;
}

void KitSound::SetKit(const Kit& kit)
{
	for (size_t pad = 0; pad < kMaxPads; pad++) {
		if (pad < kit.pads.size()) {
			SetPad(pad, kit.pads[pad].sound);
		} else if (fPads[pad].ready && !fPads[pad].samples.empty()) {
			(*fPlayers)[pad].Offer(nullptr, 0);
			fPads[pad].samples.clear();
		}
	}
}

void KitSound::Hit(const Kit& kit, size_t pad, float velocity)
{
	if (pad >= kit.pads.size() || pad >= kMaxPads)
		return;
	SetPad(pad, kit.pads[pad].sound);
	// The device is mono: a pad's level reaches it, its pan and output only the plugin's pairs.
	const float gain = std::clamp(velocity, 0.0f, 1.0f) * LevelGain(kit.pads[pad].level);
	const PadMask choked = PadsChokedBy(kit, pad);
	for (size_t other = 0; other < kMaxPads; other++) {
		if ((choked >> other) & 1u)
			(*fPlayers)[other].Stop();
	}
	if (fDevice != nullptr) {
		fDevice->Start();
		fDevice->SetVolume(1.0f);
		fDevice->SetHasData(true);
	}
	(*fPlayers)[pad].Play(gain);
	fLastHit = {int32_t(pad), gain};
}

void KitSound::Stop()
{
	for (DevicePlayer& player : *fPlayers)
		player.Stop();
}

void KitSound::Render(int16_t* out, uint32_t frames)
{
	uint32_t done = 0;
	while (done < frames) {
		const uint32_t span = std::min(frames - done, kChunk);
		std::fill_n(fSum, span, 0);
		for (DevicePlayer& player : *fPlayers) {
			player.Render(fPadOut, span, 0, false);
			for (uint32_t k = 0; k < span; k++)
				fSum[k] += fPadOut[k];
		}
		for (uint32_t k = 0; k < span; k++)
			out[done + k] = int16_t(std::clamp(fSum[k], int32_t(-32768), int32_t(32767)));
		done += span;
	}
}
