// The document: which file and name go with which values through undo and redo, and when
// the document counts as changed.
#include "document/Document.h"

#include <gtest/gtest.h>

#include "tests/document/DocumentValues.h"

namespace {

DocumentSource File(const std::string& path, uint32 reserved = 0)
{
	return {path, path.substr(path.find_last_of('/') + 1), "", {reserved, {}}};
}

bool Same(const tunk::SoundParams& a, const tunk::SoundParams& b)
{
	return tunk::SameBits(a, b);
}

} // namespace

TEST(Document, ANewDocumentIsUntitledUnchangedAndHoldsTheDefaults)
{
	Document document;
	EXPECT_EQ(document.Name(), "Untitled");
	EXPECT_FALSE(document.HasFile());
	EXPECT_TRUE(Same(document.Values(), tunk::SoundParams()));
	EXPECT_FALSE(document.IsChanged(tunk::SoundParams()));
	EXPECT_TRUE(document.IsChanged(Values(300)));
	EXPECT_FALSE(document.History().CanUndo());
}

// Browsing from a.tunk to b.tunk is a step: its undo is a.tunk again, with a's values, a's
// reserved word and no change, so that a save writes a's file and leaves b's alone.
TEST(Document, UndoAndRedoBringBackTheFileAndTheNameWithTheValues)
{
	Document document;
	document.Open(Values(100), File("/p/a.tunk", 7));
	document.Replace(Values(200), File("/p/b.tunk", 9), true, "Browse");
	EXPECT_EQ(document.Path(), "/p/b.tunk");
	EXPECT_FALSE(document.IsChanged(Values(200)));
	EXPECT_EQ(document.History().UndoName(), "Browse");

	const DocumentState& back = document.Undo();
	EXPECT_TRUE(Same(back.values, Values(100)));
	EXPECT_EQ(document.Path(), "/p/a.tunk");
	EXPECT_EQ(document.Name(), "a.tunk");
	EXPECT_FALSE(document.IsChanged(document.Values()));
	EXPECT_EQ(document.Record(document.Values()).reserved, 7u);
	EXPECT_EQ(document.Record(document.Values()).startFreq, 100.0f);

	document.Redo();
	EXPECT_EQ(document.Name(), "b.tunk");
	EXPECT_EQ(document.Record(document.Values()).reserved, 9u);

	// An edit of b, then back through it to a: each file keeps its own saved values.
	document.Commit(Values(250), "Frequency");
	EXPECT_TRUE(document.IsChanged(document.Values()));
	document.Undo();
	EXPECT_FALSE(document.IsChanged(document.Values()));
	document.Undo();
	EXPECT_EQ(document.Name(), "a.tunk");
	EXPECT_FALSE(document.IsChanged(document.Values()));

	// A new step after the undos drops b and its edit for good.
	document.Commit(Values(150), "Frequency");
	EXPECT_FALSE(document.History().CanRedo());
	EXPECT_EQ(document.Name(), "a.tunk");
	EXPECT_TRUE(document.IsChanged(document.Values()));
}

TEST(Document, LibrarySoundsStartUnchangedAndRandomOnesAsNewUntitledDocuments)
{
	Document document;
	document.Replace(Values(60), {"", "Deep Kick", "/lib/Kicks/Deep Kick.tunk", {}}, true,
	    "Library Sound");
	EXPECT_EQ(document.Name(), "Deep Kick");
	EXPECT_FALSE(document.HasFile());
	EXPECT_EQ(document.LibraryPath(), "/lib/Kicks/Deep Kick.tunk");
	EXPECT_FALSE(document.IsChanged(Values(60)));
	EXPECT_TRUE(document.IsChanged(Values(61)));

	document.Replace(Values(900), {"", kUntitledName, "", {}}, false, "Randomize");
	EXPECT_EQ(document.Name(), "Untitled");
	EXPECT_EQ(document.LibraryPath(), "");
	EXPECT_TRUE(document.IsChanged(Values(900))) << "a random sound is nowhere until saved";
	document.Undo();
	EXPECT_EQ(document.Name(), "Deep Kick");
	EXPECT_FALSE(document.IsChanged(document.Values()));
}

TEST(Document, TheSavedValuesAreUnchangedHoweverTheyAreReached)
{
	Document document;
	document.Commit(Values(1), "a");
	document.Commit(Values(2), "b");
	EXPECT_TRUE(document.IsChanged(document.Values()));
	document.Saved(Values(2), "/p/kick.tunk", "kick.tunk");
	EXPECT_EQ(document.Name(), "kick.tunk");
	EXPECT_FALSE(document.IsChanged(document.Values()));
	document.Commit(Values(3), "c");
	EXPECT_TRUE(document.IsChanged(document.Values()));
	document.Undo();
	EXPECT_FALSE(document.IsChanged(document.Values()));
	document.Undo();
	EXPECT_TRUE(document.IsChanged(document.Values())) << "no longer what is on disk";
	EXPECT_EQ(document.Name(), "kick.tunk") << "saving named the document, not one step";
	document.Redo();
	// Reached again by a new step with the same values: unchanged too.
	document.Commit(Values(3), "c");
	document.Undo();
	document.Commit(Values(2), "again");
	EXPECT_FALSE(document.IsChanged(document.Values()));

	// Saved while a gesture was ahead of the history: those values become a step.
	document.Saved(Values(4), "/p/kick.tunk", "kick.tunk");
	EXPECT_TRUE(Same(document.Values(), Values(4)));
	EXPECT_FALSE(document.IsChanged(Values(4)));

	// Opening starts over, unchanged and with nothing to undo.
	document.Open(Values(50), File("/p/other.tunk"));
	EXPECT_FALSE(document.IsChanged(Values(50)));
	EXPECT_FALSE(document.History().CanUndo());
	EXPECT_EQ(document.Name(), "other.tunk");
}
