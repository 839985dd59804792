#include "views/QPDataPanelRows.h"

#include "model/LLocaleFormat.h"
#include "model/QPProjectBase.h"
#include "views/QPSubtaskHiding.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array kTaskColumns = {
        QPListColumn{"ID", 6},
        QPListColumn{"Name", 10},
        QPListColumn{"Duration (work hours)", 20},
        QPListColumn{"Completion", 10},
        QPListColumn{"Start", 10},
        QPListColumn{"End", 10},
        QPListColumn{"Resource", 10},
        QPListColumn{"Dependency", 10},
        QPListColumn{"Constraint", 10},
        QPListColumn{"Type", 8},
};
constexpr std::array kResourceColumns = {
        QPListColumn{"ID", 6},
        QPListColumn{"Name", 12},
        QPListColumn{"Schedule:", 12},
        QPListColumn{"Cost:", 12},
        QPListColumn{"Overtime Cost:", 12},
};
constexpr std::array kScheduleColumns = {
        QPListColumn{"ID", 6},        QPListColumn{"Name", 18},    QPListColumn{"Sunday", 12},
        QPListColumn{"Monday", 12},   QPListColumn{"Tuesday", 12}, QPListColumn{"Wednesday", 12},
        QPListColumn{"Thursday", 12}, QPListColumn{"Friday", 12},  QPListColumn{"Saturday", 12},
};

// Subtasks read as a space, a north-west arrow, a space and the name, so a group stands out
// under its header.
constexpr const char* kSubtaskPrefix = " \xE2\x86\x96 ";
// Between a resource's name and its committed share.
constexpr const char* kDash = " \xE2\x80\x94 ";
constexpr const char* kSeparator = ", ";

} // namespace

std::string QPResourceAssignmentsText(const QPProjectBase& project, const QPTask& task)
{
    std::string text;
    for (const QPResourceAssignment& assignment : task.resourceAssignments) {
        const QPResource* resource = project.resources.GetElementByKey(assignment.resourceKey);
        if (!resource)
            continue;
        if (!text.empty())
            text += kSeparator;
        text += resource->name.str();
        text += kDash;
        text += std::to_string(assignment.percent);
        text += '%';
    }
    return text;
}

namespace {

std::string DependenciesText(const QPProjectBase& project, const QPTask& task)
{
    std::string text;
    for (const QPTaskDependency& dependency : task.dependencies) {
        const QPTask* predecessor = project.tasks.GetElementByKey(dependency.predecessorKey);
        if (!predecessor)
            continue;
        if (!text.empty())
            text += kSeparator;
        text += predecessor->name.str();
        text += " (ID #";
        text += std::to_string(predecessor->id);
        text += ')';
    }
    return text;
}

bool IsSubtask(const QPTask& task)
{
    return !task.isHeader && task.headerKey != -1;
}

} // namespace

std::span<const QPListColumn> QPDataPanelColumns(eDataPanelList list)
{
    switch (list) {
    case eDataPanelResourceList:
        return kResourceColumns;
    case eDataPanelScheduleList:
        return kScheduleColumns;
    case eDataPanelTaskList:
        break;
    }
    return kTaskColumns;
}

const char* QPDataPanelSettingsKey(eDataPanelList list)
{
    switch (list) {
    case eDataPanelResourceList:
        return "DatapanelResourceList";
    case eDataPanelScheduleList:
        return "DatapanelScheduleList";
    case eDataPanelTaskList:
        break;
    }
    return "DatapanelTaskList";
}

std::string QPColumnWidthsText(const std::vector<int>& widths)
{
    std::string text;
    for (int width : widths) {
        if (!text.empty())
            text += ',';
        text += std::to_string(width);
    }
    return text;
}

std::optional<std::vector<int>> QPColumnWidthsFromText(std::string_view text, std::size_t count)
{
    std::vector<int> widths;
    int width = 0;
    bool digits = false;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == ',') {
            if (!digits || width == 0)
                return std::nullopt;
            widths.push_back(width);
            width = 0;
            digits = false;
        } else if (text[i] >= '0' && text[i] <= '9') {
            width = width * 10 + (text[i] - '0');
            digits = true;
            if (width > kMaxColumnWidth)
                return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    if (widths.size() != count)
        return std::nullopt;
    return widths;
}

QPListRow QPTaskListRow(const QPProjectBase& project, const QPTask& task)
{
    QPListRow row;
    row.id = task.id;
    row.texts.reserve(kTaskColumns.size());
    row.texts.push_back(std::to_string(task.id));
    row.texts.push_back(task.headerKey != -1 ? kSubtaskPrefix + task.name.str() : task.name.str());
    row.texts.push_back(task.durationText.str());
    row.texts.push_back(std::to_string(task.percentComplete) + '%');
    row.texts.push_back(task.displayStart.GetDateTime());
    row.texts.push_back(task.finish.GetDateTime());
    row.texts.push_back(QPResourceAssignmentsText(project, task));
    row.texts.push_back(DependenciesText(project, task));
    row.texts.push_back(QPTaskConstraintListText(task.constraintType, task.constraintDate));
    row.texts.push_back(QPTaskTypeListText(task.taskType));
    row.overCommitted = task.resourceConflict;
    return row;
}

