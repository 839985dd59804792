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
#include <cstdio>
#include <initializer_list>
#include <memory>
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

struct RandomPlanFacts {
    // "YYYY-MM-DD HH:MM:SS" of a moment some days into the plan, to stand for today.
    std::string now;
    // The same moment.
    LDateTime nowMoment;
};

class RandomPlan {
public:
    explicit RandomPlan(uint32_t seed) : random_(seed) {}

    RandomPlanFacts Build(QPProject& project, const RandomPlanOptions& options = {})
    {
        BuildDay();
        project.name = "Random plan";
        project.projectStart = DayAt(0, 0, 0, 0);
        project.projectDeadline = DayAt(30 + Pick(170), 23, 59, 59);

        BuildSchedules(project);
        BuildResources(project);
        BuildTasks(project, options);

        const int nowDay = 3 + Pick(25);
        const LDateTime now = DayAt(nowDay, 12, 0, 0);
        const std::tm fields = LocalFieldsOf(now);
        char text[64];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d 12:00:00", fields.tm_year + 1900,
                      fields.tm_mon + 1, fields.tm_mday);
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

    // The project's first day, often a few days before one of the two clock changes.
    void BuildDay()
    {
        year_ = 2027;
        switch (Pick(10)) {
        case 0:
        case 1:
        case 2:
        case 3:
            month_ = 3;
            day_ = 14 - Between(1, 10);
            break;
        case 4:
        case 5:
        case 6:
            month_ = 11;
            day_ = 7 - Between(1, 10);
            break;
        default:
            month_ = 1;
            day_ = 1 + Pick(330);
            break;
        }
    }

    // `offset` days after the project's first day, at a clock time (mktime normalises).
    LDateTime DayAt(int offset, int hour, int minute, int second) const
    {
        return LocalTime(year_, month_, day_ + offset, hour, minute, second);
    }
    int WeekdayOf(int offset) const { return LocalFieldsOf(DayAt(offset, 12, 0, 0)).tm_wday; }

    static void SetWeek(QPSchedule& schedule, int32_t start, int32_t length,
                        std::initializer_list<int> days)
    {
        for (int day = 0; day < 7; ++day) {
            schedule.shiftStart[day] = LDayTime(start);
            schedule.shiftDuration[day] = 0;
        }
        for (int day : days)
            schedule.shiftDuration[day] = length;
    }

    // Shift starts on whole minutes, lengths of 30 minutes to 24 hours, and a shift never
    // runs past the next day's shift start; at least one day works.
    void RandomWeek(QPSchedule& schedule)
    {
        std::array<int32_t, 7> starts{};
        for (int32_t& start : starts)
            start = Chance(40) ? OneOf({0, 6, 7, 8, 9, 14, 20, 22}) * kHour : Pick(24 * 60) * 60;
        std::array<int32_t, 7> lengths{};
        bool any = false;
        for (int day = 0; day < 7; ++day) {
            const int32_t room = std::min(86400, 86400 + starts[(day + 1) % 7] - starts[day]);
            if (room >= 1800 && Chance(65)) {
                const int32_t minutes = Between(30, room / 60);
                lengths[day] = Chance(50) ? std::max(1800, minutes / 60 * 3600) : minutes * 60;
                any = true;
            }
        }
        if (!any) {
            // The editor refuses a schedule without a shift: give the day with the most room
            // one hour.
            int best = 0;
            for (int day = 1; day < 7; ++day)
                if (starts[(day + 1) % 7] - starts[day] > starts[(best + 1) % 7] - starts[best])
                    best = day;
            lengths[best] = 3600;
        }
        for (int day = 0; day < 7; ++day) {
            schedule.shiftStart[day] = LDayTime(starts[day]);
            schedule.shiftDuration[day] = lengths[day];
        }
    }

