#include "model/LLocaleFormat.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

LLocaleCurrencyProfile Dollars()
{
    return LLocaleCurrencyProfile{};
}

LLocaleCurrencyProfile Euros()
{
    LLocaleCurrencyProfile profile;
    profile.decimalSymbol = ",";
    profile.thousandsSymbol = ".";
    profile.currencySymbol = "€";
    profile.currencyPosition = 1;
    return profile;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Numbers

TEST(LLocaleNumbers, WholeValuesHaveNoDecimals)
{
    const LLocaleNumberProfile profile;
    EXPECT_EQ(LLocaleFormatFloatToText(profile, 7.0), "7");
    EXPECT_EQ(LLocaleFormatFloatToText(profile, 0.0), "0");
    EXPECT_EQ(LLocaleFormatFloatToText(profile, -40.0), "-40");
    EXPECT_EQ(LLocaleFormatFloatToText(profile, 1234567.0), "1234567");
}

TEST(LLocaleNumbers, OtherValuesUseNumberDigitsAndTheDecimalCharacter)
{
    LLocaleNumberProfile profile;
    EXPECT_EQ(LLocaleFormatFloatToText(profile, 7.5), "7.50");
    EXPECT_EQ(LLocaleFormatFloatToText(profile, -3.25), "-3.25");
    EXPECT_EQ(LLocaleFormatFloatToText(profile, 2.0 / 3.0), "0.67");
    EXPECT_EQ(LLocaleFormatFloatToText(profile, 1234567.5), "1234567.50");
    profile.decimalSymbol = ",";
    EXPECT_EQ(LLocaleFormatFloatToText(profile, 7.5), "7,50");
    profile.numberDigits = 3;
    EXPECT_EQ(LLocaleFormatFloatToText(profile, 0.1), "0,100");
    // Only the first character of the symbol is written, and a whole character at that.
    profile.decimalSymbol = "·x";
    profile.numberDigits = 2;
    EXPECT_EQ(LLocaleFormatFloatToText(profile, 7.5), "7·50");
    profile.decimalSymbol = "";
    EXPECT_EQ(LLocaleFormatFloatToText(profile, 7.5), "7.50");
}

TEST(LLocaleNumbers, ReadsTheLeadingNumber)
{
    LLocaleNumberProfile profile;
    EXPECT_DOUBLE_EQ(LLocaleFormatTextToFloat(profile, "7.5"), 7.5);
    EXPECT_DOUBLE_EQ(LLocaleFormatTextToFloat(profile, "  12"), 12.0);
    EXPECT_DOUBLE_EQ(LLocaleFormatTextToFloat(profile, "40000 hours"), 40000.0);
    EXPECT_DOUBLE_EQ(LLocaleFormatTextToFloat(profile, "abc"), 0.0);
    EXPECT_DOUBLE_EQ(LLocaleFormatTextToFloat(profile, ""), 0.0);
    // Group separators are not skipped.
    EXPECT_DOUBLE_EQ(LLocaleFormatTextToFloat(profile, "1,234.5"), 1.0);

    profile.decimalSymbol = ",";
    EXPECT_DOUBLE_EQ(LLocaleFormatTextToFloat(profile, "7,5"), 7.5);
    // Without the project's symbol in it, a text with a point still reads as C reads it.
    EXPECT_DOUBLE_EQ(LLocaleFormatTextToFloat(profile, "7.25"), 7.25);
    EXPECT_DOUBLE_EQ(LLocaleFormatTextToFloat(profile, "1.234,5"), 1.234);
}

TEST(LLocaleNumbers, ReadsOnlyTheFirst259Bytes)
{
    const LLocaleNumberProfile profile;
    const std::string text = std::string(258, ' ') + "12";
    EXPECT_DOUBLE_EQ(LLocaleFormatTextToFloat(profile, text), 1.0);
}

// ---------------------------------------------------------------------------------------
// Money to text

TEST(LLocaleMoney, DefaultsWriteDollarsAndCents)
{
    const auto profile = Dollars();
    EXPECT_EQ(LLocaleFormatCurrencyToText(profile, 1800), "$18.00");
    EXPECT_EQ(LLocaleFormatCurrencyToText(profile, 0), "$0.00");
    EXPECT_EQ(LLocaleFormatCurrencyToText(profile, 5), "$0.05");
    EXPECT_EQ(LLocaleFormatCurrencyToText(profile, 99999), "$999.99");
    EXPECT_EQ(LLocaleFormatCurrencyToText(profile, 100000), "$1,000.00");
    EXPECT_EQ(LLocaleFormatCurrencyToText(profile, 100500007), "$1,005,000.07");
}

TEST(LLocaleMoney, NegativeAmounts)
{
    const auto profile = Dollars();
    EXPECT_EQ(LLocaleFormatCurrencyToText(profile, -123456789), "-$1,234,567.89");
    EXPECT_EQ(LLocaleFormatCurrencyToText(profile, -123456789, "", true), "($1,234,567.89)");
    EXPECT_EQ(LLocaleFormatCurrencyToText(profile, 123456789, "", true), "$1,234,567.89");
    // The most negative amount has no positive counterpart in 64 bits.
    EXPECT_EQ(LLocaleFormatCurrencyToText(profile, INT64_MIN), "-$92233720368,547,758.08");
}

TEST(LLocaleMoney, BillionsKeepTheirLeadingDigitsTogether)
{
    EXPECT_EQ(LLocaleFormatCurrencyToText(Dollars(), 123456789000), "$1234,567,890.00");
}

TEST(LLocaleMoney, DigitsPositionSeparatorsAndSuffix)
{
    auto profile = Dollars();
    profile.currencyDigits = 0;
    EXPECT_EQ(LLocaleFormatCurrencyToText(profile, 18), "$18");
    profile.currencyDigits = 1;
    EXPECT_EQ(LLocaleFormatCurrencyToText(profile, 180), "$18.0");
    profile.currencyDigits = 3;
    EXPECT_EQ(LLocaleFormatCurrencyToText(profile, 18000), "$18.000");
    EXPECT_EQ(LLocaleFormatCurrencyToText(profile, 18007), "$18.007");

    profile = Dollars();
    profile.currencyPosition = 1;
    EXPECT_EQ(LLocaleFormatCurrencyToText(profile, -1800), "-18.00$");
    EXPECT_EQ(LLocaleFormatCurrencyToText(profile, -1800, "", true), "(18.00$)");
    EXPECT_EQ(LLocaleFormatCurrencyToText(Dollars(), 2500, "/hr"), "$25.00/hr");

    EXPECT_EQ(LLocaleFormatCurrencyToText(Euros(), 123456), "1.234,56€");
    profile = Dollars();
    profile.decimalSymbol = "dot";
    EXPECT_EQ(LLocaleFormatCurrencyToText(profile, 1850), "$18dot50");
}

// ---------------------------------------------------------------------------------------
// Money from text

TEST(LLocaleMoney, ReadsTypedAmounts)
{
    const auto profile = Dollars();
    EXPECT_EQ(LLocaleFormatTextToCurrency(profile, "$1,234.5"), 123450);
    EXPECT_EQ(LLocaleFormatTextToCurrency(profile, "18.999"), 1899);
    EXPECT_EQ(LLocaleFormatTextToCurrency(profile, "-5"), -500);
    EXPECT_EQ(LLocaleFormatTextToCurrency(profile, "abc"), 0);
    EXPECT_EQ(LLocaleFormatTextToCurrency(profile, ""), 0);
    EXPECT_EQ(LLocaleFormatTextToCurrency(profile, "$ 25"), 2500);
    EXPECT_EQ(LLocaleFormatTextToCurrency(profile, ".07"), 7);
    // A minus sign anywhere before the fraction is complete makes the amount negative.
    EXPECT_EQ(LLocaleFormatTextToCurrency(profile, "12-"), -1200);
    EXPECT_EQ(LLocaleFormatTextToCurrency(profile, "($12.00)"), 1200);
    // Written amounts read back.
    EXPECT_EQ(LLocaleFormatTextToCurrency(profile, "-$1,234,567.89"), -123456789);
    EXPECT_EQ(LLocaleFormatTextToCurrency(Euros(), "1.234,56€"), 123456);
}

TEST(LLocaleMoney, FractionFollowsCurrencyDigits)
{
    auto profile = Dollars();
    profile.currencyDigits = 0;
    EXPECT_EQ(LLocaleFormatTextToCurrency(profile, "18.75"), 18);
    profile.currencyDigits = 3;
    EXPECT_EQ(LLocaleFormatTextToCurrency(profile, "1.5"), 1500);
    EXPECT_EQ(LLocaleFormatTextToCurrency(profile, "1.23456"), 1234);
}

TEST(LLocaleMoney, LargeAmountsAreCapped)
{
    const auto profile = Dollars();
    EXPECT_EQ(LLocaleFormatTextToCurrency(profile, "12345678901234567890"), kMaxMoneyInput);
    EXPECT_EQ(LLocaleFormatTextToCurrency(profile, "-99999999999999999"), -kMaxMoneyInput);
    EXPECT_EQ(LLocaleFormatTextToCurrency(profile, "100000000000"), kMaxMoneyInput);
    EXPECT_EQ(LLocaleFormatTextToCurrency(profile, "100000000000.01"), kMaxMoneyInput);
    EXPECT_EQ(LLocaleFormatTextToCurrency(profile, "99999999999.99"), kMaxMoneyInput - 1);
    // Leading zeros do not make an amount large.
    EXPECT_EQ(LLocaleFormatTextToCurrency(profile, "0000000000000000001"), 100);
    EXPECT_EQ(LLocaleFormatTextToCurrency(profile, std::string(400, '9')), kMaxMoneyInput);
}
