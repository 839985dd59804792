// Working time as spans of seconds: a schedule's shifts day by day, less what exceptions
// take out. Durations, day shares and costs all count work here, so that a task's span
// holds exactly its work on the calendars it is worked on.

#include "engine/QPWorkTime.h"

#include "engine/LLocalDays.h"
#include "model/QPSchedule.h"
#include "model/QPScheduleException.h"

#include <algorithm>

using namespace LLocalDays;

namespace {

// A bound on day-by-day walks: far more days than any plan spans (over 2,700 years); only
// a calendar whose every shift is taken out by exceptions for ever would reach it.
constexpr int64_t kMaxDays = 1'000'000;

constexpr int64_t kDay = 86400;

// The smallest t with rate x (t - from) >= units.
int64_t Reach(int64_t from, int64_t units, int32_t rate)
{
    return from + (units + rate - 1) / rate;
}

} // namespace

QPTimeSpan QPExceptionSpan(const QPSchedule& schedule, const QPScheduleException& exception)
{
    if (exception.workSeconds <= 0 || schedule.GetWeeklyWork() <= 0)
        return {};
    const int64_t day = DayNumber(exception.date);
    const int64_t from = ClockTimeOfDay(day, schedule.shiftStart[WeekdayOfDay(day)].Get());
    const int64_t to = schedule.CalculateExceptionFinish(exception).Get();
    return {from, std::max(from, to)};
}

QPWorkCalendar::QPWorkCalendar(const QPSchedule& schedule) : schedule_(&schedule)
{
    // The week's shift time, with the part of a shift that runs into the next day's shift
    // counted once.
    for (int d = 0; d < 7; ++d) {
        const int64_t w = schedule.shiftDuration[d];
        if (w <= 0)
            continue;
        const int p = (d + 6) % 7;
        const int64_t begin = schedule.shiftStart[d].Get();
        int64_t from = begin;
        if (schedule.shiftDuration[p] > 0)
            from = std::max(from, schedule.shiftStart[p].Get() +
                                          int64_t(schedule.shiftDuration[p]) - kDay);
        weekly_ += std::max<int64_t>(0, begin + w - from);
    }
}

void QPWorkCalendar::TakeOut(const std::vector<QPScheduleException>& exceptions,
                             const QPSchedule& measuredOn)
{
    for (const QPScheduleException& exception : exceptions) {
        const QPTimeSpan span = QPExceptionSpan(measuredOn, exception);
        if (span.Length() > 0)
            out_.push_back(span);
    }
    // Sorted and merged, so that two exceptions on the same days take their time out once.
    std::sort(out_.begin(), out_.end(),
              [](const QPTimeSpan& a, const QPTimeSpan& b) { return a.from < b.from; });
    std::vector<QPTimeSpan> merged;
    for (const QPTimeSpan& span : out_) {
        if (!merged.empty() && span.from <= merged.back().to)
            merged.back().to = std::max(merged.back().to, span.to);
        else
            merged.push_back(span);
    }
    out_ = std::move(merged);
}

QPTimeSpan QPWorkCalendar::ShiftOfDay(LDateTime day) const
{
    return ShiftOfDay(DayNumber(day));
}

QPTimeSpan QPWorkCalendar::ShiftOfDay(int64_t day) const
{
    const int d = WeekdayOfDay(day);
    const int64_t w = schedule_->shiftDuration[d];
    if (w <= 0)
        return {};
    const int64_t begin = ClockTimeOfDay(day, schedule_->shiftStart[d].Get());
    QPTimeSpan shift{begin, begin + w};
    // Yesterday's shift may run on past midnight into today's.
    const int p = (d + 6) % 7;
    const int64_t pw = schedule_->shiftDuration[p];
    if (pw > 0 && schedule_->shiftStart[p].Get() + pw > kDay - 3600) {
        const int64_t end = ClockTimeOfDay(day - 1, schedule_->shiftStart[p].Get()) + pw;
        shift.from = std::max(shift.from, end);
    }
    if (shift.from >= shift.to)
        return {};
    return shift;
}

void QPWorkCalendar::AppendWithoutExceptions(QPTimeSpan piece, std::vector<QPTimeSpan>& out) const
{
    if (piece.from >= piece.to)
        return;
    auto it = std::upper_bound(out_.begin(), out_.end(), piece.from,
                               [](int64_t t, const QPTimeSpan& span) { return t < span.to; });
    int64_t at = piece.from;
    for (; it != out_.end() && it->from < piece.to; ++it) {
        if (it->from > at)
            out.push_back({at, it->from});
        at = std::max(at, it->to);
    }
    if (at < piece.to)
        out.push_back({at, piece.to});
}

