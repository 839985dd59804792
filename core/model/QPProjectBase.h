#pragma once

#include "framework/LByteArray.h"
#include "framework/LFixedText.h"
#include "model/LDateTime.h"
#include "model/QPAssociationRecord.h"
#include "model/QPElementList.h"
#include "model/QPProjectOptions.h"
#include "model/QPResource.h"
#include "model/QPSchedule.h"
#include "model/QPTask.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <type_traits>
#include <vector>

class LSDFReader;
class LSDFReaderChunk;
class LSDFReaderChunkIterator;
class LSDFWriter;

// One project's data: its name, options, dates and default schedule, the lists of tasks,
// resources and schedules, and the counters that hand out keys and IDs. Every addition,
// removal and renumbering goes through here, so that keys stay unique, IDs stay 1 to n
// in list order, and references between elements (which hold keys) stay consistent.
class QPProjectBase {
public:
    // An empty project with the reset values and no schedule.
    QPProjectBase();
    // A frozen copy for a baseline: name, default schedule, dates, counters and deep copies
    // of the three lists (without notes). The copy's options are fresh and it is clean.
    QPProjectBase(const QPProjectBase& other);
    QPProjectBase& operator=(const QPProjectBase&) = delete;
    virtual ~QPProjectBase();

    // Whether the project holds changes that have not been saved.
    virtual bool IsProjectDirty() const { return dirty; }
    // Empties the project: "New Project", start at noon today, no elements and, when
    // asked, a new "Default Schedule" (key 0, ID 1).
    virtual void ProjectReset(bool withDefaultSchedule);

    // --- adding -------------------------------------------------------------------------

    // Gives the element a fresh key (and, when its ID is -1, the next free ID of its
    // kind) and puts it in its list in ID order, after elements with an equal ID.
    QPTask& ElementAdd(std::unique_ptr<QPTask> task, bool recordUndo);
    QPResource& ElementAdd(std::unique_ptr<QPResource> resource, bool recordUndo);
    QPSchedule& ElementAdd(std::unique_ptr<QPSchedule> schedule, bool recordUndo);

    // Adds a task at `position` (1 to the number of tasks), moving the tasks from there on
    // up by one; any other position keeps the task's own ID (-1 appends it).
    QPTask& TaskInsert(std::unique_ptr<QPTask> task, int32_t position, bool recordUndo);

    // Raises the kind's counter until no element of the list has it, and returns it.
    template <class T>
    int32_t GetNextUniqueID();

    // --- removing -----------------------------------------------------------------------

    // Removes the element with this ID together with every reference to it, and closes
    // the gap in the numbering. Returns false when there is no such element or when it is
    // the default schedule, which cannot be deleted.
    template <class T>
    bool ElementDelete(int32_t id, bool recordUndo);

    // Removes the references that other elements hold to `element`, writing each into
    // `record` when one is given: dependencies on a task, assignments of a resource, and
    // resources' use of a schedule (they move to the default schedule). Returns false, and
    // changes nothing, for the default schedule.
    bool ElementAssociationsDelete(const QPTask& task, QPAssociationRecord* record);
    bool ElementAssociationsDelete(const QPResource& resource, QPAssociationRecord* record);
    bool ElementAssociationsDelete(const QPSchedule& schedule, QPAssociationRecord* record);

    // Puts back what a deletion removed: each dependency and assignment into the task
    // recorded with it (when that task still exists), and `scheduleKey` into each resource
    // that had been moved off the deleted schedule.
    void ElementAssociationsAdd(const QPAssociationRecord& record, int64_t scheduleKey);

    // --- restoring and renumbering ------------------------------------------------------

    // Puts an element back with the key and ID it had when it was removed: the element of
    // that ID and every one after it move up by one. Records nothing.
    template <class T>
    T& ElementAddRestored(std::unique_ptr<T> element);

    // Reads an element from its image and puts it back with the key and ID it holds, as
    // ElementAddRestored does. Nothing is added when the image cannot be read.
    template <class T>
    T* ElementAddFromSDF(const LByteArray& image);
    // The same, then the links listed in an association image, with the restored element's
    // key for the resources that had used a restored schedule.
    template <class T>
    T* ElementAddFromSDF(const LByteArray& image, const LByteArray& associations);
    // Fills the element with this ID from an image, keeping its place in the list. Nothing
    // changes when the image cannot be read.
    template <class T>
    bool ElementEditFromSDF(int32_t id, const LByteArray& image);
    // Puts back the links listed in an association image (see ElementAssociationsAdd).
    void ElementAssociationsAddFromSDF(const LByteArray& associations, int64_t scheduleKey);

    // Puts an element read from a file into its list as it is, key and ID included, after
    // the elements whose ID is less than or equal to its own.
    template <class T>
    T& ElementInsertLoaded(std::unique_ptr<T> element);

