#include "model/QPProjectBase.h"
#include "model/QPProject.h"

#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A project that writes down every undo hook the container calls, with what the element
// looked like at that moment.
class RecordingProject : public QPProjectBase {
public:
    RecordingProject() { ProjectReset(true); }

    struct Call {
        std::string what;
        int64_t key;
        int32_t id;
        bool inList;
        QPAssociationRecord associations;
    };
    std::vector<Call> calls;
    std::vector<std::vector<int32_t>> idChanges; // key, old, new
    int groupsOpened = 0;
    int groupsClosed = 0;
    bool groupAlreadyOpen = false;

protected:
    template <class T>
    void Note(const char* what, T& element, const QPElementList<T>& list,
              const QPAssociationRecord& associations = {})
    {
        calls.push_back({what, element.key, element.id,
                         list.GetElementByKey(element.key) != nullptr, associations});
    }
    void ElementCreatedUndoRedoAdd(QPTask& e) override { Note("created task", e, tasks); }
    void ElementCreatedUndoRedoAdd(QPResource& e) override
    {
        Note("created resource", e, resources);
    }
    void ElementCreatedUndoRedoAdd(QPSchedule& e) override
    {
        Note("created schedule", e, schedules);
    }
    void ElementDeletedUndoRedoAdd(QPTask& e, const QPAssociationRecord& a) override
    {
        Note("deleted task", e, tasks, a);
    }
    void ElementDeletedUndoRedoAdd(QPResource& e, const QPAssociationRecord& a) override
    {
        Note("deleted resource", e, resources, a);
    }
    void ElementDeletedUndoRedoAdd(QPSchedule& e, const QPAssociationRecord& a) override
    {
        Note("deleted schedule", e, schedules, a);
    }
    bool UndoRedoGroupOpenIfNone() override
    {
        if (groupAlreadyOpen)
            return false;
        ++groupsOpened;
        return true;
    }
    void UndoRedoGroupCloseOpened() override { ++groupsClosed; }
    void TaskIDChangeUndoRedoAdd(int64_t key, int32_t oldID, int32_t newID) override
    {
        idChanges.push_back({static_cast<int32_t>(key), oldID, newID});
    }
};

template <class T>
std::unique_ptr<T> Named(const std::string& name)
{
    auto element = std::make_unique<T>();
    element->name = name;
    return element;
}

// "A1 B2 C3": each task's name and ID in list order.
std::string TaskOrder(const QPProjectBase& project)
{
    std::string text;
    for (const QPTask& task : project.tasks) {
        if (!text.empty())
            text += ' ';
        text += task.name.str() + std::to_string(task.id);
    }
    return text;
}

template <class T>
std::string Names(const QPElementList<T>& list)
{
    std::string text;
    for (const T& element : list)
        text += element.name.str();
    return text;
}

void AddTasks(QPProjectBase& project, const std::string& names)
{
    for (char name : names)
        project.ElementAdd(Named<QPTask>(std::string(1, name)), false);
}

} // namespace

// ---------------------------------------------------------------------------------------
// A new project

TEST(QPProjectBase, NewProjectHasItsDefaultSchedule)
{
    ScopedEnvironment now("KESTRANO_NOW", "2026-12-06 08:30:00");
    QPProject project;
    EXPECT_EQ(project.name, "New Project");
    ASSERT_EQ(project.schedules.size(), 1u);
    const QPSchedule& schedule = project.schedules.front();
    EXPECT_EQ(schedule.name, "Default Schedule");
    EXPECT_EQ(schedule.key, 0);
    EXPECT_EQ(schedule.id, 1);
    EXPECT_EQ(project.defaultScheduleKey, 0);
    EXPECT_EQ(project.GetDefaultSchedule(), &schedule);
    EXPECT_EQ(project.lastKey, 0);
    EXPECT_EQ(project.lastScheduleID, 1);
    EXPECT_EQ(schedule.shiftDuration[eSunday], 0);
    EXPECT_EQ(schedule.shiftDuration[eSaturday], 0);
    for (int day = eMonday; day <= eFriday; ++day) {
        EXPECT_EQ(schedule.shiftDuration[day], 8 * 3600);
        EXPECT_EQ(schedule.shiftStart[day].Get(), 8 * 3600);
    }
    EXPECT_EQ(schedule.regularWorkWeek, 144000);
    EXPECT_EQ(project.projectStart, LocalTime(2026, 12, 6, 12));
    EXPECT_EQ(project.projectFinish, project.projectStart + 86400);
    EXPECT_EQ(project.projectDeadline, project.projectStart + 86400);
    EXPECT_FALSE(project.IsProjectDirty());

    QPTask& first = project.ElementAdd(std::make_unique<QPTask>(), false);
    EXPECT_EQ(first.key, 1);
    EXPECT_EQ(first.id, 1);
}

