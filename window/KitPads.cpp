#include "window/KitPads.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QTimer>
#include <QToolTip>
#include <QUrl>
#include <algorithm>
#include <cstring>

#include "engine/core/Hit.h"

namespace {

constexpr char kPadKeys[] = "1234QWERASDFZXCV";
constexpr int kGap = 6;
constexpr int kFlashMs = 150;

// The first local file of a drag, "" when it carries none.
std::string DraggedFile(const QMimeData* data)
{
	if (data == nullptr || !data->hasUrls())
		return "";
	for (const QUrl& url : data->urls()) {
		if (url.isLocalFile())
			return url.toLocalFile().toStdString();
	}
	return "";
}

// A pad struck with Shift held plays soft, so that a kit's velocity rows can be heard.
float HitVelocity(Qt::KeyboardModifiers modifiers)
{
	return (modifiers & Qt::ShiftModifier) != 0 ? float(tunk::kSoftVelocity) / 127.0f : 1.0f;
}

} // namespace

std::string NoteName(int note)
{
	static const char* const kNames[12] = {
	    "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
	if (!ValidNote(note))
		return "";
	return std::string(kNames[note % 12]) + std::to_string(note / 12 - 2);
}

int PadOfKey(int key)
{
	// Qt's codes for digits and letters are their upper-case ASCII codes.
	if (key <= 0 || key > 0x7f)
		return -1;
	const char* found = std::strchr(kPadKeys, char(key));
	return found != nullptr && *found != '\0' ? int(found - kPadKeys) : -1;
}

std::string KeyOfPad(size_t pad)
{
	return pad < kMaxPads ? std::string(1, kPadKeys[pad]) : "";
}

KitPads::KitPads(QWidget* parent) : QWidget(parent)
{
	setObjectName(QStringLiteral("KitPads"));
	setFocusPolicy(Qt::StrongFocus);
	setAcceptDrops(true);
	setToolTip(QStringLiteral("Click a pad or press its key (1 2 3 4, Q W E R, A S D F, Z X C V) "
	                          "to play it; Enter or a double click edits its sound"));
}

QSize KitPads::sizeHint() const
{
	return {kPadColumns * 96 + (kPadColumns + 1) * kGap, kPadRows * 64 + (kPadRows + 1) * kGap};
}

QSize KitPads::minimumSizeHint() const
{
	return {kPadColumns * 72 + (kPadColumns + 1) * kGap, kPadRows * 48 + (kPadRows + 1) * kGap};
}

void KitPads::SetKit(const Kit* kit)
{
	fKit = kit;
	update();
}

void KitPads::Select(int pad)
{
	if (pad < 0 || pad >= int(kMaxPads) || pad == fSelected)
		return;
	fSelected = pad;
	update();
}

void KitPads::Flash(int pad)
{
	fLit = pad;
	const int count = ++fFlashCount;
	update();
	QTimer::singleShot(kFlashMs, this, [this, count] {
		if (count == fFlashCount) {
			fLit = -1;
			update();
		}
	});
}

QRect KitPads::PadRect(int pad) const
{
	const int w = (width() - (kPadColumns + 1) * kGap) / kPadColumns;
	const int h = (height() - (kPadRows + 1) * kGap) / kPadRows;
	const int column = pad % kPadColumns;
	const int row = pad / kPadColumns;
	return {kGap + column * (w + kGap), kGap + row * (h + kGap), w, h};
}

int KitPads::PadAt(QPoint point) const
{
	for (int pad = 0; pad < int(kMaxPads); pad++) {
		if (PadRect(pad).contains(point))
			return pad;
	}
	return -1;
}

void KitPads::paintEvent(QPaintEvent*)
{
	QPainter painter(this);
	painter.setRenderHint(QPainter::Antialiasing);
	const QPalette& colors = palette();
	QFont nameFont = font();
	nameFont.setBold(true);
	QFont smallFont = font();
	smallFont.setPointSizeF(std::max(6.0, font().pointSizeF() * 0.85));

	for (int pad = 0; pad < int(kMaxPads); pad++) {
		const QRect rect = PadRect(pad);
		const bool present = fKit != nullptr && size_t(pad) < fKit->pads.size();
		QColor fill = present ? QColor(0x4a, 0x55, 0x63) : colors.color(QPalette::Window).darker(108);
		if (pad == fLit)
			fill = QColor(0xe0, 0x8a, 0x2c);
		painter.setBrush(fill);
		QPen edge(pad == fDropTarget ? colors.color(QPalette::Highlight)
		          : pad == fSelected ? QColor(0xf2, 0xb1, 0x3c)
		                             : fill.darker(130));
		edge.setWidth(pad == fSelected || pad == fDropTarget ? 3 : 1);
		painter.setPen(edge);
		painter.drawRoundedRect(QRectF(rect).adjusted(1, 1, -1, -1), 5, 5);

		const QRect inner = rect.adjusted(6, 4, -6, -4);
		painter.setPen(present ? QColor(Qt::white) : colors.color(QPalette::PlaceholderText));
		painter.setFont(smallFont);
		painter.drawText(inner, Qt::AlignRight | Qt::AlignTop, QString::fromStdString(KeyOfPad(size_t(pad))));
		if (!present) {
			painter.drawText(inner, Qt::AlignCenter, QStringLiteral("Empty"));
			continue;
		}
		const Pad& p = fKit->pads[size_t(pad)];
		if (!p.soundName.empty()) {
			// The sound's name beside the key, in what room the key leaves.
			const QFontMetrics smallMetrics(smallFont);
			const int keyWidth = smallMetrics.horizontalAdvance(QStringLiteral("W "));
			painter.drawText(inner.adjusted(0, 0, -keyWidth, 0), Qt::AlignLeft | Qt::AlignTop,
			    smallMetrics.elidedText(QString::fromStdString(p.soundName), Qt::ElideRight,
			        inner.width() - keyWidth));
		}
		painter.setFont(nameFont);
		const QFontMetrics nameMetrics(nameFont);
		const QString name = nameMetrics.elidedText(
		    QString::fromStdString(p.name.empty() ? "Pad " + std::to_string(pad + 1) : p.name),
		    Qt::ElideRight, inner.width());
		painter.drawText(inner, Qt::AlignLeft | Qt::AlignVCenter, name);
		painter.setFont(smallFont);
		painter.drawText(inner, Qt::AlignLeft | Qt::AlignBottom,
		    QString::fromStdString(NoteName(p.note) + " " + std::to_string(p.note)));
	}
	if (hasFocus()) {
		// The keys play pads only while the grid has the focus: show where it is.
		painter.setBrush(Qt::NoBrush);
		painter.setPen(QPen(colors.color(QPalette::Highlight), 1, Qt::DotLine));
		painter.drawRect(rect().adjusted(0, 0, -1, -1));
	}
}

void KitPads::SelectAndReport(int pad)
{
	if (pad < 0)
		return;
	Select(pad);
	if (onSelect)
		onSelect(pad);
}

void KitPads::mousePressEvent(QMouseEvent* event)
{
	setFocus(Qt::MouseFocusReason);
	const int pad = PadAt(event->position().toPoint());
	if (pad < 0)
		return;
	SelectAndReport(pad);
	if (event->button() == Qt::LeftButton && onHit)
		onHit(pad, HitVelocity(event->modifiers()));
}

void KitPads::mouseDoubleClickEvent(QMouseEvent* event)
{
	const int pad = PadAt(event->position().toPoint());
	if (pad >= 0 && event->button() == Qt::LeftButton && onEdit)
		onEdit(pad);
}

void KitPads::keyPressEvent(QKeyEvent* event)
{
	const Qt::KeyboardModifiers modifiers =
	    event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
	if (modifiers != Qt::NoModifier) {
		QWidget::keyPressEvent(event);
		return;
	}
	int move = 0;
	switch (event->key()) {
		case Qt::Key_Return:
		case Qt::Key_Enter:
			if (onEdit)
				onEdit(fSelected);
			return;
		case Qt::Key_Space:
			if (!event->isAutoRepeat() && onHit)
				onHit(fSelected, HitVelocity(event->modifiers()));
			return;
		case Qt::Key_Menu:
			if (onMenu)
				onMenu(fSelected, mapToGlobal(PadRect(fSelected).center()));
			return;
		case Qt::Key_Left: move = -1; break;
		case Qt::Key_Right: move = 1; break;
		case Qt::Key_Up: move = -kPadColumns; break;
		case Qt::Key_Down: move = kPadColumns; break;
		default: break;
	}
	if (move != 0) {
		const int pad = fSelected + move;
		if (pad >= 0 && pad < int(kMaxPads))
			SelectAndReport(pad);
		return;
	}
	const int pad = PadOfKey(event->key());
	if (pad < 0) {
		QWidget::keyPressEvent(event);
		return;
	}
	// A key held down plays once, as a pad pressed and held does.
	if (!event->isAutoRepeat()) {
		SelectAndReport(pad);
		if (onHit)
			onHit(pad, HitVelocity(event->modifiers()));
	}
}

std::string KitPads::ToolTipOf(int pad) const
{
	if (fKit == nullptr || pad < 0 || size_t(pad) >= fKit->pads.size())
		return "";
	const Pad& p = fKit->pads[size_t(pad)];
	std::string text = p.name.empty() ? "Pad " + std::to_string(pad + 1) : p.name;
	if (!p.soundName.empty())
		text += ": " + p.soundName;
	return text;
}

bool KitPads::event(QEvent* event)
{
	// The names in full, which a pad may have to cut short.
	if (event->type() == QEvent::ToolTip) {
		auto* help = static_cast<QHelpEvent*>(event);
		const std::string text = ToolTipOf(PadAt(help->pos()));
		if (text.empty())
			QToolTip::hideText();
		else
			QToolTip::showText(help->globalPos(), QString::fromStdString(text), this, PadRect(PadAt(help->pos())));
		return true;
	}
	return QWidget::event(event);
}

void KitPads::contextMenuEvent(QContextMenuEvent* event)
{
	int pad = event->reason() == QContextMenuEvent::Mouse ? PadAt(event->pos()) : fSelected;
	if (pad < 0)
		return;
	SelectAndReport(pad);
	if (onMenu)
		onMenu(pad, event->globalPos());
}

void KitPads::dragEnterEvent(QDragEnterEvent* event)
{
	if (!DraggedFile(event->mimeData()).empty())
		event->acceptProposedAction();
}

void KitPads::dragMoveEvent(QDragMoveEvent* event)
{
	const int pad = PadAt(event->position().toPoint());
	if (pad != fDropTarget) {
		fDropTarget = pad;
		update();
	}
	if (pad >= 0)
		event->acceptProposedAction();
	else
		event->ignore();
}

void KitPads::dragLeaveEvent(QDragLeaveEvent*)
{
	fDropTarget = -1;
	update();
}

void KitPads::dropEvent(QDropEvent* event)
{
	fDropTarget = -1;
	update();
	const int pad = PadAt(event->position().toPoint());
	const std::string path = DraggedFile(event->mimeData());
	if (pad < 0 || path.empty())
		return;
	event->acceptProposedAction();
	SelectAndReport(pad);
	if (onDrop)
		onDrop(pad, path);
}
