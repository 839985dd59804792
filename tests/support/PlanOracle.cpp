#include "support/PlanOracle.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <set>

namespace plan_oracle {

namespace {

using std::to_string;

constexpr int64_t kDay = 86400;
// Plans start in one year and end within a few; anything further out is not worth walking
// through day by day.
constexpr int64_t kReach = int64_t(60) * 366 * kDay;

// The fields of a moment on the local clock, or in UTC (the civil date of a day number).
std::tm Fields(int64_t moment, bool local = true)
{
    std::tm fields{};
    const auto t = static_cast<std::time_t>(moment);
    local ? localtime_r(&t, &fields) : gmtime_r(&t, &fields);
    return fields;
}

int WeekdayOf(int64_t day)
{
    return static_cast<int>(((day % 7) + 11) % 7); // 1970-01-01 was a Thursday
}

// The moment at which the local clock of `day` shows `seconds` after midnight: a clock time
// a change repeats is its first occurrence, one the change skips moves forward with it.
// (mktime's own guess for these depends on what it was asked before.)
int64_t ClockOf(int64_t day, int32_t seconds)
{
    std::tm fields = Fields(day * kDay, false);
    fields.tm_sec = seconds; // mktime carries it into minutes and hours
    int64_t exact = INT64_MAX, latest = INT64_MIN;
    for (int dst : {0, 1}) {
        std::tm asked = fields;
        asked.tm_isdst = dst;
        const int64_t t = std::mktime(&asked);
        const std::tm back = Fields(t);
        latest = std::max(latest, t);
        if (back.tm_mday == fields.tm_mday &&
            back.tm_hour * 3600 + back.tm_min * 60 + back.tm_sec == seconds)
            exact = std::min(exact, t);
    }
    return exact != INT64_MAX ? exact : latest;
}

std::string Text(LDateTime moment, const char* format = "%Y-%m-%d %H:%M:%S")
{
    char text[64] = "(no date)";
    const std::tm fields = Fields(moment.Get());
    if (moment.IsSet())
        std::strftime(text, sizeof text, format, &fields);
    return text;
}

std::string DayText(int64_t day)
{
    return Text(LDateTime(ClockOf(day, 43200)), "%Y-%m-%d");
}

std::string SeedHead(uint32_t seed, std::string_view rule)
{
    return "seed " + to_string(seed) + ": " + std::string(rule) + ": ";
}

// Money for worked seconds at an hourly rate, in single precision as the planner prices.
int64_t Price(int64_t seconds, int64_t rate)
{
    return static_cast<int64_t>(static_cast<float>(seconds) / 3600.0f * static_cast<float>(rate));
}

struct Span {
    int64_t begin = 0, end = 0;
};

// What a day's shift offers on a calendar (available) and what of it lies in a stretch.
struct DayUse {
    int64_t day = 0, available = 0, used = 0;
};

// The shifts of a schedule, day by day, minus some spans.
class Calendar {
public:
    explicit Calendar(const QPSchedule& schedule) : schedule_(schedule) {}

    bool Empty() const { return *std::ranges::max_element(schedule_.shiftDuration) <= 0; }

    // The shift of a day, if it has one. Where the previous day's shift runs into it, it
    // starts where that one ends.
    Span ShiftOn(int64_t day) const
    {
        const auto plain = [&](int64_t d) {
            const int weekday = WeekdayOf(d);
            const int64_t begin = ClockOf(d, schedule_.shiftStart[weekday].Get());
            return Span{begin, begin + schedule_.shiftDuration[weekday]};
        };
        Span shift = plain(day);
        if (schedule_.shiftDuration[WeekdayOf(day - 1)] > 0)
            shift.begin = std::max(shift.begin, plain(day - 1).end);
        return shift.begin < shift.end ? shift : Span{};
    }

