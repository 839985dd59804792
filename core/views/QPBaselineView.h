#pragma once

#include "framework/LGraphicsPath.h"
#include "framework/LSurface.h"
#include "model/LDateTime.h"
#include "views/LSceneView.h"
#include "views/QPGanttNodes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QPBaseline;
class QPProjectBase;
class QPTask;

// The baseline comparison: the current plan set against one baseline, task by task, on
// fixed pages that the user steps through and that print and save as PDF one page each.

namespace QPBaselineGeometry {
inline constexpr float kPageWidth = 1282;
inline constexpr float kPageHeight = 1636;
inline constexpr float kTableX = 50;
inline constexpr float kTableY = 50;
inline constexpr float kTableWidth = 1182;
inline constexpr float kRowHeight = 32;
// Table y of the page number row, which ends at the bottom of the page.
inline constexpr float kPageNumberRowY = 1554;
inline constexpr float kChartWidth = 372;
inline constexpr int kRowsPerPage = 46;
// Pages print and save at this scale, 1282 × 1636 becoming about 775 × 989 on US Letter.
inline constexpr float kPrintScale = 0.6047f;
} // namespace QPBaselineGeometry

namespace QPBaselineColours {
inline constexpr LColor kName{240, 245, 252};
inline constexpr LColor kCurrent{71, 141, 255};
inline constexpr LColor kBaseline{0, 196, 79};
inline constexpr LColor kVariance{254, 249, 56};
inline constexpr LColor kScaleLine{200, 200, 200};
} // namespace QPBaselineColours

enum LAlignmentX : int32_t { eAlignLeft = 0, eAlignCentre = 1, eAlignRight = 2 };
enum LAlignmentY : int32_t { eAlignTop = 0, eAlignMiddle = 1 };

// A row of cells, 32 tall, cells side by side.
class QPBaselineRowNode : public QPSceneNode {};

// A cell: an optional background, its contents and a 1-unit black border. The border path
// starts as the cell's rectangle; a scale label keeps only the line at its left edge.
class QPBaselineCellNode : public QPSceneNode {
public:
    QPBaselineCellNode(float width, float height);

    LGraphicsPath borderPath;
    LColor fillColour;
    bool fill = false;
    bool border = true;

protected:
    // Background, contents, border, in this order.
    void DrawContent(LSurface& surface, const LMatrix& matrix) final;
    virtual void DrawCellContents(LSurface&, const LMatrix&) {}
};

class QPBaselineTextCellNode : public QPBaselineCellNode {
public:
    QPBaselineTextCellNode(float width, float height, std::string text, LAlignmentX alignX,
                           LAlignmentY alignY);

    float marginX = 2;
    float marginY = 2;
    LAlignmentX alignX = eAlignLeft;
    LAlignmentY alignY = eAlignMiddle;
    std::string text;
    // Shorter forms of the text, tried in turn when the text does not fit the cell.
    std::vector<std::string> shorterTexts;
    // When no form fits: true shows as much of the last form as fits, ended by "…";
    // false shows nothing (a date is no use in part).
    bool elide = true;

    // What the cell shows with the surface's font: the first form that fits the cell
    // whole (one line where the cell is lower than two), else as described for `elide`.
    std::string ShownText(LSurface& surface) const;

protected:
    void DrawCellContents(LSurface& surface, const LMatrix& matrix) override;
};

// The two bars of one task: the current one (71, 141, 255) and the baseline's
// (0, 196, 79). No background.
class QPBaselineTaskCellNode : public QPBaselineCellNode {
public:
    QPBaselineTaskCellNode(float width, float height, const QPTask* baselineTask,
                           const QPTask& currentTask, const LDateTime& chartStart,
                           const LDateTime& chartEnd);
    // Builds the bars as task nodes; none when the range is below one second.
    void Init();

    const QPTask* baselineTask;
    const QPTask& currentTask;
    const LDateTime& chartStart;
    const LDateTime& chartEnd;
};

