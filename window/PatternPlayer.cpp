#include "window/PatternPlayer.h"

#include <QTimer>

#include "engine/core/Params.h"
#include "window/KitSound.h"

PatternPlayer::PatternPlayer(KitSound* sound) : fSound(sound), fTimer(new QTimer)
{
	fTimer->setInterval(20);
	QObject::connect(fTimer, &QTimer::timeout, fTimer, [this] { Pump(); });
}

PatternPlayer::~PatternPlayer()
{
	delete fTimer;
}

void PatternPlayer::MakeLoop()
{
	// Each pass draws its steps' chances anew, from its number.
	fLoop = MakePatternLoop(fKit, fOrder, 1, fKit.tempo, uint64_t(fPass), tunk::kSampleRate);
}

void PatternPlayer::Play(const Kit& kit, const std::vector<int>& order)
{
	Stop();
	fKit = kit;
	fOrder = order;
	fPass = 0;
	MakeLoop();
	fOrigin = fPassStart = fSound->Frames() + kLead;
	fNext = 0;
	fPlaying = true;
	Pump();
	fTimer->start();
}

void PatternPlayer::Stop()
{
	if (!fPlaying)
		return;
	fPlaying = false;
	fTimer->stop();
	fSound->StopBeat();
}

void PatternPlayer::Update(const Kit& kit, const std::vector<int>& order)
{
	if (!fPlaying)
		return;
	// The hits scheduled stay; the new loop goes on after the last of them.
	const int64_t done = fNext > 0 && fNext <= fLoop.hits.size() ? fLoop.hits[fNext - 1].frame : -1;
	fKit = kit;
	fOrder = order;
	MakeLoop();
	fNext = 0;
	while (fNext < fLoop.hits.size() && fLoop.hits[fNext].frame <= done)
		fNext++;
	Pump();
}

void PatternPlayer::Pump()
{
	if (!fPlaying || fLoop.frames <= 0)
		return;
	const int64_t horizon = fSound->Frames() + kAhead;
	while (fPassStart < horizon) {
		if (fNext >= fLoop.hits.size()) {
			fPassStart += fLoop.frames;
			fPass++;
			MakeLoop();
			fNext = 0;
			continue;
		}
		KitEvent hit = fLoop.hits[fNext];
		hit.frame += fPassStart;
		if (hit.frame >= horizon || !fSound->ScheduleBeat(hit))
			break;
		fNext++;
	}
}

PatternPlayer::Place PatternPlayer::Now() const
{
	if (!fPlaying || fLoop.frames <= 0 || fSound->Frames() < fOrigin)
		return {};
	// The pass under way: the one the clock is in, counted from the last one scheduled.
	int64_t at = fSound->Frames() - fPassStart;
	while (at < 0)
		at += fLoop.frames;
	at %= fLoop.frames;
	int64_t start = 0;
	for (int index : fOrder) {
		if (index < 0 || size_t(index) >= fKit.patterns.size())
			continue;
		const Pattern& pattern = fKit.patterns[size_t(index)];
		const int64_t ticks = PatternTicks(pattern);
		if (at < TickFrame(double(start + ticks), fKit.tempo, tunk::kSampleRate)) {
			int step = 0;
			while (step + 1 < PlayedSteps(pattern) &&
			       TickFrame(double(start) + StepTick(pattern, step + 1), fKit.tempo,
			           tunk::kSampleRate) <= at)
				step++;
			return {index, step};
		}
		start += ticks;
	}
	return {};
}
