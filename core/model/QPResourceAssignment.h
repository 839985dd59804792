#pragma once

#include <cstdint>

class LSDFReader;
class LSDFReaderChunk;
class LSDFWriter;

// One resource working on a task, held in the task's list of assignments.
struct QPResourceAssignment {
    int64_t resourceKey = -1;
    // Share of the resource's working time committed to the task, 0 to 100.
    int32_t percent = 100;
    // Shares of the first and last day's shift that the task uses (computed when the
    // task's duration is worked out; not stored).
    int32_t firstDayPercent = 100;
    int32_t lastDayPercent = 100;

    // The assignment record of the project file: the resource's key and the percentage.
    void WriteSDF(LSDFWriter& writer) const;
    void ReadSDF(LSDFReader& reader, const LSDFReaderChunk& chunk);

    friend bool operator==(const QPResourceAssignment&, const QPResourceAssignment&) = default;
};
