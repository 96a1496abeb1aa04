#include "plugin/Ports.h"

#include <algorithm>
#include <cmath>

namespace tunk::lv2 {

namespace {

int32_t OscTypeFromPort(float value)
{
	// Also catches a non-number, whose conversion to an integer would not be defined.
	if (!(value >= 1.5f))
		return 1;
	if (value >= 3.5f)
		return 4;
	return int32_t(std::lround(value));
}

} // namespace

PortRange RangeOf(uint32_t port)
{
	const SoundParams start;
	switch (port) {
		case kPortStartFreq: return {kStartFreqRange.min, kStartFreqRange.max, start.startFreq};
		case kPortDuration: return {kDurationRange.min, kDurationRange.max, start.duration};
		case kPortAmplitude: return {kAmplitudeRange.min, kAmplitudeRange.max, start.amplitude};
		case kPortOscType: return {float(kOscSine), float(kOscTriangle), float(start.oscType)};
		case kPortFreqEnvelope: return {kCurveRange.min, kCurveRange.max, start.freqEnvelope};
		case kPortAmpEnvelope: return {kCurveRange.min, kCurveRange.max, start.ampEnvelope};
		case kPortDistortion:
			return {kDistortionRange.min, kDistortionRange.max, start.distortion};
		case kPortFilterCutoff: return {kCutoffRange.min, kCutoffRange.max, start.filterCutoff};
		case kPortFilterQ: return {kQRange.min, kQRange.max, start.filterQ};
		case kPortFreqEnvEnabled:
		case kPortAmpEnvEnabled:
		case kPortDistortionEnabled:
		case kPortFilterEnabled:
		case kPortNoteOff: return {0, 1, 0};
		case kPortVelocity:
		case kPortRetrigger: return {0, 1, 1};
		default: return {0, 0, 0};
	}
}

float Clamped(uint32_t port, float value)
{
	const PortRange range = RangeOf(port);
	if (std::isnan(value))
		return range.start;
	return std::clamp(value, range.minimum, range.maximum);
}

SoundParams ParamsFromPorts(const float* values)
{
	SoundParams params;
	for (uint32_t i = 0; i < kSoundPortCount; i++) {
		const SoundParamField& field = kSoundParamFields[kSoundPortFields[i]];
		const float value = Clamped(kFirstSoundPort + i, values[kFirstSoundPort + i]);
		switch (field.kind) {
			case SoundParamField::Kind::Number: params.*field.number = value; break;
			case SoundParamField::Kind::Integer: params.*field.integer = OscTypeFromPort(value); break;
			case SoundParamField::Kind::Flag: params.*field.flag = value > 0; break;
		}
	}
	return params;
}

float PortValue(const SoundParams& params, uint32_t port)
{
	if (port < kFirstSoundPort || port > kLastSoundPort)
		return 0;
	const SoundParamField& field = kSoundParamFields[kSoundPortFields[port - kFirstSoundPort]];
	switch (field.kind) {
		case SoundParamField::Kind::Number: return params.*field.number;
		case SoundParamField::Kind::Integer: return float(params.*field.integer);
		case SoundParamField::Kind::Flag: return params.*field.flag ? 1.0f : 0.0f;
	}
	return 0;
}

} // namespace tunk::lv2
