// The main window's element commands: the embedded editors and what their messages do,
// deletion, the lists' context menu, the baselines and the CSV imports.

#include "MainDialog.h"

#include "QPDialogRunner.h"
#include "QPHelpWindow.h"
#include "dialogs/QPResourceDialog.h"
#include "dialogs/QPScheduleDialog.h"
#include "dialogs/QPTaskDialog.h"
#include "framework/LUserPrompts.h"
#include "import/QPProcessImportCSV.h"
#include "model/QPProject.h"
#include "model/QPUndoItems.h"
#include "views/QPGanttPane.h"

#include <QMenu>
#include <QPushButton>

#include <algorithm>

namespace {

constexpr int kTaskAccepted = 4101;
constexpr int kTaskCancelled = 4102;
constexpr int kResourceAccepted = 4201;
constexpr int kResourceCancelled = 4202;
constexpr int kScheduleAccepted = 4301;
constexpr int kScheduleCancelled = 4302;

} // namespace

// ---------------------------------------------------------------------------------------
// Opening and closing the edit panel

void MainDialog::CmTaskNew()
{
    OpenTaskEditor(QPEditTarget<QPTask>::New(std::make_unique<QPTask>()), -1);
}

void MainDialog::CmTaskInsert()
{
    if (dataPanel_->GetTaskListSelectionCount() != 1)
        return;
    const QPTask* before = project_->tasks.GetElement(dataPanel_->GetTaskSelectedID());
    if (!before)
        return;
    OpenTaskEditor(QPEditTarget<QPTask>::New(std::make_unique<QPTask>()), before->key);
}

void MainDialog::CmTaskEdit()
{
    if (QPTask* task = project_->tasks.GetElement(dataPanel_->GetTaskSelectedID()))
        OpenTaskEditor(QPEditTarget<QPTask>::Existing(*task), -1);
}

void MainDialog::CmResourceNew()
{
    OpenResourceEditor(QPEditTarget<QPResource>::New(std::make_unique<QPResource>()));
}

void MainDialog::CmResourceEdit()
{
    if (QPResource* resource = project_->resources.GetElement(dataPanel_->GetResourceSelectedID()))
        OpenResourceEditor(QPEditTarget<QPResource>::Existing(*resource));
}

void MainDialog::CmScheduleNew()
{
    OpenScheduleEditor(QPEditTarget<QPSchedule>::New(std::make_unique<QPSchedule>()));
}

void MainDialog::CmScheduleEdit()
{
    if (QPSchedule* schedule = project_->schedules.GetElement(dataPanel_->GetScheduleSelectedID()))
        OpenScheduleEditor(QPEditTarget<QPSchedule>::Existing(*schedule));
}

void MainDialog::OpenTaskEditor(QPEditTarget<QPTask> target, int64_t insertBeforeKey)
{
    // A new task that cannot get a panel is destroyed with `target`.
    if (!CmEditPanelClose(true))
        return;
    const int32_t id = target.Element().id;
    const int64_t key = target.Element().key;
    auto* panel = new QPTaskDialog(*project_, *this, *prompts_, std::move(target), client_);
    panel->insertBeforeKey = insertBeforeKey;
    ShowEditPanel(panel, eDataPanelTaskList, id, key);
}

void MainDialog::OpenResourceEditor(QPEditTarget<QPResource> target)
{
    if (!CmEditPanelClose(true))
        return;
    const int32_t id = target.Element().id;
    const int64_t key = target.Element().key;
    ShowEditPanel(new QPResourceDialog(*project_, *this, *prompts_, std::move(target), client_),
                  eDataPanelResourceList, id, key);
}

void MainDialog::OpenScheduleEditor(QPEditTarget<QPSchedule> target)
{
    if (!CmEditPanelClose(true))
        return;
    const int32_t id = target.Element().id;
    const int64_t key = target.Element().key;
    ShowEditPanel(new QPScheduleDialog(*project_, *this, *prompts_, std::move(target), client_),
                  eDataPanelScheduleList, id, key);
}

