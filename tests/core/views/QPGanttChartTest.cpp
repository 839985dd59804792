// The Gantt chart's scene: calendar columns and lead-in weeks, rows and their shapes,
// labels, arrows, markers, hiding, hit testing, what it draws on screen and on a page, and
// the export command. A partial paint against a full one is the pane's test (tests/gui).

#include "engine/LLocalDays.h"
#include "fileformat/LSettings.h"
#include "framework/LRecordingSurface.h"
#include "framework/LSettingsStore.h"
#include "model/QPProject.h"
#include "views/LAppSaveToPDF.h"
#include "views/QPGanttView.h"

#include "support/Plan.h"
#include "support/ScriptedPrompts.h"
#include "support/TempDir.h"
#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fcntl.h>
#include <map>
#include <regex>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

namespace {

using Op = LRecordingSurface::Op;
using Item = LRecordingSurface::Item;
using Points = std::vector<LPointF>;
constexpr int32_t kDay = 86400;

std::string Num(float value)
{
    std::ostringstream out;
    out << value;
    return out.str();
}

std::string Box(const LRectF& r)
{
    return Num(r.x) + " " + Num(r.y) + " " + Num(r.width) + " " + Num(r.height);
}

// Each figure of a path as its bounds, "x y width height", joined by ", ".
std::string Figures(const LGraphicsPath& path)
{
    std::string text;
    for (const auto& figure : path.Figures()) {
        LGraphicsPath one;
        one.AddLines(figure.points.data(), static_cast<int>(figure.points.size()));
        text += (text.empty() ? "" : ", ") + Box(one.Bounds());
    }
    return text;
}

struct SelectionLog : QPGanttInterface {
    void GanttViewSelectTask(int64_t taskKey) override { keys.push_back(taskKey); }
    std::vector<int64_t> keys;
};

// A date-time in March 2027; day 0 is the last of February.
LDateTime Mar(int day, int hour = 0, int minute = 0)
{
    return LocalTime(2027, 3, day, hour, minute);
}

// A project whose computed fields are set by hand, so that each case fixes exactly the
// dates the chart reads. The plan starts on Wednesday 3 March 2027 with its deadline on
// Saturday 20 March, and today is Wednesday 10 March.
class GanttChart : public ::testing::Test {
protected:
    GanttChart()
    {
        project.projectStart = project.projectFinish = Mar(3);
        project.projectDeadline = Mar(20);
    }
    // A task from `day` March at 08:00 to `lastDay` March at 16:00.
    QPTask& AddTask(const std::string& name, int day, int lastDay, int32_t freeSlack = 5 * kDay,
                    int32_t totalSlack = 5 * kDay)
    {
        return AddTask(name, Mar(day, 8), Mar(lastDay, 16), freeSlack, totalSlack);
    }
    QPTask& AddTask(const std::string& name, LDateTime start, LDateTime finish,
                    int32_t freeSlack = 5 * kDay, int32_t totalSlack = 5 * kDay)
    {
        QPTask& task = plan.Task(name, "");
        task.start = task.displayStart = start;
        task.finish = finish;
        task.freeSlack = freeSlack;
        task.totalSlack = totalSlack;
        project.projectFinish = std::max(project.projectFinish, finish);
        return task;
    }
    void ClearTasks()
    {
        while (project.tasks.size() > 0)
            project.ElementDelete<QPTask>(project.tasks.At(0).id, false);
    }
    QPCalendarChartNode& Plot()
    {
        view.PlotProject(project, today);
        return view.Root();
    }
    QPTaskNode& Row(int row) const
    {
        return static_cast<QPTaskNode&>(*view.Root().taskChart->Children().at(row - 1));
    }
    // Every row, one a line: its x from the first day of the plan, bar and slack widths,
    // its marks, then its name and resource labels with their x from the bar's, "right"
    // for right-aligned text and "white" for a white name. All rows are 21 tall, one under
    // the other below the strip, bar and slack making up the row's width.
    std::string Rows() const
    {
        std::string rows;
        const auto& children = view.Root().taskChart->Children();
        for (int number = 1; number <= static_cast<int>(children.size()); ++number) {
            const QPTaskNode& row = Row(number);
            EXPECT_EQ(std::vector({row.GetY(), row.barHeight, row.height, row.width}),
                      std::vector(
                              {30.0f + 21 * number, 21.0f, 21.0f, row.barWidth + row.slackWidth}));
            auto label = [&](const QPTaskLabelNode& l) {
                EXPECT_EQ(l.GetY() - row.GetY(), 1);
                return l.text + "@" + Num(l.GetX() - row.GetX()) + (l.leftAligned ? "" : " right");
            };
            rows += Num(row.GetX() - view.Root().mainStrip->GetX()) + " " + Num(row.barWidth) +
                    " " + Num(row.slackWidth) + (row.critical ? " critical" : "") +
                    (row.conflictPath.IsEmpty() ? "" : " conflict") + " " + label(*row.nameLabel) +
                    (row.nameLabel->colour == LColor::White() ? " white" : "");
            if (row.resourceLabel) {
                EXPECT_EQ(row.resourceLabel->colour, LColor::Black());
                rows += "; " + label(*row.resourceLabel);
            }
            rows += "\n";
        }
        return rows;
    }
    // The chart's size, the main strip's x, the number of nodes, and every column of every
    // strip in order of x, as its weekday letter with "|" for the line that starts a week
    // ("N weeks" for whole weeks); none is drawn twice (smoothed twice, a letter looks
    // bold), and all are one day wide from x 0 on without a gap.
    std::string Calendar() const
    {
        const QPCalendarChartNode& root = view.Root();
        std::map<float, std::string> columns;
        for (const auto& child : root.Children())
            if (dynamic_cast<QPCalendarStripNode*>(child.get()))
                for (const auto& cell : child->Children())
                    if (auto* column = dynamic_cast<QPColumnHeaderNode*>(cell.get())) {
                        const std::string text = column->text + (column->weekStart ? "|" : "");
                        EXPECT_TRUE(columns.emplace(column->GetX(), text).second);
                        EXPECT_EQ(std::vector({column->GetY(), column->width, column->height}),
                                  std::vector({0.0f, 20.0f, 30.0f}));
                    }
        std::string letters;
        float x = 0;
        for (const auto& [at, letter] : columns) {
            EXPECT_EQ(at, x);
            x += 20;
            letters += letter;
        }
        const std::string weeks = std::to_string(letters.size() / 8) + " weeks";
        return Num(root.width) + "x" + Num(root.height) + " from " + Num(root.mainStrip->GetX()) +
               ", " + std::to_string(root.Children().size()) + " nodes: " +
               (std::regex_match(letters, std::regex("(S\\|MTWTFS)*")) ? weeks : letters);
    }
    // The markers in drawing order, each as its kind and x.
    std::string Markers() const
    {
        const std::pair<LColor, const char*> kinds[] = {
                {QPGanttColours::kProjectedFinish, "finish"},
                {QPGanttColours::kDeadline, "deadline"},
                {QPGanttColours::kToday, "today"},
                {QPGanttColours::kProjectStart, "start"}};
        std::string text;
        for (const auto& child : view.Root().Children())
            if (auto* marker = dynamic_cast<QPDateHighlightNode*>(child.get())) {
                EXPECT_EQ(std::vector({marker->GetY(), marker->width}), std::vector({0.0f, 4.0f}));
                for (const auto& [colour, kind] : kinds)
                    if (marker->colour == colour)
                        text += (text.empty() ? "" : ", ") + std::string(kind) + " " +
                                Num(marker->GetX());
            }
        return text;
    }

