#include "engine/core/Hit.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "engine/core/Render.h"

namespace tunk {

namespace {

uint64_t Mix(uint64_t x)
{
	// splitmix64's finaliser: every input bit reaches every output bit.
	x += 0x9e3779b97f4a7c15ull;
	x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
	x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
	return x ^ (x >> 31);
}

// The sound's own stream: a hat and a snare vary apart although they play the same hits.
uint64_t SoundKey(const SoundParams& sound, uint32_t seed)
{
	uint64_t key = Mix(seed);
	for (float value : sound.values)
		key = Mix(key ^ std::bit_cast<uint32_t>(value));
	return key;
}

// A number from -1 to 1, the `k`th of hit `hit`.
double Spread(uint64_t key, uint32_t hit, uint32_t k)
{
	const uint64_t bits = Mix(key ^ Mix((uint64_t(hit) << 8) | k));
	return double(bits >> 11) * (2.0 / 9007199254740992.0) - 1.0;
}

// The value times `factor`, leaving it exactly as it was for a factor of 1 (or one that is no
// number, from a row that is none).
void Scale(SoundParams& p, Param param, double factor)
{
	if (factor != 1.0 && std::isfinite(factor))
		p[param] = float(double(p[param]) * factor);
}

bool Set(const SoundParams& p, Param param)
{
	return !(p[param] == Info(param).def);
}

// A row's value where it plays: within the row's range, the default for no number.
double Played(const SoundParams& p, Param param)
{
	const ParamInfo& info = Info(param);
	return std::isnan(p[param]) ? info.def : std::clamp(p[param], info.min, info.max);
}

// The lengths times `factor`; a sound that could be generated stays within the longest one.
void ScaleLengths(SoundParams& p, double factor)
{
	const float longest = float(kMaxSampleCount / kSampleRate * 1000);
	const float duration = p[Param::duration];
	for (Param length : {Param::duration, Param::noiseDecay, Param::clapTail})
		Scale(p, length, factor);
	if (duration <= longest && p[Param::duration] > longest)
		p[Param::duration] = longest;
}

} // namespace

SoundParams Transposed(const SoundParams& sound, double semitones)
{
	SoundParams p = sound;
	const double ratio = std::exp2(semitones / 12.0);
	for (Param frequency : {Param::startFreq, Param::endFreq, Param::filterCutoff, Param::noiseTune,
	         Param::noiseCutoff})
		Scale(p, frequency, ratio);
	return p;
}

Hit HitOf(const SoundParams& sound, int32_t velocity, uint32_t hit, uint32_t seed)
{
	Hit out;
	out.params = sound;
	SoundParams& p = out.params;
	velocity = std::clamp(velocity, int32_t(1), kFullVelocity);
	const float linear = float(velocity) / 127.0f;
	out.level = sound[Param::velCurve] == 1.0f
	                ? linear
	                : float(std::pow(double(linear), Played(sound, Param::velCurve)));

	// 0 at full velocity, 1 at the softest note.
	const double soft = double(kFullVelocity - velocity) / double(kFullVelocity - 1);
	if (soft > 0) {
		if (Set(sound, Param::velPitch))
			Scale(p, Param::startFreq, std::exp2(Played(sound, Param::velPitch) * soft / 12.0));
		if (Set(sound, Param::velDecay))
			ScaleLengths(p, 1.0 + Played(sound, Param::velDecay) / 100.0 * soft);
		if (Set(sound, Param::velBright)) {
			const double factor = std::exp2(Played(sound, Param::velBright) * soft);
			Scale(p, Param::filterCutoff, factor);
			Scale(p, Param::noiseCutoff, factor);
		}
		if (Set(sound, Param::velNoise))
			Scale(p, Param::noiseLevel, 1.0 + Played(sound, Param::velNoise) / 100.0 * soft);
	}

	if (hit == 0)
		return out;
	const uint64_t key = SoundKey(sound, seed);
	if (Set(sound, Param::varPitch)) {
		const double factor =
		    std::exp2(Played(sound, Param::varPitch) * Spread(key, hit, 0) / 1200.0);
		for (Param pitch : {Param::startFreq, Param::endFreq, Param::noiseTune})
			Scale(p, pitch, factor);
	}
	if (Set(sound, Param::varDecay))
		ScaleLengths(p, 1.0 + Played(sound, Param::varDecay) / 100.0 * Spread(key, hit, 1));
	if (Set(sound, Param::varLevel))
		out.gain =
		    float(std::pow(10.0, Played(sound, Param::varLevel) * Spread(key, hit, 2) / 20.0));
	if (sound.On(Param::varNoise))
		p[Param::noiseSeed] = float(Mix(key ^ hit) % 65536);
	return out;
}

} // namespace tunk
