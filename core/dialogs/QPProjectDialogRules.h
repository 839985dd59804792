#pragma once

#include "dialogs/QPFormFields.h"
#include "dialogs/QPFormRefusal.h"

#include <cstdint>
#include <string>

class QPProjectBase;

// What the project editor holds while the user works in it, and what it writes back on
// confirmation: the name, the start and deadline days and the default schedule.
namespace QPProjectDialogRules {

enum eField : int32_t {
    eFieldName = 0,
    eFieldStart,
    eFieldDeadline,
    eFieldDefaultSchedule,
};

struct Form {
    // The form for a new project: its schedules are made fresh after the editor closes, so
    // it offers only "Default Schedule" and writes no schedule choice.
    bool newProject = false;
    std::string name;
    QPCalendarDay start;
    QPCalendarDay deadline;
    int64_t defaultScheduleKey = -1;
};

// The text the new form shows as its only schedule choice.
inline constexpr const char* kNewProjectScheduleName = "Default Schedule";

// "New Project", starting today with the deadline tomorrow.
Form NewProjectForm();
// The project's own name, days and default schedule.
Form EditProjectForm(const QPProjectBase& project);

// Checks the form in a fixed order and stops at the first failure: a name, a deadline
// after the start (the start day from 00:00:00, the deadline day until 23:59:59) and, when
// editing, a default schedule that exists (refused silently). When all pass, writes the
// name, the start, the deadline and the default schedule; each value that changes marks
// the project dirty, since none of this goes through the undo history.
QPFormOutcome Confirm(QPProjectBase& project, const Form& form);

} // namespace QPProjectDialogRules
