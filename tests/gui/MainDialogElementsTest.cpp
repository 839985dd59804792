// The main window's element commands: where accepted tasks go, deletion with its refusals
// and one undo step, the lists' context menu and the baselines.

#include "app/MainDialog.h"
#include "app/QPHelpWindow.h"
#include "dialogs/QPResourceDialog.h"
#include "dialogs/QPScheduleDialog.h"
#include "dialogs/QPScheduleEditor.h"
#include "dialogs/QPTaskDialog.h"
#include "model/QPProject.h"
#include "views/QPDataPanel.h"

#include "gui/MainWindowFixture.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QTableWidget>
#include <QTextBrowser>
#include <QTreeView>

#include <gtest/gtest.h>

#include <functional>

namespace {

class ElementCommands : public MainWindow {
protected:
    // Tasks T1 to Tn.
    void AddTasks(int count)
    {
        for (int i = 1; i <= count; ++i)
            AddTask(window->Project(), "T" + std::to_string(i));
        window->Project().undoStack.Clear();
        window->FullGUIRefresh();
    }
    std::vector<std::string> TaskNames()
    {
        std::vector<std::string> names;
        for (const QPTask& task : window->Project().tasks)
            names.push_back(task.name.str());
        return names;
    }
    void SelectRows(eDataPanelList list, std::initializer_list<int> rows)
    {
        QTreeView& view = window->DataPanel().List(list);
        view.selectionModel()->clearSelection();
        for (int row : rows)
            view.selectionModel()->select(view.model()->index(row, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    void ShowTab(int tab) { window->DataPanel().TabBar().setCurrentIndex(tab); }
    // A new task as an editor hands it over on OK.
    static std::unique_ptr<QPTask> NewTask(const std::string& name, int64_t headerKey = -1)
    {
        auto task = std::make_unique<QPTask>();
        task->name = name;
        task->durationText = "4";
        task->headerKey = headerKey;
        return task;
    }
    void Accept(std::unique_ptr<QPTask> task)
    {
        QPTask& element = *task;
        window->EvInterWinMessage(4101, element, std::move(task));
    }
};

} // namespace

TEST_F(ElementCommands, InsertedTasksTakeThePlaceOfTheSelectedTask)
{
    AddTasks(5);
    SelectRows(eDataPanelTaskList, {2});
    window->Command(3031);
    ASSERT_NE(window->EditPanel(), nullptr);
    EXPECT_EQ(window->EditPanel()->insertBeforeKey, window->Project().tasks.GetElement(3)->key);
    EXPECT_EQ(window->HelpTopic(), "taskdialog");

    window->Project().UndoRedoGroupStart();
    Accept(NewTask("New"));
    window->Project().UndoRedoGroupEnd();
    EXPECT_EQ(TaskNames(), (std::vector<std::string>{"T1", "T2", "New", "T3", "T4", "T5"}));
    EXPECT_EQ(window->Project().tasks.GetElement(4)->name, "T3");

    // One undo step takes the task out and numbers the others back.
    window->Command(5002);
    EXPECT_EQ(window->EditPanel(), nullptr);
    window->Command(3019);
    EXPECT_EQ(TaskNames(), (std::vector<std::string>{"T1", "T2", "T3", "T4", "T5"}));
}

TEST_F(ElementCommands, ANewSubtaskGoesToTheEndOfItsHeadersGroup)
{
    AddTasks(5);
    QPProject& project = window->Project();
    QPTask& header = *project.tasks.GetElement(2);
    header.isHeader = true;
    header.subtaskKeys = {project.tasks.GetElement(3)->key, project.tasks.GetElement(4)->key};
    project.RefreshSubtaskHeaderKeys();
    window->FullGUIRefresh();

    // Inserted before task 1, but it belongs to header 2 (subtasks 3 and 4): it becomes 5.
    SelectRows(eDataPanelTaskList, {0});
    window->Command(3031);
    ASSERT_EQ(window->EditPanel()->insertBeforeKey, project.tasks.GetElement(1)->key);
    project.UndoRedoGroupStart();
    Accept(NewTask("Sub", header.key));
    project.UndoRedoGroupEnd();
    window->Command(5002);
    EXPECT_EQ(TaskNames(), (std::vector<std::string>{"T1", "T2", "T3", "T4", "Sub", "T5"}));
    ASSERT_EQ(header.subtaskKeys.size(), 3u);
    EXPECT_EQ(header.subtaskKeys.back(), project.tasks.GetElement(5)->key);

    // Undone as one step, header membership included.
    window->Command(3019);
    EXPECT_EQ(TaskNames(), (std::vector<std::string>{"T1", "T2", "T3", "T4", "T5"}));
    EXPECT_EQ(project.tasks.GetElement(2)->subtaskKeys.size(), 2u);
}

TEST_F(ElementCommands, DeletingSeveralTasksIsOneUndoStep)
{
    AddTasks(5);
    SelectRows(eDataPanelTaskList, {1, 3});
    prompts.Then("Delete");
    window->Command(3015);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].title, "Confirm Delete");
    EXPECT_EQ(prompts.asked[0].message, "Are you sure you wish to delete the selected Task(s)?");
    EXPECT_EQ(prompts.asked[0].buttons, (std::vector<std::string>{"Delete", "Cancel"}));
    EXPECT_EQ(TaskNames(), (std::vector<std::string>{"T1", "T3", "T5"}));

