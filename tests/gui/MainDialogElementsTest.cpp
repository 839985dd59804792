// The main window's element commands: inserts, editors, deletion, context menu, baselines.

#include "dialogs/QPScheduleDialog.h"
#include "dialogs/QPScheduleEditor.h"
#include "dialogs/QPTaskDialog.h"

#include "gui/MainWindowFixture.h"

namespace {

class ElementCommands : public MainWindow {
protected:
    void AddTasks(int count) // Tasks T1 to Tn, with their dates and nothing to undo.
    {
        for (int i = 1; i <= count; ++i)
            AddTask(window->Project(), "T" + std::to_string(i));
        window->Project().undoStack.Clear();
        window->RecalculateProject();
        window->FullGUIRefresh();
    }
    // A new task as the open editor hands it over on OK, as one undo step; the editor closes.
    void Accept(const std::string& name, int64_t headerKey = -1)
    {
        auto task = std::make_unique<QPTask>();
        task->name = name;
        task->durationText = "4";
        task->headerKey = headerKey;
        QPTask& element = *task;
        window->Project().UndoRedoGroupStart();
        window->EvInterWinMessage(4101, element, std::move(task));
        window->Project().UndoRedoGroupEnd();
        window->Command(5002);
    }
    template <class Panel>
    Panel& Editor()
    {
        auto* panel = dynamic_cast<Panel*>(window->EditPanel());
        EXPECT_NE(panel, nullptr);
        return *panel;
    }
    QLineEdit& NameEdit() { return Editor<QPTaskDialog>().NameEdit(); }
};

} // namespace

TEST_F(ElementCommands, InsertedTasksTakeThePlaceOfTheSelectedTaskOrEndTheirGroup)
{
    AddTasks(5);
    Select(eDataPanelTaskList, {2});
    window->Command(3031);
    Accept("New");
    EXPECT_EQ(window->EditPanel(), nullptr);
    EXPECT_EQ(TaskNames(), (Texts{"T1", "T2", "New", "T3", "T4", "T5"}));
    // Inserted before task 1, but it belongs to header 2 (subtasks 3 and 4): it becomes 5.
    QPProject& project = window->Project();
    QPTask& header = *project.tasks.GetElement(2);
    header.isHeader = true;
    header.subtaskKeys = {project.tasks.GetElement(3)->key, project.tasks.GetElement(4)->key};
    project.RefreshSubtaskHeaderKeys();
    window->FullGUIRefresh();
    Select(eDataPanelTaskList, {0});
    window->Command(3031);
    Accept("Sub", header.key);
    EXPECT_EQ(TaskNames(), (Texts{"T1", "T2", "New", "T3", "Sub", "T4", "T5"}));
    EXPECT_EQ(header.subtaskKeys.back(), project.tasks.GetElement(5)->key);
    window->Command(3019); // Undone as one step, header membership included.
    EXPECT_EQ(TaskNames(), (Texts{"T1", "T2", "New", "T3", "T4", "T5"}));
    EXPECT_EQ(project.tasks.GetElement(2)->subtaskKeys.size(), 2u);
}

TEST_F(ElementCommands, APendingInsertFollowsItsTaskWhenItMovesOrGoes)
{
    AddTasks(4);
    Select(eDataPanelTaskList, {1}); // "Insert Task" before T2, then T2 is dragged to the end.
    window->Command(3031);
    Select(eDataPanelTaskList, {1});
    window->DataPanel().EvLVDragFinish(QPDataPanel::kTaskList, 4);
    Accept("New");
    // Before a task deleted meanwhile: the new task goes to the end.
    Select(eDataPanelTaskList, {1});
    window->Command(3031);
    Select(eDataPanelTaskList, {1});
    prompts.Then("Delete");
    window->Command(3015);
    Accept("Last");
    EXPECT_EQ(TaskNames(), (Texts{"T1", "T4", "New", "T2", "Last"}));
}

