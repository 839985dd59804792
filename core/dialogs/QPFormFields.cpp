#include "dialogs/QPFormFields.h"

#include <ctime>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

} // namespace

QPCalendarDay QPCalendarDay::Of(LDateTime moment)
{
    std::tm fields{};
    const auto t = static_cast<std::time_t>(moment.Get());
    if (!localtime_r(&t, &fields))
        return {};
    return {fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday};
}

LDateTime QPCalendarDay::At(int hour, int minute, int second) const
{
    LDateTime moment;
    if (!moment.SetDateTime(year, month, day, hour, minute, second))
        return LDateTime();
    return moment;
}

QPCalendarDay QPCalendarDay::AddDays(int count) const
{
    // Noon of the target day exists in every zone, whatever daylight saving does that night.
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day + count;
    fields.tm_hour = 12;
    fields.tm_isdst = -1;
    if (std::mktime(&fields) == static_cast<std::time_t>(-1))
        return *this;
    return {fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday};
}

std::string QPTrimmed(std::string_view text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return std::string(text.substr(first, last - first));
}
