#pragma once

// A second opinion on a recalculated plan. Everything here is worked out again from the
// plan's input fields (shifts, exceptions, resources, durations, links, assignments) with
// its own arithmetic on the local calendar, straight through mktime and localtime_r, and
// brute force where that is simplest. Nothing here calls the engine's calendar, duration,
// histogram or cost code: the checks compare the engine's dates and money with what the
// planner's rules give for those dates.
//
// Every check returns readable lines, one per broken rule, each starting "seed N:" so that
// the plan can be rebuilt.

#include "model/QPProject.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace plan_oracle {

// --- the local calendar -----------------------------------------------------------------

// Days are numbered from 1970-01-01 (day 0) in the civil calendar.
int64_t CivilDay(int year, int month, int day);
// The local day a moment falls on.
int64_t DayOf(int64_t moment);
// 0 = Sunday.
int WeekdayOf(int64_t day);
// The moment at which the local clock of `day` shows `secondsAfterMidnight`: a clock time a
// clock change repeats is its first occurrence, one the change skips moves forward with it.
int64_t ClockOf(int64_t day, int32_t secondsAfterMidnight);
// "YYYY-MM-DD HH:MM:SS" in local time.
std::string MomentText(int64_t moment);
// "YYYY-MM-DD".
std::string DayText(int64_t day);

// Money for worked seconds at an hourly rate, in single precision as the planner prices.
int64_t Price(int64_t seconds, int64_t rate);
// A lag in days as elapsed seconds (single-precision product, truncated).
int64_t LagSeconds(float lagDays);
// Work hours as typed ("8", "4.5", "0.25") in seconds, truncated; 0 for an empty text.
int64_t WorkSecondsOf(std::string_view hoursText);

// A half-open stretch of time [begin, end).
struct Span {
    int64_t begin = 0;
    int64_t end = 0;
};

// One shift: the local day it begins on and the time it covers. Where a shift runs into the
// next day's shift, the overlap stays with the earlier day.
struct Shift {
    int64_t day = 0;
    int64_t begin = 0;
    int64_t end = 0;
};

// The shifts of a weekly pattern, day by day, worked out as far as they are asked for.
class ShiftTable {
public:
    ShiftTable(const std::array<int32_t, 7>& starts, const std::array<int32_t, 7>& lengths);

    // No weekday has a shift.
    bool Empty() const { return empty_; }
    // The shift start of a weekday, seconds after midnight.
    int32_t StartOf(int weekday) const { return starts_[static_cast<std::size_t>(weekday)]; }
    // Makes sure the shifts of the days from `firstDay` to `lastDay` are worked out.
    void Cover(int64_t firstDay, int64_t lastDay);
    // Index of the first shift that ends after `moment` (the table must cover its day).
    std::size_t FirstEndingAfter(int64_t moment) const;
    const std::vector<Shift>& Shifts() const { return shifts_; }
    int64_t LastDay() const { return lastDay_; }

private:
    std::array<int32_t, 7> starts_{};
    std::array<int32_t, 7> lengths_{};
    bool empty_ = true;
    bool built_ = false;
    int64_t firstDay_ = 0;
    int64_t lastDay_ = -1;
    std::vector<Shift> shifts_;
};

// The spans an exception takes out when measured on a pattern: from the shift start clock
// time of the exception's day, until its work seconds of that pattern's shift time have
// passed.
Span ExceptionSpanOn(int64_t exceptionDay, int32_t workSeconds, ShiftTable& pattern);

// What a day's shift offers on a calendar and what of it lies in a stretch.
struct DayUse {
    int64_t day = 0;
    // Available time of the whole shift.
    int64_t available = 0;
    // Available time of the shift within the stretch.
    int64_t used = 0;
};

// Shifts of a pattern minus some spans.
class Calendar {
public:
    Calendar(ShiftTable& pattern, std::vector<Span> removed);

    bool HasShift() const { return !pattern_.Empty(); }
    // Available time in [from, to).
    int64_t Available(int64_t from, int64_t to);
    // Every day whose shift meets [from, to), in order.
    std::vector<DayUse> DaysMeeting(int64_t from, int64_t to);
    const std::vector<Span>& Removed() const { return removed_; }

private:
    int64_t RemovedWithin(int64_t from, int64_t to) const;

    ShiftTable& pattern_;
    std::vector<Span> removed_;
};

// One assignment's money on a task, as the rules give it.
struct AssignmentCost {
    int64_t taskKey = -1;
    int64_t resourceKey = -1;
    int64_t regularSeconds = 0;
    int64_t overtimeSeconds = 0;
    int64_t regularSecondsToDate = 0;
    int64_t overtimeSecondsToDate = 0;
    int64_t regularPrice = 0;
    int64_t overtimePrice = 0;
    int64_t cost = 0;
    int64_t costToDate = 0;
};

