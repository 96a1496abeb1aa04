#include "window/KitSound.h"

#include <algorithm>
#include <cmath>

#include "engine/core/Params.h"
#include "kits/media/SoundPlayer.h"

namespace {

void KitBufferProc(void* cookie, void* buffer, size_t size, const media_raw_audio_format& format)
{
	if (format.channel_count != 2)
		return;
	KitSound* sound = *static_cast<KitSound**>(cookie);
	if (format.format == media_raw_audio_format::B_AUDIO_FLOAT)
		sound->Render(static_cast<float*>(buffer), uint32_t(size / (2 * sizeof(float))));
	else if (format.format == media_raw_audio_format::B_AUDIO_SHORT)
		sound->Render(static_cast<int16_t*>(buffer), uint32_t(size / (2 * sizeof(int16_t))));
}

uint8_t MidiVelocity(float velocity)
{
	return uint8_t(std::clamp(std::lround(velocity * 127.0f), 1L, 127L));
}

void Store(float* out, float sample)
{
	*out = sample;
}

void Store(int16_t* out, float sample)
{
	*out = tunk::voices::ToShort(sample);
}

} // namespace

KitSound::KitSound(bool device)
{
	std::array<tunk::voices::ParamsSource*, 2 * kKitVoices> sources{};
	for (size_t i = 0; i < sources.size(); i++)
		sources[i] = &fSources[i];
	fVoices = std::make_unique<KitVoices>(sources);
	if (!device)
		return;
	media_raw_audio_format format = {};
	format.frame_rate = float(tunk::kSampleRate);
	format.channel_count = 2;
	format.byte_order = B_MEDIA_LITTLE_ENDIAN;
	fDevice = new BSoundPlayer(&format, "TunkKit", KitBufferProc, nullptr, &fCookie);
}

KitSound::~KitSound()
{
	// After Stop no callback runs any more.
	if (fDevice != nullptr) {
		fDevice->Stop();
		delete fDevice;
	}
	fVoices->Clear();
	FreeReturned();
	delete fOffered.load();
	delete fKit;
}

void KitSound::FreeReturned()
{
	Kit* kit = nullptr;
	while (fReturned.Pop(&kit))
		delete kit;
}

void KitSound::SetKit(const Kit& kit)
{
	FreeReturned();
	delete fOffered.exchange(new Kit(kit));
}

void KitSound::StartDevice()
{
	if (fDevice == nullptr)
		return;
	fDevice->Start();
	fDevice->SetVolume(1.0f);
	fDevice->SetHasData(true);
}

bool KitSound::Schedule(const KitEvent& event)
{
	FreeReturned();
	StartDevice();
	if (!fEvents.Push(event))
		return false;
	fLastEvent = event;
	return true;
}

bool KitSound::ScheduleBeat(const KitEvent& event)
{
	FreeReturned();
	StartDevice();
	return fBeat.Push({event, fBeatEpoch.load(std::memory_order_acquire)});
}

void KitSound::Hit(size_t pad, float velocity)
{
	KitEvent event;
	event.kind = KitEvent::kPadHit;
	event.key = int32_t(std::min(pad, kMaxPads));
	event.velocity = MidiVelocity(velocity);
	Schedule(event);
}

void KitSound::Note(int note, float velocity)
{
	KitEvent event;
	event.kind = KitEvent::kNoteOn;
	event.key = note;
	event.velocity = MidiVelocity(velocity);
	Schedule(event);
}

void KitSound::Stop()
{
	KitEvent event;
	event.kind = KitEvent::kAllOff;
	FreeReturned();
	if (fEvents.Push(event))
		fLastEvent = event;
}

void KitSound::TakeKit()
{
	Kit* offered = fOffered.load(std::memory_order_acquire);
	if (offered == nullptr)
		return;
	// The kit replaced goes back to the window for freeing; while the way back is full, it
	// plays on. Voices hold copies of their sounds, so none needs it any more.
	if (fKit != nullptr && !fReturned.Push(fKit))
		return;
	fKit = fOffered.exchange(nullptr, std::memory_order_acq_rel);
}

template <typename Sample> void KitSound::RenderFrames(Sample* out, uint32_t frames)
{
	TakeKit();
	// The window's player: full velocity scale, retrigger, no note-offs, no trims.
	const KitPlayOptions options;
	int64_t clock = fFrames.load(std::memory_order_relaxed);
	uint32_t done = 0;
	while (done < frames) {
		const uint32_t span = std::min(frames - done, kChunk);
		fVoices->Begin({fLeft, fRight, {}}, span);
		const uint32_t epoch = fBeatEpoch.load(std::memory_order_acquire);
		for (;;) {
			// The two ways in frame order, a hit or note before the beat's hit of its frame.
			KitEvent event;
			BeatEvent beat;
			// A stopped beat's hits go at once, whenever they were for.
			while (fBeat.Peek(&beat) && beat.epoch != epoch)
				fBeat.Pop(&beat);
			const bool live = fEvents.Peek(&event) && event.frame < clock + span;
			const bool due = fBeat.Peek(&beat) && beat.event.frame < clock + span;
			if (!live && !due)
				break;
			if (due && (!live || beat.event.frame < event.frame)) {
				fBeat.Pop(&beat);
				event = beat.event;
			} else {
				fEvents.Pop(&event);
			}
			event.frame -= clock;
			if (fKit != nullptr)
				fVoices->Play(*fKit, options, event);
			else if (event.kind == KitEvent::kAllOff)
				fVoices->ReleaseAll();
		}
		fVoices->End();
		for (uint32_t k = 0; k < span; k++) {
			Store(&out[2 * (done + k)], fLeft[k]);
			Store(&out[2 * (done + k) + 1], fRight[k]);
		}
		clock += span;
		done += span;
	}
	fSounding.store(fVoices->Busy(), std::memory_order_release);
	fFrames.store(clock, std::memory_order_release);
}

void KitSound::Render(float* out, uint32_t frames)
{
	RenderFrames(out, frames);
}

void KitSound::Render(int16_t* out, uint32_t frames)
{
	RenderFrames(out, frames);
}
