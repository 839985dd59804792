#include "model/QPTask.h"

#include "model/QPAssociationRecord.h"
#include "model/QPProjectOptions.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const char* const kConstraintNames[9] = {
        "None",        "As Late As Possible", "As Soon As Possible", "Start On",     "Start Before",
        "Start After", "Finish On",           "Finish Before",       "Finish After",
};

const char* const kConstraintReportNames[9] = {
        "None",        "ALAP",      "ASAP",          "Start on",     "Start before",
        "Start after", "Finish on", "Finish before", "Finish after",
};

int32_t KnownConstraint(int32_t constraintType)
{
    return (constraintType >= eConstraintNone && constraintType <= eConstraintFinishAfter)
                   ? constraintType
                   : eConstraintNone;
}

} // namespace

const char* QPTaskConstraintName(int32_t constraintType)
{
    return kConstraintNames[KnownConstraint(constraintType)];
}

bool QPTaskConstraintIsDated(int32_t constraintType)
{
    return constraintType >= eConstraintStartOn && constraintType <= eConstraintFinishAfter;
}

std::string QPTaskConstraintListText(int32_t constraintType, LDateTime constraintDate)
{
    const int32_t kind = KnownConstraint(constraintType);
    if (kind == eConstraintNone)
        return {};
    std::string text = kConstraintNames[kind];
    if (QPTaskConstraintIsDated(kind)) {
        std::string date;
        std::string time;
        constraintDate.GetDateTime(date, time);
        text += " " + date;
    }
    return text;
}

std::string QPTaskConstraintReportText(int32_t constraintType, LDateTime constraintDate,
                                       const QPProjectOptions& options)
{
    const int32_t kind = KnownConstraint(constraintType);
    std::string text = kConstraintReportNames[kind];
    if (QPTaskConstraintIsDated(kind))
        text += " " + options.FormatDate(constraintDate);
    return text;
}

const char* QPTaskTypeListText(int32_t taskType)
{
    switch (taskType) {
    case eTaskTypeFixedWork:
        return "Fixed Work";
    case eTaskTypeFixedDuration:
        return "Fixed Duration";
    default:
        return "";
    }
}

const char* QPTaskTypeReportText(int32_t taskType)
{
    return taskType == eTaskTypeFixedDuration ? "Fixed Duration" : "Fixed Work";
}

QPTask::QPTask(const QPTask& other)
{
    *this = other;
    notes.clear();
}

void QPTask::Reset()
{
    name.clear();
    durationText.clear();
    key = -1;
    scheduleKey = -1;
    id = -1;
    percentComplete = 0;
    autoSchedule = true;
    milestone = false;
    isHeader = false;
    hideSubtasks = false;
    start = LDateTime();
    finish = LDateTime();
    constraintDate = LDateTime();
    constraintType = eConstraintNone;
    taskType = eTaskTypeFixedWork;
    freeSlack = 0;
    totalSlack = 0;
    freeSlackSuccessorID = -1;
    totalSlackSuccessorID = -1;
    scheduledCost = 0;
    scheduledCostToDate = 0;
    scheduled = false;
    discovered = false;
    resourceConflict = false;
    dependencies.clear();
    resourceAssignments.clear();
    subtaskKeys.clear();
}

void QPTask::AddDependency(int64_t predecessorKey, int32_t type, float lag)
{
    AddDependency(QPTaskDependency{predecessorKey, type, lag});
}

void QPTask::AddDependency(const QPTaskDependency& dependency)
{
    dependencies.insert(dependencies.begin(), dependency);
}

void QPTask::AddResourceAssignment(int64_t resourceKey, int32_t percent)
{
    AddResourceAssignment(QPResourceAssignment{resourceKey, percent, 100, 100});
}

void QPTask::AddResourceAssignment(const QPResourceAssignment& assignment)
{
    resourceAssignments.insert(resourceAssignments.begin(), assignment);
}

bool QPTask::RemoveDependency(int64_t predecessorKey, QPAssociationRecord* record)
{
    const auto it = std::find_if(dependencies.begin(), dependencies.end(),
                                 [&](const auto& d) { return d.predecessorKey == predecessorKey; });
    if (it == dependencies.end())
        return false;
    if (record)
        record->AddDependency(key, *it);
    dependencies.erase(it);
    return true;
}

bool QPTask::RemoveResourceAssignment(int64_t resourceKey, QPAssociationRecord* record)
{
    const auto it = std::find_if(resourceAssignments.begin(), resourceAssignments.end(),
                                 [&](const auto& a) { return a.resourceKey == resourceKey; });
    if (it == resourceAssignments.end())
        return false;
    if (record)
        record->AddAssignment(key, *it);
    resourceAssignments.erase(it);
    return true;
}

void QPTask::UpdateDependencyKey(int64_t oldKey, int64_t newKey)
{
    if (QPTaskDependency* dependency = FindDependency(oldKey))
        dependency->predecessorKey = newKey;
}

void QPTask::UpdateResourceAssignment(int64_t oldKey, int64_t newKey, int32_t firstDayPercent,
                                      int32_t lastDayPercent)
{
    for (QPResourceAssignment& assignment : resourceAssignments) {
        if (assignment.resourceKey == oldKey) {
            assignment.resourceKey = newKey;
            assignment.firstDayPercent = firstDayPercent;
            assignment.lastDayPercent = lastDayPercent;
            return;
        }
    }
}

QPTaskDependency* QPTask::FindDependency(int64_t predecessorKey)
{
    for (QPTaskDependency& dependency : dependencies)
        if (dependency.predecessorKey == predecessorKey)
            return &dependency;
    return nullptr;
}

const QPResourceAssignment* QPTask::FindResourceAssignment(int64_t resourceKey) const
{
    for (const QPResourceAssignment& assignment : resourceAssignments)
        if (assignment.resourceKey == resourceKey)
            return &assignment;
    return nullptr;
}

bool QPTask::HasSubtaskKey(int64_t taskKey) const
{
    return std::find(subtaskKeys.begin(), subtaskKeys.end(), taskKey) != subtaskKeys.end();
}

int32_t QPTask::GetDurationSeconds(const LLocaleNumberProfile& profile) const
{
    const double seconds = std::trunc(LLocaleFormatTextToFloat(profile, durationText) * 3600.0);
    if (std::isnan(seconds))
        return 0;
    constexpr double high = std::numeric_limits<int32_t>::max();
    constexpr double low = std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(std::clamp(seconds, low, high));
}
