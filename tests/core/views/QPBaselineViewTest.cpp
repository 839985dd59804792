// The baseline comparison's pages: rows and paging, the texts of a row, the chart range and
// its time scales, the bars, the scale lines, and what is drawn on screen and on paper.

#include "views/QPBaselineView.h"
#include "engine/LLocalDays.h"
#include "framework/LRecordingSurface.h"
#include "model/QPProject.h"

#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Op = LRecordingSurface::Op;

// A number to two decimals, without trailing zeros.
std::string Num(double value)
{
    std::ostringstream out;
    out << std::round(value * 100) / 100;
    return out.str();
}

// A plan named "Office" whose computed dates are set by hand; it starts on Monday 3 May
// 2027 (no clock change in the months the cases use), and the comparison is made on
// Friday 14 May.
class BaselineView : public ::testing::Test {
protected:
    BaselineView()
    {
        project.name = "Office";
        project.projectStart = project.projectFinish = LocalTime(2027, 5, 3);
    }
    QPTask& AddTask(const std::string& name, LDateTime start, LDateTime finish)
    {
        auto task = std::make_unique<QPTask>();
        task->name = name;
        task->start = task->displayStart = start;
        task->finish = finish;
        project.projectFinish = std::max(project.projectFinish, finish);
        return project.ElementAdd(std::move(task), false);
    }
    // Freezes the plan as it is now and builds the comparison against it; changes made
    // between the two calls show as differences.
    void TakeBaseline() { baseline = project.BaselineAdd("Plan A"); }
    QPBaselineView& Plot()
    {
        view = std::make_unique<QPBaselineView>(project, *baseline);
        view->PlotComparison(LocalTime(2027, 5, 14, 9));
        return *view;
    }
    // A comparison whose chart runs over the days of `from` to `to`, without tasks.
    void PlotSpan(LDateTime from, LDateTime to)
    {
        project.baselines.clear();
        project.projectStart = from;
        project.projectFinish = to;
        TakeBaseline();
        Plot();
    }
    const QPBaselineTableNode& Page(int number) const
    {
        return static_cast<const QPBaselineTableNode&>(
                *view->Root().Children().at(static_cast<std::size_t>(number - 1)));
    }
    const QPBaselineRowNode& Row(std::size_t index, int page = 1) const
    {
        return static_cast<const QPBaselineRowNode&>(*Page(page).Children().at(index));
    }
    // A row's texts joined by "|".
    std::string Joined(std::size_t index, int page = 1) const
    {
        std::string text;
        for (const auto& cell : Row(index, page).Children())
            if (auto* cellText = dynamic_cast<const QPBaselineTextCellNode*>(cell.get()))
                text += (text.empty() ? "" : "|") + cellText->text;
        return text;
    }
    const QPBaselineChartHeaderNode& Scale() const
    {
        return static_cast<const QPBaselineChartHeaderNode&>(*Row(1).Children().at(4));
    }
    // The scale cells of one band (y 0 or 16) by x, or its labels: borderless boxes with
    // only their left line.
    std::vector<const QPBaselineTextCellNode*> ScaleCells(float y, bool labels = false) const
    {
        std::vector<const QPBaselineTextCellNode*> cells;
        for (const auto& child : Scale().Children()) {
            auto* cell = static_cast<const QPBaselineTextCellNode*>(child.get());
            const bool label =
                    cell->borderPath.Figures().size() == 1 && !cell->borderPath.Figures()[0].closed;
            if (cell->GetY() - Scale().GetY() == y && label == labels)
                cells.push_back(cell);
        }
        return cells;
    }
    // The texts of a band's cells, which run side by side from the column's left to its
    // right (short of it by at most the hour of a clock change), or of its labels with
    // their x.
    std::string Band(float y, bool labels = false) const
    {
        std::string text;
        double x = 0;
        for (const auto* cell : ScaleCells(y, labels)) {
            text += (text.empty() ? "" : " ") + cell->text;
            if (labels)
                text += "@" + Num(cell->GetX() - Scale().GetX());
            else
                EXPECT_NEAR(cell->GetX() - Scale().GetX(), x, 1e-3) << cell->text;
            x += cell->width;
        }
        if (!labels) {
            EXPECT_NEAR(x, 372, 1.6);
            EXPECT_LE(x, 372.001);
        }
        return text;
    }

