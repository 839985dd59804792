// Export in the Project XML interchange format. The format's schema fixes the order of
// every element's children, and readers that validate refuse a document out of order, so
// each writer below emits its children in that order and leaves out what Kestrano has no
// value for. Dates and times are local, as the plan shows them; amounts are decimals of
// the project's currency; durations are hours of work.

#include "export/QPProjectXmlExport.h"

#include "engine/LLocalDays.h"
#include "engine/QPEngineState.h"
#include "engine/QPWorkTime.h"
#include "framework/LFiles.h"
#include "model/QPProject.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <sys/stat.h>
#include <vector>

using namespace LLocalDays;

namespace {

constexpr int32_t kDaySeconds = 86400;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
// The format's codes: durations shown in hours, work in hours, rates per hour, and a link
// lag in elapsed days (Kestrano's lags are calendar days, not working days).
constexpr int kDurationFormatHours = 5;
constexpr int kWorkFormatHours = 2;
constexpr int kRateFormatPerHour = 2;
constexpr int kLagFormatElapsedDays = 8;
// Lags and slack are counted in tenths of a minute.
constexpr double kTenthsPerDay = 24 * 60 * 10;
// What the format's project name, currency symbol and currency code hold at most, in
// characters.
constexpr std::size_t kMaxProjectNameLength = 255;
constexpr std::size_t kMaxCurrencySymbolLength = 20;
constexpr std::size_t kMaxCurrencyCodeLength = 3;

// --- text ---------------------------------------------------------------------------------

// The length of the well-formed UTF-8 sequence that starts at `at`; 0 for none.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    // The range of the second byte: it rules out overlong forms, surrogates and code
    // points beyond U+10FFFF.
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
    return length;
}

// The first `count` characters of a UTF-8 text.
std::string_view FirstCharacters(std::string_view text, std::size_t count)
{
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue;
        if (characters++ == count)
            return text.substr(0, i);
    }
    return text;
}

// "2027-04-19T08:00:00" in local time.
std::string DateTimeText(LDateTime value)
{
    std::string date;
    std::string time;
    value.GetDateTime(date, time);
    return date + "T" + time;
}

std::string DayText(int64_t dayNumber)
{
    std::string date;
    std::string time;
    AnchorOfDay(dayNumber).GetDateTime(date, time);
    return date;
}

