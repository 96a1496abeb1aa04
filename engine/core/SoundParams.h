// The parameters of one sound, with the default sound as their initial values, and the
// fixed rates every part of the program shares.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace tunk {

// The one sample rate of generation, filter design, playback and export.
constexpr int32_t kSampleRate = 44100;
// Entries of one period in the wave and shape tables (each has one guard entry more).
constexpr int32_t kTableLength = 2048;

// Oscillator codes of SoundParams::oscType.
enum : int32_t { kOscSine = 1, kOscSquare = 2, kOscSaw = 3, kOscTriangle = 4 };

// What the window's controls offer for each parameter (the curves: what their views reach).
// The plugin's ports and the random sounds keep within the same bounds.
struct ParamRange {
	float min;
	float max;
};
constexpr ParamRange kStartFreqRange{0, 4000};  // Hz
constexpr ParamRange kDurationRange{0, 3000};   // ms
constexpr ParamRange kAmplitudeRange{0, 1};
constexpr ParamRange kCurveRange{-50, 50};
constexpr ParamRange kDistortionRange{1, 10};
constexpr ParamRange kCutoffRange{20, 20000};  // Hz
constexpr ParamRange kQRange{0.1f, 4};

// A new sound: sine at 1000 Hz for 200 ms at amplitude 0.95, curves and drive 1, cutoff
// 5000 Hz with resonance 1, every section off.
struct SoundParams {
	float startFreq = 1000;     // Hz; negative runs the oscillator backwards
	float duration = 200;       // ms
	float amplitude = 0.95f;
	float freqEnvelope = 1;     // curve of the pitch drop
	float ampEnvelope = 1;      // curve of the decay
	float distortion = 1;       // drive of the tanh shaper
	float filterCutoff = 5000;  // Hz
	float filterQ = 1;
	int32_t oscType = kOscSine;
	bool freqEnvEnabled = false;
	bool ampEnvEnabled = false;
	bool distortionEnabled = false;
	bool filterEnabled = false;

	bool operator==(const SoundParams&) const = default;
};

// One parameter of a sound: its name (the `tunk-render --set` name and the plugin's port
// symbol) and its member, a number, the oscillator's code or a section's switch.
struct SoundParamField {
	enum class Kind { Number, Integer, Flag };

	constexpr SoundParamField(const char* name, float SoundParams::*member)
		: name(name), kind(Kind::Number), number(member) {}
	constexpr SoundParamField(const char* name, int32_t SoundParams::*member)
		: name(name), kind(Kind::Integer), integer(member) {}
	constexpr SoundParamField(const char* name, bool SoundParams::*member)
		: name(name), kind(Kind::Flag), flag(member) {}

	const char* name;
	Kind kind;
	float SoundParams::*number = nullptr;
	int32_t SoundParams::*integer = nullptr;
	bool SoundParams::*flag = nullptr;
};

// Every parameter once, in the order of SoundParams.
inline constexpr SoundParamField kSoundParamFields[] = {
	{"startFreq", &SoundParams::startFreq},
	{"duration", &SoundParams::duration},
	{"amplitude", &SoundParams::amplitude},
	{"freqEnvelope", &SoundParams::freqEnvelope},
	{"ampEnvelope", &SoundParams::ampEnvelope},
	{"distortion", &SoundParams::distortion},
	{"filterCutoff", &SoundParams::filterCutoff},
	{"filterQ", &SoundParams::filterQ},
	{"oscType", &SoundParams::oscType},
	{"freqEnvEnabled", &SoundParams::freqEnvEnabled},
	{"ampEnvEnabled", &SoundParams::ampEnvEnabled},
	{"distortionEnabled", &SoundParams::distortionEnabled},
	{"filterEnabled", &SoundParams::filterEnabled},
};
inline constexpr size_t kSoundParamCount = std::size(kSoundParamFields);
static_assert(sizeof(SoundParams) == 8 * sizeof(float) + sizeof(int32_t) + 4 * sizeof(bool),
	"a member of SoundParams is missing from kSoundParamFields");

// The index of the parameter called `name` in kSoundParamFields; kSoundParamCount for none.
constexpr size_t FindSoundParamField(std::string_view name)
{
	for (size_t i = 0; i < kSoundParamCount; i++) {
		if (name == kSoundParamFields[i].name)
			return i;
	}
	return kSoundParamCount;
}

// Whether two parameter sets are the same bit for bit: unlike ==, a non-number equals
// itself and 0 differs from -0, so that a changed sign of zero still counts as a change.
constexpr bool SameBits(const SoundParams& a, const SoundParams& b)
{
	for (const SoundParamField& field : kSoundParamFields) {
		switch (field.kind) {
			case SoundParamField::Kind::Number:
				if (std::bit_cast<uint32_t>(a.*field.number)
					!= std::bit_cast<uint32_t>(b.*field.number))
					return false;
				break;
			case SoundParamField::Kind::Integer:
				if (a.*field.integer != b.*field.integer)
					return false;
				break;
			case SoundParamField::Kind::Flag:
				if (a.*field.flag != b.*field.flag)
					return false;
				break;
		}
	}
	return true;
}

}  // namespace tunk
