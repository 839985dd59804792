#include "model/LDateTime.h"

#include "support/TestTime.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <tuple>
#include <utility>

namespace {

std::string Rewritten(const char* text)
{
    LDateTime value;
    EXPECT_TRUE(value.SetDateYYYYHMMHDDTimeHHCMMCSS(text)) << text;
    return value.GetDateTime();
}

// Which of the texts a check accepts, as a row of 1s and 0s.
std::string Accepted(bool (*check)(std::string_view), std::initializer_list<const char*> texts)
{
    std::string answer;
    for (const char* text : texts)
        answer += check(text) ? '1' : '0';
    return answer;
}

} // namespace

TEST(LDateTimeText, WritesAndReadsLocalDateAndTime)
{
    std::string date = "x", time = "y";
    LocalTime(2000, 7, 26, 14, 5, 0).GetDateTime(date, time);
    EXPECT_EQ(date + "|" + time, "2000-07-26|14:05:00");
    LDateTime().GetDateTime(date, time);
    EXPECT_EQ(date + time, "");
    // The joined text, read and written again: shorter than twelve characters is midnight, no
    // date is a single space. Clock changes in New York read back as the same hour.
    const std::pair<const char*, const char*> joined[] = {
            {"2000-07-26 9:5", "2000-07-26 09:05:00"},
            {"2000-07-26", "2000-07-26 00:00:00"},
            {"2000-7-6 08", "2000-07-06 00:00:00"},
            {"", " "},
            {"    ", " "},
            {" ", " "},
    };
    for (const auto& [text, written] : joined)
        EXPECT_EQ(Rewritten(text), written) << text;
    for (const char* text : {"2000-07-26 14:05:00", "1999-12-31 23:59:59", "2024-02-29 00:00:00",
                             "2027-03-14 03:30:00", "2027-11-07 01:15:00", "2045-06-30 17:00:00"})
        EXPECT_EQ(Rewritten(text), text);
    // A 40,000-hour task started in 2026 ends in 2031; longer plans and lags run past
    // January 2038, which must neither wrap nor stop.
    EXPECT_GT(LocalTime(2045, 6, 30, 17).Get(), int64_t(INT32_MAX));
    EXPECT_EQ((LocalTime(2038, 1, 18, 12) + 2 * 86400).GetDateTime(), "2038-01-20 12:00:00");
    EXPECT_EQ(LDateIterator(LocalTime(2040, 2, 29, 1)).Get(), LocalTime(2040, 2, 29, 12));
    LDateTime value;
    ASSERT_TRUE(value.SetDateYYYYHMMHDDTimeHHCMMCSS("2027-11-07 01:15:00"));
    EXPECT_EQ(value, LocalTime(2027, 11, 7, 1, 15, 0));
    // Separate texts: missing month and day are January and the 1st, missing time fields
    // 0; an unreadable date leaves the value alone.
    EXPECT_TRUE(value.SetDateTime("2003-04-05", "06:07:08"));
    EXPECT_EQ(value, LocalTime(2003, 4, 5, 6, 7, 8));
    EXPECT_TRUE(value.SetDateTime("2003-04", "10"));
    EXPECT_FALSE(value.SetDateTime("soon", "10:00"));
    EXPECT_FALSE(value.SetDateYYYYHMMHDDTimeHHCMMCSS("next week"));
    EXPECT_EQ(value, LocalTime(2003, 4, 1, 10));
    EXPECT_TRUE(value.SetDateTime("", "10:00:00"));
    EXPECT_EQ(value, LDateTime());
    // Two-digit years: 70 to 99 are the 1900s.
    for (const auto& [typed, year] :
         {std::pair{99, 1999}, {5, 2005}, {70, 1970}, {69, 2069}, {2010, 2010}}) {
        ASSERT_TRUE(value.SetDateTime(typed, 3, 1, 0, 0, 0));
        EXPECT_EQ(value, LocalTime(year, 3, 1)) << typed;
    }
    ASSERT_TRUE(value.SetDateTime("05-03-01", ""));
    EXPECT_EQ(value, LocalTime(2005, 3, 1));
}

