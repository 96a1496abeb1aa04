#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

#include "kits/app/Message.h"
#include "kits/interface/Box.h"
#include "kits/interface/Button.h"
#include "kits/interface/CheckBox.h"
#include "kits/interface/MenuField.h"
#include "kits/interface/MenuItem.h"
#include "kits/interface/PopUpMenu.h"
#include "kits/interface/QtEnvironment.h"
#include "kits/interface/Slider.h"
#include "kits/interface/TextControl.h"
#include "kits/interface/Window.h"

namespace {

constexpr uint32 kButton = four_char_code("btn1");
constexpr uint32 kCheck = four_char_code("chk1");
constexpr uint32 kSlider = four_char_code("sldr");
constexpr uint32 kSliding = four_char_code("sldm");
constexpr uint32 kText = four_char_code("txt1");
constexpr uint32 kOtherText = four_char_code("txt2");
constexpr uint32 kSine = four_char_code("msim");
constexpr uint32 kSquare = four_char_code("msqm");

class RecordingWindow : public BWindow {
public:
	RecordingWindow()
	    : BWindow(BRect(100, 100, 499, 399), "controls", B_TITLED_WINDOW,
	          B_NOT_RESIZABLE | B_ASYNCHRONOUS_CONTROLS)
	{
	}
	std::vector<uint32> codes;
	void MessageReceived(BMessage* message) override { codes.push_back(message->what); }
};

class Controls : public ::testing::Test {
protected:
	void SetUp() override
	{
		window = new RecordingWindow;
		box = new BBox(BRect(15, 5, 395, 295), "box");
		box->SetLabel("Box");
		window->AddChild(box);
	}

	// Shows the window and makes it the active one, so that keys and focus work.
	void ShowActive()
	{
		window->Show();
		QApplication::setActiveWindow(window->Widget());
		ASSERT_TRUE(QTest::qWaitForWindowActive(window->Widget()));
	}

	std::vector<uint32> Codes()
	{
		ProcessEvents();
		return window->codes;
	}

	void TearDown() override { window->Quit(); }

