// The chart in the main window: its scroll bars, clicks at any scroll position, and partial
// paints that give the same pixels as a whole one.

#include "views/QPGanttPane.h"
#include "app/MainDialog.h"
#include "views/LSceneControl.h"
#include "views/QPDataPanel.h"

#include "gui/GuiTest.h"

// Where the bars go and how far they reach is the chart's rule (tests/core/views).
TEST(GanttPane, TheViewClicksAndPaintsFollowTheBarsAndTheBarsTheWindowsSize)
{
    // Forty tasks in a chain, one or two days each: wider and taller than the window.
    MainDialog window;
    QPProject& project = window.Project();
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
    window.Command(3011); // The chart beside the lists, over the window's whole height.
    window.resize(1800, 600);
    window.show();
    window.RecalculateProject();
    window.FullGUIRefresh();
    QCoreApplication::processEvents();
    QPGanttPane& pane = window.GanttPane();
    const auto Row = [&pane](int row) -> const QPTaskNode& {
        return static_cast<const QPTaskNode&>(
                *pane.View().Root().taskChart->Children().at(row - 1));
    };
    const auto DevicePoint = [&pane](float x, float y) { // Where a scene point is in the control.
        const LPointF at = pane.View().GetSceneToDevice().Map(x, y);
        return QPoint(static_cast<int>(at.x), static_cast<int>(at.y));
    };
    QScrollBar& vertical = pane.VerticalBar();
    ASSERT_TRUE(pane.HorizontalBar().isVisible() && vertical.isVisible());
    EXPECT_EQ(vertical.pageStep(), pane.Control().height());
    // What a partial paint draws is the scene's (tests/core/views); here the control's region
    // and offset, the bars' colours and a label drawn wider than its estimate (the wide name).
    vertical.setValue(120);
    LSceneControl& control = pane.Control();
    QImage whole(control.size(), QImage::Format_RGB32), partial = whole;
    control.render(&whole);
    const QPTaskNode& row = Row(10);
    const LColor bar = row.critical ? row.criticalColour : row.normalColour;
    EXPECT_EQ(whole.pixelColor(DevicePoint(row.GetX() + row.barWidth / 2, row.GetY() + 10)),
              QColor(bar.r, bar.g, bar.b));
    const QPoint label = DevicePoint(Row(12).nameLabel->GetX(), Row(12).nameLabel->GetY());
    for (const QRect part : {QRect(333, 77, 151, 203), QRect(label.x() - 40, label.y(), 38, 20)}) {
        partial.fill(Qt::magenta);
        control.render(&partial, part.topLeft(), QRegion(part));
        EXPECT_TRUE(partial.copy(part) == whole.copy(part)) << "at " << part.x() << "," << part.y();
    }
    // Which bar is under a point is the chart's (tests/core/views); here the scroll position.
    vertical.setValue(300);
    pane.HorizontalBar().setValue(200);
    const QPTaskNode& later = Row(20);
    const QPoint at = DevicePoint(later.GetX() + 5, later.GetY() + 10);
    ASSERT_TRUE(pane.Control().rect().contains(at));
    QTest::mouseClick(&pane.Control(), Qt::LeftButton, {}, at);
    EXPECT_EQ(window.DataPanel().GetTaskSelectedID(), 20);
    vertical.setValue(vertical.maximum());
    EXPECT_EQ(pane.View().offsetY, -vertical.maximum());
    // Growing the window keeps the end of the chart at the bottom edge, not beyond it.
    window.resize(900, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(vertical.value() + vertical.pageStep(),
              static_cast<int>(std::ceil(pane.View().Root().height)));
    EXPECT_EQ(pane.View().offsetY, -vertical.value());
    window.resize(8000, 2000); // A chart that fits needs no bars, and shows from its top left.
    QCoreApplication::processEvents();
    EXPECT_FALSE(pane.HorizontalBar().isVisible() || vertical.isVisible());
    EXPECT_EQ(pane.View().offsetX + pane.View().offsetY, 0);
}
