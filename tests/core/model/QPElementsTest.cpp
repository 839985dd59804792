#include "model/QPProjectOptions.h"
#include "model/QPResource.h"
#include "model/QPSchedule.h"
#include "model/QPTask.h"

#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(QPTask, CopiesTakeAllButTheNotesAndResetKeepsWhatRecalculationReplaces)
{
    QPTask task;
    task.name = "Pour foundation";
    task.key = 7;
    task.id = 3;
    task.autoSchedule = false;
    task.milestone = task.isHeader = task.scheduled = true;
    task.start = LocalTime(2026, 1, 5, 8);
    task.totalSlackSuccessorID = 5;
    task.displayStart = LocalTime(2026, 1, 5, 9);
    task.headerKey = 1;
    task.successorIDs = {4, 5};
    task.notes = "Check the weather first.";
    task.AddDependency(3, eFinishToStart, 1.5f);
    task.AddResourceAssignment(10, 50);
    task.subtaskKeys = {8, 9};
    QPTask copy(task);
    EXPECT_TRUE(copy.notes.empty());
    copy.notes = task.notes;
    EXPECT_EQ(copy.WriteSDF(), task.WriteSDF());
    QPResource resource;
    resource.name = "Ana";
    resource.notes = "Mornings only";
    resource.AddException(LocalTime(2026, 3, 5, 0, 30), 8 * 3600);
    QPResource resourceCopy(resource);
    EXPECT_TRUE(resourceCopy.notes.empty());
    resourceCopy.notes = resource.notes;
    EXPECT_EQ(resourceCopy.WriteSDF(), resource.WriteSDF());
    task.Reset();
    QPTask fresh;
    fresh.displayStart = LocalTime(2026, 1, 5, 9);
    fresh.headerKey = 1;
    fresh.successorIDs = {4, 5};
    fresh.notes = "Check the weather first.";
    EXPECT_EQ(task.WriteSDF(), fresh.WriteSDF());
    EXPECT_TRUE(task.totalSlackSuccessorID == -1 && !task.scheduled);
    EXPECT_TRUE(task.successorIDs == fresh.successorIDs && task.displayStart == fresh.displayStart);
}

TEST(QPTask, DurationsAreHoursInTheProjectsNumberFormatAndLagsCalendarDays)
{
    QPProjectOptions options;
    QPTask task;
    // Parts of a second are cut off, not rounded; beyond 32 bits is the most there is.
    const std::pair<const char*, int32_t> durations[] = {
            {"7.5", 27000},       {"0.01", 36}, {"0.0005", 1},
            {"40000", 144000000}, {"", 0},      {"1e12", INT32_MAX},
    };
    for (const auto& [text, seconds] : durations) {
        task.durationText = text;
        EXPECT_EQ(task.GetDurationSeconds(options), seconds) << text;
    }
    options.SetDecimalSymbol(",");
    task.durationText = "7,5";
    EXPECT_EQ(task.GetDurationSeconds(options), 27000);
    // Lags are not limited to 32 bits; NaN is none.
    const std::pair<float, int64_t> lags[] = {
            {1.5f, 129600}, {0.0f, 0}, {0.00001f, 0}, {1e6f, 86400000000}, {std::nanf(""), 0},
    };
    for (const auto& [days, seconds] : lags)
        EXPECT_EQ((QPTaskDependency{1, eFinishToStart, days}).GetLagSeconds(), seconds) << days;
    EXPECT_GT((QPTaskDependency{1, eFinishToStart, 1e38f}).GetLagSeconds(), 0);
}

TEST(QPTask, ConstraintTextsInTheEditorTheListAndTheReports)
{
    QPProjectOptions options;
    const LDateTime date = LocalTime(2000, 7, 26, 17);
    // Each kind: its name, its text in the task list and in the reports; unknown kinds are
    // none.
    const std::tuple<int32_t, const char*, const char*, const char*> kinds[] = {
            {0, "None", "", "None"},
            {1, "As Late As Possible", "As Late As Possible", "ALAP"},
            {3, "Start On", "Start On 2000-07-26", "Start on 26 July 2000"},
            {8, "Finish After", "Finish After 2000-07-26", "Finish after 26 July 2000"},
            {9, "None", "", "None"},
            {-1, "None", "", "None"},
    };
    for (const auto& [kind, name, list, report] : kinds) {
        EXPECT_STREQ(QPTaskConstraintName(kind), name);
        EXPECT_EQ(QPTaskConstraintListText(kind, date), list);
        EXPECT_EQ(QPTaskConstraintReportText(kind, date, options), report);
    }
    options.SetDateFormat(2, 0, '/');
    EXPECT_EQ(QPTaskConstraintReportText(6, date, options), "Finish on 07/26/2000");
}

TEST(QPSchedule, ExceptionsAtNoonAtTheHeadStartTimesByWeekdayAndReset)
{
    QPSchedule schedule;
    schedule.AddException(LocalTime(2026, 3, 5, 0, 30), 3600);
    schedule.AddException(LocalTime(2026, 3, 5, 23, 0), 7200); // same day: not refused here
    schedule.AddException(LocalTime(2026, 12, 25, 9), 28800);
    std::string exceptions;
    for (const auto& exception : schedule.exceptions)
        exceptions +=
                exception.date.GetDateTime() + "=" + std::to_string(exception.workSeconds) + " ";
    EXPECT_EQ(exceptions, "2026-12-25 12:00:00=28800 2026-03-05 12:00:00=7200 "
                          "2026-03-05 12:00:00=3600 ");
    // One weekday's start; none, or several, have none.
    schedule.shiftStart[eMonday] = LDayTime(7 * 3600);
    schedule.shiftStart[eSaturday] = LDayTime(10 * 3600);
    for (const auto& [days, start] : {std::pair{int(LWeekDay::Monday), 7},
                                      {LWeekDay::Saturday, 10},
                                      {LWeekDay::Sunday, 8},
                                      {LWeekDay::Monday | LWeekDay::Tuesday, 0},
                                      {0, 0}})
        EXPECT_EQ(schedule.GetStartTime(LWeekDay(days)).Get(), start * 3600) << days;
    EXPECT_EQ(schedule.GetStartTime(LocalTime(2026, 12, 7, 15).GetWeekDay()).Get(), 7 * 3600);
    // Reset keeps the key and the work week.
    schedule.name = "Night shift";
    schedule.key = 12;
    schedule.id = 3;
    schedule.regularWorkWeek = 36 * 3600;
    schedule.workWeekStart = eMonday;
    schedule.shiftDuration[eMonday] = 6 * 3600;
    schedule.Reset();
    QPSchedule fresh;
    fresh.key = 12;
    fresh.regularWorkWeek = 36 * 3600;
    fresh.workWeekStart = eMonday;
    EXPECT_EQ(schedule.WriteSDF(), fresh.WriteSDF());
}
