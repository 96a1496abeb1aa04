// PatternGrid: the kit window's step grid. A row of the pattern's settings (the pattern or the
// chain to play, its name, length, steps per beat and swing, the kit's tempo, Play/Stop) over
// one lane per pad with one cell per step. A click sets or clears a step (with Shift, an
// accent), dragging up and down or the wheel sets its velocity; the arrows move between cells,
// Enter sets or clears one, + and - change its velocity, and the space bar plays or stops. The
// MIDI label at the row's end drags the pattern out as a MIDI file.
// Every change goes to the window as the whole kit with its step's name.
#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "kit/Kit.h"

class QComboBox;
class QMimeData;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class StepLanes;

class PatternGrid : public QWidget {
public:
	PatternGrid();

	// The kit to show; the chosen pattern stays chosen where it still exists.
	void SetKit(const Kit& kit);
	// The pattern shown (an index into the kit's patterns, or one past them for a new one).
	int Shown() const { return fShown; }
	void Show(int pattern);
	// What Play plays: the pattern shown, or the chain when the chooser says so.
	std::vector<int> Order() const;
	void SetPlaying(bool playing);
	// The step under the playhead of the pattern shown; -1 for none.
	void SetPlayhead(int pattern, int step);
	int Playhead() const { return fPlayhead; }

	// A cell's velocity for a click: a hit, and with Shift an accent.
	static constexpr uint8_t kHit = 100;
	static constexpr uint8_t kAccent = 127;

	// The edited kit, its step's name and its merge key (0: a step of its own).
	std::function<void(const Kit&, const char*, uint32_t)> onCommit;
	std::function<void()> onPlay;

	// The pattern shown, as it plays (a new, empty one when the kit has none at that place).
	Pattern Current() const;
	// Sets a cell of the pattern shown: one step named `name` (merged by `mergeKey`).
	void SetCell(size_t pad, int step, Step cell, const char* name, uint32_t mergeKey = 0);
	const Kit& ShownKit() const { return fKit; }

	QComboBox* Chooser() const { return fChooser; }
	QLineEdit* NameEdit() const { return fName; }
	QSpinBox* Length() const { return fLength; }
	QComboBox* Rate() const { return fRate; }
	QSpinBox* Swing() const { return fSwing; }
	QDoubleSpinBox* Tempo() const { return fTempo; }
	QPushButton* PlayButton() const { return fPlay; }
	StepLanes* Lanes() const { return fLanes; }

protected:
	bool eventFilter(QObject* watched, QEvent* event) override;

private:
	// The kit with the pattern shown changed by `edit` (made first when it does not exist).
	void Edit(const std::function<void(Pattern&)>& edit, const char* name, uint32_t mergeKey);
	void ShowControls();

	Kit fKit;
	int fShown = 0;
	int fPlayhead = -1;
	bool fShowing = false;
	QComboBox* fChooser;
	QLineEdit* fName;
	QSpinBox* fLength;
	QComboBox* fRate;
	QSpinBox* fSwing;
	QDoubleSpinBox* fTempo;
	QPushButton* fPlay;
	StepLanes* fLanes;
};

// The MIDI file of what the grid plays (PatternGrid::Order), written as "<name>.mid" into a
// folder of its own under the drag folder, and described for a drop as the sound window's drag
// describes its sound: the file's URL and its bytes as audio/midi. nullptr, with the reason in
// `error`, when it cannot be written. The caller owns the data.
QMimeData* MakeMidiDragData(
    const Kit& kit, const std::vector<int>& order, const std::string& name, std::string* error);

// The lanes: one row per pad, one cell per step, the velocity as the cell's fill.
class StepLanes : public QWidget {
public:
	explicit StepLanes(PatternGrid* grid);
	QSize sizeHint() const override;
	// The cell at a point of the widget; false outside the cells.
	bool CellAt(QPoint point, size_t* pad, int* step) const;
	QRect CellRect(size_t pad, int step) const;
	size_t CursorPad() const { return fPad; }
	int CursorStep() const { return fStep; }
	void SetCursor(size_t pad, int step);

protected:
	void paintEvent(QPaintEvent* event) override;
	void mousePressEvent(QMouseEvent* event) override;
	void mouseMoveEvent(QMouseEvent* event) override;
	void mouseReleaseEvent(QMouseEvent* event) override;
	void wheelEvent(QWheelEvent* event) override;
	void keyPressEvent(QKeyEvent* event) override;

private:
	int Lanes() const;
	// Changes the velocity of a cell by `delta`, at least 1 (a set step stays set).
	void Nudge(size_t pad, int step, int delta);

	PatternGrid* fGrid;
	size_t fPad = 0;
	int fStep = 0;
	// A drag: the cell, where it began and its velocity then.
	bool fDragging = false;
	int fDragY = 0;
	uint8_t fDragVelocity = 0;
};
