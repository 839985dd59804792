#include "model/QPProject.h"

#include "support/Plan.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

namespace {

LDateTime March(int day, int hour, int minute = 0)
{
    return LocalTime(2027, 3, day, hour, minute);
}

QPTask& Assigned(Plan& plan, const std::string& name, const std::string& hours,
                 const QPResource& resource, int32_t percent)
{
    QPTask& task = plan.Task(name, hours);
    task.AddResourceAssignment(resource.key, percent);
    return task;
}

} // namespace

// ---------------------------------------------------------------------------------------
// The histogram

TEST(QPHistogram, BooksEachDayOnceAndFlagsOverCommitment)
{
    Plan plan;
    QPResource& ana = plan.Resource("Ana");
    QPTask& half = Assigned(plan, "Half", "8", ana, 50);
    QPTask& other = Assigned(plan, "Other half", "8", ana, 50);
    plan.Recalculate();
    EXPECT_EQ(half.finish, March(2, 16));
    EXPECT_EQ(plan.project.histogram.GetCommitmentLevel(March(1, 9), ana.key), 100);
    EXPECT_EQ(plan.project.histogram.GetCommitmentLevel(March(2, 23), ana.key), 100);
    EXPECT_EQ(plan.project.histogram.GetCommitmentLevel(March(3, 9), ana.key), 0);
    EXPECT_FALSE(half.resourceConflict || other.resourceConflict);

    // 101% is a conflict.
    plan.project.histogram.AddAssignment(March(1, 12), QPResourceAssignment{ana.key, 100, 100, 100},
                                         1);
    EXPECT_TRUE(plan.project.histogram.IsTaskConflicted(half));
    plan.project.histogram.RemoveAssignments(half);
    plan.project.histogram.RemoveAssignments(other);
    plan.project.histogram.RemoveAssignment(March(1, 12),
                                            QPResourceAssignment{ana.key, 100, 100, 100}, 1);
    EXPECT_TRUE(plan.project.histogram.Empty());
}

// ---------------------------------------------------------------------------------------
// Leveling

TEST(QPLeveling, TheSecondOfTwoFullTimeTasksMovesBehindTheFirst)
{
    Plan plan;
    QPResource& ana = plan.Resource("Ana");
    QPTask& first = Assigned(plan, "First", "8", ana, 100);
    QPTask& second = Assigned(plan, "Second", "8", ana, 100);
    plan.Recalculate();
    EXPECT_EQ(first.start, March(1, 0));
    EXPECT_EQ(first.finish, March(1, 16));
    // Without slack it moves beyond the project finish, which grows.
    EXPECT_EQ(second.start, March(2, 8));
    EXPECT_EQ(second.finish, March(2, 16));
    EXPECT_EQ(plan.project.projectFinish, March(2, 16));
    EXPECT_FALSE(first.resourceConflict || second.resourceConflict);
}

TEST(QPLeveling, PartTimeTasksStartAfterTheCommittedPartOfTheShift)
{
    Plan plan;
    QPResource& ana = plan.Resource("Ana");
    QPTask& a = Assigned(plan, "A", "8", ana, 50);
    QPTask& b = Assigned(plan, "B", "8", ana, 50);
    QPTask& c = Assigned(plan, "C", "8", ana, 50);
    plan.Recalculate();
    EXPECT_EQ(a.start, March(1, 0));
    // Half of Monday's shift is taken: B starts half a shift after 08:00.
    EXPECT_EQ(b.start, March(1, 12));
    EXPECT_EQ(b.finish, March(3, 12));
    // Tuesday is full; Wednesday has a quarter taken.
    EXPECT_EQ(c.start, March(3, 10));
    for (QPTask* task : {&a, &b, &c})
        EXPECT_FALSE(task->resourceConflict) << task->name.str();
}

