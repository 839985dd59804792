// Task durations: the elapsed time a task's work occupies on its calendars, counted
// forward from a start or backward from a finish.
//
// Fixed Duration tasks count their hours on their own schedule. Fixed Work tasks share
// their effort among their resources, each on its own schedule scaled by its percentage;
// whole weeks and days are skipped with the combined weekly table, and only the last day is
// placed precisely (with the calendar arithmetic for one schedule, in steps of an hour
// refined to half and quarter hours for several).

#include "engine/LLocalDays.h"
#include "model/QPProject.h"

#include <algorithm>

using namespace LLocalDays;

namespace {

// Bounds on loops that count work down: far beyond any real plan, they only stop a
// calculation on a calendar that never gets the work done.
constexpr int kMaxExceptionRounds = 100000;
// The hour steps place the last day's work, which the combined weekly table says fits into
// it; they are not allowed to wander off further than a week (each hour may be refined to
// half and quarter hours).
constexpr int kMaxSteps = 8 * 24 * 3;

struct FixedWorkSetup {
    std::vector<QPResource*> resources;
    std::vector<QPSchedule*> schedules; // distinct, in order of first use
    QPSchedule combined;                // combined work per weekday, in work seconds
    int64_t weeklyTotal = 0;
    QPSchedule* fallback = nullptr; // the default schedule, or else the first
};

// The resources, schedules and combined week of a fixed-work task, with the schedule to
// fall back on. False when there is no work time to schedule in.
bool PrepareFixedWork(QPProject& project, const QPTask& task, FixedWorkSetup& setup)
{
    setup.fallback = project.schedules.GetElementByKey(project.defaultScheduleKey);
    if (!setup.fallback && !project.schedules.empty())
        setup.fallback = &project.schedules.front();
    return setup.fallback &&
           project.SetupWeeklyWorkData(task, setup.resources, setup.schedules, setup.combined,
                                       setup.weeklyTotal) &&
           setup.weeklyTotal > 0;
}

QPSchedule* ScheduleOf(const FixedWorkSetup& setup, const QPResource& resource)
{
    for (QPSchedule* schedule : setup.schedules)
        if (schedule->key == resource.scheduleKey)
            return schedule;
    return setup.fallback;
}

} // namespace

QPSchedule* QPProject::GetTaskSchedule(const QPTask& task) const
{
    return schedules.GetElementByKey(task.scheduleKey == -1 ? defaultScheduleKey
                                                            : task.scheduleKey);
}

bool QPProject::SetupWeeklyWorkData(const QPTask& task, std::vector<QPResource*>& taskResources,
                                    std::vector<QPSchedule*>& taskSchedules, QPSchedule& combined,
                                    int64_t& weeklyTotal)
{
    combined.shiftDuration.fill(0);
    taskResources.assign(task.resourceAssignments.size(), nullptr);
    for (std::size_t i = 0; i < task.resourceAssignments.size(); ++i) {
        const QPResourceAssignment& assignment = task.resourceAssignments[i];
        QPResource* resource = resources.GetElementByKey(assignment.resourceKey);
        if (!resource)
            return false;
        taskResources[i] = resource;
        for (QPScheduleException& exception : resource->exceptions)
            exception.appliedSeconds = 0;
        QPSchedule* schedule = schedules.GetElementByKey(resource->scheduleKey);
        if (!schedule)
            return false;
        if (std::none_of(taskSchedules.begin(), taskSchedules.end(),
                         [&](const QPSchedule* s) { return s->id == schedule->id; }))
            taskSchedules.push_back(schedule);
        for (int day = 0; day < 7; ++day)
            combined.shiftDuration[day] += static_cast<int32_t>(
                    int64_t(schedule->shiftDuration[day]) * assignment.percent / 100);
    }
    QPSchedule* fallback = schedules.GetElementByKey(defaultScheduleKey);
    if (taskSchedules.empty()) {
        if (!fallback)
            return false;
        taskSchedules.push_back(fallback);
    }
    weeklyTotal += combined.GetWeeklyWork();
    if (weeklyTotal != 0)
        return true;
    // The resources give no working time at all: work as one full-time resource on the
    // default schedule would.
    if (!fallback)
        return false;
    combined.shiftDuration = fallback->shiftDuration;
    weeklyTotal += fallback->GetWeeklyWork();
    if (weeklyTotal == 0)
        return false;
    fallback->assignedPercent = 100;
    return true;
}

