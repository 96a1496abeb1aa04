#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/RenderHash.h"
#include "engine/core/Render.h"
#include "engine/voices/LiveSource.h"

namespace {

// One source replays every sound of the render hash, pulled in pieces as a host's blocks
// would: its samples are the whole render's, however the tables came from the cache.
TEST(LiveSourceTest, ASoundPlayedLiveIsTheRenderedSound)
{
	tunk::voices::TableCache tables;
	auto source = std::make_unique<tunk::voices::LiveSource>();
	std::vector<float> played;
	std::vector<float> piece(512);
	int cases = 0;
	renderhash::ForEachCase([&](int setting, int, tunk::SoundParams p) {
		if (setting == 1)
			p[tunk::Param::duration] = 100; // keeps the test quick; the core's test covers the long one
		std::vector<int16_t> whole;
		ASSERT_EQ(tunk::Render(p, &whole), tunk::RenderStatus::Ok);
		source->Play(p, tables);
		ASSERT_EQ(source->Remaining(), int64_t(whole.size()));
		played.clear();
		const uint32_t size = uint32_t(1 + (cases * 37) % 500);
		while (true) {
			const uint32_t got = source->Pull(piece.data(), size);
			played.insert(played.end(), piece.begin(), piece.begin() + got);
			if (got < size)
				break;
		}
		ASSERT_EQ(played.size(), whole.size());
		for (size_t i = 0; i < whole.size(); i++)
			ASSERT_EQ(played[i], float(whole[i]) / 32768.0f) << "sample " << i;
		cases++;
	});
	EXPECT_EQ(cases, 192);
}

TEST(LiveSourceTest, TheTableCacheGivesTheTablesItStandsFor)
{
	tunk::voices::TableCache tables;
	float expected[tunk::kTableEntries];
	for (int32_t type = tunk::kOscSine; type <= tunk::kOscTriangle; type++) {
		ASSERT_TRUE(tunk::BuildWaveTable(type, expected));
		EXPECT_EQ(std::memcmp(tables.Wave(type), expected, sizeof expected), 0) << type;
	}
	tunk::BuildWaveTable(tunk::kOscSine, expected);
	EXPECT_EQ(std::memcmp(tables.Wave(0), expected, sizeof expected), 0);
	EXPECT_EQ(std::memcmp(tables.Wave(17), expected, sizeof expected), 0);

	// More drives than the cache holds, in turn and back again: each lookup is its drive's.
	std::vector<float> drives;
	for (int i = 0; i < 20; i++)
		drives.push_back(1.0f + 0.25f * float(i));
	for (float drive : {1.0f, 5.75f, 2.5f, 1.0f, -0.0f, 0.0f})
		drives.push_back(drive);
	for (float drive : drives) {
		tunk::BuildShapeTable(drive, expected);
		EXPECT_EQ(std::memcmp(tables.Shape(drive), expected, sizeof expected), 0) << drive;
	}
}

} // namespace
