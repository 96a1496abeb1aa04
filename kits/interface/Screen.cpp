#include "kits/interface/Screen.h"

#include <QGuiApplication>
#include <QScreen>

BRect BScreen::Frame() const
{
	QScreen* screen = QGuiApplication::primaryScreen();
	if (screen == nullptr)
		return BRect(0, 0, 799, 599);
	const QRect area = screen->availableGeometry();
	return BRect(float(area.left()), float(area.top()), float(area.right()), float(area.bottom()));
}
