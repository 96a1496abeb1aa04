// History: a window's undo and redo steps. Each step is a whole parameter record (a few
// dozen bytes), so undoing restores a state exactly rather than replaying changes. It also
// knows which state was last saved or loaded, for the changed mark.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "preset/PresetRecord.h"

class History {
public:
	static constexpr size_t kDefaultBound = 10000;

	// A history at `state`, which counts as saved, holding at most `bound` steps (the oldest
	// go first).
	explicit History(const PresetParams& state = DefaultPresetParams(),
	    size_t bound = kDefaultBound);

	// Forgets every step: a new document, or one just loaded.
	void Reset(const PresetParams& state);

	// Records `state` as one step named `name`, dropping every redo step. A state equal to the
	// current one is no step. A step whose `mergeKey` (non-zero) is that of the step just
	// recorded replaces that step instead of adding one; false when nothing was recorded.
	bool Commit(const PresetParams& state, const char* name, uint32_t mergeKey = 0);
	// Ends merging: the next step is a step of its own whatever its key.
	void BreakMerge() { fMergeOpen = false; }

	bool CanUndo() const { return fIndex > 0; }
	bool CanRedo() const { return fIndex + 1 < fStates.size(); }
	// The name of the step an undo or redo would take back or make again; "" when none.
	const std::string& UndoName() const;
	const std::string& RedoName() const;
	// Moves one step back or forward and returns the state there (the current one when there
	// is nowhere to go).
	const PresetParams& Undo();
	const PresetParams& Redo();

	const PresetParams& Current() const { return fStates[fIndex].state; }
	// The states an undo or a redo would go to; null when there is none.
	const PresetParams* UndoState() const { return CanUndo() ? &fStates[fIndex - 1].state : nullptr; }
	const PresetParams* RedoState() const { return CanRedo() ? &fStates[fIndex + 1].state : nullptr; }
	size_t CountSteps() const { return fStates.size() - 1; }
	size_t Position() const { return fIndex; }

	// The current state is the one on disk.
	void MarkSaved();
	// True while the current state equals the one last saved or loaded, however it got there.
	bool IsClean() const { return IsSavedState(Current()); }
	bool IsSavedState(const PresetParams& state) const;

private:
	struct Entry {
		PresetParams state;
		std::string name; // of the step that led here; "" for the first state
		uint32_t mergeKey;
	};

	std::deque<Entry> fStates;
	size_t fIndex = 0;
	PresetParams fSaved;
	size_t fBound;
	bool fMergeOpen = false;
};
