// Saving and loading a large project: 10,000 tasks, each with two dependencies on earlier
// tasks and one resource, as a plan grows in practice.

#include "model/QPProject.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

void BuildLargeProject(QPProject& project, int taskCount)
{
    std::vector<int64_t> resourceKeys;
    for (int i = 0; i < taskCount / 10; ++i) {
        auto resource = std::make_unique<QPResource>();
        resource->name = "Resource " + std::to_string(i + 1);
        resource->hourlyRate = 4000 + i;
        resourceKeys.push_back(project.ElementAdd(std::move(resource), false).key);
    }
    std::vector<int64_t> taskKeys;
    for (int i = 0; i < taskCount; ++i) {
        auto task = std::make_unique<QPTask>();
        task->name = "Task " + std::to_string(i + 1);
        task->durationText = std::to_string(4 + i % 37);
        task->start = LDateTime(1800000000 + int64_t(i) * 3600);
        task->finish = task->start + 8 * 3600;
        task->displayStart = task->start;
        if (i >= 1)
            task->AddDependency(taskKeys[static_cast<std::size_t>(i - 1)], eFinishToStart, 0.f);
        if (i >= 7)
            task->AddDependency(taskKeys[static_cast<std::size_t>(i - 7)], eStartToStart, 1.f);
        task->AddResourceAssignment(resourceKeys[static_cast<std::size_t>(i) % resourceKeys.size()],
                                    100);
        taskKeys.push_back(project.ElementAdd(std::move(task), false).key);
    }
}

std::string TempPath()
{
    return "/tmp/kestrano-bench-" + std::to_string(getpid()) + ".qpp";
}

void BM_SaveProject(benchmark::State& state)
{
    QPProject project;
    BuildLargeProject(project, static_cast<int>(state.range(0)));
    const std::string path = TempPath();
    for (auto _ : state) {
        if (project.ProjectSave(path) != 0)
            state.SkipWithError("save failed");
    }
    std::remove(path.c_str());
}

void BM_LoadProject(benchmark::State& state)
{
    QPProject project;
    BuildLargeProject(project, static_cast<int>(state.range(0)));
    const std::string path = TempPath();
    project.ProjectSave(path);
    QPProject loaded;
    for (auto _ : state) {
        if (loaded.ProjectLoad(path) != 0)
            state.SkipWithError("load failed");
    }
    std::remove(path.c_str());
}

} // namespace

BENCHMARK(BM_SaveProject)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadProject)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
