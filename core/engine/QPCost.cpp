// Costs: for every task and each resource on it, the seconds the resource works day by
// day, split into regular time and overtime against the resource's regular work week,
// priced at its hourly rates.
//
// A resource's week is shared among its tasks through the histogram: each day adds the
// resource's whole commitment of that day to the week's counter, so overtime starts on the
// day the combined commitment passes the regular week.

#include "engine/LLocalDays.h"
#include "model/QPProject.h"

#include <algorithm>

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

struct Worked {
    int64_t regular = 0;
    int64_t overtime = 0;
};

// Books `worked` seconds against the week counter: regular until the limit is reached,
// then overtime; a day that crosses the limit is split in proportion.
void Book(Worked& total, int64_t worked, int64_t committed, int64_t& counter, int64_t limit)
{
    if (counter >= limit) {
        total.overtime += worked;
    } else if (counter + committed <= limit) {
        total.regular += worked;
        counter += committed;
    } else {
        const int64_t regular = ((limit - counter) * 100 / committed) * worked / 100;
        total.regular += regular;
        total.overtime += worked - regular;
        counter += committed;
    }
}

} // namespace

void QPProject::CalculateBudgetUse()
{
    for (QPResource& resource : resources) {
        resource.regularCost = 0;
        resource.overtimeCost = 0;
    }
    for (QPTask& task : tasks)
        CalculateTaskCost(task);
}

void QPProject::CalculateTaskCost(QPTask& task)
{
    task.scheduledCost = 0;
    task.scheduledCostToDate = 0;
    const QPSchedule* taskCalendar = nullptr;
    if (task.taskType == eTaskTypeFixedDuration) {
        taskCalendar = GetTaskSchedule(task);
        if (!taskCalendar)
            return;
    }
    const LDateTime today = Anchor(LDateTime::Now());
    const LDateTime firstDay = Anchor(task.start);
    const LDateTime lastDay = Anchor(task.finish);

    for (const QPResourceAssignment& assignment : task.resourceAssignments) {
        QPResource* resource = resources.GetElementByKey(assignment.resourceKey);
        if (!resource)
            continue;
        const QPSchedule* calendar =
                taskCalendar ? taskCalendar : schedules.GetElementByKey(resource->scheduleKey);
        if (!calendar)
            continue;

        // The work available on a day: the shift less what exceptions take out of it.
        auto available = [&](LDateTime day) {
            const int d = Weekday(day);
            int64_t left = calendar->shiftDuration[d];
            auto reduce = [&](const QPScheduleException& exception) {
                const LDateTime finishDay = Anchor(exception.finish);
                if (finishDay == day)
                    left -= TimeOfDay(exception.finish) - int64_t(calendar->shiftStart[d].Get());
                else if (Anchor(exception.date) <= day && finishDay > day)
                    left -= std::min<int64_t>(exception.workSeconds, left);
            };
            for (const QPScheduleException& exception : calendar->exceptions)
                reduce(exception);
            for (const QPScheduleException& exception : resource->exceptions)
                reduce(exception);
            return left;
        };
        auto level = [&](LDateTime day) {
            return int64_t(histogram.GetCommitmentLevel(day, resource->key));
        };

        const bool limited = HasWeeklyLimit(*calendar);
        const int64_t limit = calendar->regularWorkWeek;
        const int weekStart = calendar->workWeekStart;
        const int weekEnd = ((weekStart % 7) + 6) % 7; // the day before the week start day
        int64_t counter = 0;
        if (limited && Weekday(firstDay) != weekStart) {
            // What the resource already worked this week before the task's first day.
            LDateTime day = firstDay;
            for (int i = 0; i < 7 && Weekday(day) != weekStart; ++i)
                day = AddDays(day, -1);
            for (; day < firstDay; day = AddDays(day, 1)) {
                const int64_t a = available(day);
                if (a > 0)
                    counter += a * level(day) / 100;
            }
            const int d = Weekday(firstDay);
            const LDateTime workStart = WithTimeOfDay(firstDay, calendar->shiftStart[d].Get());
            const int64_t w = calendar->shiftDuration[d];
            if (workStart < task.start && w > 0)
                counter += std::min<int64_t>(task.start - workStart, w) *
                           (level(firstDay) - assignment.firstDayPercent) / 100;
            counter = std::min(counter, limit);
        }

        Worked worked;
        for (LDateTime day = firstDay; day < lastDay; day = Anchor(AddDays(day, 1))) {
            const int64_t a = available(day);
            const int64_t committed = level(day) * a / 100;
            const int64_t share = day == firstDay ? assignment.firstDayPercent : 100;
            const int64_t seconds = share * a * assignment.percent / 10000;
            if (a > 0) {
                if (limited) {
                    Book(worked, seconds, committed, counter, limit);
                } else {
                    worked.regular += seconds;
                    counter += committed;
                }
            }
            if (Weekday(day) == weekEnd)
                counter = 0;
            if (day == today)
                task.scheduledCostToDate += Price(worked.regular, resource->hourlyRate) +
                                            Price(worked.overtime, resource->overtimeRate);
        }

        // The last day: the work seconds up to the finish. A task within one day counts
        // them from its start, not from midnight.
        {
            const int d = Weekday(lastDay);
            const int64_t w = calendar->shiftDuration[d];
            if (w >= 1) {
                const LDateTime from = firstDay == lastDay ? task.start : Midnight(lastDay);
                const int64_t s = std::max<int64_t>(
                        0, calendar->GetWorkSecondsInRange(from, task.finish, false));
                const int64_t seconds = s * assignment.percent / 100;
                if (limited) {
                    const int64_t committed = ((s * 100 / w) * (level(lastDay) * w / 100)) / 100;
                    Book(worked, seconds, committed, counter, limit);
                } else {
                    worked.regular += seconds;
                }
            }
        }

        const int64_t regularCost = Price(worked.regular, resource->hourlyRate);
        const int64_t overtimeCost = Price(worked.overtime, resource->overtimeRate);
        resource->regularCost += regularCost;
        resource->overtimeCost += overtimeCost;
        task.scheduledCost += regularCost + overtimeCost;
        if (lastDay <= today)
            task.scheduledCostToDate += regularCost + overtimeCost;
    }
}
