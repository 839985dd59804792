#include "engine/LLocalDays.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace LLocalDays {

namespace {

struct Fields {
    int64_t year;
    int month; // 1-12
    int day;
    int weekday;
    int32_t timeOfDay;
};

// One local calendar day whose clock runs evenly from midnight to midnight.
struct Day {
    int64_t midnight = 1; // first second of the day
    int64_t nextMidnight = 0;
    Fields fields{};

    bool Holds(int64_t t) const { return t >= midnight && t < nextMidnight; }
};

// Conversions between seconds and local calendar fields are the engine's hot spot: a
// recalculation asks for the weekday or the time of day of some moment millions of times.
// Days met are remembered in a table indexed by UTC day; each slot holds the (at most two)
// local days that overlap that UTC day. Days with a clock change are never remembered:
// they always go through the C library. The table holds about 45 years, so that the days
// of a plan of many years (leveling a large plan walks them over and over) stay in it.
constexpr std::size_t kSlots = 16384;

struct ZoneStamp {
    const char* standardName = nullptr;
    const char* daylightName = nullptr;
    long offset = 0;
    int daylight = 0;

    friend bool operator==(const ZoneStamp&, const ZoneStamp&) = default;
};

// The midnight of a day by its number: what the work calendars ask for most.
struct MidnightEntry {
    int64_t number = INT64_MIN;
    int64_t midnight = 0;
    bool even = false; // no clock change: the next midnight is 86400 seconds later
};

struct DayCache {
    std::vector<std::array<Day, 2>> slots; // kSlots, made on first use
    std::vector<MidnightEntry> midnights;  // kSlots, by day number
    ZoneStamp zone;
    bool valid = false;
};

thread_local DayCache cache;

int64_t FloorDiv(int64_t a, int64_t b)
{
    int64_t q = a / b;
    if (a % b != 0 && ((a < 0) != (b < 0)))
        --q;
    return q;
}

// The table belongs to the local time zone the C library has loaded; a program sets it
// once, tests change it between calculations. The library's own record of the loaded zone
// (its names and offset, which it updates whenever it loads another) tells a change cheaply
// enough to ask on every conversion.
inline void CheckZone()
{
    if (cache.valid && cache.zone.standardName == tzname[0] &&
        cache.zone.daylightName == tzname[1] && cache.zone.offset == timezone &&
        cache.zone.daylight == daylight)
        return;
    if (!cache.valid)
        tzset(); // the library fills in its record when it first loads the zone
    const ZoneStamp now{tzname[0], tzname[1], timezone, daylight};
    if (cache.valid && cache.zone == now)
        return;
    cache.slots.assign(kSlots, {});
    cache.midnights.assign(kSlots, {});
    cache.zone = now;
    cache.valid = true;
}

std::array<Day, 2>& SlotOf(int64_t t)
{
    return cache.slots[static_cast<std::size_t>(FloorDiv(t, 86400)) & (kSlots - 1)];
}

const Day* Find(int64_t t)
{
    for (const Day& day : SlotOf(t))
        if (day.Holds(t))
            return &day;
    return nullptr;
}

void Remember(const Day& day)
{
    // A local day overlaps at most two UTC days: it goes into the slot of each.
    for (int64_t t : {day.midnight, day.nextMidnight - 1}) {
        std::array<Day, 2>& slot = SlotOf(t);
        if (slot[0].Holds(day.midnight) || slot[1].Holds(day.midnight))
            continue;
        slot[1] = slot[0];
        slot[0] = day;
    }
}

bool MakeLocal(int64_t year, int month, int64_t day, int64_t seconds, int64_t& result)
{
    const int64_t tmYear = year - 1900;
    const int64_t hours = seconds / 3600;
    if (tmYear < INT_MIN || tmYear > INT_MAX || day < INT_MIN || day > INT_MAX || hours > INT_MAX ||
        hours < INT_MIN)
        return false;
    std::tm fields{};
    fields.tm_year = static_cast<int>(tmYear);
    fields.tm_mon = month - 1;
    fields.tm_mday = static_cast<int>(day);
    fields.tm_hour = static_cast<int>(hours);
    fields.tm_min = static_cast<int>((seconds / 60) % 60);
    fields.tm_sec = static_cast<int>(seconds % 60);
    // The C library resolves a clock time that a clock change makes occur twice, or not at
    // all, by what it met before, so the same question could get two answers (and asking
    // it for a kind of time the zone does not have makes it search for decades). Instead:
    // the zone's offsets a day before and a day after give the candidates; the earlier of
    // two that show the time asked for is taken, and a time skipped by the change moves
    // forward with the clock.
    std::tm wanted = fields; // the fields normalised as calendar fields (a day 32 is the 1st)
    errno = 0;
    const std::time_t asUtc = timegm(&wanted);
    if (asUtc == static_cast<std::time_t>(-1) && errno != 0)
        return false;
    std::time_t candidates[2];
    bool exact[2];
    for (int i = 0; i < 2; ++i) {
        const std::time_t probe = asUtc + (i == 0 ? -86400 : 86400);
        std::tm around{};
        if (!localtime_r(&probe, &around))
            return false;
        candidates[i] = asUtc - around.tm_gmtoff;
        std::tm back{};
        exact[i] = localtime_r(&candidates[i], &back) && back.tm_year == wanted.tm_year &&
                   back.tm_mon == wanted.tm_mon && back.tm_mday == wanted.tm_mday &&
                   back.tm_hour == wanted.tm_hour && back.tm_min == wanted.tm_min &&
                   back.tm_sec == wanted.tm_sec;
    }
    std::time_t t;
    if (exact[0] && exact[1])
        t = std::min(candidates[0], candidates[1]);
    else if (exact[0] || exact[1])
        t = exact[0] ? candidates[0] : candidates[1];
    else
        t = std::max(candidates[0], candidates[1]);
    result = static_cast<int64_t>(t);
    return true;
}

// The fields of t, and the cached day that holds it (none on a day with a clock change).
Fields Convert(int64_t t, const Day** cachedDay = nullptr)
{
    CheckZone();
    if (const Day* day = Find(t)) {
        if (cachedDay)
            *cachedDay = day;
        Fields fields = day->fields;
        fields.timeOfDay = static_cast<int32_t>(t - day->midnight);
        return fields;
    }
    if (cachedDay)
        *cachedDay = nullptr;
    std::tm local{};
    const auto value = static_cast<std::time_t>(t);
    if (!localtime_r(&value, &local))
        return Fields{1970, 1, 1, 4, 0};
    const Fields fields{int64_t(local.tm_year) + 1900, local.tm_mon + 1, local.tm_mday,
                        local.tm_wday, local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec};
    int64_t midnight = 0;
    int64_t next = 0;
    if (MakeLocal(fields.year, fields.month, fields.day, 0, midnight) &&
        MakeLocal(fields.year, fields.month, fields.day + 1, 0, next) && next - midnight == 86400 &&
        t - midnight == fields.timeOfDay) {
        Day day;
        day.midnight = midnight;
        day.nextMidnight = next;
        day.fields = fields;
        day.fields.timeOfDay = 0;
        Remember(day);
        if (cachedDay)
            *cachedDay = Find(t);
    }
    return fields;
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t year, int month, int day)
{
    year -= month <= 2;
    const int64_t era = FloorDiv(year, 400);
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// The date of a day counted from 1970-01-01 in the proleptic Gregorian calendar.
void CivilFromDays(int64_t days, int64_t& year, int& month, int& day)
{
    days += 719468;
    const int64_t era = FloorDiv(days, 146097);
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra =
            (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = yearOfEra + era * 400 + (month <= 2);
}

} // namespace

namespace {

const MidnightEntry& MidnightEntryOf(int64_t dayNumber)
{
    CheckZone();
    MidnightEntry& entry = cache.midnights[static_cast<std::size_t>(dayNumber) & (kSlots - 1)];
    if (entry.number != dayNumber) {
        int64_t midnights[2] = {dayNumber * 86400, (dayNumber + 1) * 86400};
        for (int i = 0; i < 2; ++i) {
            int64_t year = 0;
            int month = 0;
            int day = 0;
            CivilFromDays(dayNumber + i, year, month, day);
            MakeLocal(year, month, day, 0, midnights[i]);
        }
        entry = {dayNumber, midnights[0], midnights[1] - midnights[0] == 86400};
    }
    return entry;
}

} // namespace

int64_t MidnightOfDay(int64_t dayNumber)
{
    return MidnightEntryOf(dayNumber).midnight;
}

int64_t ClockTimeOfDay(int64_t dayNumber, int64_t seconds)
{
    const MidnightEntry& entry = MidnightEntryOf(dayNumber);
    // On a day without a clock change the clock runs evenly from midnight.
    if (entry.even && seconds >= 0 && seconds <= 86400)
        return entry.midnight + seconds;
    return WithTimeOfDay(LDateTime(entry.midnight), seconds).Get();
}

int Weekday(LDateTime t)
{
    return Convert(t.Get()).weekday;
}

int32_t TimeOfDay(LDateTime t)
{
    return Convert(t.Get()).timeOfDay;
}

LDateTime WithTimeOfDay(LDateTime t, int64_t seconds)
{
    const Day* day = nullptr;
    const Fields fields = Convert(t.Get(), &day);
    if (day && seconds >= 0 && seconds <= 86400)
        return LDateTime(seconds == 86400 ? day->nextMidnight : day->midnight + seconds);
    int64_t result = 0;
    if (!MakeLocal(fields.year, fields.month, fields.day, seconds, result))
        return t;
    return LDateTime(result);
}

LDateTime AddDays(LDateTime t, int64_t days)
{
    if (days == 0)
        return t;
    const Fields fields = Convert(t.Get());
    if (days > -366 && days < 366) {
        // Within a year, noon of the target day lies within the hour or two that clock
        // changes shift, of noon plus whole days of 86400 seconds; from there the clock
        // time is set.
        const LDateTime noon = WithTimeOfDay(t, 43200);
        return WithTimeOfDay(noon + days * 86400, fields.timeOfDay);
    }
    int64_t result = 0;
    if (!MakeLocal(fields.year, fields.month, int64_t(fields.day) + days, fields.timeOfDay, result))
        return t + days * 86400;
    return LDateTime(result);
}

LDateTime Midnight(LDateTime t)
{
    return WithTimeOfDay(t, 0);
}

LDateTime NextMidnight(LDateTime t)
{
    return WithTimeOfDay(t, 86400);
}

LDateTime Anchor(LDateTime t)
{
    return WithTimeOfDay(t, 43200);
}

int64_t DaysBetween(LDateTime a, LDateTime b)
{
    // Noon to noon is 86400 seconds give or take an hour on a day with a clock change.
    const double seconds = double(Anchor(b).Get() - Anchor(a).Get());
    return static_cast<int64_t>(std::llround(seconds / 86400.0));
}

int64_t DayNumber(LDateTime t)
{
    const Fields fields = Convert(t.Get());
    return DaysFromCivil(fields.year, fields.month, fields.day);
}

LDateTime AnchorOfDay(int64_t dayNumber)
{
    // Noon in UTC of that day lies within the day locally too, give or take the zone's
    // offset; whichever local day it lands on, whole days from there reach the one asked
    // for.
    const LDateTime guess(dayNumber * 86400 + 43200);
    const int64_t off = dayNumber - DayNumber(guess);
    return Anchor(off == 0 ? guess : AddDays(guess, off));
}

} // namespace LLocalDays