TEST(QPProjectBase, ResetWithoutScheduleStartsTheCountersAgain)
{
    QPProject project;
    AddTasks(project, "ABC");
    project.SetName("Bridge");
    project.ProjectReset(false);
    EXPECT_EQ(project.name, "New Project");
    EXPECT_TRUE(project.tasks.empty() && project.schedules.empty());
    EXPECT_EQ(project.defaultScheduleKey, -1);
    EXPECT_FALSE(project.dirty);
    EXPECT_EQ(project.ElementAdd(Named<QPTask>("A"), false).key, 0);
    EXPECT_EQ(project.tasks.At(0).id, 1);
}

// ---------------------------------------------------------------------------------------
// Keys and IDs

TEST(QPProjectBase, OneKeyCounterServesAllKinds)
{
    QPProject project;
    QPTask& task = project.ElementAdd(Named<QPTask>("A"), false);
    QPResource& resource = project.ElementAdd(Named<QPResource>("R"), false);
    QPSchedule& schedule = project.ElementAdd(Named<QPSchedule>("S"), false);
    QPTask& second = project.ElementAdd(Named<QPTask>("B"), false);
    EXPECT_EQ(task.key, 1);
    EXPECT_EQ(resource.key, 2);
    EXPECT_EQ(schedule.key, 3);
    EXPECT_EQ(second.key, 4);
    EXPECT_EQ(resource.id, 1);
    EXPECT_EQ(schedule.id, 2);
    EXPECT_EQ(second.id, 2);
    EXPECT_EQ(project.tasks.GetElementByKey(4), &second);
    EXPECT_EQ(project.resources.GetElementByKey(2), &resource);
    EXPECT_EQ(project.schedules.GetElementByKey(3), &schedule);
    EXPECT_EQ(project.tasks.GetElementByKey(2), nullptr);
    EXPECT_EQ(project.tasks.GetElementByKey(-1), nullptr);
}

TEST(QPProjectBase, GivenIDsAreKeptAndSortedAfterEqualOnes)
{
    QPProject project;
    AddTasks(project, "AB");
    auto c = Named<QPTask>("C");
    c->id = 1;
    project.ElementAdd(std::move(c), false);
    EXPECT_EQ(TaskOrder(project), "A1 C1 B2");
    EXPECT_EQ(project.tasks.GetElement(1)->name, "A");
}

TEST(QPProjectBase, NextUniqueIDSkipsTakenOnes)
{
    QPProject project;
    auto task = Named<QPTask>("X");
    task->id = 1;
    project.ElementAdd(std::move(task), false);
    task = Named<QPTask>("Y");
    task->id = 2;
    project.ElementAdd(std::move(task), false);
    // The counter is still 0: 1 and 2 are taken, so the next task gets 3.
    EXPECT_EQ(project.ElementAdd(Named<QPTask>("Z"), false).id, 3);
    EXPECT_EQ(project.lastTaskID, 3);
}

// ---------------------------------------------------------------------------------------
// Inserting and deleting

TEST(QPProjectBase, InsertingMakesRoomAtThePosition)
{
    QPProject project;
    AddTasks(project, "ABCD");
    QPTask& inserted = project.TaskInsert(Named<QPTask>("N"), 2, false);
    EXPECT_EQ(inserted.id, 2);
    EXPECT_EQ(TaskOrder(project), "A1 N2 B3 C4 D5");

    // Beyond the last task: appended.
    project.TaskInsert(Named<QPTask>("E"), 7, false);
    EXPECT_EQ(TaskOrder(project), "A1 N2 B3 C4 D5 E6");
    project.TaskInsert(Named<QPTask>("F"), 0, false);
    EXPECT_EQ(TaskOrder(project), "A1 N2 B3 C4 D5 E6 F7");
    project.TaskInsert(Named<QPTask>("G"), 1, false);
    EXPECT_EQ(TaskOrder(project), "G1 A2 N3 B4 C5 D6 E7 F8");
}

