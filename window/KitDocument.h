// KitDocument: what one kit window edits. The kit, the file it belongs to (or none), the name
// the title shows, and the kit's own undo history. Each step holds the whole kit, so an undo
// brings back exactly the kit before, whichever pad or value the step changed. No window
// toolkit: the kit window and its tests share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "kit/Kit.h"

inline constexpr char kUntitledKitName[] = "Untitled Kit";

class KitDocument {
public:
	static constexpr size_t kDefaultBound = 500;

	// A new untitled kit on the General MIDI drum map, unchanged.
	explicit KitDocument(size_t bound = kDefaultBound);

	const Kit& Current() const { return fSteps[fIndex].kit; }
	const std::string& Name() const { return fName; }
	const std::string& Path() const { return fPath; }
	bool HasFile() const { return !fPath.empty(); }

	// True while the kit is not what its file holds (or, without a file, what it started as).
	bool IsChanged() const { return !(Current() == fSaved); }

	// Records `kit` as one step named `name` ("Level" gives "Undo Level"), dropping every redo
	// step. A kit equal to the current one is no step. A step with the same non-zero
	// `mergeKey` as the step just recorded replaces it (a slider dragged, a sound edited in
	// its window); false when nothing was recorded.
	bool Commit(const Kit& kit, const char* name, uint32_t mergeKey = 0);
	// The next step is one of its own whatever its key.
	void BreakMerge() { fMergeOpen = false; }

	bool CanUndo() const { return fIndex > 0; }
	bool CanRedo() const { return fIndex + 1 < fSteps.size(); }
	// The step an undo or redo would take back or make again; "" when none.
	const std::string& UndoName() const;
	const std::string& RedoName() const;
	const Kit& Undo();
	const Kit& Redo();

	// Starts over with only this kit, unchanged: a file opened.
	void Open(const Kit& kit, const std::string& path, const std::string& name);
	// The current kit was written to `path`: it belongs to that file now, unchanged.
	void Saved(const std::string& path, const std::string& name);

	size_t CountSteps() const { return fSteps.size() - 1; }

private:
	struct Step {
		Kit kit;
		std::string name;  // of the step that led here; "" for the first
		uint32_t mergeKey = 0;
	};

	std::deque<Step> fSteps;
	size_t fIndex = 0;
	size_t fBound;
	bool fMergeOpen = false;
	Kit fSaved;
	std::string fPath;
	std::string fName = kUntitledKitName;
};
