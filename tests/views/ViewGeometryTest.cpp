#include "views/ViewGeometry.h"

#include <gtest/gtest.h>

using namespace view_geometry;

namespace {

TEST(WaveGeometry, StrideAndColumns)
{
	BRect window(0, 0, 380, 100);
	EXPECT_EQ(WaveColumnCount(window), 377);
	EXPECT_EQ(WaveStride(8820, window), 23);
	EXPECT_EQ(WaveStride(378, window), 1);
	EXPECT_EQ(WaveStride(377, window), 0);
	EXPECT_EQ(WaveStride(0, window), 0);
	// The columns never reach past the buffer: stride times columns stays within it.
	for (int64 length : {1, 377, 378, 379, 755, 756, 8820, 88200, 26460000}) {
		EXPECT_LE(int64(WaveStride(length, window)) * WaveColumnCount(window), length) << length;
	}
	// A width of a fraction still counts only whole columns below width - 2.
	EXPECT_EQ(WaveColumnCount(BRect(0, 0, 10.5f, 10)), 8);
	// Views too narrow for any column.
	EXPECT_EQ(WaveColumnCount(BRect(0, 0, 3, 10)), 0);
	EXPECT_EQ(WaveStride(1000, BRect(0, 0, 2, 10)), 0);
	EXPECT_EQ(WaveStride(1000, BRect(0, 0, 1, 10)), 0);
}

TEST(WaveGeometry, AColumnRangeStartsFromItsFirstSample)
{
	const int16 samples[] = {5, -3, 9, 2, -7, 4};
	ColumnRange all = ColumnRangeAt(samples, 0, 6);
	EXPECT_EQ(all.min, -7);
	EXPECT_EQ(all.max, 9);
	ColumnRange tail = ColumnRangeAt(samples, 3, 2);
	EXPECT_EQ(tail.min, -7);
	EXPECT_EQ(tail.max, 2);
	// A stride of 0 reads the sample at p alone.
	ColumnRange none = ColumnRangeAt(samples, 4, 0);
	EXPECT_EQ(none.min, -7);
	EXPECT_EQ(none.max, -7);
}

TEST(CurveGeometry, PositionsMapOntoMinusFiftyToFifty)
{
	// The window's envelope views: right edge 110.
	EXPECT_EQ(CurveValueAt(0, 110), -50.0f);
	EXPECT_EQ(CurveValueAt(110, 110), 50.0f);
	EXPECT_EQ(CurveValueAt(54, 110), -1.0f);
	EXPECT_EQ(CurveValueAt(55, 110), 0.0f);
	EXPECT_EQ(CurveValueAt(56, 110), 0.0f);
	EXPECT_EQ(CurveValueAt(57, 110), 1.0f);
	// Outside the view the values go on beyond the range.
	EXPECT_EQ(CurveValueAt(-55, 110), -100.0f);
	EXPECT_EQ(CurveValueAt(165, 110), 100.0f);
	// Only an exact 0 is replaced.
	EXPECT_EQ(StoredCurveValue(0.0f), 1.0f);
	EXPECT_EQ(StoredCurveValue(-0.0f), 1.0f);
	EXPECT_EQ(StoredCurveValue(-1.0f), -1.0f);
	EXPECT_EQ(StoredCurveValue(50.0f), 50.0f);
}

TEST(CurveGeometry, DistortionRowsSpanTwoToTwoMMinusTwo)
{
	DistortionLayout layout = DistortionLayoutFor(BRect(0, 0, 55, 55));
	EXPECT_EQ(layout.m, 27.0f);
	EXPECT_EQ(layout.w, 53.0f);
	EXPECT_EQ(layout.startRow, 27.5f);
	EXPECT_EQ(layout.Increment(), 2048.0f / 53.0f);
	EXPECT_EQ(layout.Row(0), 27.0f);
	EXPECT_EQ(layout.Row(-32768), 52.0f);
	EXPECT_GT(layout.Row(32767), 2.0f);
	EXPECT_LT(layout.Row(32767), 2.5f);
	EXPECT_LT(layout.Row(1000), layout.Row(0));
}

} // namespace