	RecordingWindow* window = nullptr;
	BBox* box = nullptr;
};

TEST_F(Controls, BoxPlacesItsChildrenInItsOwnCoordinates)
{
	auto* button = new BButton(BRect(5, 10, 60, 30), "b", "B", new BMessage(kButton));
	box->AddChild(button);
	EXPECT_STREQ(box->Label(), "Box");
	EXPECT_EQ(button->Widget()->mapTo(window->Widget(), QPoint(0, 0)), QPoint(20, 15));
	EXPECT_EQ(window->FindView("b"), button);
	EXPECT_EQ(button->Parent(), box);
	EXPECT_EQ(button->Window(), window);
}

// The frame's top line runs through the middle of the label, so that views placed ten or
// twelve pixels below the box's top stand inside the frame, and the label interrupts it.
TEST_F(Controls, BoxLabelSitsOnTheFramesTopLine)
{
	auto* check = new BCheckBox(BRect(10, 12, 63, 31), "enable", "Enable", new BMessage(kCheck));
	box->AddChild(check);
	ShowActive();
	BRect label = box->LabelRect();
	ASSERT_TRUE(label.IsValid());
	EXPECT_GE(box->FrameTop(), label.top + 1);
	EXPECT_LE(box->FrameTop(), label.bottom - 1);
	EXPECT_LT(box->FrameTop(), check->Frame().top) << "the check box lies inside the frame";

	QImage image = box->Widget()->grab().toImage();
	int top = int(box->FrameTop());
	auto isLine = [&](int x, int y) { return qGray(image.pixel(x, y)) < 200; };
	// The line runs from beyond the label to the right edge, and down both sides.
	int right = image.width() - 1;
	EXPECT_TRUE(isLine(int(label.right) + 4, top));
	EXPECT_TRUE(isLine(right - 1, top));
	EXPECT_TRUE(isLine(0, image.height() / 2));
	EXPECT_TRUE(isLine(right - 1, image.height() / 2));
	EXPECT_TRUE(isLine(image.width() / 2, image.height() - 2));
	// Nothing of the line above its row, and a gap where the label stands.
	for (int y = 0; y < top; y++)
		EXPECT_FALSE(isLine(right - 1, y)) << "row " << y;
	EXPECT_TRUE(isLine(int(label.left) - 1, top));
	EXPECT_FALSE(isLine(int(label.left) + 1, top)) << "the label interrupts the line";
	EXPECT_FALSE(isLine(int(label.right) - 1, top));
	int ink = 0;
	for (int y = int(label.top); y <= int(label.bottom); y++)
		for (int x = int(label.left); x <= int(label.right); x++)
			ink += isLine(x, y);
	EXPECT_GT(ink, 10) << "the label is drawn";

	box->SetLabel("");
	EXPECT_FALSE(box->LabelRect().IsValid());
	EXPECT_EQ(box->FrameTop(), 0);
}

TEST_F(Controls, ButtonSendsOnClickAndTakesItsPreferredSizeAtItsCorner)
{
	auto* button = new BButton(BRect(20, 15, 76, 55), "save", "Save", new BMessage(kButton));
	button->ResizeToPreferred();
	box->AddChild(button);
	ShowActive();
	QSize hint = button->PushButton()->sizeHint();
	EXPECT_EQ(button->Frame(), BRect(20, 15, 94, 15 + float(hint.height() - 1)))
	    << "a short label gets the narrowest button";
	EXPECT_EQ(button->Widget()->size(), QSize(75, hint.height()));
	button->SetLabel("A label far too long for the narrowest button");
	button->ResizeToPreferred();
	EXPECT_GE(button->Frame().Width() + 1,
	    float(QFontMetrics(button->PushButton()->font()).horizontalAdvance(
	        button->PushButton()->text())));
	EXPECT_TRUE(Codes().empty());
	QTest::mouseClick(button->PushButton(), Qt::LeftButton);
	EXPECT_EQ(Codes(), (std::vector<uint32>{kButton}));
}

TEST_F(Controls, CheckBoxSendsWhenClickedButNotWhenSetFromCode)
{
	auto* check = new BCheckBox(BRect(10, 12, 63, 31), "check", "Enable", new BMessage(kCheck));
	box->AddChild(check);
	ShowActive();
	EXPECT_EQ(check->Value(), 0);
	QTest::mouseClick(check->CheckBox(), Qt::LeftButton);
	EXPECT_EQ(check->Value(), 1);
	EXPECT_EQ(Codes(), (std::vector<uint32>{kCheck}));
	check->SetValue(0);
	EXPECT_FALSE(check->CheckBox()->isChecked());
	QTest::mouseClick(check->CheckBox(), Qt::LeftButton);
	EXPECT_EQ(check->Value(), 1);
	check->SetValue(1);
	EXPECT_EQ(Codes(), (std::vector<uint32>{kCheck, kCheck}));
}

TEST_F(Controls, CheckBoxLabelReachesIntoFreeRoomButNotPastItsParent)
{
	// Narrower than Qt's check box with this label, in a box with room to its right.
	auto* check = new BCheckBox(BRect(10, 12, 40, 31), "check", "Enable", new BMessage(kCheck));
	box->AddChild(check);
	int wanted = check->CheckBox()->sizeHint().width();
	EXPECT_EQ(check->Frame(), BRect(10, 12, 40, 31));
	EXPECT_EQ(check->Widget()->width(), std::min(wanted, box->Widget()->width() - 10));
	EXPECT_GT(check->Widget()->width(), 31);
	EXPECT_EQ(check->CheckBox()->width(), check->Widget()->width());

	auto* edge = new BCheckBox(BRect(0, 40, 5, 59), "edge", "A much longer label than fits",
	    new BMessage(kCheck));
	box->AddChild(edge);
	EXPECT_LE(edge->Widget()->x() + edge->Widget()->width(), box->Widget()->width());
}

// The centre of the slider's knob, from the style that draws it.
QPoint KnobCentre(QSlider* slider)
{
	QStyleOptionSlider option;
	option.initFrom(slider);
	option.orientation = slider->orientation();
	option.minimum = slider->minimum();
	option.maximum = slider->maximum();
	option.sliderPosition = slider->sliderPosition();
	option.sliderValue = slider->value();
	option.tickPosition = slider->tickPosition();
	option.tickInterval = slider->tickInterval();
	option.singleStep = slider->singleStep();
	option.pageStep = slider->pageStep();
	option.subControls = QStyle::SC_All;
	return slider->style()
	    ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider)
	    .center();
}

