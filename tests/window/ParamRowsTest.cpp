// Every row of the parameter table has its control in the window, over the row's range.
#include <cmath>
#include <gtest/gtest.h>
#include <string>

#include "engine/core/Params.h"
#include "kits/interface/CheckBox.h"
#include "kits/interface/Menu.h"
#include "kits/interface/MenuField.h"
#include "kits/interface/MenuItem.h"
#include "kits/interface/Slider.h"
#include "kits/interface/TextControl.h"
#include "window/NumberText.h"
#include "window/ParamControls.h"
#include "window/WindowHarness.h"

using namespace window_test;

namespace {

class ParamRows : public WindowFixture {};

} // namespace

TEST_F(ParamRows, EveryRowHasAControlOverItsRange)
{
	TunkWindow* window = New();
	// Every section on, so that no control stands disabled.
	for (const char* check : {"CheckEnFreqEnv", "CheckEnAmpEnv", "CheckEnDistortion",
	         "CheckEnFilter", "CheckEnNoise"})
		Click(window, check);
	for (const tunk::ParamInfo& info : tunk::kParams) {
		SCOPED_TRACE(info.symbol);
		BView* control = window->ControlFor(info.id);
		// How notes play a sound has no room in the side column yet.
		if (tunk::ShapesHits(info)) {
			EXPECT_EQ(control, nullptr);
			continue;
		}
		ASSERT_NE(control, nullptr);
		EXPECT_NE(std::string(control->Name()), "");
		EXPECT_EQ(window->FindView(control->Name()), control);
		switch (info.kind) {
			case tunk::ParamKind::Number:
				if (window->TableControlFor(info.id) != nullptr) {
					// A slider made from the row: its ends are the row's bounds, its field
					// shows the value with the row's digits.
					auto* slider = dynamic_cast<BSlider*>(control);
					ASSERT_NE(slider, nullptr);
					EXPECT_EQ(Text(window, (std::string(info.symbol) + "Text").c_str()),
					    FormatFixed(window->Values()[info.id], info.digits));
					int32 low = 0;
					int32 high = 0;
					slider->GetLimits(&low, &high);
					// Low first: the noise level's low end switches the noise off, its high end
					// on again for the rows after it.
					Slide(window, slider->Name(), low);
					EXPECT_EQ(window->Values()[info.id], info.min);
					Slide(window, slider->Name(), high);
					EXPECT_EQ(window->Values()[info.id], info.max);
					EXPECT_EQ(window->UndoHistory().UndoName(), info.label);
				} else if (auto* slider = dynamic_cast<BSlider*>(control)) {
					// The slider's units are the row's times a factor (100 for a level).
					int32 low = 0;
					int32 high = 0;
					slider->GetLimits(&low, &high);
					const float factor = float(high) / info.max;
					EXPECT_GE(factor, 1.0f);
					EXPECT_EQ(low, int32(std::lround(info.min * factor)));
					if (*slider->MinLimitLabel() != '\0') {
						EXPECT_EQ(std::string(slider->MinLimitLabel())
						              .rfind(FormatNumber(info.min * factor), 0),
						    0u);
						EXPECT_EQ(std::string(slider->MaxLimitLabel())
						              .rfind(FormatNumber(info.max * factor), 0),
						    0u);
					}
				} else {
					// A curve's field starts at the row's default.
					auto* text = dynamic_cast<BTextControl*>(control);
					ASSERT_NE(text, nullptr);
					EXPECT_EQ(std::string(text->Text()), FormatNumber(info.def));
				}
				break;
			case tunk::ParamKind::Choice: {
				auto* field = dynamic_cast<BMenuField*>(control);
				ASSERT_NE(field, nullptr);
				ASSERT_EQ(size_t(field->Menu()->CountItems()), info.choices.size());
				for (size_t i = 0; i < info.choices.size(); i++)
					EXPECT_EQ(
					    std::string(field->Menu()->ItemAt(int32(i))->Label()), info.choices[i]);
				// The last choice sets the row's maximum code.
				field->Menu()->ItemAt(field->Menu()->CountItems() - 1)->Invoke();
				ProcessEvents();
				EXPECT_EQ(window->Values()[info.id], info.max);
				EXPECT_EQ(window->UndoHistory().UndoName(), info.label);
				break;
			}
			case tunk::ParamKind::Switch: {
				auto* check = dynamic_cast<BCheckBox*>(control);
				ASSERT_NE(check, nullptr);
				// Switched on above, or by a table-made box.
				EXPECT_EQ(check->Value() == B_CONTROL_ON, window->Values().On(info.id));
				break;
			}
		}
	}
	EXPECT_EQ(window->ControlFor(tunk::Param::count), nullptr);
}
