// Plans that once came out wrong, each reduced to the few tasks that showed it: links broken
// across header groups and by As Late As Possible moves, a project finish moved by As Late
// As Possible, resources left over 100% by leveling, work placed on holidays or lost,
// costs that were not hours times rate, results that changed on saving and loading, and
// blank dates. Plans start on Monday 1 March 2027; the default schedule works Monday to
// Friday, 08:00 to 16:00.

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
                 const QPResource& resource, int32_t percent = 100)
{
    QPTask& task = plan.Task(name, hours);
    task.AddResourceAssignment(resource.key, percent);
    return task;
}

// The highest level the resource reaches on the days from `first` to `last` (March).
int32_t HighestLevel(const QPProject& project, const QPResource& resource, int first, int last)
{
    int32_t highest = 0;
    for (int day = first; day <= last; ++day)
        highest = std::max(highest,
                           project.histogram.GetCommitmentLevel(March(day, 12), resource.key));
    return highest;
}

// Night shifts from 22:00 for 9 hours, Monday to Friday nights.
QPSchedule& Nights(Plan& plan, const std::string& name = "Nights")
{
    return plan.Schedule(name, 22 * kHour, {0, 9, 9, 9, 9, 9, 0});
}

} // namespace

// ---------------------------------------------------------------------------------------
// 1. Links hold across header groups and through every move.

TEST(QPSoundSchedule, AnAsLateAsPossiblePredecessorOfAHeaderTakesItsSubtasksAlong)
{
    Plan plan;
    plan.Task("Long", "40");
    QPTask& late = plan.Task("Late", "8");
    late.constraintType = eConstraintAsLateAsPossible;
    QPTask& header = plan.Task("Header", "");
    QPTask& member = plan.Task("Member", "8");
    header.isHeader = true;
    header.subtaskKeys = {member.key};
    header.AddDependency(late.key, eFinishToStart, 0.f);
    plan.Recalculate();
    // As late as the subtask's own latest start allows, and the subtask follows it.
    EXPECT_EQ(late.finish, March(5, 8));
    EXPECT_GE(member.start, late.finish);
    EXPECT_GE(header.start, late.finish);
    EXPECT_EQ(plan.project.projectFinish, March(5, 16));
}

TEST(QPSoundSchedule, AnAsLateAsPossibleSubtaskLeavesRoomForItsHeadersSuccessor)
{
    Plan plan;
    plan.Task("Long", "40");
    QPTask& header = plan.Task("Header", "");
    QPTask& late = plan.Task("Late member", "8");
    QPTask& other = plan.Task("Other member", "8");
    header.isHeader = true;
    header.subtaskKeys = {late.key, other.key};
    late.constraintType = eConstraintAsLateAsPossible;
    QPTask& after = plan.Task("After the header", "8");
    after.AddDependency(header.key, eFinishToStart, 0.f);
    plan.Recalculate();
    EXPECT_GE(after.start, header.finish);
    EXPECT_GE(after.start, late.finish);
    EXPECT_EQ(plan.project.projectFinish, March(5, 16));
}

TEST(QPSoundSchedule, APushedTaskKeepsAllItsLinksNotOnlyTheOneThatPushed)
{
    // Its Finish-to-Start predecessor has moved on (as leveling may leave it); when its
    // Finish-to-Finish predecessor moves, it is placed from both.
    Plan plan;
    QPTask& before = plan.Task("Finish first", "8");
    QPTask& together = plan.Task("Finish together", "8");
    QPTask& task = plan.Task("Task", "4");
    task.AddDependency(before.key, eFinishToStart, 0.f);
    task.AddDependency(together.key, eFinishToFinish, 0.f);
    plan.Recalculate();
    before.start = March(3, 8);
    before.finish = March(3, 16);
    together.start = March(2, 8);
    together.finish = March(2, 16);
    plan.project.PushSuccessorTasks(together, nullptr);
    EXPECT_GE(task.start, before.finish);
    EXPECT_GE(task.finish, together.finish);
    EXPECT_EQ(task.finish, March(4, 12));
}

