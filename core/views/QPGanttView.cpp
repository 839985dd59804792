#include "views/QPGanttView.h"

#include "framework/LSurface.h"
#include "model/QPProjectBase.h"
#include "views/QPSubtaskHiding.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <utility>

QPGanttView::QPGanttView(QPGanttInterface& owner)
    : owner_(owner), root_(std::make_unique<QPCalendarChartNode>())
{
    SetRootSceneNode(root_.get());
}

QPGanttView::~QPGanttView()
{
    SetRootSceneNode(nullptr);
}

void QPGanttView::PlotProject(const QPProjectBase& project)
{
    PlotProject(project, LDateTime::Now());
}

void QPGanttView::PlotProject(const QPProjectBase& project, LDateTime today)
{
    root_->Update();
    root_->width = 0;
    root_->ClearTaskChart();
    root_->SetChartDuration(project.options, project.projectStart, project.projectFinish);

    QPSubtaskHiding hiding;
    int row = 0;
    for (const QPTask& task : project.tasks)
        if (hiding.Shows(task))
            root_->AddTaskNode(project, task, ++row);
    root_->height += QPGanttGeometry::kBottomMargin;

    PlotDependencies(project);
    root_->PadCalendar(project.options, project.projectDeadline, project.projectFinish, today);
    root_->Update();
}

void QPGanttView::PlotDependencies(const QPProjectBase& project)
{
    std::unordered_map<int64_t, QPTaskNode*> nodes;
    nodes.reserve(root_->taskChart->Children().size());
    for (const auto& child : root_->taskChart->Children()) {
        auto* node = static_cast<QPTaskNode*>(child.get());
        nodes.emplace(node->taskKey, node);
    }
    for (const QPTask& task : project.tasks) {
        const auto successor = nodes.find(task.key);
        if (successor == nodes.end())
            continue;
        successor->second->DeleteDependencyNodes();
        for (const QPTaskDependency& dependency : task.dependencies) {
            const auto predecessor = nodes.find(dependency.predecessorKey);
            if (predecessor != nodes.end())
                successor->second->AddDependencyNode(*predecessor->second, dependency.type);
        }
    }
}

void QPGanttView::Prepaint(LSurface& surface, const LRectF* exposed)
{
    surface.Clear(QPGanttColours::kBackground);
    LSceneView::Prepaint(surface, exposed);
}

void QPGanttView::EvLButtonDown(int x, int y)
{
    const LPointF scene = DeviceToScene(static_cast<float>(x), static_cast<float>(y));
    if (const QPTaskNode* node = root_->GetTaskNodeByPosition(scene.x, scene.y))
        owner_.GanttViewSelectTask(node->taskKey);
}

bool QPGanttView::Draw(LSurface& document, const LMatrix& matrix)
{
    using QPGanttGeometry::kStripHeight;
    const std::vector<QPGanttPage> pages =
            QPGanttPages(static_cast<float>(static_cast<int>(root_->width)),
                         static_cast<float>(static_cast<int>(root_->height)));
    for (const QPGanttPage& page : pages) {
        document.SetPageSize(page.width, page.height, LPageUnit::Point);
        if (!document.StartPage())
            return false;
        if (pages.size() == 1) {
            root_->Draw(document, matrix);
        } else if (page.y <= kStripHeight) {
            // The scene draws only what can reach the page; the page's edges cut the rest.
            const LRectF shown{page.x, 0, page.width, page.height};
            root_->Draw(document, matrix.Translated(-page.x, 0), &shown);
        } else {
            // The strip with its bottom line, then the rows below it, each kept to its band
            // so that the rows above `y` cannot show through the strip.
            const float band = kStripHeight + 1;
            const LRectF strip{page.x, 0, page.width, band};
            document.ClipToPageRect({0, 0, page.width, band});
            root_->Draw(document, matrix.Translated(-page.x, 0), &strip);
            const LRectF rows{page.x, page.y + 1, page.width, page.height - band};
            document.ClipToPageRect({0, band, page.width, page.height - band});
            root_->Draw(document, matrix.Translated(-page.x, kStripHeight - page.y), &rows);
        }
        document.EndPage();
    }
    return true;
}

namespace {

// The starts and lengths of the parts an extent is cut into: the whole when it is within
// `limit`, else as few parts as it takes, each a whole number of `step`s, the last taking
// the rest.
std::vector<std::pair<float, float>> Parts(float extent, float limit, float step)
{
    if (extent <= limit)
        return {{0.0f, extent}};
    const float most = std::floor(limit / step) * step;
    const float count = std::ceil(extent / most);
    const float part = std::ceil(extent / count / step) * step;
    std::vector<std::pair<float, float>> parts;
    for (float at = 0; at < extent; at += part)
        parts.emplace_back(at, std::min(part, extent - at));
    return parts;
}

} // namespace

std::vector<QPGanttPage> QPGanttPages(float width, float height)
{
    using namespace QPGanttGeometry;
    // Cuts fall between weeks, so that every page starts on a Sunday with its date over
    // it (the chart starts on one), and between rows, never through a bar's row; the rows
    // of a lower page share it with the strip.
    const auto columns = Parts(width, kGanttMaxPageSize, 7 * kDayWidth);
    const auto rows = Parts(height - kStripHeight, kGanttMaxPageSize - kStripHeight, kRowHeight);
    std::vector<QPGanttPage> pages;
    pages.reserve(columns.size() * rows.size());
    for (const auto& [y, rowsHeight] : rows)
        for (const auto& [x, columnsWidth] : columns)
            pages.push_back({x, kStripHeight + y, columnsWidth, kStripHeight + rowsHeight});
    return pages;
}

QPGanttScrollLayout QPGanttLayoutScrollBars(float chartWidth, float chartHeight, int width,
                                            int height)
{
    QPGanttScrollLayout layout;
    layout.horizontalExtent = static_cast<int>(std::ceil(chartWidth));
    layout.verticalExtent = static_cast<int>(std::ceil(chartHeight));
    layout.visibleWidth = width;
    layout.visibleHeight = height;
    if (chartWidth > static_cast<float>(layout.visibleWidth)) {
        layout.horizontal = true;
        layout.visibleHeight -= QPGanttScrollLayout::kHorizontalBarHeight;
    }
    if (chartHeight > static_cast<float>(layout.visibleHeight)) {
        layout.vertical = true;
        layout.visibleWidth -= QPGanttScrollLayout::kVerticalBarWidth;
    }
    layout.visibleWidth = std::max(layout.visibleWidth, 0);
    layout.visibleHeight = std::max(layout.visibleHeight, 0);
    return layout;
}

int QPGanttClampScrollPosition(int position, int extent, int thumb)
{
    if (position + thumb > extent)
        position = extent - thumb;
    return std::max(position, 0);
}
