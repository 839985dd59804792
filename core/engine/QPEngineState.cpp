#include "engine/QPEngineState.h"

#include "model/QPProject.h"

#include <functional>
#include <queue>

// ---------------------------------------------------------------------------------------
// Calendars

const QPSchedule* QPEngineCalendars::DefaultSchedule() const
{
    if (const QPSchedule* schedule =
                project_.schedules.GetElementByKey(project_.defaultScheduleKey))
        return schedule;
    return project_.schedules.empty() ? nullptr : &project_.schedules.front();
}

const QPSchedule* QPEngineCalendars::ResourceSchedule(const QPResource& resource) const
{
    if (const QPSchedule* schedule = project_.schedules.GetElementByKey(resource.scheduleKey))
        return schedule;
    return DefaultSchedule();
}

const QPSchedule* QPEngineCalendars::TaskSchedule(const QPTask& task) const
{
    // A schedule that was deleted leaves its key behind in the tasks that followed it;
    // they go on with the default schedule rather than lose their length.
    if (const QPSchedule* schedule = project_.schedules.GetElementByKey(task.scheduleKey))
        return schedule;
    return DefaultSchedule();
}

const QPWorkCalendar& QPEngineCalendars::Calendar(const QPSchedule& schedule,
                                                  const QPResource* resource)
{
    std::unique_ptr<QPWorkCalendar>& calendar = calendars_[{&schedule, resource}];
    if (!calendar) {
        calendar = std::make_unique<QPWorkCalendar>(schedule);
        calendar->TakeOut(schedule.exceptions, schedule);
        if (resource)
            if (const QPSchedule* own = ResourceSchedule(*resource))
                calendar->TakeOut(resource->exceptions, *own);
    }
    return *calendar;
}

const QPCrew& QPEngineCalendars::CrewOf(const QPTask& task)
{
    const auto found = crews_.find(&task);
    if (found != crews_.end())
        return found->second;
    QPCrew crew;
    if (task.taskType == eTaskTypeFixedDuration) {
        if (const QPSchedule* schedule = TaskSchedule(task))
            crew.Add(Calendar(*schedule, nullptr), 100);
    } else {
        for (const QPResourceAssignment& assignment : task.resourceAssignments) {
            const QPResource* resource = project_.resources.GetElementByKey(assignment.resourceKey);
            const QPSchedule* schedule = resource ? ResourceSchedule(*resource) : nullptr;
            if (schedule)
                crew.Add(Calendar(*schedule, resource), assignment.percent);
        }
        if (!crew.HasWork()) {
            // No resources, or none with working time: as one full-time worker on the
            // default schedule.
            crew = QPCrew();
            if (const QPSchedule* schedule = DefaultSchedule())
                crew.Add(Calendar(*schedule, nullptr), 100);
        }
    }
    return crews_.emplace(&task, std::move(crew)).first->second;
}

const QPWorkCalendar* QPEngineCalendars::AssignmentCalendar(const QPTask& task,
                                                            const QPResource& resource)
{
    const QPSchedule* schedule = task.taskType == eTaskTypeFixedDuration
                                         ? TaskSchedule(task)
                                         : ResourceSchedule(resource);
    return schedule ? &Calendar(*schedule, &resource) : nullptr;
}

// ---------------------------------------------------------------------------------------
// Links

namespace {

// Placed before the forward pass, whatever their predecessors: tasks scheduled by hand
// and tasks fixed to a date.
bool PlacedUpFront(const QPTask& task)
{
    if (task.isHeader)
        return false;
    return !task.autoSchedule || task.constraintType == eConstraintStartOn ||
           task.constraintType == eConstraintFinishOn;
}

} // namespace

int32_t QPEngineGraph::IndexOf(const QPTask& task) const
{
    const auto it = byKey_.find(task.key);
    if (it != byKey_.end() && tasks[static_cast<std::size_t>(it->second)] == &task)
        return it->second;
    for (std::size_t i = 0; i < tasks.size(); ++i)
        if (tasks[i] == &task)
            return static_cast<int32_t>(i);
    return -1;
}

