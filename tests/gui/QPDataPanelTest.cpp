// The data panel: what it tells the main window about selections, clicks and tabs, how
// the window reads the selection back, dragging tasks, and column layouts kept across runs.

#include "views/QPDataPanel.h"

#include "gui/GuiTest.h"

namespace {

struct FakeHost : QPDataPanelHost {
    void Command(int command) override
    {
        commands.push_back(command);
        if (command == QPDataPanel::kTasksMoved && panel) // As the main window does after a move.
            panel->AllListRefresh();
    }
    std::vector<int> commands;
    QPDataPanel* panel = nullptr;
};

// Rows of the task list: 0 Survey, 1 Build, 2 Frame, 3 Roof, 4 Fit out (its subtasks
// 6 Wiring and 7 Plumbing hidden), 5 Handover.
class DataPanel : public WidgetTest {
protected:
    DataPanel()
    {
        plan.Task("Survey", "8");
        QPTask& build = plan.Task("Build", "0");
        build.subtaskKeys = {plan.Task("Frame", "16").key, plan.Task("Roof", "8").key};
        QPTask& fitOut = plan.Task("Fit out", "0");
        build.isHeader = fitOut.isHeader = fitOut.hideSubtasks = true;
        fitOut.subtaskKeys = {plan.Task("Wiring", "8").key, plan.Task("Plumbing", "8").key};
        plan.Task("Handover", "2");
        plan.project.RefreshSubtaskHeaderKeys();
        plan.Resource("Anna", nullptr, 1850);
        plan.Resource("Bob");
        plan.Schedule("Nights", 22 * kHour, {0, 8, 8, 8, 8, 8, 0});
        panel = OpenPanel();
    }
    ~DataPanel() override { host.panel = nullptr; }
    std::unique_ptr<QPDataPanel> OpenPanel()
    {
        auto opened = std::make_unique<QPDataPanel>(plan.project, host, store);
        host.panel = opened.get();
        opened->resize(900, 400);
        opened->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(opened.get()));
        opened->InitDialog();
        host.commands.clear();
        return opened;
    }
    QTreeView& List(eDataPanelList list) { return panel->List(list); }
    void Select(eDataPanelList list, std::initializer_list<int> rows)
    {
        QTreeView& view = List(list);
        for (int row : rows)
            view.selectionModel()->select(view.model()->index(row, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    // A press first, as a real mouse gives: the view reports double clicks on pressed rows.
    static void DoubleClick(QTreeView& view, QPoint at)
    {
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, at);
    }
    QString Cell(eDataPanelList list, int row, int column)
    {
        return List(list).model()->index(row, column).data().toString();
    }
    Texts TaskNames() const { return Names(plan.project.tasks); }
    FakeHost host;
    std::unique_ptr<QPDataPanel> panel;
};

// The lists filled (their rows: tests/core/views), then the selection as the window reads it.
TEST_F(DataPanel, ListsFilledTheSelectionReadInListOrderForTheShowingTabAndTheHostTold)
{
    EXPECT_EQ(List(eDataPanelTaskList).model()->rowCount(), 6);
    EXPECT_EQ(Cell(eDataPanelResourceList, 0, 3) + Cell(eDataPanelScheduleList, 1, 3),
              QStringLiteral("$18.508 Hrs 0 Mins"));
    plan.project.tasks.back().resourceConflict = true; // Handover
    panel->TaskListRefresh();
    const QAbstractItemModel& model = *List(eDataPanelTaskList).model();
    const QModelIndex name = model.index(5, 1);
    EXPECT_EQ(name.data(Qt::ToolTipRole).toString(), kOverCommittedText);
    EXPECT_FALSE(name.data(Qt::DecorationRole).value<QPixmap>().isNull());
    EXPECT_FALSE(model.index(0, 1).data(Qt::ToolTipRole).isValid());
    // Picked with the mouse, as the user does, in every list.
    for (const eDataPanelList list :
         {eDataPanelScheduleList, eDataPanelResourceList, eDataPanelTaskList}) {
        panel->TabBar().setCurrentIndex(list);
        QTreeView& view = List(list);
        const auto centre = [&](int row) {
            return view.visualRect(view.model()->index(row, 1)).center();
        };
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, centre(0));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ControlModifier, centre(1));
    }
    EXPECT_EQ(panel->GetTaskListSelectionCount(), 2);
    EXPECT_EQ(panel->GetResourceListSelectionCount() + panel->GetScheduleListSelectionCount(), 0);
    panel->TabBar().setCurrentIndex(1);
    EXPECT_EQ(panel->GetTaskListSelectionCount(), 0);
    EXPECT_EQ(panel->GetResourceListSelectionCount(), 2);
    EXPECT_EQ(panel->GetTaskSelectedID(), 2) << "still selected (the focused row), not counted";
    panel->TabBar().setCurrentIndex(0);
    Select(eDataPanelTaskList, {5, 3});
    std::vector<int> ids = {42};
    panel->GetTaskListAllSelectedIDs(ids);
    EXPECT_EQ(ids, (std::vector<int>{42, 1, 2, 4, 8}));
    QTreeView& tasks = List(eDataPanelTaskList); // The focused row answers when it is selected.
    tasks.selectionModel()->setCurrentIndex(tasks.model()->index(3, 0),
                                            QItemSelectionModel::NoUpdate);
    EXPECT_EQ(panel->GetTaskSelectedID(), 4);
    // By ID: only that row; a task without a row (6 is a hidden subtask) changes nothing.
    panel->SelectTaskByID(4);
    for (int id : {6, 0, -1, 99})
        panel->SelectTaskByID(id);
    ids.clear();
    panel->GetTaskListAllSelectedIDs(ids);
    EXPECT_EQ(ids, std::vector<int>{4});
    EXPECT_EQ(tasks.currentIndex().row(), 3);
    // What the panel tells the host of selections, tabs and clicks.
    host.commands.clear();
    Select(eDataPanelTaskList, {1});
    panel->AllListRefresh(); // Rebuilding a list is the window's own doing: nothing to report.
    EXPECT_EQ(host.commands, std::vector<int>{4501});
    const QPoint onRow = tasks.visualRect(tasks.model()->index(2, 1)).center();
    DoubleClick(tasks, onRow);
    EXPECT_NE(std::find(host.commands.begin(), host.commands.end(), 4502), host.commands.end());
    EXPECT_EQ(panel->GetTaskSelectedID(), 3);
    host.commands.clear();
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, onRow,
                                 tasks.viewport()->mapToGlobal(onRow));
    QCoreApplication::sendEvent(tasks.viewport(), &rightClick);
    EXPECT_EQ(host.commands, std::vector<int>{4505});
    EXPECT_EQ(panel->LastContextPosition(), tasks.viewport()->mapToGlobal(onRow));
    EXPECT_EQ(panel->LastContextListID(), 1001);
    const std::pair<eDataPanelList, int> others[] = {{eDataPanelResourceList, 4503},
                                                     {eDataPanelScheduleList, 4504}};
    for (const auto& [list, command] : others) {
        host.commands.clear();
        panel->TabBar().setCurrentIndex(list);
        EXPECT_EQ(host.commands, std::vector<int>{4501});
        QTreeView& view = List(list);
        DoubleClick(view, view.visualRect(view.model()->index(0, 1)).center());
        EXPECT_EQ(host.commands.back(), command);
    }
}