int64_t QPProject::CalculateTaskDuration(QPTask& task, bool reverse, LDateTime moment)
{
    if (task.milestone)
        return 0;
    ResetScheduleExceptions(task);
    if (task.taskType == eTaskTypeFixedDuration)
        return CalculateTaskFixedDuration(task, reverse, moment);
    return reverse ? CalculateTaskDurationReverse(task, moment)
                   : CalculateTaskDurationForward(task, moment);
}

int64_t QPProject::CalculateTaskFixedDuration(QPTask& task, bool reverse, LDateTime moment)
{
    QPSchedule* schedule = GetTaskSchedule(task);
    if (!schedule)
        return 0;
    QPSchedule& s = *schedule;
    const int32_t p = s.assignedPercent;
    const int64_t work = task.GetDurationSeconds(options);
    if (!reverse) {
        const LDateTime start = moment;
        for (QPScheduleException& exception : s.exceptions)
            CalculateExceptionOverlapForward(start, exception, s);
        LDateTime finish = s.GetWorkFinish(start, work, p, true);
        LDateTime low = start;
        for (int round = 0; round < kMaxExceptionRounds; ++round) {
            int64_t extra = 0;
            if (!ApplyGeneralExceptions(low, finish, extra, s))
                break;
            low = finish;
            finish = s.GetWorkFinish(finish, extra, p, true);
        }
        return std::max<int64_t>(0, finish - start);
    }
    const LDateTime finish = moment;
    for (QPScheduleException& exception : s.exceptions)
        CalculateExceptionOverlapReverse(finish, exception, s);
    LDateTime start = s.GetWorkStart(finish, work, p);
    LDateTime high = finish;
    for (int round = 0; round < kMaxExceptionRounds; ++round) {
        int64_t extra = 0;
        if (!ApplyGeneralExceptions(start, high, extra, s))
            break;
        high = start;
        start = s.GetWorkStart(start, extra, p);
    }
    return std::max<int64_t>(0, finish - start);
}

namespace {

// The combined work of every schedule of the task between two moments, each scaled by the
// share of it the task draws on.
int64_t CombinedWork(const std::vector<QPSchedule*>& schedules, LDateTime from, LDateTime to)
{
    int64_t work = 0;
    for (const QPSchedule* schedule : schedules)
        work += schedule->GetWorkSecondsInRange(from, to, true) * schedule->assignedPercent / 100;
    return work;
}

// Whether the task's own schedules have any working time. When the resources' schedules
// have none, the weekly table came from the default schedule; the last day's work cannot
// be placed on the resources' schedules then, and it ends where the table put it.
bool AnyWork(const std::vector<QPSchedule*>& schedules)
{
    for (const QPSchedule* schedule : schedules)
        if (schedule->GetWeeklyWork() > 0 && schedule->assignedPercent > 0)
            return true;
    return false;
}

// Walks forward from c in steps of an hour until `need` is used up; a step that would
// overshoot is refined to half and then a quarter of an hour, and a quarter hour is taken
// whole. With `dayEnd` set the walk stops at the end of c's day.
void StepForward(const std::vector<QPSchedule*>& schedules, LDateTime& c, int64_t& need,
                 int64_t step, const LDateTime* dayEnd)
{
    if (!AnyWork(schedules)) {
        need = 0;
        return;
    }
    int i = 0;
    for (; i < kMaxSteps && need >= 1 && (!dayEnd || c < *dayEnd); ++i) {
        const LDateTime next = c + step;
        const int64_t work = CombinedWork(schedules, c, next);
        if (need >= work) {
            need -= work;
            c = next;
            step = 3600;
        } else if (step > 1800) {
            step = 1800;
        } else if (step > 900) {
            step = 900;
        } else {
            c = next;
            need = 0;
        }
    }
    if (i == kMaxSteps && !dayEnd)
        need = 0; // what is left rounds away in the hour steps: it ends here
}

// The mirror of StepForward: walks backward from c.
void StepBackward(const std::vector<QPSchedule*>& schedules, LDateTime& c, int64_t& need,
                  int64_t step, const LDateTime* dayStart)
{
    if (!AnyWork(schedules)) {
        need = 0;
        return;
    }
    int i = 0;
    for (; i < kMaxSteps && need >= 1 && (!dayStart || c > *dayStart); ++i) {
        const LDateTime next = c - step;
        const int64_t work = CombinedWork(schedules, next, c);
        if (work <= need) {
            need -= work;
            c = next;
            step = 3600;
        } else if (step > 1800) {
            step = 1800;
        } else if (step > 900) {
            step = 900;
        } else {
            c = next;
            need = 0;
        }
    }
    if (i == kMaxSteps && !dayStart)
        need = 0;
}

} // namespace

