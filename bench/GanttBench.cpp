// The Gantt chart of a generated project: building the scene from the project, and
// painting one screenful of it (1280 x 800) from the middle of the chart, as a scroll does.

#include "BenchProjects.h"
#include "framework/LRecordingSurface.h"
#include "views/QPGanttView.h"

#if KESTRANO_BENCH_HAS_QT
#include "LQPainterSurface.h"

#include <QImage>
#include <QPainter>
#endif

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace {

struct NoWindow : QPGanttInterface {
    void GanttViewSelectTask(int64_t) override {}
};

QPProject& PlannedProject(int taskCount)
{
    static std::map<int, std::unique_ptr<QPProject>> projects;
    auto& project = projects[taskCount];
    if (!project) {
        project = std::make_unique<QPProject>();
        BuildFamily(*project, taskCount, 42);
        project->AutoScheduleTasks();
        project->CalculateEndDateByTasks();
    }
    return *project;
}

// Scrolls so that the middle row is at the top left of the screen.
void ScrollToMiddle(QPGanttView& view)
{
    const auto& rows = view.Root().taskChart->Children();
    const LSceneNode& middle = *rows[rows.size() / 2];
    view.offsetX = -(middle.GetX() - 200);
    view.offsetY = -middle.GetY();
}

void BM_GanttPlotProject(benchmark::State& state)
{
    const QPProject& project = PlannedProject(static_cast<int>(state.range(0)));
    NoWindow window;
    QPGanttView view(window);
    for (auto _ : state)
        view.PlotProject(project);
    state.SetComplexityN(state.range(0));
}

// What a paint visits and issues, without pixels.
void BM_GanttRecordScreenful(benchmark::State& state)
{
    NoWindow window;
    QPGanttView view(window);
    view.PlotProject(PlannedProject(static_cast<int>(state.range(0))));
    ScrollToMiddle(view);
    const LRectF screen{0, 0, 1280, 800};
    LRecordingSurface surface;
    for (auto _ : state) {
        surface.ClearItems();
        view.Prepaint(surface, &screen);
    }
    state.counters["items"] = static_cast<double>(surface.Items().size());
}

#if KESTRANO_BENCH_HAS_QT
// The real thing: antialiased painting into a screen-sized image.
void BM_GanttPaintScreenful(benchmark::State& state)
{
    NoWindow window;
    QPGanttView view(window);
    view.PlotProject(PlannedProject(static_cast<int>(state.range(0))));
    ScrollToMiddle(view);
    QImage image(1280, 800, QImage::Format_ARGB32_Premultiplied);
    const LRectF screen{0, 0, 1280, 800};
    for (auto _ : state) {
        QPainter painter(&image);
        LPaintSurface surface(painter, &image);
        view.Prepaint(surface, &screen);
    }
}
BENCHMARK(BM_GanttPaintScreenful)->Arg(10000)->Unit(benchmark::kMillisecond);
#endif

} // namespace

BENCHMARK(BM_GanttPlotProject)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_GanttRecordScreenful)->Arg(10000)->Unit(benchmark::kMicrosecond);