TEST_F(Controls, SliderSendsWhileDraggedOnReleaseAndOnKeySteps)
{
	auto* slider = new BSlider(BRect(5, 35, 250, 85), "freq", "Frequency (hz)",
	    new BMessage(kSlider), 0, 4000, B_TRIANGLE_THUMB);
	slider->SetHashMarks(B_HASH_MARKS_TOP);
	slider->SetHashMarkCount(5);
	slider->SetLimitLabels("0", "4000");
	slider->SetModificationMessage(new BMessage(kSliding));
	box->AddChild(slider);
	ShowActive();
	EXPECT_EQ(slider->SliderWidget()->tickPosition(), QSlider::TicksAbove);
	EXPECT_EQ(slider->SliderWidget()->tickInterval(), 1000) << "5 marks: both ends and 3 between";

	slider->SetValue(5000);
	EXPECT_EQ(slider->Value(), 4000);
	slider->SetValue(-3);
	EXPECT_EQ(slider->Value(), 0);
	slider->SetValue(1000);
	EXPECT_EQ(slider->SliderWidget()->value(), 1000);
	EXPECT_TRUE(Codes().empty()) << "values set from code send nothing";

	QSlider* bar = slider->SliderWidget();
	QPoint knob = KnobCentre(bar);
	QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, knob);
	for (int dx = 10; dx <= 50; dx += 10)
		QTest::mouseMove(bar, knob + QPoint(dx, 0));
	QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, knob + QPoint(50, 0));
	std::vector<uint32> codes = Codes();
	ASSERT_GE(codes.size(), 3u);
	EXPECT_EQ(codes.back(), kSlider);
	EXPECT_EQ(std::count(codes.begin(), codes.end(), kSlider), 1);
	EXPECT_GE(std::count(codes.begin(), codes.end(), kSliding), 2);
	EXPECT_GT(slider->Value(), 1000);
	EXPECT_EQ(slider->Value(), bar->value());

	window->codes.clear();
	int32 before = slider->Value();
	slider->MakeFocus();
	QTest::keyClick(bar, Qt::Key_Right);
	EXPECT_EQ(Codes(), (std::vector<uint32>{kSlider}));
	EXPECT_EQ(slider->Value(), before + 1);

	slider->SetEnabled(false);
	EXPECT_FALSE(bar->isEnabled());
}

// A slider in a frame too short for label, marks, bar and limit labels one above the other (the
// distortion amount's) keeps its label clear of the marks and every part inside the frame.
TEST_F(Controls, ShortSliderKeepsItsLabelClearOfItsHashMarks)
{
	for (BRect frame : {BRect(70, 30, 155, 65), BRect(5, 35, 150, 85)}) {
		auto* slider =
		    new BSlider(frame, "amount", "Amount", new BMessage(kSlider), 1, 10, B_TRIANGLE_THUMB);
		slider->SetHashMarks(B_HASH_MARKS_TOP);
		slider->SetHashMarkCount(5);
		slider->SetLimitLabels("1", "10");
		box->AddChild(slider);
		ShowActive();
		QWidget* panel = slider->ControlWidget();
		QSlider* bar = slider->SliderWidget();
		QRect label = slider->LabelWidget()->geometry();
		QRect barRect = bar->geometry();
		QRect inside(0, 0, panel->width(), panel->height());
		QLabel* parts[] = {slider->LabelWidget(), slider->MinLabelWidget(),
		    slider->MaxLabelWidget()};
		for (QLabel* part : parts) {
			QRect rect = part->geometry();
			EXPECT_TRUE(inside.contains(rect)) << part->text().toStdString();
			EXPECT_GE(rect.height(), part->sizeHint().height()) << part->text().toStdString();
			EXPECT_FALSE(rect.intersects(barRect)) << part->text().toStdString();
		}
		EXPECT_FALSE(slider->MinLabelWidget()->geometry().intersects(
		    slider->MaxLabelWidget()->geometry()));
		EXPECT_TRUE(inside.contains(barRect));
		EXPECT_GE(barRect.height(), bar->sizeHint().height()) << "the marks are not cut";
		EXPECT_LT(label.bottom(), barRect.top());
		slider->RemoveSelf();
		delete slider;
	}
}

