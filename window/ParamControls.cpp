#include "window/ParamControls.h"

#include <QLabel>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "kits/app/Message.h"
#include "kits/interface/CheckBox.h"
#include "kits/interface/MenuField.h"
#include "kits/interface/MenuItem.h"
#include "kits/interface/PopUpMenu.h"
#include "kits/interface/Slider.h"
#include "kits/interface/StringView.h"
#include "kits/interface/TextControl.h"
#include "kits/interface/View.h"
#include "window/NumberText.h"

namespace {

constexpr uint32 kFollow = B_FOLLOW_LEFT | B_FOLLOW_TOP;
constexpr uint32 kControlFlags = B_WILL_DRAW | B_NAVIGABLE;
constexpr rgb_color kBarColor = {0, 51, 102, 255};

// The parts of a number's line, from the left: label, slider, field, unit.
constexpr float kLabelWidth = 84;
constexpr float kFieldWidth = 50;
constexpr float kUnitWidth = 24;
constexpr float kGap = 3;

bool IsLog(const tunk::ParamInfo& info)
{
	return info.scale == tunk::ParamScale::Logarithmic;
}

// Slider units per value unit of a linear row.
double LinearFactor(const tunk::ParamInfo& info)
{
	return 1.0 / double(tunk::ShownStep(info));
}

float RoundToShown(const tunk::ParamInfo& info, double value)
{
	const double factor = LinearFactor(info);
	return float(std::round(value * factor) / factor);
}

BMessage* RowMessage(uint32 code, tunk::Param param)
{
	auto* message = new BMessage(code);
	message->AddInt32("param", int32(param));
	return message;
}

} // namespace

int32 ParamSliderMin(const tunk::ParamInfo& info)
{
	return IsLog(info) ? 0 : int32(std::lround(double(info.min) * LinearFactor(info)));
}

int32 ParamSliderMax(const tunk::ParamInfo& info)
{
	return IsLog(info) ? kLogSliderSteps : int32(std::lround(double(info.max) * LinearFactor(info)));
}

int32 ParamSliderPosition(const tunk::ParamInfo& info, float value)
{
	const int32 low = ParamSliderMin(info);
	const int32 high = ParamSliderMax(info);
	if (std::isnan(value))
		return low;
	double position = 0;
	if (IsLog(info)) {
		const double floor = tunk::ScaleFloor(info);
		position = value <= floor ? 0
		                          : std::log(double(value) / floor) / std::log(double(info.max) / floor) *
		                                kLogSliderSteps;
	} else {
		position = double(value) * LinearFactor(info);
	}
	return int32(std::clamp(std::round(position), double(low), double(high)));
}

float ParamFromSlider(const tunk::ParamInfo& info, int32 position)
{
	const int32 low = ParamSliderMin(info);
	const int32 high = ParamSliderMax(info);
	if (position <= low)
		return info.min;
	if (position >= high)
		return info.max;
	if (!IsLog(info))
		return std::clamp(RoundToShown(info, double(position) / LinearFactor(info)), info.min, info.max);
	const double floor = tunk::ScaleFloor(info);
	const double value = floor * std::pow(double(info.max) / floor, double(position) / kLogSliderSteps);
	return std::clamp(RoundToShown(info, value), info.min, info.max);
}

std::string ShownValue(const tunk::ParamInfo& info, float value)
{
	if (info.kind == tunk::ParamKind::Switch)
		return value != 0 ? "On" : "Off";
	if (info.kind == tunk::ParamKind::Choice) {
		const float index = value - info.min;
		if (index >= 0 && index == std::floor(index) && size_t(index) < info.choices.size())
			return info.choices[size_t(index)];
	}
	std::string text = FormatFixed(value, info.digits);
	if (*info.unit != '\0')
		text += std::string(" ") + info.unit;
	return text;
}

std::string LabelInSection(const tunk::ParamInfo& info, const char* section)
{
	const size_t length = std::strlen(section);
	if (std::strncmp(info.label, section, length) == 0 && info.label[length] == ' ')
		return info.label + length + 1;
	return info.label;
}