void QPWorkCalendar::AppendWorkIn(QPTimeSpan span, std::vector<QPTimeSpan>& out) const
{
    if (span.from >= span.to || weekly_ <= 0)
        return;
    AppendWorkIn(span, DayNumber(LDateTime(span.from)), DayNumber(LDateTime(span.to - 1)), out);
}

void QPWorkCalendar::AppendWorkIn(QPTimeSpan span, int64_t firstDay, int64_t lastDay,
                                  std::vector<QPTimeSpan>& out) const
{
    if (span.from >= span.to || weekly_ <= 0)
        return;
    // A shift lasts at most a day, so yesterday's is the earliest that can reach the span.
    for (int64_t day = firstDay - 1; day <= lastDay && day - firstDay < kMaxDays; ++day) {
        const QPTimeSpan shift = ShiftOfDay(day);
        AppendWithoutExceptions({std::max(shift.from, span.from), std::min(shift.to, span.to)},
                                out);
    }
}

int64_t QPWorkCalendar::WorkIn(QPTimeSpan span) const
{
    std::vector<QPTimeSpan> pieces;
    AppendWorkIn(span, pieces);
    int64_t total = 0;
    for (const QPTimeSpan& piece : pieces)
        total += piece.Length();
    return total;
}

int64_t QPWorkCalendar::WithoutExceptions(QPTimeSpan piece) const
{
    if (piece.from >= piece.to)
        return 0;
    int64_t total = piece.Length();
    auto it = std::upper_bound(out_.begin(), out_.end(), piece.from,
                               [](int64_t t, const QPTimeSpan& span) { return t < span.to; });
    for (; it != out_.end() && it->from < piece.to; ++it)
        total -= std::min(it->to, piece.to) - std::max(it->from, piece.from);
    return total;
}

bool QPWorkCalendar::Undisturbed(int64_t from, int64_t to) const
{
    const auto it = std::upper_bound(out_.begin(), out_.end(), from,
                                     [](int64_t t, const QPTimeSpan& span) { return t < span.to; });
    return it == out_.end() || it->from >= to;
}

void QPAppendDayWork(const QPWorkCalendar& calendar, LDateTime start, LDateTime finish,
                     std::vector<QPDayWork>& out)
{
    if (!(start < finish) || !calendar.HasShifts())
        return;
    // The shift of the day before may run past midnight into the span.
    const int64_t first = DayNumber(start) - 1;
    const int64_t last = DayNumber(finish - 1);
    for (int64_t day = first; day <= last && day - first < kMaxDays; ++day) {
        const QPTimeSpan shift = calendar.ShiftOfDay(day);
        if (shift.to <= start.Get() || shift.from >= finish.Get())
            continue;
        const int64_t available = calendar.WithoutExceptions(shift);
        const int64_t used = calendar.WithoutExceptions(
                {std::max(shift.from, start.Get()), std::min(shift.to, finish.Get())});
        if (available > 0 && used > 0)
            out.push_back({day, available, used});
    }
}

// ---------------------------------------------------------------------------------------

void QPCrew::Add(const QPWorkCalendar& calendar, int32_t percent)
{
    members_.push_back({&calendar, percent});
    if (percent > 0)
        weeklyUnits_ += calendar.WeeklyShiftTime() * percent;
}

std::size_t QPCrew::DistinctSchedules() const
{
    std::vector<const QPSchedule*> seen;
    for (const Member& member : members_)
        if (std::find(seen.begin(), seen.end(), &member.calendar->Schedule()) == seen.end())
            seen.push_back(&member.calendar->Schedule());
    return seen.size();
}

void QPCrew::Window(int64_t day, int64_t from, int64_t to, std::vector<Piece>& out) const
{
    std::vector<QPTimeSpan>& spans = spans_;
    for (const Member& member : members_) {
        if (member.percent <= 0 || !member.calendar->HasShifts())
            continue;
        spans.clear();
        member.calendar->AppendWorkIn({from, to}, day, day, spans);
        for (const QPTimeSpan& span : spans)
            out.push_back({span, member.percent});
    }
}

bool QPCrew::PlainWeek(int64_t day) const
{
    const int64_t before = MidnightOfDay(day - 1);
    const int64_t after = MidnightOfDay(day + 8);
    if (after - before != 9 * kDay)
        return false; // a clock change: the days are not all alike
    for (const Member& member : members_)
        if (member.percent > 0 && !member.calendar->Undisturbed(before, after))
            return false;
    return true;
}

