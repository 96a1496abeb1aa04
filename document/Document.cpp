#include "document/Document.h"

#include <set>

Document::Document()
{
	const tunk::SoundParams defaults;
	fHistory.Reset({defaults, Add({"", kUntitledName, "", {}}, defaults)});
}

uint32_t Document::Add(const DocumentSource& source, std::optional<tunk::SoundParams> saved)
{
	const uint32_t id = fNextDocument++;
	fDocuments[id] = {source, saved};
	return id;
}

void Document::Prune()
{
	std::set<uint32_t> named;
	fHistory.ForEachState([&](const DocumentState& state) { named.insert(state.document); });
	for (auto it = fDocuments.begin(); it != fDocuments.end();)
		it = named.count(it->first) != 0 ? std::next(it) : fDocuments.erase(it);
}

bool Document::IsChanged(const tunk::SoundParams& values) const
{
	const Entry& entry = fDocuments.at(fHistory.Current().document);
	return !entry.saved || !tunk::SameBits(*entry.saved, values);
}

bool Document::Commit(const tunk::SoundParams& values, const char* stepName, uint32_t mergeKey)
{
	const bool recorded = fHistory.Commit({values, fHistory.Current().document}, stepName, mergeKey);
	Prune();
	return recorded;
}

void Document::Replace(const tunk::SoundParams& values, const DocumentSource& source,
    bool unchanged, const char* stepName)
{
	fHistory.BreakMerge();
	fHistory.Commit(
	    {values, Add(source, unchanged ? std::optional(values) : std::nullopt)}, stepName);
	Prune();
}

void Document::Open(const tunk::SoundParams& values, const DocumentSource& source)
{
	fDocuments.clear();
	fHistory.Reset({values, Add(source, values)});
}

void Document::Saved(const tunk::SoundParams& values, const std::string& path, const std::string& name)
{
	Commit(values, "");
	Entry& entry = fDocuments.at(fHistory.Current().document);
	entry.source.path = path;
	entry.source.name = name;
	// Saved under a name of its own, a library sound is browsed from its new file.
	entry.source.libraryPath.clear();
	entry.saved = values;
}

PresetParams Document::Record(const tunk::SoundParams& values) const
{
	return ToPresetParams(values, Extras());
}