void MainDialog::ShowEditPanel(QPEditPanel* panel, eDataPanelList list, int32_t id, int64_t key)
{
    editPanel_ = panel;
    editingList_ = list;
    editingKey_ = key;
    helpTopic_ = panel->HelpTopic();
    editingTaskID_ = list == eDataPanelTaskList ? id : -1;
    editingResourceID_ = list == eDataPanelResourceList ? id : -1;
    editingScheduleID_ = list == eDataPanelScheduleList ? id : -1;
    dataPanel_->SetHighlightedID(list, id);
    panel->show();
    for (QPushButton* button : {editOK_, editCancel_, editHelp_})
        button->show();
    LayoutControls();
    EnableControls();
    dataPanel_->update();
}

bool MainDialog::CmEditPanelClose(bool cancel)
{
    if (!editPanel_)
        return true;
    if (cancel && !editPanel_->CmCancel())
        return false;
    DestroyEditPanel();
    return true;
}

void MainDialog::DestroyEditPanel()
{
    if (!editPanel_)
        return;
    // The panel may still be on the call stack (its message led here): it goes once the
    // event loop is back.
    editPanel_->hide();
    editPanel_->deleteLater();
    editPanel_ = nullptr;
    editingKey_ = -1;
    editingTaskID_ = editingResourceID_ = editingScheduleID_ = -1;
    helpTopic_.clear();
    for (eDataPanelList list : {eDataPanelTaskList, eDataPanelResourceList, eDataPanelScheduleList})
        dataPanel_->SetHighlightedID(list, -1);
    for (QPushButton* button : {editOK_, editCancel_, editHelp_})
        button->hide();
    LayoutControls();
    EnableControls();
}

void MainDialog::CmEditPanelOK()
{
    if (!editPanel_)
        return;
    project_->UndoRedoGroupStart();
    const bool accepted = editPanel_->CmOk();
    if (accepted)
        DestroyEditPanel();
    project_->UndoRedoGroupEnd();
    EnableControls();
}

void MainDialog::CmEditPanelHelp()
{
    if (!helpTopic_.empty())
        QPHelpWindow::ShowTopic(QString::fromStdString(helpTopic_), this);
}

void MainDialog::FollowEditedElement()
{
    if (!editPanel_ || editingKey_ == -1)
        return;
    int32_t id = -1;
    switch (editingList_) {
    case eDataPanelTaskList:
        if (const QPTask* task = project_->tasks.GetElementByKey(editingKey_))
            id = editingTaskID_ = task->id;
        break;
    case eDataPanelResourceList:
        if (const QPResource* resource = project_->resources.GetElementByKey(editingKey_))
            id = editingResourceID_ = resource->id;
        break;
    case eDataPanelScheduleList:
        if (const QPSchedule* schedule = project_->schedules.GetElementByKey(editingKey_))
            id = editingScheduleID_ = schedule->id;
        break;
    }
    dataPanel_->SetHighlightedID(editingList_, id);
}

// ---------------------------------------------------------------------------------------
// Messages from the editors

void MainDialog::EvInterWinMessage(int message, QPTask& task, std::unique_ptr<QPTask> created)
{
    if (message == kTaskAccepted)
        TaskUpdate(task, std::move(created));
    else if (message == kTaskCancelled)
        editingTaskID_ = -1; // a new task goes with `created`
}

void MainDialog::EvInterWinMessage(int message, QPResource& resource,
                                   std::unique_ptr<QPResource> created)
{
    if (message == kResourceAccepted)
        ResourceUpdate(resource, std::move(created));
    else if (message == kResourceCancelled)
        editingResourceID_ = -1;
}

