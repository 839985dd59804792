#pragma once

// Generated projects for the benchmarks: chains of ten Finish-to-Start tasks with about one
// extra link in five to an earlier task, efforts of 4 to 40 hours, and one resource per
// task out of N/10 resources on the Monday-to-Friday 8-hour calendar, so that leveling has
// real work to do.

#include "model/QPProject.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

inline void BuildFamily(QPProject& project, int taskCount, uint32_t seed, int resourceCount = 0)
{
    std::mt19937 random(seed);
    project.projectStart.SetDateTime(2027, 3, 1, 8, 0, 0); // a Monday morning
    std::vector<int64_t> resourceKeys;
    if (resourceCount <= 0)
        resourceCount = std::max(1, taskCount / 10);
    for (int i = 0; i < resourceCount; ++i) {
        auto resource = std::make_unique<QPResource>();
        resource->name = "R" + std::to_string(i + 1);
        resource->scheduleKey = project.defaultScheduleKey;
        resource->hourlyRate = 5000;
        resource->overtimeRate = 7500;
        resourceKeys.push_back(project.ElementAdd(std::move(resource), false).key);
    }
    std::vector<int64_t> taskKeys;
    for (int i = 0; i < taskCount; ++i) {
        auto task = std::make_unique<QPTask>();
        task->name = "T" + std::to_string(i + 1);
        task->durationText = std::to_string(4 + random() % 37);
        if (i % 10 != 0)
            task->AddDependency(taskKeys.back(), eFinishToStart, 0.f);
        if (i > 10 && random() % 5 == 0)
            task->AddDependency(taskKeys[random() % (taskKeys.size() - 10)], eFinishToStart, 0.f);
        task->AddResourceAssignment(resourceKeys[random() % resourceKeys.size()], 100);
        taskKeys.push_back(project.ElementAdd(std::move(task), false).key);
    }
}

// A CSV file of `rows` tasks under the import's own field names, in /tmp; the caller
// removes it.
inline std::string WriteTaskCSV(int rows)
{
    const std::string path = "/tmp/kestrano-bench-" + std::to_string(getpid()) + ".csv";
    std::FILE* out = std::fopen(path.c_str(), "wb");
    std::fputs("Task Name,Duration,Start Date,End Date,Percent Complete\r\n", out);
    for (int i = 0; i < rows; ++i) {
        // Most rows leave the dates to the plan; every tenth is fixed, every hundredth
        // has a deadline.
        const int day = 1 + i % 28;
        if (i % 10 == 0)
            std::fprintf(out, "\"Task %d, phase %d\",%d,2027-03-%02d 08:00:00,2027-04-%02d,%d\r\n",
                         i, i % 7, 4 + i % 37, day, day, i % 101);
        else if (i % 100 == 1)
            std::fprintf(out, "Task %d,%d,,2027-05-%02d,\r\n", i, 4 + i % 37, day);
        else
            std::fprintf(out, "Task %d,%d.5,,,%d\r\n", i, 1 + i % 37, i % 101);
    }
    std::fclose(out);
    return path;
}