TEST_F(Controls, TextControlSendsOnEnterAndOnLeavingAfterAChangeOnly)
{
	auto* text =
	    new BTextControl(BRect(150, 50, 190, 69), "freqText", "", "1000", new BMessage(kText));
	text->SetDivider(0);
	auto* other = new BTextControl(
	    BRect(10, 100, 120, 119), "curve", "Freq Curve:", "1", new BMessage(kOtherText));
	box->AddChild(text);
	box->AddChild(other);
	ShowActive();
	EXPECT_EQ(text->TextView()->geometry(), QRect(0, 0, 41, 20)) << "divider 0: all field";
	EXPECT_GT(other->Divider(), 0) << "a label keeps the toolkit's divider";
	EXPECT_STREQ(text->Text(), "1000");

	text->SetText("440\n");
	EXPECT_EQ(std::atof(text->Text()), 440.0);
	EXPECT_TRUE(Codes().empty());

	text->MakeFocus();
	QTest::keyClicks(text->TextView(), "42");
	EXPECT_STREQ(text->Text(), "42");
	EXPECT_TRUE(Codes().empty()) << "typing alone commits nothing";
	QTest::keyClick(text->TextView(), Qt::Key_Return);
	EXPECT_EQ(Codes(), (std::vector<uint32>{kText}));
	QTest::keyClick(text->TextView(), Qt::Key_Return);
	EXPECT_EQ(Codes(), (std::vector<uint32>{kText, kText})) << "Enter always commits";

	other->MakeFocus();
	EXPECT_EQ(Codes().size(), 2u) << "leaving without a change commits nothing";
	text->MakeFocus();
	QTest::keyClick(text->TextView(), Qt::Key_End);
	QTest::keyClick(text->TextView(), Qt::Key_7);
	other->MakeFocus();
	EXPECT_EQ(Codes(), (std::vector<uint32>{kText, kText, kText}));
	EXPECT_STREQ(text->Text(), "427");

	// What the field showed before each edit, for a window that takes an edit back.
	EXPECT_STREQ(text->TextBeforeEdit(), "42");
	text->MakeFocus();
	QTest::keyClicks(text->TextView(), "ab");
	EXPECT_STREQ(text->TextBeforeEdit(), "427");
	EXPECT_TRUE(text->CommitEdit()) << "the typed edit was pending";
	EXPECT_FALSE(text->CommitEdit()) << "nothing left to commit";
	EXPECT_EQ(Codes().size(), 4u);
	text->SetText("5");
	EXPECT_STREQ(text->TextBeforeEdit(), "5");

	// A number wider than the field shows whole, from its first digit, in a smaller type;
	// one that fits keeps the field's own, and so does an edit.
	other->MakeFocus();
	const QFont own = text->TextView()->font();
	// Inside the frame and QLineEdit's margins of 2 pixels, with the cursor's pixel.
	const int frame = text->TextView()->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
	const int room = text->TextView()->width() - 2 * frame - 4 - 1;
	ASSERT_GT(QFontMetrics(own).horizontalAdvance(QStringLiteral("0.766812")), room);
	text->SetText("0.766812");
	EXPECT_LE(QFontMetrics(text->TextView()->font()).horizontalAdvance(QStringLiteral("0.766812")), room);
	EXPECT_LT(text->TextView()->font().pointSizeF(), own.pointSizeF());
	EXPECT_EQ(text->TextView()->cursorPosition(), 0);
	text->MakeFocus();
	QTest::keyClick(text->TextView(), Qt::Key_End);
	QTest::keyClick(text->TextView(), Qt::Key_1);
	EXPECT_EQ(text->TextView()->font(), own) << "the user's edit in the field's own type";
	text->SetText("0.5");
	EXPECT_EQ(text->TextView()->font(), own);

	other->SetEnabled(false);
	EXPECT_FALSE(other->TextView()->isEnabled());
	EXPECT_FALSE(other->IsEnabled());
}

TEST_F(Controls, TabMovesTheFocusThroughTheControlsInCreationOrder)
{
	auto* first = new BTextControl(BRect(10, 10, 60, 29), "a", "", "1", new BMessage(kText));
	auto* second = new BTextControl(BRect(10, 40, 60, 59), "b", "", "2", new BMessage(kText));
	auto* third = new BCheckBox(BRect(10, 70, 60, 89), "c", "C", new BMessage(kCheck));
	box->AddChild(first);
	box->AddChild(second);
	box->AddChild(third);
	ShowActive();
	first->MakeFocus();
	EXPECT_TRUE(first->IsFocus());
	QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
	EXPECT_TRUE(second->IsFocus());
	QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
	EXPECT_TRUE(third->IsFocus());
	EXPECT_EQ(window->CurrentFocus(), third);
}

