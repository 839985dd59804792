#include "model/QPProjectBase.h"
#include "model/QPProject.h"

#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// A new element; -1 leaves the ID or key to the project.
template <class T>
std::unique_ptr<T> Named(const std::string& name, int32_t id = -1, int64_t key = -1)
{
    auto element = std::make_unique<T>();
    element->name = name;
    element->id = id;
    element->key = key;
    return element;
}

template <class T>
std::string Names(const QPElementList<T>& list)
{
    std::string text;
    for (const T& element : list)
        text += element.name.str();
    return text;
}

QPProjectBase& AddTasks(QPProjectBase& project, const std::string& names)
{
    for (char name : names)
        project.ElementAdd(Named<QPTask>(std::string(1, name)), false);
    return project;
}

// "A1 B2": each task's name and ID in list order; `keys` adds ":kKEY", its links as
// "<KEY" and its assignments as "+KEY@PERCENT".
std::string Tasks(const QPProjectBase& project, bool keys = false)
{
    std::string text;
    for (const QPTask& task : project.tasks) {
        text += (text.empty() ? "" : " ") + task.name.str() + std::to_string(task.id);
        if (!keys)
            continue;
        text += ":k" + std::to_string(task.key);
        for (const QPTaskDependency& link : task.dependencies)
            text += "<" + std::to_string(link.predecessorKey);
        for (const QPResourceAssignment& assignment : task.resourceAssignments)
            text += "+" + std::to_string(assignment.resourceKey) + "@" +
                    std::to_string(assignment.percent);
    }
    return text;
}

} // namespace

TEST(QPProjectBase, NewProjectHasItsDefaultScheduleAndResetCanDropIt)
{
    ScopedEnvironment now("KESTRANO_NOW", "2026-12-06 08:30:00");
    QPProject project;
    ASSERT_EQ(project.schedules.size(), 1u);
    const QPSchedule& schedule = project.schedules.front();
    EXPECT_EQ(schedule.key + schedule.id * 10 + project.lastScheduleID * 100, 110);
    EXPECT_EQ(project.GetDefaultSchedule(), &schedule);
    EXPECT_EQ(project.projectStart, LocalTime(2026, 12, 6, 12));
    EXPECT_EQ(project.projectFinish, project.projectStart + 86400);
    EXPECT_EQ(project.projectDeadline, project.projectStart + 86400);
    EXPECT_FALSE(project.IsProjectDirty());
    EXPECT_EQ(project.ElementAdd(Named<QPTask>("A"), false).key, 1);
    project.SetName("Bridge");
    project.ProjectReset(false);
    EXPECT_EQ(project.name, "New Project");
    EXPECT_TRUE(project.tasks.empty() && project.schedules.empty());
    EXPECT_EQ(project.defaultScheduleKey, -1);
    EXPECT_FALSE(project.dirty);
    EXPECT_EQ(project.ElementAdd(Named<QPTask>("A"), false).key, 0);
    EXPECT_EQ(project.tasks.At(0).id, 1);
}

TEST(QPProjectBase, OneKeyCounterServesAllKindsAndIDsCountPerKind)
{
    QPProject project;
    QPTask& task = project.ElementAdd(Named<QPTask>("A"), false);
    QPResource& resource = project.ElementAdd(Named<QPResource>("R"), false);
    QPSchedule& schedule = project.ElementAdd(Named<QPSchedule>("S"), false);
    QPTask& second = project.ElementAdd(Named<QPTask>("B"), false);
    EXPECT_EQ(std::vector<int64_t>({task.key, resource.key, schedule.key, second.key}),
              std::vector<int64_t>({1, 2, 3, 4}));
    EXPECT_EQ(std::vector<int32_t>({resource.id, schedule.id, second.id}),
              std::vector<int32_t>({1, 2, 2}));
    EXPECT_EQ(project.tasks.GetElementByKey(4), &second);
    EXPECT_EQ(project.tasks.GetElementByKey(2), nullptr); // a resource's
    // A given ID is kept and sorted after equal ones; the counter skips taken IDs.
    project.ElementAdd(Named<QPTask>("C", 1), false);
    project.ElementAdd(Named<QPTask>("D", 3), false);
    EXPECT_EQ(Tasks(project), "A1 C1 B2 D3");
    EXPECT_EQ(project.tasks.GetElement(1)->name, "A");
    EXPECT_EQ(project.ElementAdd(Named<QPTask>("E"), false).id, 4);
    EXPECT_EQ(project.lastTaskID, 4);
}

