#include "model/LDateTime.h"

#include "framework/LScan.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <langinfo.h>
#include <locale.h>

namespace {

constexpr int32_t kSecondsPerDay = 86400;

bool LocalFields(int64_t seconds, std::tm& fields)
{
    const auto t = static_cast<std::time_t>(seconds);
    return localtime_r(&t, &fields) != nullptr;
}

// Converts local calendar fields to seconds, letting the C library decide whether
// daylight saving applies. Out-of-range fields roll over as mktime rolls them.
bool LocalSeconds(int64_t year, int month, int day, int hour, int minute, int second,
                  int64_t& result)
{
    const int64_t tmYear = year - 1900;
    if (tmYear < INT_MIN || tmYear > INT_MAX)
        return false;
    std::tm fields{};
    fields.tm_year = static_cast<int>(tmYear);
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = -1;
    errno = 0;
    const std::time_t t = std::mktime(&fields);
    if (t == static_cast<std::time_t>(-1) && errno != 0)
        return false;
    result = static_cast<int64_t>(t);
    return true;
}

// Two-digit years read from text: 70 to 99 are 1970 to 1999, below 70 are 2000 onwards.
int64_t ExpandYear(int year)
{
    if (year >= 1900)
        return year;
    if (year >= 70)
        return 1900 + int64_t(year);
    return 2000 + int64_t(year);
}

bool InRange(int value, int low, int high)
{
    return value >= low && value <= high;
}

bool ValidDate(int year, int month, int day)
{
    return InRange(year, 1970, 2038) && InRange(month, 1, 12) &&
           InRange(day, 1, LDateTime::GetNumberOfDaysInMonth(year, month));
}

bool IsAllSpaces(std::string_view text)
{
    return text.find_first_not_of(' ') == std::string_view::npos;
}

std::string Format3(const char* format, int a, int b, int c)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, a, b, c);
    return buffer;
}

} // namespace

// ---------------------------------------------------------------------------------------
// LDayTime

LDayTime LDayTime::operator+(int32_t seconds) const
{
    int64_t sum = (int64_t(value_) + seconds) % kSecondsPerDay;
    if (sum < 0)
        sum += kSecondsPerDay;
    return LDayTime(static_cast<int32_t>(sum));
}

bool LDayTime::ValidateDateHHCMMCSS(std::string_view text)
{
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    if (LScanInts(text, "%d:%d:%d", {&hours, &minutes, &seconds}) < 2)
        return false;
    if (hours == 24)
        return minutes == 0 && seconds == 0;
    return InRange(hours, 0, 23) && InRange(minutes, 0, 59) && InRange(seconds, 0, 59);
}

// ---------------------------------------------------------------------------------------
// LWeekDay

std::string LWeekDay::GetTextDays() const
{
    static const char* const kNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::string text;
    for (int day = 0; day < 7; ++day)
        if (bits_ & (1u << day))
            text += kNames[day];
    return text;
}

// ---------------------------------------------------------------------------------------
// LDateTime

void LDateTime::InitializeLocalTime()
{
    if (std::getenv("TZ") == nullptr)
        setenv("TZ", ":/etc/localtime", 0);
    tzset();
}

LDateTime LDateTime::Now()
{
    if (const char* fixed = std::getenv("KESTRANO_NOW"); fixed && *fixed) {
        int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
        LDateTime now;
        if (LScanInts(fixed, "%d-%d-%d %d:%d:%d", {&year, &month, &day, &hour, &minute, &second}) ==
                    6 &&
            now.SetDateTime(year, month, day, hour, minute, second))
            return now;
    }
    return LDateTime(static_cast<int64_t>(std::time(nullptr)));
}

void LDateTime::GetDateTime(std::string& dateText, std::string& timeText) const
{
    dateText.clear();
    timeText.clear();
    std::tm fields{};
    if (value_ == 0 || !LocalFields(value_, fields))
        return;
    // The year in 64 bits: a damaged file can hold a date billions of years away.
    char date[64];
    std::snprintf(date, sizeof date, "%.4lld-%.2d-%.2d",
                  static_cast<long long>(fields.tm_year) + 1900, fields.tm_mon + 1, fields.tm_mday);
    dateText = date;
    timeText = Format3("%.2d:%.2d:%.2d", fields.tm_hour, fields.tm_min, fields.tm_sec);
}

