#include "support/PlanOracle.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <set>
#include <sstream>
#include <unordered_map>

namespace plan_oracle {

namespace {

constexpr int64_t kDay = 86400;
// Plans start in one year and end within a few; anything further out is not worth walking
// through day by day.
constexpr int64_t kReach = int64_t(60) * 366 * kDay;

void CivilOf(int64_t dayNumber, int& year, int& month, int& day)
{
    // The civil calendar from a day count (proleptic Gregorian, eras of 400 years).
    const int64_t z = dayNumber + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra =
            (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

std::string Seconds(int64_t seconds)
{
    return std::to_string(seconds) + " s";
}

// Hundredths of a second of work as "123.45 s".
std::string Hundredths(int64_t hundredths)
{
    const bool negative = hundredths < 0;
    const int64_t magnitude = negative ? -hundredths : hundredths;
    char text[48];
    std::snprintf(text, sizeof text, "%s%lld.%02lld s", negative ? "-" : "",
                  static_cast<long long>(magnitude / 100), static_cast<long long>(magnitude % 100));
    return text;
}

std::string Text(LDateTime moment)
{
    return moment.IsSet() ? MomentText(moment.Get()) : std::string("(no date)");
}

const char* LinkName(int32_t type)
{
    switch (type) {
    case eFinishToStart:
        return "Finish-to-Start";
    case eStartToStart:
        return "Start-to-Start";
    case eFinishToFinish:
        return "Finish-to-Finish";
    case eStartToFinish:
        return "Start-to-Finish";
    default:
        return "unknown link";
    }
}

const char* ConstraintName(int32_t type)
{
    static const char* const kNames[] = {"None",      "As Late As Possible", "As Soon As Possible",
                                         "Start On",  "Start Before",        "Start After",
                                         "Finish On", "Finish Before",       "Finish After"};
    return (type >= 0 && type <= 8) ? kNames[type] : "None";
}

bool Dated(int32_t type)
{
    return type >= eConstraintStartOn && type <= eConstraintFinishAfter;
}

std::string Name(const QPTask& task)
{
    return task.name.str();
}

std::string LagText(float lag)
{
    std::ostringstream out;
    out << lag << " d";
    return out.str();
}

std::string ClockText(int32_t seconds)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", seconds / 3600, seconds % 3600 / 60);
    return text;
}

std::string LengthText(int64_t seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds % 3600 / 60),
                  static_cast<long long>(seconds % 60));
    return text;
}

bool IsFixedDuration(const QPTask& task)
{
    return task.taskType == eTaskTypeFixedDuration;
}

} // namespace

// --- the local calendar ---------------------------------------------------------------------

int64_t CivilDay(int year, int month, int day)
{
    const int64_t y = static_cast<int64_t>(year) - (month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yearOfEra = y - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int64_t DayOf(int64_t moment)
{
    std::tm fields{};
    const auto t = static_cast<std::time_t>(moment);
    localtime_r(&t, &fields);
    return CivilDay(fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday);
}

int WeekdayOf(int64_t day)
{
    // 1970-01-01 was a Thursday.
    return static_cast<int>(((day % 7) + 7 + 4) % 7);
}

int64_t ClockOf(int64_t day, int32_t secondsAfterMidnight)
{
    int year = 0, month = 0, dayOfMonth = 0;
    CivilOf(day, year, month, dayOfMonth);
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = dayOfMonth;
    fields.tm_hour = secondsAfterMidnight / 3600;
    fields.tm_min = secondsAfterMidnight % 3600 / 60;
    fields.tm_sec = secondsAfterMidnight % 60;
    // A clock time that occurs twice is its first occurrence; one the clock skips moves
    // forward with it. (mktime's own guess for these depends on what it was asked before.)
    std::tm wanted = fields;
    timegm(&wanted);
    int64_t exact = std::numeric_limits<int64_t>::max();
    int64_t latest = std::numeric_limits<int64_t>::min();
    for (int dst : {0, 1}) {
        std::tm asked = fields;
        asked.tm_isdst = dst;
        const std::time_t t = std::mktime(&asked);
        std::tm back{};
        localtime_r(&t, &back);
        latest = std::max<int64_t>(latest, t);
        if (back.tm_mday == wanted.tm_mday && back.tm_hour == wanted.tm_hour &&
            back.tm_min == wanted.tm_min && back.tm_sec == wanted.tm_sec)
            exact = std::min<int64_t>(exact, t);
    }
    return exact != std::numeric_limits<int64_t>::max() ? exact : latest;
}

std::string MomentText(int64_t moment)
{
    std::tm fields{};
    const auto t = static_cast<std::time_t>(moment);
    localtime_r(&t, &fields);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", fields.tm_year + 1900,
                  fields.tm_mon + 1, fields.tm_mday, fields.tm_hour, fields.tm_min, fields.tm_sec);
    return text;
}

std::string DayText(int64_t day)
{
    int year = 0, month = 0, dayOfMonth = 0;
    CivilOf(day, year, month, dayOfMonth);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, dayOfMonth);
    return text;
}

int64_t Price(int64_t seconds, int64_t rate)
{
    return static_cast<int64_t>(static_cast<float>(seconds) / 3600.0f * static_cast<float>(rate));
}

int64_t LagSeconds(float lagDays)
{
    const float product = lagDays * 86400.0f;
    return static_cast<int64_t>(product);
}

