#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>

#include "kits/interface/Bitmap.h"
#include "kits/interface/Picture.h"
#include "kits/interface/QtEnvironment.h"
#include "kits/interface/View.h"
#include "kits/interface/Window.h"

namespace {

constexpr rgb_color kWhite = {255, 255, 255, 255};
constexpr rgb_color kRed = {255, 0, 0, 255};
constexpr rgb_color kPanel = {0, 51, 102, 255};
constexpr rgb_color kCurve = {153, 204, 255, 128};

rgb_color PixelAt(const QImage& image, int x, int y)
{
	QRgb p = image.pixel(x, y);
	return rgb_color{uint8(qRed(p)), uint8(qGreen(p)), uint8(qBlue(p)), uint8(qAlpha(p))};
}

// Counts the pixels of the colour inside the image.
int Count(const QImage& image, rgb_color color)
{
	int count = 0;
	for (int y = 0; y < image.height(); y++) {
		for (int x = 0; x < image.width(); x++)
			count += PixelAt(image, x, y) == color;
	}
	return count;
}

// A 20 by 20 view erased to white, as an exposure leaves it.
class Canvas : public BView {
public:
	Canvas() : BView(BRect(0, 0, 19, 19), "canvas", B_FOLLOW_NONE, B_WILL_DRAW)
	{
		SetViewColor(kWhite);
		Expose();
	}
};

} // namespace

std::ostream& operator<<(std::ostream& out, const rgb_color& c)
{
	return out << int(c.red) << "," << int(c.green) << "," << int(c.blue) << "," << int(c.alpha);
}

