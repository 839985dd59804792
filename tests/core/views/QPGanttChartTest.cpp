// The Gantt chart's scene: calendar columns and lead-in weeks, rows and their shapes,
// labels, arrows, markers, hiding, hit testing, and what it draws on screen and on a page.

#include "engine/LLocalDays.h"
#include "framework/LRecordingSurface.h"
#include "model/QPProject.h"
#include "views/QPGanttView.h"

#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace {

using Op = LRecordingSurface::Op;

constexpr int32_t kDay = 86400;

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
        project.projectStart = LocalTime(2027, 3, 3);
        project.projectFinish = LocalTime(2027, 3, 3);
        project.projectDeadline = LocalTime(2027, 3, 20);
    }

    QPTask& AddTask(const std::string& name, LDateTime start, LDateTime finish,
                    int32_t freeSlack = 5 * kDay, int32_t totalSlack = 5 * kDay)
    {
        auto task = std::make_unique<QPTask>();
        task->name = name;
        task->start = start;
        task->displayStart = start;
        task->finish = finish;
        task->freeSlack = freeSlack;
        task->totalSlack = totalSlack;
        project.projectFinish = std::max(project.projectFinish, finish);
        return project.ElementAdd(std::move(task), false);
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

    // Every column of every strip, by x, as its weekday letter with "|" for the line that
    // starts a week. No day is drawn twice: smoothed twice, its letter would look bold.
    std::map<float, std::string> Columns() const
    {
        std::map<float, std::string> columns;
        for (const auto& child : view.Root().Children()) {
            if (!dynamic_cast<QPCalendarStripNode*>(child.get()))
                continue;
            for (const auto& cell : child->Children())
                if (auto* column = dynamic_cast<QPColumnHeaderNode*>(cell.get())) {
                    const std::string text = column->text + (column->weekStart ? "|" : "");
                    EXPECT_TRUE(columns.emplace(column->GetX(), text).second)
                            << "a second column at x " << column->GetX();
                    EXPECT_EQ(column->GetY(), 0);
                    EXPECT_EQ(column->width, 20);
                    EXPECT_EQ(column->height, 30);
                }
        }
        return columns;
    }

    // The columns run Sunday to Saturday, one every 20 from x 0, without a gap.
    static void ExpectWholeWeeks(const std::map<float, std::string>& columns)
    {
        static const char* const kLetters[7] = {"S|", "M", "T", "W", "T", "F", "S"};
        int day = 0;
        for (const auto& [x, letter] : columns) {
            EXPECT_EQ(x, 20 * day);
            EXPECT_EQ(letter, kLetters[day % 7]) << "x " << x;
            ++day;
        }
        EXPECT_EQ(columns.size() % 7, 0u);
    }

    std::map<float, std::string> SundayLabels() const
    {
        std::map<float, std::string> labels;
        for (const auto& child : view.Root().Children())
            if (dynamic_cast<QPCalendarStripNode*>(child.get()))
                for (const auto& cell : child->Children())
                    if (auto* label = dynamic_cast<QPHeaderLabelNode*>(cell.get()))
                        labels[label->GetX()] = label->text;
        return labels;
    }

    std::vector<const QPDateHighlightNode*> Markers() const
    {
        std::vector<const QPDateHighlightNode*> markers;
        for (const auto& child : view.Root().Children())
            if (auto* marker = dynamic_cast<QPDateHighlightNode*>(child.get()))
                markers.push_back(marker);
        return markers;
    }

    QPProject project;
    LDateTime today = LocalTime(2027, 3, 10, 9);
    SelectionLog log;
    QPGanttView view{log};
};

// --- the calendar ------------------------------------------------------------------------

