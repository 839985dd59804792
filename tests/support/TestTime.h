#pragma once

#include "model/LDateTime.h"

#include <cstdlib>
#include <ctime>
#include <optional>
#include <ostream>
#include <string>

// Failing tests print date-times as local text with the raw seconds beside them.
inline void PrintTo(const LDateTime& value, std::ostream* out)
{
    *out << '"' << value.GetDateTime() << "\" (" << value.Get() << ')';
}

// Sets or clears (nullptr) an environment variable for the length of a test; the C
// library reads TZ again each time, so that a zone set here takes effect at once.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            previous_ = old;
        Set(value);
    }
    ~ScopedEnvironment() { Set(previous_ ? previous_->c_str() : nullptr); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    void Set(const char* value)
    {
        if (value)
            setenv(name_.c_str(), value, 1);
        else
            unsetenv(name_.c_str());
        tzset();
    }
    std::string name_;
    std::optional<std::string> previous_;
};

// Runs a test in a given time zone and puts the previous one back afterwards.
struct ScopedTimeZone : ScopedEnvironment {
    explicit ScopedTimeZone(const char* zone) : ScopedEnvironment("TZ", zone) {}
};

// A date-time from its calendar fields, through the C library rather than the code under
// test: local, or in UTC for naming moments that local time names twice or not at all.
inline LDateTime CalendarTime(bool utc, int year, int month, int day, int hour, int minute,
                              int second)
{
    std::tm f{};
    f.tm_year = year - 1900;
    f.tm_mon = month - 1;
    f.tm_mday = day;
    f.tm_hour = hour;
    f.tm_min = minute;
    f.tm_sec = second;
    f.tm_isdst = -1;
    return LDateTime(static_cast<int64_t>(utc ? timegm(&f) : std::mktime(&f)));
}
inline LDateTime LocalTime(int year, int month, int day, int hour = 0, int minute = 0,
                           int second = 0)
{
    return CalendarTime(false, year, month, day, hour, minute, second);
}
inline LDateTime UtcTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return CalendarTime(true, year, month, day, hour, minute, second);
}

// Local calendar fields of a date-time, for checking results independently.
inline std::tm LocalFieldsOf(LDateTime value)
{
    std::tm fields{};
    const auto t = static_cast<std::time_t>(value.Get());
    localtime_r(&t, &fields);
    return fields;
}
