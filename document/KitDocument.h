// KitDocument: what one kit window edits. The kit, the file it belongs to (or none), the name
// the title shows, and the kit's own undo history. Each step holds the whole kit, so an undo
// brings back exactly the kit before, whichever pad or value the step changed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "document/History.h"
#include "kit/Kit.h"

inline constexpr char kUntitledKitName[] = "Untitled Kit";

class KitDocument {
public:
	static constexpr size_t kDefaultBound = 500;

	// A new untitled kit on the General MIDI drum map, unchanged.
	explicit KitDocument(size_t bound = kDefaultBound);

	const Kit& Current() const { return fHistory.Current(); }
	const std::string& Name() const { return fName; }
	const std::string& Path() const { return fPath; }
	bool HasFile() const { return !fPath.empty(); }

	// True while the kit is not, bit for bit, what its file holds (or, without a file, what it
	// started as).
	bool IsChanged() const { return !SameBits(Current(), fSaved); }

	// An edit of the kit as one step (see UndoHistory::Commit).
	bool Commit(const Kit& kit, const char* name, uint32_t mergeKey = 0)
	{
		return fHistory.Commit(kit, name, mergeKey);
	}
	void BreakMerge() { fHistory.BreakMerge(); }
	const Kit& Undo() { return fHistory.Undo(); }
	const Kit& Redo() { return fHistory.Redo(); }
	const KitHistory& History() const { return fHistory; }

	// Starts over with only this kit, unchanged: a file opened.
	void Open(const Kit& kit, const std::string& path, const std::string& name);
	// The current kit was written to `path`: it belongs to that file now, unchanged.
	void Saved(const std::string& path, const std::string& name);

private:
	KitHistory fHistory;
	Kit fSaved;
	std::string fPath;
	std::string fName = kUntitledKitName;
};
