#include "support/PlanOracle.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <set>

namespace plan_oracle {

namespace {

constexpr int64_t kDay = 86400;
// Plans start in one year and end within a few; anything further out is not worth walking
// through day by day.
constexpr int64_t kReach = int64_t(60) * 366 * kDay;

std::tm LocalFields(int64_t moment)
{
    std::tm fields{};
    const auto t = static_cast<std::time_t>(moment);
    localtime_r(&t, &fields);
    return fields;
}

// The civil date of a day number.
std::tm CivilFields(int64_t day)
{
    std::tm fields{};
    const auto t = static_cast<std::time_t>(day * kDay);
    gmtime_r(&t, &fields);
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
    std::tm fields = CivilFields(day);
    fields.tm_hour = seconds / 3600;
    fields.tm_min = seconds % 3600 / 60;
    fields.tm_sec = seconds % 60;
    int64_t exact = std::numeric_limits<int64_t>::max();
    int64_t latest = std::numeric_limits<int64_t>::min();
    for (int dst : {0, 1}) {
        std::tm asked = fields;
        asked.tm_isdst = dst;
        const int64_t t = std::mktime(&asked);
        const std::tm back = LocalFields(t);
        latest = std::max(latest, t);
        if (back.tm_mday == fields.tm_mday && back.tm_hour == fields.tm_hour &&
            back.tm_min == fields.tm_min && back.tm_sec == fields.tm_sec)
            exact = std::min(exact, t);
    }
    return exact != std::numeric_limits<int64_t>::max() ? exact : latest;
}

std::string Format(const char* format, const std::tm& fields)
{
    char text[64];
    std::strftime(text, sizeof text, format, &fields);
    return text;
}

std::string DayText(int64_t day)
{
    return Format("%Y-%m-%d", CivilFields(day));
}

std::string Text(LDateTime moment)
{
    return moment.IsSet() ? Format("%Y-%m-%d %H:%M:%S", LocalFields(moment.Get())) : "(no date)";
}

std::string Seconds(int64_t seconds)
{
    return std::to_string(seconds) + " s";
}

// Hundredths of a second of work as "123.45 s".
std::string Hundredths(int64_t hundredths)
{
    char text[48];
    std::snprintf(text, sizeof text, "%s%lld.%02lld s", hundredths < 0 ? "-" : "",
                  std::llabs(hundredths) / 100, std::llabs(hundredths) % 100);
    return text;
}

const char* LinkName(int32_t type)
{
    static const char* const kNames[] = {"Finish-to-Start", "Start-to-Start", "Finish-to-Finish",
                                         "Start-to-Finish"};
    return type >= 0 && type <= 3 ? kNames[type] : "unknown link";
}

const char* ConstraintName(int32_t type)
{
    static const char* const kNames[] = {"None",      "As Late As Possible", "As Soon As Possible",
                                         "Start On",  "Start Before",        "Start After",
                                         "Finish On", "Finish Before",       "Finish After"};
    return type >= 0 && type <= 8 ? kNames[type] : "None";
}

std::string Name(const QPTask& task)
{
    return task.name.str();
}

// Money for worked seconds at an hourly rate, in single precision as the planner prices.
int64_t Price(int64_t seconds, int64_t rate)
{
    return static_cast<int64_t>(static_cast<float>(seconds) / 3600.0f * static_cast<float>(rate));
}

// A lag in days as elapsed seconds (single-precision product, truncated).
int64_t LagSeconds(float lagDays)
{
    return static_cast<int64_t>(lagDays * 86400.0f);
}

// Work hours as typed ("8", "4.5") in seconds, in exact decimals, truncated; 0 for none.
int64_t WorkSecondsOf(std::string_view hoursText)
{
    int64_t numerator = 0;
    int64_t denominator = 1;
    bool point = false;
    for (char c : hoursText) {
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            if (numerator > std::numeric_limits<int64_t>::max() / 100 ||
                denominator > std::numeric_limits<int64_t>::max() / 100)
                break;
            numerator = numerator * 10 + (c - '0');
            denominator *= point ? 10 : 1;
        } else {
            return 0;
        }
    }
    return numerator * 3600 / denominator;
}

bool IsFixedDuration(const QPTask& task)
{
    return task.taskType == eTaskTypeFixedDuration;
}

int WeekStartOf(const QPSchedule& schedule)
{
    return ((schedule.workWeekStart % 7) + 7) % 7;
}

struct Span {
    int64_t begin = 0;
    int64_t end = 0;
};

// What a day's shift offers on a calendar (available) and what of it lies in a stretch.
struct DayUse {
    int64_t day = 0;
    int64_t available = 0;
    int64_t used = 0;
};

} // namespace

