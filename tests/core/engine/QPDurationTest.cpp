#include "model/QPProject.h"

#include "support/Plan.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

namespace {

LDateTime March(int day, int hour, int minute = 0)
{
    return LocalTime(2027, 3, day, hour, minute);
}

// Where the task ends when it starts at `start`.
LDateTime FinishFrom(QPProject& project, QPTask& task, LDateTime start)
{
    return start + project.CalculateTaskDuration(task, false, start);
}

// Where the task starts when it ends at `finish`.
LDateTime StartFrom(QPProject& project, QPTask& task, LDateTime finish)
{
    return finish - project.CalculateTaskDuration(task, true, finish);
}

} // namespace

// ---------------------------------------------------------------------------------------
// Fixed Work and Fixed Duration

TEST(QPDuration, FixedWorkIsSharedByTheResources)
{
    Plan plan;
    QPResource& ana = plan.Resource("Ana");
    QPResource& ben = plan.Resource("Ben");
    QPTask& task = plan.Task("Build", "16");
    // Without resources: one full-time resource on the default schedule.
    EXPECT_EQ(FinishFrom(plan.project, task, March(1, 8)), March(2, 16));
    task.AddResourceAssignment(ana.key, 100);
    EXPECT_EQ(FinishFrom(plan.project, task, March(1, 8)), March(2, 16));
    EXPECT_EQ(StartFrom(plan.project, task, March(2, 16)), March(1, 8));
    task.AddResourceAssignment(ben.key, 100);
    EXPECT_EQ(FinishFrom(plan.project, task, March(1, 8)), March(1, 16));
    task.resourceAssignments = {{ana.key, 50, 100, 100}};
    EXPECT_EQ(FinishFrom(plan.project, task, March(1, 8)), March(4, 16));
    EXPECT_EQ(StartFrom(plan.project, task, March(4, 16)), March(1, 8));
    // Over a weekend, and over ten weeks.
    task.resourceAssignments = {{ana.key, 100, 100, 100}};
    EXPECT_EQ(FinishFrom(plan.project, task, March(5, 8)), March(8, 16));
    task.durationText = "400";
    EXPECT_EQ(FinishFrom(plan.project, task, March(1, 8)), LocalTime(2027, 5, 7, 16));
    EXPECT_EQ(StartFrom(plan.project, task, LocalTime(2027, 5, 7, 16)), March(1, 8));
}

TEST(QPDuration, FixedDurationIgnoresResources)
{
    Plan plan;
    QPResource& ana = plan.Resource("Ana");
    QPResource& ben = plan.Resource("Ben");
    QPTask& task = plan.Task("Cure", "16");
    task.taskType = eTaskTypeFixedDuration;
    task.AddResourceAssignment(ana.key, 100);
    task.AddResourceAssignment(ben.key, 50);
    EXPECT_EQ(FinishFrom(plan.project, task, March(1, 8)), March(2, 16));
    EXPECT_EQ(StartFrom(plan.project, task, March(2, 16)), March(1, 8));
    // Its own schedule counts.
    QPSchedule& long_days = plan.Schedule("Long days", 6 * kHour, {0, 12, 12, 12, 12, 12, 0});
    task.scheduleKey = long_days.key;
    EXPECT_EQ(FinishFrom(plan.project, task, March(1, 6)), March(2, 10));
    // A schedule that was deleted leaves the default one.
    task.scheduleKey = 999;
    EXPECT_EQ(FinishFrom(plan.project, task, March(1, 6)), March(2, 16));
}