QPListRow QPResourceListRow(const QPProjectBase& project, const QPResource& resource)
{
    QPListRow row;
    row.id = resource.id;
    row.texts.reserve(kResourceColumns.size());
    row.texts.push_back(std::to_string(resource.id));
    row.texts.push_back(resource.name.str());
    const QPSchedule* schedule = project.schedules.GetElementByKey(resource.scheduleKey);
    row.texts.push_back(schedule ? schedule->name.str() : std::string());
    row.texts.push_back(LLocaleFormatCurrencyToText(project.options, resource.hourlyRate));
    row.texts.push_back(LLocaleFormatCurrencyToText(project.options, resource.overtimeRate));
    return row;
}

QPListRow QPScheduleListRow(const QPSchedule& schedule)
{
    QPListRow row;
    row.id = schedule.id;
    row.texts.reserve(kScheduleColumns.size());
    row.texts.push_back(std::to_string(schedule.id));
    row.texts.push_back(schedule.name.str());
    for (int32_t seconds : schedule.shiftDuration)
        row.texts.push_back(QPScheduleDayText(seconds));
    return row;
}

std::vector<QPListRow> QPTaskListRows(const QPProjectBase& project)
{
    std::vector<QPListRow> rows;
    rows.reserve(project.tasks.size());
    QPSubtaskHiding hiding;
    for (const QPTask& task : project.tasks)
        if (hiding.Shows(task))
            rows.push_back(QPTaskListRow(project, task));
    return rows;
}

std::vector<QPListRow> QPResourceListRows(const QPProjectBase& project)
{
    std::vector<QPListRow> rows;
    rows.reserve(project.resources.size());
    for (const QPResource& resource : project.resources)
        rows.push_back(QPResourceListRow(project, resource));
    return rows;
}

std::vector<QPListRow> QPScheduleListRows(const QPProjectBase& project)
{
    std::vector<QPListRow> rows;
    rows.reserve(project.schedules.size());
    for (const QPSchedule& schedule : project.schedules)
        rows.push_back(QPScheduleListRow(schedule));
    return rows;
}

std::string QPScheduleDayText(int32_t workSeconds)
{
    if (workSeconds == 0)
        return "No Work";
    return std::to_string(workSeconds / 3600) + " Hrs " + std::to_string(workSeconds % 3600 / 60) +
           " Mins";
}

QPTaskDrop QPPlanTaskDrop(const QPProjectBase& project, const std::vector<int32_t>& rowIDs,
                          std::vector<int> selectedRows, int dropRow)
{
    const QPTaskDrop refused;
    const int rowCount = static_cast<int>(rowIDs.size());
    std::sort(selectedRows.begin(), selectedRows.end());
    selectedRows.erase(std::unique(selectedRows.begin(), selectedRows.end()), selectedRows.end());
    std::erase_if(selectedRows, [&](int row) { return row < 0 || row >= rowCount; });
    if (selectedRows.empty() || project.tasks.empty())
        return refused;
    auto taskAt = [&](int row) { return project.tasks.GetElement(rowIDs[std::size_t(row)]); };
    auto isSelected = [&](int row) {
        return std::binary_search(selectedRows.begin(), selectedRows.end(), row);
    };

    QPTaskDrop drop;
    // The last selected header: its group comes along whole, so its subtasks' rows add
    // nothing, and no other group's subtask may join.
    int64_t selectedHeader = -1;
    bool collectedOthers = false;
    // Subtasks dragged without their header stay in their group (`group`, the header's key):
    // anywhere else the group's run would be cut or the subtask would leave it.
    bool subtaskMode = false;
    int64_t group = -1;
    for (int row : selectedRows) {
        const QPTask* task = taskAt(row);
        if (!task)
            return refused;
        if (task->isHeader) {
            if (subtaskMode)
                return refused;
            drop.ids.push_back(task->id);
            for (int64_t key : task->subtaskKeys) {
                const QPTask* subtask = project.tasks.GetElementByKey(key);
                if (subtask && subtask->headerKey == task->key)
                    drop.ids.push_back(subtask->id);
            }
            selectedHeader = task->key;
            collectedOthers = true;
        } else if (IsSubtask(*task)) {
            if (selectedHeader != -1) {
                if (task->headerKey != selectedHeader)
                    return refused;
                continue;
            }
            if (collectedOthers || (subtaskMode && task->headerKey != group))
                return refused;
            subtaskMode = true;
            group = task->headerKey;
            drop.ids.push_back(task->id);
        } else {
            if (subtaskMode)
                return refused;
            drop.ids.push_back(task->id);
            collectedOthers = true;
        }
    }

    dropRow = std::clamp(dropRow, 0, rowCount);
    if (subtaskMode) {
        if (dropRow == 0)
            return refused;
        const QPTask* above = taskAt(dropRow - 1);
        if (!above || (above->key != group && above->headerKey != group))
            return refused;
    } else if (dropRow < rowCount && !isSelected(dropRow)) {
        const QPTask* below = taskAt(dropRow);
        if (!below || IsSubtask(*below))
            return refused;
    }
    // The tasks go between the two rows they were dropped between: before the row below
    // the gap. Naming the row above instead would put them before that row, and after a
    // header that hides its subtasks it would cut the hidden group apart.
    if (dropRow < rowCount) {
        const QPTask* below = taskAt(dropRow);
        if (!below)
            return refused;
        drop.target = below->id;
    } else {
        drop.target = project.tasks.back().id + 1;
    }
    std::sort(drop.ids.begin(), drop.ids.end());
    drop.ids.erase(std::unique(drop.ids.begin(), drop.ids.end()), drop.ids.end());
    drop.accepted = true;
    return drop;
}
