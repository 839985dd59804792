// Leveling: tasks that lift a resource above 100% on some day are moved later, first
// within their free slack, then within their total slack, and last beyond the project
// finish, to the earliest start at which their resources have room. Leveling only delays:
// a task never starts before it did when leveling took it up.
//
// A resource's level on a day is the part of that day's working time its tasks use. A
// start is accepted only when booking the task there keeps every one of its resources at
// or below 100% on every day it works, and every task a move pushes later is booked and
// checked in the same way, however far down the links it lies. Tasks that keep their
// place whatever happens (scheduled by hand, fixed to a date, or held by a dependency
// loop) stay booked where they are, and the others level around them.

#include "engine/LLocalDays.h"
#include "engine/QPEngineState.h"
#include "model/QPProject.h"

#include <algorithm>

using namespace LLocalDays;

namespace {

// The busy part of a day is taken to come first, and leveled starts fall on quarter hours.
constexpr int64_t kQuarterHour = 900;

// A bound on restarts of the availability search; each restart moves the candidate later,
// so this is only reached on windows thousands of years wide.
constexpr int kMaxSearchRounds = 1'000'000;

// The next quarter hour after `t` on its day's clock.
LDateTime NextQuarterHour(LDateTime t)
{
    const int64_t time = TimeOfDay(t);
    return WithTimeOfDay(t, (time / kQuarterHour + 1) * kQuarterHour);
}

} // namespace

void QPProject::BookTask(QPTask& task)
{
    QPEngineScope scope(*this);
    QPEngineCalendars& calendars = scope.State().calendars;
    std::vector<QPResourceHistogram::Booking> bookings;
    // A header does no work of its own, whatever resources an older file left on it.
    if (!task.isHeader && task.start < task.finish) {
        std::vector<QPDayWork> days;
        for (const QPResourceAssignment& assignment : task.resourceAssignments) {
            const QPResource* resource = resources.GetElementByKey(assignment.resourceKey);
            const QPWorkCalendar* calendar =
                    resource ? calendars.AssignmentCalendar(task, *resource) : nullptr;
            if (!calendar)
                continue;
            days.clear();
            QPAppendDayWork(*calendar, task.start, task.finish, days);
            for (const QPDayWork& day : days)
                if (const int32_t level = day.Share() * assignment.percent / 100; level > 0)
                    bookings.push_back({assignment.resourceKey, day.day, level});
        }
    }
    histogram.Book(task, std::move(bookings));
}

void QPProject::AddTaskToHistogram(QPTask& task)
{
    CalculateResourceAssignmentPercent(task);
    BookTask(task);
}

bool QPProject::FitsAt(QPTask& task, LDateTime start, LDateTime finish, int64_t& conflictDay)
{
    QPEngineCalendars& calendars = engine_->calendars;
    conflictDay = -1;
    std::vector<QPDayWork> days;
    for (const QPResourceAssignment& assignment : task.resourceAssignments) {
        const QPResource* resource = resources.GetElementByKey(assignment.resourceKey);
        const QPWorkCalendar* calendar =
                resource ? calendars.AssignmentCalendar(task, *resource) : nullptr;
        if (!calendar)
            continue;
        days.clear();
        QPAppendDayWork(*calendar, start, finish, days);
        for (const QPDayWork& day : days) {
            if (conflictDay != -1 && day.day >= conflictDay)
                break;
            const int32_t level = day.Share() * assignment.percent / 100;
            if (histogram.Level(assignment.resourceKey, day.day) + level > 100) {
                conflictDay = day.day;
                break;
            }
        }
    }
    return conflictDay == -1;
}

