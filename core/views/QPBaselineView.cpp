#include "views/QPBaselineView.h"

#include "engine/LLocalDays.h"
#include "framework/LFixedText.h"
#include "model/QPBaseline.h"
#include "model/QPFormat.h"
#include "model/QPProjectBase.h"
#include "model/QPTask.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>

using namespace QPBaselineGeometry;

namespace {

constexpr float kScaleCellHeight = 16;
constexpr float kDayLabelWidth = 120;
// Bars are task nodes of this height, so their rectangle runs from 4 to 7 below the top.
constexpr float kBarNodeHeight = 10;
constexpr float kCurrentBarY = 4;
constexpr float kSingleBarY = 11;
constexpr float kBaselineBarY = 18;
constexpr int64_t kDaySeconds = 86400;
// A range beyond 31 days is shown in whole months, one beyond 365 days in whole years.
constexpr int64_t kMonthWideningSeconds = 31 * kDaySeconds;
constexpr int64_t kYearWideningSeconds = 365 * kDaySeconds;
// Years of a damaged date could otherwise make the time scale build cells without end;
// far more than 372 units can show apart.
constexpr int kMaxScaleCells = 1000;

constexpr const char* kWeekdayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

// The columns of every page, left to right; the chart column has no title of its own (its
// header is the time scale) and no background.
struct Column {
    const char* title;
    float width;
    bool filled;
    LColor colour;
    LAlignmentX align;
};
enum eColumn : int {
    eColumnName = 0,
    eColumnCurrentStart,
    eColumnCurrentFinish,
    eColumnCurrentDuration,
    eColumnChart,
    eColumnBaselineStart,
    eColumnBaselineFinish,
    eColumnBaselineDuration,
    eColumnVariance,
    eColumnCount
};
constexpr std::array<Column, eColumnCount> kColumns = {{
        {"Name", 200, true, QPBaselineColours::kName, eAlignLeft},
        {"Current Start", 100, true, QPBaselineColours::kCurrent, eAlignLeft},
        {"Current Finish", 100, true, QPBaselineColours::kCurrent, eAlignLeft},
        {"Current Duration", 70, true, QPBaselineColours::kCurrent, eAlignRight},
        {"", kChartWidth, false, {}, eAlignLeft},
        {"Baseline Start", 100, true, QPBaselineColours::kBaseline, eAlignLeft},
        {"Baseline Finish", 100, true, QPBaselineColours::kBaseline, eAlignLeft},
        {"Baseline Duration", 70, true, QPBaselineColours::kBaseline, eAlignRight},
        {"Variance", 70, true, QPBaselineColours::kVariance, eAlignRight},
}};

constexpr float ColumnX(int column)
{
    float x = 0;
    for (int i = 0; i < column; ++i)
        x += kColumns[static_cast<std::size_t>(i)].width;
    return x;
}
static_assert(ColumnX(eColumnCount) == kTableWidth);

constexpr float kTitleRowY = 0;
constexpr float kHeaderRowY = kRowHeight;
constexpr float kFirstTaskRowY = 2 * kRowHeight;
// A page takes task rows while the next one still ends at or above the page number row.
constexpr int RowsPerPage()
{
    int rows = 0;
    while (kFirstTaskRowY + kRowHeight * static_cast<float>(rows + 1) <= kPageNumberRowY)
        ++rows;
    return rows;
}
static_assert(RowsPerPage() == kRowsPerPage);

std::tm LocalFields(LDateTime t)
{
    std::tm fields{};
    const auto seconds = static_cast<std::time_t>(t.Get());
    localtime_r(&seconds, &fields);
    return fields;
}

// The local moment of these calendar fields (day-of-month and month may run over, as the
// C library rolls them), with daylight saving decided for that moment.
LDateTime LocalMoment(std::tm fields)
{
    fields.tm_isdst = -1;
    return LDateTime(static_cast<int64_t>(std::mktime(&fields)));
}

int DaysInMonth(const std::tm& fields)
{
    return LDateTime::GetNumberOfDaysInMonth(fields.tm_year + 1900, fields.tm_mon + 1);
}

LDateTime FirstDayOfMonth(LDateTime t)
{
    std::tm fields = LocalFields(t);
    fields.tm_mday = 1;
    return LocalMoment(fields);
}

LDateTime LastDayOfMonth(LDateTime t)
{
    std::tm fields = LocalFields(t);
    fields.tm_mday = DaysInMonth(fields);
    return LocalMoment(fields);
}

// Year-month-day, as the scale writes its dates ("2000-07-26").
std::string ScaleDate(LDateTime t)
{
    return QPFormatDate(2, 2, '-', t);
}

// The year of a scale date ("2000").
std::string YearOf(LDateTime t)
{
    const std::string date = ScaleDate(t);
    return date.substr(0, date.find('-'));
}

// Where a task's bar and dates begin: its first moment of work, or its start when a plan
// was never recalculated (an old file's baseline).
LDateTime ShownStart(const QPTask& task)
{
    return task.displayStart.IsSet() ? task.displayStart : task.start;
}

std::string DurationText(int64_t seconds)
{
    return QPFormatDurationToText(seconds, false);
}

std::unique_ptr<QPBaselineTextCellNode> MakeTextCell(float x, float y, float width, float height,
                                                     std::string text, LAlignmentX alignX,
                                                     LAlignmentY alignY)
{
    auto cell = std::make_unique<QPBaselineTextCellNode>(width, height, std::move(text), alignX,
                                                         alignY);
    cell->SetPosition(x, y);
    return cell;
}

// A row of the table at `y`, the full width of the table.
QPBaselineRowNode& AddRow(QPBaselineTableNode& table, float y)
{
    auto row = std::make_unique<QPBaselineRowNode>();
    row->width = kTableWidth;
    row->height = kRowHeight;
    row->SetPosition(0, y);
    return table.AddTop(std::move(row));
}

// A title or page-number row: one borderless cell across the table on the name column's
// colour.
void AddBannerRow(QPBaselineTableNode& table, float y, std::string text, LAlignmentX alignX,
                  LAlignmentY alignY)
{
    QPBaselineRowNode& row = AddRow(table, y);
    auto cell = MakeTextCell(0, 0, kTableWidth, kRowHeight, std::move(text), alignX, alignY);
    cell->fill = true;
    cell->fillColour = QPBaselineColours::kName;
    cell->border = false;
    row.AddTop(std::move(cell));
}

void AddColumnCell(QPBaselineRowNode& row, int column, std::string text, LAlignmentX alignX)
{
    const Column& layout = kColumns[static_cast<std::size_t>(column)];
    auto cell = MakeTextCell(ColumnX(column), 0, layout.width, kRowHeight, std::move(text), alignX,
                             eAlignMiddle);
    cell->fill = layout.filled;
    cell->fillColour = layout.colour;
    row.AddTop(std::move(cell));
}

void AddHeaderRow(QPBaselineTableNode& table)
{
    QPBaselineRowNode& row = AddRow(table, kHeaderRowY);
    for (int column = 0; column < eColumnCount; ++column) {
        if (column != eColumnChart) {
            // Titles are texts, not durations: all of them start at the left.
            AddColumnCell(row, column, kColumns[static_cast<std::size_t>(column)].title,
                          eAlignLeft);
            continue;
        }
        auto scale = std::make_unique<QPBaselineChartHeaderNode>(
                kChartWidth, kRowHeight, table.project, table.chartStart, table.chartEnd);
        scale->SetPosition(ColumnX(eColumnChart), 0);
        QPBaselineChartHeaderNode& added = row.AddTop(std::move(scale));
        std::vector<float> cellXs;
        added.Init(cellXs);
        for (float x : cellXs)
            table.scaleLines.push_back(ColumnX(eColumnChart) + x);
    }
}

// A data cell, aligned as its column's values are.
void AddValueCell(QPBaselineRowNode& row, int column, std::string text)
{
    AddColumnCell(row, column, std::move(text), kColumns[static_cast<std::size_t>(column)].align);
}

void AddTaskRow(QPBaselineTableNode& table, float y, const QPTask& task)
{
    const QPProjectOptions& options = table.project.options;
    const QPTask* baselineTask = table.baseline.tasks.GetElementByKey(task.key);
    QPBaselineRowNode& row = AddRow(table, y);

    const LDateTime start = ShownStart(task);
    AddValueCell(row, eColumnName, task.name.str());
    AddValueCell(row, eColumnCurrentStart, options.FormatDate(start));
    AddValueCell(row, eColumnCurrentFinish, options.FormatDate(task.finish));
    AddValueCell(row, eColumnCurrentDuration, DurationText(task.finish - start));

    auto bars = std::make_unique<QPBaselineTaskCellNode>(kChartWidth, kRowHeight, baselineTask,
                                                         task, table.chartStart, table.chartEnd);
    bars->SetPosition(ColumnX(eColumnChart), 0);
    row.AddTop(std::move(bars)).Init();

    if (!baselineTask) {
        for (int column = eColumnBaselineStart; column <= eColumnVariance; ++column)
            AddValueCell(row, column, "N/A");
        return;
    }
    const LDateTime baselineStart = ShownStart(*baselineTask);
    AddValueCell(row, eColumnBaselineStart, options.FormatDate(baselineStart));
    AddValueCell(row, eColumnBaselineFinish, options.FormatDate(baselineTask->finish));
    AddValueCell(row, eColumnBaselineDuration, DurationText(baselineTask->finish - baselineStart));
    AddValueCell(row, eColumnVariance, DurationText(task.finish - baselineTask->finish));
}

} // namespace