int64_t DayOf(int64_t moment)
{
    std::tm fields = LocalFields(moment);
    std::tm civil{};
    civil.tm_year = fields.tm_year;
    civil.tm_mon = fields.tm_mon;
    civil.tm_mday = fields.tm_mday;
    return static_cast<int64_t>(timegm(&civil)) / kDay;
}

// The shifts of a schedule, day by day, minus some spans.
class Calendar {
public:
    explicit Calendar(const QPSchedule& schedule) : schedule_(schedule)
    {
        for (int32_t length : schedule.shiftDuration)
            empty_ = empty_ && length <= 0;
    }

    bool Empty() const { return empty_; }

    // The shift of a day, if it has one. Where the previous day's shift runs into it, it
    // starts where that one ends.
    Span ShiftOn(int64_t day)
    {
        const auto it = shifts_.find(day);
        if (it != shifts_.end())
            return it->second;
        const auto plain = [&](int64_t d) {
            const auto weekday = static_cast<std::size_t>(WeekdayOf(d));
            const int64_t begin = ClockOf(d, schedule_.shiftStart[weekday].Get());
            return Span{begin, begin + schedule_.shiftDuration[weekday]};
        };
        Span shift;
        if (schedule_.shiftDuration[static_cast<std::size_t>(WeekdayOf(day))] > 0) {
            shift = plain(day);
            if (schedule_.shiftDuration[static_cast<std::size_t>(WeekdayOf(day - 1))] > 0)
                shift.begin = std::max(shift.begin, plain(day - 1).end);
            if (shift.begin >= shift.end)
                shift = Span{};
        }
        return shifts_[day] = shift;
    }