    window->Command(3019);
    EXPECT_EQ(TaskNames(), (std::vector<std::string>{"T1", "T2", "T3", "T4", "T5"}));

    // "Cancel" deletes nothing; on another tab the command does nothing at all.
    prompts.Take();
    SelectRows(eDataPanelTaskList, {0});
    prompts.Then("Cancel");
    window->Command(3015);
    EXPECT_EQ(window->Project().tasks.size(), 5u);
    ShowTab(1);
    window->Command(3015);
    EXPECT_EQ(prompts.Take().size(), 1u);
}

TEST_F(ElementCommands, TheDefaultScheduleAndTheOpenElementAreNotDeleted)
{
    auto nights = std::make_unique<QPSchedule>();
    nights->name = "Nights";
    window->Project().ElementAdd(std::move(nights), false);
    window->FullGUIRefresh();
    ShowTab(2);
    SelectRows(eDataPanelScheduleList, {0, 1});
    prompts.Then("Delete");
    window->Command(3017);
    const auto asked = prompts.Take();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].title, "Delete Failed");
    EXPECT_EQ(asked[0].message, "Unable to delete Default Schedule as it is set to be the "
                                "project's default schedule.");
    EXPECT_EQ(asked[1].message, "Are you sure you wish to delete the selected Schedule(s)?");
    ASSERT_EQ(window->Project().schedules.size(), 1u);
    EXPECT_EQ(window->Project().schedules.front().name, "Default Schedule");

    // The task open in the editor stays; the other selected one goes.
    ShowTab(0);
    AddTasks(3);
    SelectRows(eDataPanelTaskList, {1});
    window->Command(3006);
    ASSERT_NE(window->EditPanel(), nullptr);
    EXPECT_EQ(window->DataPanel().HighlightedID(eDataPanelTaskList), 2);
    SelectRows(eDataPanelTaskList, {0, 1});
    prompts.Then("Delete");
    window->Command(3015);
    const auto refused = prompts.Take();
    ASSERT_EQ(refused.size(), 2u);
    EXPECT_EQ(refused[0].message, "Unable to delete T2 while the task is open for editing.");
    EXPECT_EQ(TaskNames(), (std::vector<std::string>{"T2", "T3"}));
    // The open task moved up to ID 1 and its row is still the highlighted one.
    EXPECT_EQ(window->DataPanel().HighlightedID(eDataPanelTaskList), 1);
    window->Command(5002);
    EXPECT_EQ(window->DataPanel().HighlightedID(eDataPanelTaskList), -1);
}

TEST_F(ElementCommands, OnePanelAtATimeAndNoUndoWhileItIsOpen)
{
    AddTasks(2);
    AddTask(window->Project(), "T3");
    window->EnableControls();
    ASSERT_TRUE(window->IsCommandEnabled(3019));
    window->Command(3002);
    QPEditPanel* first = window->EditPanel();
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(window->IsCommandEnabled(3019));
    EXPECT_FALSE(window->CommandAction(3019)->isEnabled());
    window->Command(3019);
    EXPECT_EQ(window->Project().tasks.size(), 3u);

    // A second editor replaces the first, which is cancelled: its new task never arrives.
    window->Command(3003);
    EXPECT_NE(window->EditPanel(), first);
    EXPECT_EQ(window->HelpTopic(), "resourcedialog");
    EXPECT_EQ(window->Project().tasks.size(), 3u);
    window->Command(5002);
    EXPECT_EQ(window->EditPanel(), nullptr);
    EXPECT_TRUE(window->IsCommandEnabled(3019));
    EXPECT_TRUE(window->Project().resources.empty());
}