    QPProject project;
    QPBaseline* baseline = nullptr;
    std::unique_ptr<QPBaselineView> view;
};

TEST_F(BaselineView, FortySevenTasksGiveTwoPagesOfFortySixAndOneRowsToShowPrintAndPageThrough)
{
    for (int i = 1; i <= 47; ++i)
        AddTask("Task " + std::to_string(i), LocalTime(2027, 5, 4, 8), LocalTime(2027, 5, 4, 16));
    TakeBaseline();
    QPBaselineView& comparison = Plot();
    ASSERT_EQ(comparison.GetNumberOfTables(), 2);
    EXPECT_EQ(Num(comparison.Root().width) + "x" + Num(comparison.Root().height), "1282x1636");
    EXPECT_EQ(comparison.GetTitle(),
              "Baseline Comparison: Plan A against Office as of 14 May 2027");
    for (int number = 1; number <= 2; ++number) {
        // Title, column titles, the task rows, the page number.
        const std::size_t rows = number == 1 ? 46 : 1;
        EXPECT_EQ(Page(number).GetX() + Page(number).GetY(), 100);
        ASSERT_EQ(Page(number).Children().size(), rows + 3);
        for (std::size_t i = 0; i < rows + 3; ++i)
            EXPECT_EQ(Row(i, number).GetY() - Page(number).GetY(),
                      i == rows + 2 ? 1554 : 32.0f * i);
        EXPECT_EQ(Joined(0, number) + " " + Joined(rows + 1, number).substr(0, 8) +
                          Joined(rows + 2, number),
                  comparison.GetTitle() + (number == 1 ? " Task 46|Page 1" : " Task 47|Page 2"));
    }
    // The screen shows the current page, printing every page, scaled (1282 × 1636 becomes
    // about 775 × 989), and keeps the page on show. The title at the table's corner inside
    // its margins, on top; bold 11 points. A row's text is centred in its cell: 13 tall in
    // the recording surface's metrics.
    view->offsetX = -100;
    view->offsetY = -30;
    LRecordingSurface screen, paper(LSurface::Kind::Document);
    auto shown = [&] {
        screen.ClearItems();
        view->Prepaint(screen, nullptr);
        auto count = [&](const char* text) { return screen.TextItems(text).size(); };
        return count("Page 1") + 2 * count("Page 2") + 4 * count("Task 47");
    };
    EXPECT_EQ(shown(), 1u);
    EXPECT_EQ(screen.Items().at(0).op, Op::Clear);
    const auto* title = screen.TextItems(view->GetTitle()).at(0);
    EXPECT_TRUE(title->Origin() == (LPointF{50 + 2 - 100, 50 + 2 - 30}) &&
                title->font == (LFont{"", 11, true}));
    EXPECT_EQ(screen.TextItems("Task 1").at(0)->Origin().y, 50 + 64 + 2 + (28 - 13) / 2.0f - 30);
    view->CmShowNextTable(false);
    EXPECT_EQ(shown(), 6u);
    paper.SetPageSize(816, 1054, LPageUnit::Layout);
    ASSERT_TRUE(view->Draw(paper, LMatrix::Identity()));
    EXPECT_EQ(view->GetCurrentTable(), 2);
    const auto starts = paper.ItemsOf(Op::StartPage);
    ASSERT_EQ(std::vector({starts.size(), paper.ItemsOf(Op::EndPage).size(),
                           paper.ItemsOf(Op::Clear).size()}),
              std::vector<std::size_t>({2, 2, 0}));
    EXPECT_EQ(starts[0]->width + starts[0]->height, 816 + 1054);
    EXPECT_TRUE(paper.TextItems("Page 1").at(0) < starts[1] &&
                paper.TextItems("Page 2").at(0) > starts[1]);
    EXPECT_EQ(paper.TextItems("Page 1").at(0)->font, (LFont{"Helvetica", 11, true}));
    const auto* printed = paper.TextItems(view->GetTitle()).at(0);
    EXPECT_EQ(std::vector({printed->matrix.a, printed->matrix.d}), std::vector({0.6047f, 0.6047f}));
    EXPECT_NEAR(printed->Origin().x, 52 * 0.6047, 1e-3);
    // Paging stays within the first and the last page.
    std::string pages = std::to_string(view->GetCurrentTable());
    for (bool next : {false, false, true, true}) {
        next ? view->CmShowNextTable(true) : view->CmShowPreviousTable(true);
        pages += std::to_string(view->GetCurrentTable()) +
                 (view->CanShowPreviousTable() ? "<" : "") + (view->CanShowNextTable() ? ">" : "");
    }
    EXPECT_EQ(pages, "21>1>2<2<");
    EXPECT_EQ(view->Root().GetCurrentTable(), &Page(2));
    view->SetCurrentTable(4, false);
    EXPECT_EQ(view->Root().GetCurrentTable(), nullptr);
}

