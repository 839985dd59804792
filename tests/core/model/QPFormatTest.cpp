#include "model/QPFormat.h"
#include "model/QPProjectOptions.h"

#include "support/TestTime.h"

#include <gtest/gtest.h>

TEST(QPFormatDate, TheFourFormatsInTheThreeOrdersAndNoDate)
{
    const LDateTime day = LocalTime(2000, 7, 26, 15, 30), early = LocalTime(2005, 1, 5, 0, 0);
    const std::tuple<int, int, char, LDateTime, const char*> cases[] = {
            {0, 1, ' ', day, "26 July 2000"},
            {1, 1, ' ', day, "26 Jul 2000"},
            {2, 0, '/', day, "07/26/2000"},
            {3, 2, '-', day, "00-07-26"},
            {0, 0, ' ', day, "July 26 2000"},
            {1, 2, '.', day, "2000.Jul.26"},
            {0, 1, ' ', early, "5 January 2005"},
            {2, 1, '/', early, "05/01/2005"},
            {3, 1, '.', early, "05.01.05"},
            {1, 0, '-', LocalTime(2010, 12, 31, 23, 59), "Dec-31-2010"},
            {0, 1, ' ', LDateTime(), "Invalid Date"},
            {2, 0, '/', LDateTime(-86400), "Invalid Date"},
    };
    for (const auto& [format, order, separator, date, text] : cases)
        EXPECT_EQ(QPFormatDate(format, order, separator, date), text);
    for (const QPDateFormatChoice& choice : kDateFormatChoices)
        EXPECT_EQ(QPFormatDate(choice.dateFormat, choice.dateOrder, choice.dateSeparator,
                               LocalTime(2000, 7, 26, 12)),
                  choice.sample);
}

TEST(QPFormatDurationToText, DaysHoursAndMinutesWithoutTheSign)
{
    // Without minutes, minutes round up to the next hour, and 23h 59m to a whole day; seconds
    // alone do not make a minute.
    const std::tuple<int64_t, bool, const char*> cases[] = {
            {0, true, "00h"},
            {0, false, "00h"},
            {30600, true, "08h 30m"},
            {30600, false, "09h"},
            {117000, false, "1d 09h"},
            {86400, false, "1d 00h"},
            {180000, true, "2d 02h 00m"},
            {86340, false, "1d 00h"},
            {86340, true, "23h 59m"},
            {82801, false, "23h"},
            {59, false, "00h"},
            {60, false, "01h"},
            {12 * 86400, false, "12d 00h"},
            {-30600, true, "08h 30m"},
            {-117000, false, "1d 09h"},
    };
    for (const auto& [seconds, minutes, text] : cases)
        EXPECT_EQ(QPFormatDurationToText(seconds, minutes), text) << seconds;
    EXPECT_FALSE(QPFormatDurationToText(INT64_MIN, false).empty());
}

TEST(QPValidate, NumbersWithOneDecimalSymbolAndTypedAmounts)
{
    QPProjectOptions options;
    for (const char* valid : {"", "12", "7.5", ".01", "40000."})
        EXPECT_TRUE(QPValidateNumber(options, valid)) << valid;
    for (const char* invalid : {"7.5.1", "-1", "+1", "1 0", "1,000", "8h"})
        EXPECT_FALSE(QPValidateNumber(options, invalid)) << invalid;
    for (const char* valid : {"$1,234.50", "- 12", "+12", "12\t", "1,000,000", "$"})
        EXPECT_TRUE(QPValidateCurrency(options, valid)) << valid;
    for (const char* invalid : {"", "12a", "1.2.3", "$$12", "€12"})
        EXPECT_FALSE(QPValidateCurrency(options, invalid)) << invalid;
    options.SetCurrencySymbol("€");
    options.SetDecimalSymbol(",");
    options.SetThousandsSymbol(".");
    EXPECT_TRUE(QPValidateNumber(options, "7,5"));
    EXPECT_FALSE(QPValidateNumber(options, "7.5"));
    EXPECT_TRUE(QPValidateCurrency(options, "1.234,50 €"));
    EXPECT_FALSE(QPValidateCurrency(options, "$12"));
}

TEST(QPProjectOptions, FixedStartValuesAndOnlyRealChangesCount)
{
    // The user's locale may say "€" and ","; a new project still starts in dollars.
    ScopedEnvironment locale("LC_ALL", "de_DE.UTF-8");
    QPProjectOptions options;
    EXPECT_EQ(LLocaleFormatCurrencyToText(options, 123456), "$1,234.56");
    EXPECT_EQ(options.systemDateOrder, LGetLocaleDateFormatOrder());
    EXPECT_EQ(options.FormatDate(LocalTime(2000, 7, 26, 12)), "26 July 2000");
    options.SetCurrencySymbol("$");
    options.SetDecimalSymbol(".");
    options.SetThousandsSymbol(",");
    options.SetDateFormat(0, 1, ' ');
    EXPECT_FALSE(options.changed);
    options.SetCurrencyName("dollars");
    EXPECT_TRUE(options.changed);
    // A reset restores the values and tells whether they changed.
    options.changed = false;
    options.currencySymbol = "£";
    options.currencyDigits = 0;
    options.Reset();
    EXPECT_TRUE(options.changed);
    EXPECT_EQ(LLocaleFormatCurrencyToText(options, 123456), "$1,234.56");
}

TEST(QPProjectOptions, DateFormatPositionFindsEveryChoice)
{
    for (std::size_t i = 0; i < kDateFormatChoices.size(); ++i) {
        const QPDateFormatChoice& choice = kDateFormatChoices[i];
        QPProjectOptions options;
        options.SetDateFormat(choice.dateFormat, choice.dateOrder, choice.dateSeparator);
        EXPECT_EQ(options.GetDateFormatPosition(), static_cast<int>(i)) << choice.sample;
    }
}
