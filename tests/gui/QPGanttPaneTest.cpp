// The chart in the main window: scroll bars by the chart's rule, clicks that select the
// task under the pointer at any scroll position, and painting of part of the control that
// gives the same pixels as painting all of it.

#include "views/QPGanttPane.h"
#include "app/MainDialog.h"
#include "views/LSceneControl.h"
#include "views/QPDataPanel.h"

#include "gui/GuiTest.h"

namespace {

// Forty tasks in a chain, one or two days each: wider and taller than the window.
void FillProject(QPProject& project)
{
    project.projectStart = LocalTime(2027, 3, 1);
    project.projectDeadline = LocalTime(2027, 6, 30);
    int64_t previous = -1;
    for (int i = 1; i <= 40; ++i) {
        auto task = std::make_unique<QPTask>();
        // Wide letters: this name is drawn wider than the 8 per letter its label counts.
        task->name = i == 12 ? "WWWWWWWWWW" : "Step " + std::to_string(i);
        task->durationText = i % 2 ? "8" : "16";
        if (previous != -1)
            task->AddDependency(previous, eFinishToStart, 0);
        previous = project.ElementAdd(std::move(task), false).key;
    }
}

class GanttPane : public ::testing::Test {
protected:
    GanttPane()
    {
        FillProject(window.Project());
        // The chart beside the lists, over the window's whole height.
        window.Command(3011);
        window.resize(1800, 600);
        window.show();
        window.RecalculateProject();
        window.FullGUIRefresh();
        QCoreApplication::processEvents();
    }
    // The task selected in the list, by key; -1 for none.
    int64_t SelectedTaskKey()
    {
        const QPTask* task =
                window.Project().tasks.GetElement(window.DataPanel().GetTaskSelectedID());
        return task ? task->key : -1;
    }
    const QPTaskNode& Row(int row)
    {
        return static_cast<const QPTaskNode&>(
                *pane().View().Root().taskChart->Children().at(row - 1));
    }
    QPGanttPane& pane() { return window.GanttPane(); }
    // Where a scene point is in the control.
    QPoint DevicePoint(float x, float y)
    {
        const LPointF at = pane().View().GetSceneToDevice().Map(x, y);
        return {static_cast<int>(at.x), static_cast<int>(at.y)};
    }
    MainDialog window;
};

// Where the bars go and how far they reach is the chart's rule (tests/core/views).
TEST_F(GanttPane, TheViewAndClicksFollowTheBarsAndTheBarsTheWindowsSize)
{
    QScrollBar& vertical = pane().VerticalBar();
    ASSERT_TRUE(pane().HorizontalBar().isVisible() && vertical.isVisible());
    EXPECT_EQ(vertical.pageStep(), pane().Control().height());
    // Which bar is under a point is the chart's (tests/core/views); the pane maps a click
    // through the scroll position.
    vertical.setValue(300);
    pane().HorizontalBar().setValue(200);
    const QPTaskNode& later = Row(20);
    const QPoint at = DevicePoint(later.GetX() + 5, later.GetY() + 10);
    ASSERT_TRUE(pane().Control().rect().contains(at));
    QTest::mouseClick(&pane().Control(), Qt::LeftButton, {}, at);
    EXPECT_EQ(SelectedTaskKey(), later.taskKey);
    vertical.setValue(vertical.maximum());
    EXPECT_EQ(pane().View().offsetY, -vertical.maximum());
    // Growing the window keeps the end of the chart at the bottom edge, not beyond it.
    window.resize(900, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(vertical.value() + vertical.pageStep(),
              static_cast<int>(std::ceil(pane().View().Root().height)));
    EXPECT_EQ(pane().View().offsetY, -vertical.value());
    // A chart that fits needs no bars, and shows from its top left.
    window.resize(8000, 2000);
    QCoreApplication::processEvents();
    EXPECT_FALSE(pane().HorizontalBar().isVisible() || vertical.isVisible());
    EXPECT_EQ(pane().View().offsetX + pane().View().offsetY, 0);
}

TEST_F(GanttPane, PaintingPartOfTheChartGivesTheSamePixels)
{
    pane().VerticalBar().setValue(120);
    LSceneControl& control = pane().Control();
    QImage whole(control.size(), QImage::Format_RGB32);
    control.render(&whole);
    // Bars are where the scene says, in their colours.
    const QPTaskNode& row = Row(10);
    const QPoint middle = DevicePoint(row.GetX() + row.barWidth / 2, row.GetY() + 10);
    ASSERT_TRUE(whole.rect().contains(middle));
    const QColor barColour = whole.pixelColor(middle);
    const LColor expected = row.critical ? row.criticalColour : row.normalColour;
    EXPECT_EQ(barColour, QColor(expected.r, expected.g, expected.b));
    EXPECT_EQ(whole.pixelColor(control.width() - 2, control.height() - 2), QColor(240, 245, 252));
    // Left of the wide name's label, where only the part of the text beyond the estimate
    // reaches.
    const QPTaskLabelNode& wide = *Row(12).nameLabel;
    const QPoint labelStart = DevicePoint(wide.GetX(), wide.GetY());
    const QRect beforeLabel(labelStart.x() - 40, labelStart.y(), 38, 20);
    for (const QRect part : {QRect(0, 0, 120, 90), QRect(333, 77, 151, 203), beforeLabel,
                             QRect(control.width() - 64, control.height() - 48, 64, 48)}) {
        QImage partial(control.size(), QImage::Format_RGB32);
        partial.fill(Qt::magenta);
        // The region's corner goes to the offset given.
        control.render(&partial, part.topLeft(), QRegion(part));
        ASSERT_TRUE(control.rect().contains(part));
        EXPECT_TRUE(partial.copy(part) == whole.copy(part)) << "at " << part.x() << "," << part.y();
    }
}

} // namespace