TEST_F(Controls, MenuFieldShowsTheMarkedItemAndAChoiceMarksAndSends)
{
	auto* menu = new BPopUpMenu("");
	auto* field = new BMenuField(BRect(5, 10, 150, 30), "FieldOsc", "Oscillator", menu);
	menu->AddItem(new BMenuItem("Sine", new BMessage(kSine)));
	menu->AddItem(new BMenuItem("Square", new BMessage(kSquare)));
	menu->ItemAt(0)->SetMarked(true);
	box->AddChild(field);
	ShowActive();
	EXPECT_STREQ(field->MenuLabel(), "Sine");
	EXPECT_EQ(menu->FindMarked(), menu->ItemAt(0));
	EXPECT_TRUE(Codes().empty()) << "marking from code sends nothing";

	// The user opens the pop-up, on "Sine", moves down to "Square" and picks it.
	bool picked = false;
	QTimer::singleShot(50, [&] {
		QWidget* popup = QApplication::activePopupWidget();
		if (popup == nullptr)
			return;
		QTest::keyClick(popup, Qt::Key_Down);
		QTest::keyClick(popup, Qt::Key_Return);
		picked = true;
	});
	QTest::mouseClick(field->MenuButton(), Qt::LeftButton);
	ProcessEventsUntil([&] { return picked; });
	ASSERT_TRUE(picked) << "the pop-up opened";
	EXPECT_EQ(Codes(), (std::vector<uint32>{kSquare}));
	EXPECT_TRUE(menu->ItemAt(1)->IsMarked());
	EXPECT_FALSE(menu->ItemAt(0)->IsMarked());
	EXPECT_STREQ(field->MenuLabel(), "Square");

	menu->ItemAt(0)->SetMarked(true);
	EXPECT_FALSE(menu->ItemAt(1)->IsMarked()) << "radio mode keeps one mark";
	EXPECT_STREQ(field->MenuLabel(), "Sine");
	EXPECT_EQ(Codes().size(), 1u);
}

TEST_F(Controls, ATargetOtherThanTheWindowGetsTheMessage)
{
	struct Side : BHandler {
		std::vector<uint32> codes;
		void MessageReceived(BMessage* message) override { codes.push_back(message->what); }
	};
	auto* side = new Side;
	window->AddHandler(side);
	auto* button = new BButton(BRect(5, 10, 60, 30), "b", "B", new BMessage(kButton));
	box->AddChild(button);
	button->SetTarget(side);
	ShowActive();
	QTest::mouseClick(button->PushButton(), Qt::LeftButton);
	EXPECT_TRUE(Codes().empty());
	EXPECT_EQ(side->codes, (std::vector<uint32>{kButton}));
	window->RemoveHandler(side);
	delete side;
}

} // namespace

// The space bar belongs to the window, so the keys that operate a control are Enter (buttons,
// check boxes, opening a menu), F4 and Alt+Down (menus) and the arrows (the marked item).
TEST_F(Controls, EnterPressesButtonsAndTogglesCheckBoxes)
{
	auto* button = new BButton(BRect(20, 15, 76, 55), "play", "Play", new BMessage(kButton));
	auto* check = new BCheckBox(BRect(20, 60, 80, 80), "on", "On", new BMessage(kCheck));
	box->AddChild(button);
	box->AddChild(check);
	ShowActive();

	button->MakeFocus();
	QTest::keyClick(button->PushButton(), Qt::Key_Return);
	QTest::keyClick(button->PushButton(), Qt::Key_Enter, Qt::KeypadModifier);
	EXPECT_EQ(Codes(), (std::vector<uint32>{kButton, kButton}));
	QTest::keyClick(button->PushButton(), Qt::Key_Return, Qt::ControlModifier);
	EXPECT_EQ(Codes().size(), 2u) << "Ctrl+Return is a shortcut, not a press";

	window->codes.clear();
	check->MakeFocus();
	QTest::keyClick(check->CheckBox(), Qt::Key_Return);
	EXPECT_EQ(check->Value(), B_CONTROL_ON);
	QTest::keyClick(check->CheckBox(), Qt::Key_Enter, Qt::KeypadModifier);
	EXPECT_EQ(check->Value(), B_CONTROL_OFF);
	EXPECT_EQ(Codes(), (std::vector<uint32>{kCheck, kCheck}));

	window->codes.clear();
	check->SetEnabled(false);
	button->SetEnabled(false);
	QTest::keyClick(check->CheckBox(), Qt::Key_Return);
	QTest::keyClick(button->PushButton(), Qt::Key_Return);
	EXPECT_TRUE(Codes().empty());
}

