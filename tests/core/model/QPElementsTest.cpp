#include "model/QPAssociationRecord.h"
#include "model/QPProjectOptions.h"
#include "model/QPResource.h"
#include "model/QPSchedule.h"
#include "model/QPTask.h"

#include "support/TestTime.h"

#include <gtest/gtest.h>

// ---------------------------------------------------------------------------------------
// Tasks

namespace {

QPTask FilledTask()
{
    QPTask task;
    task.name = "Pour foundation";
    task.durationText = "16";
    task.key = 7;
    task.id = 3;
    task.scheduleKey = 2;
    task.percentComplete = 40;
    task.autoSchedule = false;
    task.milestone = true;
    task.isHeader = true;
    task.hideSubtasks = true;
    task.start = LocalTime(2026, 1, 5, 8);
    task.finish = LocalTime(2026, 1, 6, 17);
    task.constraintDate = LocalTime(2026, 1, 5);
    task.constraintType = eConstraintStartOn;
    task.taskType = eTaskTypeFixedDuration;
    task.freeSlack = 3600;
    task.totalSlack = 7200;
    task.freeSlackSuccessorID = 4;
    task.totalSlackSuccessorID = 5;
    task.scheduledCost = 12345;
    task.scheduledCostToDate = 100;
    task.scheduled = true;
    task.discovered = true;
    task.resourceConflict = true;
    task.displayStart = LocalTime(2026, 1, 5, 9);
    task.headerKey = 1;
    task.successorIDs = {4, 5};
    task.notes = "Check the weather first.";
    task.AddDependency(3, eFinishToStart, 1.5f);
    task.AddDependency(4, eStartToStart, 0.0f);
    task.AddResourceAssignment(10, 50);
    task.subtaskKeys = {8, 9};
    return task;
}

} // namespace

TEST(QPTask, CopyTakesEverythingButTheNotes)
{
    const QPTask original = FilledTask();
    const QPTask copy(original);
    EXPECT_EQ(copy.name, "Pour foundation");
    EXPECT_EQ(copy.key, 7);
    EXPECT_EQ(copy.id, 3);
    EXPECT_EQ(copy.start, original.start);
    EXPECT_EQ(copy.displayStart, original.displayStart);
    EXPECT_TRUE(copy.scheduled);
    EXPECT_EQ(copy.scheduledCost, 12345);
    EXPECT_EQ(copy.dependencies, original.dependencies);
    EXPECT_EQ(copy.resourceAssignments, original.resourceAssignments);
    EXPECT_EQ(copy.subtaskKeys, original.subtaskKeys);
    EXPECT_EQ(copy.successorIDs, original.successorIDs);
    EXPECT_TRUE(copy.notes.empty());
    EXPECT_EQ(original.notes, "Check the weather first.");
}

TEST(QPTask, ResetClearsStoredAndRunTimeFieldsButKeepsDerivedOnes)
{
    QPTask task = FilledTask();
    task.Reset();
    EXPECT_TRUE(task.name.empty());
    EXPECT_EQ(task.key, -1);
    EXPECT_EQ(task.id, -1);
    EXPECT_TRUE(task.autoSchedule);
    EXPECT_FALSE(task.milestone || task.isHeader || task.hideSubtasks);
    EXPECT_FALSE(task.start.IsSet() || task.constraintDate.IsSet());
    EXPECT_EQ(task.totalSlackSuccessorID, -1);
    EXPECT_EQ(task.scheduledCost, 0);
    EXPECT_FALSE(task.scheduled || task.discovered || task.resourceConflict);
    EXPECT_TRUE(task.dependencies.empty() && task.resourceAssignments.empty());
    EXPECT_TRUE(task.subtaskKeys.empty());
    // Left for the recalculation (and the image being read) to replace.
    EXPECT_EQ(task.displayStart, LocalTime(2026, 1, 5, 9));
    EXPECT_EQ(task.headerKey, 1);
    EXPECT_EQ(task.successorIDs, (std::vector<int32_t>{4, 5}));
    EXPECT_EQ(task.notes, "Check the weather first.");
}

TEST(QPTask, DependenciesAndAssignmentsGoToTheHead)
{
    QPTask task;
    task.AddDependency(1, eFinishToStart, 0.0f);
    task.AddDependency(QPTaskDependency{2, eFinishToFinish, 2.0f});
    task.AddDependency(3, eStartToFinish, 0.5f);
    ASSERT_EQ(task.dependencies.size(), 3u);
    EXPECT_EQ(task.dependencies[0].predecessorKey, 3);
    EXPECT_EQ(task.dependencies[1].predecessorKey, 2);
    EXPECT_EQ(task.dependencies[2].predecessorKey, 1);

    task.AddResourceAssignment(QPResourceAssignment{20, 50, 30, 70});
    task.AddResourceAssignment(21, 25);
    ASSERT_EQ(task.resourceAssignments.size(), 2u);
    EXPECT_EQ(task.resourceAssignments[0], (QPResourceAssignment{21, 25, 100, 100}));
    EXPECT_EQ(task.resourceAssignments[1], (QPResourceAssignment{20, 50, 30, 70}));
}

