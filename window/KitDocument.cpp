#include "window/KitDocument.h"

#include <algorithm>

namespace {

const std::string kNoStep;

} // namespace

KitDocument::KitDocument(size_t bound) : fBound(std::max<size_t>(bound, 1))
{
	fSteps.push_back({NewKit(kUntitledKitName), "", 0});
	fSaved = fSteps.front().kit;
}

bool KitDocument::Commit(const Kit& kit, const char* name, uint32_t mergeKey)
{
	if (kit == Current())
		return false;
	fSteps.erase(fSteps.begin() + std::ptrdiff_t(fIndex) + 1, fSteps.end());
	if (mergeKey != 0 && fMergeOpen && fIndex > 0 && fSteps[fIndex].mergeKey == mergeKey) {
		fSteps[fIndex].kit = kit;
		// A merged run that comes back to the state before it is no step at all.
		if (fSteps[fIndex - 1].kit == kit) {
			fSteps.pop_back();
			fIndex--;
			fMergeOpen = false;
		}
		return true;
	}
	fSteps.push_back({kit, name != nullptr ? name : "", mergeKey});
	fIndex++;
	fMergeOpen = mergeKey != 0;
	// The oldest steps go first; the first state left becomes the start.
	while (fSteps.size() > fBound + 1) {
		fSteps.pop_front();
		fIndex--;
	}
	return true;
}

const std::string& KitDocument::UndoName() const
{
	return CanUndo() ? fSteps[fIndex].name : kNoStep;
}

const std::string& KitDocument::RedoName() const
{
	return CanRedo() ? fSteps[fIndex + 1].name : kNoStep;
}

const Kit& KitDocument::Undo()
{
	fMergeOpen = false;
	if (CanUndo())
		fIndex--;
	return Current();
}

const Kit& KitDocument::Redo()
{
	fMergeOpen = false;
	if (CanRedo())
		fIndex++;
	return Current();
}

void KitDocument::Open(const Kit& kit, const std::string& path, const std::string& name)
{
	fSteps.clear();
	fSteps.push_back({kit, "", 0});
	fIndex = 0;
	fMergeOpen = false;
	fSaved = kit;
	fPath = path;
	fName = name;
}

void KitDocument::Saved(const std::string& path, const std::string& name)
{
	fSaved = Current();
	fPath = path;
	fName = name;
	fMergeOpen = false;
}
