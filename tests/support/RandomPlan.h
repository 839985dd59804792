#pragma once

// Seeded random plans that a user could have built in the editors: every schedule has a
// shift, no shift runs into the next day's, exceptions take out some work time, tasks carry
// durations, constraints and dates as the task editor stores them, header groups are runs
// of tasks right after their header, and dependencies keep to the group rules and form no
// loop. Plans often start a few days before a clock change of 2027, so that their tasks
// run across it when the tests run in a zone with daylight saving.

#include "model/QPProject.h"

#include "support/TestTime.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <ctime>
#include <initializer_list>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

// Variants of one seed's plan. Every variant draws the same random numbers, so the plans
// differ only in what the options name.
struct RandomPlanOptions {
    // False: no task gets resources, so leveling has nothing to do.
    bool assignments = true;
    // True: every As Late As Possible task is As Soon As Possible instead.
    bool lateBecomesSoon = false;
};

// A moment some days into the plan, to stand for today: as "YYYY-MM-DD HH:MM:SS" and itself.
struct RandomPlanFacts {
    std::string now;
    LDateTime nowMoment;
};

class RandomPlan {
public:
    explicit RandomPlan(uint32_t seed) : random_(seed) {}

    RandomPlanFacts Build(QPProject& project, const RandomPlanOptions& options = {})
    {
        // The first day, often a few days before one of the two clock changes.
        const int roll = Pick(10);
        month_ = roll < 4 ? 3 : roll < 7 ? 11 : 1;
        day_ = roll < 4 ? 14 - Between(1, 10) : roll < 7 ? 7 - Between(1, 10) : 1 + Pick(330);
        project.name = "Random plan";
        project.projectStart = DayAt(0, 0);
        project.projectDeadline = DayAt(30 + Pick(170));
        BuildSchedules(project);
        BuildResources(project);
        BuildTasks(project, options);
        const LDateTime now = DayAt(3 + Pick(25), 12 * kHour);
        const std::tm fields = LocalFieldsOf(now);
        char text[32];
        std::strftime(text, sizeof text, "%Y-%m-%d 12:00:00", &fields);
        return RandomPlanFacts{text, now};
    }

private:
    int Pick(int count) { return static_cast<int>(random_() % static_cast<uint32_t>(count)); }
    int Between(int low, int high) { return low + Pick(high - low + 1); }
    bool Chance(int percent) { return Pick(100) < percent; }
    template <class T>
    T OneOf(std::initializer_list<T> values)
    {
        return *(values.begin() + Pick(static_cast<int>(values.size())));
    }
    template <class T>
    T Any(const std::vector<T>& items)
    {
        return items[Pick(static_cast<int>(items.size()))];
    }

    // `offset` days after the project's first day (mktime normalises), at a clock time in
    // seconds after midnight; by default the day's last second.
    LDateTime DayAt(int offset, int seconds = 86399) const
    {
        return LocalTime(2027, month_, day_ + offset, seconds / 3600, seconds / 60 % 60,
                         seconds % 60);
    }

    // Shift starts on whole minutes, lengths of 30 minutes to 24 hours, and a shift never
    // runs past the next day's shift start; at least one day works.
    void RandomWeek(QPSchedule& schedule)
    {
        std::array<int32_t, 7> starts{};
        for (int32_t& start : starts)
            start = Chance(40) ? OneOf({0, 6, 7, 8, 9, 14, 20, 22}) * kHour : Pick(24 * 60) * 60;
        const auto room = [&](std::size_t day) {
            return std::min(86400, 86400 + starts[(day + 1) % 7] - starts[day]);
        };
        std::array<int32_t, 7>& lengths = schedule.shiftDuration;
        std::size_t best = 0;
        for (std::size_t day = 0; day < 7; ++day) {
            if (room(day) >= 1800 && Chance(65)) {
                const int32_t minutes = Between(30, room(day) / 60);
                lengths[day] = Chance(50) ? std::max(1800, minutes / 60 * 3600) : minutes * 60;
            }
            if (starts[(day + 1) % 7] - starts[day] > starts[(best + 1) % 7] - starts[best])
                best = day;
        }
        // The editor refuses a schedule without a shift: give the day with the most room
        // one hour.
        if (*std::max_element(lengths.begin(), lengths.end()) == 0)
            lengths[best] = 3600;
        for (std::size_t day = 0; day < 7; ++day)
            schedule.shiftStart[day] = LDayTime(starts[day]);
    }