TEST_F(ElementCommands, TheContextMenuFollowsTheTabAndTheSelection)
{
    AddTasks(3);
    SelectRows(eDataPanelTaskList, {0, 1});
    auto texts = [](QMenu& menu) {
        std::vector<std::pair<std::string, bool>> entries;
        for (QAction* action : menu.actions())
            entries.emplace_back(action->text().toStdString(), action->isEnabled());
        return entries;
    };
    EXPECT_EQ(texts(*window->ListContextMenu()),
              (std::vector<std::pair<std::string, bool>>{{"New Task", true},
                                                         {"Insert Task", false},
                                                         {"Edit Task", false},
                                                         {"Delete Task", true}}));
    ShowTab(2);
    EXPECT_EQ(texts(*window->ListContextMenu()),
              (std::vector<std::pair<std::string, bool>>{{"New Schedule", true},
                                                         {"Edit Schedule", false},
                                                         {"Delete Schedule", false}}));
}

TEST_F(ElementCommands, BaselinesNeedTasksStopAtTenAndAskBeforeDeleting)
{
    window->Command(3025);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].title, "No Tasks");
    EXPECT_EQ(prompts.asked[0].message,
              "Project \"New Project\" does not contain a task -- no baseline may be created.");
    prompts.Take();

    AddTasks(1);
    dialogs.baselineNames.push_back("First");
    window->Command(3025);
    ASSERT_EQ(window->Project().baselines.size(), 1u);
    EXPECT_EQ(window->Project().baselines[0]->name, "First");
    EXPECT_TRUE(window->CommandAction(3026)->isEnabled());

    for (int i = 2; i <= 10; ++i)
        window->Project().BaselineAdd("B" + std::to_string(i));
    window->Command(3025);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].title, "Baseline Limit Reached");
    EXPECT_EQ(prompts.asked[0].message, "Kestrano supports only 10 baselines per project. A "
                                        "baseline must be deleted before a new one may be "
                                        "created.");
    prompts.Take();

    dialogs.baselineChoices.push_back(0);
    prompts.Then("Cancel");
    window->Command(3026);
    EXPECT_EQ(dialogs.selections, std::vector<std::string>{"Select Baseline / Delete Baseline"});
    EXPECT_EQ(window->Project().baselines.size(), 10u);
    dialogs.baselineChoices.push_back(0);
    prompts.Then("Delete Baseline");
    window->Command(3026);
    EXPECT_EQ(window->Project().baselines.size(), 9u);
    EXPECT_EQ(window->Project().baselines[0]->name, "B2");
    const auto asked = prompts.Take();
    EXPECT_EQ(asked.back().message,
              "Deleting a baseline is a permanent operation and cannot be reversed.");

    while (!window->Project().baselines.empty())
        window->Project().BaselineDelete(0);
    window->Command(3026);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].message, "No baselines for the current project exist.");
}

TEST_F(ElementCommands, TheTaskEditorAddsATaskAsOneUndoStep)
{
    AddTasks(2);
    window->Command(3002);
    auto* editor = dynamic_cast<QPTaskDialog*>(window->EditPanel());
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(window->EditPanel()->isVisible() || !window->isVisible());

    // Refused: the editor stays open and nothing is recorded.
    window->Command(5001);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].message, "Please enter a name for this task.");
    prompts.Take();
    EXPECT_EQ(window->EditPanel(), editor);
    EXPECT_FALSE(window->Project().undoStack.CanUndo());

    editor->NameEdit().setText(QStringLiteral("Survey"));
    editor->DurationEdit().setText(QStringLiteral("12"));
    window->Command(5001);
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(window->EditPanel(), nullptr);
    EXPECT_EQ(TaskNames(), (std::vector<std::string>{"T1", "T2", "Survey"}));
    // Recalculated: the new task has dates.
    EXPECT_NE(window->Project().tasks.GetElement(3)->finish, LDateTime());
    EXPECT_EQ(window->DataPanel().List(eDataPanelTaskList).model()->rowCount(), 3);

    window->Command(3019);
    EXPECT_EQ(TaskNames(), (std::vector<std::string>{"T1", "T2"}));
    window->Command(3020);
    EXPECT_EQ(TaskNames(), (std::vector<std::string>{"T1", "T2", "Survey"}));
}