TEST(QPLeveling, WithinTotalSlackTheProjectFinishStays)
{
    // No free slack (its successor follows at once), but room before the project finish:
    // the second window moves it, its successor follows, and the project still ends on
    // Friday.
    Plan plan;
    QPResource& ana = plan.Resource("Ana");
    plan.Task("Long", "40");
    Assigned(plan, "Monday and Tuesday", "16", ana, 100);
    QPTask& task = Assigned(plan, "Task", "8", ana, 100);
    QPTask& after = plan.Task("After", "8");
    after.AddDependency(task.key, eFinishToStart, 0.f);
    plan.Recalculate();
    EXPECT_EQ(task.start, March(3, 0));
    EXPECT_EQ(task.finish, March(3, 16));
    EXPECT_EQ(after.start, task.finish);
    EXPECT_EQ(plan.project.projectFinish, March(5, 16));
}

TEST(QPLeveling, LeveledStartsFallOnQuarterHours)
{
    Plan plan;
    QPResource& ana = plan.Resource("Ana");
    QPTask& part = Assigned(plan, "Part time", "8", ana, 30);
    QPTask& full = Assigned(plan, "Full", "8", ana, 100);
    plan.Recalculate();
    EXPECT_EQ(part.start, March(1, 0));
    // 30% of an 8-hour shift from 08:00 ends at 10:24; the start rounds up to 10:30.
    EXPECT_EQ(full.start, March(1, 10, 30));
    EXPECT_EQ(full.finish, March(2, 10, 30));
}

TEST(QPLeveling, ManualTasksKeepTheirPlaceAndOthersLevelAroundThem)
{
    // A manual task's dates are the user's: leveling moving it would move it again on
    // every recalculation.
    Plan plan;
    QPResource& ana = plan.Resource("Ana");
    QPTask& automatic = Assigned(plan, "Automatic", "8", ana, 100);
    QPTask& manual = Assigned(plan, "Manual", "8", ana, 100);
    manual.autoSchedule = false;
    manual.start = March(1, 8);
    plan.Recalculate();
    EXPECT_EQ(manual.start, March(1, 8));
    EXPECT_EQ(manual.finish, March(1, 16));
    EXPECT_EQ(automatic.start, March(2, 8));
    EXPECT_EQ(automatic.finish, March(2, 16));
    EXPECT_FALSE(manual.resourceConflict || automatic.resourceConflict);
    // Two manual tasks on the same day cannot be leveled: both stay marked.
    QPTask& second = Assigned(plan, "Second manual", "8", ana, 100);
    second.autoSchedule = false;
    second.start = March(1, 8);
    plan.Recalculate();
    EXPECT_TRUE(manual.resourceConflict && second.resourceConflict);
    EXPECT_FALSE(automatic.resourceConflict);
}

TEST(QPLeveling, LevelingNeverMovesATaskEarlier)
{
    // The task cannot meet its Start On successor, so its total slack is negative; no
    // window may then reach back before its start.
    Plan plan;
    QPResource& ana = plan.Resource("Ana");
    Assigned(plan, "X", "8", ana, 100);
    QPTask& t = Assigned(plan, "T", "16", ana, 100);
    QPTask& fixed = plan.Task("Fixed", "8");
    fixed.AddDependency(t.key, eFinishToStart, 0.f);
    fixed.constraintType = eConstraintStartOn;
    fixed.constraintDate = March(1, 0);
    plan.Recalculate();
    EXPECT_GE(t.start, plan.project.projectStart);
    EXPECT_EQ(t.start, March(2, 0));
    EXPECT_EQ(t.finish, March(3, 16));
}

// ---------------------------------------------------------------------------------------
// Costs

TEST(QPCost, OvertimeBeyondTheRegularWeek)
{
    for (int32_t week : {36, 0}) {
        Plan plan;
        plan.DefaultSchedule().regularWorkWeek = week * kHour;
        QPResource& ana = plan.Resource("Ana", nullptr, 1000, 1500);
        QPTask& task = Assigned(plan, "T", "40", ana, 100);
        plan.Recalculate();
        if (week == 36) {
            EXPECT_EQ(ana.regularCost, 36 * 1000);
            EXPECT_EQ(ana.overtimeCost, 4 * 1500);
        } else {
            // No weekly limit: all of it is regular time.
            EXPECT_EQ(ana.regularCost, 40 * 1000);
            EXPECT_EQ(ana.overtimeCost, 0);
        }
        EXPECT_EQ(task.scheduledCost, ana.regularCost + ana.overtimeCost);
    }
}

