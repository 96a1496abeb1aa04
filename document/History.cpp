#include "document/History.h"

#include <string>

#include "kit/Kit.h"

namespace {

const std::string kNoName;

} // namespace

bool SameBits(const DocumentState& a, const DocumentState& b)
{
	return a.document == b.document && tunk::SameBits(a.values, b.values);
}

template <typename State>
UndoHistory<State>::UndoHistory(const State& state, size_t bound) : fBound(bound < 1 ? 1 : bound)
{
	Reset(state);
}

template <typename State>
void UndoHistory<State>::Reset(const State& state)
{
	fStates.clear();
	fStates.push_back({state, "", 0});
	fIndex = 0;
	fMergeOpen = false;
}

template <typename State>
bool UndoHistory<State>::Commit(const State& state, const char* name, uint32_t mergeKey)
{
	if (SameState(state, Current()))
		return false;
	// Redo steps end where a new change branches off.
	fStates.resize(fIndex + 1);

	Entry& last = fStates.back();
	if (mergeKey != 0 && fMergeOpen && fIndex > 0 && last.mergeKey == mergeKey) {
		last.state = state;
		if (SameState(state, fStates[fIndex - 1].state)) {
			// Merged back to where the step began: no step at all.
			fStates.pop_back();
			fIndex--;
			fMergeOpen = false;
		}
		return true;
	}

	fStates.push_back({state, name != nullptr ? name : "", mergeKey});
	fIndex++;
	fMergeOpen = mergeKey != 0;
	if (fStates.size() > fBound + 1) {
		fStates.pop_front();
		fIndex--;
	}
	return true;
}

template <typename State>
const std::string& UndoHistory<State>::UndoName() const
{
	return CanUndo() ? fStates[fIndex].name : kNoName;
}

template <typename State>
const std::string& UndoHistory<State>::RedoName() const
{
	return CanRedo() ? fStates[fIndex + 1].name : kNoName;
}

template <typename State>
const State& UndoHistory<State>::Undo()
{
	fMergeOpen = false;
	if (CanUndo())
		fIndex--;
	return Current();
}

template <typename State>
const State& UndoHistory<State>::Redo()
{
	fMergeOpen = false;
	if (CanRedo())
		fIndex++;
	return Current();
}

template class UndoHistory<DocumentState>;
template class UndoHistory<Kit>;