    // An exception of `workSeconds` on `day`: from the shift start clock time of that day
    // until that much of this schedule's shift time has passed.
    Span ExceptionSpan(int64_t day, int32_t workSeconds) const
    {
        const int64_t begin = ClockOf(day, schedule_.shiftStart[WeekdayOf(day)].Get());
        int64_t remaining = workSeconds, cursor = begin;
        for (int64_t d = day - 1; !Empty() && remaining > 0 && d < day + kReach / kDay; ++d) {
            const Span shift = ShiftOn(d);
            const int64_t from = std::max(shift.begin, cursor);
            if (from >= shift.end)
                continue;
            if (shift.end - from >= remaining)
                return Span{begin, from + remaining};
            remaining -= shift.end - from;
            cursor = shift.end;
        }
        return Span{begin, cursor};
    }

    // Every day whose shift meets [from, to), in order.
    std::vector<DayUse> DaysMeeting(int64_t from, int64_t to) const
    {
        std::vector<DayUse> days;
        for (int64_t day = DayOf(from) - 1; !Empty() && to > from && day <= DayOf(to) + 1; ++day) {
            const Span shift = ShiftOn(day);
            const int64_t a = std::max(shift.begin, from), b = std::min(shift.end, to);
            if (a < b)
                days.push_back(DayUse{day,
                                      shift.end - shift.begin - Removed(shift.begin, shift.end),
                                      b - a - Removed(a, b)});
        }
        return days;
    }

    std::vector<Span> removed; // sorted by their beginnings

private:
    // The time the removed spans take out of [from, to).
    int64_t Removed(int64_t from, int64_t to) const
    {
        int64_t total = 0;
        for (const Span& span : removed) {
            const int64_t a = std::max(span.begin, from), b = std::min(span.end, to);
            if (a < b) {
                total += b - a;
                from = b;
            }
        }
        return total;
    }

    const QPSchedule& schedule_;
};

// One assignment of a task with the working time it counts on day by day (none when the
// task's dates cannot be worked through), on the schedule whose week prices the work.
struct Booking {
    const QPTask* task;
    const QPResource* resource;
    int32_t percent;
    const QPSchedule* schedule;
    std::vector<DayUse> days;
};

class Oracle {
public:
    Oracle(const QPProject& project, uint32_t seed) : project_(project), seed_(seed) {}

    std::vector<std::string> Links(std::string_view label)
    {
        static const char* const kLinks[] = {"FS", "SS", "FF", "SF"};
        std::vector<std::string> lines;
        for (const QPTask& task : project_.tasks) {
            if (!task.autoSchedule || task.isHeader || OnLoop(task))
                continue;
            for (const QPTaskDependency& link : LinksOf(task)) {
                const QPTask* predecessor = project_.tasks.GetElementByKey(link.predecessorKey);
                if (!predecessor || link.type < 0 || link.type > 3)
                    continue;
                const bool fromStart = link.type == eStartToStart || link.type == eStartToFinish;
                const bool toFinish = link.type == eFinishToFinish || link.type == eStartToFinish;
                const LDateTime own = toFinish ? task.finish : task.start;
                // A lag in days is elapsed seconds (a single-precision product, truncated).
                const LDateTime needed = (fromStart ? predecessor->start : predecessor->finish) +
                                         static_cast<int64_t>(link.lag * 86400.0f);
                // A date of its own may win over the link; its slack then shows by how much.
                const int32_t c = task.constraintType;
                const bool fixed = c == eConstraintStartOn || c == eConstraintFinishOn ||
                                   c == eConstraintStartBefore || c == eConstraintFinishBefore;
                if (own < needed && (!fixed || task.totalSlack >= 0))
                    lines.push_back(Head(label) + task.name.str() + " at " + Text(own) + ": " +
                                    kLinks[link.type] + " on " + predecessor->name.str() +
                                    " needs " + Text(needed));
            }
        }
        return lines;
    }

