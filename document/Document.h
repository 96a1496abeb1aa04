// Document: what one editor window edits. The sound's values, the file they belong to (or
// none), the name the window shows, what the file holds beyond the values (its extras, written
// back unchanged), and the history. Each step of the history names the document it belongs to,
// so undo and redo bring back the file and the name with the values: after browsing from a.tunk
// to b.tunk, an undo is a.tunk again, unchanged, and saving it writes a.tunk.
// No window toolkit: the preset record is met only in Record(), at the file's edge.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "document/History.h"
#include "engine/core/Params.h"
#include "preset/PresetRecord.h"

inline constexpr char kUntitledName[] = "Untitled";

// Where a document's values come from.
struct DocumentSource {
	std::string path;         // its file; "" for none (Save Preset asks where)
	std::string name;         // what the title shows
	std::string libraryPath;  // the factory sound it was loaded from, for browsing; "" otherwise
	PresetExtras extras;      // what the file holds beyond the values
};

class Document {
public:
	// A new untitled document with the default values, unchanged.
	Document();

	// The values of the state the history is at, and that state's document.
	const tunk::SoundParams& Values() const { return fHistory.Current().values; }
	const std::string& Name() const { return Source().name; }
	const std::string& Path() const { return Source().path; }
	bool HasFile() const { return !Source().path.empty(); }
	const std::string& LibraryPath() const { return Source().libraryPath; }
	const PresetExtras& Extras() const { return Source().extras; }

	// True when `values` are not what the document's file holds: for a document without a
	// file, what it started with (a new or a library sound) or, for a sound that was never
	// anywhere (a random one), always.
	bool IsChanged(const tunk::SoundParams& values) const;

	// An edit of the current document's values as one step (see History::Commit).
	bool Commit(const tunk::SoundParams& values, const char* stepName, uint32_t mergeKey = 0);
	void BreakMerge() { fHistory.BreakMerge(); }

	// Another document in this window, as one step an undo takes back: a file browsed to or a
	// library sound (unchanged: `unchanged` true), a random sound (changed until saved).
	void Replace(const tunk::SoundParams& values, const DocumentSource& source, bool unchanged,
	    const char* stepName);
	// Starts over with only this document, unchanged: a file opened.
	void Open(const tunk::SoundParams& values, const DocumentSource& source);

	// `values` were written to `path`: the current document belongs to that file now, under
	// `name`, and holds those values unchanged (a step when they were ahead of the history).
	void Saved(const tunk::SoundParams& values, const std::string& path, const std::string& name);

	// The record to write for `values`: the values with this document's extras.
	PresetParams Record(const tunk::SoundParams& values) const;

	const DocumentState& Undo() { return fHistory.Undo(); }
	const DocumentState& Redo() { return fHistory.Redo(); }
	const ::History& History() const { return fHistory; }

private:
	struct Entry {
		DocumentSource source;
		std::optional<tunk::SoundParams> saved;  // what its file holds; none: never saved
	};

	const DocumentSource& Source() const { return fDocuments.at(fHistory.Current().document).source; }
	uint32_t Add(const DocumentSource& source, std::optional<tunk::SoundParams> saved);
	// Forgets the documents no step of the history names any more.
	void Prune();

	::History fHistory;
	std::map<uint32_t, Entry> fDocuments;
	uint32_t fNextDocument = 0;
};