namespace {

// The rate of work over time from the pieces of one window: (moment, change of rate).
void Events(const std::vector<QPCrew::Piece>& pieces,
            std::vector<std::pair<int64_t, int32_t>>& events)
{
    events.clear();
    for (const auto& piece : pieces) {
        events.emplace_back(piece.span.from, piece.rate);
        events.emplace_back(piece.span.to, -piece.rate);
    }
    std::sort(events.begin(), events.end());
}

} // namespace

int64_t QPCrew::UnitsIn(QPTimeSpan span) const
{
    int64_t total = 0;
    std::vector<Piece> pieces;
    int64_t day = DayNumber(LDateTime(span.from));
    for (int64_t lo = span.from, i = 0; lo < span.to && i < kMaxDays; ++i, ++day) {
        const int64_t hi = std::min(MidnightOfDay(day + 1), span.to);
        pieces.clear();
        Window(day, lo, hi, pieces);
        for (const Piece& piece : pieces)
            total += piece.span.Length() * piece.rate;
        lo = hi;
    }
    return total;
}

LDateTime QPCrew::Finish(LDateTime start, int64_t units) const
{
    if (units <= 0 || !HasWork())
        return start;
    int64_t need = units;
    int64_t day = DayNumber(start);
    int64_t lo = start.Get();
    std::vector<Piece> pieces;
    std::vector<std::pair<int64_t, int32_t>> events;
    for (int64_t i = 0; i < kMaxDays; ++i) {
        if (lo == MidnightOfDay(day) && need > weeklyUnits_ && PlainWeek(day)) {
            need -= weeklyUnits_;
            day += 7;
            lo = MidnightOfDay(day);
            continue;
        }
        const int64_t hi = MidnightOfDay(day + 1);
        pieces.clear();
        Window(day, lo, hi, pieces);
        if (members_.size() == 1) {
            for (const Piece& piece : pieces) {
                const int64_t u = piece.span.Length() * piece.rate;
                if (u >= need)
                    return LDateTime(Reach(piece.span.from, need, piece.rate));
                need -= u;
            }
        } else {
            Events(pieces, events);
            int32_t rate = 0;
            int64_t at = lo;
            for (const auto& [moment, change] : events) {
                if (rate > 0) {
                    const int64_t u = (moment - at) * rate;
                    if (u >= need)
                        return LDateTime(Reach(at, need, rate));
                    need -= u;
                }
                rate += change;
                at = moment;
            }
        }
        ++day;
        lo = hi;
    }
    return LDateTime(lo);
}

LDateTime QPCrew::Start(LDateTime finish, int64_t units) const
{
    if (units <= 0 || !HasWork())
        return finish;
    int64_t need = units;
    int64_t day = DayNumber(finish);
    int64_t hi = finish.Get();
    std::vector<Piece> pieces;
    std::vector<std::pair<int64_t, int32_t>> events;
    for (int64_t i = 0; i < kMaxDays; ++i) {
        const int64_t midnight = MidnightOfDay(day);
        if (hi == MidnightOfDay(day + 1) && need > weeklyUnits_ && PlainWeek(day - 6)) {
            need -= weeklyUnits_;
            day -= 7;
            hi = MidnightOfDay(day + 1);
            continue;
        }
        pieces.clear();
        Window(day, midnight, hi, pieces);
        if (members_.size() == 1) {
            for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
                const int64_t u = it->span.Length() * it->rate;
                if (u >= need)
                    return LDateTime(it->span.to - (need + it->rate - 1) / it->rate);
                need -= u;
            }
        } else {
            Events(pieces, events);
            int32_t rate = 0;
            int64_t at = hi;
            for (auto it = events.rbegin(); it != events.rend(); ++it) {
                if (rate > 0) {
                    const int64_t u = (at - it->first) * rate;
                    if (u >= need)
                        return LDateTime(at - (need + rate - 1) / rate);
                    need -= u;
                }
                rate -= it->second;
                at = it->first;
            }
        }
        --day;
        hi = midnight;
    }
    return LDateTime(hi);
}

LDateTime QPCrew::FirstWork(LDateTime from, LDateTime until) const
{
    std::vector<Piece> pieces;
    int64_t day = DayNumber(from);
    for (int64_t lo = from.Get(), i = 0; lo < until.Get() && i < kMaxDays; ++i, ++day) {
        const int64_t hi = std::min(MidnightOfDay(day + 1), until.Get());
        pieces.clear();
        Window(day, lo, hi, pieces);
        int64_t first = hi;
        for (const Piece& piece : pieces)
            first = std::min(first, piece.span.from);
        if (first < hi)
            return LDateTime(first);
        lo = hi;
    }
    return until;
}
