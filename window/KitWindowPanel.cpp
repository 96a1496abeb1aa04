// The kit window's pad panel: the selected pad's name, note, level, pan, choke group and
// output, its buttons, and the pad's context menu.
#include "window/KitWindow.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include <cmath>

#include "kits/app/Message.h"
#include "window/KitPads.h"

namespace {

std::string PanText(int percent)
{
	if (percent == 0)
		return "Centre";
	return (percent < 0 ? "L " : "R ") + std::to_string(std::abs(percent));
}

} // namespace

void KitWindow::BuildPadPanel(QWidget* parent, QGridLayout* grid)
{
	int row = 0;
	fPadTitle = new QLabel(parent);
	fPadTitle->setObjectName(QStringLiteral("PadTitle"));
	QFont bold = fPadTitle->font();
	bold.setBold(true);
	fPadTitle->setFont(bold);
	grid->addWidget(fPadTitle, row++, 0, 1, 3);

	auto label = [&](const char* text, QWidget* buddy) {
		auto* l = new QLabel(QString::fromUtf8(text), parent);
		l->setBuddy(buddy);
		grid->addWidget(l, row, 0);
	};

	fPadName = new QLineEdit(parent);
	fPadName->setObjectName(QStringLiteral("PadName"));
	label("&Name:", fPadName);
	grid->addWidget(fPadName, row++, 1, 1, 2);
	QObject::connect(fPadName, &QLineEdit::editingFinished, parent, [this] {
		const std::string name = fPadName->text().toStdString();
		EditSelectedPad([&](Pad& pad) { pad.name = name; }, "Pad Name", kPadNameControl);
	});

	fNote = new QSpinBox(parent);
	fNote->setObjectName(QStringLiteral("PadNote"));
	fNote->setRange(kLowestNote, kHighestNote);
	fNote->setKeyboardTracking(false);
	fNoteName = new QLabel(parent);
	fNoteName->setObjectName(QStringLiteral("PadNoteName"));
	label("N&ote:", fNote);
	grid->addWidget(fNote, row, 1);
	grid->addWidget(fNoteName, row++, 2);
	QObject::connect(fNote, &QSpinBox::valueChanged, parent, [this](int note) {
		EditSelectedPad([&](Pad& pad) { pad.note = note; }, "Note", kNoteControl);
	});

	fLevel = new QDoubleSpinBox(parent);
	fLevel->setObjectName(QStringLiteral("PadLevel"));
	fLevel->setRange(kMinPadLevel, kMaxPadLevel);
	fLevel->setDecimals(1);
	fLevel->setSingleStep(0.5);
	fLevel->setSuffix(QStringLiteral(" dB"));
	fLevel->setKeyboardTracking(false);
	label("&Level:", fLevel);
	grid->addWidget(fLevel, row++, 1, 1, 2);
	QObject::connect(fLevel, &QDoubleSpinBox::valueChanged, parent, [this](double level) {
		EditSelectedPad([&](Pad& pad) { pad.level = float(level); }, "Level", kLevelControl);
	});

	fPan = new QSlider(Qt::Horizontal, parent);
	fPan->setObjectName(QStringLiteral("PadPan"));
	fPan->setRange(-100, 100);
	fPan->setPageStep(10);
	fPanText = new QLabel(parent);
	fPanText->setMinimumWidth(QFontMetrics(fPanText->font()).horizontalAdvance(QStringLiteral("Centre ")));
	label("&Pan:", fPan);
	grid->addWidget(fPan, row, 1);
	grid->addWidget(fPanText, row++, 2);
	QObject::connect(fPan, &QSlider::valueChanged, parent, [this](int percent) {
		fPanText->setText(QString::fromStdString(PanText(percent)));
		EditSelectedPad([&](Pad& pad) { pad.pan = float(percent) / 100.0f; }, "Pan", kPanControl);
	});

	fChoke = new QComboBox(parent);
	fChoke->setObjectName(QStringLiteral("PadChoke"));
	fChoke->addItem(QStringLiteral("None"));
	for (int group = 1; group <= kChokeGroups; group++)
		fChoke->addItem(QStringLiteral("Group %1").arg(group));
	label("&Choke:", fChoke);
	grid->addWidget(fChoke, row++, 1, 1, 2);
	QObject::connect(fChoke, &QComboBox::currentIndexChanged, parent, [this](int group) {
		EditSelectedPad([&](Pad& pad) { pad.choke = group; }, "Choke Group", kChokeControl);
	});

	fOutput = new QComboBox(parent);
	fOutput->setObjectName(QStringLiteral("PadOutput"));
	fOutput->addItem(QStringLiteral("Main"));
	fOutput->addItem(QStringLiteral("Own"));
	fOutput->setToolTip(QStringLiteral(
	    "Main: the stereo pair, panned. Own: the pad's own output in the kit plugin."));
	label("O&utput:", fOutput);
	grid->addWidget(fOutput, row++, 1, 1, 2);
	QObject::connect(fOutput, &QComboBox::currentIndexChanged, parent, [this](int output) {
		EditSelectedPad([&](Pad& pad) { pad.output = output == 1 ? PadOutput::Own : PadOutput::Main; },
		    "Output", kOutputControl);
	});

	auto* buttons = new QHBoxLayout;
	auto* play = new QPushButton(QStringLiteral("Play"), parent);
	play->setObjectName(QStringLiteral("PadPlay"));
	auto* edit = new QPushButton(QStringLiteral("Edit…"), parent);
	edit->setToolTip(QStringLiteral("Edit the pad's sound in a window of its own (Enter)"));
	edit->setObjectName(QStringLiteral("PadEdit"));
	auto* load = new QPushButton(QStringLiteral("Load…"), parent);
	load->setObjectName(QStringLiteral("PadLoad"));
	load->setToolTip(QStringLiteral("Load a preset as the pad's sound"));
	for (QPushButton* button : {play, edit, load}) {
		button->setAutoDefault(false);
		button->setFocusPolicy(Qt::TabFocus);
		buttons->addWidget(button);
	}
	QObject::connect(play, &QPushButton::clicked, parent, [this] { PlayPad(SelectedPad()); });
	QObject::connect(edit, &QPushButton::clicked, parent, [this] { EditPad(SelectedPad()); });
	QObject::connect(load, &QPushButton::clicked, parent, [this] {
		BMessage message(kMsgPadLoadSound);
		message.AddInt32("pad", int32(SelectedPad()));
		PostMessage(&message);
	});
	grid->addLayout(buttons, row++, 0, 1, 3);
	grid->setRowStretch(row, 1);
	grid->setColumnStretch(1, 1);

	fPadControls = {fPadName, fNote, fLevel, fPan, fChoke, fOutput, edit};
}