    std::vector<std::string> Work()
    {
        std::vector<std::string> lines;
        for (const QPTask& task : project_.tasks) {
            // Work hours as typed ("8", "4.5"), in whole seconds; the plans type quarter hours.
            const auto work =
                    static_cast<int64_t>(std::strtod(task.durationText.c_str(), nullptr) * 3600);
            const bool fixedDuration = task.taskType == eTaskTypeFixedDuration;
            // A manual Fixed Duration task's dates are the user's: they are its duration.
            if (task.isHeader || task.milestone || (!task.autoSchedule && fixedDuration) ||
                work <= 0)
                continue;
            // The crew: the bookings of the task, on their distinct schedules; held work in
            // hundredths of a second.
            std::set<int64_t> schedules;
            int32_t percent = 0;
            int64_t held = 0;
            bool anyShift = false;
            for (const Booking& b : bookings_)
                if (b.task == &task) {
                    percent += b.percent;
                    schedules.insert(b.schedule->key);
                    anyShift = anyShift || !CalendarFor(*b.schedule, nullptr).Empty();
                    for (const DayUse& use : b.days)
                        held += b.percent * use.used;
                }
            // Fixed Duration, and a crew that is empty or has no shift at all, work one
            // calendar at 100 %: the task's own, or the default one.
            if (fixedDuration || !anyShift) {
                const Calendar& single = CalendarFor(
                        ScheduleOf(fixedDuration ? task.scheduleKey : project_.defaultScheduleKey),
                        nullptr);
                if (single.Empty())
                    continue;
                schedules = {-1};
                percent = 100;
                held = 0;
                for (const DayUse& use :
                     Usable(task) ? single.DaysMeeting(task.start.Get(), task.finish.Get())
                                  : std::vector<DayUse>{})
                    held += 100 * use.used;
            }
            const std::string head = Head("rule 2 (work placed)") + task.name.str() + " " +
                                     Text(task.start) + " to " + Text(task.finish) + " ";
            // One calendar: the finish falls on a whole second, up to one second of the
            // crew's work over. Several: the finish is rounded up to a quarter hour on each.
            const auto count = static_cast<int64_t>(schedules.size());
            const int64_t allowed = count == 1 ? 100 + std::max<int64_t>(100, percent)
                                               : int64_t(900) * percent * count;
            if (!Usable(task))
                lines.push_back(head + "cannot hold its work of " + to_string(work) + " s");
            else if (held < 100 * work || held > 100 * work + allowed)
                lines.push_back(head + "holds " + to_string(held) + " cs for " + to_string(work) +
                                " s at " + to_string(percent) + "% on " + to_string(count));
        }
        return lines;
    }

    std::vector<std::string> Leveling()
    {
        // Day shares of every task without a resource conflict, per resource and day.
        std::map<std::pair<int64_t, int64_t>, std::pair<int64_t, std::string>> levels;
        for (const Booking& b : bookings_)
            for (const DayUse& use : b.task->resourceConflict ? std::vector<DayUse>{} : b.days)
                if (use.available > 0) {
                    const int64_t added = use.used * 100 / use.available * b.percent / 100;
                    auto& [level, tasks] = levels[{b.resource->key, use.day}];
                    level += added;
                    tasks += " " + b.task->name.str() + " " + to_string(added);
                }
        std::vector<std::string> lines;
        for (const auto& [where, level] : levels)
            if (level.first > 100)
                lines.push_back(Head("rule 3 (leveling levels)") +
                                project_.resources.GetElementByKey(where.first)->name.str() +
                                " is at " + to_string(level.first) + " on " +
                                DayText(where.second) + ":" + level.second);
        return lines;
    }

