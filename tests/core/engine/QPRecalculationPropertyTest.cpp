// Seeded random projects: calendars with overnight and empty days, exceptions, resources
// on present and missing schedules, tasks of both types with all constraints, header
// groups, dependencies of all four types with lags, assignments, and dependency loops.

#include "model/QPProject.h"

#include "support/Plan.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct RandomPlan {
    explicit RandomPlan(uint32_t seed) : random(seed) {}

    int Pick(int count) { return static_cast<int>(random() % static_cast<uint32_t>(count)); }
    bool Chance(int percent) { return Pick(100) < percent; }
    template <class T>
    T OneOf(std::initializer_list<T> values)
    {
        return *(values.begin() + Pick(static_cast<int>(values.size())));
    }

    // `loops`: dependencies may point anywhere, so loops occur; otherwise they point to
    // earlier tasks only. `allConstraints`: every constraint kind, or only those that keep
    // a task at or after the project start. `manual`: some tasks are scheduled by hand.
    void Build(QPProject& project, bool loops, bool allConstraints, bool manual = true)
    {
        project.projectStart = LocalTime(2027, 3, 1 + Pick(28), OneOf({0, 8, 13}));
        const LDateTime start = project.projectStart;
        std::vector<QPSchedule*> schedules{project.GetDefaultSchedule()};
        for (int i = Pick(3); i > 0; --i) {
            auto schedule = std::make_unique<QPSchedule>();
            schedule->name = "S" + std::to_string(i);
            const bool idle = Chance(10);
            for (int day = 0; day < 7; ++day) {
                schedule->shiftStart[day] = LDayTime(OneOf({0, 6, 8, 22}) * kHour);
                schedule->shiftDuration[day] = idle ? 0 : OneOf({0, 4, 8, 8, 10, 12}) * kHour;
            }
            schedule->regularWorkWeek = OneOf({0, 30, 40, 200}) * kHour;
            schedule->workWeekStart = Pick(7);
            schedules.push_back(&project.ElementAdd(std::move(schedule), false));
        }
        auto exceptions = [&](auto& owner) {
            for (int i = Pick(3); i > 0; --i)
                owner.AddException(start + int64_t(Pick(60) - 5) * 86400,
                                   OneOf({4, 8, 16, 30}) * kHour);
        };
        for (QPSchedule* schedule : schedules)
            exceptions(*schedule);

        std::vector<int64_t> resourceKeys;
        for (int i = Pick(6); i > 0; --i) {
            auto resource = std::make_unique<QPResource>();
            resource->name = "R" + std::to_string(i);
            resource->scheduleKey = Chance(5) ? 9999 : schedules[Pick(int(schedules.size()))]->key;
            resource->hourlyRate = Pick(10000);
            resource->overtimeRate = Pick(15000);
            exceptions(*resource);
            resourceKeys.push_back(project.ElementAdd(std::move(resource), false).key);
        }

        const int taskCount = 10 + Pick(40);
        std::vector<QPTask*> tasks;
        for (int i = 0; i < taskCount; ++i) {
            auto task = std::make_unique<QPTask>();
            task->name = "T" + std::to_string(i + 1);
            task->durationText = std::to_string(Pick(80) + 1) + (Chance(30) ? ".5" : "");
            task->taskType = Chance(25) ? eTaskTypeFixedDuration : eTaskTypeFixedWork;
            task->milestone = Chance(5);
            task->autoSchedule = manual ? !Chance(8) : true;
            task->start = start + int64_t(Pick(400)) * kHour;
            task->finish = task->start + int64_t(Pick(100)) * kHour;
            task->constraintType = allConstraints ? Pick(9) : OneOf({0, 1, 2, 5, 8});
            task->constraintDate = start + int64_t(Pick(40 * 24) - 24) * kHour;
            if (Chance(10))
                task->scheduleKey = schedules[Pick(int(schedules.size()))]->key;
            for (int a = resourceKeys.empty() ? 0 : Pick(3); a > 0; --a)
                task->AddResourceAssignment(resourceKeys[Pick(int(resourceKeys.size()))],
                                            OneOf({25, 50, 75, 100}));
            tasks.push_back(&project.ElementAdd(std::move(task), false));
        }
        // Header groups over the tasks that follow them.
        for (std::size_t i = 0; i + 1 < tasks.size(); ++i) {
            if (!Chance(10) || tasks[i]->headerKey != -1)
                continue;
            tasks[i]->isHeader = true;
            for (std::size_t j = i + 1; j < tasks.size() && j <= i + 3; ++j) {
                if (tasks[j]->isHeader)
                    break;
                tasks[i]->subtaskKeys.push_back(tasks[j]->key);
                tasks[j]->headerKey = tasks[i]->key;
            }
        }
        for (std::size_t i = 0; i < tasks.size(); ++i) {
            for (int d = Pick(4); d > 0; --d) {
                const std::size_t range = loops ? tasks.size() : i;
                if (range == 0)
                    break;
                QPTask& predecessor = *tasks[static_cast<std::size_t>(Pick(int(range)))];
                if (&predecessor == tasks[i] || (!loops && predecessor.isHeader))
                    continue;
                tasks[i]->AddDependency(predecessor.key, Pick(4), OneOf({0.f, 0.5f, 1.f, 2.25f}));
            }
        }
    }

    std::mt19937 random;
};

class QPRecalculationProperties : public ::testing::TestWithParam<uint32_t> {};

} // namespace

TEST_P(QPRecalculationProperties, EndsAndIsStableWithLoopsAndEveryConstraint)
{
    // Leveling may move a task scheduled by hand, and its start is the user's input: a
    // second recalculation then starts from the moved task. Every other date is computed
    // afresh, so without manual tasks a second recalculation changes nothing.
    QPProject project;
    RandomPlan(GetParam()).Build(project, true, true, false);
    project.AutoScheduleTasks();
    project.CalculateEndDateByTasks();
    const LByteArray once = project.ProjectSaveToBytes();
    project.AutoScheduleTasks();
    project.CalculateEndDateByTasks();
    EXPECT_TRUE(project.ProjectSaveToBytes() == once);
    for (const QPTask& task : project.tasks) {
        EXPECT_GE(task.scheduledCost, 0) << task.name.str();
        EXPECT_GE(task.scheduledCostToDate, 0) << task.name.str();
    }
    for (const QPResource& resource : project.resources) {
        EXPECT_GE(resource.regularCost, 0);
        EXPECT_GE(resource.overtimeCost, 0);
    }
}

TEST_P(QPRecalculationProperties, EndsWithManualTasksAndCostsAreNeverNegative)
{
    QPProject project;
    RandomPlan(GetParam() + 2000).Build(project, true, true, true);
    project.AutoScheduleTasks();
    project.CalculateEndDateByTasks();
    for (const QPTask& task : project.tasks)
        EXPECT_GE(task.scheduledCost, 0) << task.name.str();
}

TEST_P(QPRecalculationProperties, TasksStartNoEarlierThanTheProject)
{
    QPProject project;
    RandomPlan(GetParam() + 1000).Build(project, false, false, true);
    project.AutoScheduleTasks();
    project.CalculateEndDateByTasks();
    for (const QPTask& task : project.tasks) {
        if (!task.autoSchedule || task.isHeader)
            continue;
        EXPECT_GE(task.start, project.projectStart) << task.name.str();
    }
    EXPECT_GE(project.projectFinish, project.projectStart);
}

INSTANTIATE_TEST_SUITE_P(Seeds, QPRecalculationProperties, ::testing::Range(1u, 41u));
