// The parameters of a sound: one row per parameter (its name, how it is shown, its range and
// default) and a sound's values by index. The window's controls, the command line, the
// plugin's ports, the random sounds and the factory table all read these rows, so that a new
// parameter is one row here plus its sound. Also the fixed rates every part of the program
// shares.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tunk {

// The one sample rate of generation, filter design, playback and export.
constexpr int32_t kSampleRate = 44100;
// Entries of one period in the wave and shape tables (each has one guard entry more).
constexpr int32_t kTableLength = 2048;

// Oscillator codes, the values of Param::oscType.
enum : int32_t { kOscSine = 1, kOscSquare = 2, kOscSaw = 3, kOscTriangle = 4 };

enum class ParamKind : uint8_t { Number, Switch, Choice };
enum class ParamScale : uint8_t { Linear, Logarithmic };
// The window's sections; new sections are appended.
enum class ParamGroup : uint8_t {
	Oscillator, PitchEnvelope, AmpEnvelope, Distortion, Filter, Noise, Velocity, Variation
};

// One row per section, in ParamGroup order: the names the plugin's port groups carry.
struct ParamGroupInfo {
	ParamGroup id;
	const char* symbol; // never renamed: hosts may keep it
	const char* label;
};
inline constexpr ParamGroupInfo kParamGroups[] = {
    {ParamGroup::Oscillator, "oscillator", "Oscillator"},
    {ParamGroup::PitchEnvelope, "pitch_envelope", "Pitch envelope"},
    {ParamGroup::AmpEnvelope, "amp_envelope", "Amplitude envelope"},
    {ParamGroup::Distortion, "distortion", "Distortion"},
    {ParamGroup::Filter, "filter", "Filter"},
    {ParamGroup::Noise, "noise", "Noise"},
    {ParamGroup::Velocity, "velocity_response", "Velocity"},
    {ParamGroup::Variation, "hit_variation", "Variation"},
};

// One entry per parameter, in table order. New parameters are appended, so that the order
// of values and of the plugin's appended ports never changes.
enum class Param : uint16_t {
	startFreq,
	duration,
	amplitude,
	freqEnvelope,
	ampEnvelope,
	distortion,
	filterCutoff,
	filterQ,
	oscType,
	freqEnvEnabled,
	ampEnvEnabled,
	distortionEnabled,
	filterEnabled,
	endFreq,
	attack,
	hold,
	osc2Level,
	osc2Ratio,
	noiseLevel,
	noiseType,
	noiseTune,
	noiseDecay,
	noiseCurve,
	noiseFilter,
	noiseCutoff,
	noiseQ,
	clapCount,
	clapSpacing,
	noiseSeed,
	filterType,
	metalMix,
	clapTail,
	noiseGain,
	velCurve,
	velPitch,
	velDecay,
	velBright,
	velNoise,
	varPitch,
	varDecay,
	varLevel,
	varNoise,
	count
};
inline constexpr size_t kParamCount = size_t(Param::count);

struct ParamInfo {
	Param id;           // its own index: row i has id i
	const char* symbol; // the --set name and the plugin's port symbol; never renamed
	const char* label;  // what the window (its undo steps too) and the plugin show
	const char* unit;   // "Hz", "ms", or "" for a plain number
	ParamKind kind;
	std::span<const char* const> choices; // Choice only: the labels of codes min..max
	float min, max, def;                  // the window's range and a new sound's value
	ParamScale scale;
	ParamGroup group;
	int since;           // the preset format version that introduced it: 1 for the first thirteen
	int digits;          // decimals shown
	const char* comment; // one sentence for help texts and the plugin's description
	// The parameter that must be on (not 0) for this one to be heard: the end pitch needs the
	// pitch envelope, the noise's settings its level. Param::count for none.
	Param gate = Param::count;
};

inline constexpr const char* kOscChoices[] = {"Sine", "Square", "Saw", "Triangle"};
inline constexpr const char* kNoiseChoices[] = {"White", "Pink", "Metal"};
// The one choice whose codes start at 0: no filter.
inline constexpr const char* kNoiseFilterChoices[] = {"Off", "Low-pass", "Band-pass", "High-pass"};
inline constexpr const char* kFilterChoices[] = {"Low-pass", "Band-pass", "High-pass"};

