#include "dialogs/QPResourceDialogRules.h"

#include "mail/LEmail.h"
#include "model/LLocaleFormat.h"
#include "model/QPFormat.h"
#include "model/QPProject.h"
#include "model/QPUndoItems.h"

namespace QPResourceDialogRules {

namespace {

QPFormOutcome CheckRate(const QPProjectOptions& options, std::string_view text, eField field,
                        const char* negativeMessage, int64_t& amount)
{
    if (!IsValidRate(options, text))
        return QPFormRefusal{field, kInvalidRateTitle, kInvalidRateMessage};
    amount = LLocaleFormatTextToCurrency(options, text);
    if (amount < 0)
        return QPFormRefusal{field, "Negative Cost", negativeMessage};
    return std::nullopt;
}

} // namespace

bool IsValidEmail(std::string_view address)
{
    return LEmail::IsValidAddress(address);
}

bool IsValidRate(const LLocaleCurrencyProfile& profile, std::string_view text)
{
    return QPValidateCurrency(profile, text);
}

Form ResourceForm(const QPProjectBase& project, const QPResource& resource)
{
    Form form;
    form.name = resource.name.str();
    form.email = resource.email.str();
    form.sendProjectUpdates = resource.sendProjectUpdates;
    form.sendTaskUpdates = resource.sendTaskUpdates;
    form.hourlyRateText = LLocaleFormatCurrencyToText(project.options, resource.hourlyRate);
    form.overtimeRateText = LLocaleFormatCurrencyToText(project.options, resource.overtimeRate);
    form.notes = resource.notes;
    form.schedule = QPScheduleDialogRules::ResourceScheduleForm(project, resource);
    return form;
}

QPFormOutcome Confirm(QPProject& project, QPResource& resource, const Form& form)
{
    const std::string name = QPTrimmed(form.name);
    if (name.empty())
        return QPFormRefusal{eFieldName, "Invalid Entry", "Please enter a name for this resource."};
    const LFixedText storedName(name);
    for (const QPResource& other : project.resources)
        if (&other != &resource && other.id != resource.id && other.name == storedName)
            return QPFormRefusal{eFieldName, "Duplicate Name",
                                 "A resource with this name exists in the project. Please use "
                                 "a name that is unique."};

    const std::string email = QPTrimmed(form.email);
    if (!email.empty() && !IsValidEmail(email))
        return QPFormRefusal{eFieldEmail, "Invalid Entry",
                             "Please enter a valid email for this resource."};

    // A rate text that failed the check while it was typed would otherwise be read
    // leniently into an amount the user never saw, so it is refused here too.
    int64_t hourlyRate = 0;
    int64_t overtimeRate = 0;
    if (QPFormOutcome refusal = CheckRate(project.options, form.hourlyRateText, eFieldHourlyRate,
                                          "Please enter a positive number or zero for this "
                                          "resource's hourly cost.",
                                          hourlyRate))
        return refusal;
    if (QPFormOutcome refusal =
                CheckRate(project.options, form.overtimeRateText, eFieldOvertimeRate,
                          "Please enter a positive number or zero for this resource's overtime "
                          "cost.",
                          overtimeRate))
        return refusal;

    if (email.empty() && (form.sendProjectUpdates || form.sendTaskUpdates))
        return QPFormRefusal{form.sendProjectUpdates ? eFieldSendProjectUpdates
                                                     : eFieldSendTaskUpdates,
                             "No Email Provided",
                             "An email address must be provided for this resource to be eligible "
                             "to receive updates."};

    QPSchedule* schedule = project.schedules.GetElementByKey(form.schedule.scheduleKey);
    if (schedule) {
        if (QPFormOutcome refusal =
                    QPScheduleDialogRules::Confirm(project, *schedule, form.schedule)) {
            refusal->field += eFieldScheduleFirst;
            return refusal;
        }
    }

    const LByteArray before = resource.WriteSDF();
    resource.name = name;
    resource.scheduleKey = schedule ? schedule->key : -1;
    resource.email = email;
    resource.hourlyRate = hourlyRate;
    resource.overtimeRate = overtimeRate;
    resource.sendProjectUpdates = form.sendProjectUpdates;
    resource.sendTaskUpdates = form.sendTaskUpdates;
    resource.notes = form.notes;
    QPExceptionRules::ReplaceExceptions(project.options, form.schedule.exceptions,
                                        resource.exceptions);
    if (resource.id != -1) {
        LByteArray after = resource.WriteSDF();
        if (after != before)
            project.UndoRedoAdd(std::make_unique<QPElementEditedUndoRedo<QPResource>>(
                    project, resource.id, before, std::move(after)));
    }
    return std::nullopt;
}

} // namespace QPResourceDialogRules
