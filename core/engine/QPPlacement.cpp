// Placing tasks in time: the bounds that predecessors set through their links, the
// constraint rules, moving tasks later when a link broke after a predecessor moved, As
// Late As Possible moves and the start that views display.
//
// Every move keeps every link: a task is placed from the bounds of all its predecessors
// at once (its own and the Finish-to-Start and Start-to-Start links of its header), never
// from the one that moved. Only a fixed date of its own may break a link, and its total
// slack then shows by how much.

#include "engine/LLocalDays.h"
#include "engine/QPEngineState.h"
#include "model/QPProject.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <queue>

using namespace LLocalDays;

namespace {

// Limits derived from a constraint date lie exactly one day of 86400 seconds before or
// after it.
constexpr int64_t kConstraintDay = 86400;

void RaiseTo(LDateTime& value, LDateTime candidate)
{
    if (candidate > value)
        value = candidate;
}

} // namespace

namespace {

// Raises the bounds that the links of `dependencies` set on their task, from the
// predecessors' dates as they are now.
void RaiseBounds(const QPProject& project, const std::vector<QPTaskDependency>& dependencies,
                 LDateTime& earliestStart, LDateTime& earliestFinish, bool& finishBound,
                 bool asHeader)
{
    for (const QPTaskDependency& dependency : dependencies) {
        const QPTask* predecessor = project.tasks.GetElementByKey(dependency.predecessorKey);
        if (!predecessor)
            continue;
        const int64_t lag = dependency.GetLagSeconds();
        switch (dependency.type) {
        case eFinishToStart:
            RaiseTo(earliestStart, predecessor->finish + lag);
            break;
        case eStartToStart:
            RaiseTo(earliestStart, predecessor->start + lag);
            break;
        case eFinishToFinish:
        case eStartToFinish:
            // A header's finish-type links do not bind its subtasks.
            if (!asHeader) {
                const LDateTime bound = (dependency.type == eFinishToFinish ? predecessor->finish
                                                                            : predecessor->start) +
                                        lag;
                if (bound > earliestFinish) {
                    earliestFinish = bound;
                    finishBound = true;
                }
            }
            break;
        default:
            break;
        }
    }
}

} // namespace

bool QPProject::EvaluateDependencies(const std::vector<QPTaskDependency>& dependencies,
                                     LDateTime& earliestStart, LDateTime& earliestFinish,
                                     bool& finishBound, bool asHeader)
{
    for (const QPTaskDependency& dependency : dependencies) {
        QPTask* predecessor = tasks.GetElementByKey(dependency.predecessorKey);
        if (predecessor && !predecessor->scheduled &&
            !(predecessor->isHeader && IsHeaderTaskScheduled(*predecessor)))
            return false;
    }
    RaiseBounds(*this, dependencies, earliestStart, earliestFinish, finishBound, asHeader);
    return true;
}

QPProject::Bounds QPProject::LinkBounds(const QPTask& task)
{
    Bounds bounds{projectStart, LDateTime(), false};
    RaiseBounds(*this, task.dependencies, bounds.earliestStart, bounds.earliestFinish,
                bounds.finishBound, false);
    if (task.headerKey != -1)
        if (const QPTask* header = tasks.GetElementByKey(task.headerKey))
            if (header->isHeader)
                RaiseBounds(*this, header->dependencies, bounds.earliestStart,
                            bounds.earliestFinish, bounds.finishBound, true);
    return bounds;
}

QPProject::Placement QPProject::PlaceByLinks(QPTask& task, LDateTime earliestStart,
                                             LDateTime earliestFinish, bool finishBound)
{
    // From the earliest start, or later so as to end exactly on a finish bound. Where work
    // started at or after the latest start that meets the bound ends in the non-working
    // time before it, the task ends on the bound, so that the link holds and the span
    // still holds just its work.
    const LDateTime start =
            finishBound
                    ? std::max(earliestStart,
                               earliestFinish - CalculateTaskDuration(task, true, earliestFinish))
                    : earliestStart;
    LDateTime finish = start + CalculateTaskDuration(task, false, start);
    if (finishBound && finish < earliestFinish)
        finish = earliestFinish;
    return {start, finish};
}

