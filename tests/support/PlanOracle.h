#pragma once

// A second opinion on a recalculated plan. Everything here is worked out again from the
// plan's input fields (shifts, exceptions, resources, durations, links, assignments) with
// its own arithmetic on the local calendar, straight through mktime and localtime_r, and
// brute force where that is simplest. Nothing here calls the engine's calendar, duration,
// histogram or cost code: the checks compare the engine's dates and money with what the
// planner's rules give for those dates.
//
// Every check returns a readable line per broken rule, starting "seed N: rule K".

#include "model/QPProject.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plan_oracle {

// The local day a moment falls on, numbered from 1970-01-01.
int64_t DayOf(int64_t moment);

// Rule 1: every link of an automatically scheduled task holds (`label` names the rule in
// the messages, so that the same check can speak for another rule).
std::vector<std::string> CheckLinks(const QPProject& project, uint32_t seed,
                                    std::string_view label = "rule 1 (links hold)");
// Rule 1 and: 2, work lies exactly between start and finish; 3, after leveling no resource
// is over 100 on any day; 4, task and resource money is the hours worked times the rates,
// the regular hours of a week up to the regular work week (`today` is a day number); 6,
// every date is set, not absurdly early, start before finish, headers span their members.
std::vector<std::string> CheckPlan(const QPProject& project, uint32_t seed, int64_t today);
// Rule 5: two recalculated copies of a plan hold the same results (tasks matched by key).
std::vector<std::string> CompareResults(const QPProject& before, const QPProject& after,
                                        uint32_t seed, std::string_view step);
// Rule 7: `late` and `soon` are the same plan without resources, with As Late As Possible
// tasks in `late` and the same tasks As Soon As Possible in `soon`.
std::vector<std::string> CheckLateOnlyUsesSlack(const QPProject& late, const QPProject& soon,
                                                uint32_t seed);

} // namespace plan_oracle
