#pragma once

#include "views/LSceneView.h"
#include "views/QPGanttNodes.h"

#include <cstdint>
#include <vector>

class QPProjectBase;

// What the chart asks of the window it lives in.
class QPGanttInterface {
public:
    virtual ~QPGanttInterface() = default;
    // A click on a task's bar: select the task and open its editor.
    virtual void GanttViewSelectTask(int64_t taskKey) = 0;
};

// The Gantt chart: rebuilt as a whole from the project after every change, drawn on the
// screen (scrolled by the view's offsets) or into a document at one unit to a point, on one
// page the size of the chart when it fits on one (QPGanttPages).
class QPGanttView : public LSceneView {
public:
    explicit QPGanttView(QPGanttInterface& owner);
    ~QPGanttView() override;

    // Rebuilds the scene: the calendar from the project's start to its projected finish
    // (or deadline), a row per shown task, the arrows, the lead-in days and the markers.
    // "Today" is LDateTime::Now() unless given.
    void PlotProject(const QPProjectBase& project);
    void PlotProject(const QPProjectBase& project, LDateTime today);

    void Prepaint(LSurface& surface, const LRectF* exposed) override;
    // Selects the task whose bar is under the device point.
    void EvLButtonDown(int x, int y) override;
    // Writes the chart on the pages QPGanttPages gives for its whole units, each page as
    // large as the part it shows, in points. False when a page could not be started.
    bool Draw(LSurface& document, const LMatrix& matrix);

    QPCalendarChartNode& Root() { return *root_; }
    const QPCalendarChartNode& Root() const { return *root_; }

private:
    void PlotDependencies(const QPProjectBase& project);

    QPGanttInterface& owner_;
    std::unique_ptr<QPCalendarChartNode> root_;
};

// The most a chart's document page measures either way, in points: common PDF readers
// refuse pages over 200 inches.
inline constexpr float kGanttMaxPageSize = 14400;

// One document page of the chart, `width` × `height`: the date strip over the chart's
// columns from `x`, and under the strip the chart's rows from `y` down. On the top row of
// pages `y` is the strip's height, so the page is simply that part of the chart; lower
// pages repeat the strip, so that every page can be read on its own.
struct QPGanttPage {
    float x = 0;
    float y = 0;
    float width = 0;
    float height = 0;
    friend bool operator==(const QPGanttPage&, const QPGanttPage&) = default;
};

// The pages of a chart of `width` × `height` whole units, left to right, then top to
// bottom: one page of the chart's size when it fits within kGanttMaxPageSize, else as few
// as it takes, of equal whole weeks across and equal whole rows down.
std::vector<QPGanttPage> QPGanttPages(float width, float height);

// Where the chart's scroll bars go in a pane of `width` × `height` pixels: a horizontal bar
// 16 tall when the chart is wider than the pane, then a vertical bar 15 wide when it is
// taller than what the horizontal bar leaves (the horizontal decision stands even when the
// vertical bar then narrows the pane). Each bar runs over the chart's extent with a thumb
// as large as the visible part.
struct QPGanttScrollLayout {
    bool horizontal = false;
    bool vertical = false;
    int visibleWidth = 0;
    int visibleHeight = 0;
    int horizontalExtent = 0;
    int verticalExtent = 0;

    static constexpr int kHorizontalBarHeight = 16;
    static constexpr int kVerticalBarWidth = 15;
};
QPGanttScrollLayout QPGanttLayoutScrollBars(float chartWidth, float chartHeight, int width,
                                            int height);
// A scroll position kept inside the extent: a thumb past the end comes back to end there.
int QPGanttClampScrollPosition(int position, int extent, int thumb);
