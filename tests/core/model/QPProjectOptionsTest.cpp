#include "model/QPProjectOptions.h"

#include "support/TestTime.h"

#include <gtest/gtest.h>

TEST(QPProjectOptions, FixedStartValuesAndOnlyRealChangesCount)
{
    // The user's locale may say "€" and ","; a new project still starts in dollars.
    ScopedEnvironment locale("LC_ALL", "de_DE.UTF-8");
    QPProjectOptions options;
    EXPECT_EQ(LLocaleFormatCurrencyToText(options, 123456), "$1,234.56");
    EXPECT_EQ(options.currencyCode.str() + options.currencyName.str(), "USDDollars");
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
