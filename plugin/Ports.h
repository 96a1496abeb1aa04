// The plugin's ports, in the order of the bundle's description (tunk.ttl), and how the
// control ports map onto a sound's parameters. The control symbols are the parameter names
// of `tunk-render --set`, so an automation lane and a command line name a parameter alike.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>

#include "engine/core/Params.h"
#include "engine/voices/Player.h"

namespace tunk::lv2 {

// Hosts save sessions by port index, so a port never moves: the table's first thirteen
// parameters in the order the plugin first had them, the plugin's own controls, then every
// parameter added to the table since, in table order.
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
	kPortNoteOff,
	kPortRetrigger,
	kPortLatency,
	kFirstAppendedPort
};

// The thirteen sound ports the plugin first had; velocity only scales the voices.
constexpr uint32_t kFirstSoundPort = kPortStartFreq;
constexpr uint32_t kLastSoundPort = kPortFilterEnabled;

constexpr const char* kSoundPortSymbols[] = {"startFreq", "duration", "amplitude", "oscType",
    "freqEnvelope", "ampEnvelope", "distortion", "filterCutoff", "filterQ", "freqEnvEnabled",
    "ampEnvEnabled", "distortionEnabled", "filterEnabled"};
constexpr uint32_t kSoundPortCount = kLastSoundPort - kFirstSoundPort + 1;
static_assert(std::size(kSoundPortSymbols) == kSoundPortCount);
static_assert(kSoundPortCount <= kParamCount);

// The parameter of each of those ports, found by its symbol: they keep the order hosts
// saved them in, which is not the table's.
constexpr auto kSoundPortParams = [] {
	std::array<Param, kSoundPortCount> params{};
	for (uint32_t i = 0; i < kSoundPortCount; i++)
		params[i] = FindParam(kSoundPortSymbols[i]).value_or(Param::count);
	return params;
}();
// They are the table's first rows, each once, so that every later row is an appended port.
static_assert(
    [] {
	    bool taken[kSoundPortCount] = {};
	    for (Param param : kSoundPortParams) {
		    if (size_t(param) >= kSoundPortCount || taken[size_t(param)])
			    return false;
		    taken[size_t(param)] = true;
	    }
	    return true;
    }(),
    "every port symbol names a different one of the table's first parameters");

// A control of the plugin's own that came after the appended parameter ports takes the next
// index then, and the rows the table gains later come after it, so that no index moves: key
// tracking came with the rows up to varNoise.
constexpr size_t kRowsBeforeKeyTrack = size_t(Param::varNoise) + 1;
static_assert(kRowsBeforeKeyTrack <= kParamCount);
constexpr uint32_t kPortKeyTrack =
    kFirstAppendedPort + uint32_t(kRowsBeforeKeyTrack - kSoundPortCount);
constexpr uint32_t kPortCount = kFirstAppendedPort + uint32_t(kParamCount - kSoundPortCount) + 1;

// The port of a parameter.
constexpr uint32_t PortOf(Param param)
{
	for (uint32_t i = 0; i < kSoundPortCount; i++) {
		if (kSoundPortParams[i] == param)
			return kFirstSoundPort + i;
	}
	const uint32_t appended = kFirstAppendedPort + uint32_t(size_t(param) - kSoundPortCount);
	return size_t(param) < kRowsBeforeKeyTrack ? appended : appended + 1;
}

// The parameter of a port; none for MIDI, audio and the plugin's own controls.
constexpr std::optional<Param> ParamOf(uint32_t port)
{
	if (port >= kFirstSoundPort && port <= kLastSoundPort)
		return kSoundPortParams[port - kFirstSoundPort];
	if (port >= kFirstAppendedPort && port < kPortKeyTrack)
		return Param(kSoundPortCount + (port - kFirstAppendedPort));
	if (port > kPortKeyTrack && port < kPortCount)
		return Param(kSoundPortCount + (port - kFirstAppendedPort) - 1);
	return std::nullopt;
}

static_assert(
    [] {
	    for (Param param : AllParams())
		    if (ParamOf(PortOf(param)) != param || PortOf(param) >= kPortCount)
			    return false;
	    return true;
    }(),
    "each parameter has its own port");