TEST(QPSoundSchedule, AFinishBoundInNonWorkingTimeIsMet)
{
    // Half a day after 16:00 is 04:00 at night, on the day shift and on nights.
    for (bool onNights : {false, true}) {
        Plan plan;
        QPTask& first = plan.Task("First", "8");
        QPTask& second = plan.Task("Second", "4");
        second.AddDependency(first.key, eFinishToFinish, 0.5f);
        if (onNights) {
            QPResource& ben = plan.Resource("Ben", &Nights(plan));
            second.AddResourceAssignment(ben.key, 100);
        }
        plan.Recalculate();
        EXPECT_GE(second.finish, first.finish + 43200) << onNights;
        EXPECT_LT(second.start, second.finish) << onNights;
    }
}

// ---------------------------------------------------------------------------------------
// 2. As Late As Possible only takes up slack.

TEST(QPSoundSchedule, AsLateAsPossibleAcrossWeekendsKeepsTheProjectFinish)
{
    // Its early place spans a weekend, its late place does not: moved by the room measured
    // at the early place, it used to end days after its successor's latest start.
    for (int32_t constraint : {eConstraintAsLateAsPossible, eConstraintNone}) {
        Plan plan;
        plan.Task("Three weeks", "120");
        QPTask& before = plan.Task("Before", "32");
        QPTask& task = plan.Task("Task", "16");
        task.AddDependency(before.key, eFinishToStart, 0.f);
        task.constraintType = constraint;
        QPTask& after = plan.Task("After", "8");
        after.AddDependency(task.key, eFinishToStart, 0.f);
        plan.Recalculate();
        EXPECT_EQ(plan.project.projectFinish, March(19, 16)) << constraint;
        EXPECT_GE(after.start, task.finish) << constraint;
        if (constraint == eConstraintAsLateAsPossible) {
            EXPECT_EQ(task.start, March(17, 8));
            EXPECT_EQ(after.finish, March(19, 16));
        }
    }
}

TEST(QPSoundSchedule, TheTasksAnAsLateAsPossibleMoveTakesAlongStayWithinTheirLatestDates)
{
    // The middle task follows its As Late As Possible predecessor through a finish bound;
    // its latest start, a day before its successor's, falls on the Sunday before its work.
    // Placed at the Monday instead, it pushed the last task, and the project finish, a day.
    Plan plan;
    plan.Task("Long", "88");
    QPTask& first = plan.Task("First", "16");
    first.constraintType = eConstraintAsLateAsPossible;
    QPTask& middle = plan.Task("Middle", "8");
    middle.AddDependency(first.key, eFinishToFinish, 0.5f);
    QPTask& last = plan.Task("Last", "8");
    last.constraintType = eConstraintAsLateAsPossible;
    last.AddDependency(middle.key, eStartToStart, 1.f);
    plan.Recalculate();
    EXPECT_EQ(plan.project.projectFinish, March(15, 16));
    EXPECT_EQ(last.start, March(15, 8));
    EXPECT_GE(last.start, middle.start + 86400);
    EXPECT_GE(middle.finish, first.finish + 43200);
}

TEST(QPSoundSchedule, WorkThatFillsTheRestOfAShiftEndsWithIt)
{
    // Ending at the next midnight instead, the task after an As Late As Possible task ran
    // past the project finish.
    Plan plan;
    plan.Task("Long", "40");
    QPTask& late = plan.Task("Late", "8");
    late.constraintType = eConstraintAsLateAsPossible;
    QPTask& after = plan.Task("Afternoon", "4");
    after.AddDependency(late.key, eFinishToStart, 0.f);
    plan.Recalculate();
    EXPECT_EQ(after.start, March(5, 12));
    EXPECT_EQ(after.finish, March(5, 16));
    EXPECT_EQ(plan.project.projectFinish, March(5, 16));
}

