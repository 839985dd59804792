#include "model/LUndoRedo.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A step that writes what is done to it into a shared log.
class LoggedStep : public LUndoRedoItem {
public:
    LoggedStep(std::string& log, char name) : log_(log), name_(name) {}
    void Undo() override { log_ += std::string("-") + name_; }
    void Redo() override { log_ += std::string("+") + name_; }

private:
    std::string& log_;
    char name_;
};

std::unique_ptr<LUndoRedoItem> Step(std::string& log, char name)
{
    return std::make_unique<LoggedStep>(log, name);
}

} // namespace

TEST(LUndoRedoStack, UndoesNewestFirstAndRedoesInOrder)
{
    std::string log;
    LUndoRedoStack stack;
    stack.Undo();
    stack.Redo();
    EXPECT_EQ(log, "");
    EXPECT_FALSE(stack.CanUndo() || stack.CanRedo());

    stack.AddItem(Step(log, 'a'));
    stack.AddItem(Step(log, 'b'));
    stack.Undo();
    stack.Undo();
    stack.Undo(); // nothing left
    EXPECT_EQ(log, "-b-a");
    EXPECT_TRUE(stack.CanRedo());
    EXPECT_FALSE(stack.CanUndo());
    stack.Redo();
    stack.Redo();
    stack.Redo(); // nothing left
    EXPECT_EQ(log, "-b-a+a+b");
}

TEST(LUndoRedoStack, ANewStepDropsWhatCouldBeRedone)
{
    std::string log;
    LUndoRedoStack stack;
    stack.AddItem(Step(log, 'a'));
    stack.AddItem(Step(log, 'b'));
    stack.Undo();
    stack.AddItem(Step(log, 'c'));
    EXPECT_FALSE(stack.CanRedo());
    EXPECT_EQ(stack.GetNumItems(), 2u);
    stack.Undo();
    stack.Undo();
    EXPECT_EQ(log, "-b-c-a");
}

TEST(LUndoRedoStack, GroupsUndoNewestFirstAndRedoOldestFirst)
{
    std::string log;
    auto group = std::make_unique<LUndoRedoGroup>();
    group->AddItem(Step(log, 'a'));
    group->AddItem(Step(log, 'b'));
    group->AddItem(Step(log, 'c'));
    LUndoRedoStack stack;
    stack.AddItem(std::move(group));
    stack.Undo();
    stack.Redo();
    EXPECT_EQ(log, "-c-b-a+a+b+c");
}

TEST(LUndoRedoStack, RemembersWhichStateWasSaved)
{
    std::string log;
    LUndoRedoStack stack;
    EXPECT_TRUE(stack.IsCurrentStateSaved());
    stack.MarkCurrentStateAsSaved(); // saved before any step

    stack.AddItem(Step(log, 'a'));
    EXPECT_FALSE(stack.IsCurrentStateSaved());
    stack.Undo();
    EXPECT_TRUE(stack.IsCurrentStateSaved());
    stack.Redo();
    EXPECT_FALSE(stack.IsCurrentStateSaved());

    // Saved at A, changed to B and saved again: back at A the file holds B.
    stack.MarkCurrentStateAsSaved();
    stack.AddItem(Step(log, 'b'));
    stack.MarkCurrentStateAsSaved();
    EXPECT_TRUE(stack.IsCurrentStateSaved());
    stack.Undo();
    EXPECT_FALSE(stack.IsCurrentStateSaved());
    stack.Undo();
    EXPECT_FALSE(stack.IsCurrentStateSaved());
    stack.Redo();
    stack.Redo();
    EXPECT_TRUE(stack.IsCurrentStateSaved());

    // Saved after an undo: the step now current is the saved one, not the newest.
    stack.Undo();
    stack.MarkCurrentStateAsSaved();
    EXPECT_TRUE(stack.IsCurrentStateSaved());
    stack.Redo();
    EXPECT_FALSE(stack.IsCurrentStateSaved());
    stack.Undo();
    EXPECT_TRUE(stack.IsCurrentStateSaved());

    // Saved with every step undone.
    stack.Undo();
    stack.Undo();
    stack.MarkCurrentStateAsSaved();
    EXPECT_TRUE(stack.IsCurrentStateSaved());
    stack.Redo();
    EXPECT_FALSE(stack.IsCurrentStateSaved());
    // A step added after the saved state was undone can never get back to it.
    stack.Undo();
    stack.AddItem(Step(log, 'c'));
    EXPECT_FALSE(stack.IsCurrentStateSaved());
}
