// Task durations: the elapsed time a task's work occupies on its calendars, counted
// forward from a start or backward from a finish.
//
// Fixed Duration tasks count their hours on their own schedule. Fixed Work tasks share
// their effort among their resources, each on its own calendar at its percentage. Work is
// counted exactly on the working time that is left after exceptions, so a task's span
// holds its work and nothing is placed on a holiday. When the resources work on several
// different schedules, the finish is the end of the quarter hour in which the work is
// done (steps of an hour, refined to half and quarter hours), and a start counted
// backward the beginning of such a quarter hour.

#include "engine/LLocalDays.h"
#include "engine/QPEngineState.h"
#include "model/QPProject.h"

#include <algorithm>

using namespace LLocalDays;

namespace {

// The step bound of the quarter-hour walk: it only walks the hour or two before the work
// is done, so a few days of steps is far more than it ever needs.
constexpr int kMaxSteps = 8 * 24 * 3;

// Forward from the step origin `c`: hours, refined to half and quarter hours around the
// moment the work is done; the end of the step in which it is done.
LDateTime QuarterHourFinish(const QPCrew& crew, LDateTime start, LDateTime done, int64_t units)
{
    LDateTime c;
    int64_t step = 3600;
    if (done < NextMidnight(start)) {
        // Done on the first day: the first step runs to the next full hour.
        c = start;
        step = 3600 - TimeOfDay(start) % 3600;
    } else {
        c = Midnight(done);
        if (c == done)
            return done;
    }
    int64_t need = units - crew.UnitsIn({start.Get(), c.Get()});
    for (int i = 0; i < kMaxSteps && need > 0; ++i) {
        const LDateTime next = c + step;
        const int64_t u = crew.UnitsIn({c.Get(), next.Get()});
        if (u <= need) {
            need -= u;
            c = next;
            step = 3600;
        } else if (step > 1800) {
            step = 1800;
        } else if (step > 900) {
            step = 900;
        } else {
            return next;
        }
    }
    return std::max(c, done);
}

// The mirror of QuarterHourFinish: the beginning of the step in which the work, counted
// back from `finish`, begins.
LDateTime QuarterHourStart(const QPCrew& crew, LDateTime finish, LDateTime begun, int64_t units)
{
    LDateTime c;
    int64_t step = 3600;
    if (begun >= Midnight(finish) && TimeOfDay(finish) != 0) {
        c = finish;
        const int64_t into = TimeOfDay(finish) % 3600;
        step = into == 0 ? 3600 : into;
    } else {
        if (Midnight(begun) == begun)
            return begun;
        c = NextMidnight(begun);
    }
    int64_t need = units - crew.UnitsIn({c.Get(), finish.Get()});
    for (int i = 0; i < kMaxSteps && need > 0; ++i) {
        const LDateTime next = c - step;
        const int64_t u = crew.UnitsIn({next.Get(), c.Get()});
        if (u <= need) {
            need -= u;
            c = next;
            step = 3600;
        } else if (step > 1800) {
            step = 1800;
        } else if (step > 900) {
            step = 900;
        } else {
            return next;
        }
    }
    return std::min(c, begun);
}

// The duration of a task's work on its crew, counted forward or backward from `moment`.
int64_t CrewDuration(const QPCrew& crew, int64_t work, bool reverse, LDateTime moment)
{
    if (work <= 0 || !crew.HasWork())
        return 0;
    const int64_t units = work * 100;
    if (!reverse) {
        LDateTime finish = crew.Finish(moment, units);
        if (crew.DistinctSchedules() > 1)
            finish = QuarterHourFinish(crew, moment, finish, units);
        return std::max<int64_t>(0, finish - moment);
    }
    LDateTime start = crew.Start(moment, units);
    if (crew.DistinctSchedules() > 1)
        start = QuarterHourStart(crew, moment, start, units);
    return std::max<int64_t>(0, moment - start);
}

} // namespace

QPSchedule* QPProject::GetTaskSchedule(const QPTask& task) const
{
    QPEngineCalendars calendars(*this);
    return const_cast<QPSchedule*>(calendars.TaskSchedule(task));
}

int64_t QPProject::CalculateTaskDuration(QPTask& task, bool reverse, LDateTime moment)
{
    if (task.milestone)
        return 0;
    if (task.taskType == eTaskTypeFixedDuration)
        return CalculateTaskFixedDuration(task, reverse, moment);
    return reverse ? CalculateTaskDurationReverse(task, moment)
                   : CalculateTaskDurationForward(task, moment);
}

int64_t QPProject::CalculateTaskFixedDuration(QPTask& task, bool reverse, LDateTime moment)
{
    QPEngineScope scope(*this);
    return CrewDuration(scope.State().calendars.CrewOf(task), task.GetDurationSeconds(options),
                        reverse, moment);
}

int64_t QPProject::CalculateTaskDurationForward(QPTask& task, LDateTime start)
{
    QPEngineScope scope(*this);
    return CrewDuration(scope.State().calendars.CrewOf(task), task.GetDurationSeconds(options),
                        false, start);
}

int64_t QPProject::CalculateTaskDurationReverse(QPTask& task, LDateTime finish)
{
    QPEngineScope scope(*this);
    return CrewDuration(scope.State().calendars.CrewOf(task), task.GetDurationSeconds(options),
                        true, finish);
}

void QPProject::CalculateResourceAssignmentPercent(QPTask& task)
{
    if (!(task.start < task.finish))
        return;
    QPEngineScope scope(*this);
    QPEngineCalendars& calendars = scope.State().calendars;
    std::vector<QPDayWork> days;
    for (QPResourceAssignment& assignment : task.resourceAssignments) {
        const QPResource* resource = resources.GetElementByKey(assignment.resourceKey);
        const QPWorkCalendar* calendar =
                resource ? calendars.AssignmentCalendar(task, *resource) : nullptr;
        if (!calendar) {
            assignment.firstDayPercent = assignment.lastDayPercent = 100;
            continue;
        }
        days.clear();
        QPAppendDayWork(*calendar, task.start, task.finish, days);
        assignment.firstDayPercent = days.empty() ? 0 : days.front().Share();
        assignment.lastDayPercent = days.empty() ? 0 : days.back().Share();
    }
}
