#pragma once

// What a recalculation keeps while it runs: the calendars its tasks are worked on, and
// the links between tasks as the passes follow them. Built when a recalculation (or a
// single engine operation called on its own) begins, dropped when it ends; nothing here
// outlives it, so nothing can go stale between two recalculations.

#include "engine/QPWorkTime.h"
#include "model/QPTask.h"

#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

class QPProject;
class QPResource;
class QPSchedule;
class QPTask;

// Every calendar a task or an assignment is counted on.
class QPEngineCalendars {
public:
    explicit QPEngineCalendars(const QPProject& project) : project_(project) {}

    // The default schedule, or the first schedule when the project names none.
    const QPSchedule* DefaultSchedule() const;
    // The schedule a resource works on: its own, or the default schedule when its key
    // names none (-1 included), as the lists and reports show it.
    const QPSchedule* ResourceSchedule(const QPResource& resource) const;
    // The schedule of a Fixed Duration task: its own, or the default one for -1.
    const QPSchedule* TaskSchedule(const QPTask& task) const;

    // A schedule less its general exceptions and, for a resource, the resource's own
    // exceptions (measured on the resource's schedule).
    const QPWorkCalendar& Calendar(const QPSchedule& schedule, const QPResource* resource);
    // Who works a task, on which calendars, at which percentages: the task's schedule
    // for Fixed Duration; the assigned resources for Fixed Work, or one full-time worker
    // on the default schedule when they give no working time at all.
    const QPCrew& CrewOf(const QPTask& task);
    // The calendar one assignment's hours are counted on (day shares and costs): the
    // resource's own for Fixed Work, the task's schedule for Fixed Duration, with the
    // resource's exceptions out either way; none when there is no such schedule.
    const QPWorkCalendar* AssignmentCalendar(const QPTask& task, const QPResource& resource);

private:
    const QPProject& project_;
    std::map<std::pair<const QPSchedule*, const QPResource*>, std::unique_ptr<QPWorkCalendar>>
            calendars_;
    std::unordered_map<const QPTask*, QPCrew> crews_;
};

// One link between two tasks as it binds them: a dependency of the later task's own, or
// a Finish-to-Start or Start-to-Start dependency that a subtask takes over from its
// header. A link to a header task binds to its span over its subtasks.
struct QPEngineLink {
    int32_t task; // the task at the other end, by position in the list
    int32_t type;
    int64_t lag;
};

class QPEngineGraph {
public:
    // After the header groups are known (RefreshSubtaskHeaderKeys).
    explicit QPEngineGraph(QPProject& project);

    int32_t IndexOf(const QPTask& task) const;
    QPTask& Task(int32_t index) const { return *tasks[static_cast<std::size_t>(index)]; }
    std::size_t Size() const { return tasks.size(); }

    std::vector<QPTask*> tasks; // in list order
    std::vector<std::vector<QPEngineLink>> predecessors;
    std::vector<std::vector<QPEngineLink>> successors;
    // The header a task belongs to (-1 for none), and each header's members in list order.
    std::vector<int32_t> headerOf;
    std::vector<std::vector<int32_t>> members;
    // The order in which the forward pass places tasks: every task after the tasks it
    // waits for (a header after its members); tasks on a dependency loop, and those
    // waiting on one, are missing. `position` is each task's place in it, or -1.
    std::vector<int32_t> order;
    std::vector<int32_t> position;
    // What each task waits for before it can be placed: its predecessors and its header's
    // (a header: its subtasks); empty for tasks placed up front.
    std::vector<std::vector<int32_t>> waitsFor;

private:
    std::unordered_map<int64_t, int32_t> byKey_;
};

// Calls `visit(successor, type, lag)` for every link by which a task binds a later one:
// its own, and its header's (the header's successors wait for its span, which the task is
// part of). Links into a header are carried by its subtasks, which have them as their own.
template <class Visit>
void QPForEachSuccessorLink(const QPEngineGraph& graph, int32_t i, Visit visit)
{
    auto from = [&](int32_t at) {
        for (const QPEngineLink& link : graph.successors[std::size_t(at)]) {
            QPTask& successor = graph.Task(link.task);
            if (!successor.isHeader)
                visit(successor, link.type, link.lag);
        }
    };
    from(i);
    if (const int32_t h = graph.headerOf[std::size_t(i)]; h >= 0)
        from(h);
}

struct QPResourceWorkDays;

struct QPEngineState {
    explicit QPEngineState(QPProject& project) : calendars(project), graph(project) {}

    QPEngineCalendars calendars;
    QPEngineGraph graph;
    // Tasks the forward pass could not place (loops): they keep their dates throughout.
    std::vector<char> unplaced;
    // The latest dates of every task that keep the project finish and every task that
    // cannot move, by position; filled for the As Late As Possible moves.
    std::vector<std::pair<LDateTime, LDateTime>> late;
    // Each task's total slack as it was last worked out, in two parts: the room that
    // tasks which cannot move leave it, and where the chain of tasks after it ends (the
    // project finish leaves it the finish minus that), with its finish then; so that
    // leveling can follow a growing project finish.
    static constexpr int64_t kNoLimit = INT64_MAX / 4;
    static constexpr int64_t kNoChain = INT64_MIN / 4;
    struct Slack {
        int64_t fixed = 0;
        int64_t chain = kNoChain;
        int64_t finish = 0;
    };
    std::vector<Slack> slack;
    // While costs are worked out: what every resource works, day by day.
    const QPResourceWorkDays* workDays = nullptr;
};

// Gives the engine operations their state: the recalculation's while one runs, otherwise
// a state of its own for as long as the outermost operation lasts.
class QPEngineScope {
public:
    explicit QPEngineScope(QPProject& project);
    ~QPEngineScope();
    QPEngineScope(const QPEngineScope&) = delete;
    QPEngineScope& operator=(const QPEngineScope&) = delete;

    QPEngineState& State() const;

private:
    QPProject& project_;
    bool owner_;
};
