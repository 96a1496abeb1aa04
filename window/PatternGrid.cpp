#include "window/PatternGrid.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QDrag>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "kit/MidiFile.h"
#include "kit/Pattern.h"
#include "kit/SampleExport.h"
#include "window/DragOut.h"

namespace {

// Merge keys: a run of arrow presses on one control, or a drag on one cell, is one step.
enum : uint32_t {
	kNameKey = 0x50000001,
	kLengthKey,
	kRateKey,
	kSwingKey,
	kTempoKey,
	kCellKey = 0x60000000,
};

constexpr int kLaneHeight = 11;
constexpr int kLabelWidth = 70;
// Velocity a wheel notch or a + and - press moves.
constexpr int kNudge = 8;

uint32_t CellKey(size_t pad, int step)
{
	return kCellKey | uint32_t(pad) << 8 | uint32_t(step);
}

// A label that drags the grid's pattern out as a MIDI file.
class MidiHandle : public QLabel {
public:
	explicit MidiHandle(PatternGrid* grid) : QLabel(QStringLiteral("MIDI")), fGrid(grid)
	{
		setObjectName(QStringLiteral("PatternMidiDrag"));
		setToolTip(QStringLiteral("Drag the pattern out as a MIDI file"));
		setCursor(Qt::OpenHandCursor);
	}

protected:
	void mousePressEvent(QMouseEvent* event) override { fPress = event->position().toPoint(); }
	void mouseMoveEvent(QMouseEvent* event) override
	{
		if (!(event->buttons() & Qt::LeftButton) ||
		    (event->position().toPoint() - fPress).manhattanLength() <
		        QApplication::startDragDistance())
			return;
		const Kit& kit = fGrid->ShownKit();
		const std::vector<int> order = fGrid->Order();
		const std::string name = order.size() == 1 ? fGrid->Current().name : kit.name;
		std::string error;
		QMimeData* data = MakeMidiDragData(kit, order, name, &error);
		if (data == nullptr) {
			std::fprintf(stderr, "tunk: the pattern cannot be dragged out: %s\n", error.c_str());
			return;
		}
		auto* drag = new QDrag(this);
		drag->setMimeData(data);
		drag->exec(Qt::CopyAction);
	}

private:
	PatternGrid* fGrid;
	QPoint fPress;
};

} // namespace

