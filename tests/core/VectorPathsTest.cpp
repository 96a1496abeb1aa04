// Every vector path this machine can run against the plain path, which evaluates the
// per-sample definitions one sample at a time: whole sounds of random settings (every switch
// and layer, values beyond the ranges too) and the passes' edge values must agree bit for bit.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "engine/core/Dsp.h"
#include "engine/core/Kernels.h"
#include "engine/core/Params.h"
#include "engine/core/Render.h"
#include "engine/core/Tables.h"

namespace {

using tunk::Param;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Forces a path for one test and returns to the best one after it.
class VectorPathsTest : public testing::Test {
protected:
	void TearDown() override { tunk::kernels::UsePath(-1); }

	static std::vector<tunk::kernels::Path> VectorPaths()
	{
		std::vector<tunk::kernels::Path> paths = tunk::kernels::Paths();
		paths.erase(paths.begin());  // the plain one
		return paths;
	}
};

// A value drawn within the row's range, now and then one of its ends, or (rarely) a value
// the range does not hold, so that the passes' guards are taken too.
float RandomValue(const tunk::ParamInfo& info, std::mt19937& rng)
{
	std::uniform_real_distribution<float> unit(0, 1);
	const float pick = unit(rng);
	if (info.kind != tunk::ParamKind::Number)
		return std::floor(info.min + unit(rng) * (info.max - info.min + 0.999f));
	if (pick < 0.03f)
		return info.min;
	if (pick < 0.06f)
		return info.max;
	if (pick < 0.07f) {
		const float odd[] = {kNaN, kInf, -kInf, -info.max, info.max * 10, 0.0f, -0.0f};
		return odd[rng() % std::size(odd)];
	}
	if (info.scale == tunk::ParamScale::Logarithmic && info.min >= 0)
		return info.min + (info.max - info.min) * std::pow(unit(rng), 3.0f);
	return info.min + unit(rng) * (info.max - info.min);
}

// A short sound with every value drawn, each layer switched on half of the time.
tunk::SoundParams RandomSound(std::mt19937& rng)
{
	tunk::SoundParams p;
	for (size_t i = 0; i < tunk::kParamCount; i++)
		p.values[i] = RandomValue(tunk::kParams[i], rng);
	std::uniform_real_distribution<float> unit(0, 1);
	// A few milliseconds each, now and then one that crosses several blocks.
	p[Param::duration] = unit(rng) < 0.1f ? 20 + unit(rng) * 100 : 0.1f + unit(rng) * 12;
	if (unit(rng) < 0.5f)
		p[Param::noiseLevel] = 0;
	if (unit(rng) < 0.5f)
		p[Param::osc2Level] = 0;
	if (unit(rng) < 0.3f) {
		p[Param::endFreq] = 0;
		p[Param::attack] = 0;
		p[Param::hold] = 0;
		p[Param::filterType] = 1;
	}
	// Short decays and bursts, so that the noise envelope's ends fall inside the sound.
	p[Param::noiseDecay] = 0.5f + unit(rng) * 30;
	p[Param::clapSpacing] = 0.2f + unit(rng) * 4;
	return p;
}

TEST_F(VectorPathsTest, EachPathCanBeForcedAndReportsItself)
{
	const auto paths = tunk::kernels::Paths();
	ASSERT_GE(paths.size(), 2u);
	EXPECT_EQ(paths[0].name, "plain");
	for (const auto& path : paths) {
		tunk::kernels::UsePath(path.id);
		EXPECT_EQ(tunk::kernels::CurrentPath(), path.name);
	}
	tunk::kernels::UsePath(-1);
	EXPECT_NE(tunk::kernels::CurrentPath(), "plain");
}

TEST_F(VectorPathsTest, RandomSoundsRenderAsThePlainPathOnEveryPath)
{
	constexpr int kSounds = 10000;
	const auto paths = VectorPaths();
	ASSERT_FALSE(paths.empty());
	std::mt19937 rng(20261207);
	std::vector<int16_t> plain;
	std::vector<int16_t> vector;
	int rendered = 0;
	for (int i = 0; i < kSounds; i++) {
		const tunk::SoundParams p = RandomSound(rng);
		tunk::kernels::UsePath(0);
		const tunk::RenderStatus status = tunk::Render(p, &plain);
		for (const auto& path : paths) {
			tunk::kernels::UsePath(path.id);
			ASSERT_EQ(tunk::Render(p, &vector), status) << path.name << " sound " << i;
			ASSERT_EQ(vector, plain) << path.name << " sound " << i;
		}
		rendered += status == tunk::RenderStatus::Ok && !plain.empty() ? 1 : 0;
	}
	// Nearly every drawn duration renders; the refused ones are the rare odd values.
	EXPECT_GT(rendered, kSounds * 9 / 10);
}

// The exponential curve over every position of long sounds, where the vector exp has to
// give way to the library's wherever it cannot be sure of the float.
TEST_F(VectorPathsTest, CurvesAgreeAtEveryPositionOfLongSounds)
{
	const int32_t kCount = 1 << 18;
	std::vector<float> x(kCount);
	tunk::kernels::Ramp(0, 0.0, double(kCount), 1.0, x.data(), kCount);
	for (float c : {-80.0f, -12.0f, -2.0f, -1e-3f, 1e-3f, 0.7f, 3.0f, 25.0f, 88.0f, 89.0f}) {
		const tunk::dsp::EnvelopeCurve curve(c);
		for (const auto& path : VectorPaths()) {
			tunk::kernels::UsePath(path.id);
			std::vector<float> out(kCount);
			tunk::kernels::Curve(curve, x.data(), out.data(), kCount);
			int wrong = 0;
			for (int32_t k = 0; k < kCount; k++)
				wrong += std::bit_cast<uint32_t>(out[k]) != std::bit_cast<uint32_t>(curve.At(x[k]));
			EXPECT_EQ(wrong, 0) << path.name << " curve " << c;
		}
	}
}

// The values at the passes' edges: the shaper's ends and non-numbers, the 16-bit
// conversion's saturation and its non-numbers, the phases next to the table's end.
TEST_F(VectorPathsTest, EdgeValuesPassAsInThePlainPath)
{
	std::vector<float> values = {kNaN, kInf, -kInf, 0.0f, -0.0f, 1.0f, -1.0f, 0.99999994f,
		-0.99999994f, 1.0000001f, -1.0000001f, 2.0f, -2.0f, 1e-40f, -1e-40f, 1e30f, -1e30f,
		32767.0f / 32767.0f, -32768.0f / 32767.0f, 0.5f / 32767.0f, -0.5f / 32767.0f};
	std::mt19937 rng(7);
	std::uniform_real_distribution<float> wide(-1.5f, 1.5f);
	while (values.size() < 1024)
		values.push_back(wide(rng));
	std::vector<float> phases;
	for (size_t k = 0; k < values.size(); k++)
		phases.push_back(k % 3 == 0 ? std::nextafter(2048.0f, 0.0f)
		                            : tunk::dsp::WrapPhase(std::fabs(values[k]) * 1365.0f));
	phases[5] = 0;

	float wave[tunk::kTableEntries];
	float shape[tunk::kTableEntries];
	ASSERT_TRUE(tunk::BuildWaveTable(tunk::kOscSine, wave));
	tunk::BuildShapeTable(3.5f, shape);
	const int32_t n = int32_t(values.size());
	auto run = [&](std::vector<float>* shaped, std::vector<float>* toned, std::vector<int16_t>* samples) {
		*shaped = values;
		tunk::kernels::Shape(shape, shaped->data(), n);
		toned->assign(values.size(), 0.0f);
		tunk::kernels::Tone(wave, phases.data(), toned->data(), n);
		tunk::kernels::AddTone(wave, phases.data(), 0.25f, toned->data(), n);
		samples->assign(values.size(), 0);
		tunk::kernels::ToSamples(values.data(), samples->data(), n);
	};
	tunk::kernels::UsePath(0);
	std::vector<float> plainShaped, plainToned, shaped, toned;
	std::vector<int16_t> plainSamples, samples;
	run(&plainShaped, &plainToned, &plainSamples);
	EXPECT_EQ(plainSamples[1], 32767);
	EXPECT_EQ(plainSamples[2], -32768);
	EXPECT_EQ(plainSamples[0], 0);
	for (const auto& path : VectorPaths()) {
		tunk::kernels::UsePath(path.id);
		run(&shaped, &toned, &samples);
		for (size_t k = 0; k < values.size(); k++) {
			EXPECT_EQ(std::bit_cast<uint32_t>(shaped[k]), std::bit_cast<uint32_t>(plainShaped[k]))
				<< path.name << " shaping " << values[k];
			EXPECT_EQ(std::bit_cast<uint32_t>(toned[k]), std::bit_cast<uint32_t>(plainToned[k]))
				<< path.name << " at phase " << phases[k];
			EXPECT_EQ(samples[k], plainSamples[k]) << path.name << " converting " << values[k];
		}
	}
}

// Metal's square waves around every edge: stepping one unit of 2^-24 turns a sample, the
// phases pass each position where an edge's correction begins or ends (for steps of many
// sizes, the wide ones that take both corrections included) and the wrap of the turns, at
// every alignment to the vectors, so that a run of lanes whose only lane near an edge is
// its first or last is among them.
TEST_F(VectorPathsTest, MetalEdgesAgreeAtEveryPositionAroundThem)
{
	constexpr int32_t kRun = 200;
	std::vector<tunk::kernels::MetalWave> waves;
	for (float dt : {0.0047f, 0.0123f, 0.05f, 0.1999f, 0.2f, 0.31f, 0.4999f}) {
		const auto start = uint32_t(std::ceil(dt * 0x1p24f));
		const auto end = uint32_t(std::floor((1.0f - dt) * 0x1p24f));
		for (uint32_t q : {start, end, start + (1u << 23), end - (1u << 23), 0u, 1u << 23}) {
			// Every alignment of the position to the vectors' lanes.
			for (uint32_t offset = 0; offset < 16; offset++)
				waves.push_back({(q - kRun / 2 + offset) << 8, 256u, dt, 1.0f / dt, 0.3f});
		}
	}
	std::vector<float> plain(kRun), vector(kRun);
	for (const auto& path : VectorPaths()) {
		for (const auto& wave : waves) {
			for (int64_t first : {int64_t(0), int64_t(3)}) {
				const auto shifted = tunk::kernels::MetalWave{wave.phase - uint32_t(first) * wave.step,
					wave.step, wave.dt, wave.perDt, wave.gain};
				tunk::kernels::UsePath(0);
				tunk::kernels::Metal(&shifted, 1, first, plain.data(), kRun);
				tunk::kernels::UsePath(path.id);
				tunk::kernels::Metal(&shifted, 1, first, vector.data(), kRun);
				for (int32_t k = 0; k < kRun; k++)
					ASSERT_EQ(std::bit_cast<uint32_t>(vector[k]), std::bit_cast<uint32_t>(plain[k]))
						<< path.name << " dt " << wave.dt << " phase " << wave.phase << " sample " << k;
			}
		}
	}
	// The test's runs do reach the corrections: the plain path is not a bare square there.
	tunk::kernels::UsePath(0);
	tunk::kernels::Metal(&waves[0], 1, 0, plain.data(), kRun);
	int corrected = 0;
	for (float v : plain)
		corrected += std::fabs(v) != 0.3f;
	EXPECT_GT(corrected, 0);
}

}  // namespace
