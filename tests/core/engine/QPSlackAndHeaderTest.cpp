#include "model/QPProject.h"

#include "support/Plan.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

namespace {

LDateTime March(int day, int hour, int minute = 0)
{
    return LocalTime(2027, 3, day, hour, minute);
}

constexpr int32_t kDay = 86400;

} // namespace

// ---------------------------------------------------------------------------------------
// Slack

TEST(QPSlack, ProjectFinishLimitsTasksWithoutSuccessors)
{
    Plan plan;
    QPTask& a = plan.Task("A", "40");
    QPTask& b = plan.Task("B", "8");
    plan.Recalculate();
    EXPECT_EQ(a.totalSlack, 0);
    EXPECT_EQ(a.freeSlack, 0);
    EXPECT_EQ(b.totalSlack, 4 * kDay);
    EXPECT_EQ(b.freeSlack, 4 * kDay);
    EXPECT_EQ(b.totalSlackSuccessorID, -1);
    EXPECT_EQ(b.freeSlackSuccessorID, -1);
}

TEST(QPSlack, SuccessorsLimitTheirPredecessors)
{
    Plan plan;
    QPTask& a = plan.Task("A", "8");
    QPTask& tight = plan.Task("Right after A", "32");
    tight.AddDependency(a.key, eFinishToStart, 0.f);
    QPTask& p = plan.Task("P", "8");
    QPTask& s = plan.Task("Starts a day after P, or Thursday", "8");
    s.AddDependency(p.key, eStartToStart, 1.f);
    s.constraintType = eConstraintStartAfter;
    s.constraintDate = March(3, 0);
    plan.Recalculate();
    EXPECT_EQ(tight.start, a.finish);
    EXPECT_EQ(plan.project.CalculateSlack(a, tight), 0);
    EXPECT_EQ(a.freeSlack, 0);
    EXPECT_EQ(a.freeSlackSuccessorID, tight.id);
    EXPECT_EQ(a.totalSlackSuccessorID, tight.id);
    EXPECT_EQ(a.totalSlack, 0);
    // A day of lag and three days between the starts leave two days.
    EXPECT_EQ(s.start, March(4, 0));
    EXPECT_EQ(plan.project.CalculateSlack(p, s), 2 * kDay);
    EXPECT_EQ(p.totalSlackSuccessorID, s.id);
    EXPECT_EQ(p.totalSlack, s.totalSlack + 2 * kDay);
}

TEST(QPSlack, FixedFinishesHaveNoRoom)
{
    Plan plan;
    QPTask& a = plan.Task("A", "40");
    QPTask& finishOn = plan.Task("Finish On", "8");
    finishOn.constraintType = eConstraintFinishOn;
    finishOn.constraintDate = March(2, 10);
    QPTask& atLimit = plan.Task("Finish Before, at its limit", "16");
    atLimit.constraintType = eConstraintFinishBefore;
    atLimit.constraintDate = March(3, 16);
    QPTask& late = plan.Task("Finish Before, too late", "24");
    late.constraintType = eConstraintFinishBefore;
    late.constraintDate = March(1, 12);
    plan.Recalculate();
    EXPECT_EQ(finishOn.freeSlack, 0);
    EXPECT_EQ(finishOn.totalSlack, 0);
    EXPECT_EQ(atLimit.finish, March(2, 16));
    EXPECT_EQ(atLimit.freeSlack, 0);
    // Its own limit: how much later it could start and still end by it.
    EXPECT_EQ(atLimit.totalSlack, 0);
    // A limit the project start cannot meet: the room is negative.
    EXPECT_EQ(late.start, plan.project.projectStart);
    EXPECT_GT(late.finish, late.constraintDate - kDay);
    EXPECT_EQ(late.freeSlack, 0);
    EXPECT_LT(late.totalSlack, 0);
    EXPECT_EQ(a.totalSlack, 0);
}

// ---------------------------------------------------------------------------------------
// Header tasks

