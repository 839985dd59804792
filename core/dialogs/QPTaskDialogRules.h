#pragma once

#include "dialogs/QPFormFields.h"
#include "dialogs/QPFormRefusal.h"

#include <cstdint>
#include <string>
#include <vector>

class QPProject;
class QPTask;

// What the task editor holds while the user works in it, the checks it makes when the user
// confirms, and how it writes an accepted form into the task and the header groups.
namespace QPTaskDialogRules {

// The editor's fields; a refusal names one, and the editor returns to its tab.
enum eField : int32_t {
    eFieldName = 0,
    eFieldTaskType,
    eFieldSchedule,
    eFieldDuration,
    eFieldPercentComplete,
    eFieldHeader,
    eFieldHideSubtasks,
    eFieldAutoSchedule,
    eFieldStart,
    eFieldFinish,
    eFieldConstraint,
    eFieldConstraintDate,
    eFieldMilestone,
    eFieldHeaderChoice,
    eFieldNotes,
    eFieldDependencies,
    eFieldResources,
    eFieldSubtasks,
};

// The editor's tabs, in the order it shows them.
enum eTab : int32_t {
    eTabGeneral = 0,
    eTabNotes,
    eTabDependencies,
    eTabResources,
    eTabSubtasks,
};

eTab TabOf(int32_t field);

// The dependency kinds as the list offers them; a header task is offered only the first two,
// which do not hold its finish.
inline constexpr const char* kDependencyTypeNames[] = {"Finish-to-Start", "Start-to-Start",
                                                       "Finish-to-Finish", "Start-to-Finish"};
// The header choice's first entry.
inline constexpr const char* kNoHeaderChoice = "-- No header assigned --";

// One row of the dependency list: the predecessor's ID as typed, the type as the cell shows
// it and the lag in days in the project's number format.
struct DependencyRow {
    std::string idText;
    std::string typeText;
    std::string lagText;
};

// One row of the resource list: every resource of the project has one.
struct ResourceRow {
    int32_t resourceID = -1;
    std::string percentText;
};

// One row of the sub-task list.
struct SubtaskRow {
    int32_t taskID = -1;
};

struct Form {
    std::string name;
    int32_t taskType = 0;
    // The chosen schedule; it counts only for a Fixed Duration task.
    int64_t scheduleKey = -1;
    std::string durationText;
    std::string percentCompleteText;
    bool isHeader = false;
    bool hideSubtasks = false;
    bool autoSchedule = true;
    bool milestone = false;
    QPCalendarDay start;
    QPCalendarDay finish;
    int32_t constraintType = 0;
    QPCalendarDay constraintDate;
    // The header task chosen in "Assign as Sub-Task to:", -1 for none.
    int64_t headerKey = -1;
    std::string notes;
    std::vector<DependencyRow> dependencies;
    std::vector<ResourceRow> resources;
    std::vector<SubtaskRow> subtasks;
};

// The form as the editor opens on `task`: an existing task shows its own fields and header;
// a new one (ID -1) is scheduled automatically, starts on the project's first day and ends,
// as its constraint date does, on the day after.
Form InitialForm(const QPProject& project, const QPTask& task);

// The dependency text for a type value, and the value for a text ("Finish-to-Start" for
// anything unknown).
const char* DependencyTypeText(int32_t type);
int32_t DependencyTypeValue(const std::string& text);

// The tasks that `task` may take as sub-tasks: neither headers nor the task itself, and in
// no other header's group.
std::vector<const QPTask*> EligibleSubtasks(const QPProject& project, const QPTask& task);
// The header tasks `task` may be assigned to: all but itself.
std::vector<const QPTask*> HeaderChoices(const QPProject& project, const QPTask& task);

// Whether `from` depends on the task with `targetKey`, directly or through a chain of
// predecessors. Each task is looked at once: a file can hold a dependency loop that does
// not pass through the edited task, and following it blindly would never end.
bool DependsOn(const QPProject& project, const QPTask& from, int64_t targetKey);

// Checks the form in a fixed order and reports the first failure, changing nothing. A
// refusal on the dependency list also gives the row it concerns in `row` (else -1).
QPFormOutcome Confirm(const QPProject& project, const QPTask& task, const Form& form,
                      int32_t* row = nullptr);

// Writes a form that Confirm accepted into the task. For a task of the project it records
// the edit, the header groups it left or joined and the moves that keep every group
// together as undo steps; the caller holds the undo group around it. A new task only gets
// its fields and chosen header: the main window adds it.
void Apply(QPProject& project, QPTask& task, const Form& form);

} // namespace QPTaskDialogRules