TEST(QPCost, TasksSharingAResourceShareItsWeek)
{
    Plan plan;
    plan.DefaultSchedule().regularWorkWeek = 36 * kHour;
    QPResource& ana = plan.Resource("Ana", nullptr, 1000, 1500);
    QPTask& a = Assigned(plan, "A", "20", ana, 50);
    QPTask& b = Assigned(plan, "B", "20", ana, 50);
    plan.Recalculate();
    EXPECT_FALSE(a.resourceConflict || b.resourceConflict);
    // 40 hours in the week together: the last 4 are overtime, 2 of them on each task.
    EXPECT_EQ(a.scheduledCost, 18 * 1000 + 2 * 1500);
    EXPECT_EQ(b.scheduledCost, 18 * 1000 + 2 * 1500);
    EXPECT_EQ(ana.regularCost, 36 * 1000);
    EXPECT_EQ(ana.overtimeCost, 4 * 1500);
}

TEST(QPCost, CostToDateFollowsToday)
{
    auto costToDate = [](const char* now) {
        ScopedEnvironment today("KESTRANO_NOW", now);
        Plan plan;
        QPResource& ana = plan.Resource("Ana", nullptr, 1000, 1500);
        QPTask& task = Assigned(plan, "T", "40", ana, 100);
        plan.Recalculate();
        EXPECT_EQ(task.scheduledCost, 40 * 1000);
        return task.scheduledCostToDate;
    };
    EXPECT_EQ(costToDate("2027-02-20 12:00:00"), 0);
    EXPECT_EQ(costToDate("2027-03-03 09:00:00"), 24 * 1000);
    EXPECT_EQ(costToDate("2027-03-05 09:00:00"), 40 * 1000);
    EXPECT_EQ(costToDate("2027-06-01 09:00:00"), 40 * 1000);
}

// ---------------------------------------------------------------------------------------
// Days with clock changes

namespace {

// Two 24-hour tasks for one resource on a seven-day calendar, starting on the Saturday
// before a clock change: the second is leveled behind the first, across the change.
void ExpectLeveledAcrossTheChange(int year, int month, int saturday)
{
    Plan plan(LocalTime(year, month, saturday));
    QPSchedule& daily = plan.Schedule("Daily", 8 * kHour, {8, 8, 8, 8, 8, 8, 8});
    daily.regularWorkWeek = 0;
    QPResource& ana = plan.Resource("Ana", &daily, 1000, 1500);
    QPTask& first = Assigned(plan, "First", "24", ana, 100);
    QPTask& second = Assigned(plan, "Second", "24", ana, 100);
    plan.Recalculate();
    const LDateTime sunday = LocalTime(year, month, saturday + 1);
    EXPECT_EQ(first.finish, LocalTime(year, month, saturday + 2, 16));
    EXPECT_EQ(second.start, LocalTime(year, month, saturday + 3));
    EXPECT_EQ(second.finish, LocalTime(year, month, saturday + 5, 16));
    // The changing day has one key, whatever the moment asked about.
    for (int64_t offset : {1800, 3 * 3600, 9 * 3600, 22 * 3600})
        EXPECT_EQ(plan.project.histogram.GetCommitmentLevel(sunday + offset, ana.key), 100)
                << (sunday + offset).GetDateTime();
    EXPECT_EQ(first.scheduledCost, 24 * 1000);
    EXPECT_EQ(second.scheduledCost, 24 * 1000);
    EXPECT_FALSE(first.resourceConflict || second.resourceConflict);
}

} // namespace

TEST(QPDaylightSaving, LevelingAndCostsOnTheChangeDays)
{
    {
        ScopedTimeZone zone("Europe/Berlin");
        ExpectLeveledAcrossTheChange(2027, 3, 27);
        ExpectLeveledAcrossTheChange(2027, 10, 30);
    }
    {
        ScopedTimeZone zone("America/New_York");
        ExpectLeveledAcrossTheChange(2027, 3, 13);
        ExpectLeveledAcrossTheChange(2027, 11, 6);
    }
}
