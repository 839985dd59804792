#pragma once

#include "engine/QPResourceHistogram.h"
#include "framework/LByteArray.h"
#include "model/LUndoRedo.h"
#include "model/QPBaseline.h"
#include "model/QPProjectBase.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// The open project: the container plus what a document needs while it is open: the undo
// history, the baselines and the state of the last status update.
struct QPEngineState;

class QPProject : public QPProjectBase {
public:
    static constexpr std::size_t kMaxBaselines = 10;

    // A new project with its "Default Schedule".
    QPProject();
    ~QPProject() override;
    // One open document: copies are baselines, made through BaselineAdd.
    QPProject(const QPProject&) = delete;
    QPProject& operator=(const QPProject&) = delete;

    // Also forgets the undo history, resets the options and drops the baselines and the
    // last-update state.
    void ProjectReset(bool withDefaultSchedule) override;

    // Dirty when a change bypassed the undo history, or the history is not at the state
    // that was last saved.
    bool IsProjectDirty() const override;

    // --- the project file ---------------------------------------------------------------

    // Writes the project, its options, baselines and last-update state. The file is
    // written beside the target and renamed over it only when complete, so a failure
    // never harms the file that was there. 0 on success, 2 on failure (the target is
    // locked by another program, the folder cannot be written, the disk is full, ...).
    int ProjectSave(const std::string& path);
    // Replaces the project by the one in the file. 2 when the file does not exist, is
    // locked by another program or is not a project file (the project is then empty,
    // except for a missing file); a file that is damaged part way loads as far as it can
    // be read, and the result is 0.
    int ProjectLoad(const std::string& path);
    // The same from a project file's bytes in memory.
    int ProjectLoadFromBytes(const LByteArray& bytes);
    // The bytes ProjectSave writes, in memory.
    LByteArray ProjectSaveToBytes();

    // --- the recalculation --------------------------------------------------------------
    // Every change is followed by one full recalculation, always from scratch and in the
    // same order of passes: exceptions, header groups, manual and fixed-date tasks, forward
    // passes, successors, slack, As Late As Possible moves, the resource histogram and
    // leveling, header spans, display starts and costs.

    void AutoScheduleTasks();
    // projectFinish = the latest task finish, never before projectStart.
    void CalculateEndDateByTasks();
    void ClearTaskDiscoveryData();

    // Where each exception's time ends on the calendar it belongs to.
    void CalculateExceptionDurations();

    // Durations: the elapsed seconds the task's work occupies on its calendars, counted
    // forward from `moment` (it starts there) or backward (it ends there). Never negative.
    // A Fixed Duration task counts its hours on its own schedule; a Fixed Work task shares
    // its effort among its resources, each on its own calendar at its percentage.
    int64_t CalculateTaskDuration(QPTask& task, bool reverse, LDateTime moment);
    int64_t CalculateTaskFixedDuration(QPTask& task, bool reverse, LDateTime moment);
    int64_t CalculateTaskDurationForward(QPTask& task, LDateTime start);
    int64_t CalculateTaskDurationReverse(QPTask& task, LDateTime finish);
    // The share of the first and last day's working time that each assignment uses.
    void CalculateResourceAssignmentPercent(QPTask& task);

    // Placement.
    bool EvaluateDependencies(const std::vector<QPTaskDependency>& dependencies,
                              LDateTime& earliestStart, LDateTime& earliestFinish,
                              bool& finishBound, bool asHeader);
    // Places one automatically scheduled task in a forward pass; false when a predecessor
    // is not placed yet.
    bool ScheduleTask(QPTask& task);
    void MapTaskSuccessors();
    // After `task` moved later: moves every task that now breaks a link, directly or
    // further down, to where its links hold again. With `conflicts`, each moved task is
    // booked anew and, when it over-commits a resource, flagged and collected there.
    void PushSuccessorTasks(QPTask& task, std::vector<QPTask*>* conflicts);
    // Moves one As Late As Possible task as late as the project finish allows, taking its
    // dependents along as far as they must go.
    void ScheduleALAP(QPTask& task);
    void CalculateDisplayStarts();

    // Header tasks.
    void RefreshSubtaskHeaderKeys();
    bool IsHeaderTaskScheduled(QPTask& header);
    void SetHeaderTaskDate(QPTask& header);
    void SetAllHeaderTaskDates();
    // After a header's subtask list changed: drops dependencies that cross its group, with
    // undo steps (the caller holds the undo group).
    void EnforceValidSubtaskChains(QPTask& header);
    void RemoveNonfraternalPredecessors(QPTask& task);
    void RemoveNonfraternalSuccessors(QPTask& task);
    // Where a new task goes after the task with `id`: after its whole group; -1 for none.
    int32_t GetNextIndependentTaskID(int32_t id) const;

    // Resource histogram and leveling.
    void AddTaskToHistogram(QPTask& task);
    bool FindResourceAvailability(LDateTime from, LDateTime to, QPTask& task, LDateTime& start);
    void ResolveResourceConflicts();

    // Slack. A link that a fixed date breaks shows as negative slack.
    int64_t CalculateSlack(QPTask& predecessor, QPTask& successor);
    void CalculateTaskSlack(QPTask& task);
    void CalculateTotalSlack(QPTask& task);
    void CalculateAllTotalSlack();
    void CalculateAllSlack();