TEST_F(ElementCommands, EditingATaskPickedInTheChart)
{
    AddTasks(3);
    window->GanttViewSelectTask(window->Project().tasks.GetElement(2)->key);
    auto* editor = dynamic_cast<QPTaskDialog*>(window->EditPanel());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(window->DataPanel().GetTaskSelectedID(), 2);
    EXPECT_EQ(window->DataPanel().HighlightedID(eDataPanelTaskList), 2);
    EXPECT_EQ(editor->NameEdit().text(), QStringLiteral("T2"));

    editor->NameEdit().setText(QStringLiteral("Renamed"));
    window->Command(5001);
    EXPECT_EQ(window->Project().tasks.GetElement(2)->name, "Renamed");
    EXPECT_EQ(window->DataPanel().HighlightedID(eDataPanelTaskList), -1);
    window->Command(3019);
    EXPECT_EQ(window->Project().tasks.GetElement(2)->name, "T2");
}

TEST_F(ElementCommands, NewResourcesAndSchedulesJoinTheirLists)
{
    window->Command(3003);
    auto* resource = dynamic_cast<QPResourceDialog*>(window->EditPanel());
    ASSERT_NE(resource, nullptr);
    resource->NameEdit().setText(QStringLiteral("Anna"));
    resource->EmailEdit().setText(QStringLiteral("anna@example.com"));
    window->Command(5001);
    EXPECT_EQ(prompts.Take().size(), 0u);
    ASSERT_EQ(window->Project().resources.size(), 1u);
    EXPECT_EQ(window->Project().resources.front().name, "Anna");
    EXPECT_EQ(window->DataPanel().List(eDataPanelResourceList).model()->rowCount(), 1);

    // Help shows the open editor's page.
    window->Command(3004);
    ASSERT_NE(dynamic_cast<QPScheduleDialog*>(window->EditPanel()), nullptr);
    EXPECT_EQ(window->HelpTopic(), "scheduledialog");
    window->Command(5003);
    ASSERT_NE(QPHelpWindow::Instance(), nullptr);
    EXPECT_TRUE(
            QPHelpWindow::Instance()->Browser().toPlainText().contains(QStringLiteral("chedule")));
    delete QPHelpWindow::Instance();
    window->Command(5002);
    // Without an editor, Help shows nothing; the Help menu shows the contents.
    window->Command(5003);
    EXPECT_EQ(QPHelpWindow::Instance(), nullptr);
    window->Command(MainDialog::kCmHelpContents);
    ASSERT_NE(QPHelpWindow::Instance(), nullptr);
    EXPECT_TRUE(QPHelpWindow::Instance()->Browser().toPlainText().contains(QStringLiteral("Task")));
    delete QPHelpWindow::Instance();
    EXPECT_EQ(window->Project().schedules.size(), 1u);
}

// --- the open editor keeps its elements while the lists change under it -------------------

TEST_F(ElementCommands, TheTaskEditorFollowsItsPredecessorWhenRowsAreDragged)
{
    // T3 depends on T2; T3 is open in the editor while T1 is dragged below T2.
    AddTasks(3);
    QPProject& project = window->Project();
    const int64_t t2 = project.tasks.GetElement(2)->key;
    project.tasks.GetElement(3)->AddDependency(t2, 0, 0.0f);
    window->FullGUIRefresh();
    SelectRows(eDataPanelTaskList, {2});
    window->Command(3006);
    auto* editor = dynamic_cast<QPTaskDialog*>(window->EditPanel());
    ASSERT_NE(editor, nullptr);
    ASSERT_EQ(editor->DependencyList().rowCount(), 1);
    EXPECT_EQ(editor->DependencyList().item(0, 0)->text(), QStringLiteral("2"));

    SelectRows(eDataPanelTaskList, {0});
    window->DataPanel().EvLVDragFinish(QPDataPanel::kTaskList, 2);
    ASSERT_EQ(TaskNames(), (std::vector<std::string>{"T2", "T1", "T3"}));
    // The row shows the predecessor's new ID, and OK links the same task as before.
    EXPECT_EQ(editor->DependencyList().item(0, 0)->text(), QStringLiteral("1"));
    window->Command(5001);
    EXPECT_TRUE(prompts.Take().empty());
    ASSERT_EQ(window->EditPanel(), nullptr);
    const QPTask& t3 = *project.tasks.GetElement(3);
    ASSERT_EQ(t3.dependencies.size(), 1u);
    EXPECT_EQ(t3.dependencies[0].predecessorKey, t2);
}