QPProject::Placement QPProject::PlaceTask(QPTask& task, LDateTime earliestStart,
                                          LDateTime earliestFinish, bool finishBound)
{
    auto fwd = [&](LDateTime t) { return t + CalculateTaskDuration(task, false, t); };
    auto bwd = [&](LDateTime t) { return t - CalculateTaskDuration(task, true, t); };

    auto asSoonAsLinksAllow = [&](LDateTime es, LDateTime ef, bool fb) {
        return PlaceByLinks(task, es, ef, fb);
    };
    // Where the task ends when a date of its own puts its start at `start`.
    auto endFrom = [&](LDateTime start) {
        LDateTime finish = fwd(start);
        if (finishBound && finish < earliestFinish && start >= bwd(earliestFinish))
            finish = earliestFinish;
        return finish;
    };

    const LDateTime constraint = task.constraintDate;
    switch (task.constraintType) {
    case eConstraintStartBefore: {
        LDateTime limit = constraint - kConstraintDay;
        if (limit < projectStart)
            limit = projectStart;
        // Without a finish bound the task starts on its limit, whatever its predecessors.
        if (!finishBound)
            return {limit, fwd(limit)};
        Placement placement = asSoonAsLinksAllow(earliestStart, earliestFinish, true);
        if (placement.start > limit)
            placement = {limit, endFrom(limit)};
        return placement;
    }
    case eConstraintStartAfter:
        return asSoonAsLinksAllow(std::max(earliestStart, constraint + kConstraintDay),
                                  earliestFinish, finishBound);
    case eConstraintFinishBefore: {
        const LDateTime limit = constraint - kConstraintDay;
        Placement placement = asSoonAsLinksAllow(earliestStart, earliestFinish, finishBound);
        if (!(placement.finish < limit))
            placement = {bwd(limit), limit};
        if (placement.start < projectStart)
            placement = {projectStart, endFrom(projectStart)};
        return placement;
    }
    case eConstraintFinishAfter: {
        const LDateTime limit = constraint + kConstraintDay;
        return asSoonAsLinksAllow(earliestStart,
                                  finishBound ? std::max(earliestFinish, limit) : limit, true);
    }
    default:
        // None, As Soon As Possible, As Late As Possible (moved later afterwards), and any
        // value outside the nine kinds.
        return asSoonAsLinksAllow(earliestStart, earliestFinish, finishBound);
    }
}

bool QPProject::ScheduleTask(QPTask& task)
{
    if (task.isHeader)
        return IsHeaderTaskScheduled(task);
    LDateTime es = projectStart;
    LDateTime ef;
    bool fb = false;
    if (!EvaluateDependencies(task.dependencies, es, ef, fb, false))
        return false;
    if (task.headerKey != -1)
        if (QPTask* header = tasks.GetElementByKey(task.headerKey))
            if (!EvaluateDependencies(header->dependencies, es, ef, fb, true))
                return false;
    const Placement placement = PlaceTask(task, es, ef, fb);
    task.start = placement.start;
    task.finish = placement.finish;
    task.scheduled = true;
    return true;
}

LDateTime QPProject::FinishFrom(QPTask& task, LDateTime start)
{
    LDateTime finish = start + CalculateTaskDuration(task, false, start);
    Bounds bounds = LinkBounds(task);
    if (task.constraintType == eConstraintFinishAfter) {
        RaiseTo(bounds.earliestFinish, task.constraintDate + kConstraintDay);
        bounds.finishBound = true;
    }
    if (bounds.finishBound && finish < bounds.earliestFinish &&
        start >= bounds.earliestFinish - CalculateTaskDuration(task, true, bounds.earliestFinish))
        finish = bounds.earliestFinish;
    return finish;
}