    // Costs.
    void CalculateBudgetUse();
    void CalculateTaskCost(QPTask& task);

    // What the recalculated plan cannot satisfy, one line each, in this order: tasks on or
    // waiting on a dependency loop, tasks whose calendars have no working time, tasks left
    // over-committing a resource, links broken by a date that wins over them, and a finish
    // after the deadline. Empty when there is nothing to report.
    std::vector<std::string> CheckPlan();

    // The schedule a Fixed Duration task follows: its own, or else the default one.
    QPSchedule* GetTaskSchedule(const QPTask& task) const;

    // --- undo and redo ------------------------------------------------------------------

    // Starts collecting the following steps into one group, undone and redone together.
    void UndoRedoGroupStart();
    // Records a step: into the open group, or as a step of its own.
    void UndoRedoAdd(std::unique_ptr<LUndoRedoItem> item);
    // Closes the open group; a group that received nothing is dropped.
    void UndoRedoGroupEnd();

    // Freezes a copy of the project under `baselineName` at the end of the list. With ten
    // baselines already, nothing is made and the result is none. Baselines are saved with
    // the project but not undoable, so both changes make the project dirty.
    QPBaseline* BaselineAdd(std::string_view baselineName);
    // Removes the baseline with this ID; the ones after it move down by one.
    bool BaselineDelete(int32_t baselineID);
    QPBaseline* GetBaseline(int32_t baselineID) const;
    // True when a baseline other than `exceptID` has exactly this name.
    bool IsBaselineNameUsed(std::string_view name, int32_t exceptID) const;

    // Replaces the last-update state by a copy of the project as it is now, named
    // "Last Task Update", and marks the project dirty so that the next save keeps it.
    void SetAsLastTaskUpdateState();

    // Ordered by baseline ID, at most kMaxBaselines.
    std::vector<std::unique_ptr<QPBaseline>> baselines;
    // The project as it was when task updates were last sent, or none.
    std::unique_ptr<QPBaseline> lastTaskUpdateState;

    // The day-by-day commitments of the last recalculation.
    QPResourceHistogram histogram;

    LUndoRedoStack undoStack;
    // The group being filled, or none; and whether it has received nothing yet.
    std::unique_ptr<LUndoRedoGroup> openUndoGroup;
    bool openUndoGroupEmpty = true;

protected:
    void ElementCreatedUndoRedoAdd(QPTask& task) override;
    void ElementCreatedUndoRedoAdd(QPResource& resource) override;
    void ElementCreatedUndoRedoAdd(QPSchedule& schedule) override;
    void ElementDeletedUndoRedoAdd(QPTask& task, const QPAssociationRecord& associations) override;
    void ElementDeletedUndoRedoAdd(QPResource& resource,
                                   const QPAssociationRecord& associations) override;
    void ElementDeletedUndoRedoAdd(QPSchedule& schedule,
                                   const QPAssociationRecord& associations) override;
    bool UndoRedoGroupOpenIfNone() override;
    void UndoRedoGroupCloseOpened() override;
    void TaskIDChangeUndoRedoAdd(int64_t key, int32_t oldID, int32_t newID) override;

private:
    friend class QPEngineScope;

    // The bounds a task's predecessors set through its links and its header's, from
    // their dates as they are now.
    struct Bounds {
        LDateTime earliestStart;
        LDateTime earliestFinish;
        bool finishBound = false;
    };
    Bounds LinkBounds(const QPTask& task);
    // How much earlier than its links allow the task starts or ends (0 when they hold).
    int64_t Breach(const QPTask& task);
    // Placement of one task from its bounds: by its constraint, or by its links alone.
    struct Placement {
        LDateTime start;
        LDateTime finish;
    };
    Placement PlaceTask(QPTask& task, LDateTime earliestStart, LDateTime earliestFinish,
                        bool finishBound);
    Placement PlaceByLinks(QPTask& task, LDateTime earliestStart, LDateTime earliestFinish,
                           bool finishBound);
    // Where the task ends when it starts at `start`: its work's end, or the bound its
    // finish-type links set when that falls in the non-working time after it.
    LDateTime FinishFrom(QPTask& task, LDateTime start);
    // The latest dates of every task that keep the project finish and the tasks that
    // cannot move (for the As Late As Possible moves).
    void CalculateLateDates();
    // Whether the task keeps its place whatever its links say: scheduled by hand, fixed
    // to a date, or not placed because of a dependency loop.
    bool IsFixedInPlace(const QPTask& task) const;
    // Headers of the moved tasks span them again; the tasks whose links broke move later.
    void Propagate(const std::vector<int32_t>& moved, std::vector<QPTask*>* conflicts);
    // The latest finish a task's total slack allows, as the project finish now stands.
    LDateTime TotalSlackLimit(const QPTask& task);
    // The histogram bookings of one task at its current dates.
    void BookTask(QPTask& task);
    bool FitsAt(QPTask& task, LDateTime start, LDateTime finish, int64_t& conflictDay);
    // Dates for tasks that have none and cannot be placed.
    void GiveDatesToUnplaced();

    // The state of the recalculation under way, or of a single engine operation called
    // on its own (see QPEngineScope).
    std::unique_ptr<QPEngineState> engine_;

    template <class Open>
    int LoadFrom(Open open);
    bool WriteProject(LSDFWriter& writer);
};