    std::vector<std::string> Costs(int64_t today)
    {
        // Worked seconds of each resource per day, over all its tasks.
        std::map<std::pair<int64_t, int64_t>, int64_t> total;
        for (const Booking& b : bookings_)
            for (const DayUse& use : b.days)
                total[{b.resource->key, use.day}] += use.used * b.percent / 100;
        // The money to check: what the plan says, what the bookings add up to, and how many.
        std::map<std::string, std::array<int64_t, 3>> money;
        for (const QPTask& t : project_.tasks)
            if (!t.isHeader && (!t.start.IsSet() || !t.finish.IsSet() ||
                                (Reachable(t.start.Get()) && Reachable(t.finish.Get())))) {
                money["task " + t.name.str() + " cost"][0] = t.scheduledCost;
                money["task " + t.name.str() + " cost to date"][0] = t.scheduledCostToDate;
            }
        for (const QPResource& r : project_.resources) {
            money[r.name.str() + " regular cost"][0] = r.regularCost;
            money[r.name.str() + " overtime cost"][0] = r.overtimeCost;
        }
        for (const Booking& b : bookings_) {
            const int64_t limit = b.schedule->regularWorkWeek, key = b.resource->key;
            int64_t regular[2] = {0, 0}, overtime[2] = {0, 0}; // all, and to date
            for (const DayUse& use : b.days) {
                const int64_t day = use.day, seconds = use.used * b.percent / 100;
                const int64_t dayTotal = total[{key, day}];
                if (seconds <= 0 || dayTotal <= 0)
                    continue;
                // The regular hours of a week go up to the regular work week, day by day.
                int64_t regularDay = dayTotal;
                if (limit >= 1 && limit <= 604799) {
                    int64_t before = 0;
                    const int weekStart = ((b.schedule->workWeekStart % 7) + 7) % 7;
                    for (int64_t d = day - (WeekdayOf(day) - weekStart + 7) % 7; d < day; ++d)
                        before += total[{key, d}];
                    regularDay = std::clamp(limit - before, int64_t(0), dayTotal);
                }
                for (int i = 0; i < (day <= today ? 2 : 1); ++i) {
                    regular[i] += seconds * regularDay / dayTotal;
                    overtime[i] += seconds - seconds * regularDay / dayTotal;
                }
            }
            const int64_t regularPrice = Price(regular[0], b.resource->hourlyRate);
            const int64_t overtimePrice = Price(overtime[0], b.resource->overtimeRate);
            const int64_t toDate = Price(regular[1], b.resource->hourlyRate) +
                                   Price(overtime[1], b.resource->overtimeRate);
            const std::string task = "task " + b.task->name.str() + " cost";
            for (const auto& [what, amount] :
                 {std::pair{task, regularPrice + overtimePrice},
                  {task + " to date", toDate},
                  {b.resource->name.str() + " regular cost", regularPrice},
                  {b.resource->name.str() + " overtime cost", overtimePrice}})
                if (const auto it = money.find(what); it != money.end()) {
                    it->second[1] += amount;
                    ++it->second[2];
                }
        }
        // Each assignment's money is rounded on its own: up to 2 apart per assignment.
        std::vector<std::string> lines;
        for (const auto& [what, m] : money)
            if (std::llabs(m[0] - m[1]) > 2 * m[2])
                lines.push_back(Head("rule 4 (cost)") + what + " " + to_string(m[0]) +
                                ", expected " + to_string(m[1]) + " (today " + DayText(today) +
                                ")");
        return lines;
    }

    std::vector<std::string> Dates()
    {
        std::vector<std::string> lines;
        const std::string head = Head("rule 6 (dates set)");
        const LDateTime earliest = project_.projectStart - 3652 * kDay; // ten years
        for (const QPTask& task : project_.tasks) {
            const std::string name = task.name.str();
            for (const auto& [what, date] : {std::pair{"start", task.start},
                                             {"finish", task.finish},
                                             {"display start", task.displayStart}})
                if (!date.IsSet() || date < earliest)
                    lines.push_back(head + name + " " + what + " " + Text(date) + " too early");
            if (task.start > task.finish)
                lines.push_back(head + name + " starts " + Text(task.start) +
                                " after it finishes " + Text(task.finish));
            LDateTime first, last;
            for (int64_t key : task.isHeader ? task.subtaskKeys : std::vector<int64_t>{})
                if (const QPTask* member = project_.tasks.GetElementByKey(key);
                    member && member->start.IsSet() && member->finish.IsSet()) {
                    first = first.IsSet() ? std::min(first, member->start) : member->start;
                    last = last.IsSet() ? std::max(last, member->finish) : member->finish;
                }
            if (first.IsSet() && (task.start != first || task.finish != last))
                lines.push_back(head + "header " + name + " spans " + Text(task.start) + " to " +
                                Text(task.finish) + ", its members " + Text(first) + " to " +
                                Text(last));
        }
        return lines;
    }

private:
    std::string Head(std::string_view rule) const { return SeedHead(seed_, rule); }
    const QPSchedule& ScheduleOf(int64_t key) const
    {
        const QPSchedule* schedule = project_.schedules.GetElementByKey(key);
        return schedule ? *schedule
                        : *project_.schedules.GetElementByKey(project_.defaultScheduleKey);
    }
    bool Reachable(int64_t moment) const
    {
        const int64_t start = project_.projectStart.Get();
        return moment != 0 && moment > start - kReach && moment < start + kReach;
    }
    // Dates set, in order and near enough to the project start to be worth working through.
    bool Usable(const QPTask& task) const
    {
        return task.start < task.finish && Reachable(task.start.Get()) &&
               Reachable(task.finish.Get());
    }