TEST(LDateTimeText, ShortLocalFormatInTheSystemsOrderFromItsPattern)
{
    const char* const texts[] = {"07/26/00", "26/07/00", "00/07/26"};
    EXPECT_EQ(LocalTime(2000, 7, 26, 12).GetDateLocalFormat(), texts[LGetLocaleDateFormatOrder()]);
    EXPECT_EQ(LDateTime().GetDateLocalFormat(), "");
    const std::pair<const char*, eDateOrder> cases[] = {
            {"%D", eDateOrderMonthDayYear},           {"%m/%d/%y", eDateOrderMonthDayYear},
            {"%b %e, %Y", eDateOrderMonthDayYear},    {"%d.%m.%Y", eDateOrderDayMonthYear},
            {"%e %B %Y", eDateOrderDayMonthYear},     {"%Y-%m-%d", eDateOrderYearMonthDay},
            {"%Y年%m月%d日", eDateOrderYearMonthDay}, {"%y/%h/%e", eDateOrderYearMonthDay},
    };
    for (const auto& [pattern, order] : cases)
        EXPECT_EQ(LGetLocaleDateFormatOrder(pattern), order) << pattern;
}

TEST(LDateTimeValidate, DateTimesDatesTimesOfDayAndMonthLengths)
{
    EXPECT_EQ(Accepted(LDateTime::ValidateDateTimeYYYYHMMHDDHHCMMCSS,
                       {"2038-01-19 03:14:07", "2000-02-29 00:00:00", "1970-01-01 00:00:00",
                        "2038-12-31 23:59:59", "2039-01-01 00:00:00", "1969-12-31 23:59:59",
                        "2001-02-29 00:00:00", "2000-04-31 00:00:00", "2000-13-01 00:00:00",
                        "2000-00-01 00:00:00", "2000-01-01 24:00:00", "2000-01-01 23:60:00",
                        "2000-01-01 23:59:60", "2000-01-01 23:59", "2000-01-01", ""}),
              "1111000000000000");
    // The date part of a full date-time passes as a date.
    EXPECT_EQ(Accepted(LDateTime::ValidateDateYYYYHMMHDD,
                       {"", "2000-01-01", "2000-02-29", "2000-02-29 10:00", "1900-02-29",
                        "2100-02-29", "2000-02", "26/07/2000"}),
              "11110000");
    EXPECT_EQ(Accepted(LDayTime::ValidateDateHHCMMCSS,
                       {"24:00:00", "24:00", "00:00", "8:30", "23:59:59", "24:00:01", "24:01",
                        "23:60:00", "23:59:60", "-1:00", "8", ""}),
              "111110000000");
    const std::tuple<int, int, int> months[] = {
            {2000, 2, 29}, {1900, 2, 28}, {2024, 2, 29},
            {2023, 2, 28}, {2001, 9, 30}, {2001, 13, 0},
    };
    for (const auto& [year, month, days] : months)
        EXPECT_EQ(LDateTime::GetNumberOfDaysInMonth(year, month), days) << year << "-" << month;
}

TEST(LDayTime, TwentyFourHourClockWrappingAtMidnightKeepingTheDateOrTakingTodays)
{
    for (const auto& [start, add, sum] :
         {std::tuple{82800, 7200, 3600}, {28800, 3600, 32400}, {3600, -7200, 82800}, {0, 86400, 0}})
        EXPECT_EQ((LDayTime(start) + add).Get(), sum) << start << " + " << add;
    LDateTime value = LocalTime(2000, 7, 26, 14, 5, 0);
    EXPECT_EQ(value.GetDayTime().Get(), 14 * 3600 + 5 * 60);
    value.SetDayTime(LDayTime(8 * 3600 + 30 * 60 + 15));
    EXPECT_EQ(value, LocalTime(2000, 7, 26, 8, 30, 15));
    EXPECT_EQ(LDateTime().GetDayTime().Get(), 0);
    // No date takes today's, which KESTRANO_NOW sets when it can be read.
    ScopedEnvironment now("KESTRANO_NOW", "2026-12-06 08:30:00");
    EXPECT_EQ(LDateTime::Now(), LocalTime(2026, 12, 6, 8, 30, 0));
    LDateTime unset;
    unset.SetDayTime(LDayTime(17 * 3600));
    EXPECT_EQ(unset, LocalTime(2026, 12, 6, 17));
    ScopedEnvironment unreadable("KESTRANO_NOW", "tomorrow");
    const auto before = static_cast<int64_t>(std::time(nullptr));
    EXPECT_GE(LDateTime::Now().Get(), before);
    EXPECT_LE(LDateTime::Now().Get(), before + 5);
}