inline constexpr ParamInfo kParams[kParamCount] = {
    {Param::startFreq, "startFreq", "Frequency", "Hz", ParamKind::Number, {}, 0, 4000, 1000,
        ParamScale::Logarithmic, ParamGroup::Oscillator, 1, 0,
        "Pitch at the start of the sound; negative runs the oscillator backwards."},
    {Param::duration, "duration", "Duration", "ms", ParamKind::Number, {}, 0, 3000, 200,
        ParamScale::Linear, ParamGroup::Oscillator, 1, 0, "Length of the sound."},
    {Param::amplitude, "amplitude", "Amplitude", "", ParamKind::Number, {}, 0, 1, 0.95f,
        ParamScale::Linear, ParamGroup::Oscillator, 1, 2,
        "Level of the oscillator before the stages, 1 for full scale."},
    {Param::freqEnvelope, "freqEnvelope", "Freq Curve", "", ParamKind::Number, {}, -50, 50, 1,
        ParamScale::Linear, ParamGroup::PitchEnvelope, 1, 2,
        "Curve of the pitch drop: negative falls fast then slowly, positive the other way."},
    {Param::ampEnvelope, "ampEnvelope", "Amp Curve", "", ParamKind::Number, {}, -50, 50, 1,
        ParamScale::Linear, ParamGroup::AmpEnvelope, 1, 2,
        "Curve of the decay: negative falls fast then slowly, positive the other way."},
    {Param::distortion, "distortion", "Distortion", "", ParamKind::Number, {}, 1, 10, 1,
        ParamScale::Linear, ParamGroup::Distortion, 1, 0, "Drive into the tanh shaper."},
    {Param::filterCutoff, "filterCutoff", "Cutoff", "Hz", ParamKind::Number, {}, 20, 20000, 5000,
        ParamScale::Logarithmic, ParamGroup::Filter, 1, 0, "Cutoff of the low-pass filter."},
    {Param::filterQ, "filterQ", "Resonance", "", ParamKind::Number, {}, 0.1f, 4, 1,
        ParamScale::Linear, ParamGroup::Filter, 1, 2, "Resonance (Q) of the low-pass filter."},
    {Param::oscType, "oscType", "Oscillator", "", ParamKind::Choice, kOscChoices, 1, 4, kOscSine,
        ParamScale::Linear, ParamGroup::Oscillator, 1, 0, "Waveform of the oscillator."},
    {Param::freqEnvEnabled, "freqEnvEnabled", "Freq Envelope Switch", "", ParamKind::Switch, {}, 0,
        1, 0, ParamScale::Linear, ParamGroup::PitchEnvelope, 1, 0,
        "Whether the pitch falls along its curve."},
    {Param::ampEnvEnabled, "ampEnvEnabled", "Amp Envelope Switch", "", ParamKind::Switch, {}, 0, 1,
        0, ParamScale::Linear, ParamGroup::AmpEnvelope, 1, 0,
        "Whether the level decays along its curve."},
    {Param::distortionEnabled, "distortionEnabled", "Distortion Switch", "", ParamKind::Switch, {},
        0, 1, 0, ParamScale::Linear, ParamGroup::Distortion, 1, 0, "Whether the shaper is on."},
    {Param::filterEnabled, "filterEnabled", "Filter Switch", "", ParamKind::Switch, {}, 0, 1, 0,
        ParamScale::Linear, ParamGroup::Filter, 1, 0, "Whether the low-pass filter is on."},
    {Param::endFreq, "endFreq", "End Freq", "Hz", ParamKind::Number, {}, 0, 20000, 0,
        ParamScale::Linear, ParamGroup::PitchEnvelope, 2, 0,
        "Frequency the pitch envelope falls to; 0 falls all the way.",
        Param::freqEnvEnabled},
    {Param::attack, "attack", "Attack", "ms", ParamKind::Number, {}, 0, 100, 0,
        ParamScale::Linear, ParamGroup::AmpEnvelope, 2, 1,
        "Linear rise of the tone from silence at the start, with or without the decay."},
    {Param::hold, "hold", "Hold", "ms", ParamKind::Number, {}, 0, 1000, 0, ParamScale::Linear,
        ParamGroup::AmpEnvelope, 2, 0,
        "Time at full level after the attack before the decay curve begins.",
        Param::ampEnvEnabled},
    {Param::osc2Level, "osc2Level", "Tone 2 Level", "", ParamKind::Number, {}, 0, 1, 0,
        ParamScale::Linear, ParamGroup::Oscillator, 2, 2,
        "Level of a second tone of the same waveform, 0 for none."},
    {Param::osc2Ratio, "osc2Ratio", "Tone 2 Ratio", "", ParamKind::Number, {}, 0.25f, 8, 1.5f,
        ParamScale::Logarithmic, ParamGroup::Oscillator, 2, 3,
        "Pitch of the second tone as a multiple of the first's; it follows both envelopes.",
        Param::osc2Level},
    {Param::noiseLevel, "noiseLevel", "Noise Level", "", ParamKind::Number, {}, 0, 1, 0,
        ParamScale::Linear, ParamGroup::Noise, 2, 2,
        "Level of the noise layer, mixed after the tone's filter; 0 is off."},
    {Param::noiseType, "noiseType", "Noise Type", "", ParamKind::Choice, kNoiseChoices, 1, 3, 1,
        ParamScale::Linear, ParamGroup::Noise, 2, 0,
        "White or pink noise, or metal: six square waves at inharmonic ratios of the tune.",
        Param::noiseLevel},
    {Param::noiseTune, "noiseTune", "Noise Tune", "Hz", ParamKind::Number, {}, 100, 2000, 540,
        ParamScale::Logarithmic, ParamGroup::Noise, 2, 0,
        "Pitch of the metal noise's square waves.",
        Param::noiseLevel},
    {Param::noiseDecay, "noiseDecay", "Noise Decay", "ms", ParamKind::Number, {}, 1, 10000, 200,
        ParamScale::Logarithmic, ParamGroup::Noise, 2, 0,
        "Time the noise takes to fall to silence; it also ends with the sound.",
        Param::noiseLevel},
    {Param::noiseCurve, "noiseCurve", "Noise Curve", "", ParamKind::Number, {}, -50, 50, 1,
        ParamScale::Linear, ParamGroup::Noise, 2, 2,
        "Curve of the noise's decay, as the amplitude envelope's curve.",
        Param::noiseLevel},
    {Param::noiseFilter, "noiseFilter", "Noise Filter", "", ParamKind::Choice, kNoiseFilterChoices,
        0, 3, 0, ParamScale::Linear, ParamGroup::Noise, 2, 0,
        "The noise layer's own 24 dB/octave filter: off, low-pass, band-pass or high-pass.",
        Param::noiseLevel},
    {Param::noiseCutoff, "noiseCutoff", "Noise Cutoff", "Hz", ParamKind::Number, {}, 20, 20000,
        5000, ParamScale::Logarithmic, ParamGroup::Noise, 2, 0,
        "Cutoff (or centre) of the noise's filter.",
        Param::noiseLevel},
    {Param::noiseQ, "noiseQ", "Noise Resonance", "", ParamKind::Number, {}, 0.5f, 10, 1,
        ParamScale::Logarithmic, ParamGroup::Noise, 2, 2, "Resonance (Q) of the noise's filter.",
        Param::noiseLevel},
    {Param::clapCount, "clapCount", "Claps", "", ParamKind::Number, {}, 1, 8, 1,
        ParamScale::Linear, ParamGroup::Noise, 2, 0,
        "Bursts of the noise envelope, as the hands of a clap; the last decays fully.",
        Param::noiseLevel},
    {Param::clapSpacing, "clapSpacing", "Clap Spacing", "ms", ParamKind::Number, {}, 1, 50, 10,
        ParamScale::Linear, ParamGroup::Noise, 2, 1, "Time between the starts of the bursts.",
        Param::noiseLevel},
    {Param::noiseSeed, "noiseSeed", "Noise Seed", "", ParamKind::Number, {}, 0, 65535, 1,
        ParamScale::Linear, ParamGroup::Noise, 2, 0,
        "Start of the noise generator: the same seed gives the same noise at every render.",
        Param::noiseLevel},
    {Param::filterType, "filterType", "Filter Type", "", ParamKind::Choice, kFilterChoices, 1, 3,
        1, ParamScale::Linear, ParamGroup::Filter, 2, 0,
        "Response of the tone's 24 dB/octave filter: low-pass, band-pass or high-pass.",
        Param::filterEnabled},
    {Param::metalMix, "metalMix", "Metal Mix", "", ParamKind::Number, {}, 0, 1, 0,
        ParamScale::Linear, ParamGroup::Noise, 3, 2,
        "Share of the metal's square waves in white or pink noise, for hats and cymbals "
        "that ring and hiss at once.",
        Param::noiseLevel},
    {Param::clapTail, "clapTail", "Clap Tail", "ms", ParamKind::Number, {}, 0, 3000, 0,
        ParamScale::Linear, ParamGroup::Noise, 3, 0,
        "Fall of the last burst, as a room's tail after sharp claps; 0 falls as the others.",
        Param::noiseLevel},
    {Param::noiseGain, "noiseGain", "Noise Gain", "dB", ParamKind::Number, {}, 0, 24, 0,
        ParamScale::Linear, ParamGroup::Noise, 3, 1,
        "Gain of the noise after its filter, so that a filtered noise can reach full scale.",
        Param::noiseLevel},
    // How a note plays the sound (engine/core/Hit.h): the renderers never read these rows.
    {Param::velCurve, "velCurve", "Vel Curve", "", ParamKind::Number, {}, 0, 4, 1,
        ParamScale::Linear, ParamGroup::Velocity, 4, 2,
        "Level of a note: its velocity / 127 raised to this power; 0 plays every note at full "
        "level."},
    {Param::velPitch, "velPitch", "Vel Pitch", "st", ParamKind::Number, {}, -24, 24, 0,
        ParamScale::Linear, ParamGroup::Velocity, 4, 1,
        "Semitones the start pitch moves at the softest note, less as notes get louder; the "
        "end pitch stays, so the fall's depth follows."},
    {Param::velDecay, "velDecay", "Vel Decay", "%", ParamKind::Number, {}, -90, 100, 0,
        ParamScale::Linear, ParamGroup::Velocity, 4, 0,
        "Change of the tone's and the noise's lengths at the softest note: -50 halves them."},
    {Param::velBright, "velBright", "Vel Brightness", "oct", ParamKind::Number, {}, -4, 4, 0,
        ParamScale::Linear, ParamGroup::Velocity, 4, 1,
        "Octaves the tone's and the noise's cutoffs move at the softest note; negative is "
        "darker."},
    {Param::velNoise, "velNoise", "Vel Noise", "%", ParamKind::Number, {}, -100, 100, 0,
        ParamScale::Linear, ParamGroup::Velocity, 4, 0,
        "Change of the noise's level against the tone at the softest note.",
        Param::noiseLevel},
    {Param::varPitch, "varPitch", "Pitch Variation", "cents", ParamKind::Number, {}, 0, 100, 0,
        ParamScale::Linear, ParamGroup::Variation, 4, 0,
        "How far each hit's pitches may move at random, up or down."},
    {Param::varDecay, "varDecay", "Decay Variation", "%", ParamKind::Number, {}, 0, 50, 0,
        ParamScale::Linear, ParamGroup::Variation, 4, 0,
        "How far each hit's lengths may move at random, longer or shorter."},
    {Param::varLevel, "varLevel", "Level Variation", "dB", ParamKind::Number, {}, 0, 6, 0,
        ParamScale::Linear, ParamGroup::Variation, 4, 1,
        "How far each hit's level may move at random, up or down."},
    {Param::varNoise, "varNoise", "Noise per Hit", "", ParamKind::Switch, {}, 0, 1, 0,
        ParamScale::Linear, ParamGroup::Variation, 4, 0,
        "Whether each hit starts its noise from a seed of its own.", Param::noiseLevel},
};
static_assert(
    [] {
	    for (size_t i = 0; i < kParamCount; i++)
		    if (size_t(kParams[i].id) != i)
			    return false;
	    return true;
    }(),
    "each row of kParams sits at its own index");