int64_t QPProject::CalculateTaskDurationForward(QPTask& task, LDateTime start)
{
    FixedWorkSetup setup;
    if (!PrepareFixedWork(*this, task, setup))
        return 0;
    const int64_t total = setup.weeklyTotal;
    const QPSchedule& table = setup.combined;
    int64_t need = task.GetDurationSeconds(options);
    LDateTime c = start;

    for (QPResource* resource : setup.resources)
        if (QPSchedule* schedule = ScheduleOf(setup, *resource))
            for (QPScheduleException& exception : resource->exceptions)
                CalculateExceptionOverlapForward(start, exception, *schedule);
    for (QPSchedule& schedule : schedules)
        for (QPScheduleException& exception : schedule.exceptions)
            CalculateExceptionOverlapForward(start, exception, schedule);

    auto applyExceptions = [&](LDateTime from, LDateTime to, QPSchedule& resourceSchedule,
                               bool resourcesFirst) {
        bool added = false;
        auto resourcesPart = [&] {
            for (std::size_t i = 0; i < setup.resources.size(); ++i) {
                QPSchedule* schedule = &resourceSchedule;
                if (setup.schedules.size() > 1)
                    schedule = ScheduleOf(setup, *setup.resources[i]);
                added |= ApplyResourceExceptions(from, to, need, *setup.resources[i], *schedule,
                                                 task.resourceAssignments[i].percent);
            }
        };
        auto generalPart = [&] {
            if (setup.schedules.size() == 1) {
                added |= ApplyGeneralExceptions(from, to, need, resourceSchedule);
            } else {
                for (QPSchedule* schedule : setup.schedules)
                    added |= ApplyGeneralExceptions(from, to, need, *schedule);
            }
        };
        if (resourcesFirst) {
            resourcesPart();
            generalPart();
        } else {
            generalPart();
            resourcesPart();
        }
        return added;
    };

    if (setup.schedules.size() == 1) {
        QPSchedule& s = *setup.schedules.front();
        const int32_t p = s.assignedPercent;
        if (TimeOfDay(start) != 0) {
            const LDateTime m = NextMidnight(start);
            const int64_t w = s.GetWorkSecondsInRange(start, m, true) * p / 100;
            if (w < need) {
                need -= w;
                c = m;
            } else {
                c = s.GetWorkFinish(start, need, p, true);
                need = 0;
            }
        }
        bool skipped = false;
        for (int round = 0; need > 0 && round < kMaxExceptionRounds; ++round) {
            if (total < need) {
                const int64_t weeks = (need - 1) / total;
                c = AddDays(c, 7 * weeks);
                need -= weeks * total;
                skipped = true;
                continue;
            }
            const int64_t w = table.shiftDuration[Weekday(c)];
            if (w < need) {
                c = AddDays(c, 1);
                need -= w;
                skipped = true;
                continue;
            }
            c = s.GetWorkFinish(c, need, p, !skipped);
            need = 0;
            applyExceptions(start, c, s, false);
        }
        return std::max<int64_t>(0, c - start);
    }

    // Several schedules.
    if (TimeOfDay(start) != 0) {
        QPSchedule& first = *setup.schedules.front();
        applyExceptions(start, c, first, false);
        const LDateTime dayEnd = NextMidnight(c);
        StepForward(setup.schedules, c, need, 3600 - TimeOfDay(c) % 3600, &dayEnd);
    }
    for (int round = 0; need > 0 && round < kMaxExceptionRounds; ++round) {
        if (total < need) {
            const int64_t weeks = (need - 1) / total;
            c = AddDays(c, 7 * weeks);
            need -= weeks * total;
            continue;
        }
        const int64_t w = table.shiftDuration[Weekday(c)];
        if (w < need) {
            c = AddDays(c, 1);
            need -= w;
            continue;
        }
        if (applyExceptions(start, c, *setup.schedules.front(), true))
            continue;
        StepForward(setup.schedules, c, need, 3600, nullptr);
    }
    return std::max<int64_t>(0, c - start);
}

