// The baseline comparison's pages: rows and paging, the texts of a row, the
// chart range and its time scales, the bars, the scale lines, and what is drawn
// on screen and on paper.

#include "views/QPBaselineView.h"
#include "engine/LLocalDays.h"
#include "framework/LRecordingSurface.h"
#include "model/QPProject.h"

#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Op = LRecordingSurface::Op;

constexpr int64_t kDay = 86400;
constexpr int64_t kHour = 3600;

// A plan named "Office" whose computed dates are set by hand; it starts on
// Monday 3 May 2027 (no clock change in the months the cases use), and the
// comparison is made on Friday 14 May.
class BaselineView : public ::testing::Test {
protected:
    BaselineView()
    {
        project.name = "Office";
        project.projectStart = LocalTime(2027, 5, 3);
        project.projectFinish = LocalTime(2027, 5, 3);
    }

    QPTask& AddTask(const std::string& name, LDateTime start, LDateTime finish)
    {
        auto task = std::make_unique<QPTask>();
        task->name = name;
        task->start = start;
        task->displayStart = start;
        task->finish = finish;
        project.projectFinish = std::max(project.projectFinish, finish);
        return project.ElementAdd(std::move(task), false);
    }

    // Freezes the plan as it is now and builds the comparison against it; changes
    // made between the two calls show as differences.
    void TakeBaseline() { baseline = project.BaselineAdd("Plan A"); }
    QPBaselineView& Plot()
    {
        view = std::make_unique<QPBaselineView>(project, *baseline);
        view->PlotComparison(LocalTime(2027, 5, 14, 9));
        return *view;
    }

    // A comparison whose chart runs over the days of `from` to `to`, without
    // tasks.
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
    static const QPBaselineRowNode& Row(const QPBaselineTableNode& page, std::size_t index)
    {
        return static_cast<const QPBaselineRowNode&>(*page.Children().at(index));
    }
    static std::vector<std::string> Texts(const QPBaselineRowNode& row)
    {
        std::vector<std::string> texts;
        for (const auto& cell : row.Children())
            if (auto* text = dynamic_cast<const QPBaselineTextCellNode*>(cell.get()))
                texts.push_back(text->text);
        return texts;
    }
    // The header's time scale, and the bars of a task row, in the frame of their
    // cell.
    const QPBaselineChartHeaderNode& Scale() const
    {
        return static_cast<const QPBaselineChartHeaderNode&>(*Row(Page(1), 1).Children().at(4));
    }
    static std::vector<const QPTaskNode*> Bars(const QPBaselineRowNode& row)
    {
        std::vector<const QPTaskNode*> bars;
        for (const auto& bar : row.Children().at(4)->Children())
            bars.push_back(static_cast<const QPTaskNode*>(bar.get()));
        return bars;
    }
    // Scale cells of one band (y 0 or 16) by x, with their text; labels are
    // borderless boxes with only their left line.
    std::vector<const QPBaselineTextCellNode*> ScaleCells(float y, bool labels = false) const
    {
        std::vector<const QPBaselineTextCellNode*> cells;
        const QPBaselineChartHeaderNode& scale = Scale();
        for (const auto& child : scale.Children()) {
            auto* cell = static_cast<const QPBaselineTextCellNode*>(child.get());
            const bool label =
                    cell->borderPath.Figures().size() == 1 && !cell->borderPath.Figures()[0].closed;
            if (cell->GetY() - scale.GetY() == y && label == labels)
                cells.push_back(cell);
        }
        return cells;
    }

    QPProject project;
    QPBaseline* baseline = nullptr;
    std::unique_ptr<QPBaselineView> view;
};

// A row's texts joined by "|".
std::string Joined(const QPBaselineRowNode& row)
{
    std::string text;
    for (const auto& cell : row.Children())
        if (auto* cellText = dynamic_cast<const QPBaselineTextCellNode*>(cell.get()))
            text += (text.empty() ? "" : "|") + cellText->text;
    return text;
}

// --- pages and rows
// ----------------------------------------------------------------------

