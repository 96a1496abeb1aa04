// The documents: which file and name go with which values through undo and redo, and when
// a sound or a kit counts as changed.
#include "document/Document.h"
#include "document/KitDocument.h"

#include <gtest/gtest.h>
#include <cmath>
#include <limits>

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

TEST(KitDocument, StepsMergeUndoAndTheChangedMark)
{
	KitDocument document;
	EXPECT_FALSE(document.IsChanged());
	EXPECT_EQ(document.Name(), kUntitledKitName);
	const Kit start = document.Current();

	Kit louder = start;
	louder.pads[0].level = -3;
	EXPECT_FALSE(document.Commit(start, "Nothing"));
	EXPECT_TRUE(document.Commit(louder, "Level", 7));
	louder.pads[0].level = -6;
	EXPECT_TRUE(document.Commit(louder, "Level", 7));
	EXPECT_EQ(document.History().CountSteps(), 1u) << "a run of one control's steps is one step";
	EXPECT_TRUE(document.IsChanged());
	EXPECT_EQ(document.History().UndoName(), "Level");

	// A run that comes back to where it began is no step at all.
	louder.pads[0].level = 0;
	EXPECT_TRUE(document.Commit(louder, "Level", 7));
	EXPECT_EQ(document.History().CountSteps(), 0u);
	EXPECT_FALSE(document.IsChanged());

	Kit named = start;
	named.pads[1].name = "Rim";
	document.Commit(named, "Pad Name", 8);
	document.BreakMerge();
	named.pads[1].name = "Rimshot";
	document.Commit(named, "Pad Name", 8);
	EXPECT_EQ(document.History().CountSteps(), 2u) << "a broken merge starts a step of its own";
	EXPECT_EQ(document.Undo().pads[1].name, "Rim");
	EXPECT_EQ(document.History().RedoName(), "Pad Name");
	document.Saved("/tmp/x.tunkkit", "x.tunkkit");
	EXPECT_FALSE(document.IsChanged());
	EXPECT_EQ(document.Redo().pads[1].name, "Rimshot");
	EXPECT_TRUE(document.IsChanged()) << "the saved kit is the one before the redo";
	document.Undo();
	EXPECT_FALSE(document.IsChanged());

	// A bounded history forgets its oldest steps and keeps the newest.
	KitDocument bounded(2);
	Kit kit = bounded.Current();
	for (int i = 1; i <= 4; i++) {
		kit.pads[0].note = 40 + i;
		bounded.Commit(kit, "Note");
	}
	EXPECT_EQ(bounded.History().CountSteps(), 2u);
	bounded.Undo();
	EXPECT_EQ(bounded.Undo().pads[0].note, 42);
	EXPECT_FALSE(bounded.History().CanUndo());
}

// A NaN from a preset's head is the same as itself: the kit opened with it is unchanged, an
// unchanged commit is no step, and an undo comes back to the kit as opened.
TEST(KitDocument, AKitHoldingNaNsIsUnchangedWhenOpenedAndAfterAnUndo)
{
	KitDocument document;
	Kit kit = document.Current();
	kit.pads[2].sound.values[size_t(tunk::Param::startFreq)] = std::numeric_limits<float>::quiet_NaN();
	kit.pads[3].level = std::numeric_limits<float>::quiet_NaN();
	document.Open(kit, "/k/nan.tunkkit", "nan.tunkkit");
	EXPECT_FALSE(document.IsChanged());
	EXPECT_FALSE(document.Commit(kit, "Nothing"));
	EXPECT_FALSE(document.History().CanUndo());

	Kit panned = kit;
	panned.pads[3].pan = 0.5f;
	ASSERT_TRUE(document.Commit(panned, "Pan"));
	EXPECT_TRUE(document.IsChanged());
	document.Undo();
	EXPECT_FALSE(document.IsChanged());
	EXPECT_TRUE(std::isnan(document.Current().pads[3].level));

	// Bits count: -0 is another level than 0, a file would say so.
	Kit negativeZero = kit;
	negativeZero.pads[0].level = -0.0f;
	EXPECT_TRUE(document.Commit(negativeZero, "Level"));
	EXPECT_TRUE(document.IsChanged());
}
