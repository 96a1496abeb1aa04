#include "engine/TunkSound.h"
#include "engine/core/Dsp.h"

float TunkSound::ExpEnvelope(float x, float curve)
{
	return tunk::dsp::EnvelopeCurve(curve).At(x);
}

void TunkSound::GenerateWaveShapeTable()
{
	generator.BuildShapeTable();
}

float TunkSound::Distort(float x) const
{
	return tunk::dsp::ShapeLookup(generator.ShapeTable(), x);
}
