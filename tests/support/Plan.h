#pragma once

// Small projects for engine tests, built in a few lines: a plan starts on Monday
// 1 March 2027 with the "Default Schedule" (Monday to Friday, 08:00 to 16:00).

#include "model/QPProject.h"

#include "support/TestTime.h"

#include <initializer_list>
#include <string>

constexpr int32_t kHour = 3600;

class Plan {
public:
    explicit Plan(LDateTime start = LocalTime(2027, 3, 1)) { project.projectStart = start; }

    QPSchedule& DefaultSchedule() { return *project.GetDefaultSchedule(); }

    QPTask& Task(const std::string& name, const std::string& hours)
    {
        auto task = std::make_unique<QPTask>();
        task->name = name;
        task->durationText = hours;
        return project.ElementAdd(std::move(task), false);
    }

    QPResource& Resource(const std::string& name, const QPSchedule* schedule = nullptr,
                         int64_t hourlyRate = 0, int64_t overtimeRate = 0)
    {
        auto resource = std::make_unique<QPResource>();
        resource->name = name;
        resource->scheduleKey = schedule ? schedule->key : project.defaultScheduleKey;
        resource->hourlyRate = hourlyRate;
        resource->overtimeRate = overtimeRate;
        return project.ElementAdd(std::move(resource), false);
    }

    // A weekly pattern: the shift starts at `start` (seconds after midnight) on every day,
    // lasting the given hours from Sunday to Saturday.
    QPSchedule& Schedule(const std::string& name, int32_t start,
                         std::initializer_list<double> hoursSundayFirst)
    {
        auto schedule = std::make_unique<QPSchedule>();
        schedule->name = name;
        int day = 0;
        for (double hours : hoursSundayFirst) {
            schedule->shiftStart[day] = LDayTime(start);
            schedule->shiftDuration[day++] = static_cast<int32_t>(hours * kHour);
        }
        return project.ElementAdd(std::move(schedule), false);
    }

    void Recalculate()
    {
        project.AutoScheduleTasks();
        project.CalculateEndDateByTasks();
    }

    QPProject project;
};