int64_t WorkSecondsOf(std::string_view hoursText)
{
    // Exact decimal arithmetic: "4.75" is 475 hundredths of an hour.
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
            if (point)
                denominator *= 10;
        } else {
            return 0;
        }
    }
    return numerator * 3600 / denominator;
}

// --- shifts -----------------------------------------------------------------------------------

ShiftTable::ShiftTable(const std::array<int32_t, 7>& starts, const std::array<int32_t, 7>& lengths)
    : starts_(starts), lengths_(lengths)
{
    for (int32_t length : lengths_)
        if (length > 0)
            empty_ = false;
}

void ShiftTable::Cover(int64_t firstDay, int64_t lastDay)
{
    if (built_ && firstDay >= firstDay_ && lastDay <= lastDay_)
        return;
    int64_t from = firstDay - 62;
    int64_t to = lastDay + 62;
    if (built_) {
        // Grow by at least the present size, so that walks far ahead rebuild rarely.
        const int64_t size = lastDay_ - firstDay_ + 1;
        from = firstDay < firstDay_ ? std::min(from, firstDay_ - size) : firstDay_;
        to = lastDay > lastDay_ ? std::max(to, lastDay_ + size) : lastDay_;
    }
    shifts_.clear();
    int64_t previousEnd = std::numeric_limits<int64_t>::min();
    const auto lengthOn = [&](int64_t day) {
        return lengths_[static_cast<std::size_t>(WeekdayOf(day))];
    };
    if (lengthOn(from - 1) > 0)
        previousEnd = ClockOf(from - 1, starts_[static_cast<std::size_t>(WeekdayOf(from - 1))]) +
                      lengthOn(from - 1);
    for (int64_t day = from; day <= to; ++day) {
        const int32_t length = lengthOn(day);
        if (length <= 0)
            continue;
        const int64_t clock = ClockOf(day, starts_[static_cast<std::size_t>(WeekdayOf(day))]);
        const int64_t end = clock + length;
        // A shift that the previous day's shift still covers starts where that one ends.
        const int64_t begin = std::max(clock, previousEnd);
        if (begin < end)
            shifts_.push_back(Shift{day, begin, end});
        previousEnd = std::max(previousEnd, end);
    }
    firstDay_ = from;
    lastDay_ = to;
    built_ = true;
}

std::size_t ShiftTable::FirstEndingAfter(int64_t moment) const
{
    const auto it =
            std::partition_point(shifts_.begin(), shifts_.end(),
                                 [moment](const Shift& shift) { return shift.end <= moment; });
    return static_cast<std::size_t>(it - shifts_.begin());
}

Span ExceptionSpanOn(int64_t exceptionDay, int32_t workSeconds, ShiftTable& pattern)
{
    const int64_t begin = ClockOf(exceptionDay, pattern.StartOf(WeekdayOf(exceptionDay)));
    if (pattern.Empty() || workSeconds <= 0)
        return Span{begin, begin};
    int64_t remaining = workSeconds;
    int64_t cursor = begin;
    pattern.Cover(exceptionDay - 1, exceptionDay + 31);
    // A long absence on a sparse pattern can run for weeks: walk the shifts, extending the
    // table as the walk reaches its end.
    while (cursor - begin < kReach) {
        const std::vector<Shift>& shifts = pattern.Shifts();
        for (std::size_t i = pattern.FirstEndingAfter(cursor); i < shifts.size(); ++i) {
            const int64_t from = std::max(shifts[i].begin, cursor);
            const int64_t piece = shifts[i].end - from;
            if (piece >= remaining)
                return Span{begin, from + remaining};
            remaining -= piece;
            cursor = shifts[i].end;
        }
        pattern.Cover(exceptionDay - 1, pattern.LastDay() + 366);
    }
    return Span{begin, cursor};
}

// --- calendars ----------------------------------------------------------------------------

Calendar::Calendar(ShiftTable& pattern, std::vector<Span> removed) : pattern_(pattern)
{
    std::sort(removed.begin(), removed.end(),
              [](const Span& a, const Span& b) { return a.begin < b.begin; });
    for (const Span& span : removed) {
        if (span.end <= span.begin)
            continue;
        if (!removed_.empty() && span.begin <= removed_.back().end)
            removed_.back().end = std::max(removed_.back().end, span.end);
        else
            removed_.push_back(span);
    }
}

int64_t Calendar::RemovedWithin(int64_t from, int64_t to) const
{
    int64_t total = 0;
    auto it = std::partition_point(removed_.begin(), removed_.end(),
                                   [from](const Span& span) { return span.end <= from; });
    for (; it != removed_.end() && it->begin < to; ++it)
        total += std::min(it->end, to) - std::max(it->begin, from);
    return total;
}

int64_t Calendar::Available(int64_t from, int64_t to)
{
    if (to <= from || pattern_.Empty())
        return 0;
    pattern_.Cover(DayOf(from) - 1, DayOf(to) + 1);
    const std::vector<Shift>& shifts = pattern_.Shifts();
    int64_t total = 0;
    for (std::size_t i = pattern_.FirstEndingAfter(from); i < shifts.size() && shifts[i].begin < to;
         ++i) {
        const int64_t a = std::max(shifts[i].begin, from);
        const int64_t b = std::min(shifts[i].end, to);
        if (a < b)
            total += (b - a) - RemovedWithin(a, b);
    }
    return total;
}

