// History: a document's undo and redo steps, for the sound window and the kit window alike.
// Each step is a whole state (a sound's values and which document they belong to, or a whole
// kit), so undoing restores a state exactly rather than replaying changes, file and name
// included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "engine/core/Params.h"

struct Kit;

// One state of a window: the values and the document (file, name) they are the values of.
struct DocumentState {
	tunk::SoundParams values;
	uint32_t document = 0;
};

// Bit for bit: a value that changed only its bits (a NaN for another NaN, -0 for 0) still
// changed what is saved, and a NaN is the same as itself, so it never keeps a document changed.
bool SameBits(const DocumentState& a, const DocumentState& b);

// The states are whole values of `State`, compared by SameBits(a, b) beside the state's type.
template <typename State>
class UndoHistory {
public:
	static constexpr size_t kDefaultBound = 10000;

	// A history at `state`, holding at most `bound` steps (the oldest go first).
	explicit UndoHistory(const State& state = {}, size_t bound = kDefaultBound);

	// Forgets every step: a new document, or one just loaded.
	void Reset(const State& state);

	// Records `state` as one step named `name`, dropping every redo step. A state equal to the
	// current one is no step. A step whose `mergeKey` (non-zero) is that of the step just
	// recorded replaces that step instead of adding one; false when nothing was recorded.
	bool Commit(const State& state, const char* name, uint32_t mergeKey = 0);
	// Ends merging: the next step is a step of its own whatever its key.
	void BreakMerge() { fMergeOpen = false; }

	bool CanUndo() const { return fIndex > 0; }
	bool CanRedo() const { return fIndex + 1 < fStates.size(); }
	// The name of the step an undo or redo would take back or make again; "" when none.
	const std::string& UndoName() const;
	const std::string& RedoName() const;
	// Moves one step back or forward and returns the state there (the current one when there
	// is nowhere to go).
	const State& Undo();
	const State& Redo();

	const State& Current() const { return fStates[fIndex].state; }
	// The states an undo or a redo would go to; null when there is none.
	const State* UndoState() const { return CanUndo() ? &fStates[fIndex - 1].state : nullptr; }
	const State* RedoState() const { return CanRedo() ? &fStates[fIndex + 1].state : nullptr; }
	size_t CountSteps() const { return fStates.size() - 1; }
	size_t Position() const { return fIndex; }
	// Calls `visit` with every state held, for a caller that keeps something per state.
	template <typename Visit> void ForEachState(Visit visit) const
	{
		for (const Entry& entry : fStates)
			visit(entry.state);
	}

	static bool SameState(const State& a, const State& b) { return SameBits(a, b); }

private:
	struct Entry {
		State state;
		std::string name; // of the step that led here; "" for the first state
		uint32_t mergeKey;
	};

	std::deque<Entry> fStates;
	size_t fIndex = 0;
	size_t fBound;
	bool fMergeOpen = false;
};

using History = UndoHistory<DocumentState>;
using KitHistory = UndoHistory<Kit>;
