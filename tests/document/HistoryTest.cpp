// The undo history on its own: steps, branches, merging and the bound.
#include "document/History.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "tests/document/DocumentValues.h"

namespace {

// A state per number: values apart, and a document of their own every tenth.
DocumentState State(int n)
{
	return {Values(float(100 + n), float(n % 3000), 1 + n % 4, n % 2 == 1), uint32_t(n / 10)};
}

bool Same(const DocumentState& a, const DocumentState& b)
{
	return History::SameState(a, b);
}

} // namespace

TEST(History, UndoesToTheStartAndRedoesToTheEndThroughEveryState)
{
	History history(State(0));
	EXPECT_FALSE(history.CanUndo());
	EXPECT_FALSE(history.CanRedo());
	EXPECT_EQ(history.UndoName(), "");
	const int steps = 700;
	for (int i = 1; i <= steps; i++)
		ASSERT_TRUE(history.Commit(State(i), ("Step " + std::to_string(i)).c_str()));
	EXPECT_EQ(history.CountSteps(), size_t(steps));
	EXPECT_EQ(history.UndoName(), "Step 700");

	for (int i = steps - 1; i >= 0; i--) {
		ASSERT_TRUE(Same(history.Undo(), State(i))) << i;
		EXPECT_EQ(history.RedoName(), "Step " + std::to_string(i + 1));
	}
	EXPECT_FALSE(history.CanUndo());
	EXPECT_TRUE(Same(history.Undo(), State(0))) << "nothing left to undo stays put";

	for (int i = 1; i <= steps; i++)
		ASSERT_TRUE(Same(history.Redo(), State(i))) << i;
	EXPECT_FALSE(history.CanRedo());
	EXPECT_TRUE(Same(history.Redo(), State(steps)));
}

TEST(History, ANewChangeAfterUndosDropsTheRedoStepsAndAnUnchangedStateIsNoStep)
{
	History history(State(0));
	for (int i = 1; i <= 5; i++)
		history.Commit(State(i), "Frequency");
	history.Undo();
	history.Undo();
	EXPECT_TRUE(history.CanRedo());
	EXPECT_TRUE(history.Commit(State(42), "Filter Switch"));
	EXPECT_FALSE(history.CanRedo());
	EXPECT_EQ(history.CountSteps(), 4u);
	EXPECT_EQ(history.UndoName(), "Filter Switch");
	EXPECT_TRUE(Same(history.Undo(), State(3)));

	EXPECT_FALSE(history.Commit(State(3), "Nothing"));
	EXPECT_TRUE(history.CanRedo()) << "a change that changed nothing keeps the redo steps";
	EXPECT_EQ(history.RedoName(), "Filter Switch");
}

TEST(History, StepsWithOneKeyMergeUntilSomethingElseHappens)
{
	History history(State(0));
	const uint32_t slider = 7;
	history.Commit(State(1), "Cutoff", slider);
	history.Commit(State(2), "Cutoff", slider);
	history.Commit(State(3), "Cutoff", slider);
	EXPECT_EQ(history.CountSteps(), 1u);
	history.Commit(State(4), "Resonance", 8);
	EXPECT_EQ(history.CountSteps(), 2u);
	history.Commit(State(5), "Resonance", 8);
	EXPECT_EQ(history.CountSteps(), 2u);
	history.BreakMerge();
	history.Commit(State(6), "Resonance", 8);
	EXPECT_EQ(history.CountSteps(), 3u);
	EXPECT_TRUE(Same(history.Undo(), State(5)));
	EXPECT_TRUE(Same(history.Undo(), State(3)));
	EXPECT_TRUE(Same(history.Undo(), State(0)));

	// After an undo a keyed step starts a step of its own; stepping back to where it began
	// leaves no step at all.
	history.Redo();
	history.Commit(State(9), "Cutoff", slider);
	EXPECT_EQ(history.CountSteps(), 2u);
	history.Commit(State(3), "Cutoff", slider);
	EXPECT_EQ(history.CountSteps(), 1u);
	EXPECT_TRUE(Same(history.Current(), State(3)));
	EXPECT_FALSE(history.CanRedo());
}

TEST(History, AStateOfAnotherDocumentIsAStepEvenWithTheSameValues)
{
	History history(State(0));
	DocumentState other = State(0);
	other.document = 9;
	EXPECT_TRUE(history.Commit(other, "Browse"));
	EXPECT_EQ(history.Undo().document, 0u);
	EXPECT_EQ(history.Redo().document, 9u);
}

TEST(History, KeepsAtLeastTenThousandStepsAndDropsTheOldestBeyondItsBound)
{
	History history(State(0));
	const int total = 10050;
	for (int i = 1; i <= total; i++)
		history.Commit(State(i), "step");
	EXPECT_EQ(history.CountSteps(), History::kDefaultBound);
	EXPECT_GE(History::kDefaultBound, 10000u);
	while (history.CanUndo())
		history.Undo();
	EXPECT_TRUE(Same(history.Current(), State(total - int(History::kDefaultBound))));

	History small(State(0), 3);
	for (int i = 1; i <= 5; i++)
		small.Commit(State(i), "step");
	EXPECT_EQ(small.CountSteps(), 3u);
	small.Undo();
	small.Undo();
	small.Undo();
	EXPECT_TRUE(Same(small.Current(), State(2)));
}