    // A schedule minus its exceptions and, with a resource, the resource's own (measured on
    // the resource's schedule, wherever it works).
    const Calendar& CalendarFor(const QPSchedule& shifts, const QPResource* resource)
    {
        std::unique_ptr<Calendar>& calendar =
                calendars_[{shifts.key, resource ? resource->key : int64_t(-1)}];
        if (calendar)
            return *calendar;
        calendar = std::make_unique<Calendar>(shifts);
        std::vector<Span>& removed = calendar->removed;
        for (const QPScheduleException& exception : shifts.exceptions)
            removed.push_back(
                    calendar->ExceptionSpan(DayOf(exception.date.Get()), exception.workSeconds));
        const Calendar& own =
                resource ? CalendarFor(ScheduleOf(resource->scheduleKey), nullptr) : *calendar;
        for (const QPScheduleException& exception :
             resource ? resource->exceptions : std::vector<QPScheduleException>{})
            removed.push_back(
                    own.ExceptionSpan(DayOf(exception.date.Get()), exception.workSeconds));
        std::sort(removed.begin(), removed.end(),
                  [](const Span& a, const Span& b) { return a.begin < b.begin; });
        return *calendar;
    }

    // Every assignment of a resource that exists, on what it counts on: its resource's own
    // calendar on Fixed Work, the task's calendar minus the resource's exceptions on Fixed
    // Duration.
    std::vector<Booking> Bookings()
    {
        std::vector<Booking> bookings;
        for (const QPTask& task : project_.tasks)
            for (const QPResourceAssignment& assignment : task.resourceAssignments) {
                const QPResource* resource =
                        project_.resources.GetElementByKey(assignment.resourceKey);
                if (task.isHeader || !resource)
                    continue;
                const QPSchedule& schedule =
                        ScheduleOf(task.taskType == eTaskTypeFixedDuration ? task.scheduleKey
                                                                           : resource->scheduleKey);
                bookings.push_back({&task, resource, assignment.percent, &schedule, {}});
                if (Usable(task))
                    bookings.back().days =
                            CalendarFor(schedule, resource)
                                    .DaysMeeting(task.start.Get(), task.finish.Get());
            }
        return bookings;
    }

    // The task's links: its own, and its header's Finish-to-Start and Start-to-Start ones.
    std::vector<QPTaskDependency> LinksOf(const QPTask& task) const
    {
        std::vector<QPTaskDependency> links = task.dependencies;
        for (const QPTask& header : project_.tasks)
            if (header.isHeader && &header != &task && header.HasSubtaskKey(task.key))
                for (const QPTaskDependency& link : header.dependencies)
                    if (link.type == eFinishToStart || link.type == eStartToStart)
                        links.push_back(link);
        return links;
    }

    bool OnLoop(const QPTask& task) const
    {
        std::vector<const QPTask*> stack{&task};
        std::set<const QPTask*> seen;
        while (!stack.empty()) {
            const QPTask* current = stack.back();
            stack.pop_back();
            for (const QPTaskDependency& link : LinksOf(*current)) {
                const QPTask* predecessor = project_.tasks.GetElementByKey(link.predecessorKey);
                if (predecessor == &task)
                    return true;
                if (predecessor && seen.insert(predecessor).second)
                    stack.push_back(predecessor);
            }
        }
        return false;
    }

