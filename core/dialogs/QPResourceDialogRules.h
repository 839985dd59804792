#pragma once

#include "dialogs/QPFormFields.h"
#include "dialogs/QPFormRefusal.h"
#include "dialogs/QPScheduleDialogRules.h"

#include <cstdint>
#include <string>
#include <string_view>

class QPProject;
class QPProjectBase;
class QPResource;
struct LLocaleCurrencyProfile;

// What the resource editor holds while the user works in it, and what it writes back on
// confirmation: the "General" tab, the schedule the resource follows with its own
// exceptions ("Schedule" tab, a schedule editor in resource mode) and the notes.
namespace QPResourceDialogRules {

enum eField : int32_t {
    eFieldName = 0,
    eFieldEmail,
    eFieldHourlyRate,
    eFieldOvertimeRate,
    eFieldSendProjectUpdates,
    eFieldSendTaskUpdates,
    eFieldNotes,
    // A refusal of the embedded schedule editor: its own field number plus this.
    eFieldScheduleFirst = 100,
};

constexpr bool IsScheduleField(int32_t field)
{
    return field >= eFieldScheduleFirst;
}
constexpr int32_t ScheduleField(int32_t field)
{
    return field - eFieldScheduleFirst;
}

struct Form {
    std::string name;
    std::string email;
    bool sendProjectUpdates = false;
    bool sendTaskUpdates = false;
    // The rates as the fields show them: money in the project's currency format.
    std::string hourlyRateText;
    std::string overtimeRateText;
    std::string notes;
    QPScheduleDialogRules::Form schedule;
};

// The resource's own values, its schedule and its exceptions.
Form ResourceForm(const QPProjectBase& project, const QPResource& resource);

// A plausible mail address (LEmail::IsValidAddress), the check the mail sender builds on:
// an address the editor takes is one the sender can use. Deliberately lenient about the
// rest: the mail server is the final judge, this only catches typing slips.
bool IsValidEmail(std::string_view address);

// The rate text check of the rate fields while they are edited, with its message.
bool IsValidRate(const LLocaleCurrencyProfile& profile, std::string_view text);
inline constexpr const char* kInvalidRateTitle = "Invalid Input";
inline constexpr const char* kInvalidRateMessage =
        "Please enter a valid currency value for this rate field.";

// The checks in their order, stopping at the first failure: the name (present, unique
// among the other resources), the e-mail address, the two rates, the update boxes against
// an empty address, then the schedule editor's own checks. When all pass: the schedule
// editor writes the schedule when asked to (with its own undo step), then the resource
// gets its values, its schedule and its exceptions; an existing resource that changed gets
// an edit step. The main window adds a new resource when the editor reports it.
QPFormOutcome Confirm(QPProject& project, QPResource& resource, const Form& form);

} // namespace QPResourceDialogRules