LFont QPBaselineFont(const LSurface& surface)
{
    return surface.IsDocument() ? LFont{"Helvetica", 11, true} : LFont{"", 11, true};
}

// --- cells -------------------------------------------------------------------------------

QPBaselineCellNode::QPBaselineCellNode(float width, float height)
{
    this->width = width;
    this->height = height;
    borderPath.AddRectangle(0, 0, width, height);
}

void QPBaselineCellNode::DrawContent(LSurface& surface, const LMatrix& matrix)
{
    surface.TransformReset(matrix);
    if (fill)
        surface.FillRect(fillColour, 0, 0, width, height);
    DrawCellContents(surface, matrix);
    if (border) {
        surface.TransformReset(matrix);
        surface.DrawPath(LColor::Black(), borderPath, 1.0f);
    }
}

QPBaselineTextCellNode::QPBaselineTextCellNode(float width, float height, std::string text,
                                               LAlignmentX alignX, LAlignmentY alignY)
    : QPBaselineCellNode(width, height), alignX(alignX), alignY(alignY), text(LCutUtf8(text))
{}

std::string QPBaselineTextCellNode::ShownText(LSurface& surface) const
{
    const float boxWidth = std::max(width - 2 * marginX, 1.0f);
    const float lineHeight = surface.MeasureText("0").height;
    // Lines may take the cell's margins where they need them (two lines of a tall
    // document font fill a row), and one line is placed whole even where the cell is lower
    // than the line (the 16-tall cells of the time scale).
    const float room = std::max(height, lineHeight);
    auto fits = [&](std::string_view candidate) {
        return surface.MeasureText(candidate, boxWidth).height <= room;
    };
    if (fits(text))
        return text;
    for (const std::string& shorter : shorterTexts)
        if (fits(shorter))
            return shorter;
    if (!elide)
        return {};
    // The longest start of the last form that fits with "…" after it.
    const std::string& longest = shorterTexts.empty() ? text : shorterTexts.back();
    std::size_t low = 0;
    std::size_t high = LUtf8Length(longest);
    std::string best;
    while (low < high) {
        const std::size_t middle = (low + high + 1) / 2;
        std::string candidate(LUtf8Prefix(longest, middle));
        while (!candidate.empty() && candidate.back() == ' ')
            candidate.pop_back();
        candidate += "\u2026";
        if (fits(candidate)) {
            best = std::move(candidate);
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    if (best.empty() && fits("\u2026"))
        best = "\u2026";
    return best;
}

void QPBaselineTextCellNode::DrawCellContents(LSurface& surface, const LMatrix& matrix)
{
    if (text.empty())
        return;
    surface.TransformReset(matrix);
    surface.SetFont(QPBaselineFont(surface));
    surface.SetTextBlack();
    const std::string shown = ShownText(surface);
    if (shown.empty())
        return;
    const float boxWidth = std::max(width - 2 * marginX, 1.0f);
    const float boxHeight = height - 2 * marginY;
    const LSizeF size = surface.MeasureText(shown, boxWidth);
    const LTextAlign align = alignX == eAlignRight    ? LTextAlign::Right
                             : alignX == eAlignCentre ? LTextAlign::Centre
                                                      : LTextAlign::Left;
    float y = alignY == eAlignMiddle ? marginY + (boxHeight - size.height) / 2 : marginY;
    y = std::max(0.0f, std::min(y, height - size.height));
    surface.DrawText(shown, marginX, y, boxWidth, std::max(height - y, size.height), align);
}

QPBaselineTaskCellNode::QPBaselineTaskCellNode(float width, float height,
                                               const QPTask* baselineTask,
                                               const QPTask& currentTask,
                                               const LDateTime& chartStart,
                                               const LDateTime& chartEnd)
    : QPBaselineCellNode(width, height), baselineTask(baselineTask), currentTask(currentTask),
      chartStart(chartStart), chartEnd(chartEnd)
{}

void QPBaselineTaskCellNode::Init()
{
    DeleteChildren();
    const int64_t range = chartEnd - chartStart;
    if (range < 1)
        return;
    const double unitsPerSecond = static_cast<double>(width) / static_cast<double>(range);
    auto addBar = [&](const QPTask& task, LColor colour, float y) {
        // The shape of a plain task whatever the task is: a milestone or a header shows
        // its span here like any other task.
        auto bar = std::make_unique<QPTaskNode>(task);
        bar->critical = false;
        bar->milestone = false;
        bar->isHeader = false;
        bar->resourceConflict = false;
        bar->normalColour = colour;
        bar->criticalColour = colour;
        const LDateTime start = ShownStart(task);
        bar->barWidth = static_cast<float>(
                std::max(0.0, static_cast<double>(task.finish - start) * unitsPerSecond));
        bar->barHeight = kBarNodeHeight;
        bar->slackWidth = -1;
        bar->width = bar->barWidth;
        bar->height = kBarNodeHeight;
        bar->PlotGraphicPaths();
        bar->SetPosition(
                static_cast<float>(static_cast<double>(start - chartStart) * unitsPerSecond), y);
        AddTop(std::move(bar));
    };
    addBar(currentTask, QPBaselineColours::kCurrent, baselineTask ? kCurrentBarY : kSingleBarY);
    if (baselineTask)
        addBar(*baselineTask, QPBaselineColours::kBaseline, kBaselineBarY);
}

QPBaselineChartHeaderNode::QPBaselineChartHeaderNode(float width, float height,
                                                     const QPProjectBase& project,
                                                     const LDateTime& chartStart,
                                                     const LDateTime& chartEnd)
    : QPBaselineCellNode(width, height), project(project), chartStart(chartStart),
      chartEnd(chartEnd)
{}

void QPBaselineChartHeaderNode::Init(std::vector<float>& scaleLines)
{
    DeleteChildren();
    auto addCell = [&](float x, float y, float cellWidth,
                       std::string text) -> QPBaselineTextCellNode& {
        return AddTop(MakeTextCell(x, y, cellWidth, kScaleCellHeight, std::move(text), eAlignCentre,
                                   eAlignMiddle));
    };
    // A date over the scale: no box, only a line down its left edge. Where the whole date
    // has no room, the year alone, or nothing.
    auto addLabel = [&](float x, float labelWidth, LDateTime date) {
        auto label = MakeTextCell(x, 0, labelWidth, kScaleCellHeight, ScaleDate(date), eAlignLeft,
                                  eAlignMiddle);
        label->shorterTexts = {YearOf(date)};
        label->elide = false;
        label->borderPath.Reset();
        label->borderPath.AddLine(0, 0, 0, kScaleCellHeight);
        AddTop(std::move(label));
    };

    const int64_t range = chartEnd - chartStart;
    if (range < 1) {
        addLabel(0, kDayLabelWidth, chartStart);
        return;
    }
    const double perDay = static_cast<double>(width) * kDaySeconds / static_cast<double>(range);
    // Cells are a whole number of 24-hour days wide, so where the range holds a clock
    // change their run ends an hour's width short of the column's end or past it: the
    // cells stop with the chart's last day, month or year, and the last one stops at
    // the column's edge.
    const std::tm last = LocalFields(chartEnd);
    auto cellWidth = [&](double x, double cellWidth) {
        return static_cast<float>(std::min(cellWidth, static_cast<double>(width) - x));
    };

    if (perDay >= 12) {
        // Days: the weekday of each, and the date over each Sunday that has room for it.
        bool labelled = false;
        const LDateIterator lastDay(chartEnd);
        LDateIterator day(chartStart);
        for (int i = 0; i < kMaxScaleCells && day <= lastDay; ++i, day.Next()) {
            const auto x = static_cast<float>(i * perDay);
            if (x >= width)
                break;
            const int weekday = LLocalDays::Weekday(day.Get());
            std::string name = kWeekdayNames[weekday];
            if (perDay < 30)
                name.resize(1);
            addCell(x, kScaleCellHeight, cellWidth(x, perDay), std::move(name));
            scaleLines.push_back(x);
            if (weekday == 0 && x + kDayLabelWidth < width) {
                addLabel(x, kDayLabelWidth, day.Get());
                labelled = true;
            }
        }
        if (!labelled)
            addLabel(0, kDayLabelWidth, chartStart);
        return;
    }

    if (28 * perDay >= 12) {
        // Months: the short name or its initial, and the date over each January.
        bool labelled = false;
        std::tm month = LocalFields(chartStart);
        month.tm_mday = 1;
        month.tm_hour = 12;
        month.tm_min = 0;
        month.tm_sec = 0;
        const std::size_t nameLength = 28 * perDay < 30 ? 1 : 3;
        double x = 0;
        auto beforeEnd = [&] {
            return month.tm_year < last.tm_year ||
                   (month.tm_year == last.tm_year && month.tm_mon <= last.tm_mon);
        };
        for (int i = 0; i < kMaxScaleCells && x < width && beforeEnd(); ++i) {
            const LDateTime first = i == 0 ? chartStart : LocalMoment(month);
            const double monthWidth = perDay * DaysInMonth(month);
            std::string name = QPFormatDate(1, 0, '-', first);
            name.resize(std::min(name.size(), nameLength));
            addCell(static_cast<float>(x), kScaleCellHeight, cellWidth(x, monthWidth),
                    std::move(name));
            scaleLines.push_back(static_cast<float>(x));
            if (month.tm_mon == 0) {
                // The date has the year up to the next January, as far as the column goes.
                addLabel(static_cast<float>(x),
                         static_cast<float>(std::min(365 * perDay, static_cast<double>(width) - x)),
                         first);
                labelled = true;
            }
            x += monthWidth;
            if (++month.tm_mon == 12) {
                month.tm_mon = 0;
                ++month.tm_year;
            }
        }
        if (!labelled)
            addLabel(0, width, chartStart);
        return;
    }

    // Years: the date of each year's first day, and below it the year in twelfths.
    LDateTime first = chartStart;
    double x = 0;
    for (int i = 0; i < kMaxScaleCells && x < width && LocalFields(first).tm_year <= last.tm_year;
         ++i) {
        const int days = LDateTime::IsLeapYear(LocalFields(first).tm_year + 1900) ? 366 : 365;
        const double yearWidth = perDay * days;
        const float yearCellWidth = cellWidth(x, yearWidth);
        const auto cellX = static_cast<float>(x);
        QPBaselineTextCellNode& year = addCell(cellX, 0, yearCellWidth, ScaleDate(first));
        year.shorterTexts = {YearOf(first)};
        year.elide = false;
        QPBaselineCellNode& months = addCell(cellX, kScaleCellHeight, yearCellWidth, {});
        for (int tick = 1; tick < 12; ++tick) {
            const auto tickX = static_cast<float>(yearWidth * tick / 12);
            if (tickX < yearCellWidth)
                months.borderPath.AddLine(tickX, 0, tickX, kScaleCellHeight);
        }
        scaleLines.push_back(cellX);
        x += yearWidth;
        first = LLocalDays::AddDays(first, days);
    }
}

// --- pages -------------------------------------------------------------------------------

void QPBaselineChartRange(const QPProjectBase& project, const QPBaseline& baseline,
                          LDateTime& start, LDateTime& end)
{
    start = LLocalDays::Midnight(std::min(project.projectStart, baseline.projectStart));
    end = LLocalDays::WithTimeOfDay(std::max(project.projectFinish, baseline.projectFinish),
                                    kDaySeconds - 1);
    for (const QPProjectBase* plan : {static_cast<const QPProjectBase*>(&project),
                                      static_cast<const QPProjectBase*>(&baseline)})
        for (const QPTask& task : plan->tasks)
            if (task.start.IsSet() && task.start < start)
                start = task.start;

    if (end - start > kMonthWideningSeconds) {
        start = FirstDayOfMonth(start);
        end = LastDayOfMonth(end);
    }
    if (end - start > kYearWideningSeconds) {
        // Out towards whole years: back by about the months since January, forward by
        // about the months until December, then to the edges of the months reached.
        const int startMonth = LocalFields(start).tm_mon;
        start = LLocalDays::AddDays(start, -29 * startMonth);
        if (LocalFields(start).tm_mon != 0)
            start = LLocalDays::AddDays(start, -30);
        start = FirstDayOfMonth(start);

        const int endMonth = LocalFields(end).tm_mon;
        end = LLocalDays::AddDays(end, 30 * (11 - endMonth));
        if (LocalFields(end).tm_mon != 11)
            end = LLocalDays::AddDays(end, 30);
        end = LastDayOfMonth(end);
    }
}

QPBaselineTableNode::QPBaselineTableNode(const QPProjectBase& project, const QPBaseline& baseline)
    : project(project), baseline(baseline)
{
    width = kTableWidth;
    height = kPageNumberRowY + kRowHeight;
}

void QPBaselineTableNode::CalculateChartRange()
{
    QPBaselineChartRange(project, baseline, chartStart, chartEnd);
}

void QPBaselineTableNode::PlotScaleLines()
{
    float bottom = kHeaderRowY;
    for (const auto& row : Children())
        bottom = std::max(bottom, row->GetY() - GetY() + static_cast<QPSceneNode&>(*row).height);
    scaleLinePath.Reset();
    for (float x : scaleLines)
        scaleLinePath.AddLine(x, kHeaderRowY, x, bottom);
}

void QPBaselineTableNode::DrawContent(LSurface& surface, const LMatrix& matrix)
{
    surface.TransformReset(matrix);
    surface.DrawPath(QPBaselineColours::kScaleLine, scaleLinePath, 1.0f);
}

QPBaselineRootNode::QPBaselineRootNode(const int32_t& currentPage, const QPProjectBase& project,
                                       const QPBaseline& baseline)
    : currentPage(currentPage), project(project), baseline(baseline)
{
    width = kPageWidth;
    height = kPageHeight;
}

QPBaselineTableNode* QPBaselineRootNode::GetCurrentTable() const
{
    if (currentPage < 1 || static_cast<std::size_t>(currentPage) > Children().size())
        return nullptr;
    return static_cast<QPBaselineTableNode*>(
            Children()[static_cast<std::size_t>(currentPage - 1)].get());
}

void QPBaselineRootNode::Draw(LSurface& surface, const LMatrix& matrix, const LRectF*)
{
    QPBaselineTableNode* page = GetCurrentTable();
    if (!page)
        return;
    surface.SetFont(QPBaselineFont(surface));
    page->Draw(surface, matrix.Translated(page->GetX() - GetX(), page->GetY() - GetY()));
}

// --- the view ----------------------------------------------------------------------------

QPBaselineView::QPBaselineView(const QPProjectBase& project, const QPBaseline& baseline)
    : project_(project), baseline_(baseline),
      root_(std::make_unique<QPBaselineRootNode>(currentPage_, project, baseline))
{
    SetRootSceneNode(root_.get());
}

QPBaselineView::~QPBaselineView()
{
    SetRootSceneNode(nullptr);
}

void QPBaselineView::PlotComparison()
{
    PlotComparison(LDateTime::Now());
}

void QPBaselineView::PlotComparison(LDateTime today)
{
    root_->DeleteChildren();
    title_ = LCutUtf8("Baseline Comparison: " + baseline_.name.str() + " against " +
                      project_.name.str() + " as of " + project_.options.FormatDate(today));

    QPBaselineTableNode* page = nullptr;
    int rows = 0;
    auto openPage = [&] {
        auto table = std::make_unique<QPBaselineTableNode>(project_, baseline_);
        table->CalculateChartRange();
        table->SetPosition(kTableX, kTableY);
        page = &root_->AddTop(std::move(table));
        AddBannerRow(*page, kTitleRowY, title_, eAlignLeft, eAlignTop);
        AddHeaderRow(*page);
        rows = 0;
    };
    auto closePage = [&] {
        page->PlotScaleLines();
        char number[32];
        std::snprintf(number, sizeof number, "Page %zu", root_->Children().size());
        AddBannerRow(*page, kPageNumberRowY, number, eAlignCentre, eAlignMiddle);
        page = nullptr;
    };

    for (const QPTask& task : project_.tasks) {
        if (!page)
            openPage();
        AddTaskRow(*page, kFirstTaskRowY + kRowHeight * static_cast<float>(rows++), task);
        if (rows == kRowsPerPage)
            closePage();
    }
    // A plan without tasks still gets its page, with the title and the column titles, so
    // that there is something to show, print and save.
    if (root_->Children().empty())
        openPage();
    if (page)
        closePage();

    currentPage_ = 1;
    Update();
}

int32_t QPBaselineView::GetNumberOfTables() const
{
    return static_cast<int32_t>(root_->Children().size());
}

void QPBaselineView::SetCurrentTable(int32_t page, bool redraw)
{
    currentPage_ = page;
    if (redraw)
        Update();
}

bool QPBaselineView::CanShowNextTable() const
{
    return currentPage_ < GetNumberOfTables();
}

bool QPBaselineView::CanShowPreviousTable() const
{
    return currentPage_ > 1;
}

void QPBaselineView::CmShowNextTable(bool redraw)
{
    if (CanShowNextTable())
        ++currentPage_;
    if (redraw)
        Update();
}

void QPBaselineView::CmShowPreviousTable(bool redraw)
{
    if (CanShowPreviousTable())
        --currentPage_;
    if (redraw)
        Update();
}

std::string QPBaselineView::GetCaption() const
{
    return "Baseline Comparison: " + baseline_.name.str();
}

void QPBaselineView::Prepaint(LSurface& surface, const LRectF*)
{
    surface.Clear(QPBaselineColours::kName);
    root_->Draw(surface, GetSceneToDevice().Translated(root_->GetX(), root_->GetY()));
}

bool QPBaselineView::Draw(LSurface& document, const LMatrix& matrix)
{
    const int32_t shown = currentPage_;
    const LMatrix page =
            matrix.Scaled(kPrintScale, kPrintScale).Translated(root_->GetX(), root_->GetY());
    bool written = true;
    for (int32_t number = 1; number <= GetNumberOfTables(); ++number) {
        currentPage_ = number;
        if (!document.StartPage()) {
            written = false;
            break;
        }
        root_->Draw(document, page);
        document.EndPage();
    }
    currentPage_ = shown;
    return written;
}
