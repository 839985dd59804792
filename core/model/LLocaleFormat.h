#pragma once

#include "framework/LFixedText.h"

#include <cstdint>
#include <string>
#include <string_view>

// How plain decimal numbers are written and read.
struct LLocaleNumberProfile {
    // Numbers are written with its first character, money with the whole text.
    LFixedText decimalSymbol = ".";
    // Written between groups of three digits in money amounts.
    LFixedText thousandsSymbol = ",";
    // Decimals shown for numbers that are not whole.
    int32_t numberDigits = 2;
};

// How amounts of money are written and read. Amounts are counts of minor units
// (hundredths when currencyDigits is 2).
struct LLocaleCurrencyProfile : LLocaleNumberProfile {
    LFixedText currencySymbol = "$";
    // 0: the symbol goes before the amount ("$18.00"), 1: after it ("18.00$").
    int32_t currencyPosition = 0;
    int32_t currencyDigits = 2;

    // Takes the separators, the currency symbol and the currency digits of the user's
    // locale; parts the locale leaves empty fall back to ".", "," and "$".
    void FillFromSystem();
};

// The largest amount of money, in minor units, that text input can produce.
inline constexpr int64_t kMaxMoneyInput = 10'000'000'000'000;

// "%.0f" for whole values, otherwise numberDigits decimals with the profile's decimal
// character; no group separators.
std::string LLocaleFormatFloatToText(const LLocaleNumberProfile& profile, double value);
// The longest leading decimal number, with the profile's decimal symbol as the point;
// 0.0 when the text does not start with a number. Reading stops at a group separator.
double LLocaleFormatTextToFloat(const LLocaleNumberProfile& profile, std::string_view text);

// "$1,234,567.89", "-$18.00" or "($18.00)", followed by `suffix`.
std::string LLocaleFormatCurrencyToText(const LLocaleCurrencyProfile& profile, int64_t amount,
                                        std::string_view suffix = {},
                                        bool parenthesesForNegative = false);
// Reads money leniently: the currency symbol, group separators and any other character
// are skipped, a "-" anywhere makes the amount negative, and the magnitude is capped
// at kMaxMoneyInput.
int64_t LLocaleFormatTextToCurrency(const LLocaleCurrencyProfile& profile, std::string_view text);

// The first UTF-8 character of `text` (empty for an empty text).
std::string_view LFirstCharacter(std::string_view text);