TEST(QPProjectBase, DeletingClosesTheGap)
{
    QPProject project;
    AddTasks(project, "ABCDE");
    EXPECT_TRUE(project.ElementDelete<QPTask>(2, false));
    EXPECT_EQ(TaskOrder(project), "A1 C2 D3 E4");
    EXPECT_EQ(project.lastTaskID, 4);
    EXPECT_EQ(project.ElementAdd(Named<QPTask>("F"), false).id, 5);
    // Keys are not reused.
    EXPECT_EQ(project.tasks.GetElement(5)->key, 6);
}

TEST(QPProjectBase, DeletingTheLastOrOnlyElementSetsTheCounter)
{
    QPProject project;
    AddTasks(project, "ABC");
    EXPECT_TRUE(project.ElementDelete<QPTask>(3, false));
    EXPECT_EQ(project.lastTaskID, 2);
    EXPECT_TRUE(project.ElementDelete<QPTask>(1, false));
    EXPECT_EQ(TaskOrder(project), "B1");
    EXPECT_EQ(project.lastTaskID, 1);
    EXPECT_TRUE(project.ElementDelete<QPTask>(1, false));
    EXPECT_TRUE(project.tasks.empty());
    EXPECT_EQ(project.lastTaskID, 1); // the only one: the counter keeps its value
    EXPECT_EQ(project.ElementAdd(Named<QPTask>("Z"), false).id, 2);
}

TEST(QPProjectBase, DeletingATaskRemovesDependenciesOnIt)
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

    EXPECT_TRUE(project.ElementDelete<QPTask>(1, false));
    EXPECT_TRUE(b.dependencies.empty());
    ASSERT_EQ(c.dependencies.size(), 2u);
    EXPECT_EQ(c.dependencies[0].predecessorKey, a);
    EXPECT_EQ(c.dependencies[0].type, eFinishToFinish);
    EXPECT_EQ(c.dependencies[1].predecessorKey, b.key);
    // Header lists keep the key; it simply matches nothing any more.
    EXPECT_EQ(header.subtaskKeys, std::vector<int64_t>{a});
}

TEST(QPProjectBase, DeletingAResourceRemovesItsAssignments)
{
    QPProject project;
    AddTasks(project, "AB");
    QPResource& ana = project.ElementAdd(Named<QPResource>("Ana"), false);
    QPResource& ben = project.ElementAdd(Named<QPResource>("Ben"), false);
    const int64_t anaKey = ana.key;
    project.tasks.At(0).AddResourceAssignment(anaKey, 50);
    project.tasks.At(0).AddResourceAssignment(ben.key, 100);
    project.tasks.At(1).AddResourceAssignment(anaKey, 25);

    EXPECT_TRUE(project.ElementDelete<QPResource>(1, false));
    EXPECT_EQ(Names(project.resources), "Ben");
    EXPECT_EQ(ben.id, 1);
    EXPECT_EQ(project.lastResourceID, 1);
    ASSERT_EQ(project.tasks.At(0).resourceAssignments.size(), 1u);
    EXPECT_EQ(project.tasks.At(0).resourceAssignments[0].resourceKey, ben.key);
    EXPECT_TRUE(project.tasks.At(1).resourceAssignments.empty());
}

TEST(QPProjectBase, DeletingAScheduleMovesItsResourcesToTheDefault)
{
    QPProject project;
    QPSchedule& nights = project.ElementAdd(Named<QPSchedule>("Nights"), false);
    const int64_t nightsKey = nights.key;
    QPResource& ana = project.ElementAdd(Named<QPResource>("Ana"), false);
    QPResource& ben = project.ElementAdd(Named<QPResource>("Ben"), false);
    QPResource& cy = project.ElementAdd(Named<QPResource>("Cy"), false);
    ana.scheduleKey = nightsKey;
    ben.scheduleKey = nightsKey;
    cy.scheduleKey = -1;
    QPTask& task = project.ElementAdd(Named<QPTask>("T"), false);
    task.scheduleKey = nightsKey;

    EXPECT_TRUE(project.ElementDelete<QPSchedule>(2, false));
    EXPECT_EQ(ana.scheduleKey, project.defaultScheduleKey);
    EXPECT_EQ(ben.scheduleKey, project.defaultScheduleKey);
    EXPECT_EQ(cy.scheduleKey, -1);
    // Tasks keep their schedule key.
    EXPECT_EQ(task.scheduleKey, nightsKey);
}