namespace {

// Every moment listed anchors to noon of the given day, and walking from two days before
// visits each calendar day once, at noon, also across a clock change or a year's end.
void ExpectNoonAnchors(int year, int month, int day, std::initializer_list<LDateTime> moments)
{
    const LDateTime noon = LocalTime(year, month, day, 12);
    ASSERT_EQ(LocalFieldsOf(noon).tm_hour, 12);
    for (const LDateTime moment : moments)
        EXPECT_EQ(LDateIterator(moment).Get(), noon) << "from " << moment.GetDateTime();
    LDateIterator walk(LocalTime(year, month, day - 2, 6));
    for (int offset = -2; offset <= 2; ++offset) {
        // mktime rolls day 33 of October over to 2 November.
        EXPECT_EQ(walk.Get(), LocalTime(year, month, day + offset, 12));
        EXPECT_EQ(LocalFieldsOf(walk.Get()).tm_hour, 12);
        walk.Next();
    }
}

} // namespace

TEST(LDateIterator, AnchorsEveryMomentOfADayAtNoonAndCrossesYearEnds)
{
    ExpectNoonAnchors(2000, 12, 31,
                      {LocalTime(2000, 12, 31, 0, 0), LocalTime(2000, 12, 31, 1, 59, 59),
                       LocalTime(2000, 12, 31, 12), LocalTime(2000, 12, 31, 23, 59, 59)});
    const LDateIterator day(LocalTime(2000, 7, 26, 9));
    EXPECT_EQ(day.GetDateTimeStart(), LocalTime(2000, 7, 26));
    EXPECT_EQ(day.GetDateTimeEnd(), LocalTime(2000, 7, 26, 23, 59, 59));
}

TEST(LDateIterator, DaylightSavingDaysInBerlinAndNewYork)
{
    ScopedTimeZone zone("Europe/Berlin");
    // 31 October 2027 has 25 hours: at 03:00 summer time the clock goes back to 02:00.
    // 02:00 and 02:30 summer time are 00:00 and 00:30 UTC.
    ExpectNoonAnchors(2027, 10, 31,
                      {LocalTime(2027, 10, 31, 0, 0), LocalTime(2027, 10, 31, 0, 30),
                       UtcTime(2027, 10, 31, 0, 0), UtcTime(2027, 10, 31, 0, 30),
                       UtcTime(2027, 10, 31, 1, 30), LocalTime(2027, 10, 31, 8, 0),
                       LocalTime(2027, 10, 31, 23, 59, 59)});
    EXPECT_EQ(LDateIterator(LocalTime(2027, 10, 31, 5)).GetDateTimeStart(),
              UtcTime(2027, 10, 30, 22, 0));
    ScopedTimeZone newYork("America/New_York");
    // 7 November 2027: at 02:00 daylight time the clock goes back to 01:00; both 01:30s.
    ExpectNoonAnchors(2027, 11, 7,
                      {LocalTime(2027, 11, 7, 0, 0), UtcTime(2027, 11, 7, 5, 30),
                       UtcTime(2027, 11, 7, 6, 30), LocalTime(2027, 11, 7, 23, 0)});
    // 14 March 2027: 02:00 standard time becomes 03:00 daylight time.
    ExpectNoonAnchors(2027, 3, 14,
                      {LocalTime(2027, 3, 14, 0, 30), LocalTime(2027, 3, 14, 1, 59),
                       UtcTime(2027, 3, 14, 7, 0), LocalTime(2027, 3, 14, 23, 59, 59)});
}