TEST(QPProjectBase, InsertingDeletingMovingAndRenumberingKeepTheOrder)
{
    // Each operation on the tasks A1 to E5 (keys 1 to 5), and the order after it: "insert AT"
    // (a task N), "delete ID", "move ID... TO", "id FROM TO" and "restore ID" (a task X, key
    // 77, put back). Inserting beyond the last task or at 0 appends; a target outside the
    // list is its nearest end; putting back shifts from the element holding the ID.
    const std::pair<const char*, const char*> cases[] = {
            {"insert 2", "A1 N2 B3 C4 D5 E6"},  {"insert 1", "N1 A2 B3 C4 D5 E6"},
            {"insert 7", "A1 B2 C3 D4 E5 N6"},  {"insert 0", "A1 B2 C3 D4 E5 N6"},
            {"delete 2", "A1 C2 D3 E4"},        {"move 2 3 5", "A1 D2 B3 C4 E5"},
            {"move 1 4 3", "B1 A2 D3 C4 E5"},   {"move 1 2 6", "C1 D2 E3 A4 B5"},
            {"move 5 1", "E1 A2 B3 C4 D5"},     {"move 1 40", "B1 C2 D3 E4 A5"},
            {"id 4 2", "A1 B2 D2 C3 E5"},       {"id 1 9", "B2 C3 D4 E5 A9"},
            {"id 12345 1", "A1 B2 C3 D4 E5"},   {"restore 2", "A1 X2 B3 C4 D5 E6"},
            {"restore 8", "A1 B2 C3 D4 E5 X8"},
    };
    for (const auto& [operation, order] : cases) {
        QPProject project;
        AddTasks(project, "ABCDE");
        std::istringstream in(operation);
        std::string verb;
        std::vector<int32_t> n;
        in >> verb;
        for (int32_t number; in >> number;)
            n.push_back(number);
        if (verb == "insert")
            project.TaskInsert(Named<QPTask>("N"), n[0], false);
        else if (verb == "delete")
            project.ElementDelete<QPTask>(n[0], false);
        else if (verb == "move")
            project.MoveTasksByID(std::vector<int32_t>(n.begin(), n.end() - 1), n.back(), false);
        else if (verb == "id")
            project.ElementChangeID<QPTask>(n[0], n[1]);
        else
            project.ElementAddRestored(Named<QPTask>("X", n[0], 77));
        EXPECT_EQ(Tasks(project), order) << operation;
    }
    // Deleting closes the gap and sets the counter; keys are not reused; the only task
    // leaves the counter as it was.
    QPProject project;
    AddTasks(project, "ABC");
    EXPECT_TRUE(project.ElementDelete<QPTask>(3, false));
    EXPECT_EQ(project.lastTaskID, 2);
    EXPECT_EQ(project.ElementAdd(Named<QPTask>("D"), false).key, 4);
    EXPECT_TRUE(project.ElementDelete<QPTask>(1, false));
    EXPECT_TRUE(project.ElementDelete<QPTask>(1, false));
    EXPECT_EQ(Tasks(project), "D1");
    EXPECT_EQ(project.lastTaskID, 1);
    EXPECT_TRUE(project.ElementDelete<QPTask>(1, false));
    EXPECT_EQ(project.lastTaskID, 1);
    EXPECT_EQ(project.ElementAdd(Named<QPTask>("Z"), false).id, 2);
}

