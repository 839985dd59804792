// Working time: a schedule's shifts counted forward and back, and the time a task's work
// takes for its resources (see EnginePlan.h for the text form of plans and moments).

#include "core/engine/EnginePlan.h"

#include <gtest/gtest.h>

#include <optional>

TEST(QPCalendar, CountsShiftsForwardAndBack)
{
    // F: the finish of `hours` of work from `from` (`whole`: a shift entered in its middle
    // counts whole), S: the start of that work ending at `from`, N: the next working moment,
    // R: working hours from `from` to `to`, E: the end of an exception of `hours` at `from`.
    struct Row {
        char what;
        const char* shifts; // shift start hour and lengths, Sunday first; "" for none
        const char* from;
        double hours;
        const char* expected;
        int32_t percent = 100;
        bool whole = true;
        const char* zone = nullptr;
    };
    const char* office = "8 0,8,8,8,8,8,0";
    const char* nights = "22 4,4,4,4,4,4,4";
    const char* daily = "8 8,8,8,8,8,8,8";
    const Row rows[] = {
            {'F', office, "1.8", 8, "1.16"},
            // Work that exactly fills the rest of a shift entered in its middle ends at
            // midnight.
            {'F', office, "1.10", 6, "2.0"},
            {'F', office, "1.8", 4, "1.16", 50},
            {'F', office, "5.17", 1, "8.9"},
            {'F', office, "6.10", 16, "9.16"},
            // Whole weeks are skipped; the clock change of 14 March does not move the result.
            {'F', office, "1.8", 400, "5/7.16"},
            {'F', office, "1.9", 0, "1.9"},
            {'F', office, "1.9", 1, "1.9", 0},
            // From 01:00 the hour until 02:00 of the night shift is used first.
            {'F', nights, "2.1", 2, "2.23"},
            {'F', nights, "2.1", 1, "2.2"},
            {'F', nights, "2.1", 2, "3.0", 100, false},
            {'S', office, "2.0", 8, "1.8"},
            {'S', office, "1.16", 8, "1.8"},
            {'S', office, "1.12", 6, "2/26.14"},
            {'S', office, "5/7.16", 400, "1.8"},
            {'S', office, "1.16", 4, "1.8", 50},
            {'N', office, "6.10", 0, "8.8"},
            {'N', office, "1.7", 0, "1.8"},
            {'N', office, "1.9", 0, "1.9"},
            {'N', office, "1.16", 0, "2.8"},
            {'N', nights, "2.3", 0, "2.22"},
            {'R', office, "1.12", 16, "3.12"},
            {'R', office, "1.9", 1, "1.10"},
            {'R', office, "5.12", 5, "8.9"},
            {'R', office, "1.8", 400, "5/7.16"},
            {'R', nights, "2.1", 2, "2.23"},
            {'R', nights, "2.1", 1, "2.23", 100, false},
            {'E', office, "1.12", 12, "2.12"},
            {'E', office, "5.12", 16, "8.16"},
            {'E', office, "5.12", 0, "5.12"},
            // A pattern without work ends at once.
            {'F', "", "1.8", 40000, "1.8"},
            {'S', "", "1.8", 40000, "1.8"},
            {'N', "", "1.8", 0, "1.8"},
            {'E', "", "1.12", 1, "1.12"},
            {'R', "", "1.8", 0, "12/31.0"},
            // Days with a clock change are calendar days, and shifts keep their clock times.
            {'F', daily, "10/30.10", 24, "11/2.10", 100, true, "Europe/Berlin"},
            {'R', daily, "10/30.10", 24, "11/2.10", 100, true, "Europe/Berlin"},
            {'N', daily, "10/31.17", 0, "11/1.8", 100, true, "Europe/Berlin"},
            {'F', daily, "3/27.10", 24, "3/30.10", 100, true, "Europe/Berlin"},
            {'F', daily, "3/13.8", 24, "3/15.16", 100, true, "America/New_York"},
            {'S', daily, "11/9.10", 24, "11/6.10", 100, true, "America/New_York"},
    };
    for (const Row& row : rows) {
        std::optional<ScopedTimeZone> zone;
        if (row.zone)
            zone.emplace(row.zone);
        EnginePlan plan(*row.shifts ? std::string("@S ") + row.shifts : "@S 0 0,0,0,0,0,0,0");
        const QPSchedule& s = plan.S("S");
        const LDateTime from = At(row.from);
        const auto seconds = static_cast<int32_t>(row.hours * kHour);
        const std::string where = std::string(1, row.what) + " " + row.shifts + " " + row.from;
        if (row.what == 'R') {
            EXPECT_EQ(s.GetWorkSecondsInRange(from, At(row.expected), row.whole), seconds) << where;
            continue;
        }
        QPScheduleException exception;
        exception.date = from;
        exception.workSeconds = seconds;
        const LDateTime result = row.what == 'F'
                                         ? s.GetWorkFinish(from, seconds, row.percent, row.whole)
                                 : row.what == 'S' ? s.GetWorkStart(from, seconds, row.percent)
                                 : row.what == 'N' ? s.GetNextScheduledWorkTime(from)
                                                   : s.CalculateExceptionFinish(exception);
        EXPECT_EQ(result, At(row.expected)) << where;
    }
}

