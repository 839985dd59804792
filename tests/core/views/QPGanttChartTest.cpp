// The Gantt chart's scene: calendar columns and lead-in weeks, rows and their shapes,
// labels, arrows, markers, hiding, hit testing, and what it draws on screen and on a page.

#include "engine/LLocalDays.h"
#include "framework/LRecordingSurface.h"
#include "model/QPProject.h"
#include "views/QPGanttView.h"

#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>

namespace {

using Op = LRecordingSurface::Op;
using Points = std::vector<LPointF>;
constexpr int32_t kDay = 86400;

std::array<float, 4> Box(float a, float b, float c, float d)
{
    return {a, b, c, d};
}

struct SelectionLog : QPGanttInterface {
    void GanttViewSelectTask(int64_t taskKey) override { keys.push_back(taskKey); }
    std::vector<int64_t> keys;
};

// A project whose computed fields are set by hand, so that each case fixes exactly the
// dates the chart reads. The plan starts on Wednesday 3 March 2027 with its deadline on
// Saturday 20 March, and today is Wednesday 10 March.
class GanttChart : public ::testing::Test {
protected:
    GanttChart()
    {
        project.projectStart = project.projectFinish = LocalTime(2027, 3, 3);
        project.projectDeadline = LocalTime(2027, 3, 20);
    }
    // A task from `day` March at 08:00 to `lastDay` March at 16:00 (Sunday 7 March is the
    // first column of a chart started on it).
    QPTask& AddTask(const std::string& name, int day, int lastDay, int32_t freeSlack = 5 * kDay,
                    int32_t totalSlack = 5 * kDay)
    {
        return AddTask(name, LocalTime(2027, 3, day, 8), LocalTime(2027, 3, lastDay, 16), freeSlack,
                       totalSlack);
    }
    QPTask& AddTask(const std::string& name, LDateTime start, LDateTime finish,
                    int32_t freeSlack = 5 * kDay, int32_t totalSlack = 5 * kDay)
    {
        auto task = std::make_unique<QPTask>();
        task->name = name;
        task->start = task->displayStart = start;
        task->finish = finish;
        task->freeSlack = freeSlack;
        task->totalSlack = totalSlack;
        project.projectFinish = std::max(project.projectFinish, finish);
        return project.ElementAdd(std::move(task), false);
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
    // Every column of every strip, in order of x, as its weekday letter with "|" for the
    // line that starts a week; none is drawn twice (smoothed twice, a letter looks bold),
    // and all are one day wide from x 0 on without a gap.
    std::string Columns() const
    {
        std::map<float, std::string> columns;
        for (const auto& child : view.Root().Children())
            if (dynamic_cast<QPCalendarStripNode*>(child.get()))
                for (const auto& cell : child->Children())
                    if (auto* column = dynamic_cast<QPColumnHeaderNode*>(cell.get())) {
                        const std::string text = column->text + (column->weekStart ? "|" : "");
                        EXPECT_TRUE(columns.emplace(column->GetX(), text).second);
                        EXPECT_EQ(Box(column->GetY(), column->width, column->height, 0),
                                  Box(0, 20, 30, 0));
                    }
        std::string letters;
        float x = 0;
        for (const auto& [at, letter] : columns) {
            EXPECT_EQ(at, x);
            x += 20;
            letters += letter;
        }
        return letters;
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
                EXPECT_EQ(Box(marker->GetY(), marker->width, 0, 0), Box(0, 4, 0, 0));
                for (const auto& [colour, kind] : kinds)
                    if (marker->colour == colour)
                        text += (text.empty() ? "" : ", ") + std::string(kind) + " " +
                                std::to_string(int(marker->GetX()));
            }
        return text;
    }

