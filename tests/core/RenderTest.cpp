// The synthesis core on its own: this program links the core and nothing of the kits,
// the window toolkit or the sound device.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/RenderHash.h"
#include "engine/core/Generator.h"
#include "engine/core/Render.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

}  // namespace

TEST(RenderTest, DefaultSoundStartsWithTheKnownSamples)
{
	const std::vector<int16_t> samples = renderhash::Rendered(tunk::SoundParams());
	ASSERT_EQ(samples.size(), 8820u);
	const int16_t expected[] = {
		0, 4420, 8750, 12903, 16795, 20346, 23485, 26148, 28281, 29842, 30797, 31128, 30828};
	for (size_t i = 0; i < std::size(expected); i++)
		EXPECT_EQ(samples[i], expected[i]) << "sample " << i;
}

TEST(RenderTest, EveryWaveformAndStageSwitchRendersAsBefore)
{
	renderhash::Hash hash;
	renderhash::ForEachCase([&](int, int, const tunk::SoundParams& p) {
		const std::vector<int16_t> samples = renderhash::Rendered(p);
		hash.Add(samples.data(), int64_t(samples.size()));
	});
	EXPECT_EQ(hash.Value(), renderhash::kExpected);
}

TEST(RenderTest, SampleCountRoundsUpAndRefusesWhatCannotBeRendered)
{
	const std::pair<float, int64_t> cases[] = {{200, 8820}, {123.4f, 5442}, {1, 45}, {0, 0},
		{-0.0f, 0}, {600000, 26460000}, {600000.1f, -1}, {-5, -1}, {kNaN, -1}, {kInf, -1},
		{-kInf, -1}, {1e9f, -1}};
	for (auto [ms, count] : cases) {
		tunk::SoundParams p;
		p[tunk::Param::duration] = ms;
		EXPECT_EQ(tunk::SampleCount(p), count) << ms;
	}
}

TEST(RenderTest, RefusalsWriteNothing)
{
	tunk::SoundParams p;
	p[tunk::Param::duration] = 1; // 45 samples
	std::vector<int16_t> out(64, 0x5a5a);
	EXPECT_EQ(tunk::Render(p, out.data(), 44), tunk::RenderStatus::Refused);
	EXPECT_EQ(tunk::Render(p, nullptr, 45), tunk::RenderStatus::Refused);
	p[tunk::Param::duration] = -1;
	EXPECT_EQ(tunk::Render(p, out.data(), 64), tunk::RenderStatus::Refused);
	std::vector<int16_t> grown(3, 7);
	EXPECT_EQ(tunk::Render(p, &grown), tunk::RenderStatus::Refused);
	EXPECT_TRUE(grown.empty());
	for (int16_t v : out)
		ASSERT_EQ(v, 0x5a5a);

	// Exactly the sound's samples, not one more; an empty sound needs no buffer.
	p[tunk::Param::duration] = 1;
	ASSERT_EQ(tunk::Render(p, out.data(), 64), tunk::RenderStatus::Ok);
	EXPECT_EQ(out[10], 30797);
	EXPECT_NE(out[44], 0x5a5a);
	EXPECT_EQ(out[45], 0x5a5a);
	p[tunk::Param::duration] = 0;
	EXPECT_EQ(tunk::Render(p, nullptr, 0), tunk::RenderStatus::Ok);
}

TEST(RenderTest, RendersDependOnTheParametersOnly)
{
	tunk::SoundParams p;
	p[tunk::Param::oscType] = tunk::kOscSaw;
	p[tunk::Param::filterEnabled] = true;
	p[tunk::Param::filterQ] = 6;
	p[tunk::Param::distortionEnabled] = true;
	p[tunk::Param::distortion] = 9;
	const std::vector<int16_t> first = renderhash::Rendered(p);
	renderhash::Rendered(tunk::SoundParams());
	EXPECT_EQ(renderhash::Rendered(p), first);

	// A code that names no waveform renders the sine of a new sound.
	tunk::SoundParams unknown;
	unknown[tunk::Param::oscType] = 7;
	EXPECT_EQ(renderhash::Rendered(unknown), renderhash::Rendered(tunk::SoundParams()));
	unknown[tunk::Param::oscType] = 0;
	EXPECT_EQ(renderhash::Rendered(unknown), renderhash::Rendered(tunk::SoundParams()));
}

// A player computes a sound as it plays, in pieces of whatever its host's block is, with one
// generator reused from note to note: every piece size must give the whole render's samples.
TEST(RenderTest, ASoundRenderedInPiecesIsTheSoundRenderedAtOnce)
{
	const std::vector<int64_t> irregular = {1, 255, 257, 3, 4096, 100, 256, 17};
	for (int pieces : {1, 64, 4096, 0}) {
		SCOPED_TRACE(pieces == 0 ? std::string("irregular") : "pieces of " + std::to_string(pieces));
		tunk::Generator generator;
		renderhash::Hash hash;
		std::vector<int16_t> samples;
		renderhash::ForEachCase([&](int, int, const tunk::SoundParams& p) {
			generator.Reset(p);
			const int64_t count = tunk::SampleCount(p);
			generator.Start(count);
			samples.assign(size_t(count), 0);
			int64_t done = 0;
			for (size_t turn = 0; done < count; turn++) {
				const int64_t want = pieces > 0 ? pieces : irregular[turn % irregular.size()];
				const int64_t made = generator.Next(samples.data() + done, want);
				ASSERT_EQ(made, std::min(want, count - done));
				done += made;
				ASSERT_EQ(generator.Remaining(), count - done);
			}
			EXPECT_EQ(generator.Next(samples.data(), 1), 0) << "nothing after the end";
			hash.Add(samples.data(), count);
		});
		EXPECT_EQ(hash.Value(), renderhash::kExpected);
	}
}
