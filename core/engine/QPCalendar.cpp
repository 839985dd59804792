// Work calendar arithmetic on a schedule's weekly pattern of shifts.
//
// Days are stepped through the local calendar (one calendar day at a time, whatever its
// length), and times of day are set on the clock, so a shift that starts at 08:00 starts at
// 08:00 on the days the clocks change too. Every loop over days is bounded: runs of whole
// weeks are skipped with the weekly total, and a pattern without any working time ends the
// calculation at once.

#include "engine/LLocalDays.h"
#include "engine/QPWorkTime.h"
#include "model/QPSchedule.h"

#include <algorithm>

using namespace LLocalDays;

namespace {

// A bound on day-by-day walks that have no work amount to count down: far more days than
// any plan spans (over 2,700 years), yet a walk of this length takes well under a second.
constexpr int64_t kMaxWalkDays = 1'000'000;

} // namespace

int64_t QPSchedule::GetWeeklyWork() const
{
    int64_t total = 0;
    for (int32_t duration : shiftDuration)
        total += duration;
    return total;
}

LDateTime QPSchedule::GetWorkFinish(LDateTime start, int64_t work, int32_t percent,
                                    bool previousDayCounts) const
{
    if (percent < 1 || work < 1)
        return start;
    int64_t need = work * 100 / percent;
    LDateTime c = previousDayCounts ? AddDays(start, -1) : start;
    if (previousDayCounts) {
        // What remains of yesterday's shift, when it runs past midnight into the start.
        const int p = Weekday(c);
        const int64_t t = TimeOfDay(c) + 86400;
        const int64_t e = int64_t(shiftStart[p].Get()) + shiftDuration[p];
        const int64_t r = t < e ? e - t : 0;
        if (r >= need)
            return start + need;
        need -= r;
        c = start;
    }
    {
        const int d = Weekday(c);
        const int64_t t = TimeOfDay(c);
        const int64_t s = shiftStart[d].Get();
        if (t > s) {
            // The start lies after today's shift began: only the rest of it counts, and work
            // that exactly fills that rest ends at midnight.
            const int64_t e = s + shiftDuration[d];
            if (t < e) {
                const int64_t r = e - t;
                if (need < r)
                    return c + need;
                need -= r;
            }
            c = NextMidnight(c);
        }
    }
    const int64_t weekly = GetWeeklyWork();
    if (weekly <= 0)
        return start;
    while (need > 0) {
        if (need > weekly) {
            // A whole week cannot finish the work on any of its days.
            const int64_t weeks = (need - 1) / weekly;
            c = AddDays(c, 7 * weeks);
            need -= weeks * weekly;
            continue;
        }
        const int d = Weekday(c);
        const int64_t w = shiftDuration[d];
        if (need <= w)
            return WithTimeOfDay(c, shiftStart[d].Get()) + need;
        need -= w;
        c = AddDays(c, 1);
    }
    return c;
}

LDateTime QPSchedule::GetWorkStart(LDateTime finish, int64_t work, int32_t percent) const
{
    if (percent < 1 || work < 1)
        return finish;
    int64_t need = work * 100 / percent;
    LDateTime c = finish;
    {
        const int d = Weekday(finish);
        const int64_t w = shiftDuration[d];
        const int64_t s = shiftStart[d].Get();
        const int64_t t = TimeOfDay(finish);
        if (w > 0 && t > s) {
            const int64_t done = std::min(t - s, w);
            if (need < done)
                return finish - need;
            need -= done;
            c = WithTimeOfDay(c, s);
        }
    }
    const int64_t weekly = GetWeeklyWork();
    if (weekly <= 0)
        return finish;
    while (need > 0) {
        if (need > weekly) {
            const int64_t weeks = (need - 1) / weekly;
            c = AddDays(c, -7 * weeks);
            c = WithTimeOfDay(c, shiftStart[Weekday(c)].Get());
            need -= weeks * weekly;
            continue;
        }
        c = AddDays(c, -1);
        const int d = Weekday(c);
        const int64_t w = shiftDuration[d];
        if (need < w)
            return WithTimeOfDay(c, shiftStart[d].Get() + (w - need));
        c = WithTimeOfDay(c, shiftStart[d].Get());
        need -= w;
    }
    return c;
}

