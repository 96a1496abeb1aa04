// The level display under a window's content: the sound's length, its peak and how many
// samples sit at the rails, the last in red when any do.
#pragma once

#include <QWidget>
#include <string>

#include "preset/SoundLevel.h"

class QLabel;

// "200 ms · Peak -0.4 dBFS · No clipping" or "... · 12 clipped"; silence reads "Silent"
// for the peak.
std::string LevelText(const SoundLevel& level);

class StatusBar : public QWidget {
public:
	static constexpr int kHeight = 22;

	explicit StatusBar(QWidget* parent = nullptr);

	QSize sizeHint() const override { return QSize(QWidget::sizeHint().width(), kHeight); }

	void ShowLevel(const SoundLevel& level);
	// The latest change, at the bar's right end ("Noise Tune: 2000 Hz", "Undo Attack").
	void ShowChange(const std::string& text);
	std::string ChangeText() const;
	const SoundLevel& Level() const { return fLevel; }
	// True while the clipped count shows in red.
	bool Warns() const { return fLevel.clipped > 0; }
	// The level the bar shows, as one line.
	std::string Text() const;
	// The clipped count's own label, for its colour.
	const QLabel* ClippedLabel() const { return fClipped; }

private:
	SoundLevel fLevel;
	// Plain text in two labels: cheaper to update after every regeneration than rich text.
	QLabel* fFigures;
	QLabel* fClipped;
	QLabel* fChange;
};