TEST(QPDuration, WorkOfTheResourcesOnTheirCalendars)
{
    // The task T of each plan, with its work from `from` (or, backward, up to it). Plain
    // crews, shares, weekends and holidays: see the random plans (work placed).
    struct Row {
        const char* what;
        const char* plan;
        const char* from;
        const char* expected;
        bool backward = false;
        const char* zone = nullptr;
    };
    const char* officeEarly = "@Other 8 0,8,8,8,8,8,0; $Ana; $Ben @Other; T 4.333334 %Ana %Ben";
    const char* officeEarly3 = "@Other 8 0,8,8,8,8,8,0; $Ana; $Ben @Other; T 3 %Ana %Ben";
    const char* berlin = "@Daily 8 8,8,8,8,8,8,8; $Ana @Daily; T 24 %Ana";
    const Row rows[] = {
            {"over ten weeks", "$Ana; T 400 %Ana", "1.8", "5/7.16"},
            {"over ten weeks, backward", "$Ana; T 400 %Ana", "5/7.16", "1.8", true},
            {"resources that are gone", "T 8 %?", "1.8", "1.16"},
            {"a resource whose schedule is gone", "$G @?; T 8 %G", "1.9", "2.9"},
            {"crews work their own calendars together",
             "@Nights 22 0,4,4,4,4,4,0; $Ana; $Ben @Nights; T 8 %Ana:50 %Ben", "1.8", "2.2"},
            {"Fixed Duration follows its own schedule", "@Long 6 0,12,12,12,12,12,0; T 16 fd:Long",
             "1.6", "2.10"},
            {"... or the default one when that is gone", "T 16 fd:?", "1.6", "2.16"},
            {"a milestone takes no time", "T 16 ms", "1.9", "1.9"},
            // Done at 10:10 of the combined effort: the end of that quarter hour; backward
            // from 16:00, 13:50 rounds back to the quarter hour that contains it.
            {"several schedules finish on quarter hours", officeEarly, "1.8", "1.10:15"},
            {"... backward", officeEarly, "1.16", "1.13:45", true},
            // From 08:10 the first step runs to 09:00, and the finish to a clock quarter hour.
            {"... from a start off the hour", officeEarly3, "1.8:10", "1.9:45"},
            {"... and skip whole days", "@Other 8 0,8,8,8,8,8,0; $Ana; $Ben @Other; T 40 %Ana %Ben",
             "1.8", "3.12"},
            {"a clock change day is an ordinary working day", berlin, "10/30.10", "11/2.10", false,
             "Europe/Berlin"},
            {"... backward", berlin, "11/2.10", "10/30.10", true, "Europe/Berlin"},
            {"... in spring", berlin, "3/27.8", "3/29.16", false, "Europe/Berlin"},
            // Exceptions take out the working time they cover.
            {"a holiday before the task", "!Default 2/26.12 8; T 8", "1.8", "1.16"},
            {"twelve hours from Monday take Tuesday morning", "!Default 1.12 12; T 8", "2.0",
             "3.12"},
            {"a long exception takes each shift in turn", "!Default 3.12 16; T 24", "1.8", "5.16"},
            // Wednesday 08:00 to 12:00 off.
            {"from a shift's end", "!Default 3.12 4; T 8", "1.16", "2.16"},
            {"filling the rest of a shift", "!Default 3.12 4; T 4", "2.12", "2.16"},
            {"from the exception's start", "!Default 3.12 4; T 4", "3.8", "3.16"},
            {"from the exception's end", "!Default 3.12 4; T 4", "3.12", "3.16"},
            {"across the exception", "!Default 3.12 4; T 4", "2.16", "3.16"},
            {"back from the exception's end", "!Default 3.12 4; T 4", "3.12", "2.12", true},
            {"back from the exception's start", "!Default 3.12 4; T 4", "3.8", "2.12", true},
            {"back from a shift's start", "!Default 3.12 4; T 8", "2.8", "1.8", true},
    };
    for (const Row& row : rows) {
        std::optional<ScopedTimeZone> zone;
        if (row.zone)
            zone.emplace(row.zone);
        EnginePlan plan(row.plan);
        plan.project.CalculateExceptionDurations();
        const LDateTime from = At(row.from);
        const int64_t length = plan.project.CalculateTaskDuration(plan.T("T"), row.backward, from);
        EXPECT_EQ(row.backward ? from - length : from + length, At(row.expected)) << row.what;
    }
    // A resource's exceptions end on its own schedule, or on the default one when its
    // schedule is gone.
    EnginePlan plan("@Nights 22 0,9,9,9,9,9,0; $Ben @Nights; !Ben 2.12 9; $Ghost @?; "
                    "!Ghost 1.12 12");
    plan.R("Ghost").exceptions[0].finish = At("9.9");
    plan.project.CalculateExceptionDurations();
    EXPECT_EQ(plan.R("Ben").exceptions[0].finish, At("3.7"));
    EXPECT_EQ(plan.R("Ghost").exceptions[0].finish, At("2.12"));
}

TEST(QPDuration, FirstAndLastDayShares)
{
    for (const auto& [finish, first, last] : {std::tuple{"2.10", 50, 25}, {"1.14", 25, 25}}) {
        EnginePlan plan("$Ana; T 8 %Ana");
        QPTask& task = plan.T("T");
        task.start = At("1.12");
        task.finish = At(finish);
        plan.project.CalculateResourceAssignmentPercent(task);
        EXPECT_EQ(task.resourceAssignments[0].firstDayPercent, first) << finish;
        EXPECT_EQ(task.resourceAssignments[0].lastDayPercent, last) << finish;
    }
}