static_assert(
    [] {
	    for (size_t i = 0; i < std::size(kParamGroups); i++)
		    if (size_t(kParamGroups[i].id) != i)
			    return false;
	    for (const ParamInfo& info : kParams)
		    if (size_t(info.group) >= std::size(kParamGroups))
			    return false;
	    return true;
    }(),
    "each section has its row in kParamGroups, at its own index");

constexpr const ParamInfo& Info(Param p)
{
	return kParams[size_t(p)];
}

// The newest preset format version among the rows: the one this program writes.
constexpr int NewestSince()
{
	int newest = 1;
	for (const ParamInfo& info : kParams)
		newest = info.since > newest ? info.since : newest;
	return newest;
}

constexpr const ParamGroupInfo& GroupInfo(ParamGroup group)
{
	return kParamGroups[size_t(group)];
}

// Every parameter in table order, for range-for.
constexpr auto AllParams()
{
	std::array<Param, kParamCount> all{};
	for (size_t i = 0; i < kParamCount; i++)
		all[i] = Param(i);
	return all;
}

// The parameter called `symbol`, exactly as written.
constexpr std::optional<Param> FindParam(std::string_view symbol)
{
	for (const ParamInfo& info : kParams) {
		if (symbol == info.symbol)
			return info.id;
	}
	return std::nullopt;
}