std::vector<DayUse> Calendar::DaysMeeting(int64_t from, int64_t to)
{
    std::vector<DayUse> days;
    if (to <= from || pattern_.Empty())
        return days;
    pattern_.Cover(DayOf(from) - 1, DayOf(to) + 1);
    const std::vector<Shift>& shifts = pattern_.Shifts();
    for (std::size_t i = pattern_.FirstEndingAfter(from); i < shifts.size() && shifts[i].begin < to;
         ++i) {
        const Shift& shift = shifts[i];
        const int64_t a = std::max(shift.begin, from);
        const int64_t b = std::min(shift.end, to);
        if (a >= b)
            continue;
        days.push_back(DayUse{shift.day,
                              (shift.end - shift.begin) - RemovedWithin(shift.begin, shift.end),
                              (b - a) - RemovedWithin(a, b)});
    }
    return days;
}

// --- the oracle -------------------------------------------------------------------------------

PlanOracle::PlanOracle(const QPProject& project, uint32_t seed) : project_(project), seed_(seed) {}

std::string PlanOracle::Head() const
{
    return "seed " + std::to_string(seed_) + ": ";
}

bool PlanOracle::Reachable(int64_t moment) const
{
    const int64_t start = project_.projectStart.Get();
    return moment != 0 && moment > start - kReach && moment < start + kReach;
}

const QPSchedule* PlanOracle::ScheduleOfResource(const QPResource& resource) const
{
    if (const QPSchedule* schedule = project_.schedules.GetElementByKey(resource.scheduleKey))
        return schedule;
    return project_.schedules.GetElementByKey(project_.defaultScheduleKey);
}

const QPSchedule* PlanOracle::ScheduleOfTask(const QPTask& task) const
{
    if (const QPSchedule* schedule = project_.schedules.GetElementByKey(task.scheduleKey))
        return schedule;
    return project_.schedules.GetElementByKey(project_.defaultScheduleKey);
}

ShiftTable& PlanOracle::Pattern(const QPSchedule& schedule)
{
    std::unique_ptr<ShiftTable>& table = patterns_[schedule.key];
    if (!table) {
        std::array<int32_t, 7> starts{};
        for (std::size_t day = 0; day < 7; ++day)
            starts[day] = schedule.shiftStart[day].Get();
        table = std::make_unique<ShiftTable>(starts, schedule.shiftDuration);
    }
    return *table;
}

Calendar& PlanOracle::CalendarFor(const QPSchedule& shifts, const QPResource* resource)
{
    std::unique_ptr<Calendar>& calendar =
            calendars_[{shifts.key, resource ? resource->key : int64_t(-1)}];
    if (!calendar) {
        std::vector<Span> removed;
        // The schedule's own exceptions are measured on the schedule ...
        for (const QPScheduleException& exception : shifts.exceptions)
            removed.push_back(ExceptionSpanOn(DayOf(exception.date.Get()), exception.workSeconds,
                                              Pattern(shifts)));
        // ... and a resource's on the resource's schedule, wherever its work lies.
        if (resource) {
            if (const QPSchedule* own = ScheduleOfResource(*resource))
                for (const QPScheduleException& exception : resource->exceptions)
                    removed.push_back(ExceptionSpanOn(DayOf(exception.date.Get()),
                                                      exception.workSeconds, Pattern(*own)));
        }
        calendar = std::make_unique<Calendar>(Pattern(shifts), std::move(removed));
    }
    return *calendar;
}

Calendar& PlanOracle::ResourceCalendar(const QPResource& resource)
{
    return CalendarFor(*ScheduleOfResource(resource), &resource);
}

Calendar& PlanOracle::ScheduleCalendar(const QPSchedule& schedule)
{
    return CalendarFor(schedule, nullptr);
}

Calendar& PlanOracle::AssignmentCalendar(const QPTask& task, const QPResource& resource)
{
    if (IsFixedDuration(task))
        return CalendarFor(*ScheduleOfTask(task), &resource);
    return ResourceCalendar(resource);
}

const QPSchedule* PlanOracle::CostSchedule(const QPTask& task, const QPResource& resource) const
{
    return IsFixedDuration(task) ? ScheduleOfTask(task) : ScheduleOfResource(resource);
}

PlanOracle::Crew PlanOracle::CrewOf(const QPTask& task)
{
    Crew crew;
    std::set<int64_t> schedules;
    bool anyShift = false;
    for (const QPResourceAssignment& assignment : task.resourceAssignments) {
        const QPResource* resource = project_.resources.GetElementByKey(assignment.resourceKey);
        if (!resource || !ScheduleOfResource(*resource))
            continue;
        crew.members.emplace_back(resource, assignment.percent);
        crew.percentSum += assignment.percent;
        const QPSchedule& schedule = *ScheduleOfResource(*resource);
        schedules.insert(schedule.key);
        if (!Pattern(schedule).Empty())
            anyShift = true;
    }
    crew.schedules = static_cast<int>(schedules.size());
    crew.fallback = crew.members.empty() || !anyShift;
    return crew;
}

int64_t PlanOracle::WorkHeldHundredths(const QPTask& task, int64_t from, int64_t to)
{
    if (IsFixedDuration(task)) {
        const QPSchedule* schedule = ScheduleOfTask(task);
        return schedule ? 100 * ScheduleCalendar(*schedule).Available(from, to) : 0;
    }
    const Crew crew = CrewOf(task);
    if (crew.fallback) {
        const QPSchedule* standard = project_.GetDefaultSchedule();
        return standard ? 100 * ScheduleCalendar(*standard).Available(from, to) : 0;
    }
    int64_t held = 0;
    for (const auto& [resource, percent] : crew.members)
        held += percent * ResourceCalendar(*resource).Available(from, to);
    return held;
}

