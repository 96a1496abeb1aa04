// The kit window's step grid and the live beat it plays.
#include <QTimer>

#include "window/KitSound.h"
#include "window/KitWindow.h"
#include "window/PatternGrid.h"
#include "window/PatternPlayer.h"

QWidget* KitWindow::BuildPatterns()
{
	fGrid = new PatternGrid;
	fGrid->setFixedHeight(int(kPatternGridHeight) - 8);
	fBeat = new PatternPlayer(fSound);
	fGrid->onCommit = [this](const Kit& kit, const char* name, uint32_t mergeKey) {
		CommitKit(kit, name, mergeKey);
	};
	fGrid->onPlay = [this] { TogglePattern(); };
	// The playhead follows the sound's clock.
	auto* playhead = new QTimer(fGrid);
	playhead->setInterval(30);
	QObject::connect(playhead, &QTimer::timeout, fGrid, [this] {
		const PatternPlayer::Place now = fBeat->Now();
		fGrid->SetPlayhead(now.pattern, now.step);
	});
	playhead->start();
	return fGrid;
}

void KitWindow::ShowPatterns()
{
	if (fGrid == nullptr)
		return;
	fGrid->SetKit(CurrentKit());
	fBeat->Update(CurrentKit(), fGrid->Order());
}

void KitWindow::TogglePattern()
{
	if (fBeat->IsPlaying()) {
		fBeat->Stop();
	} else {
		fSound->SetKit(CurrentKit());
		fBeat->Play(CurrentKit(), fGrid->Order());
	}
	fGrid->SetPlaying(fBeat->IsPlaying());
}