TEST(QPProjectBase, TheDefaultScheduleCannotBeDeleted)
{
    QPProject project;
    project.ElementAdd(Named<QPSchedule>("Nights"), false);
    QPResource& ana = project.ElementAdd(Named<QPResource>("Ana"), false);
    ana.scheduleKey = project.defaultScheduleKey;
    EXPECT_FALSE(project.ElementDelete<QPSchedule>(1, false));
    EXPECT_FALSE(project.ElementDelete<QPSchedule>(1, true));
    EXPECT_EQ(Names(project.schedules), "Default ScheduleNights");
    EXPECT_EQ(ana.scheduleKey, project.defaultScheduleKey);
}

// ---------------------------------------------------------------------------------------
// Undo hooks and putting back

TEST(QPProjectBase, RecordedAdditionsAndDeletionsCallTheHooks)
{
    RecordingProject project;
    EXPECT_TRUE(project.calls.empty()); // the default schedule is not recorded

    project.ElementAdd(Named<QPTask>("A"), true);
    project.ElementAdd(Named<QPTask>("B"), false);
    project.tasks.At(1).AddDependency(project.tasks.At(0).key, eFinishToStart, 0.0f);
    ASSERT_EQ(project.calls.size(), 1u);
    EXPECT_EQ(project.calls[0].what, "created task");
    EXPECT_EQ(project.calls[0].key, 1);
    EXPECT_EQ(project.calls[0].id, 1);
    EXPECT_TRUE(project.calls[0].inList);

    EXPECT_TRUE(project.ElementDelete<QPTask>(1, true));
    ASSERT_EQ(project.calls.size(), 2u);
    const auto& deleted = project.calls[1];
    EXPECT_EQ(deleted.what, "deleted task");
    EXPECT_EQ(deleted.key, 1);
    // The hook sees the element while it is still in its list, with its old ID.
    EXPECT_TRUE(deleted.inList);
    EXPECT_EQ(deleted.id, 1);
    ASSERT_EQ(deleted.associations.entries.size(), 1u);
    EXPECT_EQ(deleted.associations.entries[0].ownerKey, 2);

    EXPECT_TRUE(project.ElementDelete<QPTask>(1, false));
    EXPECT_EQ(project.calls.size(), 2u);
}

TEST(QPProjectBase, ResourceDeletionPutBackRestoresKeyAndAssignments)
{
    RecordingProject project;
    AddTasks(project, "AB");
    project.ElementAdd(Named<QPResource>("Ana"), false);
    project.ElementAdd(Named<QPResource>("Ben"), false);
    const int64_t anaKey = project.resources.At(0).key;
    project.tasks.At(0).AddResourceAssignment(QPResourceAssignment{anaKey, 50, 20, 80});
    project.tasks.At(1).AddResourceAssignment(anaKey, 100);

    auto image = std::make_unique<QPResource>(project.resources.At(0));
    ASSERT_TRUE(project.ElementDelete<QPResource>(1, true));
    const QPAssociationRecord record = project.calls.back().associations;
    ASSERT_EQ(record.entries.size(), 2u);

    // What an undo does: the element comes back with its key and ID, then its links.
    QPResource& restored = project.ElementAddRestored(std::move(image));
    project.ElementAssociationsAdd(record, -1);
    EXPECT_EQ(restored.key, anaKey);
    EXPECT_EQ(Names(project.resources), "AnaBen");
    EXPECT_EQ(project.resources.At(1).id, 2);
    EXPECT_EQ(project.resources.GetElementByKey(anaKey), &restored);
    ASSERT_EQ(project.tasks.At(0).resourceAssignments.size(), 1u);
    EXPECT_EQ(project.tasks.At(0).resourceAssignments[0],
              (QPResourceAssignment{anaKey, 50, 20, 80}));
    EXPECT_EQ(project.tasks.At(1).resourceAssignments[0].resourceKey, anaKey);
}