const QPTask* PlanOracle::HeaderOf(const QPTask& task) const
{
    for (const QPTask& other : project_.tasks)
        if (other.isHeader && &other != &task &&
            std::find(other.subtaskKeys.begin(), other.subtaskKeys.end(), task.key) !=
                    other.subtaskKeys.end())
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
            if (!predecessor)
                continue;
            if (predecessor == &task)
                return true;
            if (seen.insert(predecessor).second)
                stack.push_back(predecessor);
        }
    }
    return false;
}

std::map<std::pair<int64_t, int64_t>, DayLevel> PlanOracle::Levels()
{
    std::map<std::pair<int64_t, int64_t>, DayLevel> levels;
    for (const QPTask& task : project_.tasks) {
        if (task.isHeader || task.resourceConflict || !(task.start < task.finish) ||
            !Reachable(task.start.Get()) || !Reachable(task.finish.Get()))
            continue;
        for (const QPResourceAssignment& assignment : task.resourceAssignments) {
            const QPResource* resource = project_.resources.GetElementByKey(assignment.resourceKey);
            if (!resource || !ScheduleOfResource(*resource) || !ScheduleOfTask(task))
                continue;
            Calendar& calendar = AssignmentCalendar(task, *resource);
            for (const DayUse& use : calendar.DaysMeeting(task.start.Get(), task.finish.Get())) {
                if (use.available <= 0)
                    continue;
                const int64_t share = use.used * 100 / use.available;
                const int64_t added = share * assignment.percent / 100;
                DayLevel& level = levels[{resource->key, use.day}];
                level.level += added;
                level.tasks.emplace_back(Name(task), added);
            }
        }
    }
    return levels;
}

std::vector<AssignmentCost> PlanOracle::Costs(int64_t today)
{
    struct Work {
        AssignmentCost cost;
        const QPResource* resource = nullptr;
        const QPSchedule* schedule = nullptr;
        std::map<int64_t, int64_t> days;
    };
    std::vector<Work> works;
    // Worked seconds of each resource per day, over all its tasks.
    std::map<std::pair<int64_t, int64_t>, int64_t> total;
    for (const QPTask& task : project_.tasks) {
        if (task.isHeader)
            continue;
        const bool datesUsable = task.start < task.finish && Reachable(task.start.Get()) &&
                                 Reachable(task.finish.Get());
        for (const QPResourceAssignment& assignment : task.resourceAssignments) {
            const QPResource* resource = project_.resources.GetElementByKey(assignment.resourceKey);
            if (!resource || !ScheduleOfResource(*resource) || !ScheduleOfTask(task))
                continue;
            Work work;
            work.cost.taskKey = task.key;
            work.cost.resourceKey = resource->key;
            work.resource = resource;
            work.schedule = CostSchedule(task, *resource);
            if (datesUsable) {
                Calendar& calendar = AssignmentCalendar(task, *resource);
                for (const DayUse& use :
                     calendar.DaysMeeting(task.start.Get(), task.finish.Get())) {
                    const int64_t worked = use.used * assignment.percent / 100;
                    work.days[use.day] += worked;
                    total[{resource->key, use.day}] += worked;
                }
            }
            works.push_back(std::move(work));
        }
    }
    const auto totalOn = [&](int64_t resourceKey, int64_t day) {
        const auto it = total.find({resourceKey, day});
        return it == total.end() ? int64_t(0) : it->second;
    };

    std::vector<AssignmentCost> costs;
    for (Work& work : works) {
        const int64_t limit = work.schedule->regularWorkWeek;
        const bool limited = limit >= 1 && limit <= 604799;
        const int weekStart = ((work.schedule->workWeekStart % 7) + 7) % 7;
        AssignmentCost& cost = work.cost;
        for (const auto& [day, worked] : work.days) {
            const int64_t dayTotal = totalOn(work.resource->key, day);
            if (worked <= 0 || dayTotal <= 0)
                continue;
            int64_t regularDay = dayTotal;
            if (limited) {
                const int64_t first = day - (WeekdayOf(day) - weekStart + 7) % 7;
                int64_t before = 0;
                for (int64_t earlier = first; earlier < day; ++earlier)
                    before += totalOn(work.resource->key, earlier);
                regularDay = std::clamp(limit - before, int64_t(0), dayTotal);
            }
            const int64_t regular = worked * regularDay / dayTotal;
            const int64_t overtime = worked - regular;
            cost.regularSeconds += regular;
            cost.overtimeSeconds += overtime;
            if (day <= today) {
                cost.regularSecondsToDate += regular;
                cost.overtimeSecondsToDate += overtime;
            }
        }
        cost.regularPrice = Price(cost.regularSeconds, work.resource->hourlyRate);
        cost.overtimePrice = Price(cost.overtimeSeconds, work.resource->overtimeRate);
        cost.cost = cost.regularPrice + cost.overtimePrice;
        cost.costToDate = Price(cost.regularSecondsToDate, work.resource->hourlyRate) +
                          Price(cost.overtimeSecondsToDate, work.resource->overtimeRate);
        costs.push_back(cost);
    }
    return costs;
}

