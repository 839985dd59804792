#pragma once

#include "framework/LByteArray.h"
#include "framework/LFixedText.h"
#include "model/LDateTime.h"
#include "model/QPScheduleException.h"

#include <cstdint>
#include <string>
#include <vector>

class LSDFReader;
class LSDFReaderChunk;
class LSDFWriter;

// A person or piece of equipment that works on tasks and costs money by the hour.
class QPResource {
public:
    QPResource() = default;
    // A copy takes every field but starts without notes.
    QPResource(const QPResource& other);
    QPResource(QPResource&&) = default;
    QPResource& operator=(QPResource&&) = default;

    // Puts an exception for the day of `date` (moved to its anchor) at the head of the
    // resource's own exceptions. A second exception on the same day is not refused here.
    void AddException(LDateTime date, int32_t workSeconds);

    // The record of the project file (the caller opens and closes its chunk).
    void WriteSDF(LSDFWriter& writer) const;
    void ReadSDF(LSDFReader& reader, const LSDFReaderChunk& chunk);
    // An element image: an SDF stream whose root holds just this element's record, the
    // form in which undo and redo keep elements.
    LByteArray WriteSDF() const;
    // Back to the defaults, then filled from an image. False, with the element left at its
    // defaults, when the image does not open or does not hold this kind of element.
    bool ReadSDF(const LByteArray& image);

    // Computed costs of all the resource's scheduled work, in minor currency units.
    int64_t regularCost = 0;
    int64_t overtimeCost = 0;
    LFixedText name;
    // Address for status updates; empty or a valid address.
    LFixedText email;
    int64_t key = -1;
    int32_t id = -1;
    // The resource's own schedule; -1 while none is assigned.
    int64_t scheduleKey = -1;
    // Kept and written back unchanged.
    int32_t reserved = 0;
    // Money per hour.
    int64_t hourlyRate = 0;
    int64_t overtimeRate = 0;
    bool sendProjectUpdates = false;
    bool sendTaskUpdates = true;
    std::string notes;
    // The resource's own exceptions (holidays, leave), newest first.
    std::vector<QPScheduleException> exceptions;

private:
    QPResource& operator=(const QPResource&) = default;
};