QMimeData* MakeMidiDragData(
    const Kit& kit, const std::vector<int>& order, const std::string& name, std::string* error)
{
	if (order.empty()) {
		*error = "the kit has no pattern to drag";
		return nullptr;
	}
	std::string folder = SoundDragFolder() + "/midi-XXXXXX";
	if (mkdtemp(folder.data()) == nullptr) {
		*error = "no private temporary folder";
		return nullptr;
	}
	const std::string leaf = SafeFileStem(name).empty() ? "Pattern" : SafeFileStem(name);
	const std::string path = folder + "/" + leaf + ".mid";
	const std::vector<uint8_t> bytes = PatternMidiFile(
	    kit, MakePatternLoop(kit, order, 1, kit.tempo, 0, tunk::kSampleRate), kit.tempo);
	QFile file(QString::fromStdString(path));
	if (!file.open(QIODevice::WriteOnly) || file.write(reinterpret_cast<const char*>(bytes.data()),
	                                            qint64(bytes.size())) != qint64(bytes.size())) {
		*error = path + ": " + file.errorString().toStdString();
		return nullptr;
	}
	file.close();
	auto* data = new QMimeData;
	data->setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
	data->setData("audio/midi",
	    QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
	return data;
}

PatternGrid::PatternGrid()
{
	setObjectName(QStringLiteral("PatternGrid"));
	auto* column = new QVBoxLayout(this);
	column->setContentsMargins(0, 0, 0, 0);
	column->setSpacing(4);
	auto* row = new QHBoxLayout;
	row->setSpacing(4);
	auto labelled = [row](const char* text, QWidget* control) {
		auto* label = new QLabel(QString::fromUtf8(text));
		label->setBuddy(control);
		row->addWidget(label);
		row->addWidget(control);
	};
	fChooser = new QComboBox;
	fChooser->setObjectName(QStringLiteral("PatternChooser"));
	labelled("&Pattern:", fChooser);
	fName = new QLineEdit;
	fName->setObjectName(QStringLiteral("PatternName"));
	fName->setMaximumWidth(110);
	row->addWidget(fName);
	fLength = new QSpinBox;
	fLength->setObjectName(QStringLiteral("PatternLength"));
	fLength->setRange(1, kMaxSteps);
	labelled("Ste&ps:", fLength);
	fRate = new QComboBox;
	fRate->setObjectName(QStringLiteral("PatternRate"));
	for (int rate : kStepRates)
		fRate->addItem(QString::number(rate) + QStringLiteral("/beat"), rate);
	row->addWidget(fRate);
	fSwing = new QSpinBox;
	fSwing->setObjectName(QStringLiteral("PatternSwing"));
	fSwing->setRange(0, int(kMaxSwing));
	fSwing->setSuffix(QStringLiteral(" %"));
	labelled("S&wing:", fSwing);
	fTempo = new QDoubleSpinBox;
	fTempo->setObjectName(QStringLiteral("KitTempo"));
	fTempo->setRange(kMinTempo, kMaxTempo);
	fTempo->setDecimals(1);
	fTempo->setSuffix(QStringLiteral(" BPM"));
	labelled("&Tempo:", fTempo);
	fPlay = new QPushButton(QStringLiteral("Play"));
	fPlay->setObjectName(QStringLiteral("PatternPlay"));
	row->addWidget(fPlay);
	row->addStretch(1);
	row->addWidget(new MidiHandle(this));
	column->addLayout(row);
	fLanes = new StepLanes(this);
	column->addWidget(fLanes, 1);

	for (QWidget* control : {static_cast<QWidget*>(fChooser), static_cast<QWidget*>(fLength),
	         static_cast<QWidget*>(fRate), static_cast<QWidget*>(fSwing),
	         static_cast<QWidget*>(fTempo), static_cast<QWidget*>(fPlay)})
		control->installEventFilter(this);

	QObject::connect(fChooser, &QComboBox::activated, this, [this](int index) {
		if (index < int(fKit.patterns.size()) + 1)
			Show(index);
		ShowControls();
	});
	QObject::connect(fName, &QLineEdit::editingFinished, this, [this] {
		const std::string name = fName->text().toStdString();
		if (!fShowing && name != Current().name)
			Edit([&name](Pattern& p) { p.name = name; }, "Pattern Name", kNameKey);
	});
	QObject::connect(fLength, &QSpinBox::valueChanged, this, [this](int steps) {
		if (!fShowing)
			Edit([steps](Pattern& p) { p.steps = steps; }, "Pattern Length", kLengthKey);
	});
	QObject::connect(fRate, &QComboBox::activated, this, [this](int index) {
		const int rate = fRate->itemData(index).toInt();
		if (!fShowing && rate != Current().stepsPerBeat)
			Edit([rate](Pattern& p) { p.stepsPerBeat = rate; }, "Steps per Beat", kRateKey);
	});
	QObject::connect(fSwing, &QSpinBox::valueChanged, this, [this](int swing) {
		if (!fShowing)
			Edit([swing](Pattern& p) { p.swing = float(swing); }, "Swing", kSwingKey);
	});
	QObject::connect(fTempo, &QDoubleSpinBox::valueChanged, this, [this](double tempo) {
		if (fShowing || onCommit == nullptr)
			return;
		Kit kit = fKit;
		kit.tempo = float(tempo);
		onCommit(kit, "Tempo", kTempoKey);
	});
	QObject::connect(fPlay, &QPushButton::clicked, this, [this] {
		if (onPlay)
			onPlay();
	});
}

bool PatternGrid::eventFilter(QObject* watched, QEvent* event)
{
	// The space bar plays or stops from every control of the row, as from the lanes.
	if (event->type() == QEvent::KeyPress &&
	    static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space &&
	    static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
		if (onPlay)
			onPlay();
		return true;
	}
	return QWidget::eventFilter(watched, event);
}

void PatternGrid::SetKit(const Kit& kit)
{
	fKit = kit;
	fShown = std::clamp(fShown, 0, int(fKit.patterns.size()));
	ShowControls();
}

void PatternGrid::Show(int pattern)
{
	fShown = std::clamp(pattern, 0, int(fKit.patterns.size()));
	fPlayhead = -1;
	ShowControls();
}

void PatternGrid::ShowControls()
{
	fShowing = true;
	const bool chain = fChooser->currentIndex() >= 0 &&
	                   fChooser->currentIndex() == fChooser->count() - 1 &&
	                   fChooser->count() > int(fKit.patterns.size()) + 1;
	fChooser->clear();
	for (size_t i = 0; i < fKit.patterns.size(); i++)
		fChooser->addItem(QString::number(i + 1) + QStringLiteral(" ") +
		                  QString::fromStdString(fKit.patterns[i].name));
	fChooser->addItem(QStringLiteral("New Pattern"));
	if (!fKit.chain.empty())
		fChooser->addItem(QStringLiteral("Chain"));
	fChooser->setCurrentIndex(chain && !fKit.chain.empty() ? fChooser->count() - 1 : fShown);
	const Pattern pattern = Current();
	if (fName->text().toStdString() != pattern.name)
		fName->setText(QString::fromStdString(pattern.name));
	fLength->setValue(PlayedSteps(pattern));
	fRate->setCurrentIndex(fRate->findData(PlayedRate(pattern)));
	fSwing->setValue(int(std::lround(PlayedSwing(pattern.swing))));
	fTempo->setValue(double(PlayedTempo(fKit.tempo)));
	fShowing = false;
	fLanes->updateGeometry();
	fLanes->update();
}

std::vector<int> PatternGrid::Order() const
{
	if (!fKit.chain.empty() && fChooser->currentIndex() == fChooser->count() - 1)
		return fKit.chain;
	if (size_t(fShown) < fKit.patterns.size())
		return {fShown};
	return {};
}

void PatternGrid::SetPlaying(bool playing)
{
	fPlay->setText(playing ? QStringLiteral("Stop") : QStringLiteral("Play"));
	if (!playing)
		SetPlayhead(-1, -1);
}

void PatternGrid::SetPlayhead(int pattern, int step)
{
	const int shown = pattern == fShown ? step : -1;
	if (shown != fPlayhead) {
		fPlayhead = shown;
		fLanes->update();
	}
}

Pattern PatternGrid::Current() const
{
	if (size_t(fShown) < fKit.patterns.size())
		return fKit.patterns[size_t(fShown)];
	Pattern pattern;
	pattern.name = "Pattern " + std::to_string(fShown + 1);
	return pattern;
}

void PatternGrid::Edit(
    const std::function<void(Pattern&)>& edit, const char* name, uint32_t mergeKey)
{
	if (onCommit == nullptr)
		return;
	Kit kit = fKit;
	if (size_t(fShown) >= kit.patterns.size()) {
		if (kit.patterns.size() >= kMaxPatterns)
			return;
		kit.patterns.push_back(Current());
		fShown = int(kit.patterns.size() - 1);
	}
	edit(kit.patterns[size_t(fShown)]);
	onCommit(kit, name, mergeKey);
}

void PatternGrid::SetCell(size_t pad, int step, Step cell, const char* name, uint32_t mergeKey)
{
	if (pad >= kMaxPads || step < 0 || step >= kMaxSteps)
		return;
	Edit([&](Pattern& p) { p.lanes[pad][size_t(step)] = cell; }, name, mergeKey);
}

StepLanes::StepLanes(PatternGrid* grid) : fGrid(grid)
{
	setObjectName(QStringLiteral("StepLanes"));
	setFocusPolicy(Qt::StrongFocus);
	setAccessibleName(QStringLiteral("Steps"));
	setMouseTracking(false);
}

int StepLanes::Lanes() const
{
	return int(std::min(fGrid->ShownKit().pads.size(), kMaxPads));
}

QSize StepLanes::sizeHint() const
{
	return {kLabelWidth + 16 * 20, std::max(Lanes(), 1) * kLaneHeight};
}

QRect StepLanes::CellRect(size_t pad, int step) const
{
	const int steps = PlayedSteps(fGrid->Current());
	const int width = std::max(1, (this->width() - kLabelWidth) / steps);
	return {kLabelWidth + step * width, int(pad) * kLaneHeight, width - 1, kLaneHeight - 1};
}

bool StepLanes::CellAt(QPoint point, size_t* pad, int* step) const
{
	const int steps = PlayedSteps(fGrid->Current());
	const int width = std::max(1, (this->width() - kLabelWidth) / steps);
	if (point.x() < kLabelWidth || point.y() < 0)
		return false;
	*pad = size_t(point.y() / kLaneHeight);
	*step = (point.x() - kLabelWidth) / width;
	return int(*pad) < Lanes() && *step < steps;
}

void StepLanes::SetCursor(size_t pad, int step)
{
	fPad = std::min(pad, size_t(std::max(Lanes() - 1, 0)));
	fStep = std::clamp(step, 0, PlayedSteps(fGrid->Current()) - 1);
	update();
}

void StepLanes::paintEvent(QPaintEvent*)
{
	QPainter painter(this);
	painter.fillRect(rect(), palette().base());
	const Pattern pattern = fGrid->Current();
	const int steps = PlayedSteps(pattern);
	const int rate = PlayedRate(pattern);
	const Kit& kit = fGrid->ShownKit();
	for (int lane = 0; lane < Lanes(); lane++) {
		painter.setPen(palette().text().color());
		painter.drawText(QRect(2, lane * kLaneHeight, kLabelWidth - 4, kLaneHeight),
		    Qt::AlignVCenter | Qt::AlignLeft, QString::fromStdString(kit.pads[size_t(lane)].name));
		for (int step = 0; step < steps; step++) {
			const QRect cell = CellRect(size_t(lane), step);
			// Beats stand apart from the steps between them.
			const QColor empty = step / rate % 2 == 0 ? QColor(70, 70, 70) : QColor(90, 90, 90);
			painter.fillRect(cell, empty);
			const Step& at = pattern.lanes[size_t(lane)][size_t(step)];
			if (at.velocity > 0) {
				const int height = std::max(2, cell.height() * at.velocity / 127);
				const QColor fill = at.velocity >= PatternGrid::kAccent ? QColor(255, 160, 60)
				                                                        : QColor(80, 180, 255);
				painter.fillRect(cell.adjusted(0, cell.height() - height, 0, 0),
				    at.probability < 100 ? fill.darker(150) : fill);
			}
			if (step == fGrid->Playhead())
				painter.fillRect(cell, QColor(255, 255, 255, 60));
		}
	}
	if (hasFocus() && Lanes() > 0) {
		painter.setPen(QColor(255, 255, 255));
		painter.drawRect(CellRect(fPad, fStep));
	}
}

void StepLanes::mousePressEvent(QMouseEvent* event)
{
	size_t pad = 0;
	int step = 0;
	if (event->button() != Qt::LeftButton || !CellAt(event->position().toPoint(), &pad, &step))
		return;
	SetCursor(pad, step);
	const Step old = fGrid->Current().lanes[pad][size_t(step)];
	const bool accent = event->modifiers().testFlag(Qt::ShiftModifier);
	Step cell = old;
	cell.velocity = old.velocity > 0 && !accent ? 0
	                : accent                    ? PatternGrid::kAccent
	                                            : PatternGrid::kHit;
	fGrid->SetCell(pad, step, cell, cell.velocity > 0 ? "Set Step" : "Clear Step");
	fDragging = cell.velocity > 0;
	fDragY = int(event->position().y());
	fDragVelocity = cell.velocity;
}

void StepLanes::mouseMoveEvent(QMouseEvent* event)
{
	if (!fDragging)
		return;
	// Up is louder: a lane's height is a sixth of the range.
	const int velocity =
	    std::clamp(fDragVelocity + (fDragY - int(event->position().y())) * 2, 1, 127);
	Step cell = fGrid->Current().lanes[fPad][size_t(fStep)];
	if (cell.velocity != velocity) {
		cell.velocity = uint8_t(velocity);
		fGrid->SetCell(fPad, fStep, cell, "Step Velocity", CellKey(fPad, fStep));
	}
}

void StepLanes::mouseReleaseEvent(QMouseEvent*)
{
	fDragging = false;
}

void StepLanes::Nudge(size_t pad, int step, int delta)
{
	Step cell = fGrid->Current().lanes[pad][size_t(step)];
	const int velocity = std::clamp(int(cell.velocity) + delta, 1, 127);
	if (velocity == cell.velocity)
		return;
	cell.velocity = uint8_t(velocity);
	fGrid->SetCell(pad, step, cell, "Step Velocity", CellKey(pad, step));
}

void StepLanes::wheelEvent(QWheelEvent* event)
{
	size_t pad = 0;
	int step = 0;
	if (!CellAt(event->position().toPoint(), &pad, &step) ||
	    fGrid->Current().lanes[pad][size_t(step)].velocity == 0)
		return;
	SetCursor(pad, step);
	Nudge(pad, step, event->angleDelta().y() > 0 ? kNudge : -kNudge);
}

void StepLanes::keyPressEvent(QKeyEvent* event)
{
	const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
	switch (event->key()) {
		case Qt::Key_Left: SetCursor(fPad, fStep - 1); return;
		case Qt::Key_Right: SetCursor(fPad, fStep + 1); return;
		case Qt::Key_Up:
			if (fPad > 0)
				SetCursor(fPad - 1, fStep);
			return;
		case Qt::Key_Down: SetCursor(fPad + 1, fStep); return;
		case Qt::Key_Return:
		case Qt::Key_Enter: {
			if (Lanes() == 0)
				return;
			Step cell = fGrid->Current().lanes[fPad][size_t(fStep)];
			cell.velocity = cell.velocity > 0 && !shift ? 0
			                : shift                     ? PatternGrid::kAccent
			                                            : PatternGrid::kHit;
			fGrid->SetCell(fPad, fStep, cell, cell.velocity > 0 ? "Set Step" : "Clear Step");
			return;
		}
		case Qt::Key_Plus:
		case Qt::Key_Equal:
		case Qt::Key_Minus:
			if (Lanes() > 0 && fGrid->Current().lanes[fPad][size_t(fStep)].velocity > 0)
				Nudge(fPad, fStep, event->key() == Qt::Key_Minus ? -kNudge : kNudge);
			return;
		case Qt::Key_Space:
			if (fGrid->onPlay)
				fGrid->onPlay();
			return;
		default: QWidget::keyPressEvent(event);
	}
}