// ---------------------------------------------------------------------------------------
// 3. Nobody is left above 100% by leveling.

TEST(QPSoundSchedule, TasksEndingBeforeNoonAreCheckedForConflicts)
{
    // Two 4-hour tasks on a 06:00 to 12:00 shift each take two thirds of the day.
    Plan plan;
    QPSchedule& early = plan.Schedule("Early", 6 * kHour, {0, 6, 6, 6, 6, 6, 0});
    QPResource& ana = plan.Resource("Ana", &early);
    QPTask& first = Assigned(plan, "First", "4", ana);
    QPTask& second = Assigned(plan, "Second", "4", ana);
    plan.Recalculate();
    EXPECT_EQ(first.finish, March(1, 10));
    EXPECT_LE(HighestLevel(plan.project, ana, 1, 3), 100);
    // Without slack it goes beyond the project finish, which begins a day later.
    EXPECT_EQ(second.start, March(2, 6));
    EXPECT_FALSE(first.resourceConflict || second.resourceConflict);
}

TEST(QPSoundSchedule, ALeveledTaskIsBookedBeforeItsSuccessorsAreChecked)
{
    // A Start-to-Start pair at 60% each, both pushed behind a half-time task.
    Plan plan;
    QPResource& ana = plan.Resource("Ana");
    Assigned(plan, "Half time", "40", ana, 50);
    QPTask& first = Assigned(plan, "First", "16", ana, 60);
    QPTask& second = Assigned(plan, "Second", "16", ana, 60);
    second.AddDependency(first.key, eStartToStart, 0.f);
    plan.Recalculate();
    EXPECT_LE(HighestLevel(plan.project, ana, 1, 31), 100);
    EXPECT_GE(second.start, first.start);
    EXPECT_FALSE(first.resourceConflict || second.resourceConflict);
}

TEST(QPSoundSchedule, TasksPushedFurtherDownAreBookedAndChecked)
{
    // Leveling moves the first of a chain of three; the last lands on another task of its
    // resource.
    Plan plan;
    QPResource& ana = plan.Resource("Ana");
    QPResource& bob = plan.Resource("Bob");
    Assigned(plan, "Ana's other task", "8", ana);
    QPTask& first = Assigned(plan, "First", "8", ana);
    QPTask& middle = plan.Task("Middle", "8");
    middle.AddDependency(first.key, eFinishToStart, 0.f);
    QPTask& last = Assigned(plan, "Last", "8", bob);
    last.AddDependency(middle.key, eFinishToStart, 0.f);
    QPTask& thursday = Assigned(plan, "Bob on Thursday", "8", bob);
    thursday.constraintType = eConstraintStartAfter;
    thursday.constraintDate = March(3, 0);
    plan.Recalculate();
    EXPECT_EQ(first.start, March(2, 8));
    EXPECT_LE(HighestLevel(plan.project, bob, 1, 12), 100);
    EXPECT_TRUE(last.start >= thursday.finish || last.finish <= thursday.start);
    EXPECT_FALSE(last.resourceConflict || thursday.resourceConflict);
}

// ---------------------------------------------------------------------------------------
// 4. Work goes on working time, all of it.

TEST(QPSoundSchedule, WorkReadyBeforeAHolidayGoesAfterIt)
{
    for (int32_t type : {eTaskTypeFixedWork, eTaskTypeFixedDuration}) {
        Plan plan(March(1, 4));
        plan.DefaultSchedule().AddException(March(1, 12), 8 * kHour);
        QPTask& task = plan.Task("Ready at four", "4");
        task.taskType = type;
        plan.Recalculate();
        EXPECT_EQ(task.start, March(1, 4)) << type;
        EXPECT_EQ(task.displayStart, March(2, 8)) << type;
        EXPECT_EQ(task.finish, March(2, 12)) << type;
    }
}