TEST_F(GanttChart, EmptyProjectShowsWholeWeeksFromTheSundayBeforeTheStartToTheDeadline)
{
    QPCalendarChartNode& root = Plot();

    // Wednesday start: three lead-in days, Sunday 28 February to Saturday 20 March.
    EXPECT_EQ(root.width, 21 * 20);
    EXPECT_EQ(root.height, 35);
    EXPECT_EQ(root.mainStrip->GetX(), 60);
    EXPECT_EQ(root.taskChart->GetX(), 60);

    const std::map<float, std::string> columns = Columns();
    EXPECT_EQ(columns.size(), 21u);
    ExpectWholeWeeks(columns);
    EXPECT_EQ(SundayLabels(),
              (std::map<float, std::string>{
                      {0, "28 February 2027"}, {140, "7 March 2027"}, {280, "14 March 2027"}}));

    // Four markers, 4 wide and 30 tall, drawn first: finish, deadline, today, start.
    const auto markers = Markers();
    ASSERT_EQ(markers.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(root.Children()[i].get(), markers[i]);
    EXPECT_EQ(markers[0]->colour, QPGanttColours::kProjectedFinish);
    EXPECT_EQ(markers[0]->GetX(), 60 + 17);
    EXPECT_EQ(markers[1]->colour, QPGanttColours::kDeadline);
    EXPECT_EQ(markers[1]->GetX(), 20 * 20 + 17);
    EXPECT_EQ(markers[2]->colour, QPGanttColours::kToday);
    EXPECT_EQ(markers[2]->GetX(), 10 * 20 + 8);
    EXPECT_EQ(markers[3]->colour, QPGanttColours::kProjectStart);
    EXPECT_EQ(markers[3]->GetX(), 60);
    for (const auto* marker : markers) {
        EXPECT_EQ(marker->width, 4);
        EXPECT_EQ(marker->height, 30);
        EXPECT_EQ(marker->GetY(), 0);
    }
    // After the markers: main strip, task chart, lead-in strip, extension strip.
    ASSERT_EQ(root.Children().size(), 8u);
    EXPECT_EQ(root.Children()[4].get(), root.mainStrip);
    EXPECT_EQ(root.Children()[5].get(), root.taskChart);
    EXPECT_EQ(root.chartFinish, LocalTime(2027, 3, 20));
}

TEST_F(GanttChart, TheDeadlineMarkerStandsOnTheDeadlinesDayAfterTheLastTask)
{
    // The chart runs on to the Saturday after a deadline beyond the last task; the marker
    // stays on the deadline's own day, whatever weekday it is.
    AddTask("Survey", LocalTime(2027, 3, 3, 8), LocalTime(2027, 3, 5, 16));
    for (int day = 21; day <= 27; ++day) {
        SCOPED_TRACE(day);
        project.projectDeadline = LocalTime(2027, 3, day, 23, 59);
        QPCalendarChartNode& root = Plot();
        // Sunday 28 February to Saturday 27 March.
        EXPECT_EQ(root.width, 28 * 20);
        const auto markers = Markers();
        ASSERT_EQ(markers.size(), 4u);
        EXPECT_EQ(markers[1]->colour, QPGanttColours::kDeadline);
        // Sunday 28 February is column 0, so March the 21st is column 21.
        EXPECT_EQ(markers[1]->GetX(), float(day * 20 + 17));
    }
}

TEST_F(GanttChart, MarkersOnTheSameDayStandSideBySide)
{
    // A new plan: nothing to do, its deadline on its first day, today that day too.
    project.projectDeadline = LocalTime(2027, 3, 3, 23, 59);
    today = LocalTime(2027, 3, 3, 9);
    Plot();
    auto markers = Markers();
    ASSERT_EQ(markers.size(), 4u);
    std::sort(markers.begin(), markers.end(),
              [](auto* a, auto* b) { return a->GetX() < b->GetX(); });
    for (std::size_t i = 1; i < markers.size(); ++i)
        EXPECT_GE(markers[i]->GetX(), markers[i - 1]->GetX() + markers[i - 1]->width) << i;
    // The start, today and the deadline keep their places; the finish moves beside them.
    EXPECT_EQ(markers[0]->colour, QPGanttColours::kProjectStart);
    EXPECT_EQ(markers[0]->GetX(), 60);
    EXPECT_EQ(markers[1]->colour, QPGanttColours::kToday);
    EXPECT_EQ(markers[1]->GetX(), 60 + 8);
    EXPECT_EQ(markers[2]->colour, QPGanttColours::kProjectedFinish);
    EXPECT_EQ(markers[3]->colour, QPGanttColours::kDeadline);
    EXPECT_EQ(markers[3]->GetX(), 60 + 17);
}

TEST_F(GanttChart, SundayStartWithoutOverhangHasNoLeadIn)
{
    project.projectStart = project.projectFinish = LocalTime(2027, 3, 7);
    project.projectDeadline = LocalTime(2027, 3, 13);
    today = LocalTime(2027, 4, 1); // after the chart: no today marker
    QPCalendarChartNode& root = Plot();
    EXPECT_EQ(root.mainStrip->GetX(), 0);
    EXPECT_EQ(root.width, 7 * 20);
    // Markers (start, deadline, finish), main strip, task chart: no other strip.
    ASSERT_EQ(root.Children().size(), 5u);
    const auto markers = Markers();
    ASSERT_EQ(markers.size(), 3u);
    EXPECT_EQ(markers[2]->colour, QPGanttColours::kProjectStart);
    EXPECT_EQ(markers[2]->GetX(), 0);
}

TEST_F(GanttChart, TodayOnTheLastShownDayStillGetsItsMarker)
{
    today = LocalTime(2027, 3, 20, 23, 59);
    Plot();
    ASSERT_EQ(Markers().size(), 4u);
    today = LocalTime(2027, 3, 21, 0, 1);
    Plot();
    EXPECT_EQ(Markers().size(), 3u);
    today = LocalTime(2027, 2, 28, 0, 0);
    Plot();
    EXPECT_EQ(Markers().size(), 4u);
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
    const auto columns = Columns();
    EXPECT_EQ(columns.size(), root.width / 20);
    ExpectWholeWeeks(columns);
    EXPECT_EQ(Row(1).GetX(), 8 * 20);
    EXPECT_EQ(Row(1).barWidth, 20);
    // Monday 8 November is 246 days after Sunday 7 March.
    EXPECT_EQ(Row(2).GetX(), 246 * 20);
    EXPECT_EQ(columns.at(246 * 20), "M");
    EXPECT_EQ(Row(2).barWidth, 20);
}

// --- rows --------------------------------------------------------------------------------

TEST_F(GanttChart, BarsCoverTheDaysTheyTouchAndSitInTheirColumns)
{
    project.projectStart = LocalTime(2027, 3, 7); // a Sunday: no lead-in
    AddTask("Five", LocalTime(2027, 3, 8, 8), LocalTime(2027, 3, 12, 16));
    AddTask("Two", LocalTime(2027, 3, 8, 8), LocalTime(2027, 3, 10, 0));
    AddTask("One", LocalTime(2027, 3, 9, 8), LocalTime(2027, 3, 9, 12));
    Plot();
    EXPECT_EQ(Row(1).barWidth, 100);
    EXPECT_EQ(Row(2).barWidth, 40); // ends at midnight: Wednesday stays free
    EXPECT_EQ(Row(3).barWidth, 20);
    EXPECT_EQ(Row(1).GetX(), 20);
    EXPECT_EQ(Row(3).GetX(), 40);
    for (int row = 1; row <= 3; ++row) {
        EXPECT_EQ(Row(row).GetY(), 30 + 21 * row);
        EXPECT_EQ(Row(row).barHeight, 21);
        EXPECT_EQ(Row(row).height, 21);
    }
    // A normal bar: (0, 4, width, 14).
    LGraphicsPath bar;
    bar.AddRectangle(0, 4, 100, 14);
    EXPECT_EQ(Row(1).shapePath, bar);
    // Row 3 ends at 21 × 3 + 21 below the strip.
    EXPECT_EQ(view.Root().taskChart->height, 84);
    EXPECT_EQ(view.Root().height, 30 + 84 + 5);
}

TEST_F(GanttChart, SlackTailCountsEveryStartedDay)
{
    project.projectStart = LocalTime(2027, 3, 7);
    QPTask& task = AddTask("Dig", LocalTime(2027, 3, 8, 8), LocalTime(2027, 3, 9, 16));
    task.freeSlack = kDay + kDay / 2;
    AddTask("Fill", LocalTime(2027, 3, 8, 8), LocalTime(2027, 3, 9, 16), 0, 0);
    Plot();
    EXPECT_EQ(Row(1).slackWidth, 39);
    EXPECT_EQ(Row(1).width, 40 + 39);
    LGraphicsPath slack;
    slack.AddRectangle(41, 14, 39, 4);
    EXPECT_EQ(Row(1).slackPath, slack);
    EXPECT_EQ(Row(2).slackWidth, -1);
    EXPECT_TRUE(Row(2).slackPath.IsEmpty());
}

TEST_F(GanttChart, ShapesAndColoursFollowTheKindOfTask)
{
    project.projectStart = LocalTime(2027, 3, 7);
    QPTask& milestone = AddTask("Go", LocalTime(2027, 3, 10, 8), LocalTime(2027, 3, 10, 8), 0, 0);
    milestone.milestone = true;
    QPTask& header = AddTask("Phase", LocalTime(2027, 3, 8, 8), LocalTime(2027, 3, 12, 16));
    header.isHeader = true;
    QPTask& clash = AddTask("Clash", LocalTime(2027, 3, 8, 8), LocalTime(2027, 3, 9, 16), 0, 0);
    clash.resourceConflict = true;
    AddTask("Loose", LocalTime(2027, 3, 8, 8), LocalTime(2027, 3, 9, 16), 0, kDay);
    Plot();

    const QPTaskNode& diamond = Row(1);
    EXPECT_EQ(diamond.barWidth, 20);
    EXPECT_TRUE(diamond.critical);
    EXPECT_EQ(diamond.criticalColour, (LColor{146, 26, 26}));
    ASSERT_EQ(diamond.shapePath.Figures().size(), 1u);
    EXPECT_TRUE(diamond.shapePath.Figures()[0].closed);
    EXPECT_EQ(diamond.shapePath.Figures()[0].points,
              (std::vector<LPointF>{{10, 0}, {20, 10.5f}, {10, 21}, {0, 10.5f}, {10, 0}}));

    LGraphicsPath bracket;
    bracket.AddRectangle(0, 0, 100, 5.25f);
    bracket.AddRectangle(0, 5.25f, 5, 15.75f);
    bracket.AddRectangle(95, 5.25f, 5, 15.75f);
    EXPECT_EQ(Row(2).shapePath, bracket);
    EXPECT_FALSE(Row(2).critical);

    LGraphicsPath cross;
    cross.AddLine(30, 9, 38, 17);
    cross.AddLine(30, 17, 38, 9);
    EXPECT_EQ(Row(3).conflictPath, cross);
    EXPECT_TRUE(Row(3).critical);
    EXPECT_EQ(Row(3).criticalColour, (LColor{208, 37, 36}));
    EXPECT_FALSE(Row(4).critical); // free slack 0 alone is not enough
    EXPECT_EQ(Row(4).normalColour, (LColor{71, 141, 255}));
}

TEST_F(GanttChart, NamesGoInsideWhenTheyFitAndBeforeTheBarOtherwise)
{
    project.projectStart = LocalTime(2027, 3, 7);
    AddTask("Dig", LocalTime(2027, 3, 8, 8), LocalTime(2027, 3, 12, 16));
    AddTask("Twenty characters ok", LocalTime(2027, 3, 8, 8), LocalTime(2027, 3, 12, 16));
    QPTask& header = AddTask("Phase", LocalTime(2027, 3, 8, 8), LocalTime(2027, 3, 12, 16));
    header.isHeader = true;
    AddTask("Thirteen char", LocalTime(2027, 3, 8, 8), LocalTime(2027, 3, 12, 16));
    Plot();

    const QPTaskLabelNode& inside = *Row(1).nameLabel;
    EXPECT_TRUE(inside.leftAligned);
    EXPECT_EQ(inside.colour, LColor::White());
    EXPECT_EQ(inside.GetX() - Row(1).GetX(), 5);
    EXPECT_EQ(inside.GetY() - Row(1).GetY(), 1);
    EXPECT_EQ(inside.width, 24);
    EXPECT_EQ(inside.height, 21);

    // 20 characters are 160 wide, more than the 100 of a five-day bar.
    const QPTaskLabelNode& before = *Row(2).nameLabel;
    EXPECT_FALSE(before.leftAligned);
    EXPECT_EQ(before.colour, LColor::Black());
    EXPECT_EQ(before.width, 160);
    EXPECT_EQ(before.GetX() - Row(2).GetX(), -170);

    EXPECT_EQ(Row(3).nameLabel->colour, LColor::Black());
    EXPECT_TRUE(Row(3).nameLabel->leftAligned);
    // 5 + 104 > 100.
    EXPECT_FALSE(Row(4).nameLabel->leftAligned);

    // The label sticks out 150 before Sunday 7 March: 8 lead-in days, then back to a
    // Sunday, 14 in all.
    EXPECT_EQ(view.Root().mainStrip->GetX(), 14 * 20);
    EXPECT_GE(before.GetX(), 0);
    ExpectWholeWeeks(Columns());
}

TEST_F(GanttChart, ResourceLabelListsTheAssignedResourcesAfterTheBar)
{
    project.projectStart = LocalTime(2027, 3, 7);
    auto addResource = [&](const std::string& name) -> QPResource& {
        auto resource = std::make_unique<QPResource>();
        resource->name = name;
        return project.ElementAdd(std::move(resource), false);
    };
    const int64_t a = addResource("A").key;
    const int64_t b = addResource("B").key;
    QPTask& task = AddTask("Dig", LocalTime(2027, 3, 8, 8), LocalTime(2027, 3, 9, 16));
    // The newest assignment comes first.
    task.AddResourceAssignment(b, 50);
    task.AddResourceAssignment(a, 100);
    task.AddResourceAssignment(9999, 100); // no such resource: left out
    QPTask& crowded = AddTask("Haul", LocalTime(2027, 3, 8, 8), LocalTime(2027, 3, 9, 16));
    const int64_t longName = addResource(std::string(120, 'x')).key;
    crowded.AddResourceAssignment(longName, 10);
    crowded.AddResourceAssignment(longName, 20);
    crowded.AddResourceAssignment(longName, 30);
    Plot();

    const QPTaskLabelNode& label = *Row(1).resourceLabel;
    EXPECT_EQ(label.text, "A \u2014 100%, B \u2014 50%");
    EXPECT_EQ(label.width, 8 * 17); // an em dash is one character
    EXPECT_EQ(label.GetX() - Row(1).GetX(), 40 + 10);
    EXPECT_TRUE(label.leftAligned);
    EXPECT_EQ(label.colour, LColor::Black());

    const std::string& cut = Row(2).resourceLabel->text;
    EXPECT_EQ(LUtf8Length(cut), 256u);
    EXPECT_EQ(cut.substr(cut.size() - 3), "...");
    EXPECT_EQ(cut.substr(0, 120), std::string(120, 'x'));
    // The chart reaches to the end of the longest row: bar, slack tail, gap and label.
    EXPECT_EQ(view.Root().taskChart->width, 20 + 40 + 99 + 10 + 8 * 256);
}

TEST_F(GanttChart, SubtasksOfAHidingHeaderGetNoRowAndNoArrows)
{
    project.projectStart = LocalTime(2027, 3, 7);
    QPTask& before = AddTask("Before", LocalTime(2027, 3, 8, 8), LocalTime(2027, 3, 8, 16));
    QPTask& header = AddTask("Phase", LocalTime(2027, 3, 9, 8), LocalTime(2027, 3, 10, 16));
    QPTask& inner = AddTask("Inner", LocalTime(2027, 3, 9, 8), LocalTime(2027, 3, 10, 16));
    QPTask& after = AddTask("After", LocalTime(2027, 3, 11, 8), LocalTime(2027, 3, 11, 16));
    header.isHeader = true;
    header.hideSubtasks = true;
    header.subtaskKeys = {inner.key};
    inner.headerKey = header.key;
    inner.AddDependency(before.key, eFinishToStart, 0);
    after.AddDependency(inner.key, eFinishToStart, 0);
    after.AddDependency(before.key, eFinishToStart, 0);
    Plot();

    ASSERT_EQ(view.Root().taskChart->Children().size(), 3u);
    EXPECT_EQ(Row(2).taskKey, header.key);
    EXPECT_EQ(Row(3).taskKey, after.key);
    EXPECT_EQ(Row(3).GetY(), 30 + 3 * 21);
    // Only the arrow from Before: the label, then one dependency node.
    ASSERT_EQ(Row(3).Children().size(), 2u);

    header.hideSubtasks = false;
    Plot();
    EXPECT_EQ(view.Root().taskChart->Children().size(), 4u);
    EXPECT_EQ(Row(4).Children().size(), 3u);
}

// --- arrows ------------------------------------------------------------------------------

class GanttArrows : public GanttChart {
protected:
    // P on row 1 from Monday 8 to Wednesday 10 March (x 20, 60 wide); S on row 2 from
    // Tuesday 9 to Thursday 11 (x 40, 60 wide): S starts before P finishes.
    const QPTaskDependencyNode& Arrow(int32_t type)
    {
        project.projectStart = LocalTime(2027, 3, 7);
        QPTask& p = AddTask("P", LocalTime(2027, 3, 8, 8), LocalTime(2027, 3, 10, 16));
        QPTask& s = AddTask("S", LocalTime(2027, 3, 9, 8), LocalTime(2027, 3, 11, 16));
        s.AddDependency(p.key, type, 0);
        Plot();
        const auto& children = Row(2).Children();
        EXPECT_EQ(children.size(), 2u);
        return static_cast<const QPTaskDependencyNode&>(*children.back());
    }

    // The arrow's figures in scene coordinates.
    static std::vector<std::vector<LPointF>> Route(const QPTaskDependencyNode& arrow)
    {
        std::vector<std::vector<LPointF>> route;
        const LGraphicsPath scene = arrow.path.Translated(arrow.GetX(), arrow.GetY());
        for (const auto& figure : scene.Figures())
            route.push_back(figure.points);
        return route;
    }

    static std::vector<std::vector<LPointF>> Expected(float x0, float x1, float x2, float x3,
                                                      float xe, float channel)
    {
        const float p = 51 + 10.5f, s = 72 + 10.5f;
        return {{{x0, p}, {x1, p}},
                {{x1, p}, {x1, channel}},
                {{x1, channel}, {x2, channel}},
                {{x2, channel}, {x2, s}},
                {{x2, s}, {x3, s}},
                {{x3, s - 4}, {xe, s}, {x3, s + 4}, {x3, s - 4}}};
    }
};

TEST_F(GanttArrows, FinishToStartRunsBackAlongTheChannelWhenTheSuccessorStartsEarlier)
{
    const QPTaskDependencyNode& arrow = Arrow(eFinishToStart);
    // Out of P's finish at 80 to 90, down to the bottom of P's row, back to 30, into 40.
    EXPECT_EQ(Route(arrow), Expected(80, 90, 30, 34, 40, 72));
    EXPECT_EQ(arrow.GetX(), 20);
    EXPECT_EQ(arrow.GetY(), 51);
    EXPECT_TRUE(arrow.path.Figures().back().closed);
}

TEST_F(GanttArrows, StartToStartLeavesAndEntersOnTheLeft)
{
    const QPTaskDependencyNode& arrow = Arrow(eStartToStart);
    EXPECT_EQ(Route(arrow), Expected(20, 10, 30, 34, 40, 72));
    EXPECT_EQ(arrow.GetX(), 10);
}

TEST_F(GanttArrows, FinishToFinishEntersTheSuccessorsFinishFromTheRight)
{
    const QPTaskDependencyNode& arrow = Arrow(eFinishToFinish);
    EXPECT_EQ(Route(arrow), Expected(80, 90, 110, 106, 100, 72));
    EXPECT_EQ(arrow.GetX(), 20);
}

TEST_F(GanttArrows, StartToFinishLeavesTheStartAndEntersTheFinish)
{
    const QPTaskDependencyNode& arrow = Arrow(eStartToFinish);
    EXPECT_EQ(Route(arrow), Expected(20, 10, 110, 106, 100, 72));
    EXPECT_EQ(arrow.GetX(), 10);
}

TEST_F(GanttArrows, AnArrowUpwardsRunsAlongTheTopOfThePredecessorsRow)
{
    project.projectStart = LocalTime(2027, 3, 7);
    QPTask& s = AddTask("S", LocalTime(2027, 3, 12, 8), LocalTime(2027, 3, 12, 16));
    QPTask& p = AddTask("P", LocalTime(2027, 3, 8, 8), LocalTime(2027, 3, 8, 16));
    s.AddDependency(p.key, eFinishToStart, 0);
    Plot();
    const auto& arrow = static_cast<const QPTaskDependencyNode&>(*Row(1).Children().back());
    // P is row 2 (top 72), S row 1 (top 51): the run is at 72 + 2.
    const auto figures = arrow.path.Translated(arrow.GetX(), arrow.GetY()).Figures();
    EXPECT_EQ(figures[2].points, (std::vector<LPointF>{{50, 74}, {90, 74}}));
    EXPECT_EQ(arrow.GetY(), 51);
}

// --- clicking ----------------------------------------------------------------------------

TEST_F(GanttChart, AClickSelectsOnlyTheBarUnderIt)
{
    project.projectStart = LocalTime(2027, 3, 7);
    QPTask& a = AddTask("A", LocalTime(2027, 3, 8, 8), LocalTime(2027, 3, 9, 16), 3 * kDay);
    QPTask& b = AddTask("B has a long name", LocalTime(2027, 3, 10, 8), LocalTime(2027, 3, 10, 16));
    Plot();
    const float shift = view.Root().mainStrip->GetX();
    // A's bar: x 20..60 (plus the lead-in), rows 51..72.
    view.EvLButtonDown(static_cast<int>(shift + 20), 51);
    view.EvLButtonDown(static_cast<int>(shift + 60), 72);
    EXPECT_EQ(log.keys, (std::vector<int64_t>{a.key, a.key}));
    log.keys.clear();
    view.EvLButtonDown(static_cast<int>(shift + 70), 60); // A's slack tail
    view.EvLButtonDown(static_cast<int>(shift + 30), 90); // B's label, left of its bar
    view.EvLButtonDown(static_cast<int>(shift + 30), 20); // the calendar
    EXPECT_TRUE(log.keys.empty());
    // Row boundaries belong to the upper row; scrolling moves the picture, not the bars.
    view.EvLButtonDown(static_cast<int>(shift + 50), 72);
    view.offsetX = -shift;
    view.offsetY = -40;
    view.EvLButtonDown(60, 93 - 40);
    EXPECT_EQ(log.keys, (std::vector<int64_t>{a.key, b.key}));
}

// --- drawing -----------------------------------------------------------------------------

TEST_F(GanttChart, TheScreenOutlinesBarsAndTheDocumentOnlyFillsThem)
{
    project.projectStart = LocalTime(2027, 3, 7);
    AddTask("Dig", LocalTime(2027, 3, 8, 8), LocalTime(2027, 3, 12, 16), 0, 0);
    AddTask("Twenty characters ok", LocalTime(2027, 3, 8, 8), LocalTime(2027, 3, 12, 16));
    Plot();

    LRecordingSurface screen(LSurface::Kind::Screen);
    view.Prepaint(screen, nullptr);
    ASSERT_FALSE(screen.Items().empty());
    EXPECT_EQ(screen.Items().front().op, Op::Clear);
    EXPECT_EQ(screen.Items().front().colour, QPGanttColours::kBackground);
    const auto screenOutlines = screen.ItemsOf(Op::DrawPath);
    EXPECT_TRUE(std::any_of(screenOutlines.begin(), screenOutlines.end(), [](const auto* item) {
        return item->colour == QPGanttColours::kCriticalTask;
    }));
    EXPECT_EQ(screen.TextItems("Dig").at(0)->font, (LFont{"", 11}));
    EXPECT_EQ(screen.TextItems("Dig").at(0)->colour, LColor::White());
    // Right aligned against the end of its label, at the label's y 3.
    const auto* name = screen.TextItems("Twenty characters ok").at(0);
    const QPTaskLabelNode& label = *Row(2).nameLabel;
    EXPECT_EQ(name->Origin().x, label.GetX() + static_cast<int>(160 - 20 * 6));
    EXPECT_EQ(name->Origin().y, label.GetY() + 3);
    EXPECT_EQ(screen.TextItems("7 March 2027").at(0)->x, 0);

    LRecordingSurface page(LSurface::Kind::Document);
    ASSERT_TRUE(view.Draw(page, LMatrix::Identity()));
    EXPECT_EQ(page.Items().front().op, Op::StartPage);
    EXPECT_EQ(page.Items().front().width, view.Root().width);
    EXPECT_EQ(page.Items().front().height, view.Root().height);
    EXPECT_EQ(page.Items().back().op, Op::EndPage);
    EXPECT_TRUE(page.ItemsOf(Op::Clear).empty());
    for (const auto* outline : page.ItemsOf(Op::DrawPath))
        EXPECT_NE(outline->colour, QPGanttColours::kCriticalTask);
    EXPECT_EQ(page.TextItems("Dig").at(0)->font, (LFont{"Helvetica", 11}));
    EXPECT_EQ(page.TextItems("Twenty characters ok").at(0)->Origin().x,
              label.GetX() + static_cast<int>(160 - (20 * 6 + 3)));
    EXPECT_EQ(page.TextItems("7 March 2027").at(0)->x, 3);
    // Markers are drawn first, after the page starts, finish marker first.
    const auto rects = page.ItemsOf(Op::FillRect);
    ASSERT_EQ(rects.size(), 4u);
    EXPECT_EQ(rects[0]->colour, QPGanttColours::kProjectedFinish);
    EXPECT_EQ(&page.Items()[1], rects[0]);
}

TEST_F(GanttChart, ThePageIsTheWholeUnitsOfTheChart)
{
    AddTask("Dig", LocalTime(2027, 3, 8, 8), LocalTime(2027, 3, 12, 16));
    Plot();
    view.Root().width += 0.75f;
    LRecordingSurface page(LSurface::Kind::Document);
    view.Draw(page, LMatrix::Identity());
    EXPECT_EQ(page.GetPageWidth(), static_cast<int>(view.Root().width));
    EXPECT_EQ(page.GetPageHeight(), static_cast<int>(view.Root().height));
    EXPECT_EQ(page.GetPageUnit(), LPageUnit::Point);
    EXPECT_TRUE(page.ItemsOf(Op::ClipToPageRect).empty());
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
    for (std::size_t p = 0; p < 4; ++p) {
        EXPECT_EQ(starts[p]->width, pages[p].width);
        EXPECT_EQ(starts[p]->height, pages[p].height);
        EXPECT_LE(std::max(starts[p]->width, starts[p]->height), 14400);
    }
    for (const auto* text : document.ItemsOf(Op::DrawText)) {
        const LPointF at = text->Origin();
        const auto p = pageOf(text);
        if (at.y >= 0 && at.y < 30 && at.x >= 0 && at.x < pages[p].width)
            ++stripTexts[p];
    }
    for (std::size_t p = 0; p < 4; ++p)
        EXPECT_GT(stripTexts[p], 100) << "page " << p + 1;

    // Each page's own bars, below its strip: top left, top right, bottom left, bottom right.
    const char* names[] = {"Task 1", "Task 2", "Task 699", "Task 700"};
    for (std::size_t p = 0; p < 4; ++p) {
        const auto found = document.TextItems(names[p]);
        ASSERT_EQ(found.size(), 1u) << names[p];
        EXPECT_EQ(pageOf(found[0]), static_cast<long>(p)) << names[p];
        const LPointF at = found[0]->Origin();
        EXPECT_GE(at.x, 0) << names[p];
        EXPECT_LT(at.x, pages[p].width) << names[p];
        EXPECT_GT(at.y, 30) << names[p];
        EXPECT_LT(at.y, pages[p].height) << names[p];
    }
    // The lower pages keep their rows out of the strip.
    const auto clips = document.ItemsOf(Op::ClipToPageRect);
    ASSERT_EQ(clips.size(), 4u);
    EXPECT_EQ(pageOf(clips[0]), 2);
    EXPECT_EQ(clips[0]->height, 31);
    EXPECT_EQ(clips[1]->y, 31);
    EXPECT_EQ(clips[1]->y + clips[1]->height, pages[2].height);
}

TEST_F(GanttChart, ReplottingStartsAfresh)
{
    AddTask("Twenty characters ok", LocalTime(2027, 3, 8, 8), LocalTime(2027, 3, 12, 16));
    Plot();
    const float width = view.Root().width;
    const std::size_t children = view.Root().Children().size();
    LRecordingSurface first;
    view.Prepaint(first, nullptr);
    Plot();
    LRecordingSurface second;
    view.Prepaint(second, nullptr);
    EXPECT_EQ(view.Root().width, width);
    EXPECT_EQ(view.Root().Children().size(), children);
    ASSERT_EQ(first.Items().size(), second.Items().size());
    for (std::size_t i = 0; i < first.Items().size(); ++i) {
        EXPECT_EQ(first.Items()[i].matrix, second.Items()[i].matrix) << i;
        EXPECT_EQ(first.Items()[i].text, second.Items()[i].text) << i;
    }
}

// --- scroll bars -------------------------------------------------------------------------

TEST(GanttScrollLayout, HorizontalBarFirstThenVertical)
{
    QPGanttScrollLayout fits = QPGanttLayoutScrollBars(400, 300, 400, 300);
    EXPECT_FALSE(fits.horizontal);
    EXPECT_FALSE(fits.vertical);
    EXPECT_EQ(fits.visibleWidth, 400);

    // Wider: the horizontal bar takes 16 of the height, which makes the chart too tall.
    QPGanttScrollLayout both = QPGanttLayoutScrollBars(401, 290, 400, 300);
    EXPECT_TRUE(both.horizontal);
    EXPECT_TRUE(both.vertical);
    EXPECT_EQ(both.visibleHeight, 284);
    EXPECT_EQ(both.visibleWidth, 385);

    // Taller only: the vertical bar narrows the view below the chart's width, but the
    // horizontal decision is not taken again.
    QPGanttScrollLayout tall = QPGanttLayoutScrollBars(395, 1000, 400, 300);
    EXPECT_FALSE(tall.horizontal);
    EXPECT_TRUE(tall.vertical);
    EXPECT_EQ(tall.visibleWidth, 385);
    EXPECT_EQ(tall.verticalExtent, 1000);

    EXPECT_EQ(QPGanttClampScrollPosition(700, 1000, 385), 615);
    EXPECT_EQ(QPGanttClampScrollPosition(100, 1000, 385), 100);
    EXPECT_EQ(QPGanttClampScrollPosition(50, 300, 400), 0);
}

} // namespace
