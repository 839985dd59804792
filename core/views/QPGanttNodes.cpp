#include "views/QPGanttNodes.h"

#include "engine/LLocalDays.h"
#include "framework/LFixedText.h"
#include "model/QPProjectBase.h"
#include "model/QPTask.h"
#include "views/QPDataPanelRows.h"

#include <algorithm>
#include <cmath>
#include <vector>

using namespace QPGanttGeometry;

namespace {

// How far text of `text`'s length may reach: no glyph of the chart's 11-point fonts is
// wider than this, so a subtree whose text reach misses the painted area draws nothing
// in it.
constexpr float kTextReachPerChar = 20;
// Text drawn at a label's y 3 ends above this, with room for descenders.
constexpr float kTextReachHeight = 24;

float TextReach(const std::string& text)
{
    return kTextReachPerChar * static_cast<float>(LUtf8Length(text));
}

float LabelWidth(const std::string& text)
{
    return kLabelCharWidth * static_cast<float>(LUtf8Length(text));
}

LRectF Grown(LRectF rect, float by)
{
    return {rect.x - by, rect.y - by, rect.width + 2 * by, rect.height + 2 * by};
}

int64_t ClampDays(int64_t days)
{
    return std::clamp<int64_t>(days, -kMaxCalendarDays, kMaxCalendarDays);
}

// The first letters of "Sun", "Mon", ... "Sat".
constexpr const char* kWeekdayLetters[7] = {"S", "M", "T", "W", "T", "F", "S"};

} // namespace

LFont QPGanttFont(const LSurface& surface)
{
    return surface.IsDocument() ? LFont{"Helvetica", 11} : LFont{"", 11};
}

// --- QPSceneNode -------------------------------------------------------------------------

LSceneNode* QPSceneNode::HitTest(float x, float y)
{
    if (LSceneNode* child = LSceneNode::HitTest(x, y))
        return child;
    return (x >= 0 && x <= width && y >= 0 && y <= height) ? this : nullptr;
}

void QPSceneNode::MoveChildNodes(float dx, float dy)
{
    for (const auto& child : Children())
        child->MoveBy(dx, dy);
}

// --- calendar ----------------------------------------------------------------------------

QPColumnHeaderNode::QPColumnHeaderNode(std::string text, bool weekStart)
    : text(std::move(text)), weekStart(weekStart)
{
    width = kDayWidth;
    height = kStripHeight;
}

void QPColumnHeaderNode::DrawContent(LSurface& surface, const LMatrix& matrix)
{
    surface.TransformReset(matrix);
    if (weekStart)
        surface.DrawLine(0, 0, 0, height);
    else
        surface.DrawLine(0, height / 2, 0, height);
    surface.DrawLine(0, height, width, height);
    surface.DrawLine(width, height / 2, width, height);
    surface.SetTextBlack();
    const float textWidth = surface.MeasureText(text).width;
    surface.DrawText(text, static_cast<float>(static_cast<int>((width - textWidth) / 2)),
                     height - 15);
}

LRectF QPColumnHeaderNode::GetPaintRect() const
{
    return Grown({0, 0, width, height}, 1);
}

QPHeaderLabelNode::QPHeaderLabelNode(std::string text) : text(std::move(text))
{
    width = kDateLabelWidth;
    height = kDateLabelHeight;
}

void QPHeaderLabelNode::DrawContent(LSurface& surface, const LMatrix& matrix)
{
    surface.TransformReset(matrix);
    surface.SetTextBlack();
    surface.DrawText(text, surface.IsDocument() ? 3 : 0, 0);
}

LRectF QPHeaderLabelNode::GetPaintRect() const
{
    return {-1, -1, std::max(width, TextReach(text) + 3) + 2, kTextReachHeight};
}

void QPCalendarStripNode::AddColumns(const QPProjectOptions& options, LDateTime first,
                                     LDateTime& last)
{
    for (int step = 0; step < 7 && LLocalDays::Weekday(last) != 6; ++step)
        last = LLocalDays::AddDays(last, 1);
    AddDayColumns(options, first, LLocalDays::DaysBetween(first, last) + 1);
}