void MainDialog::EvInterWinMessage(int message, QPSchedule& schedule,
                                   std::unique_ptr<QPSchedule> created)
{
    if (message == kScheduleAccepted)
        ScheduleUpdate(schedule, std::move(created));
    else if (message == kScheduleCancelled)
        editingScheduleID_ = -1;
}

void MainDialog::TaskUpdate(QPTask& task, std::unique_ptr<QPTask> created)
{
    // The task to insert before may have moved, or gone, while the editor was open.
    const QPTask* before = editPanel_ && editPanel_->insertBeforeKey != -1
                                   ? project_->tasks.GetElementByKey(editPanel_->insertBeforeKey)
                                   : nullptr;
    TaskAddToProject(task, std::move(created), before ? before->id : -1);
    editingTaskID_ = -1;
    RecalculateProject();
    ganttPane_->PlotProject(*project_);
    dataPanel_->TaskListRefresh();
}

void MainDialog::TaskAddToProject(QPTask& task, std::unique_ptr<QPTask> created,
                                  int32_t insertBeforeID)
{
    const bool isNew = created != nullptr;
    if (created) {
        QPTask* header =
                task.headerKey != -1 ? project_->tasks.GetElementByKey(task.headerKey) : nullptr;
        if (header && !header->isHeader)
            header = nullptr;
        int32_t position = insertBeforeID;
        if (header) {
            // A new subtask joins its header's group: anywhere inside it, or else at its end.
            const auto subtasks = static_cast<int32_t>(header->subtaskKeys.size());
            if (position < header->id + 1 || position > header->id + subtasks + 1)
                position = header->id + subtasks + 1;
        } else {
            position = project_->GetNextIndependentTaskID(position);
        }
        if (position >= 1 && position <= static_cast<int32_t>(project_->tasks.size()))
            project_->TaskInsert(std::move(created), position, true);
        else
            project_->ElementAdd(std::move(created), true);
        if (header) {
            LByteArray before = header->WriteSDF();
            header->subtaskKeys.push_back(task.key);
            project_->UndoRedoAdd(std::make_unique<QPElementEditedUndoRedo<QPTask>>(
                    *project_, header->id, std::move(before), header->WriteSDF()));
        }
    }
    std::vector<int32_t> ids;
    for (int64_t key : task.subtaskKeys)
        if (const QPTask* subtask = project_->tasks.GetElementByKey(key))
            ids.push_back(subtask->id);
    if (ids.empty())
        return;
    std::sort(ids.begin(), ids.end());
    project_->MoveTasksByID(ids, task.id + 1, true);
    // A new header's group is complete only now that its subtasks stand under it: links
    // that cross the group's edge go (the editor does this itself for a header that
    // already existed).
    if (isNew && task.isHeader)
        project_->EnforceValidSubtaskChains(task);
}

void MainDialog::ResourceUpdate(QPResource& /*resource*/, std::unique_ptr<QPResource> created)
{
    // An edited resource is in the undo history already, so undoing back to the saved
    // state leaves the project clean.
    if (created)
        project_->ElementAdd(std::move(created), true);
    editingResourceID_ = -1;
    RecalculateProject();
    ganttPane_->PlotProject(*project_);
    // A resource's rate, schedule or days off move its tasks' dates and costs.
    dataPanel_->TaskListRefresh();
    dataPanel_->ResourceListRefresh();
    dataPanel_->ScheduleListRefresh();
}

void MainDialog::ScheduleUpdate(QPSchedule& /*schedule*/, std::unique_ptr<QPSchedule> created)
{
    if (created)
        project_->ElementAdd(std::move(created), true);
    editingScheduleID_ = -1;
    RecalculateProject();
    ganttPane_->PlotProject(*project_);
    // The task list shows the dates the new working times give; the resource list names
    // each resource's schedule.
    dataPanel_->TaskListRefresh();
    dataPanel_->ResourceListRefresh();
    dataPanel_->ScheduleListRefresh();
}

// ---------------------------------------------------------------------------------------
// Deleting