TEST(QPProjectBase, DeletingAnElementRemovesTheLinksToItAndUndoPutsThemBack)
{
    QPProject project;
    AddTasks(project, "ABCH");
    const int64_t a = project.tasks.GetElement(1)->key;
    QPTask& b = *project.tasks.GetElement(2);
    QPTask& c = *project.tasks.GetElement(3);
    QPTask& header = *project.tasks.GetElement(4);
    b.AddDependency(a, eFinishToStart, 1.0f);
    c.AddDependency(b.key, eStartToStart, 0.0f);
    c.AddDependency(a, eFinishToFinish, 2.0f);
    c.AddDependency(a, eStartToFinish, 0.0f); // only the first link on A goes
    header.isHeader = true;
    header.subtaskKeys = {a};
    QPSchedule& nights = project.ElementAdd(Named<QPSchedule>("Nights"), false);
    QPResource& ana = project.ElementAdd(Named<QPResource>("Ana"), false);
    QPResource& ben = project.ElementAdd(Named<QPResource>("Ben"), false);
    const int64_t anaKey = ana.key, nightsKey = nights.key;
    ana.scheduleKey = ben.scheduleKey = b.scheduleKey = nightsKey;
    b.AddResourceAssignment(anaKey, 50);
    b.AddResourceAssignment(ben.key, 100);
    c.AddResourceAssignment(anaKey, 25);
    const std::string before = Tasks(project, true);
    ASSERT_EQ(before, "A1:k1 B2:k2<1+7@100+6@50 C3:k3<1<1<2+6@25 H4:k4");
    // Links and assignments go to the head of their lists; removal takes the first match.
    EXPECT_TRUE(project.ElementDelete<QPTask>(1, false));
    EXPECT_EQ(c.dependencies, (std::vector<QPTaskDependency>{{a, eFinishToFinish, 2.0f},
                                                             {b.key, eStartToStart, 0.0f}}));
    EXPECT_FALSE(c.RemoveDependency(a + 100, nullptr) || c.RemoveResourceAssignment(99, nullptr));
    // Header lists keep the key; it simply matches nothing any more.
    EXPECT_EQ(header.subtaskKeys, std::vector<int64_t>{a});
    EXPECT_TRUE(project.ElementDelete<QPResource>(1, true));
    const std::string after = Tasks(project, true);
    EXPECT_EQ(after, "B1:k2+7@100 C2:k3<1<2 H3:k4");
    EXPECT_EQ(Names(project.resources) + std::to_string(ben.id), "Ben1");
    EXPECT_EQ(project.lastResourceID, 1);
    // Resources of a deleted schedule go to the default one; tasks keep their key. The
    // default schedule cannot be deleted.
    EXPECT_FALSE(project.ElementDelete<QPSchedule>(1, true));
    EXPECT_TRUE(project.ElementDelete<QPSchedule>(2, true));
    EXPECT_EQ(ben.scheduleKey, project.defaultScheduleKey);
    EXPECT_EQ(b.scheduleKey, nightsKey);
    EXPECT_EQ(Names(project.schedules), "Default Schedule");
    // Putting links back skips those of tasks that are gone.
    QPAssociationRecord record;
    record.AddDependency(999, QPTaskDependency{b.key, eFinishToStart, 0.0f});
    record.AddDependency(b.key, QPTaskDependency{-1, eFinishToStart, 0.0f});
    record.AddAssignment(b.key, QPResourceAssignment{-1, 100, 100, 100});
    record.AddResourceMoved(12345);
    project.ElementAssociationsAdd(record, 0);
    EXPECT_EQ(Tasks(project, true), after);
    // Undo brings the schedule back to its resources, then the resource with its ID and
    // assignments, each at the head of its task's list.
    project.undoStack.Undo();
    EXPECT_EQ(ben.scheduleKey, nightsKey);
    project.undoStack.Undo();
    const QPResource* restored = project.resources.GetElementByKey(anaKey);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->id * 10 + ben.id, 12);
    EXPECT_EQ(restored->scheduleKey, nightsKey);
    EXPECT_EQ(Tasks(project, true), "B1:k2+6@50+7@100 C2:k3<1<2+6@25 H3:k4");
}