    QPProject project;
    LDateTime today = LocalTime(2027, 3, 10, 9);
    SelectionLog log;
    QPGanttView view{log};
};

const std::string kWeek = "S|MTWTFS";

// --- the calendar ------------------------------------------------------------------------

TEST_F(GanttChart, WholeWeeksFromTheSundayBeforeTheStartToTheDeadlineWithFourMarkers)
{
    // Wednesday start: three lead-in days, Sunday 28 February to Saturday 20 March.
    QPCalendarChartNode& root = Plot();
    EXPECT_EQ(root.width, 21 * 20);
    EXPECT_EQ(root.height, 35);
    EXPECT_EQ(root.mainStrip->GetX(), 60);
    EXPECT_EQ(root.taskChart->GetX(), 60);
    EXPECT_EQ(Columns(), kWeek + kWeek + kWeek);
    std::map<float, std::string> labels;
    for (const auto& child : root.Children())
        if (dynamic_cast<QPCalendarStripNode*>(child.get()))
            for (const auto& cell : child->Children())
                if (auto* label = dynamic_cast<QPHeaderLabelNode*>(cell.get()))
                    labels[label->GetX()] = label->text;
    EXPECT_EQ(labels,
              (std::map<float, std::string>{
                      {0, "28 February 2027"}, {140, "7 March 2027"}, {280, "14 March 2027"}}));
    // Drawn first, then the main strip, the task chart, the lead-in and extension strips.
    EXPECT_EQ(Markers(), "finish 77, deadline 417, today 208, start 60");
    ASSERT_EQ(root.Children().size(), 8u);
    EXPECT_EQ(root.Children()[4].get(), root.mainStrip);
    EXPECT_EQ(root.Children()[5].get(), root.taskChart);
    EXPECT_EQ(root.chartFinish, LocalTime(2027, 3, 20));

    // The chart runs on to the Saturday after a deadline beyond the last task; the marker
    // stays on the deadline's own day, whatever weekday it is.
    AddTask("Survey", 3, 5);
    for (int day = 21; day <= 27; ++day) {
        project.projectDeadline = LocalTime(2027, 3, day, 23, 59);
        EXPECT_EQ(Plot().width, 28 * 20);
        EXPECT_EQ(Markers(), "finish 117, deadline " + std::to_string(day * 20 + 17) +
                                     ", today 208, start 60");
    }
}

TEST_F(GanttChart, TodaysMarkerOnlyWithinTheChartAndMarkersOnOneDaySideBySide)
{
    for (const auto& [when, markers] :
         {std::pair{LocalTime(2027, 3, 20, 23, 59), "finish 77, deadline 417, today 408, start 60"},
          {LocalTime(2027, 3, 21, 0, 1), "finish 77, deadline 417, start 60"},
          {LocalTime(2027, 2, 28), "finish 77, deadline 417, today 8, start 60"},
          {LocalTime(2027, 2, 27, 23, 59), "finish 77, deadline 417, start 60"}}) {
        today = when;
        Plot();
        EXPECT_EQ(Markers(), markers);
    }
    // A new plan: its deadline and today on its first day. The start, today and the
    // deadline keep their places; the finish moves beside them.
    project.projectDeadline = LocalTime(2027, 3, 3, 23, 59);
    today = LocalTime(2027, 3, 3, 9);
    Plot();
    EXPECT_EQ(Markers(), "finish 73, deadline 77, today 68, start 60");
    // A Sunday start without overhang has no lead-in and no other strip.
    project.projectStart = project.projectFinish = LocalTime(2027, 3, 7);
    project.projectDeadline = LocalTime(2027, 3, 13);
    QPCalendarChartNode& root = Plot();
    EXPECT_EQ(root.mainStrip->GetX(), 0);
    EXPECT_EQ(Columns(), kWeek);
    EXPECT_EQ(root.Children().size(), 5u);
    EXPECT_EQ(Markers(), "finish 17, deadline 137, start 0");
}

TEST_F(GanttChart, ColumnsStayOnePerCalendarDayAcrossDaylightSavingChanges)
{
    ScopedTimeZone zone("America/New_York");
    // Clocks go forward on Sunday 14 March 2027 and back on Sunday 7 November.
    project.projectStart = project.projectFinish = LocalTime(2027, 3, 7);
    project.projectDeadline = LocalTime(2027, 11, 13);
    // Half an hour into Monday 15 March, the first Monday of summer time: less than eight
    // times 24 hours after the chart's start, but on its eighth day.
    AddTask("Summer", LocalTime(2027, 3, 15, 0, 30), LocalTime(2027, 3, 15, 16));
    AddTask("Autumn", LocalTime(2027, 11, 8, 0, 30), LocalTime(2027, 11, 9, 0));
    QPCalendarChartNode& root = Plot();
    std::string weeks;
    while (weeks.size() < root.width / 20 * 8 / 7)
        weeks += kWeek;
    EXPECT_EQ(Columns(), weeks);
    EXPECT_EQ(Row(1).GetX(), 8 * 20);
    EXPECT_EQ(Row(1).barWidth, 20);
    EXPECT_EQ(Row(2).GetX(), 246 * 20); // Monday 8 November, 246 days after 7 March
    EXPECT_EQ(Row(2).barWidth, 20);
}

// --- rows --------------------------------------------------------------------------------

TEST_F(GanttChart, BarsCoverTheDaysTheyTouchWithSlackTailsOfEveryStartedDay)
{
    project.projectStart = LocalTime(2027, 3, 7); // a Sunday: no lead-in
    AddTask("Five", 8, 12);
    AddTask("Two", LocalTime(2027, 3, 8, 8), LocalTime(2027, 3, 10), kDay + kDay / 2);
    AddTask("One", LocalTime(2027, 3, 9, 8), LocalTime(2027, 3, 9, 12), kDay);
    AddTask("T", 9, 9, 0, 0);
    Plot();
    // Ending at midnight leaves the next day free; a tail stops one short of its column.
    const std::string rows[] = {"20 100 99", "20 40 39", "40 20 19", "40 20 -1"};
    for (int row = 1; row <= 4; ++row) {
        EXPECT_EQ(std::to_string(int(Row(row).GetX())) + " " +
                          std::to_string(int(Row(row).barWidth)) + " " +
                          std::to_string(int(Row(row).slackWidth)),
                  rows[row - 1]);
        EXPECT_EQ(Row(row).width, Row(row).barWidth + Row(row).slackWidth);
        EXPECT_EQ(Box(Row(row).GetY(), Row(row).barHeight, Row(row).height, 0),
                  Box(30 + 21 * row, 21, 21, 0));
    }
    LGraphicsPath bar, slack;
    bar.AddRectangle(0, 4, 100, 14);
    slack.AddRectangle(41, 14, 39, 4);
    EXPECT_EQ(Row(1).shapePath, bar);
    EXPECT_EQ(Row(2).slackPath, slack);
    EXPECT_TRUE(Row(4).slackPath.IsEmpty());
    EXPECT_EQ(view.Root().taskChart->height, 105);
    EXPECT_EQ(view.Root().height, 30 + 105 + 5);
}

TEST_F(GanttChart, ShapesAndColoursFollowTheKindOfTask)
{
    project.projectStart = LocalTime(2027, 3, 7);
    QPTask& milestone = AddTask("Go", LocalTime(2027, 3, 10, 8), LocalTime(2027, 3, 10, 8), 0, 0);
    milestone.milestone = true;
    AddTask("Phase", 8, 12).isHeader = true;
    AddTask("Clash", 8, 9, 0, 0).resourceConflict = true;
    AddTask("Loose", 8, 9, 0, kDay); // free slack 0 alone is not enough
    AddTask("Second", 8, 9, 1, 1);   // a second of slack is none
    AddTask("Two seconds", 8, 9, 1, 2);
    Plot();
    std::string critical;
    for (int row = 1; row <= 6; ++row)
        critical += Row(row).critical ? '1' : '0';
    EXPECT_EQ(critical, "101010");

    EXPECT_EQ(Row(1).barWidth, 20);
    EXPECT_EQ(Row(1).criticalColour, (LColor{146, 26, 26}));
    ASSERT_EQ(Row(1).shapePath.Figures().size(), 1u);
    EXPECT_TRUE(Row(1).shapePath.Figures()[0].closed);
    EXPECT_EQ(Row(1).shapePath.Figures()[0].points,
              (Points{{10, 0}, {20, 10.5f}, {10, 21}, {0, 10.5f}, {10, 0}}));
    LGraphicsPath bracket, cross;
    bracket.AddRectangle(0, 0, 100, 5.25f);
    bracket.AddRectangle(0, 5.25f, 5, 15.75f);
    bracket.AddRectangle(95, 5.25f, 5, 15.75f);
    EXPECT_EQ(Row(2).shapePath, bracket);
    cross.AddLine(30, 9, 38, 17);
    cross.AddLine(30, 17, 38, 9);
    EXPECT_EQ(Row(3).conflictPath, cross);
    EXPECT_EQ(Row(3).criticalColour, (LColor{208, 37, 36}));
    EXPECT_EQ(Row(4).normalColour, (LColor{71, 141, 255}));
}

TEST_F(GanttChart, NamesGoInsideWhenTheyFitResourcesAfterTheBar)
{
    project.projectStart = LocalTime(2027, 3, 7);
    AddTask("Dig", 8, 12);
    AddTask("Twenty characters ok", 8, 12);
    AddTask("Phase", 8, 12).isHeader = true;
    AddTask("Thirteen char", 8, 12); // 5 + 104 > 100
    Plot();
    const QPTaskLabelNode& inside = *Row(1).nameLabel;
    EXPECT_EQ(Box(inside.GetX() - Row(1).GetX(), inside.GetY() - Row(1).GetY(), inside.width,
                  inside.height),
              Box(5, 1, 24, 21));
    EXPECT_EQ(inside.colour, LColor::White());
    // 20 characters are 160 wide, more than the 100 of a five-day bar.
    const QPTaskLabelNode& before = *Row(2).nameLabel;
    EXPECT_EQ(before.width, 160);
    EXPECT_EQ(before.GetX() - Row(2).GetX(), -170);
    EXPECT_EQ(before.colour, LColor::Black());
    std::string leftAligned;
    for (int row = 1; row <= 4; ++row)
        leftAligned += Row(row).nameLabel->leftAligned ? '1' : '0';
    EXPECT_EQ(leftAligned, "1010");
    EXPECT_EQ(Row(3).nameLabel->colour, LColor::Black());
    // The label sticks out 150 before Sunday 7 March: 8 lead-in days, then back to a
    // Sunday, 14 in all.
    EXPECT_EQ(view.Root().mainStrip->GetX(), 14 * 20);
    EXPECT_GE(before.GetX(), 0);
    const std::string columns = Columns();
    EXPECT_EQ(columns.substr(0, 16) + columns.substr(columns.size() - 8), kWeek + kWeek + kWeek);
}

TEST_F(GanttChart, ResourceLabelListsTheAssignedResourcesAfterTheBarCutAt255Characters)
{
    project.projectStart = LocalTime(2027, 3, 7);
    auto addResource = [&](const std::string& name) {
        auto resource = std::make_unique<QPResource>();
        resource->name = name;
        return project.ElementAdd(std::move(resource), false).key;
    };
    QPTask& task = AddTask("Dig", 8, 9);
    // The newest assignment comes first; one without its resource is left out.
    task.AddResourceAssignment(addResource("B"), 50);
    task.AddResourceAssignment(addResource("A"), 100);
    task.AddResourceAssignment(9999, 100);
    // "<name> — 10%" is the name and 6 characters: 254 in all, then 255.
    for (const std::size_t length : {248, 249}) {
        const int64_t key = addResource(std::string(length, 'x'));
        AddTask("Haul", 8, 9).AddResourceAssignment(key, 10);
    }
    Plot();
    const QPTaskLabelNode& label = *Row(1).resourceLabel;
    EXPECT_EQ(label.text, "A \u2014 100%, B \u2014 50%");
    EXPECT_EQ(label.width, 8 * 17); // an em dash is one character
    EXPECT_EQ(label.GetX() - Row(1).GetX(), 40 + 10);
    EXPECT_TRUE(label.leftAligned);
    EXPECT_EQ(label.colour, LColor::Black());
    EXPECT_EQ(Row(2).resourceLabel->text, std::string(248, 'x') + " \u2014 10%");
    const std::string& cut = Row(3).resourceLabel->text;
    EXPECT_EQ(cut, std::string(249, 'x') + " \u2014 1...");
    // The chart reaches to the end of the longest row: bar, slack tail, gap and label.
    EXPECT_EQ(view.Root().taskChart->width, 20 + 40 + 99 + 10 + 8 * 256);
}

TEST_F(GanttChart, SubtasksOfAHidingHeaderGetNoRowAndNoArrows)
{
    project.projectStart = LocalTime(2027, 3, 7);
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
    ASSERT_EQ(view.Root().taskChart->Children().size(), 3u);
    EXPECT_EQ(Row(3).taskKey, after.key);
    EXPECT_EQ(Row(3).GetY(), 30 + 3 * 21);
    EXPECT_EQ(Row(3).Children().size(), 2u); // the label and the arrow from Before
    header.hideSubtasks = false;
    Plot();
    EXPECT_EQ(view.Root().taskChart->Children().size(), 4u);
    EXPECT_EQ(Row(4).Children().size(), 3u);
}

// --- arrows ------------------------------------------------------------------------------

TEST_F(GanttChart, ArrowsLeaveAndEnterTheEndsTheirLinkNamesAlongTheRowsChannel)
{
    // P on row 1 from Monday 8 to Wednesday 10 March (x 20, 60 wide); S on row 2 from
    // Tuesday 9 to Thursday 11 (x 40, 60 wide): S starts before P finishes. Out of P's
    // end, down to the bottom of P's row, along it, into S's end.
    project.projectStart = LocalTime(2027, 3, 7);
    const struct {
        int32_t type;
        float x0, x1, x2, x3, xe, nodeX;
    } cases[] = {{eFinishToStart, 80, 90, 30, 34, 40, 20},
                 {eStartToStart, 20, 10, 30, 34, 40, 10},
                 {eFinishToFinish, 80, 90, 110, 106, 100, 20},
                 {eStartToFinish, 20, 10, 110, 106, 100, 10}};
    for (const auto& c : cases) {
        ClearTasks();
        QPTask& p = AddTask("P", 8, 10);
        AddTask("S", 9, 11).AddDependency(p.key, c.type, 0);
        Plot();
        ASSERT_EQ(Row(2).Children().size(), 2u);
        const auto& arrow = static_cast<const QPTaskDependencyNode&>(*Row(2).Children().back());
        const float py = 51 + 10.5f, sy = 72 + 10.5f;
        std::vector<Points> route;
        const LGraphicsPath scene = arrow.path.Translated(arrow.GetX(), arrow.GetY());
        for (const auto& figure : scene.Figures())
            route.push_back(figure.points);
        EXPECT_EQ(route, (std::vector<Points>{
                                 {{c.x0, py}, {c.x1, py}},
                                 {{c.x1, py}, {c.x1, 72}},
                                 {{c.x1, 72}, {c.x2, 72}},
                                 {{c.x2, 72}, {c.x2, sy}},
                                 {{c.x2, sy}, {c.x3, sy}},
                                 {{c.x3, sy - 4}, {c.xe, sy}, {c.x3, sy + 4}, {c.x3, sy - 4}}}))
                << c.type;
        EXPECT_EQ(arrow.GetX(), c.nodeX);
        EXPECT_EQ(arrow.GetY(), 51);
        EXPECT_TRUE(arrow.path.Figures().back().closed);
    }
    // Upwards, the run is along the top of the predecessor's row: P row 2 (top 72).
    ClearTasks();
    QPTask& s = AddTask("S", 12, 12);
    s.AddDependency(AddTask("P", 8, 8).key, eFinishToStart, 0);
    Plot();
    const auto& arrow = static_cast<const QPTaskDependencyNode&>(*Row(1).Children().back());
    EXPECT_EQ(arrow.path.Translated(arrow.GetX(), arrow.GetY()).Figures()[2].points,
              (Points{{50, 74}, {90, 74}}));
}

// --- clicking and drawing ----------------------------------------------------------------

TEST_F(GanttChart, AClickSelectsOnlyTheBarUnderIt)
{
    project.projectStart = LocalTime(2027, 3, 7);
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

TEST_F(GanttChart, TheScreenOutlinesBarsAndTheDocumentOnlyFillsThem)
{
    project.projectStart = LocalTime(2027, 3, 7);
    AddTask("Dig", 8, 12, 0, 0);
    AddTask("Twenty characters ok", 8, 12);
    Plot();
    view.Root().width += 0.75f;
    LRecordingSurface screen(LSurface::Kind::Screen);
    view.Prepaint(screen, nullptr);
    EXPECT_EQ(screen.Items().at(0).op, Op::Clear);
    EXPECT_EQ(screen.Items().at(0).colour, QPGanttColours::kBackground);
    const auto outlines = screen.ItemsOf(Op::DrawPath);
    EXPECT_TRUE(std::any_of(outlines.begin(), outlines.end(), [](const auto* item) {
        return item->colour == QPGanttColours::kCriticalTask;
    }));
    EXPECT_EQ(screen.TextItems("Dig").at(0)->font, (LFont{"", 11}));
    EXPECT_EQ(screen.TextItems("Dig").at(0)->colour, LColor::White());
    // Right aligned against the end of its label, at the label's y 3.
    const QPTaskLabelNode& label = *Row(2).nameLabel;
    EXPECT_EQ(screen.TextItems("Twenty characters ok").at(0)->Origin(),
              (LPointF{label.GetX() + 160 - 20 * 6, label.GetY() + 3}));
    EXPECT_EQ(screen.TextItems("7 March 2027").at(0)->x, 0);

    // The page is the whole units of the chart, markers drawn first, finish marker first.
    LRecordingSurface page(LSurface::Kind::Document);
    ASSERT_TRUE(view.Draw(page, LMatrix::Identity()));
    EXPECT_EQ(page.GetPageWidth(), static_cast<int>(view.Root().width));
    EXPECT_EQ(page.GetPageHeight(), static_cast<int>(view.Root().height));
    EXPECT_EQ(page.GetPageUnit(), LPageUnit::Point);
    EXPECT_EQ(page.Items().front().op, Op::StartPage);
    EXPECT_EQ(page.Items().back().op, Op::EndPage);
    EXPECT_TRUE(page.ItemsOf(Op::Clear).empty());
    EXPECT_TRUE(page.ItemsOf(Op::ClipToPageRect).empty());
    for (const auto* outline : page.ItemsOf(Op::DrawPath))
        EXPECT_NE(outline->colour, QPGanttColours::kCriticalTask);
    EXPECT_EQ(page.TextItems("Dig").at(0)->font, (LFont{"Helvetica", 11}));
    EXPECT_EQ(page.TextItems("Twenty characters ok").at(0)->Origin().x,
              label.GetX() + 160 - (20 * 6 + 3));
    EXPECT_EQ(page.TextItems("7 March 2027").at(0)->x, 3);
    const auto rects = page.ItemsOf(Op::FillRect);
    ASSERT_EQ(rects.size(), 4u);
    EXPECT_EQ(rects[0]->colour, QPGanttColours::kProjectedFinish);
    EXPECT_EQ(&page.Items()[1], rects[0]);

    // Plotted again, the same picture.
    LRecordingSurface again;
    Plot();
    view.Root().width += 0.75f;
    view.Prepaint(again, nullptr);
    ASSERT_EQ(again.Items().size(), screen.Items().size());
    for (std::size_t i = 0; i < again.Items().size(); ++i) {
        EXPECT_EQ(again.Items()[i].matrix, screen.Items()[i].matrix) << i;
        EXPECT_EQ(again.Items()[i].text, screen.Items()[i].text) << i;
    }
}

TEST(GanttPages, ALargeChartIsCutBetweenDaysAndRowsIntoPagesOfAtMost14400)
{
    using Pages = std::vector<QPGanttPage>;
    const struct {
        float width, height;
        Pages pages;
    } cases[] = {
            {1329, 518, {{0, 30, 1329, 518}}},
            {14400, 14400, {{0, 30, 14400, 14400}}},
            // Equal whole weeks (of 140) across, the last page taking the rest.
            {27300, 600, {{0, 30, 13720, 600}, {13720, 30, 13580, 600}}},
            {14401, 100, {{0, 30, 7280, 100}, {7280, 30, 7121, 100}}},
            // Whole rows (of 21) down, every lower page with the 30 of the strip on top.
            {500, 30000, {{0, 30, 500, 10026}, {0, 10026, 500, 10026}, {0, 20022, 500, 10008}}},
            // Left to right, then top to bottom.
            {20000,
             20000,
             {{0, 30, 10080, 10026},
              {10080, 30, 9920, 10026},
              {0, 10026, 10080, 10004},
              {10080, 10026, 9920, 10004}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QPGanttPages(c.width, c.height), c.pages) << c.width << " x " << c.height;
}

// A plan of almost three years and 700 rows: every row alternates between a bar in the
// first week and one 1,000 days later, so each of the four pages has bars of its own.
TEST_F(GanttChart, ALongPlanIsWrittenOnPagesThatEachShowTheDateStrip)
{
    for (int i = 1; i <= 700; ++i) {
        const LDateTime start = LLocalDays::AddDays(LocalTime(2027, 3, 3, 8), i % 2 ? 0 : 1000);
        AddTask("Task " + std::to_string(i), start, LLocalDays::AddDays(start, 2));
    }
    Plot();
    LRecordingSurface document(LSurface::Kind::Document);
    ASSERT_TRUE(view.Draw(document, LMatrix::Identity()));
    const auto starts = document.ItemsOf(Op::StartPage);
    const std::vector<QPGanttPage> pages =
            QPGanttPages(static_cast<float>(static_cast<int>(view.Root().width)),
                         static_cast<float>(static_cast<int>(view.Root().height)));
    ASSERT_EQ(pages.size(), 4u);
    ASSERT_EQ(starts.size(), 4u);
    // The page each item is drawn on, from 0.
    auto pageOf = [&](const LRecordingSurface::Item* item) {
        return std::upper_bound(starts.begin(), starts.end(), item) - starts.begin() - 1;
    };
    std::vector<int> stripTexts(4);
    for (const auto* text : document.ItemsOf(Op::DrawText)) {
        const LPointF at = text->Origin();
        const auto p = pageOf(text);
        stripTexts[p] += at.y >= 0 && at.y < 30 && at.x >= 0 && at.x < pages[p].width;
    }
    // Each page's own bars below its strip: top left, top right, bottom left, bottom right.
    const char* names[] = {"Task 1", "Task 2", "Task 699", "Task 700"};
    for (std::size_t p = 0; p < 4; ++p) {
        EXPECT_EQ(Box(0, 0, starts[p]->width, starts[p]->height),
                  Box(0, 0, pages[p].width, pages[p].height));
        EXPECT_GT(stripTexts[p], 100) << "page " << p + 1;
        const auto found = document.TextItems(names[p]);
        ASSERT_EQ(found.size(), 1u) << names[p];
        EXPECT_EQ(pageOf(found[0]), static_cast<long>(p)) << names[p];
        const LPointF at = found[0]->Origin();
        EXPECT_TRUE(at.x >= 0 && at.x < pages[p].width && at.y > 30 && at.y < pages[p].height)
                << names[p];
    }
    // The lower pages keep their rows out of the strip.
    const auto clips = document.ItemsOf(Op::ClipToPageRect);
    ASSERT_EQ(clips.size(), 4u);
    EXPECT_EQ(pageOf(clips[0]), 2);
    EXPECT_EQ(clips[0]->height, 31);
    EXPECT_EQ(clips[1]->y, 31);
    EXPECT_EQ(clips[1]->y + clips[1]->height, pages[2].height);
}

TEST(GanttScrollLayout, HorizontalBarFirstThenVertical)
{
    auto layout = [](float width, float height) {
        const QPGanttScrollLayout l = QPGanttLayoutScrollBars(width, height, 400, 300);
        return std::to_string(l.horizontal) + std::to_string(l.vertical) + " " +
               std::to_string(l.visibleWidth) + "x" + std::to_string(l.visibleHeight);
    };
    EXPECT_EQ(layout(400, 300), "00 400x300");
    // Wider: the horizontal bar takes 16 of the height, which makes the chart too tall.
    EXPECT_EQ(layout(401, 290), "11 385x284");
    // Taller only: the vertical bar narrows the view below the chart's width, but the
    // horizontal decision is not taken again.
    EXPECT_EQ(layout(395, 1000), "01 385x300");
    EXPECT_EQ(QPGanttLayoutScrollBars(395, 1000, 400, 300).verticalExtent, 1000);
    EXPECT_EQ(QPGanttClampScrollPosition(700, 1000, 385), 615);
    EXPECT_EQ(QPGanttClampScrollPosition(100, 1000, 385), 100);
    EXPECT_EQ(QPGanttClampScrollPosition(50, 300, 400), 0);
}

} // namespace
