#include <cmath>

#include "engine/Dsp.h"
#include "engine/TunkSound.h"

void TunkSound::GenerateWaveTable()
{
	switch (oscType) {
		case 1:
			for (int32 i = 0; i < kTableSize; i++) {
				// The angle is formed in float, the sine taken in double.
				float angle = float(double(i) * (2.0 * M_PI));
				angle = angle / 2048.0f;
				waveTable[i] = float(std::sin(double(angle)));
			}
			break;
		case 2:
			for (int32 i = 0; i < kTableSize; i++)
				waveTable[i] = i < kTableSize / 2 ? 1.0f : -1.0f;
			break;
		case 3: {
			// A running sum of exact steps: +1.0 is reached once, at entry 1024.
			double value = 0;
			const double step = 1.0 / 1024.0;
			for (int32 i = 0; i < kTableSize; i++) {
				waveTable[i] = float(value);
				value += step;
				if (value > 1.0)
					value -= 2.0;
			}
			break;
		}
		case 4: {
			double value = 0;
			const double step = 1.0 / 2048.0;
			bool rising = true;
			for (int32 i = 0; i < kTableSize; i++) {
				waveTable[i] = float(value);
				if (value <= -1.0)
					rising = true;
				else if (value >= 1.0)
					rising = false;
				value += rising ? 4.0 * step : -4.0 * step;
			}
			break;
		}
		default:
			// Unknown codes keep the previous waveform.
			return;
	}
	waveTable[kTableSize] = waveTable[0];
}

float TunkSound::Oscillator(float increment, float* phase) const
{
	float position = *phase;
	if (!(position >= 0 && position < float(kTableSize)))
		position = dsp::WrapPhase(position);
	float value = dsp::ReadTable(waveTable, position);
	*phase = dsp::WrapPhase(position + increment);
	return value;
}