void KitWindow::ShowPadPanel()
{
	const Kit& kit = CurrentKit();
	const size_t index = SelectedPad();
	const bool present = index < kit.pads.size();
	const Pad pad = present ? kit.pads[index] : Pad();
	fShowing = true;
	for (QWidget* control : fPadControls)
		control->setEnabled(present);
	{
		const QSignalBlocker b1(fPadName), b2(fNote), b3(fLevel), b4(fPan), b5(fChoke), b6(fOutput);
		fPadTitle->setText(QString::fromStdString(
		    "Pad " + std::to_string(index + 1) + " (key " + KeyOfPad(index) + ")" +
		    (present ? "" : ": empty")));
		if (!fPadName->hasFocus() || fPadName->text().toStdString() != pad.name)
			fPadName->setText(QString::fromStdString(pad.name));
		fNote->setValue(pad.note);
		const char* gm = GmDrumName(pad.note);
		fNoteName->setText(QString::fromStdString(NoteName(pad.note)));
		fNoteName->setToolTip(QString::fromUtf8(gm));
		fLevel->setValue(double(pad.level));
		fPan->setValue(int(std::lround(pad.pan * 100.0f)));
		fPanText->setText(QString::fromStdString(PanText(fPan->value())));
		fChoke->setCurrentIndex(std::clamp(pad.choke, 0, kChokeGroups));
		fOutput->setCurrentIndex(pad.output == PadOutput::Own ? 1 : 0);
	}
	fShowing = false;
}

void KitWindow::EditSelectedPad(const std::function<void(Pad&)>& edit, const char* stepName, uint32 control)
{
	if (fShowing)
		return;
	const size_t index = SelectedPad();
	if (index >= CurrentKit().pads.size())
		return;
	Kit kit = CurrentKit();
	edit(kit.pads[index]);
	CommitKit(kit, stepName, MergeKey(control, index));
}

void KitWindow::ShowPadMenu(size_t pad, QPoint global)
{
	QMenu menu;
	const bool present = pad < CurrentKit().pads.size();
	QAction* play = menu.addAction(QStringLiteral("Play"));
	QAction* edit = menu.addAction(QStringLiteral("Edit Sound…"));
	QAction* load = menu.addAction(QStringLiteral("Load Sound…"));
	play->setEnabled(present);
	edit->setEnabled(present);
	QAction* chosen = menu.exec(global);
	if (chosen == play)
		PlayPad(pad);
	else if (chosen == edit)
		EditPad(pad);
	else if (chosen == load) {
		BMessage message(kMsgPadLoadSound);
		message.AddInt32("pad", int32(pad));
		PostMessage(&message);
	}
}

void KitWindow::SelectChangedPad(const Kit& before)
{
	// The pad an undo or redo changed is shown, so that its panel shows what came back.
	const Kit& now = CurrentKit();
	for (size_t pad = 0; pad < kMaxPads && (pad < before.pads.size() || pad < now.pads.size()); pad++) {
		if (pad >= before.pads.size() || pad >= now.pads.size() || !SameBits(before.pads[pad], now.pads[pad])) {
			fPads->Select(int(pad));
			return;
		}
	}
}
