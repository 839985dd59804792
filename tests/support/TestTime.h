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

// Runs a test in a given time zone and puts the previous one back afterwards.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            previous_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (previous_)
            setenv("TZ", previous_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> previous_;
};

// Sets or clears an environment variable for the length of a test.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            previous_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnvironment()
    {
        if (previous_)
            setenv(name_.c_str(), previous_->c_str(), 1);
        else
            unsetenv(name_.c_str());
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

// A local date-time from its calendar fields, through the C library rather than the code
// under test.
inline LDateTime LocalTime(int year, int month, int day, int hour = 0, int minute = 0,
                           int second = 0)
{
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = -1;
    return LDateTime(static_cast<int64_t>(std::mktime(&fields)));
}

// A date-time given in UTC, for naming moments that local time names twice or not at all.
inline LDateTime UtcTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    return LDateTime(static_cast<int64_t>(timegm(&fields)));
}

// Local calendar fields of a date-time, for checking results independently.
inline std::tm LocalFieldsOf(LDateTime value)
{
    std::tm fields{};
    const auto t = static_cast<std::time_t>(value.Get());
    localtime_r(&t, &fields);
    return fields;
}
