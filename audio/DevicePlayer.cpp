#include "audio/DevicePlayer.h"

#include <algorithm>
#include <cmath>
#include <utility>

using tunk::voices::kSlots;
using tunk::voices::Retirement;
using tunk::voices::SoundSource;

namespace {

// The window's sounds are hits on one key: a new hit ends the one before, as a drum
// machine's retrigger does.
constexpr int32_t kHitKey = 0;

template <size_t... I>
std::array<SoundSource, sizeof...(I)> MakeSources(Retirement& retired, std::index_sequence<I...>)
{
	return {((void)I, SoundSource(retired))...};
}

std::array<tunk::voices::Source*, kSlots> Pointers(std::array<SoundSource, kSlots>& sources)
{
	std::array<tunk::voices::Source*, kSlots> pointers{};
	for (size_t i = 0; i < sources.size(); i++)
		pointers[i] = &sources[i];
	return pointers;
}

}  // namespace

DevicePlayer::DevicePlayer()
	:
	fSources(MakeSources(fExchange.Retired(), std::make_index_sequence<kSlots>())),
	fPlayer(Pointers(fSources))
{
}

DevicePlayer::~DevicePlayer()
{
	// The voices let go of their sounds before the exchange frees them.
	fPlayer.Clear();
}

bool DevicePlayer::Offer(const int16_t* samples, int64_t count)
{
	tunk::voices::Sound* sound = tunk::voices::MakeSound(samples, samples != nullptr ? count : 0);
	if (sound == nullptr) {
		fExchange.FreeReturned();
		return false;
	}
	fExchange.Offer(sound);
	return true;
}

void DevicePlayer::Send(Request request)
{
	uint64_t current = fRequest.load(std::memory_order_relaxed);
	// Only the window's thread sends: a plain store of the next number would do, the loop
	// keeps it right should a second sender ever appear.
	while (!fRequest.compare_exchange_weak(current, ((current >> 2) + 1) << 2 | request,
		std::memory_order_release, std::memory_order_relaxed)) {
	}
}

void DevicePlayer::Play(float gain)
{
	fGain.store(std::isfinite(gain) ? std::clamp(gain, 0.0f, 1.0f) : 0.0f,
		std::memory_order_relaxed);
	Send(kPlay);
}

void DevicePlayer::Stop()
{
	Send(kStop);
}

void DevicePlayer::StartHit()
{
	fPlayer.Release(kHitKey);
	tunk::voices::Sound* sound = fExchange.Current();
	if (sound == nullptr)
		return;
	// Every source is one of fSources.
	static_cast<SoundSource&>(fPlayer.Start(kHitKey, fHitGain)).Play(sound);
}

void DevicePlayer::Render(int16_t* out, uint32_t frames, uint32_t beat, bool repeat)
{
	repeat = repeat && beat != 0;
	uint64_t position = fPosition.load(std::memory_order_relaxed);
	const uint64_t request = fRequest.load(std::memory_order_acquire);
	if (request != fSeen) {
		fSeen = request;
		position = 0;
		fOn = (request & 3) == kPlay;
		if (fOn) {
			fHitGain = fGain.load(std::memory_order_relaxed);
			StartHit();
		} else {
			fPlayer.ReleaseAll();
		}
	}

	uint32_t done = 0;
	while (done < frames) {
		if (repeat && position >= beat) {
			position = 0;
			if (fOn)
				StartHit();
		}
		uint32_t span = std::min(frames - done, kChunk);
		if (repeat)
			span = uint32_t(std::min<uint64_t>(span, beat - position));
		std::fill_n(fMix, span, 0.0f);
		fPlayer.Render(fMix, span);
		for (uint32_t k = 0; k < span; k++)
			out[done + k] = tunk::voices::ToShort(fMix[k]);
		position = repeat ? position + span : std::min<uint64_t>(position + span, UINT32_MAX);
		done += span;
	}
	// A beat that falls on the buffer's end starts its hit now: it sounds from the next
	// buffer's first sample, and the position reads 0 as the beat's clock should.
	if (repeat && position >= beat) {
		position = 0;
		if (fOn)
			StartHit();
	}
	fPosition.store(uint32_t(position), std::memory_order_relaxed);
	fExchange.HandBack();
}