int64_t QPProject::CalculateTaskDurationReverse(QPTask& task, LDateTime finish)
{
    FixedWorkSetup setup;
    if (!PrepareFixedWork(*this, task, setup))
        return 0;
    const int64_t total = setup.weeklyTotal;
    const QPSchedule& table = setup.combined;
    int64_t need = task.GetDurationSeconds(options);
    LDateTime c = finish;

    for (QPResource* resource : setup.resources)
        if (QPSchedule* schedule = ScheduleOf(setup, *resource))
            for (QPScheduleException& exception : resource->exceptions)
                CalculateExceptionOverlapReverse(finish, exception, *schedule);
    for (QPSchedule& schedule : schedules)
        for (QPScheduleException& exception : schedule.exceptions)
            CalculateExceptionOverlapReverse(finish, exception, schedule);

    auto resourceSchedule = [&](std::size_t i) -> QPSchedule& {
        if (setup.schedules.size() == 1)
            return *setup.schedules.front();
        return *ScheduleOf(setup, *setup.resources[i]);
    };

    if (setup.schedules.size() == 1) {
        QPSchedule& s = *setup.schedules.front();
        const int32_t p = s.assignedPercent;
        const LDateTime m = TimeOfDay(finish) == 0 ? AddDays(finish, -1) : Midnight(finish);
        const int64_t w = s.GetWorkSecondsInRange(m, finish, false) * p / 100;
        if (w >= need)
            return std::max<int64_t>(0, finish - s.GetWorkStart(finish, need, p));
        need -= w;
        c = m;
        for (int round = 0; round < kMaxExceptionRounds; ++round) {
            if (need >= 1 && need > total) {
                const int64_t weeks = (need - 1) / total;
                c = AddDays(c, -7 * weeks);
                need -= weeks * total;
            }
            if (need < 1)
                return std::max<int64_t>(0, finish - c);
            const int64_t w = table.shiftDuration[Weekday(c - 1)];
            if (w < need) {
                c = AddDays(c, -1);
                need -= w;
                continue;
            }
            const LDateTime dayBefore = AddDays(c, -1);
            ApplyGeneralExceptions(dayBefore, finish, need, s);
            for (std::size_t i = 0; i < setup.resources.size(); ++i)
                ApplyResourceExceptions(dayBefore, finish, need, *setup.resources[i], s,
                                        task.resourceAssignments[i].percent);
            if (need <= w)
                break;
        }
        c = s.GetWorkStart(c, need, p);
        return std::max<int64_t>(0, finish - c);
    }

    // Several schedules.
    if (TimeOfDay(finish) != 0) {
        for (QPSchedule* schedule : setup.schedules)
            ApplyGeneralExceptions(c, finish, need, *schedule);
        for (std::size_t i = 0; i < setup.resources.size(); ++i)
            ApplyResourceExceptions(c, finish, need, *setup.resources[i], resourceSchedule(i),
                                    task.resourceAssignments[i].percent);
        const LDateTime dayStart = Midnight(c);
        const int64_t into = TimeOfDay(c) % 3600;
        StepBackward(setup.schedules, c, need, into == 0 ? 3600 : into, &dayStart);
    }
    for (int round = 0; need > 0 && round < kMaxExceptionRounds; ++round) {
        if (total < need) {
            const int64_t weeks = (need - 1) / total;
            need -= weeks * total;
            c = AddDays(c, -7 * weeks);
            continue;
        }
        const int64_t w = table.shiftDuration[Weekday(c - 1)];
        if (w < need) {
            need -= w;
            c = AddDays(c, -1);
            continue;
        }
        const LDateTime dayBefore = AddDays(c, -1);
        for (std::size_t i = 0; i < setup.resources.size(); ++i)
            ApplyResourceExceptions(dayBefore, finish, need, *setup.resources[i],
                                    resourceSchedule(i), task.resourceAssignments[i].percent);
        for (QPSchedule* schedule : setup.schedules)
            ApplyGeneralExceptions(dayBefore, finish, need, *schedule);
        if (need <= w)
            StepBackward(setup.schedules, c, need, 3600, nullptr);
    }
    return std::max<int64_t>(0, finish - c);
}