TEST_F(BaselineView, RowsShowTheUnsignedVarianceOfTheFinishesAndBarsStandAtTheirTimes)
{
    QPTask& later = AddTask("Later", LocalTime(2027, 5, 4, 8), LocalTime(2027, 5, 5, 16));
    QPTask& sooner = AddTask("Sooner", LocalTime(2027, 5, 4, 8), LocalTime(2027, 5, 6, 16));
    QPTask& moved = AddTask("Moved", LocalTime(2027, 5, 4, 8), LocalTime(2027, 5, 5, 16));
    project.projectFinish = LocalTime(2027, 5, 12);
    TakeBaseline();
    // Later and Sooner keep their starts: only their finishes move; Moved moves whole.
    later.finish = LocalTime(2027, 5, 6, 16);
    sooner.finish = LocalTime(2027, 5, 5, 16);
    moved.displayStart = LocalTime(2027, 5, 6, 8);
    moved.finish = LocalTime(2027, 5, 7, 16);
    AddTask("Added", LocalTime(2027, 5, 7, 8), LocalTime(2027, 5, 7, 12, 30));
    Plot();
    // Minutes round up to the next hour; the baseline never had the added task.
    EXPECT_EQ(Joined(2), "Later|4 May 2027|6 May 2027|2d 08h|4 May 2027|5 May 2027|1d 08h|1d 00h");
    EXPECT_EQ(Joined(3), "Sooner|4 May 2027|5 May 2027|1d 08h|4 May 2027|6 May 2027|2d 08h|1d 00h");
    EXPECT_EQ(Joined(5), "Added|7 May 2027|7 May 2027|05h|N/A|N/A|N/A|N/A");
    // Durations and the variance sit at the right of their cells, all else at the left;
    // the titles over them too.
    std::string alignment;
    for (std::size_t row : {1, 2})
        for (const auto& cell : Row(row).Children())
            if (auto* text = dynamic_cast<const QPBaselineTextCellNode*>(cell.get()))
                alignment += text->alignX == eAlignRight  ? 'R'
                             : text->alignX == eAlignLeft ? 'L'
                                                          : '?';
    EXPECT_EQ(alignment, "LLLLLLLLLLLRLLRR");
    // Each bar as "x y width", in its cell, and its colour; a plain task's rectangle, 3
    // tall, from 4 below the node's top. 372 units run over 3 May 00:00 to 12 May
    // 23:59:59: a day is about 37.2.
    auto bars = [&](std::size_t row) {
        std::string text;
        for (const auto& child : Row(row).Children().at(4)->Children()) {
            const auto& bar = static_cast<const QPTaskNode&>(*child);
            const LRectF shape = bar.shapePath.Bounds();
            EXPECT_EQ(std::vector({shape.y, shape.height}), std::vector({4.0f, 3.0f}));
            text += Num(bar.GetX() - bar.GetParent()->GetX()) + " " +
                    Num(bar.GetY() - bar.GetParent()->GetY()) + " " + Num(bar.barWidth) +
                    (bar.normalColour == QPBaselineColours::kCurrent ? " current; "
                                                                     : " baseline; ");
        }
        return text;
    };
    EXPECT_EQ(bars(4), "124 4 49.6 current; 49.6 18 49.6 baseline; ");
    EXPECT_EQ(bars(5), "161.2 11 6.98 current; ");
    // A chart without a second between its ends has no bars.
    const LDateTime same = LocalTime(2027, 5, 4);
    QPBaselineTaskCellNode cell(372, 32, &moved, moved, same, same);
    cell.Init();
    EXPECT_TRUE(cell.Children().empty());
    // Scale lines at each day's left, from the header to the last row, drawn before any
    // cell's background.
    LRecordingSurface screen;
    view->Prepaint(screen, nullptr);
    const auto& lines = *screen.ItemsOf(Op::DrawPath).at(0);
    EXPECT_EQ(lines.colour, QPBaselineColours::kScaleLine);
    EXPECT_LT(&lines, screen.ItemsOf(Op::FillRect).front());
    const auto days = ScaleCells(16);
    ASSERT_EQ(lines.path.Figures().size(), days.size());
    for (std::size_t i = 0; i < days.size(); ++i) {
        const auto& points = lines.path.Figures()[i].points;
        EXPECT_NEAR(points[0].x, 470 + days[i]->GetX() - Scale().GetX(), 1e-3);
        EXPECT_EQ(std::vector({points[0].y, points[1].y}), std::vector({32.0f, 64.0f + 4 * 32}));
    }
}

