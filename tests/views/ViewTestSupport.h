// Shared pieces of the view tests: a window to attach views to, pixel reading and the colours
// the views are expected to show.
#pragma once

#include <QImage>
#include <gtest/gtest.h>
#include <ostream>
#include <vector>

#include "kits/app/Message.h"
#include "kits/interface/GraphicsDefs.h"
#include "kits/interface/QtEnvironment.h"
#include "kits/interface/View.h"
#include "kits/interface/Window.h"

inline std::ostream& operator<<(std::ostream& out, const rgb_color& c)
{
	return out << "(" << int(c.red) << ", " << int(c.green) << ", " << int(c.blue) << ", "
	           << int(c.alpha) << ")";
}

namespace view_test {

inline constexpr rgb_color kPanel = {0, 51, 102, 255};
inline constexpr rgb_color kFrame = {128, 128, 128, 255};
inline constexpr rgb_color kHighlight = {255, 255, 255, 255};
inline constexpr rgb_color kTrace = {77, 127, 178, 255};
// The curve colour 153, 204, 255 at alpha 128 blended once over the panel:
// 0 + 153 * 128 / 255 = 76.8, 51 + 76.8 = 127.8, 102 + 76.8 = 178.8, each rounded.
inline constexpr rgb_color kCurveOnPanel = {77, 128, 179, 255};

inline rgb_color PixelAt(const QImage& image, int x, int y)
{
	QRgb p = image.pixel(x, y);
	return rgb_color{uint8(qRed(p)), uint8(qGreen(p)), uint8(qBlue(p)), uint8(qAlpha(p))};
}

// The frame every panel has: grey on the top and left edges, white on the bottom and right
// edges (the white lines are drawn last, so they own the bottom-left and top-right corners).
inline void ExpectSunkenFrame(const QImage& image)
{
	int right = image.width() - 1;
	int bottom = image.height() - 1;
	for (int x = 0; x < right; x++)
		ASSERT_EQ(PixelAt(image, x, 0), kFrame) << "top edge at x " << x;
	for (int y = 0; y < bottom; y++)
		ASSERT_EQ(PixelAt(image, 0, y), kFrame) << "left edge at y " << y;
	for (int x = 0; x <= right; x++)
		ASSERT_EQ(PixelAt(image, x, bottom), kHighlight) << "bottom edge at x " << x;
	for (int y = 0; y <= bottom; y++)
		ASSERT_EQ(PixelAt(image, right, y), kHighlight) << "right edge at y " << y;
}

// A window that keeps every message it is sent.
class RecordingWindow : public BWindow {
public:
	explicit RecordingWindow(BRect frame = BRect(50, 50, 560, 515))
	    : BWindow(frame, "views", B_TITLED_WINDOW, B_NOT_RESIZABLE)
	{
	}

	std::vector<BMessage> received;

	void MessageReceived(BMessage* message) override { received.push_back(*message); }
};

// Owns a window for one test and lets it go at the end.
class WindowTest : public ::testing::Test {
protected:
	void SetUp() override { window = new RecordingWindow; }

	void TearDown() override
	{
		window->Quit();
		ProcessEvents();
	}

	// Adds the view to the window (which runs its AttachedToWindow) and returns it.
	template <typename View> View* Attach(View* view)
	{
		window->Lock();
		window->AddChild(view);
		window->Unlock();
		return view;
	}

	RecordingWindow* window = nullptr;
};

} // namespace view_test
