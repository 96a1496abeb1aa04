#include "plugin/Ports.h"

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
	for (uint32_t i = 0; i < kSoundPortCount; i++) {
		const SoundParamField& field = kSoundParamFields[kSoundPortFields[i]];
		const float value = values[kFirstSoundPort + i];
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
