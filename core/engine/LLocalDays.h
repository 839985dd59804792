#pragma once

#include "model/LDateTime.h"

#include <cstdint>

// Local calendar arithmetic for the scheduling engine. Work calendars think in local days
// and times of day; these helpers go through the local calendar (the C library and TZ), so
// that on the two days a year with 23 or 25 hours a "day" is still one calendar day and
// "08:00" is still eight o'clock on the clock.
namespace LLocalDays {

// 0 Sunday ... 6 Saturday.
int Weekday(LDateTime t);
// Seconds after local midnight as the clock shows them.
int32_t TimeOfDay(LDateTime t);
// The same local date with the clock set to `seconds` after midnight; 86400 and more run
// on into the following days (86400 is midnight of the next day).
LDateTime WithTimeOfDay(LDateTime t, int64_t seconds);
// The same clock time `days` calendar days later (earlier when negative).
LDateTime AddDays(LDateTime t, int64_t days);
// 00:00:00 of t's day, and of the day after.
LDateTime Midnight(LDateTime t);
LDateTime NextMidnight(LDateTime t);
// 12:00:00 of t's day: the key that identifies a day.
LDateTime Anchor(LDateTime t);
// Whole calendar days from a's day to b's day (negative when b's day comes first).
int64_t DaysBetween(LDateTime a, LDateTime b);
// The local calendar day of t, counted in days from 1970-01-01 (a day's number in the
// resource histogram and the costs), and back: 12:00:00 of the day with that number.
int64_t DayNumber(LDateTime t);
LDateTime AnchorOfDay(int64_t dayNumber);
// 00:00:00 of the day with that number, in seconds; a day with a clock change is the one
// whose next midnight is not 86400 seconds later.
int64_t MidnightOfDay(int64_t dayNumber);
// The moment the clock shows `seconds` after midnight on the day with that number (86400 is
// the next midnight).
int64_t ClockTimeOfDay(int64_t dayNumber, int64_t seconds);
// 0 Sunday ... 6 Saturday of the day with that number.
inline int WeekdayOfDay(int64_t dayNumber)
{
    return static_cast<int>(((dayNumber + 4) % 7 + 7) % 7);
}

} // namespace LLocalDays