// Loading hands out missing keys above the highest (see the file tests), never lowering the
// counter; of duplicate keys from a damaged file the first is found.
TEST(QPProjectBase, LoadedElementsKeepTheCounterAndDuplicatesFindTheFirst)
{
    QPProjectBase project;
    AddTasks(project, "ABC");
    for (QPTask& task : project.tasks)
        task.key = 5;
    project.lastKey = 100;
    project.ValidateElementKeys();
    EXPECT_EQ(project.lastKey, 100);
    EXPECT_EQ(project.tasks.GetElementByKey(5)->name, "A");
    project.ElementDelete<QPTask>(1, false);
    EXPECT_EQ(project.tasks.GetElementByKey(5)->name, "B");
}

TEST(QPProjectBase, RenamingAndCopies)
{
    QPProject project;
    AddTasks(project, "AB");
    // Names in use: see the editors' tests.
    project.SetName("New Project");
    EXPECT_FALSE(project.IsProjectDirty());
    project.tasks.At(0).notes = "notes stay behind";
    project.tasks.At(1).AddDependency(project.tasks.At(0).key, eFinishToStart, 0.0f);
    project.options.SetCurrencySymbol("€");
    project.SetName("Source");
    EXPECT_TRUE(project.IsProjectDirty());
    // A copy is deep and clean, without notes or options.
    const QPProjectBase copy(project);
    EXPECT_EQ(copy.name, "Source");
    EXPECT_FALSE(copy.dirty);
    EXPECT_EQ(copy.options.currencySymbol, "$");
    EXPECT_EQ(copy.lastKey + copy.lastTaskID, project.lastKey + project.lastTaskID);
    EXPECT_EQ(Tasks(copy), "A1 B2");
    EXPECT_TRUE(copy.tasks.At(0).notes.empty());
    EXPECT_EQ(copy.tasks.At(1).dependencies.size(), 1u);
    EXPECT_EQ(copy.tasks.GetElementByKey(project.tasks.At(1).key), &copy.tasks.At(1));
    project.tasks.At(0).name = "changed";
    EXPECT_EQ(copy.tasks.At(0).name, "A");
}

TEST(QPProjectUndo, CreationUndoesWithTheSameKeyAndTheSavedStateIsClean)
{
    QPProject project;
    project.undoStack.MarkCurrentStateAsSaved();
    project.ElementAdd(Named<QPTask>("A"), true);
    project.ElementAdd(Named<QPTask>("B"), true);
    EXPECT_TRUE(project.IsProjectDirty());
    project.undoStack.Undo();
    project.undoStack.Undo();
    EXPECT_EQ(Tasks(project, true), "");
    EXPECT_FALSE(project.IsProjectDirty());
    project.undoStack.Redo();
    project.undoStack.Redo();
    EXPECT_EQ(Tasks(project, true), "A1:k1 B2:k2");
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
    AddTasks(project, "ABCDE");
    const int64_t rita = project.ElementAdd(Named<QPResource>("Rita"), false).key;
    project.tasks.At(4).AddDependency(2, eFinishToStart, 2.0f);
    project.tasks.At(4).AddDependency(4, eStartToStart, 0.0f);
    project.tasks.At(1).AddResourceAssignment(rita, 60);
    const std::string before = Tasks(project, true);
    ASSERT_EQ(before, "A1:k1 B2:k2+6@60 C3:k3 D4:k4 E5:k5<4<2");
    // As the list deletes a selection: from the highest ID down.
    project.UndoRedoGroupStart();
    for (int32_t id : {4, 3, 2})
        project.ElementDelete<QPTask>(id, true);
    project.UndoRedoGroupEnd();
    EXPECT_EQ(Tasks(project, true), "A1:k1 E2:k5");
    project.undoStack.Undo();
    EXPECT_EQ(Tasks(project, true), before);
    project.undoStack.Redo();
    EXPECT_EQ(Tasks(project, true), "A1:k1 E2:k5");
    project.undoStack.Undo();
    project.MoveTasksByID({2, 3}, 6, true);
    const std::string moved = Tasks(project, true);
    EXPECT_EQ(moved, "A1:k1 D2:k4 E3:k5<4<2 B4:k2+6@60 C5:k3");
    project.undoStack.Undo();
    EXPECT_EQ(Tasks(project, true), before);
    project.undoStack.Redo();
    EXPECT_EQ(Tasks(project, true), moved);
}