TEST_F(ElementCommands, DeletingAsksIsOneUndoStepAndSparesTheOpenTaskAndTheDefaultSchedule)
{
    AddTasks(5);
    Select(eDataPanelTaskList, {1, 3});
    prompts.Then("Delete");
    window->Command(3015);
    EXPECT_EQ(prompts.Take().at(0).title, "Confirm Delete");
    EXPECT_EQ(TaskNames(), (Texts{"T1", "T3", "T5"}));
    window->Command(3019);
    EXPECT_EQ(TaskNames(), (Texts{"T1", "T2", "T3", "T4", "T5"}));
    // "Cancel" deletes nothing; on another tab the command does nothing at all.
    Select(eDataPanelTaskList, {0});
    prompts.Then("Cancel");
    window->Command(3015);
    Select(eDataPanelResourceList, {});
    window->Command(3015);
    EXPECT_EQ(prompts.Take().size(), 1u);
    EXPECT_EQ(window->Project().tasks.size(), 5u);
    // The task open in the editor stays; the other selected one goes.
    Select(eDataPanelTaskList, {1});
    window->Command(3006);
    Select(eDataPanelTaskList, {0, 1});
    prompts.Then("Delete");
    window->Command(3015);
    EXPECT_EQ(prompts.TakeTexts().at(0),
              "alert: Delete Failed: Unable to delete T2 while the task is open for editing.");
    EXPECT_EQ(TaskNames(), (Texts{"T2", "T3", "T4", "T5"}));
    // The open task moved up to ID 1 and its row is still the highlighted one.
    EXPECT_EQ(window->DataPanel().HighlightedID(eDataPanelTaskList), 1);
    window->Command(5002);
    EXPECT_EQ(window->DataPanel().HighlightedID(eDataPanelTaskList), -1);
    window->Project().ElementAdd(std::make_unique<QPSchedule>(), false);
    window->FullGUIRefresh();
    Select(eDataPanelScheduleList, {0, 1});
    prompts.Then("Delete");
    window->Command(3017);
    EXPECT_EQ(prompts.TakeTexts().at(0), "alert: Delete Failed: Unable to delete Default "
                                         "Schedule as it is set to be the project's default "
                                         "schedule.");
    EXPECT_EQ(Names(window->Project().schedules), Texts{"Default Schedule"});
}

TEST_F(ElementCommands, OnePanelAtATimeNoUndoWhileItIsOpenAndTheContextMenu)
{
    AddTasks(2);
    AddTask(window->Project(), "T3");
    window->EnableControls();
    ASSERT_TRUE(window->IsCommandEnabled(3019));
    window->Command(3002);
    QPEditPanel* first = window->EditPanel();
    EXPECT_FALSE(window->IsCommandEnabled(3019) || ActionEnabled(3019));
    window->Command(3019);
    EXPECT_EQ(window->Project().tasks.size(), 3u);
    // A second editor replaces the first, which is cancelled: its new task never arrives.
    window->Command(3003);
    EXPECT_NE(window->EditPanel(), first);
    EXPECT_EQ(window->HelpTopic(), "resourcedialog");
    window->Command(5002);
    EXPECT_TRUE(window->IsCommandEnabled(3019)) << "the editor closed";
    EXPECT_EQ(window->Project().tasks.size(), 3u);
    EXPECT_TRUE(window->Project().resources.empty());
    // The lists' context menu follows the tab and the selection.
    Select(eDataPanelTaskList, {0, 1});
    const auto entries = [this] {
        std::string shown;
        const std::unique_ptr<QMenu> menu = window->ListContextMenu();
        for (QAction* action : menu->actions())
            shown += action->text().toStdString() + (action->isEnabled() ? "; " : " (off); ");
        return shown;
    };
    EXPECT_EQ(entries(), "New Task; Insert Task (off); Edit Task (off); Delete Task; ");
    Select(eDataPanelScheduleList, {});
    EXPECT_EQ(entries(), "New Schedule; Edit Schedule (off); Delete Schedule (off); ");
}

TEST_F(ElementCommands, BaselinesNeedTasksStopAtTenAskBeforeDeletingAndCompare)
{
    window->Project().SetName("Harbour Wall");
    // The titles of what the commands asked and said.
    const auto run = [this](std::initializer_list<int> commands) {
        std::string said;
        for (int command : commands) {
            window->Command(command);
            for (const auto& prompt : prompts.Take())
                said += prompt.title + "; ";
        }
        return said;
    };
    EXPECT_EQ(run({3025}), "No Tasks; ");
    AddTasks(1);
    window->EnableControls();
    EXPECT_FALSE(ActionEnabled(3026) || ActionEnabled(3027));
    EXPECT_EQ(run({3026, 3027}),
              "No Baselines; No Baselines; "); // reached all the same, by a key or a script
    dialogs.baselineNames.push_back("First");
    EXPECT_EQ(run({3025}), "");
    ASSERT_EQ(window->Project().baselines.size(), 1u);
    EXPECT_EQ(window->Project().baselines[0]->name, "First");
    EXPECT_TRUE(ActionEnabled(3026) && ActionEnabled(3027));
    // Compare opens the chosen one, a cancelled choice nothing; deleting asks first.
    for (int i = 2; i <= 10; ++i)
        window->Project().BaselineAdd("B" + std::to_string(i));
    dialogs.baselineChoices = {1, std::nullopt, 0, 0};
    prompts.Then("Cancel").Then("Delete Baseline");
    EXPECT_EQ(run({3025, 3027, 3027, 3026, 3026}),
              "Baseline Limit Reached; Confirm Delete; Confirm Delete; ");
    EXPECT_EQ(dialogs.comparisons, Texts{"Harbour Wall / B2"});
    EXPECT_EQ(dialogs.selections.front() + ", " + dialogs.selections.back(),
              "Select Baseline / Compare Baseline, Select Baseline / Delete Baseline");
    EXPECT_EQ(window->Project().baselines.size(), 9u);
    EXPECT_EQ(window->Project().baselines[0]->name, "B2");
}

