// The recalculation: after every change the whole plan is computed again from scratch,
// always in the same order of passes.

#include "engine/LLocalDays.h"
#include "engine/QPEngineState.h"
#include "model/QPProject.h"

#include <algorithm>

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

void QPProject::GiveDatesToUnplaced()
{
    // A task that cannot be placed keeps the dates it has; one that has none starts at the
    // project start, so that no blank date (1970) reaches the chart, the lists or the
    // reports.
    QPEngineState& state = *engine_;
    for (std::size_t i = 0; i < state.graph.Size(); ++i) {
        if (!state.unplaced[i])
            continue;
        QPTask& task = state.graph.Task(int32_t(i));
        if (!task.start.IsSet())
            task.start = projectStart;
        if (!task.finish.IsSet() || task.finish < task.start)
            task.finish = task.start + CalculateTaskDuration(task, false, task.start);
    }
}

void QPProject::AutoScheduleTasks()
{
    // 1-2. Where exceptions end, and which tasks belong to which header.
    CalculateExceptionDurations();
    RefreshSubtaskHeaderKeys();
    engine_.reset();
    QPEngineScope scope(*this);
    QPEngineState& state = scope.State();
    QPEngineGraph& graph = state.graph;

    // 3. Manual tasks keep their start (the project start when they have none); Fixed Work
    // ones get their finish from their work.
    for (QPTask& task : tasks) {
        task.scheduled = false;
        task.resourceConflict = false;
        if (task.autoSchedule || task.isHeader)
            continue;
        if (!task.start.IsSet())
            task.start = projectStart;
        if (task.taskType != eTaskTypeFixedDuration || !task.finish.IsSet() ||
            task.finish < task.start)
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

    // 5. The forward pass places every task after everything it waits for, so one walk in
    // that order places what the passes over the list would. Tasks on a dependency loop,
    // and those waiting on one, are never reached: they keep their dates throughout.
    for (int32_t i : graph.order) {
        QPTask& task = graph.Task(i);
        if (!task.scheduled && (task.autoSchedule || task.isHeader))
            ScheduleTask(task);
    }
    for (std::size_t i = 0; i < graph.Size(); ++i) {
        const QPTask& task = graph.Task(int32_t(i));
        state.unplaced[i] = !task.scheduled && !task.isHeader;
    }
    GiveDatesToUnplaced();
    for (QPTask& task : tasks)
        if (task.isHeader && !task.scheduled)
            SetHeaderTaskDate(task); // spans its members as they are

    // 6-7. Successors and the project finish.
    MapTaskSuccessors();
    CalculateEndDateByTasks();

    // 8-11. Slack, then As Late As Possible tasks move to their latest dates: as late as
    // the latest dates of the tasks after them allow without moving the project finish or
    // any task that cannot move. The tasks that depend on them follow as far as they must;
    // nothing else moves.
    for (QPTask& task : tasks)
        if (task.constraintType == eConstraintAsLateAsPossible)
            task.scheduled = false;
    CalculateAllSlack();
    ClearTaskDiscoveryData();
    CalculateLateDates();
    for (auto it = graph.order.rbegin(); it != graph.order.rend(); ++it) {
        QPTask& task = graph.Task(*it);
        if (task.constraintType == eConstraintAsLateAsPossible && !task.scheduled)
            ScheduleALAP(task);
    }
    state.late.clear();
    for (QPTask& task : tasks)
        if (task.isHeader)
            SetHeaderTaskDate(task);
    // Leveling moves tasks within the room the plan now leaves them.
    CalculateAllSlack();

    // 12-14. Book every task, flag over-committed ones and level them.
    histogram.Clear();
    for (QPTask& task : tasks)
        AddTaskToHistogram(task);
    for (QPTask& task : tasks)
        task.resourceConflict = histogram.IsTaskConflicted(task);
    ResolveResourceConflicts();

    // The slack of the plan as it now stands.
    CalculateEndDateByTasks();
    CalculateAllSlack();

    // 15-17. Header spans, display starts and costs.
    SetAllHeaderTaskDates();
    CalculateDisplayStarts();
    CalculateBudgetUse();
}
