// Placing tasks in time: readiness from predecessors with their lags, the constraint
// rules, pushing successors after a task moved, As Late As Possible moves and the start
// that views display.

#include "engine/LLocalDays.h"
#include "model/QPProject.h"

#include <unordered_set>

using namespace LLocalDays;

namespace {

// Limits derived from a constraint date lie exactly one day of 86400 seconds before or
// after it.
constexpr int64_t kConstraintDay = 86400;

// Pushing successors follows every path through the successors; where parallel paths
// meet without slack the same tasks are pushed again, and on an unusual graph (many such
// meetings, or loops read from a file) the number of paths grows exponentially. Past a
// generous budget in one call, a successor whose dates did not change is not followed
// further; past four times that, nothing more is pushed. Plans of any ordinary shape stay
// far below the first budget.
int64_t PushBudget(std::size_t taskCount)
{
    return 50 * static_cast<int64_t>(taskCount) + 10000;
}

void RaiseTo(LDateTime& value, LDateTime candidate)
{
    if (candidate > value)
        value = candidate;
}

const QPTaskDependency* FirstDependencyOn(const QPTask& successor, int64_t predecessorKey)
{
    for (const QPTaskDependency& dependency : successor.dependencies)
        if (dependency.predecessorKey == predecessorKey)
            return &dependency;
    return nullptr;
}

} // namespace

