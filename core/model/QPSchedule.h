#pragma once

#include "framework/LByteArray.h"
#include "framework/LFixedText.h"
#include "model/LDateTime.h"
#include "model/QPScheduleException.h"

#include <array>
#include <cstdint>
#include <vector>

class LSDFReader;
class LSDFReaderChunk;
class LSDFWriter;

enum eDayOfWeek : int32_t {
    eSunday = 0,
    eMonday = 1,
    eTuesday = 2,
    eWednesday = 3,
    eThursday = 4,
    eFriday = 5,
    eSaturday = 6,
};

// A weekly work calendar: one shift per day of the week, and dated exceptions that take
// work time out of it.
class QPSchedule {
public:
    QPSchedule() { shiftStart.fill(LDayTime(kDefaultShiftStart)); }

    static constexpr int32_t kDefaultShiftStart = 8 * 3600; // 08:00
    static constexpr int32_t kDefaultWorkWeek = 40 * 3600;  // 40 hours

    // Clears the name, the ID, the shifts and the exceptions; keeps the key, the regular
    // work week and the day the week starts on.
    void Reset();

    // Puts an exception for the day of `date` (moved to its anchor) at the head of the
    // list. A second exception on the same day is not refused here.
    void AddException(LDateTime date, int32_t workSeconds);

    // The shift start of the day named by a single weekday bit; 0 for any other set.
    LDayTime GetStartTime(LWeekDay weekDay) const;

    // --- work calendar arithmetic -------------------------------------------------------
    // A shift of weekday d runs from shiftStart[d] for shiftDuration[d] seconds and may run
    // on past midnight. `previousDayCounts` says whether the part of the previous day's
    // shift that runs past midnight counts.

    // Where `work` seconds of effort end when they begin at `start` and the resource gives
    // `percent` of each shift.
    LDateTime GetWorkFinish(LDateTime start, int64_t work, int32_t percent,
                            bool previousDayCounts) const;
    // Where `work` seconds of effort begin when they must end at `finish`.
    LDateTime GetWorkStart(LDateTime finish, int64_t work, int32_t percent) const;
    // The first moment at or after t at which the schedule has work; t itself when the
    // schedule has no working day at all.
    LDateTime GetNextScheduledWorkTime(LDateTime t) const;
    // The shift time between two moments, not scaled by any percent.
    int64_t GetWorkSecondsInRange(LDateTime from, LDateTime to, bool previousDayCounts) const;
    // Where the work time an exception takes out of this calendar ends.
    LDateTime CalculateExceptionFinish(const QPScheduleException& exception) const;
    // The shift time of a whole week.
    int64_t GetWeeklyWork() const;

    // The record of the project file (the caller opens and closes its chunk).
    void WriteSDF(LSDFWriter& writer) const;
    void ReadSDF(LSDFReader& reader, const LSDFReaderChunk& chunk);
    // An element image: an SDF stream whose root holds just this element's record, the
    // form in which undo and redo keep elements.
    LByteArray WriteSDF() const;
    // Back to the defaults, then filled from an image. False, with the element left at its
    // defaults, when the image does not open or does not hold this kind of element.
    bool ReadSDF(const LByteArray& image);

    LFixedText name;
    int64_t key = -1;
    int32_t id = -1;
    // "Regular Work Week (hours)" in seconds; work beyond it in a week is overtime.
    int32_t regularWorkWeek = kDefaultWorkWeek;
    int32_t workWeekStart = eSunday;
    // Length of each weekday's shift in seconds, indexed by eDayOfWeek; 0 = no work.
    std::array<int32_t, 7> shiftDuration{};
    // Time of day each shift begins, indexed by eDayOfWeek; whole minutes.
    std::array<LDayTime, 7> shiftStart{};
    // General exceptions of this calendar, newest first.
    std::vector<QPScheduleException> exceptions;
};