    void BuildSchedules(QPProject& project)
    {
        QPSchedule& standard = *project.GetDefaultSchedule();
        if (Chance(40)) {
            standard.regularWorkWeek = OneOf({0, 20, 40, 168}) * kHour;
            standard.workWeekStart = Pick(7);
        }
        schedules_ = {&standard};
        const int count = Pick(5);
        for (int i = 0; i < count; ++i) {
            auto schedule = std::make_unique<QPSchedule>();
            schedule->name = "Schedule " + std::to_string(i + 1);
            switch (Pick(8)) {
            case 0:
                SetWeek(*schedule, 8 * kHour, 8 * kHour, {1, 2, 3, 4, 5});
                break;
            case 1:
                if (Chance(50))
                    SetWeek(*schedule, 22 * kHour, 9 * kHour, {1, 2, 3, 4, 5});
                else
                    SetWeek(*schedule, 22 * kHour, 9 * kHour, {0, 1, 2, 3, 4, 5, 6});
                break;
            case 2:
                SetWeek(*schedule, 8 * kHour, 8 * kHour, {1, 2, 4, 5});
                break;
            case 3:
                SetWeek(*schedule, 8 * kHour, 10 * kHour, {0, 6});
                break;
            case 4:
                SetWeek(*schedule, 0, 86400, {0, 1, 2, 3, 4, 5, 6});
                break;
            default:
                RandomWeek(*schedule);
                break;
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
            int32_t seconds = 0;
            switch (Pick(3)) {
            case 0: {
                seconds = schedule.shiftDuration[static_cast<std::size_t>(WeekdayOf(offset))];
                if (seconds == 0)
                    seconds = *std::max_element(schedule.shiftDuration.begin(),
                                                schedule.shiftDuration.end());
                break;
            }
            case 1:
                seconds = Between(1, 4) * kHour;
                break;
            default:
                seconds = Between(16 * 4, 40 * 4) * 900;
                break;
            }
            QPAddScheduleException(exceptions, DayAt(offset, Pick(24), 0, 0), seconds);
        }
    }

    void BuildResources(QPProject& project)
    {
        resourceKeys_.clear();
        const int count = Pick(7);
        for (int i = 0; i < count; ++i) {
            auto resource = std::make_unique<QPResource>();
            resource->name = "Resource " + std::to_string(i + 1);
            const QPSchedule* schedule =
                    schedules_[static_cast<std::size_t>(Pick(static_cast<int>(schedules_.size())))];
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
        int quarters = 0;
        switch (Pick(5)) {
        case 0:
        case 1:
            quarters = Between(1, 16) * 4;
            break;
        case 2:
            quarters = Between(17, 80) * 4;
            break;
        case 3:
            quarters = Between(0, 39) * 4 + 2;
            break;
        default:
            quarters = Between(1, 320);
            break;
        }
        static const char* const kFractions[] = {"", ".25", ".5", ".75"};
        return std::to_string(quarters / 4) + kFractions[quarters % 4];
    }

    int32_t Percent()
    {
        switch (Pick(20)) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
        case 6:
        case 7:
            return 100;
        case 8:
        case 9:
        case 10:
        case 11:
            return 50;
        case 12:
        case 13:
        case 14:
            return 25;
        case 15:
            return 75;
        default:
            return Between(1, 100);
        }
    }

    void SetConstraint(QPTask& task, const RandomPlanOptions& options)
    {
        const int roll = Pick(100);
        int32_t type = eConstraintNone;
        if (roll < 22)
            type = eConstraintAsLateAsPossible;
        else if (roll < 40)
            type = eConstraintNone;
        else if (roll < 55)
            type = eConstraintAsSoonAsPossible;
        else
            type = Between(3, 8);
        // Start kinds hold from 00:00:00 of their day, finish kinds until 23:59:59; each
        // day is one the editor accepts for the project start.
        switch (type) {
        case eConstraintStartOn:
            task.constraintDate = DayAt(Between(0, 40), 0, 0, 0);
            break;
        case eConstraintStartBefore:
            task.constraintDate = DayAt(Between(1, 40), 0, 0, 0);
            break;
        case eConstraintStartAfter:
            task.constraintDate = DayAt(Between(-5, 40), 0, 0, 0);
            break;
        case eConstraintFinishOn:
            task.constraintDate = DayAt(Between(0, 40), 23, 59, 59);
            break;
        case eConstraintFinishBefore:
            task.constraintDate = DayAt(Between(1, 40), 23, 59, 59);
            break;
        case eConstraintFinishAfter:
            task.constraintDate = DayAt(Between(-5, 40), 23, 59, 59);
            break;
        default:
            break;
        }
        if (type == eConstraintAsLateAsPossible && options.lateBecomesSoon)
            type = eConstraintAsSoonAsPossible;
        task.constraintType = type;
    }

    void BuildTasks(QPProject& project, const RandomPlanOptions& options)
    {
        const int count = Between(3, 30);
        // The list: header groups are a header followed by 1 to 4 members.
        std::vector<int> groupOf(static_cast<std::size_t>(count), -1);
        std::vector<bool> header(static_cast<std::size_t>(count), false);
        std::vector<std::vector<int>> members;
        for (int i = 0; i + 1 < count;) {
            if (!Chance(15)) {
                ++i;
                continue;
            }
            const int size = std::min(Between(1, 4), count - 1 - i);
            header[static_cast<std::size_t>(i)] = true;
            members.emplace_back();
            for (int m = i + 1; m <= i + size; ++m) {
                groupOf[static_cast<std::size_t>(m)] = static_cast<int>(members.size()) - 1;
                members.back().push_back(m);
            }
            i += size + 1;
        }

        std::vector<QPTask*> tasks;
        for (int i = 0; i < count; ++i) {
            auto task = std::make_unique<QPTask>();
            task->name = "T" + std::to_string(i + 1);
            const std::size_t at = static_cast<std::size_t>(i);
            if (header[at]) {
                task->isHeader = true;
                task->durationText = "";
                tasks.push_back(&project.ElementAdd(std::move(task), false));
                continue;
            }
            task->milestone = Chance(7);
            task->taskType = Chance(30) ? eTaskTypeFixedDuration : eTaskTypeFixedWork;
            if (task->taskType == eTaskTypeFixedDuration && Chance(50))
                task->scheduleKey = schedules_[static_cast<std::size_t>(
                                                       Pick(static_cast<int>(schedules_.size())))]
                                            ->key;
            task->durationText = task->milestone ? "" : DurationText();
            task->autoSchedule = !Chance(10);
            const int first = Between(0, 30);
            task->start = DayAt(first, 0, 0, 0);
            task->finish = DayAt(first + Pick(3), 23, 59, 59);
            if (task->autoSchedule) {
                SetConstraint(*task, options);
            } else if (task->taskType == eTaskTypeFixedDuration) {
                // The editor keeps no duration for a manual Fixed Duration task: its dates
                // are its duration.
                task->durationText = "";
                task->finish = DayAt(first + Pick(11), 23, 59, 59);
            } else {
                task->finish = DayAt(first, 23, 59, 59);
            }
            // 0 to 3 distinct resources.
            const int wanted = resourceKeys_.empty() ? 0 : OneOf({0, 1, 1, 1, 2, 2, 3});
            std::vector<int64_t> chosen;
            for (int a = 0; a < wanted; ++a) {
                const int64_t key = resourceKeys_[static_cast<std::size_t>(
                        Pick(static_cast<int>(resourceKeys_.size())))];
                const int32_t percent = Percent();
                if (std::find(chosen.begin(), chosen.end(), key) != chosen.end())
                    continue;
                chosen.push_back(key);
                if (options.assignments)
                    task->AddResourceAssignment(key, percent);
            }
            tasks.push_back(&project.ElementAdd(std::move(task), false));
        }
        for (int i = 0; i < count; ++i) {
            if (!header[static_cast<std::size_t>(i)])
                continue;
            for (int member :
                 members[static_cast<std::size_t>(groupOf[static_cast<std::size_t>(i + 1)])])
                tasks[static_cast<std::size_t>(i)]->subtaskKeys.push_back(
                        tasks[static_cast<std::size_t>(member)]->key);
        }

        // Dependencies without loops: every task gets a random rank, and a task depends only
        // on tasks of lower rank in its own scope. Outside the groups a header stands for
        // its whole group (its members take on its links); inside a group, members depend
        // on members only.
        std::vector<int> rank(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            rank[static_cast<std::size_t>(i)] = i;
        std::shuffle(rank.begin(), rank.end(), random_);
        for (int i = 0; i < count; ++i) {
            const std::size_t at = static_cast<std::size_t>(i);
            std::vector<int> candidates;
            for (int j = 0; j < count; ++j) {
                const std::size_t other = static_cast<std::size_t>(j);
                if (j == i || rank[other] >= rank[at] || groupOf[other] != groupOf[at])
                    continue;
                candidates.push_back(j);
            }
            const int wanted = OneOf({0, 0, 0, 1, 1, 1, 1, 2, 2, 3});
            std::vector<int> chosen;
            for (int d = 0; d < wanted && !candidates.empty(); ++d) {
                const int j = candidates[static_cast<std::size_t>(
                        Pick(static_cast<int>(candidates.size())))];
                const int32_t type = header[at] ? Pick(2) : OneOf({0, 0, 0, 0, 1, 1, 2, 3});
                const float lag = Chance(55) ? 0.0f : OneOf({0.5f, 1.0f, 2.25f, 0.1f});
                if (std::find(chosen.begin(), chosen.end(), j) != chosen.end())
                    continue;
                chosen.push_back(j);
                tasks[at]->AddDependency(tasks[static_cast<std::size_t>(j)]->key, type, lag);
            }
        }
    }

    std::mt19937 random_;
    int year_ = 2027;
    int month_ = 1;
    int day_ = 1;
    std::vector<QPSchedule*> schedules_;
    std::vector<int64_t> resourceKeys_;
};