// A resource's commitment on one day, and which tasks make it up.
struct DayLevel {
    int64_t level = 0;
    std::vector<std::pair<std::string, int64_t>> tasks;
};

class PlanOracle {
public:
    // The plan must outlive the oracle. `seed` heads every message.
    PlanOracle(const QPProject& project, uint32_t seed);

    // --- the definitions, open to hand-checked cases ------------------------------------

    // The schedule a resource or a Fixed Duration task follows (the default one when its
    // key names none).
    const QPSchedule* ScheduleOfResource(const QPResource& resource) const;
    const QPSchedule* ScheduleOfTask(const QPTask& task) const;
    // Resource: its schedule minus the schedule's exceptions and its own.
    Calendar& ResourceCalendar(const QPResource& resource);
    // A schedule minus its own exceptions (the calendar of a Fixed Duration task).
    Calendar& ScheduleCalendar(const QPSchedule& schedule);
    // What the resource's shares and costs on a task count on: the resource's calendar on
    // Fixed Work, the task's calendar minus the resource's exceptions on Fixed Duration.
    Calendar& AssignmentCalendar(const QPTask& task, const QPResource& resource);
    // The schedule whose week and regular hours price the resource's work on the task.
    const QPSchedule* CostSchedule(const QPTask& task, const QPResource& resource) const;

    // Work the task holds in [from, to), in hundredths of a second (percent x seconds, so
    // that shares of a second are not lost).
    int64_t WorkHeldHundredths(const QPTask& task, int64_t from, int64_t to);
    // Day shares of every task without a resource conflict, summed per resource and day.
    std::map<std::pair<int64_t, int64_t>, DayLevel> Levels();
    // Money of every assignment; `today` is a day number.
    std::vector<AssignmentCost> Costs(int64_t today);

    // --- the rules ----------------------------------------------------------------------

    // Rule 1: every link of an automatically scheduled task holds (`label` names the rule
    // in the messages, so the same check can speak for another rule).
    std::vector<std::string> CheckLinks(std::string_view label = "rule 1 (links hold)");
    // Rule 2: work lies exactly between start and finish.
    std::vector<std::string> CheckWork();
    // Rule 3: after leveling no resource is over 100 on any day.
    std::vector<std::string> CheckLeveling();
    // Rule 4: task and resource money, and the weekly regular hours.
    std::vector<std::string> CheckCosts(int64_t today);
    // Rule 6: every date set, not absurdly early, start before finish, headers span their
    // members.
    std::vector<std::string> CheckDates();

private:
    struct Crew {
        // Existing resources with their percent.
        std::vector<std::pair<const QPResource*, int32_t>> members;
        // Distinct schedules they follow.
        int schedules = 0;
        int32_t percentSum = 0;
        // No member, or no member's schedule has any shift: the default calendar at 100%.
        bool fallback = false;
    };

    std::string Head() const;
    ShiftTable& Pattern(const QPSchedule& schedule);
    Calendar& CalendarFor(const QPSchedule& shifts, const QPResource* resource);
    Crew CrewOf(const QPTask& task);
    // The task's links: its own dependencies, and a subtask's header's Finish-to-Start and
    // Start-to-Start ones.
    std::vector<QPTaskDependency> LinksOf(const QPTask& task) const;
    const QPTask* HeaderOf(const QPTask& task) const;
    bool OnLoop(const QPTask& task) const;
    // Dates far enough from the project start to be worth working through.
    bool Reachable(int64_t moment) const;

    const QPProject& project_;
    uint32_t seed_;
    std::map<int64_t, std::unique_ptr<ShiftTable>> patterns_;
    std::map<std::pair<int64_t, int64_t>, std::unique_ptr<Calendar>> calendars_;
};

// Rule 5: two recalculated copies of a plan hold the same results (tasks matched by key).
std::vector<std::string> CompareResults(const QPProject& before, const QPProject& after,
                                        uint32_t seed, std::string_view step);
// Rule 7: `late` and `soon` are the same plan without resources, with As Late As Possible
// tasks in `late` and the same tasks As Soon As Possible in `soon`.
std::vector<std::string> CheckLateOnlyUsesSlack(const QPProject& late, const QPProject& soon,
                                                uint32_t seed);

// The whole plan, readable: schedules, resources, tasks with their inputs and results.
std::string DescribePlan(const QPProject& project);

} // namespace plan_oracle
