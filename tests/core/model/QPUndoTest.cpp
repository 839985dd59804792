#include "model/QPProject.h"
#include "model/QPUndoItems.h"

#include <gtest/gtest.h>

#include <string>

namespace {

template <class T>
std::unique_ptr<T> Named(const std::string& name)
{
    auto element = std::make_unique<T>();
    element->name = name;
    return element;
}

// "A1:k1 B2:k2": name, ID and key of each task in list order.
std::string Tasks(const QPProjectBase& project)
{
    std::string text;
    for (const QPTask& task : project.tasks) {
        if (!text.empty())
            text += ' ';
        text += task.name.str() + std::to_string(task.id) + ":k" + std::to_string(task.key);
    }
    return text;
}

} // namespace

TEST(QPProjectUndo, CreationUndoesAndRedoesWithTheSameKey)
{
    QPProject project;
    project.ElementAdd(Named<QPTask>("A"), true);
    project.ElementAdd(Named<QPTask>("B"), true);
    EXPECT_EQ(Tasks(project), "A1:k1 B2:k2");
    project.undoStack.Undo();
    project.undoStack.Undo();
    EXPECT_EQ(Tasks(project), "");
    project.undoStack.Redo();
    project.undoStack.Redo();
    EXPECT_EQ(Tasks(project), "A1:k1 B2:k2");

    // Undo, then a new task: the undone one is gone for good.
    project.undoStack.Undo();
    project.ElementAdd(Named<QPTask>("C"), true);
    EXPECT_FALSE(project.undoStack.CanRedo());
    EXPECT_EQ(Tasks(project), "A1:k1 C2:k3");
}

TEST(QPProjectUndo, UndoingBackToTheSavedStateMakesTheProjectClean)
{
    QPProject project;
    project.undoStack.MarkCurrentStateAsSaved();
    project.ElementAdd(Named<QPTask>("A"), true);
    EXPECT_TRUE(project.IsProjectDirty());
    project.undoStack.Undo();
    EXPECT_FALSE(project.IsProjectDirty());
    project.undoStack.Redo();
    EXPECT_TRUE(project.IsProjectDirty());
    // Changes outside the history keep the project dirty whatever the history says.
    project.undoStack.Undo();
    project.SetName("Renamed");
    EXPECT_TRUE(project.IsProjectDirty());
}

TEST(QPProjectUndo, DeletingTasksInOneGroupUndoesInOneStep)
{
    QPProject project;
    for (const char* name : {"A", "B", "C", "D", "E"})
        project.ElementAdd(Named<QPTask>(name), false);
    QPResource& rita = project.ElementAdd(Named<QPResource>("Rita"), false);
    QPTask& e = *project.tasks.GetElement(5);
    e.AddDependency(project.tasks.GetElement(2)->key, eFinishToStart, 2.0f);
    e.AddDependency(project.tasks.GetElement(4)->key, eStartToStart, 0.0f);
    project.tasks.GetElement(2)->AddResourceAssignment(rita.key, 60);
    const std::string before = Tasks(project);

    // As the list deletes a selection: from the highest ID down.
    project.UndoRedoGroupStart();
    for (int32_t id : {4, 3, 2})
        project.ElementDelete<QPTask>(id, true);
    project.UndoRedoGroupEnd();
    EXPECT_EQ(Tasks(project), "A1:k1 E2:k5");
    EXPECT_TRUE(project.tasks.GetElement(2)->dependencies.empty());

    project.undoStack.Undo();
    EXPECT_EQ(Tasks(project), before);
    const QPTask& restoredE = *project.tasks.GetElement(5);
    ASSERT_EQ(restoredE.dependencies.size(), 2u);
    EXPECT_EQ(project.tasks.GetElement(2)->resourceAssignments.size(), 1u);
    EXPECT_EQ(project.tasks.GetElement(2)->resourceAssignments[0].percent, 60);

    project.undoStack.Redo();
    EXPECT_EQ(Tasks(project), "A1:k1 E2:k5");
}

