#pragma once

#include "framework/LByteArray.h"
#include "framework/LFixedText.h"
#include "model/LDateTime.h"
#include "model/QPResourceAssignment.h"
#include "model/QPTaskDependency.h"

#include <cstdint>
#include <string>
#include <vector>

class LSDFReader;
class LSDFReaderChunk;
class LSDFWriter;

struct LLocaleNumberProfile;
struct QPAssociationRecord;
class QPProjectOptions;

// Date constraints; the task editor lists them in this order.
enum eTaskConstraint : int32_t {
    eConstraintNone = 0,
    eConstraintAsLateAsPossible = 1,
    eConstraintAsSoonAsPossible = 2,
    eConstraintStartOn = 3,
    eConstraintStartBefore = 4,
    eConstraintStartAfter = 5,
    eConstraintFinishOn = 6,
    eConstraintFinishBefore = 7,
    eConstraintFinishAfter = 8,
};

enum eTaskType : int32_t {
    eTaskTypeFixedWork = 0,
    eTaskTypeFixedDuration = 1,
};

// "None", "As Late As Possible", ... as the task editor lists them; a value outside the
// nine kinds counts as "None".
const char* QPTaskConstraintName(int32_t constraintType);
// The task list's form: empty for none, "Start On 2000-07-26" for dated kinds.
std::string QPTaskConstraintListText(int32_t constraintType, LDateTime constraintDate);
// The task detail report's form: "None", "ALAP", "ASAP", "Start on 26 July 2000", ...
std::string QPTaskConstraintReportText(int32_t constraintType, LDateTime constraintDate,
                                       const QPProjectOptions& options);
// Whether the kind uses its constraint date (Start On to Finish After).
bool QPTaskConstraintIsDated(int32_t constraintType);
// "Fixed Work" or "Fixed Duration" as the task list shows them; empty for other values.
const char* QPTaskTypeListText(int32_t taskType);
// The reports' form: "Fixed Duration" for 1, "Fixed Work" for anything else.
const char* QPTaskTypeReportText(int32_t taskType);

// A task: an amount of work with dates, predecessors, resources and, for a header task,
// subtasks. Plain data: the project container owns every task and keeps keys, IDs and
// the references between elements consistent.
class QPTask {
public:
    QPTask() = default;
    // A copy takes every field, lists included, but starts without notes (baselines are
    // copies of the project and do not carry notes).
    QPTask(const QPTask& other);
    QPTask(QPTask&&) = default;
    QPTask& operator=(QPTask&&) = default;

    // Back to the defaults before the task is filled from an element image. Leaves
    // displayStart, headerKey, successorIDs and notes alone.
    void Reset();

    // New dependencies and assignments go to the head of their lists.
    void AddDependency(int64_t predecessorKey, int32_t type, float lag);
    void AddDependency(const QPTaskDependency& dependency);
    void AddResourceAssignment(int64_t resourceKey, int32_t percent);
    void AddResourceAssignment(const QPResourceAssignment& assignment);

    // Remove the first dependency on the predecessor (the first assignment of the
    // resource). With a record, the removed item and this task's key go into it first,
    // so that an undo can put it back. Returns whether anything was removed.
    bool RemoveDependency(int64_t predecessorKey, QPAssociationRecord* record = nullptr);
    bool RemoveResourceAssignment(int64_t resourceKey, QPAssociationRecord* record = nullptr);

    void UpdateDependencyKey(int64_t oldKey, int64_t newKey);
    void UpdateResourceAssignment(int64_t oldKey, int64_t newKey, int32_t firstDayPercent,
                                  int32_t lastDayPercent);

    QPTaskDependency* FindDependency(int64_t predecessorKey);
    const QPResourceAssignment* FindResourceAssignment(int64_t resourceKey) const;
    bool HasSubtaskKey(int64_t taskKey) const;

    // The record of the project file (the caller opens and closes its chunk).
    void WriteSDF(LSDFWriter& writer) const;
    void ReadSDF(LSDFReader& reader, const LSDFReaderChunk& chunk);
    // An element image: an SDF stream whose root holds just this element's record, the
    // form in which undo and redo keep elements.
    LByteArray WriteSDF() const;
    // Back to the defaults, then filled from an image. False, with the element left at its
    // defaults, when the image does not open or does not hold this kind of element.
    bool ReadSDF(const LByteArray& image);

    // The duration text read as hours in the project's number format, in work seconds
    // (hours × 3600, truncated toward zero, kept within 32 bits).
    int32_t GetDurationSeconds(const LLocaleNumberProfile& profile) const;

    // Computed: first moment of actual work at or after `start`.
    LDateTime displayStart;
    // Run-time marks of the recalculation; never stored.
    bool scheduled = false;
    bool discovered = false;
    bool resourceConflict = false;
    // Computed slack, in seconds, and the successors that limit it (-1 for none).
    int32_t freeSlack = 0;
    int32_t totalSlack = 0;
    int32_t freeSlackSuccessorID = -1;
    int32_t totalSlackSuccessorID = -1;
    // Computed costs, in minor currency units.
    int64_t scheduledCost = 0;
    int64_t scheduledCostToDate = 0;
    // Key of the header task whose group this task belongs to; derived from the headers'
    // subtask lists, never edited.
    int64_t headerKey = -1;
    // IDs of the tasks that depend on this one; rebuilt by the recalculation.
    std::vector<int32_t> successorIDs;

    LFixedText name;
    // The duration as typed: decimal work hours in the project's number format.
    LFixedText durationText;
    int64_t key = -1;
    // The schedule the task follows; -1 means the project's default schedule.
    int64_t scheduleKey = -1;
    int32_t id = -1;
    int32_t percentComplete = 0;
    bool autoSchedule = true;
    bool milestone = false;
    bool isHeader = false;
    bool hideSubtasks = false;
    LDateTime start;
    LDateTime finish;
    LDateTime constraintDate;
    int32_t constraintType = eConstraintNone;
    int32_t taskType = eTaskTypeFixedWork;
    std::string notes;
    // Predecessors, newest first.
    std::vector<QPTaskDependency> dependencies;
    // Resources working on the task, newest first.
    std::vector<QPResourceAssignment> resourceAssignments;
    // For a header task: the keys of its subtasks.
    std::vector<int64_t> subtaskKeys;

private:
    QPTask& operator=(const QPTask&) = default;
};