void QPProject::CalculateResourceAssignmentPercent(QPTask& task)
{
    if (!(task.start < task.finish))
        return;
    QPSchedule* taskSchedule = nullptr;
    if (task.taskType == eTaskTypeFixedDuration) {
        taskSchedule = GetTaskSchedule(task);
        if (!taskSchedule)
            return;
    }
    const bool oneDay = Anchor(task.finish - 1) == Anchor(task.start);
    const int firstWeekday = Weekday(task.start);
    const int lastWeekday = Weekday(task.finish);
    const int64_t startTime = TimeOfDay(task.start);
    const int64_t finishTime = TimeOfDay(task.finish);
    // Each assignment's shares are stored through UpdateResourceAssignment, which changes the
    // first assignment of the resource; iterate over a copy of the list.
    const std::vector<QPResourceAssignment> assignments = task.resourceAssignments;
    for (const QPResourceAssignment& assignment : assignments) {
        const QPResource* resource = resources.GetElementByKey(assignment.resourceKey);
        const QPSchedule* calendar = taskSchedule;
        if (!calendar && resource)
            calendar = schedules.GetElementByKey(resource->scheduleKey);
        if (!resource || !calendar) {
            task.UpdateResourceAssignment(assignment.resourceKey, assignment.resourceKey, 100, 100);
            continue;
        }
        int64_t first = 0;
        {
            const int64_t w = calendar->shiftDuration[firstWeekday];
            int64_t s = calendar->shiftStart[firstWeekday].Get();
            int64_t e = s + w;
            if (!(w < 1 || e <= startTime)) {
                s = std::max(s, startTime);
                if (oneDay && task.finish < task.start + w)
                    e = finishTime;
                if (e <= s) {
                    task.UpdateResourceAssignment(assignment.resourceKey, assignment.resourceKey,
                                                  100, 100);
                    continue;
                }
                first = (e - s) * 100 / w;
            }
        }
        int64_t last = first;
        if (!oneDay) {
            const int64_t w = calendar->shiftDuration[lastWeekday];
            const int64_t s = calendar->shiftStart[lastWeekday].Get();
            if (w < 1 || finishTime <= s) {
                last = 0;
            } else {
                const int64_t e = std::min(s + w, finishTime);
                last = (e - s) * 100 / w;
            }
        }
        task.UpdateResourceAssignment(assignment.resourceKey, assignment.resourceKey,
                                      static_cast<int32_t>(first), static_cast<int32_t>(last));
    }
}