TEST(QPSoundSchedule, AResourceWithoutScheduleWorksOnTheDefaultOne)
{
    Plan plan;
    QPResource& ana = plan.Resource("Ana");
    ana.scheduleKey = -1;
    QPTask& task = Assigned(plan, "Task", "8", ana);
    plan.Recalculate();
    EXPECT_EQ(task.finish, March(1, 16));
}

TEST(QPSoundSchedule, OvernightShiftsOfSeveralSchedulesCountOnce)
{
    // Two night workers on two schedules do 18 hours a night: 24 hours of work end three
    // hours into the second night.
    Plan plan;
    QPResource& ana = plan.Resource("Ana", &Nights(plan, "Nights"));
    QPResource& ben = plan.Resource("Ben", &Nights(plan, "Nights too"));
    QPTask& task = Assigned(plan, "Task", "24", ana);
    task.AddResourceAssignment(ben.key, 100);
    plan.Recalculate();
    EXPECT_EQ(task.finish, March(3, 1));
}

TEST(QPSoundSchedule, ADayOffAfterTheClocksGoForwardTakesOneDayOfRoundTheClockShifts)
{
    // On the day the clocks go forward a 24-hour shift runs an hour into the next day's;
    // the hour belongs to it once, and a 24-hour day off from the next midnight takes
    // exactly a day.
    ScopedTimeZone zone("America/New_York");
    Plan plan(LocalTime(2027, 3, 15));
    QPSchedule& round = plan.Schedule("Round", 0, {24, 24, 24, 24, 24, 24, 24});
    round.AddException(LocalTime(2027, 3, 15, 12), 24 * kHour);
    EXPECT_EQ(round.CalculateExceptionFinish(round.exceptions[0]), LocalTime(2027, 3, 16));
    QPTask& task = Assigned(plan, "Task", "24", plan.Resource("Ana", &round));
    plan.Recalculate();
    EXPECT_EQ(task.finish, LocalTime(2027, 3, 17));
}

TEST(QPSoundSchedule, AFinishOnTaskOnNightsCountsBackIntoTheNight)
{
    Plan plan;
    QPTask& task = plan.Task("Last two hours of Tuesday", "2");
    task.taskType = eTaskTypeFixedDuration;
    task.scheduleKey = Nights(plan).key;
    task.constraintType = eConstraintFinishOn;
    task.constraintDate = LocalTime(2027, 3, 2, 23, 59, 59);
    plan.Recalculate();
    EXPECT_EQ(task.finish, March(3, 0));
    EXPECT_EQ(task.start, March(2, 22));
}

// ---------------------------------------------------------------------------------------
// 5. A task costs the hours it is worked, times the rate.

TEST(QPSoundSchedule, CostsAreTheHoursWorked)
{
    struct Case {
        const char* what;
        std::initializer_list<double> hours; // Sunday first
        int32_t shiftStart;
        LDateTime exceptionDay;
        int32_t exceptionHours;
        LDateTime start;
        const char* work;
        LDateTime finish;
    };
    const Case cases[] = {
            {"ends at midnight on a 24-hour schedule",
             {24, 24, 24, 24, 24, 24, 24},
             0,
             {},
             0,
             March(1, 22),
             "2",
             March(2, 0)},
            {"fills the afternoon",
             {0, 8, 8, 8, 8, 8, 0},
             8 * kHour,
             {},
             0,
             March(1, 12),
             "4",
             March(1, 16)},
            {"lies in the morning part of a night shift",
             {0, 9, 9, 9, 9, 9, 0},
             22 * kHour,
             {},
             0,
             March(2, 1),
             "4",
             March(2, 5)},
            {"starts after a morning off",
             {0, 8, 8, 8, 8, 8, 0},
             8 * kHour,
             March(1, 12),
             2,
             March(1, 12),
             "8",
             March(2, 12)},
            {"spans a night off",
             {0, 9, 9, 9, 9, 9, 0},
             22 * kHour,
             March(2, 12),
             9,
             March(1, 0),
             "24",
             March(5, 4)},
    };
    for (const Case& c : cases) {
        Plan plan;
        QPSchedule& schedule = plan.Schedule("Calendar", c.shiftStart, c.hours);
        schedule.regularWorkWeek = 0;
        if (c.exceptionHours)
            schedule.AddException(c.exceptionDay, c.exceptionHours * kHour);
        QPResource& ana = plan.Resource("Ana", &schedule, 1000, 1500);
        QPTask& task = Assigned(plan, "Task", c.work, ana);
        task.autoSchedule = false;
        task.start = c.start;
        plan.Recalculate();
        EXPECT_EQ(task.finish, c.finish) << c.what;
        EXPECT_EQ(task.scheduledCost, std::stoi(c.work) * 1000) << c.what;
        EXPECT_EQ(ana.regularCost, task.scheduledCost) << c.what;
    }
}

