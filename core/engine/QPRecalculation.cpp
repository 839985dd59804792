// The recalculation: after every change the whole plan is computed again from scratch,
// always in the same order of passes.

#include "engine/LLocalDays.h"
#include "model/QPProject.h"

using namespace LLocalDays;

void QPProject::CalculateEndDateByTasks()
{
    projectFinish = projectStart;
    for (const QPTask& task : tasks)
        if (task.finish > projectFinish)
            projectFinish = task.finish;
}

void QPProject::ClearTaskDiscoveryData()
{
    for (QPTask& task : tasks)
        task.discovered = false;
}

void QPProject::AutoScheduleTasks()
{
    // 1-2. Where exceptions end, and which tasks belong to which header.
    CalculateExceptionDurations();
    RefreshSubtaskHeaderKeys();

    // 3. Manual tasks keep their start; Fixed Work ones get their finish from their work.
    for (QPTask& task : tasks) {
        task.scheduled = false;
        if (task.autoSchedule || task.isHeader)
            continue;
        if (task.taskType != eTaskTypeFixedDuration)
            task.finish = task.start + CalculateTaskDuration(task, false, task.start);
        task.scheduled = true;
    }

    // 4. Fixed dates: Start On begins at 00:00:00 of its day, Finish On ends at 00:00:00 of
    // the day after its day; both ignore their dependencies.
    for (QPTask& task : tasks) {
        if (!task.autoSchedule || task.isHeader)
            continue;
        if (task.constraintType == eConstraintStartOn) {
            task.start = Midnight(task.constraintDate);
            task.finish = task.start + CalculateTaskDuration(task, false, task.start);
            task.scheduled = true;
        } else if (task.constraintType == eConstraintFinishOn) {
            task.finish = NextMidnight(task.constraintDate);
            task.start = task.finish - CalculateTaskDuration(task, true, task.finish);
            task.scheduled = true;
        }
    }

    // 5. Forward passes: each places the tasks whose predecessors are placed. Tasks in a
    // dependency loop never become ready and keep the dates they had, through every later
    // pass too. A pass that places nothing ends the passes early: the next one could place
    // nothing either.
    const std::size_t passes = tasks.size() + 1;
    for (std::size_t pass = 0; pass < passes; ++pass) {
        bool pending = false;
        bool progress = false;
        for (QPTask& task : tasks) {
            if (task.scheduled)
                continue;
            if (task.autoSchedule && ScheduleTask(task))
                progress = true;
            if (!task.scheduled)
                pending = true;
        }
        if (!pending || !progress)
            break;
    }

    unplacedTasks_.clear();
    for (QPTask& task : tasks) {
        if (task.scheduled)
            continue;
        if (task.isHeader) {
            // A header waiting on unplaced members spans them as they are, rather than
            // bringing dates from before into the project finish.
            SetHeaderTaskDate(task);
        } else if (task.autoSchedule) {
            unplacedTasks_.insert(&task);
        }
    }

    // 6-7. Successors and the project finish.
    MapTaskSuccessors();
    CalculateEndDateByTasks();

    // 8-11. Slack, then As Late As Possible tasks move as late as it allows.
    for (QPTask& task : tasks)
        if (task.constraintType == eConstraintAsLateAsPossible)
            task.scheduled = false;
    CalculateAllSlack();
    ClearTaskDiscoveryData();
    for (QPTask& task : tasks)
        if (task.constraintType == eConstraintAsLateAsPossible && !task.scheduled &&
            !unplacedTasks_.count(&task))
            ScheduleALAP(task);

    // 12-14. Book every task, flag over-committed ones and level them.
    histogram.Clear();
    for (QPTask& task : tasks)
        AddTaskToHistogram(task);
    // Unplaced tasks hold their resources where they are; the others level around them.
    for (QPTask& task : tasks)
        task.resourceConflict = !unplacedTasks_.count(&task) && histogram.IsTaskConflicted(task);
    ResolveResourceConflicts();
    unplacedTasks_.clear();

    // 15-17. Header spans, display starts and costs.
    SetAllHeaderTaskDates();
    CalculateDisplayStarts();
    CalculateBudgetUse();
}