TEST(QPProjectBase, ScheduleDeletionPutBackPointsResourcesAtItAgain)
{
    RecordingProject project;
    project.ElementAdd(Named<QPSchedule>("Nights"), false);
    const int64_t nightsKey = project.schedules.At(1).key;
    QPResource& ana = project.ElementAdd(Named<QPResource>("Ana"), false);
    QPResource& ben = project.ElementAdd(Named<QPResource>("Ben"), false);
    ana.scheduleKey = nightsKey;
    ben.scheduleKey = nightsKey;

    auto image = std::make_unique<QPSchedule>(project.schedules.At(1));
    ASSERT_TRUE(project.ElementDelete<QPSchedule>(2, true));
    const QPAssociationRecord record = project.calls.back().associations;
    EXPECT_EQ(ana.scheduleKey, 0);
    EXPECT_EQ(ben.scheduleKey, 0);

    const int64_t restoredKey = project.ElementAddRestored(std::move(image)).key;
    project.ElementAssociationsAdd(record, restoredKey);
    EXPECT_EQ(ana.scheduleKey, nightsKey);
    EXPECT_EQ(ben.scheduleKey, nightsKey);
}

TEST(QPProjectBase, PuttingBackSkipsTasksThatAreGone)
{
    QPProject project;
    AddTasks(project, "AB");
    QPAssociationRecord record;
    record.AddDependency(999, QPTaskDependency{project.tasks.At(0).key, eFinishToStart, 0.0f});
    record.AddDependency(project.tasks.At(1).key, QPTaskDependency{-1, eFinishToStart, 0.0f});
    record.AddAssignment(project.tasks.At(1).key, QPResourceAssignment{-1, 100, 100, 100});
    record.AddResourceMoved(12345);
    project.ElementAssociationsAdd(record, 0);
    EXPECT_TRUE(project.tasks.At(1).dependencies.empty());
    EXPECT_TRUE(project.tasks.At(1).resourceAssignments.empty());
}

TEST(QPProjectBase, RestoringShiftsFromTheElementHoldingTheID)
{
    QPProject project;
    AddTasks(project, "ABC");
    auto task = Named<QPTask>("X");
    task->id = 2;
    task->key = 77;
    project.ElementAddRestored(std::move(task));
    EXPECT_EQ(TaskOrder(project), "A1 X2 B3 C4");
    EXPECT_EQ(project.tasks.GetElementByKey(77)->name, "X");
    // No task holds 6: nothing moves.
    task = Named<QPTask>("Y");
    task->id = 6;
    task->key = 78;
    project.ElementAddRestored(std::move(task));
    EXPECT_EQ(TaskOrder(project), "A1 X2 B3 C4 Y6");
}

TEST(QPProjectBase, ChangingAnIDRepositionsTheElement)
{
    QPProject project;
    AddTasks(project, "ABCD");
    const int64_t d = project.tasks.At(3).key;
    project.ElementChangeID<QPTask>(d, 2);
    EXPECT_EQ(TaskOrder(project), "A1 B2 D2 C3");
    project.ElementChangeID<QPTask>(project.tasks.At(0).key, 9);
    EXPECT_EQ(TaskOrder(project), "B2 D2 C3 A9");
    project.ElementChangeID<QPTask>(12345, 1); // no such key
    EXPECT_EQ(TaskOrder(project), "B2 D2 C3 A9");
}

// ---------------------------------------------------------------------------------------
// Moving tasks

TEST(QPProjectBase, MovingABlockDown)
{
    QPProject project;
    AddTasks(project, "ABCDEF");
    project.MoveTasksByID({2, 3}, 6, false);
    EXPECT_EQ(TaskOrder(project), "A1 D2 E3 B4 C5 F6");
}

TEST(QPProjectBase, MovingScatteredTasksAroundTheTarget)
{
    QPProject project;
    AddTasks(project, "ABCDEF");
    project.MoveTasksByID({1, 5}, 4, false);
    EXPECT_EQ(TaskOrder(project), "B1 C2 A3 E4 D5 F6");
}

