#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

// Seconds after local midnight, 0 to 86399; 86400 stands for the end of a day (24:00:00).
class LDayTime {
public:
    constexpr LDayTime() = default;
    constexpr explicit LDayTime(int32_t seconds) : value_(seconds) {}

    constexpr int32_t Get() const { return value_; }
    constexpr void Set(int32_t seconds) { value_ = seconds; }

    // Adding seconds wraps around midnight: 23:00 plus two hours is 01:00.
    LDayTime operator+(int32_t seconds) const;

    // "HH:MM" or "HH:MM:SS" on the 24-hour clock; exactly 24:00:00 is the end of the day.
    static bool ValidateDateHHCMMCSS(std::string_view text);

    friend constexpr auto operator<=>(LDayTime a, LDayTime b) = default;

private:
    int32_t value_ = 0;
};

// A set of weekdays, bit n for weekday n where 0 is Sunday.
class LWeekDay {
public:
    enum : uint8_t {
        Sunday = 0x01,
        Monday = 0x02,
        Tuesday = 0x04,
        Wednesday = 0x08,
        Thursday = 0x10,
        Friday = 0x20,
        Saturday = 0x40,
    };

    constexpr LWeekDay() = default;
    constexpr explicit LWeekDay(uint8_t bits) : bits_(bits) {}

    constexpr uint8_t Get() const { return bits_; }

    // The abbreviations of the days in the set, Sunday first, without separator ("MonWed").
    std::string GetTextDays() const;

    friend constexpr bool operator==(LWeekDay a, LWeekDay b) = default;

private:
    uint8_t bits_ = 0;
};

// Order of the parts of a date in the user's system settings (and in a project's options).
enum eDateOrder : int32_t {
    eDateOrderMonthDayYear = 0,
    eDateOrderDayMonthYear = 1,
    eDateOrderYearMonthDay = 2,
};

// A point in time: signed 64-bit seconds since 1970-01-01 00:00:00 UTC, shown in local
// time. 0 means "no date". 64 bits keep long plans (a 40,000-hour task started today
// ends decades from now) from wrapping in January 2038.
class LDateTime {
public:
    constexpr LDateTime() = default;
    constexpr explicit LDateTime(int64_t seconds) : value_(seconds) {}

    // Programs call this once at start. Without a TZ variable the C library looks at the
    // system's zone file again at every conversion (a file-system call each time, which
    // made loading a large project several times slower); naming that file in TZ keeps the
    // same zone and lets the library keep what it read.
    static void InitializeLocalTime();

    // The current time, or the local time in KESTRANO_NOW ("YYYY-MM-DD HH:MM:SS") when that
    // variable is set, so that results depending on today can be reproduced.
    static LDateTime Now();

    constexpr int64_t Get() const { return value_; }
    constexpr void Set(int64_t seconds) { value_ = seconds; }
    constexpr bool IsSet() const { return value_ != 0; }

    // "YYYY-MM-DD" and "HH:MM:SS" in local time; both empty for 0.
    void GetDateTime(std::string& dateText, std::string& timeText) const;
    // The two parts joined by a space ("2000-07-26 14:05:00"); a single space for 0.
    std::string GetDateTime() const;

    // Reads "Y-M-D" and "H:M:S" (missing time fields are 0, a missing month or day is
    // January or the 1st) as local time. An empty date text stores 0. Returns false and
    // leaves the value alone when the text holds no year or the time cannot be converted.
    bool SetDateTime(std::string_view dateText, std::string_view timeText);
    bool SetDateTime(int year, int month, int day, int hour, int minute, int second);
    // The joined form of GetDateTime(): empty or all-space text stores 0; the time is read
    // from the twelfth character on.
    bool SetDateYYYYHMMHDDTimeHHCMMCSS(std::string_view text);

    // Keeps the local date and sets the local time of day; an unset value starts from Now().
    void SetDayTime(LDayTime dayTime);
    // Seconds since local midnight; 0 for an unset value.
    LDayTime GetDayTime() const;
    // The weekday as a single bit.
    LWeekDay GetWeekDay() const;

    // Short local form "MM/DD/YY" in the system's date order; empty for 0.
    std::string GetDateLocalFormat() const;

    static bool IsLeapYear(int year);
    static int GetNumberOfDaysInMonth(int year, int month);
    // "YYYY-MM-DD HH:MM:SS", all six numbers, years 1970 to 2038.
    static bool ValidateDateTimeYYYYHMMHDDHHCMMCSS(std::string_view text);
    // "YYYY-MM-DD" with the same ranges; an empty text passes.
    static bool ValidateDateYYYYHMMHDD(std::string_view text);
    // The current offset of local time from UTC, negated: zones west of UTC are positive.
    static int32_t GetTimeZoneOffset();

    friend constexpr auto operator<=>(LDateTime a, LDateTime b) = default;
    friend constexpr LDateTime operator+(LDateTime t, int64_t seconds)
    {
        return LDateTime(t.value_ + seconds);
    }
    friend constexpr LDateTime operator-(LDateTime t, int64_t seconds)
    {
        return LDateTime(t.value_ - seconds);
    }
    friend constexpr int64_t operator-(LDateTime a, LDateTime b) { return a.value_ - b.value_; }
    constexpr LDateTime& operator+=(int64_t seconds)
    {
        value_ += seconds;
        return *this;
    }
    constexpr LDateTime& operator-=(int64_t seconds)
    {
        value_ -= seconds;
        return *this;
    }

private:
    int64_t value_ = 0;
};

// The system's date order, from a strftime-style date pattern such as "%d/%m/%y".
eDateOrder LGetLocaleDateFormatOrder(std::string_view datePattern);
// The date order of the user's locale (LC_TIME), read once per run.
eDateOrder LGetLocaleDateFormatOrder();

// A day, held as its anchor: 12:00:00 local time of that calendar day. Walking days by
// their anchors can neither skip nor repeat a day when daylight saving shifts the clock.
class LDateIterator {
public:
    explicit LDateIterator(LDateTime moment);

    LDateTime Get() const { return anchor_; }
    // 00:00:00 of the day.
    LDateTime GetDateTimeStart() const;
    // 23:59:59 of the day (the anchor plus 43199 seconds).
    LDateTime GetDateTimeEnd() const { return anchor_ + 43199; }
    // Moves to the anchor of the next calendar day.
    void Next();

    friend auto operator<=>(const LDateIterator& a, const LDateIterator& b) = default;

private:
    LDateTime anchor_;
};