bool QPProject::IsFixedInPlace(const QPTask& task) const
{
    if (!task.autoSchedule || task.constraintType == eConstraintStartOn ||
        task.constraintType == eConstraintFinishOn)
        return true;
    if (engine_) {
        const int32_t i = engine_->graph.IndexOf(task);
        return i >= 0 && engine_->unplaced[std::size_t(i)];
    }
    return false;
}

void QPProject::MapTaskSuccessors()
{
    for (QPTask& task : tasks)
        task.successorIDs.clear();
    for (QPTask& task : tasks)
        for (const QPTaskDependency& dependency : task.dependencies)
            if (QPTask* predecessor = tasks.GetElementByKey(dependency.predecessorKey))
                predecessor->successorIDs.push_back(task.id);
}

void QPProject::Propagate(const std::vector<int32_t>& moved, std::vector<QPTask*>* conflicts)
{
    QPEngineGraph& graph = engine_->graph;
    // Tasks are visited in placement order, each after everything it waits for, so each is
    // moved at most once, from the final dates of its predecessors.
    std::priority_queue<std::pair<int32_t, int32_t>, std::vector<std::pair<int32_t, int32_t>>,
                        std::greater<>>
            queue;
    std::vector<char> queued(graph.Size(), 0);
    auto enqueue = [&](int32_t i) {
        const int32_t at = graph.position[std::size_t(i)];
        if (at >= 0 && !queued[std::size_t(i)]) {
            queued[std::size_t(i)] = 1;
            queue.emplace(at, i);
        }
    };
    auto followers = [&](int32_t i) {
        for (const QPEngineLink& link : graph.successors[std::size_t(i)])
            enqueue(link.task);
        if (const int32_t h = graph.headerOf[std::size_t(i)]; h >= 0)
            enqueue(h);
    };
    for (int32_t i : moved)
        followers(i);

    while (!queue.empty()) {
        const int32_t i = queue.top().second;
        queue.pop();
        queued[std::size_t(i)] = 0;
        QPTask& task = graph.Task(i);
        if (task.isHeader) {
            const LDateTime start = task.start;
            const LDateTime finish = task.finish;
            SetHeaderTaskDate(task);
            if (task.start != start || task.finish != finish)
                followers(i);
            continue;
        }
        if (IsFixedInPlace(task))
            continue;
        const Bounds bounds = LinkBounds(task);
        if (!(task.start < bounds.earliestStart) &&
            !(bounds.finishBound && task.finish < bounds.earliestFinish))
            continue;
        // A task only ever moves later here: its own dates are where leveling or an As
        // Late As Possible move put it.
        const LDateTime from = std::max(bounds.earliestStart, task.start);
        Placement placement = PlaceTask(task, from, bounds.earliestFinish, bounds.finishBound);
        if (placement.start < task.start) {
            // Its constraint would pull it back; it already lies beyond its limit, so its
            // links decide.
            placement = PlaceByLinks(task, from, bounds.earliestFinish, bounds.finishBound);
        }
        if (!engine_->late.empty()) {
            // While As Late As Possible tasks move, a task that a finish bound places at the
            // latest start meeting it may start anywhere in the non-working time before
            // that with the same work and finish; starting no later than its own latest
            // start keeps the tasks after it within theirs, and the project finish where
            // it is.
            const LDateTime latest(engine_->late[std::size_t(i)].first);
            if (placement.start > latest && !(latest < from) &&
                engine_->calendars.CrewOf(task).UnitsIn({latest.Get(), placement.start.Get()}) == 0)
                placement.start = latest;
        }
        if (placement.start == task.start && placement.finish == task.finish)
            continue;
        if (conflicts && histogram.IsBooked(task))
            histogram.RemoveAssignments(task);
        task.start = placement.start;
        task.finish = placement.finish;
        if (conflicts) {
            BookTask(task);
            if (histogram.IsTaskConflicted(task)) {
                if (!task.resourceConflict)
                    conflicts->push_back(&task);
                task.resourceConflict = true;
                histogram.RemoveAssignments(task);
            } else {
                task.resourceConflict = false;
            }
        }
        followers(i);
    }
}

