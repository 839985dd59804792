#include "model/QPProject.h"

#include "support/Plan.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

namespace {

QPSchedule OfficeWeek()
{
    QPSchedule schedule;
    MakeOfficeWeek(schedule);
    return schedule;
}

QPSchedule EveryDay(int32_t start, int32_t hours)
{
    QPSchedule schedule;
    for (int day = 0; day < 7; ++day) {
        schedule.shiftStart[day] = LDayTime(start);
        schedule.shiftDuration[day] = hours * kHour;
    }
    return schedule;
}

// Monday 1 March 2027 and the days after it.
LDateTime March(int day, int hour, int minute = 0)
{
    return LocalTime(2027, 3, day, hour, minute);
}

} // namespace

TEST(QPCalendarWorkFinish, CountsShiftsForward)
{
    const QPSchedule week = OfficeWeek();
    EXPECT_EQ(week.GetWorkFinish(March(1, 8), 8 * kHour, 100, true), March(1, 16));
    EXPECT_EQ(week.GetWorkFinish(March(1, 10), 5 * kHour, 100, true), March(1, 15));
    // Work that exactly fills the rest of a shift entered in its middle ends at midnight.
    EXPECT_EQ(week.GetWorkFinish(March(1, 10), 6 * kHour, 100, true), March(2, 0));
    EXPECT_EQ(week.GetWorkFinish(March(1, 8), 4 * kHour, 50, true), March(1, 16));
    // From Friday evening over the weekend.
    EXPECT_EQ(week.GetWorkFinish(March(5, 17), kHour, 100, true), March(8, 9));
    EXPECT_EQ(week.GetWorkFinish(March(6, 10), 16 * kHour, 100, true), March(9, 16));
    // Ten weeks of work: whole weeks are skipped, and the clock change of 14 March in New
    // York (or none in UTC) does not move the result.
    EXPECT_EQ(week.GetWorkFinish(March(1, 8), 400 * kHour, 100, true), LocalTime(2027, 5, 7, 16));
    // Nothing to do, or no share of the shifts.
    EXPECT_EQ(week.GetWorkFinish(March(1, 9), 0, 100, true), March(1, 9));
    EXPECT_EQ(week.GetWorkFinish(March(1, 9), kHour, 0, true), March(1, 9));
}

TEST(QPCalendarWorkFinish, OvernightShiftsOfThePreviousDay)
{
    const QPSchedule nights = EveryDay(22 * kHour, 4);
    // From 01:00 the hour until 02:00 of the night shift is used first.
    EXPECT_EQ(nights.GetWorkFinish(March(2, 1), 2 * kHour, 100, true), March(2, 23));
    EXPECT_EQ(nights.GetWorkFinish(March(2, 1), kHour, 100, true), March(2, 2));
    EXPECT_EQ(nights.GetWorkFinish(March(2, 1), 2 * kHour, 100, false), March(3, 0));
}

TEST(QPCalendarWorkStart, CountsShiftsBackward)
{
    const QPSchedule week = OfficeWeek();
    EXPECT_EQ(week.GetWorkStart(March(2, 0), 8 * kHour, 100), March(1, 8));
    EXPECT_EQ(week.GetWorkStart(March(1, 16), 8 * kHour, 100), March(1, 8));
    EXPECT_EQ(week.GetWorkStart(March(1, 12), 6 * kHour, 100), LocalTime(2027, 2, 26, 14));
    EXPECT_EQ(week.GetWorkStart(March(1, 12), 2 * kHour, 100), March(1, 10));
    EXPECT_EQ(week.GetWorkStart(LocalTime(2027, 5, 7, 16), 400 * kHour, 100), March(1, 8));
    EXPECT_EQ(week.GetWorkStart(March(1, 16), 4 * kHour, 50), March(1, 8));
}

TEST(QPCalendarNextWork, FindsTheNextShift)
{
    const QPSchedule week = OfficeWeek();
    EXPECT_EQ(week.GetNextScheduledWorkTime(March(6, 10)), March(8, 8));
    EXPECT_EQ(week.GetNextScheduledWorkTime(March(1, 7)), March(1, 8));
    EXPECT_EQ(week.GetNextScheduledWorkTime(March(1, 9)), March(1, 9));
    EXPECT_EQ(week.GetNextScheduledWorkTime(March(1, 16)), March(2, 8));
    const QPSchedule nights = EveryDay(22 * kHour, 4);
    EXPECT_EQ(nights.GetNextScheduledWorkTime(March(2, 1)), March(2, 1));
    EXPECT_EQ(nights.GetNextScheduledWorkTime(March(2, 3)), March(2, 22));
}

TEST(QPCalendarWorkInRange, SumsShiftTimeBetweenMoments)
{
    const QPSchedule week = OfficeWeek();
    EXPECT_EQ(week.GetWorkSecondsInRange(March(1, 12), March(3, 12), true), 16 * kHour);
    EXPECT_EQ(week.GetWorkSecondsInRange(March(1, 9), March(1, 10), true), kHour);
    EXPECT_EQ(week.GetWorkSecondsInRange(March(5, 12), March(8, 9), true), 5 * kHour);
    EXPECT_EQ(week.GetWorkSecondsInRange(March(1, 8), LocalTime(2027, 5, 7, 16), true),
              400 * kHour);
    const QPSchedule nights = EveryDay(22 * kHour, 4);
    EXPECT_EQ(nights.GetWorkSecondsInRange(March(2, 1), March(2, 23), true), 2 * kHour);
    EXPECT_EQ(nights.GetWorkSecondsInRange(March(2, 1), March(2, 23), false), kHour);
}

