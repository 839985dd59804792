#include "model/QPProject.h"

#include "support/Plan.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

namespace {

LDateTime March(int day, int hour, int minute = 0)
{
    return LocalTime(2027, 3, day, hour, minute);
}

} // namespace

// ---------------------------------------------------------------------------------------
// The pipeline

TEST(QPRecalculation, AnEmptyProjectFinishesWhereItStarts)
{
    Plan plan;
    plan.project.projectFinish = March(20, 0);
    plan.Recalculate();
    EXPECT_EQ(plan.project.projectFinish, plan.project.projectStart);
}

TEST(QPRecalculation, ManualTasksKeepTheirStart)
{
    Plan plan;
    QPTask& fixedDuration = plan.Task("Fixed duration", "8");
    fixedDuration.autoSchedule = false;
    fixedDuration.taskType = eTaskTypeFixedDuration;
    fixedDuration.start = March(9, 11);
    fixedDuration.finish = March(12, 9);
    QPTask& fixedWork = plan.Task("Fixed work", "8");
    fixedWork.autoSchedule = false;
    fixedWork.start = March(9, 12);
    fixedWork.finish = March(30, 9);
    plan.Recalculate();
    EXPECT_EQ(fixedDuration.start, March(9, 11));
    EXPECT_EQ(fixedDuration.finish, March(12, 9));
    EXPECT_EQ(fixedWork.start, March(9, 12));
    EXPECT_EQ(fixedWork.finish, March(10, 12));
    EXPECT_EQ(plan.project.projectFinish, March(12, 9));
}

TEST(QPRecalculation, FixedDatesIgnoreDependencies)
{
    Plan plan;
    QPTask& a = plan.Task("A", "40");
    QPTask& startOn = plan.Task("Start On", "8");
    startOn.AddDependency(a.key, eFinishToStart, 0.f);
    startOn.constraintType = eConstraintStartOn;
    startOn.constraintDate = March(3, 10);
    QPTask& finishOn = plan.Task("Finish On", "8");
    finishOn.AddDependency(a.key, eFinishToStart, 0.f);
    finishOn.constraintType = eConstraintFinishOn;
    finishOn.constraintDate = March(3, 10);
    plan.Recalculate();
    EXPECT_EQ(a.finish, March(5, 16));
    EXPECT_EQ(startOn.start, March(3, 0));
    EXPECT_EQ(startOn.finish, March(3, 16));
    EXPECT_EQ(finishOn.finish, March(4, 0));
    EXPECT_EQ(finishOn.start, March(3, 8));
}

TEST(QPRecalculation, LoopsKeepTheirDatesAndTheRestIsScheduled)
{
    Plan plan;
    QPTask& a = plan.Task("A", "8");
    QPTask& b = plan.Task("B", "8");
    QPTask& waiting = plan.Task("Waits on the loop", "8");
    QPTask& free = plan.Task("Free", "16");
    a.AddDependency(b.key, eFinishToStart, 0.f);
    b.AddDependency(a.key, eFinishToStart, 0.f);
    waiting.AddDependency(b.key, eFinishToStart, 0.f);
    for (QPTask* task : {&a, &b, &waiting}) {
        task->start = LocalTime(2026, 1, 5, 8);
        task->finish = LocalTime(2026, 1, 5, 16);
    }
    plan.Recalculate();
    for (QPTask* task : {&a, &b, &waiting}) {
        EXPECT_EQ(task->start, LocalTime(2026, 1, 5, 8)) << task->name.str();
        EXPECT_EQ(task->finish, LocalTime(2026, 1, 5, 16)) << task->name.str();
    }
    EXPECT_EQ(free.start, March(1, 0));
    EXPECT_EQ(free.finish, March(2, 16));
    // The slack walks stop at the loop, too.
    EXPECT_EQ(a.successorIDs, (std::vector<int32_t>{b.id}));
}

// ---------------------------------------------------------------------------------------
// Dependencies and constraints