namespace {

TEST(Drawing, RectanglesIncludeTheirRightAndBottomEdges)
{
	Canvas view;
	view.SetHighColor(kRed);
	view.FillRect(BRect(0, 0, 9, 9));
	EXPECT_EQ(Count(view.Image(), kRed), 100);
	EXPECT_EQ(PixelAt(view.Image(), 9, 9), kRed);
	EXPECT_EQ(PixelAt(view.Image(), 10, 9), kWhite);
	EXPECT_EQ(PixelAt(view.Image(), 9, 10), kWhite);

	Canvas frame;
	frame.SetHighColor(kRed);
	frame.StrokeRect(BRect(2, 3, 6, 8));
	EXPECT_EQ(Count(frame.Image(), kRed), 2 * 5 + 2 * 4);
	for (BPoint corner : {BPoint(2, 3), BPoint(6, 3), BPoint(2, 8), BPoint(6, 8)})
		EXPECT_EQ(PixelAt(frame.Image(), int(corner.x), int(corner.y)), kRed);
	EXPECT_EQ(PixelAt(frame.Image(), 3, 4), kWhite) << "the inside stays untouched";
}

TEST(Drawing, LinesIncludeBothEndPointsAndMoveThePen)
{
	Canvas view;
	view.SetHighColor(kRed);
	view.StrokeLine(BPoint(1, 1), BPoint(7, 4));
	EXPECT_EQ(PixelAt(view.Image(), 1, 1), kRed);
	EXPECT_EQ(PixelAt(view.Image(), 7, 4), kRed);
	EXPECT_EQ(Count(view.Image(), kRed), 7) << "one pixel per column of a shallow line";
	EXPECT_EQ(view.PenLocation(), BPoint(7, 4));

	// From the pen: a vertical stroke of rows 4 to 10 in column 7.
	view.StrokeLine(BPoint(7, 10));
	EXPECT_EQ(Count(view.Image(), kRed), 7 + 6);
	EXPECT_EQ(PixelAt(view.Image(), 7, 10), kRed);
	EXPECT_EQ(PixelAt(view.Image(), 7, 11), kWhite);

	Canvas dot;
	dot.SetHighColor(kRed);
	dot.StrokeLine(BPoint(5, 5), BPoint(5, 5));
	EXPECT_EQ(Count(dot.Image(), kRed), 1);
}

TEST(Drawing, AlphaModeBlendsTheHighColourByItsAlphaRounded)
{
	Canvas view;
	view.SetLowColor(kPanel);
	view.FillRect(BRect(0, 0, 9, 19), B_SOLID_LOW);
	view.SetDrawingMode(B_OP_ALPHA);
	view.SetHighColor(kCurve);
	view.FillRect(BRect(0, 0, 19, 0));
	// Over white: 255 + (153 - 255) * 128 / 255 = 203.8 -> 204; 255 - 25.6 -> 229; 255.
	EXPECT_EQ(PixelAt(view.Image(), 15, 0), (rgb_color{204, 229, 255, 255}));
	// Over the panel: 0 + 76.8 -> 77; 51 + 76.8 -> 128; 102 + 76.8 -> 179.
	EXPECT_EQ(PixelAt(view.Image(), 5, 0), (rgb_color{77, 128, 179, 255}));

	// Each pixel of one call blends once, corners of a stroked rectangle included.
	view.StrokeRect(BRect(2, 5, 8, 9));
	EXPECT_EQ(PixelAt(view.Image(), 2, 5), (rgb_color{77, 128, 179, 255}));
	EXPECT_EQ(PixelAt(view.Image(), 5, 5), (rgb_color{77, 128, 179, 255}));
	EXPECT_EQ(PixelAt(view.Image(), 8, 9), (rgb_color{77, 128, 179, 255}));

	// Copy mode writes the colour; the view itself stays opaque.
	view.SetDrawingMode(B_OP_COPY);
	view.FillRect(BRect(12, 12, 12, 12));
	EXPECT_EQ(PixelAt(view.Image(), 12, 12), (rgb_color{153, 204, 255, 255}));
}

TEST(Drawing, PatternsChooseBetweenHighAndLowColour)
{
	Canvas view;
	view.SetHighColor(kRed);
	view.SetLowColor(kPanel);
	view.FillRect(BRect(0, 0, 3, 1), B_MIXED_COLORS);
	EXPECT_EQ(PixelAt(view.Image(), 0, 0), kRed);
	EXPECT_EQ(PixelAt(view.Image(), 1, 0), kPanel);
	EXPECT_EQ(PixelAt(view.Image(), 0, 1), kPanel);
	EXPECT_EQ(PixelAt(view.Image(), 1, 1), kRed);
	view.StrokeLine(BPoint(0, 5), BPoint(3, 5), B_SOLID_LOW);
	EXPECT_EQ(PixelAt(view.Image(), 3, 5), kPanel);
}

TEST(Drawing, PicturesRecordWithoutDrawingAndReplayAtThePen)
{
	Canvas view;
	BPicture inner;
	view.BeginPicture(&inner);
	view.SetHighColor(kPanel);
	view.FillRect(BRect(0, 0, 0, 0));
	view.EndPicture();

	BPicture picture;
	view.BeginPicture(&picture);
	view.SetHighColor(kRed);
	view.FillRect(BRect(0, 0, 1, 1));
	view.MovePenTo(4, 0);
	view.StrokeLine(BPoint(6, 0));
	view.MovePenTo(0, 3);
	view.DrawPicture(&inner);
	EXPECT_EQ(view.EndPicture(), &picture);
	EXPECT_EQ(Count(view.Image(), kWhite), 400) << "recording draws nothing";
	EXPECT_EQ(view.HighColor(), kRed) << "state changes apply to the view as well";

	view.SetHighColor(kWhite);
	view.MovePenTo(10, 12);
	view.DrawPicture(&picture);
	const QImage& image = view.Image();
	EXPECT_EQ(Count(image, kRed), 4 + 3);
	EXPECT_EQ(PixelAt(image, 10, 12), kRed);
	EXPECT_EQ(PixelAt(image, 11, 13), kRed);
	EXPECT_EQ(PixelAt(image, 14, 12), kRed);
	EXPECT_EQ(PixelAt(image, 16, 12), kRed);
	EXPECT_EQ(PixelAt(image, 10, 15), kPanel) << "a nested picture replays at the pen it reached";
	EXPECT_EQ(Count(image, kPanel), 1);
	EXPECT_EQ(view.HighColor(), kWhite) << "replay leaves the view's state as it was";
	EXPECT_EQ(view.PenLocation(), BPoint(10, 12));

	// Re-recording replaces what the picture held.
	view.BeginPicture(&picture);
	view.EndPicture();
	EXPECT_TRUE(picture.IsEmpty());
}

class AttachCounter : public BView {
public:
	AttachCounter(BRect frame, const char* name, std::vector<std::string>* log)
	    : BView(frame, name, B_FOLLOW_NONE, B_WILL_DRAW), fLog(log)
	{
	}
	void AttachedToWindow() override { fLog->push_back(Name()); }

private:
	std::vector<std::string>* fLog;
};

TEST(Drawing, ViewsDrawIntoABitmapThatOtherViewsDraw)
{
	BBitmap bitmap(BRect(0, 0, 9, 4), B_RGBA32, true);
	EXPECT_EQ(bitmap.BytesPerRow(), 40);
	std::vector<std::string> attached;
	auto* drawer = new AttachCounter(bitmap.Bounds(), "drawer", &attached);
	drawer->AddChild(new AttachCounter(BRect(0, 0, 1, 1), "child", &attached));
	bitmap.AddChild(drawer);
	EXPECT_EQ(attached, (std::vector<std::string>{"drawer", "child"}));
	ASSERT_TRUE(drawer->LockLooper());
	drawer->SetHighColor(rgb_color{10, 20, 30, 255});
	drawer->FillRect(drawer->Bounds());
	drawer->SetHighColor(kRed);
	drawer->StrokeLine(BPoint(0, 0), BPoint(9, 0));
	drawer->Sync();
	drawer->UnlockLooper();

	// Memory order of B_RGBA32: blue, green, red, alpha.
	const auto* bits = static_cast<const uint8*>(bitmap.Bits());
	EXPECT_EQ(bits[40 + 0], 30);
	EXPECT_EQ(bits[40 + 1], 20);
	EXPECT_EQ(bits[40 + 2], 10);
	EXPECT_EQ(bits[40 + 3], 255);

	Canvas view;
	view.DrawBitmap(&bitmap, BPoint(5, 6));
	EXPECT_EQ(PixelAt(view.Image(), 5, 6), kRed);
	EXPECT_EQ(PixelAt(view.Image(), 14, 10), (rgb_color{10, 20, 30, 255}));
	EXPECT_EQ(PixelAt(view.Image(), 15, 10), kWhite);
	EXPECT_EQ(PixelAt(view.Image(), 5, 11), kWhite);

	view.MovePenTo(0, 0);
	view.DrawBitmapAsync(&bitmap);
	view.Sync();
	EXPECT_EQ(PixelAt(view.Image(), 0, 0), kRed);
	EXPECT_EQ(PixelAt(view.Image(), 9, 4), (rgb_color{10, 20, 30, 255}));
}

class CountingView : public BView {
public:
	CountingView(BRect frame) : BView(frame, "counting", B_FOLLOW_NONE, B_WILL_DRAW) {}
	int draws = 0;
	void Draw(BRect) override
	{
		draws++;
		SetHighColor(kPanel);
		FillRect(BRect(0, 0, 0, 0));
	}
};

TEST(Drawing, DrawRunsOnExposureOnlyAndOtherDrawingStaysUntilTheNext)
{
	auto* window = new BWindow(BRect(50, 50, 149, 149), "expose", B_TITLED_WINDOW, 0);
	auto* view = new CountingView(BRect(10, 10, 29, 29));
	view->SetViewColor(kWhite);
	window->AddChild(view);
	window->Show();
	ASSERT_TRUE(ProcessEventsUntil([&] { return view->draws >= 1; }));
	ProcessEvents();
	EXPECT_EQ(view->draws, 1);
	EXPECT_EQ(PixelAt(view->Image(), 0, 0), kPanel);
	EXPECT_EQ(PixelAt(view->Image(), 5, 5), kWhite);

	view->SetHighColor(kRed);
	view->FillRect(BRect(5, 5, 6, 6));
	view->Widget()->repaint();
	ProcessEvents();
	EXPECT_EQ(view->draws, 1) << "our own drawing only repaints the image";
	EXPECT_EQ(PixelAt(view->Image(), 5, 5), kRed);
	QImage shown = window->Widget()->grab().toImage();
	EXPECT_EQ(PixelAt(shown, 15, 15), kRed) << "the widget shows the image";

	view->Invalidate();
	ASSERT_TRUE(ProcessEventsUntil([&] { return view->draws == 2; }));
	EXPECT_EQ(PixelAt(view->Image(), 5, 5), kWhite) << "an exposure erases to the view colour";
	window->Quit();
}

TEST(Drawing, WindowClientAreaHasTheFrameSize)
{
	auto* window = new BWindow(BRect(50, 50, 560, 515), "Tunk", B_TITLED_WINDOW,
	    B_NOT_RESIZABLE | B_ASYNCHRONOUS_CONTROLS);
	EXPECT_EQ(window->Bounds(), BRect(0, 0, 510, 465));
	EXPECT_EQ(window->Widget()->size(), QSize(511, 466));
	EXPECT_EQ(window->Frame().LeftTop(), BPoint(50, 50));
	EXPECT_EQ(window->Widget()->minimumSize(), window->Widget()->maximumSize()) << "not resizable";
	EXPECT_TRUE(window->IsHidden());
	window->Show();
	EXPECT_FALSE(window->IsHidden());
	EXPECT_EQ(window->Bounds(), BRect(0, 0, 510, 465));
	window->Quit();
}

} // namespace