// The smallest step the row shows: 1 for whole numbers, 0.01 for two decimals.
constexpr float ShownStep(const ParamInfo& info)
{
	// One division by an exact power of ten, so that 0.01 is the float nearest to it.
	float scale = 1;
	for (int i = 0; i < info.digits; i++)
		scale *= 10;
	return 1 / scale;
}

// Where the row's logarithmic scale starts: its minimum, or for a minimum of 0 or below
// (which no log scale reaches) the smallest positive value it shows.
constexpr float ScaleFloor(const ParamInfo& info)
{
	return info.min > 0 ? info.min : ShownStep(info);
}

// The waveform's code held by an oscillator value; 0 (no waveform) for a value that is no
// whole number within int32_t, whose conversion would not be defined.
constexpr int32_t OscCode(float value)
{
	if (!(value >= -2147483648.0f && value < 2147483648.0f))
		return 0;
	const int32_t code = int32_t(value);
	return float(code) == value ? code : 0;
}

constexpr std::array<float, kParamCount> DefaultValues()
{
	std::array<float, kParamCount> values{};
	for (size_t i = 0; i < kParamCount; i++)
		values[i] = kParams[i].def;
	return values;
}

// A sound's values by index. Switches hold exactly 0 or 1 (files and ports normalise at
// their edge); the oscillator holds its code, and a code outside 1..4 read from a file is
// kept as read (it plays as a fresh engine's sine). A new sound holds the defaults.
struct SoundParams {
	std::array<float, kParamCount> values = DefaultValues();