template <class T>
void MainDialog::DeleteSelected(std::vector<int> ids, int32_t editingID, const char* kind,
                                const char* plural)
{
    if (editingID != -1) {
        const auto open = std::find(ids.begin(), ids.end(), editingID);
        if (open != ids.end()) {
            ids.erase(open);
            std::string name;
            if constexpr (std::is_same_v<T, QPTask>)
                name = project_->tasks.GetElement(editingID)->name.str();
            else if constexpr (std::is_same_v<T, QPResource>)
                name = project_->resources.GetElement(editingID)->name.str();
            else
                name = project_->schedules.GetElement(editingID)->name.str();
            prompts_->ShowAlert("Delete Failed", "Unable to delete " + name + " while the " + kind +
                                                         " is open for editing.");
        }
    }
    if (ids.empty())
        return;
    if (prompts_->AskQuestion("Confirm Delete",
                              std::string("Are you sure you wish to delete the selected ") +
                                      plural + "?",
                              {"Delete", "Cancel"}) != 0)
        return;
    std::sort(ids.begin(), ids.end());
    const bool grouped = ids.size() > 1;
    if (grouped)
        project_->UndoRedoGroupStart();
    // Each deletion moves the elements after it down by one.
    for (std::size_t deleted = 0; deleted < ids.size(); ++deleted)
        project_->template ElementDelete<T>(ids[deleted] - static_cast<int32_t>(deleted), true);
    if (grouped)
        project_->UndoRedoGroupEnd();
    RecalculateProject();
    FullGUIRefresh();
}

void MainDialog::CmTaskDelete()
{
    if (dataPanel_->GetCurrentTab() != eDataPanelTaskList)
        return;
    std::vector<int> ids;
    dataPanel_->GetTaskListAllSelectedIDs(ids);
    DeleteSelected<QPTask>(std::move(ids), editingTaskID_, "task", "Task(s)");
}

void MainDialog::CmResourceDelete()
{
    if (dataPanel_->GetCurrentTab() != eDataPanelResourceList)
        return;
    std::vector<int> ids;
    dataPanel_->GetResourceListAllSelectedIDs(ids);
    DeleteSelected<QPResource>(std::move(ids), editingResourceID_, "resource", "Resource(s)");
}

void MainDialog::CmScheduleDelete()
{
    if (dataPanel_->GetCurrentTab() != eDataPanelScheduleList)
        return;
    const QPSchedule* defaultSchedule = project_->GetDefaultSchedule();
    if (!defaultSchedule)
        return;
    std::vector<int> ids;
    dataPanel_->GetScheduleListAllSelectedIDs(ids);
    const auto chosen = std::find(ids.begin(), ids.end(), defaultSchedule->id);
    if (chosen != ids.end()) {
        ids.erase(chosen);
        prompts_->ShowAlert("Delete Failed", "Unable to delete " + defaultSchedule->name.str() +
                                                     " as it is set to be the project's "
                                                     "default schedule.");
    }
    DeleteSelected<QPSchedule>(std::move(ids), editingScheduleID_, "schedule", "Schedule(s)");
}

// ---------------------------------------------------------------------------------------
// The lists' context menu

std::unique_ptr<QMenu> MainDialog::ListContextMenu()
{
    struct Entry {
        const char* text;
        int command;
    };
    std::vector<Entry> entries;
    switch (dataPanel_->GetCurrentTab()) {
    case eDataPanelTaskList:
        entries = {{"New Task", 3002},
                   {"Insert Task", 3031},
                   {"Edit Task", 3006},
                   {"Delete Task", 3015}};
        break;
    case eDataPanelResourceList:
        entries = {{"New Resource", 3003}, {"Edit Resource", 3007}, {"Delete Resource", 3016}};
        break;
    default:
        entries = {{"New Schedule", 3004}, {"Edit Schedule", 3008}, {"Delete Schedule", 3017}};
        break;
    }
    auto menu = std::make_unique<QMenu>(this);
    for (const Entry& entry : entries) {
        QAction* action = menu->addAction(QString::fromUtf8(entry.text));
        action->setEnabled(IsCommandEnabled(entry.command));
        const int command = entry.command;
        connect(action, &QAction::triggered, this, [this, command] { Command(command); });
    }
    return menu;
}