void QPCalendarStripNode::AddDayColumns(const QPProjectOptions& options, LDateTime first,
                                        int64_t count)
{
    count = std::min(count, kMaxCalendarDays);
    float x = 0;
    LDateIterator day(first);
    for (int64_t i = 0; i < count; ++i, day.Next()) {
        const int weekday = LLocalDays::Weekday(day.Get());
        if (weekday == 0) {
            auto label = std::make_unique<QPHeaderLabelNode>(options.FormatDate(day.Get()));
            label->SetPosition(x, 0);
            AddNodeTop(std::move(label));
        }
        auto column = std::make_unique<QPColumnHeaderNode>(kWeekdayLetters[weekday], weekday == 0);
        column->scale = scale;
        column->SetPosition(x, 0);
        AddNodeTop(std::move(column));
        x += kDayWidth;
    }
    height = kStripHeight;
    width = x;
}

// --- task rows ---------------------------------------------------------------------------

QPTaskLabelNode::QPTaskLabelNode(std::string text, LColor colour, bool leftAligned)
    : text(std::move(text)), colour(colour), leftAligned(leftAligned)
{
    width = LabelWidth(this->text);
    height = kRowHeight;
}

void QPTaskLabelNode::DrawContent(LSurface& surface, const LMatrix& matrix)
{
    surface.TransformReset(matrix);
    surface.SetTextColor(colour);
    if (leftAligned) {
        surface.DrawText(text, 0, 3);
        return;
    }
    // In a document the text keeps 3 more units from the bar.
    float textWidth = surface.MeasureText(text).width;
    if (surface.IsDocument())
        textWidth += 3;
    surface.DrawText(text, static_cast<float>(static_cast<int>(width - textWidth)), 3);
}

LRectF QPTaskLabelNode::GetPaintRect() const
{
    const float reach = std::max(width, TextReach(text) + 3) + 2;
    return leftAligned ? LRectF{-1, -1, reach, kTextReachHeight}
                       : LRectF{width + 1 - reach, -1, reach, kTextReachHeight};
}

void QPTaskDependencyNode::DrawContent(LSurface& surface, const LMatrix& matrix)
{
    surface.TransformReset(matrix);
    surface.DrawPath(QPGanttColours::kDependency, path, 1.0f);
    surface.FillPath(QPGanttColours::kDependency, path);
}

LRectF QPTaskDependencyNode::GetPaintRect() const
{
    return path.IsEmpty() ? LRectF{} : Grown(path.Bounds(), 2);
}

QPTaskNode::QPTaskNode(const QPTask& task)
    : taskKey(task.key), critical(task.freeSlack <= 1 && task.totalSlack <= 1),
      resourceConflict(task.resourceConflict), milestone(task.milestone), isHeader(task.isHeader),
      normalColour(task.milestone ? QPGanttColours::kMilestone : QPGanttColours::kTask),
      criticalColour(task.milestone ? QPGanttColours::kCriticalMilestone
                                    : QPGanttColours::kCriticalTask)
{}

void QPTaskNode::PlotGraphicPaths()
{
    shapePath.Reset();
    conflictPath.Reset();
    slackPath.Reset();
    const float w = barWidth;
    const float h = barHeight;
    if (milestone) {
        const LPointF diamond[] = {{w / 2, 0}, {w, 10.5f}, {w / 2, 21}, {0, 10.5f}, {w / 2, 0}};
        shapePath.AddLines(diamond, 5);
    } else if (isHeader) {
        shapePath.AddRectangle(0, 0, w, 5.25f);
        shapePath.AddRectangle(0, 5.25f, 5, 15.75f);
        shapePath.AddRectangle(w - 5, 5.25f, 5, 15.75f);
    } else {
        shapePath.AddRectangle(0, 4, w, h - 7);
        if (resourceConflict) {
            conflictPath.AddLine(w - 10, h - 12, w - 2, h - 4);
            conflictPath.AddLine(w - 10, h - 4, w - 2, h - 12);
        }
        if (slackWidth > 0)
            slackPath.AddRectangle(w + 1, height - 7, slackWidth, 4);
    }
    InvalidatePaintRect();
}

void QPTaskNode::DeleteDependencyNodes()
{
    DeleteChildrenIf([this](const LSceneNode& child) {
        return &child != nameLabel && &child != resourceLabel;
    });
}

