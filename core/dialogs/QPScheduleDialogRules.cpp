#include "dialogs/QPScheduleDialogRules.h"

#include "model/QPProject.h"
#include "model/QPUndoItems.h"

#include <algorithm>

namespace QPScheduleDialogRules {

namespace {

constexpr int32_t kDaySeconds = 86400;

// A shift read from a file may be negative or longer than a day; the fields show it within
// what they can hold.
void SplitShift(int32_t seconds, int& hours, int& minutes)
{
    seconds = std::clamp(seconds, 0, kDaySeconds);
    hours = seconds / 3600;
    minutes = (seconds % 3600) / 60;
}

int32_t ShiftSeconds(int hours, int minutes)
{
    hours = std::clamp(hours, 0, kMaxShiftHours);
    // A 24-hour shift fills the day: there are no minutes beyond it.
    minutes = hours == kMaxShiftHours ? 0 : std::clamp(minutes, 0, 59);
    return hours * 3600 + minutes * 60;
}

// Shift starts are whole minutes of the day.
LDayTime WholeMinutes(LDayTime start)
{
    const int32_t seconds = std::clamp(start.Get(), 0, kDaySeconds - 1);
    return LDayTime(seconds - seconds % 60);
}

bool HasShift(const Form& form)
{
    for (int day = 0; day < 7; ++day)
        if (ShiftSeconds(form.hours[day], form.minutes[day]) > 0)
            return true;
    return false;
}

} // namespace

void LoadSchedule(Form& form, const QPSchedule* schedule)
{
    if (!schedule) {
        form.scheduleKey = -1;
        return;
    }
    form.scheduleKey = schedule->key;
    form.name = schedule->name.str();
    for (int day = 0; day < 7; ++day) {
        SplitShift(schedule->shiftDuration[day], form.hours[day], form.minutes[day]);
        form.starts[day] = WholeMinutes(schedule->shiftStart[day]);
    }
    form.regularWorkWeekHours = std::clamp(schedule->regularWorkWeek / 3600, 0, kMaxWorkWeekHours);
    form.workWeekStart = std::clamp(schedule->workWeekStart, 0, 6);
}

Form ScheduleForm(const LLocaleNumberProfile& profile, const QPSchedule& schedule)
{
    Form form;
    LoadSchedule(form, &schedule);
    form.exceptions = QPExceptionRules::ExceptionRows(profile, schedule.exceptions);
    return form;
}

Form ResourceScheduleForm(const QPProjectBase& project, const QPResource& resource)
{
    Form form;
    form.resourceMode = true;
    // A resource without a schedule of its own could not be placed on any calendar, so the
    // editor offers the project's default schedule for it.
    const QPSchedule* schedule = project.schedules.GetElementByKey(resource.scheduleKey);
    if (!schedule)
        schedule = project.GetDefaultSchedule();
    if (!schedule && !project.schedules.empty())
        schedule = &project.schedules.front();
    LoadSchedule(form, schedule);
    form.exceptions = QPExceptionRules::ExceptionRows(project.options, resource.exceptions);
    return form;
}

QPFormOutcome Check(const QPProjectBase& project, const QPSchedule& schedule, const Form& form)
{
    if (!form.WritesSchedule())
        return std::nullopt;

    const std::string name = QPTrimmed(form.name);
    if (name.empty())
        return QPFormRefusal{eFieldName, "Invalid Entry", "Please enter a name for this schedule."};
    // Names are compared as they would be stored, cut to the length a name can hold.
    const LFixedText stored(name);
    for (const QPSchedule& other : project.schedules)
        if (&other != &schedule && other.id != schedule.id && other.name == stored)
            return QPFormRefusal{eFieldName, "Duplicate Name",
                                 "A schedule with this name exists in the project. Please use a "
                                 "name that is unique."};

    if (!HasShift(form))
        return QPFormRefusal{HoursField(eMonday), "Invalid Entry",
                             "Please enter a shift duration for one or more days in this "
                             "schedule."};
    return std::nullopt;
}

bool Write(const LLocaleNumberProfile& profile, QPSchedule& schedule, const Form& form)
{
    const LByteArray before = schedule.WriteSDF();
    if (form.WritesSchedule()) {
        schedule.name = QPTrimmed(form.name);
        for (int day = 0; day < 7; ++day) {
            schedule.shiftDuration[day] = ShiftSeconds(form.hours[day], form.minutes[day]);
            schedule.shiftStart[day] = WholeMinutes(form.starts[day]);
        }
        schedule.regularWorkWeek =
                std::clamp(form.regularWorkWeekHours, 0, kMaxWorkWeekHours) * 3600;
        schedule.workWeekStart = std::clamp(form.workWeekStart, 0, 6);
    }
    if (!form.resourceMode)
        QPExceptionRules::ReplaceExceptions(profile, form.exceptions, schedule.exceptions);
    return schedule.WriteSDF() != before;
}

QPFormOutcome Confirm(QPProject& project, QPSchedule& schedule, const Form& form)
{
    if (QPFormOutcome refusal = Check(project, schedule, form))
        return refusal;
    const LByteArray before = schedule.WriteSDF();
    if (Write(project.options, schedule, form) && schedule.id != -1)
        project.UndoRedoAdd(std::make_unique<QPElementEditedUndoRedo<QPSchedule>>(
                project, schedule.id, before, schedule.WriteSDF()));
    return std::nullopt;
}

} // namespace QPScheduleDialogRules