// --- rule 1 -----------------------------------------------------------------------------------

std::vector<std::string> PlanOracle::CheckLinks(std::string_view label)
{
    std::vector<std::string> lines;
    for (const QPTask& task : project_.tasks) {
        if (!task.autoSchedule || task.isHeader || OnLoop(task))
            continue;
        const QPTask* header = HeaderOf(task);
        for (const QPTaskDependency& link : LinksOf(task)) {
            const QPTask* predecessor = project_.tasks.GetElementByKey(link.predecessorKey);
            if (!predecessor)
                continue;
            const bool fromStart = link.type == eStartToStart || link.type == eStartToFinish;
            const bool toFinish = link.type == eFinishToFinish || link.type == eStartToFinish;
            const LDateTime anchor = fromStart ? predecessor->start : predecessor->finish;
            const LDateTime own = toFinish ? task.finish : task.start;
            const int64_t lag = LagSeconds(link.lag);
            const LDateTime needed = anchor + lag;
            if (own >= needed)
                continue;
            const bool fixed = task.constraintType == eConstraintStartOn ||
                               task.constraintType == eConstraintFinishOn ||
                               task.constraintType == eConstraintStartBefore ||
                               task.constraintType == eConstraintFinishBefore;
            // A date of its own may win over the link; its slack then shows by how much.
            if (fixed && task.totalSlack < 0)
                continue;
            const bool inherited = std::find(task.dependencies.begin(), task.dependencies.end(),
                                             link) == task.dependencies.end();
            lines.push_back(
                    Head() + std::string(label) + ": " + Name(task) +
                    (toFinish ? " finishes " : " starts ") + Text(own) + ", but its " +
                    LinkName(link.type) + " link on " + Name(*predecessor) +
                    (inherited && header ? " (through its header " + Name(*header) + ")" : "") +
                    " (" + (fromStart ? "start " : "finish ") + Text(anchor) + ", lag " +
                    LagText(link.lag) + " = " + Seconds(lag) + ") needs " + Text(needed) + ": " +
                    Seconds(needed - own) + " early [" + Name(task) + ": " +
                    ConstraintName(task.constraintType) + ", total slack " +
                    Seconds(task.totalSlack) + "]");
        }
    }
    return lines;
}

// --- rule 2 -----------------------------------------------------------------------------------

std::vector<std::string> PlanOracle::CheckWork()
{
    std::vector<std::string> lines;
    for (const QPTask& task : project_.tasks) {
        if (task.isHeader || task.milestone)
            continue;
        const bool fixedDuration = IsFixedDuration(task);
        // A manual Fixed Duration task's dates are the user's: they are its duration.
        if (!task.autoSchedule && fixedDuration)
            continue;
        const int64_t work = WorkSecondsOf(task.durationText.str());
        if (work <= 0)
            continue;
        int schedules = 1;
        int32_t percentSum = 100;
        std::string what;
        if (fixedDuration) {
            const QPSchedule* schedule = ScheduleOfTask(task);
            if (!schedule || Pattern(*schedule).Empty())
                continue;
            what = "Fixed Duration on " + schedule->name.str();
        } else {
            const Crew crew = CrewOf(task);
            if (crew.fallback) {
                const QPSchedule* standard = project_.GetDefaultSchedule();
                if (!standard || Pattern(*standard).Empty())
                    continue;
                what = "Fixed Work on the default schedule";
            } else {
                schedules = crew.schedules;
                percentSum = crew.percentSum;
                what = "Fixed Work, " + std::to_string(crew.members.size()) + " resource(s) at " +
                       std::to_string(crew.percentSum) + "% on " + std::to_string(schedules) +
                       " schedule(s)";
            }
        }
        const std::string head = Head() + "rule 2 (work placed): " + Name(task) + " (" + what +
                                 (task.autoSchedule ? "" : ", manual") + ") ";
        if (!Reachable(task.start.Get()) || !Reachable(task.finish.Get())) {
            lines.push_back(head + "has dates out of any reach: " + Text(task.start) + " to " +
                            Text(task.finish));
            continue;
        }
        if (!(task.start < task.finish)) {
            lines.push_back(head + "has work " + Seconds(work) + " but starts " + Text(task.start) +
                            " and finishes " + Text(task.finish));
            continue;
        }
        const int64_t held = WorkHeldHundredths(task, task.start.Get(), task.finish.Get());
        const int64_t wanted = 100 * work;
        const std::string span = "from " + Text(task.start) + " to " + Text(task.finish) +
                                 " holds " + Hundredths(held) + " of work; its work is " +
                                 Seconds(work) + " (" + task.durationText.str() + " h)";
        if (schedules == 1) {
            // The finish falls on a whole second: up to one second of the crew's work over.
            const int64_t slack = 100 + std::max<int64_t>(100, percentSum);
            if (held > wanted + slack)
                lines.push_back(head + span + ": " + Hundredths(held - wanted) +
                                " too much (allowed " + Hundredths(slack) + ")");
            else if (held < wanted)
                lines.push_back(head + span + ": " + Hundredths(wanted - held) + " too little");
        } else {
            const int64_t slack = int64_t(900) * percentSum * schedules;
            if (held < wanted)
                lines.push_back(head + span + ": " + Hundredths(wanted - held) + " too little");
            else if (held > wanted + slack)
                lines.push_back(head + span + ": " + Hundredths(held - wanted) +
                                " too much (allowed " + Hundredths(slack) + ")");
        }
    }
    return lines;
}