TEST(QPDuration, SeveralSchedulesFinishOnQuarterHourSteps)
{
    Plan plan;
    QPSchedule& other = plan.Schedule("Other office", 8 * kHour, {0, 8, 8, 8, 8, 8, 0});
    QPResource& ana = plan.Resource("Ana");
    QPResource& ben = plan.Resource("Ben", &other);
    QPTask& task = plan.Task("Survey", "4.333334"); // 4 hours 20 minutes
    task.AddResourceAssignment(ana.key, 100);
    task.AddResourceAssignment(ben.key, 100);
    // Done at 10:10 of the combined effort; the finish is the end of that quarter hour.
    EXPECT_EQ(FinishFrom(plan.project, task, March(1, 8)), March(1, 10, 15));
    // Backward from 16:00: 13:50 rounds back to the quarter hour that contains it.
    EXPECT_EQ(StartFrom(plan.project, task, March(1, 16)), March(1, 13, 45));
    // Whole days are skipped with the combined table: 40 hours of effort at 16 a day.
    task.durationText = "40";
    EXPECT_EQ(FinishFrom(plan.project, task, March(1, 8)), March(3, 12));
}

TEST(QPDuration, MilestonesTakeNoTimeAndLostSchedulesLeaveTheDefaultOne)
{
    Plan plan;
    QPTask& milestone = plan.Task("Handover", "16");
    milestone.milestone = true;
    EXPECT_EQ(FinishFrom(plan.project, milestone, March(1, 9)), March(1, 9));
    QPResource& ghost = plan.Resource("Ghost");
    ghost.scheduleKey = 4242;
    QPTask& task = plan.Task("T", "8");
    task.AddResourceAssignment(ghost.key, 100);
    EXPECT_EQ(FinishFrom(plan.project, task, March(1, 9)), March(2, 9));
}

TEST(QPDuration, FirstAndLastDayShares)
{
    Plan plan;
    QPResource& ana = plan.Resource("Ana");
    QPTask& task = plan.Task("T", "8");
    task.AddResourceAssignment(ana.key, 100);
    task.start = March(1, 12);
    task.finish = March(2, 10);
    plan.project.CalculateResourceAssignmentPercent(task);
    EXPECT_EQ(task.resourceAssignments[0].firstDayPercent, 50);
    EXPECT_EQ(task.resourceAssignments[0].lastDayPercent, 25);
    // Within one day the task's own hours count.
    task.finish = March(1, 14);
    plan.project.CalculateResourceAssignmentPercent(task);
    EXPECT_EQ(task.resourceAssignments[0].firstDayPercent, 25);
    EXPECT_EQ(task.resourceAssignments[0].lastDayPercent, 25);
}

TEST(QPDuration, DaysWithClockChangesAreOrdinaryWorkingDays)
{
    ScopedTimeZone zone("Europe/Berlin");
    Plan plan;
    QPSchedule& daily = plan.Schedule("Daily", 8 * kHour, {8, 8, 8, 8, 8, 8, 8});
    QPResource& ana = plan.Resource("Ana", &daily);
    QPTask& task = plan.Task("T", "24");
    task.AddResourceAssignment(ana.key, 100);
    EXPECT_EQ(FinishFrom(plan.project, task, LocalTime(2027, 10, 30, 10)),
              LocalTime(2027, 11, 2, 10));
    EXPECT_EQ(StartFrom(plan.project, task, LocalTime(2027, 11, 2, 10)),
              LocalTime(2027, 10, 30, 10));
    EXPECT_EQ(FinishFrom(plan.project, task, LocalTime(2027, 3, 27, 8)),
              LocalTime(2027, 3, 29, 16));
}

// ---------------------------------------------------------------------------------------
// Exceptions

TEST(QPDurationExceptions, AHolidayInsideATaskAddsItsWork)
{
    Plan plan;
    plan.DefaultSchedule().AddException(March(3, 12), 8 * kHour); // Wednesday
    QPTask& task = plan.Task("T", "24");
    plan.project.CalculateExceptionDurations();
    EXPECT_EQ(FinishFrom(plan.project, task, March(1, 8)), March(4, 16));
    EXPECT_EQ(StartFrom(plan.project, task, March(4, 16)), March(1, 8));
    task.taskType = eTaskTypeFixedDuration;
    EXPECT_EQ(FinishFrom(plan.project, task, March(1, 8)), March(4, 16));
}

