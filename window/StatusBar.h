// The level display under a window's content: the sound's length, its peak and how many
// samples sit at the rails, the last in red when any do.
#pragma once

#include <QLabel>
#include <string>

#include "preset/SoundLevel.h"

// "200 ms · Peak -0.4 dBFS · No clipping" or "... · 12 clipped"; silence reads "Silent"
// for the peak.
std::string LevelText(const SoundLevel& level);

class StatusBar : public QLabel {
public:
	static constexpr int kHeight = 22;

	explicit StatusBar(QWidget* parent = nullptr);

	QSize sizeHint() const override { return QSize(QLabel::sizeHint().width(), kHeight); }

	void ShowLevel(const SoundLevel& level);
	const SoundLevel& Level() const { return fLevel; }
	// True while the clipped count shows in red.
	bool Warns() const { return fLevel.clipped > 0; }

private:
	SoundLevel fLevel;
};
