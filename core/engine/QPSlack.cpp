// Slack: how far a task can move later before it disturbs a successor (free slack) or the
// project finish or a fixed-start successor (total slack), each with the successor that
// limits it. Following the total-slack links from task to task gives the critical chain.

#include "model/QPProject.h"

#include <algorithm>
#include <climits>

namespace {

constexpr int64_t kConstraintDay = 86400;

const QPTaskDependency* FirstDependencyOn(const QPTask& successor, int64_t predecessorKey)
{
    for (const QPTaskDependency& dependency : successor.dependencies)
        if (dependency.predecessorKey == predecessorKey)
            return &dependency;
    return nullptr;
}

const QPTaskDependency* LastDependencyOn(const QPTask& successor, int64_t predecessorKey)
{
    const QPTaskDependency* last = nullptr;
    for (const QPTaskDependency& dependency : successor.dependencies)
        if (dependency.predecessorKey == predecessorKey)
            last = &dependency;
    return last;
}

// Slack is kept in 32 bits with the task; beyond that (over 68 years) it is held at the
// limit.
int32_t Stored(int64_t seconds)
{
    return static_cast<int32_t>(std::clamp<int64_t>(seconds, INT32_MIN, INT32_MAX));
}

} // namespace

int64_t QPProject::CalculateSlack(QPTask& p, QPTask& s)
{
    const QPTaskDependency* dependency = FirstDependencyOn(s, p.key);
    if (!dependency)
        return 0;
    const int64_t g = dependency->GetLagSeconds();
    switch (dependency->type) {
    case eFinishToStart: {
        if (s.start <= p.finish + g)
            return 0;
        // How far p's start can move so that p, counted back on its calendars from the
        // latest finish, still ends by it.
        const LDateTime latestFinish = s.start - g;
        return latestFinish - CalculateTaskDuration(p, true, latestFinish) - p.start;
    }
    case eFinishToFinish: {
        if (p.finish + g >= s.finish)
            return 0;
        const LDateTime latestFinish = s.finish - g;
        return latestFinish - CalculateTaskDuration(p, true, latestFinish) - p.start;
    }
    case eStartToStart:
        return std::max<int64_t>(0, s.start - (p.start + g));
    case eStartToFinish:
        return std::max<int64_t>(0, s.finish - (p.start + g));
    default:
        return 0;
    }
}

void QPProject::CalculateTaskSlack(QPTask& task)
{
    const LDateTime ownLimit = task.constraintDate - kConstraintDay;
    if (task.constraintType == eConstraintFinishOn ||
        (task.constraintType == eConstraintFinishBefore && !(task.finish < ownLimit))) {
        // The task's own fixed finish limits it, not a successor. (Keeping the link of an
        // earlier calculation here would carry stale links from one recalculation into
        // the next and make its results depend on the one before.)
        task.freeSlack = 0;
        task.freeSlackSuccessorID = -1;
        return;
    }
    LDateTime finishLimit =
            task.constraintType == eConstraintFinishBefore ? ownLimit : projectFinish;
    LDateTime startLimit = projectFinish;
    int32_t finishLink = -1;
    int32_t startLink = -1;
    bool startLowered = false;
    for (int32_t id : task.successorIDs) {
        const QPTask* successor = tasks.GetElement(id);
        if (!successor)
            continue;
        const QPTaskDependency* dependency = FirstDependencyOn(*successor, task.key);
        if (!dependency)
            continue;
        const int64_t g = dependency->GetLagSeconds();
        switch (dependency->type) {
        case eFinishToStart:
        case eFinishToFinish: {
            const LDateTime x =
                    (dependency->type == eFinishToStart ? successor->start : successor->finish) - g;
            if (x < finishLimit) {
                finishLimit = x;
                finishLink = successor->id;
            }
            break;
        }
        case eStartToStart:
        case eStartToFinish: {
            const LDateTime x =
                    (dependency->type == eStartToStart ? successor->start : successor->finish) - g;
            if (x < startLimit) {
                startLimit = x;
                startLink = successor->id;
                startLowered = true;
            }
            break;
        }
        default:
            break;
        }
    }
    task.freeSlackSuccessorID = finishLink;
    if (startLowered) {
        // The finish the task would have if it started at its latest start.
        const LDateTime f = startLimit + CalculateTaskDuration(task, false, startLimit);
        if (f < finishLimit) {
            finishLimit = f;
            task.freeSlackSuccessorID = startLink;
        }
    }
    task.freeSlack = Stored(std::max<int64_t>(0, finishLimit - task.finish));
}