std::string LDateTime::GetDateTime() const
{
    std::string date;
    std::string time;
    GetDateTime(date, time);
    return date + " " + time;
}

bool LDateTime::SetDateTime(std::string_view dateText, std::string_view timeText)
{
    if (dateText.empty()) {
        value_ = 0;
        return true;
    }
    int year = 0;
    int month = 1;
    int day = 1;
    if (LScanInts(dateText, "%d-%d-%d", {&year, &month, &day}) < 1)
        return false;
    int hour = 0;
    int minute = 0;
    int second = 0;
    LScanInts(timeText, "%d:%d:%d", {&hour, &minute, &second});
    return SetDateTime(year, month, day, hour, minute, second);
}

bool LDateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second)
{
    int64_t result = 0;
    if (!LocalSeconds(ExpandYear(year), month, day, hour, minute, second, result))
        return false;
    value_ = result;
    return true;
}

bool LDateTime::SetDateYYYYHMMHDDTimeHHCMMCSS(std::string_view text)
{
    if (IsAllSpaces(text)) {
        value_ = 0;
        return true;
    }
    const std::string_view timeText = text.size() >= 12 ? text.substr(11) : std::string_view();
    return SetDateTime(text, timeText);
}

void LDateTime::SetDayTime(LDayTime dayTime)
{
    if (value_ == 0)
        value_ = Now().value_;
    std::tm fields{};
    if (!LocalFields(value_, fields))
        return;
    const int32_t t = dayTime.Get();
    int64_t result = 0;
    if (LocalSeconds(int64_t(fields.tm_year) + 1900, fields.tm_mon + 1, fields.tm_mday, t / 3600,
                     (t / 60) % 60, t % 60, result))
        value_ = result;
}

LDayTime LDateTime::GetDayTime() const
{
    std::tm fields{};
    if (value_ == 0 || !LocalFields(value_, fields))
        return LDayTime(0);
    return LDayTime(fields.tm_hour * 3600 + fields.tm_min * 60 + fields.tm_sec);
}

LWeekDay LDateTime::GetWeekDay() const
{
    std::tm fields{};
    if (!LocalFields(value_, fields))
        return LWeekDay(0);
    return LWeekDay(static_cast<uint8_t>(1u << fields.tm_wday));
}

std::string LDateTime::GetDateLocalFormat() const
{
    std::tm fields{};
    if (value_ == 0 || !LocalFields(value_, fields))
        return {};
    const int year = static_cast<int>((int64_t(fields.tm_year) + 1900) % 100);
    const int month = fields.tm_mon + 1;
    const int day = fields.tm_mday;
    switch (LGetLocaleDateFormatOrder()) {
    case eDateOrderDayMonthYear:
        return Format3("%.2d/%.2d/%.2d", day, month, year);
    case eDateOrderYearMonthDay:
        return Format3("%.2d/%.2d/%.2d", year, month, day);
    case eDateOrderMonthDayYear:
        break;
    }
    return Format3("%.2d/%.2d/%.2d", month, day, year);
}

bool LDateTime::IsLeapYear(int year)
{
    return year % 400 == 0 || (year % 4 == 0 && year % 100 != 0);
}

int LDateTime::GetNumberOfDaysInMonth(int year, int month)
{
    switch (month) {
    case 1:
    case 3:
    case 5:
    case 7:
    case 8:
    case 10:
    case 12:
        return 31;
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    case 2:
        return IsLeapYear(year) ? 29 : 28;
    default:
        return 0;
    }
}

bool LDateTime::ValidateDateTimeYYYYHMMHDDHHCMMCSS(std::string_view text)
{
    if (text.empty())
        return false;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (LScanInts(text, "%d-%d-%d %d:%d:%d", {&year, &month, &day, &hour, &minute, &second}) != 6)
        return false;
    return ValidDate(year, month, day) && InRange(hour, 0, 23) && InRange(minute, 0, 59) &&
           InRange(second, 0, 59);
}

