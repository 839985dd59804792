// A full recalculation of generated projects (see BenchProjects.h).

#include "BenchProjects.h"

#include <benchmark/benchmark.h>

namespace {

void BM_Recalculate(benchmark::State& state)
{
    QPProject project;
    BuildFamily(project, static_cast<int>(state.range(0)), 42);
    for (auto _ : state) {
        project.AutoScheduleTasks();
        project.CalculateEndDateByTasks();
    }
    state.SetComplexityN(state.range(0));
}

// Few resources for many tasks: leveling does most of the work.
void BM_RecalculateLeveling(benchmark::State& state)
{
    QPProject project;
    BuildFamily(project, static_cast<int>(state.range(0)), 42, static_cast<int>(state.range(1)));
    for (auto _ : state) {
        project.AutoScheduleTasks();
        project.CalculateEndDateByTasks();
    }
}

} // namespace

BENCHMARK(BM_RecalculateLeveling)
        ->Args({10000, 20})
        ->Args({50000, 100})
        ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_Recalculate)
        ->Arg(100)
        ->Arg(1000)
        ->Arg(5000)
        ->Arg(10000)
        ->Unit(benchmark::kMillisecond)
        ->Complexity();
