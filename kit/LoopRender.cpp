#include "kit/LoopRender.h"

#include <algorithm>
#include <memory>

#include "engine/core/Render.h"

namespace {

// Whole loops to play before the one kept, so that every tail sounding at its start is one a
// loop going round would have: the longest pad's length in loops.
int64_t WarmLoops(const Kit& kit, int64_t loopFrames)
{
	int64_t longest = 0;
	for (const Pad& pad : kit.pads)
		longest = std::max(longest, tunk::SampleCount(pad.sound));
	return (longest + loopFrames - 1) / loopFrames;
}

} // namespace

LoopSound RenderLoop(
    const Kit& kit, const KitPlayOptions& options, const PatternLoop& loop, bool stems)
{
	LoopSound sound;
	const int64_t frames = loop.frames;
	if (frames <= 0)
		return sound;
	// The mix plays as the window plays the kit. Stems play beside it on voices of their own,
	// every pad on an output of its own and panned afterwards as the main pair pans it.
	OwnedKitVoices mixVoices;
	std::unique_ptr<OwnedKitVoices> stemVoices =
	    stems ? std::make_unique<OwnedKitVoices>() : nullptr;
	Kit ownKit = kit;
	for (Pad& pad : ownKit.pads)
		pad.output = PadOutput::Own;
	const size_t pads = stems ? std::min(kit.pads.size(), kMaxPads) : 0;
	sound.stems.resize(pads);
	sound.mix.left.resize(size_t(frames));
	sound.mix.right.resize(size_t(frames));
	for (StereoSound& stem : sound.stems) {
		stem.left.resize(size_t(frames));
		stem.right.resize(size_t(frames));
	}

	constexpr int64_t kBlock = 4096;
	std::vector<float> left(kBlock), right(kBlock);
	std::vector<std::vector<float>> own(pads, std::vector<float>(kBlock));
	auto play = [&loop](KitVoices& voices, const Kit& played, const KitPlayOptions& options,
	                const KitOutputs& outputs, int64_t at, int64_t block, size_t next) {
		voices.Begin(outputs, uint32_t(block));
		for (; next < loop.hits.size() && loop.hits[next].frame < at + block; next++) {
			KitEvent event = loop.hits[next];
			event.frame -= at;
			voices.Play(played, options, event);
		}
		voices.End();
		return next;
	};
	const int64_t warm = WarmLoops(kit, frames);
	for (int64_t round = 0; round <= warm; round++) {
		size_t next = 0;
		for (int64_t at = 0; at < frames; at += kBlock) {
			const int64_t block = std::min(kBlock, frames - at);
			const size_t first = next;
			next = play(
			    *mixVoices.voices, kit, options, {left.data(), right.data(), {}}, at, block, first);
			if (stemVoices != nullptr) {
				KitOutputs outputs;
				for (size_t pad = 0; pad < pads; pad++)
					outputs.own[pad] = own[pad].data();
				play(*stemVoices->voices, ownKit, options, outputs, at, block, first);
			}
			if (round < warm)
				continue;
			std::copy_n(left.begin(), block, sound.mix.left.begin() + at);
			std::copy_n(right.begin(), block, sound.mix.right.begin() + at);
			for (size_t pad = 0; pad < pads; pad++) {
				const PadMix mix = PadMixOf(kit.pads[pad]);
				for (int64_t k = 0; k < block; k++) {
					sound.stems[pad].left[size_t(at + k)] = own[pad][size_t(k)] * mix.pan.left;
					sound.stems[pad].right[size_t(at + k)] = own[pad][size_t(k)] * mix.pan.right;
				}
			}
		}
	}
	return sound;
}