bool LDateTime::ValidateDateYYYYHMMHDD(std::string_view text)
{
    if (text.empty())
        return true;
    int year = 0, month = 0, day = 0;
    if (LScanInts(text, "%d-%d-%d", {&year, &month, &day}) != 3)
        return false;
    return ValidDate(year, month, day);
}

int32_t LDateTime::GetTimeZoneOffset()
{
    std::tm fields{};
    if (!LocalFields(static_cast<int64_t>(std::time(nullptr)), fields))
        return 0;
    return static_cast<int32_t>(-fields.tm_gmtoff);
}

// ---------------------------------------------------------------------------------------
// System date order

namespace {

std::size_t FindIgnoringCase(std::string_view text, std::string_view needle)
{
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i + needle.size() <= text.size(); ++i) {
        std::size_t j = 0;
        while (j < needle.size() && lower(text[i + j]) == lower(needle[j]))
            ++j;
        if (j == needle.size())
            return i;
    }
    return std::string_view::npos;
}

// A missing part counts as standing before everything else.
long Position(std::size_t found)
{
    return found == std::string_view::npos ? -1 : static_cast<long>(found);
}

} // namespace

eDateOrder LGetLocaleDateFormatOrder(std::string_view pattern)
{
    if (pattern.find("%D") != std::string_view::npos)
        return eDateOrderMonthDayYear;
    std::size_t month = pattern.find("%m");
    if (month == std::string_view::npos)
        month = FindIgnoringCase(pattern, "%b");
    if (month == std::string_view::npos)
        month = pattern.find("%h");
    std::size_t day = pattern.find("%d");
    if (day == std::string_view::npos)
        day = pattern.find("%e");
    const std::size_t year = FindIgnoringCase(pattern, "%y");

    const long m = Position(month);
    const long d = Position(day);
    const long y = Position(year);
    if (d > y && m > y)
        return eDateOrderYearMonthDay;
    if (m >= d)
        return eDateOrderDayMonthYear;
    return eDateOrderMonthDayYear;
}

eDateOrder LGetLocaleDateFormatOrder()
{
    static const eDateOrder order = [] {
        // Read the user's LC_TIME without touching the process-wide locale, which the
        // number parsers and the toolkit rely on.
        locale_t user = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
        if (user == static_cast<locale_t>(nullptr))
            return LGetLocaleDateFormatOrder("%m/%d/%y");
        const std::string pattern = nl_langinfo_l(D_FMT, user);
        freelocale(user);
        return LGetLocaleDateFormatOrder(pattern);
    }();
    return order;
}

// ---------------------------------------------------------------------------------------
// LDateIterator

LDateIterator::LDateIterator(LDateTime moment)
{
    // The anchor is found through the calendar rather than by adding seconds to the time
    // of day: on a 25-hour day the clock reads the same hour twice, and arithmetic from
    // an early-morning moment would land at 11:00 instead of noon.
    std::tm fields{};
    int64_t noon = 0;
    if (LocalFields(moment.Get(), fields) &&
        LocalSeconds(int64_t(fields.tm_year) + 1900, fields.tm_mon + 1, fields.tm_mday, 12, 0, 0,
                     noon)) {
        anchor_ = LDateTime(noon);
    } else {
        anchor_ = moment;
    }
}

LDateTime LDateIterator::GetDateTimeStart() const
{
    std::tm fields{};
    int64_t midnight = 0;
    if (LocalFields(anchor_.Get(), fields) &&
        LocalSeconds(int64_t(fields.tm_year) + 1900, fields.tm_mon + 1, fields.tm_mday, 0, 0, 0,
                     midnight))
        return LDateTime(midnight);
    return anchor_ - 43200;
}

void LDateIterator::Next()
{
    anchor_ = LDateIterator(anchor_ + kSecondsPerDay).anchor_;
}