void QPTaskNode::AddDependencyNode(const QPTaskNode& predecessor, int32_t dependencyType)
{
    const bool fromStart = dependencyType == eStartToStart || dependencyType == eStartToFinish;
    const bool toFinish = dependencyType == eFinishToFinish || dependencyType == eStartToFinish;
    const float px = predecessor.GetX();
    const float py = predecessor.GetY();
    const float sx = GetX();
    const float sy = GetY();
    const float pMiddle = py + kRowHeight / 2;
    const float sMiddle = sy + kRowHeight / 2;

    // Out of the predecessor's finish (or start), into the successor's start (or finish),
    // with a stub of 10 at each end.
    const float x0 = fromStart ? px : px + predecessor.barWidth;
    const float x1 = fromStart ? x0 - 10 : x0 + 10;
    const float edge = toFinish ? sx + barWidth : sx;
    const float x2 = toFinish ? edge + 10 : edge - 10;
    const float x3 = toFinish ? edge + 6 : edge - 6;
    // The run between the stubs follows the bottom of the predecessor's row when the
    // successor lies below it, else its top.
    const float channel = sy > pMiddle ? py + kRowHeight : py + 2;

    auto node = std::make_unique<QPTaskDependencyNode>();
    const float nx = std::min(px, sx) - (fromStart ? 10 : 0);
    const float ny = std::min(py, sy);
    LGraphicsPath& path = node->path;
    path.AddLine(x0 - nx, pMiddle - ny, x1 - nx, pMiddle - ny);
    path.AddLine(x1 - nx, pMiddle - ny, x1 - nx, channel - ny);
    path.AddLine(x1 - nx, channel - ny, x2 - nx, channel - ny);
    path.AddLine(x2 - nx, channel - ny, x2 - nx, sMiddle - ny);
    path.AddLine(x2 - nx, sMiddle - ny, x3 - nx, sMiddle - ny);
    const LPointF head[] = {{x3 - nx, sMiddle - 4 - ny},
                            {edge - nx, sMiddle - ny},
                            {x3 - nx, sMiddle + 4 - ny},
                            {x3 - nx, sMiddle - 4 - ny}};
    path.AddLines(head, 4);
    const LRectF bounds = path.Bounds();
    node->width = bounds.Right();
    node->height = bounds.Bottom();

    LSceneNode& added = AddNodeTop(std::move(node));
    added.SetPosition(nx, ny);
}

void QPTaskNode::DrawContent(LSurface& surface, const LMatrix& matrix)
{
    surface.TransformReset(matrix);
    const LColor colour = critical ? criticalColour : normalColour;
    // The screen outlines the shape too, so that its edges stay sharp; a document's fill
    // is sharp at any size.
    if (!surface.IsDocument())
        surface.DrawPath(colour, shapePath, 1.0f);
    surface.FillPath(colour, shapePath);
    if (milestone)
        return;
    if (!conflictPath.IsEmpty())
        surface.DrawPath(QPGanttColours::kConflictMark, conflictPath, 1.0f);
    if (slackWidth > 0) {
        surface.DrawPath(QPGanttColours::kSlack, slackPath, 1.0f);
        surface.FillPath(QPGanttColours::kSlack, slackPath);
    }
}

LRectF QPTaskNode::GetPaintRect() const
{
    return Grown({0, 0, barWidth + std::max(slackWidth, 0.0f) + 1, kRowHeight}, 2);
}

void QPDateHighlightNode::DrawContent(LSurface& surface, const LMatrix& matrix)
{
    surface.TransformReset(matrix);
    surface.FillRect(colour, 0, 0, width, height);
}

LRectF QPDateHighlightNode::GetPaintRect() const
{
    return Grown({0, 0, width, height}, 1);
}

// --- the chart ---------------------------------------------------------------------------

QPCalendarChartNode::QPCalendarChartNode()
{
    mainStrip = &AddTop(std::make_unique<QPCalendarStripNode>());
    taskChart = &AddTop(std::make_unique<QPTaskChartNode>());
}

void QPCalendarChartNode::Draw(LSurface& surface, const LMatrix& matrix, const LRectF* clip)
{
    surface.SetFont(QPGanttFont(surface));
    surface.TransformReset(matrix);
    LSceneNode::Draw(surface, matrix, clip);
}

