#include "kit/KitPlay.h"

#include "engine/core/Hit.h"
#include "engine/voices/Player.h"

PadMix PadMixOf(const Pad& pad)
{
	if (pad.output == PadOutput::Own)
		return {LevelGain(pad.level), {1, 1}};
	return {LevelGain(pad.level), PanGains(pad.pan)};
}

KitPlan PlanKitEvent(const Kit& kit, const KitPlayOptions& options, const KitEvent& event,
    std::span<const uint32_t> hits)
{
	KitPlan plan;
	plan.frame = event.frame;
	plan.channel = event.channel;
	if (event.kind == KitEvent::kAllOff) {
		plan.allOff = true;
		return plan;
	}
	if (event.channel < 0 || event.channel >= kKitChannels)
		return plan;
	PadMask pads = 0;
	if (event.kind == KitEvent::kPadHit) {
		if (event.key >= 0 && size_t(event.key) < kit.pads.size() && size_t(event.key) < kMaxPads)
			pads = PadMask(1) << event.key;
	} else {
		pads = PadsOnNote(kit, event.key);
	}
	if (event.kind == KitEvent::kNoteOff) {
		if (options.noteOff)
			plan.released = pads;
		return plan;
	}
	if (event.velocity == 0 || event.velocity > 127)
		return plan;

	for (size_t i = 0; i < kMaxPads; i++)
		if (pads & (PadMask(1) << i))
			plan.choked |= PadsChokedBy(kit, i);
	// Pads sharing the note play together even when they share a group.
	plan.choked &= ~pads;
	if (options.retrigger)
		plan.released = pads;

	for (size_t i = 0; i < kMaxPads; i++) {
		if ((pads & (PadMask(1) << i)) == 0)
			continue;
		const Pad& pad = kit.pads[i];
		const float trim = LevelGain(options.trims[i]);
		const PadMix mix = PadMixOf(pad);
		VoiceStart& start = plan.starts[plan.count++];
		start.pad = uint8_t(i);
		start.velocity = event.velocity;
		start.hit = event.hit != 0 ? event.hit : i < hits.size() ? hits[i] : 0;
		const tunk::Hit hit = tunk::HitOf(pad.sound, event.velocity, start.hit);
		const float velocity = tunk::VelocityGain(hit.level, options.velocityScale) * hit.gain;
		start.key = PadVoiceKey(event.channel, i);
		start.output = pad.output;
		// One order of the products for every player, so that they agree to the bit.
		start.gain = {mix.level * mix.pan.left * trim * velocity,
		    mix.level * mix.pan.right * trim * velocity};
	}
	return plan;
}
