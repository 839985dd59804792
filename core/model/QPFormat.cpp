#include "model/QPFormat.h"

#include <cstdio>
#include <ctime>

namespace {

const char* const kFullMonthNames[12] = {"January",   "February", "March",    "April",
                                         "May",       "June",     "July",     "August",
                                         "September", "October",  "November", "December"};
const char* const kShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string Printf(const char* format, int value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

std::string YearText(int64_t year, bool twoDigits)
{
    char buffer[32];
    if (twoDigits)
        std::snprintf(buffer, sizeof buffer, "%02d", static_cast<int>(year % 100));
    else
        std::snprintf(buffer, sizeof buffer, "%04lld", static_cast<long long>(year));
    return buffer;
}

void EraseFirst(std::string& text, std::string_view what)
{
    if (what.empty())
        return;
    const std::size_t at = text.find(what);
    if (at != std::string::npos)
        text.erase(at, what.size());
}

} // namespace

std::string QPFormatDate(int32_t dateFormat, int32_t dateOrder, char separator, LDateTime value)
{
    if (value.Get() <= 0)
        return "Invalid Date";
    std::tm fields{};
    const auto t = static_cast<std::time_t>(value.Get());
    if (!localtime_r(&t, &fields))
        return "Invalid Date";
    const int monthIndex = (fields.tm_mon >= 0 && fields.tm_mon < 12) ? fields.tm_mon : 0;
    const int64_t year = int64_t(fields.tm_year) + 1900;

    std::string day;
    std::string month;
    std::string yearText;
    switch (dateFormat) {
    case 1:
        day = Printf("%d", fields.tm_mday);
        month = kShortMonthNames[monthIndex];
        yearText = YearText(year, false);
        break;
    case 2:
        day = Printf("%02d", fields.tm_mday);
        month = Printf("%02d", monthIndex + 1);
        yearText = YearText(year, false);
        break;
    case 3:
        day = Printf("%02d", fields.tm_mday);
        month = Printf("%02d", monthIndex + 1);
        yearText = YearText(year, true);
        break;
    default:
        day = Printf("%d", fields.tm_mday);
        month = kFullMonthNames[monthIndex];
        yearText = YearText(year, false);
        break;
    }

    const std::string sep(1, separator);
    switch (dateOrder) {
    case eDateOrderMonthDayYear:
        return month + sep + day + sep + yearText;
    case eDateOrderYearMonthDay:
        return yearText + sep + month + sep + day;
    default:
        return day + sep + month + sep + yearText;
    }
}

std::string QPFormatDurationToText(int64_t seconds, bool withMinutes)
{
    if (seconds == 0)
        return "00h";
    const uint64_t magnitude =
            seconds < 0 ? uint64_t(0) - static_cast<uint64_t>(seconds) : uint64_t(seconds);
    uint64_t days = magnitude / 86400;
    const uint64_t rest = magnitude % 86400;
    uint64_t hours = rest / 3600;
    const uint64_t minutes = (rest % 3600) / 60;
    if (!withMinutes && minutes > 0) {
        ++hours;
        if (hours > 23) {
            ++days;
            hours -= 24;
        }
    }
    char buffer[64];
    std::string text;
    if (days >= 1) {
        std::snprintf(buffer, sizeof buffer, "%llud ", static_cast<unsigned long long>(days));
        text += buffer;
    }
    std::snprintf(buffer, sizeof buffer, "%02lluh%s", static_cast<unsigned long long>(hours),
                  withMinutes ? " " : "");
    text += buffer;
    if (withMinutes) {
        std::snprintf(buffer, sizeof buffer, "%02llum", static_cast<unsigned long long>(minutes));
        text += buffer;
    }
    return text;
}

bool QPValidateNumber(const LLocaleNumberProfile& profile, std::string_view text)
{
    std::string rest(text);
    EraseFirst(rest, profile.decimalSymbol);
    for (char c : rest)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool QPValidateCurrency(const LLocaleCurrencyProfile& profile, std::string_view text)
{
    if (text.empty())
        return false;
    std::string rest;
    for (char c : text)
        if (c != '-' && c != '+')
            rest += c;
    EraseFirst(rest, profile.currencySymbol);
    EraseFirst(rest, profile.decimalSymbol);
    const std::string_view thousands = profile.thousandsSymbol;
    if (!thousands.empty()) {
        for (std::size_t at = rest.find(thousands); at != std::string::npos;
             at = rest.find(thousands, at))
            rest.erase(at, thousands.size());
    }
    for (char c : rest) {
        const auto code = static_cast<unsigned char>(c);
        if (!(c >= '0' && c <= '9') && code > 32)
            return false;
    }
    return true;
}
