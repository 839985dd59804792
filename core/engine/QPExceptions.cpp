// Schedule exceptions: work time taken out of a calendar from a day's shift start on.
// A task's duration first places its work on the plain weekly pattern; then every
// exception inside the task's span adds the work time it takes away, and the span grows,
// until no exception adds more. These operations keep the per-calculation state of that.

#include "engine/LLocalDays.h"
#include "model/QPProject.h"

#include <algorithm>

using namespace LLocalDays;

namespace {

// The shift time of the days from `first` to `last`, both included.
int64_t ShiftTimeOfDays(const QPSchedule& schedule, LDateTime first, LDateTime last)
{
    int64_t days = DaysBetween(first, last) + 1;
    if (days <= 0)
        return 0;
    int64_t sum = (days / 7) * schedule.GetWeeklyWork();
    LDateTime day = AddDays(Anchor(first), 7 * (days / 7));
    for (int64_t i = 0; i < days % 7; ++i) {
        sum += schedule.shiftDuration[Weekday(day)];
        day = AddDays(day, 1);
    }
    return sum;
}

template <class Exceptions>
bool ApplyExceptions(Exceptions& exceptions, const QPSchedule& schedule, LDateTime rangeStart,
                     LDateTime rangeEnd, int64_t& extra, int32_t weight)
{
    bool added = false;
    const LDateTime endDay = Anchor(rangeEnd);
    for (QPScheduleException& exception : exceptions) {
        const LDateTime day = Anchor(exception.date);
        if (exception.finish < rangeStart || day > endDay ||
            exception.appliedSeconds == exception.effectiveSeconds)
            continue;
        const LDateTime first = (day + 43199 < rangeStart) ? rangeStart : day;
        const LDateTime last = exception.finish <= rangeEnd ? exception.finish : rangeEnd;
        const int64_t sum = ShiftTimeOfDays(schedule, first, last);
        const int64_t overlap = std::min<int64_t>(sum, exception.effectiveSeconds);
        if (overlap > exception.appliedSeconds) {
            extra += (overlap - exception.appliedSeconds) * weight / 100;
            exception.appliedSeconds = static_cast<int32_t>(overlap);
            added = true;
        }
    }
    return added;
}

} // namespace

void QPProject::CalculateExceptionDurations()
{
    for (QPSchedule& schedule : schedules)
        for (QPScheduleException& exception : schedule.exceptions)
            exception.finish = schedule.CalculateExceptionFinish(exception);
    for (QPResource& resource : resources) {
        const QPSchedule* schedule = schedules.GetElementByKey(resource.scheduleKey);
        if (!schedule)
            continue;
        for (QPScheduleException& exception : resource.exceptions)
            exception.finish = schedule->CalculateExceptionFinish(exception);
    }
}

void QPProject::ResetScheduleExceptions(const QPTask& task)
{
    auto clear = [](std::vector<QPScheduleException>& exceptions) {
        for (QPScheduleException& exception : exceptions) {
            exception.effectiveSeconds = 0;
            exception.appliedSeconds = 0;
        }
    };
    if (task.taskType != eTaskTypeFixedDuration) {
        for (QPSchedule& schedule : schedules) {
            clear(schedule.exceptions);
            schedule.assignedPercent = 0;
        }
        // A schedule shared by several of the task's resources carries the sum of their
        // percentages.
        for (const QPResourceAssignment& assignment : task.resourceAssignments) {
            QPResource* resource = resources.GetElementByKey(assignment.resourceKey);
            if (!resource)
                continue;
            clear(resource->exceptions);
            if (QPSchedule* schedule = schedules.GetElementByKey(resource->scheduleKey))
                schedule->assignedPercent += assignment.percent;
        }
        return;
    }
    if (QPSchedule* schedule = GetTaskSchedule(task)) {
        clear(schedule->exceptions);
        schedule->assignedPercent = 100;
    }
}

void QPProject::CalculateExceptionOverlapForward(LDateTime from, QPScheduleException& exception,
                                                 const QPSchedule& schedule)
{
    if (exception.finish < from)
        return; // it ended before the task begins
    const LDateTime day = Anchor(exception.date);
    const LDateTime fromDay = Anchor(from);
    if (day < fromDay) {
        // Only what remains of the exception after the days before `from` counts.
        const int64_t elapsed = ShiftTimeOfDays(schedule, day, AddDays(fromDay, -1));
        exception.effectiveSeconds = static_cast<int32_t>(
                std::clamp<int64_t>(exception.workSeconds - elapsed, INT32_MIN, INT32_MAX));
    } else {
        exception.effectiveSeconds = exception.workSeconds;
    }
}

void QPProject::CalculateExceptionOverlapReverse(LDateTime to, QPScheduleException& exception,
                                                 const QPSchedule& schedule)
{
    if (Midnight(exception.date) > to)
        return; // it begins after the task ends
    if (to > exception.finish) {
        exception.effectiveSeconds = exception.workSeconds;
        return;
    }
    const LDateTime toDay = Anchor(to);
    int64_t effective = exception.effectiveSeconds;
    const LDateTime day = Anchor(exception.date);
    if (day < toDay)
        effective += ShiftTimeOfDays(schedule, day, AddDays(toDay, -1));
    const int d = Weekday(to);
    const int64_t s = schedule.shiftStart[d].Get();
    const int64_t w = schedule.shiftDuration[d];
    const int64_t t = TimeOfDay(to);
    if (s < t) {
        if ((s + w) % 86400 < t)
            effective += w;
        else
            effective += t - s; // the part of the day's shift before `to`
    }
    exception.effectiveSeconds =
            static_cast<int32_t>(std::clamp<int64_t>(effective, INT32_MIN, INT32_MAX));
}

bool QPProject::ApplyGeneralExceptions(LDateTime rangeStart, LDateTime rangeEnd, int64_t& extra,
                                       QPSchedule& schedule)
{
    return ApplyExceptions(schedule.exceptions, schedule, rangeStart, rangeEnd, extra,
                           schedule.assignedPercent);
}

bool QPProject::ApplyResourceExceptions(LDateTime rangeStart, LDateTime rangeEnd, int64_t& extra,
                                        QPResource& resource, const QPSchedule& schedule,
                                        int32_t percent)
{
    return ApplyExceptions(resource.exceptions, schedule, rangeStart, rangeEnd, extra, percent);
}
