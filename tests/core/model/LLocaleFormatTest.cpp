#include "model/LLocaleFormat.h"

#include <gtest/gtest.h>

#include <climits>
#include <tuple>

namespace {

LLocaleCurrencyProfile Profile(const char* decimal = ".", int digits = 2, int position = 0,
                               const char* thousands = ",", const char* symbol = "$")
{
    LLocaleCurrencyProfile profile;
    profile.decimalSymbol = decimal;
    profile.currencyDigits = digits;
    profile.currencyPosition = position;
    profile.thousandsSymbol = thousands;
    profile.currencySymbol = symbol;
    return profile;
}

} // namespace

TEST(LLocaleNumbers, WrittenWithNumberDigitsAndTheFirstCharacterOfTheDecimalSymbol)
{
    LLocaleNumberProfile profile;
    // Whole values have no decimals.
    const std::pair<double, const char*> cases[] = {
            {7.0, "7"},    {0.0, "0"},       {-40.0, "-40"},      {1234567.0, "1234567"},
            {7.5, "7.50"}, {-3.25, "-3.25"}, {2.0 / 3.0, "0.67"}, {1234567.5, "1234567.50"}};
    for (const auto& [value, text] : cases)
        EXPECT_EQ(LLocaleFormatFloatToText(profile, value), text);
    profile.decimalSymbol = ",";
    profile.numberDigits = 3;
    EXPECT_EQ(LLocaleFormatFloatToText(profile, 0.1), "0,100");
    // A whole character, even of several bytes; none at all is a point.
    profile.decimalSymbol = "·x";
    profile.numberDigits = 2;
    EXPECT_EQ(LLocaleFormatFloatToText(profile, 7.5), "7·50");
    profile.decimalSymbol = "";
    EXPECT_EQ(LLocaleFormatFloatToText(profile, 7.5), "7.50");
}

TEST(LLocaleNumbers, ReadsTheLeadingNumberOfTheFirst259Bytes)
{
    LLocaleNumberProfile profile;
    // Group separators are not skipped.
    const std::pair<std::string, double> cases[] = {
            {"7.5", 7.5}, {"  12", 12.0},   {"40000 hours", 40000.0},           {"abc", 0.0},
            {"", 0.0},    {"1,234.5", 1.0}, {std::string(258, ' ') + "12", 1.0}};
    for (const auto& [text, value] : cases)
        EXPECT_DOUBLE_EQ(LLocaleFormatTextToFloat(profile, text), value) << text;
    // Without the project's symbol in it, a text with a point still reads as C reads it.
    profile.decimalSymbol = ",";
    EXPECT_DOUBLE_EQ(LLocaleFormatTextToFloat(profile, "7,5"), 7.5);
    EXPECT_DOUBLE_EQ(LLocaleFormatTextToFloat(profile, "7.25"), 7.25);
    EXPECT_DOUBLE_EQ(LLocaleFormatTextToFloat(profile, "1.234,5"), 1.234);
}

TEST(LLocaleMoney, WrittenWithDigitsSeparatorsPositionAndSign)
{
    // Each profile, amount, suffix and whether negatives go in parentheses, and the text.
    const std::tuple<LLocaleCurrencyProfile, int64_t, const char*, bool, const char*> cases[] = {
            {Profile(), 0, "", false, "$0.00"},
            {Profile(), 5, "", false, "$0.05"},
            {Profile(), 99999, "", false, "$999.99"},
            {Profile(), 100000, "", false, "$1,000.00"},
            {Profile(), 100500007, "", false, "$1,005,000.07"},
            // Billions keep their leading digits together.
            {Profile(), 123456789000, "", false, "$1234,567,890.00"},
            {Profile(), -123456789, "", false, "-$1,234,567.89"},
            {Profile(), -123456789, "", true, "($1,234,567.89)"},
            {Profile(), 123456789, "", true, "$1,234,567.89"},
            // The most negative amount has no positive counterpart in 64 bits.
            {Profile(), INT64_MIN, "", false, "-$92233720368,547,758.08"},
            {Profile(".", 0), 18, "", false, "$18"},
            {Profile(".", 1), 180, "", false, "$18.0"},
            {Profile(".", 3), 18007, "", false, "$18.007"},
            {Profile(".", 2, 1), -1800, "", false, "-18.00$"},
            {Profile(".", 2, 1), -1800, "", true, "(18.00$)"},
            {Profile(), 2500, "/hr", false, "$25.00/hr"},
            {Profile(",", 2, 1, ".", "€"), 123456, "", false, "1.234,56€"},
            {Profile("dot"), 1850, "", false, "$18dot50"},
    };
    for (const auto& [profile, amount, suffix, parentheses, text] : cases)
        EXPECT_EQ(LLocaleFormatCurrencyToText(profile, amount, suffix, parentheses), text);
}

TEST(LLocaleMoney, ReadsTypedAmountsCappedAndInTheCurrencysDigits)
{
    const std::tuple<LLocaleCurrencyProfile, std::string, int64_t> cases[] = {
            {Profile(), "$1,234.5", 123450},
            {Profile(), "18.999", 1899},
            {Profile(), "-5", -500},
            {Profile(), "abc", 0},
            {Profile(), "", 0},
            {Profile(), "$ 25", 2500},
            {Profile(), ".07", 7},
            // A minus sign anywhere before the fraction is complete makes it negative.
            {Profile(), "12-", -1200},
            {Profile(), "($12.00)", 1200},
            {Profile(), "-$1,234,567.89", -123456789},
            {Profile(",", 2, 1, ".", "€"), "1.234,56€", 123456},
            {Profile(".", 0), "18.75", 18},
            {Profile(".", 3), "1.5", 1500},
            {Profile(".", 3), "1.23456", 1234},
            {Profile(), "-99999999999999999", -kMaxMoneyInput},
            {Profile(), "100000000000", kMaxMoneyInput},
            {Profile(), "100000000000.01", kMaxMoneyInput},
            {Profile(), "99999999999.99", kMaxMoneyInput - 1},
            // Leading zeros do not make an amount large.
            {Profile(), "0000000000000000001", 100},
            {Profile(), std::string(400, '9'), kMaxMoneyInput},
    };
    for (const auto& [profile, text, amount] : cases)
        EXPECT_EQ(LLocaleFormatTextToCurrency(profile, text), amount) << text;
}