// Undoing and redoing the editors' changes swaps the elements' images (see the editors'
// tests); an image that cannot be read changes nothing.
TEST(QPProjectUndo, AnUnreadableImageChangesNothing)
{
    QPProject project;
    QPTask& task = AddTasks(project, "D").tasks.At(0);
    const LByteArray before = task.WriteSDF();
    EXPECT_FALSE(project.ElementEditFromSDF<QPTask>(1, LByteArray{1, 2, 3}));
    EXPECT_EQ(task.WriteSDF(), before);
    EXPECT_EQ(project.ElementAddFromSDF<QPTask>(LByteArray{}), nullptr);
    EXPECT_EQ(project.tasks.size(), 1u);
}

TEST(QPProjectBaselines, FrozenCopiesUpToTenNamedExactlyAndTheLastTaskUpdateState)
{
    QPProject project;
    AddTasks(project, "SDB").dirty = false;
    QPBaseline* first = project.BaselineAdd("Plan A");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->id, 0);
    EXPECT_TRUE(project.IsProjectDirty());
    // A copy like any other (see the copies' test), frozen when it is taken.
    project.ElementDelete<QPTask>(3, false);
    EXPECT_EQ(first->tasks.size(), 3u);
    EXPECT_EQ(project.BaselineAdd("Plan B")->tasks.size(), 2u);
    EXPECT_EQ(project.GetBaseline(1)->name, "Plan B");
    EXPECT_EQ(project.GetBaseline(2), nullptr);
    EXPECT_TRUE(project.IsBaselineNameUsed("Plan A", 1));
    EXPECT_FALSE(project.IsBaselineNameUsed("Plan A", 0)); // the one being renamed
    for (int i = 2; i < 10; ++i)
        ASSERT_NE(project.BaselineAdd("B" + std::to_string(i)), nullptr);
    EXPECT_EQ(project.BaselineAdd("one too many"), nullptr);
    EXPECT_EQ(project.baselines.size(), 10u);
    // Deleting renumbers the ones after.
    project.dirty = false;
    EXPECT_FALSE(project.BaselineDelete(10));
    EXPECT_FALSE(project.IsProjectDirty());
    EXPECT_TRUE(project.BaselineDelete(1));
    EXPECT_TRUE(project.IsProjectDirty());
    ASSERT_EQ(project.baselines.size(), 9u);
    EXPECT_EQ(project.baselines[1]->name.str() + std::to_string(project.baselines[1]->id), "B21");
    // The state at the last task update is a fresh copy each time (taking it: see the status
    // updates' tests); a reset drops it with the baselines.
    project.SetAsLastTaskUpdateState();
    project.ElementDelete<QPTask>(1, false);
    project.SetAsLastTaskUpdateState();
    EXPECT_EQ(project.lastTaskUpdateState->tasks.size(), 1u);
    project.options.SetCurrencySymbol("€");
    project.ProjectReset(true);
    EXPECT_TRUE(project.baselines.empty() && project.tasks.empty());
    EXPECT_EQ(project.lastTaskUpdateState, nullptr);
    EXPECT_EQ(project.options.currencySymbol, "$");
    EXPECT_EQ(project.schedules.size(), 1u);
    EXPECT_FALSE(project.IsProjectDirty());
}
