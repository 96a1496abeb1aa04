#include "kit/KitVoices.h"

#include <algorithm>
#include <memory>

#include "engine/core/Hit.h"

namespace {

void Add(float* out, const float* samples, uint32_t count)
{
	if (out == nullptr)
		return;
	for (uint32_t k = 0; k < count; k++)
		out[k] += samples[k];
}

void Silence(float* out, uint32_t frames)
{
	if (out != nullptr)
		std::fill(out, out + frames, 0.0f);
}

std::vector<tunk::voices::Source*> Plain(std::span<tunk::voices::ParamsSource* const> sources)
{
	return {sources.begin(), sources.end()};
}

} // namespace

void KitVoices::Router::Mix(
    int32_t, int32_t output, const float* left, const float* right, uint32_t at, uint32_t count)
{
	if (output > 0 && size_t(output) <= kMaxPads && outputs.own[size_t(output - 1)] != nullptr) {
		Add(outputs.own[size_t(output - 1)] + at, left, count);
		return;
	}
	if (outputs.left != nullptr)
		Add(outputs.left + at, left, count);
	if (outputs.right != nullptr)
		Add(outputs.right + at, right, count);
}

KitVoices::KitVoices(std::span<tunk::voices::ParamsSource* const> sources)
    : fPlayer(Plain(sources), kKitVoices)
{
	fHits.fill(1);
}

void KitVoices::Clear()
{
	fPlayer.Clear();
	fHits.fill(1);
}

void KitVoices::Begin(const KitOutputs& outputs, uint32_t frames)
{
	fBlock = outputs;
	fFrames = frames;
	fDone = 0;
	Silence(outputs.left, frames);
	Silence(outputs.right, frames);
	for (float* own : outputs.own)
		Silence(own, frames);
}

void KitVoices::RenderTo(uint32_t frame)
{
	if (frame <= fDone)
		return;
	// The router writes from the start of its buffers: point them at the frames to come.
	auto at = [this](float* out) { return out != nullptr ? out + fDone : nullptr; };
	fRouter.outputs.left = at(fBlock.left);
	fRouter.outputs.right = at(fBlock.right);
	for (size_t i = 0; i < kMaxPads; i++)
		fRouter.outputs.own[i] = at(fBlock.own[i]);
	fPlayer.Render(fRouter, frame - fDone);
	fDone = frame;
}

void KitVoices::Play(const Kit& kit, const KitPlayOptions& options, const KitEvent& event)
{
	RenderTo(uint32_t(std::clamp<int64_t>(event.frame, fDone, fFrames)));
	const KitPlan plan = PlanKitEvent(kit, options, event, fHits);
	if (plan.allOff)
		fPlayer.ReleaseAll();
	for (size_t pad = 0; pad < kMaxPads; pad++) {
		if ((plan.choked & (PadMask(1) << pad)) != 0)
			for (int32_t channel = 0; channel < kKitChannels; channel++)
				fPlayer.Release(PadVoiceKey(channel, pad));
		if ((plan.released & (PadMask(1) << pad)) != 0)
			fPlayer.Release(PadVoiceKey(plan.channel, pad));
	}
	for (uint32_t i = 0; i < plan.count; i++) {
		const VoiceStart& start = plan.starts[i];
		const int32_t output = start.output == PadOutput::Own ? 1 + int32_t(start.pad) : 0;
		auto& source = static_cast<tunk::voices::ParamsSource&>(fPlayer.Start(
		    start.key, tunk::voices::VoiceGain(start.gain.left, start.gain.right, output)));
		source.Play(
		    tunk::HitOf(kit.pads[start.pad].sound, start.velocity, start.hit).params, fTables);
		if (event.hit == 0)
			fHits[start.pad]++;
	}
}

void KitVoices::End()
{
	RenderTo(fFrames);
}

OwnedKitVoices::OwnedKitVoices()
{
	std::vector<tunk::voices::ParamsSource*> plain;
	for (int32_t i = 0; i < 2 * kKitVoices; i++) {
		sources.push_back(std::make_unique<tunk::voices::LiveSource>());
		plain.push_back(sources.back().get());
	}
	voices = std::make_unique<KitVoices>(plain);
}

StereoSound RenderKitEvents(
    const Kit& kit, const KitPlayOptions& options, std::span<const KitEvent> events, int64_t frames)
{
	OwnedKitVoices owned;
	KitVoices* voices = owned.voices.get();
	StereoSound sound;
	constexpr int64_t kBlock = 4096;
	size_t next = 0;
	for (int64_t at = 0; frames == 0 || at < frames; at += kBlock) {
		if (frames == 0 && next == events.size() && voices->Busy() == 0)
			break;
		const int64_t block = frames == 0 ? kBlock : std::min(kBlock, frames - at);
		sound.left.resize(size_t(at + block));
		sound.right.resize(size_t(at + block));
		voices->Begin({sound.left.data() + at, sound.right.data() + at, {}}, uint32_t(block));
		for (; next < events.size() && events[next].frame < at + block; next++) {
			KitEvent event = events[next];
			event.frame -= at;
			voices->Play(kit, options, event);
		}
		voices->End();
	}
	if (frames == 0) {
		// Up to the last sound: the block's silent tail goes.
		size_t end = sound.left.size();
		while (end > 0 && sound.left[end - 1] == 0 && sound.right[end - 1] == 0)
			end--;
		sound.left.resize(end);
		sound.right.resize(end);
	}
	return sound;
}