// --- rule 3 -----------------------------------------------------------------------------------

std::vector<std::string> PlanOracle::CheckLeveling()
{
    std::vector<std::string> lines;
    for (const auto& [where, level] : Levels()) {
        if (level.level <= 100)
            continue;
        const QPResource* resource = project_.resources.GetElementByKey(where.first);
        std::string tasks;
        for (const auto& [name, share] : level.tasks)
            tasks += (tasks.empty() ? "" : ", ") + name + " " + std::to_string(share);
        lines.push_back(Head() + "rule 3 (leveling levels): " +
                        (resource ? resource->name.str() : std::string("?")) + " is at " +
                        std::to_string(level.level) + " on " + DayText(where.second) + " (" +
                        tasks + ")");
    }
    return lines;
}

// --- rule 4 -----------------------------------------------------------------------------------

std::vector<std::string> PlanOracle::CheckCosts(int64_t today)
{
    std::vector<std::string> lines;
    const std::vector<AssignmentCost> costs = Costs(today);
    const std::string head = Head() + "rule 4 (cost): ";

    for (const QPTask& task : project_.tasks) {
        if (task.isHeader)
            continue;
        if (task.start.IsSet() && task.finish.IsSet() &&
            (!Reachable(task.start.Get()) || !Reachable(task.finish.Get())))
            continue;
        int64_t cost = 0;
        int64_t costToDate = 0;
        int64_t count = 0;
        std::string detail;
        for (const AssignmentCost& line : costs) {
            if (line.taskKey != task.key)
                continue;
            ++count;
            cost += line.cost;
            costToDate += line.costToDate;
            const QPResource* resource = project_.resources.GetElementByKey(line.resourceKey);
            detail += (detail.empty() ? "" : "; ") + resource->name.str() + ": regular " +
                      Seconds(line.regularSeconds) + " x " + std::to_string(resource->hourlyRate) +
                      " = " + std::to_string(line.regularPrice) + ", overtime " +
                      Seconds(line.overtimeSeconds) + " x " +
                      std::to_string(resource->overtimeRate) + " = " +
                      std::to_string(line.overtimePrice);
        }
        const int64_t tolerance = 2 * count;
        const std::string dates = " (" + Text(task.start) + " to " + Text(task.finish) + ")";
        if (std::llabs(task.scheduledCost - cost) > tolerance)
            lines.push_back(head + Name(task) + dates + " costs " +
                            std::to_string(task.scheduledCost) + ", expected " +
                            std::to_string(cost) + (detail.empty() ? "" : " [" + detail + "]"));
        if (std::llabs(task.scheduledCostToDate - costToDate) > tolerance)
            lines.push_back(head + Name(task) + dates + " costs to date (today " + DayText(today) +
                            ") " + std::to_string(task.scheduledCostToDate) + ", expected " +
                            std::to_string(costToDate));
    }

    for (const QPResource& resource : project_.resources) {
        int64_t regular = 0;
        int64_t overtime = 0;
        int64_t count = 0;
        for (const AssignmentCost& line : costs) {
            if (line.resourceKey != resource.key)
                continue;
            ++count;
            regular += line.regularPrice;
            overtime += line.overtimePrice;
        }
        const int64_t tolerance = 2 * count;
        if (std::llabs(resource.regularCost - regular) > tolerance ||
            std::llabs(resource.overtimeCost - overtime) > tolerance)
            lines.push_back(head + resource.name.str() + " regular cost " +
                            std::to_string(resource.regularCost) + ", overtime cost " +
                            std::to_string(resource.overtimeCost) + "; expected " +
                            std::to_string(regular) + " and " + std::to_string(overtime) +
                            " (rates " + std::to_string(resource.hourlyRate) + " and " +
                            std::to_string(resource.overtimeRate) + ")");
    }

    // The regular hours of a week never go beyond the regular work week: checked where all
    // of a resource's work is priced on one schedule, so that its weeks are plain.
    for (const QPResource& resource : project_.resources) {
        const QPSchedule* only = nullptr;
        bool single = true;
        int64_t count = 0;
        std::map<int64_t, int64_t> weeks;
        for (const QPTask& task : project_.tasks) {
            if (task.isHeader)
                continue;
            for (const QPResourceAssignment& assignment : task.resourceAssignments) {
                if (assignment.resourceKey != resource.key || !ScheduleOfTask(task) ||
                    !ScheduleOfResource(resource))
                    continue;
                ++count;
                const QPSchedule* schedule = CostSchedule(task, resource);
                if (only && only != schedule)
                    single = false;
                only = schedule;
                if (!(task.start < task.finish) || !Reachable(task.start.Get()) ||
                    !Reachable(task.finish.Get()))
                    continue;
                const int weekStart = ((schedule->workWeekStart % 7) + 7) % 7;
                for (const DayUse& use : AssignmentCalendar(task, resource)
                                                 .DaysMeeting(task.start.Get(), task.finish.Get()))
                    weeks[use.day - (WeekdayOf(use.day) - weekStart + 7) % 7] +=
                            use.used * assignment.percent / 100;
            }
        }
        if (!single || !only || resource.hourlyRate <= 0)
            continue;
        const int64_t limit = only->regularWorkWeek;
        if (limit < 1 || limit > 604799)
            continue;
        int64_t cap = 0;
        for (const auto& [week, seconds] : weeks)
            cap += std::min(limit, seconds);
        const int64_t most = Price(cap, resource.hourlyRate) + 2 * count;
        if (resource.regularCost > most)
            lines.push_back(head + resource.name.str() + " is paid " +
                            std::to_string(resource.regularCost) +
                            " at the regular rate, more than " + Seconds(cap) +
                            " of regular time allows (" + std::to_string(most) +
                            ") with a regular week of " + Seconds(limit));
    }
    return lines;
}

