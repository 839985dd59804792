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

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace plan_oracle {

// The local day a moment falls on, numbered from 1970-01-01.
int64_t DayOf(int64_t moment);

class Calendar;

class PlanOracle {
public:
    // The plan must outlive the oracle. `seed` heads every message.
    PlanOracle(const QPProject& project, uint32_t seed);
    ~PlanOracle();

    // Rule 1: every link of an automatically scheduled task holds (`label` names the rule
    // in the messages, so the same check can speak for another rule).
    std::vector<std::string> CheckLinks(std::string_view label = "rule 1 (links hold)");
    // Rule 2: work lies exactly between start and finish.
    std::vector<std::string> CheckWork();
    // Rule 3: after leveling no resource is over 100 on any day.
    std::vector<std::string> CheckLeveling();
    // Rule 4: task and resource money: hours worked times the rates, the regular hours of
    // a week up to the regular work week; `today` is a day number.
    std::vector<std::string> CheckCosts(int64_t today);
    // Rule 6: every date set, not absurdly early, start before finish, headers span their
    // members.
    std::vector<std::string> CheckDates();

private:
    struct Crew;
    struct AssignmentCost;

    std::string Head(std::string_view rule) const;
    const QPSchedule* ScheduleOf(int64_t key) const;
    // A schedule minus its exceptions and, with a resource, the resource's own (measured
    // on the resource's schedule).
    Calendar& CalendarFor(const QPSchedule& shifts, const QPResource* resource);
    // What a resource's shares and costs on a task count on: its own calendar on Fixed
    // Work, the task's calendar minus its exceptions on Fixed Duration.
    Calendar& AssignmentCalendar(const QPTask& task, const QPResource& resource);
    Crew CrewOf(const QPTask& task);
    // Work the task holds in [from, to), in hundredths of a second.
    int64_t WorkHeldHundredths(const QPTask& task, int64_t from, int64_t to);
    // The task's links: its own, and its header's Finish-to-Start and Start-to-Start ones.
    std::vector<QPTaskDependency> LinksOf(const QPTask& task) const;
    const QPTask* HeaderOf(const QPTask& task) const;
    bool OnLoop(const QPTask& task) const;
    // Dates set, in order and near enough to the project start to be worth working through.
    bool Usable(const QPTask& task) const;
    bool Reachable(int64_t moment) const;
    std::vector<AssignmentCost> Costs(int64_t today);

    const QPProject& project_;
    uint32_t seed_;
    std::map<std::pair<int64_t, int64_t>, std::unique_ptr<Calendar>> calendars_;
};

// Rule 5: two recalculated copies of a plan hold the same results (tasks matched by key).
std::vector<std::string> CompareResults(const QPProject& before, const QPProject& after,
                                        uint32_t seed, std::string_view step);
// Rule 7: `late` and `soon` are the same plan without resources, with As Late As Possible
// tasks in `late` and the same tasks As Soon As Possible in `soon`.
std::vector<std::string> CheckLateOnlyUsesSlack(const QPProject& late, const QPProject& soon,
                                                uint32_t seed);

} // namespace plan_oracle
