#include "views/QPGanttView.h"

#include "framework/LSurface.h"
#include "model/QPProjectBase.h"
#include "views/QPSubtaskHiding.h"

#include <cmath>
#include <unordered_map>

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
    document.SetPageSize(static_cast<float>(static_cast<int>(root_->width)),
                         static_cast<float>(static_cast<int>(root_->height)), LPageUnit::Point);
    if (!document.StartPage())
        return false;
    root_->Draw(document, matrix);
    document.EndPage();
    return true;
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