TEST(QPProjectBase, MovingToTheEndAndToTheStart)
{
    QPProject project;
    AddTasks(project, "ABCDE");
    project.MoveTasksByID({1, 2}, 6, false);
    EXPECT_EQ(TaskOrder(project), "C1 D2 E3 A4 B5");
    project.MoveTasksByID({5}, 1, false);
    EXPECT_EQ(TaskOrder(project), "B1 C2 D3 E4 A5");
    // A target outside the list is taken as its nearest end.
    project.MoveTasksByID({1}, 40, false);
    EXPECT_EQ(TaskOrder(project), "C1 D2 E3 A4 B5");
}

TEST(QPProjectBase, MovingRecordsEveryIDChangeInOneGroup)
{
    RecordingProject project;
    AddTasks(project, "ABCDEF");
    project.MoveTasksByID({2, 3}, 6, true);
    EXPECT_EQ(project.groupsOpened, 1);
    EXPECT_EQ(project.groupsClosed, 1);
    // D and E move up first, then B and C take their places; A and F do not change.
    // Each entry is the task's key (A is 1 ... F is 6), its old ID and its new ID.
    const std::vector<std::vector<int32_t>> expected = {{4, 4, 2}, {5, 5, 3}, {2, 2, 4}, {3, 3, 5}};
    EXPECT_EQ(project.idChanges, expected);

    // Applying the changes backwards, newest first, restores the numbering.
    for (auto it = project.idChanges.rbegin(); it != project.idChanges.rend(); ++it)
        project.ElementChangeID<QPTask>((*it)[0], (*it)[1]);
    EXPECT_EQ(TaskOrder(project), "A1 B2 C3 D4 E5 F6");
}

TEST(QPProjectBase, MovingUsesAnAlreadyOpenGroup)
{
    RecordingProject project;
    AddTasks(project, "ABC");
    project.groupAlreadyOpen = true;
    project.MoveTasksByID({3}, 1, true);
    EXPECT_EQ(project.groupsOpened, 0);
    EXPECT_EQ(project.groupsClosed, 0);
    EXPECT_EQ(project.idChanges.size(), 3u);
    project.MoveTasksByID({1}, 2, false);
    EXPECT_EQ(project.idChanges.size(), 3u);
}

// ---------------------------------------------------------------------------------------
// After loading

TEST(QPProjectBase, ValidateElementKeysFillsMissingKeys)
{
    QPProjectBase project;
    auto schedule = Named<QPSchedule>("S");
    project.ElementAdd(std::move(schedule), false); // key 0
    project.ElementAdd(Named<QPTask>("A"), false);  // key 1
    project.ElementAdd(Named<QPTask>("B"), false);  // key 2
    project.ElementAdd(Named<QPResource>("R"), false);
    project.tasks.At(0).key = 40;
    project.tasks.At(1).key = -1;
    project.resources.At(0).key = -1;
    project.lastKey = 3;
    project.ValidateElementKeys();
    EXPECT_EQ(project.tasks.At(1).key, 41);
    EXPECT_EQ(project.resources.At(0).key, 42);
    EXPECT_EQ(project.lastKey, 42);
    EXPECT_EQ(project.tasks.GetElementByKey(41), &project.tasks.At(1));
    EXPECT_EQ(project.tasks.GetElementByKey(40), &project.tasks.At(0));

    // It never lowers the counter.
    project.lastKey = 100;
    project.ValidateElementKeys();
    EXPECT_EQ(project.lastKey, 100);
}