void MainDialog::CmListRightClick()
{
    const std::unique_ptr<QMenu> menu = ListContextMenu();
    menu->exec(dataPanel_->LastContextPosition());
}

// ---------------------------------------------------------------------------------------
// Baselines (saved with the project, outside the undo history)

void MainDialog::CmBaselineNew()
{
    if (project_->tasks.empty()) {
        prompts_->ShowAlert("No Tasks", "Project \"" + project_->name.str() +
                                                "\" does not contain a task -- no baseline "
                                                "may be created.");
        return;
    }
    if (project_->baselines.size() >= QPProject::kMaxBaselines) {
        prompts_->ShowAlert("Baseline Limit Reached",
                            "Kestrano supports only " + std::to_string(QPProject::kMaxBaselines) +
                                    " baselines per project. A baseline must be deleted before "
                                    "a new one may be created.");
        return;
    }
    const std::optional<std::string> name = dialogs_->RunBaselineCreate(*project_, this);
    if (!name)
        return;
    project_->BaselineAdd(*name);
    EnableControls();
}

void MainDialog::CmBaselineDelete()
{
    if (project_->baselines.empty()) {
        prompts_->ShowAlert("No Baselines", "No baselines for the current project exist.");
        return;
    }
    const std::optional<int32_t> id =
            dialogs_->RunBaselineSelection(*project_, "Select Baseline", "Delete Baseline", this);
    if (!id || !project_->GetBaseline(*id))
        return;
    if (prompts_->AskQuestion("Confirm Delete",
                              "Deleting a baseline is a permanent operation and cannot be "
                              "reversed.",
                              {"Delete Baseline", "Cancel"}) != 0)
        return;
    project_->BaselineDelete(*id);
    EnableControls();
}

void MainDialog::CmBaselineCompare()
{
    if (project_->baselines.empty()) {
        prompts_->ShowAlert("No Baselines", "No baselines for the current project exist.");
        return;
    }
    const std::optional<int32_t> id =
            dialogs_->RunBaselineSelection(*project_, "Select Baseline", "Compare Baseline", this);
    if (!id)
        return;
    const QPBaseline* baseline = project_->GetBaseline(*id);
    if (!baseline)
        return;
    dialogs_->RunBaselineComparison(*project_, *baseline, this);
}

// ---------------------------------------------------------------------------------------
// CSV imports

void MainDialog::CmTaskImportCSV()
{
    ImportCSV(eImportCSVKind::task);
}

void MainDialog::CmResourceImportCSV()
{
    ImportCSV(eImportCSVKind::resource);
}

void MainDialog::CmScheduleImportCSV()
{
    ImportCSV(eImportCSVKind::schedule);
}

void MainDialog::ImportCSV(eImportCSVKind kind)
{
    const std::unique_ptr<LProcessImportCSV> import = QPMakeImportCSV(kind, *project_);
    // Each row read is an element created with its own undo record; gathered into one
    // group they come out again with one Undo, however long the file was. A wizard that
    // was cancelled leaves an empty group, which is dropped.
    project_->UndoRedoGroupStart();
    dialogs_->RunImportWizard(*import, QPImportCSVKind(kind), this);
    project_->UndoRedoGroupEnd();
    if (import->SuccessfulImports() < 1) {
        EnableControls();
        return;
    }
    // New tasks change the plan; new resources and schedules are used by no task yet.
    if (kind == eImportCSVKind::task)
        RecalculateProject();
    // An open editor offers the new resources and schedules among its choices.
    FullGUIRefresh();
}
