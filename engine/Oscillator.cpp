#include "engine/TunkSound.h"
#include "engine/core/Dsp.h"

void TunkSound::GenerateWaveTable()
{
	// An unknown code plays the sine, as in every other player of the preset.
	generator.BuildWaveTable();
}

float TunkSound::Oscillator(float increment, float* phase) const
{
	float position = *phase;
	if (!(position >= 0 && position < float(tunk::kTableLength)))
		position = tunk::dsp::WrapPhase(position);
	float value = tunk::dsp::ReadTable(generator.WaveTable(), position);
	*phase = tunk::dsp::WrapPhase(position + increment);
	return value;
}