TEST(QPProjectUndo, ResourceAndScheduleDeletionsPutTheirLinksBack)
{
    QPProject project;
    QPTask& task = project.ElementAdd(Named<QPTask>("T"), false);
    QPSchedule& nights = project.ElementAdd(Named<QPSchedule>("Nights"), false);
    const int64_t nightsKey = nights.key;
    QPResource& ana = project.ElementAdd(Named<QPResource>("Ana"), false);
    QPResource& ben = project.ElementAdd(Named<QPResource>("Ben"), false);
    const int64_t anaKey = ana.key;
    ana.scheduleKey = nightsKey;
    ben.scheduleKey = nightsKey;
    task.AddResourceAssignment(anaKey, 40);

    project.ElementDelete<QPResource>(1, true);
    EXPECT_TRUE(task.resourceAssignments.empty());
    project.ElementDelete<QPSchedule>(2, true);
    EXPECT_EQ(ben.scheduleKey, project.defaultScheduleKey);

    project.undoStack.Undo();
    EXPECT_EQ(ben.scheduleKey, nightsKey);
    project.undoStack.Undo();
    const QPResource* restored = project.resources.GetElementByKey(anaKey);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->id, 1);
    EXPECT_EQ(restored->scheduleKey, nightsKey);
    EXPECT_EQ(ben.id, 2);
    ASSERT_EQ(task.resourceAssignments.size(), 1u);
    EXPECT_EQ(task.resourceAssignments[0].resourceKey, anaKey);
    EXPECT_EQ(task.resourceAssignments[0].percent, 40);
}

TEST(QPProjectUndo, EditsSwapTheElementsImages)
{
    QPProject project;
    QPTask& task = project.ElementAdd(Named<QPTask>("Draft"), false);
    task.notes = "first notes";
    const LByteArray before = task.WriteSDF();
    task.name = "Final";
    task.durationText = "12";
    task.notes = "second notes";
    task.AddDependency(99, eFinishToFinish, 1.0f);
    project.UndoRedoAdd(std::make_unique<QPElementEditedUndoRedo<QPTask>>(project, task.id, before,
                                                                          task.WriteSDF()));
    project.undoStack.Undo();
    EXPECT_EQ(task.name, "Draft");
    EXPECT_EQ(task.notes, "first notes");
    EXPECT_TRUE(task.durationText.empty());
    EXPECT_TRUE(task.dependencies.empty());
    project.undoStack.Redo();
    EXPECT_EQ(task.name, "Final");
    EXPECT_EQ(task.notes, "second notes");
    EXPECT_EQ(task.dependencies.size(), 1u);

    // An image that cannot be read changes nothing.
    EXPECT_FALSE(project.ElementEditFromSDF<QPTask>(1, LByteArray{1, 2, 3}));
    EXPECT_EQ(task.name, "Final");
    EXPECT_EQ(project.ElementAddFromSDF<QPTask>(LByteArray{}), nullptr);
    EXPECT_EQ(project.tasks.size(), 1u);
}

TEST(QPProjectUndo, MovesUndoToTheFormerNumbering)
{
    QPProject project;
    for (const char* name : {"A", "B", "C", "D", "E", "F"})
        project.ElementAdd(Named<QPTask>(name), false);
    const std::string before = Tasks(project);
    project.MoveTasksByID({2, 3}, 6, true);
    const std::string moved = Tasks(project);
    EXPECT_EQ(moved, "A1:k1 D2:k4 E3:k5 B4:k2 C5:k3 F6:k6");
    EXPECT_EQ(project.undoStack.GetNumItems(), 1u); // one group
    project.undoStack.Undo();
    EXPECT_EQ(Tasks(project), before);
    project.undoStack.Redo();
    EXPECT_EQ(Tasks(project), moved);
}

TEST(QPProjectUndo, EmptyGroupsAreDropped)
{
    QPProject project;
    project.UndoRedoGroupStart();
    project.UndoRedoGroupEnd();
    EXPECT_EQ(project.undoStack.GetNumItems(), 0u);
    EXPECT_EQ(project.openUndoGroup, nullptr);

    project.ElementAdd(Named<QPTask>("A"), true);
    project.ProjectReset(true);
    EXPECT_EQ(project.undoStack.GetNumItems(), 0u);
    EXPECT_FALSE(project.IsProjectDirty());
}
