#include "plugin/Ports.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace tunk::lv2 {

namespace {

// A choice's code from its row's first to its last, rounded.
float ChoiceFromPort(float value, const ParamInfo& info)
{
	// Also catches a non-number, whose conversion to an integer would not be defined.
	if (!(value >= info.min + 0.5f))
		return info.min;
	if (value >= info.max - 0.5f)
		return info.max;
	return float(std::lround(value));
}

} // namespace

PortRange RangeOf(const ParamInfo& info)
{
	return {info.min, info.max, info.def};
}

PortRange RangeOf(uint32_t port)
{
	if (std::optional<Param> param = ParamOf(port))
		return RangeOf(Info(*param));
	for (std::span<const OwnControl> controls :
	    {std::span<const OwnControl>(kOwnControls), std::span<const OwnControl>(kLateControls)}) {
		for (const OwnControl& own : controls) {
			if (own.port == port && !own.output)
				return {own.min, own.max, own.def};
		}
	}
	return {0, 0, 0};
}

float Clamped(uint32_t port, float value)
{
	const PortRange range = RangeOf(port);
	if (std::isnan(value))
		return range.start;
	// A waveform code of no waveform plays the start sound's sine, as a preset with that
	// code plays in the window and in tunk-render; clamping would make 7 a triangle.
	if (port == kPortOscType && !(value >= range.minimum - 0.5f && value < range.maximum + 0.5f))
		return range.start;
	return std::clamp(value, range.minimum, range.maximum);
}

SoundParams ParamsFromPorts(const float* values)
{
	SoundParams params;
	for (const ParamInfo& info : kParams) {
		const uint32_t port = PortOf(info.id);
		const float value = Clamped(port, values[port]);
		switch (info.kind) {
			case ParamKind::Number: params[info.id] = value; break;
			case ParamKind::Choice:
				params[info.id] = ChoiceFromPort(value, info);
				break;
			case ParamKind::Switch: params[info.id] = value > 0 ? 1.0f : 0.0f; break;
		}
	}
	return params;
}

} // namespace tunk::lv2
