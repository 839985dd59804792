// Importing 10,000 task rows from a CSV file into an empty project, as one undoable step;
// then the same followed by the recalculation the main window runs after a task import.

#include "import/QPProcessImportCSV.h"
#include "model/QPProject.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

std::string WriteTaskFile(int rows)
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
    const std::string path = WriteTaskFile(int(state.range(0)));
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
    const std::string path = WriteTaskFile(int(state.range(0)));
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