TEST(QPHeaders, MembershipIsTheRunDirectlyUnderTheHeader)
{
    Plan plan;
    QPTask& h1 = plan.Task("H1", "");
    QPTask& a = plan.Task("A", "8");
    QPTask& x = plan.Task("X", "8");
    QPTask& b = plan.Task("B", "8");
    QPTask& h2 = plan.Task("H2", "");
    QPTask& c = plan.Task("C", "8");
    QPTask& empty = plan.Task("Empty", "");
    h1.isHeader = h2.isHeader = empty.isHeader = true;
    h1.subtaskKeys = {a.key, b.key, c.key};
    h2.subtaskKeys = {c.key};
    plan.project.RefreshSubtaskHeaderKeys();
    EXPECT_EQ(a.headerKey, h1.key);
    EXPECT_EQ(x.headerKey, -1);
    EXPECT_EQ(b.headerKey, -1); // X ended the run
    EXPECT_EQ(c.headerKey, h2.key);
    EXPECT_EQ(h2.headerKey, -1);

    x.durationText = "40";
    plan.Recalculate();
    EXPECT_EQ(h1.start, a.start);
    EXPECT_EQ(h1.finish, a.finish);
    EXPECT_EQ(empty.start, plan.project.projectStart);
    EXPECT_EQ(empty.finish, plan.project.projectStart);
}

TEST(QPHeaders, TheLastFinishingSubtaskGivesTheSlack)
{
    for (bool critical_first : {true, false}) {
        Plan plan;
        QPTask& header = plan.Task("Header", "");
        QPTask& first = plan.Task("First", "8");
        QPTask& second = plan.Task("Second", "8");
        QPTask& after = plan.Task("After", "32");
        header.isHeader = true;
        header.subtaskKeys = {first.key, second.key};
        QPTask& critical = critical_first ? first : second;
        after.AddDependency(critical.key, eFinishToStart, 0.f);
        plan.Recalculate();
        // Both finish at the same moment: the first in the list gives its slack.
        ASSERT_EQ(first.finish, second.finish);
        EXPECT_EQ(header.finish, first.finish);
        EXPECT_EQ(header.totalSlack, first.totalSlack);
        EXPECT_EQ(header.totalSlackSuccessorID, first.totalSlackSuccessorID);
        EXPECT_EQ(header.totalSlack, critical_first ? 0 : 4 * kDay);
    }
}

TEST(QPHeaders, DependenciesAcrossGroupsAreRemovedUndoably)
{
    Plan plan;
    QPTask& outside = plan.Task("Outside", "8");
    QPTask& header = plan.Task("Header", "");
    QPTask& a = plan.Task("A", "8");
    QPTask& b = plan.Task("B", "8");
    QPTask& later = plan.Task("Later", "8");
    a.AddDependency(outside.key, eFinishToStart, 0.f);
    b.AddDependency(a.key, eFinishToStart, 0.f);
    later.AddDependency(b.key, eFinishToStart, 0.f);
    header.isHeader = true;
    header.subtaskKeys = {a.key, b.key};

    plan.project.UndoRedoGroupStart();
    plan.project.EnforceValidSubtaskChains(header);
    plan.project.UndoRedoGroupEnd();
    EXPECT_TRUE(a.dependencies.empty());
    ASSERT_EQ(b.dependencies.size(), 1u);
    EXPECT_TRUE(later.dependencies.empty());

    plan.project.undoStack.Undo();
    ASSERT_EQ(a.dependencies.size(), 1u);
    EXPECT_EQ(a.dependencies[0].predecessorKey, outside.key);
    ASSERT_EQ(later.dependencies.size(), 1u);
    EXPECT_EQ(later.dependencies[0].predecessorKey, b.key);
}

TEST(QPHeaders, NewTasksGoAfterTheWholeGroup)
{
    Plan plan;
    QPTask& t1 = plan.Task("T1", "8");
    QPTask& h = plan.Task("H", "");
    QPTask& a = plan.Task("A", "8");
    QPTask& b = plan.Task("B", "8");
    QPTask& t5 = plan.Task("T5", "8");
    QPTask& h2 = plan.Task("H2", "");
    QPTask& c = plan.Task("C", "8");
    h.isHeader = h2.isHeader = true;
    h.subtaskKeys = {a.key, b.key};
    h2.subtaskKeys = {c.key};
    plan.project.RefreshSubtaskHeaderKeys();
    EXPECT_EQ(plan.project.GetNextIndependentTaskID(t1.id), t1.id);
    EXPECT_EQ(plan.project.GetNextIndependentTaskID(a.id), t5.id);
    EXPECT_EQ(plan.project.GetNextIndependentTaskID(c.id), -1); // the list ends
    EXPECT_EQ(plan.project.GetNextIndependentTaskID(-1), -1);
    EXPECT_EQ(plan.project.GetNextIndependentTaskID(99), -1);
}
