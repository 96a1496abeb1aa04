// The plugin's ports, in the order of the bundle's description (tunk.ttl), and how the
// control ports map onto a sound's parameters. The control symbols are the parameter names
// of `tunk-render --set`, so an automation lane and a command line name a parameter alike.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "engine/core/Params.h"

namespace tunk::lv2 {

enum Port : uint32_t {
	kPortMidiIn = 0,
	kPortOut,
	kPortStartFreq,
	kPortDuration,
	kPortAmplitude,
	kPortOscType,
	kPortFreqEnvelope,
	kPortAmpEnvelope,
	kPortDistortion,
	kPortFilterCutoff,
	kPortFilterQ,
	kPortFreqEnvEnabled,
	kPortAmpEnvEnabled,
	kPortDistortionEnabled,
	kPortFilterEnabled,
	kPortVelocity,
	// Appended later: hosts keep the indices above.
	kPortNoteOff,
	kPortRetrigger,
	kPortLatency,
	kPortCount
};

// The control ports that make up the sound; velocity only scales the voices.
constexpr uint32_t kFirstSoundPort = kPortStartFreq;
constexpr uint32_t kLastSoundPort = kPortFilterEnabled;

constexpr const char* kSoundPortSymbols[] = {"startFreq", "duration", "amplitude", "oscType",
    "freqEnvelope", "ampEnvelope", "distortion", "filterCutoff", "filterQ", "freqEnvEnabled",
    "ampEnvEnabled", "distortionEnabled", "filterEnabled"};
constexpr uint32_t kSoundPortCount = kLastSoundPort - kFirstSoundPort + 1;
static_assert(std::size(kSoundPortSymbols) == kSoundPortCount);
static_assert(kSoundPortCount == kParamCount);

// The parameter of each sound port, found by its symbol: the ports keep the order hosts
// saved them in, which is not the table's.
constexpr auto kSoundPortParams = [] {
	std::array<Param, kSoundPortCount> params{};
	for (uint32_t i = 0; i < kSoundPortCount; i++)
		params[i] = FindParam(kSoundPortSymbols[i]).value_or(Param::count);
	return params;
}();
static_assert(
    [] {
	    bool taken[kParamCount] = {};
	    for (Param param : kSoundPortParams) {
		    if (param == Param::count || taken[size_t(param)])
			    return false;
		    taken[size_t(param)] = true;
	    }
	    return true;
    }(),
    "every port symbol names a different parameter");

constexpr const char* kPluginUri = "urn:quillfeather:tunk";
// A factory sound's preset is kPresetUriPrefix + "Category/Name", percent-encoded.
constexpr const char* kPresetUriPrefix = "urn:quillfeather:tunk:preset:";

// The declared range and start value of an input control port, as tunk.ttl states them.
struct PortRange {
	float minimum;
	float maximum;
	float start;
};
// For kFirstSoundPort ... kPortRetrigger; {0, 0, 0} for any other port.
PortRange RangeOf(uint32_t port);
// A host's value kept within the port's declared range; a non-number gives the start value.
float Clamped(uint32_t port, float value);

// The sound the control ports describe; `values` holds one value per port index (the MIDI
// and audio entries are not read). Numbers are clamped to their ports' ranges (Clamped);
// the waveform is rounded to 1..4 and a toggle is on above 0.
SoundParams ParamsFromPorts(const float* values);

// The value of a sound's control port, for presets: the inverse of ParamsFromPorts.
float PortValue(const SoundParams& params, uint32_t port);

} // namespace tunk::lv2
