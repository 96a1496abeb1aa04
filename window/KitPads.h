// KitPads: the kit window's grid of 16 pads, four by four, each showing its pad's name, the
// name of the sound it holds and its note. A click plays a pad, a key of the computer keyboard plays the pad in its place on the
// rows 1 2 3 4, Q W E R, A S D F, Z X C V (the top row of pads on 1 to 4), Enter and a double
// click open the selected pad's sound, the context menu key and a right click open the pad's
// menu, and a preset file dropped on a pad becomes its sound. The grid only draws and
// reports: the window does the rest.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "kit/Kit.h"

// "C1" for 36, "C#-2" for 1: octaves numbered so that middle C (60) is C3, as drum machines
// and most sequencers show notes; "" outside 0..127.
std::string NoteName(int note);
// The pad a key of the computer keyboard plays (a Qt key code), -1 for none.
int PadOfKey(int key);
// The key of a pad's place as its label shows it ("Q"); "" beyond the grid.
std::string KeyOfPad(size_t pad);

constexpr int kPadColumns = 4;
constexpr int kPadRows = 4;

class KitPads : public QWidget {
public:
	explicit KitPads(QWidget* parent = nullptr);

	// The kit shown; null shows empty pads. The grid keeps the pointer: call again after the
	// kit changed.
	void SetKit(const Kit* kit);
	void Select(int pad);
	int Selected() const { return fSelected; }
	// Lights the pad for a moment: it was hit.
	void Flash(int pad);

	// The pad under a point of the grid, -1 between pads; a pad's place.
	int PadAt(QPoint point) const;
	QRect PadRect(int pad) const;

	std::function<void(int pad, float velocity)> onHit;
	std::function<void(int pad)> onSelect;
	std::function<void(int pad)> onEdit;
	std::function<void(int pad, QPoint global)> onMenu;
	std::function<void(int pad, const std::string& path)> onDrop;

	// What a pad's tool tip says: its name and the name of its sound; "" for an empty pad.
	std::string ToolTipOf(int pad) const;

	QSize sizeHint() const override;
	QSize minimumSizeHint() const override;

protected:
	bool event(QEvent* event) override;
	void paintEvent(QPaintEvent* event) override;
	void mousePressEvent(QMouseEvent* event) override;
	void mouseDoubleClickEvent(QMouseEvent* event) override;
	void keyPressEvent(QKeyEvent* event) override;
	void contextMenuEvent(QContextMenuEvent* event) override;
	void dragEnterEvent(QDragEnterEvent* event) override;
	void dragMoveEvent(QDragMoveEvent* event) override;
	void dragLeaveEvent(QDragLeaveEvent* event) override;
	void dropEvent(QDropEvent* event) override;

private:
	void SelectAndReport(int pad);

	const Kit* fKit = nullptr;
	int fSelected = 0;
	int fLit = -1;
	int fDropTarget = -1;
	int fFlashCount = 0;
};