TEST(QPTask, RemoveTakesTheFirstMatchAndRecordsIt)
{
    QPTask task;
    task.key = 42;
    task.AddDependency(5, eFinishToStart, 1.0f);
    task.AddDependency(6, eStartToStart, 0.0f);
    task.AddDependency(5, eFinishToFinish, 3.0f); // a second link to the same task
    task.AddResourceAssignment(9, 40);

    QPAssociationRecord record;
    EXPECT_TRUE(task.RemoveDependency(5, &record));
    ASSERT_EQ(task.dependencies.size(), 2u);
    EXPECT_EQ(task.dependencies[0].predecessorKey, 6);
    EXPECT_EQ(task.dependencies[1], (QPTaskDependency{5, eFinishToStart, 1.0f}));
    EXPECT_TRUE(task.RemoveResourceAssignment(9, &record));
    EXPECT_FALSE(task.RemoveResourceAssignment(9, &record));
    EXPECT_FALSE(task.RemoveDependency(77, nullptr));

    ASSERT_EQ(record.entries.size(), 2u);
    EXPECT_EQ(record.entries[0].kind, QPAssociationRecord::Kind::Dependency);
    EXPECT_EQ(record.entries[0].ownerKey, 42);
    EXPECT_EQ(record.entries[0].dependency, (QPTaskDependency{5, eFinishToFinish, 3.0f}));
    EXPECT_EQ(record.entries[1].kind, QPAssociationRecord::Kind::Assignment);
    EXPECT_EQ(record.entries[1].assignment.resourceKey, 9);
    EXPECT_EQ(record.entries[1].assignment.percent, 40);
}

TEST(QPTask, DurationTextIsHoursInTheProjectsNumberFormat)
{
    QPProjectOptions options;
    QPTask task;
    task.durationText = "7.5";
    EXPECT_EQ(task.GetDurationSeconds(options), 27000);
    task.durationText = "0.01";
    EXPECT_EQ(task.GetDurationSeconds(options), 36);
    task.durationText = "0.0005"; // 1.8 seconds: truncated
    EXPECT_EQ(task.GetDurationSeconds(options), 1);
    task.durationText = "40000";
    EXPECT_EQ(task.GetDurationSeconds(options), 144000000);
    task.durationText = "";
    EXPECT_EQ(task.GetDurationSeconds(options), 0);
    task.durationText = "1e12";
    EXPECT_EQ(task.GetDurationSeconds(options), INT32_MAX);

    options.SetDecimalSymbol(",");
    task.durationText = "7,5";
    EXPECT_EQ(task.GetDurationSeconds(options), 27000);
}

TEST(QPTaskDependency, LagIsInCalendarDays)
{
    EXPECT_EQ((QPTaskDependency{1, eFinishToStart, 1.5f}).GetLagSeconds(), 129600);
    EXPECT_EQ((QPTaskDependency{1, eFinishToStart, 0.0f}).GetLagSeconds(), 0);
    // 0.00001 days is 0.864 seconds: truncated.
    EXPECT_EQ((QPTaskDependency{1, eFinishToStart, 0.00001f}).GetLagSeconds(), 0);
    // A million days is far beyond 32 bits of seconds.
    EXPECT_EQ((QPTaskDependency{1, eFinishToStart, 1e6f}).GetLagSeconds(), 86400000000LL);
    EXPECT_EQ((QPTaskDependency{1, eFinishToStart, std::numeric_limits<float>::quiet_NaN()})
                      .GetLagSeconds(),
              0);
    EXPECT_GT((QPTaskDependency{1, eFinishToStart, 1e38f}).GetLagSeconds(), 0);
}

TEST(QPTaskTexts, ConstraintsInTheEditorTheListAndTheReports)
{
    QPProjectOptions options;
    const LDateTime date = LocalTime(2000, 7, 26, 17);
    EXPECT_STREQ(QPTaskConstraintName(0), "None");
    EXPECT_STREQ(QPTaskConstraintName(1), "As Late As Possible");
    EXPECT_STREQ(QPTaskConstraintName(8), "Finish After");
    EXPECT_STREQ(QPTaskConstraintName(9), "None");

    EXPECT_EQ(QPTaskConstraintListText(0, date), "");
    EXPECT_EQ(QPTaskConstraintListText(1, date), "As Late As Possible");
    EXPECT_EQ(QPTaskConstraintListText(2, date), "As Soon As Possible");
    EXPECT_EQ(QPTaskConstraintListText(3, date), "Start On 2000-07-26");
    EXPECT_EQ(QPTaskConstraintListText(7, date), "Finish Before 2000-07-26");
    EXPECT_EQ(QPTaskConstraintListText(9, date), "");
    EXPECT_EQ(QPTaskConstraintListText(-1, date), "");

    EXPECT_EQ(QPTaskConstraintReportText(0, date, options), "None");
    EXPECT_EQ(QPTaskConstraintReportText(1, date, options), "ALAP");
    EXPECT_EQ(QPTaskConstraintReportText(2, date, options), "ASAP");
    EXPECT_EQ(QPTaskConstraintReportText(4, date, options), "Start before 26 July 2000");
    EXPECT_EQ(QPTaskConstraintReportText(8, date, options), "Finish after 26 July 2000");
    EXPECT_EQ(QPTaskConstraintReportText(9, date, options), "None");
    options.SetDateFormat(2, 0, '/');
    EXPECT_EQ(QPTaskConstraintReportText(6, date, options), "Finish on 07/26/2000");
}

