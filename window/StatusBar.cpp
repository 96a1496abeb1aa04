#include "window/StatusBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <cmath>
#include <cstdio>

namespace {

std::string PeakText(const SoundLevel& level)
{
	char text[48];
	if (level.peak > 0)
		std::snprintf(text, sizeof(text), "%.0f ms \u00b7 Peak %.1f dBFS \u00b7 ",
		    std::round(level.milliseconds), level.peakDbfs);
	else
		std::snprintf(
		    text, sizeof(text), "%.0f ms \u00b7 Silent \u00b7 ", std::round(level.milliseconds));
	return text;
}

std::string ClippedText(const SoundLevel& level)
{
	return level.clipped == 0 ? "No clipping" : std::to_string(level.clipped) + " clipped";
}

} // namespace

std::string LevelText(const SoundLevel& level)
{
	return PeakText(level) + ClippedText(level);
}

StatusBar::StatusBar(QWidget* parent)
    : QWidget(parent), fFigures(new QLabel(this)), fClipped(new QLabel(this)),
      fChange(new QLabel(this))
{
	setObjectName("StatusBar");
	setFixedHeight(kHeight);
	setAccessibleName("Sound level");
	auto* layout = new QHBoxLayout(this);
	layout->setContentsMargins(6, 0, 6, 0);
	layout->setSpacing(0);
	for (QLabel* label : {fFigures, fClipped}) {
		label->setTextFormat(Qt::PlainText);
		layout->addWidget(label);
	}
	layout->addStretch(1);
	fChange->setTextFormat(Qt::PlainText);
	layout->addWidget(fChange);
	QPalette red = fClipped->palette();
	red.setColor(QPalette::WindowText, QColor(200, 0, 0));
	fClipped->setPalette(red);
	ShowLevel(fLevel);
}

void StatusBar::ShowLevel(const SoundLevel& level)
{
	fLevel = level;
	const QString figures = QString::fromStdString(PeakText(level));
	if (figures != fFigures->text())
		fFigures->setText(figures);
	const QString clipped = QString::fromStdString(ClippedText(level));
	if (clipped != fClipped->text())
		fClipped->setText(clipped);
	// Red only while some sample clipped; otherwise the window's text colour.
	fClipped->setForegroundRole(Warns() ? QPalette::WindowText : QPalette::Text);
}

std::string StatusBar::Text() const
{
	return (fFigures->text() + fClipped->text()).toStdString();
}

void StatusBar::ShowChange(const std::string& text)
{
	const QString shown = QString::fromStdString(text);
	if (shown != fChange->text())
		fChange->setText(shown);
}

std::string StatusBar::ChangeText() const
{
	return fChange->text().toStdString();
}
