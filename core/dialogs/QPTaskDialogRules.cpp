#include "dialogs/QPTaskDialogRules.h"

#include "model/LLocaleFormat.h"
#include "model/QPFormat.h"
#include "model/QPProject.h"
#include "model/QPUndoItems.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <string_view>
#include <unordered_set>

namespace QPTaskDialogRules {

namespace {

constexpr double kMinDurationHours = 0.01;
constexpr double kMaxDurationHours = 40000.0;

// A whole number as the editor reads one: leading blanks, an optional sign, then digits up
// to the first other character; nothing readable is 0. Long digit runs saturate rather
// than wrap, so "99999999999" is still more than 100.
int64_t ReadWholeNumber(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        negative = text[at++] == '-';
    constexpr int64_t kLimit = std::numeric_limits<int32_t>::max();
    int64_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        value = std::min(kLimit, value * 10 + (text[at] - '0'));
    return negative ? -value : value;
}

int32_t ReadID(std::string_view text)
{
    return static_cast<int32_t>(ReadWholeNumber(QPTrimmed(text)));
}

QPFormRefusal Refuse(eField field, const char* title, std::string message)
{
    return QPFormRefusal{field, title, std::move(message)};
}

bool IsStartConstraint(int32_t type)
{
    return type == eConstraintStartOn || type == eConstraintStartBefore ||
           type == eConstraintStartAfter;
}

bool IsFinishConstraint(int32_t type)
{
    return type == eConstraintFinishOn || type == eConstraintFinishBefore ||
           type == eConstraintFinishAfter;
}

// The same clock time on the next calendar day: a day before the project starts is a
// calendar day, 23 or 25 hours long when daylight saving changes that night.
LDateTime NextDaySameTime(LDateTime moment)
{
    const int32_t clock = moment.GetDayTime().Get();
    const LDateTime next =
            QPCalendarDay::Of(moment).AddDays(1).At(clock / 3600, (clock / 60) % 60, clock % 60);
    return next.IsSet() ? next : moment;
}

// What the checks decided, which the write-back uses as it is.
struct Decision {
    LFixedText name;
    bool isHeader = false;
    bool autoSchedule = true;
    bool milestone = false;
    int32_t taskType = 0;
    std::string durationText;
    int32_t percentComplete = 0;
    LDateTime start;
    LDateTime finish;
    bool constraintDated = false;
    LDateTime constraintDate;
    const QPTask* header = nullptr;
};

QPFormOutcome Decide(const QPProject& project, const QPTask& task, const Form& form,
                     Decision& decision, int32_t* row)
{
    if (row)
        *row = -1;
    const QPProjectOptions& options = project.options;

    // 1. The name, as it will be stored (cut to the field's length), unique among tasks.
    decision.name = QPTrimmed(form.name);
    const std::string name = decision.name.str();
    if (name.empty())
        return Refuse(eFieldName, "Invalid Entry", "Please enter a name for this task.");
    if (project.IsTaskNameUsed(name, task.id))
        return Refuse(eFieldName, "Duplicate Name",
                      "A task with this name exists in the project. Please use a name that is "
                      "unique.");

    // 2. A header task summarises its subtasks: it is placed with them and is never a
    // milestone, whatever its boxes say.
    decision.isHeader = form.isHeader;
    decision.autoSchedule = form.isHeader || form.autoSchedule;
    decision.milestone = !form.isHeader && form.milestone;
    decision.taskType = form.taskType;
    const bool manualFixedDuration =
            !decision.autoSchedule && decision.taskType == eTaskTypeFixedDuration;

    // 3. The duration counts only for a task that does work between dates it does not fix.
    if (!decision.milestone && !decision.isHeader && !manualFixedDuration) {
        const std::string text = QPTrimmed(form.durationText);
        const double hours = LLocaleFormatTextToFloat(options, text);
        if (!QPValidateNumber(options, text) || !(hours >= kMinDurationHours) ||
            hours > kMaxDurationHours)
            return Refuse(eFieldDuration, "Invalid Entry",
                          "Task duration must be between .01 and 40,000 hours.");
        decision.durationText = text;
    }

    // 4. Percent complete; a header's progress is its subtasks'.
    const std::string percentText = QPTrimmed(form.percentCompleteText);
    const char* percentMessage =
            "Please enter the percentage of work currently completed on this task.";
    if (!QPValidateNumber(options, percentText))
        return Refuse(eFieldPercentComplete, "Invalid Entry", percentMessage);
    if (!decision.isHeader) {
        const int64_t percent = ReadWholeNumber(percentText);
        if (percent > 100)
            return Refuse(eFieldPercentComplete, "Invalid Entry", percentMessage);
        decision.percentComplete = static_cast<int32_t>(percent);
    }

    // 5. The dates cover whole days.
    decision.start = form.start.At(0, 0, 0);
    decision.finish = form.finish.At(23, 59, 59);
    if (!decision.start.IsSet())
        return QPFormRefusal{eFieldStart, {}, {}};
    if (!decision.finish.IsSet())
        return QPFormRefusal{eFieldFinish, {}, {}};
    if (manualFixedDuration && decision.finish < decision.start)
        return Refuse(eFieldFinish, "Date Conflict",
                      "Please enter an end date later than the start date.");

    // 6. A start constraint holds from the start of its day, a finish constraint until its
    // end. Only automatically scheduled tasks keep a constraint, so only theirs must fit
    // the project's start.
    const int32_t constraint = form.constraintType;
    if (IsStartConstraint(constraint) || IsFinishConstraint(constraint)) {
        decision.constraintDated = true;
        decision.constraintDate = IsStartConstraint(constraint)
                                          ? form.constraintDate.At(0, 0, 0)
                                          : form.constraintDate.At(23, 59, 59);
        if (decision.autoSchedule) {
            if (!decision.constraintDate.IsSet())
                return QPFormRefusal{eFieldConstraintDate, {}, {}};
            const LDateTime projectStart = project.projectStart;
            bool fits = true;
            if (constraint == eConstraintStartOn || constraint == eConstraintFinishOn)
                fits = decision.constraintDate >= projectStart;
            else if (constraint == eConstraintStartBefore)
                fits = decision.constraintDate > projectStart;
            else if (constraint == eConstraintFinishBefore)
                fits = decision.constraintDate > NextDaySameTime(projectStart);
            if (!fits)
                return Refuse(eFieldConstraintDate, "Date Conflict",
                              "The constraint date selected conflicts with the project start "
                              "date. Please select a later date.");
        }
    }

    // 7. Header membership: only a task that is not a header itself joins a group.
    if (!decision.isHeader && form.headerKey != -1) {
        const QPTask* header = project.tasks.GetElementByKey(form.headerKey);
        if (header && header->isHeader && header != &task)
            decision.header = header;
    }

    // 8. Dependencies, row by row.
    std::vector<int32_t> listed;
    for (std::size_t i = 0; i < form.dependencies.size(); ++i) {
        const DependencyRow& dependency = form.dependencies[i];
        const std::string idText = QPTrimmed(dependency.idText);
        if (idText.empty())
            continue;
        auto refuse = [&](const char* title, std::string message) {
            if (row)
                *row = static_cast<int32_t>(i);
            return Refuse(eFieldDependencies, title, std::move(message));
        };
        const int32_t id = ReadID(idText);
        const std::string idNumber = std::to_string(id);
        if (task.id != -1 && id == task.id)
            return refuse("Self-Dependency", "A task may not be dependent upon itself.");
        if (decision.header && id == decision.header->id)
            return refuse("Header Task as Dependency",
                          "A task may not be dependent upon its own header task.");
        if (std::find(listed.begin(), listed.end(), id) != listed.end())
            return refuse("Duplicate Dependency", "Task #" + idText +
                                                          " is listed as a dependency more than "
                                                          "once for " +
                                                          name + ".");
        listed.push_back(id);

        const QPTask* predecessor = project.tasks.GetElement(id);
        if (task.id != -1 && predecessor && DependsOn(project, *predecessor, task.key))
            return refuse("Looping Dependency", "Task #" + idText +
                                                        " has a dependency chain which includes " +
                                                        name + ".");
        if (predecessor) {
            if (!decision.header && predecessor->headerKey != -1)
                return refuse("Invalid Dependency",
                              "Task ID #" + idNumber +
                                      " is a sub-task. Sub-tasks can only be assigned as "
                                      "dependencies to other sub-tasks from the same header "
                                      "task.");
            if (decision.header && predecessor->headerKey != decision.header->key)
                return refuse("Invalid Dependency",
                              "Task ID #" + idNumber + " is not a sub-task of " +
                                      decision.header->name.str() +
                                      ". Sub-tasks can only be dependent upon other sub-tasks "
                                      "from the same header task.");
        }
        const int32_t type = DependencyTypeValue(QPTrimmed(dependency.typeText));
        if (decision.isHeader && (type == eFinishToFinish || type == eStartToFinish))
            return refuse("Invalid Dependency",
                          "Header tasks may not have dependencies that restrict their finish "
                          "dates. Select a condition of Finish-to-Start or Start-to-Start.");
        // A lag that is not a finite number of days would make every date after it
        // meaningless, so it is refused as a negative one is.
        const double lag = LLocaleFormatTextToFloat(options, QPTrimmed(dependency.lagText));
        if (!(lag >= 0.0) || lag > std::numeric_limits<float>::max())
            return refuse("Invalid Entry", "Please enter zero or a positive value for lag "
                                           "between task #" +
                                                   idNumber + " and " + name + ".");
    }

    // 9. Resources.
    for (std::size_t i = 0; i < form.resources.size(); ++i) {
        const int64_t percent = ReadWholeNumber(QPTrimmed(form.resources[i].percentText));
        if (percent < 0 || percent > 100) {
            if (row)
                *row = static_cast<int32_t>(i);
            return Refuse(eFieldResources, "Invalid Resource Assignment",
                          "Please enter 0 or a positive value no greater than 100 for percent "
                          "of time committed by Resource #" +
                                  std::to_string(form.resources[i].resourceID) + ".");
        }
    }

    // 10. Sub-tasks.
    for (std::size_t i = 0; i < form.subtasks.size(); ++i) {
        const int32_t id = form.subtasks[i].taskID;
        if (id == -1)
            continue;
        for (std::size_t earlier = 0; earlier < i; ++earlier) {
            if (form.subtasks[earlier].taskID == id) {
                if (row)
                    *row = static_cast<int32_t>(i);
                return Refuse(eFieldSubtasks, "Duplicate Subtask",
                              "Task #" + std::to_string(id) +
                                      " is listed as a subtask more than once.");
            }
        }
    }
    return std::nullopt;
}

void RecordEdit(QPProject& project, const QPTask& task, LByteArray before)
{
    project.UndoRedoAdd(std::make_unique<QPElementEditedUndoRedo<QPTask>>(
            project, task.id, std::move(before), task.WriteSDF()));
}

} // namespace

bool DependsOn(const QPProject& project, const QPTask& from, int64_t targetKey)
{
    std::vector<const QPTask*> pending{&from};
    std::unordered_set<const QPTask*> visited{&from};
    while (!pending.empty()) {
        const QPTask* task = pending.back();
        pending.pop_back();
        for (const QPTaskDependency& dependency : task->dependencies) {
            if (dependency.predecessorKey == targetKey)
                return true;
            const QPTask* predecessor = project.tasks.GetElementByKey(dependency.predecessorKey);
            if (predecessor && visited.insert(predecessor).second)
                pending.push_back(predecessor);
        }
    }
    return false;
}

eTab TabOf(int32_t field)
{
    switch (field) {
    case eFieldNotes:
        return eTabNotes;
    case eFieldDependencies:
        return eTabDependencies;
    case eFieldResources:
        return eTabResources;
    case eFieldSubtasks:
        return eTabSubtasks;
    default:
        return eTabGeneral;
    }
}

const char* DependencyTypeText(int32_t type)
{
    return (type >= 0 && type <= 3) ? kDependencyTypeNames[type] : kDependencyTypeNames[0];
}

int32_t DependencyTypeValue(const std::string& text)
{
    for (int32_t type = 1; type <= 3; ++type)
        if (text == kDependencyTypeNames[type])
            return type;
    return eFinishToStart;
}

std::vector<const QPTask*> EligibleSubtasks(const QPProject& project, const QPTask& task)
{
    std::vector<const QPTask*> eligible;
    for (const QPTask& candidate : project.tasks) {
        if (candidate.isHeader || &candidate == &task)
            continue;
        if (candidate.headerKey == -1 || candidate.headerKey == task.key)
            eligible.push_back(&candidate);
    }
    return eligible;
}

std::vector<const QPTask*> HeaderChoices(const QPProject& project, const QPTask& task)
{
    std::vector<const QPTask*> headers;
    for (const QPTask& candidate : project.tasks)
        if (candidate.isHeader && &candidate != &task)
            headers.push_back(&candidate);
    return headers;
}

Form InitialForm(const QPProject& project, const QPTask& task)
{
    Form form;
    form.name = task.name.str();
    form.taskType = task.taskType;
    form.scheduleKey = task.scheduleKey != -1 ? task.scheduleKey : project.defaultScheduleKey;
    form.durationText = task.durationText.str();
    form.percentCompleteText = std::to_string(task.percentComplete);
    form.isHeader = task.isHeader;
    form.hideSubtasks = task.hideSubtasks;
    form.autoSchedule = task.autoSchedule;
    form.milestone = task.milestone;
    form.constraintType = task.constraintType;
    form.notes = task.notes;

    const QPCalendarDay firstDay = QPCalendarDay::Of(project.projectStart);
    if (task.id == -1) {
        form.taskType = eTaskTypeFixedWork;
        form.constraintType = eConstraintNone;
        form.autoSchedule = true;
        form.start = firstDay;
        form.finish = firstDay.AddDays(1);
        form.constraintDate = form.finish;
    } else {
        form.start = task.start.IsSet() ? QPCalendarDay::Of(task.start) : firstDay;
        form.finish = task.finish.IsSet() ? QPCalendarDay::Of(task.finish) : form.start;
        // A task without a dated constraint has no date to show; its start is the nearest
        // sensible day to offer.
        form.constraintDate =
                task.constraintDate.IsSet() ? QPCalendarDay::Of(task.constraintDate) : form.start;
    }

    const QPTask* header = project.tasks.GetElementByKey(task.headerKey);
    form.headerKey = (header && header->isHeader) ? header->key : -1;

    for (const QPTaskDependency& dependency : task.dependencies) {
        const QPTask* predecessor = project.tasks.GetElementByKey(dependency.predecessorKey);
        if (!predecessor)
            continue;
        form.dependencies.push_back({std::to_string(predecessor->id),
                                     DependencyTypeText(dependency.type),
                                     LLocaleFormatFloatToText(project.options, dependency.lag)});
    }
    for (const QPResource& resource : project.resources) {
        const QPResourceAssignment* assignment = task.FindResourceAssignment(resource.key);
        form.resources.push_back(
                {resource.id, std::to_string(assignment ? assignment->percent : 0)});
    }
    for (int64_t key : task.subtaskKeys)
        if (const QPTask* subtask = project.tasks.GetElementByKey(key))
            form.subtasks.push_back({subtask->id});
    return form;
}

QPFormOutcome Confirm(const QPProject& project, const QPTask& task, const Form& form, int32_t* row)
{
    Decision decision;
    return Decide(project, task, form, decision, row);
}

void Apply(QPProject& project, QPTask& task, const Form& form)
{
    Decision decision;
    if (Decide(project, task, form, decision, nullptr))
        return;
    const bool existing = task.key != -1;
    const int64_t oldHeaderKey = existing ? task.headerKey : -1;
    const int64_t newHeaderKey = decision.header ? decision.header->key : -1;
    LByteArray before = existing ? task.WriteSDF() : LByteArray();

    task.name = decision.name;
    task.durationText = decision.durationText;
    task.percentComplete = decision.percentComplete;
    task.autoSchedule = decision.autoSchedule;
    task.start = decision.start;
    task.finish = decision.finish;
    // An undated kind ignores its date, so the task keeps the one it had.
    if (decision.constraintDated)
        task.constraintDate = decision.constraintDate;
    task.constraintType = decision.autoSchedule ? form.constraintType : eConstraintNone;
    task.taskType = decision.taskType;
    task.milestone = decision.milestone;
    task.isHeader = decision.isHeader;
    task.hideSubtasks = decision.isHeader && form.hideSubtasks;
    task.notes = form.notes;
    task.scheduleKey = decision.taskType == eTaskTypeFixedDuration ? form.scheduleKey : -1;

    // Rows are added last first: the list's head is its first row, so reopening the
    // editor shows them in the same order.
    task.dependencies.clear();
    for (auto row = form.dependencies.rbegin(); row != form.dependencies.rend(); ++row) {
        const std::string idText = QPTrimmed(row->idText);
        if (idText.empty())
            continue;
        const QPTask* predecessor = project.tasks.GetElement(ReadID(idText));
        if (!predecessor)
            continue;
        const double lag = LLocaleFormatTextToFloat(project.options, QPTrimmed(row->lagText));
        task.AddDependency(predecessor->key, DependencyTypeValue(QPTrimmed(row->typeText)),
                           static_cast<float>(lag));
    }

    // A header does no work of its own: resources work on its subtasks.
    task.resourceAssignments.clear();
    if (!decision.isHeader) {
        for (auto row = form.resources.rbegin(); row != form.resources.rend(); ++row) {
            const int64_t percent = ReadWholeNumber(QPTrimmed(row->percentText));
            const QPResource* resource = project.resources.GetElement(row->resourceID);
            if (percent > 0 && resource)
                task.AddResourceAssignment(resource->key, static_cast<int32_t>(percent));
        }
    }

    task.subtaskKeys.clear();

    // Header membership. `place` is where the task goes in the list, if it moves.
    int32_t place = -1;
    if (existing && oldHeaderKey != -1 && oldHeaderKey != newHeaderKey) {
        if (QPTask* oldHeader = project.tasks.GetElementByKey(oldHeaderKey)) {
            const auto members = static_cast<int32_t>(oldHeader->subtaskKeys.size());
            LByteArray headerBefore = oldHeader->WriteSDF();
            auto& keys = oldHeader->subtaskKeys;
            const auto at = std::find(keys.begin(), keys.end(), task.key);
            if (at != keys.end()) {
                keys.erase(at);
                RecordEdit(project, *oldHeader, std::move(headerBefore));
                // Just after what remains of the group, unless the task already stands
                // beyond it.
                if (oldHeader->id + members >= task.id)
                    place = oldHeader->id + members + 1;
            }
        }
        task.headerKey = -1;
    }
    if (existing && newHeaderKey != -1 && newHeaderKey != oldHeaderKey) {
        QPTask& header = *project.tasks.GetElementByKey(newHeaderKey);
        LByteArray headerBefore = header.WriteSDF();
        header.subtaskKeys.push_back(task.key);
        task.headerKey = header.key;
        RecordEdit(project, header, std::move(headerBefore));
        place = header.id + static_cast<int32_t>(header.subtaskKeys.size());
    }
    if (existing && oldHeaderKey != newHeaderKey) {
        // Tasks that depend on this one must be in its new group (or, like it, in none).
        // Leaving a group counts as well as joining one: a former fellow subtask would
        // otherwise keep a dependency across the group's edge.
        project.MapTaskSuccessors();
        project.RemoveNonfraternalSuccessors(task);
    }
    if (!existing)
        task.headerKey = newHeaderKey;
    if (decision.isHeader) {
        for (const SubtaskRow& row : form.subtasks) {
            const QPTask* subtask = project.tasks.GetElement(row.taskID);
            if (!subtask || subtask == &task || subtask->isHeader ||
                task.HasSubtaskKey(subtask->key))
                continue;
            task.subtaskKeys.push_back(subtask->key);
        }
    }

    if (!existing)
        return;
    RecordEdit(project, task, std::move(before));
    if (place != -1)
        project.MoveTasksByID({task.id}, place, true);
    if (decision.isHeader) {
        std::vector<int32_t> ids;
        for (int64_t key : task.subtaskKeys)
            if (const QPTask* subtask = project.tasks.GetElementByKey(key))
                ids.push_back(subtask->id);
        std::sort(ids.begin(), ids.end());
        if (!ids.empty())
            project.MoveTasksByID(ids, task.id + 1, true);
        // Only now do the subtasks stand in the header's run, so only now can the chains
        // that cross the group's edge be told apart from those inside it.
        project.EnforceValidSubtaskChains(task);
    }
}

} // namespace QPTaskDialogRules
