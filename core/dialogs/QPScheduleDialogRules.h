#pragma once

#include "dialogs/QPExceptionRules.h"
#include "dialogs/QPFormFields.h"
#include "dialogs/QPFormRefusal.h"
#include "model/LDateTime.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class QPProject;
class QPProjectBase;
class QPResource;
class QPSchedule;
struct LLocaleNumberProfile;

// What the schedule editor holds while the user works in it, and what it writes back on
// confirmation. The editor works on a schedule of its own (schedule mode), or inside the
// resource editor on the schedule a resource follows (resource mode): there the exception
// rows are the resource's own and the schedule is written only when the user asked to edit
// the source schedule.
namespace QPScheduleDialogRules {

enum eField : int32_t {
    eFieldName = 0,
    // One field per weekday, indexed by eDayOfWeek: see HoursField and the like.
    eFieldHoursSunday = 1,
    eFieldMinutesSunday = 8,
    eFieldStartSunday = 15,
    eFieldRegularWorkWeek = 22,
    eFieldWorkWeekStart = 23,
    eFieldExceptions = 24,
    eFieldAssignSchedule = 25,
    eFieldEditSource = 26,
};

constexpr int32_t HoursField(int day)
{
    return eFieldHoursSunday + day;
}
constexpr int32_t MinutesField(int day)
{
    return eFieldMinutesSunday + day;
}
constexpr int32_t StartField(int day)
{
    return eFieldStartSunday + day;
}

inline constexpr int kMaxShiftHours = 24;
inline constexpr int kMaxWorkWeekHours = 168;

struct Form {
    bool resourceMode = false;
    // Resource mode: the schedule chosen under "Assign Schedule:" (-1 for none) and whether
    // "Edit Source Schedule" is ticked.
    int64_t scheduleKey = -1;
    bool editSource = false;

    std::string name;
    // Each weekday's shift as whole hours (0 to 24) and the remaining minutes (0 to 59),
    // and the time of day it starts, indexed by eDayOfWeek.
    std::array<int, 7> hours{};
    std::array<int, 7> minutes{};
    std::array<LDayTime, 7> starts{};
    int regularWorkWeekHours = 0;
    int workWeekStart = 0;
    // Schedule mode: the schedule's exceptions; resource mode: the resource's.
    std::vector<QPExceptionRules::Form> exceptions;

    // Whether confirming writes the name, shifts and week into the schedule.
    bool WritesSchedule() const { return !resourceMode || editSource; }
};

// The form of a schedule in schedule mode.
Form ScheduleForm(const LLocaleNumberProfile& profile, const QPSchedule& schedule);
// The form inside the resource editor: the resource's schedule (the project's default
// schedule when the resource names none that exists) and the resource's exceptions.
Form ResourceScheduleForm(const QPProjectBase& project, const QPResource& resource);
// Shows another schedule in every field but the exception rows, as choosing it under
// "Assign Schedule:" does; nullptr clears the choice.
void LoadSchedule(Form& form, const QPSchedule* schedule);

// The checks in their order, without writing anything: a name, unique among the other
// schedules, and at least one day with a shift. In resource mode they apply only while
// the source schedule is being edited: otherwise the fields are not written and cannot be
// changed, so refusing them would leave the user nowhere to go.
QPFormOutcome Check(const QPProjectBase& project, const QPSchedule& schedule, const Form& form);

// Writes the name, shifts, start times, work week and week start (when WritesSchedule())
// and, in schedule mode, replaces the exceptions by the rows. True when the schedule
// differs from before.
bool Write(const LLocaleNumberProfile& profile, QPSchedule& schedule, const Form& form);

// The whole confirmation: the checks, then the write-back. An existing schedule that
// changed gets an edit step in the undo history; a new one (ID -1) is added by the main
// window when the editor reports it.
QPFormOutcome Confirm(QPProject& project, QPSchedule& schedule, const Form& form);

} // namespace QPScheduleDialogRules
