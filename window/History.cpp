#include "window/History.h"

#include <cstring>
#include <string>

namespace {

const std::string kNoName;

bool SameState(const PresetParams& a, const PresetParams& b)
{
	// Byte for byte: a value that changed only its bits (a NaN for another NaN, -0 for 0)
	// still changed what is saved.
	return std::memcmp(&a, &b, sizeof(PresetParams)) == 0;
}

} // namespace

History::History(const PresetParams& state, size_t bound) : fBound(bound < 1 ? 1 : bound)
{
	Reset(state);
}

void History::Reset(const PresetParams& state)
{
	fStates.clear();
	fStates.push_back({state, "", 0});
	fIndex = 0;
	fSaved = state;
	fMergeOpen = false;
}

bool History::Commit(const PresetParams& state, const char* name, uint32_t mergeKey)
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

const PresetParams& History::Undo()
{
	fMergeOpen = false;
	if (CanUndo())
		fIndex--;
	return Current();
}

const PresetParams& History::Redo()
{
	fMergeOpen = false;
	if (CanRedo())
		fIndex++;
	return Current();
}

void History::MarkSaved()
{
	fSaved = Current();
	fMergeOpen = false;
}

bool History::IsSavedState(const PresetParams& state) const
{
	return SameState(state, fSaved);
}
