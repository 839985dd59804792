// Leveling: tasks that lift a resource above 100% on some day are moved later, first
// within their free slack, then within their total slack, and last beyond the project
// finish, to the earliest start at which their resources have room. Leveling only delays:
// a task never starts before it did when leveling took it up.

#include "engine/LLocalDays.h"
#include "model/QPProject.h"

#include <algorithm>

using namespace LLocalDays;

namespace {

// The busy part of a day is taken to come first, and leveled starts fall on quarter hours.
constexpr int64_t kQuarterHour = 900;

// A bound on restarts of the availability search; each restart moves the candidate to a
// later day, so this is only reached on windows thousands of years wide.
constexpr int kMaxSearchRounds = 1'000'000;

} // namespace

void QPProject::AddTaskToHistogram(QPTask& task)
{
    CalculateResourceAssignmentPercent(task);
    histogram.AddAssignments(task);
}

bool QPProject::FindResourceAvailability(LDateTime from, LDateTime to, QPTask& task,
                                         LDateTime& startOut)
{
    auto fwd = [&](LDateTime t) { return CalculateTaskDuration(task, false, t); };
    const LDateTime latestStart = to - CalculateTaskDuration(task, true, to);
    if (latestStart < from)
        return false;
    const LDateTime latestDay = Anchor(latestStart);

    // The schedule of an assignment's resource, or none.
    auto scheduleOf = [&](const QPResourceAssignment& assignment) -> const QPSchedule* {
        const QPResource* resource = resources.GetElementByKey(assignment.resourceKey);
        return resource ? schedules.GetElementByKey(resource->scheduleKey) : nullptr;
    };

    LDateTime candidate = from;
    for (int round = 0; round < kMaxSearchRounds; ++round) {
        if (latestStart < candidate)
            return false;
        // The first day from the candidate's on which every resource has room.
        LDateTime day = Anchor(candidate);
        int32_t maxLevel = -1;
        int64_t maxResource = -1;
        for (; day <= latestDay; day = Anchor(AddDays(day, 1))) {
            maxLevel = -1;
            bool room = true;
            for (const QPResourceAssignment& assignment : task.resourceAssignments) {
                const int32_t level = histogram.GetCommitmentLevel(day, assignment.resourceKey);
                if (level > 99) {
                    room = false;
                    break;
                }
                if (level > maxLevel) {
                    maxLevel = level;
                    maxResource = assignment.resourceKey;
                }
            }
            if (room)
                break;
        }
        if (day > latestDay)
            return false;
        candidate = Midnight(day);
        const int weekday = Weekday(day);

        int64_t firstShare = 100;
        if (maxLevel < 1) {
            // The day is free for all of the task's resources.
            if (candidate < from) {
                candidate = from;
                const int64_t t = TimeOfDay(from);
                for (const QPResourceAssignment& assignment : task.resourceAssignments) {
                    const QPSchedule* schedule = scheduleOf(assignment);
                    if (!schedule)
                        return false;
                    const int64_t w = schedule->shiftDuration[weekday];
                    const int64_t s = schedule->shiftStart[weekday].Get();
                    if (s < t)
                        firstShare = std::min(firstShare, w == 0 ? 100 : (w + s - t) * 100 / w);
                }
            }
        } else {
            // Start after the part of the shift that is already taken.
            const QPResource* resource = resources.GetElementByKey(maxResource);
            const QPSchedule* schedule =
                    resource ? schedules.GetElementByKey(resource->scheduleKey) : nullptr;
            if (!schedule)
                return false;
            const int64_t w = schedule->shiftDuration[weekday];
            const int64_t s = schedule->shiftStart[weekday].Get();
            int64_t t = s + w * maxLevel / 100;
            if (t % kQuarterHour != 0)
                t += kQuarterHour - t % kQuarterHour;
            int64_t remaining = w + s - t;
            candidate = WithTimeOfDay(day, t);
            if (candidate < from) {
                remaining -= from - candidate;
                candidate = from;
            }
            if (Anchor(to) == day) {
                if (candidate + fwd(candidate) <= to) {
                    startOut = candidate;
                    return true;
                }
                return false;
            }
            firstShare = w == 0 ? 0 : remaining * 100 / w;
        }

        const LDateTime end = candidate + fwd(candidate);
        const LDateTime endDay = Anchor(end);
        if (endDay == day) {
            startOut = candidate;
            return true;
        }
        // Every day up to the last must have room for the task's share of it.
        bool restart = false;
        for (LDateTime e = day; e < endDay && !restart; e = Anchor(AddDays(e, 1))) {
            const int64_t share = e == day ? firstShare : 100;
            for (const QPResourceAssignment& assignment : task.resourceAssignments) {
                if (histogram.GetCommitmentLevel(e, assignment.resourceKey) +
                            share * assignment.percent / 100 >
                    100) {
                    // The first day was chosen to have room; should it not, go on from the
                    // next one rather than search the same day again.
                    candidate = e == day ? Anchor(AddDays(e, 1)) : e;
                    restart = true;
                    break;
                }
            }
        }
        if (restart)
            continue;
        // The last day: the share of its shift the task uses until it ends.
        int64_t lastShare = 100;
        const int endWeekday = Weekday(end);
        const int64_t endTime = TimeOfDay(end);
        for (const QPResourceAssignment& assignment : task.resourceAssignments) {
            const QPSchedule* schedule = scheduleOf(assignment);
            if (!schedule)
                return false;
            const int64_t w = schedule->shiftDuration[endWeekday];
            const int64_t s = schedule->shiftStart[endWeekday].Get();
            if (s < endTime && endTime < s + w)
                lastShare = std::min(lastShare, (endTime - s) * 100 / w);
        }
        for (const QPResourceAssignment& assignment : task.resourceAssignments) {
            if (histogram.GetCommitmentLevel(endDay, assignment.resourceKey) +
                        lastShare * assignment.percent / 100 >
                100) {
                candidate = end;
                restart = true;
                break;
            }
        }
        if (restart)
            continue;
        startOut = candidate;
        return true;
    }
    return false;
}

