#include "dialogs/QPExceptionRules.h"

#include "model/LLocaleFormat.h"
#include "model/QPFormat.h"
#include "model/QPScheduleException.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace QPExceptionRules {

std::string Form::DateText() const
{
    char text[32];
    std::snprintf(text, sizeof text, "%.4d-%.2d-%.2d", day.year, day.month, day.day);
    return text;
}

Form NewExceptionForm()
{
    Form form;
    form.day = QPCalendarDay::Of(LDateTime::Now());
    return form;
}

Form ExceptionForm(const LLocaleNumberProfile& profile, const QPScheduleException& exception)
{
    Form form;
    form.day = QPCalendarDay::Of(exception.date);
    form.hoursText = LLocaleFormatFloatToText(profile, exception.workSeconds / 3600.0);
    return form;
}

int32_t WorkSeconds(const LLocaleNumberProfile& profile, std::string_view hoursText)
{
    const double seconds = LLocaleFormatTextToFloat(profile, hoursText) * 3600.0;
    if (!(seconds > 0.0))
        return 0;
    if (seconds >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::trunc(seconds));
}

QPFormOutcome Confirm(const LLocaleNumberProfile& profile, const Form& form)
{
    // A few thousandths of an hour are still a number above 0 but no whole second of work,
    // and an exception of 0 seconds would take nothing out of the schedule.
    if (!QPValidateNumber(profile, form.hoursText) ||
        LLocaleFormatTextToFloat(profile, form.hoursText) <= 0.0 ||
        WorkSeconds(profile, form.hoursText) < 1)
        return QPFormRefusal{eFieldHours, "Invalid Entry",
                             "Please enter a positive numeric value representing the number of "
                             "work hours excepted from the schedule."};
    if (!form.day.At(0, 0, 0).IsSet())
        return QPFormRefusal{eFieldDate, {}, {}};
    return std::nullopt;
}

void ReplaceExceptions(const LLocaleNumberProfile& profile, const std::vector<Form>& rows,
                       std::vector<QPScheduleException>& exceptions)
{
    exceptions.clear();
    // Each new exception goes to the head of the list, so the last row goes in first.
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        const LDateTime start = row->day.At(0, 0, 0);
        if (!start.IsSet())
            continue;
        QPAddScheduleException(exceptions, start, WorkSeconds(profile, row->hoursText));
    }
}

std::vector<Form> ExceptionRows(const LLocaleNumberProfile& profile,
                                const std::vector<QPScheduleException>& exceptions)
{
    std::vector<Form> rows;
    rows.reserve(exceptions.size());
    for (const QPScheduleException& exception : exceptions)
        rows.push_back(ExceptionForm(profile, exception));
    return rows;
}

} // namespace QPExceptionRules
