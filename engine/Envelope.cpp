#include <cmath>

#include "engine/Dsp.h"
#include "engine/TunkSound.h"

float TunkSound::ExpEnvelope(float x, float curve)
{
	return dsp::EnvelopeCurve(curve).At(x);
}

void TunkSound::GenerateWaveShapeTable()
{
	const double drive = distortion;
	for (int32 i = 0; i < kTableSize; i++)
		shapeTable[i] = float(std::tanh(drive * (double(i) / 1024.0 - 1.0)));
	// The curve does not wrap: the guard entry repeats the last one.
	shapeTable[kTableSize] = shapeTable[kTableSize - 1];
}

float TunkSound::Distort(float x) const
{
	return dsp::ShapeLookup(shapeTable, x);
}