// A time of day; the end of the day is 00:00:00, as the format writes it.
std::string ClockText(int32_t seconds)
{
    seconds %= kDaySeconds;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

// "PT8H0M0S"; never negative.
std::string DurationText(int64_t seconds)
{
    seconds = std::max<int64_t>(seconds, 0);
    return "PT" + std::to_string(seconds / 3600) + "H" + std::to_string(seconds / 60 % 60) + "M" +
           std::to_string(seconds % 60) + "S";
}

// An amount in minor units as a decimal of the currency: 4800 with 2 digits is "48.00".
std::string AmountText(int64_t minorUnits, int32_t digits)
{
    digits = std::clamp(digits, 0, 9);
    int64_t scale = 1;
    for (int32_t i = 0; i < digits; ++i)
        scale *= 10;
    const bool negative = minorUnits < 0;
    const uint64_t magnitude =
            negative ? 0 - static_cast<uint64_t>(minorUnits) : static_cast<uint64_t>(minorUnits);
    std::string text = (negative ? "-" : "") + std::to_string(magnitude / scale);
    if (digits > 0) {
        const std::string fraction = std::to_string(magnitude % scale);
        text += "." + std::string(static_cast<std::size_t>(digits) - fraction.size(), '0') +
                fraction;
    }
    return text;
}

// An assignment's percentage as the format's units: 50 is "0.5", 100 is "1".
std::string UnitsText(int32_t percent)
{
    percent = std::max(percent, 0);
    std::string text = std::to_string(percent / 100);
    if (const int32_t hundredths = percent % 100; hundredths != 0) {
        char fraction[4];
        std::snprintf(fraction, sizeof fraction, "%02d", hundredths);
        text += '.';
        text += fraction[0];
        if (fraction[1] != '0')
            text += fraction[1];
    }
    return text;
}

// --- mappings -------------------------------------------------------------------------------

// UIDs are keys plus one: keys are unique across tasks, resources and schedules and never
// change, and the format keeps UID 0 for the project summary task.
int64_t Uid(int64_t key)
{
    return key + 1;
}

// The format's link types: 0 FF, 1 FS, 2 SF, 3 SS; -1 for a kind that binds nothing.
int32_t LinkType(int32_t type)
{
    switch (type) {
    case eFinishToStart:
        return 1;
    case eStartToStart:
        return 3;
    case eFinishToFinish:
        return 0;
    case eStartToFinish:
        return 2;
    default:
        return -1;
    }
}

// The format's constraint types: 0 as soon as possible (also for None, which schedules
// the same way), 1 as late as possible, 2 must start on, 3 must finish on, 4 start no
// earlier than, 5 start no later than, 6 finish no earlier than, 7 finish no later than.
int32_t ConstraintType(int32_t constraintType)
{
    switch (constraintType) {
    case eConstraintAsLateAsPossible:
        return 1;
    case eConstraintStartOn:
        return 2;
    case eConstraintFinishOn:
        return 3;
    case eConstraintStartAfter:
        return 4;
    case eConstraintStartBefore:
        return 5;
    case eConstraintFinishAfter:
        return 6;
    case eConstraintFinishBefore:
        return 7;
    default:
        return 0;
    }
}

// A lag in calendar days as tenths of a minute.
int64_t LagTenths(float lag)
{
    return std::isfinite(lag) ? std::llround(static_cast<double>(lag) * kTenthsPerDay) : 0;
}

// --- working times of a day -------------------------------------------------------------------

// Working time within one calendar day, as times of day; `to` is 86400 at midnight.
struct ClockSpan {
    int32_t from;
    int32_t to;

    friend bool operator==(const ClockSpan&, const ClockSpan&) = default;
};
using DayTimes = std::vector<ClockSpan>;

// Adds a span and keeps the list in order with touching spans joined.
void AddClockSpan(DayTimes& times, int64_t from, int64_t to)
{
    from = std::clamp<int64_t>(from, 0, kDaySeconds);
    to = std::clamp<int64_t>(to, 0, kDaySeconds);
    if (from >= to)
        return;
    times.push_back({static_cast<int32_t>(from), static_cast<int32_t>(to)});
    std::sort(times.begin(), times.end(),
              [](const ClockSpan& a, const ClockSpan& b) { return a.from < b.from; });
    DayTimes joined;
    for (const ClockSpan& span : times) {
        if (!joined.empty() && span.from <= joined.back().to)
            joined.back().to = std::max(joined.back().to, span.to);
        else
            joined.push_back(span);
    }
    times = std::move(joined);
}

// The working times of weekday d (0 Sunday) in the weekly pattern. A shift that runs past
// midnight is cut there: the time up to midnight stays with the day it starts on, the
// rest opens the next day, where it may meet that day's own shift (the time is counted
// once, as the work calendars count it).
DayTimes WeekdayTimes(const QPSchedule& schedule, int d)
{
    DayTimes times;
    const int p = (d + 6) % 7;
    if (schedule.shiftDuration[p] > 0)
        AddClockSpan(times, 0,
                     int64_t(schedule.shiftStart[p].Get()) + schedule.shiftDuration[p] -
                             kDaySeconds);
    if (schedule.shiftDuration[d] > 0)
        AddClockSpan(times, schedule.shiftStart[d].Get(),
                     int64_t(schedule.shiftStart[d].Get()) + schedule.shiftDuration[d]);
    return times;
}

// The working times of one dated day on a work calendar, as its clock shows them.
DayTimes DayTimesOf(const QPWorkCalendar& calendar, int64_t day)
{
    const int64_t midnight = MidnightOfDay(day);
    const int64_t next = MidnightOfDay(day + 1);
    std::vector<QPTimeSpan> pieces;
    calendar.AppendWorkIn({midnight, next}, day, day, pieces);
    const auto clock = [&](int64_t moment) -> int64_t {
        if (moment >= next)
            return kDaySeconds;
        return moment <= midnight ? 0 : TimeOfDay(LDateTime(moment));
    };
    DayTimes times;
    for (const QPTimeSpan& piece : pieces)
        AddClockSpan(times, clock(piece.from), clock(piece.to));
    return times;
}

// A run of days that exceptions give the same working times: none, or `times`.
struct ExceptionRun {
    int64_t firstDay;
    int64_t lastDay;
    DayTimes times;
};

// The days that `own` exceptions reach into on `calendar` (which has every exception that
// applies to it taken out), as runs of days with the same working times. A leave that spans
// a weekend is one run. The days without work that an exception begins on are named too:
// they change nothing here, but a resource's exceptions also take time out of the own
// schedules of the Fixed Duration tasks it works on, where such a leave begins on that day;
// and two leaves with only days they do not reach between them stay two.
std::vector<ExceptionRun> ExceptionRuns(const QPWorkCalendar& calendar,
                                        const std::vector<QPScheduleException>& own)
{
    const QPSchedule& schedule = calendar.Schedule();
    std::set<int64_t> days;
    for (const QPScheduleException& exception : own) {
        const QPTimeSpan span = QPExceptionSpan(schedule, exception);
        if (span.Length() <= 0)
            continue;
        const int64_t last = DayNumber(LDateTime(span.to - 1));
        for (int64_t day = DayNumber(LDateTime(span.from)); day <= last; ++day)
            days.insert(day);
    }
    std::vector<ExceptionRun> runs;
    for (const int64_t day : days) {
        DayTimes times = DayTimesOf(calendar, day);
        if (!runs.empty() && runs.back().lastDay == day - 1 && runs.back().times == times)
            runs.back().lastDay = day;
        else
            runs.push_back({day, day, std::move(times)});
    }
    return runs;
}

// --- the document ---------------------------------------------------------------------------

class XmlWriter {
public:
    explicit XmlWriter(std::string& out) : out_(out) {}

    void Open(std::string_view name, std::string_view attributes = {})
    {
        Indent();
        out_ += '<';
        out_ += name;
        if (!attributes.empty()) {
            out_ += ' ';
            out_ += attributes;
        }
        out_ += ">\n";
        ++depth_;
    }
    void Close(std::string_view name)
    {
        --depth_;
        Indent();
        out_ += "</";
        out_ += name;
        out_ += ">\n";
    }
    void Text(std::string_view name, std::string_view value)
    {
        Indent();
        out_ += '<';
        out_ += name;
        out_ += '>';
        out_ += QPXmlEscapeText(value);
        out_ += "</";
        out_ += name;
        out_ += ">\n";
    }
    void Number(std::string_view name, int64_t value) { Text(name, std::to_string(value)); }
    void Flag(std::string_view name, bool value) { Text(name, value ? "1" : "0"); }
    // Nothing for an unset date.
    void Moment(std::string_view name, LDateTime value)
    {
        if (value.IsSet())
            Text(name, DateTimeText(value));
    }

private:
    void Indent() { out_.append(2 * depth_, ' '); }

    std::string& out_;
    std::size_t depth_ = 0;
};

// A task's place in the outline.
struct Outline {
    std::string number;
    int level;
};

class Exporter {
public:
    explicit Exporter(const QPProject& project) : project_(project), calendars_(project) {}

    std::string Run()
    {
        out_ = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
        xml_.Open("Project", "xmlns=\"http://schemas.microsoft.com/project\"");
        Header();
        Calendars();
        Tasks();
        Resources();
        Assignments();
        xml_.Close("Project");
        return std::move(out_);
    }

private:
    std::string Amount(int64_t minorUnits) const
    {
        return AmountText(minorUnits, project_.options.currencyDigits);
    }

    void Header()
    {
        const std::string_view name = project_.name;
        xml_.Number("SaveVersion", 14);
        xml_.Text("Name", FirstCharacters(name, kMaxProjectNameLength));
        xml_.Text("Title", name);
        xml_.Flag("ScheduleFromStart", true);
        xml_.Moment("StartDate", project_.projectStart);
        xml_.Moment("FinishDate", project_.projectFinish);
        xml_.Number("CurrencyDigits", project_.options.currencyDigits);
        xml_.Text("CurrencySymbol",
                  FirstCharacters(project_.options.currencySymbol, kMaxCurrencySymbolLength));
        xml_.Text("CurrencyCode",
                  FirstCharacters(project_.options.currencyCode, kMaxCurrencyCodeLength));
        xml_.Number("CurrencySymbolPosition", project_.options.currencyPosition == 1 ? 1 : 0);
        // The day and week the format converts hours with, from the default schedule.
        const QPSchedule* standard = calendars_.DefaultSchedule();
        int64_t weekly = 0;
        int workingDays = 0;
        if (standard) {
            weekly = QPWorkCalendar(*standard).WeeklyShiftTime();
            workingDays = static_cast<int>(std::count_if(standard->shiftDuration.begin(),
                                                         standard->shiftDuration.end(),
                                                         [](int32_t w) { return w > 0; }));
            xml_.Number("CalendarUID", Uid(standard->key));
        }
        if (weekly <= 0 || workingDays == 0) {
            weekly = QPSchedule::kDefaultWorkWeek;
            workingDays = 5;
        }
        xml_.Number("MinutesPerDay", weekly / workingDays / 60);
        xml_.Number("MinutesPerWeek", weekly / 60);
        xml_.Number("DaysPerMonth", workingDays * 4);
        // New tasks are Fixed Work.
        xml_.Number("DefaultTaskType", 2);
        xml_.Number("DurationFormat", kDurationFormatHours);
        xml_.Number("WorkFormat", kWorkFormatHours);
        // A dated constraint wins over the links it breaks.
        xml_.Flag("HonorConstraints", true);
        if (standard && standard->workWeekStart >= eSunday && standard->workWeekStart <= eSaturday)
            xml_.Number("WeekStartDay", standard->workWeekStart);
    }

    // --- calendars ---

    void Calendars()
    {
        bool any = !project_.schedules.empty();
        for (const QPResource& resource : project_.resources)
            any = any || HasOwnCalendar(resource);
        if (!any)
            return;
        xml_.Open("Calendars");
        for (const QPSchedule& schedule : project_.schedules) {
            OpenCalendar(Uid(schedule.key), schedule.name.str(), schedule, nullptr);
            WriteExceptions(calendars_.Calendar(schedule, nullptr), schedule.exceptions);
            xml_.Close("Calendar");
        }
        for (const QPResource& resource : project_.resources) {
            if (!HasOwnCalendar(resource))
                continue;
            const QPSchedule& schedule = *calendars_.ResourceSchedule(resource);
            OpenCalendar(Uid(resource.key), resource.name.str(), schedule, &schedule);
            WriteExceptions(calendars_.Calendar(schedule, &resource), resource.exceptions);
            xml_.Close("Calendar");
        }
        xml_.Close("Calendars");
    }

    // A resource with exceptions of its own gets a calendar of its own, based on its
    // schedule's and holding just those exceptions.
    bool HasOwnCalendar(const QPResource& resource)
    {
        return !resource.exceptions.empty() && calendars_.ResourceSchedule(resource);
    }

    int64_t ResourceCalendarUid(const QPResource& resource)
    {
        if (HasOwnCalendar(resource))
            return Uid(resource.key);
        const QPSchedule* schedule = calendars_.ResourceSchedule(resource);
        return schedule ? Uid(schedule->key) : -1;
    }

    void OpenCalendar(int64_t uid, std::string_view name, const QPSchedule& schedule,
                      const QPSchedule* base)
    {
        xml_.Open("Calendar");
        xml_.Number("UID", uid);
        xml_.Text("Name", name);
        xml_.Flag("IsBaseCalendar", base == nullptr);
        if (base)
            xml_.Number("BaseCalendarUID", Uid(base->key));
        // A calendar based on another has its week too, so that a reader that ignores
        // the base still has the right working times.
        xml_.Open("WeekDays");
        for (int d = eSunday; d <= eSaturday; ++d) {
            xml_.Open("WeekDay");
            xml_.Number("DayType", d + 1);
            WriteWorkingTimes(WeekdayTimes(schedule, d));
            xml_.Close("WeekDay");
        }
        xml_.Close("WeekDays");
    }

    // DayWorking, and the working times of a working day.
    void WriteWorkingTimes(const DayTimes& times)
    {
        xml_.Flag("DayWorking", !times.empty());
        if (times.empty())
            return;
        xml_.Open("WorkingTimes");
        for (const ClockSpan& span : times) {
            xml_.Open("WorkingTime");
            xml_.Text("FromTime", ClockText(span.from));
            xml_.Text("ToTime", ClockText(span.to));
            xml_.Close("WorkingTime");
        }
        xml_.Close("WorkingTimes");
    }

    void WriteExceptions(const QPWorkCalendar& calendar,
                         const std::vector<QPScheduleException>& exceptions)
    {
        const std::vector<ExceptionRun> runs = ExceptionRuns(calendar, exceptions);
        if (runs.empty())
            return;
        xml_.Open("Exceptions");
        for (const ExceptionRun& run : runs) {
            xml_.Open("Exception");
            xml_.Flag("EnteredByOccurrences", false);
            xml_.Open("TimePeriod");
            xml_.Text("FromDate", DayText(run.firstDay) + "T00:00:00");
            xml_.Text("ToDate", DayText(run.lastDay) + "T23:59:00");
            xml_.Close("TimePeriod");
            xml_.Number("Occurrences", 1);
            xml_.Text("Name", run.times.empty() ? "Time off" : "Reduced hours");
            // Daily.
            xml_.Number("Type", 1);
            WriteWorkingTimes(run.times);
            xml_.Close("Exception");
        }
        xml_.Close("Exceptions");
    }

    // --- tasks ---

    // The header groups as the recalculation forms them: a header and the run of tasks
    // listed directly beneath it that are in its subtask list, one level down.
    std::vector<Outline> Outlines() const
    {
        std::vector<Outline> outlines;
        outlines.reserve(project_.tasks.size());
        const QPTask* header = nullptr;
        int top = 0;
        int sub = 0;
        for (const QPTask& task : project_.tasks) {
            if (!task.isHeader && header && header->HasSubtaskKey(task.key)) {
                outlines.push_back({std::to_string(top) + "." + std::to_string(++sub), 2});
                continue;
            }
            header = task.isHeader ? &task : nullptr;
            sub = 0;
            outlines.push_back({std::to_string(++top), 1});
        }
        return outlines;
    }

    void Tasks()
    {
        xml_.Open("Tasks");
        SummaryTask();
        const std::vector<Outline> outlines = Outlines();
        for (std::size_t i = 0; i < project_.tasks.size(); ++i)
            Task(project_.tasks.At(i), outlines[i]);
        xml_.Close("Tasks");
    }

    // The format keeps the whole project as a summary task of UID 0 at outline level 0;
    // it also carries the project's deadline.
    void SummaryTask()
    {
        int64_t cost = 0;
        for (const QPTask& task : project_.tasks)
            if (!task.isHeader)
                cost += task.scheduledCost;
        xml_.Open("Task");
        xml_.Number("UID", 0);
        xml_.Number("ID", 0);
        xml_.Text("Name", project_.name);
        xml_.Number("Type", 1);
        xml_.Text("OutlineNumber", "0");
        xml_.Number("OutlineLevel", 0);
        xml_.Moment("Start", project_.projectStart);
        xml_.Moment("Finish", project_.projectFinish);
        xml_.Flag("Milestone", false);
        xml_.Flag("Summary", true);
        xml_.Text("Cost", Amount(cost));
        xml_.Moment("Deadline", project_.projectDeadline);
        xml_.Close("Task");
    }

    // Slack is elapsed time in Kestrano and working time in the format: the working time
    // of the task's calendar between its finish and the finish moved by the slack.
    int64_t SlackTenths(const QPTask& task, int32_t slack)
    {
        const QPSchedule* schedule = calendars_.TaskSchedule(task);
        if (!schedule || !task.finish.IsSet())
            return 0;
        const QPWorkCalendar& calendar = calendars_.Calendar(*schedule, nullptr);
        const int64_t f = task.finish.Get();
        const int64_t work =
                slack >= 0 ? calendar.WorkIn({f, f + slack}) : -calendar.WorkIn({f + slack, f});
        return work / 6;
    }

    void Task(const QPTask& task, const Outline& outline)
    {
        const std::string work = DurationText(task.GetDurationSeconds(project_.options));
        xml_.Open("Task");
        xml_.Number("UID", Uid(task.key));
        xml_.Number("ID", task.id);
        xml_.Text("Name", task.name);
        if (!task.autoSchedule)
            xml_.Flag("Manual", true);
        xml_.Number("Type", task.taskType == eTaskTypeFixedDuration ? 1 : 2);
        xml_.Text("OutlineNumber", outline.number);
        xml_.Number("OutlineLevel", outline.level);
        xml_.Moment("Start", task.start);
        xml_.Moment("Finish", task.finish);
        xml_.Text("Duration", work);
        xml_.Number("DurationFormat", kDurationFormatHours);
        xml_.Text("Work", work);
        xml_.Flag("Milestone", task.milestone);
        xml_.Flag("Summary", task.isHeader);
        xml_.Number("FreeSlack", SlackTenths(task, task.freeSlack));
        xml_.Number("TotalSlack", SlackTenths(task, task.totalSlack));
        xml_.Number("PercentComplete", std::clamp(task.percentComplete, 0, 100));
        xml_.Text("Cost", Amount(task.scheduledCost));
        xml_.Number("ConstraintType", ConstraintType(task.constraintType));
        // Only a schedule of the task's own: without one it follows the project's.
        if (const QPSchedule* own = project_.schedules.GetElementByKey(task.scheduleKey);
            own && task.scheduleKey != -1)
            xml_.Number("CalendarUID", Uid(own->key));
        if (QPTaskConstraintIsDated(task.constraintType)) {
            // The planner's After and Before leave the named day out, the format's No
            // Earlier Than and No Later Than keep it in: the day moves by one so that the
            // same days stay open.
            const int32_t type = task.constraintType;
            const int shift = type == eConstraintStartAfter || type == eConstraintFinishAfter ? 1
                              : type == eConstraintStartBefore || type == eConstraintFinishBefore
                                      ? -1
                                      : 0;
            xml_.Moment("ConstraintDate", LLocalDays::AddDays(task.constraintDate, shift));
        }
        if (!task.notes.empty())
            xml_.Text("Notes", task.notes);
        // Oldest first, the order they were made in (the list holds the newest first).
        for (auto it = task.dependencies.rbegin(); it != task.dependencies.rend(); ++it)
            PredecessorLink(*it);
        for (const std::unique_ptr<QPBaseline>& baseline : project_.baselines)
            Baseline(task, *baseline);
        xml_.Close("Task");
    }

    void PredecessorLink(const QPTaskDependency& dependency)
    {
        const int32_t type = LinkType(dependency.type);
        if (type < 0 || !project_.tasks.GetElementByKey(dependency.predecessorKey))
            return;
        xml_.Open("PredecessorLink");
        xml_.Number("PredecessorUID", Uid(dependency.predecessorKey));
        xml_.Number("Type", type);
        xml_.Flag("CrossProject", false);
        xml_.Number("LinkLag", LagTenths(dependency.lag));
        xml_.Number("LagFormat", kLagFormatElapsedDays);
        xml_.Close("PredecessorLink");
    }

    // The task as the baseline froze it; baselines are numbered from 0, as the format's.
    void Baseline(const QPTask& task, const QPBaseline& baseline)
    {
        const QPTask* frozen = baseline.tasks.GetElementByKey(task.key);
        if (!frozen || baseline.id < 0 || baseline.id > 10)
            return;
        const std::string work = DurationText(frozen->GetDurationSeconds(project_.options));
        xml_.Open("Baseline");
        xml_.Number("Number", baseline.id);
        xml_.Moment("Start", frozen->start);
        xml_.Moment("Finish", frozen->finish);
        xml_.Text("Duration", work);
        xml_.Text("Work", work);
        xml_.Text("Cost", Amount(frozen->scheduledCost));
        xml_.Close("Baseline");
    }

    // --- resources and assignments ---

    void Resources()
    {
        if (project_.resources.empty())
            return;
        xml_.Open("Resources");
        for (const QPResource& resource : project_.resources) {
            xml_.Open("Resource");
            xml_.Number("UID", Uid(resource.key));
            xml_.Number("ID", resource.id);
            xml_.Text("Name", resource.name);
            // A work resource, available full time.
            xml_.Number("Type", 1);
            if (!resource.email.empty())
                xml_.Text("EmailAddress", resource.email);
            xml_.Text("MaxUnits", "1");
            xml_.Text("StandardRate", Amount(resource.hourlyRate));
            xml_.Number("StandardRateFormat", kRateFormatPerHour);
            xml_.Text("Cost", Amount(resource.regularCost + resource.overtimeCost));
            xml_.Text("OvertimeRate", Amount(resource.overtimeRate));
            xml_.Number("OvertimeRateFormat", kRateFormatPerHour);
            xml_.Text("OvertimeCost", Amount(resource.overtimeCost));
            if (const int64_t calendar = ResourceCalendarUid(resource); calendar >= 0)
                xml_.Number("CalendarUID", calendar);
            if (!resource.notes.empty())
                xml_.Text("Notes", resource.notes);
            xml_.Close("Resource");
        }
        xml_.Close("Resources");
    }

    // The hours an assignment works: the working time of each day of the task's span on
    // the calendar its hours are counted on, at its percentage, as its cost is worked out.
    int64_t AssignmentWork(const QPTask& task, const QPResource& resource, int32_t percent)
    {
        if (task.isHeader)
            return 0;
        const QPWorkCalendar* calendar = calendars_.AssignmentCalendar(task, resource);
        if (!calendar)
            return 0;
        std::vector<QPDayWork> days;
        QPAppendDayWork(*calendar, task.start, task.finish, days);
        int64_t seconds = 0;
        for (const QPDayWork& day : days)
            seconds += day.used * percent / 100;
        return seconds;
    }

    void Assignments()
    {
        int64_t uid = 0;
        for (const QPTask& task : project_.tasks) {
            for (auto it = task.resourceAssignments.rbegin(); it != task.resourceAssignments.rend();
                 ++it) {
                const QPResource* resource = project_.resources.GetElementByKey(it->resourceKey);
                if (!resource)
                    continue;
                if (uid == 0)
                    xml_.Open("Assignments");
                xml_.Open("Assignment");
                xml_.Number("UID", ++uid);
                xml_.Number("TaskUID", Uid(task.key));
                xml_.Number("ResourceUID", Uid(resource->key));
                xml_.Moment("Finish", task.finish);
                xml_.Moment("Start", task.start);
                xml_.Text("Units", UnitsText(it->percent));
                xml_.Text("Work", DurationText(AssignmentWork(task, *resource, it->percent)));
                xml_.Close("Assignment");
            }
        }
        if (uid > 0)
            xml_.Close("Assignments");
    }

    const QPProject& project_;
    QPEngineCalendars calendars_;
    std::string out_;
    XmlWriter xml_{out_};
};

} // namespace

