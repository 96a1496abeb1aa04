// Controls made from the parameter table: a row the window does not place by hand gets a
// label, and a slider with a field (numbers), a check box (switches) or a pop-up menu
// (choices), all read from its row, so that a row added to the table reaches the window with
// no edit here.
#pragma once

#include <optional>
#include <string>

#include "engine/core/Params.h"
#include "kits/interface/Rect.h"
#include "kits/support/SupportDefs.h"

class BControl;
class BMenuField;
class BMessage;
class BSlider;
class BStringView;
class BTextControl;
class BView;

// Commands of the table's controls; the message's int32 "param" names the row, a choice's
// int32 "code" the chosen code.
enum : uint32 {
	kMsgParamSlider = four_char_code("pslm"),
	kMsgParamText = four_char_code("ptxm"),
	kMsgParamChoice = four_char_code("pchm"),
	kMsgParamSwitch = four_char_code("pswm"),
};

// Positions of a logarithmic row's slider: enough that every step stays below a percent.
inline constexpr int32 kLogSliderSteps = 1000;

// A slider over a row: logarithmic rows from 0 to kLogSliderSteps, linear ones in steps of
// the row's shown precision (hundredths for two digits).
int32 ParamSliderMin(const tunk::ParamInfo& info);
int32 ParamSliderMax(const tunk::ParamInfo& info);
// The position that shows a value, clamped to the slider; a non-number shows the minimum.
int32 ParamSliderPosition(const tunk::ParamInfo& info, float value);
// The value a position stands for, at the row's shown precision and within its range; the
// ends give the row's minimum and maximum exactly.
float ParamFromSlider(const tunk::ParamInfo& info, int32 position);
// "5000 Hz", "1.00": the value with the row's digits and unit; a choice's label ("Metal"),
// a switch's "On" or "Off".
std::string ShownValue(const tunk::ParamInfo& info, float value);
// The label shown in a section named `section`: the row's, without the section's name in
// front ("Noise Cutoff" in the Noise section reads "Cutoff").
std::string LabelInSection(const tunk::ParamInfo& info, const char* section);

// One row's control, built into a parent view at a frame of one line.
class ParamControl {
public:
	// The pitch of the side column's rows while the window's height holds them all.
	static constexpr float kRowHeight = 21;

	ParamControl(BView* parent, BRect frame, tunk::Param param, const char* section);

	tunk::Param Param() const { return fParam; }
	const tunk::ParamInfo& Info() const { return tunk::Info(fParam); }
	// The slider, check box or menu field.
	BControl* Control() const { return fControl; }
	// A number's field, nullptr for other kinds.
	BTextControl* Field() const { return fField; }

	// Shows the value in every part of the control without sending anything.
	void Show(float value);
	void SetEnabled(bool enabled);
	// The value the control's message asks for, a typed one as given; nothing when the message
	// is not this control's, or when the field's text is no number or too large for a float
	// (the field shows its value again, and `refusal` says why for a number).
	std::optional<float> Read(const BMessage& message, float current, std::string* refusal);

private:
	tunk::Param fParam;
	BControl* fControl = nullptr;
	BSlider* fSlider = nullptr;
	BTextControl* fField = nullptr;
	BMenuField* fMenu = nullptr;
	BStringView* fLabel = nullptr;
	BStringView* fUnit = nullptr;
};