// A control port of the plugin's own: how notes play, or what the plugin reports.
struct OwnControl {
	uint32_t port;
	const char* symbol;
	const char* name;
	const char* unit;
	int digits;
	ParamKind kind;
	float min, max, def;
	const char* comment;
	bool output = false;         // the plugin writes it
	bool reportsLatency = false; // the output's lag in frames
};
inline constexpr OwnControl kOwnControls[] = {
    {kPortVelocity, "velocity", "Velocity", "", 2, ParamKind::Number, 0, 1, 1,
        "How much a note's velocity scales its level: 0 plays every note at full level, 1 at "
        "velocity / 127."},
    {kPortNoteOff, "noteOff", "Note-off ends", "", 0, ParamKind::Switch, 0, 1, 0,
        "On: a note-off ends its note's voice with a short fade. Off: every note plays its whole "
        "sound."},
    {kPortRetrigger, "retrigger", "Retrigger", "", 0, ParamKind::Switch, 0, 1, 1,
        "On: a note ends, with a short fade, the voice still sounding on the same key and "
        "channel, as drum machines do."},
    {kPortLatency, "latency", "Latency", "", 0, ParamKind::Number, 0, 0, 0,
        "Frames by which the output lags the notes: none, at every sample rate.", true, true},
};
// The single-sound instrument's own controls that came after the parameters' ports (the kit
// has none of them).
inline constexpr OwnControl kLateControls[] = {
    {kPortKeyTrack, "keyTrack", "Key tracking", "", 0, ParamKind::Switch, 0, 1, 0,
        "On: note 60 plays the sound as it is and each semitone moves all its frequencies by a "
        "semitone, for toms and basses played as melodies. Off: every key plays the sound as it "
        "is."},
};
static_assert(
    [] {
	    for (uint32_t i = 0; i < std::size(kOwnControls); i++)
		    if (kOwnControls[i].port != kPortVelocity + i)
			    return false;
	    return kPortVelocity + std::size(kOwnControls) == kFirstAppendedPort;
    }(),
    "every port between the first sound ports and the appended ones is an own control, in order");

// The host rates the instruments accept; the filter and the resampler are designed for these.
constexpr double kMinRate = 8000;
constexpr double kMaxRate = 768000;
// MIDI messages that silence every voice: two controllers and the system reset.
constexpr uint8_t kAllSoundOff = 120;
constexpr uint8_t kAllNotesOff = 123;
constexpr uint8_t kSystemReset = 0xFF;

// What a MIDI message asks of the instruments: a note to start or end on a channel, every
// voice ended, or nothing they act on.
struct MidiRequest {
	enum Kind { kNothing, kNoteOn, kNoteOff, kAllOff };
	Kind kind = kNothing;
	int32_t channel = 0;
	int32_t note = 0;
	uint8_t velocity = 0;
};

// The request of a message of `size` bytes (at least 1). A note-on of velocity 0 is a
// note-off; All Sound Off, All Notes Off and the system reset end every voice.
constexpr MidiRequest ReadMidi(const uint8_t* midi, uint32_t size)
{
	MidiRequest request;
	if (midi[0] == kSystemReset) {
		request.kind = MidiRequest::kAllOff;
		return request;
	}
	if (size < 3)
		return request;
	const uint8_t status = midi[0] & 0xF0;
	request.channel = midi[0] & 0x0F;
	request.note = midi[1] & 0x7F;
	request.velocity = midi[2] & 0x7F;
	if (status == 0x90 && request.velocity > 0)
		request.kind = MidiRequest::kNoteOn;
	else if (status == 0x80 || status == 0x90)
		request.kind = MidiRequest::kNoteOff;
	else if (status == 0xB0 && (midi[1] == kAllSoundOff || midi[1] == kAllNotesOff))
		request.kind = MidiRequest::kAllOff;
	return request;
}

constexpr const char* kPluginUri = "urn:quillfeather:tunk";
// A factory sound's preset is kPresetUriPrefix + the slug of "Category Name", and a
// category's bank kBankUriPrefix + the category's slug (UriSlug): URIs a user can type in a
// host's console, which takes no percent signs.
constexpr const char* kPresetUriPrefix = "urn:quillfeather:tunk#preset-";
constexpr const char* kBankUriPrefix = "urn:quillfeather:tunk#bank-";

// The declared range and start value of an input control port, as tunk.ttl states them.
struct PortRange {
	float minimum;
	float maximum;
	float start;
};
// A parameter's port: the row's range, as the window, a kit and the command line take it.
PortRange RangeOf(const ParamInfo& info);
// Whether hosts show a parameter's port on a logarithmic scale: a logarithmic row whose range
// stays above 0. A host maps log(minimum) to the control's end, which 0 makes infinite, so a
// row reaching 0 (the start frequency) is linear there rather than cut off at its floor.
constexpr bool HostLogarithmic(const ParamInfo& info)
{
	return info.kind == ParamKind::Number && info.scale == ParamScale::Logarithmic && info.min > 0;
}
// For every input control port; {0, 0, 0} for any other port.
PortRange RangeOf(uint32_t port);
// A host's value kept within the port's declared range; a non-number gives the start value.
float Clamped(uint32_t port, float value);

// The sound the control ports describe; `values` holds one value per port index (only the
// parameters' entries are read). Numbers are clamped to their ports' ranges (Clamped); a
// choice is rounded to one of its codes and a switch is on above 0.
SoundParams ParamsFromPorts(const float* values);

} // namespace tunk::lv2
