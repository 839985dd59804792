// The records of tasks, resources and schedules (and of their dependencies, assignments
// and exceptions) in the project file, element images for undo, and association images.

#include "fileformat/LSDFReader.h"
#include "fileformat/LSDFWriter.h"
#include "fileformat/QPElementImages.h"
#include "fileformat/QPFileTags.h"
#include "model/QPAssociationRecord.h"
#include "model/QPResource.h"
#include "model/QPSchedule.h"
#include "model/QPTask.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// Date-times of tasks are stored as "YYYY-MM-DD HH:MM:SS" local time, " " when unset.
void WriteDateTime(LSDFWriter& writer, uint16_t tag, LDateTime value)
{
    writer.WriteString(tag, value.GetDateTime());
}

void ReadDateTime(const LSDFReaderChunk& chunk, LDateTime& value)
{
    LFixedText text;
    if (!chunk.ReadString(text))
        return;
    LDateTime read;
    if (read.SetDateYYYYHMMHDDTimeHHCMMCSS(text))
        value = read;
}

// Older files stored slack as 64-bit values of which only the low 32 bits count.
void ReadLow32(const LSDFReaderChunk& chunk, int32_t& value)
{
    int64_t wide = 0;
    if (chunk.ReadInt64(wide))
        value = static_cast<int32_t>(static_cast<uint64_t>(wide) & 0xFFFFFFFFu);
}

// Older files held an element's ID where its key now stands; the ID conversion after
// loading turns it into the key.
void ReadWidened(const LSDFReaderChunk& chunk, int64_t& value)
{
    int32_t narrow = 0;
    if (chunk.ReadInt(narrow))
        value = narrow;
}

template <class Element>
LByteArray WriteImage(const Element& element, uint16_t tag)
{
    LByteArray image;
    LOutputStreamByteArray stream(image);
    LSDFWriter writer;
    writer.Open(stream, kProjectFileType, kProjectFileVersion);
    writer.StartChunk(tag);
    element.WriteSDF(writer);
    writer.EndChunk(tag);
    writer.Close();
    return image;
}