// --- rule 6 -----------------------------------------------------------------------------------

std::vector<std::string> PlanOracle::CheckDates()
{
    std::vector<std::string> lines;
    const std::string head = Head() + "rule 6 (dates set): ";
    std::tm fields{};
    const auto t = static_cast<std::time_t>(project_.projectStart.Get());
    localtime_r(&t, &fields);
    fields.tm_year -= 10;
    fields.tm_isdst = -1;
    const LDateTime earliest(static_cast<int64_t>(std::mktime(&fields)));
    for (const QPTask& task : project_.tasks) {
        const std::pair<const char*, LDateTime> dates[] = {{"start", task.start},
                                                           {"finish", task.finish},
                                                           {"display start", task.displayStart}};
        for (const auto& [what, date] : dates) {
            if (!date.IsSet())
                lines.push_back(head + Name(task) + " has no " + what);
            else if (date < earliest)
                lines.push_back(head + Name(task) + " " + what + " " + Text(date) +
                                " lies more than ten years before the project start " +
                                Text(project_.projectStart));
        }
        if (task.start > task.finish)
            lines.push_back(head + Name(task) + " starts " + Text(task.start) +
                            " after it finishes " + Text(task.finish));
        if (!task.isHeader)
            continue;
        LDateTime first;
        LDateTime last;
        for (int64_t key : task.subtaskKeys) {
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
    if (before.projectFinish != after.projectFinish)
        lines.push_back(head + "project finish " + Text(before.projectFinish) + " became " +
                        Text(after.projectFinish));
    for (const QPTask& task : before.tasks) {
        const QPTask* other = after.tasks.GetElementByKey(task.key);
        if (!other) {
            lines.push_back(head + Name(task) + " is missing");
            continue;
        }
        const std::string name = Name(task) + (task.autoSchedule ? "" : " (manual)") + " ";
        const std::pair<const char*, std::pair<LDateTime, LDateTime>> dates[] = {
                {"start", {task.start, other->start}},
                {"finish", {task.finish, other->finish}},
                {"display start", {task.displayStart, other->displayStart}}};
        for (const auto& [what, pair] : dates)
            if (pair.first != pair.second)
                lines.push_back(head + name + what + " " + Text(pair.first) + " became " +
                                Text(pair.second));
        const std::pair<const char*, std::pair<int64_t, int64_t>> numbers[] = {
                {"free slack", {task.freeSlack, other->freeSlack}},
                {"total slack", {task.totalSlack, other->totalSlack}},
                {"free slack successor ID",
                 {task.freeSlackSuccessorID, other->freeSlackSuccessorID}},
                {"total slack successor ID",
                 {task.totalSlackSuccessorID, other->totalSlackSuccessorID}},
                {"cost", {task.scheduledCost, other->scheduledCost}},
                {"cost to date", {task.scheduledCostToDate, other->scheduledCostToDate}}};
        for (const auto& [what, pair] : numbers)
            if (pair.first != pair.second)
                lines.push_back(head + name + what + " " + std::to_string(pair.first) + " became " +
                                std::to_string(pair.second));
    }
    for (const QPResource& resource : before.resources) {
        const QPResource* other = after.resources.GetElementByKey(resource.key);
        if (!other) {
            lines.push_back(head + resource.name.str() + " is missing");
            continue;
        }
        if (resource.regularCost != other->regularCost ||
            resource.overtimeCost != other->overtimeCost)
            lines.push_back(head + resource.name.str() + " costs " +
                            std::to_string(resource.regularCost) + " + " +
                            std::to_string(resource.overtimeCost) + " became " +
                            std::to_string(other->regularCost) + " + " +
                            std::to_string(other->overtimeCost));
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
    // The tasks that wait for an As Late As Possible task, through their own links, their
    // header's, or as a header through their subtasks: they may follow it later.
    std::unordered_map<int64_t, std::vector<int64_t>> waitsFor;
    for (const QPTask& task : late.tasks) {
        std::vector<int64_t>& on = waitsFor[task.key];
        for (const QPTaskDependency& dependency : task.dependencies)
            on.push_back(dependency.predecessorKey);
        if (task.headerKey != -1)
            if (const QPTask* header = late.tasks.GetElementByKey(task.headerKey)) {
                on.push_back(header->key);
                for (const QPTaskDependency& dependency : header->dependencies)
                    on.push_back(dependency.predecessorKey);
                waitsFor[header->key].push_back(task.key); // its span waits for its subtasks
            }
    }
    // Everything reachable from an As Late As Possible task along "is waited for by".
    std::unordered_map<int64_t, std::vector<int64_t>> waitedForBy;
    for (const auto& [key, predecessors] : waitsFor)
        for (int64_t predecessor : predecessors)
            waitedForBy[predecessor].push_back(key);
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
    const auto followsLate = [&](int64_t key) { return follows.count(key) != 0; };
    for (const QPTask& task : late.tasks) {
        const QPTask* other = soon.tasks.GetElementByKey(task.key);
        if (task.isHeader || !other)
            continue;
        if (task.constraintType == eConstraintAsLateAsPossible || followsLate(task.key)) {
            if (task.start < other->start || task.finish < other->finish)
                lines.push_back(head + Name(task) + " (" + ConstraintName(task.constraintType) +
                                ") lies " + Text(task.start) + " to " + Text(task.finish) +
                                ", earlier than as soon as possible " + Text(other->start) +
                                " to " + Text(other->finish));
        } else if (task.start != other->start || task.finish != other->finish) {
            lines.push_back(head + Name(task) + " (" + ConstraintName(task.constraintType) +
                            ") lies " + Text(task.start) + " to " + Text(task.finish) +
                            " with the As Late As Possible tasks, " + Text(other->start) + " to " +
                            Text(other->finish) + " with them As Soon As Possible");
        }
    }
    return lines;
}

// --- the plan, readable -----------------------------------------------------------------------

std::string DescribePlan(const QPProject& project)
{
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::ostringstream out;
    out << "Plan: start " << Text(project.projectStart) << ", deadline "
        << Text(project.projectDeadline) << ", finish " << Text(project.projectFinish) << '\n';
    const auto exceptions = [&](const std::vector<QPScheduleException>& list) {
        std::string text;
        for (const QPScheduleException& exception : list)
            text += (text.empty() ? "" : ", ") + DayText(DayOf(exception.date.Get())) + " " +
                    LengthText(exception.workSeconds);
        return text.empty() ? std::string("none") : text;
    };
    for (const QPSchedule& schedule : project.schedules) {
        out << "  schedule " << schedule.id << " \"" << schedule.name.str() << "\" (key "
            << schedule.key << (schedule.key == project.defaultScheduleKey ? ", default" : "")
            << "):";
        for (std::size_t day = 0; day < 7; ++day) {
            out << ' ' << kDays[day] << ' ';
            if (schedule.shiftDuration[day] > 0)
                out << ClockText(schedule.shiftStart[day].Get()) << '+'
                    << LengthText(schedule.shiftDuration[day]);
            else
                out << '-';
        }
        out << "; regular week " << LengthText(schedule.regularWorkWeek) << " from "
            << kDays[((schedule.workWeekStart % 7) + 7) % 7]
            << "; exceptions: " << exceptions(schedule.exceptions) << '\n';
    }
    for (const QPResource& resource : project.resources) {
        const QPSchedule* schedule = project.schedules.GetElementByKey(resource.scheduleKey);
        out << "  resource " << resource.id << " \"" << resource.name.str() << "\" (key "
            << resource.key << "): schedule "
            << (schedule ? schedule->name.str()
                         : "default (key " + std::to_string(resource.scheduleKey) + ")")
            << ", rates " << resource.hourlyRate << '/' << resource.overtimeRate
            << ", exceptions: " << exceptions(resource.exceptions) << "; costs "
            << resource.regularCost << '/' << resource.overtimeCost << '\n';
    }
    for (const QPTask& task : project.tasks) {
        out << "  task " << task.id << " \"" << task.name.str() << "\" (key " << task.key << "): ";
        if (task.isHeader) {
            out << "header of";
            for (int64_t key : task.subtaskKeys) {
                const QPTask* member = project.tasks.GetElementByKey(key);
                out << ' ' << (member ? member->name.str() : "?");
            }
        } else {
            out << (IsFixedDuration(task) ? "Fixed Duration" : "Fixed Work");
            if (IsFixedDuration(task)) {
                const QPSchedule* schedule = project.schedules.GetElementByKey(task.scheduleKey);
                out << " on " << (schedule ? schedule->name.str() : std::string("default"));
            }
            out << ", " << (task.milestone ? "milestone" : "\"" + task.durationText.str() + "\" h");
        }
        out << ", " << (task.autoSchedule ? "auto" : "manual") << ", "
            << ConstraintName(task.constraintType);
        if (Dated(task.constraintType))
            out << ' ' << Text(task.constraintDate);
        if (!task.dependencies.empty()) {
            out << "; links:";
            for (const QPTaskDependency& link : task.dependencies) {
                const QPTask* predecessor = project.tasks.GetElementByKey(link.predecessorKey);
                out << ' ' << (predecessor ? predecessor->name.str() : "?") << ' '
                    << LinkName(link.type) << " +" << LagText(link.lag);
            }
        }
        if (!task.resourceAssignments.empty()) {
            out << "; resources:";
            for (const QPResourceAssignment& assignment : task.resourceAssignments) {
                const QPResource* resource =
                        project.resources.GetElementByKey(assignment.resourceKey);
                out << ' ' << (resource ? resource->name.str() : "?") << ' ' << assignment.percent
                    << '%';
            }
        }
        out << "\n      -> " << Text(task.start) << " to " << Text(task.finish) << ", display "
            << Text(task.displayStart) << ", slack " << task.freeSlack << '/' << task.totalSlack
            << " (successors " << task.freeSlackSuccessorID << '/' << task.totalSlackSuccessorID
            << "), cost " << task.scheduledCost << " (to date " << task.scheduledCostToDate << ')'
            << (task.resourceConflict ? ", resource conflict" : "") << '\n';
    }
    return out.str();
}

} // namespace plan_oracle
