// What the kit instrument plays: a kit with each pad's sound made whole at the host's rate,
// off the audio thread (the worker, or the host's thread that restores a state), so that a
// note costs the audio thread a pointer and a copy. The pads' names for hosts that show
// them on their notes.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "engine/voices/Player.h"
#include "kit/Kit.h"
#include "plugin/Resampler.h"

namespace tunk::lv2 {

struct KitSounds {
	Kit kit;
	std::string path;  // the kit file it was read from; empty for a state or a preset
	std::array<std::vector<float>, kMaxPads> pads;  // full scale 1.0, at the host's rate
	// The audio thread's, once the kit is replaced: frames its voices may still fade for, and
	// the kit replaced before it.
	int64_t fadeLeft = 0;
	KitSounds* retiredNext = nullptr;
};

// Makes every pad's sound through the voice the single-sound instrument plays, so that a
// pad sounds as that instrument would play its sound: at 44100 Hz (`kernel` null) the
// window's samples / 32768, at other rates through `kernel`. Allocates; pads beyond
// kMaxPads are left out.
std::unique_ptr<KitSounds> MakeKitSounds(Kit kit, const ResampleKernel* kernel);

// A voice playing one pad's sound, made beforehand.
class PadSource final : public voices::Source {
public:
	void Play(const std::vector<float>& samples)
	{
		fSamples = samples.data();
		fLength = samples.size();
		fAt = 0;
	}
	uint32_t Pull(float* out, uint32_t frames) override;

private:
	const float* fSamples = nullptr;
	size_t fLength = 0;
	size_t fAt = 0;
};

// The name hosts show on each note a pad plays: the pad's name (its General MIDI name, or
// "Pad N", when it has none), pads sharing a note joined by " + "; "" for a note no pad
// plays.
std::string NoteName(const Kit& kit, int note);

// A MIDNAM document (the MIDI Manufacturers Association's note names) naming the kit's
// notes on every channel, for the device `model`.
std::string MidnamDocument(const Kit& kit, const std::string& model);

} // namespace tunk::lv2
