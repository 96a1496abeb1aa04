#include "kit/Kit.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <iterator>

namespace {

// General MIDI percussion, notes 35 to 81.
constexpr int kFirstGmDrum = 35;
constexpr const char* kGmDrumNames[] = {
	"Acoustic Bass Drum", "Bass Drum 1", "Side Stick", "Acoustic Snare", "Hand Clap",
	"Electric Snare", "Low Floor Tom", "Closed Hi-Hat", "High Floor Tom", "Pedal Hi-Hat",
	"Low Tom", "Open Hi-Hat", "Low-Mid Tom", "Hi-Mid Tom", "Crash Cymbal 1", "High Tom",
	"Ride Cymbal 1", "Chinese Cymbal", "Ride Bell", "Tambourine", "Splash Cymbal", "Cowbell",
	"Crash Cymbal 2", "Vibraslap", "Ride Cymbal 2", "Hi Bongo", "Low Bongo", "Mute Hi Conga",
	"Open Hi Conga", "Low Conga", "High Timbale", "Low Timbale", "High Agogo", "Low Agogo",
	"Cabasa", "Maracas", "Short Whistle", "Long Whistle", "Short Guiro", "Long Guiro", "Claves",
	"Hi Wood Block", "Low Wood Block", "Mute Cuica", "Open Cuica", "Mute Triangle",
	"Open Triangle",
};

size_t PadsLookedAt(const Kit& kit)
{
	return kit.pads.size() < kMaxPads ? kit.pads.size() : kMaxPads;
}

bool SameBits(float a, float b)
{
	return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b);
}

}  // namespace

bool SameBits(const Pad& a, const Pad& b)
{
	return a.name == b.name && a.soundName == b.soundName && a.note == b.note &&
	       SameBits(a.level, b.level) &&
	       SameBits(a.pan, b.pan) && a.choke == b.choke && a.output == b.output &&
	       a.unknown == b.unknown && a.soundUnknown == b.soundUnknown &&
	       a.soundReserved == b.soundReserved && tunk::SameBits(a.sound, b.sound);
}

bool SameBits(const Kit& a, const Kit& b)
{
	if (a.name != b.name || a.unknown != b.unknown || a.pads.size() != b.pads.size()
	    || !SameBits(a.tempo, b.tempo) || a.chain != b.chain || a.patterns.size() != b.patterns.size())
		return false;
	for (size_t i = 0; i < a.pads.size(); i++) {
		if (!SameBits(a.pads[i], b.pads[i]))
			return false;
	}
	for (size_t i = 0; i < a.patterns.size(); i++) {
		const Pattern& p = a.patterns[i];
		const Pattern& q = b.patterns[i];
		if (p.name != q.name || p.steps != q.steps || p.stepsPerBeat != q.stepsPerBeat
		    || !SameBits(p.swing, q.swing) || p.lanes != q.lanes || p.unknown != q.unknown)
			return false;
	}
	return true;
}

const char* GmDrumName(int note)
{
	const int index = note - kFirstGmDrum;
	if (index < 0 || index >= int(std::size(kGmDrumNames)))
		return "";
	return kGmDrumNames[index];
}

PadMask PadsOnNote(const Kit& kit, int note)
{
	PadMask pads = 0;
	if (!ValidNote(note))
		return pads;
	for (size_t i = 0; i < PadsLookedAt(kit); i++) {
		if (kit.pads[i].note == note)
			pads |= PadMask(1) << i;
	}
	return pads;
}

PadMask PadsChokedBy(const Kit& kit, size_t pad)
{
	PadMask pads = 0;
	if (pad >= PadsLookedAt(kit))
		return pads;
	const int group = kit.pads[pad].choke;
	if (group == 0)
		return pads;
	for (size_t i = 0; i < PadsLookedAt(kit); i++) {
		if (i != pad && kit.pads[i].choke == group)
			pads |= PadMask(1) << i;
	}
	return pads;
}

float LevelGain(float levelDb)
{
	if (std::isnan(levelDb) || levelDb == 0)
		return 1;
	if (levelDb < kMinPadLevel)
		return 0;
	if (levelDb > kMaxPadLevel)
		levelDb = kMaxPadLevel;
	return float(std::pow(10.0, double(levelDb) / 20.0));
}

StereoGain PanGains(float pan)
{
	if (std::isnan(pan))
		return {1, 1};
	if (pan < -1)
		pan = -1;
	if (pan > 1)
		pan = 1;
	return {pan > 0 ? 1 - pan : 1, pan < 0 ? 1 + pan : 1};
}

StereoGain PadGains(const Pad& pad)
{
	const float level = LevelGain(pad.level);
	const StereoGain pan = PanGains(pad.pan);
	return {level * pan.left, level * pan.right};
}
