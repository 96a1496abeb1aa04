// The editor window as a new user first sees it: every box's frame line runs through the middle
// of its label, and every view the layout puts in a box stands inside the box's frame lines.
#include <QLabel>
#include <QSlider>
#include <QWidget>
#include <gtest/gtest.h>
#include <string>

#include "kits/interface/Box.h"
#include "kits/interface/Slider.h"
#include "window/TunkWindow.h"
#include "window/WindowHarness.h"

using namespace window_test;

namespace {

class WindowLook : public WindowFixture {};

// The frame lines are two pixels wide at each edge; a child must stay clear of them.
constexpr int kLine = 2;

TEST_F(WindowLook, EveryChildStandsInsideItsBoxFrame)
{
	TunkWindow* window = New();
	int boxes = 0;
	for (const char* name :
	    {"OSCBox", "FENVBox", "AENVBox", "DistortionBox", "PresetsBox", "FilterBox", "OutputBox"}) {
		SCOPED_TRACE(name);
		BBox* box = Find<BBox>(window, name);
		ASSERT_NE(box, nullptr);
		boxes++;
		BRect label = box->LabelRect();
		ASSERT_TRUE(label.IsValid());
		EXPECT_GT(box->FrameTop(), label.top);
		EXPECT_LT(box->FrameTop(), label.bottom);
		QRect inner(kLine, int(box->FrameTop()) + kLine, box->Widget()->width() - 2 * kLine,
		    box->Widget()->height() - int(box->FrameTop()) - 2 * kLine);
		ASSERT_GT(box->CountChildren(), 0);
		for (int32 i = 0; i < box->CountChildren(); i++) {
			BView* child = box->ChildAt(i);
			SCOPED_TRACE(child->Name());
			BRect frame = child->Frame();
			EXPECT_TRUE(inner.contains(QRect(
			    int(frame.left), int(frame.top), int(frame.Width()) + 1, int(frame.Height()) + 1)));
			// What is drawn: a widget may reach beyond its frame to show its whole label.
			EXPECT_TRUE(inner.contains(child->Widget()->geometry()));
		}
	}
	EXPECT_EQ(boxes, 7);
}

TEST_F(WindowLook, SliderLabelsStayClearOfTheirMarks)
{
	TunkWindow* window = New();
	for (const char* name :
	    {"FreqSlider", "DurSlider", "AmpSlider", "DistSlider", "CutoffSlider", "ResonanceSlider"}) {
		SCOPED_TRACE(name);
		BSlider* slider = Find<BSlider>(window, name);
		QRect label = slider->LabelWidget()->geometry();
		QRect bar = slider->SliderWidget()->geometry();
		EXPECT_GE(label.height(), slider->LabelWidget()->sizeHint().height());
		EXPECT_LT(label.bottom(), bar.top()) << "the marks are drawn at the bar's top";
		EXPECT_GE(bar.height(), slider->SliderWidget()->sizeHint().height());
		QRect panel(QPoint(0, 0), slider->ControlWidget()->size());
		EXPECT_TRUE(panel.contains(bar));
	}
}

} // namespace
