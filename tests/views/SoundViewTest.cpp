#include "views/SoundView.h"

#include <algorithm>
#include <string>

#include "engine/TunkSound.h"
#include "kits/interface/Bitmap.h"
#include "kits/kernel/OS.h"
#include "views/ViewTestSupport.h"

using namespace view_test;

namespace {

// The window's waveform view: 381 by 101 pixels, so the zero line is row 50 and the columns
// run from 1 to 377.
const BRect kSoundFrame(10, 10, 390, 110);
constexpr int kZeroRow = 50;
constexpr int kLastColumn = 377;

class SoundViewTest : public WindowTest {
protected:
	void SetUp() override
	{
		WindowTest::SetUp();
		view = Attach(new SoundView(kSoundFrame, "SoundView"));
	}

	// Generates a buffer of the engine's own length for the duration, then overwrites every
	// sample with sample(index).
	template <typename Sample> int64 FillBuffer(float milliseconds, Sample sample)
	{
		engine.SetDuration(milliseconds);
		engine.GenerateSound();
		int64 count = 0;
		int16* buffer = engine.GetBuffer(&count);
		for (int64 i = 0; i < count; i++)
			buffer[i] = sample(i);
		return count;
	}

	const QImage& Bitmap() const { return view->Bitmap()->Image(); }

	// The rows of column x that show the trace, as [first, last]; {-1, -1} when none.
	std::pair<int, int> TraceRows(int x) const
	{
		int first = -1;
		int last = -1;
		for (int y = 1; y < Bitmap().height() - 1; y++) {
			if (PixelAt(Bitmap(), x, y) == kTrace) {
				if (first < 0)
					first = y;
				last = y;
			}
		}
		return {first, last};
	}

	void ExpectEmptyPanel(const QImage& image) const
	{
		ExpectSunkenFrame(image);
		for (int y = 1; y < image.height() - 1; y++)
			for (int x = 1; x < image.width() - 1; x++)
				ASSERT_EQ(PixelAt(image, x, y), kPanel) << "at " << x << ", " << y;
	}