TEST_F(BaselineView, FortySevenTasksGiveTwoPagesOfFortySixAndOneRowsToPageThrough)
{
    for (int i = 1; i <= 47; ++i)
        AddTask("Task " + std::to_string(i), LocalTime(2027, 5, 4, 8), LocalTime(2027, 5, 4, 16));
    TakeBaseline();
    QPBaselineView& shown = Plot();
    ASSERT_EQ(shown.GetNumberOfTables(), 2);
    EXPECT_EQ(shown.Root().width, 1282);
    EXPECT_EQ(shown.Root().height, 1636);
    const std::string title = "Baseline Comparison: Plan A against Office as of 14 May 2027";
    EXPECT_EQ(shown.GetTitle(), title);
    EXPECT_EQ(shown.GetCaption(), "Baseline Comparison: Plan A");
    for (int number = 1; number <= 2; ++number) {
        const QPBaselineTableNode& page = Page(number);
        EXPECT_EQ(page.GetX() + page.GetY(), 100);
        // Title, column titles, the task rows, the page number.
        const std::size_t rows = number == 1 ? 46 : 1;
        ASSERT_EQ(page.Children().size(), rows + 3);
        EXPECT_EQ(Joined(Row(page, 0)), title);
        EXPECT_EQ(Joined(Row(page, 1)),
                  "Name|Current Start|Current Finish|Current Duration|"
                  "Baseline Start|Baseline Finish|Baseline Duration|Variance");
        for (std::size_t i = 0; i < rows + 3; ++i)
            EXPECT_EQ(Row(page, i).GetY() - page.GetY(), i == rows + 2 ? 1554 : 32.0f * i) << i;
        EXPECT_EQ(Joined(Row(page, rows + 2)), "Page " + std::to_string(number));
    }
    EXPECT_EQ(Texts(Row(Page(1), 47))[0], "Task 46");
    EXPECT_EQ(Texts(Row(Page(2), 2))[0], "Task 47");

    // Paging stays within the first and the last page.
    std::string pages = std::to_string(shown.GetCurrentTable());
    for (bool next : {false, true, true, false, true}) {
        next ? shown.CmShowNextTable(true) : shown.CmShowPreviousTable(true);
        pages += std::to_string(shown.GetCurrentTable()) +
                 (shown.CanShowPreviousTable() ? "<" : "") + (shown.CanShowNextTable() ? ">" : "");
    }
    EXPECT_EQ(pages, "11>2<2<1>2<");
    EXPECT_EQ(shown.Root().GetCurrentTable(), &Page(2));
    shown.SetCurrentTable(4, false);
    EXPECT_EQ(shown.Root().GetCurrentTable(), nullptr);
}

TEST_F(BaselineView, RowsShowDatesDurationsAndUnsignedVarianceAgainstTheBaseline)
{
    QPTask& later = AddTask("Later", LocalTime(2027, 5, 4, 8), LocalTime(2027, 5, 5, 16));
    QPTask& sooner = AddTask("Sooner", LocalTime(2027, 5, 4, 8), LocalTime(2027, 5, 6, 16));
    project.projectFinish = LocalTime(2027, 5, 12);
    TakeBaseline();
    later.finish = LocalTime(2027, 5, 6, 16);
    sooner.finish = LocalTime(2027, 5, 5, 16);
    AddTask("Added", LocalTime(2027, 5, 7, 8), LocalTime(2027, 5, 7, 12, 30));
    Plot();
    // Minutes round up to the next hour; the baseline never had the added task.
    EXPECT_EQ(Joined(Row(Page(1), 2)),
              "Later|4 May 2027|6 May 2027|2d 08h|4 May 2027|5 May 2027|1d 08h|1d 00h");
    EXPECT_EQ(Texts(Row(Page(1), 3))[7], "1d 00h");
    EXPECT_EQ(Joined(Row(Page(1), 4)), "Added|7 May 2027|7 May 2027|05h|N/A|N/A|N/A|N/A");
    // Durations and the variance sit at the right of their cells, all else at the
    // left; the titles over them too.
    std::string alignment;
    for (std::size_t row : {1, 2})
        for (const auto& cell : Row(Page(1), row).Children())
            if (auto* text = dynamic_cast<const QPBaselineTextCellNode*>(cell.get()))
                alignment += text->alignX == eAlignRight  ? 'R'
                             : text->alignX == eAlignLeft ? 'L'
                                                          : '?';
    EXPECT_EQ(alignment, "LLLLLLLL"
                         "LLLRLLRR");
}