void QPCalendarChartNode::SetChartDuration(const QPProjectOptions& options, LDateTime start,
                                           LDateTime finish)
{
    chartStart = start;
    chartFinish = finish;
    DeleteChildrenIf(
            [this](const LSceneNode& child) { return &child != mainStrip && &child != taskChart; });
    SetChildLocalPosition(*mainStrip, 0, 0);
    mainStrip->DeleteChildren();
    mainStrip->width = 0;
    mainStrip->AddColumns(options, chartStart, chartFinish);
    width = mainStrip->width;
    height = mainStrip->height;
}

void QPCalendarChartNode::ClearTaskChart()
{
    taskChart->DeleteChildren();
    taskChart->width = 0;
    taskChart->height = 0;
}

QPTaskNode& QPCalendarChartNode::AddTaskNode(const QPProjectBase& project, const QPTask& task,
                                             int row)
{
    SetChildLocalPosition(*taskChart, 0, kStripHeight);
    auto created = std::make_unique<QPTaskNode>(task);

    // Bars sit in the columns of the calendar days they cover, counted as calendar days so
    // that a daylight-saving change between the chart's start and the task cannot shift a
    // bar by a column.
    LDateTime displayStart = task.displayStart;
    if (!displayStart.IsSet())
        displayStart = task.start.IsSet() ? task.start : chartStart;
    const float x =
            kDayWidth *
            static_cast<float>(ClampDays(LLocalDays::DaysBetween(chartStart, displayStart)));
    const float y = kRowHeight * static_cast<float>(row);

    if (task.milestone) {
        created->barWidth = kDayWidth;
    } else {
        // Every day from the start's whose midnight comes before the finish: a task ending
        // on its first day is one day wide, one ending at midnight leaves the next day free.
        int64_t days = LLocalDays::DaysBetween(displayStart, task.finish);
        if (task.finish > LLocalDays::Midnight(task.finish))
            ++days;
        created->barWidth =
                kDayWidth * static_cast<float>(std::clamp<int64_t>(days, 1, kMaxCalendarDays));
    }
    created->barHeight = kRowHeight;
    // A slack tail of every started day of free slack, one unit short of the days so that
    // it stays clear of the next column.
    created->slackWidth = -1;
    if (task.freeSlack > 0)
        created->slackWidth +=
                kDayWidth * static_cast<float>((int64_t{task.freeSlack} + 86399) / 86400);
    created->width = created->barWidth + created->slackWidth;
    created->height = kRowHeight;
    created->PlotGraphicPaths();

    created->SetPosition(x, y);
    QPTaskNode& node = taskChart->AddTop(std::move(created));

    // The name goes inside the bar when it fits with a margin, else before the bar.
    std::string name = task.name.str();
    const float nameWidth = LabelWidth(name);
    if (node.milestone || 5 + nameWidth > node.barWidth) {
        auto label = std::make_unique<QPTaskLabelNode>(std::move(name), LColor::Black(), false);
        label->SetPosition(-(kLabelGap + nameWidth), 1);
        node.nameLabel = &node.AddTop(std::move(label));
    } else {
        const LColor colour = node.isHeader ? LColor::Black() : LColor::White();
        auto label = std::make_unique<QPTaskLabelNode>(std::move(name), colour, true);
        label->SetPosition(5, 1);
        node.nameLabel = &node.AddTop(std::move(label));
    }

    float rightExtent = x + node.width;
    if (!task.resourceAssignments.empty()) {
        std::string text = QPResourceAssignmentsText(project, task);
        if (LUtf8Length(text) > 254)
            text = std::string(LUtf8Prefix(text, 253)) + "...";
        auto label = std::make_unique<QPTaskLabelNode>(std::move(text), LColor::Black(), true);
        label->SetPosition(node.barWidth + kLabelGap, 1);
        node.resourceLabel = &node.AddTop(std::move(label));
        rightExtent += kLabelGap + node.resourceLabel->width;
    }

    taskChart->width = std::max(taskChart->width, rightExtent);
    taskChart->height = std::max(taskChart->height, y + kRowHeight);
    width = std::max(width, taskChart->width);
    height = std::max(height, taskChart->height + kStripHeight);
    return node;
}