    const QPProject& project_;
    uint32_t seed_;
    std::map<std::pair<int64_t, int64_t>, std::unique_ptr<Calendar>> calendars_;
    const std::vector<Booking> bookings_ = Bookings(); // after the calendars it fills
};

// Every result of a recalculated plan as text, by what it belongs to.
std::map<std::string, std::string> Results(const QPProject& project)
{
    std::map<std::string, std::string> results;
    const auto put = [&](const std::string& what, std::initializer_list<int64_t> values) {
        for (int64_t value : values)
            results[what] += " " + to_string(value);
    };
    put("project finish", {project.projectFinish.Get()});
    for (const QPTask& t : project.tasks)
        put("task " + to_string(t.key) + " " + t.name.str() +
                    " start, finish, display start, free and total slack and their successors, "
                    "cost, cost to date",
            {t.start.Get(), t.finish.Get(), t.displayStart.Get(), t.freeSlack, t.totalSlack,
             t.freeSlackSuccessorID, t.totalSlackSuccessorID, t.scheduledCost,
             t.scheduledCostToDate});
    for (const QPResource& r : project.resources)
        put("resource " + to_string(r.key) + " " + r.name.str() + " regular, overtime cost",
            {r.regularCost, r.overtimeCost});
    return results;
}

} // namespace

int64_t DayOf(int64_t moment)
{
    std::tm fields = Fields(moment);
    return static_cast<int64_t>(timegm(&fields)) / kDay; // the local clock read as UTC
}

std::vector<std::string> CheckLinks(const QPProject& project, uint32_t seed, std::string_view label)
{
    return Oracle(project, seed).Links(label);
}

std::vector<std::string> CheckPlan(const QPProject& project, uint32_t seed, int64_t today)
{
    Oracle oracle(project, seed);
    std::vector<std::string> lines = oracle.Links("rule 1 (links hold)");
    for (std::vector<std::string> more :
         {oracle.Work(), oracle.Leveling(), oracle.Costs(today), oracle.Dates()})
        lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

std::vector<std::string> CompareResults(const QPProject& before, const QPProject& after,
                                        uint32_t seed, std::string_view step)
{
    std::vector<std::string> lines;
    const std::map<std::string, std::string> was = Results(before);
    const std::map<std::string, std::string> is = Results(after);
    for (const auto& [what, value] : was)
        if (!is.count(what) || is.at(what) != value)
            lines.push_back(SeedHead(seed, "rule 5 (stable)") + std::string(step) + ": " + what +
                            ":" + value + " became" + (is.count(what) ? is.at(what) : " missing"));
    return lines;
}

std::vector<std::string> CheckLateOnlyUsesSlack(const QPProject& late, const QPProject& soon,
                                                uint32_t seed)
{
    std::vector<std::string> lines;
    const std::string head = SeedHead(seed, "rule 7 (late only uses slack)");
    if (late.projectFinish != soon.projectFinish)
        lines.push_back(head + "the project finishes " + Text(late.projectFinish) +
                        ", as soon as possible " + Text(soon.projectFinish));
    // The As Late As Possible tasks may move later, and so may the tasks that wait for one
    // that may: through their own links, their header's, or as a header through a member.
    std::set<int64_t> mayMove;
    for (std::size_t size = SIZE_MAX; size != mayMove.size();) {
        size = mayMove.size();
        for (const QPTask& task : late.tasks) {
            const QPTask* header = late.tasks.GetElementByKey(task.headerKey);
            std::vector<QPTaskDependency> links = task.dependencies;
            if (header)
                links.insert(links.end(), header->dependencies.begin(), header->dependencies.end());
            bool moves = task.constraintType == eConstraintAsLateAsPossible ||
                         (header && mayMove.count(header->key));
            for (const QPTaskDependency& link : links)
                moves = moves || mayMove.count(link.predecessorKey);
            if (moves && header)
                mayMove.insert(header->key);
            if (moves)
                mayMove.insert(task.key);
        }
    }
    for (const QPTask& task : late.tasks) {
        const QPTask* other = soon.tasks.GetElementByKey(task.key);
        if (task.isHeader || !other)
            continue;
        if (mayMove.count(task.key) ? task.start < other->start || task.finish < other->finish
                                    : task.start != other->start || task.finish != other->finish)
            lines.push_back(head + task.name.str() + " " + Text(task.start) + " to " +
                            Text(task.finish) + ", as soon as possible " + Text(other->start) +
                            " to " + Text(other->finish));
    }
    return lines;
}

} // namespace plan_oracle