TEST_F(ElementCommands, APendingInsertFollowsItsTaskWhenItMovesOrGoes)
{
    AddTasks(4);
    QPProject& project = window->Project();
    // "Insert Task" before T2, then T2 is dragged to the end.
    SelectRows(eDataPanelTaskList, {1});
    window->Command(3031);
    SelectRows(eDataPanelTaskList, {1});
    window->DataPanel().EvLVDragFinish(QPDataPanel::kTaskList, 4);
    ASSERT_EQ(TaskNames(), (std::vector<std::string>{"T1", "T3", "T4", "T2"}));
    project.UndoRedoGroupStart();
    Accept(NewTask("New"));
    project.UndoRedoGroupEnd();
    window->Command(5002);
    EXPECT_EQ(TaskNames(), (std::vector<std::string>{"T1", "T3", "T4", "New", "T2"}));

    // Before a task deleted meanwhile: the new task goes to the end.
    SelectRows(eDataPanelTaskList, {1});
    window->Command(3031);
    SelectRows(eDataPanelTaskList, {1});
    prompts.Then("Delete");
    window->Command(3015);
    ASSERT_EQ(TaskNames(), (std::vector<std::string>{"T1", "T4", "New", "T2"}));
    project.UndoRedoGroupStart();
    Accept(NewTask("Last"));
    project.UndoRedoGroupEnd();
    window->Command(5002);
    EXPECT_EQ(TaskNames(), (std::vector<std::string>{"T1", "T4", "New", "T2", "Last"}));
}

TEST_F(ElementCommands, UndoingAnEditBackToTheSavedStateLeavesNothingToSave)
{
    AddTasks(1);
    window->Command(3003);
    auto* created = dynamic_cast<QPResourceDialog*>(window->EditPanel());
    ASSERT_NE(created, nullptr);
    created->NameEdit().setText(QStringLiteral("Anna"));
    created->EmailEdit().setText(QStringLiteral("anna@example.com"));
    window->Command(5001);
    window->Project().undoStack.MarkCurrentStateAsSaved();
    window->Project().dirty = false;

    struct Edit {
        eDataPanelList list;
        int command;
        std::function<void(QPEditPanel&)> change;
    };
    const std::vector<Edit> edits = {
            {eDataPanelResourceList, 3007,
             [](QPEditPanel& panel) {
                 dynamic_cast<QPResourceDialog&>(panel).NameEdit().setText(QStringLiteral("Ann"));
             }},
            {eDataPanelScheduleList, 3008,
             [](QPEditPanel& panel) {
                 dynamic_cast<QPScheduleDialog&>(panel).Editor().NameEdit().setText(
                         QStringLiteral("Nights"));
             }},
            {eDataPanelTaskList, 3006,
             [](QPEditPanel& panel) {
                 dynamic_cast<QPTaskDialog&>(panel).NameEdit().setText(QStringLiteral("Survey"));
             }},
    };
    for (const Edit& edit : edits) {
        SCOPED_TRACE(edit.command);
        ShowTab(edit.list);
        SelectRows(edit.list, {0});
        window->Command(edit.command);
        ASSERT_NE(window->EditPanel(), nullptr);
        edit.change(*window->EditPanel());
        window->Command(5001);
        ASSERT_EQ(window->EditPanel(), nullptr);
        EXPECT_TRUE(window->Project().IsProjectDirty());
        window->Command(3019);
        EXPECT_FALSE(window->Project().IsProjectDirty());
        // Closing asks nothing.
        EXPECT_TRUE(window->CmCancel());
        EXPECT_TRUE(prompts.Take().empty());
    }
}

TEST_F(ElementCommands, TheTaskListShowsTheDatesAScheduleEditGives)
{
    AddTasks(1);
    window->RecalculateProject();
    window->FullGUIRefresh();
    const auto startCell = [&] {
        return window->DataPanel().List(eDataPanelTaskList).model()->index(0, 4).data().toString();
    };
    const QString before = startCell();
    ShowTab(2);
    SelectRows(eDataPanelScheduleList, {0});
    window->Command(3008);
    auto* editor = dynamic_cast<QPScheduleDialog*>(window->EditPanel());
    ASSERT_NE(editor, nullptr);
    // Only Saturdays are working days now.
    for (int day = 0; day < 6; ++day) {
        editor->Editor().HoursBox(day).setValue(0);
        editor->Editor().MinutesBox(day).setValue(0);
    }
    editor->Editor().HoursBox(6).setValue(8);
    window->Command(5001);
    ASSERT_EQ(window->EditPanel(), nullptr);
    const QString shown = startCell();
    EXPECT_NE(shown, before);
    window->DataPanel().TaskListRefresh();
    EXPECT_EQ(shown, startCell());
}