    // An exception of `workSeconds` on `day`: from the shift start clock time of that day
    // until that much of this schedule's shift time has passed.
    Span ExceptionSpan(int64_t day, int32_t workSeconds)
    {
        const int64_t begin = ClockOf(day, schedule_.shiftStart[WeekdayOf(day)].Get());
        int64_t remaining = workSeconds;
        int64_t cursor = begin;
        for (int64_t d = day - 1; !empty_ && remaining > 0 && d < day + kReach / kDay; ++d) {
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

    void Remove(std::vector<Span> spans)
    {
        std::sort(spans.begin(), spans.end(),
                  [](const Span& a, const Span& b) { return a.begin < b.begin; });
        for (const Span& span : spans) {
            if (span.end <= span.begin)
                continue;
            if (!removed_.empty() && span.begin <= removed_.back().end)
                removed_.back().end = std::max(removed_.back().end, span.end);
            else
                removed_.push_back(span);
        }
    }

    // Every day whose shift meets [from, to), in order.
    std::vector<DayUse> DaysMeeting(int64_t from, int64_t to)
    {
        std::vector<DayUse> days;
        for (int64_t day = DayOf(from) - 1; !empty_ && to > from && day <= DayOf(to) + 1; ++day) {
            const Span shift = ShiftOn(day);
            const int64_t a = std::max(shift.begin, from);
            const int64_t b = std::min(shift.end, to);
            if (a < b)
                days.push_back(DayUse{day,
                                      shift.end - shift.begin - Removed(shift.begin, shift.end),
                                      b - a - Removed(a, b)});
        }
        return days;
    }

    int64_t Available(int64_t from, int64_t to)
    {
        int64_t total = 0;
        for (const DayUse& use : DaysMeeting(from, to))
            total += use.used;
        return total;
    }

private:
    int64_t Removed(int64_t from, int64_t to) const
    {
        int64_t total = 0;
        for (const Span& span : removed_)
            total += std::max<int64_t>(0, std::min(span.end, to) - std::max(span.begin, from));
        return total;
    }

    const QPSchedule& schedule_;
    bool empty_ = true;
    std::map<int64_t, Span> shifts_;
    std::vector<Span> removed_;
};

struct PlanOracle::Crew {
    // Existing resources with their percent.
    std::vector<std::pair<const QPResource*, int32_t>> members;
    // Distinct schedules they follow.
    int schedules = 0;
    int32_t percentSum = 0;
    // No member, or no member's schedule has any shift: the default calendar at 100%.
    bool fallback = false;
};

// One assignment's worked seconds and money.
struct PlanOracle::AssignmentCost {
    int64_t taskKey = -1;
    const QPResource* resource = nullptr;
    const QPSchedule* schedule = nullptr; // the one whose week prices the work
    std::map<int64_t, int64_t> days;      // worked seconds per day
    int64_t regular = 0;
    int64_t overtime = 0;
    int64_t regularPrice = 0;
    int64_t overtimePrice = 0;
    int64_t cost = 0;
    int64_t costToDate = 0;
};

PlanOracle::PlanOracle(const QPProject& project, uint32_t seed) : project_(project), seed_(seed) {}

PlanOracle::~PlanOracle() = default;

std::string PlanOracle::Head(std::string_view rule) const
{
    return "seed " + std::to_string(seed_) + ": " + std::string(rule) + ": ";
}

bool PlanOracle::Reachable(int64_t moment) const
{
    const int64_t start = project_.projectStart.Get();
    return moment != 0 && moment > start - kReach && moment < start + kReach;
}

bool PlanOracle::Usable(const QPTask& task) const
{
    return task.start < task.finish && Reachable(task.start.Get()) && Reachable(task.finish.Get());
}

const QPSchedule* PlanOracle::ScheduleOf(int64_t key) const
{
    if (const QPSchedule* schedule = project_.schedules.GetElementByKey(key))
        return schedule;
    return project_.schedules.GetElementByKey(project_.defaultScheduleKey);
}

Calendar& PlanOracle::CalendarFor(const QPSchedule& shifts, const QPResource* resource)
{
    std::unique_ptr<Calendar>& calendar =
            calendars_[{shifts.key, resource ? resource->key : int64_t(-1)}];
    if (!calendar) {
        calendar = std::make_unique<Calendar>(shifts);
        std::vector<Span> removed;
        for (const QPScheduleException& exception : shifts.exceptions)
            removed.push_back(
                    calendar->ExceptionSpan(DayOf(exception.date.Get()), exception.workSeconds));
        // A resource's own exceptions are measured on its own schedule, wherever it works.
        if (resource) {
            Calendar& own = CalendarFor(*ScheduleOf(resource->scheduleKey), nullptr);
            for (const QPScheduleException& exception : resource->exceptions)
                removed.push_back(
                        own.ExceptionSpan(DayOf(exception.date.Get()), exception.workSeconds));
        }
        calendar->Remove(std::move(removed));
    }
    return *calendar;
}

Calendar& PlanOracle::AssignmentCalendar(const QPTask& task, const QPResource& resource)
{
    return CalendarFor(*ScheduleOf(IsFixedDuration(task) ? task.scheduleKey : resource.scheduleKey),
                       &resource);
}

PlanOracle::Crew PlanOracle::CrewOf(const QPTask& task)
{
    Crew crew;
    std::set<int64_t> schedules;
    bool anyShift = false;
    for (const QPResourceAssignment& assignment : task.resourceAssignments) {
        const QPResource* resource = project_.resources.GetElementByKey(assignment.resourceKey);
        if (!resource)
            continue;
        const QPSchedule& schedule = *ScheduleOf(resource->scheduleKey);
        crew.members.emplace_back(resource, assignment.percent);
        crew.percentSum += assignment.percent;
        schedules.insert(schedule.key);
        anyShift = anyShift || !CalendarFor(schedule, nullptr).Empty();
    }
    crew.schedules = static_cast<int>(schedules.size());
    crew.fallback = crew.members.empty() || !anyShift;
    return crew;
}

int64_t PlanOracle::WorkHeldHundredths(const QPTask& task, int64_t from, int64_t to)
{
    const Crew crew = CrewOf(task);
    if (IsFixedDuration(task) || crew.fallback) {
        const int64_t key = IsFixedDuration(task) ? task.scheduleKey : project_.defaultScheduleKey;
        return 100 * CalendarFor(*ScheduleOf(key), nullptr).Available(from, to);
    }
    int64_t held = 0;
    for (const auto& [resource, percent] : crew.members)
        held += percent *
                CalendarFor(*ScheduleOf(resource->scheduleKey), resource).Available(from, to);
    return held;
}

const QPTask* PlanOracle::HeaderOf(const QPTask& task) const
{
    for (const QPTask& other : project_.tasks)
        if (other.isHeader && &other != &task && other.HasSubtaskKey(task.key))
            return &other;
    return nullptr;
}

std::vector<QPTaskDependency> PlanOracle::LinksOf(const QPTask& task) const
{
    std::vector<QPTaskDependency> links = task.dependencies;
    if (const QPTask* header = HeaderOf(task))
        for (const QPTaskDependency& link : header->dependencies)
            if (link.type == eFinishToStart || link.type == eStartToStart)
                links.push_back(link);
    return links;
}

bool PlanOracle::OnLoop(const QPTask& task) const
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

// --- rule 1 -----------------------------------------------------------------------------------

std::vector<std::string> PlanOracle::CheckLinks(std::string_view label)
{
    std::vector<std::string> lines;
    for (const QPTask& task : project_.tasks) {
        if (!task.autoSchedule || task.isHeader || OnLoop(task))
            continue;
        for (const QPTaskDependency& link : LinksOf(task)) {
            const QPTask* predecessor = project_.tasks.GetElementByKey(link.predecessorKey);
            if (!predecessor)
                continue;
            const bool fromStart = link.type == eStartToStart || link.type == eStartToFinish;
            const bool toFinish = link.type == eFinishToFinish || link.type == eStartToFinish;
            const LDateTime anchor = fromStart ? predecessor->start : predecessor->finish;
            const LDateTime own = toFinish ? task.finish : task.start;
            const LDateTime needed = anchor + LagSeconds(link.lag);
            // A date of its own may win over the link; its slack then shows by how much.
            const int32_t c = task.constraintType;
            const bool fixed = c == eConstraintStartOn || c == eConstraintFinishOn ||
                               c == eConstraintStartBefore || c == eConstraintFinishBefore;
            if (own >= needed || (fixed && task.totalSlack < 0))
                continue;
            const bool inherited = std::find(task.dependencies.begin(), task.dependencies.end(),
                                             link) == task.dependencies.end();
            lines.push_back(Head(label) + Name(task) + (toFinish ? " finishes " : " starts ") +
                            Text(own) + ", but its " + LinkName(link.type) + " link on " +
                            Name(*predecessor) + (inherited ? " (through its header)" : "") +
                            " with lag " + std::to_string(link.lag) + " d needs " + Text(needed) +
                            " [" + ConstraintName(c) + ", total slack " + Seconds(task.totalSlack) +
                            "]");
        }
    }
    return lines;
}

// --- rule 2 -----------------------------------------------------------------------------------

std::vector<std::string> PlanOracle::CheckWork()
{
    std::vector<std::string> lines;
    for (const QPTask& task : project_.tasks) {
        const int64_t work = WorkSecondsOf(task.durationText.str());
        const bool fixedDuration = IsFixedDuration(task);
        // A manual Fixed Duration task's dates are the user's: they are its duration.
        if (task.isHeader || task.milestone || (!task.autoSchedule && fixedDuration) || work <= 0)
            continue;
        const Crew crew = CrewOf(task);
        const bool oneCalendar = fixedDuration || crew.fallback;
        const int64_t calendarKey = fixedDuration ? task.scheduleKey
                                    : oneCalendar ? project_.defaultScheduleKey
                                                  : -1;
        if (oneCalendar && CalendarFor(*ScheduleOf(calendarKey), nullptr).Empty())
            continue;
        const int schedules = oneCalendar ? 1 : crew.schedules;
        const int32_t percentSum = oneCalendar ? 100 : crew.percentSum;
        const std::string head =
                Head("rule 2 (work placed)") + Name(task) + " (" +
                (fixedDuration ? "Fixed Duration"
                               : "Fixed Work, " + std::to_string(crew.members.size()) +
                                         " resource(s) at " + std::to_string(percentSum) + "% on " +
                                         std::to_string(schedules) + " schedule(s)") +
                (task.autoSchedule ? "" : ", manual") + ") from " + Text(task.start) + " to " +
                Text(task.finish) + " ";
        if (!Usable(task)) {
            lines.push_back(head + "cannot hold its work of " + Seconds(work));
            continue;
        }
        const int64_t held = WorkHeldHundredths(task, task.start.Get(), task.finish.Get());
        const int64_t wanted = 100 * work;
        // One calendar: the finish falls on a whole second, up to one second of the crew's
        // work over. Several: the finish is rounded up to a quarter hour on each.
        const int64_t allowed = schedules == 1 ? 100 + std::max<int64_t>(100, percentSum)
                                               : int64_t(900) * percentSum * schedules;
        if (held < wanted || held > wanted + allowed)
            lines.push_back(head + "holds " + Hundredths(held) + " of work; its work is " +
                            Seconds(work) + " (" + task.durationText.str() + " h), allowed over " +
                            Hundredths(allowed));
    }
    return lines;
}

// --- rule 3 -----------------------------------------------------------------------------------

std::vector<std::string> PlanOracle::CheckLeveling()
{
    // Day shares of every task without a resource conflict, per resource and day.
    std::map<std::pair<int64_t, int64_t>, std::pair<int64_t, std::string>> levels;
    for (const QPTask& task : project_.tasks) {
        if (task.isHeader || task.resourceConflict || !Usable(task))
            continue;
        for (const QPResourceAssignment& assignment : task.resourceAssignments) {
            const QPResource* resource = project_.resources.GetElementByKey(assignment.resourceKey);
            if (!resource)
                continue;
            for (const DayUse& use : AssignmentCalendar(task, *resource)
                                             .DaysMeeting(task.start.Get(), task.finish.Get())) {
                if (use.available <= 0)
                    continue;
                const int64_t added = use.used * 100 / use.available * assignment.percent / 100;
                auto& [level, tasks] = levels[{resource->key, use.day}];
                level += added;
                tasks += " " + Name(task) + " " + std::to_string(added);
            }
        }
    }
    std::vector<std::string> lines;
    for (const auto& [where, level] : levels)
        if (level.first > 100)
            lines.push_back(Head("rule 3 (leveling levels)") +
                            project_.resources.GetElementByKey(where.first)->name.str() +
                            " is at " + std::to_string(level.first) + " on " +
                            DayText(where.second) + ":" + level.second);
    return lines;
}

// --- rule 4 -----------------------------------------------------------------------------------

std::vector<PlanOracle::AssignmentCost> PlanOracle::Costs(int64_t today)
{
    std::vector<AssignmentCost> costs;
    // Worked seconds of each resource per day, over all its tasks.
    std::map<std::pair<int64_t, int64_t>, int64_t> total;
    for (const QPTask& task : project_.tasks) {
        for (const QPResourceAssignment& assignment : task.resourceAssignments) {
            const QPResource* resource = project_.resources.GetElementByKey(assignment.resourceKey);
            if (task.isHeader || !resource)
                continue;
            AssignmentCost cost;
            cost.taskKey = task.key;
            cost.resource = resource;
            cost.schedule =
                    ScheduleOf(IsFixedDuration(task) ? task.scheduleKey : resource->scheduleKey);
            if (Usable(task))
                for (const DayUse& use :
                     AssignmentCalendar(task, *resource)
                             .DaysMeeting(task.start.Get(), task.finish.Get())) {
                    const int64_t worked = use.used * assignment.percent / 100;
                    cost.days[use.day] += worked;
                    total[{resource->key, use.day}] += worked;
                }
            costs.push_back(std::move(cost));
        }
    }
    const auto totalOn = [&](int64_t resourceKey, int64_t day) {
        const auto it = total.find({resourceKey, day});
        return it == total.end() ? int64_t(0) : it->second;
    };
    for (AssignmentCost& cost : costs) {
        const int64_t limit = cost.schedule->regularWorkWeek;
        const int64_t key = cost.resource->key;
        int64_t regularToDate = 0;
        int64_t overtimeToDate = 0;
        for (const auto& [day, worked] : cost.days) {
            const int64_t dayTotal = totalOn(key, day);
            if (worked <= 0 || dayTotal <= 0)
                continue;
            // The regular hours of a week go up to the regular work week, day by day.
            int64_t regularDay = dayTotal;
            if (limit >= 1 && limit <= 604799) {
                int64_t before = 0;
                for (int64_t d = day - (WeekdayOf(day) - WeekStartOf(*cost.schedule) + 7) % 7;
                     d < day; ++d)
                    before += totalOn(key, d);
                regularDay = std::clamp(limit - before, int64_t(0), dayTotal);
            }
            const int64_t regular = worked * regularDay / dayTotal;
            cost.regular += regular;
            cost.overtime += worked - regular;
            if (day <= today) {
                regularToDate += regular;
                overtimeToDate += worked - regular;
            }
        }
        cost.regularPrice = Price(cost.regular, cost.resource->hourlyRate);
        cost.overtimePrice = Price(cost.overtime, cost.resource->overtimeRate);
        cost.cost = cost.regularPrice + cost.overtimePrice;
        cost.costToDate = Price(regularToDate, cost.resource->hourlyRate) +
                          Price(overtimeToDate, cost.resource->overtimeRate);
    }
    return costs;
}

std::vector<std::string> PlanOracle::CheckCosts(int64_t today)
{
    std::vector<std::string> lines;
    const std::vector<AssignmentCost> costs = Costs(today);
    const std::string head = Head("rule 4 (cost)");
    // Each assignment's money is rounded on its own: up to 2 apart per assignment.
    const auto check = [&](const std::string& what, int64_t actual,
                           const std::vector<const AssignmentCost*>& mine,
                           int64_t AssignmentCost::*field, const std::string& detail) {
        int64_t expected = 0;
        for (const AssignmentCost* cost : mine)
            expected += cost->*field;
        if (std::llabs(actual - expected) > 2 * static_cast<int64_t>(mine.size()))
            lines.push_back(head + what + " " + std::to_string(actual) + ", expected " +
                            std::to_string(expected) + detail);
    };
    for (const QPTask& task : project_.tasks) {
        if (task.isHeader || (task.start.IsSet() && task.finish.IsSet() &&
                              (!Reachable(task.start.Get()) || !Reachable(task.finish.Get()))))
            continue;
        std::vector<const AssignmentCost*> mine;
        std::string detail;
        for (const AssignmentCost& cost : costs)
            if (cost.taskKey == task.key) {
                mine.push_back(&cost);
                detail += "; " + cost.resource->name.str() + ": " + Seconds(cost.regular) + " x " +
                          std::to_string(cost.resource->hourlyRate) + " + " +
                          Seconds(cost.overtime) + " x " +
                          std::to_string(cost.resource->overtimeRate);
            }
        const std::string name =
                Name(task) + " (" + Text(task.start) + " to " + Text(task.finish) + ")";
        check(name + " costs", task.scheduledCost, mine, &AssignmentCost::cost,
              " [" + detail + "]");
        check(name + " costs to date (today " + DayText(today) + ")", task.scheduledCostToDate,
              mine, &AssignmentCost::costToDate, "");
    }
    for (const QPResource& resource : project_.resources) {
        std::vector<const AssignmentCost*> mine;
        for (const AssignmentCost& cost : costs)
            if (cost.resource == &resource)
                mine.push_back(&cost);
        check(resource.name.str() + " regular cost", resource.regularCost, mine,
              &AssignmentCost::regularPrice, "");
        check(resource.name.str() + " overtime cost", resource.overtimeCost, mine,
              &AssignmentCost::overtimePrice, "");
    }
    return lines;
}

// --- rule 6 -----------------------------------------------------------------------------------

std::vector<std::string> PlanOracle::CheckDates()
{
    std::vector<std::string> lines;
    const std::string head = Head("rule 6 (dates set)");
    std::tm fields = LocalFields(project_.projectStart.Get());
    fields.tm_year -= 10;
    fields.tm_isdst = -1;
    const LDateTime earliest(static_cast<int64_t>(std::mktime(&fields)));
    for (const QPTask& task : project_.tasks) {
        for (const auto& [what, date] : {std::pair{"start", task.start},
                                         {"finish", task.finish},
                                         {"display start", task.displayStart}})
            if (!date.IsSet() || date < earliest)
                lines.push_back(head + Name(task) + " " + what + " " + Text(date) +
                                " is not set or lies ten years before the project start");
        if (task.start > task.finish)
            lines.push_back(head + Name(task) + " starts " + Text(task.start) +
                            " after it finishes " + Text(task.finish));
        LDateTime first;
        LDateTime last;
        for (int64_t key : task.isHeader ? task.subtaskKeys : std::vector<int64_t>{}) {
            const QPTask* member = project_.tasks.GetElementByKey(key);
            if (!member || !member->start.IsSet() || !member->finish.IsSet())
                continue;
            if (!first.IsSet() || member->start < first)
                first = member->start;
            if (!last.IsSet() || member->finish > last)
                last = member->finish;
        }
        if (first.IsSet() && (task.start != first || task.finish != last))
            lines.push_back(head + "header " + Name(task) + " spans " + Text(task.start) + " to " +
                            Text(task.finish) + ", its members " + Text(first) + " to " +
                            Text(last));
    }
    return lines;
}

// --- rule 5 -----------------------------------------------------------------------------------

std::vector<std::string> CompareResults(const QPProject& before, const QPProject& after,
                                        uint32_t seed, std::string_view step)
{
    std::vector<std::string> lines;
    const std::string head =
            "seed " + std::to_string(seed) + ": rule 5 (stable): " + std::string(step) + ": ";
    const auto compare = [&](const std::string& what, int64_t was, int64_t is) {
        if (was != is)
            lines.push_back(head + what + " " + std::to_string(was) + " became " +
                            std::to_string(is));
    };
    compare("project finish", before.projectFinish.Get(), after.projectFinish.Get());
    for (const QPTask& task : before.tasks) {
        const QPTask* other = after.tasks.GetElementByKey(task.key);
        const std::string name = Name(task) + (task.autoSchedule ? " " : " (manual) ");
        if (!other) {
            lines.push_back(head + name + "is missing");
            continue;
        }
        compare(name + "start", task.start.Get(), other->start.Get());
        compare(name + "finish", task.finish.Get(), other->finish.Get());
        compare(name + "display start", task.displayStart.Get(), other->displayStart.Get());
        compare(name + "free slack", task.freeSlack, other->freeSlack);
        compare(name + "total slack", task.totalSlack, other->totalSlack);
        compare(name + "free slack successor", task.freeSlackSuccessorID,
                other->freeSlackSuccessorID);
        compare(name + "total slack successor", task.totalSlackSuccessorID,
                other->totalSlackSuccessorID);
        compare(name + "cost", task.scheduledCost, other->scheduledCost);
        compare(name + "cost to date", task.scheduledCostToDate, other->scheduledCostToDate);
    }
    for (const QPResource& resource : before.resources) {
        const QPResource* other = after.resources.GetElementByKey(resource.key);
        if (!other) {
            lines.push_back(head + resource.name.str() + " is missing");
            continue;
        }
        compare(resource.name.str() + " regular cost", resource.regularCost, other->regularCost);
        compare(resource.name.str() + " overtime cost", resource.overtimeCost, other->overtimeCost);
    }
    return lines;
}

// --- rule 7 -----------------------------------------------------------------------------------

std::vector<std::string> CheckLateOnlyUsesSlack(const QPProject& late, const QPProject& soon,
                                                uint32_t seed)
{
    std::vector<std::string> lines;
    const std::string head = "seed " + std::to_string(seed) + ": rule 7 (late only uses slack): ";
    if (late.projectFinish != soon.projectFinish)
        lines.push_back(head + "the project finishes " + Text(late.projectFinish) +
                        " with As Late As Possible tasks, " + Text(soon.projectFinish) +
                        " with them As Soon As Possible");
    // The tasks that wait for an As Late As Possible task may follow it later: through
    // their own links, their header's, or as a header through their subtasks.
    std::map<int64_t, std::vector<int64_t>> waitedForBy;
    for (const QPTask& task : late.tasks) {
        for (const QPTaskDependency& dependency : task.dependencies)
            waitedForBy[dependency.predecessorKey].push_back(task.key);
        if (const QPTask* header = late.tasks.GetElementByKey(task.headerKey)) {
            waitedForBy[header->key].push_back(task.key);
            waitedForBy[task.key].push_back(header->key);
            for (const QPTaskDependency& dependency : header->dependencies)
                waitedForBy[dependency.predecessorKey].push_back(task.key);
        }
    }
    std::set<int64_t> follows;
    std::vector<int64_t> open;
    for (const QPTask& task : late.tasks)
        if (task.constraintType == eConstraintAsLateAsPossible)
            open.push_back(task.key);
    while (!open.empty()) {
        const int64_t key = open.back();
        open.pop_back();
        for (int64_t next : waitedForBy[key])
            if (follows.insert(next).second)
                open.push_back(next);
    }
    for (const QPTask& task : late.tasks) {
        const QPTask* other = soon.tasks.GetElementByKey(task.key);
        if (task.isHeader || !other)
            continue;
        const bool mayMove =
                task.constraintType == eConstraintAsLateAsPossible || follows.count(task.key);
        if (mayMove ? task.start < other->start || task.finish < other->finish
                    : task.start != other->start || task.finish != other->finish)
            lines.push_back(head + Name(task) + " (" + ConstraintName(task.constraintType) +
                            ") lies " + Text(task.start) + " to " + Text(task.finish) +
                            " with the As Late As Possible tasks, " + Text(other->start) + " to " +
                            Text(other->finish) + " with them As Soon As Possible");
    }
    return lines;
}

} // namespace plan_oracle