void QPCalendarChartNode::PadCalendar(const QPProjectOptions& options, LDateTime deadline,
                                      LDateTime projectedFinish, LDateTime today)
{
    // Labels (and arrows) that stick out to the left of the first day get lead-in days,
    // back to a Sunday, so that the calendar shows whole weeks.
    float leftmost = 0;
    for (const auto& row : taskChart->Children())
        for (const auto& child : row->Children())
            leftmost = std::min(leftmost, child->GetX() - GetX());
    const int64_t leadInDays = std::min<int64_t>(
            static_cast<int64_t>(std::ceil(-leftmost / kDayWidth)), kMaxCalendarDays);
    LDateTime leadInStart = LLocalDays::AddDays(chartStart, -leadInDays);
    int64_t movedBack = leadInDays;
    while (LLocalDays::Weekday(leadInStart) != 0) {
        leadInStart = LLocalDays::AddDays(leadInStart, -1);
        ++movedBack;
    }
    const float leadInWidth = kDayWidth * static_cast<float>(movedBack);
    if (leadInWidth > 0)
        MoveChildNodes(leadInWidth, 0);

    auto columnOf = [&](LDateTime day) {
        return kDayWidth * static_cast<float>(ClampDays(LLocalDays::DaysBetween(leadInStart, day)));
    };
    // Markers go under everything else: each is put first, so the last one added is drawn
    // first. One that would cover a marker already placed (the projected finish on the
    // deadline's day, say, as in a new plan whose deadline is its first day) moves left
    // beside it, so that every marker stays visible.
    std::vector<float> placed;
    auto addMarker = [&](LColor colour, float x) {
        for (bool moved = true; moved;) {
            moved = false;
            for (const float other : placed)
                if (x > other - kMarkerWidth && x < other + kMarkerWidth) {
                    x = other - kMarkerWidth;
                    moved = true;
                }
        }
        placed.push_back(x);
        auto marker = std::make_unique<QPDateHighlightNode>(colour);
        marker->width = kMarkerWidth;
        marker->height = height - kBottomMargin;
        marker->SetPosition(x, 0);
        AddNodeBottom(std::move(marker));
    };

    addMarker(QPGanttColours::kProjectStart, columnOf(chartStart));

    // The extra strips stop short of the days the main strip already shows: a column
    // drawn twice looks the same in a document, but on screen its smoothed letter comes
    // out bold, as if that week were marked.
    if (leadInWidth > 0) {
        auto strip = std::make_unique<QPCalendarStripNode>();
        strip->AddDayColumns(options, leadInStart, movedBack);
        AddNodeTop(std::move(strip));
        // The chart now starts with its first whole week.
        LDateTime weekEnd = chartStart;
        while (LLocalDays::Weekday(weekEnd) != 6)
            weekEnd = LLocalDays::AddDays(weekEnd, 1);
        chartStart = weekEnd;
        width += leadInWidth;
    }

    if (deadline > chartFinish) {
        // The strip runs on to the Saturday after the deadline; the deadline itself stays
        // where it is, for its marker.
        const float x = columnOf(chartFinish);
        LDateTime stripEnd = deadline;
        auto strip = std::make_unique<QPCalendarStripNode>();
        strip->AddColumns(options, LLocalDays::AddDays(chartFinish, 1), stripEnd);
        strip->SetPosition(x + kDayWidth, 0);
        width = std::max(width, x + kDayWidth + strip->width);
        AddNodeTop(std::move(strip));
        chartFinish = stripEnd;
    }

    const int64_t todayColumn = LLocalDays::DaysBetween(leadInStart, today);
    if (todayColumn >= 0 && LLocalDays::DaysBetween(today, chartFinish) >= 0)
        addMarker(QPGanttColours::kToday, columnOf(today) + 8);
    addMarker(QPGanttColours::kDeadline, columnOf(deadline) + 17);
    addMarker(QPGanttColours::kProjectedFinish, columnOf(projectedFinish) + 17);
}

QPTaskNode* QPCalendarChartNode::GetTaskNodeByPosition(float x, float y) const
{
    for (const auto& child : taskChart->Children()) {
        auto* node = static_cast<QPTaskNode*>(child.get());
        if (node->GetX() <= x && x <= node->GetX() + node->barWidth && node->GetY() <= y &&
            y <= node->GetY() + kRowHeight)
            return node;
    }
    return nullptr;
}
