#include "model/QPProjectOptions.h"

#include "support/TestTime.h"

#include <gtest/gtest.h>

TEST(QPProjectOptions, StartWithTheFixedValuesWhateverTheLocale)
{
    const QPProjectOptions options;
    EXPECT_EQ(options.currencySymbol, "$");
    EXPECT_EQ(options.decimalSymbol, ".");
    EXPECT_EQ(options.thousandsSymbol, ",");
    EXPECT_EQ(options.currencyDigits, 2);
    EXPECT_EQ(options.currencyPosition, 0);
    EXPECT_EQ(options.numberDigits, 2);
    EXPECT_EQ(options.currencyCode, "USD");
    EXPECT_EQ(options.currencyName, "Dollars");
    EXPECT_EQ(options.dateSeparator, ' ');
    EXPECT_EQ(options.dateFormat, eDateFormatFullMonth);
    EXPECT_EQ(options.dateOrder, eDateOrderDayMonthYear);
    EXPECT_DOUBLE_EQ(options.reportMarginX, 0.75);
    EXPECT_DOUBLE_EQ(options.reportMarginY, 0.75);
    EXPECT_EQ(options.systemDateOrder, LGetLocaleDateFormatOrder());
    EXPECT_FALSE(options.changed);
    EXPECT_EQ(options.FormatDate(LocalTime(2000, 7, 26, 12)), "26 July 2000");
}

TEST(QPProjectOptions, SettersMarkOnlyRealChanges)
{
    QPProjectOptions options;
    options.SetCurrencySymbol("$");
    options.SetCurrencyName("Dollars");
    options.SetDecimalSymbol(".");
    options.SetThousandsSymbol(",");
    options.SetCurrencyDigits(2);
    options.SetDateFormat(0, 1, ' ');
    EXPECT_FALSE(options.changed);

    options.SetCurrencySymbol("€");
    EXPECT_TRUE(options.changed);
    EXPECT_EQ(options.currencySymbol, "€");

    for (auto set : {+[](QPProjectOptions& o) { o.SetCurrencyName("Euros"); },
                     +[](QPProjectOptions& o) { o.SetDecimalSymbol(","); },
                     +[](QPProjectOptions& o) { o.SetThousandsSymbol("."); },
                     +[](QPProjectOptions& o) { o.SetCurrencyPosition(1); },
                     +[](QPProjectOptions& o) { o.SetCurrencyDigits(0); },
                     +[](QPProjectOptions& o) { o.SetDateFormat(2, 2, '-'); }}) {
        QPProjectOptions fresh;
        set(fresh);
        EXPECT_TRUE(fresh.changed);
    }
    // The comparison is exact: case matters.
    QPProjectOptions fresh;
    fresh.SetCurrencyName("dollars");
    EXPECT_TRUE(fresh.changed);
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
