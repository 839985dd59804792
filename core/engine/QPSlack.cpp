// Slack: how far a task can move later before it disturbs a successor (free slack) or the
// project finish or a successor that cannot move (total slack), each with the successor
// that limits it. Following the total-slack links from task to task gives the critical
// chain.
//
// A subtask's successors include its header's, since they wait for the header's span. A
// link that a fixed date breaks has negative room, and the predecessor's total slack
// shows by how much the plan misses it.

#include "engine/QPEngineState.h"
#include "model/QPProject.h"

#include <algorithm>
#include <climits>
#include <limits>

namespace {

constexpr int64_t kConstraintDay = 86400;

// Slack is kept in 32 bits with the task; beyond that (over 68 years) it is held at the
// limit.
int32_t Stored(int64_t seconds)
{
    return static_cast<int32_t>(std::clamp<int64_t>(seconds, INT32_MIN, INT32_MAX));
}

} // namespace

int64_t QPProject::CalculateSlack(QPTask& p, QPTask& s)
{
    // Every link between the two: the successor's own on the predecessor or on its header,
    // and its header's Finish-to-Start and Start-to-Start ones.
    const int64_t headerOfP = p.headerKey;
    auto names = [&](int64_t key) { return key == p.key || (headerOfP != -1 && key == headerOfP); };
    int64_t room = std::numeric_limits<int64_t>::max();
    bool linked = false;
    auto consider = [&](const QPTaskDependency& dependency) {
        const int64_t g = dependency.GetLagSeconds();
        int64_t r = 0;
        switch (dependency.type) {
        case eFinishToStart:
        case eFinishToFinish: {
            const LDateTime bound = p.finish + g;
            const LDateTime at = dependency.type == eFinishToStart ? s.start : s.finish;
            if (at < bound) {
                r = at - bound; // broken by this much
            } else if (at > bound) {
                // How far p's start can move so that p, counted back on its calendars from
                // the latest finish, still ends by it.
                const LDateTime latestFinish = at - g;
                r = latestFinish - CalculateTaskDuration(p, true, latestFinish) - p.start;
            }
            break;
        }
        case eStartToStart:
            r = s.start - (p.start + g);
            break;
        case eStartToFinish:
            r = s.finish - (p.start + g);
            break;
        default:
            return; // other kinds bind nothing
        }
        linked = true;
        room = std::min(room, r);
    };
    for (const QPTaskDependency& dependency : s.dependencies)
        if (names(dependency.predecessorKey))
            consider(dependency);
    if (s.headerKey != -1)
        if (const QPTask* header = tasks.GetElementByKey(s.headerKey); header && header->isHeader)
            for (const QPTaskDependency& dependency : header->dependencies)
                if ((dependency.type == eFinishToStart || dependency.type == eStartToStart) &&
                    names(dependency.predecessorKey))
                    consider(dependency);
    return linked ? room : 0;
}