TEST_F(BaselineView, ChartRangeWidensPastThirtyOneDaysToMonthsAndPastAYearToYears)
{
    // A plan without tasks still has a page.
    TakeBaseline();
    ASSERT_EQ(Plot().GetNumberOfTables(), 1);
    EXPECT_EQ(Page(1).Children().size(), 3u);
    EXPECT_EQ(Joined(2), "Page 1");
    // Whole days as "day to day", else the date-times.
    auto range = [&] {
        LDateTime start, end;
        QPBaselineChartRange(project, *baseline, start, end);
        const std::string from = start.GetDateTime(), to = end.GetDateTime();
        return from.ends_with(" 00:00:00") && to.ends_with(" 23:59:59")
                       ? from.substr(0, 10) + " to " + to.substr(0, 10)
                       : from + " to " + to;
    };
    const std::tuple<LDateTime, LDateTime, const char*> cases[] = {
            // 31 days from midnight to 23:59:59 are not widened; a 32nd day is.
            {LocalTime(2027, 5, 3, 12), LocalTime(2027, 6, 2, 9), "2027-05-03 to 2027-06-02"},
            {LocalTime(2027, 5, 3, 12), LocalTime(2027, 6, 3, 9), "2027-05-01 to 2027-06-30"},
            // A calendar year is kept; twelve months are a year's length, or one day more
            // with 29 February among them; more reaches out to whole years.
            {LocalTime(2027, 1, 1), LocalTime(2027, 12, 31), "2027-01-01 to 2027-12-31"},
            {LocalTime(2026, 3, 5), LocalTime(2027, 2, 20), "2026-03-01 to 2027-02-28"},
            {LocalTime(2027, 3, 5), LocalTime(2028, 2, 20), "2027-01-01 to 2028-12-31"},
            {LocalTime(2027, 5, 3), LocalTime(2028, 5, 3), "2027-01-01 to 2028-12-31"},
            {LocalTime(2027, 12, 20), LocalTime(2029, 1, 10), "2027-01-01 to 2029-12-31"}};
    for (const auto& [from, to, expected] : cases) {
        project.projectStart = baseline->projectStart = from;
        project.projectFinish = baseline->projectFinish = to;
        EXPECT_EQ(range(), expected);
    }
    // The baseline's dates count too, and so does a task that starts before both plans.
    baseline->projectStart = LocalTime(2027, 5, 4, 12);
    baseline->projectFinish = LocalTime(2027, 5, 10, 12);
    project.projectStart = LocalTime(2027, 5, 5);
    project.projectFinish = LocalTime(2027, 5, 6);
    EXPECT_EQ(range(), "2027-05-04 to 2027-05-10");
    AddTask("Early", LocalTime(2027, 5, 3, 8), LocalTime(2027, 5, 3, 16));
    EXPECT_EQ(range(), "2027-05-03 08:00:00 to 2027-05-10 23:59:59");
}

