#pragma once

#include "framework/LGraphicsPath.h"
#include "framework/LSurface.h"
#include "model/LDateTime.h"
#include "views/LSceneNode.h"

#include <cstdint>
#include <string>

class QPProjectBase;
class QPProjectOptions;
class QPTask;

// Scales of the calendar columns; the chart uses days only.
enum eColumnScale : int32_t {
    eColumnScaleDays = 0,
};

// The chart's measures, in scene units (a screen pixel, a PDF point).
namespace QPGanttGeometry {
inline constexpr float kDayWidth = 20;
inline constexpr float kStripHeight = 30;
inline constexpr float kRowHeight = 21;
inline constexpr float kDateLabelWidth = 90;
inline constexpr float kDateLabelHeight = 15;
inline constexpr float kLabelCharWidth = 8;
inline constexpr float kLabelGap = 10;
inline constexpr float kBottomMargin = 5;
inline constexpr float kMarkerWidth = 4;
// The most days one calendar strip holds, and the most lead-in days: a little over a
// century, far beyond any real plan, so that a damaged date cannot make the chart build
// millions of columns.
inline constexpr int64_t kMaxCalendarDays = 40000;
} // namespace QPGanttGeometry

// The chart's colours.
namespace QPGanttColours {
inline constexpr LColor kBackground{240, 245, 252};
inline constexpr LColor kTask{71, 141, 255};
inline constexpr LColor kCriticalTask{208, 37, 36};
inline constexpr LColor kMilestone{0, 0, 0};
inline constexpr LColor kCriticalMilestone{146, 26, 26};
inline constexpr LColor kConflictMark{255, 240, 0};
inline constexpr LColor kSlack{194, 194, 194};
inline constexpr LColor kDependency{0, 0, 0};
inline constexpr LColor kProjectStart{16, 228, 90};
inline constexpr LColor kToday{245, 193, 13};
inline constexpr LColor kDeadline{19, 29, 81};
inline constexpr LColor kProjectedFinish{139, 13, 245};
} // namespace QPGanttColours

// A node with a size. Its bounding rectangle is (0, 0, width, height).
class QPSceneNode : public LSceneNode {
public:
    LSceneNode* HitTest(float x, float y) override;
    LRectF GetBoundingRect() const override { return {0, 0, width, height}; }
    // Moves every child, with its subtree, by (dx, dy).
    virtual void MoveChildNodes(float dx, float dy);

    float width = 0;
    float height = 0;
};

// One day's column of the calendar: its weekday letter, and the grid lines (a full-height
// line on the left where a week starts).
class QPColumnHeaderNode : public QPSceneNode {
public:
    QPColumnHeaderNode(std::string text, bool weekStart);

    std::string text;
    bool weekStart = false;
    eColumnScale scale = eColumnScaleDays;

protected:
    void DrawContent(LSurface& surface, const LMatrix& matrix) override;
    LRectF GetPaintRect() const override;
};

// The date over a Sunday's column.
class QPHeaderLabelNode : public QPSceneNode {
public:
    explicit QPHeaderLabelNode(std::string text);

    std::string text;

protected:
    void DrawContent(LSurface& surface, const LMatrix& matrix) override;
    LRectF GetPaintRect() const override;
};

// A run of day columns.
class QPCalendarStripNode : public QPSceneNode {
public:
    // Adds a column for every day from `first`'s day to the Saturday on or after `last`,
    // which `last` is moved to, with the date over each Sunday.
    void AddColumns(const QPProjectOptions& options, LDateTime first, LDateTime& last);
    // Adds `count` columns from `first`'s day on.
    void AddDayColumns(const QPProjectOptions& options, LDateTime first, int64_t count);

    eColumnScale scale = eColumnScaleDays;
};

// A task's name or its resources, beside or inside its bar.
class QPTaskLabelNode : public QPSceneNode {
public:
    QPTaskLabelNode(std::string text, LColor colour, bool leftAligned);