void QPProject::CalculateTaskSlack(QPTask& task)
{
    QPEngineScope scope(*this);
    const QPEngineGraph& graph = scope.State().graph;
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
    const int32_t i = graph.IndexOf(task);
    if (i >= 0) {
        QPForEachSuccessorLink(graph, i, [&](const QPTask& successor, int32_t type, int64_t g) {
            switch (type) {
            case eFinishToStart:
            case eFinishToFinish: {
                const LDateTime x =
                        (type == eFinishToStart ? successor.start : successor.finish) - g;
                if (x < finishLimit) {
                    finishLimit = x;
                    finishLink = successor.id;
                }
                break;
            }
            case eStartToStart:
            case eStartToFinish: {
                const LDateTime x =
                        (type == eStartToStart ? successor.start : successor.finish) - g;
                if (x < startLimit) {
                    startLimit = x;
                    startLink = successor.id;
                    startLowered = true;
                }
                break;
            }
            default:
                break;
            }
        });
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
    QPEngineScope scope(*this);
    QPEngineState& state = scope.State();
    const QPEngineGraph& graph = state.graph;
    state.slack.resize(graph.Size());
    // Each task's room comes in two parts: what fixed things leave it (`fixed`), and what
    // the project finish leaves it (the finish minus `chain`), so that leveling can follow
    // a growing project finish without working everything out again.
    //
    // Depth first over the successors with an explicit stack (a chain of thousands of
    // tasks must not exhaust the thread's stack). A task is marked when its computation
    // begins, so a loop read from a file ends: a task met again while its own computation
    // is under way contributes what it has then (0, no link).
    struct Frame {
        QPTask* task;
        int32_t index;
        std::vector<QPTask*> successors;
        std::size_t next;
        int64_t fixed;
        int64_t chain;
        int64_t best;
        int32_t link;
    };
    std::vector<Frame> stack;
    auto store = [&](int32_t index, const QPTask& task, int64_t fixed, int64_t chain) {
        if (index >= 0)
            state.slack[std::size_t(index)] = {fixed, chain, task.finish.Get()};
    };
    auto begin = [&](QPTask& task) {
        if (task.discovered)
            return;
        task.discovered = true;
        task.totalSlackSuccessorID = -1;
        task.totalSlack = 0;
        const int32_t index = graph.IndexOf(task);
        store(index, task, 0, QPEngineState::kNoChain);
        if (task.constraintType == eConstraintFinishOn) {
            const int64_t room = std::min<int64_t>(0, -Breach(task));
            task.totalSlack = Stored(room);
            store(index, task, room, QPEngineState::kNoChain);
            return;
        }
        Frame frame{&task,
                    index,
                    {},
                    0,
                    QPEngineState::kNoLimit,
                    task.finish.Get(),
                    projectFinish - task.finish,
                    -1};
        if (index >= 0)
            QPForEachSuccessorLink(graph, index, [&](QPTask& successor, int32_t, int64_t) {
                frame.successors.push_back(&successor);
            });
        stack.push_back(std::move(frame));
    };
    begin(root);
    while (!stack.empty()) {
        Frame& frame = stack.back();
        QPTask& task = *frame.task;
        if (frame.next < frame.successors.size()) {
            QPTask& successor = *frame.successors[frame.next];
            if (!successor.discovered) {
                // Its own slack first; this frame resumes afterwards with the same successor.
                begin(successor);
                continue;
            }
            ++frame.next;
            // The room this successor leaves: its links to the task, and, when it can move
            // itself, its own room on top.
            const int64_t link = CalculateSlack(task, successor);
            int64_t fixed = QPEngineState::kNoLimit;
            int64_t chain = QPEngineState::kNoChain;
            if (successor.constraintType == eConstraintStartBefore) {
                const LDateTime limit = successor.constraintDate - kConstraintDay;
                fixed = link + std::max<int64_t>(0, limit - successor.start);
            } else if (IsFixedInPlace(successor)) {
                fixed = link;
            } else {
                const QPEngineState::Slack& next =
                        state.slack[std::size_t(graph.IndexOf(successor))];
                if (next.fixed != QPEngineState::kNoLimit)
                    fixed = link + next.fixed;
                if (next.chain != QPEngineState::kNoChain)
                    chain = next.chain - link;
            }
            const int64_t room = chain == QPEngineState::kNoChain
                                         ? fixed
                                         : std::min(fixed, projectFinish.Get() - chain);
            frame.fixed = std::min(frame.fixed, fixed);
            frame.chain = std::max(frame.chain, chain);
            if (room < frame.best) {
                frame.best = room;
                frame.link = successor.id;
            }
            continue;
        }

        // All successors are done.
        int64_t best = frame.best;
        int64_t fixed = frame.fixed;
        const int64_t chain = frame.chain;
        const int32_t index = frame.index;
        task.totalSlackSuccessorID = frame.link;
        stack.pop_back();
        if (task.constraintType == eConstraintFinishBefore) {
            // Its own limit: how much later the task could start and still finish by it;
            // negative when it already ends after it.
            const LDateTime limit = task.constraintDate - kConstraintDay;
            const int64_t own = (limit - CalculateTaskDuration(task, true, limit)) - task.start;
            fixed = std::min(fixed, own);
            if (own <= best) {
                best = own;
                task.totalSlackSuccessorID = -1;
            }
        }
        // A task that starts or ends earlier than its links allow (a date of its own won)
        // is behind by that much.
        if (const int64_t breach = Breach(task); breach > 0) {
            fixed = std::min(fixed, -breach);
            best = std::min(best, -breach);
        }
        task.totalSlack = Stored(best);
        store(index, task, fixed, chain);
        CalculateTaskSlack(task);
    }
}

int64_t QPProject::Breach(const QPTask& task)
{
    const Bounds bounds = LinkBounds(task);
    int64_t breach = bounds.earliestStart - task.start;
    if (bounds.finishBound)
        breach = std::max<int64_t>(breach, bounds.earliestFinish - task.finish);
    return std::max<int64_t>(0, breach);
}

void QPProject::CalculateAllTotalSlack()
{
    QPEngineScope scope(*this);
    ClearTaskDiscoveryData();
    for (QPTask& task : tasks)
        CalculateTotalSlack(task);
}

void QPProject::CalculateAllSlack()
{
    QPEngineScope scope(*this);
    ClearTaskDiscoveryData();
    for (QPTask& task : tasks)
        CalculateTaskSlack(task);
    CalculateAllTotalSlack();
}