QPEngineGraph::QPEngineGraph(QPProject& project)
{
    for (QPTask& task : project.tasks)
        tasks.push_back(&task);
    const std::size_t n = tasks.size();
    byKey_.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        byKey_.emplace(tasks[i]->key, static_cast<int32_t>(i));
    auto index = [&](int64_t key) {
        const auto it = byKey_.find(key);
        return it == byKey_.end() ? -1 : it->second;
    };

    headerOf.assign(n, -1);
    members.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const int32_t h = index(tasks[i]->headerKey);
        if (h >= 0 && tasks[static_cast<std::size_t>(h)]->isHeader && h != int32_t(i)) {
            headerOf[i] = h;
            members[static_cast<std::size_t>(h)].push_back(static_cast<int32_t>(i));
        }
    }

    predecessors.resize(n);
    successors.resize(n);
    waitsFor.assign(n, {});
    auto link = [&](int32_t from, std::size_t to, const QPTaskDependency& dependency) {
        const int64_t lag = dependency.GetLagSeconds();
        predecessors[to].push_back({from, dependency.type, lag});
        successors[static_cast<std::size_t>(from)].push_back({int32_t(to), dependency.type, lag});
    };
    for (std::size_t i = 0; i < n; ++i) {
        const QPTask& task = *tasks[i];
        const bool waits = !task.isHeader && !PlacedUpFront(task);
        // A header's own dependencies bind its subtasks, not the header, which only spans
        // them.
        if (!task.isHeader) {
            for (const QPTaskDependency& dependency : task.dependencies) {
                const int32_t p = index(dependency.predecessorKey);
                if (p < 0)
                    continue;
                link(p, i, dependency);
                if (waits)
                    waitsFor[i].push_back(p);
            }
        }
        if (const int32_t h = headerOf[i]; h >= 0) {
            // A subtask waits for every predecessor of its header, and is held back by the
            // Finish-to-Start and Start-to-Start ones; the others would bind the header's
            // finish, which its subtasks decide.
            for (const QPTaskDependency& dependency : tasks[std::size_t(h)]->dependencies) {
                const int32_t p = index(dependency.predecessorKey);
                if (p < 0)
                    continue;
                if (dependency.type == eFinishToStart || dependency.type == eStartToStart)
                    link(p, i, dependency);
                if (waits)
                    waitsFor[i].push_back(p);
            }
        }
        if (task.isHeader)
            waitsFor[i] = members[i];
    }

    // Each task once everything it waits for is placed; among tasks ready at the same
    // time, list order decides, so the order is the same on every recalculation.
    std::vector<std::vector<int32_t>> dependents(n);
    std::vector<std::size_t> waiting(n);
    for (std::size_t i = 0; i < n; ++i) {
        waiting[i] = waitsFor[i].size();
        for (int32_t p : waitsFor[i])
            dependents[std::size_t(p)].push_back(int32_t(i));
    }
    std::priority_queue<int32_t, std::vector<int32_t>, std::greater<>> ready;
    for (std::size_t i = 0; i < n; ++i)
        if (waiting[i] == 0)
            ready.push(int32_t(i));
    position.assign(n, -1);
    while (!ready.empty()) {
        const int32_t i = ready.top();
        ready.pop();
        position[std::size_t(i)] = int32_t(order.size());
        order.push_back(i);
        for (int32_t d : dependents[std::size_t(i)])
            if (--waiting[std::size_t(d)] == 0)
                ready.push(d);
    }
}

// ---------------------------------------------------------------------------------------

QPEngineScope::QPEngineScope(QPProject& project) : project_(project), owner_(!project.engine_)
{
    if (owner_) {
        project.engine_ = std::make_unique<QPEngineState>(project);
        project.engine_->unplaced.assign(project.engine_->graph.Size(), 0);
    }
}

QPEngineScope::~QPEngineScope()
{
    if (owner_)
        project_.engine_.reset();
}

QPEngineState& QPEngineScope::State() const
{
    return *project_.engine_;
}
