#include "window/StatusBar.h"

#include <cmath>
#include <cstdio>

std::string LevelText(const SoundLevel& level)
{
	char text[128];
	char peak[32];
	if (level.peak > 0)
		std::snprintf(peak, sizeof(peak), "Peak %.1f dBFS", level.peakDbfs);
	else
		std::snprintf(peak, sizeof(peak), "Silent");
	char clipped[48];
	if (level.clipped == 0)
		std::snprintf(clipped, sizeof(clipped), "No clipping");
	else
		std::snprintf(clipped, sizeof(clipped), "%lld clipped", (long long)level.clipped);
	std::snprintf(text, sizeof(text), "%.0f ms \u00b7 %s \u00b7 %s", std::round(level.milliseconds),
	    peak, clipped);
	return text;
}

StatusBar::StatusBar(QWidget* parent) : QLabel(parent)
{
	setObjectName("StatusBar");
	setFixedHeight(kHeight);
	setContentsMargins(6, 0, 6, 0);
	setAccessibleName("Sound level");
	setTextFormat(Qt::RichText);
	ShowLevel(fLevel);
}

void StatusBar::ShowLevel(const SoundLevel& level)
{
	fLevel = level;
	QString text = QString::fromStdString(LevelText(level)).toHtmlEscaped();
	// Only the clipped count turns red; the rest keeps the window's text colour.
	if (Warns()) {
		qsizetype at = text.lastIndexOf(QString::fromUtf8("\u00b7 ")) + 2;
		text = text.left(at) + "<span style=\"color:#c80000; font-weight:bold\">" + text.mid(at) +
		       "</span>";
	}
	if (text != this->text())
		setText(text);
}
