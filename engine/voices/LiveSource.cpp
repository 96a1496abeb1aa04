#include "engine/voices/LiveSource.h"

#include <algorithm>
#include <bit>

#include "engine/core/Render.h"

namespace tunk::voices {

TableCache::TableCache()
{
	for (int32_t i = 0; i < kWaves; i++)
		BuildWaveTable(kOscSine + i, fWaves[i]);
}

const float* TableCache::Wave(int32_t oscType) const
{
	if (oscType < kOscSine || oscType > kOscTriangle)
		oscType = kOscSine;
	return fWaves[oscType - kOscSine];
}

const float* TableCache::Shape(float drive)
{
	// By bits: a drive that is not a number still finds its own table.
	const uint32_t bits = std::bit_cast<uint32_t>(drive);
	int32_t victim = 0;
	for (int32_t i = 0; i < kShapes; i++) {
		if (fUsed[i] != 0 && fDriveBits[i] == bits) {
			fUsed[i] = ++fUses;
			return fShapes[i];
		}
		if (fUsed[i] < fUsed[victim])
			victim = i;
	}
	BuildShapeTable(drive, fShapes[victim]);
	fDriveBits[victim] = bits;
	fUsed[victim] = ++fUses;
	return fShapes[victim];
}

void LiveSource::Play(const SoundParams& params, TableCache& tables)
{
	const float* shape =
	    params.On(Param::distortionEnabled) ? tables.Shape(params[Param::distortion]) : nullptr;
	fGenerator.Load(params, tables.Wave(OscCode(params[Param::oscType])), shape);
	fGenerator.Start(SampleCount(params));
}

uint32_t LiveSource::Pull(float* out, uint32_t frames)
{
	uint32_t done = 0;
	while (done < frames) {
		const int64_t made = fGenerator.Next(fPcm, std::min(frames - done, kChunk));
		if (made == 0)
			break;
		// A power of two: the division is exact, the window's sample as a float.
		for (int64_t k = 0; k < made; k++)
			out[done + uint32_t(k)] = float(fPcm[k]) / 32768.0f;
		done += uint32_t(made);
	}
	return done;
}

} // namespace tunk::voices
