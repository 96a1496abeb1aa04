#include "plugin/Ports.h"

#include <bit>
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

SoundParams ParamsFromPorts(const float* values)
{
	SoundParams params;
	params.startFreq = values[kPortStartFreq];
	params.duration = values[kPortDuration];
	params.amplitude = values[kPortAmplitude];
	params.oscType = OscTypeFromPort(values[kPortOscType]);
	params.freqEnvelope = values[kPortFreqEnvelope];
	params.ampEnvelope = values[kPortAmpEnvelope];
	params.distortion = values[kPortDistortion];
	params.filterCutoff = values[kPortFilterCutoff];
	params.filterQ = values[kPortFilterQ];
	params.freqEnvEnabled = values[kPortFreqEnvEnabled] > 0;
	params.ampEnvEnabled = values[kPortAmpEnvEnabled] > 0;
	params.distortionEnabled = values[kPortDistortionEnabled] > 0;
	params.filterEnabled = values[kPortFilterEnabled] > 0;
	return params;
}

float PortValue(const SoundParams& params, uint32_t port)
{
	switch (port) {
		case kPortStartFreq: return params.startFreq;
		case kPortDuration: return params.duration;
		case kPortAmplitude: return params.amplitude;
		case kPortOscType: return float(params.oscType);
		case kPortFreqEnvelope: return params.freqEnvelope;
		case kPortAmpEnvelope: return params.ampEnvelope;
		case kPortDistortion: return params.distortion;
		case kPortFilterCutoff: return params.filterCutoff;
		case kPortFilterQ: return params.filterQ;
		case kPortFreqEnvEnabled: return params.freqEnvEnabled ? 1.0f : 0.0f;
		case kPortAmpEnvEnabled: return params.ampEnvEnabled ? 1.0f : 0.0f;
		case kPortDistortionEnabled: return params.distortionEnabled ? 1.0f : 0.0f;
		case kPortFilterEnabled: return params.filterEnabled ? 1.0f : 0.0f;
		default: return 0;
	}
}

bool SameSound(const SoundParams& a, const SoundParams& b)
{
	auto same = [](float x, float y) {
		return std::bit_cast<uint32_t>(x) == std::bit_cast<uint32_t>(y);
	};
	return same(a.startFreq, b.startFreq) && same(a.duration, b.duration) &&
	       same(a.amplitude, b.amplitude) && same(a.freqEnvelope, b.freqEnvelope) &&
	       same(a.ampEnvelope, b.ampEnvelope) && same(a.distortion, b.distortion) &&
	       same(a.filterCutoff, b.filterCutoff) && same(a.filterQ, b.filterQ) &&
	       a.oscType == b.oscType && a.freqEnvEnabled == b.freqEnvEnabled &&
	       a.ampEnvEnabled == b.ampEnvEnabled && a.distortionEnabled == b.distortionEnabled &&
	       a.filterEnabled == b.filterEnabled;
}

} // namespace tunk::lv2
