#include "model/QPFormat.h"
#include "model/QPProjectOptions.h"

#include "support/TestTime.h"

#include <gtest/gtest.h>

TEST(QPFormatDate, WritesTheFourFormatsInTheThreeOrders)
{
    const LDateTime day = LocalTime(2000, 7, 26, 15, 30);
    EXPECT_EQ(QPFormatDate(0, 1, ' ', day), "26 July 2000");
    EXPECT_EQ(QPFormatDate(1, 1, ' ', day), "26 Jul 2000");
    EXPECT_EQ(QPFormatDate(2, 0, '/', day), "07/26/2000");
    EXPECT_EQ(QPFormatDate(3, 2, '-', day), "00-07-26");
    EXPECT_EQ(QPFormatDate(0, 0, ' ', day), "July 26 2000");
    EXPECT_EQ(QPFormatDate(1, 2, '.', day), "2000.Jul.26");

    const LDateTime early = LocalTime(2005, 1, 5, 0, 0);
    EXPECT_EQ(QPFormatDate(0, 1, ' ', early), "5 January 2005");
    EXPECT_EQ(QPFormatDate(2, 1, '/', early), "05/01/2005");
    EXPECT_EQ(QPFormatDate(3, 1, '.', early), "05.01.05");
    EXPECT_EQ(QPFormatDate(1, 0, '-', LocalTime(2010, 12, 31, 23, 59)), "Dec-31-2010");
}

TEST(QPFormatDate, NoDateIsInvalid)
{
    EXPECT_EQ(QPFormatDate(0, 1, ' ', LDateTime()), "Invalid Date");
    EXPECT_EQ(QPFormatDate(2, 0, '/', LDateTime(-86400)), "Invalid Date");
}

TEST(QPFormatDate, EveryChoiceOfTheOptionsEditorShowsItsSample)
{
    const LDateTime day = LocalTime(2000, 7, 26, 12);
    for (const QPDateFormatChoice& choice : kDateFormatChoices)
        EXPECT_EQ(QPFormatDate(choice.dateFormat, choice.dateOrder, choice.dateSeparator, day),
                  choice.sample);
}

TEST(QPFormatDurationToText, WithAndWithoutMinutes)
{
    EXPECT_EQ(QPFormatDurationToText(0, true), "00h");
    EXPECT_EQ(QPFormatDurationToText(0, false), "00h");
    EXPECT_EQ(QPFormatDurationToText(30600, true), "08h 30m");
    EXPECT_EQ(QPFormatDurationToText(30600, false), "09h");
    EXPECT_EQ(QPFormatDurationToText(117000, true), "1d 08h 30m");
    EXPECT_EQ(QPFormatDurationToText(117000, false), "1d 09h");
    EXPECT_EQ(QPFormatDurationToText(86400, false), "1d 00h");
    EXPECT_EQ(QPFormatDurationToText(86400, true), "1d 00h 00m");
    EXPECT_EQ(QPFormatDurationToText(180000, true), "2d 02h 00m");
    // Minutes round up to the next hour, and 23h 59m rounds up to a whole day.
    EXPECT_EQ(QPFormatDurationToText(86340, false), "1d 00h");
    EXPECT_EQ(QPFormatDurationToText(86340, true), "23h 59m");
    // Seconds alone do not make a minute.
    EXPECT_EQ(QPFormatDurationToText(59, false), "00h");
    EXPECT_EQ(QPFormatDurationToText(60, false), "01h");
    EXPECT_EQ(QPFormatDurationToText(12 * 86400, false), "12d 00h");
}

TEST(QPFormatDurationToText, DropsTheSign)
{
    EXPECT_EQ(QPFormatDurationToText(-30600, true), "08h 30m");
    EXPECT_EQ(QPFormatDurationToText(-117000, false), "1d 09h");
    EXPECT_EQ(QPFormatDurationToText(INT64_MIN, false).empty(), false);
}

TEST(QPValidateNumber, DigitsWithOneDecimalSymbol)
{
    QPProjectOptions options;
    for (const char* valid : {"", "12", "7.5", ".01", "40000."})
        EXPECT_TRUE(QPValidateNumber(options, valid)) << valid;
    for (const char* invalid : {"7.5.1", "-1", "+1", "1 0", "1,000", "8h"})
        EXPECT_FALSE(QPValidateNumber(options, invalid)) << invalid;

    options.SetDecimalSymbol(",");
    EXPECT_TRUE(QPValidateNumber(options, "7,5"));
    EXPECT_FALSE(QPValidateNumber(options, "7.5"));
}

TEST(QPValidateCurrency, TypedAmounts)
{
    QPProjectOptions options;
    for (const char* valid : {"$1,234.50", "- 12", "+12", "12\t", "1,000,000", "$"})
        EXPECT_TRUE(QPValidateCurrency(options, valid)) << valid;
    for (const char* invalid : {"", "12a", "1.2.3", "$$12", "€12"})
        EXPECT_FALSE(QPValidateCurrency(options, invalid)) << invalid;

    options.SetCurrencySymbol("€");
    options.SetDecimalSymbol(",");
    options.SetThousandsSymbol(".");
    EXPECT_TRUE(QPValidateCurrency(options, "1.234,50 €"));
    EXPECT_FALSE(QPValidateCurrency(options, "$12"));
}
