#pragma once

#include "model/LDateTime.h"

#include <compare>
#include <string>
#include <string_view>

// A day as a calendar shows it. Editors keep dates as days, so that the moment a date
// stands for is found from the local calendar (00:00:00 or 23:59:59 of that day) rather
// than by counting seconds, which goes wrong on the days daylight saving adds or takes
// an hour.
struct QPCalendarDay {
    int year = 1970;
    int month = 1; // 1 to 12
    int day = 1;   // 1 to 31

    // The local day a moment falls on.
    static QPCalendarDay Of(LDateTime moment);
    // The local moment of this day at the given clock time; 0 (no date) when the day does
    // not exist in the local calendar.
    LDateTime At(int hour, int minute, int second) const;
    // The same clock-free day `count` days later (earlier when negative).
    QPCalendarDay AddDays(int count) const;

    friend auto operator<=>(const QPCalendarDay&, const QPCalendarDay&) = default;
};

// The text without the spaces, tabs and line breaks around it, as editors read names.
std::string QPTrimmed(std::string_view text);