    Plan plan;
    QPProject& project = plan.project;
    LDateTime today = Mar(10, 9);
    SelectionLog log;
    QPGanttView view{log};
};

TEST_F(GanttChart, WholeWeeksFromTheSundayBeforeTheStartToTheDeadlineOnePerDayWithFourMarkers)
{
    // Wednesday start: three lead-in days, Sunday 28 February to Saturday 20 March.
    // Markers are drawn first, then the main strip, the task chart, the lead-in and
    // extension strips; the main strip shows no Sunday, so no date.
    QPCalendarChartNode& root = Plot();
    EXPECT_EQ(Calendar() + "; " + Markers(),
              "420x35 from 60, 8 nodes: 3 weeks; finish 77, deadline 417, today 208, start 60");
    EXPECT_EQ(root.Children()[4].get(), root.mainStrip);
    EXPECT_EQ(root.Children()[5].get(), root.taskChart);
    std::string labels;
    for (const auto& child : root.Children())
        for (const auto& cell : child->Children())
            if (auto* label = dynamic_cast<QPHeaderLabelNode*>(cell.get()))
                labels += label->text + "@" + Num(label->GetX()) + " ";
    EXPECT_EQ(labels, "28 February 2027@0 7 March 2027@140 14 March 2027@280 ");
    // Today's marker only within the chart.
    for (const auto& [when, markers] :
         {std::pair{Mar(20, 23, 59), "finish 77, deadline 417, today 408, start 60"},
          {Mar(21, 0, 1), "finish 77, deadline 417, start 60"},
          {LocalTime(2027, 2, 28), "finish 77, deadline 417, today 8, start 60"},
          {LocalTime(2027, 2, 27, 23, 59), "finish 77, deadline 417, start 60"}}) {
        today = when;
        Plot();
        EXPECT_EQ(Markers(), markers);
    }
    // A new plan: its deadline and today on its first day. The start, today and the
    // deadline keep their places; the finish moves beside them.
    project.projectDeadline = Mar(3, 23, 59);
    today = Mar(3, 9);
    Plot();
    EXPECT_EQ(Markers(), "finish 73, deadline 77, today 68, start 60");
    // A Sunday start without overhang has no lead-in and no other strip.
    project.projectStart = project.projectFinish = Mar(7);
    project.projectDeadline = Mar(13);
    Plot();
    EXPECT_EQ(Calendar() + "; " + Markers(),
              "140x35 from 0, 5 nodes: 1 weeks; finish 17, deadline 137, start 0");
    // The chart runs on to the Saturday after a deadline beyond the last task; the marker
    // stays on the deadline's own day, whatever weekday it is.
    project.projectStart = project.projectFinish = Mar(3);
    today = Mar(10, 9);
    AddTask("Survey", 3, 5);
    for (int day = 21; day <= 27; ++day) {
        project.projectDeadline = Mar(day, 23, 59);
        EXPECT_EQ(Plot().width, 28 * 20);
        EXPECT_EQ(Markers(), "finish 117, deadline " + std::to_string(day * 20 + 17) +
                                     ", today 208, start 60");
    }
    // Columns stay one per calendar day across daylight saving changes: in New York clocks go
    // forward on Sunday 14 March 2027 and back on Sunday 7 November.
    ScopedTimeZone zone("America/New_York");
    ClearTasks();
    project.projectStart = project.projectFinish = Mar(7);
    project.projectDeadline = LocalTime(2027, 11, 13);
    // Half an hour into Monday 15 March, the first Monday of summer time: less than eight
    // times 24 hours after the chart's start, but on its eighth day.
    AddTask("Summer", Mar(15, 0, 30), Mar(15, 16));
    AddTask("Autumn", LocalTime(2027, 11, 8, 0, 30), LocalTime(2027, 11, 9, 0));
    Plot();
    EXPECT_EQ(Calendar(), "5040x98 from 0, 6 nodes: 36 weeks");
    // Monday 8 November is 246 days after 7 March.
    EXPECT_EQ(Rows(), "160 20 99 Summer@-58 right\n"
                      "4920 20 99 Autumn@-58 right\n");
}

TEST_F(GanttChart, RowsShowBarsSlackTailsMarksAndLabelsByTheKindOfTaskOnScreenAndPage)
{
    project.projectStart = Mar(7); // a Sunday
    AddTask("Five", 8, 12);
    // Ending at midnight leaves the next day free; a tail of every started day of slack
    // stops one short of its column.
    AddTask("Two", Mar(8, 8), Mar(10), kDay + kDay / 2);
    AddTask("One", Mar(9, 8), Mar(9, 12), kDay);
    AddTask("Go", Mar(10, 8), Mar(10, 8), 0, 0).milestone = true;
    AddTask("Phase", 8, 12).isHeader = true;
    AddTask("Clash", 8, 9, 0, 0).resourceConflict = true;
    AddTask("Loose", 8, 9, 0, kDay); // free slack 0 alone is not critical
    AddTask("S", 8, 9, 1, 1);        // a second of slack is none
    AddTask("2s", 8, 9, 1, 2);
    AddTask("Twenty characters ok", 8, 12); // 160 wide, more than the 100 of the bar
    AddTask("Thirteen char", 8, 12);        // 5 + 104 > 100
    // The newest assignment comes first; one without its resource is left out.
    QPTask& dig = AddTask("Dig", 8, 9);
    dig.AddResourceAssignment(plan.Resource("B").key, 50);
    dig.AddResourceAssignment(plan.Resource("A").key, 100);
    dig.AddResourceAssignment(9999, 100);
    // "<name> — 10%" is the name and 6 characters: 254 in all, then 255, cut to 253.
    for (const std::size_t length : {248, 249}) {
        const int64_t key = plan.Resource(std::string(length, 'x')).key;
        AddTask("Haul", 8, 9).AddResourceAssignment(key, 10);
    }
    Plot();
    EXPECT_EQ(Rows(), "20 100 99 Five@5 white\n"
                      "20 40 39 Two@5 white\n"
                      "40 20 19 One@-34 right\n"
                      "60 20 -1 critical Go@-26 right\n"
                      "20 100 99 Phase@5\n"
                      "20 40 -1 critical conflict Clash@-50 right\n"
                      "20 40 -1 Loose@-50 right\n"
                      "20 40 19 critical S@5 white\n"
                      "20 40 19 2s@5 white\n"
                      "20 100 99 Twenty characters ok@-170 right\n"
                      "20 100 99 Thirteen char@-114 right\n"
                      "20 40 99 Dig@5 white; A \u2014 100%, B \u2014 50%@50\n"
                      "20 40 99 Haul@5 white; " +
                              std::string(248, 'x') + " \u2014 10%@50\n" +
                              "20 40 99 Haul@5 white; " + std::string(249, 'x') +
                              " \u2014 1...@50\n");
    // The label sticks out 150 before Sunday 7 March: 8 lead-in days, then back to a
    // Sunday, 14 in all; the chart reaches to the end of the longest row: bar, slack tail,
    // gap and label (an em dash is one character), 280 + 20 + 40 + 99 + 10 + 8 * 256 in all.
    EXPECT_EQ(Calendar(), "2497x350 from 280, 8 nodes: 4 weeks");
    // Shapes: a bar, a slack tail, a diamond, a bracket and a conflict cross.
    EXPECT_EQ(Figures(Row(1).shapePath) + " / " + Figures(Row(2).slackPath) + " / " +
                      Figures(Row(6).slackPath) + " / " + Figures(Row(5).shapePath) + " / " +
                      Figures(Row(6).conflictPath),
              "0 4 100 14 / 41 14 39 4 /  / 0 0 100 5.25, 0 5.25 5 15.75, 95 5.25 5 15.75 / 30 9 8 "
              "8, 30 9 8 8");
    ASSERT_EQ(Row(4).shapePath.Figures().size(), 1u);
    EXPECT_TRUE(Row(4).shapePath.Figures()[0].closed);
    EXPECT_EQ(Row(4).shapePath.Figures()[0].points,
              (Points{{10, 0}, {20, 10.5f}, {10, 21}, {0, 10.5f}, {10, 0}}));
    // The screen outlines bars, critical ones red; the page, the chart's whole units with the
    // markers first (the finish first), only fills them, in Helvetica and texts 3 further in.
    view.Root().width += 0.75f;
    LRecordingSurface screen(LSurface::Kind::Screen), page(LSurface::Kind::Document);
    view.Prepaint(screen, nullptr);
    ASSERT_TRUE(view.Draw(page, LMatrix::Identity()));
    const QPTaskLabelNode& label = *Row(10).nameLabel; // right aligned, at the label's y 3
    for (const auto& [surface, font, in] : {std::tuple{&screen, "", 0}, {&page, "Helvetica", 3}}) {
        EXPECT_EQ(std::ranges::any_of(
                          surface->ItemsOf(Op::DrawPath),
                          [](auto* o) { return o->colour == QPGanttColours::kCriticalTask; }),
                  surface == &screen);
        const auto* dig = surface->TextItems("Dig").at(0);
        EXPECT_TRUE(dig->font == (LFont{font, 11}) && dig->colour == LColor::White());
        EXPECT_EQ(surface->TextItems("Twenty characters ok").at(0)->Origin(),
                  (LPointF{label.GetX() + 160 - 20 * 6 - in, label.GetY() + 3}));
        EXPECT_EQ(surface->TextItems("7 March 2027").at(0)->x, in);
    }
    EXPECT_EQ(screen.Items().at(0).op, Op::Clear);
    EXPECT_EQ(std::vector({page.GetPageWidth(), page.GetPageHeight()}),
              std::vector({float(int(view.Root().width)), float(int(view.Root().height))}));
    EXPECT_EQ(page.GetPageUnit(), LPageUnit::Point);
    EXPECT_TRUE(page.Items().front().op == Op::StartPage && page.Items().back().op == Op::EndPage);
    EXPECT_TRUE(page.ItemsOf(Op::Clear).empty() && page.ItemsOf(Op::ClipToPageRect).empty());
    EXPECT_EQ(page.ItemsOf(Op::FillRect).size(), 4u);
    EXPECT_EQ(page.Items()[1].colour, QPGanttColours::kProjectedFinish);
}

TEST_F(GanttChart, ArrowsLeaveAndEnterTheEndsTheirLinkNamesAlongTheRowsChannelUnlessHidden)
{
    // P on row 1 from Monday 8 to Wednesday 10 March (x 20, 60 wide); S on row 2 from
    // Tuesday 9 to Thursday 11 (x 40, 60 wide): S starts before P finishes. Out of P's
    // end, down to the bottom of P's row, along it, into S's end.
    project.projectStart = Mar(7);
    // Each kind's ends and turns in x: x0 .. xe, and the arrow node's x.
    const std::array<float, 7> cases[] = {{eFinishToStart, 80, 90, 30, 34, 40, 20},
                                          {eStartToStart, 20, 10, 30, 34, 40, 10},
                                          {eFinishToFinish, 80, 90, 110, 106, 100, 20},
                                          {eStartToFinish, 20, 10, 110, 106, 100, 10}};
    for (const auto& [type, x0, x1, x2, x3, xe, nodeX] : cases) {
        ClearTasks();
        QPTask& p = AddTask("P", 8, 10);
        AddTask("S", 9, 11).AddDependency(p.key, int32_t(type), 0);
        Plot();
        ASSERT_EQ(Row(2).Children().size(), 2u);
        const auto& arrow = static_cast<const QPTaskDependencyNode&>(*Row(2).Children().back());
        const float py = 51 + 10.5f, sy = 72 + 10.5f;
        std::vector<Points> route;
        const LGraphicsPath scene = arrow.path.Translated(arrow.GetX(), arrow.GetY());
        for (const auto& figure : scene.Figures())
            route.push_back(figure.points);
        EXPECT_EQ(route,
                  (std::vector<Points>{{{x0, py}, {x1, py}},
                                       {{x1, py}, {x1, 72}},
                                       {{x1, 72}, {x2, 72}},
                                       {{x2, 72}, {x2, sy}},
                                       {{x2, sy}, {x3, sy}},
                                       {{x3, sy - 4}, {xe, sy}, {x3, sy + 4}, {x3, sy - 4}}}))
                << type;
        EXPECT_EQ(std::vector({arrow.GetX(), arrow.GetY()}), std::vector({nodeX, 51.0f}));
        EXPECT_TRUE(arrow.path.Figures().back().closed);
    }
    // Upwards, the run is along the top of the predecessor's row: P row 2 (top 72).
    ClearTasks();
    AddTask("S", 12, 12).AddDependency(AddTask("P", 8, 8).key, eFinishToStart, 0);
    Plot();
    const auto& arrow = static_cast<const QPTaskDependencyNode&>(*Row(1).Children().back());
    EXPECT_EQ(arrow.path.Translated(arrow.GetX(), arrow.GetY()).Figures()[2].points,
              (Points{{50, 74}, {90, 74}}));
    // Subtasks of a hiding header get no row and their links no arrow.
    ClearTasks();
    QPTask& before = AddTask("Before", 8, 8);
    QPTask& header = AddTask("Phase", 9, 10);
    QPTask& inner = AddTask("Inner", 9, 10);
    QPTask& after = AddTask("After", 11, 11);
    header.isHeader = header.hideSubtasks = true;
    header.subtaskKeys = {inner.key};
    inner.headerKey = header.key;
    inner.AddDependency(before.key, eFinishToStart, 0);
    after.AddDependency(inner.key, eFinishToStart, 0);
    after.AddDependency(before.key, eFinishToStart, 0);
    Plot();
    EXPECT_EQ(Rows(), "20 20 99 Before@-58 right\n"
                      "40 40 99 Phase@-50 right\n"
                      "80 20 99 After@-50 right\n");
    EXPECT_EQ(Row(3).Children().size(), 2u); // the label and the arrow from Before
    header.hideSubtasks = false;
    Plot();
    EXPECT_EQ(view.Root().taskChart->Children().size(), 4u);
    EXPECT_EQ(Row(4).Children().size(), 3u);
}

TEST_F(GanttChart, AClickSelectsOnlyTheBarUnderIt)
{
    project.projectStart = Mar(7);
    const int64_t a = AddTask("A", 8, 9, 3 * kDay).key;
    const int64_t b = AddTask("B has a long name", 10, 10).key;
    Plot();
    const int shift = static_cast<int>(view.Root().mainStrip->GetX());
    // A's bar: x 20..60 (plus the lead-in), rows 51..72; then A's slack tail, B's label
    // left of its bar, the calendar; row boundaries belong to the upper row.
    for (const auto& [x, y] : {std::pair{20, 51}, {60, 72}, {70, 60}, {30, 90}, {30, 20}, {50, 72}})
        view.EvLButtonDown(shift + x, y);
    EXPECT_EQ(log.keys, (std::vector<int64_t>{a, a, a}));
    // Scrolling moves the picture, not the bars.
    view.offsetX = static_cast<float>(-shift);
    view.offsetY = -40;
    view.EvLButtonDown(60, 93 - 40);
    EXPECT_EQ(log.keys.back(), b);
}

TEST(GanttLayout, PagesOfAtMost14400CutBetweenDaysAndRowsAndScrollBarsHorizontalFirst)
{
    auto pages = [](float width, float height) {
        std::string text;
        for (const QPGanttPage& p : QPGanttPages(width, height))
            text += Box({p.x, p.y, p.width, p.height}) + "; ";
        return text;
    };
    EXPECT_EQ(pages(1329, 518), "0 30 1329 518; ");
    EXPECT_EQ(pages(14400, 14400), "0 30 14400 14400; ");
    // Equal whole weeks (of 140) across, the last page taking the rest.
    EXPECT_EQ(pages(27300, 600), "0 30 13720 600; 13720 30 13580 600; ");
    EXPECT_EQ(pages(14401, 100), "0 30 7280 100; 7280 30 7121 100; ");
    // Whole rows (of 21) down, every lower page with the 30 of the strip on top.
    EXPECT_EQ(pages(500, 30000), "0 30 500 10026; 0 10026 500 10026; 0 20022 500 10008; ");
    // Left to right, then top to bottom.
    EXPECT_EQ(pages(20000, 20000), "0 30 10080 10026; 10080 30 9920 10026; 0 10026 10080 "
                                   "10004; 10080 10026 9920 10004; ");
    // The scroll bars: the horizontal one first, then the vertical one.
    auto layout = [](float width, float height) {
        const QPGanttScrollLayout l = QPGanttLayoutScrollBars(width, height, 400, 300);
        return std::to_string(l.horizontal) + std::to_string(l.vertical) + " " +
               std::to_string(l.visibleWidth) + "x" + std::to_string(l.visibleHeight) + " of " +
               std::to_string(l.horizontalExtent) + "x" + std::to_string(l.verticalExtent);
    };
    EXPECT_EQ(layout(400, 300), "00 400x300 of 400x300");
    // Wider: the horizontal bar takes 16 of the height, which makes the chart too tall.
    EXPECT_EQ(layout(400.5f, 290), "11 385x284 of 401x290");
    // Taller only: the vertical bar narrows the view below the chart's width, but the
    // horizontal decision is not taken again.
    EXPECT_EQ(layout(395, 1000), "01 385x300 of 395x1000");
    EXPECT_EQ(std::vector({QPGanttClampScrollPosition(700, 1000, 385),
                           QPGanttClampScrollPosition(100, 1000, 385),
                           QPGanttClampScrollPosition(50, 300, 400)}),
              std::vector({615, 100, 0}));
}

// A plan of almost three years and 700 rows: every row alternates between a bar in the
// first week and one 1,000 days later, so each of the four pages has bars of its own.
TEST_F(GanttChart, ALongPlanIsWrittenOnPagesThatEachShowTheDateStrip)
{
    for (int i = 1; i <= 700; ++i) {
        const LDateTime start = LLocalDays::AddDays(Mar(3, 8), i % 2 ? 0 : 1000);
        AddTask("Task " + std::to_string(i), start, LLocalDays::AddDays(start, 2));
    }
    Plot();
    LRecordingSurface document(LSurface::Kind::Document);
    ASSERT_TRUE(view.Draw(document, LMatrix::Identity()));
    const auto starts = document.ItemsOf(Op::StartPage);
    const auto pages = QPGanttPages(float(int(view.Root().width)), float(int(view.Root().height)));
    ASSERT_EQ(std::vector({pages.size(), starts.size()}), std::vector({4ul, 4ul}));
    // The page each item is drawn on, from 0, and where it lands on it.
    auto pageOf = [&](const Item* item) {
        return std::upper_bound(starts.begin(), starts.end(), item) - starts.begin() - 1;
    };
    auto within = [&](const Item* item, float top) {
        const LPointF at = item->Origin();
        const QPGanttPage& page = pages[pageOf(item)];
        return at.x >= 0 && at.x < page.width && at.y >= top && at.y < page.height;
    };
    std::vector<int> stripTexts(4);
    for (const auto* text : document.ItemsOf(Op::DrawText))
        stripTexts[pageOf(text)] += within(text, 0) && text->Origin().y < 30;
    // Each page's own bars below its strip: top left, top right, bottom left, bottom right.
    const char* names[] = {"Task 1", "Task 2", "Task 699", "Task 700"};
    for (std::size_t p = 0; p < 4; ++p) {
        EXPECT_EQ(std::vector({starts[p]->width, starts[p]->height}),
                  std::vector({pages[p].width, pages[p].height}));
        EXPECT_GT(stripTexts[p], 100) << "page " << p + 1;
        const auto found = document.TextItems(names[p]);
        ASSERT_EQ(found.size(), 1u) << names[p];
        EXPECT_TRUE(pageOf(found[0]) == long(p) && within(found[0], 31)) << names[p];
    }
    // The lower pages keep their rows out of the strip.
    const auto clips = document.ItemsOf(Op::ClipToPageRect);
    ASSERT_EQ(clips.size(), 4u);
    EXPECT_EQ(pageOf(clips[0]), 2);
    EXPECT_EQ(std::vector({clips[0]->height, clips[1]->y, clips[1]->y + clips[1]->height}),
              std::vector({31.0f, 31.0f, pages[2].height}));
}

// A document surface that fails to complete when told.
struct FakeWriter : LRecordingSurface {
    explicit FakeWriter(bool fail) : LRecordingSurface(Kind::Document), fail(fail) {}
    bool Close() override { return !fail; }
    bool fail;
};

TEST_F(GanttChart, ExportAsksRemembersTheFolderRefusesAFileInUseAndReportsAFailedWrite)
{
    Plot();
    ScriptedPrompts prompts;
    LMemorySettingsStore store;
    TempDir folder;
    const std::string chart = folder.File("chart.pdf"), busy = folder.File("busy.pdf");
    std::string created, asked;
    bool fail = false;
    auto exportChart = [&](std::optional<std::string> answer) {
        prompts.Then(answer);
        LPDFWriterFactory factory = [&](const std::string& path, int paperSize) {
            created += path + " " + std::to_string(paperSize) + "; ";
            return std::make_unique<FakeWriter>(fail);
        };
        return LAppSaveToPDF(prompts, store, "/home/me", factory, view, LPrint::ePaperLetter);
    };
    // Cancelled, nothing is remembered; the next panel opens where the last file went. A
    // file another program is writing is left alone.
    EXPECT_EQ(exportChart(std::nullopt), LSaveToPDFResult::Cancelled);
    EXPECT_EQ(exportChart(chart), LSaveToPDFResult::Written);
    const int fd = open(busy.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);
    EXPECT_EQ(exportChart(busy), LSaveToPDFResult::InUse);
    close(fd);
    fail = true;
    EXPECT_EQ(exportChart(busy), LSaveToPDFResult::Failed);
    EXPECT_EQ(created, chart + " 1; " + busy + " 1; ");
    for (const ScriptedPrompts::Prompt& prompt : prompts.asked)
        asked += (prompt.kind == "save" ? prompt.folder : prompt.message) + "; ";
    EXPECT_EQ(asked, "/home/me; /home/me; " + folder.path +
                             "; The document is in use by another application and cannot be "
                             "accessed; " +
                             folder.path + "; The PDF file \"" + busy +
                             "\" could not be written.; ");
}

} // namespace