LDateTime QPSchedule::GetNextScheduledWorkTime(LDateTime t) const
{
    {
        // Yesterday's shift may still run past midnight.
        const LDateTime y = AddDays(t, -1);
        const int p = Weekday(y);
        if (int64_t(shiftStart[p].Get()) + shiftDuration[p] > int64_t(TimeOfDay(y)) + 86400)
            return t;
    }
    const int d = Weekday(t);
    const int64_t x = TimeOfDay(t);
    if (shiftDuration[d] > 0) {
        if (x < shiftStart[d].Get())
            return WithTimeOfDay(t, shiftStart[d].Get());
        if (x < int64_t(shiftStart[d].Get()) + shiftDuration[d])
            return t;
    }
    LDateTime c = t;
    for (int i = 0; i < 7; ++i) {
        c = NextMidnight(c);
        const int next = Weekday(c);
        if (shiftDuration[next] > 0)
            return WithTimeOfDay(c, shiftStart[next].Get());
    }
    return t;
}

int64_t QPSchedule::GetWorkSecondsInRange(LDateTime from, LDateTime to,
                                          bool previousDayCounts) const
{
    int64_t acc = 0;
    if (previousDayCounts) {
        const int p = Weekday(AddDays(from, -1));
        const int64_t t = int64_t(TimeOfDay(from)) + 86400;
        const int64_t e = int64_t(shiftStart[p].Get()) + shiftDuration[p];
        if (t < e) {
            const int64_t r = e - t;
            if (to <= from + r)
                return to - from;
            acc = r;
        }
    }
    LDateTime day = Anchor(from);
    {
        const int d = Weekday(from);
        const int64_t s = shiftStart[d].Get();
        const int64_t x = TimeOfDay(from);
        if (s < x) {
            // From lies after today's shift began; today is done.
            if (x < s + shiftDuration[d]) {
                const int64_t r = s + shiftDuration[d] - x;
                if (to - from < r)
                    return to - from;
                acc += r;
            }
            day = Anchor(AddDays(day, 1));
        }
    }
    const LDateTime last = Anchor(to);
    // Whole weeks well before the last day add the weekly total; the last days are counted
    // one by one, since the last one's shift may be cut by `to` or run past it.
    const int64_t weekly = GetWeeklyWork();
    const int64_t days = DaysBetween(day, last);
    if (days > 8) {
        const int64_t weeks = (days - 8) / 7;
        acc += weeks * weekly;
        day = AddDays(day, 7 * weeks);
    }
    for (int64_t step = 0; day <= last && step < kMaxWalkDays; ++step) {
        const int d = Weekday(day);
        const int64_t w = shiftDuration[d];
        if (w > 0) {
            const LDateTime b = WithTimeOfDay(day, shiftStart[d].Get());
            if (to >= b + w)
                acc += w;
            else if (to > b)
                acc += to - b;
        }
        day = AddDays(day, 1);
    }
    return acc;
}

LDateTime QPSchedule::CalculateExceptionFinish(const QPScheduleException& exception) const
{
    // The exception takes shift time from its day's shift start on, over the following
    // shifts as the work calendars count them (a shift that runs into the next day's, as a
    // 24-hour shift does on the day the clocks go forward, counts the overlap once).
    int64_t remaining = exception.workSeconds;
    if (remaining <= 0 || GetWeeklyWork() <= 0)
        return exception.date;
    const QPWorkCalendar shifts(*this);
    const int64_t weekly = shifts.WeeklyShiftTime();
    int64_t day = DayNumber(exception.date);
    const int64_t begin = ClockTimeOfDay(day, shiftStart[WeekdayOfDay(day)].Get());
    // The day before's shift may still run at the start.
    --day;
    for (int64_t step = 0; step < kMaxWalkDays; ++step) {
        // Whole weeks well after the first day, without a clock change, hold the weekly
        // shift time.
        if (step > 2 && remaining > weekly &&
            MidnightOfDay(day + 8) - MidnightOfDay(day - 1) == 9 * 86400) {
            remaining -= weekly;
            day += 7;
            continue;
        }
        QPTimeSpan shift = shifts.ShiftOfDay(day);
        shift.from = std::max(shift.from, begin);
        if (shift.Length() > 0) {
            if (remaining <= shift.Length())
                return LDateTime(shift.from + remaining);
            remaining -= shift.Length();
        }
        ++day;
    }
    return exception.date;
}
