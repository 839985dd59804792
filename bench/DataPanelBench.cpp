// The data panel's task list refilled from a generated project after a change: the row
// texts alone, and the whole refill of the list widget with them.

#include "BenchProjects.h"
#include "views/QPDataPanelRows.h"

#if KESTRANO_BENCH_HAS_QT
#include "framework/LSettingsStore.h"
#include "views/QPDataPanel.h"

#include <QTreeView>
#endif

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace {

QPProject& PlannedProject(int taskCount)
{
    static std::map<int, std::unique_ptr<QPProject>> projects;
    auto& project = projects[taskCount];
    if (!project) {
        project = std::make_unique<QPProject>();
        BuildFamily(*project, taskCount, 7);
        project->AutoScheduleTasks();
        project->CalculateEndDateByTasks();
    }
    return *project;
}

void BM_TaskListRowTexts(benchmark::State& state)
{
    const QPProject& project = PlannedProject(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(QPTaskListRows(project));
}
BENCHMARK(BM_TaskListRowTexts)->Arg(5000)->Unit(benchmark::kMillisecond);

#if KESTRANO_BENCH_HAS_QT
struct NoWindow : QPDataPanelHost {
    void Command(int) override {}
};

// A shown panel, so that the list lays out and paints its visible rows as it would on screen.
void BM_TaskListRefresh(benchmark::State& state)
{
    QPProject& project = PlannedProject(static_cast<int>(state.range(0)));
    NoWindow host;
    LMemorySettingsStore settings;
    QPDataPanel panel(project, host, settings);
    panel.resize(900, 600);
    panel.show();
    panel.InitDialog();
    for (auto _ : state) {
        panel.TaskListRefresh();
        panel.List(eDataPanelTaskList).repaint();
    }
}
BENCHMARK(BM_TaskListRefresh)->Arg(5000)->Unit(benchmark::kMillisecond);
#endif

} // namespace