TEST(QPProjectBase, OldFilesReferToElementsByID)
{
    QPProjectBase project;
    project.ElementAdd(Named<QPSchedule>("S1"), false); // key 0, id 1
    project.ElementAdd(Named<QPSchedule>("S2"), false); // key 1, id 2
    AddTasks(project, "AB");                            // keys 2, 3
    project.ElementAdd(Named<QPResource>("R"), false);  // key 4, id 1
    // As an old file stores them: IDs in the key fields.
    project.defaultScheduleKey = 2;
    project.resources.At(0).scheduleKey = 1;
    project.tasks.At(1).AddDependency(1, eFinishToStart, 0.0f);
    project.tasks.At(1).AddDependency(7, eFinishToStart, 0.0f); // no task 7
    project.tasks.At(0).AddResourceAssignment(QPResourceAssignment{1, 50, 10, 90});
    project.tasks.At(0).scheduleKey = 2;

    project.ConvertIDAssociationsToKeys();
    EXPECT_EQ(project.defaultScheduleKey, 1);
    EXPECT_EQ(project.resources.At(0).scheduleKey, 0);
    EXPECT_EQ(project.tasks.At(1).dependencies[1].predecessorKey, 2);
    EXPECT_EQ(project.tasks.At(1).dependencies[0].predecessorKey, 7);
    EXPECT_EQ(project.tasks.At(0).resourceAssignments[0], (QPResourceAssignment{4, 50, 10, 90}));
    EXPECT_EQ(project.tasks.At(0).scheduleKey, 2);
}

TEST(QPProjectBase, DuplicateKeysFromADamagedFileFindTheFirst)
{
    QPProjectBase project;
    AddTasks(project, "ABC");
    for (QPTask& task : project.tasks)
        task.key = 5;
    project.ValidateElementKeys();
    EXPECT_EQ(project.tasks.GetElementByKey(5)->name, "A");
    project.ElementDelete<QPTask>(1, false);
    EXPECT_EQ(project.tasks.GetElementByKey(5)->name, "B");
}

// ---------------------------------------------------------------------------------------
// Names and state

TEST(QPProjectBase, NamesAreUniqueWithinTheirKind)
{
    QPProject project;
    AddTasks(project, "AB");
    project.ElementAdd(Named<QPResource>("A"), false);
    EXPECT_TRUE(project.IsTaskNameUsed("A", -1));
    EXPECT_FALSE(project.IsTaskNameUsed("A", 1)); // the task being edited
    EXPECT_TRUE(project.IsTaskNameUsed("A", 2));
    EXPECT_FALSE(project.IsTaskNameUsed("a", -1));
    EXPECT_FALSE(project.IsTaskNameUsed("C", -1));
    EXPECT_TRUE(project.IsResourceNameUsed("A", -1));
    EXPECT_FALSE(project.IsResourceNameUsed("B", -1));
    EXPECT_TRUE(project.IsScheduleNameUsed("Default Schedule", -1));
    EXPECT_FALSE(project.IsScheduleNameUsed("Default Schedule", 1));
}

TEST(QPProjectBase, RenamingMakesTheProjectDirty)
{
    QPProject project;
    project.SetName("New Project");
    EXPECT_FALSE(project.IsProjectDirty());
    project.SetName("Harbour Bridge");
    EXPECT_TRUE(project.IsProjectDirty());
    EXPECT_EQ(project.name, "Harbour Bridge");
}

TEST(QPProjectBase, CopyIsDeepAndClean)
{
    QPProject project;
    AddTasks(project, "AB");
    project.tasks.At(0).notes = "notes stay behind";
    project.tasks.At(1).AddDependency(project.tasks.At(0).key, eFinishToStart, 0.0f);
    project.options.SetCurrencySymbol("€");
    project.SetName("Source");

    const QPProjectBase copy(project);
    EXPECT_EQ(copy.name, "Source");
    EXPECT_FALSE(copy.dirty);
    EXPECT_EQ(copy.options.currencySymbol, "$");
    EXPECT_EQ(copy.lastKey, project.lastKey);
    EXPECT_EQ(copy.lastTaskID, project.lastTaskID);
    EXPECT_EQ(copy.defaultScheduleKey, project.defaultScheduleKey);
    EXPECT_EQ(copy.projectStart, project.projectStart);
    EXPECT_EQ(TaskOrder(copy), "A1 B2");
    EXPECT_NE(&copy.tasks.At(0), &project.tasks.At(0));
    EXPECT_TRUE(copy.tasks.At(0).notes.empty());
    EXPECT_EQ(copy.tasks.At(1).dependencies.size(), 1u);
    EXPECT_EQ(copy.tasks.GetElementByKey(project.tasks.At(1).key), &copy.tasks.At(1));
    EXPECT_EQ(copy.schedules.At(0).name, "Default Schedule");

    project.tasks.At(0).name = "changed";
    EXPECT_EQ(copy.tasks.At(0).name, "A");
}