TEST(QPResource, CopyTakesEverythingButTheNotes)
{
    QPResource resource;
    resource.name = "Ana";
    resource.overtimeRate = 6750;
    resource.reserved = 17;
    resource.notes = "Mornings only";
    resource.AddException(LocalTime(2026, 3, 5, 0, 30), 8 * 3600);
    const QPResource copy(resource);
    EXPECT_EQ(copy.name, "Ana");
    EXPECT_EQ(copy.overtimeRate, 6750);
    EXPECT_EQ(copy.reserved, 17);
    ASSERT_EQ(copy.exceptions.size(), 1u);
    EXPECT_EQ(copy.exceptions[0].date, LocalTime(2026, 3, 5, 12));
    EXPECT_TRUE(copy.notes.empty());
}

// ---------------------------------------------------------------------------------------
// Resources

// ---------------------------------------------------------------------------------------
// Schedules

TEST(QPSchedule, ResetKeepsKeyAndWorkWeek)
{
    QPSchedule schedule;
    schedule.name = "Night shift";
    schedule.key = 12;
    schedule.id = 3;
    schedule.regularWorkWeek = 36 * 3600;
    schedule.workWeekStart = eMonday;
    schedule.shiftDuration[eMonday] = 6 * 3600;
    schedule.shiftStart[eMonday] = LDayTime(22 * 3600);
    schedule.AddException(LocalTime(2026, 12, 24), 6 * 3600);
    schedule.Reset();
    EXPECT_TRUE(schedule.name.empty());
    EXPECT_EQ(schedule.id, -1);
    EXPECT_EQ(schedule.key, 12);
    EXPECT_EQ(schedule.regularWorkWeek, 36 * 3600);
    EXPECT_EQ(schedule.workWeekStart, eMonday);
    EXPECT_EQ(schedule.shiftDuration[eMonday], 0);
    EXPECT_EQ(schedule.shiftStart[eMonday].Get(), 28800);
    EXPECT_TRUE(schedule.exceptions.empty());
}

TEST(QPSchedule, ExceptionsAreAnchoredAtNoonAndAddedAtTheHead)
{
    QPSchedule schedule;
    schedule.AddException(LocalTime(2026, 3, 5, 0, 30), 3600);
    schedule.AddException(LocalTime(2026, 3, 5, 23, 0), 7200); // same day: not refused here
    schedule.AddException(LocalTime(2026, 12, 25, 9), 28800);
    ASSERT_EQ(schedule.exceptions.size(), 3u);
    EXPECT_EQ(schedule.exceptions[0].date, LocalTime(2026, 12, 25, 12));
    EXPECT_EQ(schedule.exceptions[1].date, LocalTime(2026, 3, 5, 12));
    EXPECT_EQ(schedule.exceptions[1].workSeconds, 7200);
    EXPECT_EQ(schedule.exceptions[2].date, LocalTime(2026, 3, 5, 12));
}

TEST(QPSchedule, StartTimeOfOneWeekday)
{
    QPSchedule schedule;
    schedule.shiftStart[eMonday] = LDayTime(7 * 3600);
    schedule.shiftStart[eSaturday] = LDayTime(10 * 3600);
    EXPECT_EQ(schedule.GetStartTime(LWeekDay(LWeekDay::Monday)).Get(), 7 * 3600);
    EXPECT_EQ(schedule.GetStartTime(LWeekDay(LWeekDay::Saturday)).Get(), 10 * 3600);
    EXPECT_EQ(schedule.GetStartTime(LWeekDay(LWeekDay::Sunday)).Get(), 8 * 3600);
    EXPECT_EQ(schedule.GetStartTime(LWeekDay(LWeekDay::Monday | LWeekDay::Tuesday)).Get(), 0);
    EXPECT_EQ(schedule.GetStartTime(LWeekDay(0)).Get(), 0);
    // A date's weekday bit picks its day's shift.
    EXPECT_EQ(schedule.GetStartTime(LocalTime(2026, 12, 7, 15).GetWeekDay()).Get(), 7 * 3600);
}