template <class Element>
bool ReadImage(Element& element, const LByteArray& image, uint16_t tag)
{
    LInputStreamBuffer stream(image);
    LSDFReader reader;
    if (!reader.Open(stream, kProjectFileType))
        return false;
    LSDFReaderChunkIterator children(reader);
    if (!children.IsValid() || children.Tag() != tag)
        return false;
    element.ReadSDF(reader, children.Current());
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Dependencies and assignments

void QPTaskDependency::WriteSDF(LSDFWriter& writer) const
{
    writer.WriteInt64(eTagDependencyPredecessorKey, predecessorKey);
    writer.WriteInt(eTagDependencyType, type);
    writer.WriteFloat(eTagDependencyLag, lag);
}

void QPTaskDependency::ReadSDF(LSDFReader& reader, const LSDFReaderChunk& chunk)
{
    for (LSDFReaderChunkIterator it(reader, chunk); it.IsValid(); it.Next()) {
        const LSDFReaderChunk& child = it.Current();
        switch (child.tag) {
        case eTagDependencyPredecessorKey:
            child.ReadInt64(predecessorKey);
            break;
        case eTagDependencyPredecessorID:
            ReadWidened(child, predecessorKey);
            break;
        case eTagDependencyType:
            child.ReadInt(type);
            break;
        case eTagDependencyLag:
            child.ReadFloat(lag);
            break;
        default:
            break;
        }
    }
}

void QPResourceAssignment::WriteSDF(LSDFWriter& writer) const
{
    writer.WriteInt64(eTagAssignmentResourceKey, resourceKey);
    writer.WriteInt(eTagAssignmentPercent, percent);
}

void QPResourceAssignment::ReadSDF(LSDFReader& reader, const LSDFReaderChunk& chunk)
{
    for (LSDFReaderChunkIterator it(reader, chunk); it.IsValid(); it.Next()) {
        const LSDFReaderChunk& child = it.Current();
        switch (child.tag) {
        case eTagAssignmentResourceKey:
            child.ReadInt64(resourceKey);
            break;
        case eTagAssignmentResourceID:
            ReadWidened(child, resourceKey);
            break;
        case eTagAssignmentPercent:
            child.ReadInt(percent);
            break;
        default:
            break;
        }
    }
}

// ---------------------------------------------------------------------------------------
// Exceptions

void QPScheduleException::WriteSDF(LSDFWriter& writer) const
{
    const int64_t value = date.Get();
    if (value >= INT32_MIN && value <= INT32_MAX) {
        writer.WriteInt(eTagExceptionDate, static_cast<int32_t>(value));
    } else {
        // Readers that only know the 32-bit field see the latest date they can hold.
        writer.WriteInt(eTagExceptionDate, INT32_MAX);
        writer.WriteInt64(eTagExceptionDate64, value);
    }
    writer.WriteInt(eTagExceptionWorkSeconds, workSeconds);
}

void QPScheduleException::ReadSDF(LSDFReader& reader, const LSDFReaderChunk& chunk)
{
    bool haveFullDate = false;
    for (LSDFReaderChunkIterator it(reader, chunk); it.IsValid(); it.Next()) {
        const LSDFReaderChunk& child = it.Current();
        switch (child.tag) {
        case eTagExceptionDate: {
            int32_t value = 0;
            if (!haveFullDate && child.ReadInt(value))
                date = LDateTime(value);
            break;
        }
        case eTagExceptionDate64: {
            int64_t value = 0;
            if (child.ReadInt64(value)) {
                date = LDateTime(value);
                haveFullDate = true;
            }
            break;
        }
        case eTagExceptionWorkSeconds:
            child.ReadInt(workSeconds);
            break;
        default:
            break;
        }
    }
}

namespace {

void WriteExceptions(LSDFWriter& writer, uint16_t tag,
                     const std::vector<QPScheduleException>& exceptions)
{
    for (const QPScheduleException& exception : exceptions) {
        writer.StartChunk(tag);
        exception.WriteSDF(writer);
        writer.EndChunk(tag);
    }
}

void ReadException(LSDFReader& reader, const LSDFReaderChunk& chunk,
                   std::vector<QPScheduleException>& exceptions)
{
    QPScheduleException exception;
    exception.ReadSDF(reader, chunk);
    exceptions.insert(exceptions.begin(), exception);
}

} // namespace

// ---------------------------------------------------------------------------------------
// Tasks

void QPTask::WriteSDF(LSDFWriter& writer) const
{
    writer.WriteString(eTagTaskName, name);
    writer.WriteString(eTagTaskDuration, durationText);
    writer.WriteString(eTagTaskNotes, notes);
    writer.WriteInt(eTagTaskID, id);
    writer.WriteInt(eTagTaskPercentComplete, percentComplete);
    writer.WriteInt(eTagTaskConstraintType, constraintType);
    writer.WriteInt(eTagTaskType, taskType);
    writer.WriteBool(eTagTaskAutoSchedule, autoSchedule);
    writer.WriteBool(eTagTaskMilestone, milestone);
    writer.WriteBool(eTagTaskHideSubtasks, hideSubtasks);
    writer.WriteBool(eTagTaskIsHeader, isHeader);
    WriteDateTime(writer, eTagTaskStart, start);
    WriteDateTime(writer, eTagTaskFinish, finish);
    WriteDateTime(writer, eTagTaskConstraintDate, constraintDate);
    WriteDateTime(writer, eTagTaskDisplayStart, displayStart);
    writer.WriteInt64(eTagTaskKey, key);
    writer.WriteInt64(eTagTaskScheduleKey, scheduleKey);
    writer.WriteInt64(eTagTaskFreeSlack, freeSlack);
    writer.WriteInt64(eTagTaskTotalSlack, totalSlack);
    writer.WriteInt64(eTagTaskScheduledCost, scheduledCost);
    writer.WriteInt64(eTagTaskScheduledCostToDate, scheduledCostToDate);
    for (const QPTaskDependency& dependency : dependencies) {
        writer.StartChunk(eTagTaskDependency);
        dependency.WriteSDF(writer);
        writer.EndChunk(eTagTaskDependency);
    }
    for (const QPResourceAssignment& assignment : resourceAssignments) {
        writer.StartChunk(eTagTaskAssignment);
        assignment.WriteSDF(writer);
        writer.EndChunk(eTagTaskAssignment);
    }
    for (int64_t subtaskKey : subtaskKeys)
        writer.WriteInt64(eTagTaskSubtaskKey, subtaskKey);
}

void QPTask::ReadSDF(LSDFReader& reader, const LSDFReaderChunk& chunk)
{
    for (LSDFReaderChunkIterator it(reader, chunk); it.IsValid(); it.Next()) {
        const LSDFReaderChunk& child = it.Current();
        switch (child.tag) {
        case eTagTaskName:
            child.ReadString(name);
            break;
        case eTagTaskDuration:
            child.ReadString(durationText);
            break;
        case eTagTaskNotes:
            child.ReadString(notes);
            break;
        case eTagTaskID:
            child.ReadInt(id);
            break;
        case eTagTaskPercentComplete:
            child.ReadInt(percentComplete);
            break;
        case eTagTaskConstraintType:
            child.ReadInt(constraintType);
            break;
        case eTagTaskType:
            child.ReadInt(taskType);
            break;
        case eTagTaskAutoSchedule:
            child.ReadBool(autoSchedule);
            break;
        case eTagTaskMilestone:
            child.ReadBool(milestone);
            break;
        case eTagTaskHideSubtasks:
            child.ReadBool(hideSubtasks);
            break;
        case eTagTaskIsHeader:
            child.ReadBool(isHeader);
            break;
        case eTagTaskStart:
            ReadDateTime(child, start);
            break;
        case eTagTaskFinish:
            ReadDateTime(child, finish);
            break;
        case eTagTaskConstraintDate:
            ReadDateTime(child, constraintDate);
            break;
        case eTagTaskDisplayStart:
            ReadDateTime(child, displayStart);
            break;
        case eTagTaskKey:
            child.ReadInt64(key);
            break;
        case eTagTaskScheduleKey:
            child.ReadInt64(scheduleKey);
            break;
        case eTagTaskFreeSlack:
            ReadLow32(child, freeSlack);
            break;
        case eTagTaskTotalSlack:
            ReadLow32(child, totalSlack);
            break;
        case eTagTaskScheduledCost:
            child.ReadInt64(scheduledCost);
            break;
        case eTagTaskScheduledCostToDate:
            child.ReadInt64(scheduledCostToDate);
            break;
        case eTagTaskDependency: {
            QPTaskDependency dependency;
            dependency.ReadSDF(reader, child);
            AddDependency(dependency);
            break;
        }
        case eTagTaskAssignment: {
            QPResourceAssignment assignment;
            assignment.ReadSDF(reader, child);
            AddResourceAssignment(assignment);
            break;
        }
        case eTagTaskSubtaskKey: {
            int64_t subtaskKey = -1;
            if (child.ReadInt64(subtaskKey))
                subtaskKeys.push_back(subtaskKey);
            break;
        }
        default:
            break;
        }
    }
}

LByteArray QPTask::WriteSDF() const
{
    return WriteImage(*this, eTagTask);
}

bool QPTask::ReadSDF(const LByteArray& image)
{
    Reset();
    return ReadImage(*this, image, eTagTask);
}

// ---------------------------------------------------------------------------------------
// Resources

void QPResource::WriteSDF(LSDFWriter& writer) const
{
    writer.WriteString(eTagResourceName, name);
    writer.WriteString(eTagResourceEmail, email);
    writer.WriteString(eTagResourceNotes, notes);
    writer.WriteInt(eTagResourceID, id);
    writer.WriteInt64(eTagResourceScheduleKey, scheduleKey);
    writer.WriteInt(eTagResourceReserved, reserved);
    writer.WriteInt64(eTagResourceKey, key);
    writer.WriteInt64(eTagResourceRegularCost, regularCost);
    writer.WriteInt64(eTagResourceOvertimeCost, overtimeCost);
    writer.WriteInt64(eTagResourceHourlyRate, hourlyRate);
    writer.WriteInt64(eTagResourceOvertimeRate, overtimeRate);
    writer.WriteBool(eTagResourceSendProjectUpdates, sendProjectUpdates);
    writer.WriteBool(eTagResourceSendTaskUpdates, sendTaskUpdates);
    WriteExceptions(writer, eTagResourceException, exceptions);
}

void QPResource::ReadSDF(LSDFReader& reader, const LSDFReaderChunk& chunk)
{
    for (LSDFReaderChunkIterator it(reader, chunk); it.IsValid(); it.Next()) {
        const LSDFReaderChunk& child = it.Current();
        switch (child.tag) {
        case eTagResourceName:
            child.ReadString(name);
            break;
        case eTagResourceEmail:
            child.ReadString(email);
            break;
        case eTagResourceNotes:
            child.ReadString(notes);
            break;
        case eTagResourceID:
            child.ReadInt(id);
            break;
        case eTagResourceScheduleKey:
            child.ReadInt64(scheduleKey);
            break;
        case eTagResourceScheduleID:
            ReadWidened(child, scheduleKey);
            break;
        case eTagResourceReserved:
            child.ReadInt(reserved);
            break;
        case eTagResourceKey:
            child.ReadInt64(key);
            break;
        case eTagResourceRegularCost:
            child.ReadInt64(regularCost);
            break;
        case eTagResourceOvertimeCost:
            child.ReadInt64(overtimeCost);
            break;
        case eTagResourceHourlyRate:
            child.ReadInt64(hourlyRate);
            break;
        case eTagResourceOvertimeRate:
            child.ReadInt64(overtimeRate);
            break;
        case eTagResourceSendProjectUpdates:
            child.ReadBool(sendProjectUpdates);
            break;
        case eTagResourceSendTaskUpdates:
            child.ReadBool(sendTaskUpdates);
            break;
        case eTagResourceException:
            ReadException(reader, child, exceptions);
            break;
        default:
            break;
        }
    }
}

LByteArray QPResource::WriteSDF() const
{
    return WriteImage(*this, eTagResource);
}

bool QPResource::ReadSDF(const LByteArray& image)
{
    *this = QPResource();
    return ReadImage(*this, image, eTagResource);
}

// ---------------------------------------------------------------------------------------
// Schedules

void QPSchedule::WriteSDF(LSDFWriter& writer) const
{
    writer.WriteString(eTagScheduleName, name);
    writer.WriteInt(eTagScheduleID, id);
    writer.WriteInt(eTagScheduleRegularWorkWeek, regularWorkWeek);
    writer.WriteInt(eTagScheduleWorkWeekStart, workWeekStart);
    writer.WriteInt64(eTagScheduleKey, key);
    for (int day = eSunday; day <= eSaturday; ++day)
        writer.WriteInt(static_cast<uint16_t>(eTagScheduleShiftDurationSunday + day),
                        shiftDuration[day]);
    for (int day = eSunday; day <= eSaturday; ++day)
        writer.WriteInt(static_cast<uint16_t>(eTagScheduleShiftStartSunday + day),
                        shiftStart[day].Get());
    WriteExceptions(writer, eTagScheduleException, exceptions);
}

void QPSchedule::ReadSDF(LSDFReader& reader, const LSDFReaderChunk& chunk)
{
    for (LSDFReaderChunkIterator it(reader, chunk); it.IsValid(); it.Next()) {
        const LSDFReaderChunk& child = it.Current();
        const int tag = child.tag;
        if (tag >= eTagScheduleShiftDurationSunday && tag < eTagScheduleShiftDurationSunday + 7) {
            child.ReadInt(shiftDuration[tag - eTagScheduleShiftDurationSunday]);
        } else if (tag >= eTagScheduleShiftStartSunday && tag < eTagScheduleShiftStartSunday + 7) {
            int32_t start = 0;
            if (child.ReadInt(start))
                shiftStart[tag - eTagScheduleShiftStartSunday] = LDayTime(start);
        } else if (tag >= eTagScheduleShiftHoursSunday && tag < eTagScheduleShiftHoursSunday + 7) {
            // Older files gave shifts in hours.
            float hours = 0;
            if (child.ReadFloat(hours)) {
                const double seconds = std::trunc(double(hours) * 3600.0);
                shiftDuration[tag - eTagScheduleShiftHoursSunday] =
                        std::isnan(seconds)
                                ? 0
                                : static_cast<int32_t>(std::clamp(seconds, double(INT32_MIN),
                                                                  double(INT32_MAX)));
            }
        } else {
            switch (tag) {
            case eTagScheduleName:
                child.ReadString(name);
                break;
            case eTagScheduleID:
                child.ReadInt(id);
                break;
            case eTagScheduleRegularWorkWeek:
                child.ReadInt(regularWorkWeek);
                break;
            case eTagScheduleWorkWeekStart:
                child.ReadInt(workWeekStart);
                break;
            case eTagScheduleKey:
                child.ReadInt64(key);
                break;
            case eTagScheduleException:
                ReadException(reader, child, exceptions);
                break;
            default:
                break;
            }
        }
    }
}

LByteArray QPSchedule::WriteSDF() const
{
    return WriteImage(*this, eTagSchedule);
}

bool QPSchedule::ReadSDF(const LByteArray& image)
{
    Reset();
    return ReadImage(*this, image, eTagSchedule);
}

// ---------------------------------------------------------------------------------------
// Association images

void WriteTaskDependencyWithSuccessorKey(LSDFWriter& writer, const QPTaskDependency& dependency,
                                         int64_t taskKey)
{
    writer.StartChunk(eTagAssociationDependency);
    writer.StartChunk(eTagTaskDependency);
    dependency.WriteSDF(writer);
    writer.EndChunk(eTagTaskDependency);
    writer.WriteInt64(eTagAssociationDependencyOwnerKey, taskKey);
    writer.EndChunk(eTagAssociationDependency);
}

void WriteResourceAssignmentWithTaskKey(LSDFWriter& writer, const QPResourceAssignment& assignment,
                                        int64_t taskKey)
{
    writer.StartChunk(eTagAssociationAssignment);
    writer.StartChunk(eTagTaskAssignment);
    assignment.WriteSDF(writer);
    writer.EndChunk(eTagTaskAssignment);
    writer.WriteInt64(eTagAssociationAssignmentOwnerKey, taskKey);
    writer.EndChunk(eTagAssociationAssignment);
}

void ReadTaskDependencyWithSuccessorKey(LSDFReader& reader, const LSDFReaderChunk& chunk,
                                        QPTaskDependency& dependency, int64_t& taskKey)
{
    taskKey = -1;
    for (LSDFReaderChunkIterator it(reader, chunk); it.IsValid(); it.Next()) {
        if (it.Tag() == eTagTaskDependency)
            dependency.ReadSDF(reader, it.Current());
        else if (it.Tag() == eTagAssociationDependencyOwnerKey)
            it.Current().ReadInt64(taskKey);
    }
}

void ReadResourceAssignmentWithTaskKey(LSDFReader& reader, const LSDFReaderChunk& chunk,
                                       QPResourceAssignment& assignment, int64_t& taskKey)
{
    taskKey = -1;
    for (LSDFReaderChunkIterator it(reader, chunk); it.IsValid(); it.Next()) {
        if (it.Tag() == eTagTaskAssignment)
            assignment.ReadSDF(reader, it.Current());
        else if (it.Tag() == eTagAssociationAssignmentOwnerKey)
            it.Current().ReadInt64(taskKey);
    }
}

LByteArray QPWriteAssociationImage(const QPAssociationRecord& record)
{
    LByteArray image;
    LOutputStreamByteArray stream(image);
    LSDFWriter writer;
    writer.Open(stream, kProjectFileType, kProjectFileVersion);
    for (const QPAssociationRecord::Entry& entry : record.entries) {
        switch (entry.kind) {
        case QPAssociationRecord::Kind::Dependency:
            WriteTaskDependencyWithSuccessorKey(writer, entry.dependency, entry.ownerKey);
            break;
        case QPAssociationRecord::Kind::Assignment:
            WriteResourceAssignmentWithTaskKey(writer, entry.assignment, entry.ownerKey);
            break;
        case QPAssociationRecord::Kind::ResourceMovedOffSchedule:
            writer.WriteInt64(eTagAssociationResourceOnSchedule, entry.ownerKey);
            break;
        }
    }
    writer.Close();
    return image;
}

bool QPReadAssociationImage(const LByteArray& image, QPAssociationRecord& record)
{
    record.entries.clear();
    LInputStreamBuffer stream(image);
    LSDFReader reader;
    if (!reader.Open(stream, kProjectFileType))
        return false;
    for (LSDFReaderChunkIterator it(reader); it.IsValid(); it.Next()) {
        int64_t key = -1;
        switch (it.Tag()) {
        case eTagAssociationDependency: {
            QPTaskDependency dependency;
            ReadTaskDependencyWithSuccessorKey(reader, it.Current(), dependency, key);
            record.AddDependency(key, dependency);
            break;
        }
        case eTagAssociationAssignment: {
            QPResourceAssignment assignment;
            ReadResourceAssignmentWithTaskKey(reader, it.Current(), assignment, key);
            record.AddAssignment(key, assignment);
            break;
        }
        case eTagAssociationResourceOnSchedule:
            if (it.Current().ReadInt64(key))
                record.AddResourceMoved(key);
            break;
        default:
            break;
        }
    }
    return true;
}
