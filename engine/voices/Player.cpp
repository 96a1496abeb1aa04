#include "engine/voices/Player.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace tunk::voices {

namespace {

// The plain sum into one buffer.
class SumMixer final : public Mixer {
public:
	explicit SumMixer(float* out) : fOut(out) {}
	void Mix(int32_t, int32_t, const float* samples, const float*, uint32_t at,
	    uint32_t count) override
	{
		float* to = fOut + at;
		for (uint32_t k = 0; k < count; k++)
			to[k] += samples[k];
	}

private:
	float* fOut;
};

} // namespace

int16_t ToShort(float sample)
{
	const float scaled = sample * 32768.0f;
	if (!(scaled > -32768.0f))
		return scaled == scaled ? int16_t(-32768) : int16_t(0);
	if (scaled >= 32767.0f)
		return 32767;
	return int16_t(std::lrint(scaled));
}

Player::Player(const std::array<Source*, kSlots>& sources) : Player(sources, kMaxVoices) {}

Player::Player(std::span<Source* const> sources, int32_t maxVoices)
    : fMaxVoices(std::clamp(maxVoices, int32_t(1), kMostVoices)),
      fSlots(std::min(2 * fMaxVoices, int32_t(sources.size())))
{
	for (int32_t i = 0; i < fSlots; i++)
		fVoices[i].source = sources[size_t(i)];
}

Source& Player::Start(int32_t key, const VoiceGain& gain)
{
	Voice* free = nullptr;
	Voice* oldest = nullptr;
	Voice* nearestEnd = nullptr;
	int32_t sounding = 0;
	for (Voice& voice : Voices()) {
		if (!voice.busy) {
			if (free == nullptr)
				free = &voice;
			continue;
		}
		if (voice.fading) {
			if (nearestEnd == nullptr || voice.fadeLeft < nearestEnd->fadeLeft)
				nearestEnd = &voice;
			continue;
		}
		sounding++;
		if (oldest == nullptr || voice.order < oldest->order)
			oldest = &voice;
	}
	if (sounding >= fMaxVoices)
		FadeOut(*oldest);
	if (free == nullptr) {
		// Every slot is busy, so at least fMaxVoices of them fade: cut the quietest.
		End(*nearestEnd);
		free = nearestEnd;
	}
	free->busy = true;
	free->key = key;
	free->gain = gain;
	free->order = ++fStarted;
	free->fading = false;
	free->fadeLeft = 0;
	return *free->source;
}

void Player::FadeOut(Voice& voice)
{
	if (!voice.busy || voice.fading)
		return;
	voice.fading = true;
	voice.fadeLeft = kFadeSamples;
}

void Player::End(Voice& voice)
{
	if (!voice.busy)
		return;
	voice.source->Stop();
	voice.busy = false;
	voice.fading = false;
	voice.fadeLeft = 0;
}

void Player::Release(int32_t key)
{
	if (key == kNoKey)
		return;
	for (Voice& voice : Voices()) {
		if (voice.key == key)
			FadeOut(voice);
	}
}

void Player::ReleaseAll()
{
	for (Voice& voice : Voices())
		FadeOut(voice);
}

void Player::Clear()
{
	for (Voice& voice : Voices())
		End(voice);
}

void Player::RenderVoice(Voice& voice, Mixer& mixer, uint32_t frames)
{
	// Equal sides (every mono voice, a centred pad) are scaled once.
	const bool stereo =
	    std::bit_cast<uint32_t>(voice.gain.left) != std::bit_cast<uint32_t>(voice.gain.right);
	uint32_t done = 0;
	while (done < frames && voice.busy) {
		uint32_t want = std::min(frames - done, kChunk);
		if (voice.fading)
			want = std::min(want, uint32_t(voice.fadeLeft));
		const uint32_t got = voice.source->Pull(fScratch, want);
		const float left = voice.gain.left;
		const float right = voice.gain.right;
		// The right side first, from the samples before the left side scales them; each
		// side a loop of its own, so that both vectorise.
		if (voice.fading) {
			const float start = float(voice.fadeLeft - 1);
			constexpr float kStep = 1.0f / float(kFadeSamples);
			if (stereo) {
				for (uint32_t k = 0; k < got; k++)
					fRight[k] = fScratch[k] * right * ((start - float(k)) * kStep);
			}
			for (uint32_t k = 0; k < got; k++)
				fScratch[k] = fScratch[k] * left * ((start - float(k)) * kStep);
			voice.fadeLeft -= int32_t(want);
		} else {
			if (stereo) {
				for (uint32_t k = 0; k < got; k++)
					fRight[k] = fScratch[k] * right;
			}
			for (uint32_t k = 0; k < got; k++)
				fScratch[k] = fScratch[k] * left;
		}
		mixer.Mix(voice.key, voice.gain.output, fScratch, stereo ? fRight : fScratch, done, got);
		done += want;
		if (got < want || (voice.fading && voice.fadeLeft == 0))
			End(voice);
	}
}

void Player::Render(float* out, uint32_t frames)
{
	SumMixer sum(out);
	Render(sum, frames);
}

void Player::Render(Mixer& mixer, uint32_t frames)
{
	for (Voice& voice : Voices())
		RenderVoice(voice, mixer, frames);
}

int32_t Player::Sounding() const
{
	return int32_t(std::ranges::count_if(Voices(),
	    [](const Voice& voice) { return voice.busy && !voice.fading; }));
}

int32_t Player::Busy() const
{
	return int32_t(std::ranges::count_if(Voices(),
	    [](const Voice& voice) { return voice.busy; }));
}

} // namespace tunk::voices