TEST_F(Controls, MenuFieldOpensAndStepsFromTheKeyboard)
{
	auto* menu = new BPopUpMenu("");
	auto* field = new BMenuField(BRect(5, 10, 150, 30), "FieldOsc", "Oscillator", menu);
	constexpr uint32 kThird = four_char_code("mswm");
	menu->AddItem(new BMenuItem("Sine", new BMessage(kSine)));
	menu->AddItem(new BMenuItem("Square", new BMessage(kSquare)));
	menu->AddItem(new BMenuItem("Saw", new BMessage(kThird)));
	menu->ItemAt(0)->SetMarked(true);
	box->AddChild(field);
	ShowActive();
	QPushButton* button = field->MenuButton();
	field->MakeFocus();

	QTest::keyClick(button, Qt::Key_Down);
	EXPECT_EQ(Codes(), (std::vector<uint32>{kSquare}));
	EXPECT_STREQ(field->MenuLabel(), "Square");
	QTest::keyClick(button, Qt::Key_Down);
	QTest::keyClick(button, Qt::Key_Down);
	EXPECT_EQ(Codes(), (std::vector<uint32>{kSquare, kThird})) << "no step past the last item";
	QTest::keyClick(button, Qt::Key_Up);
	QTest::keyClick(button, Qt::Key_Up);
	QTest::keyClick(button, Qt::Key_Up);
	EXPECT_EQ(Codes(), (std::vector<uint32>{kSquare, kThird, kSquare, kSine}));
	EXPECT_TRUE(menu->ItemAt(0)->IsMarked());

	// Each opening key shows the pop-up; Escape closes it without a choice.
	struct Opener {
		Qt::Key key;
		Qt::KeyboardModifiers modifiers;
	};
	// It opens with the marked item highlighted.
	for (Opener opener : {Opener{Qt::Key_Return, Qt::NoModifier},
	         Opener{Qt::Key_Enter, Qt::KeypadModifier}, Opener{Qt::Key_F4, Qt::NoModifier},
	         Opener{Qt::Key_Down, Qt::AltModifier}}) {
		bool opened = false;
		QTimer::singleShot(50, [&] {
			QWidget* popup = QApplication::activePopupWidget();
			if (popup == nullptr)
				return;
			opened = true;
			auto* shown = qobject_cast<QMenu*>(popup);
			EXPECT_TRUE(shown != nullptr && shown->activeAction() == menu->ItemAt(0)->Action());
			QTest::keyClick(popup, Qt::Key_Escape);
		});
		QTest::keyClick(button, opener.key, opener.modifiers);
		ProcessEventsUntil([&] { return opened; }, 1000);
		EXPECT_TRUE(opened) << opener.key;
		ProcessEvents();
		EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
	}
	EXPECT_EQ(Codes().size(), 4u);

	field->SetEnabled(false);
	QTest::keyClick(button, Qt::Key_Down);
	EXPECT_EQ(Codes().size(), 4u) << "a disabled field changes nothing";
}

// A slider's tool tip is there on hover and shows beside the knob at once while it is dragged,
// so that a value the window writes in answer to each message follows the drag.
TEST_F(Controls, SliderToolTipFollowsTheDrag)
{
	auto* slider = new BSlider(BRect(10, 30, 230, 70), "cutoff", "Cutoff", new BMessage(kSlider),
	    20, 20000, B_TRIANGLE_THUMB);
	slider->SetModificationMessage(new BMessage(kSliding));
	box->AddChild(slider);
	ShowActive();
	QSlider* bar = slider->SliderWidget();
	slider->SetToolTip("5000 Hz");
	EXPECT_EQ(bar->toolTip(), "5000 Hz");
	EXPECT_STREQ(slider->ToolTip(), "5000 Hz");
	EXPECT_FALSE(QToolTip::isVisible()) << "not dragged: only on hover";

	QPoint knob = KnobCentre(bar);
	QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, knob);
	QTest::mouseMove(bar, knob + QPoint(20, 0));
	ASSERT_TRUE(bar->isSliderDown());
	slider->SetToolTip("6800 Hz");
	EXPECT_TRUE(QToolTip::isVisible());
	EXPECT_EQ(QToolTip::text(), "6800 Hz");
	QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, knob + QPoint(20, 0));
	EXPECT_EQ(bar->toolTip(), "6800 Hz");
	QToolTip::hideText();
}
