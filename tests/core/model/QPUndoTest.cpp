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

// "A1:k1 B2:k2": name, ID and key of each task in list order, and its links as "<key".
std::string Tasks(const QPProjectBase& project)
{
    std::string text;
    for (const QPTask& task : project.tasks) {
        text += (text.empty() ? "" : " ") + task.name.str() + std::to_string(task.id) + ":k" +
                std::to_string(task.key);
        for (const QPTaskDependency& link : task.dependencies)
            text += "<" + std::to_string(link.predecessorKey);
        for (const QPResourceAssignment& assignment : task.resourceAssignments)
            text += "+" + std::to_string(assignment.resourceKey) + "@" +
                    std::to_string(assignment.percent);
    }
    return text;
}

QPProject& WithTasks(QPProject& project, const std::string& names)
{
    for (char name : names)
        project.ElementAdd(Named<QPTask>(std::string(1, name)), false);
    return project;
}

} // namespace

TEST(QPProjectUndo, CreationUndoesWithTheSameKeyAndTheSavedStateIsClean)
{
    QPProject project;
    project.undoStack.MarkCurrentStateAsSaved();
    project.ElementAdd(Named<QPTask>("A"), true);
    project.ElementAdd(Named<QPTask>("B"), true);
    EXPECT_TRUE(project.IsProjectDirty());
    project.undoStack.Undo();
    project.undoStack.Undo();
    EXPECT_EQ(Tasks(project), "");
    EXPECT_FALSE(project.IsProjectDirty());
    project.undoStack.Redo();
    project.undoStack.Redo();
    EXPECT_EQ(Tasks(project), "A1:k1 B2:k2");
    // Undo, then a new task: the undone one is gone for good.
    project.undoStack.Undo();
    project.ElementAdd(Named<QPTask>("C"), true);
    EXPECT_FALSE(project.undoStack.CanRedo());
    EXPECT_EQ(Tasks(project), "A1:k1 C2:k3");
    // Changes outside the history keep the project dirty whatever the history says; a reset
    // forgets the history.
    project.undoStack.Undo();
    project.undoStack.Undo();
    project.SetName("Renamed");
    EXPECT_TRUE(project.IsProjectDirty());
    project.ProjectReset(true);
    EXPECT_EQ(project.undoStack.GetNumItems(), 0u);
    EXPECT_FALSE(project.IsProjectDirty());
    // An empty group is no step.
    project.UndoRedoGroupStart();
    project.UndoRedoGroupEnd();
    EXPECT_EQ(project.undoStack.GetNumItems(), 0u);
    EXPECT_EQ(project.openUndoGroup, nullptr);
}

TEST(QPProjectUndo, DeletionsInOneGroupAndMovesUndoInOneStep)
{
    QPProject project;
    WithTasks(project, "ABCDE");
    const int64_t rita = project.ElementAdd(Named<QPResource>("Rita"), false).key;
    project.tasks.At(4).AddDependency(2, eFinishToStart, 2.0f);
    project.tasks.At(4).AddDependency(4, eStartToStart, 0.0f);
    project.tasks.At(1).AddResourceAssignment(rita, 60);
    const std::string before = Tasks(project);
    ASSERT_EQ(before, "A1:k1 B2:k2+6@60 C3:k3 D4:k4 E5:k5<4<2");
    // As the list deletes a selection: from the highest ID down.
    project.UndoRedoGroupStart();
    for (int32_t id : {4, 3, 2})
        project.ElementDelete<QPTask>(id, true);
    project.UndoRedoGroupEnd();
    EXPECT_EQ(Tasks(project), "A1:k1 E2:k5");
    project.undoStack.Undo();
    EXPECT_EQ(Tasks(project), before);
    project.undoStack.Redo();
    EXPECT_EQ(Tasks(project), "A1:k1 E2:k5");
    project.undoStack.Undo();

    project.MoveTasksByID({2, 3}, 6, true);
    const std::string moved = Tasks(project);
    EXPECT_EQ(moved, "A1:k1 D2:k4 E3:k5<4<2 B4:k2+6@60 C5:k3");
    project.undoStack.Undo();
    EXPECT_EQ(Tasks(project), before);
    project.undoStack.Redo();
    EXPECT_EQ(Tasks(project), moved);
}

TEST(QPProjectUndo, ResourceAndScheduleDeletionsPutTheirLinksBack)
{
    QPProject project;
    QPTask& task = WithTasks(project, "T").tasks.At(0);
    const int64_t nights = project.ElementAdd(Named<QPSchedule>("Nights"), false).key;
    QPResource& ana = project.ElementAdd(Named<QPResource>("Ana"), false);
    QPResource& ben = project.ElementAdd(Named<QPResource>("Ben"), false);
    const int64_t anaKey = ana.key;
    ana.scheduleKey = ben.scheduleKey = nights;
    task.AddResourceAssignment(anaKey, 40);

    project.ElementDelete<QPResource>(1, true);
    EXPECT_TRUE(task.resourceAssignments.empty());
    project.ElementDelete<QPSchedule>(2, true);
    EXPECT_EQ(ben.scheduleKey, project.defaultScheduleKey);
    project.undoStack.Undo();
    EXPECT_EQ(ben.scheduleKey, nights);
    project.undoStack.Undo();
    const QPResource* restored = project.resources.GetElementByKey(anaKey);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->id * 10 + ben.id, 12);
    EXPECT_EQ(restored->scheduleKey, nights);
    EXPECT_EQ(Tasks(project), "T1:k1+" + std::to_string(anaKey) + "@40");
}

TEST(QPProjectUndo, EditsSwapTheElementsImages)
{
    QPProject project;
    QPTask& task = WithTasks(project, "D").tasks.At(0);
    task.notes = "first notes";
    const LByteArray before = task.WriteSDF();
    task.name = "Final";
    task.durationText = "12";
    task.notes = "second notes";
    task.AddDependency(99, eFinishToFinish, 1.0f);
    const LByteArray after = task.WriteSDF();
    project.UndoRedoAdd(
            std::make_unique<QPElementEditedUndoRedo<QPTask>>(project, task.id, before, after));
    project.undoStack.Undo();
    EXPECT_EQ(task.WriteSDF(), before);
    project.undoStack.Redo();
    EXPECT_EQ(task.WriteSDF(), after);
    // An image that cannot be read changes nothing.
    EXPECT_FALSE(project.ElementEditFromSDF<QPTask>(1, LByteArray{1, 2, 3}));
    EXPECT_EQ(task.WriteSDF(), after);
    EXPECT_EQ(project.ElementAddFromSDF<QPTask>(LByteArray{}), nullptr);
    EXPECT_EQ(project.tasks.size(), 1u);
}
