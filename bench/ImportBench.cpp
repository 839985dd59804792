// Importing 10,000 task rows from a CSV file into an empty project, as one undoable step;
// then the same followed by the recalculation the main window runs after a task import.

#include "BenchProjects.h"

#include "import/QPProcessImportCSV.h"
#include "model/QPProject.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

void RunImport(QPProject& project, const std::string& path, benchmark::State& state)
{
    QPProcessImportCSVTask import(project);
    import.SetFilePath(path);
    const std::vector<std::string> headers = import.ReadHeaderCells();
    for (int field = 0; field < 5; ++field)
        import.AssignField(field, headers[std::size_t(field)], headers);
    LProcessInterface silent;
    project.UndoRedoGroupStart();
    Process(silent, import);
    project.UndoRedoGroupEnd();
    if (import.SuccessfulImports() != int(state.range(0)))
        state.SkipWithError("rows were refused");
}

void BM_ImportTasksCSV(benchmark::State& state)
{
    const std::string path = WriteTaskCSV(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto project = std::make_unique<QPProject>();
        state.ResumeTiming();
        RunImport(*project, path, state);
        state.PauseTiming();
        project.reset();
        state.ResumeTiming();
    }
    std::remove(path.c_str());
}

void BM_ImportTasksCSVAndRecalculate(benchmark::State& state)
{
    const std::string path = WriteTaskCSV(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto project = std::make_unique<QPProject>();
        project->projectStart = LDateTime(1804320000); // March 2027
        state.ResumeTiming();
        RunImport(*project, path, state);
        project->AutoScheduleTasks();
        project->CalculateEndDateByTasks();
        state.PauseTiming();
        project.reset();
        state.ResumeTiming();
    }
    std::remove(path.c_str());
}

} // namespace

BENCHMARK(BM_ImportTasksCSV)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportTasksCSVAndRecalculate)->Arg(10000)->Unit(benchmark::kMillisecond);