TEST(QPPlacement, LagsAreElapsedTime)
{
    Plan plan;
    QPTask& a = plan.Task("A", "8");
    QPTask& half = plan.Task("Half a day later", "8");
    half.AddDependency(a.key, eFinishToStart, 0.5f);
    QPTask& tenth = plan.Task("A tenth later", "8");
    tenth.AddDependency(a.key, eFinishToStart, 0.1f);
    QPTask& together = plan.Task("Starts a day after A starts", "8");
    together.AddDependency(a.key, eStartToStart, 1.f);
    plan.Recalculate();
    EXPECT_EQ(a.finish, March(1, 16));
    EXPECT_EQ(half.start, a.finish + 43200);
    EXPECT_EQ(half.finish, March(2, 16));
    EXPECT_EQ(half.displayStart, March(2, 8));
    EXPECT_EQ(tenth.start, a.finish + 8640);
    EXPECT_EQ(together.start, a.start + 86400);
}

TEST(QPPlacement, FinishTypeLinksCountBackFromTheFinish)
{
    Plan plan;
    QPTask& a = plan.Task("A", "16");
    QPTask& early = plan.Task("Finishes when A starts", "8");
    early.AddDependency(a.key, eStartToFinish, 0.f);
    QPTask& fixed = plan.Task("Fixed", "8");
    fixed.constraintType = eConstraintStartOn;
    fixed.constraintDate = March(3, 12);
    QPTask& before = plan.Task("Finishes when Fixed starts", "8");
    before.AddDependency(fixed.key, eStartToFinish, 0.f);
    QPTask& together = plan.Task("Finishes with A", "8");
    together.AddDependency(a.key, eFinishToFinish, 0.f);
    plan.Recalculate();
    // Counting back from A's start would begin before the project: it starts at the
    // earliest start instead and its finish moves later.
    EXPECT_EQ(early.start, March(1, 0));
    EXPECT_EQ(early.finish, March(1, 16));
    EXPECT_EQ(before.finish, March(3, 0));
    EXPECT_EQ(before.start, March(2, 8));
    EXPECT_EQ(together.finish, a.finish);
    EXPECT_EQ(together.start, March(2, 8));
}

TEST(QPPlacement, StartConstraints)
{
    Plan plan;
    QPTask& a = plan.Task("A", "40");
    QPTask& soon = plan.Task("Start Before, before the project", "8");
    soon.constraintType = eConstraintStartBefore;
    soon.constraintDate = March(1, 12);
    QPTask& before = plan.Task("Start Before", "8");
    before.AddDependency(a.key, eFinishToStart, 0.f);
    before.constraintType = eConstraintStartBefore;
    before.constraintDate = March(3, 12);
    QPTask& after = plan.Task("Start After", "8");
    after.constraintType = eConstraintStartAfter;
    after.constraintDate = March(3, 12);
    QPTask& afterLate = plan.Task("Start After, held back by A", "8");
    afterLate.AddDependency(a.key, eFinishToStart, 0.f);
    afterLate.constraintType = eConstraintStartAfter;
    afterLate.constraintDate = March(1, 12);
    plan.Recalculate();
    EXPECT_EQ(soon.start, plan.project.projectStart);
    // Exactly a day before the constraint date, whatever its predecessor says.
    EXPECT_EQ(before.start, March(2, 12));
    EXPECT_EQ(before.finish, March(3, 12));
    EXPECT_EQ(after.start, March(4, 12));
    EXPECT_EQ(afterLate.start, a.finish);
}

TEST(QPPlacement, FinishConstraints)
{
    Plan plan;
    QPTask& a = plan.Task("A", "40");
    QPTask& after = plan.Task("Finish After", "8");
    after.constraintType = eConstraintFinishAfter;
    after.constraintDate = March(3, 10);
    QPTask& before = plan.Task("Finish Before", "8");
    before.constraintType = eConstraintFinishBefore;
    before.constraintDate = March(4, 10);
    before.AddDependency(a.key, eFinishToStart, 0.f);
    QPTask& tooEarly = plan.Task("Finish Before the project could", "16");
    tooEarly.constraintType = eConstraintFinishBefore;
    tooEarly.constraintDate = March(1, 12);
    plan.Recalculate();
    EXPECT_EQ(after.finish, March(4, 10));
    EXPECT_EQ(after.start, March(3, 10));
    // Finishes a day before its date even though A ends later.
    EXPECT_EQ(before.finish, March(3, 10));
    EXPECT_EQ(before.start, March(2, 10));
    // A limit the project start cannot meet: it starts with the project.
    EXPECT_EQ(tooEarly.start, plan.project.projectStart);
    EXPECT_EQ(tooEarly.finish, March(2, 16));
}