TEST_F(ElementCommands, TheTaskEditorAddsATaskOnceValidOpensOnAPickedTaskAndFollowsDraggedRows)
{
    AddTasks(2);
    window->Command(3002);
    auto& editor = Editor<QPTaskDialog>();
    window->Command(5001); // Refused: the editor stays open and nothing is recorded.
    EXPECT_EQ(prompts.Take().at(0).message, "Please enter a name for this task.");
    EXPECT_EQ(window->EditPanel(), &editor);
    EXPECT_FALSE(window->Project().undoStack.CanUndo());
    NameEdit().setText(QStringLiteral("Survey"));
    editor.DurationEdit().setText(QStringLiteral("12"));
    window->Command(5001);
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(window->EditPanel(), nullptr);
    EXPECT_EQ(TaskNames(), (Texts{"T1", "T2", "Survey"}));
    // Recalculated: the new task has dates, and its row.
    EXPECT_NE(window->Project().tasks.GetElement(3)->finish, LDateTime());
    EXPECT_EQ(ListRows()[0], 3);
    EXPECT_TRUE(window->Project().undoStack.CanUndo()); // one step: the schedule's test below
    // A task picked in the chart opens in the editor, highlighted in the list.
    window->GanttViewSelectTask(window->Project().tasks.GetElement(2)->key);
    EXPECT_EQ(NameEdit().text(), QStringLiteral("T2"));
    EXPECT_EQ(window->DataPanel().HighlightedID(eDataPanelTaskList), 2);
    // Survey, open in the editor, follows its predecessor (2) when T1 is dragged below it: the
    // row shows the new ID, and OK links the same task as before.
    QPProject& project = window->Project();
    const int64_t t2 = project.tasks.GetElement(2)->key;
    project.tasks.GetElement(3)->AddDependency(t2, 0, 0.0f);
    window->FullGUIRefresh();
    Select(eDataPanelTaskList, {2});
    window->Command(3006);
    QTableWidget& dependencies = Editor<QPTaskDialog>().DependencyList();
    Select(eDataPanelTaskList, {0});
    window->DataPanel().EvLVDragFinish(QPDataPanel::kTaskList, 2);
    ASSERT_EQ(TaskNames(), (Texts{"T2", "T1", "Survey"}));
    EXPECT_EQ(dependencies.item(0, 0)->text(), QStringLiteral("1"));
    window->Command(5001);
    ASSERT_EQ(project.tasks.GetElement(3)->dependencies.size(), 1u);
    EXPECT_EQ(project.tasks.GetElement(3)->dependencies[0].predecessorKey, t2);
}

// Every editor's OK is one undo step (the window groups it); here the lists follow it.
TEST_F(ElementCommands, AScheduleEditedIsOneUndoStepBackToTheSavedStateAndTheListsFollowIt)
{
    AddTasks(1);
    MarkSaved();
    // Only Saturdays are working days now: the task list shows the dates that gives.
    const auto start = [&] {
        return window->DataPanel().List(eDataPanelTaskList).model()->index(0, 4).data();
    };
    const QVariant before = start();
    Select(eDataPanelScheduleList, {0});
    window->Command(3008);
    QPScheduleEditor& editor = Editor<QPScheduleDialog>().Editor();
    for (int day = 0; day < 7; ++day)
        editor.HoursBox(day).setValue(day == eSaturday ? 8 : 0);
    window->Command(5001);
    const QVariant shown = start();
    EXPECT_NE(shown, before);
    window->DataPanel().TaskListRefresh();
    EXPECT_EQ(shown, start());
    EXPECT_TRUE(window->Project().IsProjectDirty());
    window->Command(3019);
    EXPECT_EQ(start(), before);
    EXPECT_FALSE(window->Project().IsProjectDirty());
    EXPECT_TRUE(window->CmCancel()) << "closing asks nothing";
    EXPECT_TRUE(prompts.Take().empty());
}
