#include "engine/core/Tables.h"

#include <cmath>

namespace tunk {

bool BuildWaveTable(int32_t oscType, float* table)
{
	switch (oscType) {
		case kOscSine:
			for (int32_t i = 0; i < kTableLength; i++) {
				// The angle is formed in float, the sine taken in double.
				float angle = float(double(i) * (2.0 * M_PI));
				angle = angle / 2048.0f;
				table[i] = float(std::sin(double(angle)));
			}
			break;
		case kOscSquare:
			for (int32_t i = 0; i < kTableLength; i++)
				table[i] = i < kTableLength / 2 ? 1.0f : -1.0f;
			break;
		case kOscSaw: {
			// A running sum of exact steps: +1.0 is reached once, at entry 1024.
			double value = 0;
			const double step = 1.0 / 1024.0;
			for (int32_t i = 0; i < kTableLength; i++) {
				table[i] = float(value);
				value += step;
				if (value > 1.0)
					value -= 2.0;
			}
			break;
		}
		case kOscTriangle: {
			double value = 0;
			const double step = 1.0 / 2048.0;
			bool rising = true;
			for (int32_t i = 0; i < kTableLength; i++) {
				table[i] = float(value);
				if (value <= -1.0)
					rising = true;
				else if (value >= 1.0)
					rising = false;
				value += rising ? 4.0 * step : -4.0 * step;
			}
			break;
		}
		default:
			return false;
	}
	table[kTableLength] = table[0];
	return true;
}

void BuildShapeTable(float drive, float* table)
{
	const double d = drive;
	for (int32_t i = 0; i < kTableLength; i++)
		table[i] = float(std::tanh(d * (double(i) / 1024.0 - 1.0)));
	// The curve does not wrap.
	table[kTableLength] = table[kTableLength - 1];
}

}  // namespace tunk