    // Gives the element with this key a new ID and moves it to its place in ID order
    // (after elements with an equal ID).
    template <class T>
    void ElementChangeID(int64_t key, int32_t newID);

    // Moves the tasks with the IDs `ids` so that they stand together, in their order, just
    // before the task that now has the ID `target` (one past the last ID puts them at the
    // end). Every task keeps a place in 1 to n.
    void MoveTasksByID(const std::vector<int32_t>& ids, int32_t target, bool recordUndo);

    // --- after loading a file -----------------------------------------------------------

    // Raises lastKey to the largest key in use, then gives every element without a key
    // (tasks, then resources, then schedules, each in list order) the next key.
    void ValidateElementKeys();
    // For files that referred to elements by ID: turns those references into keys.
    void ConvertIDAssociationsToKeys();
    // Where a damaged file left IDs that are not 1 to n in list order (gaps, doubles, IDs
    // below 1), numbers the elements 1 to n in their order. Sound files are left alone.
    void RepairElementIDs();

    // --- the project record of the file ------------------------------------------------

    // Writes the project's fields and elements (the caller opens and closes the chunk).
    void WriteSDF(LSDFWriter& writer) const;
    // Reads a project record; elements are put in ID order as they come.
    void ReadSDF(LSDFReader& reader, const LSDFReaderChunk& chunk);
    // Reads the fields of a project record from an iterator over them (the older file
    // layout kept them directly in the root).
    void ReadSDFFields(LSDFReader& reader, LSDFReaderChunkIterator& fields);

    // --- names and state ----------------------------------------------------------------

    // True when another element of the kind than the one with `exceptID` (-1 for none)
    // has exactly this name.
    bool IsTaskNameUsed(std::string_view name, int32_t exceptID) const;
    bool IsResourceNameUsed(std::string_view name, int32_t exceptID) const;
    bool IsScheduleNameUsed(std::string_view name, int32_t exceptID) const;

    // Renames the project; a different name makes it dirty.
    void SetName(std::string_view newName);

    QPSchedule* GetDefaultSchedule() const { return schedules.GetElementByKey(defaultScheduleKey); }

    QPProjectOptions options;
    LFixedText name = "New Project";
    int64_t defaultScheduleKey = -1;
    LDateTime projectStart;
    LDateTime projectFinish;
    LDateTime projectDeadline;
    // Changes that the undo history does not account for (project fields, options,
    // baselines).
    bool dirty = false;
    QPElementList<QPTask> tasks;
    QPElementList<QPResource> resources;
    QPElementList<QPSchedule> schedules;
    int64_t lastKey = -1;
    int32_t lastTaskID = 0;
    int32_t lastResourceID = 0;
    int32_t lastScheduleID = 0;

protected:
    // Undo recording. The container calls these at the moments an undo history needs;
    // a plain container and a baseline record nothing.
    virtual void ElementCreatedUndoRedoAdd(QPTask&) {}
    virtual void ElementCreatedUndoRedoAdd(QPResource&) {}
    virtual void ElementCreatedUndoRedoAdd(QPSchedule&) {}
    virtual void ElementDeletedUndoRedoAdd(QPTask&, const QPAssociationRecord&) {}
    virtual void ElementDeletedUndoRedoAdd(QPResource&, const QPAssociationRecord&) {}
    virtual void ElementDeletedUndoRedoAdd(QPSchedule&, const QPAssociationRecord&) {}
    // Opens an undo group unless one is open already; returns whether it opened one.
    virtual bool UndoRedoGroupOpenIfNone() { return false; }
    // Closes the group that UndoRedoGroupOpenIfNone opened.
    virtual void UndoRedoGroupCloseOpened() {}
    virtual void TaskIDChangeUndoRedoAdd(int64_t /*key*/, int32_t /*oldID*/, int32_t /*newID*/) {}

public:
    // The list that holds the elements of type T.
    template <class T>
    QPElementList<T>& ListOf()
    {
        if constexpr (std::is_same_v<T, QPTask>)
            return tasks;
        else if constexpr (std::is_same_v<T, QPResource>)
            return resources;
        else
            return schedules;
    }
    template <class T>
    const QPElementList<T>& ListOf() const
    {
        return const_cast<QPProjectBase*>(this)->ListOf<T>();
    }

private:
    template <class T>
    int32_t& CounterOf()
    {
        if constexpr (std::is_same_v<T, QPTask>)
            return lastTaskID;
        else if constexpr (std::is_same_v<T, QPResource>)
            return lastResourceID;
        else
            return lastScheduleID;
    }
    template <class T>
    T& AddElement(std::unique_ptr<T> element, bool recordUndo);
    template <class T>
    bool IsNameUsed(std::string_view name, int32_t exceptID) const;

    void ResetContents(bool withDefaultSchedule);
};