TEST(QPPlacement, AHeadersPredecessorsHoldBackItsSubtasks)
{
    Plan plan;
    QPTask& first = plan.Task("First", "40");
    QPTask& header = plan.Task("Group", "");
    QPTask& member = plan.Task("Member", "8");
    QPTask& other = plan.Task("Group 2", "");
    QPTask& otherMember = plan.Task("Member 2", "8");
    header.isHeader = true;
    header.subtaskKeys = {member.key};
    header.AddDependency(first.key, eFinishToStart, 0.f);
    other.isHeader = true;
    other.subtaskKeys = {otherMember.key};
    other.AddDependency(first.key, eFinishToFinish, 0.f); // no effect on its members
    plan.Recalculate();
    EXPECT_EQ(member.start, first.finish);
    EXPECT_EQ(member.finish, March(8, 16));
    EXPECT_EQ(header.start, member.start);
    EXPECT_EQ(header.finish, member.finish);
    EXPECT_EQ(otherMember.start, plan.project.projectStart);
}

TEST(QPPlacement, AsLateAsPossible)
{
    Plan plan;
    QPTask& a = plan.Task("A", "40");
    QPTask& alone = plan.Task("Alone", "8");
    alone.constraintType = eConstraintAsLateAsPossible;
    QPTask& b = plan.Task("B", "8");
    b.constraintType = eConstraintAsLateAsPossible;
    QPTask& c = plan.Task("C", "8");
    c.AddDependency(b.key, eFinishToStart, 0.f);
    plan.Recalculate();
    EXPECT_EQ(a.finish, March(5, 16));
    // Without successors it ends with the project.
    EXPECT_EQ(alone.finish, March(5, 16));
    EXPECT_EQ(alone.start, March(5, 8));
    // It moves to where its successor's latest start leaves it, and the successor follows
    // it there; the project still finishes where it did.
    EXPECT_EQ(b.start, March(4, 8));
    EXPECT_EQ(b.finish, March(5, 8));
    EXPECT_EQ(b.freeSlack, 0);
    EXPECT_EQ(c.start, March(5, 8));
    EXPECT_EQ(c.finish, March(5, 16));
    EXPECT_EQ(plan.project.projectFinish, March(5, 16));
}

TEST(QPPlacement, DisplayStartsAreTheFirstMomentOfWork)
{
    Plan plan;
    QPTask& weekend = plan.Task("From the weekend", "8");
    weekend.constraintType = eConstraintStartOn;
    weekend.constraintDate = March(6, 12);
    QPTask& milestone = plan.Task("Milestone", "");
    milestone.milestone = true;
    milestone.constraintType = eConstraintStartOn;
    milestone.constraintDate = March(6, 12);
    plan.Recalculate();
    EXPECT_EQ(weekend.start, March(6, 0));
    EXPECT_EQ(weekend.displayStart, March(8, 8));
    EXPECT_EQ(milestone.displayStart, milestone.start);
}

TEST(QPPlacement, SuccessorsAreListedInTaskOrder)
{
    Plan plan;
    QPTask& a = plan.Task("A", "8");
    QPTask& b = plan.Task("B", "8");
    QPTask& c = plan.Task("C", "8");
    c.AddDependency(a.key, eFinishToStart, 0.f);
    c.AddDependency(a.key, eStartToStart, 0.f);
    b.AddDependency(a.key, eFinishToStart, 0.f);
    b.AddDependency(999, eFinishToStart, 0.f); // a task that is gone
    plan.project.MapTaskSuccessors();
    EXPECT_EQ(a.successorIDs, (std::vector<int32_t>{b.id, c.id, c.id}));
}