// --- chart range and bars
// ----------------------------------------------------------------

TEST_F(BaselineView, ChartRangeWidensPastThirtyOneDaysToMonthsAndPastAYearToYears)
{
    // A plan without tasks still has a page.
    TakeBaseline();
    ASSERT_EQ(Plot().GetNumberOfTables(), 1);
    EXPECT_EQ(Page(1).Children().size(), 3u);
    EXPECT_EQ(Joined(Row(Page(1), 2)), "Page 1");

    auto range = [&](LDateTime from, LDateTime to) {
        project.projectStart = baseline->projectStart = from;
        project.projectFinish = baseline->projectFinish = to;
        LDateTime start, end;
        QPBaselineChartRange(project, *baseline, start, end);
        return start.GetDateTime() + " to " + end.GetDateTime();
    };
    const std::tuple<LDateTime, LDateTime, const char*> cases[] = {
            // 31 days from midnight to 23:59:59 are not widened; a 32nd day is.
            {LocalTime(2027, 5, 3, 12), LocalTime(2027, 6, 2, 9),
             "2027-05-03 00:00:00 to 2027-06-02 23:59:59"},
            {LocalTime(2027, 5, 3, 12), LocalTime(2027, 6, 3, 9),
             "2027-05-01 00:00:00 to 2027-06-30 23:59:59"},
            // A calendar year is kept; twelve months are a year's length, or one day
            // more
            // with 29 February among them; more reaches out to whole years.
            {LocalTime(2027, 1, 1), LocalTime(2027, 12, 31),
             "2027-01-01 00:00:00 to 2027-12-31 23:59:59"},
            {LocalTime(2026, 3, 5), LocalTime(2027, 2, 20),
             "2026-03-01 00:00:00 to 2027-02-28 23:59:59"},
            {LocalTime(2027, 3, 5), LocalTime(2028, 2, 20),
             "2027-01-01 00:00:00 to 2028-12-31 23:59:59"},
            {LocalTime(2027, 5, 3), LocalTime(2028, 5, 3),
             "2027-01-01 00:00:00 to 2028-12-31 23:59:59"},
            {LocalTime(2027, 12, 20), LocalTime(2029, 1, 10),
             "2027-01-01 00:00:00 to 2029-12-31 23:59:59"}};
    for (const auto& [from, to, expected] : cases)
        EXPECT_EQ(range(from, to), expected);

    // The baseline's dates count too, and so does a task that starts before both
    // plans.
    range(LocalTime(2027, 5, 4, 12), LocalTime(2027, 5, 10, 12));
    project.projectStart = LocalTime(2027, 5, 5);
    project.projectFinish = LocalTime(2027, 5, 6);
    LDateTime start, end;
    QPBaselineChartRange(project, *baseline, start, end);
    EXPECT_EQ(start.GetDateTime() + " to " + end.GetDateTime(),
              "2027-05-04 00:00:00 to 2027-05-10 23:59:59");
    AddTask("Early", LocalTime(2027, 5, 3, 8), LocalTime(2027, 5, 3, 16));
    QPBaselineChartRange(project, *baseline, start, end);
    EXPECT_EQ(start, LocalTime(2027, 5, 3, 8));
}

