#include "plugin/Ports.h"

#include <algorithm>
#include <cmath>

namespace tunk::lv2 {

namespace {

// A choice's code 1..count, rounded.
float ChoiceFromPort(float value, size_t count)
{
	// Also catches a non-number, whose conversion to an integer would not be defined.
	if (!(value >= 1.5f))
		return 1;
	if (value >= float(count) - 0.5f)
		return float(count);
	return float(std::lround(value));
}

} // namespace

PortRange RangeOf(uint32_t port)
{
	if (port >= kFirstSoundPort && port <= kLastSoundPort) {
		const ParamInfo& info = Info(kSoundPortParams[port - kFirstSoundPort]);
		return {info.min, info.max, info.def};
	}
	switch (port) {
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
		const Param param = kSoundPortParams[i];
		const float value = Clamped(kFirstSoundPort + i, values[kFirstSoundPort + i]);
		switch (Info(param).kind) {
			case ParamKind::Number: params[param] = value; break;
			case ParamKind::Choice:
				params[param] = ChoiceFromPort(value, Info(param).choices.size());
				break;
			case ParamKind::Switch: params[param] = value > 0 ? 1.0f : 0.0f; break;
		}
	}
	return params;
}

float PortValue(const SoundParams& params, uint32_t port)
{
	if (port < kFirstSoundPort || port > kLastSoundPort)
		return 0;
	return params[kSoundPortParams[port - kFirstSoundPort]];
}

} // namespace tunk::lv2