    std::string text;
    LColor colour;
    bool leftAligned = true;

protected:
    void DrawContent(LSurface& surface, const LMatrix& matrix) override;
    LRectF GetPaintRect() const override;
};

// An arrow from a predecessor's bar to its successor's, owned by the successor's node.
class QPTaskDependencyNode : public QPSceneNode {
public:
    // The path is in the node's frame.
    LGraphicsPath path;

protected:
    void DrawContent(LSurface& surface, const LMatrix& matrix) override;
    LRectF GetPaintRect() const override;
};

// One task's row: its bar (a bar, a diamond for a milestone, a bracket for a header), the
// slack tail and the conflict mark, with its labels and incoming arrows as children.
class QPTaskNode : public QPSceneNode {
public:
    explicit QPTaskNode(const QPTask& task);

    // The shapes for the current bar width, bar height and slack width.
    void PlotGraphicPaths();
    // Deletes the arrows, keeping the labels.
    void DeleteDependencyNodes();
    // Adds the arrow from `predecessor`'s bar for a dependency of this type.
    void AddDependencyNode(const QPTaskNode& predecessor, int32_t dependencyType);

    int64_t taskKey = -1;
    bool critical = false;
    bool resourceConflict = false;
    bool milestone = false;
    bool isHeader = false;
    float slackWidth = -1;
    float barWidth = 0;
    float barHeight = 0;
    LColor normalColour;
    LColor criticalColour;
    QPTaskLabelNode* nameLabel = nullptr;
    QPTaskLabelNode* resourceLabel = nullptr;
    LGraphicsPath shapePath;
    LGraphicsPath conflictPath;
    LGraphicsPath slackPath;

protected:
    void DrawContent(LSurface& surface, const LMatrix& matrix) override;
    LRectF GetPaintRect() const override;
};

// The rows of the chart.
class QPTaskChartNode : public QPSceneNode {};

// A coloured vertical line over the whole chart on a date.
class QPDateHighlightNode : public QPSceneNode {
public:
    explicit QPDateHighlightNode(LColor colour) : colour(colour) {}

    LColor colour;

protected:
    void DrawContent(LSurface& surface, const LMatrix& matrix) override;
    LRectF GetPaintRect() const override;
};

// The root of the chart: the calendar strip over the task rows, the date markers under
// everything, and the extra strips of lead-in days and of days up to the deadline.
class QPCalendarChartNode : public QPSceneNode {
public:
    QPCalendarChartNode();

    // Draws in the chart's font for the surface: the system's interface font on screen,
    // Helvetica in documents, both 11 points.
    void Draw(LSurface& surface, const LMatrix& matrix, const LRectF* clip = nullptr) override;

    // Starts a new chart for the days from `start` to `finish`: the previous markers and
    // extra strips go, the main strip is filled anew.
    void SetChartDuration(const QPProjectOptions& options, LDateTime start, LDateTime finish);
    // Deletes every task row.
    void ClearTaskChart();
    // Adds the row of `task` as row number `row` (from 1), in the project's context for
    // the resource names.
    QPTaskNode& AddTaskNode(const QPProjectBase& project, const QPTask& task, int row);
    // Lead-in days for labels that stick out to the left, the extension to the deadline
    // and the four date markers.
    void PadCalendar(const QPProjectOptions& options, LDateTime deadline, LDateTime projectedFinish,
                     LDateTime today);
    // The first row, in row order, whose bar holds the scene point; none elsewhere.
    QPTaskNode* GetTaskNodeByPosition(float x, float y) const;

    LDateTime chartStart;
    LDateTime chartFinish;
    QPCalendarStripNode* mainStrip = nullptr;
    QPTaskChartNode* taskChart = nullptr;
    eColumnScale scale = eColumnScaleDays;
};

// The font the chart draws its text in on this kind of surface.
LFont QPGanttFont(const LSurface& surface);