bool QPProject::FindResourceAvailability(LDateTime from, LDateTime to, QPTask& task,
                                         LDateTime& startOut)
{
    QPEngineScope scope(*this);
    QPEngineCalendars& calendars = scope.State().calendars;
    const LDateTime latestStart = to - CalculateTaskDuration(task, true, to);
    if (latestStart < from)
        return false;

    // The resources that book anything, with the schedule their day is measured on.
    struct Worker {
        int64_t key;
        const QPSchedule* schedule;
    };
    std::vector<Worker> workers;
    for (const QPResourceAssignment& assignment : task.resourceAssignments) {
        const QPResource* resource = resources.GetElementByKey(assignment.resourceKey);
        const QPWorkCalendar* calendar =
                resource ? calendars.AssignmentCalendar(task, *resource) : nullptr;
        if (calendar && assignment.percent > 0)
            workers.push_back({assignment.resourceKey, &calendar->Schedule()});
    }
    if (workers.empty()) {
        startOut = from;
        return true;
    }

    const int64_t lastDay = DayNumber(latestStart);
    LDateTime candidate = from;
    for (int round = 0; round < kMaxSearchRounds; ++round) {
        if (latestStart < candidate)
            return false;
        // The first day from the candidate's on which every resource has room.
        int64_t day = DayNumber(candidate);
        for (; day <= lastDay; ++day)
            if (std::all_of(workers.begin(), workers.end(),
                            [&](const Worker& w) { return histogram.Level(w.key, day) <= 99; }))
                break;
        if (day > lastDay)
            return false;
        const LDateTime anchor = AnchorOfDay(day);
        LDateTime start = std::max(candidate, Midnight(anchor));
        // Where resources are partly busy, the busy part is taken to come first: start after
        // the latest of those parts, on a quarter hour.
        const int weekday = Weekday(anchor);
        for (const Worker& worker : workers) {
            const int64_t level = histogram.Level(worker.key, day);
            if (level < 1)
                continue;
            const int64_t w = worker.schedule->shiftDuration[weekday];
            int64_t t = worker.schedule->shiftStart[weekday].Get() + w * level / 100;
            if (t % kQuarterHour != 0)
                t += kQuarterHour - t % kQuarterHour;
            start = std::max(start, WithTimeOfDay(anchor, t));
        }
        // The window bounds the day the task starts on; a start later on that day still
        // counts, unless the window ends that very day and the task would end after it.
        if (DayNumber(start) > lastDay)
            return false;
        const LDateTime finish = FinishFrom(task, start);
        if (DayNumber(to) == day && finish > to)
            return false;
        int64_t conflictDay = -1;
        if (FitsAt(task, start, finish, conflictDay)) {
            startOut = start;
            return true;
        }
        // Full on its first day: later that day, a quarter hour at a time; full on a later
        // day: from that day on.
        if (conflictDay <= DayNumber(start))
            candidate = std::min(NextQuarterHour(start), NextMidnight(start));
        else
            candidate = Midnight(AnchorOfDay(conflictDay));
        if (!(candidate > start))
            candidate = start + kQuarterHour;
    }
    return false;
}

LDateTime QPProject::TotalSlackLimit(const QPTask& task)
{
    // The room fixed tasks leave stays where it was; the room the project finish leaves
    // grows with it, each time a task is leveled beyond it.
    const QPEngineState& state = *engine_;
    const int32_t i = state.graph.IndexOf(task);
    if (i < 0 || std::size_t(i) >= state.slack.size())
        return task.finish + task.totalSlack;
    const QPEngineState::Slack& slack = state.slack[std::size_t(i)];
    int64_t room = slack.fixed;
    if (slack.chain != QPEngineState::kNoChain)
        room = std::min(room, projectFinish.Get() - slack.chain);
    return LDateTime(slack.finish + room);
}

void QPProject::ResolveResourceConflicts()
{
    QPEngineScope scope(*this);
    std::vector<QPTask*> work;
    for (QPTask& task : tasks) {
        if (task.resourceConflict && !task.isHeader && !IsFixedInPlace(task)) {
            work.push_back(&task);
            histogram.RemoveAssignments(task);
        }
    }
    // The list grows while it is walked: tasks that a move pushes into a conflict join it.
    // A task joins again each time a push over-commits it after it was leveled; past a
    // generous bound it is left flagged instead, so leveling always ends.
    const std::size_t bound = 20 * tasks.size() + 1000;
    for (std::size_t i = 0; i < work.size(); ++i) {
        QPTask& task = *work[i];
        if (!task.resourceConflict || i >= bound)
            continue;
        auto bwd = [&](LDateTime t) { return t - CalculateTaskDuration(task, true, t); };
        const LDateTime earliest = task.start;

        LDateTime found;
        int window = 1;
        LDateTime to = task.finish + task.freeSlack;
        bool placed = FindResourceAvailability(task.start, to, task, found);
        if (!placed) {
            window = 2;
            const LDateTime from = std::max(bwd(to + 86400), earliest);
            to = TotalSlackLimit(task);
            placed = FindResourceAvailability(from, to, task, found);
        }
        if (!placed) {
            window = 3;
            task.finish = task.start;
            CalculateEndDateByTasks();
            const LDateTime from = std::max(bwd(to + 86400), earliest);
            to = projectFinish + CalculateTaskDuration(task, false, projectFinish) + 86400;
            placed = FindResourceAvailability(from, to, task, found);
        }
        if (!placed) {
            // It fits nowhere: it keeps its start, stays flagged and out of the histogram.
            task.finish = FinishFrom(task, task.start);
            if (window == 3)
                CalculateEndDateByTasks();
            continue;
        }
        task.start = found;
        task.finish = FinishFrom(task, found);
        if (window == 3 && task.finish > projectFinish)
            projectFinish = task.finish;
        // Booked before anything is pushed, so the tasks it pushes are checked against it.
        AddTaskToHistogram(task);
        task.resourceConflict = false;
        Propagate({scope.State().graph.IndexOf(task)}, &work);
    }
    // Tasks that keep their place are conflicts only where they still over-commit.
    for (QPTask& task : tasks)
        if (IsFixedInPlace(task) || task.isHeader)
            task.resourceConflict = histogram.IsTaskConflicted(task);
}