void QPProject::CalculateTotalSlack(QPTask& root)
{
    // Depth first over the successors with an explicit stack (a chain of thousands of
    // tasks must not exhaust the thread's stack). A task is marked when its computation
    // begins, so a loop read from a file ends: a task met again while its own computation
    // is under way contributes what it has then (0, no link).
    struct Frame {
        QPTask* task;
        std::size_t next;
        int64_t room;
        int32_t link;
    };
    auto begin = [&](QPTask& task, std::vector<Frame>& stack) {
        if (task.discovered)
            return;
        task.discovered = true;
        task.totalSlackSuccessorID = -1;
        task.totalSlack = 0;
        if (task.constraintType == eConstraintFinishOn)
            return;
        stack.push_back({&task, 0, projectFinish - task.finish, -1});
    };
    std::vector<Frame> stack;
    begin(root, stack);
    while (!stack.empty()) {
        Frame& frame = stack.back();
        QPTask& task = *frame.task;
        if (frame.next < task.successorIDs.size()) {
            QPTask* successor = tasks.GetElement(task.successorIDs[frame.next]);
            if (!successor) {
                ++frame.next;
                continue;
            }
            if (!successor->discovered) {
                // Its own slack first; this frame resumes afterwards with the same successor.
                begin(*successor, stack);
                continue;
            }
            ++frame.next;
            const QPTaskDependency* last = LastDependencyOn(*successor, task.key);
            const int64_t g = last ? last->GetLagSeconds() : 0;
            if (successor->constraintType == eConstraintStartOn ||
                successor->constraintType == eConstraintStartBefore) {
                // The room left before the successor's fixed start.
                const LDateTime d = successor->constraintType == eConstraintStartOn
                                            ? successor->constraintDate
                                            : successor->constraintDate - kConstraintDay;
                const int64_t v = (d - g) - CalculateTaskDuration(task, true, d) - task.start;
                if (v < frame.room) {
                    frame.room = v;
                    frame.link = successor->id;
                }
            } else if (successor->totalSlack < frame.room) {
                frame.room = successor->totalSlack;
                frame.link = successor->id;
            }
            continue;
        }

        // All successors are done.
        const int64_t room = frame.room;
        const int32_t link = frame.link;
        stack.pop_back();
        QPTask* limiting = link != -1 ? tasks.GetElement(link) : nullptr;
        task.totalSlackSuccessorID = link;
        if (task.constraintType != eConstraintFinishBefore) {
            task.totalSlack = Stored(limiting ? room + CalculateSlack(task, *limiting) : room);
        } else {
            // Its own limit: how much later the task could start and still finish by it;
            // negative when it already ends after it.
            const LDateTime limit = task.constraintDate - kConstraintDay;
            const int64_t own = (limit - CalculateTaskDuration(task, true, limit)) - task.start;
            if (link == -1) {
                task.totalSlack = Stored(own);
            } else if (limiting) {
                const int64_t viaLink = room + CalculateSlack(task, *limiting);
                task.totalSlack = Stored(own < viaLink ? own : viaLink);
            } else {
                task.totalSlack = 0;
            }
        }
        CalculateTaskSlack(task);
    }
}

void QPProject::CalculateAllTotalSlack()
{
    ClearTaskDiscoveryData();
    for (QPTask& task : tasks)
        CalculateTotalSlack(task);
}

void QPProject::CalculateAllSlack()
{
    ClearTaskDiscoveryData();
    for (QPTask& task : tasks)
        CalculateTaskSlack(task);
    CalculateAllTotalSlack();
}