    void BuildSchedules(QPProject& project)
    {
        QPSchedule& standard = *project.GetDefaultSchedule();
        if (Chance(40)) {
            standard.regularWorkWeek = OneOf({0, 20, 40, 168}) * kHour;
            standard.workWeekStart = Pick(7);
        }
        schedules_ = {&standard};
        for (int i = 0, count = Pick(5); i < count; ++i) {
            auto schedule = std::make_unique<QPSchedule>();
            schedule->name = "Schedule " + std::to_string(i + 1);
            // Office hours, nights on weekdays, a four-day week, weekends, round the clock
            // and nights every day (shift start and length in hours, the working days as
            // bits, Sunday first); or a random week.
            static constexpr int kWeeks[][3] = {{8, 8, 0x3E},  {22, 9, 0x3E}, {8, 8, 0x36},
                                                {8, 10, 0x41}, {0, 24, 0x7F}, {22, 9, 0x7F}};
            const int kind = Pick(8);
            const int* week = kind >= 5 ? nullptr : kWeeks[kind == 1 && !Chance(50) ? 5 : kind];
            if (!week)
                RandomWeek(*schedule);
            for (std::size_t day = 0; week && day < 7; ++day) {
                schedule->shiftStart[day] = LDayTime(week[0] * kHour);
                schedule->shiftDuration[day] = (week[2] >> day & 1) ? week[1] * kHour : 0;
            }
            schedule->regularWorkWeek = OneOf({0, 20, 40, 168}) * kHour;
            schedule->workWeekStart = Pick(7);
            schedules_.push_back(&project.ElementAdd(std::move(schedule), false));
        }
        for (QPSchedule* schedule : schedules_)
            AddExceptions(schedule->exceptions, *schedule, Pick(4));
    }

    // Exceptions on distinct days of the plan's first ten weeks: a whole day's shift (a
    // holiday, also on days without work), a few hours, or a long absence.
    void AddExceptions(std::vector<QPScheduleException>& exceptions, const QPSchedule& schedule,
                       int count)
    {
        std::vector<int> days;
        for (int i = 0; i < count; ++i) {
            const int offset = Between(-7, 70);
            if (std::find(days.begin(), days.end(), offset) != days.end())
                continue;
            days.push_back(offset);
            const auto& lengths = schedule.shiftDuration;
            const int kind = Pick(3);
            int32_t seconds = kind == 1 ? Between(1, 4) * kHour
                              : kind == 2
                                      ? Between(16 * 4, 40 * 4) * 900
                                      : lengths[static_cast<std::size_t>(
                                                LocalFieldsOf(DayAt(offset, 12 * kHour)).tm_wday)];
            if (seconds == 0)
                seconds = *std::max_element(lengths.begin(), lengths.end());
            QPAddScheduleException(exceptions, DayAt(offset, Pick(24) * kHour), seconds);
        }
    }

    void BuildResources(QPProject& project)
    {
        for (int i = 0, count = Pick(7); i < count; ++i) {
            auto resource = std::make_unique<QPResource>();
            resource->name = "Resource " + std::to_string(i + 1);
            const QPSchedule* schedule = Any(schedules_);
            resource->scheduleKey = Chance(10) ? -1 : schedule->key;
            if (resource->scheduleKey == -1)
                schedule = project.GetDefaultSchedule();
            resource->hourlyRate = Pick(20001);
            resource->overtimeRate = Chance(20) ? 0 : Pick(20001);
            AddExceptions(resource->exceptions, *schedule, Pick(3));
            resourceKeys_.push_back(project.ElementAdd(std::move(resource), false).key);
        }
    }

    // Work hours as typed, in quarter hours from 0.25 to 80.
    std::string DurationText()
    {
        const int kind = Pick(5);
        const int quarters = kind < 2    ? Between(1, 16) * 4
                             : kind == 2 ? Between(17, 80) * 4
                             : kind == 3 ? Between(0, 39) * 4 + 2
                                         : Between(1, 320);
        static const char* const kFractions[] = {"", ".25", ".5", ".75"};
        return std::to_string(quarters / 4) + kFractions[quarters % 4];
    }

    int32_t Percent()
    {
        const int roll = Pick(20);
        return roll < 8 ? 100 : roll < 12 ? 50 : roll < 15 ? 25 : roll == 15 ? 75 : Between(1, 100);
    }