	TunkSound engine;
	SoundView* view = nullptr;
};

TEST_F(SoundViewTest, AttachingCreatesTheBitmapViewAndPaintsTheEmptyPanel)
{
	ASSERT_NE(view->BitmapView(), nullptr);
	EXPECT_STREQ(view->BitmapView()->Name(), "WaveBitmapView");
	EXPECT_EQ(view->Bitmap()->FindView("WaveBitmapView"), view->BitmapView());
	EXPECT_EQ(Bitmap().width(), 381);
	EXPECT_EQ(Bitmap().height(), 101);
	ExpectEmptyPanel(Bitmap());
	// Clear leaves the bitmap view ready to draw the trace over the panel.
	EXPECT_EQ(view->BitmapView()->HighColor(), kTrace);
	EXPECT_EQ(view->BitmapView()->LowColor(), kPanel);
}

TEST_F(SoundViewTest, SilenceDrawsOneStrokePerColumnOnTheZeroLine)
{
	FillBuffer(200, [](int64) { return int16(0); });
	engine.DrawSoundToView(view);

	ExpectSunkenFrame(Bitmap());
	for (int x = 1; x < 380; x++) {
		for (int y = 1; y < 100; y++)
			ASSERT_EQ(PixelAt(Bitmap(), x, y), y == kZeroRow ? kTrace : kPanel)
			    << "at " << x << ", " << y;
	}
	// The view shows what the bitmap holds, also when it is exposed again.
	view->Expose();
	EXPECT_EQ(view->Image(), Bitmap());
}

TEST_F(SoundViewTest, FullScaleLandsOnePixelInsideTheFrame)
{
	// 8820 samples: a stride of 23, column c covers samples 23 (c - 1) to 23 c - 1.
	int64 count = FillBuffer(200, [](int64 i) {
		if (i == 23 * 9 + 5)
			return int16(32767); // in column 10
		if (i == 23 * 19)
			return int16(-32768); // first sample of column 20
		return int16(0);
	});
	ASSERT_EQ(count, 8820);
	engine.DrawSoundToView(view);

	EXPECT_EQ(TraceRows(10), std::make_pair(kZeroRow, 99));
	EXPECT_EQ(PixelAt(Bitmap(), 10, 100), kHighlight);
	EXPECT_EQ(TraceRows(20), std::make_pair(1, kZeroRow));
	EXPECT_EQ(PixelAt(Bitmap(), 20, 0), kFrame);
	// Neighbouring columns keep to the zero line.
	EXPECT_EQ(TraceRows(9), std::make_pair(kZeroRow, kZeroRow));
	EXPECT_EQ(TraceRows(11), std::make_pair(kZeroRow, kZeroRow));
	EXPECT_EQ(TraceRows(21), std::make_pair(kZeroRow, kZeroRow));
}

TEST_F(SoundViewTest, ColumnsReduceTheirSamplesToMinimumAndMaximumAndLeaveTheTailUndrawn)
{
	// Half scale up in the last column's last sample, half scale down in the first sample
	// past the last column: only the first shows.
	int64 count = FillBuffer(200, [](int64 i) {
		if (i == 23 * kLastColumn - 1)
			return int16(16384);
		if (i == 23 * kLastColumn)
			return int16(-16384);
		return int16(0);
	});
	ASSERT_GT(count, 23 * kLastColumn);
	engine.DrawSoundToView(view);

	// Row of 16384: 50 + 16384 * 49 / 32768 = 74.5, rounded half up.
	EXPECT_EQ(TraceRows(kLastColumn), std::make_pair(kZeroRow, 75));
	// Columns 378 and 379 hold only the zero line, which runs on to column 379.
	EXPECT_EQ(TraceRows(378), std::make_pair(kZeroRow, kZeroRow));
	EXPECT_EQ(TraceRows(379), std::make_pair(kZeroRow, kZeroRow));
	for (int y = 1; y < kZeroRow; y++)
		ASSERT_NE(PixelAt(Bitmap(), kLastColumn, y), kTrace);
}

TEST_F(SoundViewTest, FewerSamplesThanColumnsShowTheFirstSampleInEveryColumn)
{
	// 1 ms is 45 samples: a stride of 0.
	int64 count = FillBuffer(1, [](int64 i) { return int16(i == 0 ? -32768 : 32767); });
	ASSERT_LT(count, 378);
	engine.DrawSoundToView(view);

	for (int x = 1; x <= kLastColumn; x++)
		ASSERT_EQ(TraceRows(x), std::make_pair(1, kZeroRow)) << "column " << x;
	EXPECT_EQ(TraceRows(378), std::make_pair(kZeroRow, kZeroRow));
}

TEST_F(SoundViewTest, AnEmptySoundDrawsOnlyTheZeroLine)
{
	engine.SetDuration(0);
	engine.GenerateSound();
	ASSERT_EQ(engine.GetSampleLength(), 0);
	engine.DrawSoundToView(view);

	for (int x = 1; x < 380; x++)
		ASSERT_EQ(TraceRows(x), std::make_pair(kZeroRow, kZeroRow)) << "column " << x;
}

TEST_F(SoundViewTest, ASemaphoreThatCannotBeTakenLeavesTheEmptyPanelAndSaysSo)
{
	FillBuffer(200, [](int64 i) { return int16(i % 2 == 0 ? 20000 : -20000); });
	engine.DrawSoundToView(view);
	ASSERT_EQ(TraceRows(100), std::make_pair(20, 80));

	ASSERT_EQ(delete_sem(engine.WriteBufferSemaphore()), B_OK);
	testing::internal::CaptureStdout();
	engine.DrawSoundToView(view);
	std::string out = testing::internal::GetCapturedStdout();

	EXPECT_EQ(out, "Error acquiring semaphore on display\n");
	ExpectEmptyPanel(Bitmap());
	// An exposure shows the empty panel, not the older waveform.
	view->Expose();
	ExpectEmptyPanel(view->Image());
}

TEST_F(SoundViewTest, DrawingHoldsTheSemaphoreOnlyWhileItRuns)
{
	FillBuffer(50, [](int64) { return int16(0); });
	engine.DrawSoundToView(view);
	int32 semCount = -1;
	ASSERT_EQ(get_sem_count(engine.WriteBufferSemaphore(), &semCount), B_OK);
	EXPECT_EQ(semCount, 1);
	EXPECT_FALSE(view->Bitmap()->IsLocked());
}

} // namespace