	constexpr float operator[](Param p) const { return values[size_t(p)]; }
	constexpr float& operator[](Param p) { return values[size_t(p)]; }
	// A switch is on.
	constexpr bool On(Param p) const { return values[size_t(p)] != 0; }

	bool operator==(const SoundParams&) const = default;
};

// Whether a row says how a note plays the sound (its velocity, its hit's variation) rather
// than what the sound is: a render of the sound itself never reads it.
constexpr bool ShapesHits(const ParamInfo& info)
{
	return info.group == ParamGroup::Velocity || info.group == ParamGroup::Variation;
}

// Whether the value of `p` can be heard: its gate is on and it is not its default (a
// non-number counts as moved). The first engine plays every sound whose added values are
// all unheard.
constexpr bool Moved(const SoundParams& params, Param p)
{
	const ParamInfo& info = Info(p);
	return (info.gate == Param::count || params.On(info.gate)) && !(params[p] == info.def);
}

// Whether two parameter sets are the same bit for bit: unlike ==, a non-number equals
// itself and 0 differs from -0, so that a changed sign of zero still counts as a change.
constexpr bool SameBits(const SoundParams& a, const SoundParams& b)
{
	for (size_t i = 0; i < kParamCount; i++) {
		if (std::bit_cast<uint32_t>(a.values[i]) != std::bit_cast<uint32_t>(b.values[i]))
			return false;
	}
	return true;
}

} // namespace tunk
