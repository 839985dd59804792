#include "model/QPProjectOptions.h"

#include "support/TestTime.h"

#include <gtest/gtest.h>

TEST(QPProjectOptions, StartWithTheFixedValuesWhateverTheLocale)
{
    // The user's locale may say "€" and ","; a new project still starts in dollars.
    ScopedEnvironment locale("LC_ALL", "de_DE.UTF-8");
    const QPProjectOptions options;
    EXPECT_EQ(LLocaleFormatCurrencyToText(options, 123456), "$1,234.56");
    EXPECT_EQ(options.currencyCode, "USD");
    EXPECT_EQ(options.currencyName, "Dollars");
    EXPECT_EQ(options.systemDateOrder, LGetLocaleDateFormatOrder());
    EXPECT_FALSE(options.changed);
    EXPECT_EQ(options.FormatDate(LocalTime(2000, 7, 26, 12)), "26 July 2000");
}

TEST(QPProjectOptions, SettersMarkOnlyRealChanges)
{
    QPProjectOptions options;
    options.SetCurrencySymbol("$");
    options.SetDecimalSymbol(".");
    options.SetThousandsSymbol(",");
    options.SetDateFormat(0, 1, ' ');
    EXPECT_FALSE(options.changed);

    options.SetCurrencySymbol("€");
    EXPECT_TRUE(options.changed);

    // The comparison is exact: case matters.
    QPProjectOptions other;
    other.SetCurrencyName("dollars");
    EXPECT_TRUE(other.changed);
}

TEST(QPProjectOptions, ResetRestoresAndReportsCurrencyChanges)
{
    QPProjectOptions options;
    options.currencySymbol = "£";
    options.currencyDigits = 0;
    options.dateFormat = eDateFormatNumeric;
    options.dateOrder = eDateOrderYearMonthDay;
    options.dateSeparator = '-';
    options.Reset();
    EXPECT_TRUE(options.changed);
    EXPECT_EQ(options.currencySymbol, "$");
    EXPECT_EQ(options.currencyDigits, 2);
    EXPECT_EQ(options.GetDateFormatPosition(), 0);

    QPProjectOptions untouched;
    untouched.Reset();
    EXPECT_FALSE(untouched.changed);
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
