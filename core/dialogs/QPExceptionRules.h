#pragma once

#include "dialogs/QPFormFields.h"
#include "dialogs/QPFormRefusal.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct LLocaleNumberProfile;
struct QPScheduleException;

// One exception as the exception editor and the exception lists hold it: the day and the
// hours taken out of the schedule, as the user typed them.
namespace QPExceptionRules {

enum eField : int32_t {
    eFieldDate = 0,
    eFieldHours,
};

struct Form {
    QPCalendarDay day;
    std::string hoursText;

    // The day as the lists show it: "YYYY-MM-DD".
    std::string DateText() const;
};

// A new exception: today, with no hours yet.
Form NewExceptionForm();
// An exception of a schedule or resource: its day and its work time in hours, written in
// the project's number format.
Form ExceptionForm(const LLocaleNumberProfile& profile, const QPScheduleException& exception);

// The hours must be a plain number in the project's format and amount to some work time:
// more than 0, and at least one second once converted.
QPFormOutcome Confirm(const LLocaleNumberProfile& profile, const Form& form);

// The work time of an hours text: hours x 3600, truncated; a value beyond what an
// exception can hold saturates.
int32_t WorkSeconds(const LLocaleNumberProfile& profile, std::string_view hoursText);

// Replaces `exceptions` by the rows, each at 00:00:00 of its day (moved to the day's anchor
// as every exception is). The exceptions end up in the order of the rows, so a list that
// was shown and written back unchanged is the same list.
void ReplaceExceptions(const LLocaleNumberProfile& profile, const std::vector<Form>& rows,
                       std::vector<QPScheduleException>& exceptions);
// The rows that show a list of exceptions, in its order.
std::vector<Form> ExceptionRows(const LLocaleNumberProfile& profile,
                                const std::vector<QPScheduleException>& exceptions);

} // namespace QPExceptionRules
