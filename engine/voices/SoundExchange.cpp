#include "engine/voices/SoundExchange.h"

#include <new>

namespace tunk::voices {

Sound* MakeSound(const int16_t* samples, int64_t count)
{
	Sound* sound = new (std::nothrow) Sound;
	if (sound == nullptr)
		return nullptr;
	float* copy = nullptr;
	if (count > 0) {
		copy = new (std::nothrow) float[size_t(count)];
		if (copy == nullptr) {
			delete sound;
			return nullptr;
		}
		for (int64_t i = 0; i < count; i++)
			copy[i] = float(samples[i]) / 32768.0f;
	}
	sound->samples = copy;
	sound->length = count > 0 ? count : 0;
	return sound;
}

void FreeSound(Sound* sound)
{
	if (sound == nullptr)
		return;
	delete[] sound->samples;
	delete sound;
}

SoundExchange::~SoundExchange()
{
	FreeSound(fOffered.exchange(nullptr));
	FreeReturned();
	for (int32_t i = 0; i < fRetirement.Count(); i++)
		FreeSound(fRetirement.At(i));
	FreeSound(fCurrent);
}

void SoundExchange::Offer(Sound* sound)
{
	FreeReturned();
	// The audio thread takes an offer by exchanging it for null: what comes back here was
	// never seen there.
	Sound* untaken = fOffered.exchange(sound, std::memory_order_acq_rel);
	if (untaken != nullptr) {
		FreeSound(untaken);
		fFreed++;
	}
}

int32_t SoundExchange::FreeReturned()
{
	uint32_t read = fRead.load(std::memory_order_relaxed);
	const uint32_t write = fWrite.load(std::memory_order_acquire);
	int32_t freed = 0;
	for (; read != write; read++, freed++)
		FreeSound(fReturned[read % kRing]);
	fRead.store(read, std::memory_order_release);
	fFreed += freed;
	return freed;
}

Sound* SoundExchange::Current()
{
	// A new sound only while the retired list has room for the current one and every
	// voice's: nothing retired is ever lost. Until the maker frees what came back, the
	// current sound plays on.
	if (fRetirement.Count() > Retirement::kCapacity - (kSlots + 1))
		return fCurrent;
	Sound* offered = fOffered.exchange(nullptr, std::memory_order_acq_rel);
	if (offered != nullptr) {
		fRetirement.Acquire(offered);
		if (fCurrent != nullptr)
			fRetirement.Release(fCurrent);
		fCurrent = offered;
	}
	return fCurrent;
}

void SoundExchange::HandBack()
{
	const uint32_t write = fWrite.load(std::memory_order_relaxed);
	const uint32_t read = fRead.load(std::memory_order_acquire);
	const int32_t room = int32_t(kRing - (write - read));
	const int32_t count = fRetirement.Count() < room ? fRetirement.Count() : room;
	for (int32_t i = 0; i < count; i++)
		fReturned[(write + uint32_t(i)) % kRing] = fRetirement.At(i);
	fWrite.store(write + uint32_t(count), std::memory_order_release);
	fRetirement.Drop(count);
}

} // namespace tunk::voices
