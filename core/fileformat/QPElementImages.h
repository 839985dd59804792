#pragma once

#include "framework/LByteArray.h"

#include <cstdint>

class LSDFReader;
class LSDFReaderChunk;
class LSDFWriter;
struct QPAssociationRecord;
struct QPResourceAssignment;
struct QPTaskDependency;

// One link another task had to a deleted task (or one assignment of a deleted resource),
// with the key of the task that owned it.
void WriteTaskDependencyWithSuccessorKey(LSDFWriter& writer, const QPTaskDependency& dependency,
                                         int64_t taskKey);
void WriteResourceAssignmentWithTaskKey(LSDFWriter& writer, const QPResourceAssignment& assignment,
                                        int64_t taskKey);
// The key is -1 when the chunk lacks it.
void ReadTaskDependencyWithSuccessorKey(LSDFReader& reader, const LSDFReaderChunk& chunk,
                                        QPTaskDependency& dependency, int64_t& taskKey);
void ReadResourceAssignmentWithTaskKey(LSDFReader& reader, const LSDFReaderChunk& chunk,
                                       QPResourceAssignment& assignment, int64_t& taskKey);

// The association image that undo keeps for a deletion: an SDF stream listing every link
// the deletion removed, so that undoing it can put them back.
LByteArray QPWriteAssociationImage(const QPAssociationRecord& record);
// False when the image does not open; the record then stays empty.
bool QPReadAssociationImage(const LByteArray& image, QPAssociationRecord& record);