std::string QPXmlEscapeText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\r':
                out += "&#13;";
                break;
            case '\t':
            case '\n':
                out += static_cast<char>(c);
                break;
            default:
                out += c < 0x20 ? ' ' : static_cast<char>(c);
            }
            ++i;
            continue;
        }
        const std::size_t length = Utf8SequenceLength(text, i);
        const std::string_view sequence = text.substr(i, length);
        if (length == 0 || sequence == "\xEF\xBF\xBE" || sequence == "\xEF\xBF\xBF")
            out += kReplacement;
        else
            out += sequence;
        i += std::max<std::size_t>(length, 1);
    }
    return out;
}

std::string QPProjectXmlExport(const QPProject& project)
{
    return Exporter(project).Run();
}

bool QPProjectXmlExportToFile(const QPProject& project, const std::string& path)
{
    // Replace the file a symbolic link points to, not the link.
    const std::string target = LResolvedPath(path);
    struct stat info {};
    const bool replacing = stat(target.c_str(), &info) == 0;
    if (replacing && !S_ISREG(info.st_mode))
        return false;
    const std::string document = QPProjectXmlExport(project);
    return LReplaceFile(target, replacing ? static_cast<int>(info.st_mode & 07777) : -1,
                        [&document](int fd) { return LWriteAll(fd, document); });
}
