#include "document/History.h"

#include <string>

namespace {

const std::string kNoName;

} // namespace

bool History::SameState(const DocumentState& a, const DocumentState& b)
{
	return a.document == b.document && tunk::SameBits(a.values, b.values);
}

History::History(const DocumentState& state, size_t bound) : fBound(bound < 1 ? 1 : bound)
{
	Reset(state);
}

void History::Reset(const DocumentState& state)
{
	fStates.clear();
	fStates.push_back({state, "", 0});
	fIndex = 0;
	fMergeOpen = false;
}

bool History::Commit(const DocumentState& state, const char* name, uint32_t mergeKey)
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

const std::string& History::UndoName() const
{
	return CanUndo() ? fStates[fIndex].name : kNoName;
}

const std::string& History::RedoName() const
{
	return CanRedo() ? fStates[fIndex + 1].name : kNoName;
}

const DocumentState& History::Undo()
{
	fMergeOpen = false;
	if (CanUndo())
		fIndex--;
	return Current();
}

const DocumentState& History::Redo()
{
	fMergeOpen = false;
	if (CanRedo())
		fIndex++;
	return Current();
}