TEST(QPCalendarExceptions, LongExceptionsRunOnOverWorkingDays)
{
    const QPSchedule week = OfficeWeek();
    QPScheduleException exception;
    exception.date = March(1, 12);
    exception.workSeconds = 12 * kHour;
    EXPECT_EQ(week.CalculateExceptionFinish(exception), March(2, 12));
    exception.date = March(5, 12);
    exception.workSeconds = 16 * kHour;
    EXPECT_EQ(week.CalculateExceptionFinish(exception), March(8, 16));
    exception.workSeconds = 0;
    EXPECT_EQ(week.CalculateExceptionFinish(exception), March(5, 12));
}

TEST(QPCalendar, APatternWithoutWorkEndsAtOnce)
{
    const QPSchedule idle;
    EXPECT_EQ(idle.GetWorkFinish(March(1, 8), 40000 * kHour, 100, true), March(1, 8));
    EXPECT_EQ(idle.GetWorkStart(March(1, 8), 40000 * kHour, 100), March(1, 8));
    EXPECT_EQ(idle.GetNextScheduledWorkTime(March(1, 8)), March(1, 8));
    QPScheduleException exception;
    exception.date = March(1, 12);
    exception.workSeconds = kHour;
    EXPECT_EQ(idle.CalculateExceptionFinish(exception), March(1, 12));
    EXPECT_EQ(idle.GetWorkSecondsInRange(March(1, 8), LocalTime(2127, 1, 1, 0), true), 0);
}

TEST(QPCalendarDaylightSaving, DaysAreCalendarDaysAndShiftsKeepTheirClockTimes)
{
    const QPSchedule daily = EveryDay(8 * kHour, 8);
    {
        // Berlin, Sunday 31 October 2027 has 25 hours: it is counted once.
        ScopedTimeZone zone("Europe/Berlin");
        const LDateTime saturday = LocalTime(2027, 10, 30, 10);
        const LDateTime tuesday = LocalTime(2027, 11, 2, 10);
        EXPECT_EQ(daily.GetWorkFinish(saturday, 24 * kHour, 100, true), tuesday);
        EXPECT_EQ(daily.GetWorkStart(tuesday, 24 * kHour, 100), saturday);
        EXPECT_EQ(daily.GetWorkSecondsInRange(saturday, tuesday, true), 24 * kHour);
        EXPECT_EQ(daily.GetNextScheduledWorkTime(LocalTime(2027, 10, 31, 17)),
                  LocalTime(2027, 11, 1, 8));
        // And Sunday 28 March 2027 has 23 hours.
        EXPECT_EQ(daily.GetWorkFinish(LocalTime(2027, 3, 27, 10), 24 * kHour, 100, true),
                  LocalTime(2027, 3, 30, 10));
    }
    {
        ScopedTimeZone zone("America/New_York");
        EXPECT_EQ(daily.GetWorkFinish(LocalTime(2027, 3, 13, 8), 24 * kHour, 100, true),
                  LocalTime(2027, 3, 15, 16));
        EXPECT_EQ(daily.GetWorkFinish(LocalTime(2027, 11, 6, 10), 24 * kHour, 100, true),
                  LocalTime(2027, 11, 9, 10));
        EXPECT_EQ(daily.GetWorkStart(LocalTime(2027, 11, 9, 10), 24 * kHour, 100),
                  LocalTime(2027, 11, 6, 10));
    }
}

TEST(QPCalendarCrew, ResourcesWorkTheirOwnCalendarsTogether)
{
    Plan plan;
    QPSchedule& nights = plan.Schedule("Nights", 22 * kHour, {0, 4, 4, 4, 4, 4, 0});
    QPResource& ana = plan.Resource("Ana");
    QPResource& ben = plan.Resource("Ben", &nights);
    QPTask& task = plan.Task("T", "8");
    task.AddResourceAssignment(ana.key, 50);
    task.AddResourceAssignment(ben.key, 100);
    auto finishFrom = [&](QPTask& t, LDateTime start) {
        return start + plan.project.CalculateTaskDuration(t, false, start);
    };
    // Ana does 4 hours by 16:00; Ben's night shift does the other 4 by 02:00.
    EXPECT_EQ(finishFrom(task, LocalTime(2027, 3, 1, 8)), LocalTime(2027, 3, 2, 2));

    // Without resources, or with only ones that are gone, a task is worked as by one
    // full-time resource on the default schedule; so is a resource without a schedule.
    QPTask& lone = plan.Task("Lone", "8");
    EXPECT_EQ(finishFrom(lone, LocalTime(2027, 3, 1, 8)), LocalTime(2027, 3, 1, 16));
    lone.AddResourceAssignment(12345, 100);
    EXPECT_EQ(finishFrom(lone, LocalTime(2027, 3, 1, 8)), LocalTime(2027, 3, 1, 16));
    QPResource& unscheduled = plan.Resource("No schedule");
    unscheduled.scheduleKey = -1;
    lone.resourceAssignments.clear();
    lone.AddResourceAssignment(unscheduled.key, 50);
    EXPECT_EQ(finishFrom(lone, LocalTime(2027, 3, 1, 8)), LocalTime(2027, 3, 2, 16));
}
