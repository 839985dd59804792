#pragma once

#include "model/LDateTime.h"

#include <cstdint>
#include <vector>

class LSDFReader;
class LSDFReaderChunk;
class LSDFWriter;

// Work time taken out of a calendar from one day's shift start on: a holiday, leave,
// or a longer break that runs on over the following working days.
struct QPScheduleException {
    // The day, held as its anchor (12:00:00 local time).
    LDateTime date;
    // Work time taken out, in seconds; greater than 0.
    int32_t workSeconds = 0;

    // Run-time: where the work time it takes out ends on its calendar; never stored.
    LDateTime finish;

    // The exception record of the project file. A date beyond 32 bits is also written in
    // full under its own tag, which older readers skip.
    void WriteSDF(LSDFWriter& writer) const;
    void ReadSDF(LSDFReader& reader, const LSDFReaderChunk& chunk);
};

// Puts an exception for the day of `date` (moved to its anchor) at the head of a
// schedule's or a resource's exceptions. A second exception on the same day is not
// refused here; the editors decide about that.
void QPAddScheduleException(std::vector<QPScheduleException>& exceptions, LDateTime date,
                            int32_t workSeconds);
