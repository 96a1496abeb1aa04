// PatternPlayer: a kit window's patterns played live, looping, through its KitSound. Each hit
// goes ahead of time to the frame its step names on the sound's clock (kit/Pattern.h), so the
// beat lands on the same samples as the rendered loop, whatever the window's thread is doing;
// a timer keeps a quarter of a second scheduled. An edit while it plays takes effect from the
// hits not yet scheduled, in the pass under way.
//
// Threads: the window's.
#pragma once

#include <cstdint>
#include <vector>

#include "kit/Pattern.h"

class KitSound;
class QTimer;

class PatternPlayer {
public:
	// Frames between Play and the first hit: time for the device to take it.
	static constexpr int64_t kLead = 2048;
	// Frames scheduled ahead of the sound's clock.
	static constexpr int64_t kAhead = 11025;

	explicit PatternPlayer(KitSound* sound);
	~PatternPlayer();
	PatternPlayer(const PatternPlayer&) = delete;
	PatternPlayer& operator=(const PatternPlayer&) = delete;

	// Plays `order` (patterns of `kit` by index) round and round from kLead frames on.
	void Play(const Kit& kit, const std::vector<int>& order);
	void Stop();
	bool IsPlaying() const { return fPlaying; }
	// The kit or the order changed while playing.
	void Update(const Kit& kit, const std::vector<int>& order);
	// Schedules what falls within kAhead of the sound's clock (the timer calls it).
	void Pump();

	// Where the first pass started on the sound's clock.
	int64_t Origin() const { return fOrigin; }
	// The pattern (by index in the kit) and step playing now; pattern -1 when stopped or before
	// the first hit.
	struct Place {
		int pattern = -1;
		int step = -1;
	};
	Place Now() const;

private:
	void MakeLoop();

	KitSound* fSound;
	QTimer* fTimer;
	Kit fKit;
	std::vector<int> fOrder;
	PatternLoop fLoop;
	bool fPlaying = false;
	int64_t fOrigin = 0;
	int64_t fPassStart = 0;
	int64_t fPass = 0;
	size_t fNext = 0;
};