TEST_F(BaselineView, BarsStandAtTheirTimesWithTheBaselineBarBelow)
{
    QPTask& moved = AddTask("Moved", LocalTime(2027, 5, 4, 8), LocalTime(2027, 5, 5, 16));
    project.projectFinish = LocalTime(2027, 5, 12);
    TakeBaseline();
    moved.displayStart = LocalTime(2027, 5, 6, 8);
    moved.finish = LocalTime(2027, 5, 7, 16);
    AddTask("Added", LocalTime(2027, 5, 10, 8), LocalTime(2027, 5, 10, 16));
    Plot();

    // 372 units over 3 May 00:00 to 12 May 23:59:59.
    const double range = 10 * kDay - 1;
    auto x = [&](int64_t seconds) { return static_cast<float>(seconds * 372 / range); };
    auto expectBar = [&](const QPTaskNode* bar, int64_t from, int64_t length, float y,
                         LColor colour) {
        const LSceneNode& cell = *bar->GetParent();
        EXPECT_NEAR(bar->GetX() - cell.GetX(), x(from), 1e-3);
        EXPECT_EQ(bar->GetY() - cell.GetY(), y);
        EXPECT_NEAR(bar->barWidth, x(length), 1e-3);
        EXPECT_EQ(bar->normalColour, colour);
        // A plain task's rectangle, 3 tall, from 4 below the node's top.
        ASSERT_EQ(bar->shapePath.Figures().size(), 1u);
        const LRectF shape = bar->shapePath.Bounds();
        EXPECT_EQ(shape.y, 4);
        EXPECT_EQ(shape.height, 3);
    };
    const auto movedBars = Bars(Row(Page(1), 2));
    ASSERT_EQ(movedBars.size(), 2u);
    expectBar(movedBars[0], 3 * kDay + 8 * kHour, 32 * kHour, 4, QPBaselineColours::kCurrent);
    expectBar(movedBars[1], kDay + 8 * kHour, 32 * kHour, 18, QPBaselineColours::kBaseline);
    const auto addedBars = Bars(Row(Page(1), 3));
    ASSERT_EQ(addedBars.size(), 1u);
    expectBar(addedBars[0], 7 * kDay + 8 * kHour, 8 * kHour, 11, QPBaselineColours::kCurrent);

    // A chart without a second between its ends has no bars.
    const LDateTime same = LocalTime(2027, 5, 4);
    QPBaselineTaskCellNode cell(372, 32, &moved, moved, same, same);
    cell.Init();
    EXPECT_TRUE(cell.Children().empty());
}

// --- time scales
// -------------------------------------------------------------------------

TEST_F(BaselineView, DayScalesNameWeekdaysAndDateTheSundaysThatFit)
{
    // The texts of a band, each with its x from the scale's left when `at` is
    // set.
    auto band = [&](float y, bool labels, bool at = false) {
        std::string text;
        for (const auto* cell : ScaleCells(y, labels))
            text += (text.empty() ? "" : " ") + cell->text +
                    (at ? "@" + std::to_string(int(cell->GetX() - Scale().GetX())) : "");
        return text;
    };
    // Ten days from Monday 3 May: p = 37.2, three letters, one Sunday.
    PlotSpan(LocalTime(2027, 5, 3), LocalTime(2027, 5, 12));
    EXPECT_EQ(band(16, false), "Mon Tue Wed Thu Fri Sat Sun Mon Tue Wed");
    for (const auto* day : ScaleCells(16)) {
        EXPECT_NEAR(day->width, 37.2, 1e-3);
        EXPECT_EQ(day->height, 16);
    }
    EXPECT_EQ(band(0, true, true), "2027-05-09@223");
    EXPECT_EQ(ScaleCells(0, true).at(0)->width, 120);
    EXPECT_FALSE(ScaleCells(0, true).at(0)->fill);
    // Twenty days: p = 18.6, initials; the Sundays 9 and 16 May have room, 23 May
    // is past.
    PlotSpan(LocalTime(2027, 5, 3), LocalTime(2027, 5, 22));
    EXPECT_EQ(band(16, false), "M T W T F S S M T W T F S S M T W T F S");
    EXPECT_NEAR(ScaleCells(16).at(0)->width, 18.6, 1e-3);
    EXPECT_EQ(band(0, true), "2027-05-09 2027-05-16");
    // Monday to Sunday: the only Sunday's label would not fit, so the start is
    // dated.
    PlotSpan(LocalTime(2027, 5, 3), LocalTime(2027, 5, 9));
    EXPECT_EQ(band(0, true, true), "2027-05-03@0");
}

