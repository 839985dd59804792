#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class QPProjectBase;
class QPResource;
class QPSchedule;
class QPTask;

// The three lists of the data panel, in the order of its tabs.
enum eDataPanelList : int {
    eDataPanelTaskList = 0,
    eDataPanelResourceList = 1,
    eDataPanelScheduleList = 2,
};

// A column of a list: its title and its share of the list's width.
struct QPListColumn {
    const char* title;
    int relativeWidth;
};

std::span<const QPListColumn> QPDataPanelColumns(eDataPanelList list);
// The user setting that keeps the list's column layout.
const char* QPDataPanelSettingsKey(eDataPanelList list);

// A list's column layout as it is kept in the user settings: the widths in pixels, in
// column order, written "60,100,200". Reading gives nothing for a damaged value (a count
// that does not match the list's columns, anything but digits and commas, a width of 0 or
// beyond kMaxColumnWidth), so the list falls back to its own widths.
inline constexpr int kMaxColumnWidth = 4000;
std::string QPColumnWidthsText(const std::vector<int>& widths);
std::optional<std::vector<int>> QPColumnWidthsFromText(std::string_view text, std::size_t count);

// One row of a list: the element's ID and one text per column, the first being the ID.
struct QPListRow {
    int32_t id = -1;
    std::vector<std::string> texts;
    // A task that over-commits a resource where leveling could not help it; the list
    // marks it as the chart does.
    bool overCommitted = false;
};

// What the task list says of a task that `overCommitted` marks.
inline constexpr const char* kOverCommittedText =
        "Over-commits a resource: leveling found no place for it";

// The task's resources as "Name — 50%" joined by ", ", leaving out resources that are
// gone; the chart's resource labels show the same text.
std::string QPResourceAssignmentsText(const QPProjectBase& project, const QPTask& task);

// The row of one task, resource or schedule. References to elements that are gone
// (an assignment's resource, a dependency's predecessor, a resource's schedule) are left
// out of the texts.
QPListRow QPTaskListRow(const QPProjectBase& project, const QPTask& task);
QPListRow QPResourceListRow(const QPProjectBase& project, const QPResource& resource);
QPListRow QPScheduleListRow(const QPSchedule& schedule);

// Whole lists in the project's order; the task list leaves out the subtasks of headers that
// hide them, as the chart does.
std::vector<QPListRow> QPTaskListRows(const QPProjectBase& project);
std::vector<QPListRow> QPResourceListRows(const QPProjectBase& project);
std::vector<QPListRow> QPScheduleListRows(const QPProjectBase& project);

// A weekday's shift length: "No Work" for none, else "7 Hrs 30 Mins" (whole minutes).
std::string QPScheduleDayText(int32_t workSeconds);

// --- reordering tasks by dragging them in the task list ----------------------------------

// A move the task list asks of the project: the IDs in ascending order and the ID of the
// task that is to follow them (one past the last ID for the end of the list), ready for
// QPProjectBase::MoveTasksByID. `accepted` is false when the drag is refused.
struct QPTaskDrop {
    bool accepted = false;
    std::vector<int32_t> ids;
    int32_t target = 0;
};

// Where dragging the selected rows of the task list (`rowIDs` are the task IDs of the shown
// rows, `selectedRows` indexes into them) to the gap above row `dropRow` (the number of
// rows for the gap below the last) puts them. Headers take their whole group along, hidden
// subtasks included. Subtasks move only within their own group, and only subtasks of one
// group move together; a selection that mixes subtasks with other tasks is refused, and so
// is a drop that would cut a group apart.
QPTaskDrop QPPlanTaskDrop(const QPProjectBase& project, const std::vector<int32_t>& rowIDs,
                          std::vector<int> selectedRows, int dropRow);