TEST(QPDurationExceptions, ResourceExceptionsCountAtTheAssignmentsShare)
{
    Plan plan;
    QPResource& ana = plan.Resource("Ana");
    QPTask& task = plan.Task("T", "24");
    task.AddResourceAssignment(ana.key, 50);
    EXPECT_EQ(FinishFrom(plan.project, task, March(1, 8)), March(8, 16));
    ana.AddException(March(3, 12), 8 * kHour);
    plan.project.CalculateExceptionDurations();
    EXPECT_EQ(FinishFrom(plan.project, task, March(1, 8)), March(9, 16));
}

TEST(QPDurationExceptions, OnlyWhatFallsInsideTheTaskCounts)
{
    Plan plan;
    QPSchedule& week = plan.DefaultSchedule();
    QPTask& task = plan.Task("T", "8");
    // Over before the task begins.
    week.AddException(LocalTime(2027, 2, 26, 12), 8 * kHour);
    plan.project.CalculateExceptionDurations();
    EXPECT_EQ(FinishFrom(plan.project, task, March(1, 8)), March(1, 16));
    // Twelve hours from Monday run on to Tuesday noon; a task starting Tuesday loses 4.
    week.exceptions.clear();
    week.AddException(March(1, 12), 12 * kHour);
    plan.project.CalculateExceptionDurations();
    EXPECT_EQ(week.exceptions[0].finish, March(2, 12));
    EXPECT_EQ(FinishFrom(plan.project, task, March(2, 0)), March(3, 12));
    // A long exception adds the shift time of each window in turn, never more.
    week.exceptions.clear();
    week.AddException(March(3, 12), 16 * kHour);
    plan.project.CalculateExceptionDurations();
    task.durationText = "24";
    EXPECT_EQ(FinishFrom(plan.project, task, March(1, 8)), March(5, 16));
}

TEST(QPDurationExceptions, ExceptionsOfResourcesWithoutScheduleEndOnTheDefaultOne)
{
    Plan plan;
    QPResource& ghost = plan.Resource("Ghost");
    ghost.scheduleKey = 4242;
    ghost.AddException(March(1, 12), 12 * kHour);
    ghost.exceptions[0].finish = March(9, 9);
    plan.project.CalculateExceptionDurations();
    EXPECT_EQ(ghost.exceptions[0].finish, March(2, 12));
}

TEST(QPDurationExceptions, BoundariesOfShiftsAndExceptions)
{
    // Wednesday 08:00 to 12:00 off; forward from a start, or backward from a finish.
    struct Case {
        const char* what;
        bool backward;
        LDateTime moment;
        const char* hours;
        LDateTime expected;
    };
    const Case cases[] = {
            {"from a shift's end", false, March(1, 16), "8", March(2, 16)},
            {"filling the rest of a shift", false, March(2, 12), "4", March(2, 16)},
            {"from the exception's start", false, March(3, 8), "4", March(3, 16)},
            {"from the exception's end", false, March(3, 12), "4", March(3, 16)},
            {"across the exception", false, March(2, 16), "4", March(3, 16)},
            {"back from the exception's end", true, March(3, 12), "4", March(2, 12)},
            {"back from the exception's start", true, March(3, 8), "4", March(2, 12)},
            {"back from a shift's start", true, March(2, 8), "8", March(1, 8)},
    };
    for (const Case& c : cases) {
        Plan plan;
        plan.DefaultSchedule().AddException(March(3, 12), 4 * kHour);
        QPTask& task = plan.Task("T", c.hours);
        plan.project.CalculateExceptionDurations();
        const LDateTime result = c.backward ? StartFrom(plan.project, task, c.moment)
                                            : FinishFrom(plan.project, task, c.moment);
        EXPECT_EQ(result, c.expected) << c.what;
    }
}