TEST_F(BaselineView, SixMonthsShowMonthCells)
{
    PlotSpan(LocalTime(2027, 5, 3), LocalTime(2027, 10, 20));
    // May to October: 184 days (and in some zones the hour of a clock change).
    const double perDay =
            372.0 * kDay / (LocalTime(2027, 10, 31, 23, 59, 59) - LocalTime(2027, 5, 1));
    const auto months = ScaleCells(16);
    ASSERT_EQ(months.size(), 6u);
    const char* names[] = {"May", "Jun", "Jul", "Aug", "Sep", "Oct"};
    const int lengths[] = {31, 30, 31, 31, 30, 31};
    double x = 0;
    for (std::size_t i = 0; i < months.size(); ++i) {
        EXPECT_EQ(months[i]->text, names[i]);
        EXPECT_NEAR(months[i]->width, std::min(perDay * lengths[i], 372 - x), 1e-3);
        EXPECT_NEAR(months[i]->GetX() - Scale().GetX(), x, 1e-3);
        x += perDay * lengths[i];
    }
    // No January: the start's date stands at the left instead.
    const auto labels = ScaleCells(0, true);
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(labels[0]->text, "2027-05-01");
}

TEST_F(BaselineView, ThreeYearsShowYearCellsInTwelfths)
{
    PlotSpan(LocalTime(2027, 5, 3), LocalTime(2029, 8, 20));
    // 2027 to 2029 with the leap year 2028: 1096 days.
    const double perDay = 372.0 * kDay / (1096 * kDay - 1);
    const auto years = ScaleCells(0);
    const auto twelfths = ScaleCells(16);
    ASSERT_EQ(years.size(), 3u);
    ASSERT_EQ(twelfths.size(), 3u);
    const char* dates[] = {"2027-01-01", "2028-01-01", "2029-01-01"};
    const int lengths[] = {365, 366, 365};
    double x = 0;
    for (std::size_t i = 0; i < years.size(); ++i) {
        EXPECT_EQ(years[i]->text, dates[i]);
        EXPECT_NEAR(years[i]->GetX() - Scale().GetX(), x, 1e-3);
        EXPECT_NEAR(years[i]->width, std::min(perDay * lengths[i], 372 - x), 1e-3);
        EXPECT_EQ(twelfths[i]->width, years[i]->width);
        // The outline and eleven ticks.
        const auto& figures = twelfths[i]->borderPath.Figures();
        ASSERT_EQ(figures.size(), 12u);
        EXPECT_NEAR(figures[1].points[0].x, perDay * lengths[i] / 12, 1e-3);
        x += perDay * lengths[i];
    }
}

TEST_F(BaselineView, AClockChangeNeitherAddsACellNorRunsPastTheColumn)
{
    ScopedTimeZone zone("America/New_York");
    // Ten days with an hour less (14 March) and with an hour more (7 November);
    // an hour of the chart is 1.55 wide.
    for (const LDateTime from : {LocalTime(2027, 3, 8), LocalTime(2027, 11, 1)}) {
        PlotSpan(from, LLocalDays::AddDays(from, 9));
        const auto days = ScaleCells(16);
        ASSERT_EQ(days.size(), 10u) << from.GetDateTime();
        const float right = days.back()->GetX() - Scale().GetX() + days.back()->width;
        EXPECT_NEAR(right, 372, 1.6);
        EXPECT_LE(right, 372.001f);
    }
}

// --- drawing
// -----------------------------------------------------------------------------