void QPProject::ResolveResourceConflicts()
{
    std::vector<QPTask*> work;
    for (QPTask& task : tasks) {
        if (task.resourceConflict) {
            work.push_back(&task);
            histogram.RemoveAssignments(task);
        }
    }
    // The list grows while it is walked: successors that a move makes conflicted join it.
    for (std::size_t i = 0; i < work.size(); ++i) {
        QPTask& task = *work[i];
        if (!task.resourceConflict)
            continue;
        auto fwd = [&](LDateTime t) { return CalculateTaskDuration(task, false, t); };
        auto bwd = [&](LDateTime t) { return CalculateTaskDuration(task, true, t); };
        // Leveling delays; it never moves a task before the start it has now, whatever a
        // negative slack would allow.
        const LDateTime earliest = task.start;

        LDateTime found;
        int window = 1;
        LDateTime to = task.finish + task.freeSlack;
        bool placed = FindResourceAvailability(task.start, to, task, found);
        if (!placed) {
            window = 2;
            const LDateTime e = to + 86400;
            const LDateTime from = std::max(e - bwd(e), earliest);
            to = task.finish + task.totalSlack;
            placed = FindResourceAvailability(from, to, task, found);
        }
        if (!placed) {
            window = 3;
            task.finish = task.start;
            CalculateEndDateByTasks();
            const LDateTime e = to + 86400;
            const LDateTime from = std::max(e - bwd(e), earliest);
            to = projectFinish + fwd(projectFinish) + 86400;
            placed = FindResourceAvailability(from, to, task, found);
        }
        if (!placed) {
            // It fits nowhere: it keeps its start, stays flagged and out of the histogram.
            task.finish = task.start + fwd(task.start);
            continue;
        }
        task.start = found;
        task.finish = found + fwd(found);
        if (window == 3) {
            if (task.finish > projectFinish)
                projectFinish = task.finish;
            PushSuccessorTasks(task, &work);
            CalculateAllSlack();
        } else {
            PushSuccessorTasks(task, &work);
        }
        AddTaskToHistogram(task);
        task.resourceConflict = false;
    }
}
