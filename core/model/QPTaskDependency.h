#pragma once

#include <cstdint>

class LSDFReader;
class LSDFReaderChunk;
class LSDFWriter;

// The kinds of link between a predecessor and its successor.
enum eTaskDependencyType : int32_t {
    eFinishToStart = 0,
    eStartToStart = 1,
    eFinishToFinish = 2,
    eStartToFinish = 3,
};

// "Finish-to-Start" and the others; empty for a value outside the four kinds.
const char* QPTaskDependencyTypeName(int32_t type);

// One predecessor of a task, held in the successor's list of dependencies.
struct QPTaskDependency {
    int64_t predecessorKey = -1;
    int32_t type = eFinishToStart;
    // Delay after the predecessor's date in calendar days (elapsed time, not work time).
    float lag = 0.0f;

    // The lag in seconds, 86400 per day (single-precision product), truncated toward zero.
    int64_t GetLagSeconds() const;

    // The dependency record of the project file (the caller opens and closes its chunk).
    void WriteSDF(LSDFWriter& writer) const;
    void ReadSDF(LSDFReader& reader, const LSDFReaderChunk& chunk);

    friend bool operator==(const QPTaskDependency&, const QPTaskDependency&) = default;
};