TEST_F(BaselineView, ScalesShowDaysMonthsOrYearsAndDateWhatFitsAcrossClockChanges)
{
    // Ten days from Monday 3 May: 37.2 a day, three letters, one Sunday.
    PlotSpan(LocalTime(2027, 5, 3), LocalTime(2027, 5, 12));
    EXPECT_EQ(Band(16), "Mon Tue Wed Thu Fri Sat Sun Mon Tue Wed");
    EXPECT_EQ(Band(0, true), "2027-05-09@223.2");
    // Twenty days: 18.6 a day, initials; the Sundays 9 and 16 May have room, 23 May is
    // past.
    PlotSpan(LocalTime(2027, 5, 3), LocalTime(2027, 5, 22));
    EXPECT_EQ(Band(16), "M T W T F S S M T W T F S S M T W T F S");
    EXPECT_EQ(Band(0, true), "2027-05-09@111.6 2027-05-16@241.8");
    // Monday to Sunday: the only Sunday's label would not fit, so the start is dated.
    PlotSpan(LocalTime(2027, 5, 3), LocalTime(2027, 5, 9));
    EXPECT_EQ(Band(0, true), "2027-05-03@0");
    // May to October, 184 days: months, and with no January the start is dated instead.
    PlotSpan(LocalTime(2027, 5, 3), LocalTime(2027, 10, 20));
    EXPECT_EQ(Band(16), "May Jun Jul Aug Sep Oct");
    EXPECT_NEAR(ScaleCells(16)[1]->width, 372.0 * 30 / 184, 0.01);
    EXPECT_EQ(Band(0, true), "2027-05-01@0");
    // 2027 to 2029 with the leap year 2028, 1096 days: each year's date over the year in
    // twelfths, an outline and eleven ticks.
    PlotSpan(LocalTime(2027, 5, 3), LocalTime(2029, 8, 20));
    EXPECT_EQ(Band(0), "2027-01-01 2028-01-01 2029-01-01");
    Band(16);
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& figures = ScaleCells(16)[i]->borderPath.Figures();
        ASSERT_EQ(figures.size(), 12u);
        EXPECT_NEAR(figures[1].points[0].x, 372.0 * (i == 1 ? 366 : 365) / 1096 / 12, 1e-3);
    }
    // A clock change neither adds a cell nor runs past the column: ten days with an hour
    // less (14 March) and with an hour more (7 November).
    ScopedTimeZone zone("America/New_York");
    for (const LDateTime from : {LocalTime(2027, 3, 8), LocalTime(2027, 11, 1)}) {
        PlotSpan(from, LLocalDays::AddDays(from, 9));
        EXPECT_EQ(Band(16), "Mon Tue Wed Thu Fri Sat Sun Mon Tue Wed");
    }
}

} // namespace