// The time scale above the bars: days, months or years by how many units a day gets.
class QPBaselineChartHeaderNode : public QPBaselineCellNode {
public:
    QPBaselineChartHeaderNode(float width, float height, const QPProjectBase& project,
                              const LDateTime& chartStart, const LDateTime& chartEnd);
    // Builds the cells and labels; appends the x of every day, month or year cell (in the
    // cell's own frame) to `scaleLines`.
    void Init(std::vector<float>& scaleLines);

    const QPProjectBase& project;
    const LDateTime& chartStart;
    const LDateTime& chartEnd;
};

// One page: title, header, up to 46 task rows, scale lines and the page number.
class QPBaselineTableNode : public QPSceneNode {
public:
    QPBaselineTableNode(const QPProjectBase& project, const QPBaseline& baseline);

    // The chart range of the page (see QPBaselineChartRange).
    void CalculateChartRange();
    // The x of the chart's scale lines (in the table's frame) and their path, drawn before
    // the cells from the top of the header row to the bottom of the last row.
    void PlotScaleLines();

    const QPProjectBase& project;
    const QPBaseline& baseline;
    LDateTime chartStart;
    LDateTime chartEnd;
    std::vector<float> scaleLines;
    LGraphicsPath scaleLinePath;

protected:
    void DrawContent(LSurface& surface, const LMatrix& matrix) override;
};

// The root: draws only the current page.
class QPBaselineRootNode : public QPSceneNode {
public:
    QPBaselineRootNode(const int32_t& currentPage, const QPProjectBase& project,
                       const QPBaseline& baseline);

    // The page on show, or none (before the first build, or a number past the last page).
    QPBaselineTableNode* GetCurrentTable() const;

    const int32_t& currentPage;
    const QPProjectBase& project;
    const QPBaseline& baseline;

    // A page is a few hundred items, so it is always drawn whole; `clip` is not needed.
    void Draw(LSurface& surface, const LMatrix& matrix, const LRectF* clip = nullptr) override;
};

// The comparison's text: bold 11 points, in the system's interface font on screen and in
// Helvetica in documents, as the chart's text.
LFont QPBaselineFont(const LSurface& surface);

// The chart range of a comparison: the earlier project start (00:00) to the later project
// finish (23:59:59), widened to the earliest task start; over 31 days to whole months;
// over 365 days further out towards whole years.
void QPBaselineChartRange(const QPProjectBase& project, const QPBaseline& baseline,
                          LDateTime& start, LDateTime& end);

class QPBaselineView : public LSceneView {
public:
    QPBaselineView(const QPProjectBase& project, const QPBaseline& baseline);
    ~QPBaselineView() override;

    // Builds every page, once; the current page becomes 1. "Today" in the title is
    // LDateTime::Now() unless given.
    void PlotComparison();
    void PlotComparison(LDateTime today);

    int32_t GetNumberOfTables() const;
    int32_t GetCurrentTable() const { return currentPage_; }
    void SetCurrentTable(int32_t page, bool redraw);
    // Next and previous page, within 1 to the number of pages.
    void CmShowNextTable(bool redraw);
    void CmShowPreviousTable(bool redraw);
    bool CanShowNextTable() const;
    bool CanShowPreviousTable() const;

    // "Baseline Comparison: %s" with the baseline's name.
    std::string GetCaption() const;
    std::string GetTitle() const { return title_; }

    // The screen: cleared to the background, the current page drawn at the scroll offsets.
    void Prepaint(LSurface& surface, const LRectF* exposed) override;
    // Every page on a page of its own at the print scale, the current page restored after.
    // False when a page could not be started.
    bool Draw(LSurface& document, const LMatrix& matrix);

    QPBaselineRootNode& Root() { return *root_; }

private:
    const QPProjectBase& project_;
    const QPBaseline& baseline_;
    int32_t currentPage_ = 0;
    std::string title_;
    std::unique_ptr<QPBaselineRootNode> root_;
};