// Where dragged rows land is the rows' own (tests/core/views); here when and how they move.
TEST_F(DataPanel, DraggedTasksMoveWhenTheDragEndsAndColumnLayoutsOutliveThePanel)
{
    QAbstractItemModel& model = *List(eDataPanelTaskList).model();
    Select(eDataPanelTaskList, {0});
    host.commands.clear();
    // Dropped in the gap above Handover: moved once the drop's own handling is over.
    EXPECT_FALSE(model.dropMimeData(nullptr, Qt::MoveAction, 5, 0, {}));
    EXPECT_TRUE(host.commands.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(host.commands, std::vector<int>{4506});
    EXPECT_EQ(TaskNames(), (Texts{"Build", "Frame", "Roof", "Fit out", "Wiring", "Plumbing",
                                  "Survey", "Handover"}));
    plan.project.undoStack.Undo();
    panel->AllListRefresh(); // as the main window does after an undo
    EXPECT_EQ(TaskNames().front(), "Survey");
    // A subtask cannot leave its group: the rows go back, without a command; a drag that
    // ends in another list moves nothing but is still reported.
    List(eDataPanelTaskList).clearSelection();
    Select(eDataPanelTaskList, {2});
    host.commands.clear();
    const Texts before = TaskNames();
    panel->EvLVDragFinish(QPDataPanel::kTaskList, 0);
    EXPECT_TRUE(host.commands.empty());
    panel->EvLVDragFinish(QPDataPanel::kResourceList, 0);
    EXPECT_EQ(host.commands, std::vector<int>{4506});
    EXPECT_EQ(TaskNames(), before);
    EXPECT_EQ(List(eDataPanelTaskList).model()->rowCount(), 6);
    // How widths are stored is the layout's (tests/core/views); without them the panel sizes
    // its columns to the first rows (the ID column to its numbers), and it keeps them on closing.
    const QString longName = QStringLiteral("Commission the ventilation of the north wing");
    plan.Task(longName.toStdString(), "8");
    panel.reset();
    panel = OpenPanel();
    QHeaderView* columns = List(eDataPanelTaskList).header();
    EXPECT_GE(columns->sectionSize(1),
              List(eDataPanelTaskList).fontMetrics().horizontalAdvance(longName));
    EXPECT_LT(columns->sectionSize(0), columns->sectionSize(1) / 3);
    columns->resizeSection(1, 150);
    List(eDataPanelScheduleList).header()->resizeSection(3, 77);
    panel->DestroyDialog();
    panel.reset();
    panel = OpenPanel();
    plan.Task(longName.toStdString() + " and the south wing", "8");
    panel->TaskListRefresh();
    EXPECT_EQ(List(eDataPanelTaskList).header()->sectionSize(1), 150);
    EXPECT_EQ(List(eDataPanelScheduleList).header()->sectionSize(3), 77);
}

} // namespace