bool QPProject::EvaluateDependencies(const std::vector<QPTaskDependency>& dependencies,
                                     LDateTime& earliestStart, LDateTime& earliestFinish,
                                     bool& finishBound, bool asHeader)
{
    for (const QPTaskDependency& dependency : dependencies) {
        QPTask* predecessor = tasks.GetElementByKey(dependency.predecessorKey);
        if (!predecessor)
            continue;
        if (!predecessor->scheduled &&
            !(predecessor->isHeader && IsHeaderTaskScheduled(*predecessor)))
            return false;
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
    return true;
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

    auto fwd = [&](LDateTime t) { return CalculateTaskDuration(task, false, t); };
    auto bwd = [&](LDateTime t) { return CalculateTaskDuration(task, true, t); };
    // Places the task to start at s, its finish following from its work.
    auto startAt = [&](LDateTime s) {
        task.start = s;
        task.finish = s + fwd(s);
    };

    LDateTime ls;
    if (fb) {
        task.finish = ef;
        ls = ef - bwd(ef);
    }
    const LDateTime constraint = task.constraintDate;
    switch (task.constraintType) {
    case eConstraintNone:
    case eConstraintAsLateAsPossible:
    case eConstraintAsSoonAsPossible:
        if (fb && es <= ls)
            task.start = ls;
        else
            startAt(es);
        break;
    case eConstraintStartBefore: {
        LDateTime limit = constraint - kConstraintDay;
        if (limit < projectStart)
            limit = projectStart;
        if (fb && ls <= limit)
            task.start = ls;
        else
            startAt(limit);
        break;
    }
    case eConstraintStartAfter: {
        LDateTime limit = constraint + kConstraintDay;
        if (limit < es)
            limit = es;
        if (fb && limit <= ls)
            task.start = ls;
        else
            startAt(limit);
        break;
    }
    case eConstraintFinishBefore: {
        const LDateTime limit = constraint - kConstraintDay;
        if (!fb) {
            startAt(es);
            if (!(task.finish < limit)) {
                task.finish = limit;
                task.start = limit - bwd(limit);
            }
        } else {
            if (limit < ef) {
                task.finish = limit;
                ls = limit - bwd(limit);
            }
            task.start = ls;
        }
        if (task.start < projectStart)
            startAt(projectStart);
        break;
    }
    case eConstraintFinishAfter: {
        const LDateTime limit = constraint + kConstraintDay;
        if (ef < limit) {
            task.finish = limit;
            ls = limit - bwd(limit);
        }
        if (ls < es)
            startAt(es);
        else
            task.start = ls;
        break;
    }
    default:
        break;
    }
    task.scheduled = true;
    return true;
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

void QPProject::PushSuccessorTasks(QPTask& moved, std::vector<QPTask*>* conflicts)
{
    // Depth first over the successors, with an explicit stack: a chain of thousands of
    // tasks must not exhaust the thread's stack. A task already on the current path is not
    // pushed again, so a dependency loop read from a file cannot make this endless.
    struct Frame {
        QPTask* task;
        std::size_t next;
        std::vector<QPTask*>* conflicts;
    };
    std::vector<Frame> stack{{&moved, 0, conflicts}};
    std::unordered_set<const QPTask*> onPath{&moved};
    int64_t pushes = 0;
    const int64_t budget = PushBudget(tasks.size());

    while (!stack.empty()) {
        Frame& frame = stack.back();
        QPTask& t = *frame.task;
        if (frame.next >= t.successorIDs.size()) {
            t.discovered = false;
            CalculateTotalSlack(t);
            onPath.erase(&t);
            stack.pop_back();
            continue;
        }
        std::vector<QPTask*>* collect = frame.conflicts;
        QPTask* found = tasks.GetElement(t.successorIDs[frame.next++]);
        if (!found || onPath.count(found) || !found->autoSchedule || unplacedTasks_.count(found))
            continue;
        QPTask& s = *found;
        if (CalculateSlack(t, s) >= 1 || s.constraintType == eConstraintStartOn ||
            s.constraintType == eConstraintFinishOn)
            continue;
        if (s.constraintType == eConstraintStartBefore &&
            s.start == s.constraintDate - kConstraintDay)
            continue;
        if (s.constraintType == eConstraintFinishBefore &&
            s.finish == s.constraintDate - kConstraintDay)
            continue;
        const QPTaskDependency* dependency = FirstDependencyOn(s, t.key);
        if (!dependency)
            continue;
        if (collect && !s.resourceConflict)
            histogram.RemoveAssignments(s);

        const LDateTime oldStart = s.start;
        const LDateTime oldFinish = s.finish;
        LDateTime start = s.start;
        LDateTime finish = s.finish;
        const int64_t lag = dependency->GetLagSeconds();
        switch (dependency->type) {
        case eFinishToStart:
        case eStartToStart:
            start = (dependency->type == eFinishToStart ? t.finish : t.start) + lag;
            finish = start + CalculateTaskDuration(s, false, start);
            break;
        case eFinishToFinish:
        case eStartToFinish:
            finish = (dependency->type == eFinishToFinish ? t.finish : t.start) + lag;
            start = finish - CalculateTaskDuration(s, true, finish);
            break;
        default:
            break;
        }
        const LDateTime limit = s.constraintDate - kConstraintDay;
        if (s.constraintType == eConstraintStartBefore && start > limit) {
            start = limit;
            finish = start + CalculateTaskDuration(s, false, start);
        } else if (s.constraintType == eConstraintFinishBefore && finish > limit) {
            finish = limit;
            start = finish - CalculateTaskDuration(s, true, finish);
        }
        s.start = start;
        s.finish = finish;

        if (collect) {
            AddTaskToHistogram(s);
            if (histogram.IsTaskConflicted(s)) {
                if (!s.resourceConflict)
                    collect->push_back(&s);
                s.resourceConflict = true;
                histogram.RemoveAssignments(s);
            } else {
                s.resourceConflict = false;
            }
        }
        ++pushes;
        if (pushes > 4 * budget ||
            (pushes > budget && s.start == oldStart && s.finish == oldFinish))
            continue;
        // Only the direct successors of a task that leveling moved are booked and checked;
        // those further down are moved without it.
        onPath.insert(&s);
        stack.push_back({&s, 0, nullptr});
    }
}

void QPProject::ScheduleALAP(QPTask& task)
{
    // Following the total-slack links: each task moves only after the successor that
    // limits it has moved. The chain is collected first, then moved from its far end.
    struct Step {
        QPTask* task;
        QPTask* limitedBy; // the successor whose move decides this one, or none
    };
    std::vector<Step> chain;
    QPTask* current = &task;
    while (current) {
        if (current->discovered || unplacedTasks_.count(current))
            break;
        current->discovered = true;
        if (current->totalSlack == 0 || !current->autoSchedule)
            break;
        if (current->totalSlackSuccessorID == -1) {
            chain.push_back({current, nullptr});
            break;
        }
        QPTask* successor = tasks.GetElement(current->totalSlackSuccessorID);
        if (!successor)
            break; // this task stays where it is
        chain.push_back({current, successor});
        current = successor;
    }
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        QPTask& t = *it->task;
        int64_t room = t.totalSlack;
        if (it->limitedBy)
            room = CalculateSlack(t, *it->limitedBy);
        t.finish = t.finish + room;
        t.start = t.finish - CalculateTaskDuration(t, true, t.finish);
        PushSuccessorTasks(t, nullptr);
        t.freeSlack = 0;
        for (const QPTaskDependency& dependency : t.dependencies) {
            QPTask* predecessor = tasks.GetElementByKey(dependency.predecessorKey);
            if (predecessor && predecessor->freeSlackSuccessorID == t.id)
                CalculateTaskSlack(*predecessor);
        }
        t.scheduled = true;
    }
}

void QPProject::CalculateDisplayStarts()
{
    const QPSchedule* defaultSchedule = schedules.GetElementByKey(defaultScheduleKey);
    for (QPTask& task : tasks) {
        task.displayStart = task.start;
        if (task.milestone)
            continue;
        // The first moment any assigned resource works at or after the start, but never
        // after the finish.
        LDateTime first = task.finish;
        if (!task.resourceAssignments.empty()) {
            for (const QPResourceAssignment& assignment : task.resourceAssignments) {
                const QPResource* resource = resources.GetElementByKey(assignment.resourceKey);
                const QPSchedule* schedule =
                        resource ? schedules.GetElementByKey(resource->scheduleKey) : nullptr;
                if (schedule) {
                    const LDateTime next = schedule->GetNextScheduledWorkTime(task.start);
                    if (next < first)
                        first = next;
                }
            }
        } else {
            if (!defaultSchedule)
                continue;
            const LDateTime next = defaultSchedule->GetNextScheduledWorkTime(task.start);
            if (next < first)
                first = next;
        }
        task.displayStart = first;
    }
}