// ---------------------------------------------------------------------------------------
// 6. Saving and loading changes nothing.

TEST(QPSoundSchedule, LoadingARecalculatedPlanAndRecalculatingChangesNothing)
{
    // Loading turns each task's resources round; with two resources equally busy on
    // different shifts, leveling once took the start from whichever came first.
    Plan plan;
    plan.Task("Long", "40"); // room to level within the week
    QPSchedule& early = plan.Schedule("Early", 6 * kHour, {0, 8, 8, 8, 8, 8, 0});
    QPSchedule& late = plan.Schedule("Late", 10 * kHour, {0, 8, 8, 8, 8, 8, 0});
    QPResource& ana = plan.Resource("Ana", &early, 3000, 4500);
    QPResource& ben = plan.Resource("Ben", &late, 2000, 3000);
    QPTask& half = Assigned(plan, "Both half time", "8", ana, 50);
    half.AddResourceAssignment(ben.key, 50);
    QPTask& full = Assigned(plan, "Both full time", "8", ana, 100);
    full.AddResourceAssignment(ben.key, 100);
    plan.Recalculate();
    // It starts once both have finished the busy half of their Monday.
    EXPECT_EQ(full.start, March(1, 14));

    QPProject* previous = &plan.project;
    std::vector<std::unique_ptr<QPProject>> copies;
    for (int round = 0; round < 2; ++round) {
        copies.push_back(std::make_unique<QPProject>());
        QPProject& copy = *copies.back();
        ASSERT_EQ(copy.ProjectLoadFromBytes(previous->ProjectSaveToBytes()), 0);
        copy.AutoScheduleTasks();
        copy.CalculateEndDateByTasks();
        for (const QPTask& task : plan.project.tasks) {
            const QPTask* again = copy.tasks.GetElementByKey(task.key);
            ASSERT_TRUE(again);
            EXPECT_EQ(again->start, task.start) << task.name.str() << " round " << round;
            EXPECT_EQ(again->finish, task.finish) << task.name.str();
            EXPECT_EQ(again->totalSlack, task.totalSlack) << task.name.str();
            EXPECT_EQ(again->scheduledCost, task.scheduledCost) << task.name.str();
        }
        previous = &copy;
    }
}

// ---------------------------------------------------------------------------------------
// 7. No blank dates.

TEST(QPSoundSchedule, ASubtaskLinkedToItsOwnHeaderGetsTheProjectStart)
{
    Plan plan;
    QPTask& header = plan.Task("Header", "");
    QPTask& member = plan.Task("Member", "8");
    header.isHeader = true;
    header.subtaskKeys = {member.key};
    member.AddDependency(header.key, eFinishToStart, 0.f);
    plan.Recalculate();
    // Neither can be placed: the subtask waits for its header, which waits for it.
    EXPECT_EQ(member.start, plan.project.projectStart);
    EXPECT_EQ(member.finish, March(1, 16));
    EXPECT_EQ(header.start, member.start);
    EXPECT_EQ(header.finish, member.finish);
    for (const QPTask* task : {&header, &member})
        EXPECT_GE(task->displayStart, plan.project.projectStart) << task->name.str();
}
