#include "model/LUndoRedo.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

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

TEST(LUndoRedoStack, UndoesNewestFirstRedoesInOrderAndANewStepDropsTheRedoable)
{
    std::string log;
    LUndoRedoStack stack;
    stack.Undo();
    stack.Redo();
    EXPECT_FALSE(stack.CanUndo() || stack.CanRedo());
    auto group = std::make_unique<LUndoRedoGroup>();
    group->AddItem(Step(log, 'x'));
    group->AddItem(Step(log, 'y'));
    stack.AddItem(Step(log, 'a'));
    stack.AddItem(std::move(group));
    for (int i = 0; i < 3; ++i) // the third finds nothing left
        stack.Undo();
    EXPECT_FALSE(stack.CanUndo());
    for (int i = 0; i < 3; ++i)
        stack.Redo();
    EXPECT_EQ(log, "-y-x-a+a+x+y");
    stack.Undo();
    stack.AddItem(Step(log, 'c'));
    EXPECT_FALSE(stack.CanRedo());
    EXPECT_EQ(stack.GetNumItems(), 2u);
}

TEST(LUndoRedoStack, RemembersWhichStateWasSaved)
{
    std::string log;
    LUndoRedoStack stack;
    EXPECT_TRUE(stack.IsCurrentStateSaved());
    // Each action, and whether the state after it is the saved one: "s" saves, "u" undoes,
    // "r" redoes and "a" adds a step.
    const std::string_view actions = "s a u r s a s u u r r u s r u u u s r u a";
    const std::string_view saved = "1 0 1 0 1 0 1 0 0 0 1 0 1 0 1 0 0 1 0 1 0";
    ASSERT_EQ(actions.size(), saved.size());
    for (std::size_t i = 0; i < actions.size(); i += 2) {
        if (actions[i] == 's')
            stack.MarkCurrentStateAsSaved();
        else if (actions[i] == 'u')
            stack.Undo();
        else if (actions[i] == 'r')
            stack.Redo();
        else
            stack.AddItem(Step(log, 'x'));
        EXPECT_EQ(stack.IsCurrentStateSaved(), saved[i] == '1') << "after action " << i / 2;
    }
}