    void SetConstraint(QPTask& task, const RandomPlanOptions& options)
    {
        const int roll = Pick(100);
        const int32_t type = roll < 22   ? eConstraintAsLateAsPossible
                             : roll < 40 ? eConstraintNone
                             : roll < 55 ? eConstraintAsSoonAsPossible
                                         : Between(3, 8);
        // Start kinds hold from 00:00:00 of their day, finish kinds until 23:59:59; each
        // day is one the editor accepts for the project start (Before kinds from the
        // second day, After kinds from five days before the start).
        if (type >= eConstraintStartOn) {
            static constexpr int kFirst[] = {0, 1, -5}; // On, Before, After
            const int day = Between(kFirst[(type - eConstraintStartOn) % 3], 40);
            task.constraintDate = type >= eConstraintFinishOn ? DayAt(day) : DayAt(day, 0);
        }
        task.constraintType = type == eConstraintAsLateAsPossible && options.lateBecomesSoon
                                      ? eConstraintAsSoonAsPossible
                                      : type;
    }

    void BuildTasks(QPProject& project, const RandomPlanOptions& options)
    {
        const int count = Between(3, 30);
        // The list: header groups are a header followed by 1 to 4 members.
        std::vector<int> groupOf(count, -1);
        std::vector<bool> isHeader(count);
        for (int i = 0; i + 1 < count;) {
            if (!Chance(15)) {
                ++i;
                continue;
            }
            const int size = std::min(Between(1, 4), count - 1 - i);
            std::fill(groupOf.begin() + i + 1, groupOf.begin() + i + size + 1, i);
            isHeader[i] = true;
            i += size + 1;
        }
        std::vector<QPTask*> tasks;
        for (int i = 0; i < count; ++i) {
            auto task = std::make_unique<QPTask>();
            task->name = "T" + std::to_string(i + 1);
            task->isHeader = isHeader[i];
            if (!task->isHeader)
                FillTask(*task, options);
            tasks.push_back(&project.ElementAdd(std::move(task), false));
            if (groupOf[i] != -1)
                tasks[groupOf[i]]->subtaskKeys.push_back(tasks.back()->key);
        }

        // Dependencies without loops: every task gets a random rank, and a task depends only
        // on tasks of lower rank in its own scope. Outside the groups a header stands for
        // its whole group (its members take on its links); inside a group, members depend
        // on members only.
        std::vector<int> rank(count);
        std::iota(rank.begin(), rank.end(), 0);
        std::shuffle(rank.begin(), rank.end(), random_);
        for (std::size_t i = 0; i < tasks.size(); ++i) {
            std::vector<QPTask*> candidates;
            for (std::size_t j = 0; j < tasks.size(); ++j)
                if (j != i && rank[j] < rank[i] && groupOf[j] == groupOf[i])
                    candidates.push_back(tasks[j]);
            const int wanted = OneOf({0, 0, 0, 1, 1, 1, 1, 2, 2, 3});
            for (int d = 0; d < wanted && !candidates.empty(); ++d) {
                const QPTask* predecessor = Any(candidates);
                const int32_t type = tasks[i]->isHeader ? Pick(2) : OneOf({0, 0, 0, 0, 1, 1, 2, 3});
                const float lag = Chance(55) ? 0.0f : OneOf({0.5f, 1.0f, 2.25f, 0.1f});
                if (!tasks[i]->FindDependency(predecessor->key))
                    tasks[i]->AddDependency(predecessor->key, type, lag);
            }
        }
    }

    void FillTask(QPTask& task, const RandomPlanOptions& options)
    {
        task.milestone = Chance(7);
        task.taskType = Chance(30) ? eTaskTypeFixedDuration : eTaskTypeFixedWork;
        if (task.taskType == eTaskTypeFixedDuration && Chance(50))
            task.scheduleKey = Any(schedules_)->key;
        task.durationText = task.milestone ? "" : DurationText();
        task.autoSchedule = !Chance(10);
        const int first = Between(0, 30);
        task.start = DayAt(first, 0);
        task.finish = DayAt(first + Pick(3));
        if (task.autoSchedule) {
            SetConstraint(task, options);
        } else if (task.taskType == eTaskTypeFixedDuration) {
            // The editor keeps no duration for a manual Fixed Duration task: its dates are
            // its duration.
            task.durationText = "";
            task.finish = DayAt(first + Pick(11));
        } else {
            task.finish = DayAt(first);
        }
        // 0 to 3 distinct resources.
        const int wanted = resourceKeys_.empty() ? 0 : OneOf({0, 1, 1, 1, 2, 2, 3});
        for (int a = 0; a < wanted; ++a) {
            const int64_t key = Any(resourceKeys_);
            const int32_t percent = Percent();
            if (options.assignments && !task.FindResourceAssignment(key))
                task.AddResourceAssignment(key, percent);
        }
    }

    std::mt19937 random_;
    int month_ = 1;
    int day_ = 1;
    std::vector<QPSchedule*> schedules_;
    std::vector<int64_t> resourceKeys_;
};
