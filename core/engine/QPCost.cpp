// Costs: for every task and each resource on it, the seconds the resource works on it day
// by day, split into regular time and overtime against the regular work week of the
// calendar they are counted on, priced at the resource's hourly rates.
//
// The hours are the working time of each day that the task's span holds on that calendar,
// at the assignment's percentage, so a task costs exactly the hours it is worked. A
// resource's week is shared among all its tasks: each day, the part of everything it
// works that day that still fits under the weekly limit is regular time, and each task
// gets its share of it.

#include "engine/LLocalDays.h"
#include "engine/QPEngineState.h"
#include "model/QPProject.h"

#include <algorithm>
#include <unordered_map>

using namespace LLocalDays;

namespace {

// The weekly limit applies when it is at least a second and less than a whole week.
bool HasWeeklyLimit(const QPSchedule& calendar)
{
    return calendar.regularWorkWeek >= 1 && calendar.regularWorkWeek <= 604799;
}

// Regular and overtime seconds priced in single precision, as rates always have been.
int64_t Price(int64_t seconds, int64_t rate)
{
    return static_cast<int64_t>(static_cast<float>(seconds) / 3600.0f * static_cast<float>(rate));
}

} // namespace

// What every resource works, day by day, over all its tasks; and each assignment's days.
struct QPResourceWorkDays {
    struct AssignmentDays {
        const QPResourceAssignment* assignment;
        QPResource* resource;
        const QPSchedule* calendar;
        std::vector<std::pair<int64_t, int64_t>> worked; // day, seconds
    };
    std::unordered_map<const QPTask*, std::vector<AssignmentDays>> byTask;
    std::unordered_map<int64_t, std::unordered_map<int64_t, int64_t>> totals; // resource, day

    int64_t Total(int64_t resourceKey, int64_t day) const
    {
        const auto r = totals.find(resourceKey);
        if (r == totals.end())
            return 0;
        const auto d = r->second.find(day);
        return d == r->second.end() ? 0 : d->second;
    }
};

void QPProject::CalculateBudgetUse()
{
    QPEngineScope scope(*this);
    QPEngineCalendars& calendars = scope.State().calendars;
    for (QPResource& resource : resources) {
        resource.regularCost = 0;
        resource.overtimeCost = 0;
    }
    QPResourceWorkDays work;
    std::vector<QPDayWork> days;
    for (QPTask& task : tasks) {
        if (task.isHeader)
            continue;
        for (const QPResourceAssignment& assignment : task.resourceAssignments) {
            QPResource* resource = resources.GetElementByKey(assignment.resourceKey);
            const QPWorkCalendar* calendar =
                    resource ? calendars.AssignmentCalendar(task, *resource) : nullptr;
            if (!calendar)
                continue;
            QPResourceWorkDays::AssignmentDays entry{
                    &assignment, resource, &calendar->Schedule(), {}};
            days.clear();
            QPAppendDayWork(*calendar, task.start, task.finish, days);
            for (const QPDayWork& day : days) {
                const int64_t seconds = day.used * assignment.percent / 100;
                if (seconds <= 0)
                    continue;
                entry.worked.emplace_back(day.day, seconds);
                work.totals[resource->key][day.day] += seconds;
            }
            work.byTask[&task].push_back(std::move(entry));
        }
    }
    scope.State().workDays = &work;
    for (QPTask& task : tasks)
        CalculateTaskCost(task);
    scope.State().workDays = nullptr;
}

void QPProject::CalculateTaskCost(QPTask& task)
{
    task.scheduledCost = 0;
    task.scheduledCostToDate = 0;
    if (!engine_ || !engine_->workDays)
        return; // costs are worked out for all tasks together (CalculateBudgetUse)
    const QPResourceWorkDays& work = *engine_->workDays;
    const auto found = work.byTask.find(&task);
    if (found == work.byTask.end())
        return;
    const int64_t today = DayNumber(LDateTime::Now());
    for (const QPResourceWorkDays::AssignmentDays& entry : found->second) {
        const QPSchedule& calendar = *entry.calendar;
        const bool limited = HasWeeklyLimit(calendar);
        const int64_t limit = calendar.regularWorkWeek;
        const int64_t resourceKey = entry.resource->key;
        int64_t regular = 0;
        int64_t overtime = 0;
        int64_t regularToDate = 0;
        int64_t overtimeToDate = 0;
        for (const auto& [day, seconds] : entry.worked) {
            int64_t regularPart = seconds;
            if (limited) {
                // What the resource worked earlier in this week, on all its tasks.
                const int64_t weekStart =
                        day - (WeekdayOfDay(day) - (calendar.workWeekStart % 7 + 7) % 7 + 7) % 7;
                int64_t before = 0;
                for (int64_t d = weekStart; d < day; ++d)
                    before += work.Total(resourceKey, d);
                const int64_t total = work.Total(resourceKey, day);
                const int64_t room = std::clamp<int64_t>(limit - before, 0, total);
                regularPart = total > 0 ? seconds * room / total : 0;
            }
            regular += regularPart;
            overtime += seconds - regularPart;
            if (day <= today) {
                regularToDate += regularPart;
                overtimeToDate += seconds - regularPart;
            }
        }
        const int64_t regularCost = Price(regular, entry.resource->hourlyRate);
        const int64_t overtimeCost = Price(overtime, entry.resource->overtimeRate);
        entry.resource->regularCost += regularCost;
        entry.resource->overtimeCost += overtimeCost;
        task.scheduledCost += regularCost + overtimeCost;
        task.scheduledCostToDate += Price(regularToDate, entry.resource->hourlyRate) +
                                    Price(overtimeToDate, entry.resource->overtimeRate);
    }
}
