#include "import/QPProjectXmlImport.h"

#include "dialogs/QPFormFields.h"
#include "dialogs/QPScheduleDialogRules.h"
#include "dialogs/QPTaskDialogRules.h"
#include "engine/LLocalDays.h"
#include "engine/QPWorkTime.h"
#include "framework/LFixedText.h"
#include "import/LXmlReader.h"
#include "import/QPProjectXmlRecords.h"
#include "mail/LEmail.h"
#include "model/LLocaleFormat.h"
#include "model/QPProject.h"
#include "model/QPUndoItems.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unordered_set>

namespace {

constexpr int32_t kDay = 86400;
// The task editor's range of work hours.
constexpr double kMinDurationHours = 0.01;
constexpr double kMaxDurationHours = 40000.0;
// Exceptions longer than ten years are cut there.
constexpr int64_t kMaxExceptionDays = 3660;
// A link to or from a summary that is not kept becomes links of its tasks, up to this many.
constexpr std::size_t kMaxCarriedLinks = 10000;
constexpr std::size_t kMaxNotes = 500;
// Lags beyond a hundred years are cut there.
constexpr double kMaxLagDays = 36500.0;

constexpr std::array<const char*, 7> kDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

std::string Quote(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

// A number for a note: at most two decimals, no trailing zeros.
std::string Number(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    std::string result(text);
    while (result.back() == '0')
        result.pop_back();
    if (result.back() == '.')
        result.pop_back();
    return result == "-0" ? "0" : result;
}

std::string Trimmed(std::string_view text)
{
    return QPTrimmed(text);
}

// A day's working times from first to last, overlaps joined; a working day that names no
// times has the format's default ones.
std::vector<QPXmlWorkingTime> Spans(const QPXmlDay& day)
{
    if (!day.working)
        return {};
    std::vector<QPXmlWorkingTime> spans = day.times;
    // The default times (08:00 to 12:00 and 13:00 to 17:00) are the planner's default shift;
    // only breaks the file writes itself are worth a note.
    if (spans.empty())
        spans = {{QPSchedule::kDefaultShiftStart, QPSchedule::kDefaultShiftStart + 8 * 3600}};
    std::sort(spans.begin(), spans.end(),
              [](const QPXmlWorkingTime& a, const QPXmlWorkingTime& b) { return a.from < b.from; });
    std::vector<QPXmlWorkingTime> joined;
    for (const QPXmlWorkingTime& span : spans) {
        if (!joined.empty() && span.from <= joined.back().to)
            joined.back().to = std::max(joined.back().to, span.to);
        else
            joined.push_back(span);
    }
    return joined;
}

// The planner's week: one shift a day.
struct Shifts {
    std::array<int32_t, 7> start{};
    std::array<int32_t, 7> duration{};
    // Days whose working times had breaks between them, folded into the shift.
    std::vector<int> folded;

    int64_t Weekly() const
    {
        int64_t sum = 0;
        for (const int32_t seconds : duration)
            sum += seconds;
        return sum;
    }
    bool SameShifts(const Shifts& other) const
    {
        for (std::size_t day = 0; day < 7; ++day)
            if (duration[day] != other.duration[day] ||
                (duration[day] > 0 && start[day] != other.start[day]))
                return false;
        return true;
    }
};

// Each day becomes one shift from its first working time for the sum of its working times.
// A night shift that a file writes as two pieces, up to midnight and on from midnight,
// stays one shift of the day it began on.
Shifts ShiftsOf(const std::array<QPXmlDay, 7>& week)
{
    std::array<std::vector<QPXmlWorkingTime>, 7> spans;
    for (std::size_t day = 0; day < 7; ++day)
        spans[day] = Spans(week[day]);
    std::array<bool, 7> carried{};
    for (std::size_t day = 0; day < 7; ++day) {
        const auto& previous = spans[(day + 6) % 7];
        carried[day] = !spans[day].empty() && spans[day].front().from == 0 &&
                       spans[day].front().to < kDay && !previous.empty() &&
                       previous.back().to == kDay && previous.back().from > 0;
    }
    std::array<std::vector<QPXmlWorkingTime>, 7> own = spans;
    for (std::size_t day = 0; day < 7; ++day) {
        if (!carried[day])
            continue;
        own[day].erase(own[day].begin());
        const QPXmlWorkingTime morning = spans[day].front();
        own[(day + 6) % 7].push_back({kDay + morning.from, kDay + morning.to});
    }
    Shifts shifts;
    for (std::size_t day = 0; day < 7; ++day) {
        shifts.start[day] = QPSchedule::kDefaultShiftStart;
        if (own[day].empty())
            continue;
        int64_t work = 0;
        for (const QPXmlWorkingTime& span : own[day])
            work += span.to - span.from;
        const int32_t first = own[day].front().from;
        const int32_t last = own[day].back().to;
        if (work < last - first)
            shifts.folded.push_back(int(day));
        // Shifts start on whole minutes.
        shifts.start[day] = first - first % 60;
        shifts.duration[day] = int32_t(std::min<int64_t>(work, kDay));
    }
    return shifts;
}

// Keeps the notes in order, at most kMaxNotes of them, and says how many more there were.
class NoteList {
public:
    explicit NoteList(std::vector<std::string>& lines) : lines_(lines) {}
    void Add(std::string line)
    {
        if (lines_.size() < kMaxNotes)
            lines_.push_back(std::move(line));
        else
            ++more_;
    }
    // Adds a note only the first time its key comes.
    void Once(const std::string& key, std::string line)
    {
        if (once_.insert(key).second)
            Add(std::move(line));
    }
    // Notes of a line of the file in the file's order, then the notes about the whole file.
    void Finish()
    {
        auto lineOf = [](const std::string& note) {
            int line = std::numeric_limits<int>::max();
            if (note.starts_with("line "))
                line = std::atoi(note.c_str() + 5);
            return line;
        };
        std::stable_sort(
                lines_.begin(), lines_.end(),
                [&](const std::string& a, const std::string& b) { return lineOf(a) < lineOf(b); });
        if (more_ > 0)
            lines_.push_back("... and " + std::to_string(more_) + " more notes like these");
    }

private:
    std::vector<std::string>& lines_;
    std::set<std::string> once_;
    std::size_t more_ = 0;
};

// The file's tasks as the planner keeps them: one level of headers.
struct Row {
    enum Kind { plain, headerTask, droppedSummary, dropped };
    const QPXmlTask* record = nullptr;
    int level = 1;
    bool hasChildren = false;
    Kind kind = plain;
    // The row of the header whose group the task joins; -1 at the top level.
    int header = -1;
    // For a summary that is not kept: the rows of its tasks that are.
    std::vector<int> members;
    QPTask* task = nullptr;
    std::string where;
};

class Builder {
public:
    Builder(QPProject& project, const QPXmlProject& file,
            const QPProjectXmlImportSettings& settings, QPProjectXmlImportCounts& counts,
            NoteList& notes)
        : project_(project), file_(file), settings_(settings), counts_(counts), notes_(notes)
    {}

    void Run();

private:
    // --- project
    void TakeProjectFields();
    std::string Name(std::unordered_set<std::string>& taken, std::string_view raw,
                     const std::string& fallback, const std::string& where);
    // --- calendars
    const QPXmlCalendar* Calendar(int64_t uid) const;
    std::string CalendarWhere(const QPXmlCalendar& calendar) const;
    // `definers`, when given, gets the calendar that names each day (none for a default).
    std::array<QPXmlDay, 7> WeekOf(const QPXmlCalendar& calendar,
                                   std::array<const QPXmlCalendar*, 7>* definers = nullptr);
    Shifts ShiftsFor(const QPXmlCalendar& calendar) { return ShiftsOf(WeekOf(calendar)); }
    std::vector<const QPXmlException*> ExceptionsOf(const QPXmlCalendar& calendar);
    void AddExceptions(const Shifts& shifts, const std::vector<const QPXmlException*>& list,
                       std::vector<QPScheduleException>& out, const std::string& where,
                       const QPSchedule* base);
    void FillSchedule(QPSchedule& schedule, const QPXmlCalendar& calendar);
    int64_t ScheduleFor(const QPXmlCalendar& calendar);
    void ImportCalendars();
    // --- resources
    int64_t RateOf(double rate, int32_t format, const std::string& where, const char* what);
    void ScheduleOfResource(const QPXmlResource& record, QPResource& resource,
                            const std::string& where);
    void ImportResources();
    // --- tasks
    void MakeRows();
    std::unique_ptr<QPTask> MakeTask(const Row& row);
    void WorkOfTask(const QPXmlTask& record, QPTask& task, const std::string& where);
    int64_t WorkingTimeBetween(const QPXmlTask& record);
    void ConstraintOfTask(const QPXmlTask& record, QPTask& task, const std::string& where);
    void ImportTasks();
    std::vector<int> Ends(int row) const;
    void AddLink(int predecessor, int successor, int32_t type, float lag, const std::string& where);
    float LagOf(const QPXmlLink& link, const std::string& where);
    void ImportLinks();
    void ImportAssignments();
    // --- the end
    void FinishNotes();
    void RecordUndo();

    QPProject& project_;
    const QPXmlProject& file_;
    const QPProjectXmlImportSettings& settings_;
    QPProjectXmlImportCounts& counts_;
    NoteList& notes_;

    std::unordered_set<std::string> taskNames_;
    std::unordered_set<std::string> resourceNames_;
    std::unordered_set<std::string> scheduleNames_;

    std::map<int64_t, const QPXmlCalendar*> calendars_;
    // The schedule each calendar became (-1: none, its users work on the default one).
    std::map<int64_t, int64_t> scheduleOf_;
    std::set<int64_t> usedCalendars_;
    std::array<std::set<int64_t>, 7> foldNoted_;

    std::map<int64_t, int64_t> resourceKeyOf_;
    std::map<int64_t, std::string> skippedResources_;

    std::vector<Row> rows_;
    std::map<int64_t, int> rowOf_;
    std::string summaryTaskName_;

    // The file's units of working time, within what a day, a week and a month can hold.
    int32_t minutesPerDay_ = 480;
    int32_t minutesPerWeek_ = 2400;
    double daysPerMonth_ = 20.0;

    int32_t blankRows_ = 0;
    int32_t workLags_ = 0;
    int32_t elapsedDurations_ = 0;
    int32_t taskCalendarsUnused_ = 0;
    bool partialExceptionDays_ = false;

    std::vector<int32_t> addedSchedules_;
    std::vector<int32_t> addedResources_;
    std::vector<int32_t> addedTasks_;
    int32_t editedScheduleID_ = -1;
    LByteArray editedScheduleBefore_;
};

void Builder::Run()
{
    for (const QPTask& task : project_.tasks)
        taskNames_.insert(task.name.str());
    for (const QPResource& resource : project_.resources)
        resourceNames_.insert(resource.name.str());
    for (const QPSchedule& schedule : project_.schedules)
        scheduleNames_.insert(schedule.name.str());
    for (const std::string& problem : file_.problems)
        notes_.Add(problem);
    auto unit = [&](auto value, auto fallback, auto most, const char* name) {
        if (value > 0 && value <= most)
            return value;
        notes_.Add(std::string(name) + " " + Number(double(value)) + " cannot be; " +
                   Number(double(fallback)) + " is used");
        return decltype(value)(fallback);
    };
    minutesPerDay_ = unit(file_.minutesPerDay, 480, 1440, "MinutesPerDay");
    minutesPerWeek_ = unit(file_.minutesPerWeek, 2400, 7 * 1440, "MinutesPerWeek");
    daysPerMonth_ = unit(file_.daysPerMonth, 20.0, 31.0, "DaysPerMonth");

    MakeRows();
    if (settings_.takeProjectFields)
        TakeProjectFields();
    ImportCalendars();
    ImportResources();
    ImportTasks();
    ImportLinks();
    ImportAssignments();
    FinishNotes();
    RecordUndo();
}

// ---------------------------------------------------------------------------------------
// Project fields and names

void Builder::TakeProjectFields()
{
    std::string name = Trimmed(file_.title);
    if (name.empty())
        name = Trimmed(file_.name);
    if (name.empty())
        name = Trimmed(summaryTaskName_);
    if (!name.empty()) {
        if (LCutUtf8(name).size() < name.size())
            notes_.Add("project name " + Quote(name) + ": cut to " +
                       std::to_string(kFixedTextMaxBytes) + " bytes");
        project_.SetName(Trimmed(LCutUtf8(name)));
    }

    // The project editor keeps days: the start is the beginning of its day, the deadline
    // the end of its day.
    LDateTime start = file_.start;
    if (!start.IsSet())
        for (const QPXmlTask& task : file_.tasks)
            if (task.start.IsSet() && (!start.IsSet() || task.start < start))
                start = task.start;
    if (start.IsSet()) {
        const QPCalendarDay day = QPCalendarDay::Of(start);
        project_.projectStart = day.At(0, 0, 0);
        project_.projectFinish = project_.projectStart + kDay;
        // The deadline of the project's summary row (UID 0) where it has one, else the
        // finish the file gives.
        LDateTime given = file_.finish;
        for (const QPXmlTask& task : file_.tasks)
            if (task.uid == 0 && task.outlineLevel <= 0 && task.deadline.IsSet())
                given = task.deadline;
        const LDateTime deadline =
                given.IsSet() ? QPCalendarDay::Of(given).At(23, 59, 59) : LDateTime();
        project_.projectDeadline =
                deadline > project_.projectStart ? deadline : project_.projectStart + kDay;
    }

    QPProjectOptions& options = project_.options;
    if (file_.currencySymbol && !file_.currencySymbol->empty()) {
        if (LCutUtf8(*file_.currencySymbol).size() < file_.currencySymbol->size())
            notes_.Add("currency symbol: cut to " + std::to_string(kFixedTextMaxBytes) + " bytes");
        options.SetCurrencySymbol(*file_.currencySymbol);
    }
    if (file_.currencyCode && !file_.currencyCode->empty())
        options.SetCurrencyCode(*file_.currencyCode);
    if (file_.currencyDigits) {
        const int32_t digits = std::clamp(*file_.currencyDigits, 0, 3);
        if (digits != *file_.currencyDigits)
            notes_.Add("currency digits: " + std::to_string(*file_.currencyDigits) +
                       " is more than the planner shows; " + std::to_string(digits) + " are used");
        options.SetCurrencyDigits(digits);
    }
    // 0 and 2 put the symbol before the amount, 1 and 3 after it (with or without a space).
    if (file_.currencySymbolPosition)
        options.SetCurrencyPosition(*file_.currencySymbolPosition % 2 == 1 ? 1 : 0);
    project_.dirty = true;
}

// The name as the editors store it (trimmed, cut to the field), unique among the names of
// its kind: a name in use gets " (2)", " (3)", ... Each change is noted.
std::string Builder::Name(std::unordered_set<std::string>& taken, std::string_view raw,
                          const std::string& fallback, const std::string& where)
{
    std::string name = Trimmed(raw);
    if (name.empty()) {
        name = fallback;
        notes_.Add(where + ": has no name; named " + Quote(fallback));
    }
    const std::string cut = Trimmed(LCutUtf8(name));
    if (cut.size() < name.size())
        notes_.Add(where + ": name cut to " + std::to_string(kFixedTextMaxBytes) + " bytes");
    std::string unique = cut;
    for (int number = 2; taken.contains(unique); ++number) {
        const std::string suffix = " (" + std::to_string(number) + ")";
        unique = LCutUtf8(cut, kFixedTextMaxBytes - suffix.size()) + suffix;
    }
    if (unique != cut)
        notes_.Add(where + ": the name is in use; renamed " + Quote(unique));
    taken.insert(unique);
    return unique;
}

// ---------------------------------------------------------------------------------------
// Calendars

const QPXmlCalendar* Builder::Calendar(int64_t uid) const
{
    const auto found = calendars_.find(uid);
    return found == calendars_.end() ? nullptr : found->second;
}

std::string Builder::CalendarWhere(const QPXmlCalendar& calendar) const
{
    return "line " + std::to_string(calendar.line) + ": calendar " + Quote(calendar.name);
}

// The calendar's days, those it leaves open taken from its base calendars in turn.
std::array<QPXmlDay, 7> Builder::WeekOf(const QPXmlCalendar& calendar,
                                        std::array<const QPXmlCalendar*, 7>* definers)
{
    std::array<std::optional<QPXmlDay>, 7> days;
    std::set<int64_t> visited;
    for (const QPXmlCalendar* at = &calendar; at;
         at = at->baseUid == -1 ? nullptr : Calendar(at->baseUid)) {
        if (!visited.insert(at->uid).second) {
            notes_.Once("loop " + std::to_string(calendar.uid),
                        CalendarWhere(calendar) +
                                ": its base calendars form a loop; the loop is not followed");
            break;
        }
        for (std::size_t day = 0; day < 7; ++day) {
            if (days[day] || !at->weekDays[day])
                continue;
            days[day] = at->weekDays[day];
            if (definers)
                (*definers)[day] = at;
        }
        if (at->baseUid != -1 && !Calendar(at->baseUid))
            notes_.Once("base " + std::to_string(at->uid),
                        CalendarWhere(*at) + ": its base calendar (UID " +
                                std::to_string(at->baseUid) + ") is not in the file");
    }
    // Days no calendar names: Monday to Friday are working days with the default times.
    std::array<QPXmlDay, 7> week;
    for (std::size_t day = 0; day < 7; ++day)
        week[day] = days[day] ? *days[day] : QPXmlDay{day >= 1 && day <= 5, {}};
    return week;
}

// The calendar's own exceptions, then those of its base calendars on days it does not
// give exceptions for itself.
std::vector<const QPXmlException*> Builder::ExceptionsOf(const QPXmlCalendar& calendar)
{
    std::vector<const QPXmlException*> result;
    std::vector<std::pair<int64_t, int64_t>> covered;
    std::set<int64_t> visited;
    for (const QPXmlCalendar* at = &calendar; at && visited.insert(at->uid).second;
         at = at->baseUid == -1 ? nullptr : Calendar(at->baseUid)) {
        std::vector<std::pair<int64_t, int64_t>> level;
        for (const QPXmlException& exception : at->exceptions) {
            const int64_t first = LLocalDays::DayNumber(exception.from);
            const int64_t last = LLocalDays::DayNumber(exception.to);
            const bool hidden = std::any_of(covered.begin(), covered.end(), [&](const auto& range) {
                return first <= range.second && last >= range.first;
            });
            if (hidden)
                continue;
            result.push_back(&exception);
            level.emplace_back(first, last);
        }
        covered.insert(covered.end(), level.begin(), level.end());
    }
    return result;
}

// The planner's exceptions take work time out of a day from its shift start on, where the
// format states what is left of each day. The days named are read as the clock time they
// take out of the week (all of a day off, what a partly working day does not list); on a
// resource's calendar the days it does not name keep what its base's exceptions take out.
// Each run of working time taken out on the days named, with no working time left between
// its pieces, is one exception from the shift start where the run begins: a holiday, a leave
// over a weekend and the tail of a night shift come back as the same working time. A
// resource's leave next to a holiday of its base stays its own, since the run ends with the
// days named; and it begins on the named days without work before the run, where another
// schedule (a Fixed Duration task's own) may work. Only a run that begins inside a shift
// cannot, and keeps its hours from that shift's start.
void Builder::AddExceptions(const Shifts& shifts, const std::vector<const QPXmlException*>& list,
                            std::vector<QPScheduleException>& out, const std::string& where,
                            const QPSchedule* base)
{
    QPSchedule week;
    for (std::size_t day = 0; day < 7; ++day) {
        week.shiftStart[day] = LDayTime(shifts.start[day]);
        week.shiftDuration[day] = shifts.duration[day];
    }
    const QPWorkCalendar plain(week);
    std::vector<QPTimeSpan> taken;
    std::set<int64_t> named;
    for (const QPXmlException* exception : list) {
        const std::string what =
                where + ": exception " +
                (exception->name.empty() ? "of line " + std::to_string(exception->line)
                                         : Quote(exception->name));
        const int64_t first = LLocalDays::DayNumber(exception->from);
        int64_t last = LLocalDays::DayNumber(exception->to);
        if (last < first) {
            notes_.Add(what + ": ends before it begins; not imported");
            continue;
        }
        if (exception->repeats && last > first) {
            notes_.Add(what + ": repeats on chosen days of its period, which a schedule "
                              "exception cannot; not imported");
            continue;
        }
        if (last - first + 1 > kMaxExceptionDays) {
            notes_.Add(what + ": longer than " + std::to_string(kMaxExceptionDays) +
                       " days; cut there");
            last = first + kMaxExceptionDays - 1;
        }
        const std::vector<QPXmlWorkingTime> left = Spans(exception->day);
        bool adds = false;
        for (int64_t day = first; day <= last; ++day) {
            named.insert(day);
            const int64_t midnight = LLocalDays::MidnightOfDay(day);
            const int64_t next = LLocalDays::MidnightOfDay(day + 1);
            int64_t at = midnight;
            int64_t kept = 0;
            for (const QPXmlWorkingTime& time : left) {
                const int64_t from = std::min(LLocalDays::ClockTimeOfDay(day, time.from), next);
                const int64_t to = std::min(LLocalDays::ClockTimeOfDay(day, time.to), next);
                if (from > at)
                    taken.push_back({at, from});
                kept += std::max<int64_t>(0, to - from);
                at = std::max(at, to);
            }
            if (at < next)
                taken.push_back({at, next});
            adds = adds || kept > plain.WorkIn({midnight, next});
        }
        if (adds)
            notes_.Add(what + ": gives more working time than the week; exceptions only take "
                              "time out, so the extra time is not imported");
    }
    if (!plain.HasShifts() || taken.empty())
        return;
    // The taken spans in order, overlaps joined.
    std::sort(taken.begin(), taken.end(),
              [](const QPTimeSpan& a, const QPTimeSpan& b) { return a.from < b.from; });
    std::vector<QPTimeSpan> joined;
    for (const QPTimeSpan& span : taken) {
        if (!joined.empty() && span.from <= joined.back().to)
            joined.back().to = std::max(joined.back().to, span.to);
        else
            joined.push_back(span);
    }
    const int64_t lo =
            LLocalDays::MidnightOfDay(LLocalDays::DayNumber(LDateTime(joined.front().from)) - 1);
    const int64_t hi =
            LLocalDays::MidnightOfDay(LLocalDays::DayNumber(LDateTime(joined.back().to)) + 2);
    std::vector<QPTimeSpan> work;
    plain.AppendWorkIn({lo, hi}, work);
    // On a resource's calendar a named day also shows what its base's exceptions take out.
    // That time is the base's: a run begins and ends with the resource's own time, and only
    // reaches back over the base's where named days lead there.
    QPWorkCalendar left(week);
    if (base)
        left.TakeOut(base->exceptions, *base);
    // The exception of a run of taken-out time from `from` to `to`: from the latest shift
    // start with no working time left between it and `from`, and back over the named days
    // without working time left before that; else from the shift start before `from`.
    const auto add = [&](int64_t from, int64_t to) {
        std::vector<QPTimeSpan> own;
        left.AppendWorkIn({from, to}, own);
        if (!own.empty()) {
            from = own.front().from;
            to = own.back().to;
        }
        const int64_t day = LLocalDays::DayNumber(LDateTime(from));
        int64_t found = day;
        bool before = false;
        bool exact = false;
        for (int64_t d = day; d >= day - 2 && !exact; --d) {
            const int64_t start = LLocalDays::ClockTimeOfDay(
                    d, week.shiftStart[std::size_t(LLocalDays::WeekdayOfDay(d))].Get());
            if (start > from)
                continue;
            exact = left.WorkIn({start, from}) == 0;
            if (exact || !before)
                found = d;
            before = true;
            if (exact)
                from = start;
        }
        // Named days without working time just before it are where the exception began.
        while (exact && named.contains(found - 1)) {
            const int64_t start = LLocalDays::ClockTimeOfDay(
                    found - 1,
                    week.shiftStart[std::size_t(LLocalDays::WeekdayOfDay(found - 1))].Get());
            if (start > from || left.WorkIn({start, from}) != 0)
                break;
            --found;
            from = start;
        }
        if (!exact)
            partialExceptionDays_ = true;
        const int64_t seconds = plain.WorkIn({from, to});
        QPAddScheduleException(out, LLocalDays::AnchorOfDay(found),
                               int32_t(std::min<int64_t>(seconds, INT32_MAX)));
        ++counts_.exceptions;
    };
    // Walks the working time in order: runs of taken-out time with no working time left
    // between their pieces.
    int64_t runFrom = -1;
    int64_t runTo = -1;
    const auto close = [&] {
        if (runFrom >= 0 && runTo > runFrom)
            add(runFrom, runTo);
        runFrom = -1;
    };
    auto it = joined.begin();
    for (const QPTimeSpan& piece : work) {
        int64_t at = piece.from;
        while (at < piece.to) {
            while (it != joined.end() && it->to <= at)
                ++it;
            if (it != joined.end() && it->from <= at) {
                const int64_t to = std::min(it->to, piece.to);
                // Two leaves a week apart on a one-day week are two: a day not named
                // between them ends the run.
                for (int64_t day = LLocalDays::DayNumber(LDateTime(runTo));
                     runFrom >= 0 && day <= LLocalDays::DayNumber(LDateTime(at)); ++day)
                    if (!named.contains(day))
                        close();
                if (runFrom < 0)
                    runFrom = at;
                runTo = to;
                at = to;
            } else {
                close();
                at = it != joined.end() ? std::min(it->from, piece.to) : piece.to;
            }
        }
    }
    close();
}

void Builder::FillSchedule(QPSchedule& schedule, const QPXmlCalendar& calendar)
{
    const std::string where = CalendarWhere(calendar);
    std::array<const QPXmlCalendar*, 7> definers{};
    const Shifts shifts = ShiftsOf(WeekOf(calendar, &definers));
    schedule.name =
            Name(scheduleNames_, calendar.name, "Calendar " + std::to_string(calendar.uid), where);
    for (std::size_t day = 0; day < 7; ++day) {
        schedule.shiftStart[day] = LDayTime(shifts.start[day]);
        schedule.shiftDuration[day] = shifts.duration[day];
    }
    // The regular week is the calendar's week, so that only work beyond it is overtime.
    const int64_t hours = (shifts.Weekly() + 3599) / 3600;
    schedule.regularWorkWeek =
            int32_t(std::clamp<int64_t>(hours, 1, QPScheduleDialogRules::kMaxWorkWeekHours) * 3600);
    if (file_.weekStartDay)
        schedule.workWeekStart = std::clamp(*file_.weekStartDay, 0, 6);
    schedule.exceptions.clear();
    AddExceptions(shifts, ExceptionsOf(calendar), schedule.exceptions, where, nullptr);
    // Breaks are noted for the calendar that writes them, once, also when calendars based
    // on it inherit the day.
    std::map<const QPXmlCalendar*, std::string> folded;
    for (const int day : shifts.folded) {
        const QPXmlCalendar* definer = definers[std::size_t(day)];
        if (definer && !foldNoted_[std::size_t(day)].contains(definer->uid)) {
            foldNoted_[std::size_t(day)].insert(definer->uid);
            std::string& days = folded[definer];
            days += (days.empty() ? "" : ", ") + std::string(kDayNames[std::size_t(day)]);
        }
    }
    for (const auto& [definer, days] : folded)
        notes_.Add(CalendarWhere(*definer) + ": the breaks between the working times of " + days +
                   " are folded in: each day is one shift from its first working time, as "
                   "long as the working times together");
    if (calendar.hasWorkWeeks)
        notes_.Add(where + ": work weeks for date ranges are not imported; the regular week "
                           "holds all year");
}

int64_t Builder::ScheduleFor(const QPXmlCalendar& calendar)
{
    usedCalendars_.insert(calendar.uid);
    if (const auto known = scheduleOf_.find(calendar.uid); known != scheduleOf_.end())
        return known->second;
    if (ShiftsFor(calendar).Weekly() == 0) {
        notes_.Add(CalendarWhere(calendar) + ": has no working time, which a schedule must "
                                             "have; not imported, and its tasks and resources "
                                             "work on the default schedule");
        scheduleOf_[calendar.uid] = -1;
        return -1;
    }
    auto schedule = std::make_unique<QPSchedule>();
    FillSchedule(*schedule, calendar);
    const QPSchedule& added = project_.ElementAdd(std::move(schedule), false);
    addedSchedules_.push_back(added.id);
    ++counts_.schedules;
    scheduleOf_[calendar.uid] = added.key;
    return added.key;
}

void Builder::ImportCalendars()
{
    for (const QPXmlCalendar& calendar : file_.calendars)
        if (!calendars_.emplace(calendar.uid, &calendar).second)
            notes_.Add(CalendarWhere(calendar) + ": UID " + std::to_string(calendar.uid) +
                       " is used twice; the first calendar with it is imported");

    const QPXmlCalendar* projectCalendar = Calendar(file_.calendarUid);
    if (file_.calendarUid != -1 && !projectCalendar)
        notes_.Add("the project calendar (UID " + std::to_string(file_.calendarUid) +
                   ") is not in the file; the default schedule is kept");
    QPSchedule* defaultSchedule = project_.GetDefaultSchedule();
    if (settings_.takeProjectFields && projectCalendar && defaultSchedule) {
        usedCalendars_.insert(projectCalendar->uid);
        if (ShiftsFor(*projectCalendar).Weekly() == 0) {
            notes_.Add(CalendarWhere(*projectCalendar) +
                       ": the project calendar has no working time; the default schedule is "
                       "kept");
            scheduleOf_[projectCalendar->uid] = defaultSchedule->key;
        } else {
            editedScheduleID_ = defaultSchedule->id;
            editedScheduleBefore_ = defaultSchedule->WriteSDF();
            scheduleNames_.erase(defaultSchedule->name.str());
            FillSchedule(*defaultSchedule, *projectCalendar);
            scheduleOf_[projectCalendar->uid] = defaultSchedule->key;
            ++counts_.schedules;
        }
    }
    for (const QPXmlCalendar& calendar : file_.calendars)
        if (calendar.isBase && Calendar(calendar.uid) == &calendar)
            ScheduleFor(calendar);
    if (projectCalendar)
        ScheduleFor(*projectCalendar);
}

// ---------------------------------------------------------------------------------------
// Resources

int64_t Builder::RateOf(double rate, int32_t format, const std::string& where, const char* what)
{
    const double hoursPerDay = minutesPerDay_ / 60.0;
    const double hoursPerWeek = minutesPerWeek_ / 60.0;
    double perHour = rate;
    switch (format) {
    case 1:
        perHour = rate * 60.0;
        break;
    case 2:
        break;
    case 3:
        perHour = rate / hoursPerDay;
        notes_.Once("rate 3",
                    "rates per day are converted at " + Number(hoursPerDay) + " hours a day");
        break;
    case 4:
        perHour = rate / hoursPerWeek;
        notes_.Once("rate 4",
                    "rates per week are converted at " + Number(hoursPerWeek) + " hours a week");
        break;
    case 5:
        perHour = rate / (daysPerMonth_ * hoursPerDay);
        notes_.Once("rate 5", "rates per month are converted at " + Number(daysPerMonth_) +
                                      " days of " + Number(hoursPerDay) + " hours a month");
        break;
    case 7:
        perHour = rate / (52.0 * hoursPerWeek);
        notes_.Once("rate 7", "rates per year are converted at 52 weeks of " +
                                      Number(hoursPerWeek) + " hours a year");
        break;
    default:
        notes_.Once("rate " + std::to_string(format),
                    "rates of format " + std::to_string(format) + " are read as rates per hour");
        break;
    }
    const double minor = std::round(perHour * std::pow(10.0, project_.options.currencyDigits));
    if (!(minor >= 0.0)) {
        notes_.Add(where + ": the negative " + what + " is set to 0");
        return 0;
    }
    if (minor > double(kMaxMoneyInput)) {
        notes_.Add(where + ": the " + std::string(what) + " is more than the planner holds; cut");
        return kMaxMoneyInput;
    }
    return int64_t(minor);
}

// A resource on a base calendar works on that calendar's schedule. A calendar of its own
// that only adds exceptions to its base becomes the resource's exceptions on the base's
// schedule; one with a week of its own becomes a schedule of its own.
void Builder::ScheduleOfResource(const QPXmlResource& record, QPResource& resource,
                                 const std::string& where)
{
    resource.scheduleKey = project_.defaultScheduleKey;
    if (record.calendarUid == -1)
        return;
    const QPXmlCalendar* calendar = Calendar(record.calendarUid);
    if (!calendar) {
        notes_.Add(where + ": its calendar (UID " + std::to_string(record.calendarUid) +
                   ") is not in the file; it works on the default schedule");
        return;
    }
    usedCalendars_.insert(calendar->uid);
    const QPXmlCalendar* base =
            calendar->isBase || calendar->baseUid == -1 ? nullptr : Calendar(calendar->baseUid);
    if (base && !scheduleOf_.contains(calendar->uid)) {
        const int64_t baseKey = ScheduleFor(*base);
        const Shifts baseShifts = ShiftsFor(*base);
        if (baseKey != -1 && ShiftsFor(*calendar).SameShifts(baseShifts)) {
            resource.scheduleKey = baseKey;
            std::vector<const QPXmlException*> own;
            for (const QPXmlException& exception : calendar->exceptions)
                own.push_back(&exception);
            AddExceptions(baseShifts, own, resource.exceptions, where,
                          project_.schedules.GetElementByKey(baseKey));
            return;
        }
    }
    const int64_t key = ScheduleFor(*calendar);
    if (key != -1)
        resource.scheduleKey = key;
}

void Builder::ImportResources()
{
    std::map<int64_t, int> assignmentCount;
    for (const QPXmlAssignment& assignment : file_.assignments)
        ++assignmentCount[assignment.resourceUid];
    for (const QPXmlResource& record : file_.resources) {
        if (record.isNull || (record.uid == 0 && Trimmed(record.name).empty())) {
            ++blankRows_;
            continue;
        }
        const std::string where =
                "line " + std::to_string(record.line) + ": resource " + Quote(record.name);
        if (record.type == 0 || record.type == 2) {
            const int count = assignmentCount[record.uid];
            notes_.Add(where + ": a " + (record.type == 0 ? "material" : "cost") +
                       " resource, which the planner does not have; not imported" +
                       (count > 0 ? ", nor its " + std::to_string(count) + " assignment" +
                                            (count > 1 ? "s" : "")
                                  : std::string()));
            skippedResources_[record.uid] = record.name;
            continue;
        }
        if (resourceKeyOf_.contains(record.uid) || skippedResources_.contains(record.uid)) {
            notes_.Add(where + ": UID " + std::to_string(record.uid) +
                       " is used twice; not imported");
            continue;
        }
        auto resource = std::make_unique<QPResource>();
        resource->name =
                Name(resourceNames_, record.name, "Resource " + std::to_string(record.uid), where);
        const std::string email = Trimmed(record.email);
        if (!email.empty()) {
            if (email.size() <= kFixedTextMaxBytes && LEmail::IsValidAddress(email))
                resource->email = email;
            else
                notes_.Add(where + ": the e-mail address " + Quote(email) +
                           " is not one the planner can use; left out");
        }
        // Updates go to resources that can receive them.
        resource->sendTaskUpdates = !resource->email.empty();
        resource->sendProjectUpdates = false;
        resource->hourlyRate =
                RateOf(record.standardRate, record.standardRateFormat, where, "standard rate");
        resource->overtimeRate =
                RateOf(record.overtimeRate, record.overtimeRateFormat, where, "overtime rate");
        resource->notes = record.notes;
        ScheduleOfResource(record, *resource, where);
        const QPResource& added = project_.ElementAdd(std::move(resource), false);
        addedResources_.push_back(added.id);
        resourceKeyOf_[record.uid] = added.key;
        ++counts_.resources;
    }
}

// ---------------------------------------------------------------------------------------
// Tasks

void Builder::MakeRows()
{
    // Most writers put the project's own summary row at outline level 0 and its tasks from
    // level 1; some have no such row and count the top tasks from 0.
    const bool fromZero =
            std::any_of(file_.tasks.begin(), file_.tasks.end(), [](const QPXmlTask& record) {
                return !record.isNull && record.outlineLevel == 0 && record.uid != 0;
            });
    for (const QPXmlTask& record : file_.tasks) {
        if (record.isNull) {
            ++blankRows_;
            continue;
        }
        // The project's own summary row (outline level 0) stands for the project.
        if ((!fromZero && record.outlineLevel == 0) ||
            (record.uid == 0 && record.outlineLevel <= 0 &&
             (record.outlineNumber.empty() || record.outlineNumber == "0"))) {
            summaryTaskName_ = record.name;
            continue;
        }
        const std::string where =
                "line " + std::to_string(record.line) + ": task " + Quote(record.name);
        if (rowOf_.contains(record.uid)) {
            notes_.Add(where + ": UID " + std::to_string(record.uid) +
                       " is used twice; not imported");
            continue;
        }
        Row row;
        row.record = &record;
        row.where = where;
        row.level = fromZero && record.outlineLevel >= 0 ? record.outlineLevel + 1
                    : record.outlineLevel >= 1           ? record.outlineLevel
                    : record.outlineNumber.empty()
                            ? 1
                            : int(std::count(record.outlineNumber.begin(),
                                             record.outlineNumber.end(), '.')) +
                                      1;
        rowOf_[record.uid] = int(rows_.size());
        rows_.push_back(std::move(row));
    }

    const int count = int(rows_.size());
    int header = -1;
    for (int i = 0; i < count; ++i) {
        Row& row = rows_[std::size_t(i)];
        row.hasChildren = i + 1 < count && rows_[std::size_t(i + 1)].level > row.level;
        if (row.level <= 1) {
            row.kind = row.hasChildren ? Row::headerTask : Row::plain;
            header = row.hasChildren ? i : -1;
        } else {
            row.kind = row.hasChildren ? Row::droppedSummary : Row::plain;
            row.header = header;
            if (header == -1)
                notes_.Add(row.where + ": at outline level " + std::to_string(row.level) +
                           " without a summary above it; kept at the top level");
        }
        // A summary without tasks under it is a task if it has work, and nothing otherwise.
        const QPXmlTask& record = *row.record;
        if (row.kind == Row::plain && record.summary && !record.milestone &&
            record.work.value_or(0) <= 0 && record.duration.value_or(0) <= 0) {
            row.kind = Row::dropped;
            notes_.Add(row.where + ": a summary task with no tasks under it and no work; not "
                                   "imported");
        }
    }
    for (int i = 0; i < count; ++i) {
        Row& row = rows_[std::size_t(i)];
        if (row.kind != Row::droppedSummary)
            continue;
        for (int j = i + 1; j < count && rows_[std::size_t(j)].level > row.level; ++j)
            if (rows_[std::size_t(j)].kind == Row::plain)
                row.members.push_back(j);
        const std::string into =
                row.header == -1 ? std::string("the top level")
                                 : "header " + Quote(rows_[std::size_t(row.header)].record->name);
        notes_.Add(row.where + ": a summary task at outline level " + std::to_string(row.level) +
                   " is not kept (the planner has one level of headers); its " +
                   std::to_string(row.members.size()) + " task" +
                   (row.members.size() == 1 ? "" : "s") + " belong to " + into +
                   " and take over its links");
    }
}

// The working time from a task's start to its finish on its calendar (the default
// schedule's where it names none the planner has).
int64_t Builder::WorkingTimeBetween(const QPXmlTask& record)
{
    if (!record.start.IsSet() || !record.finish.IsSet() || record.finish <= record.start)
        return 0;
    const QPSchedule* schedule = nullptr;
    if (const QPXmlCalendar* calendar =
                record.calendarUid != -1 ? Calendar(record.calendarUid) : nullptr) {
        if (const int64_t key = ScheduleFor(*calendar); key != -1)
            schedule = project_.schedules.GetElementByKey(key);
    }
    if (!schedule)
        schedule = project_.GetDefaultSchedule();
    if (!schedule)
        return 0;
    QPWorkCalendar calendar(*schedule);
    calendar.TakeOut(schedule->exceptions, *schedule);
    return calendar.WorkIn({record.start.Get(), record.finish.Get()});
}

void Builder::WorkOfTask(const QPXmlTask& record, QPTask& task, const std::string& where)
{
    // A Fixed Duration task counts its hours on its schedule, a Fixed Work task shares its
    // work among its resources; a task without resources has work only as its duration.
    const bool fixedDuration = task.taskType == eTaskTypeFixedDuration;
    std::optional<int64_t> work = record.work;
    if (!work && !record.duration) {
        // Some writers give the work only with the task's assignments.
        int64_t sum = 0;
        for (const QPXmlAssignment& assignment : file_.assignments)
            if (assignment.taskUid == record.uid && assignment.work && *assignment.work > 0 &&
                sum < std::numeric_limits<int64_t>::max() / 2)
                sum += *assignment.work;
        if (sum > 0)
            work = sum;
    }
    const bool fromDuration = fixedDuration || work.value_or(0) <= 0;
    const std::optional<int64_t> seconds = fromDuration ? record.duration : work;
    const int32_t format =
            record.durationFormat > 32 ? record.durationFormat - 32 : record.durationFormat;
    if (fromDuration && seconds &&
        (format == 4 || format == 6 || format == 8 || format == 10 || format == 12 || format == 20))
        ++elapsedDurations_;
    double hours = seconds ? double(*seconds) / 3600.0 : 0.0;
    task.durationText = "0";
    if (record.milestone) {
        task.milestone = true;
        if (hours > 0.0)
            notes_.Add(where + ": a milestone; its " + Number(hours) + " hours are not kept");
        return;
    }
    // A duration of zero is a task of no hours, as the file has it; no duration at all
    // leaves nothing but a moment.
    if (seconds && hours <= 0.0)
        return;
    if (!seconds) {
        // Some writers give a task of days without resources only as its start and finish:
        // it lasts the working time between them.
        const int64_t worked = WorkingTimeBetween(record);
        if (worked <= 0) {
            task.milestone = true;
            notes_.Add(where + ": gives no duration or work; imported as a milestone");
            return;
        }
        hours = double(worked) / 3600.0;
        notes_.Add(where + ": gives no duration or work; it lasts the " + Number(hours) +
                   " hours of working time from its start to its finish");
    }
    const double kept = std::clamp(hours, kMinDurationHours, kMaxDurationHours);
    if (kept != hours)
        notes_.Add(where + ": " + Number(hours) + " hours of work are outside what a task can " +
                   "hold; " + Number(kept) + " are kept");
    task.durationText = LLocaleFormatFloatToText(project_.options, kept);
}

void Builder::ConstraintOfTask(const QPXmlTask& record, QPTask& task, const std::string& where)
{
    static constexpr std::array<int32_t, 8> kConstraint = {
            eConstraintNone,        eConstraintAsLateAsPossible, eConstraintStartOn,
            eConstraintFinishOn,    eConstraintStartAfter,       eConstraintStartBefore,
            eConstraintFinishAfter, eConstraintFinishBefore};
    if (record.constraintType < 0 || record.constraintType > 7) {
        notes_.Add(where + ": constraint type " + std::to_string(record.constraintType) +
                   " is not known; the task has none");
        return;
    }
    const int32_t constraint = kConstraint[std::size_t(record.constraintType)];
    // The planner's After and Before leave the named day out (Start After the 17th starts on
    // the 18th at the earliest), the file's No Earlier Than and No Later Than keep it in: the
    // day moves by one so that the same days stay open.
    const int dayShift =
            constraint == eConstraintStartAfter || constraint == eConstraintFinishAfter     ? -1
            : constraint == eConstraintStartBefore || constraint == eConstraintFinishBefore ? 1
                                                                                            : 0;
    if (!QPTaskConstraintIsDated(constraint)) {
        task.constraintType = constraint;
        return;
    }
    if (!record.constraintDate.IsSet()) {
        notes_.Add(where + ": the constraint " + QPTaskConstraintName(constraint) +
                   " has no date; the task has none");
        return;
    }
    // The task editor keeps a start constraint from the beginning of its day and a finish
    // constraint to the end of its day; it refuses, for a task it schedules, dates the
    // project's start rules out.
    const bool isStart = constraint == eConstraintStartOn || constraint == eConstraintStartBefore ||
                         constraint == eConstraintStartAfter;
    const QPCalendarDay day = QPCalendarDay::Of(record.constraintDate).AddDays(dayShift);
    const LDateTime date = isStart ? day.At(0, 0, 0) : day.At(23, 59, 59);
    const LDateTime start = project_.projectStart;
    bool fits = date.IsSet();
    if (constraint == eConstraintStartOn || constraint == eConstraintFinishOn)
        fits = fits && date >= start;
    else if (constraint == eConstraintStartBefore)
        fits = fits && date > start;
    else if (constraint == eConstraintFinishBefore)
        fits = fits && date > LLocalDays::AddDays(start, 1);
    if (task.autoSchedule && !fits) {
        char text[16];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", day.year, day.month, day.day);
        notes_.Add(where + ": the constraint " + QPTaskConstraintName(constraint) + " " + text +
                   " conflicts with the project start; the task has none");
        return;
    }
    task.constraintType = constraint;
    task.constraintDate = date;
}

std::unique_ptr<QPTask> Builder::MakeTask(const Row& row)
{
    const QPXmlTask& record = *row.record;
    auto task = std::make_unique<QPTask>();
    task->name = Name(taskNames_, record.name,
                      "Task " + std::to_string(record.id >= 0 ? record.id : record.uid), row.where);
    task->notes = record.notes;
    const double percent = std::round(record.percentComplete);
    task->percentComplete = int32_t(std::clamp(percent, 0.0, 100.0));
    if (percent != task->percentComplete)
        notes_.Add(row.where + ": " + Number(record.percentComplete) + " percent complete is " +
                   "outside 0 to 100; " + std::to_string(task->percentComplete) + " is kept");

    // Dates of tasks the planner schedules come from the recalculation, not from the file.
    if (row.kind == Row::headerTask) {
        task->isHeader = true;
        task->durationText = "";
        if (record.manual)
            notes_.Add(row.where + ": a header is scheduled from its tasks; its manual dates "
                                   "are not kept");
    } else {
        task->taskType = record.type == 1 ? eTaskTypeFixedDuration : eTaskTypeFixedWork;
        WorkOfTask(record, *task, row.where);
        if (record.manual) {
            if (record.start.IsSet() && record.finish.IsSet()) {
                task->autoSchedule = false;
                task->start = record.start;
                task->finish = record.finish;
                if (task->finish < task->start) {
                    task->finish = task->start;
                    notes_.Add(row.where + ": finishes before it starts; its finish is moved "
                                           "to its start");
                }
            } else {
                notes_.Add(row.where + ": scheduled by hand without a start and a finish; it "
                                       "is scheduled automatically");
            }
        }
    }
    ConstraintOfTask(record, *task, row.where);

    if (record.calendarUid != -1) {
        const QPXmlCalendar* calendar = Calendar(record.calendarUid);
        if (!calendar) {
            notes_.Add(row.where + ": its calendar (UID " + std::to_string(record.calendarUid) +
                       ") is not in the file");
        } else if (const int64_t key = ScheduleFor(*calendar); key != -1) {
            task->scheduleKey = key;
            if (task->taskType != eTaskTypeFixedDuration && !task->isHeader)
                ++taskCalendarsUnused_;
        }
    }
    return task;
}

void Builder::ImportTasks()
{
    for (Row& row : rows_) {
        if (row.kind != Row::plain && row.kind != Row::headerTask)
            continue;
        QPTask& added = project_.ElementAdd(MakeTask(row), false);
        row.task = &added;
        addedTasks_.push_back(added.id);
        ++(row.kind == Row::headerTask ? counts_.headers : counts_.tasks);
    }
    for (const Row& row : rows_) {
        if (!row.task || row.header == -1)
            continue;
        QPTask* header = rows_[std::size_t(row.header)].task;
        header->subtaskKeys.push_back(row.task->key);
        row.task->headerKey = header->key;
    }
}

// The kept tasks a link end stands for: the task itself, or the tasks of a summary that is
// not kept.
std::vector<int> Builder::Ends(int row) const
{
    const Row& end = rows_[std::size_t(row)];
    if (end.kind == Row::droppedSummary)
        return end.members;
    if (end.task)
        return {row};
    return {};
}

// Adds a link as the task editor accepts it: tasks of the same group, or tasks at the top
// level (headers included) link directly; a link across a group's edge becomes a link
// between the headers (or top-level tasks) the two ends stand under.
void Builder::AddLink(int predecessor, int successor, int32_t type, float lag,
                      const std::string& where)
{
    const Row& from = rows_[std::size_t(predecessor)];
    const Row& to = rows_[std::size_t(successor)];
    const std::string link = where + ": the link from " + Quote(from.task->name.str()) + " to " +
                             Quote(to.task->name.str());
    if (predecessor == successor) {
        notes_.Add(link + ": a task cannot wait for itself; not imported");
        return;
    }
    const bool sameGroup = from.header != -1 && from.header == to.header;
    const bool topLevel = from.header == -1 && to.header == -1;
    const Row& liftedFrom = sameGroup || from.header == -1 ? from : rows_[std::size_t(from.header)];
    const Row& liftedTo = sameGroup || to.header == -1 ? to : rows_[std::size_t(to.header)];
    const bool lifted = !sameGroup && !topLevel;
    const std::string between = lifted ? " (between headers " + Quote(liftedFrom.task->name.str()) +
                                                 " and " + Quote(liftedTo.task->name.str()) + ")"
                                       : std::string();
    if (&liftedFrom == &liftedTo) {
        notes_.Add(link + ": joins a task and its own header; not imported");
        return;
    }
    QPTask& task = *liftedTo.task;
    if (task.isHeader && (type == eFinishToFinish || type == eStartToFinish)) {
        notes_.Add(link + between +
                   ": a header's finish cannot be bound by a link; not "
                   "imported");
        return;
    }
    if (task.FindDependency(liftedFrom.task->key)) {
        notes_.Add(link + between + ": already linked; not imported again");
        return;
    }
    if (QPTaskDialogRules::DependsOn(project_, *liftedFrom.task, task.key)) {
        notes_.Add(link + between + ": would close a loop of links; not imported");
        return;
    }
    task.dependencies.push_back({liftedFrom.task->key, type, lag});
    ++counts_.links;
    if (lifted)
        notes_.Add(link +
                   ": crosses a header group's edge, which the planner does not allow; "
                   "it links " +
                   Quote(liftedFrom.task->name.str()) + " to " + Quote(task.name.str()) +
                   " instead");
}

// Lags in elapsed time are exact; lags in working time become days at the file's minutes
// per working day.
float Builder::LagOf(const QPXmlLink& link, const std::string& where)
{
    const int32_t format = link.lagFormat > 32 ? link.lagFormat - 32 : link.lagFormat;
    const bool elapsed = format == 4 || format == 6 || format == 8 || format == 10 ||
                         format == 12 || format == 20;
    const bool work = format == 3 || format == 5 || format == 7 || format == 9 || format == 11 ||
                      format == 19;
    if (!elapsed && !work)
        notes_.Once("lag " + std::to_string(link.lagFormat),
                    "lags of format " + std::to_string(link.lagFormat) +
                            " are read as working time");
    const double minutesPerDay = elapsed ? 1440.0 : double(minutesPerDay_);
    double days = link.lag / 10.0 / minutesPerDay;
    if (work && days > 0.0)
        ++workLags_;
    if (days < 0.0) {
        notes_.Add(where + ": a lead of " + Number(-days) + (days == -1.0 ? " day" : " days") +
                   "; the planner has no negative lags, so it is 0");
        days = 0.0;
    }
    if (days > kMaxLagDays) {
        notes_.Add(where + ": a lag of " + Number(days) + " days is more than the planner " +
                   "holds; " + Number(kMaxLagDays) + " days are kept");
        days = kMaxLagDays;
    }
    return float(days);
}

void Builder::ImportLinks()
{
    // The file's types: 0 finish-finish, 1 finish-start, 2 start-finish, 3 start-start.
    static constexpr std::array<int32_t, 4> kType = {eFinishToFinish, eFinishToStart,
                                                     eStartToFinish, eStartToStart};
    for (int successor = 0; successor < int(rows_.size()); ++successor) {
        const Row& row = rows_[std::size_t(successor)];
        for (const QPXmlLink& link : row.record->links) {
            const std::string where =
                    "line " + std::to_string(link.line) + ": task " + Quote(row.record->name);
            const auto found = rowOf_.find(link.predecessorUid);
            if (found == rowOf_.end()) {
                notes_.Add(where + ": its predecessor (UID " + std::to_string(link.predecessorUid) +
                           ") is not a task of the file; the link is not imported");
                continue;
            }
            const std::vector<int> from = Ends(found->second);
            const std::vector<int> to = Ends(successor);
            if (from.empty() || to.empty()) {
                notes_.Add(where + ": the link from " +
                           Quote(rows_[std::size_t(found->second)].record->name) +
                           " joins a task that is not imported; not imported");
                continue;
            }
            if (from.size() * to.size() > kMaxCarriedLinks) {
                notes_.Add(where + ": the link from " +
                           Quote(rows_[std::size_t(found->second)].record->name) +
                           " would become more than " + std::to_string(kMaxCarriedLinks) +
                           " links; not imported");
                continue;
            }
            int32_t type = eFinishToStart;
            if (link.type >= 0 && link.type <= 3)
                type = kType[std::size_t(link.type)];
            else
                notes_.Add(where + ": link type " + std::to_string(link.type) +
                           " is not known; it is read as finish-to-start");
            const float lag = LagOf(link, where);
            for (const int p : from)
                for (const int s : to)
                    AddLink(p, s, type, lag, where);
        }
    }
}

void Builder::ImportAssignments()
{
    for (const QPXmlAssignment& assignment : file_.assignments) {
        // Rows for tasks without resources name no resource.
        if (assignment.resourceUid < 0 || skippedResources_.contains(assignment.resourceUid))
            continue;
        const std::string where = "line " + std::to_string(assignment.line) + ": assignment";
        const auto task = rowOf_.find(assignment.taskUid);
        const auto resource = resourceKeyOf_.find(assignment.resourceUid);
        if (task == rowOf_.end() || resource == resourceKeyOf_.end()) {
            notes_.Add(where + ": names a " + (task == rowOf_.end() ? "task" : "resource") +
                       " that is not in the file; not imported");
            continue;
        }
        const Row& row = rows_[std::size_t(task->second)];
        const std::string what = where + " to task " + Quote(row.record->name);
        if (row.kind == Row::headerTask || row.kind == Row::droppedSummary) {
            notes_.Add(what + ": summary tasks book no resources in the planner; not imported");
            continue;
        }
        if (!row.task) {
            notes_.Add(what + ": the task is not imported; nor is the assignment");
            continue;
        }
        if (row.task->FindResourceAssignment(resource->second)) {
            notes_.Add(what + ": the resource is assigned twice; the first assignment is kept");
            continue;
        }
        const double percent = std::round(assignment.units * 100.0);
        const int32_t kept = int32_t(std::clamp(percent, 0.0, 100.0));
        if (percent != kept)
            notes_.Add(what + ": " + Number(assignment.units * 100.0) +
                       " percent of the resource's time is outside 0 to 100; " +
                       std::to_string(kept) + " is kept");
        QPResourceAssignment added;
        added.resourceKey = resource->second;
        added.percent = kept;
        row.task->resourceAssignments.push_back(added);
        ++counts_.assignments;
    }
}

// ---------------------------------------------------------------------------------------
// The end

void Builder::FinishNotes()
{
    for (const QPXmlCalendar& calendar : file_.calendars)
        if (!calendar.isBase && !usedCalendars_.contains(calendar.uid) &&
            Calendar(calendar.uid) == &calendar)
            notes_.Add(CalendarWhere(calendar) + ": used by no imported resource or task; not "
                                                 "imported");
    if (blankRows_ > 0)
        notes_.Add(std::to_string(blankRows_) + " blank row" + (blankRows_ > 1 ? "s" : "") +
                   " of tasks or resources skipped");
    if (workLags_ > 0)
        notes_.Add(std::to_string(workLags_) + " link lag" + (workLags_ > 1 ? "s" : "") +
                   " in working time converted to calendar days at " +
                   std::to_string(minutesPerDay_) + " minutes a day");
    if (elapsedDurations_ > 0)
        notes_.Add(std::to_string(elapsedDurations_) + " elapsed duration" +
                   (elapsedDurations_ > 1 ? "s" : "") + " taken as working hours");
    if (taskCalendarsUnused_ > 0)
        notes_.Add(std::to_string(taskCalendarsUnused_) + " task calendar" +
                   (taskCalendarsUnused_ > 1 ? "s are" : " is") +
                   " kept but counts only once the task is Fixed Duration: a Fixed Work "
                   "task works on its resources' calendars");
    if (partialExceptionDays_)
        notes_.Add("exception days with some working time take the rest of the shift from its "
                   "start: their hours are kept, their times of day are not");
    notes_.Finish();
}

// One creation step for each new element, holding the element as it ends up, and one edit
// step for the default schedule; the caller's undo group makes them one step.
void Builder::RecordUndo()
{
    if (editedScheduleID_ != -1) {
        const QPSchedule* schedule = project_.schedules.GetElement(editedScheduleID_);
        LByteArray after = schedule->WriteSDF();
        if (after != editedScheduleBefore_)
            project_.UndoRedoAdd(std::make_unique<QPElementEditedUndoRedo<QPSchedule>>(
                    project_, editedScheduleID_, editedScheduleBefore_, std::move(after)));
    }
    for (const int32_t id : addedSchedules_)
        project_.UndoRedoAdd(std::make_unique<QPElementCreatedUndoRedo<QPSchedule>>(
                project_, id, project_.schedules.GetElement(id)->WriteSDF()));
    for (const int32_t id : addedResources_)
        project_.UndoRedoAdd(std::make_unique<QPElementCreatedUndoRedo<QPResource>>(
                project_, id, project_.resources.GetElement(id)->WriteSDF()));
    for (const int32_t id : addedTasks_)
        project_.UndoRedoAdd(std::make_unique<QPElementCreatedUndoRedo<QPTask>>(
                project_, id, project_.tasks.GetElement(id)->WriteSDF()));
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        error = "the file could not be found";
        return false;
    }
    if (std::size_t(info.st_size) > kXmlMaxInputBytes) {
        error = "the file is larger than " + std::to_string(kXmlMaxInputBytes >> 20) + " MiB";
        return false;
    }
    std::ifstream stream(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    if (!stream && !stream.eof()) {
        error = "the file could not be read";
        return false;
    }
    return true;
}

} // namespace

QPProjectXmlImport::QPProjectXmlImport(QPProject& project, QPProjectXmlImportSettings settings)
    : project_(project), settings_(settings)
{}

QPProjectXmlImport::~QPProjectXmlImport() = default;

QPFormOutcome QPProjectXmlImport::SetFilePath(std::string_view path)
{
    struct stat info {};
    const std::string candidate(path);
    if (candidate.empty() || stat(candidate.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return QPFormRefusal{0, "Invalid File",
                             "The file could not be found. Please select a different file."};
    filePath_ = candidate;
    haveBytes_ = false;
    return std::nullopt;
}

void QPProjectXmlImport::SetBytes(std::string bytes)
{
    bytes_ = std::move(bytes);
    haveBytes_ = true;
}

std::vector<std::string> QPProjectXmlImport::ResultLines() const
{
    const QPProjectXmlImportCounts& c = counts_;
    std::vector<std::string> lines;
    lines.push_back("Imported: " + std::to_string(c.tasks) + " tasks, " +
                    std::to_string(c.headers) + " headers, " + std::to_string(c.links) +
                    " links, " + std::to_string(c.resources) + " resources, " +
                    std::to_string(c.assignments) + " assignments, " + std::to_string(c.schedules) +
                    " schedules, " + std::to_string(c.exceptions) + " exceptions");
    lines.push_back(notes_.empty() ? std::string("Everything was imported as the file has it.")
                                   : "Not imported as the file has it:");
    lines.insert(lines.end(), notes_.begin(), notes_.end());
    return lines;
}

int Process(LProcessInterface& process, QPProjectXmlImport& import)
{
    import.errorText_.clear();
    import.notes_.clear();
    import.counts_ = {};
    process.SetStatus("Reading the Project XML file...", 0);
    process.SetProgress(0.0);
    std::string fileBytes;
    if (!import.haveBytes_ && !ReadWholeFile(import.filePath_, fileBytes, import.errorText_)) {
        process.SetError(import.filePath_ + ": " + import.errorText_);
        return eProcessFailed;
    }
    const std::string_view bytes = import.haveBytes_ ? import.bytes_ : fileBytes;

    QPXmlProject file;
    const eXmlReadResult read =
            QPReadProjectXml(bytes, file, import.errorText_, [&process](double share) {
                process.SetProgress(share * 0.9);
                return !process.IsToStop();
            });
    if (read == eXmlReadResult::cancelled || process.IsToStop())
        return eProcessCancelled;
    if (read == eXmlReadResult::refused) {
        process.SetError(import.filePath_.empty() || import.haveBytes_
                                 ? import.errorText_
                                 : import.filePath_ + ": " + import.errorText_);
        return eProcessFailed;
    }

    // From here on the project changes, all at once.
    process.SetStatus("Adding the tasks, resources and schedules...", 0);
    NoteList notes(import.notes_);
    Builder(import.project_, file, import.settings_, import.counts_, notes).Run();
    process.SetProgress(1.0);
    process.SetStatus("Import Complete", 0);
    return eProcessSucceeded;
}

QPProjectXmlImportResult QPImportProjectXml(QPProject& project, std::string_view bytes,
                                            QPProjectXmlImportSettings settings)
{
    QPProjectXmlImport import(project, settings);
    import.SetBytes(std::string(bytes));
    LProcessInterface silent;
    QPProjectXmlImportResult result;
    result.result = Process(silent, import);
    result.error = import.ErrorText();
    result.counts = import.Counts();
    result.lines = import.ResultLines();
    return result;
}
