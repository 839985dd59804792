#pragma once

#include "model/LDateTime.h"

#include <cstdint>
#include <vector>

class QPSchedule;
struct QPScheduleException;

// A stretch of time from `from` up to, not including, `to` (seconds since 1970).
struct QPTimeSpan {
    int64_t from = 0;
    int64_t to = 0;

    int64_t Length() const { return to > from ? to - from : 0; }
};

// The time an exception takes out of a schedule: from the shift start of its day (whether
// or not that day has a shift) until its work time of the schedule's shifts has passed.
// Empty for an exception without work time or a schedule without shifts.
QPTimeSpan QPExceptionSpan(const QPSchedule& schedule, const QPScheduleException& exception);

// The working time of one worker: the weekly shifts of a schedule, less the spans that
// exceptions take out of them. A shift belongs to the day it begins on, and where it runs
// into the next day's shift, the overlap is counted once, for the earlier shift.
class QPWorkCalendar {
public:
    explicit QPWorkCalendar(const QPSchedule& schedule);

    // Takes the time of these exceptions out, each measured on `measuredOn` (the schedule
    // of the resource or calendar they belong to).
    void TakeOut(const std::vector<QPScheduleException>& exceptions, const QPSchedule& measuredOn);

    const QPSchedule& Schedule() const { return *schedule_; }
    // The shift time of a whole week, before exceptions.
    int64_t WeeklyShiftTime() const { return weekly_; }
    bool HasShifts() const { return weekly_ > 0; }

    // The shift that begins on the local day of `day` (or the day with that number);
    // empty when that day has none.
    QPTimeSpan ShiftOfDay(LDateTime day) const;
    QPTimeSpan ShiftOfDay(int64_t day) const;
    // The working seconds within a span, and the working intervals themselves, in order.
    int64_t WorkIn(QPTimeSpan span) const;
    void AppendWorkIn(QPTimeSpan span, std::vector<QPTimeSpan>& out) const;
    // The same for a span that lies within the days numbered firstDay to lastDay.
    void AppendWorkIn(QPTimeSpan span, int64_t firstDay, int64_t lastDay,
                      std::vector<QPTimeSpan>& out) const;
    // The working seconds of a piece of shift time: what exceptions leave of it.
    int64_t WithoutExceptions(QPTimeSpan piece) const;
    // True when no exception takes anything out of [from, to).
    bool Undisturbed(int64_t from, int64_t to) const;

private:
    // Subtracts the taken-out spans from one shift piece and appends what is left.
    void AppendWithoutExceptions(QPTimeSpan piece, std::vector<QPTimeSpan>& out) const;

    const QPSchedule* schedule_;
    std::vector<QPTimeSpan> out_; // sorted and merged
    int64_t weekly_ = 0;
};

// One day's work of a span on a calendar: the day (by its number, the day its shift
// begins on), the working time of that day's shift and how much of it the span holds.
struct QPDayWork {
    int64_t day;
    int64_t available;
    int64_t used;

    // The part of the day's working time the span uses, in percent.
    int32_t Share() const { return static_cast<int32_t>(used * 100 / available); }
};

// The days of [start, finish) that hold working time on the calendar, in order.
void QPAppendDayWork(const QPWorkCalendar& calendar, LDateTime start, LDateTime finish,
                     std::vector<QPDayWork>& out);

// The people on a task, each working their own calendar at a percentage of it. Work is
// counted in units of seconds x percent, so that every share stays exact.
class QPCrew {
public:
    // A working interval with the rate at which the crew works in it.
    struct Piece {
        QPTimeSpan span;
        int32_t rate;
    };

    void Add(const QPWorkCalendar& calendar, int32_t percent);

    bool Empty() const { return members_.empty(); }
    // Whether any member has working time to give.
    bool HasWork() const { return weeklyUnits_ > 0; }
    // How many different schedules the crew works on.
    std::size_t DistinctSchedules() const;

    // The work units in a span.
    int64_t UnitsIn(QPTimeSpan span) const;
    // The moment at which `units` of work are done when the crew starts at `start`.
    LDateTime Finish(LDateTime start, int64_t units) const;
    // The latest start from which `units` of work are done by `finish`.
    LDateTime Start(LDateTime finish, int64_t units) const;
    // The first moment in [from, until) at which a member works; `until` when none does.
    LDateTime FirstWork(LDateTime from, LDateTime until) const;

private:
    struct Member {
        const QPWorkCalendar* calendar;
        int32_t percent;
    };
    // The working intervals of one local day window, clipped to [from, to), with each
    // interval's rate; in time order for one member, unordered for several.
    void Window(int64_t day, int64_t from, int64_t to, std::vector<Piece>& out) const;
    // Whether the seven days from the day with that number hold exactly the weekly units:
    // no exception and no clock change anywhere near them.
    bool PlainWeek(int64_t day) const;

    std::vector<Member> members_;
    int64_t weeklyUnits_ = 0;
    mutable std::vector<QPTimeSpan> spans_; // scratch of Window
};