void QPProject::PushSuccessorTasks(QPTask& task, std::vector<QPTask*>* conflicts)
{
    QPEngineScope scope(*this);
    const int32_t i = scope.State().graph.IndexOf(task);
    if (i >= 0)
        Propagate({i}, conflicts);
}

void QPProject::CalculateLateDates()
{
    QPEngineState& state = *engine_;
    const QPEngineGraph& graph = state.graph;
    state.late.assign(graph.Size(), {});
    for (std::size_t i = 0; i < graph.Size(); ++i)
        state.late[i] = {graph.Task(int32_t(i)).start, graph.Task(int32_t(i)).finish};
    // From the far end: each task as late as the latest dates of the tasks after it and
    // the project finish allow. Tasks that cannot move keep their dates.
    for (auto it = graph.order.rbegin(); it != graph.order.rend(); ++it) {
        const int32_t i = *it;
        QPTask& task = graph.Task(i);
        if (task.isHeader || IsFixedInPlace(task))
            continue;
        LDateTime latestFinish = projectFinish;
        LDateTime latestStart(std::numeric_limits<int64_t>::max());
        QPForEachSuccessorLink(graph, i, [&](const QPTask& successor, int32_t type, int64_t lag) {
            const auto& [start, finish] = state.late[std::size_t(graph.IndexOf(successor))];
            switch (type) {
            case eFinishToStart:
                latestFinish = std::min(latestFinish, start - lag);
                break;
            case eFinishToFinish:
                latestFinish = std::min(latestFinish, finish - lag);
                break;
            case eStartToStart:
                latestStart = std::min(latestStart, start - lag);
                break;
            case eStartToFinish:
                latestStart = std::min(latestStart, finish - lag);
                break;
            default:
                break;
            }
        });
        if (task.constraintType == eConstraintFinishBefore)
            latestFinish = std::min(latestFinish, task.constraintDate - kConstraintDay);
        if (task.constraintType == eConstraintStartBefore)
            latestStart = std::min(latestStart,
                                   std::max(task.constraintDate - kConstraintDay, projectStart));
        LDateTime start = latestFinish - CalculateTaskDuration(task, true, latestFinish);
        LDateTime finish = latestFinish;
        if (start > latestStart) {
            start = latestStart;
            finish = FinishFrom(task, start);
        }
        // Never earlier than now: a task without room keeps its dates.
        if (start > task.start && !(finish < task.finish))
            state.late[std::size_t(i)] = {start, finish};
    }
}

void QPProject::ScheduleALAP(QPTask& task)
{
    QPEngineScope scope(*this);
    QPEngineState& state = scope.State();
    if (task.isHeader || IsFixedInPlace(task))
        return;
    task.discovered = true;
    if (state.late.size() != state.graph.Size())
        CalculateLateDates();
    const int32_t i = state.graph.IndexOf(task);
    if (i < 0)
        return;
    const auto [start, finish] = state.late[std::size_t(i)];
    if (!(start > task.start))
        return;
    // Its dependents follow as far as its new dates push them, which is never past their
    // own latest dates: the project finish stays where it is.
    task.start = start;
    task.finish = finish;
    task.scheduled = true;
    Propagate({i}, nullptr);
}

void QPProject::CalculateDisplayStarts()
{
    QPEngineScope scope(*this);
    QPEngineCalendars& calendars = scope.State().calendars;
    for (QPTask& task : tasks) {
        task.displayStart = task.start;
        if (task.milestone || !(task.start < task.finish))
            continue;
        // The first moment anyone works on the task, but never after its finish.
        task.displayStart = calendars.CrewOf(task).FirstWork(task.start, task.finish);
    }
}