ParamControl::ParamControl(BView* parent, BRect frame, tunk::Param param, const char* section)
    : fParam(param)
{
	const tunk::ParamInfo& info = Info();
	const std::string label = LabelInSection(info, section);
	const std::string name = std::string(info.symbol);
	switch (info.kind) {
		case tunk::ParamKind::Switch: {
			auto* check = new BCheckBox(frame, (name + "Check").c_str(), label.c_str(),
			    RowMessage(kMsgParamSwitch, param), kFollow, kControlFlags);
			parent->AddChild(check);
			fControl = check;
			break;
		}
		case tunk::ParamKind::Choice: {
			auto* menu = new BPopUpMenu("", true, true, B_ITEMS_IN_COLUMN);
			for (size_t i = 0; i < info.choices.size(); i++) {
				BMessage* message = RowMessage(kMsgParamChoice, param);
				message->AddInt32("code", int32(info.min) + int32(i));
				menu->AddItem(new BMenuItem(info.choices[i], message));
			}
			fMenu = new BMenuField(
			    frame, (name + "Field").c_str(), label.c_str(), menu, kFollow, kControlFlags);
			fMenu->SetDivider(kLabelWidth);
			parent->AddChild(fMenu);
			fControl = fMenu;
			break;
		}
		case tunk::ParamKind::Number: {
			const float top = frame.top;
			const float bottom = frame.bottom;
			float x = frame.left;
			fLabel = new BStringView(
			    BRect(x, top, x + kLabelWidth - 1, bottom), (name + "Label").c_str(), label.c_str());
			parent->AddChild(fLabel);
			x += kLabelWidth;
			const float fieldLeft = frame.right - kUnitWidth - kFieldWidth;
			fSlider = new BSlider(BRect(x, top, fieldLeft - kGap - 1, bottom), (name + "Slider").c_str(),
			    "", RowMessage(kMsgParamSlider, param), ParamSliderMin(info), ParamSliderMax(info),
			    B_TRIANGLE_THUMB, kFollow, B_WILL_DRAW | B_FRAME_EVENTS | B_NAVIGABLE);
			fSlider->SetBarColor(kBarColor);
			fSlider->SetModificationMessage(RowMessage(kMsgParamSlider, param));
			fSlider->SetToolTip(info.comment);
			parent->AddChild(fSlider);
			fField = new BTextControl(BRect(fieldLeft, top, fieldLeft + kFieldWidth - 1, bottom),
			    (name + "Text").c_str(), "", "", RowMessage(kMsgParamText, param), kFollow,
			    kControlFlags);
			fField->SetDivider(0);
			parent->AddChild(fField);
			fUnit = new BStringView(BRect(fieldLeft + kFieldWidth + kGap, top, frame.right, bottom),
			    (name + "Unit").c_str(), info.unit);
			parent->AddChild(fUnit);
			fControl = fSlider;
			break;
		}
	}
	Show(info.def);
}

void ParamControl::Show(float value)
{
	const tunk::ParamInfo& info = Info();
	switch (info.kind) {
		case tunk::ParamKind::Switch: fControl->SetValue(value != 0 ? B_CONTROL_ON : B_CONTROL_OFF); break;
		case tunk::ParamKind::Choice: {
			const float index = value - info.min;
			BMenuItem* item = index >= 0 && index == std::floor(index)
			                      ? fMenu->Menu()->ItemAt(int32(index))
			                      : nullptr;
			if (item != nullptr) {
				item->SetMarked(true);
			} else if (BMenuItem* marked = fMenu->Menu()->FindMarked()) {
				marked->SetMarked(false);
			}
			break;
		}
		case tunk::ParamKind::Number:
			fSlider->SetValue(ParamSliderPosition(info, value));
			fField->SetText(FormatFixed(value, info.digits).c_str());
			break;
	}
}

void ParamControl::SetEnabled(bool enabled)
{
	fControl->SetEnabled(enabled);
	if (fField != nullptr)
		fField->SetEnabled(enabled);
	// A slider without a label of its own looks the same either way: its row's words grey.
	for (BStringView* words : {fLabel, fUnit}) {
		if (words != nullptr)
			words->LabelWidget()->setEnabled(enabled);
	}
}

std::optional<float> ParamControl::Read(const BMessage& message, float current, std::string* refusal)
{
	int32 row = -1;
	if (message.FindInt32("param", &row) != B_OK || row != int32(fParam))
		return std::nullopt;
	const tunk::ParamInfo& info = Info();
	switch (message.what) {
		case kMsgParamSwitch: return fControl->Value() == B_CONTROL_ON ? 1.0f : 0.0f;
		case kMsgParamChoice: {
			int32 code = 0;
			if (message.FindInt32("code", &code) != B_OK)
				return std::nullopt;
			return float(code);
		}
		case kMsgParamSlider:
			if (fSlider == nullptr)
				return std::nullopt;
			return ParamFromSlider(info, fSlider->Value());
		case kMsgParamText: {
			if (fField == nullptr)
				return std::nullopt;
			// A number beyond the slider is kept as typed, as a preset keeps it: the sound brings
			// it into range where it plays. Only one no float can hold is refused.
			const std::optional<double> typed = ParseNumber(fField->Text());
			if (!typed || !std::isfinite(float(*typed))) {
				if (typed)
					*refusal = std::string(info.label) + ": " + fField->Text() + " is too large";
				fField->SetText(FormatFixed(current, info.digits).c_str());
				return std::nullopt;
			}
			return float(*typed);
		}
		default: return std::nullopt;
	}
}