TEST_F(BaselineView, ScaleLinesRunUnderTheCellsFromTheHeaderToTheLastRow)
{
    for (int i = 0; i < 3; ++i)
        AddTask("T", LocalTime(2027, 5, 4, 8), LocalTime(2027, 5, 12, 16));
    TakeBaseline();
    Plot();
    LRecordingSurface screen;
    view->Prepaint(screen, nullptr);

    const auto paths = screen.ItemsOf(Op::DrawPath);
    ASSERT_FALSE(paths.empty());
    const auto& lines = *paths.front();
    EXPECT_EQ(lines.colour, QPBaselineColours::kScaleLine);
    // Drawn before any cell's background.
    EXPECT_LT(&lines, screen.ItemsOf(Op::FillRect).front());
    const auto days = ScaleCells(16);
    ASSERT_EQ(lines.path.Figures().size(), days.size());
    for (std::size_t i = 0; i < days.size(); ++i) {
        const auto& points = lines.path.Figures()[i].points;
        EXPECT_NEAR(points[0].x, 470 + days[i]->GetX() - Scale().GetX(), 1e-3);
        EXPECT_EQ(points[0].y, 32);
        EXPECT_EQ(points[1].y, 64 + 3 * 32);
    }
}

TEST_F(BaselineView, TheScreenShowsTheCurrentPageAndPrintingEveryPageScaled)
{
    for (int i = 1; i <= 47; ++i)
        AddTask("Task " + std::to_string(i), LocalTime(2027, 5, 4, 8), LocalTime(2027, 5, 4, 16));
    TakeBaseline();
    Plot();
    view->offsetX = -100;
    view->offsetY = -30;
    LRecordingSurface screen;
    view->Prepaint(screen, nullptr);
    EXPECT_EQ(screen.Items().at(0).op, Op::Clear);
    EXPECT_EQ(screen.Items().at(0).colour, QPBaselineColours::kName);
    EXPECT_EQ(screen.TextItems("Page 1").size() + screen.TextItems("Page 2").size() +
                      screen.TextItems("Task 47").size(),
              1u);
    // The title at the table's corner inside its margins, on top; bold 11 points.
    // A row's text is centred in its cell: 13 tall in the recording surface's
    // metrics.
    const auto* title = screen.TextItems(view->GetTitle()).at(0);
    EXPECT_EQ(title->Origin(), (LPointF{50 + 2 - 100, 50 + 2 - 30}));
    EXPECT_EQ(title->font, (LFont{"", 11, true}));
    EXPECT_EQ(screen.TextItems("Task 1").at(0)->Origin().y, 50 + 64 + 2 + (28 - 13) / 2.0f - 30);
    view->CmShowNextTable(false);
    screen.ClearItems();
    view->Prepaint(screen, nullptr);
    EXPECT_EQ(screen.TextItems("Task 47").size() + screen.TextItems("Page 2").size(), 2u);

    // Printing writes every page and keeps the page on show; 1282 × 1636 becomes
    // about 775 × 989.
    LRecordingSurface paper(LSurface::Kind::Document);
    paper.SetPageSize(816, 1054, LPageUnit::Layout);
    ASSERT_TRUE(view->Draw(paper, LMatrix::Identity()));
    EXPECT_EQ(view->GetCurrentTable(), 2);
    const auto starts = paper.ItemsOf(Op::StartPage);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(paper.ItemsOf(Op::EndPage).size(), 2u);
    EXPECT_EQ(starts[0]->width + starts[0]->height, 816 + 1054);
    EXPECT_TRUE(paper.ItemsOf(Op::Clear).empty());
    EXPECT_LT(paper.TextItems("Page 1").at(0), starts[1]);
    EXPECT_GT(paper.TextItems("Page 2").at(0), starts[1]);
    EXPECT_EQ(paper.TextItems("Page 1").at(0)->font, (LFont{"Helvetica", 11, true}));
    const auto* printed = paper.TextItems(view->GetTitle()).at(0);
    EXPECT_FLOAT_EQ(printed->matrix.a, 0.6047f);
    EXPECT_FLOAT_EQ(printed->matrix.d, 0.6047f);
    EXPECT_NEAR(printed->Origin().x, 52 * 0.6047, 1e-3);
}

} // namespace
